#include "tests/support/screen_capture.h"

#include "tests/support/paths.h"
#include "tools/layout_viewer/png_file.h"
#include "utils/gdi_objects.h"
#include "utils/unique_resource.h"

namespace TestSupport {

std::vector<unsigned char> CaptureScreen(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  Utils::WindowDC screen(nullptr);
  Utils::UniqueMemoryDC memory(::CreateCompatibleDC(screen.get()));
  Utils::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
  if (!memory || !bitmap) return {};
  Utils::SelectionGuard selected(memory.get(), bitmap.get());
  if (!::BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY)) return {};
  return LayoutViewer::CaptureDC(memory.get(), width, height);
}

bool SaveScreenshotPixels(const std::wstring& name, const std::vector<unsigned char>& rgba, int width, int height) {
  if (rgba.size() != static_cast<size_t>(width) * height * 4 || rgba.empty()) return false;
  std::wstring path = BuildTreePath("screenshots");
  ::CreateDirectoryW(path.c_str(), nullptr);
  for (size_t slash = name.find(L'\\'); slash != std::wstring::npos; slash = name.find(L'\\', slash + 1))
    ::CreateDirectoryW((path + L"\\" + name.substr(0, slash)).c_str(), nullptr);
  return LayoutViewer::WritePngFile(path + L"\\" + name, rgba.data(), width, height);
}

bool SaveScreenArea(const RECT& area, const std::wstring& name) {
  return SaveScreenshotPixels(name, CaptureScreen(area), area.right - area.left, area.bottom - area.top);
}

bool SaveWindowScreenshot(HWND window, const std::wstring& name) {
  RECT rect;
  return ::GetWindowRect(window, &rect) && SaveScreenArea(rect, name);
}

}  // namespace TestSupport
