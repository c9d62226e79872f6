// Ties one installation together: removes the old version when there is one, downloads the
// package into the installation folder, runs the package's installer, and deletes the package
// when the installation has succeeded or failed. Every event of the three workers is passed on
// unchanged to the owner's callback first and acted upon second.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "download/download_callback.h"
#include "download/downloader.h"
#include "install/installer.h"
#include "install/package_trust.h"
#include "install/uninstaller.h"
#include "utils/held_file.h"
#include "utils/unique_resource.h"

class CDownloadInstaller {
 public:
  // Stores the values; authorizationAct starts false. No worker exists before Start.
  CDownloadInstaller(DownloadCallback callback, std::wstring downloadUrl, std::wstring uninstallerSource,
                     std::wstring installDir, bool desktopShortcut, bool quickLaunchShortcut, bool adminAct);
  // Safe while workers run: refuses further events (nothing is forwarded from then on), waits
  // for handlers that are reacting and for a pending package deletion, then destroys the
  // downloader, the package runner and the remover (the last two wait for their children).
  // Must not run inside the callback.
  ~CDownloadInstaller();
  CDownloadInstaller(const CDownloadInstaller&) = delete;
  CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

  void Init(std::wstring downloadUrl, std::wstring previousInstallDir, std::wstring uninstallerSource,
            std::wstring installDir, bool desktopShortcut, bool quickLaunchShortcut, bool adminAct,
            bool authorizationAct, std::wstring installLanguage);

  // Removal (when uninstallerSource names a file) -> download -> installation, each stage
  // started by the success event of the one before. Returns once the first stage runs; with
  // InsNew and an old version it first waits, without limit, until no product process runs
  // (or AbandonProductWait is called: then no stage starts).
  // Call it when no earlier chain is running.
  void Start();
  // Ends, from any thread, a Start that waits for the product to close: Start then returns
  // without starting the removal. For a cancellation; once called, every later wait ends too.
  void AbandonProductWait() { productWaitAbandoned = true; }

  // installDir + "\__Package_Dravix.exe"
  static std::wstring PackagePathFor(const std::wstring& installDir);
  // Where the old uninstaller is copied and run from; empty without a temporary folder. The
  // folder is made afresh for every copy.
  static std::wstring UninstallerCopyPath();
  // The package path remembered by the last deletion of any orchestrator of this process.
  static std::wstring RememberedPackagePath();

  static constexpr const wchar_t* kProductProcessName = L"ZarnelDravix.exe";
  static constexpr const wchar_t* kUninstallerCopyName = L"ZarnelDravix_un_asa.exe";
  static constexpr DWORD kProductPollMs = 100;

 private:
  void OnDownloadEvent(int code, double progress, const wchar_t* text);
  void OnInstallEvent(int code, double progress, const wchar_t* text);
  void OnUninstallEvent(int code, double progress, const wchar_t* text);

  class HandlerScope;
  enum class RemovalOutcome { kPending, kSucceeded, kFailed };

  // Admits one handler: false once destruction has begun.
  bool EnterHandler();
  void LeaveHandler();
  // The deletion rule; returns the package path it applied to.
  std::wstring DeletePackages();
  // A package installer that is still ending holds its file: delete it once the run is over.
  void DeleteAfterRun(const std::wstring& package);
  void JoinPackageCleanup();
  void CreateInstallDir();
  // Copies the old uninstaller into a fresh folder of ours and holds the copy; nothing held when
  // any step failed.
  Utils::HeldFile CopyUninstaller(const std::wstring& source);
  // Ends the chain with 2004 when the package is not signed under a listed certificate (the
  // package, let go of, is deleted then); true when it may run.
  bool PackageSignatureAccepted(Utils::HeldFile& package);

  std::unique_ptr<CUnInstaller> uninstaller;
  // The uninstaller copy's folder, held while the copy may run: nobody renames or replaces it.
  Utils::UniqueFileHandle copyFolder;
  std::unique_ptr<CDownloader> downloader;
  std::unique_ptr<CInstaller> installer;
  std::wstring downloadUrl;
  std::wstring uninstallerSource;
  std::wstring installDir;
  std::wstring packagePath;
  std::wstring previousInstallDir;
  std::wstring installLanguage;
  bool desktopShortcut;
  bool quickLaunchShortcut;
  bool adminAct;
  bool authorizationAct = false;
  DownloadCallback callback;

  // The address and file the existing downloader and runner were built for: a Start with
  // another address or folder builds new ones, so the package lands where it is looked for.
  std::wstring builtUrl;
  std::wstring builtPackagePath;
  // Read from the settings by Start, before any worker of the chain runs.
  PackageTrust trust;
  // Set by any thread (a cancellation), read by Start's wait for the product.
  std::atomic<bool> productWaitAbandoned{false};
  // Set by Start before the remover runs, then touched by the remover's thread alone.
  RemovalOutcome removalOutcome = RemovalOutcome::kPending;

  // stateMutex guards closing and activeHandlers, and installDir and packagePath, which Init
  // and Start write on the owner's thread while a handler of the last chain may still read them.
  std::mutex stateMutex;
  std::condition_variable handlersDone;
  bool closing = false;
  int activeHandlers = 0;
  // Started by a handler on the runner's thread, joined by Start and the destructor before the
  // runner may go; the object itself is guarded by stateMutex.
  std::thread packageCleanup;
};
