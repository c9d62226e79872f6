#include "utils/guid_string.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(NewGuidStringTest, ThirtyTwoHexDigitsWithOnlyTheThirdGroupInLowerCase) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 50; ++i) {
    const std::wstring guid = Utils::NewGuidString();
    ASSERT_EQ(guid.size(), 32u) << ::testing::PrintToString(guid);
    EXPECT_EQ(guid.find_first_of(L"-{}"), std::wstring::npos);
    for (size_t k = 0; k < guid.size(); ++k) {
      const wchar_t c = guid[k];
      const bool digit = c >= L'0' && c <= L'9';
      const bool thirdGroup = k >= 12 && k < 16;
      if (thirdGroup) {
        EXPECT_TRUE(digit || (c >= L'a' && c <= L'f')) << "position " << k << " of " << ::testing::PrintToString(guid);
      } else {
        EXPECT_TRUE(digit || (c >= L'A' && c <= L'F')) << "position " << k << " of " << ::testing::PrintToString(guid);
      }
    }
    // A version-4 GUID: the first digit of the third group is its version.
    EXPECT_EQ(guid[12], L'4');
    seen.insert(guid);
  }
  EXPECT_EQ(seen.size(), 50u);
}

}  // namespace
