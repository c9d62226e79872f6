// How the layouts name their images: plain archive paths, image descriptions of key='value'
// pairs, and the frame-name patterns of the sequence controls.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/skin/layout_markup.h"

namespace SkinTests {

// An image description read the way the framework reads it: key='value' pairs, each followed by
// exactly one space to go on; a text without a key is the image name itself.
struct ImageDescription {
  std::string file;
  std::map<std::string, std::string> keys;
  std::string unread;  // the rest after the point where reading stopped
};
ImageDescription ReadImageDescription(const std::string& value);

// Every image file a value mentions, whether the framework reads it or not.
std::vector<std::string> PngNamesIn(const std::string& value);

// The archive spelling of an image name: backslashes become slashes.
std::string ArchiveName(const std::string& imageName);

// A sequence pattern ("res\x\%.3d.png") with its one conversion filled in; empty when the pattern
// holds no "%.3d".
std::string FrameName(const std::string& pattern, int frame);

// Attributes whose value is an image description.
bool IsImageAttribute(const std::string& attribute);

// Every image the layout names, sequence frames included (frames 0 to count - 1).
std::set<std::string> ImagesOfLayout(const MarkupElement& root);

// Images the installer names in code rather than in a layout: the page backgrounds it switches
// to and the finished bar.
const std::vector<std::string>& ImagesNamedByCode();

}  // namespace SkinTests
