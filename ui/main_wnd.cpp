#include "ui/main_wnd.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

#include "build_config.h"
#include "skinui/combo.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/tab_layout.h"
#include "ui/install_dirs.h"
#include "ui/install_records.h"
#include "ui/languages.h"
#include "ui/message_box_wnd.h"
#include "ui/product_launch.h"
#include "ui/sequence_animation.h"
#include "ui/sequence_label.h"
#include "utils/admin_probes.h"
#include "utils/folders.h"
#include "utils/installer_settings.h"
#include "utils/log.h"
#include "utils/network_probe.h"
#include "utils/process_probe.h"

using SkinUI::CControlUI;
using SkinUI::COptionUI;
using SkinUI::CProgressUI;
using SkinUI::CTabLayoutUI;
using SkinUI::NotifyEvent;

namespace {

// The network check worker hands its result to the window thread with this message; the
// window then sends "checknet" from its own thread (a manager is never touched by workers).
constexpr UINT kCheckNetResult = WM_APP + 2;

template <class T>
T* Interface(CControlUI* control, const wchar_t* name) {
  return control ? static_cast<T*>(control->FindInterface(name)) : nullptr;
}

void SetVisible(CControlUI* control, bool visible) {
  if (control) control->SetVisible(visible);
}

void SetEnabled(CControlUI* control, bool enabled) {
  if (control) control->SetEnabled(enabled);
}

bool FileExists(const std::wstring& path) { return !path.empty() && ::PathFileExistsW(path.c_str()); }

// The decoration of each page of "mainTabLt".
struct PageLook {
  const wchar_t* background;
  int titlePage;  // -1: left as it is
};
PageLook LookOf(int page) {
  switch (page) {
    case CMainWnd::PAGE_DEFAULT: return {L"res\\mainWnd\\bg1.png", 1};
    case CMainWnd::PAGE_CUSTOM: return {L"res\\mainWnd\\bg2.png", 1};
    case CMainWnd::PAGE_PROGRESS: return {L"res\\mainWnd\\bg3.png", -1};
    case CMainWnd::PAGE_FINISHED: return {L"res\\mainWnd\\bg4.png", 2};
    default: return {L"res\\mainWnd\\bg1.png", 0};
  }
}

}  // namespace

CMainWnd::CMainWnd() : CSkinFrame(InstallerConfig(L"MainWnd.xml")) {}

CMainWnd::~CMainWnd() {
  // The orchestrator first: after it no worker posts, so nothing is left to reclaim later.
  installer_.reset();
  if (netCheckThread_) netCheckThread_->Join();
  netCheckThread_.reset();
  if (poster_) poster_->Close();
}

int CMainWnd::CurrentPage() const { return mainTabLt_ ? mainTabLt_->CurrentSelection() : -1; }

CControlUI* CMainWnd::CreateCustomControl(const wchar_t* name) { return SkinUI::CreateSequenceControl(name); }

LRESULT CMainWnd::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // No keyboard or system-menu close while the installation runs.
  if (message == WM_CLOSE && CurrentPage() == PAGE_PROGRESS) return 0;
  if (message == WM_DESTROY && poster_) poster_->Close();
  return CSkinFrame::HandleWindowMessage(message, wParam, lParam);
}

LRESULT CMainWnd::HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (message == WM_TIMER) {
    OnTimerHook(message, wParam, lParam, handled);
  } else if (message == WM_INSTALLER_EVENT) {
    OnInstallerEvent(message, wParam, lParam, handled);
  } else if (message == kCheckNetResult) {
    if (CControlUI* root = manager_.RootControl()) manager_.SendNotification(root, L"checknet", wParam, 0, true);
    handled = true;
    return 0;
  }
  return CSkinFrame::HandleOtherMessage(message, wParam, lParam, handled);
}

LRESULT CMainWnd::OnTimerHook(UINT, WPARAM, LPARAM, bool&) { return 0; }

