#include "utils/exception.h"

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <type_traits>

namespace {

static_assert(std::is_base_of<std::exception, Utils::Exception>::value, "callers catch it as std::exception");
static_assert(std::is_copy_constructible<Utils::Exception>::value && std::is_copy_assignable<Utils::Exception>::value,
              "thrown by value and copied");

void ThrowDefault() { throw Utils::Exception(); }

TEST(ExceptionTest, DefaultTextIsEmpty) { EXPECT_STREQ(Utils::Exception().what(), ""); }

TEST(ExceptionTest, CaughtAsStdExceptionWithEmptyText) {
  bool caught = false;
  try {
    ThrowDefault();
  } catch (const std::exception& error) {
    caught = true;
    EXPECT_STREQ(error.what(), "");
  }
  EXPECT_TRUE(caught);
}

TEST(ExceptionTest, CopiesKeepTheirOwnText) {
  Utils::Exception original(std::string("pipe"));
  Utils::Exception copy(original);
  Utils::Exception assigned;
  assigned = original;
  EXPECT_STREQ(copy.what(), "pipe");
  EXPECT_STREQ(assigned.what(), "pipe");
  // A copy must not point into the original's storage.
  const char* copyText = copy.what();
  original = Utils::Exception();
  EXPECT_STREQ(original.what(), "");
  EXPECT_STREQ(copyText, "pipe");
}

TEST(ExceptionTest, RethrownThroughExceptionPtrKeepsType) {
  std::exception_ptr pending;
  try {
    ThrowDefault();
  } catch (...) {
    pending = std::current_exception();
  }
  EXPECT_THROW(std::rethrow_exception(pending), Utils::Exception);
}

}  // namespace
