#include "skinui/label.h"

#include <cwchar>

#include "skinui/attribute_values.h"
#include "skinui/draw_engine.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

bool Contains(const wchar_t* text, const wchar_t* word) { return std::wcsstr(text, word) != nullptr; }

// Wide enough for any single line of this program's texts.
constexpr long kMeasureWidth = 9999;

}  // namespace

void* CLabelUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Label") == 0) return static_cast<CLabelUI*>(this);
  return CControlUI::FindInterface(name);
}

void CLabelUI::SetText(const std::wstring& text) {
  if (text == text_) return;
  CControlUI::SetText(text);
  // A size measured for the old text would clip or pad the new one.
  MeasureAgain();
}

void CLabelUI::SetFixedWidth(int width) {
  if (width < 0) return;
  CControlUI::SetFixedWidth(width);
  needMeasure_ = true;
}

void CLabelUI::SetFixedHeight(int height) {
  if (height < 0) return;
  CControlUI::SetFixedHeight(height);
  needMeasure_ = true;
}

bool CLabelUI::PassOnMouseEvent(ControlEvent& event) {
  if (IsMouseEnabled() || !IsMouseEvent(event.kind)) return false;
  if (parent_)
    parent_->HandleEvent(event);
  else
    CLabelUI::HandleEvent(event);
  return true;
}

void CLabelUI::MeasureAgain() {
  needMeasure_ = true;
  if (fixedSize_.cx > 0 && fixedSize_.cy > 0) return;
  RequestParentLayout();
}

void CLabelUI::SetTextStyle(UINT style) {
  textStyle_ = style;
  Invalidate();
}

void CLabelUI::SetTextColor(DWORD colour) {
  textColour_ = colour;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD colour) {
  disabledTextColour_ = colour;
  Invalidate();
}

void CLabelUI::SetFont(int index) {
  font_ = index;
  MeasureAgain();
  Invalidate();
}

void CLabelUI::SetTextPadding(RECT padding) {
  textPadding_ = padding;
  MeasureAgain();
  Invalidate();
}

void CLabelUI::SetMultiLine(bool multiLine) {
  if (multiLine) {
    textStyle_ &= ~DT_SINGLELINE;
    textStyle_ |= DT_WORDBREAK;
  } else {
    textStyle_ |= DT_SINGLELINE;
  }
  MeasureAgain();
}

void CLabelUI::SetShowHtml(bool show) {
  if (showHtml_ == show) return;
  showHtml_ = show;
  Invalidate();
}

void CLabelUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  auto is = [name](const wchar_t* known) { return std::wcscmp(name, known) == 0; };
  if (is(L"align")) {
    // Value words are searched, not compared; a later word overrides an earlier one.
    if (Contains(value, L"left")) textStyle_ &= ~(DT_CENTER | DT_RIGHT);
    if (Contains(value, L"center")) textStyle_ = (textStyle_ & ~DT_RIGHT) | DT_CENTER;
    if (Contains(value, L"right")) textStyle_ = (textStyle_ & ~DT_CENTER) | DT_RIGHT;
    Invalidate();
  } else if (is(L"valign")) {
    if (Contains(value, L"top")) textStyle_ &= ~(DT_VCENTER | DT_BOTTOM);
    if (Contains(value, L"vcenter")) textStyle_ = (textStyle_ & ~DT_BOTTOM) | DT_VCENTER;
    if (Contains(value, L"bottom")) textStyle_ = (textStyle_ & ~DT_VCENTER) | DT_BOTTOM;
    Invalidate();
  } else if (is(L"endellipsis")) {
    if (IsTrueText(value))
      textStyle_ |= DT_END_ELLIPSIS;
    else
      textStyle_ &= ~DT_END_ELLIPSIS;
    Invalidate();
  } else if (is(L"font")) {
    SetFont(static_cast<int>(std::wcstol(value, nullptr, 10)));
  } else if (is(L"textcolor")) {
    SetTextColor(ReadHexValue(value));
  } else if (is(L"disabledtextcolor")) {
    SetDisabledTextColor(ReadHexValue(value));
  } else if (is(L"textpadding")) {
    long n[4];
    ReadNumberList(value, n, 4);
    SetTextPadding(RECT{n[0], n[1], n[2], n[3]});
  } else if (is(L"multiline")) {
    SetMultiLine(IsTrueText(value));
  } else if (is(L"showhtml")) {
    SetShowHtml(IsTrueText(value));
  } else if (is(L"enabledeffect")) {
    effects_.enabled = IsTrueText(value);
  } else if (is(L"enabledluminous")) {
    effects_.luminous = IsTrueText(value);
  } else if (is(L"luminousfuzzy")) {
    const double fuzzy = std::wcstod(value, nullptr);
    if (fuzzy >= 0.0001) effects_.luminousFuzzy = fuzzy;
  } else if (is(L"gradientangle")) {
    effects_.gradientAngle = static_cast<int>(std::wcstol(value, nullptr, 10));
  } else if (is(L"enabledstroke")) {
    effects_.stroke = IsTrueText(value);
  } else if (is(L"enabledshadow")) {
    effects_.shadow = IsTrueText(value);
  } else if (is(L"gradientlength")) {
    effects_.gradientLength = static_cast<int>(std::wcstol(value, nullptr, 10));
  } else if (is(L"shadowoffset")) {
    long n[2];
    ReadNumberList(value, n, 2);
    effects_.shadowOffset = SIZE{n[0], n[1]};
  } else if (is(L"textcolor1")) {
    effects_.textColour1 = ReadHexValue(value);
  } else if (is(L"textshadowcolora")) {
    effects_.shadowColourA = ReadHexValue(value);
  } else if (is(L"textshadowcolorb")) {
    effects_.shadowColourB = ReadHexValue(value);
  } else if (is(L"strokecolor")) {
    effects_.strokeColour = ReadHexValue(value);
  } else {
    // "pos" sets the fixed size without the setters; a changed size is measured again.
    const SIZE before = fixedSize_;
    CControlUI::ApplyAttribute(name, value);
    if (before.cx != fixedSize_.cx || before.cy != fixedSize_.cy) needMeasure_ = true;
  }
}

