// The sample package kit through the real runners: the package installer under CInstaller, its
// uninstaller under CUnInstaller, and the product it installs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "install/installer.h"
#include "install/uninstaller.h"
#include "tests/install/installer_fixture.h"
#include "utils/child_process.h"
#include "utils/process_probe.h"

namespace InstallTests {
namespace {

std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[256] = {};
  ::GetPrivateProfileStringW(section, key, L"<none>", value, 256, file.c_str());
  return value;
}

class SamplePackageTest : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    installDir_ = folder_.File(L"Velto Dravix\\产品");
  }

  std::vector<Event> Install(const std::wstring& instCmd, const std::wstring& package = SamplePackagePath()) {
    InstallerSettings::Instance().InstCmd = instCmd;
    EventRecorder recorder;
    CInstaller installer(recorder.Callback(), Quoted(package), installDir_);
    installer.SetInstallLanguage(L"zh-CN");
    installer.SetDesktopShortcut(true);
    installer.Start();
    EXPECT_TRUE(installer.WaitForRun(kRunTimeoutMs));
    return recorder.Events();
  }

  std::vector<Event> Uninstall(const std::wstring& uninstaller) {
    EventRecorder recorder;
    CUnInstaller remover(recorder.Callback(), uninstaller, installDir_);
    remover.Start();
    EXPECT_TRUE(remover.WaitForRun(kRunTimeoutMs));
    return recorder.Events();
  }

  // The old uninstaller as the installer runs it: a copy under a temporary folder with blanks.
  std::wstring CopyOfUninstaller() {
    const std::wstring folder = folder_.File(L"temp copy");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\ZarnelDravix_un_asa.exe";
    EXPECT_TRUE(::CopyFileW((installDir_ + L"\\uninst.ep").c_str(), copy.c_str(), FALSE));
    return copy;
  }

  std::wstring installDir_;
};

TEST_F(SamplePackageTest, InstallsAndReportsLineByLine) {
  const std::vector<Event> events = Install(L"-sample-message=安装完成 \"-sample-line=TopShowDetention=5\"");
  const std::vector<Event> expected = {
      {2002, 0.05, L""},
      {2002, 0.2, L""},
      {2002, 0.5, L""},
      {2002, 0.7, L""},
      {2002, 0.9, L""},
      {3000, 0.0, installDir_},
      {3001, 0.0, installDir_ + L"\\ZarnelDravix.exe"},
      {3003, 0.0, installDir_ + L"\\uninst.ep"},
      {3005, 1.0, L""},
      {3007, 5.0, L""},
      {3009, 0.0, L"安装完成"},
      {2002, 1.0, L""},
      {2003, 0.0, L""},
  };
  EXPECT_EQ(events, Concat(RunnerStart(), expected));
  EXPECT_TRUE(TestSupport::FileExists(installDir_ + L"\\ZarnelDravix.exe"));
  EXPECT_TRUE(TestSupport::FileExists(installDir_ + L"\\uninst.ep"));
  const std::wstring config = installDir_ + L"\\config.ini";
  EXPECT_EQ(IniValue(config, L"Install", L"Language"), L"zh-CN");
  EXPECT_EQ(IniValue(config, L"Install", L"DesktopShortcut"), L"true");
  EXPECT_EQ(IniValue(config, L"Install", L"QuickLaunchShortcut"), L"false");
}

TEST_F(SamplePackageTest, SteeredFailuresAndQuirks) {
  const struct {
    const char* name;
    std::wstring instCmd;
    Event last;
    bool installs;
  } cases[] = {
      {"error with a text", L"\"-sample-error=disk full\"", {2004, 1000.0, L"disk full"}, false},
      {"fail", L"-sample-fail", {2004, 0.0, L"安装包安装失败"}, false},
      {"silent", L"-sample-silent", {2003, 1.0, L""}, true},
      // Installed, but ended with a failure code and no verdict: reported as a failure.
      {"silent with a failure code", L"-sample-silent -sample-exitcode=259", {2004, 259.0, L"安装包安装失败"}, true},
      {"printing after the final line", L"-sample-after-final=6000", {2003, 0.0, L""}, true},
      {"output in the ANSI code page", L"-sample-encode=ACP -sample-message=abc", {2003, 0.0, L""}, true},
  };
  for (const auto& c : cases) {
    TestSupport::RemoveFolderTree(installDir_);
    const std::vector<Event> events = Install(c.instCmd);
    ASSERT_FALSE(events.empty()) << c.name;
    EXPECT_EQ(events.back(), c.last) << c.name;
    int finals = 0;
    for (const Event& event : events) finals += event.code == 2003 || event.code == 2004;
    EXPECT_EQ(finals, 1) << c.name;
    EXPECT_EQ(TestSupport::FileExists(installDir_ + L"\\ZarnelDravix.exe"), c.installs) << c.name;
  }
}

