// Steering for scripted_child.exe: the script travels in a file named by an environment variable,
// so the child can be started with any command line (such as the package runner's).
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/paths.h"
#include "tests/support/sandbox.h"

namespace TestSupport {

class ChildScript {
 public:
  // Writes script into folder and points the children started from now on at it.
  ChildScript(const std::wstring& folder, const std::string& script) {
    const std::wstring path = folder + L"\\child-script.txt";
    WriteFileBytes(path, script);
    ::SetEnvironmentVariableW(L"DRAVIX_CHILD_SCRIPT", path.c_str());
  }
  ~ChildScript() { ::SetEnvironmentVariableW(L"DRAVIX_CHILD_SCRIPT", nullptr); }
  ChildScript(const ChildScript&) = delete;
  ChildScript& operator=(const ChildScript&) = delete;

  static std::wstring ChildPath() { return BuildTreePath("tests/utils/scripted_child.exe"); }
};

// A Windows path as UTF-8, for script lines.
inline std::string ScriptPath(const std::wstring& path) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(length > 0 ? length : 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, &bytes[0], length, nullptr, nullptr);
  bytes.pop_back();
  return bytes;
}

}  // namespace TestSupport
