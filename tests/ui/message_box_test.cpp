// Message and tip boxes in real windows: every way a box can end, its texts, its modality over
// the owner, and what the nested loop keeps doing (posted events, asynchronous notifications,
// the owner's own closing, a second box opened from an event).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "skinui/control.h"
#include "skinui/window_impl_base.h"
#include "skinui/window_manager.h"
#include "tests/support/screen_capture.h"
#include "tools/layout_viewer/layout_viewer_wnd.h"
#include "ui/message_box_wnd.h"
#include "utils/gdi_objects.h"

namespace {

using SkinUI::CControlUI;
using SkinUI::CWindowManagerUI;

constexpr UINT kOwnerEvent = WM_APP + 40;     // recorded by the owner, as an installer event
constexpr UINT kOpenSecondBox = WM_APP + 41;  // the owner opens a second box from its handler

void PumpPending() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!CWindowManagerUI::TranslateLoopMessage(&message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

bool PumpUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    PumpPending();
    if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// The main window's stand-in: a skinned window that records the events and notifications the
// nested loops deliver to it, and opens a second box when asked to.
class OwnerWindow : public SkinUI::WindowImplBase {
 public:
  HWND Open() {
    HWND window = CreateNativeWindow(nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, 120, 80, 600, 400);
    if (window) ::UpdateWindow(window);
    return window;
  }
  void OnNotify(SkinUI::NotifyEvent& notification) override {
    notifications.push_back(notification.type);
    WindowImplBase::OnNotify(notification);
  }
  LRESULT HandleOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
    if (message == kOwnerEvent) {
      events.push_back(static_cast<int>(wParam));
      return 0;
    }
    if (message == kOpenSecondBox) {
      secondResult = ShowMessageBox(WindowHandle(), L"MessageBox2Wnd.xml", L"second", L"2");
      return 0;
    }
    return WindowImplBase::HandleOtherMessage(message, wParam, lParam, handled);
  }

  std::vector<int> events;
  std::vector<std::wstring> notifications;
  int secondResult = -1;

 protected:
  const wchar_t* WindowClassName() const override { return L"BoxOwnerWindow"; }
  std::wstring SkinFolder() const override { return std::wstring(); }
  std::wstring SkinFileName() const override {
    return L"<Window size=\"600,400\"><VerticalLayout bkcolor=\"#FF3060A0\"><Button name=\"ownerBtn\"/>"
           L"</VerticalLayout></Window>";
  }
};

struct BoxSearch {
  const std::wstring* className;
  const std::set<HWND>* done;
  CMessageBoxWnd* found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<BoxSearch*>(data);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (*search->className != name || !::IsWindowVisible(window) || search->done->count(window)) return TRUE;
  auto* box =
      dynamic_cast<CMessageBoxWnd*>(reinterpret_cast<SkinUI::CWindowWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA)));
  if (!box || !box->Manager().BackBufferDC()) return TRUE;
  search->found = box;
  return FALSE;
}

// The open, painted box of this class that the script has not acted on yet.
CMessageBoxWnd* FindNewBox(const std::wstring& className, const std::set<HWND>& done) {
  BoxSearch search = {&className, &done, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), MatchBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Runs actions from inside the boxes' own modal loops: each step waits for the next new,
// painted box of its class and acts on it once.
class BoxScript {
 public:
  struct Step {
    std::wstring className;
    std::function<void(CMessageBoxWnd&)> action;
  };
  explicit BoxScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 30, &BoxScript::OnTimer);
  }
  ~BoxScript() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Finished() const { return next_ == steps_.size(); }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    BoxScript* self = current_;
    if (!self || self->busy_ || self->Finished()) return;
    Step& step = self->steps_[self->next_];
    CMessageBoxWnd* box = FindNewBox(step.className, self->done_);
    if (!box) return;
    self->done_.insert(box->WindowHandle());
    ++self->next_;
    // An action may open or run another loop; the timer must not re-enter meanwhile.
    self->busy_ = true;
    step.action(*box);
    self->busy_ = false;
  }

  static BoxScript* current_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  std::set<HWND> done_;
  bool busy_ = false;
  UINT_PTR timer_ = 0;
};
BoxScript* BoxScript::current_ = nullptr;

