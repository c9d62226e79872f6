// The computed drop shadow: a soft, premultiplied 32-bit picture of a window's shape, drawn
// from the shape's row spans with a round kernel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace SkinUI {

// The first and last pixel of one row inside a shape; empty when left > right.
struct RowSpan {
  int left = 1;
  int right = 0;
  bool Empty() const { return left > right; }
  bool Contains(int x) const { return x >= left && x <= right; }
};

struct ShadowShape {
  int size = 0;       // how far the shadow reaches beyond the window on every side
  int sharpness = 5;  // width of the soft edge
  int darkness = 150;
  int xOffset = 5;
  int yOffset = 5;
  COLORREF colour = 0;  // 0x00BBGGRR; the highest byte is ignored
};

// One span per row of the window's region (window coordinates, `width` x `height`); every row
// is whole when the window has no region.
std::vector<RowSpan> WindowRowSpans(HWND window, int width, int height);

// Premultiplied blue-green-red-alpha pixel of the shadow colour at this alpha.
uint32_t ShadowPixel(COLORREF colour, int alpha);

// Paints the shadow of a shape with these rows into `bits` (width x height pixels, top-down,
// all 0 on entry): the shape is placed `size` pixels in from every edge, shrunk, stamped with
// the kernel along its boundary and filled inside. The window's own area (its rows shifted by
// the offsets) stays transparent: the shadow lies above the window it is owned by.
void PaintComputedShadow(uint32_t* bits, int width, int height, const std::vector<RowSpan>& windowRows,
                         const ShadowShape& shape);

}  // namespace SkinUI
