// The main window built from the embedded skin in a real window: pages, choices, refusals,
// the start-up prompt, and what it makes of the orchestrator's events.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlwapi.h>

#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "skinui/tab_layout.h"
#include "skinui/window_manager.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tests/ui/main_wnd_harness.h"
#include "tests/ui/product_process.h"
#include "ui/install_dirs.h"
#include "ui/sequence_label.h"
#include "utils/unique_resource.h"

namespace UiTests {
namespace {

using SkinUI::CControlUI;

constexpr const wchar_t* kRunningText = L"安装程序检测到ZarnelDravix\r\n正在运行，请退出程序后再安装";

class MainWindowTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    InstallerSettings::Instance().DownloadUrl =
        L"http://127.0.0.1:1/redirect/ver1/zarneldravix/download_silent/1.0/installer/123456";
  }
  // An earlier installation in the sandbox: its folder, its uninstaller and the registry value.
  std::wstring RegisterEarlierInstallation(bool withUninstaller = true) {
    const std::wstring folder = Sandbox().File(L"Installed");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    if (withUninstaller) TestSupport::WriteFileBytes(folder + L"\\uninst.ep", "x");
    EXPECT_TRUE(SetProductValue(L"InstallPath", folder));
    return folder;
  }
  bool Closed() { return !::IsWindow(hwnd); }
};

TEST_F(MainWindowTest, OpensOnTheDefaultPageWithTheProposedFolderAndAsksNothing) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  EXPECT_EQ(CMainWnd::PAGE_DEFAULT, w.CurrentPage());
  RECT client;
  ::GetClientRect(hwnd, &client);
  EXPECT_EQ(600, client.right);
  EXPECT_EQ(400, client.bottom);
  const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_EQ(0, style & WS_CAPTION);
  EXPECT_EQ(0, style & WS_MAXIMIZEBOX);
  EXPECT_NE(0, style & WS_CLIPCHILDREN);
  EXPECT_NE(nullptr, reinterpret_cast<HICON>(::SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0))) << "icon 145";
  const std::wstring proposed = w.GetDefaultInstallDir();
  EXPECT_EQ(proposed, w.Text(L"installDirEdit"));
  EXPECT_EQ(L"\\ZarnelDravix", proposed.substr(proposed.size() - 13));
  EXPECT_FALSE(w.OldInstallPresent());
  EXPECT_TRUE(w.Checked(L"treatyCb"));
  EXPECT_TRUE(w.Checked(L"treatyBtn"));
  EXPECT_FALSE(w.Visible(L"tipLbl"));
  EXPECT_TRUE(boxes.Seen().empty());
  SaveScreenshot(hwnd, L"default");
}

TEST_F(MainWindowTest, PageDecoration) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  struct Case {
    int page;
    const wchar_t* background;
    int titlePage;
    bool titleButtons, backButton;
  };
  const Case cases[] = {
      {CMainWnd::PAGE_CUSTOM, L"res\\mainWnd\\bg2.png", 1, true, true},
      {CMainWnd::PAGE_PROGRESS, L"res\\mainWnd\\bg3.png", 1, false, false},
      {CMainWnd::PAGE_FINISHED, L"res\\mainWnd\\bg4.png", 2, true, false},
      {CMainWnd::PAGE_DEFAULT, L"res\\mainWnd\\bg1.png", 1, true, false},
  };
  auto* title = static_cast<SkinUI::CTabLayoutUI*>(w.Named(L"titleTabLt")->FindInterface(L"TabLayout"));
  for (const Case& c : cases) {
    w.SelectPage(c.page);
    EXPECT_EQ(c.background, w.Named(L"winCtn")->BackgroundImage()) << c.page;
    EXPECT_EQ(c.titlePage, title->CurrentSelection()) << c.page;
    EXPECT_EQ(c.titleButtons, w.Visible(L"titleGrpCtn")) << c.page;
    EXPECT_EQ(c.backButton, w.Visible(L"backBtn")) << c.page;
  }
}

