// The option groups of CWindowManagerUI: named lists of options of which one is selected.
#include <algorithm>

#include "skinui/window_manager.h"

namespace SkinUI {

bool CWindowManagerUI::AddOptionGroup(const std::wstring& group, CControlUI* control) {
  if (group.empty() || !control) return false;
  std::vector<CControlUI*>& members = optionGroups_[group];
  if (std::find(members.begin(), members.end(), control) != members.end()) return false;
  members.push_back(control);
  return true;
}

const std::vector<CControlUI*>* CWindowManagerUI::OptionGroup(const std::wstring& group) const {
  auto it = optionGroups_.find(group);
  return it == optionGroups_.end() ? nullptr : &it->second;
}

void CWindowManagerUI::RemoveOptionGroup(const std::wstring& group, CControlUI* control) {
  auto it = optionGroups_.find(group);
  if (it == optionGroups_.end()) return;
  std::vector<CControlUI*>& members = it->second;
  members.erase(std::remove(members.begin(), members.end(), control), members.end());
  if (members.empty()) optionGroups_.erase(it);
}

void CWindowManagerUI::LeaveOptionGroups(CControlUI* control) {
  for (auto it = optionGroups_.begin(); it != optionGroups_.end();) {
    std::vector<CControlUI*>& members = it->second;
    members.erase(std::remove(members.begin(), members.end(), control), members.end());
    it = members.empty() ? optionGroups_.erase(it) : std::next(it);
  }
}

}  // namespace SkinUI
