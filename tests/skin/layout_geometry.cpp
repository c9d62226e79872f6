#include "tests/skin/layout_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace SkinTests {

namespace {

int Number(const MarkupElement& element, const char* attribute) { return std::atoi(element.Get(attribute).c_str()); }

class Layouter {
 public:
  explicit Layouter(Geometry* geometry) : g_(geometry) {}

  void Place(const MarkupElement& element, const Box& box) {
    g_->boxes[&element] = box;
    const Box inset = ReadBox(element.Get("inset"));
    const Box content{box.left + inset.left, box.top + inset.top, box.right - inset.right, box.bottom - inset.bottom};
    if (element.name == "VerticalLayout") {
      Line(element, content, true);
    } else if (element.name == "HorizontalLayout") {
      Line(element, content, false);
    } else if (element.name == "TabLayout") {
      for (const MarkupElement& page : element.children) {
        const Box p = ReadBox(page.Get("padding"));
        const int w = Number(page, "width") ? Number(page, "width") : content.Width() - p.left - p.right;
        const int h = Number(page, "height") ? Number(page, "height") : content.Height() - p.top - p.bottom;
        Place(page, {content.left + p.left, content.top + p.top, content.left + p.left + w, content.top + p.top + h});
      }
    }
  }

 private:
  void Problem(const MarkupElement& element, const std::string& what) {
    g_->problems.push_back("line " + std::to_string(element.line) + " (" + element.name + "): " + what);
  }

  // A column (vertical) or a row: fixed sizes along the axis, the rest shared by the others.
  void Line(const MarkupElement& container, const Box& content, bool vertical) {
    const int along = vertical ? content.Height() : content.Width();
    const int across = vertical ? content.Width() : content.Height();
    const char* mainSize = vertical ? "height" : "width";
    const char* crossSize = vertical ? "width" : "height";
    const int gap = Number(container, "childpadding");
    int fixed = 0, stretchable = 0;
    for (const MarkupElement& child : container.children) {
      const Box p = ReadBox(child.Get("padding"));
      const int size = Number(child, mainSize);
      fixed += size + (vertical ? p.top + p.bottom : p.left + p.right);
      if (size == 0) ++stretchable;
      const int cross = Number(child, crossSize) + (vertical ? p.left + p.right : p.top + p.bottom);
      if (Number(child, crossSize) && cross > across) {
        Problem(child, std::to_string(cross) + " pixels across in " + std::to_string(across));
      }
    }
    if (!container.children.empty()) fixed += gap * static_cast<int>(container.children.size() - 1);
    if (fixed > along) {
      Problem(container, "children need " + std::to_string(fixed) + " of " + std::to_string(along) + " pixels");
    }
    const int share = stretchable ? std::max(0, along - fixed) / stretchable : 0;
    int rest = std::max(0, along - fixed) - share * std::max(0, stretchable - 1);
    int position = vertical ? content.top : content.left;
    int seen = 0;
    for (const MarkupElement& child : container.children) {
      const Box p = ReadBox(child.Get("padding"));
      int size = Number(child, mainSize);
      if (size == 0) size = ++seen == stretchable ? rest : share;
      const int crossFixed = Number(child, crossSize);
      const int crossBefore = vertical ? p.left : p.top;
      const int crossAfter = vertical ? p.right : p.bottom;
      const int crossLength = crossFixed ? crossFixed : across - crossBefore - crossAfter;
      int crossStart = (vertical ? content.left : content.top) + crossBefore;
      const std::string align = container.Get(vertical ? "childalign" : "childvalign");
      const int crossFirst = vertical ? content.left : content.top;
      const int crossLast = vertical ? content.right : content.bottom;
      if (align == "center" || align == "vcenter") crossStart = (crossFirst + crossLast) / 2 - crossLength / 2;
      if (align == "right" || align == "bottom") crossStart = crossLast - crossAfter - crossLength;
      position += vertical ? p.top : p.left;
      if (vertical) {
        Place(child, {crossStart, position, crossStart + crossLength, position + size});
      } else {
        Place(child, {position, crossStart, position + size, crossStart + crossLength});
      }
      position += size + gap + (vertical ? p.bottom : p.right);
    }
  }

  Geometry* g_;
};

}  // namespace

Box ReadBox(const std::string& text) {
  int values[4] = {0, 0, 0, 0};
  size_t at = 0;
  for (int i = 0; i < 4 && at < text.size(); ++i) {
    values[i] = std::atoi(text.c_str() + at);
    at = text.find(',', at);
    if (at == std::string::npos) break;
    ++at;
  }
  return {values[0], values[1], values[2], values[3]};
}

Geometry LayOut(const MarkupElement& window, int width, int height) {
  Geometry geometry;
  Layouter layouter(&geometry);
  for (const MarkupElement& child : window.children) {
    if (child.name != "Font") layouter.Place(child, {0, 0, width, height});
  }
  return geometry;
}

}  // namespace SkinTests
