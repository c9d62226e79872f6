#include "tools/logview/debug_capture.h"

#include <memory>

#include "utils/unique_resource.h"

namespace {

constexpr DWORD kThreadNameException = 0x406D1388;
constexpr DWORD kWow64Breakpoint = 0x4000001F;

std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const size_t units = info.nDebugStringLength;
  if (units == 0) return std::wstring();
  if (info.fUnicode) {
    std::wstring text(units, L'\0');
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process, info.lpDebugStringData, &text[0], units * sizeof(wchar_t), &read)) return L"";
    text.resize(read / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
  // The system hands a debugger the ANSI form even of wide strings.
  std::string narrow(units, '\0');
  SIZE_T read = 0;
  if (!::ReadProcessMemory(process, info.lpDebugStringData, &narrow[0], units, &read)) return L"";
  narrow.resize(read);
  while (!narrow.empty() && narrow.back() == '\0') narrow.pop_back();
  if (narrow.empty()) return std::wstring();
  const int length = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), &text[0], length);
  return text;
}

}  // namespace

std::wstring CommandLineAfterProgram(const wchar_t* commandLine) {
  const wchar_t* p = commandLine;
  // The program name follows its own rule: quoted up to the next quote, else up to white space.
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

DebugCaptureResult RunWithDebugCapture(const std::wstring& commandLine,
                                       const std::function<void(const std::wstring&)>& onLine, DWORD timeoutMs,
                                       const std::wstring& workingDirectory) {
  DebugCaptureResult result;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::wstring mutableLine = commandLine;
  if (!::CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info)) {
    return result;
  }
  result.started = true;
  Utils::UniqueHandle process(info.hProcess);
  Utils::UniqueHandle thread(info.hThread);

  const DWORD start = ::GetTickCount();
  bool exited = false;
  while (!exited) {
    DEBUG_EVENT event{};
    if (!::WaitForDebugEvent(&event, 100)) {
      if (timeoutMs != INFINITE && !result.timedOut && ::GetTickCount() - start > timeoutMs) {
        result.timedOut = true;
        ::TerminateProcess(process.get(), 0xDEADBEEF);
      }
      continue;
    }
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT: Utils::UniqueFileHandle(event.u.CreateProcessInfo.hFile).reset(); break;
      case LOAD_DLL_DEBUG_EVENT: Utils::UniqueFileHandle(event.u.LoadDll.hFile).reset(); break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        std::wstring line = ReadDebugString(process.get(), event.u.DebugString);
        if (onLine) onLine(line);
        result.lines.push_back(std::move(line));
        break;
      }
      case EXCEPTION_DEBUG_EVENT: {
        const DWORD code = event.u.Exception.ExceptionRecord.ExceptionCode;
        // Breakpoints belong to the debugger (the system raises one at start); thread names
        // are read and dismissed; everything else goes back to the program's own handlers.
        if (code != EXCEPTION_BREAKPOINT && code != kWow64Breakpoint && code != kThreadNameException) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      }
      case EXIT_PROCESS_DEBUG_EVENT:
        result.exitCode = event.u.ExitProcess.dwExitCode;
        exited = true;
        break;
      default: break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
  }
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (::GetExitCodeProcess(process.get(), &code)) result.exitCode = code;
  return result;
}
