// The edit field with real keyboard input to its native window: where the native window sits,
// what typing and Return send, the character limit, painting of passwords and tips, the
// colour request and the end of editing when the focus leaves.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "control_test_window.h"
#include "skinui/draw_engine.h"
#include "skinui/edit.h"
#include "skinui/window_manager.h"

namespace {

using SkinUI::CDrawEngine;
using SkinUI::CEditUI;
using SkinUITest::ControlTestWindow;
using SkinUITest::PixelCanvas;
using SkinUITest::PumpPending;
using SkinUITest::PumpUntil;
using SkinUITest::SeenNotification;

// An edit 200 x 40 at (20, 20) and a button to move the focus to.
std::wstring Layout(const std::wstring& editAttributes) {
  return L"<Window size=\"300,120\"><Font id=\"1\" name=\"Tahoma\" size=\"16\"/><VerticalLayout "
         L"bkcolor=\"#FFFFFFFF\"><Edit name=\"e\" float=\"true\" pos=\"20,20,220,60\" font=\"1\" "
         L"textcolor=\"#FF000000\" " +
         editAttributes + L"/><Button name=\"away\" float=\"true\" pos=\"20,80,120,110\"/></VerticalLayout></Window>";
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

// Opens the edit by clicking it; returns its native window.
HWND StartEditing(ControlTestWindow& window) {
  if (!PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; })) return nullptr;
  window.Click(100, 40, false);
  PumpPending();
  return window.Named(L"e")->NativeWindow();
}

void Type(HWND edit, const std::wstring& text) {
  for (wchar_t ch : text) ::PostMessageW(edit, WM_CHAR, ch, 1);
}

TEST(EditNative, ClickOpensAnEditWndOverTheCentredTextRectangle) {
  ControlTestWindow window(Layout(L"text=\"abc\""));
  ASSERT_NE(nullptr, window.Open());
  HWND edit = StartEditing(window);
  ASSERT_NE(nullptr, edit);
  EXPECT_EQ(L"EditWnd", ClassOf(edit));
  EXPECT_EQ(window.WindowHandle(), ::GetParent(edit));
  EXPECT_EQ(edit, ::GetFocus());
  EXPECT_TRUE(::IsWindowVisible(edit));
  EXPECT_EQ(L"abc", WindowText(edit));
  EXPECT_EQ(255, ::SendMessageW(edit, EM_GETLIMITTEXT, 0, 0));
  DWORD start = 0, end = 0;
  ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(3u, start) << "the caret goes to the click, after the short text";

  // Text rectangle 24,23 - 216,57 (padding 4,3,4,3), cut to the font's height around its centre.
  const long fontHeight = window.Manager().FontMetrics(1).tmHeight;
  RECT placed;
  ::GetWindowRect(edit, &placed);
  ::MapWindowPoints(nullptr, window.WindowHandle(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(24, placed.left);
  EXPECT_EQ(216, placed.right);
  EXPECT_EQ(23 + (34 - fontHeight) / 2, placed.top);
  EXPECT_EQ(fontHeight, placed.bottom - placed.top);

  // It follows the control.
  window.Named(L"e")->SetPosition(RECT{30, 20, 230, 60});
  ::GetWindowRect(edit, &placed);
  ::MapWindowPoints(nullptr, window.WindowHandle(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(34, placed.left);
}

TEST(EditNative, TypingSendsTextChangedAndReturnInsertsNothing) {
  ControlTestWindow window(Layout(L""));
  ASSERT_NE(nullptr, window.Open());
  HWND edit = StartEditing(window);
  ASSERT_NE(nullptr, edit);
  auto* control = window.Get<CEditUI>(L"e");
  EXPECT_EQ(0u, window.Count(L"textchanged", L"e")) << "opening is no change";

  Type(edit, L"hi!");
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"textchanged", L"e") == 3; }));
  EXPECT_EQ(L"hi!", control->Text());

  ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"return", L"e") == 1; }));
  ::PostMessageW(edit, WM_CHAR, L'\r', 1);
  Type(edit, L"x");
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"textchanged", L"e") == 4; }));
  EXPECT_EQ(L"hi!x", control->Text()) << "Return inserted nothing";
  EXPECT_EQ(1u, window.Count(L"return", L"e"));

  ::PostMessageW(edit, WM_CHAR, VK_BACK, 1);
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"textchanged", L"e") == 5; }));
  EXPECT_EQ(L"hi!", control->Text());

  // A new text from the program reaches the open window.
  control->SetText(L"set");
  EXPECT_EQ(L"set", WindowText(edit));
  EXPECT_EQ(L"set", control->Text());
}

