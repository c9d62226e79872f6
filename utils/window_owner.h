// Owner of a window this code created and must destroy (CreateWindowExW -> DestroyWindow).
#pragma once

#include <windows.h>

#include "utils/unique_resource.h"

namespace Utils {

struct WindowTraits {
  static HWND Invalid() noexcept { return nullptr; }
  static void Close(HWND window) noexcept {
    if (::IsWindow(window)) ::DestroyWindow(window);
  }
};

using UniqueWindow = UniqueResource<HWND, WindowTraits>;

// A window closed through its own queue (WM_CLOSE posted), for owners that may go away while
// the window is busy inside one of its messages or owned by another window that destroys it.
struct PostCloseWindowTraits {
  static HWND Invalid() noexcept { return nullptr; }
  static void Close(HWND window) noexcept {
    if (::IsWindow(window)) ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
};

using PostClosedWindow = UniqueResource<HWND, PostCloseWindowTraits>;

}  // namespace Utils
