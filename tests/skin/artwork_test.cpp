// The pictures themselves: every image a layout or the installer names is in the archive and
// decodes, nothing unused is shipped, page backgrounds are opaque, and the animations loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/skin/image_references.h"
#include "tests/skin/shipped_layouts.h"
#include "tests/skin/skin_package.h"

namespace SkinTests {
namespace {

bool Decode(const std::string& imageName, Pixels* pixels) {
  const auto& files = Shipped().files;
  const auto file = files.find(ArchiveName(imageName));
  return file != files.end() && DecodeImage(file->second, pixels);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::set<std::string> AllReferences() {
  std::set<std::string> names;
  for (const LayoutInfo& info : Layouts()) {
    const std::set<std::string> images = ImagesOfLayout(Layout(info.archiveName).root);
    names.insert(images.begin(), images.end());
  }
  names.insert(ImagesNamedByCode().begin(), ImagesNamedByCode().end());
  return names;
}

TEST(Artwork, EveryReferencedImageIsShippedAndDecodes) {
  ASSERT_TRUE(Shipped().error.empty()) << Shipped().error;
  const std::set<std::string> names = AllReferences();
  EXPECT_GT(names.size(), 150u);
  for (const std::string& name : names) {
    ASSERT_FALSE(name.empty());
    Pixels pixels;
    EXPECT_TRUE(Decode(name, &pixels)) << name;
    EXPECT_GT(pixels.width, 0) << name;
  }
}

TEST(Artwork, ShipsNoImageThatNothingUses) {
  std::set<std::string> referenced;
  for (const std::string& name : AllReferences()) referenced.insert(Lower(ArchiveName(name)));
  for (const auto& file : Shipped().files) {
    if (file.first.rfind("res/", 0) == 0) {
      EXPECT_EQ(1u, referenced.count(Lower(file.first))) << file.first;
    }
  }
}

TEST(Artwork, PageBackgroundsFillTheWindowOpaquely) {
  for (const char* name : {"bg1", "bg2", "bg3", "bg4"}) {
    Pixels pixels;
    ASSERT_TRUE(Decode(std::string("res\\mainWnd\\") + name + ".png", &pixels)) << name;
    EXPECT_EQ(600, pixels.width) << name;
    EXPECT_EQ(400, pixels.height) << name;
    bool opaque = true;
    for (size_t i = 3; i < pixels.rgba.size(); i += 4) opaque &= pixels.rgba[i] == 255;
    EXPECT_TRUE(opaque) << name;
  }
}

// Mean difference per channel between two frames of one animation, as they show: colours
// weighted by their alpha, so that invisible pixels count for nothing.
double Distance(const Pixels& a, const Pixels& b) {
  double sum = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4) {
    const int alphaA = a.rgba[i + 3], alphaB = b.rgba[i + 3];
    for (size_t c = 0; c < 3; ++c) sum += std::abs(a.rgba[i + c] * alphaA - b.rgba[i + c] * alphaB) / 255.0;
    sum += std::abs(alphaA - alphaB);
  }
  return sum / static_cast<double>(a.rgba.size());
}

std::vector<Pixels> Frames(const std::string& pattern, int count) {
  std::vector<Pixels> frames(count);
  for (int i = 0; i < count; ++i) {
    EXPECT_TRUE(Decode(FrameName(pattern, i), &frames[i])) << FrameName(pattern, i);
    EXPECT_EQ(frames[0].width, frames[i].width);
    EXPECT_EQ(frames[0].height, frames[i].height);
  }
  return frames;
}

// The spinner plays 0..59 and starts again: the step from the last frame to the first must look
// like any other step, or the loop visibly jumps.
TEST(Artwork, ProgressAnimationLoopsWithoutAJump) {
  const std::vector<Pixels> frames = Frames("res\\mainWnd\\progressAnimate\\%.3d.png", 60);
  ASSERT_FALSE(HasFailure());
  double smallest = 1e9, largest = 0;
  for (int i = 0; i + 1 < 60; ++i) {
    const double step = Distance(frames[i], frames[i + 1]);
    smallest = std::min(smallest, step);
    largest = std::max(largest, step);
  }
  EXPECT_GT(smallest, 0.0) << "every frame moves";
  const double wrap = Distance(frames[59], frames[0]);
  EXPECT_LE(wrap, largest * 1.25);
  EXPECT_GE(wrap, smallest * 0.75);
}

// The install buttons play 0..49 and back: neighbouring frames change gently, the ends differ,
// and the motion slows towards both ends so that the turn does not jerk.
TEST(Artwork, InstallButtonGlowBreathesSmoothly) {
  const std::vector<Pixels> frames = Frames("res\\mainWnd\\installBtnAnimate\\%.3d.png", 50);
  ASSERT_FALSE(HasFailure());
  const double whole = Distance(frames[0], frames[49]);
  EXPECT_GT(whole, 2.0) << "the glow visibly changes";
  std::vector<double> steps;
  for (int i = 0; i + 1 < 50; ++i) steps.push_back(Distance(frames[i], frames[i + 1]));
  for (size_t i = 0; i < steps.size(); ++i) EXPECT_LT(steps[i], whole / 12) << i;
  const double middle = steps[24];
  EXPECT_LT(steps.front(), middle / 3);
  EXPECT_LT(steps.back(), middle / 3);
}

}  // namespace
}  // namespace SkinTests
