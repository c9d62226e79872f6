#pragma once

#include <windows.h>

namespace Utils {

// The id of the first running process whose executable file name (no folder) equals name,
// compared case-sensitively; 0 when there is none or the process list cannot be read.
DWORD FindProcessByName(const wchar_t* name);

}  // namespace Utils
