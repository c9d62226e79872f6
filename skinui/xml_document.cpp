#include "skinui/xml_document.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <limits>

#include "skinui/skin_files.h"

namespace SkinUI {
namespace {

constexpr size_t kMaxMessageLength = 99;
constexpr size_t kMaxLocationLength = 49;
// Offsets are 32-bit; the file limit keeps real documents far below this.
constexpr size_t kMaxTextLength = 0x7FFFFFF0;

bool IsNameChar(wchar_t c) { return c != L'\0' && (std::iswalnum(c) || c == L'_' || c == L':'); }

struct Entity {
  const wchar_t* text;
  size_t length;
  wchar_t character;
};
const Entity kEntities[] = {
    {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

bool Decode(const unsigned char* bytes, size_t size, UINT codePage, std::wstring& text) {
  text.clear();
  if (size == 0) return true;
  if (size > static_cast<size_t>(std::numeric_limits<int>::max())) return false;
  const char* source = reinterpret_cast<const char*>(bytes);
  const int length = ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), nullptr, 0);
  if (length <= 0) return false;
  text.resize(static_cast<size_t>(length));
  return ::MultiByteToWideChar(codePage, 0, source, static_cast<int>(size), &text[0], length) == length;
}

}  // namespace

void CXmlDocument::Release() {
  text_.clear();
  text_.shrink_to_fit();
  length_ = 0;
  elements_.clear();
  elements_.shrink_to_fit();
}

CXmlNode CXmlDocument::Root() const { return elements_.size() > 1 ? CXmlNode(this, 1) : CXmlNode(); }

bool CXmlDocument::Load(const wchar_t* text) {
  Release();
  return TakeText(text ? std::wstring(text) : std::wstring());
}

bool CXmlDocument::LoadFromMemory(const unsigned char* bytes, size_t size, int encoding) {
  Release();
  if (!bytes) size = 0;
  std::wstring text;
  bool decoded = false;
  if (encoding == kUtf8) {
    if (size > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
      bytes += 3;
      size -= 3;
    }
    decoded = Decode(bytes, size, CP_UTF8, text);
  } else if (encoding == kUtf16) {
    // The byte-order mark is required: FF FE little-endian, FE FF big-endian.
    if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
      const bool bigEndian = bytes[0] == 0xFE;
      const size_t count = (size - 2) / 2;
      text.resize(count);
      for (size_t i = 0; i < count; ++i) {
        const unsigned char first = bytes[2 + 2 * i], second = bytes[3 + 2 * i];
        text[i] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
      }
      decoded = true;
    }
  } else if (encoding == kAnsi) {
    decoded = Decode(bytes, size, CP_ACP, text);
  }
  if (!decoded) return FailLoad(L"Could not decode text");
  return TakeText(std::move(text));
}

bool CXmlDocument::LoadFromFile(const wchar_t* name, int encoding) {
  Release();
  std::vector<unsigned char> bytes;
  switch (ReadSkinFile(name ? name : L"", kMaxFileSize, bytes)) {
    case SkinFileStatus::kOk: break;
    case SkinFileStatus::kCannotOpenFile: return FailLoad(L"Error opening file");
    case SkinFileStatus::kEmpty: return FailLoad(L"File is empty");
    case SkinFileStatus::kTooLarge: return FailLoad(L"File too large");
    case SkinFileStatus::kCannotReadFile: return FailLoad(L"Could not read file");
    case SkinFileStatus::kNoArchive: return FailLoad(L"Error opening zip file");
    case SkinFileStatus::kNotInArchive: return FailLoad(L"Could not find ziped file");
    case SkinFileStatus::kCannotExtract: return FailLoad(L"Could not unzip file");
  }
  return LoadFromMemory(bytes.data(), bytes.size(), encoding);
}

bool CXmlDocument::FailLoad(const wchar_t* message) {
  errorMessage_.assign(message, std::min(std::wcslen(message), kMaxMessageLength));
  errorLocation_.clear();
  return false;
}

bool CXmlDocument::TakeText(std::wstring text) {
  // The text ends at its first zero, as a zero-terminated document does.
  const size_t zero = text.find(L'\0');
  if (zero != std::wstring::npos) text.resize(zero);
  if (text.size() > kMaxTextLength) return FailLoad(L"File too large");
  length_ = text.size();
  text_.assign(text.begin(), text.end());
  text_.push_back(L'\0');
  return Parse();
}

bool CXmlDocument::Fail(const wchar_t* message, size_t position) {
  errorMessage_.assign(message, std::min(std::wcslen(message), kMaxMessageLength));
  errorLocation_.clear();
  for (size_t i = position; i < length_ && text_[i] != L'\0' && errorLocation_.size() < kMaxLocationLength; ++i)
    errorLocation_ += text_[i];
  Release();
  return false;
}

void CXmlDocument::SkipWhitespace(size_t& position) const {
  while (position < length_ && text_[position] >= 1 && text_[position] <= 32) ++position;
}

bool CXmlDocument::ReadContent(size_t& position, wchar_t stop, bool terminateAtStop) {
  size_t out = position;
  while (position < length_ && text_[position] != stop) {
    if (text_[position] == L'&') {
      const Entity* match = nullptr;
      for (const Entity& entity : kEntities) {
        if (length_ - position >= entity.length && std::wcsncmp(&text_[position], entity.text, entity.length) == 0) {
          match = &entity;
          break;
        }
      }
      if (match) {
        text_[out++] = match->character;
        position += match->length;
        continue;
      }
    }
    text_[out++] = text_[position++];
  }
  // Characters freed by decoding become spaces; the content ends with a terminator.
  for (size_t i = out; i < position; ++i) text_[i] = L' ';
  if (out < position || terminateAtStop) text_[out] = L'\0';
  return position < length_;
}

