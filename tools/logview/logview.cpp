// logview [--timeout=SECONDS] PROGRAM [ARGUMENTS...]
// Starts PROGRAM, prints every line it writes to the debug output as it arrives, then its
// exit code; ends with that exit code itself.
#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <string>

#include "tools/logview/debug_capture.h"

namespace {

void WriteUtf8(HANDLE out, const std::wstring& text) {
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (length <= 0) return;
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain() {
  HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  std::wstring rest = CommandLineAfterProgram(::GetCommandLineW());
  DWORD timeoutMs = INFINITE;
  const std::wstring timeoutOption = L"--timeout=";
  if (rest.compare(0, timeoutOption.size(), timeoutOption) == 0) {
    const unsigned long seconds = std::wcstoul(rest.c_str() + timeoutOption.size(), nullptr, 10);
    timeoutMs = seconds > 0 && seconds < 4000000 ? static_cast<DWORD>(seconds * 1000) : INFINITE;
    rest = CommandLineAfterProgram(rest.c_str());
  }
  if (rest.empty()) {
    WriteUtf8(::GetStdHandle(STD_ERROR_HANDLE), L"usage: logview [--timeout=SECONDS] PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  const DebugCaptureResult result = RunWithDebugCapture(
      rest,
      [out](const std::wstring& line) {
        std::wstring text = line;
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
        WriteUtf8(out, text + L"\n");
      },
      timeoutMs);
  if (!result.started) {
    WriteUtf8(::GetStdHandle(STD_ERROR_HANDLE), L"logview: cannot start: " + rest + L"\n");
    return 2;
  }
  wchar_t summary[96];
  std::swprintf(summary, 96, L"[logview] exit code 0x%08lX (%ld)%ls\n", static_cast<unsigned long>(result.exitCode),
                static_cast<long>(result.exitCode), result.timedOut ? L", ended after the time limit" : L"");
  WriteUtf8(out, summary);
  return static_cast<int>(result.exitCode);
}
