#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "download/download_callback.h"
#include "utils/child_process.h"
#include "utils/held_file.h"
#include "utils/thread.h"

// Removes the previously installed version: runs a copy of its uninstaller silently as a child
// process, reads its key=value output and reports events 5001-5005. Used for one run.
class CUnInstaller {
 public:
  // uninstallerPath: the copy to run. oldInstallDir: the old installation's folder, handed to
  // the uninstaller after "_?=".
  CUnInstaller(DownloadCallback callback, std::wstring uninstallerPath, std::wstring oldInstallDir);
  // Waits for the run, and so for the child's end.
  ~CUnInstaller();
  CUnInstaller(const CUnInstaller&) = delete;
  CUnInstaller& operator=(const CUnInstaller&) = delete;

  // The copy to run, held against change by the owner: the child is then started as exactly this
  // file, and the hold ends once the child has started (or could not).
  void HoldImage(Utils::HeldFile image) { image_ = std::move(image); }

  // Builds the command line (with both administrator probes) and starts the run on a worker
  // named "UnInstaller". Returns at once.
  void Start();

  // Applies every protocol line of text in order; 0 when none was a State or Error line,
  // otherwise the result of the last one (1 success, 1000 failure).
  int Parse(const std::wstring& text);

  // Waits up to milliseconds for the run to end; true when no run is going on.
  bool WaitForRun(DWORD milliseconds) const;

  const std::wstring& CommandLine() const { return commandLine_; }
  // Written by the worker alone; read it only when no run is going on.
  UINT CodePage() const { return codePage_; }

  // "<uninstaller> /S -adminact=.. -authorizationact=.. -console=show _?=<folder>". The
  // uninstaller's path is quoted, so that a folder with blanks can never start another
  // program; the folder stays unquoted and last, as uninstallers read it to the line's end.
  static std::wstring BuildCommandLine(const std::wstring& uninstallerPath, bool consoleUserAdmin, bool processAdmin,
                                       const std::wstring& oldInstallDir);

  static constexpr int kResultSuccess = 1;
  static constexpr int kResultFailure = 1000;

 private:
  static unsigned Run(void* self);
  void RunChild();
  void Send(int code, double progress, const wchar_t* text = L"");

  DownloadCallback callback_;
  std::wstring commandLine_;
  std::wstring uninstallerPath_;
  std::wstring oldInstallDir_;
  UINT codePage_ = CP_ACP;
  std::unique_ptr<Utils::Thread> worker_;
  std::unique_ptr<Utils::ChildProcess> process_;
  Utils::HeldFile image_;  // handed over before Start, then touched by the worker alone
};