TEST_F(MainWindowTest, ProgressAnimationRunsOnTheProgressPageAndStopsOnTheFinishPage) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  auto* animation = dynamic_cast<SkinUI::CSequenceLabelUI*>(w.Named(L"progressAnLb"));
  ASSERT_NE(nullptr, animation);
  w.SelectPage(CMainWnd::PAGE_PROGRESS);
  const uint32_t started = animation->Animation().index;
  EXPECT_TRUE(PumpUntil([&] { return animation->Animation().index != started; }, 5000)) << "frames step";
  w.SelectPage(CMainWnd::PAGE_FINISHED);
  const uint32_t stopped = animation->Animation().index;
  PumpFor(300);
  EXPECT_EQ(stopped, animation->Animation().index) << "stopped on its frame";
}

TEST_F(MainWindowTest, ClickActions) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.Click(L"customeBtn");
  EXPECT_EQ(CMainWnd::PAGE_CUSTOM, w.CurrentPage());
  EXPECT_EQ(w.Named(L"customeInstallBtn"), w.Manager().FocusControl());
  w.Click(L"backBtn");
  EXPECT_EQ(CMainWnd::PAGE_DEFAULT, w.CurrentPage());

  // Without the terms the one-click button only shows the reminder, and no custom page.
  w.Click(L"treatyCb");
  EXPECT_FALSE(w.Checked(L"treatyCb"));
  EXPECT_FALSE(w.Checked(L"treatyBtn")) << "mirrors the agreement";
  EXPECT_FALSE(w.Enabled(L"customeBtn"));
  w.Click(L"defaultInstallBtn");
  EXPECT_TRUE(w.Visible(L"tipLbl"));
  PumpFor(200);
  EXPECT_EQ(CMainWnd::PAGE_DEFAULT, w.CurrentPage());
  EXPECT_EQ(0, w.starts);
  SaveScreenshot(hwnd, L"default_terms_unchecked");

  // The terms text never changes the agreement.
  w.Click(L"treatyBtn");
  EXPECT_FALSE(w.Checked(L"treatyBtn"));
  EXPECT_FALSE(w.Checked(L"treatyCb"));
  w.Click(L"treatyCb");
  EXPECT_TRUE(w.Checked(L"treatyBtn"));
  EXPECT_TRUE(w.Enabled(L"customeBtn"));
  EXPECT_FALSE(w.Visible(L"tipLbl"));
  w.Click(L"treatyBtn");
  EXPECT_TRUE(w.Checked(L"treatyBtn"));
  EXPECT_TRUE(w.Checked(L"treatyCb"));
}

TEST_F(MainWindowTest, ExitQuestionOnEveryPageButTheFinishPage) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  boxes.Expect(Answer::kCancel, L"exit_question");
  w.Click(L"closebtn");
  PumpFor(300);
  ASSERT_EQ(1u, boxes.Seen().size());
  EXPECT_EQ(L"ExitTipWnd", boxes.Seen()[0].skin);
  EXPECT_FALSE(Closed()) << "cancelled";
  // Escape and Return never close.
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
  PumpFor(200);
  EXPECT_FALSE(Closed());
  boxes.Expect(Answer::kOk);
  w.Click(L"closebtn");
  EXPECT_TRUE(PumpUntil([&] { return Closed(); }));
}

TEST_F(MainWindowTest, CloseButtonOnTheFinishPageClosesAtOnce) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.SelectPage(CMainWnd::PAGE_FINISHED);
  w.Click(L"closebtn");
  EXPECT_TRUE(PumpUntil([&] { return Closed(); }));
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(MainWindowTest, CloseIsIgnoredOnTheProgressPage) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.SelectPage(CMainWnd::PAGE_PROGRESS);
  ::PostMessageW(hwnd, WM_CLOSE, 1, 0);
  ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpFor(300);
  EXPECT_FALSE(Closed());
  EXPECT_FALSE(w.Visible(L"closebtn"));
}

