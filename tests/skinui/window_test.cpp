// Real skinned windows built from layout text: painting through the back buffer, notification
// routing, timers, focus, hit testing, the default keys and the fatal path of a bad layout.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skinui/back_buffer.h"
#include "skinui/control.h"
#include "skinui/skin_frame.h"
#include "skinui/tab_layout.h"
#include "skinui/window_impl_base.h"
#include "skinui/window_manager.h"
#include "tests/support/message_pump.h"
#include "tests/support/window_search.h"
#include "tests/support/xdotool.h"
#include "utils/gdi_objects.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::PumpUntil;

using SkinUI::CControlUI;
using SkinUI::CNotifyPump;
using SkinUI::ControlEvent;
using SkinUI::CSkinFrame;
using SkinUI::CWindowManagerUI;
using SkinUI::NotifyEvent;
using SkinUI::NotifyMap;
using SkinUI::NotifyMapEntry;
using SkinUI::WindowImplBase;

// A control that takes the keyboard focus and records its events.
class FocusableControl : public CControlUI {
 public:
  const wchar_t* ClassName() const override { return L"Focusable"; }
  UINT ControlFlags() const override { return SkinUI::kFlagTabStop; }
  void HandleEvent(ControlEvent& event) override {
    events.push_back(event.kind);
    CControlUI::HandleEvent(event);
  }
  std::vector<int> events;
};

// Caption hit testing leaves controls of these classes clickable.
class FakeButton : public CControlUI {
 public:
  const wchar_t* ClassName() const override { return L"Button"; }
};

// Handling this message posts WM_CLOSE with code 9: anything its predecessors posted comes first.
constexpr UINT kCloseLater = WM_APP + 20;

// A skinned window whose layout is text; it records every notification it receives.
class TestWindow : public WindowImplBase {
 public:
  explicit TestWindow(std::wstring markup) : markup_(std::move(markup)) {}

  HWND Open(DWORD style = WS_POPUP | WS_VISIBLE) {
    HWND window = CreateNativeWindow(nullptr, L"skin test", style, 0, 10, 10, 100, 100);
    if (window) ::UpdateWindow(window);
    return window;
  }
  void OnNotify(NotifyEvent& notification) override {
    seen.push_back(notification.type);
    threads.push_back(::GetCurrentThreadId());
    WindowImplBase::OnNotify(notification);
  }
  CControlUI* CreateCustomControl(const wchar_t* name) override {
    if (std::wstring(name) == L"Focusable") return new FocusableControl();
    if (std::wstring(name) == L"FakeButton") return new FakeButton();
    return nullptr;
  }
  CControlUI* Named(const wchar_t* name) { return manager_.FindControlByName(name); }
  size_t Count(const std::wstring& type) const {
    size_t n = 0;
    for (const std::wstring& t : seen) n += t == type;
    return n;
  }
  using CWindowWnd::RunModal;
  LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
    if (message != kCloseLater) return WindowImplBase::HandleOtherMessage(message, wParam, lParam, handled);
    handled = true;
    HWND owner = ::GetWindow(WindowHandle(), GW_OWNER);
    ownerEnabledInLoop = owner && ::IsWindowEnabled(owner);
    PostWindowMessage(WM_CLOSE, 9);
    return 0;
  }

  std::vector<std::wstring> seen;
  bool ownerEnabledInLoop = true;
  std::vector<DWORD> threads;

 protected:
  const wchar_t* WindowClassName() const override { return L"SkinTestWindow"; }
  std::wstring SkinFolder() const override { return std::wstring(); }
  std::wstring SkinFileName() const override { return markup_; }

 private:
  std::wstring markup_;
};

// A window with its own map over the base one: the exact-name entry for "closebtn" comes
// first, then a generic click entry, and a value entry for "checknet".
class RoutedWindow : public TestWindow {
 public:
  using TestWindow::TestWindow;
  const NotifyMap* MessageMap() const override { return &kMap; }
  void OnCloseButton(NotifyEvent&) { routed.push_back(L"closebtn"); }
  void OnAnyClick(NotifyEvent& n) { routed.push_back(L"any:" + n.sender->Name()); }
  void OnCheckNet(WPARAM wParam, LPARAM lParam) {
    routed.push_back(L"checknet:" + std::to_wstring(wParam) + L"," + std::to_wstring(lParam));
  }
  std::vector<std::wstring> routed;

