#include "tests/skin/shipped_layouts.h"

#include <map>

#include "tests/skin/skin_package.h"

namespace SkinTests {

const std::vector<LayoutInfo>& Layouts() {
  static const std::vector<LayoutInfo> kLayouts = {
      {"mainWnd.xml", "MainWnd.xml", 600, 400},
      {"MessageBox1Wnd.xml", "MessageBox1Wnd.xml", 360, 170},
      {"MessageBox2Wnd.xml", "MessageBox2Wnd.xml", 360, 150},
      {"NetworkTipWnd.xml", "NetworkTipWnd.xml", 360, 150},
      {"InstalledPathTipWnd.xml", "InstalledPathTipWnd.xml", 400, 180},
      {"exitTipWnd.xml", "ExitTipWnd.xml", 400, 180},
  };
  return kLayouts;
}

const std::string& LayoutText(const std::string& archiveName) {
  static const std::string kMissing;
  const auto& files = Shipped().files;
  const auto found = files.find(archiveName);
  return found == files.end() ? kMissing : found->second;
}

const MarkupDocument& Layout(const std::string& archiveName) {
  static std::map<std::string, MarkupDocument> documents;
  auto found = documents.find(archiveName);
  if (found == documents.end()) found = documents.emplace(archiveName, ReadMarkup(LayoutText(archiveName))).first;
  return found->second;
}

std::vector<const MarkupElement*> Controls(const MarkupElement& root) {
  std::vector<const MarkupElement*> controls;
  for (const MarkupElement* element : AllElements(root)) {
    if (element != &root && element->name != "Font") controls.push_back(element);
  }
  return controls;
}

}  // namespace SkinTests
