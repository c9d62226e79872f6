// headless_install: one whole installation through CDownloadInstaller without a window, for
// tests and for product teams checking their package servers. See the README for the interface.
#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "install/download_installer.h"
#include "tools/headless_install/event_printer.h"
#include "tools/headless_install/headless_options.h"
#include "utils/admin_probes.h"
#include "utils/installer_settings.h"
#include "utils/process_probe.h"
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

// Cancellation. The console's handler runs on a thread of its own (under Wine also for SIGINT);
// it hands the cancel to the main thread through the printer, which wakes WaitForEnd.
std::atomic<Headless::EventPrinter*> g_printer{nullptr};
// Set by the main thread once the cancelled run is cleaned up, just before it returns.
Utils::UniqueHandle g_cleanedUp;
constexpr DWORD kChildPollMs = 100;

// The installation while its Start may wait for the product to close; guarded by g_startMutex so
// that the handler never reaches it after the main thread has let it go.
std::mutex g_startMutex;
CDownloadInstaller* g_starting = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD type) {
  Headless::EventPrinter* printer = g_printer.load();
  if (printer) printer->Cancel();
  {
    std::lock_guard<std::mutex> lock(g_startMutex);
    if (g_starting) g_starting->AbandonProductWait();
  }
  // After these three the system ends the process as soon as the handler returns: it returns
  // only once the transfer is stopped and the files are gone.
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
    ::WaitForSingleObject(g_cleanedUp.get(), INFINITE);
  }
  return TRUE;
}

// Destroys the installation (which stops the transfer and waits for its workers and children)
// while the children of this process are ended, so that no package installer or uninstaller
// is waited for to its natural end.
void StopInstallation(std::unique_ptr<CDownloadInstaller> installation) {
  Utils::UniqueHandle destroyed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE signal = destroyed.get();
  std::thread destroyer([&installation, signal] {
    installation.reset();
    ::SetEvent(signal);
  });
  do {
    Utils::TerminateChildProcesses(Headless::EventPrinter::kCancelled);
  } while (::WaitForSingleObject(signal, kChildPollMs) == WAIT_TIMEOUT);
  destroyer.join();
}

// What a cancelled run leaves in the folder: the package and the downloaders' partial files.
void DeletePartialFiles(const std::wstring& installDir) {
  const std::wstring package = CDownloadInstaller::PackagePathFor(installDir);
  for (const wchar_t* suffix : {L"", L".part", L"_0", L"_1"}) ::DeleteFileW((package + suffix).c_str());
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

  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  // Static: the console's handler may still reach it while the process ends.
  static Headless::EventPrinter printer(output);
  g_cleanedUp.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_printer = &printer;

  auto installation = std::make_unique<CDownloadInstaller>(
      [](int code, double value, const wchar_t* text) { printer.OnEvent(code, value, text); }, L"", L"", L"", true,
      true, true);
  installation->Init(settings.DownloadUrl, previousInstallDir, options.uninstaller, options.installDir,
                     options.desktopShortcut, options.quickLaunchShortcut, consoleUserAdmin, Utils::IsProcessAdmin(),
                     options.installLanguage);
  {
    std::lock_guard<std::mutex> lock(g_startMutex);
    g_starting = installation.get();
  }
  // From here a Ctrl+C is ours to handle; before, nothing has started that needs cleaning up.
  ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
  installation->Start();
  {
    std::lock_guard<std::mutex> lock(g_startMutex);
    g_starting = nullptr;
  }
  const int exitCode = printer.WaitForEnd();
  if (exitCode != Headless::EventPrinter::kCancelled) {
    installation.reset();  // waits for the workers: the package is deleted and the children have ended
  } else {
    StopInstallation(std::move(installation));
    DeletePartialFiles(options.installDir);
    const std::string last = Headless::FormatEvent(0, 0.0, L"cancelled");
    DWORD written = 0;
    ::WriteFile(output, last.data(), static_cast<DWORD>(last.size()), &written, nullptr);
  }
  ::SetEvent(g_cleanedUp.get());
  return exitCode;
}
