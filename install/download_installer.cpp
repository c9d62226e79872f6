#include "install/download_installer.h"

#include <windows.h>

#include <shlwapi.h>

#include <utility>

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/winhttp_downloader.h"
#include "install/install_event_codes.h"
#include "utils/folders.h"
#include "utils/installer_settings.h"
#include "utils/log.h"
#include "utils/process_probe.h"

namespace {

// The package file a deletion of any orchestrator of this process left behind last. Handlers of
// different orchestrators may delete at the same time: RememberedMutex() guards every use.
std::mutex& RememberedMutex() {
  static std::mutex mutex;
  return mutex;
}
std::wstring& Remembered() {
  static std::wstring path;
  return path;
}

// One log line under a handler's own tag, with the source line of the caller.
void LogUnderTag(const wchar_t* tag, int line, const wchar_t* text) {
  const Logging::LineStamp stamp = Logging::Now();
  ::WriteLog(DRAVIX_LOG_PREFIX L"%s", stamp.processId, stamp.threadId, stamp.year, stamp.month, stamp.day, stamp.hour,
             stamp.minute, stamp.second, stamp.milliseconds, tag, line, text);
}

constexpr const wchar_t* kDownloadTag = L"CDownloadInstaller::Start::DownloadEvent";
constexpr const wchar_t* kInstallTag = L"CDownloadInstaller::Start::InstallEvent";
constexpr const wchar_t* kUninstallTag = L"CDownloadInstaller::Start::UnInstallEvent";

#define LOG_EVENT(tag, text) LogUnderTag(tag, __LINE__, text)

}  // namespace

CDownloadInstaller::CDownloadInstaller(DownloadCallback callback, std::wstring downloadUrl,
                                       std::wstring uninstallerSource, std::wstring installDir, bool desktopShortcut,
                                       bool quickLaunchShortcut, bool adminAct)
    : downloadUrl(std::move(downloadUrl)),
      uninstallerSource(std::move(uninstallerSource)),
      installDir(std::move(installDir)),
      desktopShortcut(desktopShortcut),
      quickLaunchShortcut(quickLaunchShortcut),
      adminAct(adminAct),
      callback(std::move(callback)) {}

CDownloadInstaller::~CDownloadInstaller() {
  {
    std::unique_lock<std::mutex> lock(stateMutex);
    closing = true;
    handlersDone.wait(lock, [this] { return activeHandlers == 0; });
  }
  // No handler reacts any more, so no worker starts another stage while these go.
  JoinPackageCleanup();
  downloader.reset();
  installer.reset();
  uninstaller.reset();
}

void CDownloadInstaller::Init(std::wstring downloadUrl, std::wstring previousInstallDir, std::wstring uninstallerSource,
                              std::wstring installDir, bool desktopShortcut, bool quickLaunchShortcut, bool adminAct,
                              bool authorizationAct, std::wstring installLanguage) {
  std::lock_guard<std::mutex> lock(stateMutex);
  this->downloadUrl = std::move(downloadUrl);
  this->previousInstallDir = std::move(previousInstallDir);
  this->uninstallerSource = std::move(uninstallerSource);
  this->installDir = std::move(installDir);
  this->desktopShortcut = desktopShortcut;
  this->quickLaunchShortcut = quickLaunchShortcut;
  this->adminAct = adminAct;
  this->authorizationAct = authorizationAct;
  this->installLanguage = std::move(installLanguage);
}

std::wstring CDownloadInstaller::PackagePathFor(const std::wstring& installDir) {
  return installDir + L"\\__Package_" + L"Dravix" + L".exe";
}

std::wstring CDownloadInstaller::UninstallerCopyPath() {
  wchar_t temp[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);  // ends with a backslash
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(temp) + Utils::kInstallerTempFolderName + kUninstallerCopyName;
}

Utils::HeldFile CDownloadInstaller::CopyUninstaller(const std::wstring& source) {
  Utils::HeldFile copy;
  const std::wstring path = UninstallerCopyPath();
  if (path.empty()) return copy;
  // Whatever an earlier run or anybody else left at the copy's place goes; the copy is written
  // into a new folder of ours and held from then on, so only the file written here can run.
  copyFolder.reset();
  if (!Utils::MakeFreshFolder(path.substr(0, path.find_last_of(L'\\')), &copyFolder)) {
    WRITE_LOG(L"cannot make a fresh folder for %s, code=%lu\r\n", path.c_str(),
              static_cast<unsigned long>(::GetLastError()));
    return copy;
  }
  if (!::CopyFileW(source.c_str(), path.c_str(), TRUE) || !copy.Open(path)) {
    WRITE_LOG(L"cannot copy the uninstaller to %s, code=%lu\r\n", path.c_str(),
              static_cast<unsigned long>(::GetLastError()));
    copy.Release();
  }
  return copy;
}