 private:
  static const NotifyMapEntry kEntries[];
  static const NotifyMap kMap;
};

const NotifyMapEntry RoutedWindow::kEntries[] = {
    {L"click", L"", SkinUI::kHandlerNotify, static_cast<void (CNotifyPump::*)(NotifyEvent&)>(&RoutedWindow::OnAnyClick),
     nullptr},
    {L"click", L"closebtn", SkinUI::kHandlerNotify,
     static_cast<void (CNotifyPump::*)(NotifyEvent&)>(&RoutedWindow::OnCloseButton), nullptr},
    {L"checknet", L"", SkinUI::kHandlerValues, nullptr,
     static_cast<void (CNotifyPump::*)(WPARAM, LPARAM)>(&RoutedWindow::OnCheckNet)},
};
const NotifyMap RoutedWindow::kMap = {WindowImplBase::ClassMap(), kEntries, 3};

class FrameWindow : public CSkinFrame {
 public:
  explicit FrameWindow(const std::wstring& markup)
      : CSkinFrame(SkinUI::SkinFrameConfig{SkinUI::SkinSource::File, 0, L"", markup, L"SkinTestFrame"}) {}
  using CWindowWnd::RunModal;
  LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
    if (message != kCloseLater) return CSkinFrame::HandleOtherMessage(message, wParam, lParam, handled);
    handled = true;
    PostWindowMessage(WM_CLOSE, 9);
    return 0;
  }
};

const wchar_t kPaintLayout[] =
    L"<Window size=\"200,120\" caption=\"0,0,0,35\"><VerticalLayout name=\"root\">"
    L"<Control name=\"solid\" height=\"20\" bkcolor=\"#FF112233\"/>"
    L"<Control name=\"grad\" height=\"32\" bkcolor=\"#FF000000\" bkcolor2=\"#FFF0F0F0\"/>"
    L"<Control name=\"border\" height=\"20\" bkcolor=\"#FFFFFFFF\" bordercolor=\"#FFFF0000\" bordersize=\"2\"/>"
    L"<Control name=\"three\" height=\"32\" bkcolor=\"#FF0000FF\" bkcolor2=\"#FF00FF00\" bkcolor3=\"#FFFF0000\"/>"
    L"<Control name=\"rest\" bkcolor=\"#FF445566\" bordercolor=\"#FF00FF00\" bordersize=\"0,0,0,3\"/>"
    L"</VerticalLayout></Window>";

TEST(SkinWindow, PaintsBackgroundsGradientsAndBordersIntoTheBackBuffer) {
  TestWindow window(kPaintLayout);
  ASSERT_NE(nullptr, window.Open());
  CWindowManagerUI& manager = window.Manager();
  ASSERT_TRUE(PumpUntil([&] { return manager.BackBufferDC() != nullptr && window.Count(L"windowinit") == 1; }));
  RECT client;
  ::GetClientRect(window.WindowHandle(), &client);
  EXPECT_EQ(200, client.right);
  EXPECT_EQ(120, client.bottom);
  HDC buffer = manager.BackBufferDC();
  EXPECT_EQ(RGB(0x11, 0x22, 0x33), ::GetPixel(buffer, 100, 10));
  // Gradient: black at the top, light at the bottom, and darker above than below.
  EXPECT_EQ(RGB(0, 0, 0), ::GetPixel(buffer, 100, 20));
  EXPECT_EQ(RGB(0xF0, 0xF0, 0xF0), ::GetPixel(buffer, 100, 51));
  EXPECT_LT(GetRValue(::GetPixel(buffer, 100, 30)), GetRValue(::GetPixel(buffer, 100, 45)));
  // A two-pixel border inside the control, the fill inside it.
  for (int x : {0, 1, 198, 199}) EXPECT_EQ(RGB(255, 0, 0), ::GetPixel(buffer, x, 62)) << "x " << x;
  for (int y : {52, 53, 70, 71}) EXPECT_EQ(RGB(255, 0, 0), ::GetPixel(buffer, 100, y)) << "y " << y;
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(buffer, 2, 62));
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(buffer, 100, 54));
  // Three colours: blue at the top, green in the middle, red at the bottom.
  EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(buffer, 100, 72));
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(buffer, 100, 88));
  EXPECT_EQ(RGB(255, 0, 0), ::GetPixel(buffer, 100, 103));
  // A bottom-only border.
  EXPECT_EQ(RGB(0x44, 0x55, 0x66), ::GetPixel(buffer, 100, 110));
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(buffer, 100, 117));
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(buffer, 100, 119));

  // A later change repaints only through the next paint, and "windowinit" stays single.
  window.Named(L"solid")->SetBackgroundColour(0xFF00FF00);
  ASSERT_TRUE(PumpUntil([&] { return ::GetPixel(manager.BackBufferDC(), 100, 10) == RGB(0, 255, 0); }));
  ::InvalidateRect(window.WindowHandle(), nullptr, FALSE);
  ::UpdateWindow(window.WindowHandle());
  EXPECT_EQ(1u, window.Count(L"windowinit"));
}

