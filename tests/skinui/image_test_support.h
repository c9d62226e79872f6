// Helpers of the image drawing tests: a 32-bit canvas to draw into and read back, PNG skin
// images written into a private skin folder, and a real skinned window built from layout text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "skinui/image_info.h"
#include "skinui/window_impl_base.h"
#include "tests/support/message_pump.h"
#include "tests/support/sandbox.h"
#include "utils/gdi_objects.h"

namespace ImageTest {

// Colours are 0xAARRGGBB as in the skins; a canvas pixel reads back as 0x00RRGGBB.
using PixelFunction = std::function<uint32_t(int x, int y)>;

class Canvas {
 public:
  Canvas(int width, int height, uint32_t fill);
  HDC dc() const { return dc_.get(); }
  uint32_t Pixel(int x, int y) const;
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_;
  int height_;
  uint32_t* bits_ = nullptr;
  Utils::UniqueBitmap bitmap_;
  Utils::UniqueMemoryDC dc_;
  std::unique_ptr<Utils::SelectionGuard> selected_;
};

// A decoded skin image (premultiplied) made from straight-alpha colours.
std::unique_ptr<SkinUI::ImageInfo> MakeImage(int width, int height, const PixelFunction& colour);

// A skin folder of its own: the process-wide skin source points at it while it lives.
class SkinFolder {
 public:
  SkinFolder();
  ~SkinFolder();
  // Writes a PNG image into the folder; false when it cannot.
  bool AddImage(const std::wstring& name, int width, int height, const PixelFunction& colour) const;
  std::wstring Path() const { return folder_.Path(); }

 private:
  TestSupport::TempFolder folder_;
};

// True when the two colours differ by at most `tolerance` in each channel.
bool Near(uint32_t expected, uint32_t actual, int tolerance);

// Runs the thread's messages until the condition holds (10 s at most).
using TestSupport::PumpUntil;

// A skinned window from layout text, painted once before it is handed out.
class MarkupWindow : public SkinUI::WindowImplBase {
 public:
  explicit MarkupWindow(std::wstring markup) : markup_(std::move(markup)) {}
  // Opens the window and waits for its first paint; false when either fails.
  bool Open();
  // Repaints everything now and returns the back buffer.
  HDC Repaint();
  SkinUI::CControlUI* Named(const wchar_t* name) { return manager_.FindControlByName(name); }

 protected:
  const wchar_t* WindowClassName() const override { return L"ImageTestWindow"; }
  std::wstring SkinFolder() const override { return std::wstring(); }
  std::wstring SkinFileName() const override { return markup_; }

 private:
  std::wstring markup_;
};

// The back buffer's pixel as 0x00RRGGBB.
uint32_t BufferPixel(HDC dc, int x, int y);

}  // namespace ImageTest
