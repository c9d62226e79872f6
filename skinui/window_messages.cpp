// How a window manager turns native messages into control events, in a fixed order.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "skinui/language_tokens.h"
#include "skinui/window_manager.h"

namespace SkinUI {

std::vector<CWindowManagerUI*>& ManagerList();

namespace {

bool IsMouseMessage(UINT message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

void CWindowManagerUI::TrackMouse() {
  if (mouseTracking_ || !window_) return;
  TRACKMOUSEEVENT track = {};
  track.cbSize = sizeof(track);
  track.dwFlags = TME_HOVER | TME_LEAVE;
  track.hwndTrack = window_;
  track.dwHoverTime =
      tooltip_ ? static_cast<DWORD>(::SendMessageW(tooltip_.get(), TTM_GETDELAYTIME, TTDT_INITIAL, 0)) : hoverTime_;
  mouseTracking_ = ::TrackMouseEvent(&track) != FALSE;
}

void CWindowManagerUI::MouseMoveTo(POINT point, WPARAM keyState) {
  lastMouse_ = point;
  if (!mouseCaptured_) {
    CControlUI* control = FindControlAt(point);
    if (control && control->Manager() != this) control = nullptr;
    if (control != hover_) {
      if (hover_) {
        ControlEvent leave = MakeEvent(kEventMouseLeave, hover_, 0, 0);
        hover_->DispatchEvent(leave);
      }
      const std::vector<CControlUI*> leaving = mouseLeaveNeeded_;
      for (CControlUI* other : leaving) {
        if (other == hover_) continue;
        ControlEvent leave = MakeEvent(kEventMouseLeave, other, 0, 0);
        other->DispatchEvent(leave);
      }
      if (tooltip_) ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
      hover_ = nullptr;
      if (control) {
        ControlEvent enter = MakeEvent(kEventMouseEnter, control, 0, 0);
        control->DispatchEvent(enter);
        hover_ = control;
      }
    }
  }
  CControlUI* target = click_ ? click_ : FindControlAt(point);
  if (target && target->Manager() == this) {
    ControlEvent move = MakeEvent(kEventMouseMove, target, keyState, 0);
    target->DispatchEvent(move);
  }
}

void CWindowManagerUI::DestroyTooltip() { tooltip_.reset(); }

void CWindowManagerUI::ShowTooltip(CControlUI* control) {
  if (!control || control->ToolTip().empty()) return;
  tooltipText_ = ReplaceLanguageTokens(control->ToolTip());
  if (!tooltip_) {
    tooltip_.reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr));
    if (!tooltip_) return;
    toolInfo_ = {};
    toolInfo_.cbSize = TTTOOLINFOW_V1_SIZE;
    toolInfo_.uFlags = TTF_IDISHWND | TTF_TRACK;
    toolInfo_.hwnd = window_;
    toolInfo_.uId = reinterpret_cast<UINT_PTR>(window_);
    toolInfo_.lpszText = tooltipText_.data();
    toolInfo_.rect = control->Position();
    ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  }
  toolInfo_.lpszText = tooltipText_.data();
  toolInfo_.rect = control->Position();
  ::SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, control->ToolTipWidth());
  ::SendMessageW(tooltip_.get(), TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
  ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&toolInfo_));
}

bool CWindowManagerUI::PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const std::vector<IMessageFilterUI*> filters = preFilters_;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    filter->FilterMessage(message, wParam, lParam, handled);
    if (handled) return true;
  }
  if (message == WM_KEYDOWN && wParam == VK_TAB) {
    if (focus_ && focus_->IsVisible() && focus_->IsEnabled() && std::wcscmp(focus_->ClassName(), L"RichEdit") == 0)
      return false;
    MoveFocus(::GetKeyState(VK_SHIFT) >= 0);
    return true;
  }
  if (message == WM_SYSKEYDOWN && focus_) {
    ControlEvent event = MakeEvent(kEventSysKey, focus_, wParam, lParam);
    event.key = static_cast<wchar_t>(wParam);
    focus_->DispatchEvent(event);
  }
  if (message == WM_SYSCHAR && root_) {
    const wchar_t wanted = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(wParam)));
    struct Find {
      wchar_t ch;
    } find = {wanted};
    CControlUI* found = root_->SearchControls(
        [](CControlUI* control, void* data) -> CControlUI* {
          const wchar_t ch = static_cast<Find*>(data)->ch;
          return control->Shortcut() != 0 && static_cast<wchar_t>(std::towupper(control->Shortcut())) == ch ? control
                                                                                                            : nullptr;
        },
        &find, kFindVisible | kFindEnabled | kFindMeFirst);
    if (found) {
      found->SetFocus();
      found->Activate();
      return true;
    }
  }
  return false;
}

