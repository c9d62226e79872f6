// Control attributes, visibility rules and the arithmetic of the vertical, horizontal and tab
// layouts, on trees built from layout text and laid out without a window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/skin_builder.h"
#include "skinui/tab_layout.h"
#include "skinui/window_manager.h"

namespace {

using SkinUI::CContainerUI;
using SkinUI::CControlUI;
using SkinUI::ControlPtr;
using SkinUI::CSkinBuilder;
using SkinUI::CTabLayoutUI;
using SkinUI::CWindowManagerUI;
using SkinUI::NotifyEvent;

CControlUI* MatchName(CControlUI* control, void* data) {
  return control->Name() == *static_cast<const std::wstring*>(data) ? control : nullptr;
}

class Recorder : public SkinUI::INotifyUI {
 public:
  // Page changes also move the focus; only tab selections are kept.
  void OnNotify(NotifyEvent& n) override {
    if (n.type != L"setfocus" && n.type != L"killfocus") seen.push_back(n);
  }
  std::vector<NotifyEvent> seen;
};

class LayoutTest : public ::testing::Test {
 protected:
  // Builds the markup (the body of a Window element) and lays it out over `area`.
  CControlUI* Lay(const std::wstring& body, RECT area = RECT{0, 0, 480, 400}) {
    CSkinBuilder builder;
    const std::wstring markup = L"<Window>" + body + L"</Window>";
    root_ = builder.Create(markup.c_str(), nullptr, nullptr, &manager_);
    if (!root_ || !manager_.AttachRoot(root_)) return nullptr;
    root_->SetPosition(area, false);
    return root_;
  }
  CControlUI* Find(const std::wstring& name) {
    CControlUI* found = root_ ? root_->SearchControls(MatchName, const_cast<std::wstring*>(&name), 0) : nullptr;
    EXPECT_NE(nullptr, found) << "no control named " << std::string(name.begin(), name.end());
    return found;
  }
  RECT At(const std::wstring& name) {
    CControlUI* control = Find(name);
    return control ? control->Position() : RECT{-1, -1, -1, -1};
  }

