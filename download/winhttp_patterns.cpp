#include "download/winhttp_patterns.h"

#include <windows.h>

#include <new>
#include <regex>

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

}  // namespace

bool Translate(const std::wstring& pattern, std::wstring* translated) {
  std::wstring out;
  int openGroups = 0;
  bool inClass = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t c = pattern[i];
    if (c == L'\\') {
      if (++i == pattern.size()) return false;
      const wchar_t escaped = pattern[i];
      if (inClass) {
        out += L'\\';
        out += escaped;
      } else if (escaped == L'b') {
        out += L"[ \\t]";
      } else if (escaped == L'n') {
        out += L"(?:\\r\\n|\\r|\\n)";
      } else if (escaped == L'd') {
        out += L"[0-9]";
      } else if (escaped == L'a') {
        out += L"[A-Za-z0-9]";
      } else if (escaped == L'c') {
        out += L"[A-Za-z]";
      } else if (escaped == L'h') {
        out += L"[0-9A-Fa-f]";
      } else {
        out += L'\\';
        out += escaped;
      }
      continue;
    }
    if (inClass) {
      if (c == L']') inClass = false;
      out += c;
    } else if (c == L'[') {
      inClass = true;
      out += c;
    } else if (c == L'{') {
      ++openGroups;
      out += L'(';
    } else if (c == L'}') {
      if (--openGroups < 0) return false;
      out += L')';
    } else if (c == L'(') {
      out += L"(?:";  // only braces capture
    } else if (c == L'.') {
      out += L"[\\s\\S]";  // any character, line ends included
    } else {
      out += c;
    }
  }
  if (openGroups != 0 || inClass) return false;
  *translated = std::move(out);
  return true;
}

bool CollectMatches(const std::wstring& pattern, const std::wstring& text, std::vector<std::wstring>* results) {
  results->clear();
  if (pattern.empty() || text.empty()) return false;
  try {
    std::wstring translated;
    if (!Translate(pattern, &translated)) return false;
    const std::wregex expression(translated, std::regex_constants::ECMAScript | std::regex_constants::icase);
    for (std::wsregex_iterator match(text.begin(), text.end(), expression), end; match != end; ++match) {
      if (match->size() < 2 || !(*match)[1].matched) continue;
      const std::wstring value = (*match)[1].str();
      bool seen = false;
      for (const std::wstring& earlier : *results) seen = seen || EqualIgnoringCase(earlier, value);
      if (!seen) results->push_back(value);
    }
  } catch (const std::regex_error&) {
    results->clear();
    return false;
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
