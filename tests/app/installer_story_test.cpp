// Whole stories through the real installer executable: its window found from outside, real
// pointer and keyboard input through xdotool, the sample package served by nginx, and what a
// user can check afterwards (the records, the files, the product started, the exit code).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "download/md5.h"
#include "tests/install/package_server.h"
#include "tests/skin/layout_geometry.h"
#include "tests/skin/shipped_layouts.h"
#include "tests/support/nginx_server.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tests/support/screen_capture.h"
#include "tests/support/wait.h"
#include "tests/support/window_search.h"
#include "tests/support/xdotool.h"
#include "tools/logview/debug_capture.h"
#include "ui/install_records.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::FileExists;
using TestSupport::WaitUntil;

std::wstring InstallerPath() { return TestSupport::BuildTreePath("app/DravixInstaller.exe"); }
std::wstring SamplePath(const char* file) {
  return TestSupport::BuildTreePath(std::string("tools/sample_package/") + file);
}

// The installer started as a user starts it and watched as a debugger watches it: its log lines
// as they come and its whole exit code.
class InstallerRun {
 public:
  explicit InstallerRun(const std::wstring& arguments, const std::wstring& program = InstallerPath())
      : command_(L"\"" + program + L"\" " + arguments) {
    thread_ = std::thread([this] {
      DebugCaptureResult result = RunWithDebugCapture(
          command_,
          [this](const std::wstring& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(line);
          },
          300000);
      std::lock_guard<std::mutex> lock(mutex_);
      result_ = std::move(result);
      ended_ = true;
    });
  }
  ~InstallerRun() {
    if (::testing::Test::HasFailure()) {
      const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
      RECT screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
      const std::string name = std::string("stories\\") + test->name() + ".png";
      TestSupport::SaveScreenArea(screen, std::wstring(name.begin(), name.end()));
      std::lock_guard<std::mutex> lock(mutex_);
      std::string log;
      for (const std::wstring& line : lines_) log += Utils::WideToMultiByte(line, CP_UTF8);
      std::printf("the installer's log:\n%s", log.c_str());
    }
    if (!Ended()) Kill();
    thread_.join();
  }

  bool Ended() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ended_;
  }
  bool WaitEnd(int seconds) {
    return WaitUntil([&] { return Ended(); }, seconds * 1000);
  }
  DWORD ExitCode() {
    std::lock_guard<std::mutex> lock(mutex_);
    return result_.exitCode;
  }
  // Log lines holding the fragment.
  int Count(const std::wstring& fragment) {
    std::lock_guard<std::mutex> lock(mutex_);
    int count = 0;
    for (const std::wstring& line : lines_) count += line.find(fragment) != std::wstring::npos;
    return count;
  }
  // From the "<P…>" prefix of the first log line; 0 before it arrived.
  DWORD ProcessId() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lines_.empty() || lines_[0].compare(0, 2, L"<P") != 0) return 0;
    return static_cast<DWORD>(std::wcstoul(lines_[0].c_str() + 2, nullptr, 10));
  }

 private:
  void Kill() {
    Utils::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, ProcessId()));
    if (process) ::TerminateProcess(process.get(), 255);
  }

  std::wstring command_;
  std::mutex mutex_;  // guards lines_, result_ and ended_, written by the capture thread
  std::vector<std::wstring> lines_;
  DebugCaptureResult result_;
  bool ended_ = false;
  std::thread thread_;
};

// The visible top-level window of that class (the installer is the only program showing them).
HWND VisibleWindow(const wchar_t* className) {
  return TestSupport::FindVisibleWindow([className](HWND window) { return TestSupport::ClassOf(window) == className; });
}

HWND WaitForWindow(const wchar_t* className, int seconds = 90) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = VisibleWindow(className)) != nullptr; }, seconds * 1000);
  return window;
}

// A control's centre in its window, from the shipped layout.
POINT CentreOf(const std::string& layout, const std::string& control) {
  for (const SkinTests::LayoutInfo& info : SkinTests::Layouts()) {
    if (layout != info.archiveName) continue;
    const SkinTests::MarkupElement& root = SkinTests::Layout(layout).root;
    const SkinTests::Geometry geometry = SkinTests::LayOut(root, info.width, info.height);
    const auto box = geometry.boxes.find(SkinTests::FindControl(root, control));
    if (box == geometry.boxes.end()) break;
    return POINT{(box->second.left + box->second.right) / 2, (box->second.top + box->second.bottom) / 2};
  }
  ADD_FAILURE() << "no control " << control << " in " << layout;
  return POINT{0, 0};
}

