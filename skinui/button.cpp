#include "skinui/button.h"

#include <algorithm>
#include <cwchar>

#include "skinui/attribute_values.h"
#include "skinui/draw_engine.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

bool IsInside(const RECT& rect, POINT point) { return ::PtInRect(&rect, point) != FALSE; }

}  // namespace

CButtonUI::CButtonUI() { textStyle_ = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CButtonUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Button") == 0) return static_cast<CButtonUI*>(this);
  return CLabelUI::FindInterface(name);
}

UINT CButtonUI::ControlFlags() const {
  UINT flags = 0;
  if (IsEnabled()) flags |= kFlagSetCursor;
  if (IsKeyboardEnabled()) flags |= kFlagTabStop;
  return flags;
}

UINT CButtonUI::ButtonState() const {
  UINT state = state_;
  if (IsFocused()) state |= kStateFocused;
  if (!IsEnabled()) state |= kStateDisabled;
  return state;
}

bool CButtonUI::Activate() {
  if (!CLabelUI::Activate()) return false;
  if (manager_) manager_->SendNotification(this, L"click");
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  if (enabled == IsEnabled()) return;
  CLabelUI::SetEnabled(enabled);
  if (!enabled) state_ &= StateKeptWhenDisabled();
}

void CButtonUI::HandleEvent(ControlEvent& event) {
  if (PassOnMouseEvent(event)) return;
  switch (event.kind) {
    case kEventSetFocus:
    case kEventKillFocus: CLabelUI::HandleEvent(event); return;
    case kEventKeyDown:
      if (IsKeyboardEnabled() && IsEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
        Activate();
        return;
      }
      break;
    case kEventMouseEnter:
      if (IsInside(itemRect_, event.mouse) && IsEnabled() && !(state_ & kStateHot)) {
        state_ |= kStateHot;
        Invalidate();
        if (manager_) {
          manager_->SendNotification(this, L"mouseenter");
          if (fadeStep_ > 0) manager_->SetControlTimer(this, kFadeTimerId, kFadePeriodMs);
        }
      }
      return;
    case kEventMouseMove:
      if (state_ & kStateCaptured) {
        const UINT before = state_;
        if (IsInside(itemRect_, event.mouse))
          state_ |= kStatePushed;
        else
          state_ &= ~kStatePushed;
        if (state_ != before) Invalidate();
      }
      return;
    case kEventButtonDown:
    case kEventDoubleClick:
      if (IsInside(itemRect_, event.mouse) && IsEnabled()) {
        state_ |= kStatePushed | kStateCaptured;
        Invalidate();
      }
      return;
    case kEventButtonUp:
      if (state_ & kStateCaptured) {
        if (IsInside(itemRect_, event.mouse)) Activate();
        state_ &= ~(kStatePushed | kStateCaptured);
        Invalidate();
      }
      return;
    case kEventMouseLeave:
      // Still inside: a child or cover took the hover; the leave comes later.
      if (IsInside(itemRect_, event.mouse)) {
        if (manager_) manager_->AddMouseLeaveNeeded(this);
        return;
      }
      if (IsEnabled() && (state_ & kStateHot)) {
        state_ &= ~kStateHot;
        Invalidate();
        if (manager_) {
          manager_->SendNotification(this, L"mouseleave");
          if (fadeStep_ > 0) manager_->SetControlTimer(this, kFadeTimerId, kFadePeriodMs);
        }
      }
      return;
    case kEventContextMenu:
      if (IsEnabled() && IsContextMenuUsed() && manager_)
        manager_->SendNotification(this, L"menu", event.wParam, event.lParam);
      return;
    case kEventSetCursor: ::SetCursor(::LoadCursorW(nullptr, IDC_HAND)); return;
    case kEventTimer:
      if (event.wParam == kFadeTimerId && fadeStep_ > 0) {
        bool done;
        if (state_ & kStateHot) {
          fadeAlpha_ = std::max(0, fadeAlpha_ - fadeStep_);
          done = fadeAlpha_ == 0;
        } else {
          fadeAlpha_ = std::min(255, fadeAlpha_ + fadeStep_);
          done = fadeAlpha_ == 255;
        }
        if (done && manager_) manager_->KillControlTimer(this, kFadeTimerId);
        Invalidate();
        return;
      }
      break;
    default: break;
  }
  CLabelUI::HandleEvent(event);
}

