// The whole chain through CDownloadInstaller: the sample package kit served by nginx on
// loopback, real downloads, the real package installer and uninstaller as child processes.
#include "install/download_installer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "download/curl_client.h"
#include "install/installer.h"
#include "tests/install/event_recorder.h"
#include "tests/install/installer_fixture.h"
#include "tests/install/package_server.h"
#include "tests/support/log_capture.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait.h"
#include "tests/utils/child_script.h"
#include "utils/installer_settings.h"
#include "utils/process_probe.h"
#include "utils/unique_resource.h"

namespace InstallTests {
namespace {

constexpr DWORD kChainTimeoutMs = 120000;
// The single-stream downloader's result for an address whose probe finds no package (a 404).
constexpr double kNotFound = CurlClient::kNoLength;

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kChainTimeoutMs) {
  return TestSupport::WaitUntil(condition, timeoutMs);
}

bool Has(const std::vector<Event>& events, int code) {
  return std::any_of(events.begin(), events.end(), [code](const Event& e) { return e.code == code; });
}

int Count(const std::vector<Event>& events, int code) {
  return static_cast<int>(
      std::count_if(events.begin(), events.end(), [code](const Event& e) { return e.code == code; }));
}

size_t IndexOf(const std::vector<Event>& events, int code) {
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].code == code) return i;
  }
  return events.size();
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The first event with the code, or {0, 0.0, "<none>"}.
Event EventOf(const std::vector<Event>& events, int code) {
  const size_t index = IndexOf(events, code);
  return index < events.size() ? events[index] : Event{0, 0.0, L"<none>"};
}

// The codes in order, download progress left out and repeats collapsed: the shape of a chain.
std::vector<int> Shape(const std::vector<Event>& events) {
  std::vector<int> codes;
  for (const Event& event : events) {
    if (event.code == 1002 || event.code == 5002) continue;
    if (codes.empty() || codes.back() != event.code) codes.push_back(event.code);
  }
  return codes;
}

// What the sample package installer reports after the download: see tools/sample_package.
const std::vector<int> kSampleInstallShape = {2001, 2002, 3000, 3001, 3003, 3005, 2002, 2003};

std::vector<int> Join(std::vector<int> first, const std::vector<int>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

bool IsEnd(const Event& event) {
  return event.code == 2003 || event.code == 2004 || event.code == 1004 || event.code == 5004 || event.code == 5005;
}

class DownloadInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = SampleServer();
    ASSERT_NE(server_, nullptr);
    InstallerSettings& settings = InstallerSettings::Instance();
    savedType_ = settings.DownloadType;
    savedInsNew_ = settings.InsNew;
    savedInstCmd_ = settings.InstCmd;
    settings.DownloadType = 1;
    settings.InsNew = false;
    settings.InstCmd.clear();
    ::DeleteFileW(CDownloadInstaller::UninstallerCopyPath().c_str());
  }
  void TearDown() override {
    InstallerSettings& settings = InstallerSettings::Instance();
    settings.DownloadType = savedType_;
    settings.InsNew = savedInsNew_;
    settings.InstCmd = savedInstCmd_;
  }

  std::unique_ptr<CDownloadInstaller> Make(EventRecorder& recorder,
                                           std::function<void(const Event&)> onEvent = nullptr) {
    return std::make_unique<CDownloadInstaller>(recorder.Callback(std::move(onEvent)), L"", L"", L"", true, true, true);
  }

  static void Init(CDownloadInstaller& installer, const std::wstring& url, const std::wstring& folder,
                   const std::wstring& uninstaller = L"") {
    installer.Init(url, L"", uninstaller, folder, true, false, false, true, L"de-DE");
  }

  // Waits for the event that ends a chain, then for the reactions to it.
  static std::vector<Event> WaitForEnd(const EventRecorder& recorder, size_t endsBefore = 0) {
    EXPECT_TRUE(WaitUntil([&] {
      const std::vector<Event> events = recorder.Events();
      return static_cast<size_t>(std::count_if(events.begin(), events.end(), IsEnd)) > endsBefore;
    })) << "the chain did not end";
    return recorder.Events();
  }

  // The sample product and its uninstaller installed in folder, as an earlier version would be.
  static std::wstring InstallOldVersion(const std::wstring& folder) {
    EventRecorder recorder;
    CInstaller installer(recorder.Callback(), Quoted(SamplePackagePath()), folder);
    installer.Start();
    EXPECT_TRUE(installer.WaitForRun(kRunTimeoutMs));
    EXPECT_TRUE(TestSupport::FileExists(folder + L"\\uninst.ep"));
    return folder + L"\\uninst.ep";
  }

  PackageServer* server_ = nullptr;
  TestSupport::TempFolder folder_;

 private:
  int savedType_ = 1;
  bool savedInsNew_ = false;
  std::wstring savedInstCmd_;
};

