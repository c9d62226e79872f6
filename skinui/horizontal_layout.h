// CHorizontalLayoutUI: a container. Children are placed in a row.
#pragma once

#include "skinui/container.h"

namespace SkinUI {

class CHorizontalLayoutUI : public CContainerUI {
 public:
  const wchar_t* ClassName() const override { return L"HorizontalLayout"; }
  void* FindInterface(const wchar_t* name) override;
};

}  // namespace SkinUI
