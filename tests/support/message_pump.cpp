#include "tests/support/message_pump.h"

#include <chrono>

#include "skinui/window_manager.h"

namespace TestSupport {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!SkinUI::CWindowManagerUI::TranslateLoopMessage(&message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
    if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

}  // namespace TestSupport