TEST_F(DownloadInstallerTest, EachDownloadTypeInstallsTheSampleProduct) {
  const struct {
    int type;
    std::string route;
    std::vector<int> downloadShape;
    std::wstring digestNotice;  // the 1006 text that tells the downloader class apart
  } cases[] = {
      {1, "download_silent", {1001, 1003}, L""},
      {1, "no_md5", {1001, 1006, 1003}, L"curl获取url-md5失败"},
      {7, "no_md5", {1001, 1006, 1003}, L"curl获取url-md5失败"},
      {2, "download_silent", {1001, 1003}, L""},
      {3, "large", {1001, 1003}, L""},
      {3, "no_md5", {1001, 1006, 1003}, L"mtcurl获取url-md5失败"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("DownloadType " + std::to_string(c.type) + " from " + c.route);
    InstallerSettings::Instance().DownloadType = c.type;
    const std::wstring folder = folder_.File(L"Dravix " + std::to_wstring(c.type) + L" " +
                                             std::wstring(c.route.begin(), c.route.end()) + L"\\sub folder");
    const std::wstring package = CDownloadInstaller::PackagePathFor(folder);
    const size_t systemStackRequests = Occurrences(server_->AccessLog(), "WinHttpClient");
    EventRecorder recorder;
    TestSupport::LogCapture log;
    auto installer = Make(recorder);
    Init(*installer, server_->Address(c.route), folder);
    installer->Start();
    const std::vector<Event> events = WaitForEnd(recorder);
    EXPECT_EQ(Shape(events), Join(c.downloadShape, kSampleInstallShape));
    if (!c.digestNotice.empty()) {
      EXPECT_EQ(EventOf(events, 1006).text, c.digestNotice);
    }
    EXPECT_TRUE(TestSupport::FileExists(folder + L"\\ZarnelDravix.exe"));
    EXPECT_TRUE(WaitUntil([&] { return !TestSupport::FileExists(package); })) << "the package was left behind";
    installer.reset();
    // Only the system HTTP stack's downloader names itself in its requests.
    EXPECT_EQ(Occurrences(server_->AccessLog(), "WinHttpClient") > systemStackRequests, c.type == 2);
    const std::vector<std::wstring> lines = log.Lines();
    const std::wstring typeLine = L"DL_TYPE=" + std::to_wstring(c.type) + L"\r\n";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::wstring& line) {
      TestSupport::ParsedLogLine parsed;
      return TestSupport::ParseLogLine(line, &parsed) && parsed.tag == L"CDownloadInstaller::Start" &&
             parsed.message == typeLine;
    })) << "no DL_TYPE line";
  }
}

