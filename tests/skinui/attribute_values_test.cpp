// The value syntax shared by markup attributes.
#include "skinui/attribute_values.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(AttributeValues, NumberListsStopAtTheEndOfTheText) {
  const struct {
    const wchar_t* text;
    std::vector<long> values;
  } cases[] = {
      {L"1,2,3,4", {1, 2, 3, 4}}, {L"600", {600, 0, 0, 0}}, {L"600,", {600, 0, 0, 0}}, {L"0 0 0 35", {0, 0, 0, 35}},
      {L"-5;7", {-5, 7, 0, 0}},   {L"a,b", {0, 0, 0, 0}},   {L"", {0, 0, 0, 0}},       {L"1,2,3,4,5", {1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    long values[4] = {9, 9, 9, 9};
    SkinUI::ReadNumberList(c.text, values, 4);
    EXPECT_EQ(c.values, std::vector<long>(values, values + 4));
  }
  long value = 9;
  SkinUI::ReadNumberList(nullptr, &value, 1);
  EXPECT_EQ(0, value);
}

TEST(AttributeValues, ColoursAndBooleans) {
  EXPECT_EQ(0xFF3E86FDu, SkinUI::ReadHexValue(L"#FF3E86FD"));
  EXPECT_EQ(0xFF3E86FDu, SkinUI::ReadHexValue(L"0xFF3E86FD"));
  EXPECT_EQ(0xFF3E86FDu, SkinUI::ReadHexValue(L"  #ff3e86fd"));
  EXPECT_EQ(0u, SkinUI::ReadHexValue(L"#zz"));
  EXPECT_EQ(0u, SkinUI::ReadHexValue(nullptr));
  EXPECT_TRUE(SkinUI::IsTrueText(L"true"));
  EXPECT_FALSE(SkinUI::IsTrueText(L"True"));
  EXPECT_FALSE(SkinUI::IsTrueText(L"true "));
  EXPECT_FALSE(SkinUI::IsTrueText(nullptr));
  EXPECT_TRUE(SkinUI::EqualsNoCase(L"VerticalLayout", L"VERTICALlayout"));
  EXPECT_FALSE(SkinUI::EqualsNoCase(L"VBox", L"VBox "));
  EXPECT_FALSE(SkinUI::EqualsNoCase(nullptr, L""));
}

}  // namespace
