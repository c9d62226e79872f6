// CMainWnd: the installer's main window, built from "MainWnd.xml" of the embedded skin. Four
// pages (one-click, custom folder and shortcuts, progress, finished), the start-up checks for
// an earlier installation, the folder and disk checks before an installation, and the
// orchestrator it owns, whose events come back as posted WM_INSTALLER_EVENT records.
// Everything runs on the window's thread except the network check worker and the callback.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "download/download_callback.h"
#include "install/download_installer.h"
#include "skinui/skin_frame.h"
#include "ui/installer_event.h"
#include "utils/thread.h"

namespace SkinUI {
class CControlUI;
class CTabLayoutUI;
class CProgressUI;
class COptionUI;
}  // namespace SkinUI

// What the window handed to the orchestrator's Init for the last installation it started.
struct InstallRequest {
  std::wstring downloadUrl;
  std::wstring previousInstallDir;
  std::wstring uninstaller;
  std::wstring installDir;
  bool desktopShortcut = true;
  bool quickLaunchShortcut = true;
  bool consoleUserIsAdmin = false;
  bool processIsAdmin = false;
  std::wstring language;
};

class CMainWnd : public SkinUI::CSkinFrame {
 public:
  enum Page : int { PAGE_DEFAULT = 0, PAGE_CUSTOM = 1, PAGE_PROGRESS = 2, PAGE_FINISHED = 3 };
  static constexpr UINT TIMER_TOP_SHOW = 10;
  static constexpr UINT TIMER_FINISH_CLOSE = 11;
  static constexpr UINT kIconId = 145;
  static constexpr const wchar_t* kTitle = L"ZarnelDravix";
  static constexpr const wchar_t* kProductExe = L"ZarnelDravix.exe";
  static constexpr const wchar_t* kRemovalExe = L"ZarnelDravix_un_asa.exe";
  static constexpr const wchar_t* kRunningText = L"安装程序检测到ZarnelDravix\r\n正在运行，请退出程序后再安装";
  static constexpr const wchar_t* kNoticeCaption = L"温馨提示";

  CMainWnd();
  // Destroys the orchestrator (its workers end first) and waits for the network check worker.
  ~CMainWnd() override;

