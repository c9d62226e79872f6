#include "skinui/vertical_layout.h"

#include <algorithm>
#include <cwchar>

#include "skinui/attribute_values.h"

namespace SkinUI {

void* CVerticalLayoutUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"VerticalLayout") == 0) return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::FindInterface(name);
}

void CVerticalLayoutUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  if (std::wcscmp(name, L"sepheight") == 0) {
    separator_ = static_cast<int>(std::wcstol(value, nullptr, 10));
  } else if (std::wcscmp(name, L"sepimm") == 0) {
    separatorImmediate_ = IsTrueText(value);
  } else {
    CContainerUI::ApplyAttribute(name, value);
  }
}

void CVerticalLayoutUI::SetPosition(RECT rect, bool invalidate) {
  CControlUI::SetPosition(rect, invalidate);
  const RECT content = ContentRect();
  if (items_.empty()) return;
  const long availableWidth = content.right - content.left;
  const long availableHeight = content.bottom - content.top;

  // First pass: what the fixed-height children need, and how many children stretch.
  int stretchable = 0;
  long fixedTotal = 0;
  int seen = 0;
  for (const ControlPtr& item : items_) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    const RECT p = item->Padding();
    const long widthOffer = std::min<long>(item->FixedWidth() < 1 ? item->MaxWidth() : item->FixedWidth(),
                                           availableWidth - p.left - p.right);
    const long heightOffer =
        std::min<long>(item->FixedHeight() < 1 ? item->MaxHeight() : item->FixedHeight(), availableHeight);
    SIZE estimate = item->MeasureSize(SIZE{widthOffer, heightOffer});
    if (estimate.cy == 0) {
      ++stretchable;
    } else {
      estimate.cy = std::clamp<long>(estimate.cy, item->MinHeight(), std::max(item->MinHeight(), item->MaxHeight()));
    }
    fixedTotal += estimate.cy + p.top + p.bottom;
    ++seen;
  }
  if (seen > 0) fixedTotal += childPadding_ * (seen - 1);
  long share = stretchable > 0 ? (availableHeight - fixedTotal) / stretchable : 0;
  if (share < 0) share = 0;

  // Second pass: place each child; the last stretchable child takes whatever is left so that
  // the column is filled exactly.
  long y = content.top;
  long remaining = availableHeight;
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
    remaining -= p.top;
    const long widthLimit = std::min<long>(item->FixedWidth() < 1 ? item->MaxWidth() : item->FixedWidth(),
                                           availableWidth - p.left - p.right);
    const long heightLimit = item->FixedHeight() < 1 ? item->MaxHeight() : item->FixedHeight();
    fixedRemainder -= p.top + p.bottom;
    if (counted > 0) fixedRemainder -= childPadding_;
    ++counted;
    SIZE estimate = item->MeasureSize(SIZE{widthLimit, std::min(heightLimit, remaining)});
    long height;
    if (estimate.cy != 0) {
      height = std::clamp<long>(estimate.cy, item->MinHeight(), std::max(item->MinHeight(), item->MaxHeight()));
      fixedRemainder -= height;
    } else {
      ++stretched;
      height = share;
      if (stretched == stretchable) height = std::max<long>(0, remaining - p.bottom - fixedRemainder);
      height = std::clamp<long>(height, item->MinHeight(), std::max(item->MinHeight(), item->MaxHeight()));
    }
    const long widthWanted = item->MaxWidth() == 0 ? availableWidth - p.left - p.right : item->MaxWidth();
    long width = std::min(widthLimit, std::max<long>(0, widthWanted));
    width = std::max<long>(width, item->MinWidth());

    long x;
    if (childAlign_ == kAlignCenter)
      x = (content.left + content.right) / 2 - width / 2;
    else if (childAlign_ == kAlignRight)
      x = content.right - p.right - width;
    else
      x = content.left + p.left;
    item->SetPosition(RECT{x, y + p.top, x + width, y + p.top + height}, false);
    y += height + childPadding_ + p.top + p.bottom;
    remaining -= height + childPadding_ + p.bottom;
  }
}

}  // namespace SkinUI
