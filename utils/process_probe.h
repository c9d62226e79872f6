#pragma once

#include <windows.h>

namespace Utils {

// The id of the first running process whose executable file name (no folder) equals name,
// compared case-sensitively; 0 when there is none or the process list cannot be read.
DWORD FindProcessByName(const wchar_t* name);

// Ends every running process whose parent is this process with exitCode; returns how many were
// ended. Children started later are not affected.
int TerminateChildProcesses(UINT exitCode);

}  // namespace Utils
