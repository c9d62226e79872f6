// Buttons driven by real mouse and keyboard messages: the events they send, their state,
// the hover fade and which text colour wins.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "control_test_window.h"
#include "skinui/button.h"
#include "skinui/window_manager.h"

namespace {

using SkinUI::CButtonUI;
using SkinUITest::ControlTestWindow;
using SkinUITest::DominantInk;
using SkinUITest::PumpUntil;
using SkinUITest::SeenNotification;

// A 120 x 60 button at (20, 20) inside a white window, with a big bold font so that the text
// has solid strokes in the exact text colour.
const wchar_t kButtonLayout[] =
    L"<Window size=\"200,120\"><Font id=\"1\" name=\"Tahoma\" size=\"28\" bold=\"true\"/>"
    L"<VerticalLayout bkcolor=\"#FFFFFFFF\">"
    L"<Button name=\"b\" float=\"true\" pos=\"20,20,140,80\" text=\"MW\" font=\"1\" textcolor=\"#FF000000\" "
    L"focusedtextcolor=\"#FF0000FF\" hottextcolor=\"#FF00FF00\" pushedtextcolor=\"#FFFF0000\" "
    L"hotborercolor=\"#FF123456\"/>"
    L"<Button name=\"other\" float=\"true\" pos=\"150,20,190,80\"/>"
    L"</VerticalLayout></Window>";

const std::vector<std::wstring> kMouseTypes = {L"mouseenter", L"mouseleave", L"click"};

TEST(ButtonEvents, RealMouseMessagesEnterClickAndLeave) {
  ControlTestWindow window(kButtonLayout);
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; }));
  auto* button = window.Get<CButtonUI>(L"b");
  ASSERT_NE(nullptr, button);

  window.Mouse(WM_MOUSEMOVE, 60, 50);
  EXPECT_TRUE(button->ButtonState() & SkinUI::kStateHot);
  window.Mouse(WM_LBUTTONDOWN, 60, 50, MK_LBUTTON);
  EXPECT_TRUE(button->ButtonState() & SkinUI::kStatePushed);
  EXPECT_TRUE(button->ButtonState() & SkinUI::kStateCaptured);
  window.Mouse(WM_LBUTTONUP, 60, 50);
  EXPECT_FALSE(button->ButtonState() & (SkinUI::kStatePushed | SkinUI::kStateCaptured));

  // Pressed inside, dragged out (no longer pushed), released outside: no click.
  window.Mouse(WM_LBUTTONDOWN, 60, 50, MK_LBUTTON);
  window.Mouse(WM_MOUSEMOVE, 170, 100, MK_LBUTTON);
  EXPECT_FALSE(button->ButtonState() & SkinUI::kStatePushed);
  EXPECT_TRUE(button->ButtonState() & SkinUI::kStateCaptured);
  window.Mouse(WM_MOUSEMOVE, 61, 50, MK_LBUTTON);
  EXPECT_TRUE(button->ButtonState() & SkinUI::kStatePushed) << "back inside while captured";
  window.Mouse(WM_MOUSEMOVE, 170, 100, MK_LBUTTON);
  window.Mouse(WM_LBUTTONUP, 170, 100);
  EXPECT_FALSE(button->ButtonState() & (SkinUI::kStatePushed | SkinUI::kStateCaptured));
  window.Mouse(WM_MOUSEMOVE, 171, 100);
  EXPECT_FALSE(button->ButtonState() & SkinUI::kStateHot);

  const std::vector<SeenNotification> expected = {{L"mouseenter", L"b"}, {L"click", L"b"}, {L"mouseleave", L"b"}};
  EXPECT_EQ(expected, window.Only(kMouseTypes));
  ASSERT_NE(nullptr, button->CustomAttribute(L"hotborercolor")) << "a misspelt name is kept and ignored";
}

TEST(ButtonEvents, KeysActivateOnlyAnEnabledKeyboardButton) {
  ControlTestWindow window(kButtonLayout);
  ASSERT_NE(nullptr, window.Open());
  auto* button = window.Get<CButtonUI>(L"b");
  SkinUI::CWindowManagerUI& manager = window.Manager();
  manager.SetFocusControl(button, true);
  ASSERT_EQ(button, manager.FocusControl());
  struct KeyCase {
    WPARAM key;
    bool enabled;
    bool keyboard;
    size_t clicks;
  };
  const KeyCase cases[] = {
      {VK_SPACE, true, true, 1},
      {VK_RETURN, true, true, 1},
      {'A', true, true, 0},
      {VK_SPACE, true, false, 0},
  };
  for (const KeyCase& c : cases) {
    button->SetKeyboardEnabled(c.keyboard);
    const size_t before = window.Count(L"click", L"b");
    ::SendMessageW(window.WindowHandle(), WM_KEYDOWN, c.key, 0);
    EXPECT_EQ(c.clicks, window.Count(L"click", L"b") - before) << "key " << c.key << " keyboard " << c.keyboard;
  }
  button->SetKeyboardEnabled(true);
  EXPECT_EQ(SkinUI::kFlagSetCursor | SkinUI::kFlagTabStop, button->ControlFlags());
  button->SetEnabled(false);
  EXPECT_EQ(UINT{SkinUI::kFlagTabStop}, button->ControlFlags());
  EXPECT_FALSE(button->Activate());
  const size_t before = window.Count(L"click", L"b");
  window.Click(60, 50);
  EXPECT_EQ(before, window.Count(L"click", L"b")) << "a disabled button does not click";
  EXPECT_EQ(UINT{SkinUI::kStateDisabled}, button->ButtonState() & ~UINT{SkinUI::kStateFocused});
}

