// CVerticalLayoutUI: a container that places its visible children in a column, sharing the free
// space equally among the children without a fixed size.
#pragma once

#include "skinui/container.h"

namespace SkinUI {

class CVerticalLayoutUI : public CContainerUI {
 public:
  const wchar_t* ClassName() const override { return L"VerticalLayout"; }
  void* FindInterface(const wchar_t* name) override;
  void SetPosition(RECT rect, bool invalidate = true) override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

 private:
  int separator_ = 0;
  bool separatorImmediate_ = false;
};

}  // namespace SkinUI
