#include "skinui/shadow_bitmap.h"

#include <algorithm>
#include <cmath>

#include "utils/gdi_objects.h"

namespace SkinUI {
namespace {

RowSpan SpanAt(const std::vector<RowSpan>& rows, int y) {
  if (y < 0 || y >= static_cast<int>(rows.size())) return RowSpan{};
  return rows[y];
}

// One step inwards: a row keeps what it shares with both neighbours, less a pixel at each end.
std::vector<RowSpan> Shrink(const std::vector<RowSpan>& rows) {
  std::vector<RowSpan> next(rows.size());
  for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
    const RowSpan above = SpanAt(rows, y - 1);
    const RowSpan below = SpanAt(rows, y + 1);
    const RowSpan own = rows[y];
    if (own.Empty() || above.Empty() || below.Empty()) continue;
    next[y].left = std::max({own.left, above.left, below.left}) + 1;
    next[y].right = std::min({own.right, above.right, below.right}) - 1;
  }
  return next;
}

// The round kernel: full darkness inside the inner radius, falling off linearly to the radius.
std::vector<uint32_t> MakeKernel(const ShadowShape& shape, int radius) {
  const int inner = shape.size > shape.sharpness ? shape.size - shape.sharpness : 0;
  const int side = 2 * radius + 1;
  std::vector<uint32_t> kernel(static_cast<size_t>(side) * side, 0);
  for (int ky = -radius; ky <= radius; ++ky) {
    for (int kx = -radius; kx <= radius; ++kx) {
      const double distance = std::sqrt(static_cast<double>(kx * kx + ky * ky));
      int alpha = 0;
      if (distance < inner)
        alpha = shape.darkness;
      else if (distance <= radius)
        alpha = static_cast<int>(shape.darkness * (1.0 - (distance - inner) / (shape.sharpness + 1)));
      kernel[static_cast<size_t>(ky + radius) * side + (kx + radius)] = ShadowPixel(shape.colour, alpha);
    }
  }
  return kernel;
}

void Stamp(uint32_t* bits, int width, int height, const std::vector<uint32_t>& kernel, int radius, int cx, int cy) {
  const int side = 2 * radius + 1;
  const int top = std::max(0, cy - radius), bottom = std::min(height - 1, cy + radius);
  const int left = std::max(0, cx - radius), right = std::min(width - 1, cx + radius);
  for (int y = top; y <= bottom; ++y) {
    uint32_t* row = bits + static_cast<size_t>(y) * width;
    const uint32_t* source = &kernel[static_cast<size_t>(y - cy + radius) * side + (left - cx + radius)];
    for (int x = left; x <= right; ++x, ++source) row[x] = std::max(row[x], *source);
  }
}

}  // namespace

uint32_t ShadowPixel(COLORREF colour, int alpha) {
  const uint32_t red = GetRValue(colour) * alpha / 255;
  const uint32_t green = GetGValue(colour) * alpha / 255;
  const uint32_t blue = GetBValue(colour) * alpha / 255;
  return (static_cast<uint32_t>(alpha) << 24) | (red << 16) | (green << 8) | blue;
}

std::vector<RowSpan> WindowRowSpans(HWND window, int width, int height) {
  std::vector<RowSpan> rows(std::max(0, height));
  Utils::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  const int kind = region ? ::GetWindowRgn(window, region.get()) : ERROR;
  if (kind == ERROR || kind == NULLREGION) {
    for (RowSpan& row : rows) row = RowSpan{0, width - 1};
    return rows;
  }
  // The region's rectangles give each row's first and last pixel without a per-pixel test.
  const DWORD bytes = ::GetRegionData(region.get(), 0, nullptr);
  std::vector<unsigned char> buffer(bytes);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (bytes == 0 || ::GetRegionData(region.get(), bytes, data) != bytes) return rows;
  const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
  for (DWORD i = 0; i < data->rdh.nCount; ++i) {
    const RECT& r = rects[i];
    const int left = std::max<int>(0, r.left), right = std::min<int>(width - 1, r.right - 1);
    if (left > right) continue;
    for (int y = std::max<int>(0, r.top); y < std::min<int>(height, r.bottom); ++y) {
      RowSpan& row = rows[y];
      if (row.Empty()) {
        row = RowSpan{left, right};
      } else {
        row.left = std::min(row.left, left);
        row.right = std::max(row.right, right);
      }
    }
  }
  return rows;
}

void PaintComputedShadow(uint32_t* bits, int width, int height, const std::vector<RowSpan>& windowRows,
                         const ShadowShape& shape) {
  if (!bits || width <= 0 || height <= 0) return;
  const int windowHeight = static_cast<int>(windowRows.size());

  // The shape with a margin of `size` on every side, cut to the picture.
  std::vector<RowSpan> rows(height);
  for (int y = 0; y < windowHeight; ++y) {
    const int row = y + shape.size;
    if (row < 0 || row >= height || windowRows[y].Empty()) continue;
    rows[row].left = std::max(0, windowRows[y].left + shape.size);
    rows[row].right = std::min(width - 1, windowRows[y].right + shape.size);
  }
  for (int step = shape.size; step < shape.sharpness; ++step) rows = Shrink(rows);

  const int radius = std::max(shape.sharpness, shape.size);
  const std::vector<uint32_t> kernel = MakeKernel(shape, radius);
  for (int y = 0; y < height; ++y) {
    const RowSpan own = rows[y];
    if (own.Empty()) continue;
    const RowSpan above = SpanAt(rows, y - 1);
    const RowSpan below = SpanAt(rows, y + 1);
    for (int x = own.left; x <= own.right; ++x) {
      if (x == own.left || x == own.right || !above.Contains(x) || !below.Contains(x))
        Stamp(bits, width, height, kernel, radius, x, y);
    }
  }

  const uint32_t full = ShadowPixel(shape.colour, shape.darkness);
  for (int y = 0; y < height; ++y) {
    if (rows[y].Empty()) continue;
    std::fill(bits + static_cast<size_t>(y) * width + rows[y].left,
              bits + static_cast<size_t>(y) * width + rows[y].right + 1, full);
  }

  const int dx = shape.size - shape.xOffset, dy = shape.size - shape.yOffset;
  for (int y = 0; y < windowHeight; ++y) {
    const int row = y + dy;
    if (row < 0 || row >= height || windowRows[y].Empty()) continue;
    const int left = std::max(0, windowRows[y].left + dx), right = std::min(width - 1, windowRows[y].right + dx);
    if (left <= right)
      std::fill(bits + static_cast<size_t>(row) * width + left, bits + static_cast<size_t>(row) * width + right + 1,
                0u);
  }
}

}  // namespace SkinUI
