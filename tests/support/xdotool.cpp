#include "tests/support/xdotool.h"

#include <windows.h>

#include <thread>

#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace TestSupport {

bool RunXdotool(const std::wstring& arguments, unsigned timeoutMs) {
  TempFolder state;
  const std::wstring done = state.File(L"exit");
  std::wstring line = L"Z:\\bin\\sh -c \"xdotool \\\"$@\\\"; echo $? >\\\"$0\\\"\" \"" +
                      Utils::MultiByteToWide(UnixPathFromWindows(done), CP_UTF8) + L"\" " + arguments;
  // A fresh thread: Wine closes a stale thread handle from the caller's stack after starting a
  // host program (see host_script.cpp).
  BOOL started = FALSE;
  std::thread([&] {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    started = ::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    if (!started) return;
    Utils::UniqueHandle process(info.hProcess);
    Utils::UniqueHandle thread(info.hThread);
  }).join();
  if (!started) return false;
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < timeoutMs) {
    // The shell creates the file before it writes the code: wait for the whole line.
    const std::string code = ReadFileBytes(done);
    if (!code.empty() && code.back() == '\n') return code == "0\n";
    ::Sleep(10);
  }
  return false;
}

}  // namespace TestSupport