SIZE CLabelUI::MeasureSize(SIZE available) {
  if (fixedSize_.cx > 0 && fixedSize_.cy > 0) return fixedSize_;
  const bool multiLine = IsMultiLine();
  if (!needMeasure_ && !(multiLine && (available.cx != measuredFor_.cx || available.cy != measuredFor_.cy)))
    return measured_;
  needMeasure_ = false;
  measuredFor_ = available;
  const long padX = textPadding_.left + textPadding_.right;
  const long padY = textPadding_.top + textPadding_.bottom;
  if (!multiLine) {
    if (fixedSize_.cy > 0) {
      measured_.cy = fixedSize_.cy;
    } else {
      const long charHeight = manager_ ? manager_->FontMetrics(font_).tmHeight : 0;
      measured_.cy = padY + charHeight + 8;
    }
    if (fixedSize_.cx > 0) {
      measured_.cx = fixedSize_.cx;
    } else {
      const RECT box = {0, 0, kMeasureWidth, 100};
      const RECT need = CDrawEngine::MeasureText(nullptr, manager_, box, text_, font_, textStyle_);
      measured_.cx = (need.right - need.left) + padX;
    }
  } else {
    measured_.cx = fixedSize_.cx > 0 ? fixedSize_.cx : available.cx;
    // A fixed height holds for wrapped text as for a single line.
    if (fixedSize_.cy > 0) {
      measured_.cy = fixedSize_.cy;
    } else {
      const RECT box = {0, 0, measured_.cx - padX, 9999};
      const RECT need = CDrawEngine::MeasureText(nullptr, manager_, box, text_, font_, textStyle_);
      measured_.cy = (need.bottom - need.top) + padY;
    }
  }
  return measured_;
}

DWORD CLabelUI::EffectiveTextColour() const {
  if (textColour_ != 0 || !manager_) return textColour_;
  return manager_->DefaultFontColor();
}

DWORD CLabelUI::EffectiveDisabledTextColour() const {
  if (disabledTextColour_ != 0 || !manager_) return disabledTextColour_;
  return manager_->DisabledFontColor();
}

void CLabelUI::PaintText(HDC dc) {
  if (text_.empty()) return;
  RECT rect = itemRect_;
  rect.left += textPadding_.left;
  rect.right -= textPadding_.right;
  rect.top += textPadding_.top;
  rect.bottom -= textPadding_.bottom;
  // The skins' text paddings are made for this placement: a single-line, vertically centred
  // text lands at three quarters of the free height, not at one half.
  if (textStyle_ != DT_SINGLELINE) {
    const RECT box = {rect.left, rect.top, rect.right, rect.bottom};
    const RECT need = CDrawEngine::MeasureText(dc, manager_, box, text_, font_, textStyle_);
    const long free = (rect.bottom - rect.top) - (need.bottom - need.top);
    if (textStyle_ & ~static_cast<UINT>(DT_VCENTER)) {
      if (free > 0) rect.top += free / 2;
    } else if (textStyle_ & ~static_cast<UINT>(DT_BOTTOM)) {
      if (free > 0) rect.top += free;
    }
  }
  const DWORD colour = IsEnabled() ? EffectiveTextColour() : EffectiveDisabledTextColour();
  if (showHtml_)
    CDrawEngine::DrawHtmlText(dc, manager_, rect, text_, colour, font_, textStyle_);
  else
    CDrawEngine::DrawText(dc, manager_, rect, text_, colour, font_, textStyle_);
}

}  // namespace SkinUI
