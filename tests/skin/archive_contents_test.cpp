// The embedded archive, read with the LZMA SDK directly: the six layouts at the top, the images
// below res/, and nothing but what the skin folder of the sources holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "tests/skin/shipped_layouts.h"
#include "tests/skin/skin_package.h"

namespace SkinTests {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(ShippedArchive, HoldsTheSixLayoutsAtTheTopAndPngImagesBelowRes) {
  const ShippedSkin& skin = Shipped();
  ASSERT_TRUE(skin.error.empty()) << skin.error;
  std::set<std::string> top;
  for (const auto& file : skin.files) {
    const std::string& name = file.first;
    EXPECT_EQ(std::string::npos, name.find('\\')) << name;
    if (name.find('/') == std::string::npos) {
      top.insert(name);
    } else {
      EXPECT_EQ(0u, name.rfind("res/", 0)) << name;
      EXPECT_EQ(".png", Lower(name.substr(name.size() - 4))) << name;
      EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), file.second.substr(0, 8)) << name;
    }
  }
  std::set<std::string> expected;
  for (const LayoutInfo& layout : Layouts()) expected.insert(layout.archiveName);
  EXPECT_EQ(expected, top);
  for (const ArchiveEntry& entry : skin.entries) {
    if (entry.folder) {
      EXPECT_EQ(0u, entry.name.rfind("res", 0)) << entry.name;
    }
  }
}

// A stale or partial archive would ship pictures the sources no longer have, or miss new ones.
TEST(ShippedArchive, IsExactlyTheSkinFolderOfTheSources) {
  const ShippedSkin& skin = Shipped();
  ASSERT_TRUE(skin.error.empty()) << skin.error;
  const auto sources = SourceSkinFiles();
  ASSERT_FALSE(sources.empty());
  for (const auto& file : sources) {
    const auto shipped = skin.files.find(file.first);
    if (shipped == skin.files.end()) {
      ADD_FAILURE() << file.first << " is not in the archive";
    } else {
      EXPECT_TRUE(shipped->second == file.second) << file.first << " differs from the sources";
    }
  }
  for (const auto& file : skin.files) EXPECT_EQ(1u, sources.count(file.first)) << file.first << " has no source";
}

// Windows ask for their layouts in their own spelling ("MainWnd.xml"); the archive's lookup
// ignores letter case but needs the same length, so exactly one entry must answer each name.
TEST(ShippedArchive, AnswersEachWindowsLayoutNameWithOneEntry) {
  const ShippedSkin& skin = Shipped();
  ASSERT_TRUE(skin.error.empty()) << skin.error;
  for (const LayoutInfo& layout : Layouts()) {
    const auto matches = std::count_if(skin.files.begin(), skin.files.end(),
                                       [&](const auto& file) { return Lower(file.first) == Lower(layout.lookupName); });
    EXPECT_EQ(1, matches) << layout.lookupName;
  }
}

}  // namespace
}  // namespace SkinTests
