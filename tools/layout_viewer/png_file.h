// PNG files from 32-bit pixels: what the layout viewer's screenshots are written with, and how
// tests make their own skin images.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace LayoutViewer {

// Red, green, blue, alpha bytes per pixel, rows top to bottom. False when encoding fails.
bool EncodePng(const unsigned char* rgba, int width, int height, std::vector<unsigned char>& png);
// Writes the encoded image to a file (replacing it); false when it cannot be written whole.
bool WritePngFile(const std::wstring& path, const unsigned char* rgba, int width, int height);

// The pixels of a device context's area, copied through a DIB section as red, green, blue and
// an opaque alpha. Empty when the copy fails.
std::vector<unsigned char> CaptureDC(HDC dc, int width, int height);

}  // namespace LayoutViewer