// A tab layout inside a layout: the page it shows later is placed and painted at the next paint.
TEST(SkinWindow, PageShownByANestedTabIsLaidOutAndPainted) {
  TestWindow window(
      L"<Window size=\"200,120\"><VerticalLayout><Control height=\"20\"/><VerticalLayout>"
      L"<TabLayout name=\"tabs\"><Control bkcolor=\"#FF0000FF\"/><VerticalLayout><Control height=\"10\"/>"
      L"<Control name=\"inner\" height=\"30\" bkcolor=\"#FF00FF00\"/></VerticalLayout></TabLayout>"
      L"</VerticalLayout></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  CWindowManagerUI& manager = window.Manager();
  ASSERT_TRUE(PumpUntil([&] { return manager.BackBufferDC() != nullptr && window.Count(L"windowinit") == 1; }));
  EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(manager.BackBufferDC(), 100, 45));
  ASSERT_TRUE(static_cast<SkinUI::CTabLayoutUI*>(window.Named(L"tabs"))->SelectItem(1, true));
  EXPECT_TRUE(PumpUntil([&] { return ::GetPixel(manager.BackBufferDC(), 100, 45) == RGB(0, 255, 0); }));
  const RECT inner = window.Named(L"inner")->Position();
  EXPECT_EQ(30, inner.top);
  EXPECT_EQ(60, inner.bottom);
  EXPECT_EQ(200, inner.right);
}

TEST(SkinWindow, RoundedBorderClipsTheBackground) {
  TestWindow window(
      L"<Window size=\"100,100\"><VerticalLayout bkcolor=\"#FF000000\"><Control name=\"r\" height=\"60\" "
      L"bkcolor=\"#FFFFFFFF\" borderround=\"40,40\"/><Control/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; }));
  HDC buffer = window.Manager().BackBufferDC();
  EXPECT_EQ(RGB(0, 0, 0), ::GetPixel(buffer, 0, 0)) << "the corner is outside the rounded clip";
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(buffer, 50, 30));
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(buffer, 0, 30));
}