void CButtonUI::SetImage(ImageSlot& slot, const std::wstring& description) {
  if (slot.SetDescription(description)) Invalidate();
}

void CButtonUI::SetFiveStatusImage(const std::wstring& description) {
  fiveStatusImage_ = description;
  fiveStatusPending_ = !description.empty();
  ResolveFiveStatusImage();
}

void CButtonUI::ResolveFiveStatusImage() {
  if (!fiveStatusPending_ || !manager_) return;
  fiveStatusPending_ = false;
  ImageSlot whole;
  whole.description = fiveStatusImage_;
  if (!CDrawEngine::LoadImageSlot(manager_, whole)) return;
  RECT source = whole.source;
  if (source.left == 0 && source.top == 0 && source.right == 0 && source.bottom == 0)
    source = RECT{0, 0, whole.image->width, whole.image->height};
  const long column = (source.right - source.left) / 5;
  if (column <= 0) return;
  ImageSlot* slots[] = {&normalImage_, &pushedImage_, &hotImage_, &focusedImage_, &disabledImage_};
  for (int i = 0; i < 5; ++i) {
    ImageSlot cut = whole;
    cut.source = RECT{source.left + i * column, source.top, source.left + (i + 1) * column, source.bottom};
    *slots[i] = cut;
  }
  if (IsFloat() && fixedSize_.cx == 0 && fixedSize_.cy == 0) {
    SetFixedWidth(static_cast<int>(column));
    SetFixedHeight(static_cast<int>(source.bottom - source.top));
  }
  Invalidate();
}

void CButtonUI::SetHotBkColor(DWORD colour) {
  hotBkColour_ = colour;
  Invalidate();
}

void CButtonUI::SetPushedBkColor(DWORD colour) {
  pushedBkColour_ = colour;
  Invalidate();
}

void CButtonUI::SetDisabledBkColor(DWORD colour) {
  disabledBkColour_ = colour;
  Invalidate();
}

void CButtonUI::SetHotTextColor(DWORD colour) {
  hotTextColour_ = colour;
  Invalidate();
}

void CButtonUI::SetPushedTextColor(DWORD colour) {
  pushedTextColour_ = colour;
  Invalidate();
}

void CButtonUI::SetFocusedTextColor(DWORD colour) {
  focusedTextColour_ = colour;
  Invalidate();
}

void CButtonUI::SetFadeDelta(int step) { fadeStep_ = std::clamp(step, 0, 255); }

void CButtonUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  auto is = [name](const wchar_t* known) { return std::wcscmp(name, known) == 0; };
  if (is(L"normalimage")) {
    SetNormalImage(value);
  } else if (is(L"hotimage")) {
    SetHotImage(value);
  } else if (is(L"pushedimage")) {
    SetPushedImage(value);
  } else if (is(L"focusedimage")) {
    SetFocusedImage(value);
  } else if (is(L"disabledimage")) {
    SetDisabledImage(value);
  } else if (is(L"foreimage")) {
    SetForeImage(value);
  } else if (is(L"hotforeimage")) {
    SetHotForeImage(value);
  } else if (is(L"fivestatusimage")) {
    SetFiveStatusImage(value);
  } else if (is(L"fadedelta")) {
    SetFadeDelta(static_cast<int>(std::wcstol(value, nullptr, 10)));
  } else if (is(L"hotbkcolor")) {
    SetHotBkColor(ReadHexValue(value));
  } else if (is(L"pushedbkcolor")) {
    SetPushedBkColor(ReadHexValue(value));
  } else if (is(L"disabledbkcolor")) {
    SetDisabledBkColor(ReadHexValue(value));
  } else if (is(L"hottextcolor")) {
    SetHotTextColor(ReadHexValue(value));
  } else if (is(L"pushedtextcolor")) {
    SetPushedTextColor(ReadHexValue(value));
  } else if (is(L"focusedtextcolor")) {
    SetFocusedTextColor(ReadHexValue(value));
  } else {
    CLabelUI::ApplyAttribute(name, value);
  }
}

