// CButtonUI: a label that reacts to the mouse and keyboard with state images, colours and an
// optional hover fade, and sends "click" when activated.
#pragma once

#include <windows.h>

#include "skinui/image_slot.h"
#include "skinui/label.h"

namespace SkinUI {

// Button state flags, as ButtonState reports them.
enum ButtonStateFlag : UINT {
  kStateFocused = 1,
  kStateSelected = 2,
  kStateDisabled = 4,
  kStateHot = 8,
  kStatePushed = 16,
  kStateCaptured = 64,
};

class CButtonUI : public CLabelUI {
 public:
  // The control timer that steps the hover fade, and its period.
  static constexpr UINT kFadeTimerId = 11;
  static constexpr UINT kFadePeriodMs = 30;

  CButtonUI();

  const wchar_t* ClassName() const override { return L"Button"; }
  void* FindInterface(const wchar_t* name) override;
  UINT ControlFlags() const override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void HandleEvent(ControlEvent& event) override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
  SIZE MeasureSize(SIZE available) override;
  void PaintStateImage(HDC dc) override;
  void PaintText(HDC dc) override;

  // The state flags: focused, selected, disabled, hot, pushed, captured.
  virtual UINT ButtonState() const;

  void SetNormalImage(const std::wstring& description) { SetImage(normalImage_, description); }
  void SetHotImage(const std::wstring& description) { SetImage(hotImage_, description); }
  void SetPushedImage(const std::wstring& description) { SetImage(pushedImage_, description); }
  void SetFocusedImage(const std::wstring& description) { SetImage(focusedImage_, description); }
  void SetDisabledImage(const std::wstring& description) { SetImage(disabledImage_, description); }
  void SetForeImage(const std::wstring& description) { SetImage(foreImage_, description); }
  void SetHotForeImage(const std::wstring& description) { SetImage(hotForeImage_, description); }
  void SetPushedForeImage(const std::wstring& description) { SetImage(pushedForeImage_, description); }
  // One image of five equal columns: normal, pushed, hot, focused, disabled, left to right.
  void SetFiveStatusImage(const std::wstring& description);
  const std::wstring& NormalImage() const { return normalImage_.description; }
  const std::wstring& HotImage() const { return hotImage_.description; }

  void SetHotBkColor(DWORD colour);
  void SetPushedBkColor(DWORD colour);
  void SetDisabledBkColor(DWORD colour);
  void SetHotTextColor(DWORD colour);
  void SetPushedTextColor(DWORD colour);
  void SetFocusedTextColor(DWORD colour);
  // 0 switches the fade off; at most 255.
  void SetFadeDelta(int step);
  int FadeDelta() const { return fadeStep_; }
  int FadeAlpha() const { return fadeAlpha_; }

 protected:
  // What a derived control keeps of the state when it is disabled.
  virtual UINT StateKeptWhenDisabled() const { return 0; }
  // The button's own state painting and text; options ignore the pushed flag.
  void PaintButtonState(HDC dc, bool ignorePushed);
  void PaintButtonText(HDC dc, bool ignorePushed);
  void SetImage(ImageSlot& slot, const std::wstring& description);
  // Draws a loaded slot with another constant alpha; false when the slot has no image.
  bool DrawImageFaded(HDC dc, ImageSlot& slot, BYTE alpha);
  RECT TextRect() const;

  UINT state_ = 0;  // hot, pushed, captured (and selected for options)
  ImageSlot normalImage_, hotImage_, pushedImage_, focusedImage_, disabledImage_;
  ImageSlot foreImage_, hotForeImage_, pushedForeImage_;
  DWORD hotBkColour_ = 0;
  DWORD pushedBkColour_ = 0;
  DWORD disabledBkColour_ = 0;
  DWORD hotTextColour_ = 0;
  DWORD pushedTextColour_ = 0;
  DWORD focusedTextColour_ = 0;
  int fadeAlpha_ = 255;
  int fadeStep_ = 0;

 private:
  // Cuts the five-status image into the five state slots once a window can load it.
  void ResolveFiveStatusImage();

  std::wstring fiveStatusImage_;
  bool fiveStatusPending_ = false;
};

}  // namespace SkinUI
