#include "ui/product_launch.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "skinui/window_manager.h"

namespace {

constexpr DWORD kPumpMilliseconds = 100;

}  // namespace

bool PumpMessagesBriefly(HWND window) {
  const DWORD start = ::timeGetTime();
  MSG message = {};
  for (;;) {
    if (window && !::IsWindow(window)) return false;
    const DWORD elapsed = ::timeGetTime() - start;
    if (elapsed > kPumpMilliseconds) return true;
    // Waiting with the time left keeps an idle thread from blocking here until some message comes.
    if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::MsgWaitForMultipleObjectsEx(0, nullptr, kPumpMilliseconds - elapsed + 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      continue;
    }
    if (message.message == WM_QUIT) {
      // The outer loop must end too.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    if (!SkinUI::CWindowManagerUI::TranslateLoopMessage(&message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

void LaunchProduct(HWND window, const std::wstring& exePath) {
  if (exePath.empty() || !::PathFileExistsW(exePath.c_str())) return;
  PumpMessagesBriefly(window);
  ::ShellExecuteW(nullptr, L"open", exePath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
