// The combo box in a real window: items from the markup and from code, the selection rules
// and "itemselect", and opening and closing its pop-up list by click.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "control_test_window.h"
#include "skinui/combo.h"
#include "skinui/combo_wnd.h"
#include "skinui/window_manager.h"

namespace {

using SkinUI::CComboUI;
using SkinUITest::ControlTestWindow;
using SkinUITest::PumpPending;

const wchar_t kLayout[] =
    L"<Window size=\"200,100\"><VerticalLayout bkcolor=\"#FFFFFFFF\">"
    L"<Combo name=\"combo\" height=\"30\" text=\"choose\" cursel=\"1\"><Label text=\"a\"/><Button text=\"b\"/>"
    L"<Label text=\"c\"/></Combo><Control/></VerticalLayout></Window>";

TEST(Combo, ItemsSelectionAndRemoval) {
  ControlTestWindow window(kLayout);
  ASSERT_NE(nullptr, window.Open(200, 100));
  auto* combo = window.Get<CComboUI>(L"combo");
  ASSERT_NE(nullptr, combo->FindInterface(L"Combo"));
  EXPECT_EQ(3, combo->Count());
  EXPECT_EQ(1, combo->GetCurSel()) << "from the markup, without a notification";
  EXPECT_EQ(L"b", combo->Text());
  EXPECT_EQ(3, combo->AddString(L"d"));

  const struct {
    int index;
    bool takeFocus;
    bool notify;
    bool result;
    int curSel;
    size_t notifications;
  } steps[] = {
      {3, false, true, true, 3, 1},   {3, false, true, true, 3, 1},   // the same item again: nothing
      {0, true, false, true, 0, 1},   {4, false, true, false, 0, 1},  // outside the list
      {-1, false, true, false, 0, 1}, {2, false, true, true, 2, 2},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(s.result, combo->SelectItem(s.index, s.takeFocus, s.notify)) << s.index;
    EXPECT_EQ(s.curSel, combo->GetCurSel()) << s.index;
    EXPECT_EQ(s.notifications, window.Count(L"itemselect", L"combo")) << s.index;
  }
  EXPECT_TRUE(combo->IsFocused()) << "asked for by one step";
  EXPECT_EQ(L"c", combo->Text());

  combo->RemoveItemAt(0);  // before the chosen item: it moves up
  EXPECT_EQ(1, combo->GetCurSel());
  EXPECT_EQ(L"c", combo->ItemText(1));
  combo->RemoveItemAt(1);  // the chosen item: nothing chosen, the markup's text is back
  EXPECT_EQ(-1, combo->GetCurSel());
  EXPECT_EQ(L"choose", combo->Text());
}

TEST(Combo, ClickOpensTheListAndAClickOnTheComboClosesIt) {
  ControlTestWindow window(kLayout);
  ASSERT_NE(nullptr, window.Open(200, 100));
  auto* combo = window.Get<CComboUI>(L"combo");
  window.Click(50, 15);
  HWND list = combo->DropDownWindow();
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(1u, window.Count(L"dropdown", L"combo"));
  EXPECT_EQ(list, ::GetActiveWindow()) << "the list takes the keyboard";
  RECT listRect, comboScreen = combo->Position();
  ::GetWindowRect(list, &listRect);
  ::MapWindowPoints(window.WindowHandle(), nullptr, reinterpret_cast<POINT*>(&comboScreen), 2);
  EXPECT_EQ(comboScreen.left, listRect.left);
  EXPECT_EQ(comboScreen.bottom, listRect.top) << "right under the combo";
  EXPECT_EQ(3 * 24 + 2, listRect.bottom - listRect.top);

  // The owner becomes active again (as a click on it would make it), then the click arrives.
  ::SetActiveWindow(window.WindowHandle());
  window.Click(50, 15);
  PumpPending();
  EXPECT_EQ(nullptr, combo->DropDownWindow()) << "the click that closed the list does not reopen it";
  EXPECT_FALSE(::IsWindow(list));
  EXPECT_EQ(1, combo->GetCurSel());

  combo->SetEnabled(false);
  window.Click(50, 15);
  EXPECT_EQ(nullptr, combo->DropDownWindow());
}

}  // namespace
