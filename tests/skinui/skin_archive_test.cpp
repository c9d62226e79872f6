#include "skinui/skin_archive.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/skinui/test_skin.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"

namespace {

using SkinUI::SkinArchive;
using SkinUI::SkinArchiveEntry;

std::unique_ptr<SkinArchive> OpenTestArchive() {
  const std::string& bytes = SkinTest::ArchiveBytes();
  return SkinArchive::OpenFromMemory(bytes.data(), bytes.size());
}

std::vector<std::wstring> Names(const SkinArchive& archive) {
  std::vector<std::wstring> names;
  for (const SkinArchiveEntry& entry : archive.Entries()) names.push_back(entry.name);
  return names;
}

const SkinArchiveEntry* Entry(const SkinArchive& archive, const std::wstring& name) {
  for (const SkinArchiveEntry& entry : archive.Entries()) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

// Every file of the solid archive comes out byte for byte as it went in, directories do not
// appear, and the entries keep the archive's order.
TEST(SkinArchive, OpensFromMemoryWithEveryFileAsPacked) {
  auto archive = OpenTestArchive();
  ASSERT_TRUE(archive);
  const std::vector<std::wstring> expected = {
      L"mainWnd.xml",       L"res/broken.xml",        L"res/loop.xml",          L"res/pages/page.xml",
      L"res/中文/布局.xml", L"res/common/pixels.png", L"res/common/opaque.png", L"Res/MainWnd/Bg1.png",
      L"res/中文/图标.png", L"res/empty.xml",         L"res/big/exact.xml",     L"res/big/over.xml"};
  EXPECT_EQ(expected.size(), archive->Entries().size());
  for (const std::wstring& name : expected)
    EXPECT_NE(nullptr, Entry(*archive, name)) << Utils::WideToMultiByte(name, CP_UTF8);

  uint32_t previousIndex = 0;
  bool first = true;
  for (const SkinArchiveEntry& entry : archive->Entries()) {
    const std::string utf8Name = Utils::WideToMultiByte(entry.name, CP_UTF8);
    SCOPED_TRACE(utf8Name);
    EXPECT_EQ(entry.name.size() + 1, entry.nameLength);
    EXPECT_EQ(std::wstring::npos, entry.name.find(L'\\'));
    EXPECT_NE(L'/', entry.name.back());
    if (!first) {
      EXPECT_GT(entry.index, previousIndex);
    }
    previousIndex = entry.index;
    first = false;
    ASSERT_EQ(entry.size, entry.bytes.size());
    EXPECT_TRUE(SkinTest::StagedFile(utf8Name) == std::string(entry.bytes.begin(), entry.bytes.end()));
  }
  EXPECT_EQ(0u, Entry(*archive, L"res/empty.xml")->size);
  EXPECT_EQ(4u * 1024 * 1024 + 1, Entry(*archive, L"res/big/over.xml")->size);
}

TEST(SkinArchive, OpensFromFileWithTheSameEntries) {
  auto fromMemory = OpenTestArchive();
  auto fromFile = SkinArchive::OpenFromFile(SkinTest::ArchivePath());
  ASSERT_TRUE(fromMemory && fromFile);
  EXPECT_EQ(Names(*fromMemory), Names(*fromFile));
}

// No ANSI code page spells this folder name (Chinese and Thai); the archive must still open.
TEST(SkinArchive, OpensFromFileInFolderOutsideAnsiCodePage) {
  TestSupport::TempFolder folder;
  const std::wstring subfolder = folder.File(L"皮肤ผิว");
  ASSERT_TRUE(::CreateDirectoryW(subfolder.c_str(), nullptr));
  const std::wstring path = subfolder + L"\\skin.7z";
  ASSERT_TRUE(TestSupport::WriteFileBytes(path, SkinTest::ArchiveBytes()));
  auto archive = SkinArchive::OpenFromFile(path);
  ASSERT_TRUE(archive);
  EXPECT_EQ(12u, archive->Entries().size());
}

TEST(SkinArchive, RefusesWhatIsNoArchive) {
  const std::string garbage(4096, 'x');
  EXPECT_EQ(nullptr, SkinArchive::OpenFromMemory(garbage.data(), garbage.size()));
  EXPECT_EQ(nullptr, SkinArchive::OpenFromMemory(nullptr, 10));
  const std::string& bytes = SkinTest::ArchiveBytes();
  EXPECT_EQ(nullptr, SkinArchive::OpenFromMemory(bytes.data(), bytes.size() / 2)) << "the header is at the end";
  EXPECT_EQ(nullptr, SkinArchive::OpenFromMemory(bytes.data(), 0));

  TestSupport::TempFolder folder;
  EXPECT_EQ(nullptr, SkinArchive::OpenFromFile(folder.File(L"missing.7z")));
  ASSERT_TRUE(TestSupport::WriteFileBytes(folder.File(L"plain.7z"), garbage));
  auto empty = SkinArchive::OpenFromFile(folder.File(L"plain.7z"));
  ASSERT_TRUE(empty) << "an existing file that is no archive opens without entries";
  EXPECT_TRUE(empty->Entries().empty());
}

TEST(SkinArchive, FindsEntriesIgnoringCaseAndSeparatorsButNotLength) {
  auto archive = OpenTestArchive();
  ASSERT_TRUE(archive);
  struct Case {
    const wchar_t* path;
    const wchar_t* found;  // null: not found
  } cases[] = {
      {L"MainWnd.xml", L"mainWnd.xml"},
      {L"mainWnd.xml", L"mainWnd.xml"},
      {L"res\\mainWnd\\bg1.png", L"Res/MainWnd/Bg1.png"},
      {L"RES/COMMON/PIXELS.PNG", L"res/common/pixels.png"},
      {L"res\\中文\\图标.png", L"res/中文/图标.png"},
      {L"mainWnd.xml ", nullptr},
      {L"mainWnd.xm", nullptr},
      {L"/mainWnd.xml", nullptr},
      {L"res", nullptr},
      {L"res\\", nullptr},
      {L"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utils::WideToMultiByte(c.path, CP_UTF8));
    uint32_t index = 0xFFFF;
    uint64_t size = 0xFFFF;
    const bool found = SkinArchive::FindEntry(archive.get(), c.path, &index, &size);
    ASSERT_EQ(c.found != nullptr, found);
    if (!found) continue;
    const SkinArchiveEntry* entry = Entry(*archive, c.found);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(entry->index, index);
    EXPECT_EQ(entry->size, size);
  }
  uint32_t index = 0;
  uint64_t size = 0;
  EXPECT_FALSE(SkinArchive::FindEntry(nullptr, L"mainWnd.xml", &index, &size));
  EXPECT_FALSE(SkinArchive::FindEntry(archive.get(), nullptr, &index, &size));
}

TEST(SkinArchive, ExtractsWholeEntryOnlyIntoLargeEnoughBuffer) {
  auto archive = OpenTestArchive();
  ASSERT_TRUE(archive);
  uint32_t index = 0;
  uint64_t size = 0;
  ASSERT_TRUE(SkinArchive::FindEntry(archive.get(), L"res\\pages\\page.xml", &index, &size));
  std::string buffer(static_cast<size_t>(size) + 4, '#');
  ASSERT_TRUE(SkinArchive::ExtractEntry(archive.get(), index, &buffer[0], size));
  EXPECT_EQ(SkinTest::StagedFile("res/pages/page.xml") + "####", buffer);

  std::string small(static_cast<size_t>(size) - 1, '#');
  EXPECT_FALSE(SkinArchive::ExtractEntry(archive.get(), index, &small[0], small.size()));
  EXPECT_EQ(std::string(small.size(), '#'), small);
  EXPECT_FALSE(SkinArchive::ExtractEntry(archive.get(), 9999, &buffer[0], buffer.size()));
  EXPECT_FALSE(SkinArchive::ExtractEntry(nullptr, index, &buffer[0], buffer.size()));

  ASSERT_TRUE(SkinArchive::FindEntry(archive.get(), L"res/empty.xml", &index, &size));
  EXPECT_EQ(0u, size);
  EXPECT_TRUE(SkinArchive::ExtractEntry(archive.get(), index, nullptr, 0));
}

TEST(SkinArchive, CloseReleasesOnlyAnOpenArchive) {
  auto archive = OpenTestArchive();
  EXPECT_TRUE(SkinArchive::Close(archive));
  EXPECT_EQ(nullptr, archive);
  EXPECT_FALSE(SkinArchive::Close(archive));
}

// In a stored archive each file's bytes appear as written; damaging the third file must
// keep the two before it and drop it and everything after it.
TEST(SkinArchive, KeepsEntriesBeforeAFileThatFailsToExtract) {
  std::string bytes = TestSupport::ReadFileBytes(SkinTest::StoredTailArchivePath());
  ASSERT_FALSE(bytes.empty());
  {
    auto intact = SkinArchive::OpenFromMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(intact);
    ASSERT_EQ((std::vector<std::wstring>{L"a.txt", L"b.txt", L"c.txt", L"d.txt"}), Names(*intact));
  }
  const size_t at = bytes.find("<<c.txt content>>");
  ASSERT_NE(std::string::npos, at);
  bytes[at + 3] ^= 0x20;
  auto damaged = SkinArchive::OpenFromMemory(bytes.data(), bytes.size());
  ASSERT_TRUE(damaged) << "the archive still opens";
  ASSERT_EQ((std::vector<std::wstring>{L"a.txt", L"b.txt"}), Names(*damaged));
  std::string expectedB;
  for (int i = 0; i < 50; ++i) expectedB += "<<b.txt content>>";
  EXPECT_EQ(expectedB, std::string(damaged->Entries()[1].bytes.begin(), damaged->Entries()[1].bytes.end()));
  uint32_t index = 0;
  EXPECT_FALSE(SkinArchive::FindEntry(damaged.get(), L"d.txt", &index, nullptr));
}

}  // namespace
