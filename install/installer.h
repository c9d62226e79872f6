#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "download/download_callback.h"
#include "utils/child_process.h"
#include "utils/held_file.h"
#include "utils/thread.h"

// Runs the downloaded package's own installer silently as a child process, reads its standard
// output as key=value lines and turns them into events 2001-2004 and 3000-3009. Only the
// output and the child's end count; its exit code is never looked at.
class CInstaller {
 public:
  // packageCommand: the package path enclosed in double quotes. installDir may be empty.
  CInstaller(DownloadCallback callback, std::wstring packageCommand, std::wstring installDir);
  // Waits for the current run, and so for the child's end.
  ~CInstaller();
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  // The owner sets these before every Start.
  void SetInstallDir(std::wstring installDir) { installDir_ = std::move(installDir); }
  void SetDesktopShortcut(bool on) { desktopShortcut_ = on; }
  void SetQuickLaunchShortcut(bool on) { quickLaunchShortcut_ = on; }
  void SetAdminAct(bool on) { adminAct_ = on; }
  void SetAuthorizationAct(bool on) { authorizationAct_ = on; }
  void SetInstallLanguage(std::wstring code) { installLanguage_ = std::move(code); }

  // The package, held against change since its verification: the next run starts exactly this
  // file and lets go of it once the child has started (or could not).
  void HoldPackage(Utils::HeldFile package) { heldPackage_ = std::move(package); }

  // Builds the command line, waits for an earlier run to end, and starts a new run on a worker
  // named "ABDEF". Returns at once; everything else arrives through the callback.
  void Start();

  // Applies every protocol line of text in order; 0 when none was a State or Error line,
  // otherwise the result of the last one (1 success, 1000 failure).
  int Parse(const std::wstring& text);

  // Waits up to milliseconds for the current run to end; true when no run is going on.
  bool WaitForRun(DWORD milliseconds) const;

  // The worker alone writes the code page and the version; read them only when no run is going
  // on (WaitForRun), which orders the reads after the worker's writes.
  const std::wstring& CommandLine() const { return commandLine_; }
  UINT CodePage() const { return codePage_; }
  const int (&InstallVersion() const)[3] { return installVersion_; }

  static constexpr int kResultSuccess = 1;
  static constexpr int kResultFailure = 1000;

 private:
  static unsigned Run(void* self);
  void RunChild();
  void Send(int code, double progress, const wchar_t* text = L"");

  DownloadCallback callback_;
  std::wstring packageCommand_;
  std::wstring installDir_;
  std::wstring commandLine_;
  bool quickLaunchShortcut_ = false;
  bool desktopShortcut_ = false;
  UINT codePage_ = CP_ACP;
  std::unique_ptr<Utils::Thread> worker_;
  std::unique_ptr<Utils::ChildProcess> process_;
  int installVersion_[3] = {0, 0, 0};
  bool adminAct_ = false;
  bool authorizationAct_ = true;
  std::wstring installLanguage_;
  // Set by HoldPackage before Start; the run moves it out at its beginning.
  Utils::HeldFile heldPackage_;
  Utils::HeldFile runPackage_;  // the worker's own
};