// Posts a left click at the control's centre through the box's queue, as the display would.
// sendNow: handled at once instead of queued behind what is already posted.
void ClickControl(CMessageBoxWnd& box, const wchar_t* name, bool sendNow = false) {
  CControlUI* control = box.Manager().FindControlByName(name);
  ASSERT_NE(nullptr, control) << "no control " << name;
  const RECT r = control->Position();
  const LPARAM point = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  POINT screen = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::ClientToScreen(box.WindowHandle(), &screen);
  ::SetCursorPos(screen.x, screen.y);
  const MSG input[] = {{box.WindowHandle(), WM_MOUSEMOVE, 0, point, 0, {}},
                       {box.WindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, point, 0, {}},
                       {box.WindowHandle(), WM_LBUTTONUP, 0, point, 0, {}}};
  for (const MSG& m : input) {
    if (sendNow)
      ::SendMessageW(m.hwnd, m.message, m.wParam, m.lParam);
    else
      ::PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
  }
}

void PressAltF4(CMessageBoxWnd& box) {
  // Alt held (context bit 29); the default window procedure turns it into SC_CLOSE.
  ::PostMessageW(box.WindowHandle(), WM_SYSKEYDOWN, VK_F4, 0x20000001 | (0x3E << 16));
}

void PressEscape(CMessageBoxWnd& box) { ::PostMessageW(box.WindowHandle(), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }

std::wstring ClassOf(const std::wstring& skin) { return skin.substr(0, skin.find(L'.')); }

// The boxes come from the skin archive this program carries, as the installer's do.
void UseEmbeddedSkin() {
  CWindowManagerUI::SetModuleInstance(::GetModuleHandleW(nullptr));
  CWindowManagerUI::SetArchiveFormat7z(true);
}

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseEmbeddedSkin();
    ASSERT_NE(nullptr, owner_.Open());
    ASSERT_TRUE(PumpUntil([&] { return owner_.Manager().BackBufferDC() != nullptr; }));
  }
  // Shows a box over the owner while the script acts on it; the script must finish.
  int Show(const std::wstring& skin, const wchar_t* text, const wchar_t* caption, std::vector<BoxScript::Step> steps) {
    BoxScript script(std::move(steps));
    const int result = ShowMessageBox(owner_.WindowHandle(), skin, text, caption);
    EXPECT_TRUE(script.Finished()) << "the box ended before the script had run";
    return result;
  }
  HWND Owner() { return owner_.WindowHandle(); }
  OwnerWindow owner_;
};

struct ResultCase {
  const wchar_t* skin;
  const char* how;
  std::function<void(CMessageBoxWnd&)> end;
  int expected;
};

TEST_F(MessageBoxTest, EachWayOfEndingGivesItsResult) {
  const auto click = [](const wchar_t* name) { return [name](CMessageBoxWnd& box) { ClickControl(box, name); }; };
  const std::vector<ResultCase> cases = {
      {L"MessageBox1Wnd.xml", "okBtn", click(L"okBtn"), MB_RESULT_OK},
      {L"MessageBox1Wnd.xml", "closebtn", click(L"closebtn"), MB_RESULT_OTHER},
      {L"MessageBox1Wnd.xml", "Alt+F4", PressAltF4, MB_RESULT_CANCEL},
      {L"MessageBox2Wnd.xml", "closebtn", click(L"closebtn"), MB_RESULT_OTHER},
      {L"MessageBox2Wnd.xml", "Alt+F4", PressAltF4, MB_RESULT_CANCEL},
      {L"NetworkTipWnd.xml", "image okBtn", click(L"okBtn"), MB_RESULT_OK},
      {L"InstalledPathTipWnd.xml", "okBtn", click(L"okBtn"), MB_RESULT_OK},
      {L"InstalledPathTipWnd.xml", "cancelBtn", click(L"cancelBtn"), MB_RESULT_CANCEL},
      {L"ExitTipWnd.xml", "cancelBtn", click(L"cancelBtn"), MB_RESULT_CANCEL},
      {L"ExitTipWnd.xml", "okBtn", click(L"okBtn"), MB_RESULT_OK},
  };
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(std::string(c.how));
    HWND seenBox = nullptr;
    bool ownerEnabledDuring = true;
    const int result = Show(c.skin, nullptr, nullptr, {{ClassOf(c.skin), [&](CMessageBoxWnd& box) {
                                                          seenBox = box.WindowHandle();
                                                          ownerEnabledDuring = ::IsWindowEnabled(Owner()) != FALSE;
                                                          c.end(box);
                                                        }}});
    EXPECT_EQ(c.expected, result);
    EXPECT_FALSE(ownerEnabledDuring) << "the owner is disabled while the box is open";
    EXPECT_FALSE(::IsWindow(seenBox)) << "the box is gone";
    EXPECT_TRUE(::IsWindowEnabled(Owner()));
    EXPECT_EQ(Owner(), ::GetFocus()) << "the owner has the focus again";
  }
}

