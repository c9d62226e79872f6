// CSequenceButtonUI: a button whose background image steps through numbered frames on a timer
// (markup element "SequenceButton").
#pragma once

#include <cstdint>
#include <string>

#include "skinui/button.h"
#include "ui/sequence_animation.h"

namespace SkinUI {

class CSequenceButtonUI : public CButtonUI {
 public:
  CSequenceButtonUI() = default;

  const wchar_t* ClassName() const override { return L"SequenceButton"; }
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

  const SequenceAnimation& Animation() const { return animation_; }

 private:
  SequenceAnimation animation_;
};

}  // namespace SkinUI
