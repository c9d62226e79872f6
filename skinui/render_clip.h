// RoundClip: while it lives, painting into a DC is clipped to a control's rounded rectangle
// (and to the area being painted); the DC's previous clip region comes back afterwards.
#pragma once

#include <windows.h>

#include "utils/gdi_objects.h"

namespace SkinUI {

class RoundClip {
 public:
  // Nothing is clipped when `round` is (0, 0).
  RoundClip(HDC dc, const RECT& item, const RECT& paint, SIZE round);
  ~RoundClip();
  RoundClip(const RoundClip&) = delete;
  RoundClip& operator=(const RoundClip&) = delete;

 private:
  HDC dc_ = nullptr;
  bool active_ = false;
  bool hadClip_ = false;
  Utils::UniqueRegion previous_;
};

// ClipToRect: clips painting to the intersection of the current clip and a rectangle, and
// restores the previous clip region afterwards.
class ClipToRect {
 public:
  ClipToRect(HDC dc, const RECT& rect);
  ~ClipToRect();
  ClipToRect(const ClipToRect&) = delete;
  ClipToRect& operator=(const ClipToRect&) = delete;

 private:
  HDC dc_;
  bool hadClip_ = false;
  Utils::UniqueRegion previous_;
};

}  // namespace SkinUI
