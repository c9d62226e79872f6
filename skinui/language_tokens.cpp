#include "skinui/language_tokens.h"

#include "skinui/language_strings.h"

namespace SkinUI {
namespace {

// More digits than this cannot be an id of the table (ids are int).
constexpr size_t kMaxIdDigits = 9;

bool IsDigit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }

}  // namespace

std::wstring ReplaceLanguageTokens(const std::wstring& text) {
  if (text.find(L"%{") == std::wstring::npos) return text;
  std::wstring result;
  result.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'{') {
      size_t end = i + 2;
      while (end < text.size() && IsDigit(text[end])) ++end;
      const size_t digits = end - (i + 2);
      if (digits > 0 && digits <= kMaxIdDigits && end < text.size() && text[end] == L'}') {
        const int id = std::stoi(text.substr(i + 2, digits));
        if (const std::wstring* replacement = FindLanguageString(id)) {
          result += *replacement;
          i = end + 1;
          continue;
        }
      }
    }
    result += text[i];
    ++i;
  }
  return result;
}

}  // namespace SkinUI