  // Without a window: the manager owns the trees, delivers notifications and never paints.
  CWindowManagerUI manager_;
  CControlUI* root_ = nullptr;
};

void ExpectRect(const RECT& expected, const RECT& actual, const char* what) {
  EXPECT_EQ(expected.left, actual.left) << what;
  EXPECT_EQ(expected.top, actual.top) << what;
  EXPECT_EQ(expected.right, actual.right) << what;
  EXPECT_EQ(expected.bottom, actual.bottom) << what;
}

TEST_F(LayoutTest, RowSharesTheFreeWidthAndTheLastStretchableTakesTheRest) {
  struct Case {
    const wchar_t* children;
    std::vector<std::pair<long, long>> spans;
  } cases[] = {
      {L"<Control width=\"10\"/><Control width=\"10\"/><Control/><Control/>",
       {{0, 10}, {10, 20}, {20, 250}, {250, 480}}},
      {L"<Control width=\"10\"/><Control width=\"10\"/><Control/><Control/><Control/>",
       {{0, 10}, {10, 20}, {20, 173}, {173, 326}, {326, 480}}},
      // A stretchable child held by its maximum width leaves the rest to the last one.
      {L"<Control maxwidth=\"100\"/><Control/>", {{0, 100}, {100, 480}}},
      // Hidden children take no space.
      {L"<Control visible=\"false\" width=\"50\"/><Control/><Control/>", {{0, 0}, {0, 240}, {240, 480}}},
  };
  for (const Case& c : cases) {
    CControlUI* row = Lay(std::wstring(L"<HorizontalLayout>") + c.children + L"</HorizontalLayout>");
    ASSERT_NE(nullptr, row);
    auto* items = static_cast<CContainerUI*>(row->FindInterface(L"Container"));
    ASSERT_EQ(static_cast<int>(c.spans.size()), items->Count());
    for (int i = 0; i < items->Count(); ++i) {
      if (!items->ItemAt(i)->IsVisible()) continue;
      const RECT r = items->ItemAt(i)->Position();
      EXPECT_EQ(c.spans[i].first, r.left) << "child " << i;
      EXPECT_EQ(c.spans[i].second, r.right) << "child " << i;
      EXPECT_EQ(0, r.top);
      EXPECT_EQ(400, r.bottom);
    }
  }
}

TEST_F(LayoutTest, ColumnFixedHeightAndStretchFillTheColumnExactly) {
  Lay(L"<VerticalLayout><Control name=\"a\" height=\"84\"/><Control name=\"b\"/></VerticalLayout>",
      RECT{0, 0, 600, 401});
  ExpectRect(RECT{0, 0, 600, 84}, At(L"a"), "fixed");
  ExpectRect(RECT{0, 84, 600, 401}, At(L"b"), "stretch gets the rest");
}

TEST_F(LayoutTest, ChildPaddingCountsOnlyBetweenChildren) {
  Lay(L"<VerticalLayout childpadding=\"5\"><Control name=\"a\"/><Control name=\"b\"/><Control name=\"c\"/>"
      L"</VerticalLayout>",
      RECT{0, 0, 100, 100});
  // 10 pixels of padding leave 90 for three children: 30 each.
  ExpectRect(RECT{0, 0, 100, 30}, At(L"a"), "a");
  ExpectRect(RECT{0, 35, 100, 65}, At(L"b"), "b");
  ExpectRect(RECT{0, 70, 100, 100}, At(L"c"), "c");
}

TEST_F(LayoutTest, PaddingMovesAChildAndTakesFromTheSharedSpace) {
  Lay(L"<HorizontalLayout><Control name=\"a\" padding=\"10,0,0,0\"/><Control name=\"b\"/></HorizontalLayout>");
  ExpectRect(RECT{10, 0, 245, 400}, At(L"a"), "padded");
  ExpectRect(RECT{245, 0, 480, 400}, At(L"b"), "next");
  Lay(L"<VerticalLayout><Control name=\"a\" padding=\"4,6,8,10\" height=\"20\"/><Control name=\"b\"/>"
      L"</VerticalLayout>");
  ExpectRect(RECT{4, 6, 472, 26}, At(L"a"), "column padding");
  ExpectRect(RECT{0, 36, 480, 400}, At(L"b"), "below the padding");
}

TEST_F(LayoutTest, FixedHeightLargerThanTheColumnIsKept) {
  Lay(L"<VerticalLayout><Control name=\"tall\" height=\"150\"/><Control name=\"rest\"/></VerticalLayout>",
      RECT{0, 0, 50, 100});
  ExpectRect(RECT{0, 0, 50, 150}, At(L"tall"), "extends below");
  EXPECT_EQ(0, Find(L"rest")->Height());
}

TEST_F(LayoutTest, InsetAndAlignmentPlaceChildren) {
  Lay(L"<VerticalLayout inset=\"10,20,30,40\" childalign=\"center\"><Control name=\"a\" width=\"100\" height=\"10\"/>"
      L"</VerticalLayout>",
      RECT{0, 0, 340, 400});
  // Content 10..310: centre 160, half width 50.
  ExpectRect(RECT{110, 20, 210, 30}, At(L"a"), "centre");
  Lay(L"<VerticalLayout childalign=\"right\"><Control name=\"a\" width=\"100\" height=\"10\" padding=\"0,0,7,0\"/>"
      L"</VerticalLayout>",
      RECT{0, 0, 300, 400});
  ExpectRect(RECT{193, 0, 293, 10}, At(L"a"), "right");
  Lay(L"<HorizontalLayout childvalign=\"vcenter\"><Control name=\"a\" width=\"10\" height=\"100\"/></HorizontalLayout>",
      RECT{0, 0, 300, 300});
  ExpectRect(RECT{0, 100, 10, 200}, At(L"a"), "vcenter");
  Lay(L"<HorizontalLayout childvalign=\"bottom\"><Control name=\"a\" width=\"10\" height=\"100\" padding=\"0,0,0,5\"/>"
      L"</HorizontalLayout>",
      RECT{0, 0, 300, 300});
  ExpectRect(RECT{0, 195, 10, 295}, At(L"a"), "bottom");
  // An unknown word leaves the alignment as it was.
  Lay(L"<VerticalLayout childalign=\"right\"><Control name=\"a\" width=\"100\" height=\"10\"/></VerticalLayout>",
      RECT{0, 0, 300, 400});
  auto* column = static_cast<CContainerUI*>(root_->FindInterface(L"Container"));
  column->ApplyAttribute(L"childalign", L"middle");
  column->ApplyAttribute(L"childvalign", L"centre");
  EXPECT_EQ(static_cast<UINT>(CContainerUI::kAlignRight), column->ChildAlign());
  EXPECT_EQ(static_cast<UINT>(CContainerUI::kAlignTop), column->ChildVAlign());
}

TEST_F(LayoutTest, VisibilityIsTrueTextOnlyAndInheritedFromContainers) {
  Lay(L"<VerticalLayout><Control name=\"cap\" visible=\"True\"/><VerticalLayout name=\"box\" visible=\"false\">"
      L"<Control name=\"inner\"/></VerticalLayout></VerticalLayout>");
  EXPECT_FALSE(Find(L"cap")->IsVisible()) << "only \"true\" is true";
  CControlUI* box = Find(L"box");
  CControlUI* inner = Find(L"inner");
  EXPECT_FALSE(inner->IsVisible()) << "a hidden container hides its children";
  box->SetVisible(true);
  EXPECT_TRUE(inner->IsVisible());
  inner->SetVisible(false);
  box->SetVisible(false);
  box->SetVisible(true);
  EXPECT_FALSE(inner->IsVisible()) << "the child's own state survives its container's changes";
}

TEST_F(LayoutTest, AttributesSetTheirState) {
  Lay(L"<Control name=\"c\" pos=\"5,6,25,46\" padding=\"1,2,3,4\" bkcolor=\"#FF102030\" bkcolor2=\"0xFF405060\" "
      L"bkcolor3=\"FF708090\" bordercolor=\"#FF0000FF\" focusbordercolor=\"#FF00FF00\" bordersize=\"2\" "
      L"borderround=\"3,4\" borderstyle=\"2\" minwidth=\"7\" maxwidth=\"70\" minheight=\"8\" maxheight=\"80\" "
      L"text=\"hello\" tooltip=\"tip\" userdata=\"ud\" tag=\"42\" enabled=\"false\" mouse=\"false\" "
      L"keyboard=\"false\" shortcut=\"Qx\" menu=\"true\" colorhsl=\"true\" later=\"kept\"/>");
  CControlUI* c = root_;
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(5, c->FixedXY().cx);
  EXPECT_EQ(6, c->FixedXY().cy);
  EXPECT_EQ(20, c->FixedWidth());
  EXPECT_EQ(40, c->FixedHeight());
  ExpectRect(RECT{1, 2, 3, 4}, c->Padding(), "padding");
  EXPECT_EQ(0xFF102030u, c->BackgroundColour());
  EXPECT_EQ(0xFF405060u, c->BackgroundColour2());
  EXPECT_EQ(0xFF708090u, c->BackgroundColour3());
  EXPECT_EQ(0xFF0000FFu, c->BorderColour());
  EXPECT_EQ(0xFF00FF00u, c->FocusBorderColour());
  ExpectRect(RECT{2, 2, 2, 2}, c->BorderSizes(), "one border size is every side");
  EXPECT_EQ(3, c->BorderRound().cx);
  EXPECT_EQ(4, c->BorderRound().cy);
  EXPECT_EQ(2, c->BorderStyle());
  EXPECT_EQ(7, c->MinWidth());
  EXPECT_EQ(70, c->MaxWidth());
  EXPECT_EQ(8, c->MinHeight());
  EXPECT_EQ(80, c->MaxHeight());
  EXPECT_EQ(L"hello", c->Text());
  EXPECT_EQ(L"tip", c->ToolTip());
  EXPECT_EQ(L"ud", c->UserData());
  EXPECT_EQ(42u, c->Tag());
  EXPECT_FALSE(c->IsEnabled());
  EXPECT_FALSE(c->IsMouseEnabled());
  EXPECT_FALSE(c->IsKeyboardEnabled());
  EXPECT_EQ(L'Q', c->Shortcut());
  EXPECT_TRUE(c->IsContextMenuUsed());
  EXPECT_TRUE(c->IsColourHsl());
  EXPECT_STREQ(L"kept", c->CustomAttribute(L"later"));
  EXPECT_EQ(nullptr, c->CustomAttribute(L"tooltip")) << "known names are no custom attributes";

  c->ApplyAttribute(L"bordersize", L"1,2,3,4");
  ExpectRect(RECT{1, 2, 3, 4}, c->BorderSizes(), "per side");
  c->ApplyAttribute(L"width", L"abc");
  EXPECT_EQ(0, c->FixedWidth()) << "not a number reads as 0";
  c->ApplyAttribute(L"Width", L"33");
  EXPECT_EQ(0, c->FixedWidth()) << "names are case-sensitive";
  EXPECT_STREQ(L"33", c->CustomAttribute(L"Width"));
  c->ApplyAttribute(L"float", L"0.5,0,1,0.25");
  EXPECT_TRUE(c->IsFloat());
  EXPECT_DOUBLE_EQ(0.5, c->FloatPercentage().left);
  EXPECT_DOUBLE_EQ(0.25, c->FloatPercentage().bottom);
}

TEST_F(LayoutTest, TabShowsOnePageAndSelectItemNotifies) {
  Recorder recorder;
  manager_.AddNotifyListener(&recorder);
  Lay(L"<TabLayout name=\"tabs\" selectedid=\"0\" inset=\"2,2,2,2\"><Control name=\"p0\"/>"
      L"<Control name=\"p1\" padding=\"1,1,1,1\"/><Control name=\"p2\" width=\"50\" height=\"60\"/></TabLayout>",
      RECT{0, 0, 104, 104});
  auto* tabs = static_cast<CTabLayoutUI*>(root_->FindInterface(L"TabLayout"));
  ASSERT_NE(nullptr, tabs);
  EXPECT_EQ(0, tabs->CurrentSelection());
  EXPECT_TRUE(recorder.seen.empty()) << "building sends no tabselect";
  EXPECT_TRUE(Find(L"p0")->IsVisible());
  EXPECT_FALSE(Find(L"p1")->IsVisible());
  EXPECT_FALSE(Find(L"p2")->IsVisible());
  ExpectRect(RECT{2, 2, 102, 102}, At(L"p0"), "page fills the content");

  EXPECT_FALSE(tabs->SelectItem(3, true)) << "index equal to the count";
  EXPECT_FALSE(tabs->SelectItem(-1, true));
  EXPECT_EQ(0, tabs->CurrentSelection());
  EXPECT_TRUE(recorder.seen.empty());

  ASSERT_TRUE(tabs->SelectItem(2, true));
  ASSERT_EQ(1u, recorder.seen.size());
  EXPECT_EQ(L"tabselect", recorder.seen[0].type);
  EXPECT_EQ(tabs, recorder.seen[0].sender);
  EXPECT_EQ(2u, recorder.seen[0].wParam);
  EXPECT_EQ(0, recorder.seen[0].lParam);
  EXPECT_FALSE(Find(L"p0")->IsVisible());
  EXPECT_TRUE(Find(L"p2")->IsVisible());
  tabs->SetPosition(RECT{0, 0, 104, 104}, false);
  ExpectRect(RECT{2, 2, 52, 62}, At(L"p2"), "fixed-size page");

  EXPECT_TRUE(tabs->SelectItem(2, true)) << "the current page succeeds";
  EXPECT_EQ(1u, recorder.seen.size()) << "without a notification";
  ASSERT_TRUE(tabs->SelectItem(1, false));
  EXPECT_EQ(1u, recorder.seen.size());
  tabs->SetPosition(RECT{0, 0, 104, 104}, false);
  ExpectRect(RECT{3, 3, 101, 101}, At(L"p1"), "padded page");
  manager_.RemoveNotifyListener(&recorder);
}

TEST_F(LayoutTest, TabSelectionFollowsInsertionAndRemoval) {
  Lay(L"<TabLayout><Control name=\"p0\"/><Control name=\"p1\"/><Control name=\"p2\"/></TabLayout>");
  auto* tabs = static_cast<CTabLayoutUI*>(root_->FindInterface(L"TabLayout"));
  ASSERT_TRUE(tabs->SelectItem(1, false));
  auto* extra = new CControlUI();
  ASSERT_TRUE(tabs->AddItemAt(extra, 0));
  EXPECT_EQ(2, tabs->CurrentSelection()) << "inserting before the selection moves it up";
  EXPECT_FALSE(extra->IsVisible());
  ASSERT_TRUE(tabs->RemoveItemAt(0));
  EXPECT_EQ(1, tabs->CurrentSelection());
  ASSERT_TRUE(tabs->RemoveItemAt(1));
  EXPECT_EQ(0, tabs->CurrentSelection()) << "removing the selection selects page 0";
  EXPECT_TRUE(tabs->ItemAt(0)->IsVisible());
  tabs->RemoveAllItems();
  EXPECT_EQ(-1, tabs->CurrentSelection());
}

TEST_F(LayoutTest, NameMapFollowsTheAttachedTree) {
  Lay(L"<VerticalLayout name=\"dup\"><Control name=\"a\"/><Control name=\"dup\" text=\"first\"/>"
      L"<VerticalLayout name=\"box\"><Control name=\"x\" text=\"inner\"/></VerticalLayout>"
      L"<Control name=\"x\" text=\"later\"/></VerticalLayout>");
  EXPECT_EQ(root_, manager_.FindControlByName(L"dup")) << "the ancestor is entered after its children";
  ASSERT_NE(nullptr, manager_.FindControlByName(L"x"));
  EXPECT_EQ(L"later", manager_.FindControlByName(L"x")->Text()) << "the later sibling wins";
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"A")) << "names are exact";

  CControlUI* a = manager_.FindControlByName(L"a");
  ASSERT_NE(nullptr, a);
  a->SetName(L"renamed");
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"a"));
  EXPECT_EQ(a, manager_.FindControlByName(L"renamed"));
  auto* column = static_cast<CContainerUI*>(root_->FindInterface(L"Container"));
  ASSERT_TRUE(column->RemoveItem(a));
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"renamed")) << "a removed control is forgotten";

  // A tree built for this manager but never attached leaves no names behind.
  CSkinBuilder builder;
  ControlPtr loose(builder.Create(L"<Window><Control name=\"loose\"/></Window>", nullptr, nullptr, &manager_));
  ASSERT_TRUE(loose);
  EXPECT_EQ(nullptr, manager_.FindControlByName(L"loose"));
}

}  // namespace