// Each event reaches the owner before the orchestrator reacts to it: at 1001 the folder does not
// exist yet, at 2003 the package is still there.
TEST_F(DownloadInstallerTest, HandlersForwardFirstUnchangedAndLogUnderTheirOwnTags) {
  EventRecorder recorder;
  TestSupport::LogCapture log;
  const std::wstring folder = folder_.File(L"tags");
  std::atomic<int> folderAtStart{-1};
  std::atomic<int> packageAtSuccess{-1};
  auto installer = Make(recorder, [&](const Event& event) {
    if (event.code == 1001) folderAtStart = TestSupport::FileExists(folder);
    if (event.code == 2003) packageAtSuccess = TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folder));
  });
  Init(*installer, server_->Address("download_silent"), folder);
  installer->Start();
  const std::vector<Event> events = WaitForEnd(recorder);
  ASSERT_EQ(events.back(), (Event{2003, 0.0, L""}));
  EXPECT_EQ(folderAtStart, 0);
  EXPECT_EQ(packageAtSuccess, 1);
  EXPECT_EQ(events.front(), (Event{1001, 1.0, L""}));
  EXPECT_EQ(EventOf(events, 1003), (Event{1003, 0.0, L"LibCurl"}));
  EXPECT_EQ(EventOf(events, 3000), (Event{3000, 0.0, folder}));
  installer.reset();
  std::vector<std::wstring> messages;
  for (const std::wstring& line : log.Lines()) {
    TestSupport::ParsedLogLine parsed;
    if (TestSupport::ParseLogLine(line, &parsed) && parsed.tag.rfind(L"CDownloadInstaller::Start::", 0) == 0) {
      messages.push_back(parsed.message);
    }
  }
  const std::vector<std::wstring> firstSteps = {L"DL_CODE_START\r\n", L"DOWNLOAD_SUCCESS\r\n", L"IST_CODE_START\r\n",
                                                L"DL_CODE_SUCCESS\r\n"};
  std::vector<std::wstring> seen;
  for (const std::wstring& message : messages) {
    if (std::find(firstSteps.begin(), firstSteps.end(), message) != firstSteps.end()) seen.push_back(message);
  }
  // IST_CODE_START comes from the runner's thread and may come before or after DL_CODE_SUCCESS.
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], L"DL_CODE_START\r\n");
  EXPECT_EQ(seen[1], L"DOWNLOAD_SUCCESS\r\n");
  EXPECT_EQ(messages.back(), L"INSTALL_SUCCESS\r\n");
}

TEST_F(DownloadInstallerTest, AnOldVersionIsRemovedBeforeTheDownload) {
  const std::wstring oldFolder = folder_.File(L"old version");
  const std::wstring uninstaller = InstallOldVersion(oldFolder);
  const std::wstring folder = folder_.File(L"new version");
  EventRecorder recorder;
  auto installer = Make(recorder);
  Init(*installer, server_->Address("download_silent"), folder, uninstaller);
  installer->Start();
  const std::vector<Event> events = WaitForEnd(recorder);
  EXPECT_EQ(Shape(events), Join({5001, 5003, 1001, 1003}, kSampleInstallShape));
  EXPECT_EQ(events[1], (Event{5002, 0.0, L""}));
  EXPECT_LT(IndexOf(events, 5003), IndexOf(events, 1001));
  EXPECT_FALSE(TestSupport::FileExists(oldFolder + L"\\ZarnelDravix.exe")) << "the old version stayed";
  EXPECT_TRUE(TestSupport::FileExists(folder + L"\\ZarnelDravix.exe"));
  // The copy in the temporary folder ran, not the file in the old installation.
  EXPECT_TRUE(TestSupport::FileExists(CDownloadInstaller::UninstallerCopyPath()));
  EXPECT_TRUE(WaitUntil([&] { return !TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folder)); }));
}

