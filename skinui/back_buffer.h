// BackBuffer: the off-screen bitmap a window paints into before copying to the screen. It keeps
// the memory DC's original bitmap and selects it back before the DC and then the bitmap go, so
// the bitmap is never deleted while selected.
#pragma once

#include <windows.h>

#include "utils/gdi_objects.h"

namespace SkinUI {

class BackBuffer {
 public:
  BackBuffer() = default;
  ~BackBuffer() { Reset(); }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // A buffer compatible with `dc` of the given size; false (and nothing held) when it cannot
  // be made, so the caller paints directly.
  bool Create(HDC dc, int width, int height);
  void Reset();

  HDC dc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }
  SIZE size() const { return size_; }
  explicit operator bool() const { return dc_.valid(); }

 private:
  Utils::UniqueMemoryDC dc_;
  Utils::UniqueBitmap bitmap_;
  HGDIOBJ original_ = nullptr;
  SIZE size_ = {0, 0};
};

}  // namespace SkinUI
