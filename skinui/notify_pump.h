// CNotifyPump: routes notifications to member functions through message maps, searched from
// the most derived class towards its bases, and to named virtual windows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <string>

#include "skinui/control_event.h"

namespace SkinUI {

class CNotifyPump;

enum NotifyHandlerKind : int {
  kHandlerValues = 1,  // receives (wParam, lParam)
  kHandlerNotify = 2,  // receives the notification
};

struct NotifyMapEntry {
  const wchar_t* type;     // compared case-sensitively
  const wchar_t* control;  // the sender's exact name; empty for any control
  int kind;
  void (CNotifyPump::*onNotify)(NotifyEvent& notification);
  void (CNotifyPump::*onValues)(WPARAM wParam, LPARAM lParam);
};

// One class's table and the table of its base class (null at the root).
struct NotifyMap {
  const NotifyMap* base;
  const NotifyMapEntry* entries;
  size_t count;
};

class CNotifyPump {
 public:
  CNotifyPump() = default;
  virtual ~CNotifyPump() = default;
  CNotifyPump(const CNotifyPump&) = delete;
  CNotifyPump& operator=(const CNotifyPump&) = delete;

  virtual const NotifyMap* MessageMap() const { return nullptr; }
  // True when a map entry (or a virtual window's pump) handled the notification.
  bool DispatchNotify(NotifyEvent& notification);
  bool AddVirtualWindow(const std::wstring& name, CNotifyPump* pump);
  bool RemoveVirtualWindow(const std::wstring& name);

 private:
  bool DispatchThroughMaps(NotifyEvent& notification);
  std::map<std::wstring, CNotifyPump*> virtualWindows_;
};

}  // namespace SkinUI
