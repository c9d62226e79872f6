// Image descriptions: the key='value' syntax and where its parse stops, loading once per slot,
// and the destination and source arithmetic, drawn through a window manager's image table.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "skinui/draw_engine.h"
#include "skinui/image_slot.h"
#include "skinui/window_manager.h"
#include "tests/skinui/image_test_support.h"

namespace {

using ImageTest::Canvas;
using ImageTest::Near;
using SkinUI::CDrawEngine;
using SkinUI::ImageSlot;

constexpr uint32_t kBackground = 0x123456;

class ImageString : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.AddImage(L"green.png", 4, 4, [](int, int) { return 0xFF00FF00u; }));
    // Left half green, right half red: a source cut to the left half shows no red.
    ASSERT_TRUE(folder_.AddImage(L"halves.png", 36, 18, [](int x, int) { return x < 18 ? 0xFF00FF00u : 0xFFFF0000u; }));
  }

  // Draws the description over the item rectangle of a fresh 40 x 40 canvas.
  bool DrawOnce(const std::wstring& description, const RECT& item = RECT{0, 0, 40, 40}) {
    ImageSlot slot;
    slot.SetDescription(description);
    return Draw(slot, item);
  }
  bool Draw(ImageSlot& slot, const RECT& item = RECT{0, 0, 40, 40}) {
    canvas_ = std::make_unique<Canvas>(40, 40, kBackground);
    const RECT paint = {0, 0, 40, 40};
    return CDrawEngine::DrawImageString(canvas_->dc(), &manager_, item, paint, slot);
  }
  // The bounding box of the pixels that changed; empty when none did.
  RECT Painted() const {
    RECT box = {40, 40, 0, 0};
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) {
        if (canvas_->Pixel(x, y) == kBackground) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
    return box.right == 0 ? RECT{} : box;
  }
  bool Contains(uint32_t colour) const {
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) {
        if (canvas_->Pixel(x, y) == colour) return true;
      }
    }
    return false;
  }

  ImageTest::SkinFolder folder_;
  SkinUI::CWindowManagerUI manager_;
  std::unique_ptr<Canvas> canvas_;
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Text(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST_F(ImageString, KeysApplyUntilTheParseStops) {
  struct Case {
    const wchar_t* description;
    RECT painted;
  };
  const Case cases[] = {
      {L"green.png", {0, 0, 40, 40}},                                  // a plain name without keys
      {L"file='green.png'", {0, 0, 40, 40}},                           //
      {L"file='green.png' dest='2,3,12,13'", {2, 3, 12, 13}},          // one space: the next pair applies
      {L"  file = 'green.png' dest= '2,3,12,13'", {2, 3, 12, 13}},     // whitespace around keys and "="
      {L"file='green.png'  dest='2,3,12,13'", {0, 0, 40, 40}},         // two spaces end the parse
      {L"file='green.png'\tdest='2,3,12,13'", {0, 0, 40, 40}},         // so does any other character
      {L"file='green.png',dest='2,3,12,13'", {0, 0, 40, 40}},          //
      {L"dest='2,3,12,13' file='green.png'", {2, 3, 12, 13}},          // order does not matter
      {L"file='green.png' dest='2,3,12,13' dest=''", {2, 3, 12, 13}},  // an empty value changes nothing
      {L"file='green.png' Dest='2,3,12,13'", {0, 0, 40, 40}},          // keys are case-sensitive
      {L"file='green.png' unknown='1' dest='2,3,12,13'", {2, 3, 12, 13}},
      {L"color='#FF00FF00' dest='0,0,5,5'", {0, 0, 5, 5}},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(DrawOnce(c.description)) << testing::PrintToString(std::wstring(c.description));
    EXPECT_PRED2(SameRect, c.painted, Painted())
        << testing::PrintToString(std::wstring(c.description)) << " painted " << Text(Painted());
  }
}

TEST_F(ImageString, CheckBoxDescriptionKeepsItsSourceAndIgnoresTheTrailingPath) {
  // As the skins write their check boxes: a second path directly after source's apostrophe.
  ImageSlot slot;
  slot.SetDescription(L"file='halves.png' dest='0,5,18,23' source='0,0,18,18'res\\mainWnd\\checkbox1.png");
  ASSERT_TRUE(Draw(slot));
  EXPECT_EQ(L"halves.png", slot.name);
  EXPECT_PRED2(SameRect, (RECT{0, 5, 18, 23}), Painted()) << Text(Painted());
  EXPECT_FALSE(Contains(0xFF0000)) << "the source is the left half only";
  EXPECT_EQ(0x00FF00u, canvas_->Pixel(17, 22));
}

TEST_F(ImageString, ASourcePastTheImageIsCutToIt) {
  ASSERT_TRUE(DrawOnce(L"file='halves.png' source='18,0,100,100'"));
  EXPECT_EQ(0xFF0000u, canvas_->Pixel(0, 0));
  EXPECT_EQ(0xFF0000u, canvas_->Pixel(39, 39));
  EXPECT_FALSE(Contains(0x00FF00));
}

TEST_F(ImageString, DestinationIsRelativeToTheItemAndLimitedByIt) {
  const RECT item = {10, 8, 30, 28};
  ASSERT_TRUE(DrawOnce(L"file='green.png' dest='5,4,100,100'", item));
  EXPECT_PRED2(SameRect, (RECT{15, 12, 30, 28}), Painted()) << Text(Painted());
  // A destination outside the item draws nothing, and still counts as an image that exists.
  ASSERT_TRUE(DrawOnce(L"file='green.png' dest='30,30,40,40'", item));
  EXPECT_PRED2(SameRect, RECT{}, Painted()) << Text(Painted());
}

TEST_F(ImageString, FadeKeyDrawsAtThatOpacity) {
  ASSERT_TRUE(DrawOnce(L"file='green.png' fade='255'"));
  EXPECT_EQ(0x00FF00u, canvas_->Pixel(20, 20));
  ASSERT_TRUE(DrawOnce(L"file='green.png' fade='128'"));
  // 128/255 of green over the background.
  EXPECT_TRUE(Near(0x099A2B, canvas_->Pixel(20, 20), 2)) << std::hex << canvas_->Pixel(20, 20);
}

TEST_F(ImageString, AFailedLoadIsNotRetriedUntilTheDescriptionIsSetAgain) {
  ImageSlot slot;
  slot.SetDescription(L"file='late.png'");
  EXPECT_FALSE(Draw(slot));
  EXPECT_TRUE(slot.tried);
  ASSERT_TRUE(folder_.AddImage(L"late.png", 2, 2, [](int, int) { return 0xFFFF0000u; }));
  EXPECT_FALSE(Draw(slot)) << "the slot does not look again";
  EXPECT_FALSE(Contains(0xFF0000));
  // Setting the same description again starts over for a slot without an image.
  EXPECT_TRUE(slot.SetDescription(L"file='late.png'"));
  EXPECT_TRUE(Draw(slot));
  EXPECT_EQ(0xFF0000u, canvas_->Pixel(20, 20));
  // A loaded slot keeps its image when given the same description.
  EXPECT_FALSE(slot.SetDescription(L"file='late.png'"));
  EXPECT_NE(nullptr, slot.image);
}

TEST_F(ImageString, EmptyOrUnloadableDescriptionsDrawNothing) {
  for (const wchar_t* description :
       {L"", L"file=''", L"missing.png", L"file='missing.png' dest='0,0,5,5'", L"file='green.png"}) {
    EXPECT_FALSE(DrawOnce(description)) << testing::PrintToString(std::wstring(description));
    EXPECT_PRED2(SameRect, RECT{}, Painted()) << testing::PrintToString(std::wstring(description));
  }
}

TEST_F(ImageString, ImagesAreLoadedOncePerWindow) {
  ImageSlot first, second;
  first.SetDescription(L"file='green.png' dest='0,0,5,5'");
  second.SetDescription(L"green.png");
  ASSERT_TRUE(Draw(first));
  ASSERT_TRUE(Draw(second));
  EXPECT_EQ(first.image, second.image);
  EXPECT_EQ(first.image, manager_.FindImage(L"green.png"));
}

}  // namespace
