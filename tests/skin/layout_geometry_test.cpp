// The layouts laid out at their window sizes: every fixed size fits its container, every image
// is drawn at its own size (or nine-sliced), and every text fits its control in the skin's font.
#include <gtest/gtest.h>
#include <windows.h>

#include <stb_image.h>

#include <map>
#include <string>
#include <vector>

#include "tests/skin/image_references.h"
#include "tests/skin/layout_geometry.h"
#include "tests/skin/shipped_layouts.h"
#include "tests/skin/skin_package.h"
#include "utils/gdi_objects.h"
#include "utils/text_conversion.h"

namespace SkinTests {
namespace {

TEST(LayoutGeometry, FixedSizesFitTheirContainers) {
  for (const LayoutInfo& info : Layouts()) {
    const Geometry geometry = LayOut(Layout(info.archiveName).root, info.width, info.height);
    EXPECT_TRUE(geometry.problems.empty()) << info.archiveName << ": " << geometry.problems.front();
    for (const auto& placed : geometry.boxes) {
      const Box& b = placed.second;
      EXPECT_TRUE(b.left >= 0 && b.top >= 0 && b.right <= info.width && b.bottom <= info.height && b.Width() >= 0 &&
                  b.Height() >= 0)
          << info.archiveName << " line " << placed.first->line << " lies outside the window";
    }
  }
}

// Stretching a picture blurs it; only nine-sliced images may change size.
TEST(LayoutGeometry, ImagesAreDrawnAtTheirOwnSize) {
  const auto& files = Shipped().files;
  for (const LayoutInfo& info : Layouts()) {
    const Geometry geometry = LayOut(Layout(info.archiveName).root, info.width, info.height);
    for (const auto& placed : geometry.boxes) {
      const MarkupElement& control = *placed.first;
      for (const MarkupAttribute& attribute : control.attributes) {
        if (!IsImageAttribute(attribute.name)) continue;
        SCOPED_TRACE(std::string(info.archiveName) + " line " + std::to_string(control.line) + " " + attribute.name);
        const ImageDescription description = ReadImageDescription(attribute.value);
        const auto file = files.find(ArchiveName(description.file));
        ASSERT_NE(files.end(), file);
        int width = 0, height = 0, components = 0;
        ASSERT_TRUE(stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(file->second.data()),
                                          static_cast<int>(file->second.size()), &width, &height, &components));
        const Box box = placed.second;
        if (description.keys.count("corner")) {
          const Box corner = ReadBox(description.keys.at("corner"));
          EXPECT_GE(width, corner.left + corner.right);
          EXPECT_GE(height, corner.top + corner.bottom);
          EXPECT_GE(box.Width(), corner.left + corner.right);
          EXPECT_GE(box.Height(), corner.top + corner.bottom);
        } else if (description.keys.count("dest")) {
          const Box dest = ReadBox(description.keys.at("dest"));
          const Box source = ReadBox(description.keys.count("source") ? description.keys.at("source") : "");
          EXPECT_EQ(source.Width() ? source.Width() : width, dest.Width());
          EXPECT_EQ(source.Height() ? source.Height() : height, dest.Height());
          EXPECT_LE(dest.right, box.Width());
          EXPECT_LE(dest.bottom, box.Height());
        } else {
          EXPECT_EQ(box.Width(), width);
          EXPECT_EQ(box.Height(), height);
        }
      }
    }
  }
}

// Measures text as the window draws it: the layout's font table, the face the skin names.
class TextMeasure {
 public:
  explicit TextMeasure(const MarkupElement& window) : dc_(::CreateCompatibleDC(nullptr)) {
    for (const MarkupElement& font : window.children) {
      if (font.name != "Font") continue;
      fonts_[std::stoi(font.Get("id"))] = Utils::UniqueFont(::CreateFontW(
          -std::stoi(font.Get("size")), 0, 0, 0, font.Get("bold") == "true" ? FW_BOLD : FW_NORMAL, FALSE,
          font.Get("underline") == "true", FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
          DEFAULT_QUALITY, DEFAULT_PITCH, Utils::MultiByteToWide(font.Get("name"), CP_UTF8).c_str()));
    }
  }
  bool Ready() const { return dc_.valid() && !fonts_.empty(); }

  // Width and height of the text on one line, or wrapped into `wrapWidth` when it is not 0.
  SIZE Measure(const std::string& text, int font, int wrapWidth) {
    const auto found = fonts_.find(font < 0 ? 0 : font);
    HGDIOBJ previous = ::SelectObject(dc_.get(), found->second.get());
    const std::wstring wide = Utils::MultiByteToWide(text, CP_UTF8);
    RECT rect = {0, 0, wrapWidth ? wrapWidth : 9999, 0};
    ::DrawTextW(dc_.get(), wide.c_str(), -1, &rect,
                DT_CALCRECT | DT_NOPREFIX | (wrapWidth ? DT_WORDBREAK : DT_SINGLELINE));
    ::SelectObject(dc_.get(), previous);
    return {rect.right - rect.left, rect.bottom - rect.top};
  }

 private:
  Utils::UniqueMemoryDC dc_;
  std::map<int, Utils::UniqueFont> fonts_;
};

// Texts the installer puts into controls at run time, longest variants first.
const std::map<std::string, std::vector<std::string>> kRuntimeTexts = {
    {"progressLb", {"正在安装中:100%，请耐心等待...", "正在安装中:100%，请稍候..."}},
    {"MessageBox1Wnd.xml/textLbl", {"安装程序检测到ZarnelDravix\r\n正在运行，请退出程序后再安装"}},
    {"MessageBox1Wnd.xml/captionLbl", {"温馨提示", "消息"}},
    {"MessageBox2Wnd.xml/textLbl",
     {"当前磁盘剩余空间低于1GB，请修改安装路径", "当前网络环境较差，请在网络通畅时进行安装", "无效路径", "安装失败"}},
    {"MessageBox2Wnd.xml/captionLbl", {"温馨提示"}},
};

TEST(LayoutGeometry, TextsFitTheirControlsInTheSkinsFont) {
  int measured = 0;
  for (const LayoutInfo& info : Layouts()) {
    const MarkupElement& window = Layout(info.archiveName).root;
    TextMeasure measure(window);
    ASSERT_TRUE(measure.Ready());
    const Geometry geometry = LayOut(window, info.width, info.height);
    for (const auto& placed : geometry.boxes) {
      const MarkupElement& control = *placed.first;
      std::vector<std::string> texts;
      if (!control.Get("text").empty()) texts.push_back(control.Get("text"));
      for (const std::string& key : {control.Get("name"), std::string(info.archiveName) + "/" + control.Get("name")}) {
        const auto runtime = kRuntimeTexts.find(key);
        if (runtime != kRuntimeTexts.end()) texts.insert(texts.end(), runtime->second.begin(), runtime->second.end());
      }
      const Box padding = ReadBox(control.Get("textpadding"));
      const int width = placed.second.Width() - padding.left - padding.right;
      const int height = placed.second.Height() - padding.top - padding.bottom;
      const bool multiLine = control.Get("multiline") == "true";
      const int font = control.Has("font") ? std::stoi(control.Get("font")) : 0;
      for (const std::string& text : texts) {
        SCOPED_TRACE(std::string(info.archiveName) + " line " + std::to_string(control.line) + ": " + text);
        const SIZE size = measure.Measure(text, font, multiLine ? width : 0);
        ++measured;
        EXPECT_LE(size.cx, width);
        EXPECT_LE(size.cy, height);
      }
    }
  }
  EXPECT_GT(measured, 30);
}

}  // namespace
}  // namespace SkinTests
