// Notifications, listeners, control timers and keyboard focus of a window manager.
#include <windows.h>

#include <algorithm>

#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

template <typename T>
bool AddOnce(std::vector<T*>& list, T* item) {
  if (!item || std::find(list.begin(), list.end(), item) != list.end()) return false;
  list.push_back(item);
  return true;
}

template <typename T>
bool RemoveOne(std::vector<T*>& list, T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

// Native timer ids of a window run 17, 18, ... 254, 0, 1, ...
constexpr UINT kTimerIdModulus = 255;

struct FocusWalk {
  CControlUI* focus;
  bool forward;
  bool passedFocus;
  CControlUI* first;
  CControlUI* last;
  CControlUI* beforeFocus;
};

bool TakesFocus(CControlUI* control) {
  return (control->ControlFlags() & kFlagTabStop) && control->IsVisible() && control->IsEnabled() &&
         control->IsKeyboardEnabled();
}

CControlUI* NextTabStop(CControlUI* control, void* data) {
  auto* walk = static_cast<FocusWalk*>(data);
  if (control == walk->focus) {
    walk->passedFocus = true;
    return nullptr;
  }
  if (!TakesFocus(control)) return nullptr;
  if (!walk->first) walk->first = control;
  walk->last = control;
  if (walk->forward && walk->passedFocus) return control;
  if (!walk->forward && !walk->passedFocus) walk->beforeFocus = control;
  return nullptr;
}

}  // namespace

ControlEvent CWindowManagerUI::MakeEvent(int kind, CControlUI* sender, WPARAM wParam, LPARAM lParam) const {
  ControlEvent event;
  event.kind = kind;
  event.sender = sender;
  event.timestamp = ::GetTickCount();
  event.mouse = lastMouse_;
  WORD state = 0;
  if (::GetKeyState(VK_LBUTTON) < 0) state |= MK_LBUTTON;
  if (::GetKeyState(VK_RBUTTON) < 0) state |= MK_RBUTTON;
  if (::GetKeyState(VK_SHIFT) < 0) state |= MK_SHIFT;
  if (::GetKeyState(VK_CONTROL) < 0) state |= MK_CONTROL;
  if (::GetKeyState(VK_MENU) < 0) state |= 0x20;
  event.keyState = state;
  event.wParam = wParam;
  event.lParam = lParam;
  return event;
}

void CWindowManagerUI::SendNotification(CControlUI* sender, const wchar_t* type, WPARAM wParam, LPARAM lParam,
                                        bool asynchronous) {
  NotifyEvent notification;
  notification.type = type ? type : L"";
  notification.sender = sender;
  notification.timestamp = ::GetTickCount();
  notification.mouse = lastMouse_;
  notification.wParam = wParam;
  notification.lParam = lParam;
  if (usesVirtualWindows_ && sender) notification.virtualWindow = sender->VirtualWindow();
  if (asynchronous) {
    asyncNotify_.push_back(std::move(notification));
    PostAsyncNotify();
    return;
  }
  DeliverNotification(notification);
}

void CWindowManagerUI::DeliverNotification(NotifyEvent& notification) {
  if (notification.sender && !notification.sender->OnNotify.Run(&notification)) return;
  // A listener may add or remove listeners; walk a copy.
  const std::vector<INotifyUI*> listeners = notifiers_;
  for (INotifyUI* listener : listeners) {
    if (std::find(notifiers_.begin(), notifiers_.end(), listener) != notifiers_.end()) listener->OnNotify(notification);
  }
}

void CWindowManagerUI::PostAsyncNotify() {
  if (asyncNotifyPosted_ || !window_) return;
  asyncNotifyPosted_ = ::PostMessageW(window_, kAsyncNotifyMessage, 0, 0) != FALSE;
}

void CWindowManagerUI::DeliverQueuedNotifications() {
  asyncNotifyPosted_ = false;
  while (!asyncNotify_.empty()) {
    NotifyEvent notification = std::move(asyncNotify_.front());
    asyncNotify_.erase(asyncNotify_.begin());
    DeliverNotification(notification);
  }
  std::vector<ControlPtr> doomed = std::move(delayedCleanup_);
  delayedCleanup_.clear();
}