TEST_F(MainWindowTest, OneClickStartsIntoTheProposedFolder) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.Click(L"defaultInstallBtn");
  ASSERT_TRUE(PumpUntil([&] { return w.starts == 1; }));
  EXPECT_EQ(CMainWnd::PAGE_PROGRESS, w.CurrentPage());
  const InstallRequest& request = w.LastInstallRequest();
  EXPECT_EQ(w.GetDefaultInstallDir(), request.installDir);
  EXPECT_EQ(InstallerSettings::Instance().DownloadUrl, request.downloadUrl);
  EXPECT_TRUE(request.desktopShortcut);
  EXPECT_TRUE(request.quickLaunchShortcut);
  EXPECT_EQ(L"", request.uninstaller);
  EXPECT_EQ(L"", request.language) << "the shipped skin has no language choice";
  EXPECT_TRUE(::PathIsDirectoryW(request.installDir.c_str())) << "created before the disk check";
  EXPECT_TRUE(w.Enabled(L"customeInstallBtn"));
  // A second "install" while the job runs starts nothing more.
  w.Manager().SendNotification(w.Manager().RootControl(), L"install", 1, 0);
  EXPECT_EQ(1, w.starts);
  ::RemoveDirectoryW(request.installDir.c_str());
}

TEST_F(MainWindowTest, CustomPageTakesTheTypedFolderAndTheShortcutChoices) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  struct Case {
    std::wstring typed;
    bool desktop, quickLaunch;
    std::wstring expected;
  };
  std::wstring proposed = w.GetDefaultInstallDir();
  std::wstring upper = proposed;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
  const Case cases[] = {
      {Sandbox().File(L"Typed"), false, true, Sandbox().File(L"Typed")},
      {upper, true, false, proposed},  // another spelling of the proposed folder
  };
  for (const Case& c : cases) {
    w.SelectPage(CMainWnd::PAGE_CUSTOM);
    w.Named(L"installDirEdit")->SetText(c.typed);
    if (w.Checked(L"createDSCb") != c.desktop) w.Click(L"createDSCb");
    if (w.Checked(L"createQSCb") != c.quickLaunch) w.Click(L"createQSCb");
    const int before = w.starts;
    w.Click(L"customeInstallBtn");
    ASSERT_TRUE(PumpUntil([&] { return w.starts == before + 1; })) << c.typed;
    EXPECT_EQ(c.expected, w.LastInstallRequest().installDir);
    EXPECT_EQ(c.desktop, w.LastInstallRequest().desktopShortcut);
    EXPECT_EQ(c.quickLaunch, w.LastInstallRequest().quickLaunchShortcut);
    boxes.Expect(Answer::kCloseButton);
    w.Deliver(2004, 0, L"");  // back to the default page for the next case
  }
}

TEST_F(MainWindowTest, RefusedFolders) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  struct Case {
    std::wstring folder;
    const wchar_t* screenshot;
  };
  const Case cases[] = {
      {L"C:\\" + std::wstring(270, L'a'), L"refusal_invalid_path"},
      {L"Q:\\NoSuchDrive\\ZarnelDravix", nullptr},
  };
  for (const Case& c : cases) {
    w.SelectPage(CMainWnd::PAGE_CUSTOM);
    w.Named(L"installDirEdit")->SetText(c.folder);
    boxes.Expect(Answer::kCloseButton, c.screenshot ? c.screenshot : L"");
    w.Click(L"customeInstallBtn");
    ASSERT_TRUE(PumpUntil([&] { return boxes.AllAnswered(); }));
    PumpFor(200);
    ASSERT_FALSE(boxes.Seen().empty());
    EXPECT_EQ(L"MessageBox2Wnd", boxes.Seen().back().skin);
    EXPECT_EQ(L"无效路径", boxes.Seen().back().text);
    EXPECT_EQ(L"温馨提示", boxes.Seen().back().caption);
    EXPECT_EQ(CMainWnd::PAGE_CUSTOM, w.CurrentPage());
    EXPECT_TRUE(w.Enabled(L"customeInstallBtn")) << "enabled again by the refused install";
    EXPECT_EQ(0, w.starts);
  }
}