TEST(SkinWindow, NotificationsGoToTheExactNameEntryFirstAndAsyncOnesOnTheWindowThread) {
  RoutedWindow window(
      L"<Window size=\"100,100\"><VerticalLayout><Control name=\"closebtn\" height=\"10\"/>"
      L"<Control name=\"other\"/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  CWindowManagerUI& manager = window.Manager();
  manager.SendNotification(window.Named(L"closebtn"), L"click");
  manager.SendNotification(window.Named(L"other"), L"click");
  manager.SendNotification(window.Named(L"other"), L"checknet", 3, 4);
  manager.SendNotification(window.Named(L"other"), L"unknown");
  EXPECT_EQ((std::vector<std::wstring>{L"closebtn", L"any:other", L"checknet:3,4"}), window.routed);
  EXPECT_TRUE(::IsWindow(window.WindowHandle())) << "the derived entry kept the base's closebtn from closing";

  window.routed.clear();
  const size_t before = window.seen.size();
  manager.SendNotification(window.Named(L"other"), L"checknet", 1, 0, true);
  manager.SendNotification(window.Named(L"other"), L"checknet", 2, 0, true);
  EXPECT_TRUE(window.routed.empty()) << "asynchronous notifications wait for the message loop";
  ASSERT_TRUE(PumpUntil([&] { return window.routed.size() == 2; }));
  EXPECT_EQ((std::vector<std::wstring>{L"checknet:1,0", L"checknet:2,0"}), window.routed);
  for (size_t i = before; i < window.threads.size(); ++i) EXPECT_EQ(::GetCurrentThreadId(), window.threads[i]);
}

TEST(SkinWindow, ControlTimersUseTheNativeIdSequence) {
  TestWindow window(
      L"<Window size=\"100,100\"><VerticalLayout><Control name=\"a\"/><Control name=\"b\"/>"
      L"</VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  CWindowManagerUI& manager = window.Manager();
  CControlUI* a = window.Named(L"a");
  CControlUI* b = window.Named(L"b");
  ASSERT_TRUE(manager.SetControlTimer(a, 7, 10));
  EXPECT_EQ(17, manager.NativeTimerId(a, 7));
  EXPECT_FALSE(manager.SetControlTimer(a, 7, 5000)) << "a running timer is left alone";
  std::vector<NotifyEvent> ticks;
  a->OnNotify.Add([&](void* param) {
    ticks.push_back(*static_cast<NotifyEvent*>(param));
    return true;
  });
  ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 2; })) << "the first interval is kept";
  EXPECT_EQ(L"timer", ticks[0].type);
  EXPECT_EQ(7u, ticks[0].wParam);
  ASSERT_TRUE(manager.KillControlTimer(a, 7));
  EXPECT_FALSE(manager.KillControlTimer(a, 7));
  ASSERT_TRUE(manager.SetControlTimer(a, 7, 10)) << "a stopped timer restarts";
  EXPECT_EQ(17, manager.NativeTimerId(a, 7));
  ASSERT_TRUE(manager.KillControlTimer(a, 7));

  // The ids wrap after 254 to 0.
  for (UINT id = 1; id <= 240; ++id) ASSERT_TRUE(manager.SetControlTimer(b, id, 60000));
  EXPECT_EQ(18, manager.NativeTimerId(b, 1));
  EXPECT_EQ(254, manager.NativeTimerId(b, 237));
  EXPECT_EQ(0, manager.NativeTimerId(b, 238));
  EXPECT_EQ(1, manager.NativeTimerId(b, 239));
  manager.KillControlTimers(b);
  EXPECT_EQ(-1, manager.NativeTimerId(b, 1));
}

