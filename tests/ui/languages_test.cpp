// Languages: the tables, the choice from the system, and LoadLanguage and ReadInstalledLanguage
// against real "language.json" and "config.ini" files.
#include <gtest/gtest.h>

#include <string>

#include "skinui/language_strings.h"
#include "skinui/window_manager.h"
#include "tests/support/sandbox.h"
#include "ui/languages.h"
#include "utils/installer_settings.h"

namespace {

using SkinUI::CWindowManagerUI;

std::wstring TextOf(int id) {
  const std::wstring* text = SkinUI::FindLanguageString(id);
  return text ? *text : L"<none>";
}

const char kTwoIds[] =
    "[{\"id\": 1, \"en-US\": \"Language\", \"zh-CN\": \"\xE8\xAF\xAD\xE8\xA8\x80\", \"ja-JP\": \"JA\", "
    "\"ru-RU\": \"RU\"},"
    " {\"id\": 2, \"en-US\": \"Back\", \"ja-JP\": \"JA back\"}]";

// Skin files are plain files of a fresh folder; the language table starts empty.
class LanguageFiles : public TestSupport::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    CWindowManagerUI::SetSkinArchiveFile(L"", false);
    CWindowManagerUI::SetSkinFolderPath(Sandbox().Path());
    SkinUI::RemoveAllLanguageStrings();
  }
  void TearDown() override {
    SkinUI::RemoveAllLanguageStrings();
    CWindowManagerUI::SetSkinFolderPath(L"");
    SandboxTest::TearDown();
  }
  void WriteLanguageFile(const std::string& bytes) {
    ASSERT_TRUE(TestSupport::WriteFileBytes(Sandbox().File(L"language.json"), bytes));
  }
};

TEST(LanguageTables, CodesAndSystemLanguages) {
  ASSERT_EQ(15u, WideLanguageCodes().size());
  ASSERT_EQ(15u, NarrowLanguageCodes().size());
  EXPECT_EQ(L"zh-CN", LanguageCodeAt(1));
  EXPECT_EQ(L"ru-RU", LanguageCodeAt(14));
  EXPECT_EQ("ja-JP", NarrowLanguageCodes()[9]);
  EXPECT_EQ(L"", LanguageCodeAt(15));
  EXPECT_EQ(L"", LanguageCodeAt(-1));

  const struct {
    LANGID id;
    int index;
  } cases[] = {{0x0409, 0},  {0x0804, 0},  {0x0404, 2},  {0x0421, 3},  {0x041F, 4},  {0x0407, 5},  {0x040C, 6},
               {0x040A, 7},  {0x0C0A, 7},  {0x500A, 7},  {0x540A, 0},  {0x0416, 8},  {0x0816, 0},  {0x0411, 9},
               {0x0412, 10}, {0x0415, 11}, {0x0413, 12}, {0x0813, 12}, {0x0410, 13}, {0x0419, 14}, {0x0000, 0}};
  for (const auto& c : cases) EXPECT_EQ(c.index, LanguageFromLangId(c.id)) << std::hex << c.id;
  EXPECT_EQ(LanguageFromLangId(::GetUserDefaultUILanguage()), LanguageFromSystem());
}

TEST_F(LanguageFiles, IndexResolutionAndTexts) {
  WriteLanguageFile(kTwoIds);
  const struct {
    int index;
    const wchar_t* code;
    int resolved;
    const wchar_t* text1;
  } cases[] = {
      {1, L"", 1, L"\u8BED\u8A00"},
      {9, L"", 9, L"JA"},
      {99, L"", 0, L"Language"},  // outside the table: the first language
      {-1, L"", 0, L"Language"},
      {0, L"ru-RU", 14, L"RU"},  // a known code wins over the index
      {3, L"ja-JP", 9, L"JA"},
      {0, L"xx-XX", 0, L"Language"},      // an unknown code keeps the given index
      {1, L"ja-jp", 1, L"\u8BED\u8A00"},  // codes compare exactly
      {5, L"", 5, L""},                   // de-DE is missing: an empty text, not the old one
  };
  for (const auto& c : cases) {
    SkinUI::AddLanguageString(1, L"old");
    EXPECT_EQ(c.resolved, LoadLanguage(c.index, c.code)) << c.index << " " << c.code;
    EXPECT_EQ(c.text1, TextOf(1)) << c.index << " " << c.code;
  }
}

TEST_F(LanguageFiles, UnknownCodeOutsideTheTableGivesEmptyTexts) {
  WriteLanguageFile(kTwoIds);
  EXPECT_EQ(99, LoadLanguage(99, L"xx-XX"));
  EXPECT_EQ(L"", TextOf(1));
  EXPECT_EQ(L"", TextOf(2));
}

TEST_F(LanguageFiles, FileProblemsChangeNothingAndGiveZero) {
  SkinUI::AddLanguageString(1, L"old");
  EXPECT_EQ(0, LoadLanguage(9, L"")) << "no file";
  WriteLanguageFile("");
  EXPECT_EQ(0, LoadLanguage(9, L"")) << "empty file";
  WriteLanguageFile("[{\"id\": 1, \"ja-JP\": \"JA\"");
  EXPECT_EQ(9, LoadLanguage(9, L"")) << "a file that does not parse still resolves the index";
  EXPECT_EQ(L"old", TextOf(1));
}

