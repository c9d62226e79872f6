// CTabLayoutUI: a container. One child (a page) is shown at a time.
#pragma once

#include "skinui/container.h"

namespace SkinUI {

class CTabLayoutUI : public CContainerUI {
 public:
  const wchar_t* ClassName() const override { return L"TabLayout"; }
  void* FindInterface(const wchar_t* name) override;
};

}  // namespace SkinUI
