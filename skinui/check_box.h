// CCheckBoxUI: an option under its own class name; the skins use it for yes/no choices.
#pragma once

#include "skinui/option.h"

namespace SkinUI {

class CCheckBoxUI : public COptionUI {
 public:
  const wchar_t* ClassName() const override { return L"CheckBox"; }
  void* FindInterface(const wchar_t* name) override;
};

}  // namespace SkinUI
