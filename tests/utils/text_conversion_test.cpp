#include "utils/text_conversion.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

struct Utf8Case {
  const wchar_t* wide;
  const char* utf8;
};

class Utf8ConversionTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ConversionTest, ConvertsBothWays) {
  const std::wstring wide = GetParam().wide;
  const std::string utf8 = GetParam().utf8;
  EXPECT_EQ(Utils::WideToMultiByte(wide, CP_UTF8), utf8);
  EXPECT_EQ(Utils::MultiByteToWide(utf8, CP_UTF8), wide);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8ConversionTest,
    ::testing::Values(Utf8Case{L"http://127.0.0.1/p", "http://127.0.0.1/p"},
                      // "安装程序" (installer) and a mixed path: three bytes per character
                      Utf8Case{L"\u5B89\u88C5\u7A0B\u5E8F", "\xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F"},
                      Utf8Case{L"C:\\\u8F6F\u4EF6\\a b.exe", "C:\\\xE8\xBD\xAF\xE4\xBB\xB6\\a b.exe"},
                      // a character outside the basic plane travels as a surrogate pair
                      Utf8Case{L"\U0001F600", "\xF0\x9F\x98\x80"}, Utf8Case{L"", ""}));

TEST(TextConversionTest, AnsiCodePage1252RoundTrip) {
  if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << ::GetACP() << ", these cases assume 1252";
  const std::string ansi = "caf\xE9 \x80 \xFC";  // café € ü in 1252
  const std::wstring wide = L"caf\u00E9 \u20AC \u00FC";
  EXPECT_EQ(Utils::MultiByteToWide(ansi, CP_ACP), wide);
  EXPECT_EQ(Utils::WideToMultiByte(wide, CP_ACP), ansi);
  EXPECT_EQ(Utils::MultiByteToWide(Utils::WideToMultiByte(wide, CP_ACP), CP_ACP), wide);
}

TEST(TextConversionTest, EmptyTextGivesEmpty) {
  EXPECT_EQ(Utils::MultiByteToWide("", CP_ACP), L"");
  EXPECT_EQ(Utils::WideToMultiByte(L"", CP_ACP), "");
}

TEST(TextConversionTest, UnknownCodePageGivesEmpty) {
  constexpr UINT kNoSuchCodePage = 12345;
  EXPECT_EQ(Utils::MultiByteToWide("abc", kNoSuchCodePage), L"");
  EXPECT_EQ(Utils::WideToMultiByte(L"abc", kNoSuchCodePage), "");
}

TEST(TextConversionTest, StopsAtFirstZero) {
  // The conversions work on zero-terminated text: whatever follows an embedded zero is dropped,
  // and the result carries no terminator of its own.
  const std::wstring wide = Utils::MultiByteToWide(std::string("ab\0cd", 5), CP_UTF8);
  EXPECT_EQ(wide, L"ab");
  EXPECT_EQ(wide.size(), 2u);
  const std::string narrow = Utils::WideToMultiByte(std::wstring(L"ab\0cd", 5), CP_UTF8);
  EXPECT_EQ(narrow, "ab");
  EXPECT_EQ(narrow.size(), 2u);
}

TEST(TextConversionTest, LongTextConvertsWhole) {
  std::wstring wide;
  for (int i = 0; i < 5000; ++i) wide += L"\u4E2Dx";
  const std::string utf8 = Utils::WideToMultiByte(wide, CP_UTF8);
  EXPECT_EQ(utf8.size(), 5000u * 4u);
  EXPECT_EQ(Utils::MultiByteToWide(utf8, CP_UTF8), wide);
}

}  // namespace
