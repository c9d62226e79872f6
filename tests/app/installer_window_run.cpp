#include "tests/app/installer_window_run.h"

#include <windows.h>

#include <atomic>
#include <thread>

#include "tests/support/wait.h"

namespace AppTests {

DebugCaptureResult RunAndCloseTheWindow(const std::wstring& commandLine, bool* windowSeen) {
  DebugCaptureResult run;
  std::atomic<bool> ended{false};
  std::thread capture([&] {
    run = RunWithDebugCapture(commandLine, nullptr, 120000);
    ended = true;
  });
  HWND window = nullptr;
  TestSupport::WaitUntil([&] { return (window = ::FindWindowW(L"MainWnd", nullptr)) != nullptr || ended; }, 90000);
  if (window) ::PostMessageW(window, WM_CLOSE, 1, 0);
  capture.join();
  if (windowSeen) *windowSeen = window != nullptr;
  return run;
}

}  // namespace AppTests