// Moves the pointer onto the control and clicks it, as a user does once the window answers:
// under Wine without a window manager, showing or closing a window keeps its thread busy for up
// to 2 s per window, and a click made meanwhile reaches an X window that is already gone.
bool Click(HWND window, const std::string& layout, const std::string& control) {
  RECT rect;
  DWORD_PTR answer = 0;
  if (!window || !::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer)) return false;
  if (!::GetWindowRect(window, &rect)) return false;
  const POINT at = CentreOf(layout, control);
  return TestSupport::RunXdotool(L"mousemove " + std::to_wstring(rect.left + at.x) + L" " +
                                 std::to_wstring(rect.top + at.y) + L" sleep 0.3 click 1");
}

std::wstring Registered(const wchar_t* name) {
  std::wstring value;
  ReadRegistryValue(name, value);
  return value;
}

std::string IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[260] = {};
  ::GetPrivateProfileStringW(section, key, L"", value, 260, file.c_str());
  return Utils::WideToMultiByte(value, CP_UTF8);
}

// The ids of the product's starts in that folder, from the launch log the sample product keeps.
std::vector<DWORD> Launches(const std::wstring& folder) {
  std::vector<DWORD> ids;
  std::istringstream lines(TestSupport::ReadFileBytes(folder + L"\\ZarnelDravix.launch.log"));
  std::string line;
  while (std::getline(lines, line))
    if (const unsigned long id = std::strtoul(line.c_str(), nullptr, 10)) ids.push_back(static_cast<DWORD>(id));
  return ids;
}

void StopProcess(DWORD id) {
  Utils::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
  if (!process) return;
  ::TerminateProcess(process.get(), 0);
  ::WaitForSingleObject(process.get(), 10000);
}

bool WaitForInstallation() {
  return WaitUntil([] { return !Registered(L"InstallPath").empty(); }, 240000);
}

void ExpectEnd(InstallerRun& run, DWORD exitCode) {
  ASSERT_TRUE(run.WaitEnd(60)) << "the installer did not end";
  EXPECT_EQ(exitCode, run.ExitCode());
}

// The finished window's close button ends the installer at once, with exit code 0.
void CloseTheFinishedWindow(InstallerRun& run) {
  ASSERT_TRUE(Click(VisibleWindow(L"MainWnd"), "mainWnd.xml", "closebtn"));
  ExpectEnd(run, 0);
}

// Every story starts as on a machine without the product: no records (the sandbox), and it
// ends with the product stopped and its folders gone.
class InstallerStory : public TestSupport::SandboxTest {
 protected:
  void TearDown() override {
    for (const std::wstring& folder : folders_) {
      for (DWORD id : Launches(folder)) StopProcess(id);
      TestSupport::RemoveFolderTree(folder);
    }
    TestSupport::SandboxTest::TearDown();
  }
  // Removed after the test, with the products started from it.
  void CleanUp(const std::wstring& folder) {
    if (!folder.empty()) folders_.push_back(folder);
  }
  static std::wstring Address() {
    InstallTests::PackageServer* server = InstallTests::SampleServer();
    return server ? server->TemplateAddress() : L"http://127.0.0.1:1/none";
  }
  // A registered earlier installation in the sandbox: the sample product, its uninstaller and
  // a set.ini with a mark the uninstaller's removal takes away.
  std::wstring EarlierInstallation() {
    const std::wstring folder = Sandbox().File(L"Old");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    EXPECT_TRUE(::CopyFileW(SamplePath("ZarnelDravix.exe").c_str(), (folder + L"\\ZarnelDravix.exe").c_str(), FALSE));
    EXPECT_TRUE(::CopyFileW(SamplePath("uninst.ep").c_str(), (folder + L"\\uninst.ep").c_str(), FALSE));
    ::WritePrivateProfileStringW(L"Mark", L"Old", L"1", (folder + L"\\set.ini").c_str());
    EXPECT_TRUE(WriteRegistryValue(L"InstallPath", folder));
    EXPECT_TRUE(WriteRegistryValue(L"UnInstallEp", folder + L"\\uninst.ep"));
    CleanUp(folder);
    return folder;
  }

 private:
  std::vector<std::wstring> folders_;
};

