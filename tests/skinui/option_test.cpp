// Options and check boxes clicked with real mouse messages: toggling, groups in the window's
// group table, notification order and what disabling keeps.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "control_test_window.h"
#include "skinui/check_box.h"
#include "skinui/container.h"
#include "skinui/option.h"
#include "skinui/window_manager.h"

namespace {

using SkinUI::CCheckBoxUI;
using SkinUI::COptionUI;
using SkinUITest::ControlTestWindow;
using SkinUITest::PumpUntil;
using SkinUITest::SeenNotification;

const std::vector<std::wstring> kTypes = {L"click", L"selectchanged"};

// Three rows of 40 pixels: a check box without a group, then two options of group "g".
const wchar_t kLayout[] =
    L"<Window size=\"200,160\"><VerticalLayout name=\"column\" bkcolor=\"#FFFFFFFF\">"
    L"<CheckBox name=\"check\" height=\"40\"/>"
    L"<Option name=\"first\" height=\"40\" group=\"g\" selected=\"true\" selectedbkcolor=\"#FF00FF00\"/>"
    L"<Option name=\"second\" height=\"40\" group=\"g\" selectedbkcolor=\"#FF00FF00\" bkcolor=\"#FFFFFFFF\"/>"
    L"<Control/></VerticalLayout></Window>";

TEST(CheckBox, WithoutGroupTogglesAndSendsClickThenSelectChanged) {
  ControlTestWindow window(kLayout);
  ASSERT_NE(nullptr, window.Open());
  auto* check = window.Get<CCheckBoxUI>(L"check");
  ASSERT_NE(nullptr, check);
  EXPECT_STREQ(L"CheckBox", check->ClassName());
  EXPECT_EQ(check, check->FindInterface(L"Option"));
  const bool states[] = {true, false, true};
  for (bool expected : states) {
    window.seen.clear();
    window.Click(50, 20);
    EXPECT_EQ(expected, check->IsSelected());
    const std::vector<SeenNotification> order = {{L"click", L"check"}, {L"selectchanged", L"check"}};
    EXPECT_EQ(order, window.Only(kTypes));
  }
}

TEST(OptionGroup, SelectingTheSecondDeselectsTheFirstSilently) {
  ControlTestWindow window(kLayout);
  ASSERT_NE(nullptr, window.Open());
  ASSERT_TRUE(PumpUntil([&] { return window.Manager().BackBufferDC() != nullptr; }));
  auto* first = window.Get<COptionUI>(L"first");
  auto* second = window.Get<COptionUI>(L"second");
  ASSERT_TRUE(first->IsSelected()) << "from the markup";
  const auto* group = window.Manager().OptionGroup(L"g");
  ASSERT_NE(nullptr, group);
  EXPECT_EQ(2u, group->size());

  window.seen.clear();
  window.Click(50, 100);
  EXPECT_TRUE(second->IsSelected());
  EXPECT_FALSE(first->IsSelected());
  const std::vector<SeenNotification> order = {{L"click", L"second"}, {L"selectchanged", L"second"}};
  EXPECT_EQ(order, window.Only(kTypes));
  HDC buffer = window.Repaint();
  EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(buffer, 50, 100)) << "the selected colour";
  EXPECT_NE(RGB(0, 255, 0), ::GetPixel(buffer, 50, 60)) << "the first repainted unselected";

  // Clicking a selected grouped option keeps it selected and changes nothing.
  window.seen.clear();
  window.Click(50, 100);
  EXPECT_TRUE(second->IsSelected());
  EXPECT_EQ((std::vector<SeenNotification>{{L"click", L"second"}}), window.Only(kTypes));

  // Without notification: the selection moves, nobody hears of it.
  window.seen.clear();
  first->SetSelected(true, false);
  EXPECT_TRUE(first->IsSelected());
  EXPECT_FALSE(second->IsSelected());
  EXPECT_TRUE(window.Only(kTypes).empty());
}

TEST(OptionGroup, ChangingGroupAndDeletingAnOptionUpdateTheTable) {
  ControlTestWindow window(kLayout);
  ASSERT_NE(nullptr, window.Open());
  SkinUI::CWindowManagerUI& manager = window.Manager();
  auto* first = window.Get<COptionUI>(L"first");
  auto* second = window.Get<COptionUI>(L"second");
  second->SetGroup(L"h");
  ASSERT_NE(nullptr, manager.OptionGroup(L"g"));
  EXPECT_EQ(1u, manager.OptionGroup(L"g")->size());
  EXPECT_EQ(1u, manager.OptionGroup(L"h")->size());
  second->SetSelected(true);
  EXPECT_TRUE(first->IsSelected()) << "different groups do not deselect each other";

  auto* column = static_cast<SkinUI::IContainerUI*>(window.Named(L"column")->FindInterface(L"IContainer"));
  ASSERT_NE(nullptr, column);
  ASSERT_TRUE(column->RemoveItem(first));
  EXPECT_EQ(nullptr, manager.OptionGroup(L"g")) << "a deleted option leaves its group";
  second->SetGroup(L"g");
  second->SetSelected(false);
  second->SetSelected(true);
  EXPECT_TRUE(second->IsSelected());
}

TEST(OptionState, DisablingKeepsOnlySelected) {
  ControlTestWindow window(kLayout);
  ASSERT_NE(nullptr, window.Open());
  auto* first = window.Get<COptionUI>(L"first");
  auto* second = window.Get<COptionUI>(L"second");
  window.Mouse(WM_MOUSEMOVE, 50, 60);
  window.Mouse(WM_LBUTTONDOWN, 50, 60, MK_LBUTTON);
  ASSERT_EQ(UINT{SkinUI::kStateSelected | SkinUI::kStateHot | SkinUI::kStatePushed | SkinUI::kStateCaptured},
            first->ButtonState() & ~UINT{SkinUI::kStateFocused});
  first->SetEnabled(false);
  EXPECT_EQ(UINT{SkinUI::kStateSelected | SkinUI::kStateDisabled}, first->ButtonState() & ~UINT{SkinUI::kStateFocused});
  EXPECT_TRUE(first->IsSelected());
  window.Mouse(WM_LBUTTONUP, 50, 60);
  EXPECT_TRUE(first->IsSelected()) << "the release after disabling does not toggle";

  window.Mouse(WM_MOUSEMOVE, 50, 100);
  second->SetEnabled(false);
  EXPECT_EQ(UINT{SkinUI::kStateDisabled}, second->ButtonState() & ~UINT{SkinUI::kStateFocused});
  first->SetEnabled(true);
  EXPECT_EQ(UINT{SkinUI::kStateSelected}, first->ButtonState() & ~UINT{SkinUI::kStateFocused});
}

}  // namespace