// Only the copy of the uninstaller written by this run may run elevated: a file at the copy's
// place that cannot be replaced makes the removal fail (and never runs), and anything standing
// where the copy's folder goes is cleared away first.
TEST_F(DownloadInstallerTest, OnlyTheUninstallerCopyWrittenByTheRunRuns) {
  const std::wstring copy = CDownloadInstaller::UninstallerCopyPath();
  const std::wstring copyFolder = copy.substr(0, copy.find_last_of(L'\\'));
  const struct {
    const char* name;
    bool heldPlant;  // else a plain file stands where the folder goes
    std::vector<int> shape;
  } cases[] = {
      {"a planted program held open for reading", true, {5001, 5004}},
      {"a file in the folder's place", false, Join({5001, 5003, 1001, 1003}, kSampleInstallShape)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring oldFolder = folder_.File(L"old " + std::to_wstring(&c - cases));
    const std::wstring uninstaller = InstallOldVersion(oldFolder);
    // The planted program is the scripted child: it would report its own Error line.
    TestSupport::ChildScript script(folder_.Path(), "out Error=planted\\n\n");
    TestSupport::RemoveFolderTree(copyFolder);
    ::DeleteFileW(copyFolder.c_str());
    Utils::UniqueFileHandle plant;
    if (c.heldPlant) {
      ASSERT_TRUE(::CreateDirectoryW(copyFolder.c_str(), nullptr));
      ASSERT_TRUE(::CopyFileW(TestSupport::ChildScript::ChildPath().c_str(), copy.c_str(), FALSE));
      plant.reset(::CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(plant.valid());
    } else {
      ASSERT_TRUE(TestSupport::WriteFileBytes(copyFolder, "in the way"));
    }
    EventRecorder recorder;
    auto installer = Make(recorder);
    Init(*installer, server_->Address("download_silent"), folder_.File(L"new " + std::to_wstring(&c - cases)),
         uninstaller);
    installer->Start();
    const std::vector<Event> events = WaitForEnd(recorder);
    EXPECT_EQ(Shape(events), c.shape);
    EXPECT_FALSE(std::any_of(events.begin(), events.end(), [](const Event& e) { return e.text == L"planted"; }));
    if (c.heldPlant) {
      EXPECT_EQ(events.back(), (Event{5004, 1.0, L"可执行卸载文件不存在"}));
      EXPECT_TRUE(TestSupport::FileExists(oldFolder + L"\\ZarnelDravix.exe"));
    }
    installer.reset();
    plant.reset();
  }
  TestSupport::RemoveFolderTree(copyFolder);
}

// From its verification until the package's installer has started, nobody can delete, write or
// rename the package: the program that runs is the file that was verified.
TEST_F(DownloadInstallerTest, TheVerifiedPackageCannotBeChangedBeforeItRuns) {
  for (int type : {1, 2, 3}) {
    SCOPED_TRACE("DownloadType " + std::to_string(type));
    InstallerSettings::Instance().DownloadType = type;
    const std::wstring folder = folder_.File(L"held " + std::to_wstring(type));
    const std::wstring package = CDownloadInstaller::PackagePathFor(folder);
    std::atomic<int> attempts{0};
    std::atomic<int> changes{0};
    auto tryToChange = [&] {
      attempts += 3;
      if (::DeleteFileW(package.c_str())) ++changes;
      Utils::UniqueFileHandle writer(::CreateFileW(package.c_str(), GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
      if (writer) ++changes;
      if (::MoveFileW(package.c_str(), (package + L".moved").c_str())) ++changes;
    };
    EventRecorder recorder;
    auto installer = Make(recorder, [&](const Event& event) {
      if (event.code == 1003 || event.code == 2001) tryToChange();
    });
    Init(*installer, server_->Address("download_silent"), folder);
    installer->Start();
    const std::vector<Event> events = WaitForEnd(recorder);
    EXPECT_EQ(attempts, 6);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Shape(events), Join({1001, 1003}, kSampleInstallShape));
    EXPECT_TRUE(TestSupport::FileExists(folder + L"\\ZarnelDravix.exe"));
  }
}

TEST_F(DownloadInstallerTest, AMissingOrEmptyUninstallerMeansNoRemoval) {
  for (const std::wstring& uninstaller : {std::wstring(), folder_.File(L"nowhere\\uninst.ep")}) {
    EventRecorder recorder;
    auto installer = Make(recorder);
    Init(*installer, server_->MissingAddress(), folder_.File(L"no removal"), uninstaller);
    installer->Start();
    const std::vector<Event> events = WaitForEnd(recorder);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), (Event{1001, 1.0, L""}));
    EXPECT_EQ(events.back(), (Event{1004, kNotFound, L"LibCurl"}));
    EXPECT_FALSE(Has(events, 5001));
  }
}

// After a failed removal nothing is downloaded: once the remover's child has gone, a second
// Start downloads, and a download wrongly started by the first chain would show as a second 1001.
TEST_F(DownloadInstallerTest, ARemovalFailureStopsTheChain) {
  const struct {
    const char* name;
    std::wstring behaviour;  // [Sample] Uninstall= of the sample uninstaller; empty: scripted child
    Event failure;
  } cases[] = {
      {"State=Fail", L"fail", {5005, 0.0, L"安装包卸载失败"}},
      {"Error line", L"error:in use", {5005, 0.0, L"in use"}},
      {"success after an error", L"", {5005, 0.0, L"locked"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring oldFolder = folder_.File(L"old " + std::to_wstring(&c - cases));
    std::wstring uninstaller;
    std::unique_ptr<TestSupport::ChildScript> script;
    if (c.behaviour.empty()) {
      ::CreateDirectoryW(oldFolder.c_str(), nullptr);
      uninstaller = oldFolder + L"\\uninst.ep";
      ::CopyFileW(TestSupport::ChildScript::ChildPath().c_str(), uninstaller.c_str(), FALSE);
      script = std::make_unique<TestSupport::ChildScript>(
          folder_.Path(), "out Encode=UTF8\\n\nout Error=locked\\n\nsleep 200\nout State=Success\\n\n");
    } else {
      uninstaller = InstallOldVersion(oldFolder);
      ::WritePrivateProfileStringW(L"Sample", L"Uninstall", c.behaviour.c_str(), (oldFolder + L"\\config.ini").c_str());
    }
    const std::wstring folder = folder_.File(L"target " + std::to_wstring(&c - cases));
    EventRecorder recorder;
    auto installer = Make(recorder);
    Init(*installer, server_->Address("download_silent"), folder, uninstaller);
    installer->Start();
    std::vector<Event> events = WaitForEnd(recorder);
    EXPECT_EQ(EventOf(events, 5005), c.failure);
    EXPECT_TRUE(WaitUntil([] { return Utils::FindProcessByName(CDownloadInstaller::kUninstallerCopyName) == 0; }));
    ::Sleep(1000);  // the remover reads what the child left in the pipe
    EXPECT_FALSE(Has(recorder.Events(), 1001)) << "a download started after the removal failed";

    Init(*installer, server_->Address("download_silent"), folder);
    installer->Start();
    events = WaitForEnd(recorder, 1);
    EXPECT_EQ(Count(events, 1001), 1);
    EXPECT_EQ(events.back().code, 2003);
    EXPECT_TRUE(TestSupport::FileExists(oldFolder + L"\\uninst.ep")) << "the old version was removed anyway";
  }
}

TEST_F(DownloadInstallerTest, FailuresDeleteThePackage) {
  const struct {
    const char* name;
    std::string route;
    std::wstring instCmd;
    Event last;
  } cases[] = {
      {"download fails", "no_such_route", L"", {1004, kNotFound, L"LibCurl"}},
      {"installation fails", "download_silent", L"-sample-fail", {2004, 0.0, L"安装包安装失败"}},
      {"installation reports an error",
       "download_silent",
       L"\"-sample-error=disk full\"",
       {2004, 1000.0, L"disk full"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InstallerSettings::Instance().InstCmd = c.instCmd;
    const std::wstring folder = folder_.File(L"failing " + std::to_wstring(&c - cases));
    const std::wstring package = CDownloadInstaller::PackagePathFor(folder);
    // A stale package of an earlier run of the program is in the way.
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(TestSupport::WriteFileBytes(package, "stale"));
    EventRecorder recorder;
    auto installer = Make(recorder);
    Init(*installer, server_->Address(c.route), folder);
    installer->Start();
    const std::vector<Event> events = WaitForEnd(recorder);
    EXPECT_EQ(events.back(), c.last);
    EXPECT_TRUE(WaitUntil([&] { return !TestSupport::FileExists(package); })) << "the package was left behind";
    EXPECT_EQ(CDownloadInstaller::RememberedPackagePath(), package);
    EXPECT_FALSE(TestSupport::FileExists(folder + L"\\ZarnelDravix.exe"));
  }
}

// The package installer may still be running when it reports its end; its file cannot be
// deleted then, so the deletion is repeated once the run is over.
TEST_F(DownloadInstallerTest, APackageInstallerThatLingersIsDeletedAfterItsEnd) {
  const struct {
    const char* name;
    std::wstring instCmd;
    int last;
  } cases[] = {
      {"success", L"-sample-hold=1500", 2003},
      {"failure", L"-sample-fail -sample-hold=1500", 2004},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InstallerSettings::Instance().InstCmd = c.instCmd;
    const std::wstring folder = folder_.File(L"lingering " + std::to_wstring(&c - cases));
    EventRecorder recorder;
    auto installer = Make(recorder);
    Init(*installer, server_->Address("download_silent"), folder);
    installer->Start();
    EXPECT_EQ(WaitForEnd(recorder).back().code, c.last);
    EXPECT_TRUE(WaitUntil([&] { return !TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folder)); }))
        << "the package was left behind";
  }
}

TEST_F(DownloadInstallerTest, TheRememberedPackageIsDeletedByTheNextDeletionOfAnyOrchestrator) {
  const std::wstring folderA = folder_.File(L"A");
  const std::wstring folderB = folder_.File(L"B");
  const std::wstring folderC = folder_.File(L"C");
  EventRecorder recorder;
  auto first = Make(recorder);
  Init(*first, server_->MissingAddress(), folderA);
  first->Start();
  WaitForEnd(recorder);
  EXPECT_TRUE(WaitUntil(
      [&] { return CDownloadInstaller::RememberedPackagePath() == CDownloadInstaller::PackagePathFor(folderA); }));

  // Something left a package in A again; the next failure, in B, removes both.
  ASSERT_TRUE(TestSupport::WriteFileBytes(CDownloadInstaller::PackagePathFor(folderA), "left over"));
  Init(*first, server_->MissingAddress(), folderB);
  first->Start();
  WaitForEnd(recorder, 1);
  EXPECT_TRUE(WaitUntil(
      [&] { return CDownloadInstaller::RememberedPackagePath() == CDownloadInstaller::PackagePathFor(folderB); }));
  EXPECT_FALSE(TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folderA)));

  // The remembered path is the process's: another orchestrator's deletion removes B's package.
  ASSERT_TRUE(TestSupport::WriteFileBytes(CDownloadInstaller::PackagePathFor(folderB), "left over"));
  EventRecorder otherRecorder;
  auto second = Make(otherRecorder);
  Init(*second, server_->MissingAddress(), folderC);
  second->Start();
  WaitForEnd(otherRecorder);
  EXPECT_TRUE(WaitUntil(
      [&] { return CDownloadInstaller::RememberedPackagePath() == CDownloadInstaller::PackagePathFor(folderC); }));
  EXPECT_FALSE(TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folderB)));
}