bool CXmlDocument::CloseElement(size_t& position, uint32_t nameStart, uint32_t nameLength) {
  text_[position] = L'\0';
  position += 2;
  SkipWhitespace(position);
  if (length_ - std::min(position, length_) < nameLength ||
      std::wmemcmp(&text_[position], &text_[nameStart], nameLength) != 0)
    return Fail(L"Unmatched closing tag", position);
  position += nameLength;
  SkipWhitespace(position);
  if (At(position) != L'>') return Fail(L"Unmatched closing tag", position);
  ++position;
  SkipWhitespace(position);
  return true;
}

void CXmlDocument::AppendElement(const Element& element) {
  if (elements_.size() == elements_.capacity())
    elements_.reserve(elements_.capacity() + elements_.capacity() / 2 + 500);
  elements_.push_back(element);
}

// The levels of the document are walked with an explicit stack of open elements, so that
// deeply nested input cannot exhaust the thread's stack.
bool CXmlDocument::Parse() {
  elements_.clear();
  AppendElement(Element{0, 0, 0, 0, 0});
  errorMessage_.clear();
  errorLocation_.clear();

  struct OpenElement {
    uint32_t element;
    uint32_t nameStart;
    uint32_t nameLength;
    uint32_t lastChild;
  };
  std::vector<OpenElement> open;
  uint32_t lastTopLevel = 0;

  size_t pos = 0;
  SkipWhitespace(pos);
  for (;;) {
    const uint32_t parent = open.empty() ? 0 : open.back().element;
    // A document may end inside the root element, or inside one of its direct children.
    if (AtEnd(pos) && parent <= 1) return true;
    SkipWhitespace(pos);
    if (At(pos) != L'<') return Fail(L"Expected start tag", pos);
    if (At(pos + 1) == L'/') {
      if (open.empty()) return true;
      if (!CloseElement(pos, open.back().nameStart, open.back().nameLength)) return false;
      open.pop_back();
      continue;
    }
    text_[pos++] = L'\0';
    SkipWhitespace(pos);

    // Comments run to the first "->", declarations to the first "?>".
    if (At(pos) == L'!' || At(pos) == L'?') {
      const wchar_t first = At(pos) == L'!' ? L'-' : L'?';
      size_t end = pos;
      while (end + 1 < length_ && !(text_[end] == first && text_[end + 1] == L'>')) ++end;
      pos = end + 1 < length_ ? end + 2 : length_;
      SkipWhitespace(pos);
      continue;
    }

    const uint32_t index = static_cast<uint32_t>(elements_.size());
    AppendElement(Element{static_cast<uint32_t>(pos), 0, 0, parent, 0});
    uint32_t& previous = open.empty() ? lastTopLevel : open.back().lastChild;
    if (previous)
      elements_[previous].next = index;
    else
      elements_[parent].child = index;
    previous = index;

    const size_t nameStart = pos;
    while (IsNameChar(At(pos))) ++pos;
    if (AtEnd(pos)) return Fail(L"Error parsing element name", pos);
    const size_t nameEnd = pos;

    // Attributes: the character after the name separates it from them.
    if (At(pos) != L'>' && At(pos) != L'/') {
      text_[pos++] = L'\0';
      SkipWhitespace(pos);
      while (!AtEnd(pos) && At(pos) != L'>' && At(pos) != L'/') {
        while (IsNameChar(At(pos))) ++pos;
        const size_t attributeNameEnd = pos;
        SkipWhitespace(pos);
        if (At(pos) != L'=') return Fail(L"Error while parsing attributes", pos);
        text_[pos] = L' ';
        text_[attributeNameEnd] = L'\0';
        ++pos;
        SkipWhitespace(pos);
        if (At(pos) != L'"') return Fail(L"Expected attribute value", pos);
        ++pos;
        if (!ReadContent(pos, L'"', true)) return Fail(L"Error while parsing attribute string", pos);
        if (text_[pos] == L'"') text_[pos] = L' ';
        ++pos;
        SkipWhitespace(pos);
      }
    }
    SkipWhitespace(pos);

    if (At(pos) == L'/' && At(pos + 1) == L'>') {
      elements_[index].data = static_cast<uint32_t>(pos);
      text_[pos] = L'\0';
      pos += 2;
      text_[nameEnd] = L'\0';
      SkipWhitespace(pos);
      continue;
    }
    if (At(pos) != L'>') return Fail(L"Expected start-tag closing", pos);
    ++pos;
    elements_[index].data = static_cast<uint32_t>(pos);
    text_[nameEnd] = L'\0';
    if (!ReadContent(pos, L'<', false)) {
      if (parent <= 1) return true;
      return Fail(L"Expected end-tag start", pos);
    }
    const uint32_t nameLength = static_cast<uint32_t>(nameEnd - nameStart);
    if (At(pos + 1) != L'/') {
      open.push_back(OpenElement{index, static_cast<uint32_t>(nameStart), nameLength, 0});
      continue;
    }
    if (!CloseElement(pos, static_cast<uint32_t>(nameStart), nameLength)) return false;
  }
}

}  // namespace SkinUI