TEST_F(InstallerStory, OneClickInstallsRecordsStartsTheProductAndClosesWithZero) {
  // The package reports slowly, so the progress page is there to be tried.
  InstallerRun run(L"-downloadurl=" + Address() + L" -instcmd=-sample-slow=1500");
  HWND window = WaitForWindow(L"MainWnd");
  ASSERT_NE(nullptr, window);
  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  EXPECT_STREQ(L"ZarnelDravix", title);

  // The skin's size, centred in the work area, and its shadow 612 x 412 at (-5, -5).
  RECT rect;
  ::GetWindowRect(window, &rect);
  EXPECT_EQ(600, rect.right - rect.left);
  EXPECT_EQ(400, rect.bottom - rect.top);
  RECT work;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ((work.left + work.right) / 2 - 300, rect.left);
  EXPECT_EQ((work.top + work.bottom) / 2 - 200, rect.top);
  HWND shadow = VisibleWindow(L"SkinShadowWnd");
  ASSERT_NE(nullptr, shadow);
  EXPECT_EQ(window, ::GetWindow(shadow, GW_OWNER));
  RECT place;
  ::GetWindowRect(shadow, &place);
  EXPECT_EQ(rect.left - 5, place.left);
  EXPECT_EQ(rect.top - 5, place.top);
  EXPECT_EQ(612, place.right - place.left);
  EXPECT_EQ(412, place.bottom - place.top);

  ASSERT_TRUE(Click(window, "mainWnd.xml", "defaultInstallBtn"));
  ASSERT_TRUE(WaitUntil([&] { return run.Count(L"StartInstall") == 1; }, 60000)) << "the click started nothing";
  // Alt+F4 while installing: nothing happens.
  ::SetForegroundWindow(window);
  ASSERT_TRUE(TestSupport::RunXdotool(L"key alt+F4"));
  ::Sleep(1500);
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_FALSE(run.Ended());

  ASSERT_TRUE(WaitForInstallation()) << "never finished";
  const std::wstring folder = Registered(L"InstallPath");
  CleanUp(folder);
  EXPECT_EQ(folder + L"\\uninst.ep", Registered(L"UnInstallEp"));
  EXPECT_TRUE(FileExists(folder + L"\\ZarnelDravix.exe"));
  EXPECT_TRUE(FileExists(folder + L"\\set.ini"));
  EXPECT_FALSE(FileExists(folder + L"\\__Package_Dravix.exe")) << "the package is deleted";
  EXPECT_EQ("true", IniValue(folder + L"\\config.ini", L"Install", L"DesktopShortcut"));
  EXPECT_TRUE(WaitUntil([&] { return Launches(folder).size() == 1; }, 60000)) << "AutoStartup starts the product once";

  // The finish page's close button closes at once (the window is back in front after 3 s).
  ::Sleep(3500);
  CloseTheFinishedWindow(run);
  EXPECT_FALSE(::IsWindow(shadow)) << "the shadow goes with its window";
}

TEST_F(InstallerStory, CustomFolderTypedWithoutShortcutsThenTheCloseTimerEndsTheWindow) {
  const std::wstring typed = Sandbox().File(L"Typed Dravix");
  CleanUp(typed);
  InstallerRun run(L"-downloadurl=" + Address() +
                   L" \"-instcmd=-sample-startup=NonStartup -sample-line=FinsihCloseDetention=2000\"");
  HWND window = WaitForWindow(L"MainWnd");
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(Click(window, "mainWnd.xml", "customeBtn"));
  ::Sleep(800);
  ASSERT_TRUE(Click(window, "mainWnd.xml", "installDirEdit"));
  ::Sleep(500);
  ASSERT_TRUE(TestSupport::RunXdotool(L"key End shift+Home"));
  ASSERT_TRUE(TestSupport::RunXdotool(L"type --delay 20 \"" + typed + L"\""));
  ASSERT_TRUE(Click(window, "mainWnd.xml", "createDSCb"));
  ASSERT_TRUE(Click(window, "mainWnd.xml", "createQSCb"));
  ASSERT_TRUE(Click(window, "mainWnd.xml", "customeInstallBtn"));

  ASSERT_TRUE(WaitForInstallation()) << "never finished";
  EXPECT_EQ(typed, Registered(L"InstallPath"));
  EXPECT_EQ("false", IniValue(typed + L"\\config.ini", L"Install", L"DesktopShortcut"));
  EXPECT_EQ("false", IniValue(typed + L"\\config.ini", L"Install", L"QuickLaunchShortcut"));
  // Nobody closes it: the package's close delay does.
  ExpectEnd(run, 0);
  EXPECT_TRUE(Launches(typed).empty()) << "NonStartup: the product is not started";
}

