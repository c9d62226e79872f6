// The records the window manager hands to controls (ControlEvent) and to listeners
// (NotifyEvent), with the numbers the framework tests them by.
#pragma once

#include <windows.h>

#include <string>

namespace SkinUI {

class CControlUI;

// Kinds are tested by range: mouse kinds lie strictly between 8 and 19, key kinds strictly
// between 2 and 7.
enum EventKind : int {
  kEventKeyDown = 3,
  kEventKeyUp = 4,
  kEventChar = 5,
  kEventSysKey = 6,
  kEventMouseMove = 9,
  kEventMouseLeave = 10,
  kEventMouseEnter = 11,
  kEventMouseHover = 12,
  kEventButtonDown = 13,
  kEventButtonUp = 14,
  kEventRightButtonDown = 15,
  kEventDoubleClick = 16,
  kEventContextMenu = 17,
  kEventScrollWheel = 18,
  kEventKillFocus = 20,
  kEventSetFocus = 21,
  kEventWindowSize = 22,
  kEventSetCursor = 23,
  kEventTimer = 24,
  kEventNotify = 25,
  kEventCommand = 26,
};

inline bool IsMouseEvent(int kind) { return kind > 8 && kind < 19; }
inline bool IsKeyEvent(int kind) { return kind > 2 && kind < 7; }

// What a control reports about itself.
enum ControlFlag : UINT {
  kFlagTabStop = 1,
  kFlagSetCursor = 2,
  kFlagWantReturn = 4,
};

// Filters of the tree walk.
enum SearchFlag : UINT {
  kFindAll = 0,
  kFindVisible = 1,
  kFindEnabled = 2,
  kFindHitTest = 4,
  kFindUpdateTest = 8,
  kFindTopFirst = 16,
  kFindMeFirst = 0x80000000,
};

struct ControlEvent {
  int kind = 0;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse = {0, 0};
  wchar_t key = 0;
  WORD keyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

struct NotifyEvent {
  std::wstring type;
  std::wstring virtualWindow;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse = {0, 0};
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual void OnNotify(NotifyEvent& notification) = 0;

 protected:
  ~INotifyUI() = default;
};

class IMessageFilterUI {
 public:
  virtual LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

}  // namespace SkinUI
