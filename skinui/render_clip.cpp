#include "skinui/render_clip.h"

namespace SkinUI {
namespace {

// The DC's current clip region, or null when it has none (GetClipRgn answers 0 then).
Utils::UniqueRegion SaveClip(HDC dc, bool& hadClip) {
  Utils::UniqueRegion saved(::CreateRectRgn(0, 0, 0, 0));
  hadClip = saved && ::GetClipRgn(dc, saved.get()) == 1;
  return saved;
}

void RestoreClip(HDC dc, bool hadClip, const Utils::UniqueRegion& saved) {
  ::SelectClipRgn(dc, hadClip ? saved.get() : nullptr);
}

}  // namespace

RoundClip::RoundClip(HDC dc, const RECT& item, const RECT& paint, SIZE round) {
  if (round.cx <= 0 && round.cy <= 0) return;
  dc_ = dc;
  previous_ = SaveClip(dc, hadClip_);
  Utils::UniqueRegion rounded(
      ::CreateRoundRectRgn(item.left, item.top, item.right + 1, item.bottom + 1, round.cx, round.cy));
  Utils::UniqueRegion area(::CreateRectRgnIndirect(&paint));
  if (!rounded || !area) return;
  ::CombineRgn(rounded.get(), rounded.get(), area.get(), RGN_AND);
  ::ExtSelectClipRgn(dc, rounded.get(), RGN_AND);
  active_ = true;
}

RoundClip::~RoundClip() {
  if (active_) RestoreClip(dc_, hadClip_, previous_);
}

ClipToRect::ClipToRect(HDC dc, const RECT& rect) : dc_(dc) {
  previous_ = SaveClip(dc, hadClip_);
  ::IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
}

ClipToRect::~ClipToRect() { RestoreClip(dc_, hadClip_, previous_); }

}  // namespace SkinUI
