#pragma once

#include <windows.h>

#include <string>

// The short name of the running Windows version ("XP", "7", "10", "11.0.22000"...), from the
// real version numbers so that compatibility settings of the process do not change it.
std::wstring GetWindowsVersionName();

// The naming table on its own, for given version numbers.
std::wstring WindowsVersionName(DWORD major, DWORD minor, DWORD build, bool serverR2);
