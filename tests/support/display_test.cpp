// Windows open and paint on the virtual display the harness starts for such tests.
#include <gtest/gtest.h>
#include <windows.h>

#include "utils/gdi_objects.h"

namespace {

LRESULT CALLBACK PaintGreen(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    Utils::PaintDC paint(window);
    Utils::UniqueBrush green(::CreateSolidBrush(RGB(0, 200, 0)));
    ::FillRect(paint.get(), &paint.paint().rcPaint, green.get());
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(Display, AWindowOpensAndPaints) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = PaintGreen;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"DravixDisplayTest";
  ASSERT_NE(0, ::RegisterClassW(&windowClass));
  HWND window = ::CreateWindowExW(0, L"DravixDisplayTest", L"display test", WS_POPUP | WS_VISIBLE, 100, 100, 200, 120,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  ::UpdateWindow(window);
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);

  RECT rect;
  ASSERT_TRUE(::GetClientRect(window, &rect));
  EXPECT_EQ(200, rect.right);
  EXPECT_EQ(120, rect.bottom);
  COLORREF pixel = 0;
  {
    Utils::WindowDC dc(window);
    ASSERT_TRUE(dc);
    pixel = ::GetPixel(dc.get(), 50, 50);
  }
  EXPECT_EQ(RGB(0, 200, 0), pixel);
  ::DestroyWindow(window);
}

}  // namespace
