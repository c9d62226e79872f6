// How the orchestrator's events reach the main window: each event is copied into a record on the
// worker's thread and posted to the window, which handles and deletes it on its own thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "download/download_callback.h"

// wParam 0; lParam an InstallerEventMsg* the window deletes after handling (0 is ignored).
constexpr UINT WM_INSTALLER_EVENT = WM_USER + 1000;

struct InstallerEventMsg {
  InstallerEventMsg(int code, double value, const wchar_t* text) : code(code), value(value), text(text ? text : L"") {
    ++live;
  }
  ~InstallerEventMsg() { --live; }
  InstallerEventMsg(const InstallerEventMsg&) = delete;
  InstallerEventMsg& operator=(const InstallerEventMsg&) = delete;

  int code;
  double value;
  std::wstring text;

  // Records allocated and not yet deleted, in the whole process: what a leak check reads.
  static std::atomic<int> live;
};

// Posts events to one window from any number of threads. Once closed nothing more is posted,
// and the records still queued for the window are reclaimed, so none outlives the window.
// mutex_ orders every post against Close: a record is either queued before the drain or never.
class InstallerEventPoster {
 public:
  explicit InstallerEventPoster(HWND window) : window_(window) {}

  // Any thread. After Close, or when the window is gone, the record is dropped here.
  void Post(int code, double value, const wchar_t* text);
  // The window's thread, while the window still exists: stops posting and deletes the records
  // waiting in the queue. Returns how many it deleted.
  int Close();

  // A callback bound to the poster; it keeps the poster alive as long as anyone holds it.
  static DownloadCallback CallbackFor(const std::shared_ptr<InstallerEventPoster>& poster);

 private:
  std::mutex mutex_;
  HWND window_;
  bool closed_ = false;
};
