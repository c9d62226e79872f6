// CSequenceButtonUI: a button whose background image steps through numbered frames on a timer
// (markup element "SequenceButton").
#pragma once

#include "skinui/button.h"
#include "ui/sequence_control.h"

namespace SkinUI {

class CSequenceButtonUI : public CSequenceControlUI<CButtonUI> {
 public:
  const wchar_t* ClassName() const override { return L"SequenceButton"; }
  void* FindInterface(const wchar_t* name) override;
};

}  // namespace SkinUI
