#include "tests/app/installer_window_run.h"

#include <windows.h>

#include <atomic>
#include <thread>

namespace AppTests {

DebugCaptureResult RunAndCloseTheWindow(const std::wstring& commandLine, bool* windowSeen) {
  DebugCaptureResult run;
  std::atomic<bool> ended{false};
  std::thread capture([&] {
    run = RunWithDebugCapture(commandLine, nullptr, 120000);
    ended = true;
  });
  HWND window = nullptr;
  for (int i = 0; i < 1800 && !window && !ended; ++i) {
    window = ::FindWindowW(L"MainWnd", nullptr);
    if (!window) ::Sleep(50);
  }
  if (window) ::PostMessageW(window, WM_CLOSE, 1, 0);
  capture.join();
  if (windowSeen) *windowSeen = window != nullptr;
  return run;
}

}  // namespace AppTests
