#include "download/winhttp_patterns.h"

#include <windows.h>

#include <array>
#include <cwctype>
#include <initializer_list>
#include <new>
#include <utility>

namespace WinHttpPatterns {

// The name may stand in quotes, as the header syntax allows: charset="utf-8".
const wchar_t* const kCharset = L"charset=\"?{[A-Za-z0-9\\-_]+}";
const wchar_t* const kContentLength = L"Content-Length: {[0-9]+}";
// The group ends with a real line-feed character, so it keeps the line end.
const wchar_t* const kLocation = L"Location: {https?:.+?\n}";
const wchar_t* const kSetCookie = L"Set-Cookie:\\b*{.+?}\\n";
const wchar_t* const kHtmlOpen = L"{<html>}";
const wchar_t* const kHtmlClose = L"{</html>}";

namespace {

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                                        static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

wchar_t Lower(wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); }
wchar_t Upper(wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); }

// A set of characters: ranges, possibly negated; compared ignoring case.
struct CharSet {
  std::vector<std::pair<wchar_t, wchar_t>> ranges;
  bool negated = false;
  bool Contains(wchar_t c) const {
    bool found = false;
    for (const auto& range : ranges) {
      for (wchar_t form : {c, Lower(c), Upper(c)}) found = found || (form >= range.first && form <= range.second);
    }
    return found != negated;
  }
};

// The pattern compiled for a machine that runs every alternative in step over the text: memory
// and stack depend on the pattern alone, never on the text, so a header of any length is safe.
enum class Op { kChar, kSet, kAny, kSplit, kJump, kSave, kBegin, kEnd, kMatch };
struct Instruction {
  Op op;
  wchar_t c = 0;
  size_t set = 0;  // kSet: index into sets
  size_t x = 0;    // kSplit (preferred), kJump: target; kSave: slot
  size_t y = 0;    // kSplit: the other target
};

constexpr size_t kMaxGroups = 9;  // the dialect's patterns have one or two
using Slots = std::array<size_t, 2 * (kMaxGroups + 1)>;

struct Program {
  std::vector<Instruction> code;
  std::vector<CharSet> sets;
};

// Parses the dialect and emits the program; the recursion follows the pattern's nesting only.
class Compiler {
 public:
  Compiler(const std::wstring& pattern, Program* program) : pattern_(pattern), program_(*program) {}

  bool Compile() {
    program_.code.clear();
    program_.sets.clear();
    if (!Alternation()) return false;
    if (at_ != pattern_.size()) return false;  // a closing bracket without its opening one
    Emit({Op::kMatch});
    return true;
  }

 private:
  size_t Emit(Instruction instruction) {
    program_.code.push_back(instruction);
    return program_.code.size() - 1;
  }
  size_t Here() const { return program_.code.size(); }
  bool More() const { return at_ < pattern_.size(); }
  wchar_t Peek() const { return pattern_[at_]; }

  bool Alternation() {
    const size_t begin = Here();
    if (!Sequence()) return false;
    if (!More() || Peek() != L'|') return true;
    ++at_;
    // begin: split(first, second); first...; jump end; second...
    std::vector<Instruction> first(program_.code.begin() + begin, program_.code.end());
    program_.code.resize(begin);
    Emit({Op::kSplit, 0, 0, begin + 1, begin + first.size() + 2});
    Relocate(&first, 1);
    program_.code.insert(program_.code.end(), first.begin(), first.end());
    const size_t jump = Emit({Op::kJump});
    if (!Alternation()) return false;
    program_.code[jump].x = Here();
    return true;
  }

  bool Sequence() {
    while (More() && Peek() != L'|' && Peek() != L'}' && Peek() != L')') {
      const size_t begin = Here();
      if (!Atom()) return false;
      if (!Quantifier(begin)) return false;
    }
    return true;
  }

  // Moves the instructions of a fragment by offset: its jumps are absolute.
  static void Relocate(std::vector<Instruction>* fragment, size_t offset) {
    for (Instruction& instruction : *fragment) {
      if (instruction.op == Op::kSplit || instruction.op == Op::kJump) instruction.x += offset;
      if (instruction.op == Op::kSplit) instruction.y += offset;
    }
  }