TEST_F(MessageBoxTest, EscapeLeavesEveryBoxOpen) {
  for (const wchar_t* skin : {L"MessageBox1Wnd.xml", L"MessageBox2Wnd.xml", L"NetworkTipWnd.xml",
                              L"InstalledPathTipWnd.xml", L"ExitTipWnd.xml"}) {
    SCOPED_TRACE(skin);
    bool openAfterEscape = false;
    const int result = Show(skin, nullptr, nullptr, {{ClassOf(skin), [&](CMessageBoxWnd& box) {
                                                        PressEscape(box);
                                                        PumpPending();
                                                        openAfterEscape =
                                                            ::IsWindowVisible(box.WindowHandle()) != FALSE;
                                                        ClickControl(box, L"closebtn");
                                                      }}});
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(MB_RESULT_OTHER, result) << "only the close button ended it";
  }
}

TEST_F(MessageBoxTest, GenericBoxesShowTextAndCaptionOverTheOwner) {
  std::wstring text, caption, title;
  LONG style = 0, exStyle = 0;
  RECT client = {}, box = {};
  const int result = Show(L"MessageBox1Wnd.xml", L"安装程序检测到ZarnelDravix\r\n正在运行，请退出程序后再安装",
                          L"温馨提示", {{L"MessageBox1Wnd", [&](CMessageBoxWnd& b) {
                                           text = b.Manager().FindControlByName(L"textLbl")->Text();
                                           caption = b.Manager().FindControlByName(L"captionLbl")->Text();
                                           wchar_t buffer[32] = {};
                                           ::GetWindowTextW(b.WindowHandle(), buffer, 32);
                                           title = buffer;
                                           style = ::GetWindowLongW(b.WindowHandle(), GWL_STYLE);
                                           exStyle = ::GetWindowLongW(b.WindowHandle(), GWL_EXSTYLE);
                                           ::GetClientRect(b.WindowHandle(), &client);
                                           ::GetWindowRect(b.WindowHandle(), &box);
                                           ClickControl(b, L"okBtn");
                                         }}});
  EXPECT_EQ(MB_RESULT_OK, result);
  EXPECT_EQ(L"安装程序检测到ZarnelDravix\r\n正在运行，请退出程序后再安装", text);
  EXPECT_EQ(L"温馨提示", caption);
  EXPECT_EQ(L"消息框", title);
  EXPECT_EQ(0, style & WS_CAPTION);
  EXPECT_EQ(0, style & WS_MAXIMIZEBOX);
  EXPECT_EQ(WS_CLIPSIBLINGS | WS_CLIPCHILDREN, style & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
  EXPECT_EQ(0, exStyle & WS_EX_TOPMOST);
  EXPECT_EQ(360, client.right);
  EXPECT_EQ(170, client.bottom);
  RECT owner;
  ::GetWindowRect(Owner(), &owner);
  EXPECT_EQ((owner.left + owner.right) / 2 - 180, box.left) << "centred over the owner";
  EXPECT_EQ((owner.top + owner.bottom) / 2 - 85, box.top);
}

TEST_F(MessageBoxTest, FixedTextSkinsIgnoreTextAndCaption) {
  int labels = -1;
  const int result = Show(L"NetworkTipWnd.xml", L"ignored", L"ignored",
                          {{L"NetworkTipWnd", [&](CMessageBoxWnd& b) {
                              labels = (b.Manager().FindControlByName(L"textLbl") != nullptr) +
                                       (b.Manager().FindControlByName(L"captionLbl") != nullptr);
                              ClickControl(b, L"okBtn");
                            }}});
  EXPECT_EQ(0, labels);
  EXPECT_EQ(MB_RESULT_OK, result);
}

TEST_F(MessageBoxTest, TheNestedLoopDeliversPostedEventsAndAsynchronousNotifications) {
  const int result = Show(L"MessageBox2Wnd.xml", L"x", L"y", {{L"MessageBox2Wnd", [&](CMessageBoxWnd& box) {
                                                                 ::PostMessageW(Owner(), kOwnerEvent, 2003, 0);
                                                                 owner_.Manager().SendNotification(
                                                                     owner_.Manager().FindControlByName(L"ownerBtn"),
                                                                     L"checknet", 0, 0, true);
                                                                 ::PostMessageW(Owner(), kOwnerEvent, 3009, 0);
                                                                 ClickControl(box, L"closebtn");
                                                               }}});
  EXPECT_EQ(MB_RESULT_OTHER, result);
  EXPECT_EQ((std::vector<int>{2003, 3009}), owner_.events) << "both events were handled during the box";
  int checknet = 0;
  for (const std::wstring& type : owner_.notifications) checknet += type == L"checknet";
  EXPECT_EQ(1, checknet);
}

// The user clicks "okBtn" of the first box while an event that opens a second box is already
// queued: the second box must still be seen and answered, then the first one closes with its click.
TEST_F(MessageBoxTest, ABoxOpenedFromAnEventDuringABoxKeepsTheChainModal) {
  bool firstEnabledDuringSecond = true, ownerEnabledDuringSecond = true;
  HWND first = nullptr;
  const int result = Show(L"MessageBox1Wnd.xml", L"first", L"1",
                          {{L"MessageBox1Wnd",
                            [&](CMessageBoxWnd& box) {
                              first = box.WindowHandle();
                              ::PostMessageW(Owner(), kOpenSecondBox, 0, 0);
                              ClickControl(box, L"okBtn", true);
                            }},
                           {L"MessageBox2Wnd", [&](CMessageBoxWnd& second) {
                              firstEnabledDuringSecond = ::IsWindowEnabled(first) != FALSE;
                              ownerEnabledDuringSecond = ::IsWindowEnabled(Owner()) != FALSE;
                              ClickControl(second, L"closebtn");
                            }}});
  EXPECT_EQ(MB_RESULT_OTHER, owner_.secondResult) << "the second box was shown and answered";
  EXPECT_EQ(MB_RESULT_OK, result) << "the first box ended by its own click";
  EXPECT_FALSE(firstEnabledDuringSecond);
  EXPECT_FALSE(ownerEnabledDuringSecond);
  EXPECT_FALSE(::IsWindow(first));
  EXPECT_TRUE(::IsWindowEnabled(Owner()));
}

TEST_F(MessageBoxTest, TheOwnerClosingDuringBoxesEndsThemWithoutAClick) {
  const int result = Show(L"MessageBox1Wnd.xml", L"first", L"1",
                          {{L"MessageBox1Wnd", [&](CMessageBoxWnd&) { ::PostMessageW(Owner(), kOpenSecondBox, 0, 0); }},
                           {L"MessageBox2Wnd", [&](CMessageBoxWnd&) { ::PostMessageW(Owner(), WM_CLOSE, 1, 0); }}});
  EXPECT_FALSE(::IsWindow(Owner())) << "the owner's close was handled inside the boxes' loops";
  EXPECT_EQ(MB_RESULT_CANCEL, owner_.secondResult);
  EXPECT_EQ(MB_RESULT_CANCEL, result);
}

// What the user sees: the running-product notice over the main window's first page, read back
// from the screen and written to build/screenshots/message_box_over_main.png.
TEST(MessageBoxScreenshot, ABoxOverTheMainWindow) {
  UseEmbeddedSkin();
  LayoutViewer::CLayoutViewerWnd main({SkinUI::SkinSource::ZipResource, L"", L"", L"MainWnd.xml"}, true);
  ASSERT_NE(nullptr, main.CreateNativeWindow(nullptr, L"Dravix", WS_POPUP | WS_MINIMIZEBOX | WS_SYSMENU, 0));
  ASSERT_TRUE(main.ShowMainPage(0));
  main.CenterOnOwner();
  main.ShowNativeWindow(true, true);
  ASSERT_TRUE(PumpUntil([&] { return main.Manager().BackBufferDC() != nullptr; }));

  RECT area = {};
  std::vector<unsigned char> pixels;
  COLORREF okOnScreen = 0, okInBox = 1;
  bool ownerDisabled = false;
  BoxScript script({{L"MessageBox1Wnd", [&](CMessageBoxWnd& box) {
                       ::UpdateWindow(main.WindowHandle());
                       ::UpdateWindow(box.WindowHandle());
                       ::GdiFlush();
                       ownerDisabled = !::IsWindowEnabled(main.WindowHandle());
                       ::GetWindowRect(main.WindowHandle(), &area);
                       pixels = TestSupport::CaptureScreen(area);
                       Utils::WindowDC screen(nullptr);
                       const RECT ok = box.Manager().FindControlByName(L"okBtn")->Position();
                       POINT centre = {(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2};
                       okInBox = ::GetPixel(box.Manager().BackBufferDC(), centre.x, centre.y);
                       ::ClientToScreen(box.WindowHandle(), &centre);
                       okOnScreen = ::GetPixel(screen.get(), centre.x, centre.y);
                       ClickControl(box, L"okBtn");
                     }}});
  const int result = ShowMessageBox(main.WindowHandle(), L"MessageBox1Wnd.xml",
                                    L"安装程序检测到ZarnelDravix\r\n正在运行，请退出程序后再安装", L"温馨提示");
  EXPECT_EQ(MB_RESULT_OK, result);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_EQ(okInBox, okOnScreen) << "the box is painted on top of the main window";
  ASSERT_FALSE(pixels.empty());
  EXPECT_TRUE(TestSupport::SaveScreenshotPixels(L"message_box_over_main.png", pixels, area.right - area.left,
                                                area.bottom - area.top));
}

}  // namespace