// Fills the drive with real bytes until exactly `left` bytes stay available; false when it cannot.
bool LeaveFreeBytes(const std::wstring& file, ULONGLONG left) {
  const ULONGLONG free = InstallDirs::FreeBytesOnDrive(file);
  if (free < left) return false;
  Utils::UniqueFileHandle handle(
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return false;
  const std::string block(1 << 20, '\0');
  for (ULONGLONG rest = free - left; rest > 0;) {
    const DWORD part = static_cast<DWORD>(std::min<ULONGLONG>(rest, block.size()));
    DWORD written = 0;
    if (!::WriteFile(handle.get(), block.data(), part, &written, nullptr) || written != part) break;
    rest -= part;
  }
  handle.reset();
  return InstallDirs::FreeBytesOnDrive(file) == left;
}

TEST_F(MainWindowTest, FreeSpaceBoundaryOnARealDrive) {
  if (::GetDriveTypeW(L"S:\\") == DRIVE_NO_ROOT_DIR) GTEST_SKIP() << "no small test drive S: here";
  const std::wstring exact = L"S:\\Exact\\ZarnelDravix";
  ASSERT_TRUE(::SHCreateDirectoryExW(nullptr, exact.c_str(), nullptr) == ERROR_SUCCESS ||
              ::PathIsDirectoryW(exact.c_str()));
  ASSERT_TRUE(LeaveFreeBytes(L"S:\\fill.bin", InstallDirs::kRequiredBytes));
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  EXPECT_TRUE(w.StartInstall(exact, true, true)) << "exactly 1 GiB is enough";
  EXPECT_TRUE(boxes.Seen().empty());
  PumpUntil([&] { return w.starts == 1; });
  boxes.Expect(Answer::kCloseButton);
  w.Deliver(2004, 0, L"x");

  // One byte more on the drive takes a whole page: less than 1 GiB, and a new folder stays.
  TestSupport::WriteFileBytes(L"S:\\one.bin", "1");
  ASSERT_LT(InstallDirs::FreeBytesOnDrive(L"S:\\"), InstallDirs::kRequiredBytes);
  boxes.Expect(Answer::kCloseButton, L"refusal_low_disk");
  EXPECT_FALSE(w.StartInstall(L"S:\\Short\\ZarnelDravix", true, true));
  ASSERT_EQ(2u, boxes.Seen().size());
  EXPECT_EQ(L"当前磁盘剩余空间低于1GB，请修改安装路径", boxes.Seen().back().text);
  EXPECT_TRUE(::PathIsDirectoryW(L"S:\\Short\\ZarnelDravix"));
  EXPECT_EQ(CMainWnd::PAGE_DEFAULT, w.CurrentPage());
  EXPECT_EQ(1, w.starts);
  ::DeleteFileW(L"S:\\one.bin");
  ::DeleteFileW(L"S:\\fill.bin");
}

TEST_F(MainWindowTest, RunningProductOrRemovalRefusesAndCloses) {
  struct Case {
    const wchar_t* processName;
    bool earlierInstallation;
    bool closes;
    const wchar_t* screenshot;
  };
  const Case cases[] = {
      {L"ZarnelDravix_un_asa.exe", false, false, L"refusal_removal_running"},
      {L"ZarnelDravix.exe", false, true, nullptr},
  };
  for (const Case& c : cases) {
    ProductProcess product(Sandbox().Path(), c.processName);
    ASSERT_TRUE(product.Started()) << c.processName;
    TestMainWnd& w = Open();
    ASSERT_NE(nullptr, hwnd);
    boxes.Expect(Answer::kOk, c.screenshot ? c.screenshot : L"");
    const size_t seenBefore = boxes.Seen().size();
    w.Click(L"defaultInstallBtn");
    ASSERT_TRUE(PumpUntil([&] { return boxes.Seen().size() > seenBefore; })) << c.processName;
    EXPECT_EQ(L"MessageBox1Wnd", boxes.Seen().back().skin);
    EXPECT_EQ(kRunningText, boxes.Seen().back().text);
    PumpFor(300);
    EXPECT_EQ(c.closes, Closed()) << c.processName;
    EXPECT_EQ(0, w.starts);
    window.reset();
  }
}

TEST_F(MainWindowTest, StartUpPromptForAnEarlierInstallation) {
  struct Case {
    Answer answer;
    bool closes;
    int starts;
    const wchar_t* screenshot;
  };
  const Case cases[] = {
      {Answer::kOk, false, 1, L"earlier_installation_prompt"},
      {Answer::kCloseButton, true, 0, nullptr},
      {Answer::kCancel, true, 0, nullptr},
  };
  for (const Case& c : cases) {
    const std::wstring folder = RegisterEarlierInstallation();
    boxes.Expect(c.answer, c.screenshot ? c.screenshot : L"");
    window = std::make_unique<TestMainWnd>();
    hwnd = window->Open();
    PumpUntil([&] { return boxes.AllAnswered(); });
    PumpFor(300);
    ASSERT_FALSE(boxes.Seen().empty());
    EXPECT_EQ(L"InstalledPathTipWnd", boxes.Seen().back().skin);
    EXPECT_EQ(c.closes, Closed());
    EXPECT_EQ(c.starts, window->starts);
    if (c.starts) {
      EXPECT_EQ(folder, window->LastInstallRequest().installDir);
    }
    if (c.answer == Answer::kCancel) {
      EXPECT_EQ(folder + L"\\ZarnelDravix.exe", window->ExePath());
    }
    window.reset();
  }
}

TEST_F(MainWindowTest, EarlierInstallationEdgeCases) {
  // A registered folder that is gone counts as none.
  SetProductValue(L"InstallPath", Sandbox().File(L"Gone"));
  TestMainWnd& gone = Open();
  ASSERT_NE(nullptr, hwnd);
  PumpFor(200);
  EXPECT_TRUE(boxes.Seen().empty());
  EXPECT_FALSE(gone.OldInstallPresent());
  window.reset();

  // Without its uninstaller it still prompts, but proposes the default folder.
  const std::wstring folder = RegisterEarlierInstallation(false);
  boxes.Expect(Answer::kCloseButton, L"", [&] {
    EXPECT_NE(folder, window->Text(L"installDirEdit"));
    EXPECT_EQ(InstallDirs::Proposed(L"", L"", false, true), window->Text(L"installDirEdit"));
  });
  window = std::make_unique<TestMainWnd>();
  hwnd = window->Open();
  EXPECT_EQ(1u, boxes.Seen().size());
}

TEST_F(MainWindowTest, InsNewInstallsIntoTheRegisteredFolderWithoutAsking) {
  const std::wstring folder = RegisterEarlierInstallation();
  InstallerSettings::Instance().InsNew = true;
  ProductProcess product(Sandbox().Path(), L"ZarnelDravix.exe");
  ASSERT_TRUE(product.Started());
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  ASSERT_TRUE(PumpUntil([&] { return w.starts == 1; }));
  EXPECT_TRUE(boxes.Seen().empty());
  EXPECT_EQ(folder, w.LastInstallRequest().installDir);
  EXPECT_EQ(folder + L"\\uninst.ep", w.LastInstallRequest().uninstaller);
  EXPECT_EQ(CMainWnd::PAGE_PROGRESS, w.CurrentPage());
}

TEST_F(MainWindowTest, IsOverrideDecidesAboutTheRemoval) {
  struct Case {
    const char* setIni;
    bool removal;
  };
  const Case cases[] = {
      {"[Uninstall]\r\nIsOverride=false\r\n", false},
      {"[Uninstall]\r\nIsOverride=False\r\n", true},
      {"[Uninstall]\r\nIsOverride=true\r\n", true},
      {"", true},
  };
  for (const Case& c : cases) {
    const std::wstring folder = RegisterEarlierInstallation();
    TestSupport::WriteFileBytes(folder + L"\\set.ini", c.setIni);
    boxes.Expect(Answer::kOk);
    window = std::make_unique<TestMainWnd>();
    hwnd = window->Open();
    ASSERT_TRUE(PumpUntil([&] { return window->starts == 1; })) << c.setIni;
    EXPECT_EQ(c.removal ? folder + L"\\uninst.ep" : L"", window->LastInstallRequest().uninstaller) << c.setIni;
    window.reset();
  }
}

TEST_F(MainWindowTest, NetworkCheck) {
  InstallerSettings::Instance().IsCheckNet = true;
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  // This machine's probe answers "connected": the check passes on its own thread.
  w.Click(L"defaultInstallBtn");
  ASSERT_TRUE(PumpUntil([&] { return w.starts == 1; }));
  EXPECT_TRUE(boxes.Seen().empty());
  boxes.Expect(Answer::kCloseButton);
  w.Deliver(2004, 0, L"x");

  // A bad answer shows the message and keeps the page.
  boxes.Expect(Answer::kCloseButton, L"refusal_network");
  w.Manager().SendNotification(w.Manager().RootControl(), L"checknet", 2u << 16, 0, true);
  ASSERT_TRUE(PumpUntil([&] { return boxes.AllAnswered(); }));
  PumpFor(200);
  EXPECT_EQ(L"当前网络环境较差，请在网络通畅时进行安装", boxes.Seen().back().text);
  EXPECT_EQ(CMainWnd::PAGE_DEFAULT, w.CurrentPage());
  EXPECT_EQ(1, w.starts);
}

// ---- Events ----

TEST_F(MainWindowTest, ProgressTextAndBar) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.SelectPage(CMainWnd::PAGE_PROGRESS);
  struct Case {
    int code;
    double value;
    const wchar_t* userData;
    const wchar_t* text;
    int bar;
  };
  const Case cases[] = {
      {1002, 0.5, L"", L"正在安装中:35%，请稍候...", 35},
      {1002, 1.0, L"", L"正在安装中:70%，请稍候...", 70},
      {1002, 0.6, L"下载%d", L"下载42", 42},
      {1002, 0.6, L"%s", L"正在安装中:42%，请稍候...", 42},
      {2002, 0.0, L"", L"正在安装中:74%，请稍候...", 74},
      {2002, 0.0, L"", L"正在安装中:78%，请稍候...", 78},
      {2002, 0.0, L"", L"正在安装中:83%，请稍候...", 83},
      {2002, 0.0, L"", L"正在安装中:88%，请稍候...", 88},
      {2002, 0.0, L"", L"正在安装中:92%，请稍候...", 92},
      {2002, 0.0, L"", L"正在安装中:97%，请稍候...", 97},
      {2002, 0.0, L"", L"正在安装中:98%，请稍候...", 98},
      {2002, 0.0, L"", L"正在安装中:98%，请稍候...", 98},
      {2002, 1.0, L"", L"正在安装中:100%，请稍候...", 100},
  };
  ASSERT_TRUE(w.Deliver(1001, 1.0));
  for (const Case& c : cases) {
    w.Named(L"progressLb")->SetUserData(c.userData);
    ASSERT_TRUE(w.Deliver(c.code, c.value));
    EXPECT_EQ(c.text, w.Text(L"progressLb")) << c.code << " " << c.value;
    EXPECT_EQ(c.bar, w.BarValue()) << c.code << " " << c.value;
    if (c.bar == 35) SaveScreenshot(hwnd, L"progress_35");
    if (c.bar == 83) SaveScreenshot(hwnd, L"progress_83");
  }
  EXPECT_EQ(CMainWnd::PAGE_PROGRESS, w.CurrentPage());
}

