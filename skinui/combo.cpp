#include "skinui/combo.h"

#include <algorithm>
#include <cwchar>
#include <new>

#include "skinui/attribute_values.h"
#include "skinui/combo_wnd.h"
#include "skinui/label.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

// A click on the combo while its list is open first closes the list (the list loses
// activation); the same click must not open it again.
constexpr DWORD kReopenGuardMs = 250;

}  // namespace

CComboUI::CComboUI() { textStyle_ = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS; }

CComboUI::~CComboUI() { dropDown_.reset(); }

void* CComboUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Combo") == 0) return static_cast<CComboUI*>(this);
  if (name && std::wcscmp(name, L"IContainer") == 0) return static_cast<IContainerUI*>(this);
  return CButtonUI::FindInterface(name);
}

bool CComboUI::Activate() {
  if (!CLabelUI::Activate()) return false;
  if (IsDropDownOpen()) {
    CloseDropDown();
  } else if (listClosedAt_ == 0 || ::GetTickCount() - listClosedAt_ >= kReopenGuardMs) {
    OpenDropDown();
  }
  return true;
}

void CComboUI::SetEnabled(bool enabled) {
  if (!enabled) CloseDropDown();
  CButtonUI::SetEnabled(enabled);
}

void CComboUI::SetVisible(bool visible) {
  if (!visible) CloseDropDown();
  CButtonUI::SetVisible(visible);
}

void CComboUI::HandleEvent(ControlEvent& event) {
  if (event.kind == kEventKeyDown && IsEnabled() && IsKeyboardEnabled() && !items_.empty()) {
    const int last = Count() - 1;
    switch (event.key) {
      case VK_UP: SelectItem(std::max(curSel_ - 1, 0), false, true); return;
      case VK_DOWN: SelectItem(std::min(curSel_ + 1, last), false, true); return;
      case VK_HOME: SelectItem(0, false, true); return;
      case VK_END: SelectItem(last, false, true); return;
      case VK_F4: OpenDropDown(); return;
      default: break;
    }
  }
  CButtonUI::HandleEvent(event);
}

void CComboUI::SetText(const std::wstring& text) {
  placeholder_ = text;
  if (curSel_ < 0) CButtonUI::SetText(text);
}

void CComboUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  auto is = [name](const wchar_t* known) { return std::wcscmp(name, known) == 0; };
  ComboListStyle& s = listStyle_;
  if (is(L"itemheight")) {
    s.itemHeight = std::max(1, static_cast<int>(std::wcstol(value, nullptr, 10)));
  } else if (is(L"dropboxheight")) {
    s.maxListHeight = std::max(1, static_cast<int>(std::wcstol(value, nullptr, 10)));
  } else if (is(L"itemfont")) {
    s.font = static_cast<int>(std::wcstol(value, nullptr, 10));
  } else if (is(L"itemtextpadding")) {
    long n[4];
    ReadNumberList(value, n, 4);
    s.textPadding = RECT{n[0], n[1], n[2], n[3]};
  } else if (is(L"itemtextcolor")) {
    s.textColour = ReadHexValue(value);
  } else if (is(L"itemhottextcolor")) {
    s.hotTextColour = ReadHexValue(value);
  } else if (is(L"itemselectedtextcolor")) {
    s.selectedTextColour = ReadHexValue(value);
  } else if (is(L"itemhotbkcolor")) {
    s.hotBkColour = ReadHexValue(value);
  } else if (is(L"itemselectedbkcolor")) {
    s.selectedBkColour = ReadHexValue(value);
  } else if (is(L"dropboxbkcolor")) {
    s.listBkColour = ReadHexValue(value);
  } else if (is(L"dropboxbordercolor")) {
    s.listBorderColour = ReadHexValue(value);
  } else if (is(L"dropboxbkimage")) {
    s.listBkImage.SetDescription(value);
  } else if (is(L"itembkimage")) {
    s.itemBkImage.SetDescription(value);
  } else if (is(L"itemhotimage")) {
    s.hotImage.SetDescription(value);
  } else if (is(L"itemselectedimage")) {
    s.selectedImage.SetDescription(value);
  } else if (is(L"cursel")) {
    SelectItem(static_cast<int>(std::wcstol(value, nullptr, 10)), false, false);
  } else {
    CButtonUI::ApplyAttribute(name, value);
  }
}