TEST(EditNative, PressOnTheEditEndsTheWindowsPressSoHoverGoesOn) {
  ControlTestWindow window(Layout(L""));
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; }));
  // The release happens over the native window, which the skinned window never hears of.
  window.Mouse(WM_LBUTTONDOWN, 100, 40, MK_LBUTTON, false);
  ASSERT_NE(nullptr, window.Named(L"e")->NativeWindow());
  EXPECT_EQ(nullptr, window.Manager().ClickControl());
  window.Mouse(WM_MOUSEMOVE, 50, 95, 0, false);
  EXPECT_EQ(window.Named(L"away"), window.Manager().HoverControl());
}

TEST(EditNative, MaxCharStopsTyping) {
  ControlTestWindow window(Layout(L"maxchar=\"3\""));
  ASSERT_NE(nullptr, window.Open());
  HWND edit = StartEditing(window);
  ASSERT_NE(nullptr, edit);
  Type(edit, L"12345");
  ASSERT_TRUE(PumpUntil([&] { return window.Count(L"textchanged", L"e") >= 3; }));
  PumpPending();
  EXPECT_EQ(L"123", window.Named(L"e")->Text());
  EXPECT_EQ(3u, window.Count(L"textchanged", L"e"));
}

TEST(EditNative, FocusLossClosesTheNativeWindowAndRepaintsTheText) {
  ControlTestWindow window(Layout(L"text=\"keep\""));
  ASSERT_NE(nullptr, window.Open());
  HWND edit = StartEditing(window);
  ASSERT_NE(nullptr, edit);
  auto* control = window.Get<CEditUI>(L"e");
  Type(edit, L"s");
  ASSERT_TRUE(PumpUntil([&] { return control->Text() == L"keeps"; }));

  window.Click(50, 95, false);
  ASSERT_TRUE(PumpUntil([&] { return control->NativeWindow() == nullptr; }));
  EXPECT_FALSE(::IsWindow(edit));
  EXPECT_EQ(L"keeps", control->Text());
  EXPECT_EQ(window.Named(L"away"), window.Manager().FocusControl());

  // Opening again works, and losing the window focus ends editing too.
  edit = StartEditing(window);
  ASSERT_NE(nullptr, edit);
  EXPECT_EQ(L"keeps", WindowText(edit));
  ::SetFocus(window.WindowHandle());
  ASSERT_TRUE(PumpUntil([&] { return control->NativeWindow() == nullptr; }));
  EXPECT_FALSE(::IsWindow(edit));

  // A disabled edit opens nothing.
  control->SetEnabled(false);
  window.Click(100, 40, false);
  PumpPending();
  EXPECT_EQ(nullptr, control->NativeWindow());
}

TEST(EditNative, ColourRequestAnswersWithTheNativeBackground) {
  ControlTestWindow window(Layout(L"nativebkcolor=\"#FF102030\" nativetextcolor=\"#FF405060\""));
  ASSERT_NE(nullptr, window.Open());
  HWND edit = StartEditing(window);
  ASSERT_NE(nullptr, edit);
  Utils::WindowDC dc(edit);
  const LRESULT answer = ::SendMessageW(window.WindowHandle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                                        reinterpret_cast<LPARAM>(edit));
  ASSERT_NE(0, answer);
  LOGBRUSH brush = {};
  ASSERT_NE(0, ::GetObjectW(reinterpret_cast<HBRUSH>(answer), sizeof(brush), &brush));
  EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
  EXPECT_EQ(RGB(0x10, 0x20, 0x30), brush.lbColor);
  EXPECT_EQ(RGB(0x40, 0x50, 0x60), ::GetTextColor(dc.get()));
  EXPECT_EQ(answer, ::SendMessageW(window.WindowHandle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                                   reinterpret_cast<LPARAM>(edit)))
      << "one brush for the window's life";

  // A partly transparent colour: a pattern made from what is painted under the edit.
  window.Get<CEditUI>(L"e")->SetNativeBkColor(0x80FF0000);
  const LRESULT tinted = ::SendMessageW(window.WindowHandle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()),
                                        reinterpret_cast<LPARAM>(edit));
  ASSERT_NE(0, tinted);
  ASSERT_NE(0, ::GetObjectW(reinterpret_cast<HBRUSH>(tinted), sizeof(brush), &brush));
  EXPECT_EQ(static_cast<UINT>(BS_PATTERN), brush.lbStyle);
}

