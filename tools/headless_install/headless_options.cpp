#include "tools/headless_install/headless_options.h"

#include <windows.h>

#include <map>

namespace Headless {

namespace {

// Options that InstallerSettings reads from the same command line.
const wchar_t* const kInstallerKeys[] = {
    L"-downloadurl",  L"-downloadtype", L"-downloadscale", L"-ischecknet", L"-isenableappsensors", L"-dlappnamesuffix",
    L"-dlappversion", L"-instcmd",      L"-language",      L"-insnew",     L"-packagesha256",      L"-packagesigners",
};
const wchar_t* const kToolKeys[] = {L"-instdir", L"-uninstaller", L"-dsc", L"-ssc", L"-inslang"};

bool IsKnown(const std::wstring& key) {
  for (const wchar_t* known : kInstallerKeys) {
    if (key == known) return true;
  }
  for (const wchar_t* known : kToolKeys) {
    if (key == known) return true;
  }
  return false;
}

// "true" or "false" exactly; anything else is a usage error rather than a silent false.
bool ParseSwitch(const std::map<std::wstring, std::wstring>& values, const wchar_t* key, bool* field,
                 std::wstring* error) {
  const auto it = values.find(key);
  if (it == values.end()) return true;
  if (it->second == L"true" || it->second == L"false") {
    *field = it->second == L"true";
    return true;
  }
  *error = std::wstring(key) + L" takes true or false, not \"" + it->second + L"\"";
  return false;
}

std::wstring AbsoluteFolder(const std::wstring& folder) {
  const DWORD length = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (length == 0) return std::wstring();
  std::wstring full(length, L'\0');
  const DWORD written = ::GetFullPathNameW(folder.c_str(), length, &full[0], nullptr);
  if (written == 0 || written >= length) return std::wstring();
  full.resize(written);
  // The package path and the installer's switches append "\..." themselves.
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return full;
}

}  // namespace

std::wstring ParseOptions(const std::vector<std::wstring>& arguments, Options* options) {
  std::map<std::wstring, std::wstring> values;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    const size_t equals = argument.find(L'=');
    const std::wstring key = argument.substr(0, equals);
    if (key.size() < 2 || key[0] != L'-') return L"unexpected argument \"" + argument + L"\"";
    if (!IsKnown(key)) return L"unknown option \"" + key + L"\"";
    values.emplace(key, equals == std::wstring::npos ? std::wstring() : argument.substr(equals + 1));
  }

  const auto dir = values.find(L"-instdir");
  if (dir == values.end() || dir->second.empty()) return L"-instdir=FOLDER is required";
  options->installDir = AbsoluteFolder(dir->second);
  if (options->installDir.empty()) return L"-instdir names no usable folder: \"" + dir->second + L"\"";

  const auto uninstaller = values.find(L"-uninstaller");
  if (uninstaller != values.end()) options->uninstaller = uninstaller->second;
  const auto language = values.find(L"-inslang");
  if (language != values.end()) options->installLanguage = language->second;

  std::wstring error;
  if (!ParseSwitch(values, L"-dsc", &options->desktopShortcut, &error)) return error;
  if (!ParseSwitch(values, L"-ssc", &options->quickLaunchShortcut, &error)) return error;
  return std::wstring();
}

const wchar_t* UsageText() {
  return L"usage: headless_install -instdir=FOLDER [-uninstaller=PATH] [-dsc=true|false] [-ssc=true|false]\n"
         L"                        [-inslang=CODE] [installer options: -downloadurl=URL -downloadtype=N\n"
         L"                        -downloadscale=X -instcmd=SWITCHES -insnew=true ...]\n"
         L"Runs one whole installation and prints each event as: code<TAB>value<TAB>text\n"
         L"Exit code: 0 installed, 1 failed, 2 usage error, 130 cancelled (Ctrl+C, console closed).\n";
}

}  // namespace Headless