TEST_F(InstallerStory, FailedDownloadAnsweredWithRetryThenSucceeds) {
  // The package appears on the server only after the first attempt has failed.
  TestSupport::TempFolder root;
  const std::string md5 = FileMd5Hex(SamplePath("DravixSamplePackage.exe"));
  const std::string route = "/redirect/ver1/zarneldravix/download_silent/1.0/installer/123456";
  std::string redirects;
  for (const char* name : {"download_silent", "download_silent_xp"})
    redirects += "location = /redirect/ver1/zarneldravix/" + std::string(name) +
                 "/1.0/installer/123456 { return 302 /" + md5 + "/DravixSamplePackage.exe; }\n";
  TestSupport::NginxServer server(root.Path(), redirects);
  ASSERT_TRUE(server.Start()) << server.ErrorText();
  InstallerRun run(L"-downloadurl=" + server.BaseUrlW() +
                   L"/redirect/ver1/zarneldravix/${ROUTE}/1.0/installer/123456 -instcmd=-sample-startup=NonStartup");
  HWND window = WaitForWindow(L"MainWnd");
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(Click(window, "mainWnd.xml", "defaultInstallBtn"));
  HWND tip = WaitForWindow(L"NetworkTipWnd", 120);
  ASSERT_NE(nullptr, tip) << "no network tip after the failed download";
  EXPECT_TRUE(Registered(L"InstallPath").empty());

  const std::wstring folder = root.Path() + L"\\" + std::wstring(md5.begin(), md5.end());
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(::CopyFileW(SamplePath("DravixSamplePackage.exe").c_str(),
                          (folder + L"\\DravixSamplePackage.exe").c_str(), FALSE));
  ASSERT_TRUE(Click(tip, "NetworkTipWnd.xml", "okBtn"));
  ASSERT_TRUE(WaitForInstallation()) << "the retry did not install";
  CleanUp(Registered(L"InstallPath"));
  EXPECT_EQ(2, run.Count(L"StartInstall")) << "the retry is a second start of the same kind";
  CloseTheFinishedWindow(run);
}

TEST_F(InstallerStory, FailedInstallationReturnsToTheDefaultPage) {
  InstallerRun run(L"-downloadurl=" + Address() + L" \"-instcmd=-sample-error=磁盘已满\"");
  HWND window = WaitForWindow(L"MainWnd");
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(Click(window, "mainWnd.xml", "defaultInstallBtn"));
  HWND box = WaitForWindow(L"MessageBox2Wnd", 120);
  ASSERT_NE(nullptr, box) << "no box after the package failed";
  ASSERT_TRUE(Click(box, "MessageBox2Wnd.xml", "closebtn"));
  ASSERT_TRUE(WaitUntil([] { return VisibleWindow(L"MessageBox2Wnd") == nullptr; }, 30000));
  EXPECT_TRUE(Registered(L"InstallPath").empty());
  // The one-click button is there again: a second click starts a second installation.
  ::Sleep(1000);
  ASSERT_TRUE(Click(window, "mainWnd.xml", "defaultInstallBtn"));
  EXPECT_TRUE(WaitUntil([&] { return run.Count(L"StartInstall") == 2; }, 60000)) << "not back on the default page";
  box = WaitForWindow(L"MessageBox2Wnd", 120);
  ASSERT_NE(nullptr, box);
  ASSERT_TRUE(Click(box, "MessageBox2Wnd.xml", "closebtn"));
  // Closing from the default page asks first; "okBtn" of the exit tip confirms.
  ASSERT_TRUE(WaitUntil([] { return VisibleWindow(L"MessageBox2Wnd") == nullptr; }, 30000));
  ASSERT_TRUE(Click(window, "mainWnd.xml", "closebtn"));
  HWND exitTip = WaitForWindow(L"ExitTipWnd", 30);
  ASSERT_NE(nullptr, exitTip);
  ASSERT_TRUE(Click(exitTip, "exitTipWnd.xml", "okBtn"));
  ExpectEnd(run, 0);
}