void CMainWnd::OnWindowDestroyed(HWND window) {
  // The controls go with the window; every later use finds null.
  winCtn_ = nullptr;
  titleTabLt_ = mainTabLt_ = nullptr;
  titleGrpCtn_ = defaultInstallBtn_ = tipLbl_ = customeBtn_ = backBtn_ = installDirEdit_ = chDirBtn_ = nullptr;
  treatyCb_ = treatyBtn_ = serviceCb_ = createDSCb_ = createQSCb_ = nullptr;
  customeInstallBtn_ = progressAnLb_ = progressLb_ = finishedLbl_ = openProduceBtn_ = softNameLbl_ = nullptr;
  installPrg_ = nullptr;
  bTitleLbl_[0] = bTitleLbl_[1] = bTitleLbl_[2] = nullptr;
  installLogo_ = languageCombo_ = nullptr;
  CSkinFrame::OnWindowDestroyed(window);
}

void CMainWnd::LookUpControls() {
  auto find = [this](const wchar_t* name) { return manager_.FindControlByName(name); };
  winCtn_ = find(L"winCtn");
  titleTabLt_ = Interface<CTabLayoutUI>(find(L"titleTabLt"), L"TabLayout");
  mainTabLt_ = Interface<CTabLayoutUI>(find(L"mainTabLt"), L"TabLayout");
  titleGrpCtn_ = find(L"titleGrpCtn");
  defaultInstallBtn_ = find(L"defaultInstallBtn");
  treatyCb_ = Interface<COptionUI>(find(L"treatyCb"), L"Option");
  treatyBtn_ = Interface<COptionUI>(find(L"treatyBtn"), L"Option");
  serviceCb_ = Interface<COptionUI>(find(L"serviceCb"), L"Option");
  tipLbl_ = find(L"tipLbl");
  customeBtn_ = find(L"customeBtn");
  backBtn_ = find(L"backBtn");
  installDirEdit_ = find(L"installDirEdit");
  chDirBtn_ = find(L"chDirBtn");
  createDSCb_ = Interface<COptionUI>(find(L"createDSCb"), L"Option");
  createQSCb_ = Interface<COptionUI>(find(L"createQSCb"), L"Option");
  customeInstallBtn_ = find(L"customeInstallBtn");
  progressAnLb_ = find(L"progressAnLb");
  progressLb_ = find(L"progressLb");
  installPrg_ = Interface<CProgressUI>(find(L"installPrg"), L"Progress");
  finishedLbl_ = find(L"finishedLbl");
  openProduceBtn_ = find(L"openProduceBtn");
  softNameLbl_ = find(L"softNameLbl");
  bTitleLbl_[0] = find(L"bTitleLbl1");
  bTitleLbl_[1] = find(L"bTitleLbl2");
  bTitleLbl_[2] = find(L"bTitleLbl3");
  installLogo_ = find(L"installLogo");
  languageCombo_ = find(L"languageCombo");
}

void CMainWnd::FitProductLabel(CControlUI* label) {
  if (!label) return;
  auto* asLabel = Interface<SkinUI::CLabelUI>(label, L"Label");
  HDC dc = manager_.PaintDC();
  SIZE extent = {0, 0};
  if (dc) {
    HFONT font = manager_.Font(asLabel ? asLabel->FontIndex() : -1);
    HGDIOBJ old = ::SelectObject(dc, font);
    ::GetTextExtentPoint32W(dc, kTitle, static_cast<int>(std::wcslen(kTitle)), &extent);
    ::SelectObject(dc, old);
  }
  label->SetFixedWidth(extent.cx);
  label->SetText(kTitle);
}