TEST(SkinWindow, FocusMovesAmongTabStopsAndWraps) {
  TestWindow window(
      L"<Window size=\"100,100\"><VerticalLayout><Focusable name=\"a\" height=\"10\"/><Control height=\"10\"/>"
      L"<Focusable name=\"b\" height=\"10\"/><Focusable name=\"hidden\" visible=\"false\"/>"
      L"<Focusable name=\"c\" height=\"10\" enabled=\"false\"/><Focusable name=\"d\"/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  CWindowManagerUI& manager = window.Manager();
  ASSERT_TRUE(PumpUntil([&] { return manager.FocusControl() != nullptr; })) << "the first paint moves the focus";
  EXPECT_EQ(window.Named(L"a"), manager.FocusControl());
  manager.MoveFocus(true);
  EXPECT_EQ(window.Named(L"b"), manager.FocusControl());
  manager.MoveFocus(true);
  EXPECT_EQ(window.Named(L"d"), manager.FocusControl()) << "hidden and disabled controls are skipped";
  manager.MoveFocus(true);
  EXPECT_EQ(window.Named(L"a"), manager.FocusControl());
  manager.MoveFocus(false);
  EXPECT_EQ(window.Named(L"d"), manager.FocusControl());
  auto* d = static_cast<FocusableControl*>(window.Named(L"d"));
  EXPECT_TRUE(d->IsFocused());
  const size_t killed = window.Count(L"killfocus");
  window.Named(L"d")->SetVisible(false);
  EXPECT_EQ(nullptr, manager.FocusControl()) << "hiding the focused control clears the focus";
  manager.SetFocusControl(window.Named(L"b"), false);
  EXPECT_EQ(window.Named(L"b"), manager.FocusControl());
  manager.SetFocusControl(window.Named(L"c"), false);
  EXPECT_EQ(nullptr, manager.FocusControl()) << "a disabled control does not take the focus";
  EXPECT_EQ(killed + 2, window.Count(L"killfocus")) << "d when hidden, b when c was asked";
}

TEST(SkinWindow, MouseMoveToMinusOneLeavesTheHoverControl) {
  TestWindow window(
      L"<Window size=\"100,100\"><VerticalLayout><Focusable name=\"a\" height=\"50\"/>"
      L"<Control name=\"b\"/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }));
  auto* a = static_cast<FocusableControl*>(window.Named(L"a"));
  ::SendMessageW(window.WindowHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(a, window.Manager().HoverControl());
  a->events.clear();
  ::SendMessageW(window.WindowHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(-1, -1));
  EXPECT_EQ(nullptr, window.Manager().HoverControl());
  ASSERT_FALSE(a->events.empty());
  EXPECT_EQ(SkinUI::kEventMouseLeave, a->events[0]);
}

BOOL CALLBACK FindTooltip(HWND window, LPARAM data) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  auto* found = reinterpret_cast<std::pair<HWND, HWND>*>(data);
  if (std::wstring(name) == L"tooltips_class32" && ::GetWindow(window, GW_OWNER) == found->first) {
    found->second = window;
    return FALSE;
  }
  return TRUE;
}

TEST(SkinWindow, HoverShowsTheControlsTooltip) {
  TestWindow window(
      L"<Window size=\"100,100\"><MultiLanguage id=\"9071\" value=\"tip\"/>"
      L"<VerticalLayout><Control name=\"plain\" height=\"50\"/>"
      L"<Control name=\"tipped\" tooltip=\"hello %{9071}\"/></VerticalLayout></Window>");
  HWND hwnd = window.Open();
  ASSERT_NE(nullptr, hwnd);
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }));
  std::pair<HWND, HWND> found = {hwnd, nullptr};
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  ::SendMessageW(hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
  ::EnumThreadWindows(::GetCurrentThreadId(), FindTooltip, reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(nullptr, found.second) << "a control without a tooltip creates none";
  ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 70));
  ::SendMessageW(hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(10, 70));
  ::EnumThreadWindows(::GetCurrentThreadId(), FindTooltip, reinterpret_cast<LPARAM>(&found));
  ASSERT_NE(nullptr, found.second);
  wchar_t text[64] = {};
  TTTOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V1_SIZE;
  tool.hwnd = hwnd;
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
  tool.lpszText = text;
  ::SendMessageW(found.second, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(L"hello tip", text) << "language tokens are replaced in tooltips";
  ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(found.second); })) << "closing destroys the tooltip";
}

TEST(SkinWindow, HitTestDragsByTheCaptionExceptOverButtons) {
  TestWindow window(
      L"<Window size=\"200,100\" caption=\"0,0,0,35\" sizebox=\"4,4,4,4\"><VerticalLayout>"
      L"<HorizontalLayout height=\"35\"><Control/><FakeButton name=\"closebtn\" width=\"30\"/></HorizontalLayout>"
      L"<Control/></VerticalLayout></Window>");
  HWND hwnd = window.Open();
  ASSERT_NE(nullptr, hwnd);
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }));
  auto hit = [&](int x, int y) {
    POINT p = {x, y};
    ::ClientToScreen(hwnd, &p);
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
  };
  EXPECT_EQ(HTCAPTION, hit(50, 20));
  EXPECT_EQ(HTCLIENT, hit(185, 20)) << "over the button";
  EXPECT_EQ(HTCLIENT, hit(50, 60));
  EXPECT_EQ(HTTOPLEFT, hit(1, 1));
  EXPECT_EQ(HTTOP, hit(50, 1));
  EXPECT_EQ(HTRIGHT, hit(198, 60));
  EXPECT_EQ(HTBOTTOMRIGHT, hit(198, 98));
}

