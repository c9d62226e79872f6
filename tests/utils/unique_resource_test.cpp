#include "utils/unique_resource.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Records every release so the owner's "exactly once" promise can be counted.
std::vector<int> g_closed;

struct CountingTraits {
  static int Invalid() noexcept { return -1; }
  static void Close(int value) noexcept { g_closed.push_back(value); }
};
using CountedResource = Utils::UniqueResource<int, CountingTraits>;

class UniqueResourceTest : public ::testing::Test {
 protected:
  void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueResourceTest, DefaultHoldsInvalidValueAndReleasesNothing) {
  {
    CountedResource empty;
    EXPECT_FALSE(empty.valid());
    EXPECT_EQ(empty.get(), -1);
  }
  EXPECT_TRUE(g_closed.empty());
}

TEST_F(UniqueResourceTest, DestructorReleasesOnce) {
  {
    CountedResource owner(7);
    EXPECT_TRUE(owner);
  }
  EXPECT_EQ(g_closed, std::vector<int>({7}));
}

TEST_F(UniqueResourceTest, ReleaseGivesUpOwnershipWithoutClosing) {
  {
    CountedResource owner(7);
    EXPECT_EQ(owner.release(), 7);
    EXPECT_FALSE(owner.valid());
  }
  EXPECT_TRUE(g_closed.empty());
}

TEST_F(UniqueResourceTest, DoubleResetClosesOnce) {
  CountedResource owner(7);
  owner.reset();
  owner.reset();
  EXPECT_FALSE(owner.valid());
  EXPECT_EQ(g_closed, std::vector<int>({7}));
}

TEST_F(UniqueResourceTest, ResetToNewValueClosesOldKeepsNew) {
  {
    CountedResource owner(7);
    owner.reset(8);
    EXPECT_EQ(owner.get(), 8);
    EXPECT_EQ(g_closed, std::vector<int>({7}));
  }
  EXPECT_EQ(g_closed, std::vector<int>({7, 8}));
}

TEST_F(UniqueResourceTest, MoveTransfersOwnership) {
  {
    CountedResource source(7);
    CountedResource target(std::move(source));
    EXPECT_FALSE(source.valid());  // NOLINT(bugprone-use-after-move): the moved-from state is the point
    EXPECT_EQ(target.get(), 7);
    EXPECT_TRUE(g_closed.empty());
  }
  EXPECT_EQ(g_closed, std::vector<int>({7}));
}

TEST_F(UniqueResourceTest, MoveAssignmentClosesTargetsOldValue) {
  {
    CountedResource source(7);
    CountedResource target(8);
    target = std::move(source);
    EXPECT_EQ(g_closed, std::vector<int>({8}));
    EXPECT_EQ(target.get(), 7);
    EXPECT_FALSE(source.valid());  // NOLINT(bugprone-use-after-move)
  }
  EXPECT_EQ(g_closed, std::vector<int>({8, 7}));
}

TEST_F(UniqueResourceTest, SelfMoveAssignmentKeepsValue) {
  CountedResource owner(7);
  CountedResource& alias = owner;
  owner = std::move(alias);
  EXPECT_EQ(owner.get(), 7);
  EXPECT_TRUE(g_closed.empty());
}

TEST_F(UniqueResourceTest, PutReleasesCurrentValueFirst) {
  CountedResource owner(7);
  *owner.put() = 9;
  EXPECT_EQ(g_closed, std::vector<int>({7}));
  EXPECT_EQ(owner.get(), 9);
}

// The aliases with real system objects: after reset the raw value must no longer be usable.

bool HandleIsOpen(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != FALSE;
}

std::wstring UniqueTempPath(const wchar_t* stem) {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, folder);
  static int counter = 0;
  return std::wstring(folder) + stem + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
}

TEST(UniqueResourceAliasTest, UniqueHandleClosesEvent) {
  Utils::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  const HANDLE raw = event.get();
  EXPECT_TRUE(HandleIsOpen(raw));

  // Moving keeps the object open; only the last owner closes it.
  Utils::UniqueHandle moved(std::move(event));
  EXPECT_FALSE(event);  // NOLINT(bugprone-use-after-move)
  EXPECT_TRUE(HandleIsOpen(raw));

  moved.reset();
  EXPECT_FALSE(HandleIsOpen(raw));
  moved.reset();  // nothing left to close
  EXPECT_EQ(moved.get(), nullptr);
}

