#include "skinui/tab_layout.h"

#include <algorithm>
#include <cwchar>

#include "skinui/window_manager.h"

namespace SkinUI {

void* CTabLayoutUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"TabLayout") == 0) return static_cast<CTabLayoutUI*>(this);
  return CContainerUI::FindInterface(name);
}

bool CTabLayoutUI::AddItem(CControlUI* control) { return AddItemAt(control, Count()); }

bool CTabLayoutUI::AddItemAt(CControlUI* control, int index) {
  if (!CContainerUI::AddItemAt(control, index)) return false;
  if (currentSelection_ == -1 && control->IsVisible()) {
    currentSelection_ = index;
  } else {
    if (index <= currentSelection_) ++currentSelection_;
    control->SetVisible(false);
  }
  return true;
}

bool CTabLayoutUI::RemoveItem(CControlUI* control) { return RemoveItemAt(ItemIndex(control)); }

bool CTabLayoutUI::RemoveItemAt(int index) {
  if (index < 0 || index >= Count()) return false;
  if (!CContainerUI::RemoveItemAt(index)) return false;
  if (index == currentSelection_) {
    currentSelection_ = Count() > 0 ? 0 : -1;
    if (currentSelection_ == 0) ItemAt(0)->SetVisible(true);
  } else if (index < currentSelection_) {
    --currentSelection_;
  }
  return true;
}

void CTabLayoutUI::RemoveAllItems() {
  currentSelection_ = -1;
  CContainerUI::RemoveAllItems();
}

bool CTabLayoutUI::SelectItem(int index, bool notify) {
  if (index < 0 || index >= Count()) return false;
  if (index == currentSelection_) return true;
  const int old = currentSelection_;
  currentSelection_ = index;
  for (int i = 0; i < Count(); ++i) {
    CControlUI* page = ItemAt(i);
    if (i == index) {
      page->SetVisible(true);
      page->SetFocus();
    } else {
      page->SetVisible(false);
    }
  }
  RequestLayout();
  if (manager_) {
    manager_->MoveFocus(true);
    if (notify) manager_->SendNotification(this, L"tabselect", static_cast<WPARAM>(index), static_cast<LPARAM>(old));
  }
  return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control, bool notify) {
  const int index = ItemIndex(control);
  return index >= 0 && SelectItem(index, notify);
}

void CTabLayoutUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (name && value && std::wcscmp(name, L"selectedid") == 0)
    SelectItem(static_cast<int>(std::wcstol(value, nullptr, 10)), true);
  CContainerUI::ApplyAttribute(name, value);
}

void CTabLayoutUI::SetPosition(RECT rect, bool invalidate) {
  CControlUI::SetPosition(rect, invalidate);
  const RECT content = ContentRect();
  for (int i = 0; i < Count(); ++i) {
    CControlUI* item = ItemAt(i);
    if (!item->IsVisible()) continue;
    if (item->IsFloat()) {
      SetFloatPosition(i);
      continue;
    }
    if (i != currentSelection_) continue;
    const RECT p = item->Padding();
    const long availableWidth = std::max<long>(0, content.right - content.left - p.left - p.right);
    const long availableHeight = std::max<long>(0, content.bottom - content.top - p.top - p.bottom);
    SIZE size = item->MeasureSize(SIZE{availableWidth, availableHeight});
    if (size.cx == 0) size.cx = availableWidth;
    if (size.cy == 0) size.cy = availableHeight;
    size.cx = std::clamp<long>(size.cx, item->MinWidth(), std::max(item->MinWidth(), item->MaxWidth()));
    size.cy = std::clamp<long>(size.cy, item->MinHeight(), std::max(item->MinHeight(), item->MaxHeight()));
    const long x = content.left + p.left;
    const long y = content.top + p.top;
    item->SetPosition(RECT{x, y, x + size.cx, y + size.cy}, false);
  }
}

}  // namespace SkinUI