TEST_F(MainWindowTest, ProtocolValuesAndSuccess) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.SelectPage(CMainWnd::PAGE_PROGRESS);
  const std::wstring folder = Sandbox().File(L"Product");
  ::CreateDirectoryW(folder.c_str(), nullptr);
  TestSupport::WriteFileBytes(folder + L"\\uninst.ep", "x");
  ASSERT_TRUE(w.Deliver(3000, 0, folder.c_str()));
  ASSERT_TRUE(w.Deliver(3001, 0, (folder + L"\\NotThere.exe").c_str()));
  ASSERT_TRUE(w.Deliver(3005, 2));
  ASSERT_TRUE(w.Deliver(3007, 0));
  ASSERT_TRUE(w.Deliver(3008, 400));
  ASSERT_TRUE(w.Deliver(2001));
  EXPECT_TRUE(TestSupport::FileExists(folder + L"\\set.ini")) << "written when the package starts";
  ASSERT_TRUE(w.Deliver(2003));
  EXPECT_EQ(CMainWnd::PAGE_FINISHED, w.CurrentPage());
  EXPECT_EQ(100, w.BarValue());
  EXPECT_EQ(folder, ProductValue(L"InstallPath"));
  EXPECT_EQ(folder + L"\\uninst.ep", ProductValue(L"UnInstallEp"));
  CControlUI* root = w.Manager().RootControl();
  EXPECT_EQ(-1, w.Manager().NativeTimerId(root, CMainWnd::TIMER_TOP_SHOW)) << "TopShowDetention=0";
  EXPECT_NE(-1, w.Manager().NativeTimerId(root, CMainWnd::TIMER_FINISH_CLOSE));
  SaveScreenshot(hwnd, L"finish");
  EXPECT_TRUE(PumpUntil([&] { return Closed(); }, 10000)) << "FinsihCloseDetention=400 closes the window";
}

