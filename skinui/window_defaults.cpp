// Default attribute lists of CWindowManagerUI: per element name, for one window or shared.
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

// Lives until the process ends; window thread only.
std::unordered_map<std::wstring, std::wstring>& SharedDefaults() {
  static std::unordered_map<std::wstring, std::wstring> table;
  return table;
}

}  // namespace

void CWindowManagerUI::SetDefaultAttributes(const wchar_t* name, const wchar_t* value, bool shared) {
  if (!name) return;
  (shared ? SharedDefaults() : defaultAttributes_)[name] = value ? value : L"";
}

const wchar_t* CWindowManagerUI::DefaultAttributes(const wchar_t* name) const {
  if (!name) return nullptr;
  auto own = defaultAttributes_.find(name);
  if (own != defaultAttributes_.end()) return own->second.c_str();
  auto shared = SharedDefaults().find(name);
  return shared == SharedDefaults().end() ? nullptr : shared->second.c_str();
}

void CWindowManagerUI::RemoveAllSharedDefaultAttributes() { SharedDefaults().clear(); }

}  // namespace SkinUI