// The downloader and runner of an earlier Start are kept only while the address and folder stay:
// otherwise a retry in another folder, or with a corrected address, would fetch the old address
// into the old folder.
TEST_F(DownloadInstallerTest, ALaterStartUsesItsOwnAddressAndFolder) {
  const std::wstring folderA = folder_.File(L"first try");
  const std::wstring folderB = folder_.File(L"second try");
  EventRecorder recorder;
  auto installer = Make(recorder);
  Init(*installer, server_->MissingAddress(), folderA);
  installer->Start();
  ASSERT_EQ(WaitForEnd(recorder).back().code, 1004);

  TestSupport::RemoveFolderTree(folderA);
  Init(*installer, server_->Address("download_silent"), folderB);
  installer->Start();
  const std::vector<Event> events = WaitForEnd(recorder, 1);
  EXPECT_EQ(events.back(), (Event{2003, 0.0, L""}));
  EXPECT_TRUE(TestSupport::FileExists(folderB + L"\\ZarnelDravix.exe"));
  EXPECT_FALSE(TestSupport::FileExists(folderA)) << "the second try went to the first folder";
  EXPECT_TRUE(WaitUntil([&] { return !TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folderB)); }));
}

// A digest mismatch asks for one restart (1005): the restarted downloader sends 1001 again and
// the folder is created again, here after the test removed it.
TEST_F(DownloadInstallerTest, ARetryStartsTheDownloaderAgainAndRecreatesTheFolder) {
  const std::wstring parent = folder_.File(L"retry");
  const std::wstring folder = parent + L"\\deep";
  EventRecorder recorder;
  auto installer = Make(recorder, [&parent](const Event& event) {
    if (event.code == 1005) TestSupport::RemoveFolderTree(parent);
  });
  Init(*installer, server_->Address("wrong_md5"), folder);
  installer->Start();
  const std::vector<Event> events = WaitForEnd(recorder);
  EXPECT_EQ(Shape(events), (std::vector<int>{1001, 1006, 1005, 1001, 1006, 1004}));
  // Both runs downloaded the whole file; the second one into the folder created anew.
  EXPECT_EQ(events.back(), (Event{1004, 0.0, L"LibCurl"}));
  EXPECT_EQ(EventOf(events, 1006).text, L"curl文件md5校验失败");
  EXPECT_TRUE(TestSupport::FileExists(folder));
  EXPECT_TRUE(WaitUntil([&] { return !TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folder)); }));
}

