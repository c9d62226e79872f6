#include "utils/guid_string.h"

#include <windows.h>

#include <objbase.h>

#include <cwchar>

namespace Utils {

std::wstring NewGuidString() {
  GUID guid = {};
  if (FAILED(::CoCreateGuid(&guid))) guid = GUID{};
  wchar_t text[40] = {};
  std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%08lX%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

}  // namespace Utils