TEST(SkinWindow, RoundCornerShapesTheWindowRegion) {
  TestWindow window(L"<Window size=\"100,80\" roundcorner=\"20,20\"><VerticalLayout/></Window>");
  HWND hwnd = window.Open();
  ASSERT_NE(nullptr, hwnd);
  ::SetWindowPos(hwnd, nullptr, 0, 0, 120, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Utils::UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(ERROR, ::GetWindowRgn(hwnd, region.get()));
  EXPECT_FALSE(::PtInRegion(region.get(), 0, 0)) << "the corner is cut";
  EXPECT_TRUE(::PtInRegion(region.get(), 60, 45));
  EXPECT_TRUE(::PtInRegion(region.get(), 115, 45)) << "the region follows the new size";
  EXPECT_FALSE(::PtInRegion(region.get(), 119, 89));
}

// Escape and Return, then a message that requests closing with 9: a frame ignores both keys,
// so it closes with 9; the plain base closes on Escape with 1 first.
TEST(SkinWindow, FrameIgnoresEscapeAndReturn) {
  const wchar_t layout[] = L"<Window size=\"100,100\"><VerticalLayout/></Window>";
  FrameWindow frame(layout);
  HWND hwnd = frame.CreateNativeWindow(nullptr, L"frame", WS_POPUP, 0, 0, 0, 100, 100);
  ASSERT_NE(nullptr, hwnd);
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessageW(hwnd, kCloseLater, 0, 0);
  EXPECT_EQ(9u, frame.RunModal());
  EXPECT_FALSE(::IsWindow(hwnd));

  TestWindow plain(layout);
  hwnd = plain.Open(WS_POPUP);
  ASSERT_NE(nullptr, hwnd);
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  ::PostMessageW(hwnd, kCloseLater, 0, 0);
  EXPECT_EQ(1u, plain.RunModal()) << "Escape closes a plain window with 1";
}

TEST(SkinWindow, ModalLoopDisablesTheOwnerAndCentresOnIt) {
  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 80, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
  ASSERT_NE(nullptr, owner);
  TestWindow window(L"<Window size=\"100,60\"><VerticalLayout/></Window>");
  HWND hwnd = window.CreateNativeWindow(owner, L"modal", WS_POPUP, 0, 0, 0, 100, 60);
  ASSERT_NE(nullptr, hwnd);
  window.CenterOnOwner();
  RECT rect;
  ::GetWindowRect(hwnd, &rect);
  EXPECT_EQ(100 + 200 - 50, rect.left);
  EXPECT_EQ(80 + 150 - 30, rect.top);
  ::PostMessageW(hwnd, kCloseLater, 0, 0);
  EXPECT_EQ(9u, window.RunModal());
  EXPECT_FALSE(window.ownerEnabledInLoop) << "the owner is disabled while the window runs";
  EXPECT_TRUE(::IsWindowEnabled(owner));
  EXPECT_EQ(nullptr, window.WindowHandle());
  window.RequestClose(3);
  ::DestroyWindow(owner);
}

// The child half of the fatal-path test: builds a window from a broken layout.
TEST(SkinWindowFatal, ChildOpensBrokenLayout) {
  if (!std::getenv("SKINUI_FATAL_CHILD")) GTEST_SKIP() << "runs only as the child of BrokenLayoutEndsTheProcess";
  TestWindow window(L"<Window><VerticalLayout></Window>");
  window.Open();
  FAIL() << "the process should have ended";
}

BOOL CALLBACK CollectText(HWND child, LPARAM data) {
  wchar_t text[256] = {};
  ::GetWindowTextW(child, text, 256);
  reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(text);
  return TRUE;
}

TEST(SkinWindowFatal, BrokenLayoutEndsTheProcessAfterTheMessageBox) {
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=SkinWindowFatal.ChildOpensBrokenLayout";
  ::SetEnvironmentVariableW(L"SKINUI_FATAL_CHILD", L"1");
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const BOOL started =
      ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  ::SetEnvironmentVariableW(L"SKINUI_FATAL_CHILD", nullptr);
  ASSERT_TRUE(started);
  Utils::UniqueHandle process(info.hProcess);
  Utils::UniqueHandle thread(info.hThread);

  HWND box = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    box = TestSupport::FindVisibleWindow([&](HWND window) {
      return TestSupport::ProcessOf(window) == info.dwProcessId && TestSupport::CaptionOf(window) == L"SkinUI";
    });
    return box != nullptr || ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
  }));
  ASSERT_NE(nullptr, box) << "the child ended without its message box";
  std::vector<std::wstring> texts;
  ::EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&texts));
  bool hasText = false;
  for (const std::wstring& t : texts) hasText |= t == L"加载资源文件失败";
  EXPECT_TRUE(hasText);
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.get(), 30000));
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(1u, code);
}

}  // namespace

