#include "utils/folders.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/sandbox.h"

namespace {

using TestSupport::FileExists;
using TestSupport::TempFolder;

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(CreateDirectoryTreeTest, CreatesThreeMissingLevelsAndRepeatingChangesNothing) {
  TempFolder root;
  const std::wstring deepest = root.Path() + L"\\one\\two words\\three";
  ASSERT_TRUE(Utils::CreateDirectoryTree(deepest));
  EXPECT_TRUE(IsFolder(root.Path() + L"\\one"));
  EXPECT_TRUE(IsFolder(root.Path() + L"\\one\\two words"));
  EXPECT_TRUE(IsFolder(deepest));

  // A file inside proves the repeated call neither recreated nor emptied the folders.
  ASSERT_TRUE(TestSupport::WriteFileBytes(deepest + L"\\keep.txt", "x"));
  EXPECT_TRUE(Utils::CreateDirectoryTree(deepest));
  EXPECT_TRUE(Utils::CreateDirectoryTree(deepest + L"\\"));
  EXPECT_EQ(TestSupport::ReadFileBytes(deepest + L"\\keep.txt"), "x");
}

TEST(CreateDirectoryTreeTest, TrailingBackslashCreatesTheLastLevelToo) {
  TempFolder root;
  EXPECT_TRUE(Utils::CreateDirectoryTree(root.Path() + L"\\a\\b\\"));
  EXPECT_TRUE(IsFolder(root.Path() + L"\\a\\b"));
}

TEST(CreateDirectoryTreeTest, RefusesWhatCannotBecomeAFolder) {
  TempFolder root;
  ASSERT_TRUE(TestSupport::WriteFileBytes(root.File(L"file"), "x"));
  const struct {
    const char* name;
    std::wstring path;
  } cases[] = {
      {"a file in the way of the last level", root.File(L"file")},
      {"a file in the way of a middle level", root.File(L"file") + L"\\below"},
      {"longer than MAX_PATH", root.Path() + L"\\" + std::wstring(MAX_PATH, L'x')},
      {"empty", L""},
      {"a drive that does not exist", L"Q:\\dravix\\missing"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Utils::CreateDirectoryTree(c.path)) << c.name;
  }
  EXPECT_EQ(TestSupport::ReadFileBytes(root.File(L"file")), "x");
}

TEST(InstallerTempFolderTest, IsTheNamedFolderUnderTheUserTemporaryFolder) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring expected = std::wstring(temp) + L"~VeltoTemp.92482B06FB471E17\\";
  TestSupport::RemoveFolderTree(expected);

  EXPECT_EQ(Utils::GetInstallerTempFolder(), expected);
  EXPECT_TRUE(IsFolder(expected));
  EXPECT_EQ(std::wstring(Utils::kInstallerTempFolderName).size(), 28u);
  // An existing folder is returned as it is, contents kept.
  ASSERT_TRUE(TestSupport::WriteFileBytes(expected + L"kept.txt", "k"));
  EXPECT_EQ(Utils::GetInstallerTempFolder(), expected);
  EXPECT_TRUE(FileExists(expected + L"kept.txt"));
  ::DeleteFileW((expected + L"kept.txt").c_str());
}

TEST(InstallerTempFolderTest, EmptyWhenTheFolderCannotBeMade) {
  wchar_t original[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"TMP", original, MAX_PATH);
  wchar_t originalTemp[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"TEMP", originalTemp, MAX_PATH);
  ::SetEnvironmentVariableW(L"TMP", L"Q:\\no-such-drive");
  ::SetEnvironmentVariableW(L"TEMP", L"Q:\\no-such-drive");
  const std::wstring folder = Utils::GetInstallerTempFolder();
  ::SetEnvironmentVariableW(L"TMP", original[0] ? original : nullptr);
  ::SetEnvironmentVariableW(L"TEMP", originalTemp[0] ? originalTemp : nullptr);
  EXPECT_EQ(folder, L"");
}

}  // namespace