TEST_F(InstallerStory, EarlierInstallationIsRemovedFirstWhenTheUserInstallsTheLatest) {
  const std::wstring old = EarlierInstallation();
  InstallerRun run(L"-downloadurl=" + Address() + L" -instcmd=-sample-startup=NonStartup");
  HWND prompt = WaitForWindow(L"InstalledPathTipWnd");
  ASSERT_NE(nullptr, prompt) << "no prompt about the earlier installation";
  ASSERT_TRUE(Click(prompt, "InstalledPathTipWnd.xml", "okBtn"));  // "安装最新版本"
  ASSERT_TRUE(WaitUntil([&] { return FileExists(old + L"\\config.ini"); }, 240000)) << "never reinstalled";
  ASSERT_TRUE(WaitUntil([&] { return IniValue(old + L"\\set.ini", L"Install", L"AppName") == "Dravix"; }, 60000));
  EXPECT_EQ("", IniValue(old + L"\\set.ini", L"Mark", L"Old")) << "the old uninstaller did not run first";
  EXPECT_EQ(old, Registered(L"InstallPath"));
  CloseTheFinishedWindow(run);
}

TEST_F(InstallerStory, RunningProductIsReportedAndTheInstallerEnds) {
  const std::wstring old = EarlierInstallation();
  const std::wstring running = Sandbox().File(L"Running");
  ::CreateDirectoryW(running.c_str(), nullptr);
  ASSERT_TRUE(::CopyFileW(SamplePath("ZarnelDravix.exe").c_str(), (running + L"\\ZarnelDravix.exe").c_str(), FALSE));
  std::wstring productLine = L"\"" + running + L"\\ZarnelDravix.exe\" -lifetime=120";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(::CreateProcessW(nullptr, productLine.data(), nullptr, nullptr, FALSE, 0, nullptr, running.c_str(),
                               &startup, &info));
  Utils::UniqueHandle product(info.hProcess);
  Utils::UniqueHandle productThread(info.hThread);
  CleanUp(running);
  InstallerRun run(L"-downloadurl=" + Address());
  HWND box = WaitForWindow(L"MessageBox1Wnd");
  ASSERT_NE(nullptr, box) << "no box about the running product";
  ASSERT_TRUE(Click(box, "MessageBox1Wnd.xml", "okBtn"));
  ExpectEnd(run, 0);
  EXPECT_EQ(0, run.Count(L"StartInstall"));
  EXPECT_FALSE(FileExists(old + L"\\config.ini")) << "nothing was installed";
}

TEST_F(InstallerStory, InsNewInstallsOverTheEarlierInstallationWithoutAsking) {
  const std::wstring old = EarlierInstallation();
  InstallerRun run(L"-downloadurl=" + Address() +
                   L" -insnew=true \"-instcmd=-sample-startup=NonStartup -sample-line=FinsihCloseDetention=500\"");
  ASSERT_TRUE(run.WaitEnd(240)) << "the installation did not run by itself to its end";
  EXPECT_EQ(0u, run.ExitCode());
  EXPECT_EQ(nullptr, VisibleWindow(L"InstalledPathTipWnd"));
  EXPECT_EQ(1, run.Count(L"StartInstall"));
  EXPECT_TRUE(FileExists(old + L"\\config.ini"));
  EXPECT_EQ("", IniValue(old + L"\\set.ini", L"Mark", L"Old"));
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR data) {
  reinterpret_cast<std::vector<WORD>*>(data)->push_back(language);
  return TRUE;
}

TEST_F(InstallerStory, BrokenSkinShowsTheFatalBoxAndEndsWithOne) {
  const std::wstring copy = Sandbox().File(L"DravixInstaller.exe");
  ASSERT_TRUE(::CopyFileW(InstallerPath().c_str(), copy.c_str(), FALSE));
  std::vector<WORD> languages;
  {
    Utils::UniqueModule module(::LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    ::EnumResourceLanguagesW(module.get(), L"ZIPRES", MAKEINTRESOURCEW(147), CollectLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
  }
  ASSERT_FALSE(languages.empty());
  HANDLE update = ::BeginUpdateResourceW(copy.c_str(), FALSE);
  ASSERT_NE(nullptr, update);
  char garbage[64] = "not a skin archive";
  for (WORD language : languages)
    ASSERT_TRUE(::UpdateResourceW(update, L"ZIPRES", MAKEINTRESOURCEW(147), language, garbage, sizeof(garbage)));
  ASSERT_TRUE(::EndUpdateResourceW(update, FALSE));

  InstallerRun run(L"", copy);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        box = TestSupport::FindVisibleWindow([](HWND window) { return TestSupport::CaptionOf(window) == L"SkinUI"; });
        return box != nullptr || run.Ended();
      },
      90000));
  ASSERT_NE(nullptr, box) << "ended without the box";
  EXPECT_EQ(nullptr, VisibleWindow(L"MainWnd"));
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  ExpectEnd(run, 1);
}

}  // namespace
