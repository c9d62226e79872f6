#include "skinui/wnd_shadow.h"

#include <cstring>
#include <map>

#include "skinui/draw_engine.h"
#include "skinui/shadow_bitmap.h"

namespace SkinUI {
namespace {

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

// Process-wide, window thread only.
UpdateLayeredWindowFn g_updateLayeredWindow = nullptr;
HINSTANCE g_instance = nullptr;

// The shadow hooking a window and the procedure it replaced. The shadow is null when its object
// went away while another hook sat above ours: messages then pass straight on.
struct HookEntry {
  CWndShadow* shadow = nullptr;
  WNDPROC previous = nullptr;
};

std::map<HWND, HookEntry>& HookTable() {
  static std::map<HWND, HookEntry> table;
  return table;
}

LRESULT CALLBACK ShadowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return ::DefWindowProcW(window, message, wParam, lParam);
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

bool CWndShadow::Initialise(HINSTANCE instance) {
  if (g_updateLayeredWindow) return false;
  HMODULE user32 = ::GetModuleHandleW(L"USER32.DLL");
  if (!user32) return false;
  g_updateLayeredWindow =
      reinterpret_cast<UpdateLayeredWindowFn>(reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")));
  if (!g_updateLayeredWindow) return false;
  g_instance = instance ? instance : ::GetModuleHandleW(nullptr);

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = ShadowWindowProc;
  wc.hInstance = g_instance;
  wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  ::RegisterClassExW(&wc);
  return true;
}

CWndShadow* CWndShadow::FromParent(HWND parent) {
  auto it = HookTable().find(parent);
  return it == HookTable().end() ? nullptr : it->second.shadow;
}

CWndShadow::~CWndShadow() {
  if (!parent_) return;
  auto& table = HookTable();
  auto it = table.find(parent_);
  if (it == table.end() || it->second.shadow != this) return;
  if (::GetWindowLongPtrW(parent_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWndShadow::ParentHook)) {
    ::SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
    table.erase(it);
  } else {
    it->second.shadow = nullptr;
  }
}

void CWndShadow::Create(HWND parent) {
  if (!g_updateLayeredWindow || !parent || parent_ || HookTable().count(parent)) return;
  HookTable()[parent].shadow = this;
  window_.reset(::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kClassName, nullptr, WS_POPUPWINDOW, 0, 0, 0, 0,
                                  parent, nullptr, g_instance, nullptr));
  if (!window_) {
    HookTable().erase(parent);
    return;
  }
  parent_ = parent;

  const LONG style = ::GetWindowLongW(parent, GWL_STYLE);
  if (!(style & WS_VISIBLE)) {
    status_ = kEnabled;
  } else if (style & (WS_MAXIMIZE | WS_MINIMIZE)) {
    status_ = kEnabled | kParentVisible;
  } else {
    status_ = kEnabled | kParentVisible | kShadowVisible;
    ShowShadow();
    Rebuild(parent);
  }

  HookTable()[parent].previous = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::ParentHook)));
}

LRESULT CALLBACK CWndShadow::ParentHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& table = HookTable();
  auto it = table.find(window);
  if (it == table.end()) return ::DefWindowProcW(window, message, wParam, lParam);
  // A copy: the window's own handling may destroy the object or end the entry.
  const HookEntry entry = it->second;
  if (message == WM_NCDESTROY) {
    table.erase(it);
    if (entry.shadow) entry.shadow->parent_ = nullptr;
  } else if (entry.shadow) {
    entry.shadow->OnParentMessage(window, message, wParam, lParam);
  }
  return ::CallWindowProcW(entry.previous, window, message, wParam, lParam);
}

void CWndShadow::OnParentMessage(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      if (window_) ::DestroyWindow(window_.release());
      break;
    case WM_MOVE:
      if ((status_ & kShadowVisible) && window_) {
        RECT rect;
        ::GetWindowRect(parent, &rect);
        const POINT origin = ShadowOrigin(rect);
        ::SetWindowPos(window_.get(), nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
      }
      break;
    case WM_SIZE:
      if (!(status_ & kEnabled)) break;
      if (wParam == SIZE_MINIMIZED || wParam == SIZE_MAXIMIZED) {
        HideShadow();
        status_ &= ~kShadowVisible;
      } else if (status_ & kParentVisible) {
        // Shrinking is shadowed at once; a growing window first paints its new area.
        if (LOWORD(lParam) > lastWidth_ || HIWORD(lParam) > lastHeight_)
          updatePending_ = true;
        else
          Rebuild(parent);
        if (!(status_ & kShadowVisible)) {
          ShowShadow();
          status_ |= kShadowVisible;
        }
      }
      lastWidth_ = LOWORD(lParam);
      lastHeight_ = HIWORD(lParam);
      break;
    case WM_PAINT:
      if (updatePending_) {
        updatePending_ = false;
        Rebuild(parent);
      }
      break;
    case WM_ACTIVATE:
    case WM_EXITSIZEMOVE:
      if (status_ & kShadowVisible) Rebuild(parent);
      break;
    case WM_SHOWWINDOW:
      if (!(status_ & kEnabled)) break;
      if (!wParam) {
        HideShadow();
        status_ &= ~(kShadowVisible | kParentVisible);
      } else if (!(status_ & kParentVisible)) {
        updatePending_ = true;
        ShowShadow();
        status_ |= kShadowVisible | kParentVisible;
      }
      break;
    default: break;
  }
}

