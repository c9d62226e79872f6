// The command line of headless_install: the installer's own options (read by InstallerSettings)
// and the tool's options for what the window would otherwise ask the user.
#pragma once

#include <string>
#include <vector>

namespace Headless {

struct Options {
  std::wstring installDir;          // -instdir, required, made absolute
  std::wstring uninstaller;         // -uninstaller, the old version's uninstaller; empty means none
  std::wstring installLanguage;     // -inslang
  bool desktopShortcut = true;      // -dsc
  bool quickLaunchShortcut = true;  // -ssc
};

// Reads arguments (argument 0 is the program). Every argument must be -key=value (or -key) with a
// key of the installer or of this tool; the first occurrence of a key wins, as in the
// installer. Returns the empty text on success, otherwise what is wrong.
std::wstring ParseOptions(const std::vector<std::wstring>& arguments, Options* options);

// The usage text printed with a usage error.
const wchar_t* UsageText();

}  // namespace Headless