struct PaintCase {
  const wchar_t* text;
  bool password;
  const wchar_t* tip;
  const wchar_t* drawn;  // what must appear
  DWORD colour;
};

TEST(EditPaint, PasswordsTipsAndTextAreDrawnSingleLine) {
  ControlTestWindow window(Layout(L"tipvaluecolor=\"#FF0000FF\""));
  ASSERT_NE(nullptr, window.Open());
  SkinUI::CWindowManagerUI& manager = window.Manager();
  auto* control = window.Get<CEditUI>(L"e");
  const PaintCase cases[] = {
      {L"abc", true, L"", L"***", 0xFF000000},
      {L"abc", false, L"", L"abc", 0xFF000000},
      {L"", false, L"type here", L"type here", 0xFF0000FF},
      {L"type here", false, L"type here", L"type here", 0xFF0000FF},
      {L"other", false, L"type here", L"other", 0xFF000000},
      {L"ab", true, L"ab", L"ab", 0xFF0000FF},
  };
  for (const PaintCase& c : cases) {
    SCOPED_TRACE(std::string(c.drawn, c.drawn + std::wcslen(c.drawn)));
    control->SetText(c.text);
    control->SetPassword(c.password);
    control->SetTipValue(c.tip);
    PixelCanvas painted(300, 120, RGB(255, 255, 255));
    control->PaintText(painted.dc());
    PixelCanvas expected(300, 120, RGB(255, 255, 255));
    RECT rect = {24, 23, 216, 57};
    CDrawEngine::DrawText(expected.dc(), &manager, rect, c.drawn, c.colour, 1, DT_VCENTER | DT_SINGLELINE);
    EXPECT_TRUE(painted.SamePixels(expected));
  }
  // Multi-line style or not, an edit draws one line.
  control->SetMultiLine(true);
  control->SetPassword(false);
  const std::wstring longText = L"one two three four five six seven eight nine ten eleven twelve";
  control->SetText(longText);
  PixelCanvas painted(300, 120, RGB(255, 255, 255));
  control->PaintText(painted.dc());
  PixelCanvas oneLine(300, 120, RGB(255, 255, 255));
  RECT rect = {24, 23, 216, 57};
  CDrawEngine::DrawText(oneLine.dc(), &manager, rect, longText, 0xFF000000, 1, DT_VCENTER | DT_SINGLELINE);
  EXPECT_TRUE(painted.SamePixels(oneLine));
}

TEST(EditAttributes, SettersAndFlags) {
  CEditUI edit;
  edit.ApplyAttribute(L"readonly", L"true");
  edit.ApplyAttribute(L"numberonly", L"true");
  edit.ApplyAttribute(L"autoselall", L"true");
  edit.ApplyAttribute(L"maxchar", L"12");
  edit.ApplyAttribute(L"textpadding", L"1,1,1,1");
  edit.ApplyAttribute(L"caretcolor", L"#FF000000");
  EXPECT_TRUE(edit.IsReadOnly());
  EXPECT_TRUE(edit.IsNumberOnly());
  EXPECT_TRUE(edit.IsAutoSelAll());
  EXPECT_EQ(12u, edit.MaxChar());
  EXPECT_EQ(1, edit.TextPadding().top);
  EXPECT_NE(nullptr, edit.CustomAttribute(L"caretcolor"));
  EXPECT_EQ(UINT{SkinUI::kFlagTabStop | SkinUI::kFlagSetCursor}, edit.ControlFlags());
  edit.SetEnabled(false);
  EXPECT_EQ(0u, edit.ControlFlags());
  EXPECT_EQ(0xFFFFFFFFu, CEditUI().BackgroundColour());
  EXPECT_EQ(4, CEditUI().TextPadding().left);
}

}  // namespace
