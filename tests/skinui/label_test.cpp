// Labels and text drawing in real windows: where a label puts its text, how its attributes
// read, when it measures again, language tokens and ampersands.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "control_test_window.h"
#include "skinui/draw_engine.h"
#include "skinui/label.h"
#include "skinui/language_strings.h"
#include "skinui/language_tokens.h"
#include "skinui/window_manager.h"

namespace {

using SkinUI::CDrawEngine;
using SkinUI::CLabelUI;
using SkinUITest::ControlTestWindow;
using SkinUITest::PixelCanvas;
using SkinUITest::PumpUntil;

constexpr wchar_t kFace[] = L"Tahoma";

// Adds font `id` to the window with the size whose character height is `height` pixels.
bool AddFontOfHeight(SkinUI::CWindowManagerUI& manager, int id, int height) {
  for (int size = 8; size < 40; ++size) {
    manager.AddFont(id, kFace, size, false, false, false, false);
    if (manager.FontMetrics(id).tmHeight == height) return true;
  }
  return false;
}

// The first inked row of text drawn at the top of a rectangle: glyphs do not start at the
// top of their cell, so placements are compared against this.
int InkOffset(SkinUI::CWindowManagerUI& manager, const std::wstring& text, int font) {
  PixelCanvas canvas(200, 60, RGB(255, 255, 255));
  RECT rect = {0, 0, 200, 60};
  CDrawEngine::DrawText(canvas.dc(), &manager, rect, text, 0xFF000000, font, DT_SINGLELINE | DT_TOP);
  return canvas.FirstInkRow(0, 200);
}

int FirstInkRowIn(HDC dc, const RECT& area, COLORREF background) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (::GetPixel(dc, x, y) != background) return y;
    }
  }
  return -1;
}

struct PlacementCase {
  std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes;
  int expectedTop;  // where the text cell starts below the text rectangle's top
};

