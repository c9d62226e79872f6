// The six layouts as shipped inside the installer, each read once with the strict markup reader.
#pragma once

#include <string>
#include <vector>

#include "tests/skin/layout_markup.h"

namespace SkinTests {

struct LayoutInfo {
  const char* archiveName;  // as stored in the archive
  const char* lookupName;   // as the window asks for it
  int width;
  int height;
};

// Main window first, then the five message and tip windows.
const std::vector<LayoutInfo>& Layouts();

// The layout's bytes from the embedded archive, and the markup read from them.
const std::string& LayoutText(const std::string& archiveName);
const MarkupDocument& Layout(const std::string& archiveName);

// The controls of a layout: every element below the Window root that is not a Font.
std::vector<const MarkupElement*> Controls(const MarkupElement& root);

}  // namespace SkinTests
