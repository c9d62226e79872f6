// The installer's entry point: settings, the single-instance guard, the user interface, exit.
#include <windows.h>

#include "app/installer_settings.h"
#include "app/log.h"
#include "app/main_window_launch.h"
#include "app/single_instance.h"

namespace {

// Defaults and the INI file are in place before the entry point runs.
InstallerSettings& g_settings = InstallerSettings::Instance();

// Unhandled exceptions take the system's default course.
LONG WINAPI DeclineUnhandledException(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ::SetUnhandledExceptionFilter(DeclineUnhandledException);

  Utils::SingleInstance guard(L"Installer_Dravix");
  guard.Create();
  if (!guard.Mutex()) return -1;

  g_settings.ParseCommandLine();
  WRITE_LOG(L"DownloadUrl=%s DownloadType=%d DownloadScale=%.3f IsCheckNet=%d InsNew=%d Language=%d\r\n",
            g_settings.DownloadUrl.c_str(), g_settings.DownloadType, g_settings.DownloadScale,
            g_settings.IsCheckNet ? 1 : 0, g_settings.InsNew ? 1 : 0, g_settings.Language);

  LaunchMainWindow(instance);

  guard.Release();
  return 0;
}