// With InsNew, Start waits while the product runs, and goes on when it has ended.
TEST_F(DownloadInstallerTest, InsNewWaitsForTheRunningProduct) {
  InstallerSettings::Instance().InsNew = true;
  const std::wstring oldFolder = folder_.File(L"installed");
  const std::wstring uninstaller = InstallOldVersion(oldFolder);
  // The product runs from elsewhere, so that its uninstaller does not refuse.
  const std::wstring productFolder = folder_.File(L"running");
  ::CreateDirectoryW(productFolder.c_str(), nullptr);
  const std::wstring product = productFolder + L"\\" + CDownloadInstaller::kProductProcessName;
  ASSERT_TRUE(
      ::CopyFileW(TestSupport::BuildTreePath("tools/sample_package/ZarnelDravix.exe").c_str(), product.c_str(), FALSE));
  std::wstring commandLine = L"\"" + product + L"\" -lifetime=120";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(
      ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  Utils::UniqueHandle process(info.hProcess);
  Utils::UniqueHandle thread(info.hThread);
  ASSERT_TRUE(WaitUntil([] { return Utils::FindProcessByName(CDownloadInstaller::kProductProcessName) != 0; }));

  EventRecorder recorder;
  auto installer = Make(recorder);
  Init(*installer, server_->Address("download_silent"), folder_.File(L"new"), uninstaller);
  std::atomic<bool> returned{false};
  std::thread starter([&] {
    installer->Start();
    returned = true;
  });
  // The copy is made before the wait begins; give a Start that does not wait time to show it.
  EXPECT_TRUE(WaitUntil([] { return TestSupport::FileExists(CDownloadInstaller::UninstallerCopyPath()); }));
  ::Sleep(1000);
  EXPECT_FALSE(returned) << "Start did not wait for the product";
  EXPECT_TRUE(recorder.Events().empty());

  ::TerminateProcess(process.get(), 0);
  ::WaitForSingleObject(process.get(), INFINITE);
  starter.join();
  EXPECT_TRUE(returned);
  const std::vector<Event> events = WaitForEnd(recorder);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), (Event{5001, 0.0, L""}));
  EXPECT_EQ(events.back().code, 2003);
}

