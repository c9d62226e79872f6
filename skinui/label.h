// CLabelUI: a control that draws one text with the window's fonts and colours, sized by its
// text unless it has a fixed size.
#pragma once

#include <windows.h>

#include "skinui/control.h"

namespace SkinUI {

// Settings of the anti-aliased text effects. They are kept as written; this program draws
// every text plainly.
struct TextEffects {
  bool enabled = false;
  bool luminous = false;
  double luminousFuzzy = 3;
  int gradientAngle = 0;
  bool stroke = false;
  bool shadow = false;
  int gradientLength = 0;
  SIZE shadowOffset = {0, 0};
  DWORD textColour1 = 0;
  DWORD shadowColourA = 0;
  DWORD shadowColourB = 0;
  DWORD strokeColour = 0;
};

class CLabelUI : public CControlUI {
 public:
  CLabelUI() = default;

  const wchar_t* ClassName() const override { return L"Label"; }
  void* FindInterface(const wchar_t* name) override;

  void SetText(const std::wstring& text) override;
  void SetFixedWidth(int width) override;
  void SetFixedHeight(int height) override;

  UINT TextStyle() const { return textStyle_; }
  void SetTextStyle(UINT style);
  DWORD TextColor() const { return textColour_; }
  void SetTextColor(DWORD colour);
  DWORD DisabledTextColor() const { return disabledTextColour_; }
  void SetDisabledTextColor(DWORD colour);
  int FontIndex() const { return font_; }
  void SetFont(int index);
  RECT TextPadding() const { return textPadding_; }
  void SetTextPadding(RECT padding);
  bool IsMultiLine() const { return (textStyle_ & DT_SINGLELINE) == 0; }
  void SetMultiLine(bool multiLine);
  bool IsShowHtml() const { return showHtml_; }
  void SetShowHtml(bool show);
  const TextEffects& Effects() const { return effects_; }

  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
  SIZE MeasureSize(SIZE available) override;
  void PaintText(HDC dc) override;

 protected:
  // The text colour a label uses now: its own, else the window's default (disabled) colour.
  DWORD EffectiveTextColour() const;
  DWORD EffectiveDisabledTextColour() const;
  // Asks for a new measurement, and for a new layout of the parent when the size can change.
  void MeasureAgain();
  // A control that does not take the mouse hands mouse events to its parent (at the top of the
  // tree, to the label's own handling). True when the event was handed on.
  bool PassOnMouseEvent(ControlEvent& event);

  DWORD textColour_ = 0;
  DWORD disabledTextColour_ = 0;
  int font_ = -1;
  UINT textStyle_ = DT_VCENTER | DT_SINGLELINE;
  RECT textPadding_ = {0, 0, 0, 0};
  bool showHtml_ = false;
  TextEffects effects_;

 private:
  SIZE measured_ = {0, 0};
  SIZE measuredFor_ = {0, 0};
  bool needMeasure_ = true;
};

}  // namespace SkinUI
