// Image descriptions: reading them into image slots, and nine-slice drawing of skin images.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

#include "skinui/attribute_values.h"
#include "skinui/draw_engine.h"
#include "skinui/render_clip.h"
#include "skinui/window_manager.h"
#include "utils/gdi_objects.h"

namespace SkinUI {
namespace {

enum class ImageKind { kFile, kResource, kColour };

bool IsSpace(wchar_t c) { return std::iswspace(c) != 0; }

bool IsZero(const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

bool HasArea(const RECT& r) { return r.right > r.left && r.bottom > r.top; }

RECT ReadRect(const wchar_t* value) {
  long n[4];
  ReadNumberList(value, n, 4);
  return RECT{n[0], n[1], n[2], n[3]};
}

void ApplyKey(ImageSlot& slot, const std::wstring& key, const std::wstring& value, ImageKind& kind) {
  const wchar_t* v = value.c_str();
  if (key == L"file") {
    slot.name = value;
    kind = ImageKind::kFile;
  } else if (key == L"res") {
    slot.name = value;
    kind = ImageKind::kResource;
  } else if (key == L"restype") {
    slot.resourceType = value;
  } else if (key == L"color") {
    slot.name = value;
    kind = ImageKind::kColour;
  } else if (key == L"dest") {
    slot.dest = ReadRect(v);
  } else if (key == L"source") {
    slot.source = ReadRect(v);
  } else if (key == L"corner" || key == L"scale9") {
    slot.corner = ReadRect(v);
  } else if (key == L"mask") {
    slot.mask = ReadHexValue(v);
  } else if (key == L"fade") {
    slot.fade = static_cast<BYTE>(std::clamp(std::wcstol(v, nullptr, 10), 0L, 255L));
  } else if (key == L"hole") {
    slot.hole = IsTrueText(v);
  } else if (key == L"xtiled") {
    slot.xTiled = IsTrueText(v);
  } else if (key == L"ytiled") {
    slot.yTiled = IsTrueText(v);
  } else if (key == L"hsl") {
    slot.hsl = IsTrueText(v);
  }
}

// key='value' pairs; the image name is the whole text until a key names it. A pair goes on to
// the next only when exactly one space follows its closing apostrophe.
void ParseDescription(ImageSlot& slot) {
  slot.name = slot.description;
  ImageKind kind = ImageKind::kFile;
  const wchar_t* p = slot.description.c_str();
  for (;;) {
    while (IsSpace(*p)) ++p;
    const wchar_t* keyStart = p;
    while (*p && *p != L'=' && !IsSpace(*p)) ++p;
    const std::wstring key(keyStart, p);
    while (IsSpace(*p)) ++p;
    if (*p != L'=') break;
    ++p;
    while (IsSpace(*p)) ++p;
    if (*p != L'\'') break;
    const wchar_t* valueStart = ++p;
    while (*p && *p != L'\'') ++p;
    if (*p != L'\'') break;
    const std::wstring value(valueStart, p);
    ++p;
    if (!value.empty()) ApplyKey(slot, key, value, kind);
    if (p[0] != L' ' || p[1] == L' ') break;
    ++p;
  }
  switch (kind) {
    case ImageKind::kFile: slot.useType.clear(); break;
    case ImageKind::kResource: slot.useType = slot.resourceType; break;
    case ImageKind::kColour: slot.useType = L"*COLOR*"; break;
  }
}

class StretchModeGuard {
 public:
  StretchModeGuard(HDC dc, int mode) : dc_(dc), previous_(::SetStretchBltMode(dc, mode)) {}
  ~StretchModeGuard() {
    if (previous_) ::SetStretchBltMode(dc_, previous_);
  }
  StretchModeGuard(const StretchModeGuard&) = delete;
  StretchModeGuard& operator=(const StretchModeGuard&) = delete;

 private:
  HDC dc_;
  int previous_;
};

// Draws one part of the nine-slice, skipping parts of no size and parts outside the clip box.
class PartPainter {
 public:
  PartPainter(HDC dc, HDC source, const RECT& clip, bool blend, BYTE fade)
      : dc_(dc), source_(source), clip_(clip), blend_(blend), function_{AC_SRC_OVER, 0, fade, AC_SRC_ALPHA} {}

  void Draw(const RECT& d, const RECT& s) const {
    RECT visible;
    if (!HasArea(d) || !HasArea(s) || !::IntersectRect(&visible, &d, &clip_)) return;
    const int dw = d.right - d.left, dh = d.bottom - d.top;
    const int sw = s.right - s.left, sh = s.bottom - s.top;
    if (blend_) {
      ::AlphaBlend(dc_, d.left, d.top, dw, dh, source_, s.left, s.top, sw, sh, function_);
    } else if (dw == sw && dh == sh) {
      ::BitBlt(dc_, d.left, d.top, dw, dh, source_, s.left, s.top, SRCCOPY);
    } else {
      ::StretchBlt(dc_, d.left, d.top, dw, dh, source_, s.left, s.top, sw, sh, SRCCOPY);
    }
  }

 private:
  HDC dc_;
  HDC source_;
  RECT clip_;
  bool blend_;
  BLENDFUNCTION function_;
};

// The centre repeated at its source size along the tiled axes (the last piece cut, not
// squeezed) and stretched along the others.
void DrawTiledCentre(const PartPainter& painter, const RECT& d, const RECT& s, bool xTiled, bool yTiled,
                     const RECT& clip) {
  if (!HasArea(d) || !HasArea(s)) return;
  const int stepX = xTiled ? s.right - s.left : d.right - d.left;
  const int stepY = yTiled ? s.bottom - s.top : d.bottom - d.top;
  for (int y = d.top; y < d.bottom && y < clip.bottom; y += stepY) {
    const int bottom = std::min<int>(y + stepY, d.bottom);
    if (bottom <= clip.top) continue;
    for (int x = d.left; x < d.right && x < clip.right; x += stepX) {
      const int right = std::min<int>(x + stepX, d.right);
      if (right <= clip.left) continue;
      RECT source = s;
      if (xTiled) source.right = s.left + (right - x);
      if (yTiled) source.bottom = s.top + (bottom - y);
      painter.Draw(RECT{x, y, right, bottom}, source);
    }
  }
}

}  // namespace

bool CDrawEngine::LoadImageSlot(CWindowManagerUI* manager, ImageSlot& slot) {
  if (slot.tried) return slot.image != nullptr;
  if (!manager) return false;
  slot.tried = true;
  if (slot.description.empty()) return false;
  ParseDescription(slot);
  if (slot.name.empty()) return false;
  slot.image =
      manager->FindOrLoadImage(slot.name.c_str(), slot.useType.empty() ? nullptr : slot.useType.c_str(), slot.mask);
  return slot.image != nullptr;
}

bool CDrawEngine::DrawImageString(HDC dc, CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                                  ImageSlot& slot) {
  if (!LoadImageSlot(manager, slot)) return false;
  const ImageInfo& image = *slot.image;

  RECT source = slot.source;
  if (IsZero(source)) {
    source = RECT{0, 0, image.width, image.height};
  } else {
    source.left = std::max<LONG>(source.left, 0);
    source.top = std::max<LONG>(source.top, 0);
    source.right = std::min<LONG>(source.right, image.width);
    source.bottom = std::min<LONG>(source.bottom, image.height);
  }

  RECT dest = item;
  if (!IsZero(slot.dest)) {
    dest = slot.dest;
    ::OffsetRect(&dest, item.left, item.top);
    dest.right = std::min(dest.right, item.right);
    dest.bottom = std::min(dest.bottom, item.bottom);
  }

  // An image stays inside its control even when its destination says otherwise.
  RECT inside;
  if (!::IntersectRect(&inside, &dest, &item) || !::IntersectRect(&inside, &inside, &paint)) return true;
  DrawImageParts(dc, image.bitmap.get(), dest, inside, source, slot.corner, image.hasAlpha, slot.fade, slot.hole,
                 slot.xTiled, slot.yTiled);
  return true;
}

void CDrawEngine::DrawImageParts(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                                 const RECT& corner, bool hasAlpha, BYTE fade, bool hole, bool xTiled, bool yTiled) {
  RECT clip;
  if (!dc || !bitmap || !::IntersectRect(&clip, &dest, &paint)) return;
  Utils::UniqueMemoryDC sourceDC(::CreateCompatibleDC(dc));
  if (!sourceDC) return;
  Utils::SelectionGuard selected(sourceDC.get(), bitmap);
  if (!selected.selected()) return;
  // Corners wider than a small destination would spill out of it: the clip keeps them in.
  ClipToRect clipGuard(dc, clip);
  StretchModeGuard stretchMode(dc, COLORONCOLOR);
  const PartPainter painter(dc, sourceDC.get(), clip, hasAlpha || fade < 255, fade);

  const RECT& d = dest;
  const RECT& s = source;
  const RECT& c = corner;
  if (!hole) {
    const RECT centre = {d.left + c.left, d.top + c.top, d.right - c.right, d.bottom - c.bottom};
    const RECT sourceCentre = {s.left + c.left, s.top + c.top, s.right - c.right, s.bottom - c.bottom};
    if (xTiled || yTiled) {
      DrawTiledCentre(painter, centre, sourceCentre, xTiled, yTiled, clip);
    } else {
      painter.Draw(centre, sourceCentre);
    }
  }
  // Corners at their own size.
  painter.Draw(RECT{d.left, d.top, d.left + c.left, d.top + c.top},
               RECT{s.left, s.top, s.left + c.left, s.top + c.top});
  painter.Draw(RECT{d.right - c.right, d.top, d.right, d.top + c.top},
               RECT{s.right - c.right, s.top, s.right, s.top + c.top});
  painter.Draw(RECT{d.left, d.bottom - c.bottom, d.left + c.left, d.bottom},
               RECT{s.left, s.bottom - c.bottom, s.left + c.left, s.bottom});
  painter.Draw(RECT{d.right - c.right, d.bottom - c.bottom, d.right, d.bottom},
               RECT{s.right - c.right, s.bottom - c.bottom, s.right, s.bottom});
  // Edges stretched along their length.
  painter.Draw(RECT{d.left + c.left, d.top, d.right - c.right, d.top + c.top},
               RECT{s.left + c.left, s.top, s.right - c.right, s.top + c.top});
  painter.Draw(RECT{d.left + c.left, d.bottom - c.bottom, d.right - c.right, d.bottom},
               RECT{s.left + c.left, s.bottom - c.bottom, s.right - c.right, s.bottom});
  painter.Draw(RECT{d.left, d.top + c.top, d.left + c.left, d.bottom - c.bottom},
               RECT{s.left, s.top + c.top, s.left + c.left, s.bottom - c.bottom});
  painter.Draw(RECT{d.right - c.right, d.top + c.top, d.right, d.bottom - c.bottom},
               RECT{s.right - c.right, s.top + c.top, s.right, s.bottom - c.bottom});
}

}  // namespace SkinUI
