// The image-sequence controls: the frame step for every mode, their attributes and frame names,
// and the animation in a real window whose CreateCustomControl makes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skinui/window_manager.h"
#include "tests/skinui/control_test_window.h"
#include "ui/sequence_animation.h"
#include "ui/sequence_button.h"
#include "ui/sequence_label.h"

namespace {

using SkinUI::SequenceAnimation;

struct FrameCase {
  const char* what;
  bool pingpong;
  bool loop;
  uint32_t count;
  int ticks;
  std::vector<int> frames;  // -1: the tick stopped the timer
};

// Ticks until the sequence stops (or `ticks` have passed); the frames shown, -1 for the stop.
std::vector<int> Frames(SequenceAnimation& a, int ticks) {
  std::vector<int> seen;
  for (int i = 0; i < ticks; ++i) {
    std::wstring image;
    const SequenceAnimation::Step step = a.Advance(image);
    if (step == SequenceAnimation::Step::kStop) {
      seen.push_back(-1);
      break;
    }
    seen.push_back(std::stoi(image));
  }
  return seen;
}

TEST(SequenceFrames, EveryModeAndCountZero) {
  const FrameCase cases[] = {
      {"pingpong, loop: each end once per turn", true, true, 4, 12, {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1}},
      {"loop only: wraps to 0", false, true, 3, 8, {0, 1, 2, 0, 1, 2, 0, 1}},
      {"neither: stops on the last frame", false, false, 3, 8, {0, 1, 2, -1}},
      {"pingpong only: stops on frame 1", true, false, 4, 12, {0, 1, 2, 3, 2, 1, -1}},
      {"count 0 counts on without end", false, true, 0, 6, {0, 1, 2, 3, 4, 5}},
      {"count 0 with pingpong counts on too", true, false, 0, 4, {0, 1, 2, 3}},
  };
  for (const FrameCase& c : cases) {
    SequenceAnimation a;
    a.pattern = L"%d";
    a.pingpong = c.pingpong;
    a.loop = c.loop;
    a.count = c.count;
    EXPECT_EQ(c.frames, Frames(a, c.ticks)) << c.what;
  }
}

TEST(SequenceFrames, PingpongBelowTwoFramesLeavesTheRangeUnsigned) {
  SequenceAnimation a;
  a.pattern = L"%u";
  a.count = 1;
  std::wstring image;
  a.Advance(image);
  EXPECT_EQ(L"0", image);
  a.Advance(image);  // index 1 > 0: backwards from count - 2, taken as unsigned
  EXPECT_EQ(L"4294967295", image);
  EXPECT_FALSE(a.forward);
}

TEST(SequenceFrames, EmptyPatternChangesNothing) {
  SequenceAnimation a;
  a.count = 3;
  std::wstring image = L"kept";
  EXPECT_EQ(SequenceAnimation::Step::kNothing, a.Advance(image));
  EXPECT_EQ(L"kept", image);
  EXPECT_EQ(0u, a.index);
}

TEST(SequenceFrames, FrameNames) {
  const std::wstring long259(255, L'a');
  const struct {
    std::wstring pattern;
    uint32_t frame;
    std::wstring name;
  } cases[] = {
      {L"res\\mainWnd\\installBtnAnimate\\%.3d.png", 7, L"res\\mainWnd\\installBtnAnimate\\007.png"},
      {L"%.3d", 1234, L"1234"},
      {L"fixed.png", 5, L"fixed.png"},
      {L"100%%_%02x", 10, L"100%_0a"},
      {long259 + L"%.4d", 1, long259 + L"0001"},  // 259 characters: fits with the terminator
      {long259 + L"%.5d", 1, L""},                // 260: refused
      {L"%s.png", 1, L""},                        // not a number: never handed to the C library
      {L"%d_%d.png", 1, L""},
      {L"%n", 1, L""},
      {L"trailing %", 1, L""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.name, SequenceAnimation::FormatFrameName(c.pattern, c.frame)) << c.pattern;
}

TEST(SequenceAttributes, CaseRulesAndFlagWords) {
  SkinUI::CSequenceButtonUI button;
  button.ApplyAttribute(L"SequenceBkImage", L"wrong\\%d.png");  // the pattern's name is exact
  EXPECT_EQ(L"", button.GetSequenceBkImage());
  button.ApplyAttribute(L"sequencebkimage", L"b\\%.3d.png");
  button.ApplyAttribute(L"SEQUENCECOUNT", L"50");
  button.ApplyAttribute(L"SequenceSpan", L"45ms");
  EXPECT_EQ(L"b\\%.3d.png", button.GetSequenceBkImage());
  EXPECT_EQ(50u, button.GetSequenceCount());
  EXPECT_EQ(45, button.GetSequenceSpan());

  const struct {
    const wchar_t* value;
    bool result;
  } flags[] = {{L"false", false}, {L"False", true}, {L"0", true}, {L"", true}, {L"true", true}};
  for (const auto& f : flags) {
    SkinUI::CSequenceLabelUI label;
    label.ApplyAttribute(L"SequenceLoop", L"false");
    label.ApplyAttribute(L"sequenceloop", f.value);
    label.ApplyAttribute(L"AutoStart", f.value);
    label.ApplyAttribute(L"sequenceROUND", f.value);
    EXPECT_EQ(f.result, label.Animation().loop) << f.value;
    EXPECT_EQ(f.result, label.Animation().autostart) << f.value;
    EXPECT_EQ(f.result, label.Animation().pingpong) << f.value;
  }
}

TEST(SequenceAttributes, DefaultsOfButtonAndLabel) {
  SkinUI::CSequenceButtonUI button;
  SkinUI::CSequenceLabelUI label;
  EXPECT_TRUE(button.Animation().pingpong);
  EXPECT_EQ(60, button.GetSequenceSpan());
  EXPECT_FALSE(label.Animation().pingpong);
  EXPECT_EQ(30, label.GetSequenceSpan());
  EXPECT_TRUE(label.Animation().loop);
  EXPECT_FALSE(label.Animation().autostart);
  EXPECT_EQ(&button, button.FindInterface(L"SequenceButton"));
  EXPECT_EQ(nullptr, button.FindInterface(L"sequencebutton"));
  EXPECT_NE(nullptr, label.FindInterface(L"Label"));
}

// A window that makes the sequence controls the way the installer's window does.
class SequenceWindow : public SkinUITest::ControlTestWindow {
 public:
  using ControlTestWindow::ControlTestWindow;
  SkinUI::CControlUI* CreateCustomControl(const wchar_t* name) override {
    asked.push_back(name);
    return SkinUI::CreateSequenceControl(name);
  }
  std::vector<std::wstring> asked;
};

TEST(SequenceWindowTest, AutostartedLabelPlaysOnceAndStopsOnItsLastFrame) {
  SequenceWindow window(
      L"<Window size=\"200,100\"><VerticalLayout>"
      L"<sequencelabel name=\"anim\" height=\"20\" sequencebkimage=\"f%d.png\" sequencecount=\"3\" "
      L"sequencespan=\"10\" sequenceloop=\"false\" autostart=\"true\"/>"
      L"<SequenceButton name=\"btn\" height=\"20\" sequencebkimage=\"b%d.png\" sequencecount=\"3\"/>"
      L"<Mystery/></VerticalLayout></Window>");
  ASSERT_TRUE(window.Open(200, 100));
  EXPECT_EQ((std::vector<std::wstring>{L"sequencelabel", L"SequenceButton", L"Mystery"}), window.asked);
  auto* label = window.Get<SkinUI::CSequenceLabelUI>(L"anim");
  auto* button = window.Get<SkinUI::CSequenceButtonUI>(L"btn");
  ASSERT_NE(nullptr, label->FindInterface(L"SequenceLabel"));
  ASSERT_NE(nullptr, button->FindInterface(L"SequenceButton"));
  SkinUI::CWindowManagerUI& manager = window.Manager();
  EXPECT_TRUE(manager.IsControlTimerRunning(label, SkinUI::TIMER_SEQUENCE_FRAME));
  EXPECT_FALSE(manager.IsControlTimerRunning(button, SkinUI::TIMER_SEQUENCE_FRAME)) << "no autostart";
  // Only the sequence's own timer steps the frames, not the button's fade timer.
  for (const UINT id : {SkinUI::CButtonUI::kFadeTimerId, SkinUI::TIMER_SEQUENCE_FRAME}) {
    SkinUI::ControlEvent tick;
    tick.kind = SkinUI::kEventTimer;
    tick.sender = button;
    tick.wParam = id;
    button->DispatchEvent(tick);
  }
  EXPECT_EQ(L"b0.png", button->BackgroundImage());
  EXPECT_EQ(1u, button->Animation().index);

  ASSERT_TRUE(
      SkinUITest::PumpUntil([&] { return !manager.IsControlTimerRunning(label, SkinUI::TIMER_SEQUENCE_FRAME); }));
  EXPECT_EQ(L"f2.png", label->BackgroundImage());
  EXPECT_EQ(4u, window.Count(L"timer", L"anim")) << "three frames, then the tick that stops";

  // Play starts again from frame 0.
  label->Play();
  EXPECT_TRUE(manager.IsControlTimerRunning(label, SkinUI::TIMER_SEQUENCE_FRAME));
  ASSERT_TRUE(SkinUITest::PumpUntil([&] { return label->BackgroundImage() == L"f0.png"; }));
  ASSERT_TRUE(
      SkinUITest::PumpUntil([&] { return !manager.IsControlTimerRunning(label, SkinUI::TIMER_SEQUENCE_FRAME); }));
  EXPECT_EQ(L"f2.png", label->BackgroundImage());
}

}  // namespace
