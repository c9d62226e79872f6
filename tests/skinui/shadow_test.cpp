// The drop shadow of real skinned windows: its window, size and place, the pixels of the
// picture it hands to the layered window, the setters' ranges and how it follows its window.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "skinui/skin_frame.h"
#include "skinui/wnd_shadow.h"
#include "tests/skinui/image_test_support.h"

namespace {

using SkinUI::CSkinFrame;
using SkinUI::CWndShadow;

// The shipped skins' shadow, on a window of the main window's size.
const wchar_t kShippedShadow[] =
    L"<Window size=\"600,400\" caption=\"0,0,0,35\" roundcorner=\"6,6\" showshadow=\"true\" shadowsize=\"6\" "
    L"shadowsharpness=\"10\" shadowdarkness=\"20\" shadowposition=\"1,1\" shadowcolor=\"#26003B76\">"
    L"<VerticalLayout bkcolor=\"#FFFFFFFF\"/></Window>";

bool ShadowClassReady() {
  static const bool initialised = CWndShadow::Initialise(::GetModuleHandleW(nullptr));
  return initialised;
}

class ShadowFrame : public CSkinFrame {
 public:
  explicit ShadowFrame(const std::wstring& markup)
      : CSkinFrame(SkinUI::SkinFrameConfig{SkinUI::SkinSource::File, 0, L"", markup, L"ShadowTestFrame"}) {}

  // Created as the launch creates the main window (visible, overlapped), then placed.
  bool Open(int x = 100, int y = 80) {
    if (!CreateNativeWindow(nullptr, L"shadow test", 0x10CF0000, 0)) return false;
    ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::UpdateWindow(window_);
    return ImageTest::PumpUntil([&] { return Shadow().AppliedPixels() != nullptr || !Shadow().ShadowWindow(); });
  }
};

RECT WindowRect(HWND window) {
  RECT rect = {};
  ::GetWindowRect(window, &rect);
  return rect;
}

// The shadow window's rectangle relative to its parent's top-left corner.
RECT ShadowPlace(HWND parent, HWND shadow) {
  const RECT own = WindowRect(parent);
  RECT rect = WindowRect(shadow);
  ::OffsetRect(&rect, -own.left, -own.top);
  return rect;
}

uint32_t PixelAt(const CWndShadow& shadow, int x, int y) {
  return shadow.AppliedPixels()[static_cast<size_t>(y) * shadow.AppliedSize().cx + x];
}

TEST(WindowShadow, InitialiseRegistersTheClassOnce) {
  ASSERT_TRUE(ShadowClassReady());
  EXPECT_FALSE(CWndShadow::Initialise(::GetModuleHandleW(nullptr)));
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  EXPECT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"SkinShadowWnd", &wc));
}

TEST(WindowShadow, ShippedValuesGiveAWiderLayeredWindowUpAndLeftOfTheWindow) {
  ASSERT_TRUE(ShadowClassReady());
  ShadowFrame frame(kShippedShadow);
  ASSERT_TRUE(frame.Open());
  HWND parent = frame.WindowHandle();
  CWndShadow& shadow = frame.Shadow();
  HWND window = shadow.ShadowWindow();
  ASSERT_NE(nullptr, window);
  EXPECT_EQ(&shadow, CWndShadow::FromParent(parent));

  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  EXPECT_STREQ(L"SkinShadowWnd", className);
  EXPECT_EQ(parent, ::GetWindow(window, GW_OWNER));
  const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_LAYERED);
  EXPECT_TRUE(exStyle & WS_EX_TRANSPARENT);
  EXPECT_TRUE(::IsWindowVisible(window));

  EXPECT_EQ(6, shadow.Size());
  EXPECT_EQ(10, shadow.Sharpness());
  EXPECT_EQ(20, shadow.Darkness());
  EXPECT_EQ(1, shadow.Position().x);
  EXPECT_EQ(1, shadow.Position().y);
  // Red is the lowest byte of the colour; the leading 0x26 is no alpha.
  EXPECT_EQ(0x76, GetRValue(shadow.Color()));
  EXPECT_EQ(0x3B, GetGValue(shadow.Color()));
  EXPECT_EQ(0x00, GetBValue(shadow.Color()));

  const RECT own = WindowRect(parent);
  EXPECT_EQ(600, own.right - own.left);
  EXPECT_EQ(400, own.bottom - own.top);
  const RECT place = ShadowPlace(parent, window);
  EXPECT_EQ(-5, place.left);
  EXPECT_EQ(-5, place.top);
  EXPECT_EQ(612, place.right - place.left);
  EXPECT_EQ(412, place.bottom - place.top);
  EXPECT_EQ(612, shadow.AppliedSize().cx);
  EXPECT_EQ(412, shadow.AppliedSize().cy);
}

