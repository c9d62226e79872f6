#include "tests/support/host_script.h"

#include <windows.h>

#include <thread>

#include "tests/support/paths.h"
#include "tests/support/wait.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace TestSupport {

std::string QuotedArgument(const std::string& text) { return "\"" + text + "\""; }

bool StartHostProgram(std::wstring commandLine) {
  // Wine starts a host program and then resumes and closes a thread handle it never set: a stale
  // value from the stack, which on a used thread can be a live handle of ours (it once closed the
  // thread's socket event, and every later socket of that thread failed with 10038). A fresh
  // thread's stack holds no such values.
  BOOL started = FALSE;
  std::thread([&] {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    started = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    if (!started) return;
    Utils::UniqueHandle process(info.hProcess);
    Utils::UniqueHandle thread(info.hThread);
  }).join();
  return started != FALSE;
}

bool RunHostScript(const std::string& script, const std::string& arguments, const TempFolder& state,
                   const std::wstring& doneFile, unsigned timeoutMs, std::string* error) {
  const std::string path = std::string(DRAVIX_SOURCE_DIR_UNIX) + "/tools/testenv/" + script;
  std::wstring line = Utils::MultiByteToWide("Z:\\usr\\bin\\python3 " + QuotedArgument(path) + " " + arguments +
                                                 " --state " + QuotedArgument(UnixPathFromWindows(state.Path())),
                                             CP_UTF8);
  if (!StartHostProgram(line)) {
    *error = "cannot start " + script;
    return false;
  }
  const std::wstring failed = state.File(L"failed");
  if (!WaitUntil([&] { return FileExists(doneFile) || FileExists(failed); }, timeoutMs, 20)) {
    *error = script + " did not answer in time";
    return false;
  }
  if (FileExists(doneFile)) return true;
  *error = ReadFileBytes(failed);
  return false;
}

}  // namespace TestSupport
