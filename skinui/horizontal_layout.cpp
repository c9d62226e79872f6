#include "skinui/horizontal_layout.h"

#include <algorithm>
#include <cwchar>

#include "skinui/attribute_values.h"

namespace SkinUI {

void* CHorizontalLayoutUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"HorizontalLayout") == 0) return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::FindInterface(name);
}

void CHorizontalLayoutUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  if (std::wcscmp(name, L"sepwidth") == 0) {
    separator_ = static_cast<int>(std::wcstol(value, nullptr, 10));
  } else if (std::wcscmp(name, L"sepimm") == 0) {
    separatorImmediate_ = IsTrueText(value);
  } else {
    CContainerUI::ApplyAttribute(name, value);
  }
}

void CHorizontalLayoutUI::SetPosition(RECT rect, bool invalidate) {
  CControlUI::SetPosition(rect, invalidate);
  const RECT content = ContentRect();
  if (items_.empty()) return;
  const long availableWidth = content.right - content.left;
  const long availableHeight = content.bottom - content.top;

  // First pass: a child without a fixed width stretches without being asked.
  int stretchable = 0;
  long fixedTotal = 0;
  int seen = 0;
  for (const ControlPtr& item : items_) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    const RECT p = item->Padding();
    SIZE estimate;
    if (item->FixedWidth() == 0) {
      estimate = SIZE{0, item->FixedHeight()};
    } else {
      const long widthOffer = std::min<long>(item->FixedWidth(), availableWidth);
      const long heightOffer = std::min<long>(item->FixedHeight() < 1 ? item->MaxHeight() : item->FixedHeight(),
                                              availableHeight - p.top - p.bottom);
      estimate = item->MeasureSize(SIZE{widthOffer, heightOffer});
    }
    if (estimate.cx == 0) {
      ++stretchable;
    } else {
      estimate.cx = std::clamp<long>(estimate.cx, item->MinWidth(), std::max(item->MinWidth(), item->MaxWidth()));
    }
    fixedTotal += estimate.cx + p.left + p.right;
    ++seen;
  }
  if (seen > 0) fixedTotal += childPadding_ * (seen - 1);
  long share = stretchable > 0 ? (availableWidth - fixedTotal) / stretchable : 0;
  if (share < 0) share = 0;

  long x = content.left;
  long remaining = availableWidth;
  long fixedRemainder = fixedTotal;
  int stretched = 0;
  int counted = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    CControlUI* item = items_[i].get();
    if (!item->IsVisible()) continue;
    if (item->IsFloat()) {
      SetFloatPosition(static_cast<int>(i));
      continue;
    }
    const RECT p = item->Padding();
    remaining -= p.left;
    const long availableForHeight = availableHeight - p.top - p.bottom;
    const long heightLimit =
        std::min<long>(item->FixedHeight() < 1 ? item->MaxHeight() : item->FixedHeight(), availableForHeight);
    const long widthLimit = item->FixedWidth() < 1 ? item->MaxWidth() : item->FixedWidth();
    fixedRemainder -= p.left + p.right;
    if (counted > 0) fixedRemainder -= childPadding_;
    ++counted;
    SIZE estimate = item->MeasureSize(SIZE{std::min(widthLimit, remaining), heightLimit});
    long width;
    if (item->FixedWidth() != 0 && estimate.cx != 0) {
      width = std::clamp<long>(estimate.cx, item->MinWidth(), std::max(item->MinWidth(), item->MaxWidth()));
      fixedRemainder -= width;
    } else {
      ++stretched;
      width = share;
      if (stretched == stretchable) width = std::max<long>(0, remaining - p.right - fixedRemainder);
      width = std::clamp<long>(width, item->MinWidth(), std::max(item->MinWidth(), item->MaxWidth()));
    }
    const long heightWanted = item->MaxHeight() == 0 ? availableForHeight : item->MaxHeight();
    long height = std::min(heightLimit, std::max<long>(0, heightWanted));
    height = std::max<long>(height, item->MinHeight());

    long y;
    if (childVAlign_ == kAlignVCenter)
      y = (content.top + content.bottom) / 2 - height / 2;
    else if (childVAlign_ == kAlignBottom)
      y = content.bottom - p.bottom - height;
    else
      y = content.top + p.top;
    item->SetPosition(RECT{x + p.left, y, x + p.left + width, y + height}, false);
    x += width + childPadding_ + p.left + p.right;
    remaining -= width + childPadding_ + p.right;
  }
}

}  // namespace SkinUI
