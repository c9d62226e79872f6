// CTabLayoutUI: a container that shows exactly one child (a page) at a time.
#pragma once

#include "skinui/container.h"

namespace SkinUI {

class CTabLayoutUI : public CContainerUI {
 public:
  const wchar_t* ClassName() const override { return L"TabLayout"; }
  void* FindInterface(const wchar_t* name) override;

  bool AddItem(CControlUI* control) override;
  bool AddItemAt(CControlUI* control, int index) override;
  bool RemoveItem(CControlUI* control) override;
  bool RemoveItemAt(int index) override;
  void RemoveAllItems() override;
  void SetPosition(RECT rect, bool invalidate = true) override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

  int CurrentSelection() const { return currentSelection_; }
  // Shows exactly the page at `index`; with `notify`, "tabselect" carries the new index in
  // wParam and the old one in lParam. False for an index outside the pages.
  bool SelectItem(int index, bool notify = true);
  bool SelectItem(CControlUI* control, bool notify = true);

 private:
  int currentSelection_ = -1;
};

}  // namespace SkinUI