TEST_F(MainWindowTest, DefaultTimersAfterSuccess) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.SelectPage(CMainWnd::PAGE_PROGRESS);
  ASSERT_TRUE(w.Deliver(3000, 0, Sandbox().Path().c_str()));
  ASSERT_TRUE(w.Deliver(2003));
  CControlUI* root = w.Manager().RootControl();
  EXPECT_NE(-1, w.Manager().NativeTimerId(root, CMainWnd::TIMER_TOP_SHOW));
  EXPECT_NE(-1, w.Manager().NativeTimerId(root, CMainWnd::TIMER_FINISH_CLOSE))
      << "the largest period is clamped to what the system accepts";
  EXPECT_EQ(L"<none>", ProductValue(L"UnInstallEp")) << "no uninstaller file, no value";
  PumpFor(500);
  EXPECT_FALSE(Closed()) << "the default close timer keeps the window open";
}

TEST_F(MainWindowTest, ProductStartsAutomaticallyOnceOrByTheButton) {
  struct Case {
    int startupStyle;
    int launchesAtSuccess;
  };
  const Case cases[] = {{1, 1}, {2, 0}, {0, 0}};
  for (const Case& c : cases) {
    TestSupport::TempFolder folder;
    const std::wstring exe = CopySampleProduct(folder.Path());
    ASSERT_FALSE(exe.empty());
    TestMainWnd& w = Open();
    ASSERT_NE(nullptr, hwnd);
    w.SelectPage(CMainWnd::PAGE_PROGRESS);
    ASSERT_TRUE(w.Deliver(3001, 0, exe.c_str()));
    ASSERT_TRUE(w.Deliver(3005, c.startupStyle));
    ASSERT_TRUE(w.Deliver(2003));
    EXPECT_EQ(c.launchesAtSuccess, WaitForLaunches(folder.Path(), c.launchesAtSuccess)) << c.startupStyle;
    w.Click(L"openProduceBtn");
    EXPECT_TRUE(PumpUntil([&] { return Closed(); }));
    EXPECT_EQ(1, WaitForLaunches(folder.Path(), 1)) << "started once in all: " << c.startupStyle;
    StopLaunchedProducts(folder.Path());
    window.reset();
  }
}