bool CWindowManagerUI::AddNotifyListener(INotifyUI* listener) { return AddOnce(notifiers_, listener); }
bool CWindowManagerUI::RemoveNotifyListener(INotifyUI* listener) { return RemoveOne(notifiers_, listener); }
bool CWindowManagerUI::AddMessageFilter(IMessageFilterUI* filter) { return AddOnce(messageFilters_, filter); }
bool CWindowManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) { return RemoveOne(messageFilters_, filter); }
bool CWindowManagerUI::AddPreFilter(IMessageFilterUI* filter) { return AddOnce(preFilters_, filter); }
bool CWindowManagerUI::RemovePreFilter(IMessageFilterUI* filter) { return RemoveOne(preFilters_, filter); }

void CWindowManagerUI::AddMouseLeaveNeeded(CControlUI* control) { AddOnce(mouseLeaveNeeded_, control); }

bool CWindowManagerUI::SetControlTimer(CControlUI* control, UINT id, UINT milliseconds) {
  if (!control || !window_) return false;
  for (TimerRecord& record : timers_) {
    if (record.control == control && record.id == id && record.window == window_) {
      if (record.running) return false;
      if (!::SetTimer(window_, record.nativeId, milliseconds, nullptr)) return false;
      record.running = true;
      return true;
    }
  }
  timerCounter_ = (timerCounter_ + 1) % kTimerIdModulus;
  const UINT nativeId = timerCounter_;
  if (!::SetTimer(window_, nativeId, milliseconds, nullptr)) return false;
  timers_.push_back(TimerRecord{window_, control, id, nativeId, true});
  return true;
}

bool CWindowManagerUI::KillControlTimer(CControlUI* control, UINT id) {
  for (TimerRecord& record : timers_) {
    if (record.control == control && record.id == id && record.window == window_ && record.running) {
      ::KillTimer(record.window, record.nativeId);
      record.running = false;
      return true;
    }
  }
  return false;
}

void CWindowManagerUI::KillControlTimers(CControlUI* control) {
  auto it = std::remove_if(timers_.begin(), timers_.end(), [control](const TimerRecord& r) {
    if (r.control != control) return false;
    if (r.running) ::KillTimer(r.window, r.nativeId);
    return true;
  });
  timers_.erase(it, timers_.end());
}

void CWindowManagerUI::KillAllTimers() {
  for (const TimerRecord& record : timers_) {
    if (record.running) ::KillTimer(record.window, record.nativeId);
  }
  timers_.clear();
}

int CWindowManagerUI::NativeTimerId(CControlUI* control, UINT id) const {
  for (const TimerRecord& record : timers_) {
    if (record.control == control && record.id == id) return static_cast<int>(record.nativeId);
  }
  return -1;
}

bool CWindowManagerUI::IsControlTimerRunning(CControlUI* control, UINT id) const {
  for (const TimerRecord& record : timers_) {
    if (record.control == control && record.id == id && record.window == window_) return record.running;
  }
  return false;
}

void CWindowManagerUI::SetFocusControl(CControlUI* control, bool focusWindow) {
  if (focusWindow && window_ && !noActivate_ && control != focus_ && ::GetFocus() != window_) ::SetFocus(window_);
  if (control == focus_) return;
  if (focus_) {
    CControlUI* old = focus_;
    focus_ = nullptr;
    ControlEvent event = MakeEvent(kEventKillFocus, control, 0, 0);
    old->DispatchEvent(event);
    SendNotification(old, L"killfocus");
  }
  if (control && control->Manager() == this && control->IsVisible() && control->IsEnabled()) {
    focus_ = control;
    ControlEvent event = MakeEvent(kEventSetFocus, control, 0, 0);
    control->DispatchEvent(event);
    SendNotification(control, L"setfocus");
  }
}

void CWindowManagerUI::MoveFocus(bool forward) {
  if (updateNeeded_) {
    focusNeeded_ = true;
    Invalidate();
    return;
  }
  focusNeeded_ = false;
  if (!root_) return;
  FocusWalk walk = {focus_, forward, focus_ == nullptr, nullptr, nullptr, nullptr};
  CControlUI* next = root_->SearchControls(NextTabStop, &walk, kFindVisible | kFindMeFirst);
  if (!forward) next = walk.beforeFocus ? walk.beforeFocus : walk.last;
  if (!next) next = forward ? walk.first : nullptr;
  if (next) SetFocusControl(next, true);
}

}  // namespace SkinUI