std::wstring CDownloadInstaller::RememberedPackagePath() {
  std::lock_guard<std::mutex> lock(RememberedMutex());
  return Remembered();
}

void CDownloadInstaller::Start() {
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    packagePath = PackagePathFor(installDir);
  }
  const InstallerSettings& settings = InstallerSettings::Instance();
  if (!ParsePackageTrust(settings.PackageSha256, settings.PackageSigners, &trust)) {
    // A trust setting that cannot be read is never taken as "no check": nothing is removed,
    // downloaded or run.
    WRITE_LOG_TEXT(L"package trust settings invalid");
    if (callback) callback(IST_CODE_FAIL, 0.0, kTrustSettingsInvalidText);
    return;
  }
  const int type = settings.DownloadType;
  WRITE_LOG(L"DL_TYPE=%d\r\n", type);

  JoinPackageCleanup();  // the runner may be replaced below
  // A downloader keeps the address and file it was built with; one built for another address or
  // folder would fetch into a folder nobody created or looks at.
  if (downloader && (builtUrl != downloadUrl || builtPackagePath != packagePath)) downloader.reset();
  if (installer && builtPackagePath != packagePath) installer.reset();
  if (!downloader) {
    DownloadCallback onDownload = [this](int code, double progress, const wchar_t* text) {
      OnDownloadEvent(code, progress, text);
    };
    switch (type) {
      case 2: downloader = std::make_unique<WinHttpDownloader>(onDownload, downloadUrl, packagePath); break;
      case 3: downloader = std::make_unique<CMTCurlDownloader>(onDownload, downloadUrl, packagePath); break;
      default: downloader = std::make_unique<CCurlDownloader>(onDownload, downloadUrl, packagePath); break;
    }
    builtUrl = downloadUrl;
  }
  downloader->RequireSha256(trust.sha256);
  if (!installer) {
    installer = std::make_unique<CInstaller>(
        [this](int code, double progress, const wchar_t* text) { OnInstallEvent(code, progress, text); },
        L"\"" + packagePath + L"\"", installDir);
  }
  builtPackagePath = packagePath;

  installer->SetInstallDir(installDir);
  installer->SetDesktopShortcut(desktopShortcut);
  installer->SetQuickLaunchShortcut(quickLaunchShortcut);
  installer->SetAdminAct(adminAct);
  installer->SetAuthorizationAct(authorizationAct);
  installer->SetInstallLanguage(installLanguage);

  if (!uninstallerSource.empty() && ::PathFileExistsW(uninstallerSource.c_str())) {
    wchar_t oldDir[MAX_PATH] = {};
    ::lstrcpynW(oldDir, uninstallerSource.c_str(), MAX_PATH);
    ::PathRemoveFileSpecW(oldDir);
    // The remover of an earlier Start is replaced; its destructor waits for its run, and so for
    // the child that ran the copy about to be replaced.
    uninstaller.reset();
    // A copy that failed has no path: the remover reports the missing copy (5004).
    Utils::HeldFile copy = CopyUninstaller(uninstallerSource);
    removalOutcome = RemovalOutcome::kPending;
    uninstaller = std::make_unique<CUnInstaller>(
        [this](int code, double progress, const wchar_t* text) { OnUninstallEvent(code, progress, text); },
        copy.IsHeld() ? copy.Path() : std::wstring(), oldDir);
    uninstaller->HoldImage(std::move(copy));
    if (InstallerSettings::Instance().InsNew) {
      do {
        ::Sleep(kProductPollMs);
      } while (!productWaitAbandoned && Utils::FindProcessByName(kProductProcessName) != 0);
      if (productWaitAbandoned) return;
    }
    uninstaller->Start();
  } else {
    downloader->Start();
  }
}

// Counts one handler in for as long as it forwards and reacts; admits none once closing.
class CDownloadInstaller::HandlerScope {
 public:
  explicit HandlerScope(CDownloadInstaller& owner) : owner_(owner), entered_(owner.EnterHandler()) {}
  ~HandlerScope() {
    if (entered_) owner_.LeaveHandler();
  }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;
  explicit operator bool() const { return entered_; }

 private:
  CDownloadInstaller& owner_;
  bool entered_;
};

bool CDownloadInstaller::EnterHandler() {
  std::lock_guard<std::mutex> lock(stateMutex);
  if (closing) return false;
  ++activeHandlers;
  return true;
}

void CDownloadInstaller::LeaveHandler() {
  std::lock_guard<std::mutex> lock(stateMutex);
  if (--activeHandlers == 0) handlersDone.notify_all();
}

void CDownloadInstaller::CreateInstallDir() {
  std::wstring folder;
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    folder = installDir;
  }
  Utils::CreateDirectoryTree(folder);
}

std::wstring CDownloadInstaller::DeletePackages() {
  std::wstring current;
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    current = packagePath;
  }
  std::lock_guard<std::mutex> lock(RememberedMutex());
  ::DeleteFileW(current.c_str());
  if (!Remembered().empty()) ::DeleteFileW(Remembered().c_str());
  Remembered() = current;
  return current;
}