void CMainWnd::OnSkinLoaded() {
  CSkinFrame::OnSkinLoaded();
  LONG style = ::GetWindowLongW(window_, GWL_STYLE);
  style = (style & ~(WS_CAPTION | WS_MAXIMIZEBOX)) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  ::SetWindowLongW(window_, GWL_STYLE, style);
  ::SetWindowLongW(window_, GWL_EXSTYLE, ::GetWindowLongW(window_, GWL_EXSTYLE) & ~WS_EX_TOPMOST);
  SetWindowIcon(kIconId);
  LookUpControls();

  InstallerSettings& settings = InstallerSettings::Instance();
  if (languageCombo_) SelectStartLanguage(manager_);
  FitProductLabel(softNameLbl_);
  for (CControlUI* label : bTitleLbl_) FitProductLabel(label);

  poster_ = std::make_shared<InstallerEventPoster>(window_);
  eventCallback_ = InstallerEventPoster::CallbackFor(poster_);
  installer_ = std::make_unique<CDownloadInstaller>(eventCallback_, L"", L"", L"", true, true, true);

  ReadRegistryValue(L"InstallPath", registeredInstallPath_);
  ReadRegistryValue(L"UnInstallEp", registeredUninstaller_);
  if (registeredUninstaller_.empty() && !registeredInstallPath_.empty())
    registeredUninstaller_ = registeredInstallPath_ + L"\\uninst.ep";
  oldInstallPresent_ = FileExists(registeredInstallPath_);

  if (installDirEdit_) installDirEdit_->SetText(GetDefaultInstallDir());
  CenterOnOwner();
  if (!oldInstallPresent_) return;

  SelectInstalledLanguage(manager_, registeredInstallPath_);

  if (Utils::FindProcessByName(kProductExe) != 0) {
    if (settings.InsNew) {
      StartInstall(registeredInstallPath_, true, true);
      return;
    }
    Ask(L"MessageBox1Wnd.xml", kRunningText, kNoticeCaption);
    RequestClosing();
    return;
  }
  if (settings.InsNew) {
    StartInstall(registeredInstallPath_, true, true);
    return;
  }
  switch (Ask(L"InstalledPathTipWnd.xml", nullptr, nullptr)) {
    case MB_RESULT_OK: StartInstall(registeredInstallPath_, true, true); break;
    case MB_RESULT_CANCEL:
      exePath_ = registeredInstallPath_ + L"\\" + kProductExe;
      ::ShellExecuteW(nullptr, L"open", exePath_.c_str(), nullptr, registeredInstallPath_.c_str(), SW_SHOWNORMAL);
      RequestClosing();
      break;
    default: RequestClosing(); break;
  }
}

int CMainWnd::Ask(const wchar_t* skin, const wchar_t* text, const wchar_t* caption) {
  if (!Alive()) return -1;
  const int result = ShowMessageBox(window_, skin, text, caption);
  return Alive() ? result : -1;
}

void CMainWnd::RequestClosing() { RequestClose(1); }

std::wstring CMainWnd::GetDefaultInstallDir() {
  std::wstring consoleUser;
  consoleUserIsAdmin_ = Utils::GetActiveConsoleUserName(consoleUser) && Utils::IsConsoleUserAdmin(consoleUser);
  processIsAdmin_ = Utils::IsProcessAdmin();
  return InstallDirs::Proposed(registeredInstallPath_, registeredUninstaller_, consoleUserIsAdmin_, processIsAdmin_);
}

std::wstring CMainWnd::GetCustomInstallDir() {
  const std::wstring proposed = GetDefaultInstallDir();
  const std::wstring typed = installDirEdit_ ? installDirEdit_->Text() : std::wstring();
  return InstallDirs::IsSameFolder(proposed, typed) ? proposed : typed;
}

bool CMainWnd::IsChecked(COptionUI* box) const { return box && box->IsSelected(); }

void CMainWnd::SendInstallNotify(WPARAM started, bool asynchronous) {
  if (CControlUI* root = manager_.RootControl()) manager_.SendNotification(root, L"install", started, 0, asynchronous);
}

std::wstring CMainWnd::LanguageCode() { return languageCombo_ ? GetLanguageCode(manager_) : std::wstring(); }

