#include "utils/c_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"

namespace {

// An open stream keeps the file from being deleted; the owner's release lifts that.
TEST(UniqueCFile, ClosesOnceOnResetAndMovesOwnership) {
  TestSupport::TempFolder folder;
  const std::wstring path = folder.File(L"owned.bin");
  Utils::UniqueCFile file(std::fopen(Utils::WideToMultiByte(path, CP_ACP).c_str(), "wb"));
  ASSERT_TRUE(file);
  Utils::UniqueCFile moved(std::move(file));
  EXPECT_FALSE(file.valid());
  EXPECT_EQ(3u, std::fwrite("abc", 1, 3, moved.get()));
  EXPECT_FALSE(::DeleteFileW(path.c_str())) << "the stream is still open";
  moved.reset();
  moved.reset();
  EXPECT_EQ("abc", TestSupport::ReadFileBytes(path));
  EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

TEST(UniqueCFile, ReleaseGivesUpOwnership) {
  TestSupport::TempFolder folder;
  const std::wstring path = folder.File(L"released.bin");
  Utils::UniqueCFile file(std::fopen(Utils::WideToMultiByte(path, CP_ACP).c_str(), "wb"));
  ASSERT_TRUE(file);
  FILE* raw = file.release();
  EXPECT_FALSE(file.valid());
  EXPECT_FALSE(::DeleteFileW(path.c_str())) << "release must not close";
  std::fclose(raw);
  EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

}  // namespace
