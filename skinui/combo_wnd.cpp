#include "skinui/combo_wnd.h"

#include <windowsx.h>

#include <algorithm>

#include "skinui/combo.h"
#include "skinui/draw_engine.h"
#include "skinui/window_manager.h"
#include "utils/gdi_objects.h"

namespace SkinUI {
namespace {

constexpr int kBorder = 1;
constexpr int kThumbWidth = 3;

}  // namespace

bool CComboDropDownWnd::Open() {
  CWindowManagerUI* manager = owner_->Manager();
  HWND ownerWindow = manager ? manager->PaintWindow() : nullptr;
  if (!ownerWindow || owner_->Count() == 0) return false;
  const ComboListStyle& style = owner_->ListStyle();

  RECT combo = owner_->Position();
  ::MapWindowPoints(ownerWindow, nullptr, reinterpret_cast<POINT*>(&combo), 2);
  const int rows = std::max(1, std::min(owner_->Count(), style.maxListHeight / style.itemHeight));
  const int width = std::max<int>(combo.right - combo.left, 2 * kBorder + 1);
  const int height = rows * style.itemHeight + 2 * kBorder;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(ownerWindow, MONITOR_DEFAULTTONEAREST), &monitor);
  // Below the combo; above it when only there is room.
  long top = combo.bottom;
  if (top + height > monitor.rcWork.bottom && combo.top - height >= monitor.rcWork.top) top = combo.top - height;

  hot_ = std::max(owner_->GetCurSel(), 0);
  top_ = std::max(0, std::min(hot_, owner_->Count() - rows));
  if (!CreateNativeWindow(ownerWindow, L"", WS_POPUP, WS_EX_TOOLWINDOW, combo.left, top, width, height)) return false;
  ::ShowWindow(window_, SW_SHOW);
  ::SetFocus(window_);
  return window_ != nullptr;
}

void CComboDropDownWnd::Close() {
  if (!window_ || closing_) return;
  closing_ = true;
  HWND window = window_;
  HWND owner = ::GetWindow(window, GW_OWNER);
  const bool wasActive = ::GetActiveWindow() == window;
  ::DestroyWindow(window);
  // The owner gets the keyboard back, as after any pop-up.
  if (wasActive && owner && ::IsWindowEnabled(owner)) ::SetActiveWindow(owner);
}

void CComboDropDownWnd::OnWindowDestroyed(HWND) {
  const bool lostActivation = lostActivation_;
  closing_ = false;
  lostActivation_ = false;
  hot_ = -1;
  buffer_.Reset();
  owner_->OnListClosed(lostActivation);
}

int CComboDropDownWnd::VisibleRows() const {
  RECT client = {};
  if (window_) ::GetClientRect(window_, &client);
  return std::max(1, static_cast<int>(client.bottom - client.top - 2 * kBorder) / owner_->ListStyle().itemHeight);
}

RECT CComboDropDownWnd::ItemRect(int index) const {
  RECT client = {};
  ::GetClientRect(window_, &client);
  const int h = owner_->ListStyle().itemHeight;
  const long top = kBorder + static_cast<long>(index - top_) * h;
  return RECT{kBorder, top, client.right - kBorder, top + h};
}

int CComboDropDownWnd::ItemAtPoint(POINT point) const {
  RECT client = {};
  ::GetClientRect(window_, &client);
  if (point.x < kBorder || point.x >= client.right - kBorder || point.y < kBorder) return -1;
  const int index = top_ + static_cast<int>(point.y - kBorder) / owner_->ListStyle().itemHeight;
  return index < owner_->Count() && index < top_ + VisibleRows() ? index : -1;
}

void CComboDropDownWnd::SetHot(int index) {
  if (index < 0 || index >= owner_->Count() || index == hot_) return;
  hot_ = index;
  if (hot_ < top_) top_ = hot_;
  if (hot_ >= top_ + VisibleRows()) top_ = hot_ - VisibleRows() + 1;
  ::InvalidateRect(window_, nullptr, FALSE);
}

void CComboDropDownWnd::ScrollBy(int rows) {
  const int top = std::max(0, std::min(top_ + rows, owner_->Count() - VisibleRows()));
  if (top == top_) return;
  top_ = top;
  ::InvalidateRect(window_, nullptr, FALSE);
}

void CComboDropDownWnd::Choose(int index) {
  CComboUI* owner = owner_;
  Close();
  // The choice may end the combo and with it this object: nothing of this object is used after.
  owner->OnListChoice(index);
}