TEST(LabelPlacement, SingleLineTextSitsAtThreeQuartersOfTheFreeHeight) {
  ControlTestWindow window(
      L"<Window size=\"200,100\"><VerticalLayout bkcolor=\"#FFFFFFFF\">"
      L"<Label name=\"l\" height=\"40\" text=\"Hg\" textcolor=\"#FF000000\"/><Control/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  SkinUI::CWindowManagerUI& manager = window.Manager();
  ASSERT_TRUE(AddFontOfHeight(manager, 1, 20)) << "no size of the test face is 20 pixels high";
  auto* label = window.Get<CLabelUI>(L"l");
  label->SetFont(1);
  const int inkOffset = InkOffset(manager, L"Hg", 1);

  // 40 pixels high, a font 20 pixels high: 20 pixels free.
  const PlacementCase cases[] = {
      {{}, 15},                              // vertical centre: half moved down, then centred in the rest
      {{{L"valign", L"top"}}, 0},            // single line alone: drawn where it is
      {{{L"valign", L"bottom"}}, 20},        // half moved down, then at the bottom of the rest
      {{{L"multiline", L"true"}}, 10},       // word break: half moved down, then drawn from the top
      {{{L"textpadding", L"0,6,0,0"}}, 10},  // 34 high, 14 free: 7, then 3 more
  };
  for (const PlacementCase& c : cases) {
    label->SetTextStyle(DT_VCENTER | DT_SINGLELINE);
    label->SetTextPadding(RECT{0, 0, 0, 0});
    std::string trace;
    for (const auto& [name, value] : c.attributes) {
      label->ApplyAttribute(name, value);
      trace += std::string(name, name + std::wcslen(name)) + " ";
    }
    SCOPED_TRACE(trace);
    ::InvalidateRect(window.WindowHandle(), nullptr, FALSE);
    HDC buffer = window.Repaint();
    const RECT& item = label->Position();
    ASSERT_EQ(40, item.bottom - item.top);
    const int row = FirstInkRowIn(buffer, item, RGB(255, 255, 255));
    ASSERT_GE(row, 0) << "no text was drawn";
    EXPECT_EQ(c.expectedTop, row - item.top - label->TextPadding().top - inkOffset);
  }
}

struct StyleCase {
  std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes;
  UINT expected;
};

TEST(LabelAttributes, AlignmentWordsAreSearchedInTheValue) {
  const UINT base = DT_VCENTER | DT_SINGLELINE;
  const StyleCase cases[] = {
      {{{L"align", L"center"}}, base | DT_CENTER},
      {{{L"align", L"right"}}, base | DT_RIGHT},
      {{{L"align", L"right"}, {L"align", L"left"}}, base},
      {{{L"align", L"left center"}}, base | DT_CENTER},
      {{{L"align", L"center right"}}, base | DT_RIGHT},
      {{{L"align", L"xxrightxx"}}, base | DT_RIGHT},
      {{{L"align", L"Center"}}, base},
      {{{L"valign", L"top"}}, DT_SINGLELINE},
      {{{L"valign", L"top"}, {L"valign", L"center"}}, DT_SINGLELINE},
      {{{L"valign", L"top"}, {L"valign", L"vcenter"}}, base},
      {{{L"valign", L"bottom"}}, DT_SINGLELINE | DT_BOTTOM},
      {{{L"valign", L"topbottom"}}, DT_SINGLELINE | DT_BOTTOM},
      {{{L"endellipsis", L"true"}}, base | DT_END_ELLIPSIS},
      {{{L"endellipsis", L"true"}, {L"endellipsis", L"false"}}, base},
      {{{L"multiline", L"true"}}, DT_VCENTER | DT_WORDBREAK},
      {{{L"multiline", L"true"}, {L"multiline", L"false"}}, base | DT_WORDBREAK},
  };
  for (const StyleCase& c : cases) {
    CLabelUI label;
    std::wstring trace;
    for (const auto& [name, value] : c.attributes) {
      label.ApplyAttribute(name, value);
      trace += std::wstring(name) + L"=" + value + L" ";
    }
    EXPECT_EQ(c.expected, label.TextStyle()) << std::string(trace.begin(), trace.end());
  }
}

TEST(LabelAttributes, ColoursPaddingFontEffectsAndUnknownNames) {
  CLabelUI label;
  label.ApplyAttribute(L"textcolor", L"#FF3E86FD");
  label.ApplyAttribute(L"disabledtextcolor", L"0xFF112233");
  label.ApplyAttribute(L"textpadding", L"1,2,3,4");
  label.ApplyAttribute(L"font", L"3");
  label.ApplyAttribute(L"luminousfuzzy", L"0.00001");
  label.ApplyAttribute(L"shadowoffset", L"2,3");
  label.ApplyAttribute(L"pushedbordercolor", L"#FF000000");
  EXPECT_EQ(0xFF3E86FDu, label.TextColor());
  EXPECT_EQ(0xFF112233u, label.DisabledTextColor());
  const RECT padding = label.TextPadding();
  EXPECT_EQ((std::vector<long>{1, 2, 3, 4}),
            (std::vector<long>{padding.left, padding.top, padding.right, padding.bottom}));
  EXPECT_EQ(3, label.FontIndex());
  EXPECT_EQ(3.0, label.Effects().luminousFuzzy) << "a fuzziness below 0.0001 is ignored";
  EXPECT_EQ(3, label.Effects().shadowOffset.cy);
  ASSERT_NE(nullptr, label.CustomAttribute(L"pushedbordercolor"));
  EXPECT_EQ(std::wstring(L"#FF000000"), label.CustomAttribute(L"pushedbordercolor"));
  EXPECT_EQ(nullptr, label.CustomAttribute(L"textcolor"));
  EXPECT_STREQ(L"Label", label.ClassName());
  EXPECT_EQ(&label, label.FindInterface(L"Label"));
  EXPECT_EQ(&label, label.FindInterface(L"Control"));
  EXPECT_EQ(nullptr, label.FindInterface(L"Button"));
}

TEST(LabelMeasure, SizeFollowsFontAndTextAndIsCachedOtherwise) {
  ControlTestWindow window(
      L"<Window size=\"300,200\"><VerticalLayout><Label name=\"single\" text=\"Hello\" textpadding=\"2,3,4,5\"/>"
      L"<Label name=\"multi\" multiline=\"true\" text=\"one two three four five six seven eight nine ten\"/>"
      L"<Label name=\"fixed\" width=\"77\" height=\"33\" text=\"x\"/></VerticalLayout></Window>");
  ASSERT_NE(nullptr, window.Open());
  SkinUI::CWindowManagerUI& manager = window.Manager();
  ASSERT_TRUE(AddFontOfHeight(manager, 1, 20));
  ASSERT_TRUE(AddFontOfHeight(manager, 2, 30));
  auto* single = window.Get<CLabelUI>(L"single");
  single->SetFont(1);
  const RECT box = {0, 0, 9999, 100};
  const long helloWidth = CDrawEngine::MeasureText(nullptr, &manager, box, L"Hello", 1, single->TextStyle()).right;
  ASSERT_GT(helloWidth, 0);
  SIZE size = single->MeasureSize(SIZE{300, 200});
  EXPECT_EQ(helloWidth + 6, size.cx);
  EXPECT_EQ(20 + 8 + 8, size.cy) << "padding, character height and 8";

  // The same font and text: the cached size, whatever the offer.
  EXPECT_EQ(size.cx, single->MeasureSize(SIZE{10, 10}).cx);
  single->SetFont(2);
  const SIZE bigger = single->MeasureSize(SIZE{300, 200});
  EXPECT_EQ(30 + 8 + 8, bigger.cy) << "a new font is measured again";
  single->SetText(L"Hello, world");
  EXPECT_GT(single->MeasureSize(SIZE{300, 200}).cx, bigger.cx) << "a new text is measured again";

  auto* multi = window.Get<CLabelUI>(L"multi");
  multi->SetFont(1);
  const SIZE wide = multi->MeasureSize(SIZE{1000, 200});
  const SIZE narrow = multi->MeasureSize(SIZE{80, 200});
  EXPECT_EQ(1000, wide.cx);
  EXPECT_EQ(20, wide.cy) << "one line when wide enough";
  EXPECT_EQ(80, narrow.cx);
  EXPECT_GT(narrow.cy, 2 * 20) << "a narrower offer wraps into more lines";
  EXPECT_EQ(narrow.cy, multi->MeasureSize(SIZE{80, 200}).cy);

  auto* fixed = window.Get<CLabelUI>(L"fixed");
  const SIZE f = fixed->MeasureSize(SIZE{300, 200});
  EXPECT_EQ(77, f.cx);
  EXPECT_EQ(33, f.cy);
}

TEST(LanguageTokens, RegisteredNumbersAreReplacedOthersStay) {
  SkinUI::AddLanguageString(7, L"Hello");
  SkinUI::AddLanguageString(12, L"");
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"%{7}", L"Hello"},   {L"a%{7}b%{7}c", L"aHellobHelloc"},
      {L"%%{7}", L"%Hello"}, {L"x%{12}y", L"xy"},
      {L"%{99}", L"%{99}"},  {L"%{}", L"%{}"},
      {L"%{7", L"%{7"},      {L"%{ 7}", L"%{ 7}"},
      {L"%{-7}", L"%{-7}"},  {L"%{99999999999999999999}", L"%{99999999999999999999}"},
      {L"%{007}", L"Hello"}, {L"", L""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(std::wstring(expected), SkinUI::ReplaceLanguageTokens(text));
  SkinUI::RemoveAllLanguageStrings();
}

TEST(TextDrawing, TokensAreReplacedAndAmpersandsDrawnAsWritten) {
  ControlTestWindow window(L"<Window size=\"100,100\"><VerticalLayout/></Window>");
  ASSERT_NE(nullptr, window.Open());
  SkinUI::CWindowManagerUI& manager = window.Manager();
  ASSERT_TRUE(AddFontOfHeight(manager, 1, 20));
  SkinUI::AddLanguageString(41, L"Install");

  PixelCanvas viaToken(200, 40, RGB(255, 255, 255));
  PixelCanvas plain(200, 40, RGB(255, 255, 255));
  RECT a = {0, 0, 200, 40};
  RECT b = a;
  CDrawEngine::DrawText(viaToken.dc(), &manager, a, L"%{41} now", 0xFF000000, 1, DT_SINGLELINE);
  CDrawEngine::DrawText(plain.dc(), &manager, b, L"Install now", 0xFF000000, 1, DT_SINGLELINE);
  EXPECT_TRUE(viaToken.SamePixels(plain));
  SkinUI::RemoveAllLanguageStrings();

  // Without the no-prefix flag "&" would vanish and "&&" would draw one ampersand.
  const RECT box = {0, 0, 500, 100};
  const long one = CDrawEngine::MeasureText(nullptr, &manager, box, L"&", 1, DT_SINGLELINE).right;
  const long two = CDrawEngine::MeasureText(nullptr, &manager, box, L"&&", 1, DT_SINGLELINE).right;
  EXPECT_GT(one, 0);
  EXPECT_EQ(2 * one, two);

  // Colours arrive without alpha, red and blue in the platform's order; the background stays.
  PixelCanvas coloured(200, 40, RGB(255, 255, 255));
  RECT c = {0, 0, 200, 40};
  CDrawEngine::DrawText(coloured.dc(), &manager, c, L"MMMMMMMM", 0x80FF0000, 1, DT_SINGLELINE);
  EXPECT_GT(coloured.CountColour(RECT{0, 0, 200, 40}, RGB(255, 0, 0)), 0);
  EXPECT_EQ(0, coloured.CountColour(RECT{0, 0, 200, 40}, RGB(0, 0, 255)));
  EXPECT_EQ(RGB(255, 255, 255), coloured.At(199, 39));
}

}  // namespace
