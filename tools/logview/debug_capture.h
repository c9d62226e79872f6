// Starts a program as a debuggee and collects what it writes with OutputDebugString, and its
// whole 32-bit exit code.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct DebugCaptureResult {
  bool started = false;   // the program could be started
  bool timedOut = false;  // it was ended because it ran past the time limit
  DWORD exitCode = 0;
  std::vector<std::wstring> lines;  // each debug string as received, line break included
};

// commandLine: the program and its arguments, quoted as CreateProcessW expects.
// onLine, when set, sees each line as it arrives. timeoutMs: INFINITE for no limit.
DebugCaptureResult RunWithDebugCapture(const std::wstring& commandLine,
                                       const std::function<void(const std::wstring&)>& onLine = nullptr,
                                       DWORD timeoutMs = INFINITE, const std::wstring& workingDirectory = L"");

// The rest of a command line after its first argument (the program), as written.
std::wstring CommandLineAfterProgram(const wchar_t* commandLine);
