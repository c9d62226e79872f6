#include "skinui/edit_wnd.h"

#include "skinui/edit.h"

namespace SkinUI {

LRESULT CEditWnd::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        owner_->OnNativeReturn();
        return 0;
      }
      break;
    case WM_CHAR:
      // The character the translated Return key produces; the key itself was consumed above.
      if (wParam == L'\r') return 0;
      break;
    case WM_KILLFOCUS: {
      const LRESULT result = CallPreviousProc(message, wParam, lParam);
      // Checked later: a click on the edit moves the focus to the window for a moment before
      // the edit takes it back, and closing from inside the focus change would pull the window
      // away under the edit's own handling.
      ::PostMessageW(window_, kCloseUnlessFocused, 0, 0);
      return result;
    }
    case kCloseUnlessFocused:
      if (::GetFocus() == window_) return 0;
      return CallPreviousProc(WM_CLOSE, 0, 0);
    default: break;
  }
  return CallPreviousProc(message, wParam, lParam);
}

void CEditWnd::OnWindowDestroyed(HWND) { owner_->OnNativeWindowClosed(); }

}  // namespace SkinUI