namespace {

using TestSupport::RunXdotool;

TEST(SkinWindowInput, RealPointerHoversAndDragsTheCaption) {
  TestWindow window(
      L"<Window size=\"200,100\" caption=\"0,0,0,35\"><VerticalLayout>"
      L"<Focusable name=\"top\" height=\"35\"/><Focusable name=\"body\"/></VerticalLayout></Window>");
  HWND hwnd = window.Open();
  ASSERT_NE(nullptr, hwnd);
  ::SetForegroundWindow(hwnd);
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"windowinit") == 1; }));
  RECT before;
  ::GetWindowRect(hwnd, &before);

  ASSERT_TRUE(RunXdotool(L"mousemove " + std::to_wstring(before.left + 100) + L" " + std::to_wstring(before.top + 60)));
  EXPECT_TRUE(PumpUntil([&] { return window.Manager().HoverControl() == window.Named(L"body"); }));

  ASSERT_TRUE(RunXdotool(L"mousemove " + std::to_wstring(before.left + 50) + L" " + std::to_wstring(before.top + 10) +
                         L" mousedown 1 mousemove " + std::to_wstring(before.left + 90) + L" " +
                         std::to_wstring(before.top + 40) + L" mouseup 1"));
  EXPECT_TRUE(PumpUntil([&] {
    RECT now;
    ::GetWindowRect(hwnd, &now);
    return now.left != before.left || now.top != before.top;
  })) << "pressing the caption drags the window";
}

TEST(BackBufferTest, KeepsTheOriginalBitmapAndRecreates) {
  Utils::WindowDC screen(nullptr);
  SkinUI::BackBuffer buffer;
  EXPECT_FALSE(buffer.Create(screen.get(), 0, 10)) << "an empty size makes no buffer";
  EXPECT_FALSE(buffer);
  ASSERT_TRUE(buffer.Create(screen.get(), 30, 20));
  EXPECT_EQ(buffer.bitmap(), ::GetCurrentObject(buffer.dc(), OBJ_BITMAP));
  EXPECT_EQ(30, buffer.size().cx);
  ASSERT_TRUE(buffer.Create(screen.get(), 40, 50)) << "re-creating replaces the old buffer";
  BITMAP info = {};
  ASSERT_NE(0, ::GetObjectW(buffer.bitmap(), sizeof(info), &info));
  EXPECT_EQ(40, info.bmWidth);
  EXPECT_EQ(50, info.bmHeight);
  // While selected the bitmap cannot be deleted; after Reset nothing is left selected.
  HBITMAP bitmap = buffer.bitmap();
  HDC dc = buffer.dc();
  buffer.Reset();
  EXPECT_FALSE(buffer);
  EXPECT_EQ(0u, ::GetObjectType(dc)) << "the memory DC is gone";
  EXPECT_EQ(0u, ::GetObjectType(bitmap)) << "the bitmap is gone";
  buffer.Reset();
}

}  // namespace
