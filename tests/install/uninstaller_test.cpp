#include "install/uninstaller.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/install_event_codes.h"
#include "tests/install/event_recorder.h"
#include "tests/install/installer_fixture.h"
#include "tests/support/sandbox.h"
#include "tests/support/thread_starvation.h"
#include "tests/utils/child_script.h"
#include "utils/admin_probes.h"
#include "utils/text_conversion.h"

namespace InstallTests {
namespace {

using TestSupport::ScriptPath;

const std::wstring kRemovalFailed = L"安装包卸载失败";
const std::wstring kMissingUninstaller = L"可执行卸载文件不存在";

std::vector<Event> RemoverStart() { return {{5001, 0.0, L""}, {5002, 0.0, L""}}; }

class UninstallerTest : public ::testing::Test {
 protected:
  // The copy lives in a temporary folder whose path has blanks, as it may on a real machine.
  void SetUp() override {
    copyFolder_ = folder_.File(L"temp dir with blanks");
    ASSERT_TRUE(::CreateDirectoryW(copyFolder_.c_str(), nullptr));
    copyPath_ = copyFolder_ + L"\\ZarnelDravix_un_asa.exe";
  }

  // Runs CUnInstaller over a copy of the scripted child. "{SIGNAL}" in the script names a file
  // that appears when an event with the value 0.1 or a 5005 has been sent.
  std::vector<Event> RunScript(std::string script, std::unique_ptr<CUnInstaller>* keep = nullptr) {
    if (!TestSupport::FileExists(copyPath_)) {
      EXPECT_TRUE(::CopyFileW(TestSupport::ChildScript::ChildPath().c_str(), copyPath_.c_str(), FALSE));
    }
    const std::wstring signal = folder_.File(L"signal-" + std::to_wstring(++runs_));
    for (size_t at = script.find("{SIGNAL}"); at != std::string::npos; at = script.find("{SIGNAL}")) {
      script.replace(at, 8, ScriptPath(signal));
    }
    TestSupport::ChildScript childScript(folder_.Path(), script);
    return Run(copyPath_, folder_.File(L"old install"), keep, signal);
  }

  std::vector<Event> Run(const std::wstring& uninstaller, const std::wstring& oldDir,
                         std::unique_ptr<CUnInstaller>* keep = nullptr, const std::wstring& signal = L"") {
    EventRecorder recorder;
    auto remover = std::make_unique<CUnInstaller>(recorder.Callback([signal](const Event& event) {
      if (!signal.empty() && (event.value == 0.1 || event.code == 5005)) TestSupport::WriteFileBytes(signal, "");
    }),
                                                  uninstaller, oldDir);
    remover->Start();
    EXPECT_TRUE(FinishRun(*remover, uninstaller)) << "the run did not end";
    if (keep) *keep = std::move(remover);
    return recorder.Events();
  }

  TestSupport::TempFolder folder_;
  std::wstring copyFolder_;
  std::wstring copyPath_;

