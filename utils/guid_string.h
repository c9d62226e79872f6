#pragma once

#include <string>

namespace Utils {

// A new GUID as 32 hexadecimal digits without separators; the third group is in lower case,
// every other digit in upper case. A failed creation gives all zeros.
std::wstring NewGuidString();

}  // namespace Utils