TEST_F(SamplePackageTest, IsLargeEnoughAndPaddedCopiesStillInstall) {
  WIN32_FILE_ATTRIBUTE_DATA base = {};
  ASSERT_TRUE(::GetFileAttributesExW(SamplePackagePath().c_str(), GetFileExInfoStandard, &base));
  EXPECT_EQ(base.nFileSizeHigh, 0u);
  EXPECT_GE(base.nFileSizeLow, 1048576u);
  const std::wstring large = SamplePackagePath("DravixSamplePackage_24MiB.exe");
  WIN32_FILE_ATTRIBUTE_DATA copy = {};
  ASSERT_TRUE(::GetFileAttributesExW(large.c_str(), GetFileExInfoStandard, &copy));
  EXPECT_EQ(copy.nFileSizeLow, 25165824u);
  EXPECT_EQ(Install(L"", large).back(), Event({2003, 0.0, L""}));
  EXPECT_TRUE(TestSupport::FileExists(installDir_ + L"\\ZarnelDravix.exe"));
}

TEST_F(SamplePackageTest, ProductRecordsItsStartAndRunsUntilEnded) {
  ASSERT_EQ(Install(L"").back(), Event({2003, 0.0, L""}));
  Utils::ChildProcess product;
  product.Run(Quoted(installDir_ + L"\\ZarnelDravix.exe") + L" -lifetime=60");
  const std::wstring log = installDir_ + L"\\ZarnelDravix.launch.log";
  const std::string expectedStart = std::to_string(product.ProcessId()) + " ";
  while (TestSupport::ReadFileBytes(log).find(expectedStart) == std::string::npos && !product.HasExited()) {
    ::Sleep(20);
  }
  EXPECT_EQ(TestSupport::ReadFileBytes(log).rfind(expectedStart, 0), 0u);
  EXPECT_FALSE(product.HasExited());
  EXPECT_NE(Utils::FindProcessByName(L"ZarnelDravix.exe"), 0u);

  // Running from the folder, it keeps its uninstaller from removing anything.
  const std::wstring copy = CopyOfUninstaller();
  EXPECT_EQ(Uninstall(copy).back(), Event({5005, 0.0, L"ZarnelDravix 正在运行，无法卸载"}));
  EXPECT_TRUE(TestSupport::FileExists(installDir_ + L"\\ZarnelDravix.exe"));

  ::TerminateProcess(product.Process(), 0);
  ASSERT_TRUE(product.WaitForExit(kRunTimeoutMs));
}

TEST_F(SamplePackageTest, UninstallerRemovesTheInstallation) {
  ASSERT_EQ(Install(L"").back(), Event({2003, 0.0, L""}));
  const std::vector<Event> events = Uninstall(CopyOfUninstaller());
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(events.front(), Event({5001, 0.0, L""}));
  EXPECT_EQ(events.back(), Event({5003, 0.0, L""}));
  for (size_t i = 1; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].code, 5002) << i;
  EXPECT_FALSE(TestSupport::FileExists(installDir_)) << "the emptied folder goes too";
}

TEST_F(SamplePackageTest, UninstallerCanBeSteered) {
  const struct {
    const char* name;
    const wchar_t* behaviour;
    Event last;
    bool removes;
  } cases[] = {
      {"fail", L"fail", {5005, 0.0, L"安装包卸载失败"}, false},
      {"error", L"error:in use", {5005, 0.0, L"in use"}, false},
      {"after final", L"after-final", {5002, 1.0, L""}, true},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Install(L"\"-sample-uninstall=" + std::wstring(c.behaviour) + L"\"").back(), Event({2003, 0.0, L""}))
        << c.name;
    const std::vector<Event> events = Uninstall(CopyOfUninstaller());
    ASSERT_FALSE(events.empty()) << c.name;
    EXPECT_EQ(events.back(), c.last) << c.name;
    EXPECT_EQ(!TestSupport::FileExists(installDir_ + L"\\ZarnelDravix.exe"), c.removes) << c.name;
  }
}

}  // namespace
}  // namespace InstallTests
