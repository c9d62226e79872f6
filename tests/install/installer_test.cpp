#include "install/installer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "install/install_event_codes.h"
#include "tests/install/installer_fixture.h"
#include "tests/support/thread_starvation.h"
#include "utils/guid_string.h"
#include "utils/installer_settings.h"
#include "utils/log.h"
#include "utils/process_probe.h"
#include "utils/text_conversion.h"

namespace InstallTests {
namespace {

using TestSupport::ScriptPath;

const std::wstring kInstallFailed = L"安装包安装失败";

struct ProtocolCase {
  const char* name;
  std::string script;
  std::vector<Event> after;  // the events after 2001 and 2002 (0.0)
};

void PrintTo(const ProtocolCase& c, std::ostream* out) { *out << c.name; }

class InstallerProtocolTest : public InstallerTest, public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(InstallerProtocolTest, ChildOutputBecomesEvents) {
  EXPECT_EQ(RunScript(GetParam().script), Concat(RunnerStart(), GetParam().after));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, InstallerProtocolTest,
    ::testing::Values(
        ProtocolCase{"silent_child_exit_code_0", "exit 0\n", {{2003, 1.0, L""}}},
        // Without a verdict the exit code decides: a crash or an abort is no installation.
        ProtocolCase{"silent_child_nonzero_exit_fails", "exit 3\n", {{2004, 3.0, kInstallFailed}}},
        ProtocolCase{"crash_code_arrives_whole", "exit -1073741819\n", {{2004, 3221225477.0, kInstallFailed}}},
        ProtocolCase{"progress_then_abort_fails",
                     "out Progress=0.4\\nMessage=half way\\n\nexit 1\n",
                     {{2002, 0.4, L""}, {3009, 0.0, L"half way"}, {2004, 1.0, kInstallFailed}}},
        ProtocolCase{"verdict_wins_over_the_exit_code", "out State=Success\\n\nexit 7\n", {{2003, 0.0, L""}}},
        ProtocolCase{"error_verdict_is_not_repeated_for_the_exit_code",
                     "out Error=disk full\\n\nexit 9\n",
                     {{2004, 1000.0, L"disk full"}}},
        ProtocolCase{"progress_and_success_in_one_piece",
                     "out Progress=0.5\\nState=Success\\n\nsleep 100\nout Message=late\\n\n",
                     {{2002, 0.5, L""}, {2003, 0.0, L""}}},
        ProtocolCase{"error_line_then_exit", "out Error=disk full\\n\nexit 1\n", {{2004, 1000.0, L"disk full"}}},
        ProtocolCase{"state_fail", "out State=Fail\\n\n", {{2004, 0.0, kInstallFailed}}},
        ProtocolCase{"state_value_trimmed", "out State= \\t Success  \\n\n", {{2003, 0.0, L""}}},
        ProtocolCase{"keys_and_values_are_case_sensitive",
                     "out state=Success\\nSTATE=Fail\\nState=success\\nState=FAIL\\nerror=x\\n\n",
                     {{2003, 1.0, L""}}},
        ProtocolCase{"unknown_state_value_does_nothing", "out State=Done\\n\n", {{2003, 1.0, L""}}},
        // The line is read in two pieces: the runner has seen "Progress=0.1" and "Err" before
        // the child writes the rest.
        ProtocolCase{"error_line_split_across_reads",
                     "out Progress=0.1\\nErr\nwaitfile {SIGNAL}\nsleep 50\nout or=disk full\\n\n",
                     {{2002, 0.1, L""}, {2004, 1000.0, L"disk full"}}},
        ProtocolCase{"state_line_split_across_reads",
                     "out Progress=0.1\\nState=Su\nwaitfile {SIGNAL}\nsleep 50\nout ccess\\n\n",
                     {{2002, 0.1, L""}, {2003, 0.0, L""}}},
        ProtocolCase{"last_line_without_line_feed", "out State=Fail\n", {{2004, 0.0, kInstallFailed}}},
        ProtocolCase{"crlf_line_ends",
                     "out InstPath=C:\\\\x\\r\\nState=Success\\r\\n\n",
                     {{3000, 0.0, L"C:\\x"}, {2003, 0.0, L""}}},
        ProtocolCase{"lines_after_the_final_one_in_the_same_piece",
                     "out State=Success\\nError=late\\nMessage=late\\n\n",
                     {{2003, 0.0, L""}}},
        ProtocolCase{"lines_after_the_final_one_in_a_later_read",
                     "out State=Success\\n\nwaitfile {SIGNAL}\nout Error=late\\nProgress=0.9\\n\n",
                     {{2003, 0.0, L""}}},
        ProtocolCase{"exit_code_259_still_ends_the_run",
                     "out Progress=0.3\\n\nexit 259\n",
                     {{2002, 0.3, L""}, {2004, 259.0, kInstallFailed}}},
        ProtocolCase{"output_closed_while_running", "closeout\nsleep 300\nexit 0\n", {{2003, 1.0, L""}}},
        ProtocolCase{"zero_bytes_skipped", "out Prog\\x00ress=0.25\\n\n", {{2002, 0.25, L""}, {2003, 1.0, L""}}}),
    [](const ::testing::TestParamInfo<ProtocolCase>& info) { return std::string(info.param.name); });

std::mutex g_logMutex;
std::vector<std::wstring> g_log;
void CollectLog(const wchar_t* line) {
  std::lock_guard<std::mutex> lock(g_logMutex);
  g_log.emplace_back(line);
}

TEST_F(InstallerTest, EveryKeyInOrderOfMatching) {
  const std::string longValue771(771, 'v');
  const std::string script =
      "out Progress=0.25\\n"
      "InstPath=C:\\\\Program Files\\\\Dravix\\n"
      "InstallVersion=3.4.5\\n"
      "ExePath=C:\\\\p\\\\ZarnelDravix.exe\\n"
      "StartExe=C:\\\\p\\\\start.exe\\n"
      "UninstExePath=C:\\\\p\\\\uninst.exe\\n"
      "UninstExe=C:\\\\p\\\\u2.exe\\n"
      "UninstEp=C:\\\\p\\\\uninst.ep\\n"
      "TopShowDetention=-1\\n"
      "FinsihCloseDetention=15\\n"
      "FinishCloseDetention=99\\n"
      "StartUrl=http://example.invalid/start?a=b\\n"
      "StartupStyle=AutoStartup\\n"
      "StartupStyle= UserStartup \\n"
      "StartupStyle=NonStartup\\n"
      "StartupStyle=Other\\n"
      "Message=hello world\\n"
      " Progress=0.9\\n"
      "Progress=abc\\n"
      "InstPath=\\n"
      "Message=" +
      longValue771 +
      "\\n"
      "Message=" +
      longValue771 +
      "w\\n"
      "TopShowDetention=4294967295\\n"
      "TopShowDetention=x\\n"
      "Unknown=1\\n"
      "InstPath=C:\\\\x=y\\n\n";
  g_log.clear();
  SetLogSink(&CollectLog);
  std::unique_ptr<CInstaller> installer;
  const std::vector<Event> events = RunScript(script, L"", &installer);
  SetLogSink(nullptr);

  const std::vector<Event> expected = {
      {2002, 0.25, L""},
      {3000, 0.0, L"C:\\Program Files\\Dravix"},
      {3001, 0.0, L"C:\\p\\ZarnelDravix.exe"},
      {3001, 0.0, L"C:\\p\\start.exe"},
      {3002, 0.0, L"C:\\p\\uninst.exe"},
      {3002, 0.0, L"C:\\p\\u2.exe"},
      {3003, 0.0, L"C:\\p\\uninst.ep"},
      {3007, 4294967295.0, L""},
      {3008, 15.0, L""},
      {3004, 0.0, L"http://example.invalid/start?a=b"},
      {3005, 1.0, L""},
      {3005, 2.0, L""},
      {3005, 0.0, L""},
      {3005, 0.0, L""},
      {3009, 0.0, L"hello world"},
      {2002, 0.0, L""},
      {3000, 0.0, L""},
      {3009, 0.0, std::wstring(771, L'v')},
      {3009, 0.0, L""},  // 772 characters do not fit the value buffer
      {3007, 4294967295.0, L""},
      {3007, 0.0, L""},
      {3000, 0.0, L"C:\\x=y"},
      {2003, 1.0, L""},
  };
  EXPECT_EQ(events, Concat(RunnerStart(), expected));
  EXPECT_EQ(installer->InstallVersion()[0], 3);
  EXPECT_EQ(installer->InstallVersion()[1], 4);
  EXPECT_EQ(installer->InstallVersion()[2], 5);

  int exePathLines = 0;
  for (const std::wstring& line : g_log) {
    if (line.find(L"(CInstaller::Parse)<") != std::wstring::npos) {
      EXPECT_EQ(line.substr(line.find(L">: ") + 3), L"ExePath: C:\\p\\ZarnelDravix.exe");
      ++exePathLines;
    }
  }
  EXPECT_EQ(exePathLines, 1) << "StartExe is not logged";
}

TEST_F(InstallerTest, InstallVersionKeepsWhatALineDoesNotGive) {
  std::unique_ptr<CInstaller> installer;
  RunScript("out InstallVersion=1.2.3\\nInstallVersion=9\\nInstallVersion=\\nInstallVersion=x.7\\n\n", L"", &installer);
  EXPECT_EQ(installer->InstallVersion()[0], 9);
  EXPECT_EQ(installer->InstallVersion()[1], 2);
  EXPECT_EQ(installer->InstallVersion()[2], 3);
}

TEST_F(InstallerTest, EncodeSwitchesTheCodePageLineByLine) {
  const std::string ansi = "\xE9t\xE9";
  const std::string script =
      "out Message=\\xE9t\\xE9\\n\n"                                // before any Encode line: ANSI
      "out Encode=UTF8\\n\n"                                        //
      "out Message=中文\\n\n"                                       // a later read, in UTF-8
      "out Progress=0.1\\nMessage=\\xE4\\xB8\nwaitfile {SIGNAL}\n"  // a character split across reads
      "out \\xAD\\n\n"                                              //
      "out Encode= ACP \\nMessage=\\xE9\\n\n"                       // back to ANSI
      "out Encode=UTF8\\nMessage=文\\n\n"                           // same read as its Encode line
      "out Encode=936\\nMessage=\\xD6\\xD0\\xCE\\xC4\\n\n";         // a code page by number
  std::unique_ptr<CInstaller> installer;
  const std::vector<Event> events = RunScript(script, L"", &installer);
  const std::vector<Event> expected = {
      {3009, 0.0, Utils::MultiByteToWide(ansi, CP_ACP)},
      {3009, 0.0, L"中文"},
      {2002, 0.1, L""},
      {3009, 0.0, L"中"},
      {3009, 0.0, Utils::MultiByteToWide("\xE9", CP_ACP)},
      {3009, 0.0, L"文"},
      {3009, 0.0, L"中文"},
      {2003, 1.0, L""},
  };
  EXPECT_EQ(events, Concat(RunnerStart(), expected));
  EXPECT_NE(expected[0].text, Utils::MultiByteToWide(ansi, CP_UTF8)) << "the ANSI bytes must tell the two apart";
  EXPECT_EQ(installer->CodePage(), 936u);
}

TEST_F(InstallerTest, CodePageOfAnEncodeLine) {
  const struct {
    const wchar_t* line;
    UINT codePage;
  } cases[] = {
      {L"Encode=UTF8", 65001},    {L"Encode=ACP", 0},        {L"Encode= UTF8\t", 65001}, {L"Encode=utf8", 0},
      {L"Encode=GBK", 0},         {L"Encode=936", 936},      {L"Encode=1252abc", 1252},  {L"Encode=", 0},
      {L"Encode=99999999999", 0}, {L"Encode=4294967296", 0}, {L"Encode=-1", 0},          {L"Encode=12345", 0},
  };
  EventRecorder recorder;
  CInstaller installer(recorder.Callback(), L"\"unused.exe\"", L"");
  for (const auto& c : cases) {
    installer.Parse(L"Encode=UTF8");
    EXPECT_EQ(installer.Parse(c.line), 0) << ::testing::PrintToString(std::wstring(c.line));
    EXPECT_EQ(installer.CodePage(), c.codePage) << ::testing::PrintToString(std::wstring(c.line));
  }
  EXPECT_TRUE(recorder.Events().empty());
}

TEST_F(InstallerTest, AnUnusableCodePageDoesNotHideALaterError) {
  EXPECT_EQ(RunScript("out Encode=12345\\n\nout Error=disk full\\n\n"),
            Concat(RunnerStart(), {{2004, 1000.0, L"disk full"}}));
}

TEST_F(InstallerTest, ParseReportsTheLastStateOrErrorOfItsText) {
  EventRecorder recorder;
  CInstaller installer(recorder.Callback(), L"\"unused.exe\"", L"");
  EXPECT_EQ(installer.Parse(L"Progress=0.5\nMessage=x"), 0);
  EXPECT_EQ(installer.Parse(L"State=Success\nMessage=y"), 1);
  EXPECT_EQ(installer.Parse(L"State=Success\nError=z"), 1000);
  EXPECT_EQ(installer.Parse(L"Error=z\r\nState=Success\r\n"), 1);
  EXPECT_EQ(installer.Parse(L"State=Fail"), 1000);
  const std::vector<Event> expected = {{2002, 0.5, L""},     {3009, 0.0, L"x"}, {2003, 0.0, L""},
                                       {3009, 0.0, L"y"},    {2003, 0.0, L""},  {2004, 1000.0, L"z"},
                                       {2004, 1000.0, L"z"}, {2003, 0.0, L""},  {2004, 0.0, kInstallFailed}};
  EXPECT_EQ(recorder.Events(), expected);
}

struct CommandLineCase {
  const char* name;
  std::wstring installDir;
  std::wstring language;
  std::wstring instCmd;
  bool desktop, quickLaunch, admin, authorization;
  std::wstring expectedTail;  // after the quoted package path
};

TEST_F(InstallerTest, CommandLineReachesTheChildExactly) {
  const CommandLineCase cases[] = {
      {"defaults", L"", L"", L"", false, false, false, true,
       L" /S -console=show -version=1.0.0 -adminact=false -authorizationact=true -dsc=false -ssc=false"},
      {"everything", L"C:\\Program Files\\Velto Dravix", L"zh-CN", L"-sample-x=1 \"/Y z\"", true, true, true, false,
       L" /S -console=show -version=1.0.0 -adminact=true -authorizationact=false -dsc=true -ssc=true"
       L" -inslang=\"zh-CN\" -sample-x=1 \"/Y z\" -instdir=\"C:\\Program Files\\Velto Dravix\""
       L" /D=C:\\Program Files\\Velto Dravix"},
      {"folder only", L"D:\\目录", L"", L"", true, false, false, true,
       L" /S -console=show -version=1.0.0 -adminact=false -authorizationact=true -dsc=true -ssc=false"
       L" -instdir=\"D:\\目录\" /D=D:\\目录"},
      {"extra switches only", L"", L"", L"-sample-fail", false, true, true, true,
       L" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true -dsc=false -ssc=true"
       L" -sample-fail"},
      {"language only", L"", L"en-US", L"", false, false, false, false,
       L" /S -console=show -version=1.0.0 -adminact=false -authorizationact=false -dsc=false -ssc=false"
       L" -inslang=\"en-US\""},
  };
  for (const CommandLineCase& c : cases) {
    const std::wstring record = folder_.File(L"command-line.txt");
    ::DeleteFileW(record.c_str());
    TestSupport::ChildScript script(folder_.Path(), "record " + ScriptPath(record) + "\n");
    InstallerSettings::Instance().InstCmd = c.instCmd;
    EventRecorder recorder;
    const std::wstring package = Quoted(TestSupport::ChildScript::ChildPath());
    CInstaller installer(recorder.Callback(), package, L"ignored");
    installer.SetInstallDir(c.installDir);
    installer.SetInstallLanguage(c.language);
    installer.SetDesktopShortcut(c.desktop);
    installer.SetQuickLaunchShortcut(c.quickLaunch);
    installer.SetAdminAct(c.admin);
    installer.SetAuthorizationAct(c.authorization);
    installer.Start();
    ASSERT_TRUE(installer.WaitForRun(kRunTimeoutMs)) << c.name;
    EXPECT_EQ(installer.CommandLine(), package + c.expectedTail) << c.name;
    EXPECT_EQ(TestSupport::ReadFileBytes(record), ScriptPath(installer.CommandLine())) << c.name;
    EXPECT_EQ(recorder.Events(), Concat(RunnerStart(), {{2003, 1.0, L""}})) << c.name;
  }
}

TEST_F(InstallerTest, AChildThatCannotStartFailsWithTwo) {
  const struct {
    const char* name;
    std::wstring package;
    std::wstring instCmd;
  } cases[] = {
      {"missing package", Quoted(folder_.File(L"missing package.exe")), L""},
      {"not a program", Quoted(folder_.File(L"text.exe")), L""},
      {"command line beyond the system's limit", Quoted(TestSupport::ChildScript::ChildPath()),
       L"-x=" + std::wstring(40000, L'x')},
  };
  ASSERT_TRUE(TestSupport::WriteFileBytes(folder_.File(L"text.exe"), "not a program"));
  for (const auto& c : cases) {
    InstallerSettings::Instance().InstCmd = c.instCmd;
    EventRecorder recorder;
    CInstaller installer(recorder.Callback(), c.package, L"");
    installer.Start();
    ASSERT_TRUE(installer.WaitForRun(kRunTimeoutMs)) << c.name;
    EXPECT_EQ(recorder.Events(), Concat(RunnerStart(), {{2004, 2.0, L""}})) << c.name;
  }
}

TEST_F(InstallerTest, EventsComeFromOneWorkerAndRunsRepeatKeepingTheCodePage) {
  TestSupport::ChildScript script(folder_.Path(), "out Encode=UTF8\\n\n");
  EventRecorder recorder;
  CInstaller installer(recorder.Callback(), Quoted(TestSupport::ChildScript::ChildPath()), L"");
  installer.Start();
  ASSERT_TRUE(installer.WaitForRun(kRunTimeoutMs));
  const std::vector<DWORD> firstThreads = recorder.Threads();
  ASSERT_FALSE(firstThreads.empty());
  EXPECT_EQ(std::set<DWORD>(firstThreads.begin(), firstThreads.end()).size(), 1u);
  EXPECT_NE(firstThreads[0], ::GetCurrentThreadId());

  TestSupport::ChildScript second(folder_.Path(), "out Message=中文\\n\n");
  installer.Start();
  ASSERT_TRUE(installer.WaitForRun(kRunTimeoutMs));
  const std::vector<Event> oneRun = Concat(RunnerStart(), {{2003, 1.0, L""}});
  EXPECT_EQ(recorder.Events(), Concat(Concat(oneRun, RunnerStart()), {{3009, 0.0, L"中文"}, {2003, 1.0, L""}}));
}

// A child that goes on writing after its final line, on both of its outputs, far more than a
// pipe holds: the run must still end when the child does.
TEST_F(InstallerTest, AChattyChildNeverBlocksOnAFullPipe) {
  EXPECT_EQ(RunScript("err 1048576\nout State=Success\\n\nflood 1048576\nerr 1048576\nexit 0\n"),
            Concat(RunnerStart(), {{2003, 0.0, L""}}));
}

// With no room left for a thread the run still ends, at once, as for a child that cannot start.
TEST_F(InstallerTest, AStartWithoutAThreadEndsWithOneFailure) {
  EventRecorder recorder;
  CInstaller installer(recorder.Callback(), Quoted(PackageCopy()), L"");
  {
    TestSupport::ThreadStarvation starvation;
    std::string error;
    ASSERT_TRUE(starvation.Active(&error)) << error;
    ASSERT_TRUE(TestSupport::ThreadStarvation::ThreadsRefused());
    installer.Start();
  }
  EXPECT_TRUE(installer.WaitForRun(kRunTimeoutMs));
  EXPECT_EQ(recorder.Events(), (std::vector<Event>{{2004, 2.0, L""}}));
}

}  // namespace
}  // namespace InstallTests
