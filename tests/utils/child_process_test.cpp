#include "utils/child_process.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/sandbox.h"
#include "tests/utils/child_script.h"
#include "utils/exception.h"
#include "utils/pipe.h"

namespace {

using TestSupport::ChildScript;
using TestSupport::ScriptPath;
using TestSupport::TempFolder;

// Everything the child wrote to a pipe, read until every writer has gone.
std::string ReadToEnd(HANDLE pipe) {
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(pipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

TEST(PipeTest, CarriesBytesAndClosesBothEnds) {
  Utils::Pipe pipe;
  pipe.Create();
  ASSERT_NE(pipe.ReadEnd(), nullptr);
  ASSERT_NE(pipe.WriteEnd(), nullptr);
  DWORD flags = 0;
  ASSERT_TRUE(::GetHandleInformation(pipe.ReadEnd(), &flags));
  EXPECT_TRUE(flags & HANDLE_FLAG_INHERIT);
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(pipe.WriteEnd(), "abc", 3, &written, nullptr));
  pipe.CloseWriteEnd();
  EXPECT_EQ(ReadToEnd(pipe.ReadEnd()), "abc");
  pipe.Close();
  EXPECT_EQ(pipe.ReadEnd(), nullptr);
  EXPECT_EQ(pipe.WriteEnd(), nullptr);
  pipe.Close();  // closing twice is harmless
}

TEST(ChildProcessTest, OutputArrivesAndThePipeBreaksWhenTheChildEnds) {
  TempFolder folder;
  ChildScript script(folder.Path(), "out Progress=0.5\\n\nerr 10\nout State=Success\\n\nexit 7\n");
  Utils::ChildProcess child;
  child.Run(Quoted(ChildScript::ChildPath()));
  // The parent kept no write end: reading ends by itself once the child is gone.
  EXPECT_EQ(ReadToEnd(child.OutputReadEnd()), "Progress=0.5\nState=Success\n");
  EXPECT_EQ(ReadToEnd(child.ErrorReadEnd()), std::string(10, 'e'));
  ASSERT_TRUE(child.WaitForExit(30000));
  DWORD code = 0;
  ASSERT_TRUE(::GetExitCodeProcess(child.Process(), &code));
  EXPECT_EQ(code, 7u);
  child.Close();
  EXPECT_EQ(child.Process(), nullptr);
  EXPECT_EQ(child.OutputReadEnd(), nullptr);
  EXPECT_FALSE(child.HasExited());
}

TEST(ChildProcessTest, InputReportsItsEndAtOnce) {
  TempFolder folder;
  const std::wstring done = folder.File(L"input-ended");
  ChildScript script(folder.Path(), "readin " + ScriptPath(done) + "\n");
  Utils::ChildProcess child;
  child.Run(Quoted(ChildScript::ChildPath()));
  ASSERT_TRUE(child.WaitForExit(30000)) << "the child still waits for input";
  EXPECT_TRUE(TestSupport::FileExists(done));
}

TEST(ChildProcessTest, ExitCodeStillActiveCountsAsEnded) {
  TempFolder folder;
  ChildScript script(folder.Path(), "exit 259\n");
  Utils::ChildProcess child;
  child.Run(Quoted(ChildScript::ChildPath()));
  ASSERT_TRUE(child.WaitForExit(30000));
  EXPECT_TRUE(child.HasExited());
  DWORD code = 0;
  ::GetExitCodeProcess(child.Process(), &code);
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
}

TEST(ChildProcessTest, CommandLinesBeyondTheOldFixedBufferArriveWhole) {
  TempFolder folder;
  const std::wstring record = folder.File(L"command-line.txt");
  ChildScript script(folder.Path(), "record " + ScriptPath(record) + "\n");
  const std::wstring commandLine = Quoted(ChildScript::ChildPath()) + L" -x=" + std::wstring(3000, L'y') + L" 末尾";
  Utils::ChildProcess child;
  child.Run(commandLine);
  ASSERT_TRUE(child.WaitForExit(30000));
  const std::string recorded = TestSupport::ReadFileBytes(record);
  EXPECT_EQ(recorded, ScriptPath(commandLine));
}

TEST(ChildProcessTest, RefusesWhatCannotStartAndKeepsNoProcess) {
  TempFolder folder;
  const struct {
    const char* name;
    std::wstring commandLine;
  } cases[] = {
      {"missing program", Quoted(folder.File(L"missing.exe"))},
      {"not a program", Quoted(folder.File(L"text.exe"))},
      {"longer than the system allows", Quoted(ChildScript::ChildPath()) + L" " + std::wstring(40000, L'z')},
  };
  ASSERT_TRUE(TestSupport::WriteFileBytes(folder.File(L"text.exe"), "just text"));
  for (const auto& c : cases) {
    Utils::ChildProcess child;
    EXPECT_THROW(child.Run(c.commandLine), Utils::Exception) << c.name;
    EXPECT_EQ(child.Process(), nullptr) << c.name;
    // The pipes stay until Close.
    EXPECT_NE(child.OutputReadEnd(), nullptr) << c.name;
    child.Close();
    EXPECT_EQ(child.OutputReadEnd(), nullptr) << c.name;
  }
}

}  // namespace
