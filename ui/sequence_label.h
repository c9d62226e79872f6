// CSequenceLabelUI: a label whose background image steps through numbered frames on a timer
// (markup element "SequenceLabel"); it plays on demand.
#pragma once

#include <cstdint>
#include <string>

#include "skinui/label.h"
#include "ui/sequence_animation.h"

namespace SkinUI {

class CSequenceLabelUI : public CLabelUI {
 public:
  // A label runs forward and starts over at frame 0, at twice the button's rate, unless its
  // markup says otherwise.
  CSequenceLabelUI();
  ~CSequenceLabelUI() override;

  const wchar_t* ClassName() const override { return L"SequenceLabel"; }
  void* FindInterface(const wchar_t* name) override;
  void OnInitialise() override;
  void HandleEvent(ControlEvent& event) override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;

  virtual void SetSequenceBkImage(const std::wstring& pattern) { animation_.pattern = pattern; }
  virtual const std::wstring& GetSequenceBkImage() const { return animation_.pattern; }
  virtual void SetSequenceCount(uint32_t count) { animation_.count = count; }
  virtual uint32_t GetSequenceCount() const { return animation_.count; }
  // A running timer keeps its period until it is set again.
  virtual void SetSequenceSpan(int32_t span) { animation_.span = span; }
  virtual int32_t GetSequenceSpan() const { return animation_.span; }
  // Starts again from frame 0, keeping the direction the sequence had.
  virtual void Play();

  const SequenceAnimation& Animation() const { return animation_; }

 private:
  SequenceAnimation animation_;
};

}  // namespace SkinUI
