// CDrawEngine: turns skin images into bitmaps (and, later, draws them).
#pragma once

#include <windows.h>

#include <memory>

#include "skinui/image_info.h"

namespace SkinUI {

class CDrawEngine {
 public:
  // `type` null: a skin file (plain file or archive entry), else the name as a file path.
  // "*COLOR*": a one-pixel image of the colour 0xAARRGGBB written in `name` (optional "#").
  // Any other type: the module resource `name` (a string or MAKEINTRESOURCEW id) of that type.
  // Pixels equal to `mask` after premultiplication become transparent. Null when the image
  // cannot be found or decoded.
  static std::unique_ptr<ImageInfo> LoadSkinImage(const wchar_t* name, const wchar_t* type, DWORD mask);

  // Decodes encoded image bytes (PNG) into a premultiplied bitmap; null when they do not decode.
  static std::unique_ptr<ImageInfo> DecodeImage(const unsigned char* bytes, size_t size, DWORD mask);

  // ---- Drawing (draw_primitives.cpp); colours are 0xAARRGGBB ----
  // Fills the rectangle; a colour that is not fully opaque is blended over what is there.
  static void DrawColour(HDC dc, const RECT& rect, DWORD colour);
  // A gradient from `from` to `to`, top to bottom when `vertical`, else left to right, drawn
  // in `steps` bands of equal colour.
  static void DrawGradient(HDC dc, const RECT& rect, DWORD from, DWORD to, bool vertical, int steps);
  // Outline of `size` pixels drawn inside the rectangle, with a pen of that style.
  static void DrawRect(HDC dc, const RECT& rect, int size, DWORD colour, int style);
  static void DrawRoundRect(HDC dc, const RECT& rect, int size, SIZE round, DWORD colour, int style);
  // A solid band (a border side) covering exactly the rectangle.
  static void DrawSolidBand(HDC dc, const RECT& rect, DWORD colour);

  // Images larger than this many pixels are refused before any pixel memory is allocated.
  static constexpr long long kMaxImagePixels = 16LL * 1024 * 1024;
};

}  // namespace SkinUI