TEST(ButtonText, PushedBeatsHotBeatsFocusedBeatsNormal) {
  ControlTestWindow window(kButtonLayout);
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; }));
  auto* button = window.Get<CButtonUI>(L"b");
  const RECT area = button->Position();
  auto ink = [&] { return DominantInk(window.Repaint(), area, RGB(255, 255, 255)); };

  // The first paint focuses the first tab stop, and the pointer may rest anywhere: start neutral.
  window.Manager().SetFocusControl(window.Named(L"other"), true);
  window.Mouse(WM_MOUSEMOVE, 5, 5);
  ASSERT_EQ(0u, button->ButtonState());
  EXPECT_EQ(RGB(0, 0, 0), ink()) << "normal";
  window.Manager().SetFocusControl(button, true);
  EXPECT_EQ(RGB(0, 0, 255), ink()) << "focused";
  window.Mouse(WM_MOUSEMOVE, 60, 50);
  EXPECT_EQ(RGB(0, 255, 0), ink()) << "hot over focused";
  window.Mouse(WM_LBUTTONDOWN, 60, 50, MK_LBUTTON);
  EXPECT_EQ(RGB(255, 0, 0), ink()) << "pushed over hot";
  window.Mouse(WM_MOUSEMOVE, 170, 100, MK_LBUTTON);
  EXPECT_EQ(RGB(0, 255, 0), ink()) << "dragged out: hot again";
  window.Mouse(WM_LBUTTONUP, 170, 100);
  window.Mouse(WM_MOUSEMOVE, 171, 100);
  window.Manager().SetFocusControl(window.Named(L"other"), true);
  EXPECT_EQ(RGB(0, 0, 0), ink()) << "normal again";
  button->SetEnabled(false);
  button->SetDisabledTextColor(0xFF808000);
  EXPECT_EQ(RGB(0x80, 0x80, 0), ink()) << "disabled";
}

TEST(ButtonBackground, StateColoursFillTheButton) {
  ControlTestWindow window(
      L"<Window size=\"200,120\"><VerticalLayout bkcolor=\"#FFFFFFFF\">"
      L"<Button name=\"b\" height=\"60\" hotbkcolor=\"#FFFF0000\" pushedbkcolor=\"#FF0000FF\" "
      L"disabledbkcolor=\"#FF00FF00\"/><Control/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; }));
  auto* button = window.Get<CButtonUI>(L"b");
  window.Mouse(WM_MOUSEMOVE, 100, 100);
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(window.Repaint(), 5, 5)) << "normal: no fill";
  window.Mouse(WM_MOUSEMOVE, 100, 30);
  EXPECT_EQ(RGB(255, 0, 0), ::GetPixel(window.Repaint(), 5, 5)) << "hot";
  window.Mouse(WM_LBUTTONDOWN, 100, 30, MK_LBUTTON);
  EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(window.Repaint(), 5, 5)) << "pushed";
  window.Mouse(WM_LBUTTONUP, 100, 30);
  button->SetEnabled(false);
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(window.Repaint(), 5, 5)) << "disabled";
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(window.Repaint(), 5, 65)) << "only the button is filled";
}

TEST(ButtonFade, TimerStepsTheAlphaToEachEndAndStops) {
  ControlTestWindow window(
      L"<Window size=\"200,120\"><VerticalLayout><Button name=\"b\" height=\"50\" fadedelta=\"100\"/>"
      L"<Button name=\"nofade\" height=\"50\"/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; }));
  auto* button = window.Get<CButtonUI>(L"b");
  SkinUI::CWindowManagerUI& manager = window.Manager();
  EXPECT_EQ(255, button->FadeAlpha());
  window.Mouse(WM_MOUSEMOVE, 20, 20);
  ASSERT_NE(-1, manager.NativeTimerId(button, CButtonUI::kFadeTimerId)) << "entering starts the fade timer";
  ASSERT_TRUE(PumpUntil([&] { return button->FadeAlpha() == 0; })) << "255 - 100 - 100 - 55";
  EXPECT_FALSE(manager.KillControlTimer(button, CButtonUI::kFadeTimerId)) << "the timer stopped at the end";
  window.Mouse(WM_MOUSEMOVE, 20, 80);
  ASSERT_TRUE(PumpUntil([&] { return button->FadeAlpha() == 255; }));
  EXPECT_FALSE(manager.KillControlTimer(button, CButtonUI::kFadeTimerId));

  auto* plain = window.Get<CButtonUI>(L"nofade");
  EXPECT_EQ(-1, manager.NativeTimerId(plain, CButtonUI::kFadeTimerId)) << "no fade step, no timer";

  CButtonUI clamped;
  clamped.ApplyAttribute(L"fadedelta", L"300");
  EXPECT_EQ(255, clamped.FadeDelta());
  clamped.ApplyAttribute(L"fadedelta", L"-5");
  EXPECT_EQ(0, clamped.FadeDelta());
}

TEST(ButtonMeasure, FixedHeightOrCharacterHeightPlusEight) {
  ControlTestWindow window(
      L"<Window size=\"200,120\"><Font id=\"1\" name=\"Tahoma\" size=\"20\"/><VerticalLayout>"
      L"<Button name=\"auto\" font=\"1\" width=\"70\"/><Button name=\"fixed\" height=\"31\" width=\"50\"/>"
      L"</VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  SkinUI::CWindowManagerUI& manager = window.Manager();
  const SIZE automatic = window.Named(L"auto")->MeasureSize(SIZE{200, 120});
  EXPECT_EQ(70, automatic.cx);
  EXPECT_EQ(manager.FontMetrics(1).tmHeight + 8, automatic.cy);
  const SIZE fixed = window.Named(L"fixed")->MeasureSize(SIZE{200, 120});
  EXPECT_EQ(50, fixed.cx);
  EXPECT_EQ(31, fixed.cy);
}

}  // namespace