  // True when the job was handed on: the folder exists and has room, nothing blocks it.
  bool StartInstall(const std::wstring& directory, bool createDesktopShortcut, bool addQuickLaunch);
  // Also refreshes the two administrator flags.
  std::wstring GetDefaultInstallDir();
  std::wstring GetCustomInstallDir();
  void OnInstallNotify(bool started);
  // Body of the network check worker: its only link to the window is an asynchronous "checknet".
  void NetworkCheckThread();
  // WM_INSTALLER_EVENT: handles the record in lParam and deletes it; always 0.
  LRESULT OnInstallerEvent(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Records, optional start of the product and the two timers after a successful installation.
  void OnInstallFinished();

  void OnNotify(SkinUI::NotifyEvent& notification) override;
  SkinUI::CControlUI* CreateCustomControl(const wchar_t* name) override;

  // The callback the orchestrator was given: it only copies the event and posts it here.
  DownloadCallback EventCallback() const { return eventCallback_; }
  // The current page of "mainTabLt", -1 without one.
  int CurrentPage() const;
  const InstallRequest& LastInstallRequest() const { return lastRequest_; }
  const std::wstring& InstallDir() const { return installDir_; }
  const std::wstring& ExePath() const { return exePath_; }
  bool OldInstallPresent() const { return oldInstallPresent_; }

 protected:
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnSkinLoaded() override;
  void OnClickNotify(SkinUI::NotifyEvent& notification) override;
  LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  virtual LRESULT OnTimerHook(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  void OnWindowDestroyed(HWND window) override;
  // Hands the prepared job to the orchestrator.
  virtual void StartInstaller();

 private:
  // Shows a box owned by this window; -1 when the window went away while it was open.
  int Ask(const wchar_t* skin, const wchar_t* text, const wchar_t* caption);
  bool Alive() const { return window_ != nullptr && ::IsWindow(window_); }
  void RequestClosing();
  void LookUpControls();
  void FitProductLabel(SkinUI::CControlUI* label);
  void SendInstallNotify(WPARAM started, bool asynchronous);
  void SelectPage(int page);
  void DecoratePage();
  void OnSelectChanged(SkinUI::CControlUI* sender);
  void OnCheckNet(WPARAM wParam);
  void OnTimer(SkinUI::NotifyEvent& notification);
  void OnCloseButton();
  void BrowseForFolder();
  void OpenTermsPage();
  // Starts the product when its executable exists, once the finish page is painted.
  void OpenProduct();
  void ShowPercent(int percent);
  double ElapsedSeconds() const;
  void OnInstallSucceeded();
  void OnDownloadFailed();
  void OnPackageFailed(const std::wstring& text);
  void OnRemovalFailed();
  bool IsChecked(SkinUI::COptionUI* box) const;
  std::wstring LanguageCode();

  std::shared_ptr<InstallerEventPoster> poster_;
  DownloadCallback eventCallback_;
  std::unique_ptr<CDownloadInstaller> installer_;
  std::unique_ptr<Utils::Thread> netCheckThread_;
  // Where the network check worker posts its result; written before the worker starts.
  HWND checkTarget_ = nullptr;

  // Controls, looked up once; any may be absent from a skin.
  SkinUI::CControlUI* winCtn_ = nullptr;
  SkinUI::CTabLayoutUI* titleTabLt_ = nullptr;
  SkinUI::CTabLayoutUI* mainTabLt_ = nullptr;
  SkinUI::CControlUI* titleGrpCtn_ = nullptr;
  SkinUI::CControlUI* defaultInstallBtn_ = nullptr;
  SkinUI::COptionUI* treatyCb_ = nullptr;
  SkinUI::COptionUI* treatyBtn_ = nullptr;
  SkinUI::COptionUI* serviceCb_ = nullptr;
  SkinUI::CControlUI* tipLbl_ = nullptr;
  SkinUI::CControlUI* customeBtn_ = nullptr;
  SkinUI::CControlUI* backBtn_ = nullptr;
  SkinUI::CControlUI* installDirEdit_ = nullptr;
  SkinUI::CControlUI* chDirBtn_ = nullptr;
  SkinUI::COptionUI* createDSCb_ = nullptr;
  SkinUI::COptionUI* createQSCb_ = nullptr;
  SkinUI::CControlUI* customeInstallBtn_ = nullptr;
  SkinUI::CControlUI* progressAnLb_ = nullptr;
  SkinUI::CControlUI* progressLb_ = nullptr;
  SkinUI::CProgressUI* installPrg_ = nullptr;
  SkinUI::CControlUI* finishedLbl_ = nullptr;
  SkinUI::CControlUI* openProduceBtn_ = nullptr;
  SkinUI::CControlUI* softNameLbl_ = nullptr;
  SkinUI::CControlUI* bTitleLbl_[3] = {nullptr, nullptr, nullptr};
  SkinUI::CControlUI* installLogo_ = nullptr;
  SkinUI::CControlUI* languageCombo_ = nullptr;

  std::wstring registeredInstallPath_;
  std::wstring registeredUninstaller_;
  bool oldInstallPresent_ = false;
  bool consoleUserIsAdmin_ = false;
  bool processIsAdmin_ = false;
  std::wstring installDir_;
  std::wstring exePath_;
  int pageBeforeInstall_ = PAGE_DEFAULT;
  InstallRequest lastRequest_;

  // Progress and the package's protocol values.
  DWORD progressClockStart_ = 0;
  bool progressClockRunning_ = false;
  double installFraction_ = 0.0;
  std::wstring packageUninstEp_;
  int startupStyle_ = 0;
  UINT topShowDelay_ = 3000;
  UINT finishCloseDelay_ = 0xFFFFFFFF;
};
