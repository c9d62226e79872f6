// A real skinned window for the control tests: its layout is markup text, it records every
// notification (type and sender name), and helpers drive it with real window messages and read
// its back buffer.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "skinui/window_impl_base.h"
#include "tests/support/message_pump.h"
#include "utils/gdi_objects.h"

namespace SkinUITest {

// Runs the thread's messages until the condition holds (10 s at most).
using TestSupport::PumpUntil;
// Runs the messages already queued (and those they cause) without waiting for more.
void PumpPending();

struct SeenNotification {
  std::wstring type;
  std::wstring sender;
  bool operator==(const SeenNotification& other) const { return type == other.type && sender == other.sender; }
};

class ControlTestWindow : public SkinUI::WindowImplBase {
 public:
  explicit ControlTestWindow(std::wstring markup) : markup_(std::move(markup)) {}

  // Creates, shows and paints the window once; null when it cannot be created.
  HWND Open(int width = 300, int height = 200);
  void OnNotify(SkinUI::NotifyEvent& notification) override;

  SkinUI::CControlUI* Named(const wchar_t* name) { return manager_.FindControlByName(name); }
  template <typename T>
  T* Get(const wchar_t* name) {
    return static_cast<T*>(Named(name));
  }
  // The notifications of these types, in order.
  std::vector<SeenNotification> Only(const std::vector<std::wstring>& types) const;
  size_t Count(const std::wstring& type, const std::wstring& sender) const;

  // Moves the real cursor there and sends the mouse message at that client point. Without
  // moving the cursor: the display would give the window the focus when the pointer enters it,
  // taking it from a native child at its own time.
  void Mouse(UINT message, int x, int y, WPARAM keys = 0, bool moveCursor = true);
  void Click(int x, int y, bool moveCursor = true);
  // Paints what is invalid now and returns the back buffer.
  HDC Repaint();

  std::vector<SeenNotification> seen;

 protected:
  const wchar_t* WindowClassName() const override { return L"ControlTestWindow"; }
  std::wstring SkinFolder() const override { return std::wstring(); }
  std::wstring SkinFileName() const override { return markup_; }

 private:
  std::wstring markup_;
};

// A 32-bit top-down memory bitmap to paint single controls into, filled with one colour.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height, COLORREF fill);
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;

  HDC dc() const { return dc_.get(); }
  COLORREF At(int x, int y) const;
  // The topmost row (or -1) in which some pixel differs from the fill inside [left, right).
  int FirstInkRow(int left, int right) const;
  // How many pixels of exactly this colour the rectangle holds.
  int CountColour(const RECT& area, COLORREF colour) const;
  bool SamePixels(const PixelCanvas& other) const;

 private:
  int width_;
  int height_;
  COLORREF fill_;
  Utils::UniqueMemoryDC dc_;
  Utils::UniqueBitmap bitmap_;
  std::optional<Utils::SelectionGuard> selection_;  // released before the bitmap
  unsigned char* bits_ = nullptr;
};

// Colour counts in a DC's rectangle: the most frequent colour other than `background`.
COLORREF DominantInk(HDC dc, const RECT& area, COLORREF background);

}  // namespace SkinUITest
