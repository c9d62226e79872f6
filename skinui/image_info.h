// One decoded skin image: a ready premultiplied 32-bit bitmap, so painting needs no decoding.
#pragma once

#include <windows.h>

#include <string>

#include "utils/gdi_objects.h"

namespace SkinUI {

struct ImageInfo {
  Utils::UniqueBitmap bitmap;  // top-down DIB section
  // Blue, green, red, alpha bytes, premultiplied, rows top to bottom, width * 4 bytes per row.
  // Owned by the bitmap.
  unsigned char* bits = nullptr;
  int width = 0;
  int height = 0;
  bool hasAlpha = false;      // some pixel is not opaque, or the mask cleared one
  std::wstring resourceType;  // empty for skin files
  DWORD mask = 0;
};

}  // namespace SkinUI
