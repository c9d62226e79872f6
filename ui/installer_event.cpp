#include "ui/installer_event.h"

std::atomic<int> InstallerEventMsg::live{0};

void InstallerEventPoster::Post(int code, double value, const wchar_t* text) {
  auto record = std::make_unique<InstallerEventMsg>(code, value, text);
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return;
  if (::PostMessageW(window_, WM_INSTALLER_EVENT, 0, reinterpret_cast<LPARAM>(record.get()))) record.release();
}

int InstallerEventPoster::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  int deleted = 0;
  MSG message;
  while (::PeekMessageW(&message, window_, WM_INSTALLER_EVENT, WM_INSTALLER_EVENT, PM_REMOVE)) {
    delete reinterpret_cast<InstallerEventMsg*>(message.lParam);
    ++deleted;
  }
  return deleted;
}

DownloadCallback InstallerEventPoster::CallbackFor(const std::shared_ptr<InstallerEventPoster>& poster) {
  return [poster](int code, double value, const wchar_t* text) { poster->Post(code, value, text); };
}
