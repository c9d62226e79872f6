#include "utils/held_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/sandbox.h"
#include "tests/utils/child_script.h"
#include "utils/child_process.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::TempFolder;

// Every way of changing a file another process might try: all refused while it is held, all
// possible again once it is released.
TEST(HeldFile, NobodyWritesRenamesOrDeletesAHeldFile) {
  TempFolder folder;
  const std::wstring path = folder.File(L"package.exe");
  ASSERT_TRUE(TestSupport::WriteFileBytes(path, "checked bytes"));
  Utils::HeldFile held;
  ASSERT_TRUE(held.Open(path));
  const struct {
    const char* name;
    bool (*change)(const std::wstring& path);
  } changes[] = {
      {"write",
       [](const std::wstring& p) {
         return Utils::UniqueFileHandle(::CreateFileW(p.c_str(), GENERIC_WRITE, 7, nullptr, OPEN_EXISTING, 0, nullptr))
             .valid();
       }},
      {"rename",  // and back, so that the delete finds the file
       [](const std::wstring& p) {
         return ::MoveFileW(p.c_str(), (p + L".old").c_str()) && ::MoveFileW((p + L".old").c_str(), p.c_str());
       }},
      {"delete", [](const std::wstring& p) { return ::DeleteFileW(p.c_str()) != FALSE; }},
  };
  for (const auto& c : changes) EXPECT_FALSE(c.change(path)) << c.name;
  EXPECT_EQ(TestSupport::ReadFileBytes(path), "checked bytes") << "reading stays possible";
  // A file someone holds open for writing cannot be held.
  Utils::HeldFile second;
  {
    Utils::UniqueFileHandle writer(
        ::CreateFileW(folder.File(L"open.exe").c_str(), GENERIC_WRITE, 7, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(writer.valid());
    EXPECT_FALSE(second.Open(folder.File(L"open.exe")));
  }
  held.Release();
  for (const auto& c : changes) EXPECT_TRUE(c.change(path)) << c.name;
}

// The image check tells the very file from a byte-identical copy of it, and a child started
// as a held file runs only when it is that file.
TEST(HeldFile, TellsTheStartedFileFromACopy) {
  TempFolder folder;
  const std::wstring program = folder.File(L"child.exe");
  const std::wstring copy = folder.File(L"copy.exe");
  ASSERT_TRUE(::CopyFileW(TestSupport::ChildScript::ChildPath().c_str(), program.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileW(program.c_str(), copy.c_str(), FALSE));
  TestSupport::ChildScript script(folder.Path(), "exit 0\n");
  Utils::HeldFile heldProgram;
  Utils::HeldFile heldCopy;
  ASSERT_TRUE(heldProgram.Open(program));
  ASSERT_TRUE(heldCopy.Open(copy));
  Utils::ChildProcess child;
  child.Run(L"\"" + program + L"\"", &heldProgram);
  EXPECT_TRUE(heldProgram.IsImageOf(child.Process()));
  EXPECT_FALSE(heldCopy.IsImageOf(child.Process()));
  EXPECT_TRUE(child.WaitForExit(30000));
}

}  // namespace
