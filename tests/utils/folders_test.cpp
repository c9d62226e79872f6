#include "utils/folders.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/host_script.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/unique_resource.h"

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

// Whatever stands at the place goes, and the folder is then new, empty and held; what cannot be
// removed (a file someone holds open) makes it fail.
TEST(MakeFreshFolderTest, ClearsThePlaceThenCreatesAndHoldsTheFolder) {
  TempFolder root;
  const std::wstring place = root.File(L"fresh");
  const struct {
    const char* name;
    void (*prepare)(const std::wstring& place);
  } cases[] = {
      {"nothing there", [](const std::wstring&) {}},
      {"a file", [](const std::wstring& p) { TestSupport::WriteFileBytes(p, "x"); }},
      {"a folder with planted files",
       [](const std::wstring& p) {
         ::CreateDirectoryW(p.c_str(), nullptr);
         ::CreateDirectoryW((p + L"\\sub").c_str(), nullptr);
         TestSupport::WriteFileBytes(p + L"\\sub\\version.dll", "planted");
         TestSupport::WriteFileBytes(p + L"\\run.exe", "planted");
         ::SetFileAttributesW((p + L"\\run.exe").c_str(), FILE_ATTRIBUTE_READONLY);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestSupport::RemoveFolderTree(place);
    c.prepare(place);
    Utils::UniqueFileHandle held;
    ASSERT_TRUE(Utils::MakeFreshFolder(place, &held));
    EXPECT_TRUE(held.valid());
    EXPECT_TRUE(IsFolder(place));
    EXPECT_TRUE(TestSupport::WriteFileBytes(place + L"\\copy.exe", "ours"));
    EXPECT_FALSE(FileExists(place + L"\\run.exe"));
    EXPECT_FALSE(::MoveFileW(place.c_str(), (place + L"-moved").c_str())) << "a held folder stays where it is";
  }
  // A file in it that someone holds open cannot be removed: no fresh folder then.
  Utils::UniqueFileHandle opened(::CreateFileW((place + L"\\copy.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(opened.valid());
  Utils::UniqueFileHandle held;
  EXPECT_FALSE(Utils::MakeFreshFolder(place, &held));
  EXPECT_FALSE(held.valid());
}

// A link planted at the place (a junction on Windows, a Unix link under Wine) is never followed:
// what it points to stays whole, and the place is either refused or becomes a real folder.
TEST(MakeFreshFolderTest, NeverFollowsALinkStandingAtThePlace) {
  TempFolder root;
  TempFolder state;
  const std::wstring elsewhere = root.File(L"elsewhere");
  const std::wstring place = root.File(L"fresh");
  ASSERT_TRUE(::CreateDirectoryW(elsewhere.c_str(), nullptr));
  ASSERT_TRUE(TestSupport::WriteFileBytes(elsewhere + L"\\keep.txt", "theirs"));
  std::string error;
  ASSERT_TRUE(TestSupport::RunHostScript(
      "host_actions.py",
      "symlink --dir " + TestSupport::QuotedArgument(TestSupport::UnixPathFromWindows(elsewhere)) + " --link " +
          TestSupport::QuotedArgument(TestSupport::UnixPathFromWindows(place)),
      state, state.File(L"done"), 30000, &error))
      << error;
  ASSERT_NE(::GetFileAttributesW(place.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "the link is a reparse point";

  Utils::UniqueFileHandle held;
  if (Utils::MakeFreshFolder(place, &held)) {
    EXPECT_EQ(::GetFileAttributesW(place.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  } else {
    EXPECT_FALSE(held.valid());
  }
  EXPECT_EQ(TestSupport::ReadFileBytes(elsewhere + L"\\keep.txt"), "theirs");
}

}  // namespace