TEST(UniqueResourceAliasTest, UniqueHandleReleaseLeavesEventOpen) {
  Utils::UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  Utils::UniqueHandle adopted(event.release());
  EXPECT_FALSE(event);
  EXPECT_TRUE(HandleIsOpen(adopted.get()));
}

TEST(UniqueResourceAliasTest, UniqueFileHandleTreatsInvalidHandleValueAsEmpty) {
  Utils::UniqueFileHandle none;
  EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(none);

  Utils::UniqueFileHandle missing(::CreateFileW(L"Z:\\no\\such\\folder\\dravix.bin", GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(missing);
}

TEST(UniqueResourceAliasTest, UniqueFileHandleClosesFile) {
  const std::wstring path = UniqueTempPath(L"dravix_unique_file_");
  // Deleted by the system when the last handle goes: proof that reset really closed it.
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  ASSERT_TRUE(file);
  EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  file.reset();
  EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  ::DeleteFileW(path.c_str());  // in case the system kept it after all
}

TEST(UniqueResourceAliasTest, UniqueFindHandleClosesSearch) {
  const std::wstring path = UniqueTempPath(L"dravix_unique_find_");
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  ASSERT_TRUE(file);
  Utils::UniqueFindHandle none;
  EXPECT_FALSE(none);

  WIN32_FIND_DATAW data = {};
  Utils::UniqueFindHandle search(::FindFirstFileW(path.c_str(), &data));
  ASSERT_TRUE(search);
  const HANDLE raw = search.get();
  EXPECT_FALSE(::FindNextFileW(raw, &data));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));  // still an open search

  search.reset();
  EXPECT_FALSE(::FindNextFileW(raw, &data));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(UniqueResourceAliasTest, UniqueRegKeyClosesKey) {
  const std::wstring subKey = L"Software\\DravixTests\\unique_" + std::to_wstring(::GetCurrentProcessId());
  Utils::UniqueRegKey key;
  ASSERT_EQ(
      ::RegCreateKeyExW(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
      ERROR_SUCCESS);
  ASSERT_TRUE(key);
  const HKEY raw = key.get();
  const DWORD data = 1;
  EXPECT_EQ(::RegSetValueExW(raw, L"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)),
            ERROR_SUCCESS);

  key.reset();
  DWORD values = 0;
  EXPECT_NE(::RegQueryInfoKeyW(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
            ERROR_SUCCESS);
  key.reset();
  EXPECT_FALSE(key);

  ::RegDeleteKeyW(HKEY_CURRENT_USER, subKey.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\DravixTests");  // only succeeds when empty
}

TEST(UniqueResourceAliasTest, UniqueModuleFreesLibrary) {
  // A system library nothing else in this program loads, so freeing it unloads it.
  const wchar_t* kLibrary = L"mpr.dll";
  if (::GetModuleHandleW(kLibrary)) GTEST_SKIP() << "mpr.dll is already loaded by the process";
  Utils::UniqueModule module(::LoadLibraryW(kLibrary));
  ASSERT_TRUE(module);
  EXPECT_EQ(::GetModuleHandleW(kLibrary), module.get());
  Utils::UniqueModule moved;
  moved = std::move(module);
  EXPECT_EQ(::GetModuleHandleW(kLibrary), moved.get());
  moved.reset();
  EXPECT_EQ(::GetModuleHandleW(kLibrary), nullptr);
}

TEST(UniqueResourceAliasTest, UniqueLocalMemOwnsCommandLineArguments) {
  int count = 0;
  Utils::UniqueLocalMem<LPWSTR*> argv(::CommandLineToArgvW(L"setup.exe -a \"b c\"", &count));
  ASSERT_TRUE(argv);
  ASSERT_EQ(count, 3);
  EXPECT_STREQ(argv.get()[2], L"b c");
  Utils::UniqueLocalMem<LPWSTR*> moved(std::move(argv));
  EXPECT_FALSE(argv);  // NOLINT(bugprone-use-after-move)
  EXPECT_STREQ(moved.get()[1], L"-a");
}

}  // namespace
