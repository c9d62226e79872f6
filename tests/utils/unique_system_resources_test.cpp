#include "utils/unique_system_resources.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

namespace {

// Counts Release calls, to see the owner give up exactly its one reference.
struct FakeInterface {
  int releases = 0;
  ULONG Release() { return static_cast<ULONG>(++releases); }
};

TEST(UniqueComPtrTest, ReleasesOnceOnResetAndMove) {
  FakeInterface object;
  {
    Utils::UniqueComPtr<FakeInterface> first(&object);
    Utils::UniqueComPtr<FakeInterface> second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(object.releases, 0);
    second.reset();
    second.reset();
    EXPECT_EQ(object.releases, 1);
    second.reset(&object);
    EXPECT_EQ(second.release(), &object);
  }
  EXPECT_EQ(object.releases, 1);
}

TEST(UniqueSidTest, OwnsASystemAllocatedSid) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  Utils::UniqueSid sid;
  ASSERT_TRUE(::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, sid.put()));
  EXPECT_TRUE(::IsValidSid(sid.get()));
  Utils::UniqueSid moved(std::move(sid));
  EXPECT_FALSE(sid.valid());
  EXPECT_TRUE(::IsValidSid(moved.get()));
  moved.reset();
  EXPECT_FALSE(moved.valid());
}

}  // namespace
