// What the display shows, for tests that look at real windows: a screen area read back as
// pixels and written as PNG under the build tree's screenshots folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace TestSupport {

// The area's pixels as RGBA rows from the top; empty when it cannot be read.
std::vector<unsigned char> CaptureScreen(const RECT& area);

// Writes RGBA pixels to build/screenshots/<name> (name may hold sub-folders, created here).
bool SaveScreenshotPixels(const std::wstring& name, const std::vector<unsigned char>& rgba, int width, int height);

// CaptureScreen + SaveScreenshotPixels; a window's area from GetWindowRect.
bool SaveScreenArea(const RECT& area, const std::wstring& name);
bool SaveWindowScreenshot(HWND window, const std::wstring& name);

}  // namespace TestSupport
