// CSequenceControlUI<Base>: a framework control whose background image steps through numbered
// frames; what the sequence button and label share (attributes, accessors, timer handling).
#pragma once

#include <cstdint>
#include <string>

#include "skinui/control_event.h"
#include "ui/sequence_animation.h"

namespace SkinUI {

template <class Base>
class CSequenceControlUI : public Base {
 public:
  void OnInitialise() override {
    Base::OnInitialise();
    if (animation_.autostart) animation_.StartTimer(*this);
  }
  void HandleEvent(ControlEvent& event) override {
    Base::HandleEvent(event);
    // Only its own timer steps the frames: a button's fade timer ticks on the same control.
    if (event.kind == kEventTimer && event.wParam == TIMER_SEQUENCE_FRAME) animation_.Tick(*this);
  }
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override {
    if (!name || !value) return;
    if (!animation_.ApplyAttribute(name, value)) Base::ApplyAttribute(name, value);
  }

  virtual void SetSequenceBkImage(const std::wstring& pattern) { animation_.pattern = pattern; }
  virtual const std::wstring& GetSequenceBkImage() const { return animation_.pattern; }
  virtual void SetSequenceCount(uint32_t count) { animation_.count = count; }
  virtual uint32_t GetSequenceCount() const { return animation_.count; }
  // A running timer keeps its period until it is set again.
  virtual void SetSequenceSpan(int32_t span) { animation_.span = span; }
  virtual int32_t GetSequenceSpan() const { return animation_.span; }

  const SequenceAnimation& Animation() const { return animation_; }

 protected:
  SequenceAnimation animation_;
};

}  // namespace SkinUI
