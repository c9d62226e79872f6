// The markup parser: the accepted subset, its quirks, and every error message.
#include "skinui/xml_document.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "utils/text_conversion.h"

namespace {

using SkinUI::CXmlDocument;
using SkinUI::CXmlNode;

struct ParseCase {
  const char* what;
  const wchar_t* text;
  const wchar_t* error;  // null: parses
};

const ParseCase kParseCases[] = {
    {"start tag ending in >> (the second > is content)", L"<Window size=\"1,2\">>\n  <Control/>\n</Window>", nullptr},
    {"root without its end tag", L"<Window><Control/>", nullptr},
    {"root without its end tag, content after the last child", L"<Window><A><B/></A>\n", nullptr},
    {"child of the root without its end tag", L"<Window><A>text", nullptr},
    {"missing end tag two levels down", L"<Window><A><B/>", L"Expected start tag"},
    {"unclosed element two levels down", L"<Window><A><B>", L"Expected end-tag start"},
    {"end tag of another name", L"<A></B>", L"Unmatched closing tag"},
    {"end tag that is only the start of the name", L"<Abc></Ab>", L"Unmatched closing tag"},
    {"end tag longer than the name", L"<Ab></Abc>", L"Unmatched closing tag"},
    {"whitespace inside the end tag", L"<Ab></ Ab >", nullptr},
    {"single-quoted value", L"<A x='1'/>", L"Expected attribute value"},
    {"attribute without =", L"<A x \"1\"/>", L"Error while parsing attributes"},
    {"hyphen in an attribute name", L"<A data-x=\"1\"/>", L"Error while parsing attributes"},
    {"value without its closing quote", L"<A x=\"abc", L"Error while parsing attribute string"},
    {"name running to the end", L"<Abc", L"Error parsing element name"},
    {"lone <", L"<", L"Error parsing element name"},
    {"start tag without >", L"<A x=\"1\"", L"Expected start-tag closing"},
    {"slash not followed by >", L"<A/ >", L"Expected start-tag closing"},
    {"text at the top level", L"hello", L"Expected start tag"},
    {"text after the root", L"<A/>junk", L"Expected start tag"},
    {"text after a child element", L"<A><B/>tail</A>", L"Expected start tag"},
    {"comment with -> before its end", L"<A><!-- a -> b --><B/></A>", L"Expected start tag"},
    {"declaration and comments", L"<?xml version=\"1.0\"?>\n<!-- c -->\n<A><!-- d --><B/></A>\n<!-- e -->", nullptr},
    {"whitespace between < and the name", L"< A/>", nullptr},
    {"stray end tag at the top", L"</A>", nullptr},
    {"empty document", L"   ", nullptr},
};

TEST(XmlParser, AcceptsTheSubsetAndNamesEachError) {
  for (const ParseCase& c : kParseCases) {
    SCOPED_TRACE(c.what);
    CXmlDocument document;
    const bool parsed = document.Load(c.text);
    EXPECT_EQ(c.error == nullptr, parsed) << Utils::WideToMultiByte(document.LastErrorMessage(), CP_UTF8);
    EXPECT_EQ(std::wstring(c.error ? c.error : L""), document.LastErrorMessage());
    if (c.error) {
      EXPECT_FALSE(document.Root().IsValid()) << "a failed parse releases the document";
    }
  }
}

TEST(XmlParser, ErrorLocationIsTheTextAtTheFailure) {
  CXmlDocument document;
  EXPECT_FALSE(document.Load(L"<A></B>"));
  EXPECT_EQ(L"B>", document.LastErrorLocation());
  const std::wstring longTail(200, L'x');
  EXPECT_FALSE(document.Load((L"<A/>" + longTail).c_str()));
  EXPECT_EQ(std::wstring(49, L'x'), document.LastErrorLocation());
}

TEST(XmlParser, BuildsTheElementTree) {
  CXmlDocument document;
  ASSERT_TRUE(
      document.Load(L"<Window a=\"1\">>\n <First/><Second x=\"2\">  two  words  <Inner/></Second>"
                    L"<Third></Third></Window>"));
  CXmlNode root = document.Root();
  ASSERT_TRUE(root.IsValid());
  EXPECT_STREQ(L"Window", root.Name());
  EXPECT_STREQ(L">\n ", root.Value());
  EXPECT_TRUE(root.HasChildren());
  EXPECT_FALSE(root.NextSibling().IsValid());

  CXmlNode first = root.FirstChild();
  EXPECT_STREQ(L"First", first.Name());
  EXPECT_STREQ(L"", first.Value());
  EXPECT_FALSE(first.HasChildren());
  EXPECT_FALSE(first.HasAttributes());
  CXmlNode second = first.NextSibling();
  EXPECT_STREQ(L"Second", second.Name());
  EXPECT_STREQ(L"  two  words  ", second.Value()) << "whitespace is kept as written";
  EXPECT_STREQ(L"Inner", second.FirstChild().Name());
  CXmlNode third = second.NextSibling();
  EXPECT_STREQ(L"Third", third.Name());
  EXPECT_FALSE(third.NextSibling().IsValid());
  EXPECT_FALSE(third.FirstChild().IsValid());
  EXPECT_FALSE(CXmlNode().IsValid());
  EXPECT_STREQ(L"", CXmlNode().Name());
}

TEST(XmlParser, EmptyElementWithAndWithoutSpaceBeforeSlash) {
  CXmlDocument document;
  ASSERT_TRUE(document.Load(L"<W><Control/><Control /><Control x=\"1\"/><Control></Control></W>"));
  int count = 0;
  for (CXmlNode node = document.Root().FirstChild(); node.IsValid(); node = node.NextSibling()) {
    EXPECT_STREQ(L"Control", node.Name());
    EXPECT_STREQ(L"", node.Value());
    EXPECT_FALSE(node.HasChildren());
    ++count;
  }
  EXPECT_EQ(4, count);
}

TEST(XmlParser, DecodesTheFiveEntitiesAndNothingElse) {
  const struct {
    const wchar_t* written;
    const wchar_t* read;
  } cases[] = {
      {L"&lt;word&gt;", L"<word>"},
      {L"&quot;&apos;&amp;", L"\"'&"},
      {L"&#65;&#x41;", L"&#65;&#x41;"},
      {L"a & b", L"a & b"},
      {L"&amp;amp;", L"&amp;"},
      {L"&lt", L"&lt"},
      {L"a>b", L"a>b"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    const std::wstring text = std::wstring(L"<A v=\"") + c.written + L"\" w=\"after\">" + c.written + L"<B/></A>";
    CXmlDocument document;
    ASSERT_TRUE(document.Load(text.c_str())) << Utils::WideToMultiByte(text, CP_UTF8);
    EXPECT_STREQ(c.read, document.Root().FindAttribute(L"v"));
    EXPECT_STREQ(L"after", document.Root().FindAttribute(L"w")) << "the next attribute follows a shortened value";
    EXPECT_STREQ(c.read, document.Root().Value());
  }
}

TEST(XmlParser, AttributesInDocumentOrderIncludingDuplicatesAndOddNames) {
  CXmlDocument document;
  ASSERT_TRUE(document.Load(L"<A x=\"1\" b:c_2 = \"two\"\tx=\"3\"y=\"\" =\"nameless\" 中=\"文\"/>"));
  CXmlNode node = document.Root();
  ASSERT_EQ(6, node.AttributeCount());
  const wchar_t* names[] = {L"x", L"b:c_2", L"x", L"y", L"", L"中"};
  const wchar_t* values[] = {L"1", L"two", L"3", L"", L"nameless", L"文"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_STREQ(names[i], node.AttributeName(i)) << i;
    EXPECT_STREQ(values[i], node.AttributeValue(i)) << i;
  }
  EXPECT_STREQ(L"1", node.FindAttribute(L"x")) << "the first of two equal names";
  EXPECT_EQ(nullptr, node.FindAttribute(L"X")) << "names are case-sensitive";
  EXPECT_STREQ(L"", node.AttributeName(-1));
  EXPECT_STREQ(L"", node.AttributeValue(6));
}

TEST(XmlParser, OnlyTheFirst64AttributesAreVisible) {
  std::wstring text = L"<A";
  for (int i = 0; i < 70; ++i) text += L" a" + std::to_wstring(i) + L"=\"v" + std::to_wstring(i) + L"\"";
  text += L"><B/></A>";
  CXmlDocument document;
  ASSERT_TRUE(document.Load(text.c_str()));
  CXmlNode node = document.Root();
  EXPECT_EQ(64, node.AttributeCount());
  EXPECT_STREQ(L"v63", node.FindAttribute(L"a63"));
  EXPECT_EQ(nullptr, node.FindAttribute(L"a64"));
  EXPECT_STREQ(L"B", node.FirstChild().Name());
}

TEST(XmlParser, FindAttributeCopiesAtMostTheBuffer) {
  CXmlDocument document;
  ASSERT_TRUE(document.Load(L"<A v=\"abcdef\"/>"));
  wchar_t buffer[4] = {L'#', L'#', L'#', L'#'};
  ASSERT_TRUE(document.Root().FindAttribute(L"v", buffer, 4));
  EXPECT_STREQ(L"abc", buffer);
  wchar_t whole[16] = {};
  ASSERT_TRUE(document.Root().FindAttribute(L"v", whole, 16));
  EXPECT_STREQ(L"abcdef", whole);
  EXPECT_FALSE(document.Root().FindAttribute(L"w", whole, 16));
}

TEST(XmlParser, DeepNestingParsesWithoutRecursion) {
  const int depth = 200000;
  std::wstring text;
  for (int i = 0; i < depth; ++i) text += L"<a>";
  for (int i = 0; i < depth; ++i) text += L"</a>";
  CXmlDocument document;
  ASSERT_TRUE(document.Load(text.c_str()));
  int levels = 0;
  for (CXmlNode node = document.Root(); node.IsValid(); node = node.FirstChild()) ++levels;
  EXPECT_EQ(depth, levels);
}

}  // namespace