SIZE CButtonUI::MeasureSize(SIZE) {
  if (fixedSize_.cy > 0) return fixedSize_;
  const long charHeight = manager_ ? manager_->FontMetrics(font_).tmHeight : 0;
  return SIZE{fixedSize_.cx, charHeight + 8};
}

bool CButtonUI::DrawImageFaded(HDC dc, ImageSlot& slot, BYTE alpha) {
  if (!CDrawEngine::LoadImageSlot(manager_, slot)) return false;
  if (alpha == 0) return true;
  ImageSlot faded = slot;
  faded.fade = alpha;
  return DrawImage(dc, faded);
}

void CButtonUI::PaintStateImage(HDC dc) {
  ResolveFiveStatusImage();
  PaintButtonState(dc, false);
}

void CButtonUI::PaintButtonState(HDC dc, bool ignorePushed) {
  const BYTE alpha = static_cast<BYTE>(fadeAlpha_);
  bool foreReplaced = false;
  if (!IsEnabled()) {
    if (disabledBkColour_ != 0) CDrawEngine::DrawColour(dc, paintRect_, disabledBkColour_);
    if (!DrawImage(dc, disabledImage_)) DrawImage(dc, normalImage_);
  } else if ((state_ & kStatePushed) && !ignorePushed) {
    if (pushedBkColour_ != 0) CDrawEngine::DrawColour(dc, paintRect_, pushedBkColour_);
    if (!DrawImage(dc, pushedImage_)) DrawImage(dc, normalImage_);
    foreReplaced = DrawImage(dc, pushedForeImage_);
  } else if (state_ & kStateHot) {
    if (hotBkColour_ != 0) CDrawEngine::DrawColour(dc, paintRect_, hotBkColour_);
    if (fadeStep_ > 0) {
      DrawImageFaded(dc, normalImage_, alpha);
      DrawImageFaded(dc, hotImage_, static_cast<BYTE>(255 - alpha));
    } else if (!DrawImage(dc, hotImage_)) {
      DrawImage(dc, normalImage_);
    }
    foreReplaced = DrawImage(dc, hotForeImage_);
  } else if (IsFocused()) {
    if (!DrawImage(dc, focusedImage_)) DrawImage(dc, normalImage_);
  } else if (fadeStep_ > 0) {
    // Leaving the hover fades the hot image out while the normal image comes back.
    DrawImageFaded(dc, hotImage_, static_cast<BYTE>(255 - alpha));
    DrawImageFaded(dc, normalImage_, alpha);
  } else {
    DrawImage(dc, normalImage_);
  }
  if (!foreReplaced) DrawImage(dc, foreImage_);
}

RECT CButtonUI::TextRect() const {
  return RECT{itemRect_.left + textPadding_.left, itemRect_.top + textPadding_.top,
              itemRect_.right - textPadding_.right, itemRect_.bottom - textPadding_.bottom};
}

void CButtonUI::PaintText(HDC dc) { PaintButtonText(dc, false); }

void CButtonUI::PaintButtonText(HDC dc, bool ignorePushed) {
  if (text_.empty()) return;
  RECT rect = TextRect();
  DWORD colour;
  if ((state_ & kStatePushed) && !ignorePushed && pushedTextColour_ != 0)
    colour = pushedTextColour_;
  else if ((state_ & kStateHot) && hotTextColour_ != 0)
    colour = hotTextColour_;
  else if (IsFocused() && focusedTextColour_ != 0)
    colour = focusedTextColour_;
  else
    colour = IsEnabled() ? EffectiveTextColour() : EffectiveDisabledTextColour();
  if (showHtml_)
    CDrawEngine::DrawHtmlText(dc, manager_, rect, text_, colour, font_, textStyle_);
  else
    CDrawEngine::DrawText(dc, manager_, rect, text_, colour, font_, textStyle_);
}

}  // namespace SkinUI
