// Loading layout files: every failure's stated text, the 4 MiB boundary, and the encodings.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "skinui/window_manager.h"
#include "skinui/xml_document.h"
#include "tests/skinui/test_skin.h"
#include "utils/text_conversion.h"

namespace {

using SkinUI::CXmlDocument;
using SkinUI::CXmlNode;

struct LoadCase {
  const wchar_t* name;
  const wchar_t* error;  // null: loads
};

void ExpectLoads(const LoadCase (&cases)[7]) {
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(Utils::WideToMultiByte(c.name, CP_UTF8));
    CXmlDocument document;
    const bool loaded = document.LoadFromFile(c.name, CXmlDocument::kUtf8);
    if (!c.error) {
      EXPECT_TRUE(loaded) << Utils::WideToMultiByte(document.LastErrorMessage(), CP_UTF8);
      EXPECT_TRUE(document.Root().IsValid());
      continue;
    }
    EXPECT_FALSE(loaded);
    EXPECT_EQ(std::wstring(c.error), document.LastErrorMessage());
    if (std::wstring(c.error) != L"Unmatched closing tag") {
      EXPECT_EQ(L"", document.LastErrorLocation());
    }
    EXPECT_FALSE(document.Root().IsValid());
  }
}

class XmlLoadTest : public SkinTest::SkinFixture {};

TEST_F(XmlLoadTest, PlainFilesUnderTheSkinFolder) {
  SkinTest::UsePlainFolder();
  const LoadCase cases[] = {
      {L"mainWnd.xml", nullptr},
      {L"missing.xml", L"Error opening file"},
      {L"res\\empty.xml", L"File is empty"},
      {L"res\\big\\exact.xml", nullptr},
      {L"res\\big\\over.xml", L"File too large"},
      {L"res\\broken.xml", L"Unmatched closing tag"},
      {L"res\\中文\\布局.xml", nullptr},
  };
  ExpectLoads(cases);
}

TEST_F(XmlLoadTest, EntriesOfTheCachedArchive) {
  SkinTest::UseArchiveFromMemory();
  const LoadCase cases[] = {
      {L"MainWnd.xml", nullptr},
      {L"missing.xml", L"Could not find ziped file"},
      {L"res\\empty.xml", L"File is empty"},
      {L"res\\big\\exact.xml", nullptr},
      {L"res\\big\\over.xml", L"File too large"},
      {L"res\\broken.xml", L"Unmatched closing tag"},
      {L"RES\\中文\\布局.XML", nullptr},
  };
  ExpectLoads(cases);
}

TEST_F(XmlLoadTest, ExactlyFourMebibytesIsAWholeLayout) {
  SkinTest::UseArchiveFromMemory();
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromFile(L"res\\big\\exact.xml", CXmlDocument::kUtf8));
  CXmlNode control = document.Root().FirstChild();
  EXPECT_STREQ(L"Control", control.Name());
  EXPECT_STREQ(L"big", control.FindAttribute(L"name"));
}

TEST_F(XmlLoadTest, ArchiveThatDidNotOpen) {
  const std::string garbage(64, 'x');
  SkinUI::CWindowManagerUI::SetSkinArchiveFromMemory(garbage.data(), garbage.size());
  CXmlDocument document;
  EXPECT_FALSE(document.LoadFromFile(L"mainWnd.xml", CXmlDocument::kUtf8));
  EXPECT_EQ(L"Error opening zip file", document.LastErrorMessage());
}

TEST_F(XmlLoadTest, AFailedLoadReleasesTheEarlierDocument) {
  SkinTest::UseArchiveFromMemory();
  CXmlDocument document;
  ASSERT_TRUE(document.LoadFromFile(L"mainWnd.xml", CXmlDocument::kUtf8));
  EXPECT_FALSE(document.LoadFromFile(L"missing.xml", CXmlDocument::kUtf8));
  EXPECT_FALSE(document.Root().IsValid());
  ASSERT_TRUE(document.LoadFromFile(L"res\\pages\\page.xml", CXmlDocument::kUtf8));
  EXPECT_EQ(L"", document.LastErrorMessage()) << "a successful parse clears the error";
}

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

bool LoadBytes(CXmlDocument& document, const std::string& bytes, int encoding) {
  return document.LoadFromMemory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), encoding);
}

TEST(XmlDecoding, Utf8WithAndWithoutByteOrderMark) {
  CXmlDocument document;
  ASSERT_TRUE(LoadBytes(document, "\xEF\xBB\xBF<A v=\"\xC3\xA9\xE5\xAE\x89\"/>", CXmlDocument::kUtf8));
  EXPECT_STREQ(L"A", document.Root().Name());
  EXPECT_STREQ(L"é安", document.Root().FindAttribute(L"v"));
  ASSERT_TRUE(LoadBytes(document, "<B/>", CXmlDocument::kUtf8));
  EXPECT_STREQ(L"B", document.Root().Name());
}

TEST(XmlDecoding, Utf16NeedsItsByteOrderMark) {
  CXmlDocument document;
  ASSERT_TRUE(LoadBytes(document, Bytes({0xFF, 0xFE, '<', 0, 'A', 0, '/', 0, '>', 0}), CXmlDocument::kUtf16));
  EXPECT_STREQ(L"A", document.Root().Name());
  ASSERT_TRUE(
      LoadBytes(document, Bytes({0xFE, 0xFF, 0, '<', 0, 'B', 0x5B, 0x89, 0, '/', 0, '>'}), CXmlDocument::kUtf16));
  EXPECT_STREQ(L"B安", document.Root().Name());
  EXPECT_FALSE(LoadBytes(document, Bytes({'<', 0, 'A', 0, '/', 0, '>', 0}), CXmlDocument::kUtf16));
  EXPECT_EQ(L"Could not decode text", document.LastErrorMessage());
  EXPECT_FALSE(document.Root().IsValid());
}

TEST(XmlDecoding, AnsiUsesTheCodePageOfTheSystem) {
  const std::string text = "<A v=\"\xE9\"/>";
  CXmlDocument document;
  ASSERT_TRUE(LoadBytes(document, text, CXmlDocument::kAnsi));
  EXPECT_EQ(Utils::MultiByteToWide("\xE9", CP_ACP), document.Root().FindAttribute(L"v"));
}

TEST(XmlDecoding, TextEndsAtItsFirstZero) {
  CXmlDocument document;
  ASSERT_TRUE(LoadBytes(document, std::string("<A/>\0<B", 7), CXmlDocument::kUtf8));
  EXPECT_FALSE(document.Root().NextSibling().IsValid());
  ASSERT_TRUE(LoadBytes(document, "", CXmlDocument::kUtf8));
  EXPECT_FALSE(document.Root().IsValid()) << "an empty document parses and has no root";
}

}  // namespace