TEST_F(MainWindowTest, DownloadFailureAnswers) {
  struct Case {
    int pageBefore;
    Answer answer;
    int startsAfter;
    const wchar_t* screenshot;
  };
  const Case cases[] = {
      {CMainWnd::PAGE_DEFAULT, Answer::kOk, 2, L"network_tip"},
      {CMainWnd::PAGE_CUSTOM, Answer::kOk, 2, nullptr},
      {CMainWnd::PAGE_CUSTOM, Answer::kCloseButton, 1, nullptr},
      {CMainWnd::PAGE_DEFAULT, Answer::kAltF4, 1, nullptr},
  };
  for (const Case& c : cases) {
    TestMainWnd& w = Open();
    ASSERT_NE(nullptr, hwnd);
    w.SelectPage(c.pageBefore);
    if (c.pageBefore == CMainWnd::PAGE_CUSTOM) {
      w.Named(L"installDirEdit")->SetText(Sandbox().File(L"Custom"));
      w.Click(L"createDSCb");
      w.Click(L"customeInstallBtn");
    } else {
      w.Click(L"defaultInstallBtn");
    }
    ASSERT_TRUE(PumpUntil([&] { return w.starts == 1; }));
    const InstallRequest first = w.LastInstallRequest();
    boxes.Expect(c.answer, c.screenshot ? c.screenshot : L"");
    ASSERT_TRUE(w.Deliver(1001, 1.0));
    ASSERT_TRUE(w.Deliver(1004, 7));
    PumpUntil([&] { return w.starts == c.startsAfter; }, 3000);
    EXPECT_EQ(L"NetworkTipWnd", boxes.Seen().back().skin);
    EXPECT_EQ(c.startsAfter, w.starts);
    EXPECT_FALSE(Closed()) << "no earlier installation: the window stays";
    if (c.startsAfter == 2) {
      EXPECT_EQ(CMainWnd::PAGE_PROGRESS, w.CurrentPage());
      EXPECT_EQ(first.installDir, w.LastInstallRequest().installDir);
      EXPECT_EQ(first.desktopShortcut, w.LastInstallRequest().desktopShortcut) << "the same kind again";
    } else {
      EXPECT_EQ(c.pageBefore, w.CurrentPage());
    }
    window.reset();
  }
}