// Pixels of the applied picture (blue, green, red, alpha as 0xAARRGGBB, premultiplied). The
// window covers x 5..604 and y 5..404; the shrunk shape's edge is at 10 and 601 (401 below),
// so alpha falls from 20 by 20/11 per pixel of distance from it.
TEST(WindowShadow, AppliedPictureFallsOffFromTheShrunkEdgeAndLeavesTheWindowClear) {
  ASSERT_TRUE(ShadowClassReady());
  ShadowFrame frame(kShippedShadow);
  ASSERT_TRUE(frame.Open());
  const CWndShadow& shadow = frame.Shadow();
  ASSERT_NE(nullptr, shadow.AppliedPixels());
  struct Case {
    int x, y;
    uint32_t pixel;
    const char* where;
  };
  const Case cases[] = {
      {605, 200, 0x0C050200, "right, 4 from the edge: alpha 12, red 5, green 2"},
      {608, 200, 0x07030100, "right, 7 from the edge"},
      {611, 200, 0x01000000, "right border of the picture, 10 from the edge"},
      {4, 200, 0x09040200, "left, 6 from the edge"},
      {0, 200, 0x01000000, "left border of the picture"},
      {300, 4, 0x09040200, "above, 6 from the edge"},
      {300, 405, 0x0C050200, "below, 4 from the edge"},
      {300, 411, 0x01000000, "bottom border of the picture"},
      {0, 0, 0, "top-left corner, beyond the kernel"},
      {611, 411, 0, "bottom-right corner, beyond the kernel"},
      {5, 200, 0, "the window's first column"},
      {604, 200, 0, "the window's last column"},
      {300, 200, 0, "the middle of the window"},
      {300, 404, 0, "the window's last row"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.pixel, PixelAt(shadow, c.x, c.y)) << c.where << std::hex << " got 0x" << PixelAt(shadow, c.x, c.y);
  // The soft edge is the same all round: alpha never rises going outwards.
  for (int x = 606; x < 612; ++x) EXPECT_LE(PixelAt(shadow, x, 200) >> 24, PixelAt(shadow, x - 1, 200) >> 24);
  for (int y = 3; y >= 0; --y) EXPECT_LE(PixelAt(shadow, 300, y) >> 24, PixelAt(shadow, 300, y + 1) >> 24);
}

TEST(WindowShadow, SettersRefuseValuesOutOfRangeAndKeepThePreviousOne) {
  ASSERT_TRUE(ShadowClassReady());
  ShadowFrame frame(kShippedShadow);
  ASSERT_TRUE(frame.Open());
  CWndShadow& shadow = frame.Shadow();
  struct Case {
    const char* call;
    std::function<bool(CWndShadow&)> set;
    bool accepted;
    std::function<int(const CWndShadow&)> read;
    int expected;
  };
  auto size = [](const CWndShadow& s) { return s.Size(); };
  auto sharpness = [](const CWndShadow& s) { return s.Sharpness(); };
  auto darkness = [](const CWndShadow& s) { return s.Darkness(); };
  auto x = [](const CWndShadow& s) { return static_cast<int>(s.Position().x); };
  auto y = [](const CWndShadow& s) { return static_cast<int>(s.Position().y); };
  const Case cases[] = {
      {"SetSharpness(21)", [](CWndShadow& s) { return s.SetSharpness(21); }, false, sharpness, 10},
      {"SetSharpness(-1)", [](CWndShadow& s) { return s.SetSharpness(-1); }, false, sharpness, 10},
      {"SetSize(21)", [](CWndShadow& s) { return s.SetSize(21); }, false, size, 6},
      {"SetSize(-21)", [](CWndShadow& s) { return s.SetSize(-21); }, false, size, 6},
      {"SetDarkness(256)", [](CWndShadow& s) { return s.SetDarkness(256); }, false, darkness, 20},
      {"SetDarkness(-1)", [](CWndShadow& s) { return s.SetDarkness(-1); }, false, darkness, 20},
      {"SetPosition(-21, 0)", [](CWndShadow& s) { return s.SetPosition(-21, 0); }, false, x, 1},
      {"SetPosition(0, 21)", [](CWndShadow& s) { return s.SetPosition(0, 21); }, false, y, 1},
      {"SetPosition(-20, 20)", [](CWndShadow& s) { return s.SetPosition(-20, 20); }, true, y, 20},
      {"SetSharpness(20)", [](CWndShadow& s) { return s.SetSharpness(20); }, true, sharpness, 20},
      {"SetSharpness(0)", [](CWndShadow& s) { return s.SetSharpness(0); }, true, sharpness, 0},
      {"SetDarkness(255)", [](CWndShadow& s) { return s.SetDarkness(255); }, true, darkness, 255},
      {"SetDarkness(0)", [](CWndShadow& s) { return s.SetDarkness(0); }, true, darkness, 0},
      {"SetSize(-20)", [](CWndShadow& s) { return s.SetSize(-20); }, true, size, -20},
      {"SetSize(20)", [](CWndShadow& s) { return s.SetSize(20); }, true, size, 20},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.accepted, c.set(shadow)) << c.call;
    EXPECT_EQ(c.expected, c.read(shadow)) << c.call;
  }
  // Accepted values rebuild the visible shadow at once: size 20 at offsets (-20, 20).
  const RECT place = ShadowPlace(frame.WindowHandle(), shadow.ShadowWindow());
  EXPECT_EQ(-40, place.left);
  EXPECT_EQ(0, place.top);
  EXPECT_EQ(640, place.right - place.left);
  EXPECT_EQ(440, place.bottom - place.top);
  EXPECT_EQ(640, shadow.AppliedSize().cx);
}

