// headless_install: one whole installation through CDownloadInstaller without a window, for
// tests and for product teams checking their package servers. See the README for the interface.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/installer_settings.h"
#include "install/download_installer.h"
#include "tools/headless_install/event_printer.h"
#include "tools/headless_install/headless_options.h"
#include "utils/admin_probes.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

constexpr int kUsageError = 2;

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  Utils::UniqueLocalMem<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!argv) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(argv.get()[i]);
  return arguments;
}

void WriteUtf8(HANDLE output, const std::wstring& text) {
  const std::string bytes = Utils::WideToMultiByte(text, CP_UTF8);
  DWORD written = 0;
  ::WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain() {
  ::SetConsoleOutputCP(CP_UTF8);
  Headless::Options options;
  const std::wstring error = Headless::ParseOptions(CommandLineArguments(), &options);
  if (!error.empty()) {
    WriteUtf8(::GetStdHandle(STD_ERROR_HANDLE), L"headless_install: " + error + L"\n" + Headless::UsageText());
    return kUsageError;
  }

  InstallerSettings& settings = InstallerSettings::Instance();
  settings.ParseCommandLine(::GetCommandLineW());

  // The same facts the window hands over: the console user's and this process's rights.
  std::wstring consoleUser;
  const bool consoleUserAdmin = Utils::GetActiveConsoleUserName(consoleUser) && Utils::IsConsoleUserAdmin(consoleUser);
  std::wstring previousInstallDir;
  if (!options.uninstaller.empty()) {
    const size_t slash = options.uninstaller.find_last_of(L"\\/");
    if (slash != std::wstring::npos) previousInstallDir = options.uninstaller.substr(0, slash);
  }

  Headless::EventPrinter printer(::GetStdHandle(STD_OUTPUT_HANDLE));
  int exitCode = Headless::EventPrinter::kFailed;
  {
    CDownloadInstaller installation(
        [&printer](int code, double value, const wchar_t* text) { printer.OnEvent(code, value, text); }, L"", L"", L"",
        true, true, true);
    installation.Init(settings.DownloadUrl, previousInstallDir, options.uninstaller, options.installDir,
                      options.desktopShortcut, options.quickLaunchShortcut, consoleUserAdmin, Utils::IsProcessAdmin(),
                      options.installLanguage);
    installation.Start();
    exitCode = printer.WaitForEnd();
  }  // waits for the workers: the package is deleted and the children have ended
  return exitCode;
}
