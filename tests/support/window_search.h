// Finding another program's top-level windows, for tests and benchmarks that watch a program
// from outside.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace TestSupport {

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

inline std::wstring CaptionOf(HWND window) {
  wchar_t caption[64] = {};
  ::GetWindowTextW(window, caption, 64);
  return caption;
}

inline DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process;
}

// The first visible top-level window the predicate accepts; null when there is none.
inline HWND FindVisibleWindow(const std::function<bool(HWND)>& matches) {
  struct Search {
    const std::function<bool(HWND)>& matches;
    HWND found;
  } search{matches, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (!::IsWindowVisible(window) || !s->matches(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace TestSupport