  bool Quantifier(size_t begin) {
    if (!More()) return true;
    const wchar_t q = Peek();
    if (q != L'*' && q != L'+' && q != L'?') return true;
    ++at_;
    bool greedy = true;
    if (More() && Peek() == L'?') {
      greedy = false;
      ++at_;
    }
    std::vector<Instruction> body(program_.code.begin() + begin, program_.code.end());
    program_.code.resize(begin);
    auto split = [greedy](size_t take, size_t skip) {
      return greedy ? Instruction{Op::kSplit, 0, 0, take, skip} : Instruction{Op::kSplit, 0, 0, skip, take};
    };
    if (q == L'+') {  // body; split(begin, after)
      program_.code.insert(program_.code.end(), body.begin(), body.end());
      Emit(split(begin, begin + body.size() + 1));
    } else if (q == L'*') {  // split(body, after); body; jump begin
      Emit(split(begin + 1, begin + body.size() + 2));
      Relocate(&body, 1);
      program_.code.insert(program_.code.end(), body.begin(), body.end());
      Emit({Op::kJump, 0, 0, begin});
    } else {  // split(body, after); body
      Emit(split(begin + 1, begin + body.size() + 1));
      Relocate(&body, 1);
      program_.code.insert(program_.code.end(), body.begin(), body.end());
    }
    return true;
  }

  void EmitSet(CharSet set) {
    program_.sets.push_back(std::move(set));
    Emit({Op::kSet, 0, program_.sets.size() - 1});
  }
  void EmitRanges(std::initializer_list<std::pair<wchar_t, wchar_t>> ranges) {
    CharSet set;
    set.ranges.assign(ranges);
    EmitSet(std::move(set));
  }

  bool Atom() {
    const wchar_t c = pattern_[at_++];
    switch (c) {
      case L'{': {
        if (++groups_ > kMaxGroups) return false;
        const size_t slot = 2 * groups_;
        Emit({Op::kSave, 0, 0, slot});
        if (!Alternation() || !More() || Peek() != L'}') return false;
        ++at_;
        Emit({Op::kSave, 0, 0, slot + 1});
        return true;
      }
      case L'(':  // groups in parentheses do not capture
        if (!Alternation() || !More() || Peek() != L')') return false;
        ++at_;
        return true;
      case L'[': return Class();
      case L'.': Emit({Op::kAny}); return true;
      case L'^': Emit({Op::kBegin}); return true;
      case L'$': Emit({Op::kEnd}); return true;
      case L'\\': return Escape();
      default: Emit({Op::kChar, c}); return true;
    }
  }

  bool Escape() {
    if (!More()) return false;
    const wchar_t e = pattern_[at_++];
    switch (e) {
      case L'b': EmitRanges({{L' ', L' '}, {L'\t', L'\t'}}); return true;
      case L'd': EmitRanges({{L'0', L'9'}}); return true;
      case L'a': EmitRanges({{L'A', L'Z'}, {L'a', L'z'}, {L'0', L'9'}}); return true;
      case L'c': EmitRanges({{L'A', L'Z'}, {L'a', L'z'}}); return true;
      case L'h': EmitRanges({{L'0', L'9'}, {L'A', L'F'}, {L'a', L'f'}}); return true;
      case L'n': {  // CR LF, CR or LF
        const size_t begin = Here();
        Emit({Op::kSplit, 0, 0, begin + 1, begin + 5});
        Emit({Op::kChar, L'\r'});
        Emit({Op::kSplit, 0, 0, begin + 3, begin + 4});
        Emit({Op::kChar, L'\n'});
        Emit({Op::kJump, 0, 0, begin + 6});
        Emit({Op::kChar, L'\n'});
        return true;
      }
      default: Emit({Op::kChar, e}); return true;
    }
  }

  bool Class() {
    CharSet set;
    if (More() && Peek() == L'^') {
      set.negated = true;
      ++at_;
    }
    bool first = true;
    while (More() && (Peek() != L']' || first)) {
      first = false;
      wchar_t low = pattern_[at_++];
      if (low == L'\\') {
        if (!More()) return false;
        low = pattern_[at_++];
      }
      wchar_t high = low;
      if (at_ + 1 < pattern_.size() && Peek() == L'-' && pattern_[at_ + 1] != L']') {
        ++at_;
        high = pattern_[at_++];
        if (high == L'\\') {
          if (!More()) return false;
          high = pattern_[at_++];
        }
        if (high < low) return false;
      }
      set.ranges.emplace_back(low, high);
    }
    if (!More()) return false;  // no closing bracket
    ++at_;
    EmitSet(std::move(set));
    return true;
  }

  const std::wstring& pattern_;
  Program& program_;
  size_t at_ = 0;
  size_t groups_ = 0;
};

struct Thread {
  size_t pc;
  Slots slots;
};

