// The progress bar in a real window: how much of its fore image shows for a value, both ways,
// with values outside the range and with a range whose minimum is not below its maximum.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdint>

#include "skinui/progress.h"
#include "tests/skinui/image_test_support.h"

namespace {

using ImageTest::BufferPixel;
using ImageTest::MarkupWindow;
using SkinUI::CProgressUI;

constexpr uint32_t kGreen = 0x00FF00, kBlack = 0x000000;

class ProgressWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.AddImage(L"green.png", 4, 4, [](int, int) { return 0xFF00FF00u; }));
    window_ = std::make_unique<MarkupWindow>(
        L"<Window size=\"420,130\"><VerticalLayout bkcolor=\"#FF000000\">"
        L"<Progress name=\"bar\" width=\"400\" height=\"10\" value=\"25\" isstretchfore=\"false\" "
        L"foreimage=\"file='green.png'\"/>"
        L"<Progress name=\"column\" width=\"10\" height=\"100\" hor=\"false\" min=\"0\" max=\"200\" value=\"50\" "
        L"foreimage=\"green.png\"/>"
        L"<Control/></VerticalLayout></Window>");
    ASSERT_TRUE(window_->Open());
    bar_ = static_cast<CProgressUI*>(window_->Named(L"bar")->FindInterface(L"Progress"));
    column_ = static_cast<CProgressUI*>(window_->Named(L"column")->FindInterface(L"Progress"));
    ASSERT_NE(nullptr, bar_);
    ASSERT_NE(nullptr, column_);
  }

  // The number of green pixels along the bar's middle row.
  int BarFill() {
    HDC buffer = window_->Repaint();
    int filled = 0;
    for (int x = 0; x < 420; ++x) filled += BufferPixel(buffer, x, 5) == kGreen;
    return filled;
  }

  ImageTest::SkinFolder folder_;
  std::unique_ptr<MarkupWindow> window_;
  CProgressUI* bar_ = nullptr;
  CProgressUI* column_ = nullptr;
};

TEST_F(ProgressWindow, QuarterOfFourHundredPixelsDrawsOneHundred) {
  HDC buffer = window_->Repaint();
  EXPECT_EQ(kGreen, BufferPixel(buffer, 0, 5));
  EXPECT_EQ(kGreen, BufferPixel(buffer, 99, 0));
  EXPECT_EQ(kGreen, BufferPixel(buffer, 99, 9));
  EXPECT_EQ(kBlack, BufferPixel(buffer, 100, 5));
  EXPECT_EQ(100, BarFill());
  EXPECT_NE(nullptr, bar_->CustomAttribute(L"isstretchfore")) << "kept, without effect";
}

TEST_F(ProgressWindow, VerticalBarFillsFromTheBottom) {
  // 50 of 0..200 in a 100-pixel column (rows 10..109): the lowest 25 rows.
  HDC buffer = window_->Repaint();
  EXPECT_EQ(kBlack, BufferPixel(buffer, 5, 84));
  EXPECT_EQ(kGreen, BufferPixel(buffer, 5, 85));
  EXPECT_EQ(kGreen, BufferPixel(buffer, 9, 109));
  column_->SetValue(200);
  buffer = window_->Repaint();
  EXPECT_EQ(kGreen, BufferPixel(buffer, 5, 10));
}

TEST_F(ProgressWindow, ValuesAreClampedAndAnEmptyRangeBecomesOneWide) {
  struct Case {
    int min, max, value, filled;
  };
  const Case cases[] = {
      {0, 100, 150, 400},
      {0, 100, -5, 0},
      {0, 100, 100, 400},
      {0, 3, 1, 133},  // integer arithmetic
      {50, 50, 50, 0},
      {50, 50, 60, 400},  // max becomes 51
      {80, 20, 79, 0},
      {80, 20, 81, 400},           // min above max: max becomes 81
      {INT_MIN, INT_MAX, 0, 200},  // no overflow across the whole int range
      {INT_MAX, INT_MAX, INT_MAX, 0},
  };
  for (const Case& c : cases) {
    bar_->SetMinValue(c.min);
    bar_->SetMaxValue(c.max);
    bar_->SetValue(c.value);
    EXPECT_EQ(c.filled, BarFill()) << "min " << c.min << " max " << c.max << " value " << c.value;
  }
}

TEST_F(ProgressWindow, SettingTheValueRepaintsTheBar) {
  HDC buffer = window_->Repaint();
  ASSERT_EQ(kBlack, BufferPixel(buffer, 150, 5));
  bar_->SetValue(50);
  EXPECT_TRUE(ImageTest::PumpUntil([&] { return BufferPixel(window_->Manager().BackBufferDC(), 150, 5) == kGreen; }));
}

TEST_F(ProgressWindow, BackgroundImageIsTheControlsOwn) {
  bar_->SetBackgroundImage(L"color='#FFFF0000'");
  HDC buffer = window_->Repaint();
  EXPECT_EQ(kGreen, BufferPixel(buffer, 50, 5));
  EXPECT_EQ(0xFF0000u, BufferPixel(buffer, 300, 5));
  EXPECT_EQ(kBlack, BufferPixel(buffer, 405, 5)) << "the bar ends at 400";
}

}  // namespace
