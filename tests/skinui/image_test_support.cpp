#include "tests/skinui/image_test_support.h"

#include <chrono>
#include <cstdlib>
#include <vector>

#include "skinui/draw_engine.h"
#include "skinui/window_manager.h"
#include "tools/layout_viewer/png_file.h"

namespace ImageTest {
namespace {

std::vector<unsigned char> ToRgba(int width, int height, const PixelFunction& colour) {
  std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t argb = colour(x, y);
      unsigned char* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<unsigned char>(argb >> 16);
      p[1] = static_cast<unsigned char>(argb >> 8);
      p[2] = static_cast<unsigned char>(argb);
      p[3] = static_cast<unsigned char>(argb >> 24);
    }
  }
  return rgba;
}

void ResetSkinSource(const std::wstring& folder) {
  SkinUI::CWindowManagerUI::SetModuleInstance(::GetModuleHandleW(nullptr));
  SkinUI::CWindowManagerUI::SetArchiveFormat7z(true);
  SkinUI::CWindowManagerUI::SetSkinArchiveFile(L"", false);
  SkinUI::CWindowManagerUI::SetSkinFolderPath(folder);
  SkinUI::CWindowManagerUI::RemoveAllSharedImages();
}

}  // namespace

Canvas::Canvas(int width, int height, uint32_t fill) : width_(width), height_(height) {
  void* bits = nullptr;
  bitmap_ = Utils::CreateTopDownBitmap(nullptr, width, height, &bits);
  bits_ = static_cast<uint32_t*>(bits);
  dc_.reset(::CreateCompatibleDC(nullptr));
  selected_ = std::make_unique<Utils::SelectionGuard>(dc_.get(), bitmap_.get());
  for (int i = 0; i < width * height; ++i) bits_[i] = fill & 0xFFFFFF;
}

uint32_t Canvas::Pixel(int x, int y) const {
  ::GdiFlush();
  return bits_[y * width_ + x] & 0xFFFFFF;
}

std::unique_ptr<SkinUI::ImageInfo> MakeImage(int width, int height, const PixelFunction& colour) {
  const std::vector<unsigned char> rgba = ToRgba(width, height, colour);
  std::vector<unsigned char> png;
  if (!LayoutViewer::EncodePng(rgba.data(), width, height, png)) return nullptr;
  return SkinUI::CDrawEngine::DecodeImage(png.data(), png.size(), 0);
}

SkinFolder::SkinFolder() { ResetSkinSource(folder_.Path() + L"\\"); }

SkinFolder::~SkinFolder() { ResetSkinSource(L""); }

bool SkinFolder::AddImage(const std::wstring& name, int width, int height, const PixelFunction& colour) const {
  const std::vector<unsigned char> rgba = ToRgba(width, height, colour);
  return LayoutViewer::WritePngFile(folder_.File(name), rgba.data(), width, height);
}

bool Near(uint32_t expected, uint32_t actual, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int a = static_cast<int>((expected >> shift) & 0xFF);
    const int b = static_cast<int>((actual >> shift) & 0xFF);
    if (std::abs(a - b) > tolerance) return false;
  }
  return true;
}

bool MarkupWindow::Open() {
  HWND window = CreateNativeWindow(nullptr, L"image test", WS_POPUP | WS_VISIBLE, 0, 10, 10, 100, 100);
  if (!window) return false;
  ::UpdateWindow(window);
  return PumpUntil([&] { return manager_.BackBufferDC() != nullptr; });
}

HDC MarkupWindow::Repaint() {
  ::InvalidateRect(window_, nullptr, FALSE);
  ::UpdateWindow(window_);
  return manager_.BackBufferDC();
}

uint32_t BufferPixel(HDC dc, int x, int y) {
  const COLORREF c = ::GetPixel(dc, x, y);
  return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

}  // namespace ImageTest
