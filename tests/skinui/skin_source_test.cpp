#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "skinui/skin_archive.h"
#include "skinui/window_manager.h"
#include "skinui/xml_document.h"
#include "tests/skinui/test_skin.h"

namespace {

using SkinUI::CWindowManagerUI;
using SkinUI::SkinSource;

class SkinSourceTest : public SkinTest::SkinFixture {};

TEST_F(SkinSourceTest, ModuleFolderIsTheExecutablesFolder) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring folder = CWindowManagerUI::ModuleFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(L'\\', folder.back());
  EXPECT_EQ(0u, std::wstring(path).find(folder));
  EXPECT_EQ(std::wstring::npos, std::wstring(path).substr(folder.size()).find(L'\\'));

  CWindowManagerUI::SetModuleInstance(nullptr);
  EXPECT_EQ(L"", CWindowManagerUI::ModuleFolder());
}

TEST_F(SkinSourceTest, SkinFolderPathAlwaysEndsInSeparator) {
  const struct {
    const wchar_t* given;
    const wchar_t* stored;
  } cases[] = {{L"", L""}, {L"C:\\skin", L"C:\\skin\\"}, {L"C:\\skin\\", L"C:\\skin\\"}, {L"C:/skin/", L"C:/skin/"}};
  for (const auto& c : cases) {
    CWindowManagerUI::SetSkinFolderPath(c.given);
    EXPECT_EQ(std::wstring(c.stored), CWindowManagerUI::SkinFolderPath());
  }
}

// The first window decompresses the archive; every later one finds it in memory.
TEST_F(SkinSourceTest, ArchiveFromMemoryIsOpenedOnceForTheProcess) {
  const std::string& bytes = SkinTest::ArchiveBytes();
  CWindowManagerUI::SetSkinArchiveFromMemory(bytes.data(), bytes.size());
  SkinUI::SkinArchive* first = CWindowManagerUI::CachedSkinArchive();
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(L"membuffer", CWindowManagerUI::SkinArchiveName());
  EXPECT_TRUE(CWindowManagerUI::IsSkinArchiveCached());

  const std::string other(100, 'x');
  CWindowManagerUI::SetSkinArchiveFromMemory(other.data(), other.size());
  EXPECT_EQ(first, CWindowManagerUI::CachedSkinArchive()) << "no second decompression";

  CWindowManagerUI::SetSkinArchiveFile(L"", false);
  EXPECT_EQ(nullptr, CWindowManagerUI::CachedSkinArchive());
  EXPECT_EQ(L"", CWindowManagerUI::SkinArchiveName());
}

TEST_F(SkinSourceTest, ZipResourceOpensTheModulesArchiveUnderTheModuleFolder) {
  ASSERT_TRUE(CWindowManagerUI::OpenSkinSource(SkinSource::ZipResource, L"", 147, L""));
  EXPECT_EQ(CWindowManagerUI::ModuleFolder(), CWindowManagerUI::SkinFolderPath());
  ASSERT_NE(nullptr, CWindowManagerUI::CachedSkinArchive());
  EXPECT_EQ(12u, CWindowManagerUI::CachedSkinArchive()->Entries().size());
  SkinUI::SkinArchive* archive = CWindowManagerUI::CachedSkinArchive();

  // A second window: folder and archive stay as they are.
  ASSERT_TRUE(CWindowManagerUI::OpenSkinSource(SkinSource::ZipResource, L"", 147, L""));
  EXPECT_EQ(CWindowManagerUI::ModuleFolder(), CWindowManagerUI::SkinFolderPath());
  EXPECT_EQ(archive, CWindowManagerUI::CachedSkinArchive());

  SkinUI::CXmlDocument document;
  EXPECT_TRUE(document.LoadFromFile(L"MainWnd.xml", SkinUI::CXmlDocument::kUtf8)) << document.LastErrorMessage();
}

TEST_F(SkinSourceTest, MissingZipResourceStopsTheWindowsSkin) {
  EXPECT_FALSE(CWindowManagerUI::OpenSkinSource(SkinSource::ZipResource, L"", 148, L""));
  EXPECT_EQ(nullptr, CWindowManagerUI::CachedSkinArchive());
}

TEST_F(SkinSourceTest, WindowSkinFolderIsAppendedToTheFirstFolder) {
  CWindowManagerUI::SetSkinFolderPath(L"C:\\base");
  ASSERT_TRUE(CWindowManagerUI::OpenSkinSource(SkinSource::File, L"sub", 0, L""));
  EXPECT_EQ(L"C:\\base\\sub\\", CWindowManagerUI::SkinFolderPath());
  EXPECT_EQ(L"", CWindowManagerUI::SkinArchiveName());
}

// An archive file named by the window, kept open, or opened around every read.
TEST_F(SkinSourceTest, ArchiveFileServesLayoutsCachedOrNot) {
  const std::wstring path = SkinTest::ArchivePath();
  const size_t slash = path.rfind(L'\\');
  CWindowManagerUI::SetSkinFolderPath(path.substr(0, slash));
  ASSERT_TRUE(CWindowManagerUI::OpenSkinSource(SkinSource::Zip, L"", 0, path.substr(slash + 1)));
  EXPECT_TRUE(CWindowManagerUI::IsSkinArchiveCached());
  ASSERT_NE(nullptr, CWindowManagerUI::CachedSkinArchive());
  SkinUI::CXmlDocument document;
  EXPECT_TRUE(document.LoadFromFile(L"res\\pages\\page.xml", SkinUI::CXmlDocument::kUtf8));

  CWindowManagerUI::SetSkinArchiveFile(path.substr(slash + 1), false);
  EXPECT_EQ(nullptr, CWindowManagerUI::CachedSkinArchive());
  EXPECT_TRUE(document.LoadFromFile(L"res\\pages\\page.xml", SkinUI::CXmlDocument::kUtf8))
      << document.LastErrorMessage();
  EXPECT_FALSE(document.LoadFromFile(L"res\\pages\\none.xml", SkinUI::CXmlDocument::kUtf8));
  EXPECT_EQ(L"Could not find ziped file", document.LastErrorMessage());
}

TEST_F(SkinSourceTest, WithoutTheSevenZipFormatNoArchiveOpens) {
  CWindowManagerUI::SetArchiveFormat7z(false);
  const std::string& bytes = SkinTest::ArchiveBytes();
  CWindowManagerUI::SetSkinArchiveFromMemory(bytes.data(), bytes.size());
  EXPECT_EQ(nullptr, CWindowManagerUI::CachedSkinArchive());
  SkinUI::CXmlDocument document;
  EXPECT_FALSE(document.LoadFromFile(L"mainWnd.xml", SkinUI::CXmlDocument::kUtf8));
  EXPECT_EQ(L"Error opening zip file", document.LastErrorMessage());
}

}  // namespace
