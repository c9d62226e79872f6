#include "tests/support/xdotool.h"

#include <windows.h>

#include "tests/support/host_script.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait.h"
#include "utils/text_conversion.h"

namespace TestSupport {

bool RunXdotool(const std::wstring& arguments, unsigned timeoutMs) {
  TempFolder state;
  const std::wstring done = state.File(L"exit");
  std::wstring line = L"Z:\\bin\\sh -c \"xdotool \\\"$@\\\"; echo $? >\\\"$0\\\"\" \"" +
                      Utils::MultiByteToWide(UnixPathFromWindows(done), CP_UTF8) + L"\" " + arguments;
  if (!StartHostProgram(line)) return false;
  // The shell creates the file before it writes the code: wait for the whole line.
  std::string code;
  WaitUntil(
      [&] {
        code = ReadFileBytes(done);
        return !code.empty() && code.back() == '\n';
      },
      timeoutMs, 10);
  return code == "0\n";
}

}  // namespace TestSupport
