// The GDI owners: each releases its object once, with the call that matches how it was made.
#include "utils/gdi_objects.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <utility>

namespace {

// release, reset, double reset and move for one owner type; `make` creates a fresh object.
template <typename Owner, typename Handle>
void CheckOwner(const std::function<Handle()>& make, DWORD objectType) {
  {
    Owner owner(make());
    ASSERT_TRUE(owner);
    const Handle handle = owner.get();
    EXPECT_EQ(objectType, ::GetObjectType(handle));
    owner.reset();
    EXPECT_FALSE(owner);
    EXPECT_EQ(0u, ::GetObjectType(handle)) << "reset deletes";
    owner.reset();
    EXPECT_FALSE(owner) << "a second reset does nothing";
  }
  {
    Handle handle = nullptr;
    {
      Owner source(make());
      handle = source.get();
      Owner target(std::move(source));
      EXPECT_FALSE(source);  // NOLINT(bugprone-use-after-move): the moved-from state is the point
      EXPECT_EQ(handle, target.get());
      EXPECT_EQ(objectType, ::GetObjectType(handle)) << "a move deletes nothing";
    }
    EXPECT_EQ(0u, ::GetObjectType(handle)) << "the last holder deletes";
  }
  {
    Owner owner(make());
    const Handle handle = owner.release();
    EXPECT_FALSE(owner);
    EXPECT_EQ(objectType, ::GetObjectType(handle)) << "release gives the object up undeleted";
    ::DeleteObject(handle);
  }
}

TEST(GdiObjects, BitmapFontBrushPenRegion) {
  CheckOwner<Utils::UniqueBitmap, HBITMAP>([] { return ::CreateBitmap(2, 2, 1, 32, nullptr); }, OBJ_BITMAP);
  CheckOwner<Utils::UniqueFont, HFONT>(
      [] { return ::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"); }, OBJ_FONT);
  CheckOwner<Utils::UniqueBrush, HBRUSH>([] { return ::CreateSolidBrush(RGB(1, 2, 3)); }, OBJ_BRUSH);
  CheckOwner<Utils::UniquePen, HPEN>([] { return ::CreatePen(PS_SOLID, 1, RGB(1, 2, 3)); }, OBJ_PEN);
  CheckOwner<Utils::UniqueRegion, HRGN>([] { return ::CreateRectRgn(0, 0, 5, 5); }, OBJ_REGION);
}

TEST(GdiObjects, MemoryDCIsDeleted) {
  Utils::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const HDC handle = dc.get();
  EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), ::GetObjectType(handle));
  Utils::UniqueMemoryDC moved(std::move(dc));
  EXPECT_FALSE(dc);  // NOLINT(bugprone-use-after-move)
  moved.reset();
  EXPECT_EQ(0u, ::GetObjectType(handle));
  moved.reset();
}

TEST(GdiObjects, SelectionGuardRestoresThePreviousObject) {
  Utils::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
  Utils::UniqueBitmap bitmap(::CreateBitmap(4, 4, 1, 32, nullptr));
  ASSERT_TRUE(dc && bitmap);
  const HGDIOBJ original = ::GetCurrentObject(dc.get(), OBJ_BITMAP);
  {
    Utils::SelectionGuard selection(dc.get(), bitmap.get());
    EXPECT_TRUE(selection.selected());
    EXPECT_EQ(bitmap.get(), ::GetCurrentObject(dc.get(), OBJ_BITMAP));
  }
  EXPECT_EQ(original, ::GetCurrentObject(dc.get(), OBJ_BITMAP)) << "the bitmap is free to be deleted";
  Utils::SelectionGuard nothing(dc.get(), nullptr);
  EXPECT_FALSE(nothing.selected());
  EXPECT_EQ(original, ::GetCurrentObject(dc.get(), OBJ_BITMAP));
}

class WindowFixture : public ::testing::Test {
 protected:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
      Utils::PaintDC paint(window);
      paintedWithDC = paint.get() != nullptr;
      return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  void SetUp() override {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"GdiObjectsTest";
    ::RegisterClassW(&windowClass);
    window_ = ::CreateWindowExW(0, L"GdiObjectsTest", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window_);
  }
  void TearDown() override {
    if (window_) ::DestroyWindow(window_);
  }
  HWND window_ = nullptr;
  static bool paintedWithDC;
};
bool WindowFixture::paintedWithDC = false;

TEST_F(WindowFixture, WindowDCKeepsItsWindowAndMoves) {
  Utils::WindowDC dc(window_);
  ASSERT_TRUE(dc);
  EXPECT_EQ(window_, dc.window());
  EXPECT_EQ(window_, ::WindowFromDC(dc.get()));
  const HDC handle = dc.get();
  Utils::WindowDC moved(std::move(dc));
  EXPECT_FALSE(dc);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(nullptr, dc.window());
  EXPECT_EQ(handle, moved.get());
  Utils::WindowDC assigned;
  assigned = std::move(moved);
  EXPECT_EQ(handle, assigned.get());
  EXPECT_EQ(window_, assigned.window());
  assigned.reset();
  EXPECT_FALSE(assigned);
  assigned.reset();
}

TEST_F(WindowFixture, PaintDCEndsThePaint) {
  paintedWithDC = false;
  ::ShowWindow(window_, SW_SHOWNOACTIVATE);
  ::InvalidateRect(window_, nullptr, FALSE);
  ::UpdateWindow(window_);
  EXPECT_TRUE(paintedWithDC);
  EXPECT_FALSE(::GetUpdateRect(window_, nullptr, FALSE)) << "nothing is left to paint";
}

}  // namespace