int CComboUI::AddString(const std::wstring& text) {
  CLabelUI* item = new (std::nothrow) CLabelUI();
  if (!item) return -1;
  item->SetText(text);
  if (!AddItem(item)) {
    item->Destroy();
    return -1;
  }
  return Count() - 1;
}

std::wstring CComboUI::ItemText(int index) const {
  const CControlUI* item = ItemAt(index);
  return item ? item->Text() : std::wstring();
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool notify) {
  if (index < 0 || index >= Count()) return false;
  if (takeFocus) SetFocus();
  if (index == curSel_) return true;
  const int previous = curSel_;
  curSel_ = index;
  ShowChosenText();
  if (notify && manager_)
    manager_->SendNotification(this, L"itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(previous));
  return true;
}

void CComboUI::ShowChosenText() { CButtonUI::SetText(curSel_ >= 0 ? ItemText(curSel_) : placeholder_); }

bool CComboUI::IsDropDownOpen() const { return dropDown_ && dropDown_->IsOpen(); }

HWND CComboUI::DropDownWindow() const { return IsDropDownOpen() ? dropDown_->WindowHandle() : nullptr; }

void CComboUI::OpenDropDown() {
  if (IsDropDownOpen() || items_.empty() || !manager_ || !manager_->PaintWindow() || !IsVisible() || !IsEnabled())
    return;
  // A list that closed earlier is replaced here, outside its own window procedure.
  dropDown_.reset(new (std::nothrow) CComboDropDownWnd(this));
  if (dropDown_ && dropDown_->Open()) manager_->SendNotification(this, L"dropdown");
}

void CComboUI::CloseDropDown() {
  if (dropDown_) dropDown_->Close();
}

void CComboUI::OnListChoice(int index) { SelectItem(index, true, true); }

void CComboUI::OnListClosed(bool lostActivation) {
  listClosedAt_ = lostActivation ? ::GetTickCount() : 0;
  Invalidate();
}

CControlUI* CComboUI::ItemAt(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

int CComboUI::ItemIndex(CControlUI* control) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

bool CComboUI::SetItemIndex(CControlUI* control, int index) {
  const int from = ItemIndex(control);
  if (from < 0 || index < 0 || index >= Count()) return false;
  CloseDropDown();
  const CControlUI* chosen = ItemAt(curSel_);
  ControlPtr moved = std::move(items_[static_cast<size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + index, std::move(moved));
  if (chosen) curSel_ = ItemIndex(const_cast<CControlUI*>(chosen));
  return true;
}

bool CComboUI::AddItem(CControlUI* control) { return AddItemAt(control, Count()); }

bool CComboUI::AddItemAt(CControlUI* control, int index) {
  if (!control || control == this || index < 0 || index > Count() || ItemIndex(control) >= 0) return false;
  CloseDropDown();
  // Items are only read for their text: they stay outside the window's tree.
  control->AttachManager(nullptr, this, false);
  items_.insert(items_.begin() + index, ControlPtr(control));
  if (curSel_ >= index) ++curSel_;
  return true;
}

bool CComboUI::RemoveItem(CControlUI* control) { return RemoveItemAt(ItemIndex(control)); }

bool CComboUI::RemoveItemAt(int index) {
  if (index < 0 || index >= Count()) return false;
  CloseDropDown();
  items_.erase(items_.begin() + index);
  if (curSel_ == index) {
    curSel_ = -1;
    ShowChosenText();
  } else if (curSel_ > index) {
    --curSel_;
  }
  return true;
}

void CComboUI::RemoveAllItems() {
  CloseDropDown();
  items_.clear();
  curSel_ = -1;
  ShowChosenText();
}

}  // namespace SkinUI
