// CComboDropDownWnd: the pop-up list of a CComboUI. It is a borderless window owned by the
// combo's window, painted with that window's fonts and images; it closes when an item is chosen,
// on Escape, or when another window becomes active.
#pragma once

#include <windows.h>

#include "skinui/back_buffer.h"
#include "skinui/window_wnd.h"

namespace SkinUI {

class CComboUI;

class CComboDropDownWnd : public CWindowWnd {
 public:
  explicit CComboDropDownWnd(CComboUI* owner) : owner_(owner) {}

  // Opens the list under (or, without room, above) the combo; false when the window cannot be made.
  bool Open();
  void Close();
  bool IsOpen() const { return window_ != nullptr; }
  // The item under the pointer or the keyboard's, -1 for none.
  int HotItem() const { return hot_; }
  int TopItem() const { return top_; }

 protected:
  const wchar_t* WindowClassName() const override { return L"SkinComboDropDown"; }
  UINT ClassStyle() const override { return CS_DROPSHADOW; }
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed(HWND window) override;

 private:
  int VisibleRows() const;
  int ItemAtPoint(POINT point) const;
  RECT ItemRect(int index) const;
  void SetHot(int index);
  void ScrollBy(int rows);
  void Choose(int index);
  void Paint();

  CComboUI* owner_;
  int hot_ = -1;
  int top_ = 0;
  bool closing_ = false;
  bool lostActivation_ = false;
  BackBuffer buffer_;
};

}  // namespace SkinUI