TEST(WindowShadow, FollowsMovesSizesHidingAndMinimising) {
  ASSERT_TRUE(ShadowClassReady());
  ShadowFrame frame(kShippedShadow);
  ASSERT_TRUE(frame.Open());
  HWND parent = frame.WindowHandle();
  const CWndShadow& shadow = frame.Shadow();
  HWND window = shadow.ShadowWindow();

  ::SetWindowPos(parent, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(35, WindowRect(window).left);
  EXPECT_EQ(25, WindowRect(window).top);

  // Shrinking is shadowed at once; growing only after the window has painted.
  ::SetWindowPos(parent, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(512, WindowRect(window).right - WindowRect(window).left);
  EXPECT_EQ(312, shadow.AppliedSize().cy);
  ::SetWindowPos(parent, nullptr, 0, 0, 700, 450, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  EXPECT_EQ(512, shadow.AppliedSize().cx) << "rebuilt before the window painted";
  ::InvalidateRect(parent, nullptr, FALSE);
  ::UpdateWindow(parent);
  EXPECT_EQ(712, shadow.AppliedSize().cx);
  EXPECT_EQ(462, WindowRect(window).bottom - WindowRect(window).top);

  ::ShowWindow(parent, SW_HIDE);
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_FALSE(shadow.Visible());
  ::ShowWindow(parent, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_TRUE(shadow.Visible());

  ::ShowWindow(parent, SW_MINIMIZE);
  EXPECT_TRUE(ImageTest::PumpUntil([&] { return !::IsWindowVisible(window); }));
  EXPECT_FALSE(shadow.Visible());
  ::ShowWindow(parent, SW_RESTORE);
  EXPECT_TRUE(ImageTest::PumpUntil([&] { return ::IsWindowVisible(window) != FALSE; }));
  EXPECT_TRUE(shadow.Visible());
  const RECT place = ShadowPlace(parent, window);
  EXPECT_EQ(-5, place.left);
  EXPECT_EQ(712, place.right - place.left);
}

TEST(WindowShadow, GoesWithItsWindowAndLetsTheWindowOutliveIt) {
  ASSERT_TRUE(ShadowClassReady());
  HWND shadowWindow = nullptr;
  {
    ShadowFrame frame(kShippedShadow);
    ASSERT_TRUE(frame.Open());
    HWND parent = frame.WindowHandle();
    shadowWindow = frame.Shadow().ShadowWindow();
    ::DestroyWindow(parent);
    EXPECT_FALSE(::IsWindow(shadowWindow));
    EXPECT_EQ(nullptr, CWndShadow::FromParent(parent));
  }

  // A shadow object that goes first hands the window its procedure back and closes its own
  // window through the queue.
  ShadowFrame frame(L"<Window size=\"300,200\" roundcorner=\"6,6\"><VerticalLayout/></Window>");
  ASSERT_TRUE(frame.Open());
  HWND parent = frame.WindowHandle();
  EXPECT_EQ(nullptr, frame.Shadow().ShadowWindow()) << "no showshadow attribute, no shadow";
  auto extra = std::make_unique<CWndShadow>();
  extra->Create(parent);
  shadowWindow = extra->ShadowWindow();
  ASSERT_NE(nullptr, shadowWindow);
  EXPECT_EQ(extra.get(), CWndShadow::FromParent(parent));
  const LONG_PTR hooked = ::GetWindowLongPtrW(parent, GWLP_WNDPROC);
  extra.reset();
  EXPECT_NE(hooked, ::GetWindowLongPtrW(parent, GWLP_WNDPROC));
  EXPECT_EQ(nullptr, CWndShadow::FromParent(parent));
  EXPECT_TRUE(ImageTest::PumpUntil([&] { return !::IsWindow(shadowWindow); }));
  ::SetWindowPos(parent, nullptr, 0, 0, 320, 220, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(parent, SW_HIDE);
  EXPECT_EQ(320, WindowRect(parent).right - WindowRect(parent).left);
}

TEST(WindowShadow, AttributesAreReadWhateverTheirCaseAndAnImageReplacesTheComputedShadow) {
  ASSERT_TRUE(ShadowClassReady());
  ImageTest::SkinFolder folder;
  // 16 x 16, opaque: 0xFF102030 reads back unchanged as a premultiplied pixel.
  ASSERT_TRUE(folder.AddImage(L"shadow.png", 16, 16, [](int, int) { return 0xFF102030u; }));
  ShadowFrame frame(
      L"<Window size=\"200,100\" showshadow=\"TRUE\" shadowimage=\"shadow.png\" shadowcorner=\"4,4,4,4\" "
      L"shadowholeoffset=\"2,2,2,2\"><VerticalLayout/></Window>");
  ASSERT_TRUE(frame.Open());
  const CWndShadow& shadow = frame.Shadow();
  ASSERT_NE(nullptr, shadow.ShadowWindow());
  const RECT place = ShadowPlace(frame.WindowHandle(), shadow.ShadowWindow());
  EXPECT_EQ(-4, place.left);
  EXPECT_EQ(-4, place.top);
  EXPECT_EQ(208, place.right - place.left);
  EXPECT_EQ(108, place.bottom - place.top);
  // Corners and edges of six pixels (corner plus hole offset) are drawn; the centre is not.
  struct Case {
    int x, y;
    uint32_t pixel;
  };
  const Case cases[] = {{0, 0, 0xFF102030}, {5, 5, 0xFF102030}, {100, 3, 0xFF102030}, {207, 107, 0xFF102030},
                        {6, 6, 0},          {100, 50, 0},       {201, 101, 0}};
  for (const Case& c : cases) EXPECT_EQ(c.pixel, PixelAt(shadow, c.x, c.y)) << c.x << "," << c.y;

  // An image that cannot be loaded is refused and the image shadow stays.
  CWndShadow& writable = frame.Shadow();
  EXPECT_FALSE(writable.SetImage(L"missing.png", RECT{1, 1, 1, 1}, RECT{}));
  EXPECT_EQ(208, writable.AppliedSize().cx);
}

}  // namespace
