// Damaged layouts through the parser and the builder: every mutated document either parses
// and builds, or fails with one of the parser's stated messages; nothing crashes or reads
// outside the text. SKINUI_FUZZ_ROUNDS sets the number of documents (the long run sets many).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/dialog_builder_callback.h"
#include "skinui/skin_builder.h"
#include "skinui/window_manager.h"
#include "skinui/xml_document.h"
#include "tests/skinui/test_skin.h"
#include "utils/text_conversion.h"

namespace {

using SkinUI::CControlUI;
using SkinUI::ControlPtr;
using SkinUI::CSkinBuilder;
using SkinUI::CXmlDocument;
using SkinUI::CXmlNode;

const std::set<std::wstring> kParseErrors = {
    L"Expected start tag",         L"Error parsing element name",
    L"Expected start-tag closing", L"Expected end-tag start",
    L"Unmatched closing tag",      L"Error while parsing attributes",
    L"Expected attribute value",   L"Error while parsing attribute string",
};

int Rounds() {
  const char* value = std::getenv("SKINUI_FUZZ_ROUNDS");
  const int rounds = value ? std::atoi(value) : 0;
  return rounds > 0 ? rounds : 3000;
}

// Windows make the two installer elements the framework does not know.
class FuzzCallback : public SkinUI::IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(const wchar_t* name) override {
    if (std::wstring(name) == L"SequenceButton" || std::wstring(name) == L"SequenceLabel") return new CControlUI();
    return nullptr;
  }
};

std::vector<std::wstring> Seeds() {
  std::vector<std::wstring> seeds;
  for (const char* file : {"mainWnd.xml", "res/pages/page.xml"})
    seeds.push_back(Utils::MultiByteToWide(SkinTest::StagedFile(file), CP_UTF8));
  seeds.push_back(
      L"<?xml version=\"1.0\"?><Window size=\"600,400\" caption=\"0,0,0,35\">>"
      L"<Font id=\"1\" name=\"Arial\" size=\"12\" bold=\"true\"/><Default name=\"Button\" value=\"a=&quot;1&quot;\"/>"
      L"<MultiLanguage id=\"4\" value=\"x &amp; y\"/><Image name=\"#FF00FF00\" restype=\"*COLOR*\"/>"
      L"<VerticalLayout><TabLayout><HorizontalLayout inset=\"1,2,3,4\"><Button text=\"&lt;b&gt;\"/>"
      L"<SequenceLabel/><Control cover=\"true\"/></HorizontalLayout><Label/></TabLayout>"
      L"<!-- note --><Edit/></VerticalLayout></Window>");
  return seeds;
}

std::wstring Mutate(const std::wstring& seed, std::mt19937& random) {
  std::wstring text = seed;
  auto position = [&](size_t size) { return std::uniform_int_distribution<size_t>(0, size)(random); };
  static const wchar_t kSpecial[] = {L'<', L'>', L'"', L'&', L'/', L'=', L'!', L'?', L'-', L' ', L'\''};
  const int mutations = std::uniform_int_distribution<int>(1, 4)(random);
  for (int m = 0; m < mutations; ++m) {
    switch (std::uniform_int_distribution<int>(0, 6)(random)) {
      case 0:  // truncation
        text.resize(position(text.size()));
        break;
      case 1:  // a changed character
        if (!text.empty()) text[position(text.size() - 1)] = static_cast<wchar_t>(random() % 0x80 + 1);
        break;
      case 2:  // an inserted markup character
        text.insert(position(text.size()), 1, kSpecial[random() % (sizeof(kSpecial) / sizeof(kSpecial[0]))]);
        break;
      case 3:  // a long name
        text.insert(position(text.size()), std::wstring(std::uniform_int_distribution<int>(100, 5000)(random), L'n'));
        break;
      case 4: {  // deep nesting
        const int depth = std::uniform_int_distribution<int>(10, 3000)(random);
        std::wstring open, close;
        for (int i = 0; i < depth; ++i) {
          open += L"<HBox>";
          close += L"</HBox>";
        }
        const size_t at = position(text.size());
        text.insert(at, open + (random() % 2 ? close : L""));
        break;
      }
      case 5:  // a cut-out span
        if (!text.empty()) {
          const size_t at = position(text.size() - 1);
          text.erase(at, std::uniform_int_distribution<size_t>(1, 40)(random));
        }
        break;
      default:  // a duplicated span
        if (!text.empty()) {
          const size_t at = position(text.size() - 1);
          text.insert(position(text.size()), text.substr(at, 60));
        }
        break;
    }
  }
  return text;
}

// Walks the whole tree without recursion and touches every name, value and attribute.
size_t Walk(const CXmlDocument& document) {
  size_t touched = 0;
  std::vector<CXmlNode> pending;
  if (document.Root().IsValid()) pending.push_back(document.Root());
  while (!pending.empty()) {
    CXmlNode node = pending.back();
    pending.pop_back();
    touched += std::wcslen(node.Name()) + std::wcslen(node.Value());
    EXPECT_LE(node.AttributeCount(), CXmlNode::kMaxAttributes);
    for (int i = 0; i < node.AttributeCount(); ++i)
      touched += std::wcslen(node.AttributeName(i)) + std::wcslen(node.AttributeValue(i));
    if (node.NextSibling().IsValid()) pending.push_back(node.NextSibling());
    if (node.FirstChild().IsValid()) pending.push_back(node.FirstChild());
  }
  return touched;
}

TEST(MarkupFuzz, MutatedLayoutsParseOrFailWithAStatedMessage) {
  SkinTest::UseArchiveFromMemory();
  const std::vector<std::wstring> seeds = Seeds();
  std::mt19937 random(20240611);
  FuzzCallback callback;
  int parsed = 0, failed = 0;
  const int rounds = Rounds();
  for (int round = 0; round < rounds; ++round) {
    const std::wstring text = Mutate(seeds[round % seeds.size()], random);
    CSkinBuilder builder;
    if (!builder.Document().Load(text.c_str())) {
      ++failed;
      ASSERT_EQ(1u, kParseErrors.count(builder.Document().LastErrorMessage()))
          << "round " << round << ": " << Utils::WideToMultiByte(builder.Document().LastErrorMessage(), CP_UTF8);
      ASSERT_LE(builder.Document().LastErrorLocation().size(), 49u);
      continue;
    }
    ++parsed;
    Walk(builder.Document());
    SkinUI::CWindowManagerUI manager;
    ControlPtr root(builder.Build(&callback, &manager));
    if (::testing::Test::HasFatalFailure()) return;
  }
  SkinTest::ResetSkinSource();
  // Both outcomes must really occur, or the mutations are too weak or too strong to mean much.
  EXPECT_GT(parsed, rounds / 20);
  EXPECT_GT(failed, rounds / 20);
}

}  // namespace
