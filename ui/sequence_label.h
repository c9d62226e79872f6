// CSequenceLabelUI: a label whose background image steps through numbered frames on a timer
// (markup element "SequenceLabel"); it plays on demand.
#pragma once

#include "skinui/label.h"
#include "ui/sequence_control.h"

namespace SkinUI {

class CSequenceLabelUI : public CSequenceControlUI<CLabelUI> {
 public:
  // A label runs forward and starts over at frame 0, at twice the button's rate, unless its
  // markup says otherwise.
  CSequenceLabelUI();
  ~CSequenceLabelUI() override;

  const wchar_t* ClassName() const override { return L"SequenceLabel"; }
  void* FindInterface(const wchar_t* name) override;
  // Starts again from frame 0, keeping the direction the sequence had.
  virtual void Play();
};

}  // namespace SkinUI
