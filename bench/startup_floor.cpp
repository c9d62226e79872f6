// The floor of the start-up benchmark: the least a Win32 program does to show a window of the
// installer's size and paint it once. It runs until its window is closed.
#include <windows.h>

#include "utils/gdi_objects.h"

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      Utils::PaintDC paint(window);
      ::FillRect(paint.get(), &paint.paint().rcPaint, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      return 0;
    }
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.lpszClassName = L"StartupFloor";
  if (!::RegisterClassExW(&windowClass)) return 1;
  if (!::CreateWindowExW(0, L"StartupFloor", L"floor", WS_POPUP | WS_VISIBLE, 340, 312, 600, 400, nullptr, nullptr,
                         instance, nullptr))
    return 1;
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
