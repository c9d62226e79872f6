// Where the controls of a layout end up: a model of the framework's column, row and tab
// placement for layouts that give their leaves fixed sizes, as the shipped skin does. Hidden
// controls are placed as if shown, so that they are checked for the moment they appear.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/skin/layout_markup.h"

namespace SkinTests {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Four (or fewer) comma-separated numbers, missing ones 0.
Box ReadBox(const std::string& text);

struct Geometry {
  std::map<const MarkupElement*, Box> boxes;  // every control's rectangle in the window
  std::vector<std::string> problems;          // children that do not fit their container
};

// Lays out the window's controls in a window of the given size.
Geometry LayOut(const MarkupElement& window, int width, int height);

}  // namespace SkinTests
