// The main window used for real: pointer and keyboard through xdotool, and the real orchestrator
// downloading the sample package from nginx and running its installer.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlwapi.h>

#include <memory>
#include <string>

#include "tests/install/package_server.h"
#include "tests/support/sandbox.h"
#include "tests/ui/main_wnd_harness.h"
#include "tests/ui/product_process.h"

namespace UiTests {
namespace {

class RealUseTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    InstallerSettings::Instance().DownloadType = 1;
  }
  // An installation into the machine's default folder must not outlive the test: a later run
  // would find its files there.
  void TearDown() override {
    if (!installedInto.empty()) TestSupport::RemoveFolderTree(installedInto);
    MainWindowFixture::TearDown();
  }
  // Real input goes to the window with the keyboard focus.
  TestMainWnd& Open(bool realOrchestrator) {
    TestMainWnd& opened = MainWindowFixture::Open(realOrchestrator);
    if (hwnd) ::SetForegroundWindow(hwnd);
    return opened;
  }
  bool ClickAt(POINT point) {
    return RunXdotool(L"mousemove " + std::to_wstring(point.x) + L" " + std::to_wstring(point.y) + L" click 1");
  }

  std::wstring installedInto;
};

TEST_F(RealUseTest, OneClickDownloadsInstallsAndFinishes) {
  InstallTests::PackageServer* server = InstallTests::SampleServer();
  ASSERT_NE(nullptr, server);
  InstallerSettings& settings = InstallerSettings::Instance();
  settings.DownloadUrl = server->Address("download_silent");
  settings.InstCmd = L"-sample-slow=600 -sample-startup=UserStartup";
  TestMainWnd& w = Open(true);
  ASSERT_NE(nullptr, hwnd);
  const std::wstring folder = w.GetDefaultInstallDir();
  installedInto = folder;

  ASSERT_TRUE(ClickAt(w.ScreenPoint(L"defaultInstallBtn")));
  ASSERT_TRUE(PumpUntil([&] { return w.CurrentPage() == CMainWnd::PAGE_PROGRESS; })) << "the pointer's click";
  // The package reports progress slowly: the installation share of the bar, twice.
  ASSERT_TRUE(PumpUntil([&] { return w.BarValue() >= 74; }, 120000)) << w.Text(L"progressLb");
  SaveScreenshot(hwnd, L"progress_real_first");
  const int first = w.BarValue();
  ASSERT_TRUE(PumpUntil([&] { return w.BarValue() > first; }, 60000));
  SaveScreenshot(hwnd, L"progress_real_second");
  EXPECT_TRUE(w.Text(L"progressLb").find(L"正在安装中:") == 0) << w.Text(L"progressLb");

  ASSERT_TRUE(PumpUntil([&] { return w.CurrentPage() == CMainWnd::PAGE_FINISHED; }, 120000));
  EXPECT_EQ(100, w.BarValue());
  SaveScreenshot(hwnd, L"finish_real");
  EXPECT_EQ(w.InstallDir(), ProductValue(L"InstallPath"));
  EXPECT_TRUE(TestSupport::FileExists(w.InstallDir() + L"\\set.ini"));
  EXPECT_TRUE(TestSupport::FileExists(w.ExePath()));
  EXPECT_FALSE(TestSupport::FileExists(w.InstallDir() + L"\\__Package_Dravix.exe")) << "package deleted";
  EXPECT_TRUE(boxes.Seen().empty());
  EXPECT_EQ(0, WaitForLaunches(w.InstallDir(), 0)) << "UserStartup: only the button starts the product";

  ASSERT_TRUE(ClickAt(w.ScreenPoint(L"openProduceBtn")));
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hwnd); }));
  EXPECT_EQ(1, WaitForLaunches(w.InstallDir(), 1));
  StopLaunchedProducts(w.InstallDir());
  EXPECT_EQ(folder, w.LastInstallRequest().installDir);
}

TEST_F(RealUseTest, CustomPageWithATypedFolderThenAltF4OnTheProgressPage) {
  InstallerSettings::Instance().DownloadUrl = L"http://127.0.0.1:1/none";
  TestMainWnd& w = Open(false);
  ASSERT_NE(nullptr, hwnd);
  ASSERT_TRUE(ClickAt(w.ScreenPoint(L"customeBtn")));
  ASSERT_TRUE(PumpUntil([&] { return w.CurrentPage() == CMainWnd::PAGE_CUSTOM; }));
  PumpFor(200);
  const std::wstring typed = Sandbox().File(L"TypedFolder");
  ASSERT_TRUE(ClickAt(w.ScreenPoint(L"installDirEdit")));
  PumpFor(300);
  ASSERT_TRUE(RunXdotool(L"key End shift+Home"));
  ASSERT_TRUE(RunXdotool(L"type --delay 15 \"" + typed + L"\""));
  ASSERT_TRUE(RunXdotool(L"key Tab"));
  EXPECT_TRUE(PumpUntil([&] { return w.Text(L"installDirEdit") == typed; })) << w.Text(L"installDirEdit");
  ASSERT_TRUE(ClickAt(w.ScreenPoint(L"createQSCb")));
  EXPECT_TRUE(PumpUntil([&] { return !w.Checked(L"createQSCb"); }));
  SaveScreenshot(hwnd, L"custom_typed_folder");

  ASSERT_TRUE(ClickAt(w.ScreenPoint(L"customeInstallBtn")));
  ASSERT_TRUE(PumpUntil([&] { return w.starts == 1; }));
  EXPECT_EQ(typed, w.LastInstallRequest().installDir);
  EXPECT_TRUE(w.LastInstallRequest().desktopShortcut);
  EXPECT_FALSE(w.LastInstallRequest().quickLaunchShortcut);
  EXPECT_TRUE(::PathIsDirectoryW(typed.c_str()));
  EXPECT_EQ(CMainWnd::PAGE_PROGRESS, w.CurrentPage());

  ::SetForegroundWindow(hwnd);
  PumpFor(200);
  ASSERT_TRUE(RunXdotool(L"key alt+F4"));
  PumpFor(800);
  EXPECT_TRUE(::IsWindow(hwnd)) << "Alt+F4 does nothing while installing";
  EXPECT_EQ(CMainWnd::PAGE_PROGRESS, w.CurrentPage());
}

TEST_F(RealUseTest, FailedDownloadShowsTheNetworkTip) {
  InstallerSettings::Instance().DownloadUrl = L"http://127.0.0.1:1/redirect/ver1/zarneldravix/download_silent/1.0/x";
  TestMainWnd& w = Open(true);
  ASSERT_NE(nullptr, hwnd);
  boxes.Expect(Answer::kCloseButton, L"network_tip_real");
  w.Click(L"defaultInstallBtn");
  ASSERT_TRUE(PumpUntil([&] { return !boxes.Seen().empty(); }, 120000));
  EXPECT_EQ(L"NetworkTipWnd", boxes.Seen()[0].skin);
  ASSERT_TRUE(PumpUntil([&] { return w.CurrentPage() == CMainWnd::PAGE_DEFAULT; }));
  EXPECT_TRUE(::IsWindowEnabled(hwnd));
  EXPECT_FALSE(TestSupport::FileExists(w.LastInstallRequest().installDir + L"\\__Package_Dravix.exe"));
}

}  // namespace
}  // namespace UiTests
