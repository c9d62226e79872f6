#include "skinui/notify_pump.h"

#include <cwchar>

#include "skinui/attribute_values.h"
#include "skinui/control.h"

namespace SkinUI {

bool CNotifyPump::AddVirtualWindow(const std::wstring& name, CNotifyPump* pump) {
  if (name.empty() || !pump || virtualWindows_.count(name)) return false;
  virtualWindows_[name] = pump;
  return true;
}

bool CNotifyPump::RemoveVirtualWindow(const std::wstring& name) { return virtualWindows_.erase(name) > 0; }

bool CNotifyPump::DispatchNotify(NotifyEvent& notification) {
  if (!notification.virtualWindow.empty()) {
    for (auto& [name, pump] : virtualWindows_) {
      if (EqualsNoCase(name.c_str(), notification.virtualWindow.c_str()) && pump->DispatchNotify(notification))
        return true;
    }
  }
  return DispatchThroughMaps(notification);
}

bool CNotifyPump::DispatchThroughMaps(NotifyEvent& notification) {
  const std::wstring senderName = notification.sender ? notification.sender->Name() : std::wstring();
  for (const NotifyMap* map = MessageMap(); map; map = map->base) {
    const NotifyMapEntry* chosen = nullptr;
    for (size_t i = 0; i < map->count; ++i) {
      const NotifyMapEntry& entry = map->entries[i];
      if (notification.type != entry.type) continue;
      const bool anyControl = !entry.control || !*entry.control;
      if (!anyControl && senderName == entry.control) {
        chosen = &entry;
        break;
      }
      if (anyControl) chosen = &entry;
    }
    if (!chosen) continue;
    if (chosen->kind == kHandlerNotify && chosen->onNotify)
      (this->*(chosen->onNotify))(notification);
    else if (chosen->kind == kHandlerValues && chosen->onValues)
      (this->*(chosen->onValues))(notification.wParam, notification.lParam);
    return true;
  }
  return false;
}

}  // namespace SkinUI
