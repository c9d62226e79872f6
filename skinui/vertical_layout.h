// CVerticalLayoutUI: a container. Children are placed in a column.
#pragma once

#include "skinui/container.h"

namespace SkinUI {

class CVerticalLayoutUI : public CContainerUI {
 public:
  const wchar_t* ClassName() const override { return L"VerticalLayout"; }
  void* FindInterface(const wchar_t* name) override;
};

}  // namespace SkinUI
