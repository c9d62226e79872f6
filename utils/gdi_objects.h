// Owners for GDI objects and device contexts. Each acquire call has its own release call, and
// mixing them up (a GetDC result freed with DeleteDC, a bitmap deleted while still selected)
// is the classic GDI leak, so every pair gets its own type.
#pragma once

#include <windows.h>

#include <utility>

#include "utils/unique_resource.h"

namespace Utils {

template <typename T>
struct GdiObjectTraits {  // CreateDIBSection, CreateFontIndirectW, CreateSolidBrush, CreatePen, CreateRoundRectRgn
  static T Invalid() noexcept { return nullptr; }
  static void Close(T object) noexcept { ::DeleteObject(object); }
};
struct MemoryDCTraits {  // CreateCompatibleDC
  static HDC Invalid() noexcept { return nullptr; }
  static void Close(HDC dc) noexcept { ::DeleteDC(dc); }
};

using UniqueBitmap = UniqueResource<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueFont = UniqueResource<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueResource<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueResource<HPEN, GdiObjectTraits<HPEN>>;
using UniqueRegion = UniqueResource<HRGN, GdiObjectTraits<HRGN>>;
using UniqueMemoryDC = UniqueResource<HDC, MemoryDCTraits>;

// A top-down 32-bit DIB section (blue, green, red, alpha bytes; rows from the top), its pixels
// at *bits. Null (and *bits null) when it cannot be made.
inline UniqueBitmap CreateTopDownBitmap(HDC dc, int width, int height, void** bits) noexcept {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
  if (!bitmap) *bits = nullptr;
  return bitmap;
}

// GetDC -> ReleaseDC: the release needs the window too, so the owner keeps both.
class WindowDC {
 public:
  WindowDC() noexcept = default;
  explicit WindowDC(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDC() { reset(); }

  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  WindowDC(WindowDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDC& operator=(WindowDC&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }

  HDC get() const noexcept { return dc_; }
  HWND window() const noexcept { return window_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

  void reset() noexcept {
    if (dc_) ::ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// BeginPaint -> EndPaint, for the length of one WM_PAINT handler; neither copied nor moved.
class PaintDC {
 public:
  explicit PaintDC(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintDC() {
    if (dc_) ::EndPaint(window_, &paint_);
  }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;

  HDC get() const noexcept { return dc_; }
  const PAINTSTRUCT& paint() const noexcept { return paint_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// Selects an object into a DC and selects the previous one back on destruction, so that an
// owned object is never deleted while a DC still holds it (destroy the guard first).
class SelectionGuard {
 public:
  SelectionGuard(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectionGuard() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectionGuard(const SelectionGuard&) = delete;
  SelectionGuard& operator=(const SelectionGuard&) = delete;

  // False when the selection failed; nothing is restored then.
  bool selected() const noexcept { return previous_ && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace Utils
