#include "utils/process_probe.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "tests/support/sandbox.h"
#include "tests/utils/child_script.h"
#include "utils/child_process.h"
#include "utils/guid_string.h"

namespace {

using TestSupport::ChildScript;
using TestSupport::ScriptPath;

std::wstring Transformed(std::wstring text, wint_t (*change)(wint_t)) {
  std::transform(text.begin(), text.end(), text.begin(), [change](wchar_t c) { return change(c); });
  return text;
}

TEST(FindProcessByNameTest, FindsARunningProgramByItsExactFileNameOnly) {
  TestSupport::TempFolder folder;
  // A name no other process can have: the probe must find exactly our child.
  const std::wstring name = L"ProbeTarget" + Utils::NewGuidString().substr(0, 8) + L".exe";
  ASSERT_TRUE(::CopyFileW(ChildScript::ChildPath().c_str(), folder.File(name).c_str(), FALSE));
  const std::wstring release = folder.File(L"release");
  ChildScript script(folder.Path(),
                     "touch " + ScriptPath(folder.File(L"started")) + "\nwaitfile " + ScriptPath(release) + "\n");
  EXPECT_EQ(Utils::FindProcessByName(name.c_str()), 0u);

  Utils::ChildProcess child;
  child.Run(L"\"" + folder.File(name) + L"\"");
  while (!TestSupport::FileExists(folder.File(L"started")) && !child.HasExited()) ::Sleep(10);

  EXPECT_EQ(Utils::FindProcessByName(name.c_str()), child.ProcessId());
  EXPECT_EQ(Utils::FindProcessByName(Transformed(name, std::towlower).c_str()), 0u);
  EXPECT_EQ(Utils::FindProcessByName(Transformed(name, std::towupper).c_str()), 0u);
  EXPECT_EQ(Utils::FindProcessByName(folder.File(name).c_str()), 0u) << "a path is not a file name";
  EXPECT_EQ(Utils::FindProcessByName(name.substr(0, name.size() - 4).c_str()), 0u) << "the extension counts";

  ASSERT_TRUE(TestSupport::WriteFileBytes(release, ""));
  ASSERT_TRUE(child.WaitForExit(30000));
  child.Close();
  EXPECT_EQ(Utils::FindProcessByName(name.c_str()), 0u);
}

}  // namespace