bool CMainWnd::StartInstall(const std::wstring& directory, bool createDesktopShortcut, bool addQuickLaunch) {
  if (!Alive()) return false;
  const InstallerSettings& settings = InstallerSettings::Instance();
  if (!settings.InsNew && Utils::FindProcessByName(kRemovalExe) != 0) {
    Ask(L"MessageBox1Wnd.xml", kRunningText, kNoticeCaption);
    if (oldInstallPresent_) RequestClosing();
    return false;
  }
  if (!settings.InsNew && Utils::FindProcessByName(kProductExe) != 0) {
    Ask(L"MessageBox1Wnd.xml", kRunningText, kNoticeCaption);
    RequestClosing();
    return false;
  }
  SetEnabled(customeInstallBtn_, false);
  if (!Utils::CreateDirectoryTree(directory)) {
    if (Ask(L"MessageBox2Wnd.xml", L"无效路径", kNoticeCaption) >= 0) SendInstallNotify(0, false);
    return false;
  }
  if (!InstallDirs::HasRoomFor(InstallDirs::FreeBytesOnDrive(directory))) {
    if (Ask(L"MessageBox2Wnd.xml", L"当前磁盘剩余空间低于1GB，请修改安装路径", kNoticeCaption) >= 0)
      SendInstallNotify(0, false);
    return false;
  }
  installDir_ = directory;

  std::wstring uninstaller = registeredUninstaller_;
  if (InstallDirs::IsSameFolder(registeredInstallPath_, directory)) {
    wchar_t value[20] = {};
    ::GetPrivateProfileStringW(L"Uninstall", L"IsOverride", L"true", value, 20,
                               InstallDirs::Join(directory, L"set.ini").c_str());
    if (std::wcscmp(value, L"false") == 0) uninstaller.clear();
  }

  InstallRequest request;
  request.downloadUrl = settings.DownloadUrl;
  request.previousInstallDir = registeredInstallPath_;
  request.uninstaller = uninstaller;
  request.installDir = directory;
  request.desktopShortcut = createDesktopShortcut;
  request.quickLaunchShortcut = addQuickLaunch;
  request.consoleUserIsAdmin = consoleUserIsAdmin_;
  request.processIsAdmin = processIsAdmin_;
  request.language = LanguageCode();
  lastRequest_ = request;
  installer_->Init(request.downloadUrl, request.previousInstallDir, request.uninstaller, request.installDir,
                   request.desktopShortcut, request.quickLaunchShortcut, request.consoleUserIsAdmin,
                   request.processIsAdmin, request.language);
  WRITE_LOG(L"StartInstall dir=%s uninstaller=%s checknet=%d\r\n", directory.c_str(), uninstaller.c_str(),
            settings.IsCheckNet ? 1 : 0);

  if (settings.IsCheckNet) {
    if (netCheckThread_) netCheckThread_->Join();
    netCheckThread_.reset();
    checkTarget_ = window_;
    netCheckThread_ = std::make_unique<Utils::Thread>(this, L"ABDEF", [](void* self) {
      static_cast<CMainWnd*>(self)->NetworkCheckThread();
      return 0u;
    });
    netCheckThread_->Resume();
  } else {
    SendInstallNotify(1, true);
  }
  return true;
}

void CMainWnd::NetworkCheckThread() {
  const HRESULT com = ::CoInitialize(nullptr);
  const int32_t result = Utils::CheckNetwork();
  ::PostMessageW(checkTarget_, kCheckNetResult, static_cast<WPARAM>(static_cast<uint32_t>(result)), 0);
  if (SUCCEEDED(com)) ::CoUninitialize();
}

void CMainWnd::OnCheckNet(WPARAM wParam) {
  const bool connected = Utils::NetworkStatus(static_cast<int32_t>(wParam)) == 0;
  if (!connected && Ask(L"MessageBox2Wnd.xml", L"当前网络环境较差，请在网络通畅时进行安装", kNoticeCaption) < 0) return;
  SendInstallNotify(connected ? 1 : 0, false);
}

void CMainWnd::OnInstallNotify(bool started) {
  // A second start queued before the first was shown (a double click) must not run a second
  // chain beside the first.
  if (started && Alive() && CurrentPage() != PAGE_PROGRESS) {
    pageBeforeInstall_ = CurrentPage();
    SelectPage(PAGE_PROGRESS);
    StartInstaller();
  }
  SetEnabled(customeInstallBtn_, true);
}

void CMainWnd::StartInstaller() { installer_->Start(); }

void CMainWnd::SelectPage(int page) {
  if (mainTabLt_) mainTabLt_->SelectItem(page, true);
}

void CMainWnd::OnNotify(NotifyEvent& notification) {
  const std::wstring& type = notification.type;
  CControlUI* sender = notification.sender;
  if (type == L"selectchanged") {
    OnSelectChanged(sender);
  } else if (type == L"tabselect") {
    DecoratePage();
  } else if (type == L"checknet") {
    OnCheckNet(notification.wParam);
  } else if (type == L"install") {
    OnInstallNotify(notification.wParam != 0);
  } else if (type == L"timer") {
    OnTimer(notification);
  } else if (type == L"itemselect") {
    auto* combo = Interface<SkinUI::CComboUI>(languageCombo_, L"Combo");
    if (combo && sender == languageCombo_) ApplyLanguage(manager_, combo->GetCurSel());
  } else {
    CSkinFrame::OnNotify(notification);
  }
}

