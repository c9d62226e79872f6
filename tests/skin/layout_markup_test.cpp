// The six layouts as markup: well-formed, within the subset and limits of the framework's
// parser, with the window attributes and fonts every skinned window relies on, and the few
// deliberate oddities the framework is built to tolerate.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "tests/skin/image_references.h"
#include "tests/skin/shipped_layouts.h"
#include "tests/skin/skin_package.h"

namespace SkinTests {
namespace {

const std::set<std::string> kVocabulary = {
    "Window", "Font",     "VerticalLayout", "HorizontalLayout", "TabLayout",      "Control",      "Label",
    "Button", "CheckBox", "Edit",           "Progress",         "SequenceButton", "SequenceLabel"};

TEST(LayoutMarkup, IsWellFormedAndWithinTheParsersSubset) {
  for (const LayoutInfo& info : Layouts()) {
    SCOPED_TRACE(info.archiveName);
    const MarkupDocument& layout = Layout(info.archiveName);
    ASSERT_TRUE(layout.wellFormed) << layout.error;
    EXPECT_FALSE(layout.numericReferences) << "the framework does not decode &#...; references";
    EXPECT_EQ("Window", layout.root.name);
    for (const MarkupElement* element : AllElements(layout.root)) {
      EXPECT_EQ(1u, kVocabulary.count(element->name)) << "line " << element->line << ": " << element->name;
      // The framework sees at most 64 attributes of an element and no single quotes.
      EXPECT_LE(element->attributes.size(), 64u) << "line " << element->line;
      for (const MarkupAttribute& attribute : element->attributes) {
        EXPECT_TRUE(attribute.doubleQuoted) << "line " << element->line << ": " << attribute.name;
      }
    }
    // Fonts first, then exactly one layout that holds every control.
    std::vector<std::string> top;
    for (const MarkupElement& child : layout.root.children) {
      if (child.name != "Font") top.push_back(child.name);
    }
    EXPECT_EQ(std::vector<std::string>{"VerticalLayout"}, top);
  }
}

TEST(LayoutMarkup, EveryWindowHasItsSizeCaptionAndShadow) {
  for (const LayoutInfo& info : Layouts()) {
    SCOPED_TRACE(info.archiveName);
    const MarkupElement& window = Layout(info.archiveName).root;
    EXPECT_EQ(std::to_string(info.width) + "," + std::to_string(info.height), window.Get("size"));
    EXPECT_EQ("0,0,0,35", window.Get("caption"));
    const std::map<std::string, std::string> shadow = {{"showshadow", "true"},    {"shadowsize", "6"},
                                                       {"shadowsharpness", "10"}, {"shadowdarkness", "20"},
                                                       {"shadowposition", "1,1"}, {"shadowcolor", "#26003B76"}};
    for (const auto& attribute : shadow) EXPECT_EQ(attribute.second, window.Get(attribute.first)) << attribute.first;
    EXPECT_FALSE(window.Has("sizebox")) << "the installer's windows are not resizable";
  }
}

TEST(LayoutMarkup, FontTablesFollowOneTypeScale) {
  const int kSizes[] = {14, 16, 14, 12, 24, 39};
  for (const LayoutInfo& info : Layouts()) {
    SCOPED_TRACE(info.archiveName);
    const MarkupElement& window = Layout(info.archiveName).root;
    std::map<int, const MarkupElement*> fonts;
    for (const MarkupElement& child : window.children) {
      if (child.name == "Font") {
        EXPECT_TRUE(fonts.emplace(std::stoi(child.Get("id")), &child).second);
      }
    }
    ASSERT_EQ(6u, fonts.size());
    for (const auto& font : fonts) {
      const MarkupElement& f = *font.second;
      ASSERT_GE(font.first, 0);
      ASSERT_LE(font.first, 5);
      EXPECT_EQ("微软雅黑", f.Get("name"));
      EXPECT_EQ(kSizes[font.first], std::stoi(f.Get("size"))) << "font " << font.first;
      EXPECT_EQ(font.first == 0 ? "true" : "", f.Get("default")) << "font " << font.first;
      const bool underlined = std::string(info.archiveName) == "exitTipWnd.xml" && font.first == 3;
      EXPECT_EQ(underlined ? "true" : "", f.Get("underline")) << "font " << font.first;
    }
    // Every control names a font the window defines.
    for (const MarkupElement* control : Controls(window)) {
      if (control->Has("font")) {
        EXPECT_EQ(1u, fonts.count(std::stoi(control->Get("font")))) << control->line;
      }
    }
  }
}

TEST(LayoutMarkup, ControlNamesAreUniqueWithinAWindow) {
  for (const LayoutInfo& info : Layouts()) {
    std::set<std::string> names;
    for (const MarkupElement* control : Controls(Layout(info.archiveName).root)) {
      if (control->Has("name")) {
        EXPECT_TRUE(names.insert(control->Get("name")).second)
            << info.archiveName << ": " << control->Get("name") << " twice; the later one would hide the first";
      }
    }
  }
}

// The exit tip's root start tag ends in ">>": the framework reads the second ">" as text of the
// root element, and so does any XML reader.
TEST(LayoutMarkup, ExitTipRootStartTagEndsInTwoGreaterThanSigns) {
  const std::string& text = LayoutText("exitTipWnd.xml");
  const size_t start = text.find("<Window");
  ASSERT_NE(std::string::npos, start);
  const size_t end = text.find('>', start);
  ASSERT_NE(std::string::npos, end);
  EXPECT_EQ(">>", text.substr(end, 2));
  EXPECT_NE(std::string::npos, Layout("exitTipWnd.xml").root.text.find('>'));
  for (const LayoutInfo& info : Layouts()) {
    if (std::string(info.archiveName) == "exitTipWnd.xml") continue;
    EXPECT_EQ(std::string::npos, Layout(info.archiveName).root.text.find('>')) << info.archiveName;
  }
}

TEST(LayoutMarkup, CarriesTheAttributesTheControlsIgnore) {
  const MarkupElement& main = Layout("mainWnd.xml").root;
  bool misspelt = false;
  for (const MarkupElement* control : Controls(main)) misspelt |= control->Has("hotborercolor");
  EXPECT_TRUE(misspelt) << "a button carries the misspelt \"hotborercolor\"";
  const MarkupElement* bar = FindControl(main, "installPrg");
  ASSERT_NE(nullptr, bar);
  EXPECT_TRUE(bar->Has("isstretchfore"));
}

// Check-box images continue right after the closing apostrophe of source with a second path;
// reading stops there, so the source rectangle applies and the path is ignored. Everywhere else
// the whole description must be read, or a key after a doubled space would silently be lost.
TEST(LayoutMarkup, ImageDescriptionsAreReadWholeExceptTheCheckBoxTail) {
  int checkBoxImages = 0;
  for (const LayoutInfo& info : Layouts()) {
    for (const MarkupElement* control : Controls(Layout(info.archiveName).root)) {
      for (const MarkupAttribute& attribute : control->attributes) {
        if (!IsImageAttribute(attribute.name)) continue;
        SCOPED_TRACE(std::string(info.archiveName) + " line " + std::to_string(control->line) + " " + attribute.name);
        const ImageDescription description = ReadImageDescription(attribute.value);
        EXPECT_FALSE(description.file.empty());
        EXPECT_EQ(PngNamesIn(attribute.value).front(), description.file);
        if (control->name == "CheckBox" && description.keys.count("source")) {
          ++checkBoxImages;
          EXPECT_EQ("0,0,18,18", description.keys.at("source"));
          EXPECT_EQ(description.file, description.unread) << "the tail repeats the image's own path";
        } else {
          EXPECT_EQ("", description.unread);
        }
        for (const auto& key : description.keys) {
          EXPECT_EQ(1u, std::set<std::string>({"file", "dest", "source", "corner"}).count(key.first)) << key.first;
        }
      }
    }
  }
  EXPECT_EQ(12, checkBoxImages) << "three check boxes with four images each";
}

}  // namespace
}  // namespace SkinTests
