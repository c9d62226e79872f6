#pragma once

#include <windows.h>

#include <string>

namespace Utils {

// Code-page conversions over the whole zero-terminated text (CP_ACP = 0, CP_UTF8 = 65001).
// Text the system cannot convert, or a failed allocation, gives the empty string.
std::wstring MultiByteToWide(const std::string& text, UINT codePage);
std::string WideToMultiByte(const std::wstring& text, UINT codePage);

}  // namespace Utils