POINT CWndShadow::ShadowOrigin(const RECT& parentRect) const {
  if (image_) return POINT{parentRect.left - corner_.left, parentRect.top - corner_.top};
  return POINT{parentRect.left + xOffset_ - size_, parentRect.top + yOffset_ - size_};
}

bool CWndShadow::PrepareBitmap(int width, int height) {
  if (!bitmap_ || appliedSize_.cx != width || appliedSize_.cy != height) {
    void* bits = nullptr;
    bitmap_ = Utils::CreateTopDownBitmap(nullptr, width, height, &bits);
    bits_ = static_cast<uint32_t*>(bits);
    appliedSize_ = bitmap_ ? SIZE{width, height} : SIZE{};
    if (!bitmap_) return false;
  }
  std::memset(bits_, 0, static_cast<size_t>(width) * height * 4);
  return true;
}

void CWndShadow::Rebuild(HWND parent) {
  if (!window_) return;
  RECT rect;
  if (!::GetWindowRect(parent, &rect)) return;
  const int windowWidth = rect.right - rect.left, windowHeight = rect.bottom - rect.top;
  int width = windowWidth + 2 * size_, height = windowHeight + 2 * size_;
  if (image_) {
    width = windowWidth + corner_.left + corner_.right;
    height = windowHeight + corner_.top + corner_.bottom;
  }
  if (width <= 0 || height <= 0 || !PrepareBitmap(width, height)) return;

  Utils::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
  if (!dc) return;
  Utils::SelectionGuard selection(dc.get(), bitmap_.get());
  if (image_) {
    const RECT whole = {0, 0, width, height};
    const RECT source = {0, 0, image_->width, image_->height};
    const RECT corners = {corner_.left + holeOffset_.left, corner_.top + holeOffset_.top,
                          corner_.right + holeOffset_.right, corner_.bottom + holeOffset_.bottom};
    CDrawEngine::DrawImageParts(dc.get(), image_->bitmap.get(), whole, whole, source, corners, true, 255, true, false,
                                false);
    ::GdiFlush();
  } else {
    const ShadowShape shape{size_, sharpness_, darkness_, xOffset_, yOffset_, colour_};
    PaintComputedShadow(bits_, width, height, WindowRowSpans(parent, windowWidth, windowHeight), shape);
  }

  POINT origin = ShadowOrigin(rect);
  ::SetWindowPos(window_.get(), nullptr, origin.x, origin.y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  POINT sourcePoint = {0, 0};
  SIZE size = {width, height};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  g_updateLayeredWindow(window_.get(), nullptr, &origin, &size, dc.get(), &sourcePoint, 0, &blend, ULW_ALPHA);
}

void CWndShadow::ShowShadow() {
  if (window_) ::ShowWindow(window_.get(), SW_SHOWNOACTIVATE);
}

void CWndShadow::HideShadow() {
  if (window_) ::ShowWindow(window_.get(), SW_HIDE);
}

void CWndShadow::RebuildIfVisible() {
  if ((status_ & kShadowVisible) && parent_) Rebuild(parent_);
}

bool CWndShadow::SetSize(int size) {
  if (!InRange(size, -20, 20)) return false;
  size_ = size;
  RebuildIfVisible();
  return true;
}

bool CWndShadow::SetSharpness(int sharpness) {
  if (!InRange(sharpness, 0, 20)) return false;
  sharpness_ = sharpness;
  RebuildIfVisible();
  return true;
}

bool CWndShadow::SetDarkness(int darkness) {
  if (!InRange(darkness, 0, 255)) return false;
  darkness_ = darkness;
  RebuildIfVisible();
  return true;
}

bool CWndShadow::SetPosition(int x, int y) {
  if (!InRange(x, -20, 20) || !InRange(y, -20, 20)) return false;
  xOffset_ = x;
  yOffset_ = y;
  RebuildIfVisible();
  return true;
}

bool CWndShadow::SetColor(COLORREF colour) {
  colour_ = colour;
  RebuildIfVisible();
  return true;
}

bool CWndShadow::SetImage(const wchar_t* image, const RECT& corner, const RECT& holeOffset) {
  std::unique_ptr<ImageInfo> loaded = image ? CDrawEngine::LoadSkinImage(image, nullptr, 0) : nullptr;
  if (!loaded) return false;
  image_ = std::move(loaded);
  corner_ = corner;
  holeOffset_ = holeOffset;
  RebuildIfVisible();
  return true;
}

}  // namespace SkinUI
