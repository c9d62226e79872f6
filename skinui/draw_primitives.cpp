#include <windows.h>

#include <algorithm>

#include "skinui/draw_engine.h"
#include "utils/gdi_objects.h"

namespace SkinUI {
namespace {

COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

BYTE Alpha(DWORD argb) { return static_cast<BYTE>(argb >> 24); }

int Blend(DWORD from, DWORD to, int shift, int step, int steps) {
  const int a = static_cast<int>((from >> shift) & 0xFF);
  const int b = static_cast<int>((to >> shift) & 0xFF);
  return steps <= 1 ? a : a + (b - a) * step / (steps - 1);
}

}  // namespace

void CDrawEngine::DrawColour(HDC dc, const RECT& rect, DWORD colour) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  if (Alpha(colour) == 0xFF) {
    Utils::UniqueBrush brush(::CreateSolidBrush(ToColorRef(colour)));
    if (brush) ::FillRect(dc, &rect, brush.get());
    return;
  }
  if (Alpha(colour) == 0) return;
  // A one-pixel premultiplied bitmap stretched over the rectangle does the blending.
  void* bits = nullptr;
  Utils::UniqueBitmap pixel = Utils::CreateTopDownBitmap(dc, 1, 1, &bits);
  if (!pixel || !bits) return;
  const DWORD a = Alpha(colour);
  const DWORD r = ((colour >> 16) & 0xFF) * a / 255;
  const DWORD g = ((colour >> 8) & 0xFF) * a / 255;
  const DWORD b = (colour & 0xFF) * a / 255;
  *static_cast<DWORD*>(bits) = (a << 24) | (r << 16) | (g << 8) | b;
  Utils::UniqueMemoryDC source(::CreateCompatibleDC(dc));
  if (!source) return;
  Utils::SelectionGuard selected(source.get(), pixel.get());
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source.get(), 0, 0, 1, 1,
               blend);
}

void CDrawEngine::DrawGradient(HDC dc, const RECT& rect, DWORD from, DWORD to, bool vertical, int steps) {
  const int length = vertical ? rect.bottom - rect.top : rect.right - rect.left;
  if (length <= 0 || rect.right <= rect.left || rect.bottom <= rect.top) return;
  steps = std::clamp(steps, 1, length);
  for (int i = 0; i < steps; ++i) {
    RECT band = rect;
    const int start = length * i / steps;
    const int end = length * (i + 1) / steps;
    if (vertical) {
      band.top = rect.top + start;
      band.bottom = rect.top + end;
    } else {
      band.left = rect.left + start;
      band.right = rect.left + end;
    }
    const DWORD colour = (static_cast<DWORD>(Blend(from, to, 24, i, steps)) << 24) |
                         (static_cast<DWORD>(Blend(from, to, 16, i, steps)) << 16) |
                         (static_cast<DWORD>(Blend(from, to, 8, i, steps)) << 8) |
                         static_cast<DWORD>(Blend(from, to, 0, i, steps));
    DrawColour(dc, band, colour);
  }
}

void CDrawEngine::DrawRect(HDC dc, const RECT& rect, int size, DWORD colour, int style) {
  if (size <= 0) return;
  Utils::UniquePen pen(::CreatePen(style, size, ToColorRef(colour)));
  if (!pen) return;
  Utils::SelectionGuard penGuard(dc, pen.get());
  Utils::SelectionGuard brushGuard(dc, ::GetStockObject(NULL_BRUSH));
  // A wide pen is centred on the outline: move it inwards so the border stays inside.
  const int in = size / 2;
  const int out = (size - 1) / 2;
  ::Rectangle(dc, rect.left + in, rect.top + in, rect.right - out, rect.bottom - out);
}

void CDrawEngine::DrawRoundRect(HDC dc, const RECT& rect, int size, SIZE round, DWORD colour, int style) {
  if (size <= 0) return;
  Utils::UniquePen pen(::CreatePen(style, size, ToColorRef(colour)));
  if (!pen) return;
  Utils::SelectionGuard penGuard(dc, pen.get());
  Utils::SelectionGuard brushGuard(dc, ::GetStockObject(NULL_BRUSH));
  ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, round.cx, round.cy);
}

void CDrawEngine::DrawLine(HDC dc, const RECT& rect, int size, DWORD colour, int style) {
  if (size <= 0) return;
  Utils::UniquePen pen(::CreatePen(style, size, ToColorRef(colour)));
  if (!pen) return;
  Utils::SelectionGuard penGuard(dc, pen.get());
  POINT previous;
  ::MoveToEx(dc, rect.left, rect.top, &previous);
  ::LineTo(dc, rect.right, rect.bottom);
  ::MoveToEx(dc, previous.x, previous.y, nullptr);
}

void CDrawEngine::DrawSolidBand(HDC dc, const RECT& rect, DWORD colour) { DrawColour(dc, rect, colour | 0xFF000000); }

}  // namespace SkinUI
