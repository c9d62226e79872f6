// Nine-slice drawing of premultiplied skin images: blending, fade, corners, edges, hole,
// tiling and clipping, read back pixel by pixel from a 32-bit memory canvas.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "skinui/draw_engine.h"
#include "tests/skinui/image_test_support.h"

namespace {

using ImageTest::Canvas;
using ImageTest::MakeImage;
using ImageTest::Near;
using SkinUI::CDrawEngine;

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr uint32_t kYellow = 0xFFFFFF00, kCyan = 0xFF00FFFF, kMagenta = 0xFFFF00FF, kGrey = 0xFF808080;
constexpr uint32_t kBlack = 0xFF000000;

RECT Whole(const SkinUI::ImageInfo& image) { return RECT{0, 0, image.width, image.height}; }

void Draw(const Canvas& canvas, const SkinUI::ImageInfo& image, const RECT& dest, const RECT& corner, BYTE fade,
          bool hole = false, bool xTiled = false, bool yTiled = false, const RECT* paint = nullptr) {
  const RECT all = {0, 0, canvas.width(), canvas.height()};
  CDrawEngine::DrawImageParts(canvas.dc(), image.bitmap.get(), dest, paint ? *paint : all, Whole(image), corner,
                              image.hasAlpha, fade, hole, xTiled, yTiled);
}

// A 12 x 12 image with 3-pixel borders: each corner, edge and the centre in its own colour.
uint32_t NineColours(int x, int y) {
  const int column = x < 3 ? 0 : (x < 9 ? 1 : 2);
  const int row = y < 3 ? 0 : (y < 9 ? 1 : 2);
  static const uint32_t kColours[3][3] = {{kRed, kGreen, kBlue}, {kYellow, kGrey, kCyan}, {kMagenta, kWhite, kBlack}};
  return kColours[row][column];
}

TEST(ImageBlend, HalfTransparentImageBlendsOverTheBackground) {
  Canvas canvas(8, 8, 0x0000FF);
  auto image = MakeImage(4, 4, [](int, int) { return 0x80FF0000u; });
  ASSERT_TRUE(image);
  ASSERT_TRUE(image->hasAlpha);
  Draw(canvas, *image, RECT{0, 0, 4, 4}, RECT{}, 255);
  // Source over: red 255 * 128/255 on top of blue * (1 - 128/255).
  EXPECT_TRUE(Near(0x80007F, canvas.Pixel(1, 1), 2)) << std::hex << canvas.Pixel(1, 1);
  EXPECT_EQ(0x0000FFu, canvas.Pixel(5, 5)) << "outside the destination";
}

TEST(ImageBlend, FadeScalesTheImagesOpacity) {
  struct Case {
    uint32_t imageColour;
    uint32_t background;
    BYTE fade;
    uint32_t expected;
    int tolerance;
  };
  const Case cases[] = {
      {0xFF00FF00, 0x000000, 255, 0x00FF00, 0},  // opaque at full fade: an exact copy
      {0xFF00FF00, 0x000000, 128, 0x008000, 2},  // half
      {0xFF00FF00, 0xFF0000, 128, 0x7F8000, 2},  // half over red
      {0xFF00FF00, 0x000000, 0, 0x000000, 0},    // invisible
      {0x80FF0000, 0xFFFFFF, 128, 0xFFBFBF, 3},  // the image's own alpha and the fade multiply
  };
  for (const Case& c : cases) {
    Canvas canvas(6, 6, c.background);
    auto image = MakeImage(6, 6, [&](int, int) { return c.imageColour; });
    ASSERT_TRUE(image);
    Draw(canvas, *image, RECT{0, 0, 6, 6}, RECT{}, c.fade);
    EXPECT_TRUE(Near(c.expected, canvas.Pixel(3, 3), c.tolerance))
        << std::hex << "image " << c.imageColour << " fade " << std::dec << int(c.fade) << ": got " << std::hex
        << canvas.Pixel(3, 3);
  }
}

TEST(NineSlice, CornersKeepTheirSizeEdgesStretchAndTheCentreFills) {
  auto image = MakeImage(12, 12, NineColours);
  ASSERT_TRUE(image);
  for (BYTE fade : {BYTE{255}, BYTE{254}}) {  // the copy path and the blend path
    Canvas canvas(80, 50, 0x123456);
    Draw(canvas, *image, RECT{10, 5, 70, 45}, RECT{3, 3, 3, 3}, fade);
    const int tolerance = fade == 255 ? 0 : 2;
    struct Probe {
      int x, y;
      uint32_t colour;
    };
    const Probe probes[] = {
        {10, 5, kRed},      {12, 7, kRed},      {13, 7, kGreen},   {12, 8, kYellow},    // top-left corner 3x3
        {69, 5, kBlue},     {67, 7, kBlue},     {66, 7, kGreen},   {67, 8, kCyan},      // top-right
        {10, 44, kMagenta}, {12, 42, kMagenta}, {12, 41, kYellow}, {13, 42, kWhite},    // bottom-left
        {69, 44, kBlack},   {67, 42, kBlack},   {66, 42, kWhite},  {67, 41, kCyan},     // bottom-right
        {40, 6, kGreen},    {40, 43, kWhite},   {11, 25, kYellow}, {68, 25, kCyan},     // edges
        {40, 25, kGrey},    {13, 8, kGrey},     {66, 41, kGrey},                        // centre
        {9, 25, 0x123456},  {70, 25, 0x123456}, {40, 4, 0x123456}, {40, 45, 0x123456},  // outside
    };
    for (const Probe& p : probes) {
      EXPECT_TRUE(Near(p.colour & 0xFFFFFF, canvas.Pixel(p.x, p.y), tolerance))
          << "fade " << int(fade) << " at " << p.x << "," << p.y << ": " << std::hex << canvas.Pixel(p.x, p.y);
    }
  }
}

TEST(NineSlice, HoleLeavesTheCentreUntouched) {
  auto image = MakeImage(12, 12, NineColours);
  ASSERT_TRUE(image);
  Canvas canvas(40, 40, 0x123456);
  Draw(canvas, *image, RECT{0, 0, 40, 40}, RECT{3, 3, 3, 3}, 255, true);
  EXPECT_EQ(0x123456u, canvas.Pixel(20, 20));
  EXPECT_EQ(0x123456u, canvas.Pixel(3, 3));
  EXPECT_EQ(kRed & 0xFFFFFF, canvas.Pixel(0, 0));
  EXPECT_EQ(kGreen & 0xFFFFFF, canvas.Pixel(20, 1));
  EXPECT_EQ(kCyan & 0xFFFFFF, canvas.Pixel(38, 20));
}

TEST(NineSlice, WithoutCornersTheWholeImageStretches) {
  // Left half red, right half blue, stretched from 4 to 40 pixels.
  auto image = MakeImage(4, 2, [](int x, int) { return x < 2 ? kRed : kBlue; });
  ASSERT_TRUE(image);
  Canvas canvas(40, 10, 0);
  Draw(canvas, *image, RECT{0, 0, 40, 10}, RECT{}, 255);
  EXPECT_EQ(kRed & 0xFFFFFF, canvas.Pixel(19, 9));
  EXPECT_EQ(kBlue & 0xFFFFFF, canvas.Pixel(20, 0));
}

TEST(NineSlice, TiledCentreRepeatsAtItsSourceSizeAndCutsTheLastPiece) {
  // Centre of 4 x 4 (border 1): its first column and first row are marked.
  auto image = MakeImage(6, 6, [](int x, int y) {
    if (x == 0 || y == 0 || x == 5 || y == 5) return kBlack;
    if (x == 1) return kRed;
    if (y == 1) return kGreen;
    return kBlue;
  });
  ASSERT_TRUE(image);
  struct Case {
    bool xTiled, yTiled;
  };
  for (const Case c : {Case{true, false}, Case{false, true}, Case{true, true}}) {
    // Centre of the destination: 1..11 (10 pixels) on both axes, so tiles start at 1, 5, 9.
    Canvas canvas(12, 12, 0x123456);
    Draw(canvas, *image, RECT{0, 0, 12, 12}, RECT{1, 1, 1, 1}, 255, false, c.xTiled, c.yTiled);
    SCOPED_TRACE(testing::Message() << "x tiled " << c.xTiled << ", y tiled " << c.yTiled);
    if (c.xTiled) {
      for (int x : {1, 5, 9}) EXPECT_EQ(kRed & 0xFFFFFF, canvas.Pixel(x, 8)) << "tile start " << x;
      for (int x : {2, 4, 6, 10}) EXPECT_NE(kRed & 0xFFFFFF, canvas.Pixel(x, 8)) << "inside a tile " << x;
    } else {
      EXPECT_EQ(kRed & 0xFFFFFF, canvas.Pixel(2, 8)) << "stretched 2.5 times: the red column is wider";
      EXPECT_NE(kRed & 0xFFFFFF, canvas.Pixel(5, 8));
    }
    if (c.yTiled) {
      for (int y : {1, 5, 9}) EXPECT_EQ(kGreen & 0xFFFFFF, canvas.Pixel(8, y)) << "tile start " << y;
      for (int y : {2, 6, 10}) EXPECT_NE(kGreen & 0xFFFFFF, canvas.Pixel(8, y)) << "inside a tile " << y;
    } else {
      EXPECT_EQ(kGreen & 0xFFFFFF, canvas.Pixel(8, 2));
      EXPECT_NE(kGreen & 0xFFFFFF, canvas.Pixel(8, 5));
    }
    EXPECT_EQ(0u, canvas.Pixel(11, 11)) << "the border is still drawn";
  }
}

TEST(NineSlice, NothingOutsideThePaintRectangleChanges) {
  auto opaque = MakeImage(12, 12, NineColours);
  auto translucent = MakeImage(12, 12, [](int x, int y) { return (NineColours(x, y) & 0xFFFFFF) | 0x80000000; });
  ASSERT_TRUE(opaque && translucent);
  struct Case {
    const char* what;
    const SkinUI::ImageInfo* image;
    BYTE fade;
    bool tiled;
  };
  const Case cases[] = {{"copied", opaque.get(), 255, false},
                        {"faded", opaque.get(), 100, false},
                        {"blended", translucent.get(), 255, false},
                        {"tiled", opaque.get(), 255, true}};
  for (const Case& c : cases) {
    Canvas canvas(60, 60, 0x123456);
    const RECT paint = {20, 15, 37, 41};
    Draw(canvas, *c.image, RECT{0, 0, 60, 60}, RECT{3, 3, 3, 3}, c.fade, false, c.tiled, c.tiled, &paint);
    int changedInside = 0;
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 60; ++x) {
        const bool inside = x >= paint.left && x < paint.right && y >= paint.top && y < paint.bottom;
        if (inside) {
          changedInside += canvas.Pixel(x, y) != 0x123456u;
        } else {
          ASSERT_EQ(0x123456u, canvas.Pixel(x, y)) << c.what << " at " << x << "," << y;
        }
      }
    }
    EXPECT_EQ(17 * 26, changedInside) << c.what;
  }
}

