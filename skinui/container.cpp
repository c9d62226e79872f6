#include "skinui/container.h"

#include <cwchar>

namespace SkinUI {

void* CContainerUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
  if (name && std::wcscmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
  return CControlUI::FindInterface(name);
}

void CContainerUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
  for (ControlPtr& item : items_) item->AttachManager(manager, this, initialise);
  CControlUI::AttachManager(manager, parent, initialise);
}

CControlUI* CContainerUI::ItemAt(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

int CContainerUI::ItemIndex(CControlUI* control) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
  const int current = ItemIndex(control);
  if (current < 0 || index < 0 || index >= Count()) return false;
  ControlPtr moved = std::move(items_[static_cast<size_t>(current)]);
  items_.erase(items_.begin() + current);
  items_.insert(items_.begin() + index, std::move(moved));
  return true;
}

bool CContainerUI::AddItem(CControlUI* control) { return AddItemAt(control, Count()); }

bool CContainerUI::AddItemAt(CControlUI* control, int index) {
  if (!control || control == this || index < 0 || index > Count() || ItemIndex(control) >= 0) return false;
  items_.insert(items_.begin() + index, ControlPtr(control));
  // A child added to a live tree joins it at once; a tree still being built joins on attachment.
  if (manager_) control->AttachManager(manager_, this, true);
  return true;
}

bool CContainerUI::RemoveItem(CControlUI* control) { return RemoveItemAt(ItemIndex(control)); }

bool CContainerUI::RemoveItemAt(int index) {
  if (index < 0 || index >= Count()) return false;
  ControlPtr removed = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  if (!autoDestroy_) removed.release();
  return true;
}

void CContainerUI::RemoveAllItems() {
  if (!autoDestroy_) {
    for (ControlPtr& item : items_) item.release();
  }
  items_.clear();
}

}  // namespace SkinUI
