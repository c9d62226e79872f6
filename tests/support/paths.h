// Paths between the two worlds a test lives in: Windows paths for the program under test,
// Unix paths for the host tools (nginx, Python) that run beside Wine.
#pragma once

#include <string>

namespace TestSupport {

// "/work/x/y" -> "Z:\work\x\y" (Wine maps the Unix root to drive Z:).
std::wstring WindowsPathFromUnix(const std::string& unixPath);
// Any Windows path Wine can resolve -> its Unix path; empty when it cannot.
std::string UnixPathFromWindows(const std::wstring& windowsPath);

// A file of the build tree, such as "app/DravixInstaller.exe", as a Windows path.
std::wstring BuildTreePath(const std::string& relative);
std::wstring SourceTreePath(const std::string& relative);

}  // namespace TestSupport
