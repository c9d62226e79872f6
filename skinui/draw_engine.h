// CDrawEngine: turns skin images into bitmaps (and, later, draws them).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skinui/image_info.h"
#include "skinui/image_slot.h"

namespace SkinUI {

class CWindowManagerUI;

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

  // A line from the rectangle's top-left to its bottom-right corner.
  static void DrawLine(HDC dc, const RECT& rect, int size, DWORD colour, int style);

  // ---- Image descriptions (draw_image.cpp) ----
  // Reads the slot's description and loads its image, only on the slot's first call. True
  // when the slot holds an image.
  static bool LoadImageSlot(CWindowManagerUI* manager, ImageSlot& slot);
  // Draws the slot's image into the item rectangle, limited to the paint rectangle. True when
  // the slot holds an image (also when none of it lay inside the paint rectangle); false for an
  // empty description or an image that cannot be loaded, so a caller can fall back to another.
  static bool DrawImageString(HDC dc, CWindowManagerUI* manager, const RECT& item, const RECT& paint, ImageSlot& slot);
  // Nine-slice drawing of the source part of `bitmap` onto `dest`: corners at their own size,
  // edges stretched along their length, the centre stretched or tiled (or left out: hole).
  // Images with alpha, or a fade below 255, are blended source-over (premultiplied, constant
  // alpha = fade); others are copied. Nothing outside `dest` or `paint` is touched.
  static void DrawImageParts(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint, const RECT& source,
                             const RECT& corner, bool hasAlpha, BYTE fade, bool hole, bool xTiled, bool yTiled);

  // ---- Text (draw_text.cpp); colours are 0xAARRGGBB, fonts are indices of the window's table ----
  // Draws the text with language tokens ("%{N}") replaced, on a transparent background, with the
  // style plus DT_NOPREFIX (an ampersand is drawn as written). With DT_CALCRECT in the style the
  // rectangle receives the size instead and nothing is drawn.
  static void DrawText(HDC dc, CWindowManagerUI* manager, RECT& rect, const std::wstring& text, DWORD colour, int font,
                       UINT style);
  // The same text, plain: inline formatting is not part of this program.
  static void DrawHtmlText(HDC dc, CWindowManagerUI* manager, RECT& rect, const std::wstring& text, DWORD colour,
                           int font, UINT style);
  // The rectangle the text needs when drawn in `rect` with the style (DT_CALCRECT).
  static RECT MeasureText(HDC dc, CWindowManagerUI* manager, const RECT& rect, const std::wstring& text, int font,
                          UINT style);

  // Images larger than this many pixels are refused before any pixel memory is allocated.
  static constexpr long long kMaxImagePixels = 16LL * 1024 * 1024;
};

}  // namespace SkinUI
