#include "skinui/window_impl_base.h"

#include <windowsx.h>

#include <cwchar>

#include "skinui/control.h"
#include "skinui/skin_builder.h"
#include "utils/gdi_objects.h"

namespace SkinUI {
namespace {

// The buttons of a caption stay clickable; any other control there drags the window.
bool IsClickableInCaption(const CControlUI* control) {
  const wchar_t* name = control->ClassName();
  return std::wcscmp(name, L"Button") == 0 || std::wcscmp(name, L"Option") == 0 || std::wcscmp(name, L"Text") == 0;
}

RECT WorkAreaOf(HWND window, RECT* monitorRect = nullptr) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  if (monitorRect) *monitorRect = info.rcMonitor;
  return info.rcWork;
}

}  // namespace

const NotifyMapEntry WindowImplBase::kEntries[] = {
    {L"click", L"", kHandlerNotify, static_cast<void (CNotifyPump::*)(NotifyEvent&)>(&WindowImplBase::OnClickNotify),
     nullptr},
};
const NotifyMap WindowImplBase::kMap = {nullptr, kEntries, sizeof(kEntries) / sizeof(kEntries[0])};

WindowImplBase::~WindowImplBase() {
  // The window must not reach this object's handlers while its members go.
  if (window_ && ::IsWindow(window_)) {
    HWND window = window_;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = nullptr;
    ::DestroyWindow(window);
  }
}

const NotifyMap* WindowImplBase::MessageMap() const { return &kMap; }

void WindowImplBase::OnNotify(NotifyEvent& notification) { DispatchNotify(notification); }

void WindowImplBase::OnClickNotify(NotifyEvent& notification) {
  if (!notification.sender) return;
  const std::wstring& name = notification.sender->Name();
  if (name == L"closebtn")
    RequestClose(1);
  else if (name == L"minbtn")
    SendWindowMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else if (name == L"maxbtn")
    SendWindowMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  else if (name == L"restorebtn")
    SendWindowMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT WindowImplBase::OnDefaultKey(WPARAM key) {
  if (key == VK_ESCAPE) {
    RequestClose(1);
    return 1;
  }
  return 0;
}

LRESULT WindowImplBase::FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) {
  if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) return OnDefaultKey(wParam);
  return 0;
}