void CMainWnd::OnSelectChanged(CControlUI* sender) {
  if (!sender) return;
  if (sender == treatyCb_) {
    if (treatyBtn_) treatyBtn_->SetSelected(IsChecked(treatyCb_), true);
    if (IsChecked(treatyCb_) && (!serviceCb_ || IsChecked(serviceCb_))) {
      SetEnabled(customeBtn_, true);
      SetVisible(tipLbl_, false);
    } else {
      SetEnabled(customeBtn_, false);
    }
  } else if (sender == serviceCb_) {
    if (IsChecked(serviceCb_)) {
      if (IsChecked(treatyCb_)) SetEnabled(customeBtn_, true);
      SetEnabled(defaultInstallBtn_, true);
    } else {
      SetEnabled(customeBtn_, false);
      SetEnabled(defaultInstallBtn_, false);
    }
  } else if (sender == treatyBtn_) {
    treatyBtn_->SetSelected(IsChecked(treatyCb_), true);
  }
}

void CMainWnd::DecoratePage() {
  const int page = CurrentPage();
  const PageLook look = LookOf(page);
  if (winCtn_) {
    winCtn_->SetBackgroundImage(look.background);
    winCtn_->Invalidate();
  }
  auto* progressAnimation = dynamic_cast<SkinUI::CSequenceLabelUI*>(progressAnLb_);
  if (page == PAGE_PROGRESS && progressAnimation) progressAnimation->Play();
  if (page == PAGE_FINISHED) {
    if (progressAnimation) manager_.KillControlTimer(progressAnimation, SkinUI::TIMER_SEQUENCE_FRAME);
    if (auto* finished = dynamic_cast<SkinUI::CSequenceLabelUI*>(finishedLbl_)) finished->Play();
  }
  if (look.titlePage >= 0 && titleTabLt_) titleTabLt_->SelectItem(look.titlePage, true);
  SetVisible(titleGrpCtn_, page != PAGE_PROGRESS);
  SetVisible(installLogo_, page == PAGE_PROGRESS);
  SetVisible(backBtn_, page == PAGE_CUSTOM);
}

void CMainWnd::OnClickNotify(NotifyEvent& notification) {
  CControlUI* sender = notification.sender;
  if (!sender) return;
  if (sender == defaultInstallBtn_) {
    if (IsChecked(treatyCb_))
      StartInstall(GetDefaultInstallDir(), true, true);
    else
      SetVisible(tipLbl_, true);
  } else if (sender == customeBtn_) {
    SelectPage(PAGE_CUSTOM);
    if (customeInstallBtn_) manager_.SetFocusControl(customeInstallBtn_);
  } else if (sender == treatyBtn_) {
    OpenTermsPage();
  } else if (sender == backBtn_) {
    SelectPage(PAGE_DEFAULT);
  } else if (sender == chDirBtn_) {
    BrowseForFolder();
  } else if (sender == customeInstallBtn_) {
    StartInstall(GetCustomInstallDir(), IsChecked(createDSCb_), IsChecked(createQSCb_));
  } else if (sender == openProduceBtn_) {
    if (startupStyle_ != 1) OpenProduct();
    RequestClosing();
  } else if (sender->Name() == L"closebtn") {
    OnCloseButton();
  } else {
    CSkinFrame::OnClickNotify(notification);
  }
}

void CMainWnd::OnCloseButton() {
  if (CurrentPage() == PAGE_FINISHED) {
    RequestClosing();
    return;
  }
  if (Ask(L"ExitTipWnd.xml", nullptr, nullptr) == MB_RESULT_OK) RequestClosing();
}

void CMainWnd::OpenTermsPage() {
  ::ShellExecuteW(nullptr, L"open", DRAVIX_TERMS_URL, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void CMainWnd::BrowseForFolder() {
  BROWSEINFOW info = {};
  info.hwndOwner = window_;
  info.lpszTitle = L"选择一个文件夹";
  info.ulFlags = BIF_NEWDIALOGSTYLE;
  // The new dialog style needs COM on this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
  if (chosen) {
    wchar_t path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(chosen, path) && installDirEdit_)
      installDirEdit_->SetText(InstallDirs::Join(path, InstallDirs::kProductFolder));
    ::CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
}