// Destroying the orchestrator while a worker runs: nothing is reported afterwards, and the
// package installer's child has ended when the destructor returns.
TEST_F(DownloadInstallerTest, DestructionWhileWorkersRun) {
  const struct {
    const char* name;
    int stopAt;  // destroy once this event has arrived
    std::wstring instCmd;
  } cases[] = {
      {"during the download", 1001, L""},
      {"during the installation", 2001, L"-sample-slow=300"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InstallerSettings::Instance().InstCmd = c.instCmd;
    const std::wstring folder = folder_.File(L"destroyed " + std::to_wstring(&c - cases));
    std::atomic<bool> destroyed{false};
    std::atomic<int> lateEvents{0};
    EventRecorder recorder;
    auto installer = Make(recorder, [&](const Event&) {
      if (destroyed) ++lateEvents;
    });
    Init(*installer, server_->Address("large"), folder);
    installer->Start();
    ASSERT_TRUE(WaitUntil([&] { return Has(recorder.Events(), c.stopAt); }));
    installer.reset();
    destroyed = true;
    const size_t count = recorder.Events().size();
    EXPECT_EQ(Utils::FindProcessByName(L"__Package_Dravix.exe"), 0u) << "the package installer still runs";
    EXPECT_EQ(lateEvents, 0);
    EXPECT_EQ(recorder.Events().size(), count);
    EXPECT_FALSE(Has(recorder.Events(), 2003));
  }
}

}  // namespace
}  // namespace InstallTests