void CDownloadInstaller::DeleteAfterRun(const std::wstring& package) {
  if (!::PathFileExistsW(package.c_str())) return;
  std::thread previous;
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    previous = std::move(packageCleanup);
    CInstaller* runner = installer.get();
    packageCleanup = std::thread([runner, package] {
      runner->WaitForRun(INFINITE);
      ::DeleteFileW(package.c_str());
    });
  }
  if (previous.joinable()) previous.join();
}

void CDownloadInstaller::JoinPackageCleanup() {
  std::thread cleanup;
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    cleanup = std::move(packageCleanup);
  }
  if (cleanup.joinable()) cleanup.join();
}

void CDownloadInstaller::OnDownloadEvent(int code, double progress, const wchar_t* text) {
  const HandlerScope scope(*this);
  if (!scope) return;
  if (callback) callback(code, progress, text);
  switch (code) {
    case DL_CODE_START:
      CreateInstallDir();
      LOG_EVENT(kDownloadTag, L"DL_CODE_START\r\n");
      break;
    case DL_CODE_PROGRESS: LOG_EVENT(kDownloadTag, L"DL_CODE_PROGRESS\r\n"); break;
    case DL_CODE_SUCCESS:
      LOG_EVENT(kDownloadTag, L"DOWNLOAD_SUCCESS\r\n");
      {
        // Held from before its digest check: the signature is checked and the file started as is.
        Utils::HeldFile package = downloader->TakeVerifiedPackage();
        if (!PackageSignatureAccepted(package)) break;
        installer->HoldPackage(std::move(package));
      }
      installer->Start();
      LOG_EVENT(kDownloadTag, L"DL_CODE_SUCCESS\r\n");
      break;
    case DL_CODE_FAIL:
      DeletePackages();
      LOG_EVENT(kDownloadTag, L"DL_CODE_FAIL\r\n");
      break;
    case DL_CODE_RETRY:
      LOG_EVENT(kDownloadTag, L"DL_CODE_RETRY\r\n");
      downloader->Start();
      break;
    default: break;
  }
}

bool CDownloadInstaller::PackageSignatureAccepted(Utils::HeldFile& held) {
  if (trust.signers.empty()) return true;
  std::wstring package;
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    package = packagePath;
  }
  if (IsSignedByListedCertificate(package, trust.signers)) return true;
  held.Release();
  DeletePackages();
  LOG_EVENT(kDownloadTag, L"package signature rejected\r\n");
  if (callback) callback(IST_CODE_FAIL, 0.0, kSignatureRejectedText);
  return false;
}

void CDownloadInstaller::OnInstallEvent(int code, double progress, const wchar_t* text) {
  const HandlerScope scope(*this);
  if (!scope) return;
  if (callback) callback(code, progress, text);
  switch (code) {
    case IST_CODE_START: LOG_EVENT(kInstallTag, L"IST_CODE_START\r\n"); break;
    case IST_CODE_SUCCESS:
      DeleteAfterRun(DeletePackages());
      LOG_EVENT(kInstallTag, L"INSTALL_SUCCESS\r\n");
      break;
    case IST_CODE_FAIL:
      DeleteAfterRun(DeletePackages());
      LOG_EVENT(kInstallTag, L"IST_CODE_FAIL\r\n");
      break;
    default: break;
  }
}

void CDownloadInstaller::OnUninstallEvent(int code, double progress, const wchar_t* text) {
  const HandlerScope scope(*this);
  if (!scope) return;
  if (callback) callback(code, progress, text);
  switch (code) {
    case UNIST_CODE_START: LOG_EVENT(kUninstallTag, L"UNIST_CODE_START\r\n"); break;
    case UNIST_CODE_PROGRESS: LOG_EVENT(kUninstallTag, L"UNIST_CODE_PROGRESS\r\n"); break;
    case UNIST_CODE_SUCCESS:
      LOG_EVENT(kUninstallTag, L"UNIST_CODE_SUCCESS\r\n");
      // Only the first verdict of a removal counts: a success line after a failure or after an
      // earlier success must not start a download nobody waits for, or a second one.
      if (removalOutcome == RemovalOutcome::kPending) {
        removalOutcome = RemovalOutcome::kSucceeded;
        downloader->Start();
      }
      break;
    case UNIST_CODE_FAIL:
      LOG_EVENT(kUninstallTag, L"UNIST_CODE_FAIL\r\n");
      if (removalOutcome == RemovalOutcome::kPending) removalOutcome = RemovalOutcome::kFailed;
      break;
    case UNIST_CODE_ERROR:
      LOG_EVENT(kUninstallTag, L"UNIST_CODE_ERROR\r\n");
      if (removalOutcome == RemovalOutcome::kPending) removalOutcome = RemovalOutcome::kFailed;
      break;
    default: break;
  }
}
