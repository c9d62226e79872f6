// The five message and tip windows: their answer buttons, their fixed texts or placeholders, and
// the title row every one of them has.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/skin/shipped_layouts.h"

namespace SkinTests {
namespace {

struct NamedControl {
  const char* name;
  const char* element;
  const char* text;  // null: an image button without text
};

struct DialogCase {
  const char* file;
  std::vector<NamedControl> controls;
  std::vector<const char*> fixedTexts;
  std::vector<const char*> absent;
};

const std::vector<DialogCase> kDialogs = {
    {"MessageBox1Wnd.xml",
     {{"captionLbl", "Label", "CAPTION"}, {"textLbl", "Label", "TEXT"}, {"okBtn", "Button", "知道了"}},
     {},
     {"cancelBtn"}},
    {"MessageBox2Wnd.xml",
     {{"captionLbl", "Label", "CAPTION"}, {"textLbl", "Label", "TEXT"}},
     {},
     {"okBtn", "cancelBtn"}},
    {"NetworkTipWnd.xml",
     {{"okBtn", "Button", nullptr}},
     {"温馨提示", "当前网络环境较差，请在网络通畅时进行重试"},
     {"cancelBtn", "captionLbl", "textLbl"}},
    {"InstalledPathTipWnd.xml",
     {{"cancelBtn", "Button", "打开软件"}, {"okBtn", "Button", "安装最新版本"}},
     {"温馨提示", "检测到计算机中已存在此软件，修改安装路径后会在新路径下为您重新安装"},
     {"captionLbl", "textLbl"}},
    {"exitTipWnd.xml",
     {{"okBtn", "Button", nullptr}, {"cancelBtn", "Button", nullptr}},
     {"温馨提示", "您确定要退出安装吗？"},
     {"captionLbl", "textLbl"}},
};

const MarkupElement* LabelWithText(const MarkupElement& root, const std::string& text) {
  for (const MarkupElement* element : AllElements(root)) {
    if (element->name == "Label" && element->Get("text") == text) return element;
  }
  return nullptr;
}

TEST(DialogLayouts, HaveTheirButtonsTextsAndPlaceholders) {
  for (const DialogCase& dialog : kDialogs) {
    SCOPED_TRACE(dialog.file);
    const MarkupElement& root = Layout(dialog.file).root;
    for (const NamedControl& expected : dialog.controls) {
      const MarkupElement* control = FindControl(root, expected.name);
      ASSERT_NE(nullptr, control) << expected.name;
      EXPECT_EQ(expected.element, control->name) << expected.name;
      if (expected.text) {
        EXPECT_EQ(expected.text, control->Get("text")) << expected.name;
      } else {
        EXPECT_EQ("", control->Get("text")) << expected.name << " carries its words in its images";
        EXPECT_FALSE(control->Get("normalimage").empty()) << expected.name;
        EXPECT_FALSE(control->Get("hotimage").empty()) << expected.name;
        EXPECT_FALSE(control->Get("pushedimage").empty()) << expected.name;
      }
    }
    for (const char* text : dialog.fixedTexts) EXPECT_NE(nullptr, LabelWithText(root, text)) << text;
    for (const char* name : dialog.absent) EXPECT_EQ(nullptr, FindControl(root, name)) << name;
  }
}

TEST(DialogLayouts, GenericTextIsMultiLineAndCentred) {
  for (const char* file : {"MessageBox1Wnd.xml", "MessageBox2Wnd.xml"}) {
    const MarkupElement* text = FindControl(Layout(file).root, "textLbl");
    ASSERT_NE(nullptr, text) << file;
    EXPECT_EQ("true", text->Get("multiline")) << file;
    EXPECT_NE(std::string::npos, text->Get("align").find("center")) << file;
  }
  for (const char* file : {"NetworkTipWnd.xml", "InstalledPathTipWnd.xml"}) {
    for (const MarkupElement* element : AllElements(Layout(file).root)) {
      const std::string text = element->Get("text");
      if (element->name == "Label" && text.size() > 30) {
        EXPECT_EQ("true", element->Get("multiline")) << file;
      }
    }
  }
}

TEST(DialogLayouts, ExitTipShowsTheLogoBesideItsQuestion) {
  const MarkupElement& root = Layout("exitTipWnd.xml").root;
  const MarkupElement* question = LabelWithText(root, "您确定要退出安装吗？");
  ASSERT_NE(nullptr, question);
  const MarkupElement* row = ParentOf(root, question);
  ASSERT_NE(nullptr, row);
  EXPECT_EQ("HorizontalLayout", row->name);
  bool logo = false;
  for (const MarkupElement& sibling : row->children) logo |= sibling.Get("bkimage") == "res\\TipWnd\\logo1.png";
  EXPECT_TRUE(logo);
}

TEST(DialogLayouts, EachOpensWithAThirtyPixelTitleRowAndCloseButton) {
  for (const LayoutInfo& info : Layouts()) {
    if (std::string(info.archiveName) == "mainWnd.xml") continue;
    SCOPED_TRACE(info.archiveName);
    const MarkupElement& root = Layout(info.archiveName).root;
    const MarkupElement* closeButton = FindControl(root, "closebtn");
    ASSERT_NE(nullptr, closeButton);
    EXPECT_EQ("Button", closeButton->name);
    const MarkupElement* row = ParentOf(root, closeButton);
    ASSERT_NE(nullptr, row);
    EXPECT_EQ("HorizontalLayout", row->name);
    EXPECT_EQ("30", row->Get("height"));
    const MarkupElement* layout = ParentOf(root, row);
    ASSERT_NE(nullptr, layout);
    EXPECT_EQ(&layout->children.front(), row) << "the title row comes first";
    EXPECT_EQ(&root, ParentOf(root, layout));
    EXPECT_EQ(nullptr, FindControl(root, "minbtn"));
  }
}

}  // namespace
}  // namespace SkinTests