TEST(NineSlice, CornersWiderThanTheDestinationStayInsideIt) {
  auto image = MakeImage(12, 12, NineColours);
  ASSERT_TRUE(image);
  Canvas canvas(20, 12, 0x123456);
  // A 2-pixel destination with 3-pixel corners on each side (a nearly empty progress bar).
  Draw(canvas, *image, RECT{5, 0, 7, 12}, RECT{3, 3, 3, 3}, 255);
  EXPECT_EQ(0x123456u, canvas.Pixel(4, 1));
  EXPECT_EQ(0x123456u, canvas.Pixel(7, 1));
  EXPECT_NE(0x123456u, canvas.Pixel(5, 1));
  EXPECT_NE(0x123456u, canvas.Pixel(6, 1));
}

TEST(DrawLine, DrawsFromTopLeftToBottomRight) {
  Canvas canvas(20, 20, 0);
  CDrawEngine::DrawLine(canvas.dc(), RECT{2, 10, 18, 10}, 1, 0xFFFF0000, PS_SOLID);
  EXPECT_EQ(0xFF0000u, canvas.Pixel(2, 10));
  EXPECT_EQ(0xFF0000u, canvas.Pixel(10, 10));
  EXPECT_EQ(0u, canvas.Pixel(10, 9));
  EXPECT_EQ(0u, canvas.Pixel(10, 11));
}

}  // namespace
