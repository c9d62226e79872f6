// The main window's layout: every control the window looks up, with its kind, initial state and
// text, on the page the window expects it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/skin/shipped_layouts.h"

namespace SkinTests {
namespace {

const MarkupElement& Main() { return Layout("mainWnd.xml").root; }

struct ControlCase {
  const char* name;
  const char* element;
  std::vector<std::pair<const char*, const char*>> attributes;
};

const char kButtonFrames[] = "res\\mainWnd\\installBtnAnimate\\%.3d.png";
const char kProgressFrames[] = "res\\mainWnd\\progressAnimate\\%.3d.png";

const std::vector<ControlCase> kControls = {
    {"winCtn", "VerticalLayout", {{"bkimage", "res\\mainWnd\\bg1.png"}}},
    {"titleTabLt", "TabLayout", {}},
    {"mainTabLt", "TabLayout", {}},
    {"titleGrpCtn", "HorizontalLayout", {}},
    {"minbtn", "Button", {}},
    {"closebtn", "Button", {}},
    {"defaultInstallBtn",
     "SequenceButton",
     {{"sequencebkimage", kButtonFrames}, {"sequencecount", "50"}, {"autostart", "true"}}},
    {"treatyCb", "CheckBox", {{"selected", "true"}, {"text", "已同意"}}},
    {"treatyBtn", "CheckBox", {{"selected", "true"}, {"text", "《用户许可协议》"}}},
    {"tipLbl", "Label", {{"visible", "false"}, {"bkimage", "res\\mainWnd\\tipLbl.png"}}},
    {"customeBtn", "Button", {}},
    {"backBtn", "Button", {{"visible", "false"}}},
    {"installDirEdit", "Edit", {}},
    {"chDirBtn", "Button", {}},
    {"createDSCb", "CheckBox", {{"selected", "true"}, {"text", "创建桌面快捷方式"}}},
    {"createQSCb", "CheckBox", {{"selected", "true"}, {"text", "添加到快速启动栏"}}},
    {"customeInstallBtn",
     "SequenceButton",
     {{"sequencebkimage", kButtonFrames}, {"sequencecount", "50"}, {"autostart", "true"}}},
    {"progressAnLb",
     "SequenceLabel",
     {{"sequencebkimage", kProgressFrames}, {"sequencecount", "60"}, {"sequencespan", "30"}}},
    {"progressLb", "Label", {{"text", "正在安装中:0%，请稍候..."}}},
    {"installPrg", "Progress", {}},
    {"installingTipLbl", "Label", {}},
    {"finishedLbl", "SequenceLabel", {{"sequencecount", "0"}, {"sequenceloop", "false"}}},
    {"openProduceBtn", "Button", {}},
};

TEST(MainWindowLayout, HasEveryControlWithItsKindStateAndText) {
  for (const ControlCase& c : kControls) {
    SCOPED_TRACE(c.name);
    const MarkupElement* control = FindControl(Main(), c.name);
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(c.element, control->name);
    for (const auto& attribute : c.attributes) {
      EXPECT_TRUE(control->Has(attribute.first)) << attribute.first;
      EXPECT_EQ(attribute.second, control->Get(attribute.first)) << attribute.first;
    }
  }
}

// Each of these, when present, switches on behaviour the shipped installer does not have: a
// second agreement, a language choice, product-name labels.
TEST(MainWindowLayout, LeavesOutTheOptionalControls) {
  for (const char* name : {"serviceCb", "softNameLbl", "bTitleLbl1", "bTitleLbl2", "bTitleLbl3", "installLogo",
                           "languageCombo", "maxbtn", "restorebtn"}) {
    EXPECT_EQ(nullptr, FindControl(Main(), name)) << name;
  }
}

// The window switches pages by index, so the pages' order is part of the contract.
TEST(MainWindowLayout, PagesHoldTheirControlsInTheWindowsOrder) {
  const MarkupElement* tabs = FindControl(Main(), "mainTabLt");
  ASSERT_NE(nullptr, tabs);
  ASSERT_EQ(4u, tabs->children.size());
  const std::vector<std::vector<const char*>> pages = {
      {"defaultInstallBtn", "tipLbl", "treatyCb", "treatyBtn", "customeBtn"},
      {"installDirEdit", "chDirBtn", "createDSCb", "createQSCb", "customeInstallBtn"},
      {"progressAnLb", "progressLb", "installPrg", "installingTipLbl"},
      {"finishedLbl", "openProduceBtn"},
  };
  for (size_t page = 0; page < pages.size(); ++page) {
    for (const char* name : pages[page]) {
      EXPECT_TRUE(Contains(tabs->children[page], FindControl(Main(), name))) << name << " on page " << page;
    }
  }
  auto hasText = [](const MarkupElement& page, const std::string& text) {
    for (const MarkupElement* element : AllElements(page)) {
      if (element->name == "Label" && element->Get("text") == text) return true;
    }
    return false;
  };
  EXPECT_TRUE(hasText(tabs->children[1], "安装路径："));
  EXPECT_TRUE(hasText(tabs->children[1], "其他选项："));
  EXPECT_TRUE(hasText(tabs->children[3], "安装完成"));
  // The window opens on the first page without a "tabselect", so the skin itself shows page 0.
  EXPECT_TRUE(tabs->Get("selectedid").empty() || tabs->Get("selectedid") == "0");
}

TEST(MainWindowLayout, TitleAreaStartsAsTheFirstPageDecoratesIt) {
  const MarkupElement* title = FindControl(Main(), "titleTabLt");
  ASSERT_NE(nullptr, title);
  ASSERT_EQ(3u, title->children.size());
  // The first page's decoration selects title page 1; no "tabselect" runs at start-up, so the
  // skin selects it itself.
  EXPECT_EQ("1", title->Get("selectedid"));
  EXPECT_TRUE(Contains(title->children[1], FindControl(Main(), "backBtn")));
  for (size_t page : {0u, 2u}) {
    for (const MarkupElement* element : AllElements(title->children[page])) {
      EXPECT_FALSE(element->Has("name")) << "title page " << page << " is empty";
    }
  }
  const MarkupElement* buttons = FindControl(Main(), "titleGrpCtn");
  ASSERT_NE(nullptr, buttons);
  EXPECT_EQ(buttons, ParentOf(Main(), FindControl(Main(), "minbtn")));
  EXPECT_EQ(buttons, ParentOf(Main(), FindControl(Main(), "closebtn")));
  // Both sit in the 35-pixel caption row, where a click on them is not taken for a window drag.
  const MarkupElement* row = ParentOf(Main(), buttons);
  ASSERT_NE(nullptr, row);
  EXPECT_EQ("35", row->Get("height"));
  EXPECT_EQ(row, ParentOf(Main(), title));
}

TEST(MainWindowLayout, SequenceControlsPlayAsTheWindowExpects) {
  for (const char* name : {"defaultInstallBtn", "customeInstallBtn"}) {
    const MarkupElement* button = FindControl(Main(), name);
    ASSERT_NE(nullptr, button);
    // Span, looping and pingpong keep the button's defaults: 60 ms, endless, back and forth.
    for (const char* attribute : {"sequencespan", "sequenceloop", "sequenceround"}) {
      EXPECT_FALSE(button->Has(attribute)) << name << " " << attribute;
    }
    // The first frame shows before the first tick.
    EXPECT_EQ("res\\mainWnd\\installBtnAnimate\\000.png", button->Get("bkimage")) << name;
  }
  const MarkupElement* progress = FindControl(Main(), "progressAnLb");
  ASSERT_NE(nullptr, progress);
  EXPECT_FALSE(progress->Has("autostart")) << "the window starts it on the progress page";
  EXPECT_EQ("res\\mainWnd\\progressAnimate\\000.png", progress->Get("bkimage"));
  const MarkupElement* finished = FindControl(Main(), "finishedLbl");
  ASSERT_NE(nullptr, finished);
  EXPECT_FALSE(finished->Has("sequencebkimage"));
  EXPECT_FALSE(finished->Get("bkimage").empty());
}

TEST(MainWindowLayout, ProgressBarStartsEmptyWithRoundedImages) {
  const MarkupElement* bar = FindControl(Main(), "installPrg");
  ASSERT_NE(nullptr, bar);
  EXPECT_EQ("0", bar->Get("value"));
  EXPECT_TRUE(!bar->Has("min") || bar->Get("min") == "0");
  EXPECT_TRUE(!bar->Has("max") || bar->Get("max") == "100");
  for (const char* image : {"bkimage", "foreimage"}) {
    EXPECT_NE(std::string::npos, bar->Get(image).find("corner='5,5,5,5'")) << image;
  }
  EXPECT_NE(std::string::npos, bar->Get("foreimage").find("installPrg2.png"));
  // A user-data format on the progress text would replace the window's own texts.
  EXPECT_FALSE(FindControl(Main(), "progressLb")->Has("userdata"));
}

}  // namespace
}  // namespace SkinTests
