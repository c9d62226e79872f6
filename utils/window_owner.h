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

}  // namespace Utils
