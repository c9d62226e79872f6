#include "skinui/container.h"

#include <cwchar>

#include "skinui/attribute_values.h"
#include "skinui/render_clip.h"
#include "skinui/window_manager.h"

namespace SkinUI {

CContainerUI::~CContainerUI() {
  // Children go first, while this container is still whole for their managers.
  while (!items_.empty()) items_.pop_back();
}

void* CContainerUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
  if (name && std::wcscmp(name, L"Container") == 0) return static_cast<CContainerUI*>(this);
  return CControlUI::FindInterface(name);
}

void CContainerUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
  for (ControlPtr& item : items_) item->AttachManager(manager, this, initialise);
  CControlUI::AttachManager(manager, parent, initialise);
}

void CContainerUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  CControlUI::SetVisible(visible);
  for (ControlPtr& item : items_) item->SetInheritedVisible(IsVisible());
}

void CContainerUI::SetInheritedVisible(bool visible) {
  CControlUI::SetInheritedVisible(visible);
  for (ControlPtr& item : items_) item->SetInheritedVisible(IsVisible());
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
  RequestLayout();
  return true;
}

bool CContainerUI::AddItem(CControlUI* control) { return AddItemAt(control, Count()); }

bool CContainerUI::AddItemAt(CControlUI* control, int index) {
  if (!control || control == this || index < 0 || index > Count() || ItemIndex(control) >= 0) return false;
  items_.insert(items_.begin() + index, ControlPtr(control));
  // A child added to a live tree joins it at once; a tree still being built joins on attachment.
  control->AttachManager(manager_, this, manager_ != nullptr);
  control->SetInheritedVisible(IsVisible());
  if (manager_) manager_->RegisterControlNames(control);
  RequestLayout();
  return true;
}

bool CContainerUI::RemoveItem(CControlUI* control) { return RemoveItemAt(ItemIndex(control)); }

bool CContainerUI::RemoveItemAt(int index) {
  if (index < 0 || index >= Count()) return false;
  ControlPtr removed = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  ReleaseChild(std::move(removed));
  RequestLayout();
  return true;
}

void CContainerUI::RemoveAllItems() {
  std::vector<ControlPtr> removed = std::move(items_);
  items_.clear();
  for (ControlPtr& item : removed) ReleaseChild(std::move(item));
  RequestLayout();
}

void CContainerUI::ReleaseChild(ControlPtr child) {
  if (manager_) manager_->ForgetControlTree(child.get());
  if (!autoDestroy_) {
    child.release();
  } else if (delayedDestroy_ && manager_) {
    manager_->QueueForDeletion(std::move(child));
  }
}

void CContainerUI::SetInset(RECT inset) {
  inset_ = inset;
  RequestLayout();
}

void CContainerUI::SetChildPadding(int padding) {
  childPadding_ = padding;
  RequestLayout();
}

void CContainerUI::SetChildAlign(UINT align) {
  childAlign_ = align;
  RequestLayout();
}

void CContainerUI::SetChildVAlign(UINT align) {
  childVAlign_ = align;
  RequestLayout();
}

RECT CContainerUI::ContentRect() const {
  RECT rect = itemRect_;
  rect.left += inset_.left;
  rect.top += inset_.top;
  rect.right -= inset_.right;
  rect.bottom -= inset_.bottom;
  return rect;
}

void CContainerUI::SetPosition(RECT rect, bool invalidate) {
  CControlUI::SetPosition(rect, invalidate);
  const RECT content = ContentRect();
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* item = items_[i].get();
    if (!item->IsVisible()) continue;
    if (item->IsFloat()) {
      SetFloatPosition(static_cast<int>(i));
    } else {
      const RECT p = item->Padding();
      item->SetPosition(
          RECT{content.left + p.left, content.top + p.top, content.right - p.right, content.bottom - p.bottom}, false);
    }
  }
}

void CContainerUI::SetFloatPosition(int index) {
  CControlUI* item = ItemAt(index);
  if (!item || !item->IsVisible()) return;
  const SIZE xy = item->FixedXY();
  const CControlUI::FloatPercent percent = item->FloatPercentage();
  const long width = itemRect_.right - itemRect_.left;
  const long height = itemRect_.bottom - itemRect_.top;
  RECT relative;
  relative.left = xy.cx + static_cast<long>(percent.left * width);
  relative.top = xy.cy + static_cast<long>(percent.top * height);
  relative.right = relative.left + item->FixedWidth() + static_cast<long>((percent.right - percent.left) * width);
  relative.bottom = relative.top + item->FixedHeight() + static_cast<long>((percent.bottom - percent.top) * height);
  item->SetPosition(relative, false);
}

void CContainerUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  auto is = [name](const wchar_t* known) { return std::wcscmp(name, known) == 0; };
  if (is(L"inset")) {
    long n[4];
    ReadNumberList(value, n, 4);
    SetInset(RECT{n[0], n[1], n[2], n[3]});
  } else if (is(L"childpadding")) {
    long n[1];
    ReadNumberList(value, n, 1);
    SetChildPadding(static_cast<int>(n[0]));
  } else if (is(L"childalign")) {
    if (std::wcscmp(value, L"left") == 0)
      SetChildAlign(kAlignLeft);
    else if (std::wcscmp(value, L"center") == 0)
      SetChildAlign(kAlignCenter);
    else if (std::wcscmp(value, L"right") == 0)
      SetChildAlign(kAlignRight);
  } else if (is(L"childvalign")) {
    if (std::wcscmp(value, L"top") == 0)
      SetChildVAlign(kAlignTop);
    else if (std::wcscmp(value, L"vcenter") == 0)
      SetChildVAlign(kAlignVCenter);
    else if (std::wcscmp(value, L"bottom") == 0)
      SetChildVAlign(kAlignBottom);
  } else if (is(L"mousechild")) {
    SetMouseChildEnabled(IsTrueText(value));
  } else if (is(L"vscrollbar") || is(L"hscrollbar") || is(L"vscrollbarstyle") || is(L"hscrollbarstyle")) {
    // This program's skins have no scroll bars; the values are accepted and not used.
  } else {
    CControlUI::ApplyAttribute(name, value);
  }
}

CControlUI* CContainerUI::SearchControls(FindControlProc proc, void* data, UINT flags) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  if ((flags & kFindHitTest) && !PtInRect(&itemRect_, *static_cast<const POINT*>(data))) return nullptr;
  // Without mouse acceptance the container itself is no hit, though its children may be; a
  // container that needs no new layout is no match either, though a child deep inside may (a
  // page shown by a tab layout within a layout would otherwise never be placed).
  const bool selfAllowed = (!(flags & kFindHitTest) || mouseEnabled_) && (!(flags & kFindUpdateTest) || updateNeeded_);
  CControlUI* found = nullptr;
  if ((flags & kFindMeFirst) && selfAllowed) found = proc(this, data);
  if (found) return found;
  if (cover_) {
    found = cover_->SearchControls(proc, data, flags);
    if (found) return found;
  }
  if (!(flags & kFindHitTest) || mouseChild_) {
    const RECT content = ContentRect();
    const int count = Count();
    for (int n = 0; n < count; ++n) {
      const int i = (flags & kFindTopFirst) ? count - 1 - n : n;
      CControlUI* item = items_[static_cast<size_t>(i)].get();
      found = item->SearchControls(proc, data, flags);
      if (!found) continue;
      if ((flags & kFindHitTest) && !item->IsFloat() && !PtInRect(&content, *static_cast<const POINT*>(data))) continue;
      return found;
    }
  }
  if (!(flags & kFindMeFirst) && selfAllowed) found = proc(this, data);
  return found;
}

bool CContainerUI::PaintContent(HDC dc, const RECT& paintRect, CControlUI* stopControl) {
  RECT area;
  if (!IntersectRect(&area, &paintRect, &itemRect_)) return true;
  ClipToRect clip(dc, area);
  CControlUI::PaintContent(dc, paintRect, stopControl);
  if (items_.empty()) return true;
  const RECT content = ContentRect();
  for (ControlPtr& item : items_) {
    if (item.get() == stopControl) return false;
    if (!item->IsVisible()) continue;
    RECT meet;
    if (!IntersectRect(&meet, &paintRect, &item->Position())) continue;
    ClipToRect childClip(dc, item->IsFloat() ? itemRect_ : content);
    if (!item->Paint(dc, paintRect, stopControl)) return false;
  }
  return true;
}

}  // namespace SkinUI