TEST_F(MainWindowTest, PackageFailureResetsTheBarFromSeventy) {
  struct Case {
    double scale;
    double downloaded;
    int barAfter;
    const wchar_t* text;
    const wchar_t* shownText;
  };
  const Case cases[] = {
      {0.7, 1.0, 0, L"磁盘已满", L"磁盘已满"},
      {0.5, 1.0, 50, L"", L"安装失败"},
  };
  for (const Case& c : cases) {
    InstallerSettings::Instance().DownloadScale = c.scale;
    TestMainWnd& w = Open();
    ASSERT_NE(nullptr, hwnd);
    w.SelectPage(CMainWnd::PAGE_PROGRESS);
    ASSERT_TRUE(w.Deliver(1002, c.downloaded));
    const std::wstring textBefore = w.Text(L"progressLb");
    boxes.Expect(Answer::kCloseButton, c.barAfter == 0 ? L"package_failure" : L"");
    ASSERT_TRUE(w.Deliver(2004, 1, c.text));
    EXPECT_EQ(L"MessageBox2Wnd", boxes.Seen().back().skin);
    EXPECT_EQ(c.shownText, boxes.Seen().back().text);
    EXPECT_EQ(c.barAfter, w.BarValue());
    EXPECT_EQ(c.barAfter == 0 ? L"正在安装中:0%，请稍候..." : textBefore, w.Text(L"progressLb"));
    EXPECT_EQ(CMainWnd::PAGE_DEFAULT, w.CurrentPage());
    window.reset();
  }
}

TEST_F(MainWindowTest, RemovalFailureAndPackageMessage) {
  RegisterEarlierInstallation();
  boxes.Expect(Answer::kOk);  // install the latest version
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  ASSERT_TRUE(PumpUntil([&] { return w.starts == 1; }));
  boxes.Expect(Answer::kOk, L"package_message");
  ASSERT_TRUE(w.Deliver(3009, 0, L"请重启电脑"));
  EXPECT_EQ(L"请重启电脑", boxes.Seen().back().text);
  EXPECT_EQ(L"消息", boxes.Seen().back().caption);
  EXPECT_EQ(CMainWnd::PAGE_PROGRESS, w.CurrentPage());
  boxes.Expect(Answer::kOk, L"removal_failure");
  ASSERT_TRUE(w.Deliver(5005, 0, L"x"));
  EXPECT_EQ(kRunningText, boxes.Seen().back().text);
  EXPECT_TRUE(PumpUntil([&] { return Closed(); })) << "an earlier installation exists: closing";
}

TEST_F(MainWindowTest, EventsDuringABoxAndTheWindowClosingUnderIt) {
  TestMainWnd& w = Open();
  ASSERT_NE(nullptr, hwnd);
  w.SelectPage(CMainWnd::PAGE_PROGRESS);
  // While the package's message is open, progress keeps arriving and is shown.
  boxes.Expect(Answer::kOk, L"", [&] {
    w.EventCallback()(2002, 0.5, L"");
    PumpUntil([&] { return w.BarValue() == 85; }, 5000);
  });
  ASSERT_TRUE(w.Deliver(3009, 0, L"消息一"));
  EXPECT_EQ(85, w.BarValue());
  EXPECT_TRUE(::IsWindowEnabled(hwnd)) << "enabled again after the box";

  // The window goes away while a box is open, with events still queued: nothing crashes and
  // every record is freed.
  w.SelectPage(CMainWnd::PAGE_FINISHED);
  boxes.Expect(Answer::kLeaveOpen, L"", [&] {
    for (int i = 0; i < 20; ++i) w.EventCallback()(2002, 0.1, L"queued");
    ::DestroyWindow(hwnd);
  });
  w.EventCallback()(3009, 0, L"消息二");
  PumpUntil([&] { return Closed(); });
  PumpFor(200);
  w.EventCallback()(2002, 0.2, L"after the window");
  window.reset();
  EXPECT_EQ(0, InstallerEventMsg::live.load());
}

}  // namespace
}  // namespace UiTests
