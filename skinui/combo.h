// CComboUI: a skinned drop-down list (markup element "Combo"). Closed, it is a button showing the
// chosen item's text with the button's images and colours; a click, Enter, Space, F4 or Alt+Down
// opens its list in a pop-up window. Items come from child elements in the markup (each child
// control's text is one item, e.g. <Label text="English" />) or from AddString. Choosing an item
// sends "itemselect" (wParam the new index, lParam the previous one).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "skinui/button.h"
#include "skinui/container.h"
#include "skinui/image_slot.h"

namespace SkinUI {

class CComboDropDownWnd;

// How the pop-up list draws its items; colours are 0xAARRGGBB, 0 leaves a colour out.
struct ComboListStyle {
  int itemHeight = 24;
  int maxListHeight = 240;  // the list scrolls beyond this
  int font = -1;
  RECT textPadding = {6, 0, 6, 0};
  DWORD textColour = 0xFF000000;
  DWORD hotTextColour = 0;
  DWORD selectedTextColour = 0;
  DWORD listBkColour = 0xFFFFFFFF;
  DWORD listBorderColour = 0xFF808080;
  DWORD hotBkColour = 0xFFD8E6F8;
  DWORD selectedBkColour = 0xFFB8D0F0;
  ImageSlot listBkImage;
  ImageSlot itemBkImage;
  ImageSlot hotImage;
  ImageSlot selectedImage;
};

class CComboUI : public CButtonUI, public IContainerUI {
 public:
  CComboUI();
  ~CComboUI() override;

  const wchar_t* ClassName() const override { return L"Combo"; }
  void* FindInterface(const wchar_t* name) override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void SetVisible(bool visible = true) override;
  void HandleEvent(ControlEvent& event) override;
  // The text shown while no item is chosen (the markup's "text").
  void SetText(const std::wstring& text) override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

  // Appends an item; returns its index.
  int AddString(const std::wstring& text);
  // The item's text as written (language tokens are resolved when drawn); empty outside the list.
  std::wstring ItemText(int index) const;
  // Chooses an item: its text is shown, and with `notify` "itemselect" is sent. Choosing the
  // chosen item again does nothing. False (and nothing changes) for an index outside the list.
  bool SelectItem(int index, bool takeFocus = false, bool notify = true);
  // The chosen item's index, -1 when none is chosen.
  int GetCurSel() const { return curSel_; }

  bool IsDropDownOpen() const;
  // The pop-up list's window while it is open, else null.
  HWND DropDownWindow() const;
  // The pop-up list while it is open, else null.
  CComboDropDownWnd* DropDown() const { return IsDropDownOpen() ? dropDown_.get() : nullptr; }
  void OpenDropDown();
  void CloseDropDown();

  ComboListStyle& ListStyle() { return listStyle_; }

  // ---- Items as controls (the builder adds the markup's children through this) ----
  CControlUI* ItemAt(int index) const override;
  int ItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int Count() const override { return static_cast<int>(items_.size()); }
  bool AddItem(CControlUI* control) override;
  bool AddItemAt(CControlUI* control, int index) override;
  bool RemoveItem(CControlUI* control) override;
  bool RemoveItemAt(int index) override;
  void RemoveAllItems() override;

 private:
  friend class CComboDropDownWnd;
  // The list's choice, after it has closed.
  void OnListChoice(int index);
  // `lostActivation`: the list closed because another window (perhaps by a click on this
  // combo) became active.
  void OnListClosed(bool lostActivation);
  void ShowChosenText();

  std::vector<ControlPtr> items_;
  int curSel_ = -1;
  std::wstring placeholder_;  // the markup's own text, shown while nothing is chosen
  ComboListStyle listStyle_;
  std::unique_ptr<CComboDropDownWnd> dropDown_;
  DWORD listClosedAt_ = 0;  // when the list last lost activation; that click must not reopen it
};

}  // namespace SkinUI