TEST_F(LanguageFiles, FourMebibytesAreTheLimit) {
  const std::string body = "[{\"id\": 7, \"en-US\": \"big\"}]";
  WriteLanguageFile(body + std::string(kMaxLanguageFileSize - body.size(), ' '));
  EXPECT_EQ(2, LoadLanguage(2, L""));
  EXPECT_EQ(L"", TextOf(7)) << "zh-TW is missing, so the id gets an empty text";
  EXPECT_EQ(0, LoadLanguage(0, L""));
  EXPECT_EQ(L"big", TextOf(7));

  SkinUI::RemoveAllLanguageStrings();
  WriteLanguageFile(body + std::string(kMaxLanguageFileSize + 1 - body.size(), ' '));
  EXPECT_EQ(0, LoadLanguage(2, L""));
  EXPECT_EQ(L"<none>", TextOf(7));
}

TEST_F(LanguageFiles, OddElementsAreSkippedAndTextsAreStrictUtf8) {
  WriteLanguageFile(
      "[5, \"text\", null, {\"en-US\": \"no id\"}, {\"id\": \"3\", \"en-US\": \"string id\"},"
      " {\"id\": 4, \"en-US\": 12}, {\"id\": 5, \"en-US\": \"bad \xC3\x28 utf8\"},"
      " {\"id\": 6, \"en-US\": \"emoji \xF0\x9F\x98\x80\"}, {\"id\": 8, \"en-US\": \"kept\"}]");
  EXPECT_EQ(0, LoadLanguage(0, L""));
  EXPECT_EQ(L"<none>", TextOf(3)) << "an id that is no integer names no text";
  EXPECT_EQ(L"", TextOf(4)) << "a member that is no string reads as empty";
  EXPECT_EQ(L"", TextOf(5)) << "invalid UTF-8 becomes empty";
  EXPECT_EQ(L"emoji \U0001F600", TextOf(6)) << "characters beyond 16 bits survive as a surrogate pair";
  EXPECT_EQ(L"kept", TextOf(8));
}

TEST_F(LanguageFiles, ObjectMembersComeInNameOrder) {
  WriteLanguageFile("{\"b\": {\"id\": 1, \"en-US\": \"from b\"}, \"a\": {\"id\": 1, \"en-US\": \"from a\"}}");
  EXPECT_EQ(0, LoadLanguage(0, L""));
  EXPECT_EQ(L"from b", TextOf(1));
}

TEST_F(LanguageFiles, InstalledLanguageFromConfigIni) {
  CWindowManagerUI manager;  // no window and no "languageCombo"
  const std::wstring dir = Sandbox().Path() + L"\\old";
  ASSERT_TRUE(::CreateDirectoryW(dir.c_str(), nullptr));
  const std::wstring ini = dir + L"\\config.ini";
  const struct {
    const char* content;  // null: no config.ini
    int index;
  } cases[] = {
      {"[Install]\r\nLanguage=ja-JP\r\n", 9}, {"[Install]\r\nLanguage=xx-XX\r\n", 0},
      {"[Install]\r\nOther=1\r\n", 0},  // the default "en-US"
      {"[Install]\r\nLanguage=zh-TW\r\n", 2}, {nullptr, 0},
  };
  WriteLanguageFile(kTwoIds);
  for (const auto& c : cases) {
    ::DeleteFileW(ini.c_str());
    if (c.content) {
      ASSERT_TRUE(TestSupport::WriteFileBytes(ini, c.content));
    }
    EXPECT_EQ(c.index, ReadInstalledLanguage(manager, dir)) << (c.content ? c.content : "no file");
    EXPECT_EQ(c.index, ReadInstalledLanguage(manager, dir + L"\\")) << "a trailing backslash is the same folder";
  }
  ASSERT_TRUE(TestSupport::WriteFileBytes(ini, "[Install]\r\nLanguage=ja-JP\r\n"));
  ::DeleteFileW(Sandbox().File(L"language.json").c_str());
  EXPECT_EQ(0, ReadInstalledLanguage(manager, dir)) << "without language.json every answer is 0";
  EXPECT_EQ(L"", GetLanguageCode(manager)) << "no combo, no code for the package";
  EXPECT_EQ(-1, SelectStartLanguage(manager));
}

TEST_F(LanguageFiles, ApplyStoresTheAppliedIndex) {
  CWindowManagerUI manager;
  WriteLanguageFile(kTwoIds);
  InstallerSettings& settings = InstallerSettings::Instance();
  const int before = settings.Language;
  EXPECT_EQ(0, ApplyLanguage(manager, 99));
  EXPECT_EQ(0, settings.Language) << "an index outside the table is stored back as 0";
  EXPECT_EQ(9, ApplyLanguage(manager, 9));
  EXPECT_EQ(9, settings.Language);
  settings.Language = before;
}

}  // namespace
