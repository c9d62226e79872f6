// CEditWnd: the native edit window a CEditUI opens while it has the focus. It superclasses the
// platform's EDIT class as "EditWnd", reports Return to its control and closes itself when it
// loses the keyboard focus.
#pragma once

#include <windows.h>

#include "skinui/window_wnd.h"

namespace SkinUI {

class CEditUI;

class CEditWnd : public CWindowWnd {
 public:
  // Posted to itself when it loses the focus: it closes unless the focus came back.
  static constexpr UINT kCloseUnlessFocused = WM_APP + 0x60;

  explicit CEditWnd(CEditUI* owner) : owner_(owner) {}

 protected:
  const wchar_t* WindowClassName() const override { return L"EditWnd"; }
  const wchar_t* SuperClassName() const override { return L"EDIT"; }
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed(HWND window) override;

 private:
  CEditUI* owner_;
};

}  // namespace SkinUI