LONG WindowImplBase::WindowStyle() const { return ::GetWindowLongW(window_, GWL_STYLE) & ~WS_CAPTION; }

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
  if (::IsIconic(window_)) handled = false;
  return wParam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM wParam, LPARAM lParam, bool&) {
  if (::IsZoomed(window_) && wParam) {
    auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
    const RECT work = WorkAreaOf(window_);
    RECT& proposed = params->rgrc[0];
    proposed.right = proposed.left + (work.right - work.left);
    proposed.bottom = proposed.top + (work.bottom - work.top);
    return WVR_REDRAW;
  }
  return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
  POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ScreenToClient(window_, &point);
  RECT client;
  ::GetClientRect(window_, &client);
  if (!::IsZoomed(window_)) {
    const RECT box = manager_.SizeBox();
    if (point.y < client.top + box.top) {
      if (point.x < client.left + box.left) return HTTOPLEFT;
      if (point.x > client.right - box.right) return HTTOPRIGHT;
      return HTTOP;
    }
    if (point.y > client.bottom - box.bottom) {
      if (point.x < client.left + box.left) return HTBOTTOMLEFT;
      if (point.x > client.right - box.right) return HTBOTTOMRIGHT;
      return HTBOTTOM;
    }
    if (point.x < client.left + box.left) return HTLEFT;
    if (point.x > client.right - box.right) return HTRIGHT;
  }
  const RECT caption = manager_.CaptionRect();
  if (point.x >= client.left + caption.left && point.x < client.right - caption.right && point.y >= caption.top &&
      point.y < caption.bottom) {
    CControlUI* control = manager_.FindControlAt(point);
    if (!control || IsClickableInCaption(control)) return HTCLIENT;
    return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool& handled) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  RECT monitor;
  const RECT work = WorkAreaOf(window_, &monitor);
  info->ptMaxPosition.x = work.left - monitor.left;
  info->ptMaxPosition.y = work.top - monitor.top;
  info->ptMaxTrackSize.x = work.right - work.left;
  info->ptMaxTrackSize.y = work.bottom - work.top;
  info->ptMinTrackSize.x = manager_.MinInfo().cx;
  info->ptMinTrackSize.y = manager_.MinInfo().cy;
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& handled) {
  const SIZE round = manager_.RoundCorner();
  if (!::IsIconic(window_) && (round.cx != 0 || round.cy != 0)) {
    RECT rect;
    ::GetWindowRect(window_, &rect);
    Utils::UniqueRegion region(
        ::CreateRoundRectRgn(0, 0, rect.right - rect.left + 1, rect.bottom - rect.top + 1, round.cx, round.cy));
    // Once set, the region belongs to the window.
    if (region && ::SetWindowRgn(window_, region.get(), TRUE)) region.release();
  }
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
  if ((wParam & 0xFFF0) == SC_CLOSE) {
    PostWindowMessage(WM_CLOSE);
    return 0;
  }
  const bool wasZoomed = ::IsZoomed(window_) != FALSE;
  const LRESULT result = CallPreviousProc(message, wParam, lParam);
  if (window_ && wasZoomed != (::IsZoomed(window_) != FALSE)) {
    CControlUI* maxButton = manager_.FindControlByName(L"maxbtn");
    CControlUI* restoreButton = manager_.FindControlByName(L"restorebtn");
    if (maxButton && restoreButton) {
      maxButton->SetVisible(wasZoomed);
      restoreButton->SetVisible(!wasZoomed);
    }
  }
  return result;
}

void WindowImplBase::OnSkinLoadFailed() {
  ::MessageBoxW(nullptr, kSkinErrorText, kSkinErrorCaption, MB_ICONERROR);
  ::ExitProcess(1);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
  const LONG style = ::GetWindowLongW(window_, GWL_STYLE);
  ::SetWindowLongW(window_, GWL_STYLE, static_cast<LONG>((style & 0xFF3FFFFF) | 0x06000000));
  ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  manager_.AttachWindow(window_);
  manager_.AddPreFilter(this);

  CControlUI* root = nullptr;
  if (CWindowManagerUI::OpenSkinSource(SkinSourceKind(), SkinFolder(), SkinResourceId(), SkinArchiveFileName())) {
    CSkinBuilder builder;
    const std::wstring file = SkinFileName();
    if (SkinSourceKind() == SkinSource::Resource)
      root = builder.Create(MAKEINTRESOURCEW(static_cast<WORD>(std::wcstol(file.c_str(), nullptr, 10))), L"xml", this,
                            &manager_);
    else
      root = builder.Create(file.c_str(), nullptr, this, &manager_);
  }
  if (!root) OnSkinLoadFailed();
  manager_.AttachRoot(root);
  manager_.AddNotifyListener(this);
  OnSkinLoaded();
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::HandleOtherMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = true;
  LRESULT result = 0;
  switch (message) {
    case WM_CREATE: result = OnCreate(message, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(message, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(message, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(message, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(message, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(message, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(message, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(message, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(message, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(message, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(message, wParam, lParam, handled); break;
    case WM_CHAR: result = OnChar(message, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(message, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(message, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(message, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(message, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(message, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(message, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(message, wParam, lParam, handled); break;
    default: handled = false; break;
  }
  if (handled) return result;
  handled = false;
  result = HandleOtherMessage(message, wParam, lParam, handled);
  if (handled) return result;
  if (manager_.HandleManagerMessage(message, wParam, lParam, result)) return result;
  return CallPreviousProc(message, wParam, lParam);
}

void WindowImplBase::OnWindowDestroyed(HWND) {
  manager_.RemovePreFilter(this);
  manager_.RemoveNotifyListener(this);
  manager_.ReleaseRoot();
}

}  // namespace SkinUI
