#include "skinui/attribute_values.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>

namespace SkinUI {

void ReadNumberList(const wchar_t* text, long* values, int count) {
  for (int i = 0; i < count; ++i) values[i] = 0;
  if (!text) return;
  const wchar_t* p = text;
  for (int i = 0; i < count; ++i) {
    if (*p == L'\0') break;
    wchar_t* end = nullptr;
    values[i] = std::wcstol(p, &end, 10);
    p = end;
    if (*p != L'\0') ++p;
  }
}

uint32_t ReadHexValue(const wchar_t* text) {
  if (!text) return 0;
  while (*text && std::iswspace(*text)) ++text;
  if (*text == L'#') ++text;
  return static_cast<uint32_t>(std::wcstoul(text, nullptr, 16));
}

bool IsTrueText(const wchar_t* text) { return text && std::wcscmp(text, L"true") == 0; }

bool EqualsNoCase(const wchar_t* a, const wchar_t* b) {
  if (!a || !b) return false;
  return ::CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace SkinUI