 private:
  int runs_ = 0;
};

TEST_F(UninstallerTest, ProtocolRuns) {
  const struct {
    const char* name;
    std::string script;
    std::vector<Event> after;
  } cases[] = {
      {"silent child, exit code 0", "exit 0\n", {{5003, 1.0, L""}}},
      // Without a verdict a non-zero exit code is a failed removal, carrying the code.
      {"silent child, exit code 5", "exit 5\n", {{5005, 5.0, kRemovalFailed}}},
      {"crash code arrives whole", "exit -1073741819\n", {{5005, 3221225477.0, kRemovalFailed}}},
      {"progress, then an abort", "out Progress=0.2\\n\nexit 1\n", {{5002, 0.2, L""}, {5005, 1.0, kRemovalFailed}}},
      {"a success verdict wins over the exit code", "out State=Success\\n\nexit 4\n", {{5003, 0.0, L""}}},
      {"progress and success", "out Progress=0.5\\nState=Success\\n\n", {{5002, 0.5, L""}, {5003, 0.0, L""}}},
      {"error, then more output that still counts",
       "out Error=in use\\n\nwaitfile {SIGNAL}\nout Progress=0.7\\nState=Success\\n\nexit 1\n",
       {{5005, 0.0, L"in use"}, {5002, 0.7, L""}, {5003, 0.0, L""}}},
      {"state fail", "out State=Fail\\n\n", {{5005, 0.0, kRemovalFailed}}},
      {"state trimmed, keys case-sensitive", "out state=Fail\\nState=\\tSuccess \\n\n", {{5003, 0.0, L""}}},
      {"state line split across reads",
       "out Progress=0.1\\nSta\nwaitfile {SIGNAL}\nsleep 50\nout te=Fail\\n\n",
       {{5002, 0.1, L""}, {5005, 0.0, kRemovalFailed}}},
      {"lines printed just before the end are read",
       "out State=Success\\nProgress=0.9\\n\nexit 0\n",
       {{5003, 0.0, L""}, {5002, 0.9, L""}}},
      {"last line without line feed", "out Error=locked\n", {{5005, 0.0, L"locked"}}},
      {"output closed while running", "closeout\nsleep 300\n", {{5003, 1.0, L""}}},
      {"exit code 259", "exit 259\n", {{5005, 259.0, kRemovalFailed}}},
      {"UTF-8 after Encode=UTF8", "out Encode=UTF8\\nError=文件被占用\\n\n", {{5005, 0.0, L"文件被占用"}}},
      {"Encode=GBK selects ANSI",
       "out Encode=UTF8\\nEncode=GBK\\nError=\\xE9\\n\n",
       {{5005, 0.0, Utils::MultiByteToWide("\xE9", CP_ACP)}}},
      {"Encode=ACP selects ANSI",
       "out Encode=UTF8\\nEncode=ACP\\nError=\\xE9\\n\n",
       {{5005, 0.0, Utils::MultiByteToWide("\xE9", CP_ACP)}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunScript(c.script), Concat(RemoverStart(), c.after)) << c.name;
  }
}

TEST_F(UninstallerTest, CommandLineCarriesBothProbesAndTheOldFolder) {
  EXPECT_EQ(CUnInstaller::BuildCommandLine(L"C:\\a b\\u.exe", true, false, L"C:\\Program Files\\Old"),
            L"\"C:\\a b\\u.exe\" /S -adminact=true -authorizationact=false -console=show _?=C:\\Program Files\\Old");

  const std::wstring record = folder_.File(L"command-line.txt");
  std::unique_ptr<CUnInstaller> remover;
  RunScript("record " + ScriptPath(record) + "\n", &remover);
  std::wstring consoleUser;
  const bool consoleAdmin = Utils::GetActiveConsoleUserName(consoleUser) && Utils::IsConsoleUserAdmin(consoleUser);
  EXPECT_EQ(remover->CommandLine(), CUnInstaller::BuildCommandLine(copyPath_, consoleAdmin, Utils::IsProcessAdmin(),
                                                                   folder_.File(L"old install")));
  // The copy's folder has blanks; the child started is the copy itself, with the line unchanged.
  EXPECT_EQ(TestSupport::ReadFileBytes(record), ScriptPath(remover->CommandLine()));
}

TEST_F(UninstallerTest, AMissingCopyFailsWithOne) {
  EXPECT_EQ(Run(folder_.File(L"gone.exe"), L"C:\\old"),
            std::vector<Event>({{5001, 0.0, L""}, {5004, 1.0, kMissingUninstaller}}));
  EXPECT_EQ(Run(L"", L"C:\\old"), std::vector<Event>({{5001, 0.0, L""}, {5004, 1.0, kMissingUninstaller}}));
}

TEST_F(UninstallerTest, ACopyThatCannotStartFailsWithTwo) {
  ASSERT_TRUE(TestSupport::WriteFileBytes(copyPath_, "not a program"));
  EXPECT_EQ(Run(copyPath_, L"C:\\old"), Concat(RemoverStart(), {{5004, 2.0, L""}}));
}

TEST_F(UninstallerTest, AStartWithoutAThreadEndsWithOneFailure) {
  ASSERT_TRUE(::CopyFileW(TestSupport::ChildScript::ChildPath().c_str(), copyPath_.c_str(), FALSE));
  EventRecorder recorder;
  CUnInstaller remover(recorder.Callback(), copyPath_, folder_.File(L"old install"));
  {
    TestSupport::ThreadStarvation starvation;
    std::string error;
    ASSERT_TRUE(starvation.Active(&error)) << error;
    ASSERT_TRUE(TestSupport::ThreadStarvation::ThreadsRefused());
    remover.Start();
  }
  EXPECT_TRUE(remover.WaitForRun(kRunTimeoutMs));
  EXPECT_EQ(recorder.Events(), (std::vector<Event>{{5004, 2.0, L""}}));
}

}  // namespace
}  // namespace InstallTests
