#include "skinui/progress.h"

#include <algorithm>
#include <cwchar>

#include "skinui/attribute_values.h"
#include "skinui/draw_engine.h"

namespace SkinUI {

CProgressUI::CProgressUI() { textStyle_ = DT_CENTER | DT_SINGLELINE; }

void* CProgressUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Progress") == 0) return static_cast<CProgressUI*>(this);
  return CLabelUI::FindInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal) {
  if (horizontal_ == horizontal) return;
  horizontal_ = horizontal;
  Invalidate();
}

void CProgressUI::SetMinValue(int value) {
  min_ = value;
  Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
  max_ = value;
  Invalidate();
}

void CProgressUI::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  Invalidate();
}

void CProgressUI::SetForeImage(const std::wstring& description) {
  if (foreImage_.SetDescription(description)) Invalidate();
}

RECT CProgressUI::ForeDestination() const {
  // 64-bit arithmetic: a range near the int limits neither overflows nor turns negative.
  const long long low = min_;
  const long long high = min_ >= max_ ? low + 1 : static_cast<long long>(max_);
  const long long value = std::clamp<long long>(value_, low, high);
  const long long range = high - low;
  const long long width = Width();
  const long long height = Height();
  if (horizontal_) return RECT{0, 0, static_cast<LONG>(width * (value - low) / range), static_cast<LONG>(height)};
  return RECT{0, static_cast<LONG>(height * (high - value) / range), static_cast<LONG>(width),
              static_cast<LONG>(height)};
}

void CProgressUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (std::wcscmp(name, L"foreimage") == 0) {
    SetForeImage(value);
  } else if (std::wcscmp(name, L"hor") == 0) {
    SetHorizontal(IsTrueText(value));
  } else if (std::wcscmp(name, L"min") == 0) {
    SetMinValue(static_cast<int>(std::wcstol(value, nullptr, 10)));
  } else if (std::wcscmp(name, L"max") == 0) {
    SetMaxValue(static_cast<int>(std::wcstol(value, nullptr, 10)));
  } else if (std::wcscmp(name, L"value") == 0) {
    SetValue(static_cast<int>(std::wcstol(value, nullptr, 10)));
  } else {
    CLabelUI::ApplyAttribute(name, value);
  }
}

void CProgressUI::PaintStateImage(HDC dc) {
  if (foreImage_.IsEmpty() || !CDrawEngine::LoadImageSlot(manager_, foreImage_)) return;
  const RECT dest = ForeDestination();
  // An empty bar draws nothing; an all-zero destination would mean the whole control.
  if (dest.right <= dest.left || dest.bottom <= dest.top) return;
  foreImage_.dest = dest;
  DrawImage(dc, foreImage_);
}

}  // namespace SkinUI