void CComboDropDownWnd::Paint() {
  Utils::PaintDC paint(window_);
  if (!paint) return;
  RECT client;
  ::GetClientRect(window_, &client);
  const SIZE size = buffer_.size();
  if (!buffer_ || size.cx != client.right || size.cy != client.bottom)
    buffer_.Create(paint.get(), client.right, client.bottom);
  HDC dc = buffer_ ? buffer_.dc() : paint.get();
  CWindowManagerUI* manager = owner_->Manager();
  ComboListStyle& style = owner_->ListStyle();

  if (style.listBkColour) CDrawEngine::DrawColour(dc, client, style.listBkColour);
  CDrawEngine::DrawImageString(dc, manager, client, client, style.listBkImage);
  const int end = std::min(owner_->Count(), top_ + VisibleRows());
  for (int i = top_; i < end; ++i) {
    const RECT item = ItemRect(i);
    const bool hot = i == hot_;
    const bool selected = i == owner_->GetCurSel();
    // The keyboard's and pointer's item shows above the chosen one.
    if (hot) {
      if (style.hotBkColour) CDrawEngine::DrawColour(dc, item, style.hotBkColour);
      if (!CDrawEngine::DrawImageString(dc, manager, item, client, style.hotImage))
        CDrawEngine::DrawImageString(dc, manager, item, client, style.itemBkImage);
    } else if (selected) {
      if (style.selectedBkColour) CDrawEngine::DrawColour(dc, item, style.selectedBkColour);
      if (!CDrawEngine::DrawImageString(dc, manager, item, client, style.selectedImage))
        CDrawEngine::DrawImageString(dc, manager, item, client, style.itemBkImage);
    } else {
      CDrawEngine::DrawImageString(dc, manager, item, client, style.itemBkImage);
    }
    DWORD colour = style.textColour;
    if (selected && style.selectedTextColour) colour = style.selectedTextColour;
    if (hot && style.hotTextColour) colour = style.hotTextColour;
    RECT text = {item.left + style.textPadding.left, item.top + style.textPadding.top,
                 item.right - style.textPadding.right, item.bottom - style.textPadding.bottom};
    CDrawEngine::DrawText(dc, manager, text, owner_->ItemText(i), colour, style.font,
                          DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  }
  if (owner_->Count() > VisibleRows()) {
    // Where the shown rows lie in the whole list.
    const long track = client.bottom - 2 * kBorder;
    const long thumbTop = kBorder + track * top_ / owner_->Count();
    const long thumbBottom = kBorder + track * end / owner_->Count();
    const RECT thumb = {client.right - kBorder - kThumbWidth, thumbTop, client.right - kBorder, thumbBottom};
    CDrawEngine::DrawColour(dc, thumb, style.listBorderColour ? style.listBorderColour : 0xFF808080);
  }
  if (style.listBorderColour) CDrawEngine::DrawRect(dc, client, kBorder, style.listBorderColour, PS_SOLID);
  if (dc != paint.get()) ::BitBlt(paint.get(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

LRESULT CComboDropDownWnd::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_MOUSEMOVE: SetHot(ItemAtPoint(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})); return 0;
    case WM_LBUTTONUP: {
      const int index = ItemAtPoint(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (index >= 0) Choose(index);
      return 0;
    }
    case WM_MOUSEWHEEL: ScrollBy(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? -1 : 1); return 0;
    case WM_KEYDOWN: {
      const int last = owner_->Count() - 1;
      switch (wParam) {
        case VK_UP: SetHot(std::max(hot_ - 1, 0)); return 0;
        case VK_DOWN: SetHot(std::min(hot_ + 1, last)); return 0;
        case VK_PRIOR: SetHot(std::max(hot_ - VisibleRows(), 0)); return 0;
        case VK_NEXT: SetHot(std::min(hot_ + VisibleRows(), last)); return 0;
        case VK_HOME: SetHot(0); return 0;
        case VK_END: SetHot(last); return 0;
        case VK_RETURN:
          if (hot_ >= 0)
            Choose(hot_);
          else
            Close();
          return 0;
        case VK_ESCAPE:
        case VK_F4: Close(); return 0;
        default: return 0;
      }
    }
    case WM_ACTIVATE:
      // Posted: the window is not destroyed inside its own activation change.
      if (LOWORD(wParam) == WA_INACTIVE && !closing_) ::PostMessageW(window_, WM_CLOSE, 1, 0);
      break;
    case WM_CLOSE:
      lostActivation_ = wParam == 1;
      Close();
      return 0;
    default: break;
  }
  return CallPreviousProc(message, wParam, lParam);
}

}  // namespace SkinUI