// Adds the thread at pc and everything it reaches without reading a character, in priority
// order, each instruction once per position; an explicit stack, never recursion.
void AddThread(const Program& program, std::vector<Thread>* list, std::vector<size_t>* addedAt, size_t pc,
               const Slots& slots, size_t position, size_t length) {
  std::vector<Thread> pending{{pc, slots}};
  while (!pending.empty()) {
    Thread thread = pending.back();
    pending.pop_back();
    if ((*addedAt)[thread.pc] == position) continue;
    (*addedAt)[thread.pc] = position;
    const Instruction& instruction = program.code[thread.pc];
    switch (instruction.op) {
      case Op::kJump: pending.push_back({instruction.x, thread.slots}); break;
      case Op::kSplit:  // the preferred branch is explored first
        pending.push_back({instruction.y, thread.slots});
        pending.push_back({instruction.x, thread.slots});
        break;
      case Op::kSave:
        thread.slots[instruction.x] = position;
        pending.push_back({thread.pc + 1, thread.slots});
        break;
      case Op::kBegin:
        if (position == 0) pending.push_back({thread.pc + 1, thread.slots});
        break;
      case Op::kEnd:
        if (position == length) pending.push_back({thread.pc + 1, thread.slots});
        break;
      default: list->push_back(thread); break;
    }
  }
}

bool Accepts(const Program& program, const Instruction& instruction, wchar_t c) {
  switch (instruction.op) {
    case Op::kChar: return Lower(instruction.c) == Lower(c);
    case Op::kSet: return program.sets[instruction.set].Contains(c);
    case Op::kAny: return true;
    default: return false;
  }
}

// The leftmost match at or after from, choosing among alternatives as a backtracking engine
// would (greedy and lazy repeats included); false when there is none.
bool Search(const Program& program, const std::wstring& text, size_t from, Slots* match) {
  Slots start;
  start.fill(std::wstring::npos);
  std::vector<size_t> addedAt(program.code.size(), std::wstring::npos);
  std::vector<Thread> current;
  std::vector<Thread> next;
  bool matched = false;
  for (size_t position = from;; ++position) {
    // Until a match is found a new attempt starts at every position, behind the older ones.
    if (!matched) {
      start[0] = position;
      AddThread(program, &current, &addedAt, 0, start, position, text.size());
    }
    if (current.empty()) break;
    next.clear();
    for (const Thread& thread : current) {
      const Instruction& instruction = program.code[thread.pc];
      if (instruction.op == Op::kMatch) {
        *match = thread.slots;
        (*match)[1] = position;
        matched = true;
        break;  // the threads behind this one have lower priority: they cannot win any more
      }
      if (position < text.size() && Accepts(program, instruction, text[position])) {
        AddThread(program, &next, &addedAt, thread.pc + 1, thread.slots, position + 1, text.size());
      }
    }
    if (position >= text.size()) break;
    current.swap(next);
  }
  return matched;
}

}  // namespace

bool CollectMatches(const std::wstring& pattern, const std::wstring& text, std::vector<std::wstring>* results) {
  results->clear();
  if (pattern.empty() || text.empty()) return false;
  try {
    Program program;
    if (!Compiler(pattern, &program).Compile()) return false;
    Slots match;
    for (size_t from = 0; from <= text.size() && Search(program, text, from, &match);) {
      if (match[2] != std::wstring::npos && match[3] != std::wstring::npos && match[3] >= match[2]) {
        const std::wstring value = text.substr(match[2], match[3] - match[2]);
        bool seen = false;
        for (const std::wstring& earlier : *results) seen = seen || EqualIgnoringCase(earlier, value);
        if (!seen) results->push_back(value);
      }
      from = match[1] > match[0] ? match[1] : match[0] + 1;
    }
  } catch (const std::bad_alloc&) {
    results->clear();
    return false;
  }
  return true;
}

std::wstring JoinCookies(const std::vector<std::wstring>& values) {
  // Each value is trimmed of blanks, and of its own closing ';', before the joining: as they
  // came, a value ending in ";" or in spaces would send an empty pair (";;") or a blank pair end.
  std::wstring joined;
  for (const std::wstring& value : values) {
    const size_t first = value.find_first_not_of(L" \t");
    const size_t last = value.find_last_not_of(L" \t;");
    if (first == std::wstring::npos || last == std::wstring::npos || last < first) continue;
    if (!joined.empty()) joined += L"; ";
    joined.append(value, first, last - first + 1);
  }
  if (!joined.empty()) joined += L';';
  return joined;
}

}  // namespace WinHttpPatterns