bool CWindowManagerUI::TranslateLoopMessage(MSG* message) {
  if (!message || !message->hwnd) return false;
  const auto managers = ManagerList();
  const bool child = (::GetWindowLongW(message->hwnd, GWL_STYLE) & WS_CHILD) != 0;
  for (HWND window = message->hwnd; window; window = child ? ::GetParent(window) : nullptr) {
    for (CWindowManagerUI* manager : managers) {
      if (manager->window_ != window) continue;
      if (manager->PreHandleMessage(message->message, message->wParam, message->lParam)) return true;
    }
    if (!child) break;
  }
  return false;
}

bool CWindowManagerUI::HandleManagerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  if (!window_) return false;
  {
    const std::vector<IMessageFilterUI*> filters = messageFilters_;
    for (IMessageFilterUI* filter : filters) {
      bool handled = false;
      const LRESULT filtered = filter->FilterMessage(message, wParam, lParam, handled);
      if (handled) {
        if (IsMouseMessage(message) && message != WM_MOUSEWHEEL) lastMouse_ = PointOf(lParam);
        result = filtered;
        return true;
      }
    }
  }
  switch (message) {
    case kAsyncNotifyMessage: DeliverQueuedNotifications(); return true;
    case WM_CLOSE: {
      if (hover_) {
        ControlEvent leave = MakeEvent(kEventMouseLeave, hover_, 0, 0);
        hover_->DispatchEvent(leave);
      }
      if (click_) {
        ControlEvent up = MakeEvent(kEventButtonUp, click_, 0, 0);
        click_->DispatchEvent(up);
      }
      SetFocusControl(nullptr, false);
      if (::GetActiveWindow() == window_) {
        HWND owner = ::GetWindow(window_, GW_OWNER);
        if (!owner) owner = ::GetParent(window_);
        if (owner) ::SetFocus(owner);
      }
      DestroyTooltip();
      return false;
    }
    case WM_ERASEBKGND: result = 1; return true;
    case WM_PAINT: Paint(); return true;
    case WM_PRINTCLIENT: {
      if (!root_) return false;
      RECT client;
      ::GetClientRect(window_, &client);
      HDC dc = reinterpret_cast<HDC>(wParam);
      const int saved = ::SaveDC(dc);
      root_->Paint(dc, client, nullptr);
      ::RestoreDC(dc, saved);
      return true;
    }
    case WM_SIZE:
      if (focus_) {
        ControlEvent event = MakeEvent(kEventWindowSize, focus_, wParam, lParam);
        focus_->DispatchEvent(event);
      }
      if (root_) root_->RequestLayout();
      return false;
    case WM_TIMER:
      for (const TimerRecord& record : timers_) {
        if (record.window == window_ && record.nativeId == wParam && record.running) {
          CControlUI* control = record.control;
          ControlEvent event = MakeEvent(kEventTimer, control, record.id, lParam);
          control->DispatchEvent(event);
          break;
        }
      }
      return true;
    case WM_MOUSEMOVE:
      TrackMouse();
      MouseMoveTo(PointOf(lParam), wParam);
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!noActivate_) ::SetFocus(window_);
      const POINT point = PointOf(lParam);
      lastMouse_ = point;
      CControlUI* control = FindControlAt(point);
      if (!control || control->Manager() != this) return true;
      click_ = control;
      control->SetFocus();
      ::SetCapture(window_);
      mouseCaptured_ = true;
      ControlEvent event =
          MakeEvent(message == WM_LBUTTONDOWN ? kEventButtonDown : kEventDoubleClick, control, wParam, lParam);
      event.keyState = static_cast<WORD>(wParam);
      control->DispatchEvent(event);
      return true;
    }
    case WM_RBUTTONDOWN: {
      if (!noActivate_) ::SetFocus(window_);
      const POINT point = PointOf(lParam);
      lastMouse_ = point;
      CControlUI* control = FindControlAt(point);
      if (!control || control->Manager() != this) return true;
      control->SetFocus();
      ControlEvent event = MakeEvent(kEventRightButtonDown, control, wParam, lParam);
      event.keyState = static_cast<WORD>(wParam);
      control->DispatchEvent(event);
      click_ = control;
      return true;
    }
    case WM_LBUTTONUP: {
      lastMouse_ = PointOf(lParam);
      if (mouseCaptured_) {
        mouseCaptured_ = false;
        ::ReleaseCapture();
      }
      if (!click_) return true;
      CControlUI* control = click_;
      click_ = nullptr;
      ControlEvent event = MakeEvent(kEventButtonUp, control, wParam, lParam);
      event.keyState = static_cast<WORD>(wParam);
      control->DispatchEvent(event);
      return true;
    }
    case WM_CONTEXTMENU: {
      if (!click_) return false;
      CControlUI* control = click_;
      click_ = nullptr;
      ControlEvent event = MakeEvent(kEventContextMenu, control, wParam, lParam);
      control->DispatchEvent(event);
      return true;
    }
    case WM_MOUSEWHEEL: {
      POINT point = PointOf(lParam);
      ::ScreenToClient(window_, &point);
      lastMouse_ = point;
      CControlUI* control = FindControlAt(point);
      if (control && control->Manager() == this) {
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        ControlEvent event = MakeEvent(kEventScrollWheel, control, delta < 0 ? 1 : 0, lParam);
        control->DispatchEvent(event);
      }
      MouseMoveTo(lastMouse_, 0);
      return true;
    }
    case WM_MOUSEHOVER: {
      mouseTracking_ = false;
      const POINT point = PointOf(lParam);
      if (hover_) {
        ControlEvent event = MakeEvent(kEventMouseHover, hover_, wParam, lParam);
        hover_->DispatchEvent(event);
      }
      ShowTooltip(FindControlAt(point));
      return true;
    }
    case WM_MOUSELEAVE: {
      if (tooltip_) ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
      const bool wasTracking = mouseTracking_;
      mouseTracking_ = false;
      POINT cursor = {-1, -1};
      bool inside = false;
      if (wasTracking && ::GetActiveWindow() == window_ && !::IsIconic(window_) && ::GetCursorPos(&cursor)) {
        ::ScreenToClient(window_, &cursor);
        RECT client;
        ::GetClientRect(window_, &client);
        inside = PtInRect(&client, cursor) != FALSE;
      }
      MouseMoveTo(inside ? cursor : POINT{-1, -1}, 0);
      return true;
    }
    case WM_KEYDOWN:
      if (focus_) {
        ControlEvent event = MakeEvent(kEventKeyDown, focus_, wParam, lParam);
        event.key = static_cast<wchar_t>(wParam);
        key_ = focus_;
        focus_->DispatchEvent(event);
      }
      return false;
    case WM_KEYUP:
      if (key_) {
        CControlUI* control = key_;
        key_ = nullptr;
        ControlEvent event = MakeEvent(kEventKeyUp, control, wParam, lParam);
        event.key = static_cast<wchar_t>(wParam);
        control->DispatchEvent(event);
      }
      return false;
    case WM_CHAR:
      if (focus_) {
        ControlEvent event = MakeEvent(kEventChar, focus_, wParam, lParam);
        event.key = static_cast<wchar_t>(wParam);
        focus_->DispatchEvent(event);
      }
      return false;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return false;
      if (mouseCaptured_) {
        result = TRUE;
        return true;
      }
      POINT point;
      ::GetCursorPos(&point);
      ::ScreenToClient(window_, &point);
      CControlUI* control = FindControlAt(point);
      if (!control || !(control->ControlFlags() & kFlagSetCursor)) return false;
      ControlEvent event = MakeEvent(kEventSetCursor, control, wParam, lParam);
      control->DispatchEvent(event);
      result = TRUE;
      return true;
    }
    case WM_MOUSEACTIVATE:
      if (noActivate_) {
        result = MA_NOACTIVATE;
        return true;
      }
      return false;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (minInfo_.cx > 0) info->ptMinTrackSize.x = minInfo_.cx;
      if (minInfo_.cy > 0) info->ptMinTrackSize.y = minInfo_.cy;
      if (maxInfo_.cx > 0) info->ptMaxTrackSize.x = maxInfo_.cx;
      if (maxInfo_.cy > 0) info->ptMaxTrackSize.y = maxInfo_.cy;
      return false;
    }
    default: return false;
  }
}

}  // namespace SkinUI
