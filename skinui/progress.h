// CProgressUI: a label with a fore image that covers the part of the control matching its value,
// from the left (horizontal) or from the bottom (vertical).
#pragma once

#include <windows.h>

#include <string>

#include "skinui/image_slot.h"
#include "skinui/label.h"

namespace SkinUI {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI();

  const wchar_t* ClassName() const override { return L"Progress"; }
  void* FindInterface(const wchar_t* name) override;

  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);
  int MinValue() const { return min_; }
  void SetMinValue(int value);
  int MaxValue() const { return max_; }
  void SetMaxValue(int value);
  // Kept as given; painting clamps it into the range.
  int Value() const { return value_; }
  void SetValue(int value);
  const std::wstring& ForeImage() const { return foreImage_.description; }
  void SetForeImage(const std::wstring& description);

  // The fore image's destination relative to the control for the current value and size.
  RECT ForeDestination() const;

  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
  void PaintStateImage(HDC dc) override;

 private:
  bool horizontal_ = true;
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  ImageSlot foreImage_;
};

}  // namespace SkinUI
