// The main window's side of an installation: the orchestrator's events, the progress page,
// success with its records and timers, and each kind of failure.
#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <memory>

#include "install/install_event_codes.h"
#include "skinui/progress.h"
#include "skinui/window_manager.h"
#include "ui/install_records.h"
#include "ui/main_wnd.h"
#include "ui/message_box_wnd.h"
#include "ui/product_launch.h"
#include "ui/progress_text.h"
#include "utils/installer_settings.h"

using SkinUI::CControlUI;
using SkinUI::NotifyEvent;

namespace {

// Windows accepts no longer timer period; a longer one means "keep the window open".
constexpr UINT kLongestTimerPeriod = 0x7FFFFFFF;

UINT TimerPeriod(UINT milliseconds) { return std::min(milliseconds, kLongestTimerPeriod); }

// A protocol value converted as the package meant it: negative and oversized values saturate.
UINT ToDelay(double value) {
  if (!(value > 0)) return 0;
  if (value >= 4294967295.0) return 0xFFFFFFFF;
  return static_cast<UINT>(value);
}

}  // namespace

LRESULT CMainWnd::OnInstallerEvent(UINT, WPARAM, LPARAM lParam, bool&) {
  // Deleted whatever happens below, also when the window goes away during a box.
  std::unique_ptr<InstallerEventMsg> record(reinterpret_cast<InstallerEventMsg*>(lParam));
  if (!record) return 0;
  const double scale = InstallerSettings::Instance().DownloadScale;
  switch (record->code) {
    case DL_CODE_START:
      progressClockStart_ = ::GetTickCount();
      progressClockRunning_ = true;
      break;
    case DL_CODE_PROGRESS: ShowPercent(ProgressText::DownloadPercent(record->value, scale)); break;
    case DL_CODE_FAIL: OnDownloadFailed(); break;
    case IST_CODE_START: WriteSetIni(installDir_); break;
    case IST_CODE_PROGRESS:
      installFraction_ = ProgressText::NextInstallFraction(installFraction_, record->value);
      ShowPercent(ProgressText::InstallPercent(installFraction_, scale));
      break;
    case IST_CODE_SUCCESS: OnInstallSucceeded(); break;
    case IST_CODE_FAIL: OnPackageFailed(record->text); break;
    case IST_CODE_INSTPATH: installDir_ = record->text; break;
    case IST_CODE_EXEPATH: exePath_ = record->text; break;
    case IST_CODE_UNINSTEP: packageUninstEp_ = record->text; break;
    case IST_CODE_STARTUPSTYLE: startupStyle_ = static_cast<int>(record->value); break;
    case IST_CODE_TOPSHOWDETENTION: topShowDelay_ = ToDelay(record->value); break;
    case IST_CODE_FINISHCLOSEDETENTION: finishCloseDelay_ = ToDelay(record->value); break;
    case IST_CODE_MESSAGE: Ask(L"MessageBox1Wnd.xml", record->text.c_str(), L"消息"); break;
    case UNIST_CODE_FAIL:
    case UNIST_CODE_ERROR: OnRemovalFailed(); break;
    default: break;
  }
  return 0;
}

double CMainWnd::ElapsedSeconds() const {
  if (!progressClockRunning_) return 0;
  return static_cast<float>(::GetTickCount() - progressClockStart_) / 1000.0f;
}

void CMainWnd::ShowPercent(int percent) {
  if (progressLb_) {
    const std::wstring text = ProgressText::Format(progressLb_->UserData(), ElapsedSeconds(), percent);
    progressLb_->SetText(text);
  }
  if (installPrg_) installPrg_->SetValue(percent);
}

void CMainWnd::OnInstallSucceeded() {
  if (installPrg_) {
    installPrg_->SetValue(100);
    const std::wstring image = L"res\\mainWnd\\installPrg3.png";
    if (::PathFileExistsW((SkinUI::CWindowManagerUI::SkinFolderPath() + image).c_str())) {
      installPrg_->SetForeImage(image);
      installPrg_->Invalidate();
    }
  }
  if (softNameLbl_) {
    softNameLbl_->SetText(kTitle);
    softNameLbl_->SetVisible(true);
  }
  SelectPage(PAGE_FINISHED);
  OnInstallFinished();
}

void CMainWnd::OnInstallFinished() {
  WriteInstallRecords(installDir_, packageUninstEp_);
  WriteSetIni(installDir_);
  if (startupStyle_ == 1) OpenProduct();
  if (!Alive()) return;
  CControlUI* root = manager_.RootControl();
  if (!root) return;
  if (topShowDelay_ != 0) manager_.SetControlTimer(root, TIMER_TOP_SHOW, TimerPeriod(topShowDelay_));
  if (finishCloseDelay_ != 0) manager_.SetControlTimer(root, TIMER_FINISH_CLOSE, TimerPeriod(finishCloseDelay_));
}

void CMainWnd::OpenProduct() { LaunchProduct(window_, exePath_); }

void CMainWnd::OnTimer(NotifyEvent& notification) {
  CControlUI* root = manager_.RootControl();
  if (!root || notification.sender != root) return;
  if (notification.wParam == TIMER_TOP_SHOW) {
    ::SetForegroundWindow(window_);
    manager_.KillControlTimer(root, TIMER_TOP_SHOW);
  } else if (notification.wParam == TIMER_FINISH_CLOSE) {
    RequestClosing();
    manager_.KillControlTimer(root, TIMER_FINISH_CLOSE);
  }
}

void CMainWnd::OnDownloadFailed() {
  const int result = Ask(L"NetworkTipWnd.xml", nullptr, nullptr);
  if (result < 0) return;
  if (result == MB_RESULT_OK) {
    if (pageBeforeInstall_ == PAGE_DEFAULT)
      StartInstall(GetDefaultInstallDir(), true, true);
    else if (pageBeforeInstall_ == PAGE_CUSTOM)
      StartInstall(GetCustomInstallDir(), IsChecked(createDSCb_), IsChecked(createQSCb_));
  } else if (result == MB_RESULT_CANCEL) {
    if (oldInstallPresent_) RequestClosing();
  }
  SelectPage(pageBeforeInstall_);
}

void CMainWnd::OnPackageFailed(const std::wstring& text) {
  if (Ask(L"MessageBox2Wnd.xml", text.empty() ? L"安装失败" : text.c_str(), kNoticeCaption) < 0) return;
  if (installPrg_ && installPrg_->Value() >= 70) {
    if (progressLb_) progressLb_->SetText(ProgressText::kZeroText);
    installPrg_->SetValue(0);
  }
  SelectPage(PAGE_DEFAULT);
}

void CMainWnd::OnRemovalFailed() {
  if (Ask(L"MessageBox1Wnd.xml", kRunningText, kNoticeCaption) < 0) return;
  SelectPage(pageBeforeInstall_);
  if (oldInstallPresent_) RequestClosing();
}
