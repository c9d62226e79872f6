#include "control_test_window.h"

#include <chrono>
#include <cstring>
#include <map>

#include "skinui/window_manager.h"

namespace SkinUITest {

void PumpPending() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!SkinUI::CWindowManagerUI::TranslateLoopMessage(&message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

HWND ControlTestWindow::Open(int width, int height) {
  HWND window = CreateNativeWindow(nullptr, L"control test", WS_POPUP | WS_VISIBLE, 0, 20, 20, width, height);
  if (!window) return nullptr;
  ::SetForegroundWindow(window);
  ::SetFocus(window);
  ::UpdateWindow(window);
  PumpPending();
  return window;
}

void ControlTestWindow::OnNotify(SkinUI::NotifyEvent& notification) {
  seen.push_back(SeenNotification{notification.type, notification.sender ? notification.sender->Name() : L""});
  WindowImplBase::OnNotify(notification);
}

std::vector<SeenNotification> ControlTestWindow::Only(const std::vector<std::wstring>& types) const {
  std::vector<SeenNotification> kept;
  for (const SeenNotification& n : seen) {
    for (const std::wstring& type : types) {
      if (n.type == type) kept.push_back(n);
    }
  }
  return kept;
}

size_t ControlTestWindow::Count(const std::wstring& type, const std::wstring& sender) const {
  size_t n = 0;
  for (const SeenNotification& s : seen) n += s.type == type && s.sender == sender;
  return n;
}

void ControlTestWindow::Mouse(UINT message, int x, int y, WPARAM keys, bool moveCursor) {
  if (moveCursor) {
    POINT screen = {x, y};
    ::ClientToScreen(WindowHandle(), &screen);
    ::SetCursorPos(screen.x, screen.y);
  }
  ::SendMessageW(WindowHandle(), message, keys, MAKELPARAM(x, y));
}

void ControlTestWindow::Click(int x, int y, bool moveCursor) {
  Mouse(WM_MOUSEMOVE, x, y, 0, moveCursor);
  Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON, moveCursor);
  Mouse(WM_LBUTTONUP, x, y, 0, moveCursor);
}

HDC ControlTestWindow::Repaint() {
  ::UpdateWindow(WindowHandle());
  return manager_.BackBufferDC();
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height), fill_(fill) {
  void* bits = nullptr;
  dc_.reset(::CreateCompatibleDC(nullptr));
  bitmap_ = Utils::CreateTopDownBitmap(dc_.get(), width, height, &bits);
  bits_ = static_cast<unsigned char*>(bits);
  selection_.emplace(dc_.get(), bitmap_.get());
  Utils::UniqueBrush brush(::CreateSolidBrush(fill));
  RECT all = {0, 0, width, height};
  ::FillRect(dc_.get(), &all, brush.get());
  ::GdiFlush();
}

COLORREF PixelCanvas::At(int x, int y) const {
  ::GdiFlush();
  const unsigned char* p = bits_ + (static_cast<size_t>(y) * width_ + x) * 4;
  return RGB(p[2], p[1], p[0]);
}

int PixelCanvas::FirstInkRow(int left, int right) const {
  for (int y = 0; y < height_; ++y) {
    for (int x = left; x < right; ++x) {
      if (At(x, y) != fill_) return y;
    }
  }
  return -1;
}

int PixelCanvas::CountColour(const RECT& area, COLORREF colour) const {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) n += At(x, y) == colour;
  }
  return n;
}

bool PixelCanvas::SamePixels(const PixelCanvas& other) const {
  ::GdiFlush();
  return width_ == other.width_ && height_ == other.height_ &&
         std::memcmp(bits_, other.bits_, static_cast<size_t>(width_) * height_ * 4) == 0;
}

COLORREF DominantInk(HDC dc, const RECT& area, COLORREF background) {
  std::map<COLORREF, int> counts;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF c = ::GetPixel(dc, x, y);
      if (c != background) ++counts[c];
    }
  }
  COLORREF best = CLR_INVALID;
  int most = 0;
  for (const auto& [colour, n] : counts) {
    if (n > most) {
      most = n;
      best = colour;
    }
  }
  return best;
}

}  // namespace SkinUITest
