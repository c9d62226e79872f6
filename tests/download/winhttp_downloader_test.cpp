// The downloader over the system HTTP stack, end to end against nginx and the fault server:
// its events, the file it leaves, and its destruction in the middle of a download.
#include "download/winhttp_downloader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/download/event_recorder.h"
#include "tests/download/test_packages.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileExists;
using TestSupport::TempFolder;
using Codes = std::vector<int>;

// 1001 first, the 1002s rising within (0, 1], and the ending event last.
void ExpectOrderedProgress(const std::vector<Event>& events) {
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(1001, events.front().code);
  double last = 0.0;
  for (size_t i = 1; i < events.size(); ++i) {
    if (events[i].code != DL_CODE_PROGRESS) continue;
    EXPECT_LT(i, events.size() - 1) << "a progress event after the end";
    EXPECT_GT(events[i].progress, last);
    EXPECT_LE(events[i].progress, 1.0);
    last = events[i].progress;
  }
}

// One downloader run to its end (and its restarts, when asked).
// `subfolder` names a folder to create inside the temporary one for the target.
struct Download {
  TempFolder folder;
  std::wstring target;
  EventRecorder events;
  std::unique_ptr<WinHttpDownloader> downloader;

  explicit Download(const std::wstring& address, bool restartOnRetry = false, const std::wstring& subfolder = L"") {
    target = (subfolder.empty() ? folder.Path() : MakeFolder(folder.Path(), subfolder)) + L"\\" + kTargetName;
    downloader = std::make_unique<WinHttpDownloader>(events.Callback(), address, target);
    if (restartOnRetry) events.RestartOnRetry(downloader.get());
  }
  Codes Run() {
    downloader->Start();
    EXPECT_TRUE(events.WaitForEnd());
    return events.Codes();
  }
};

TEST(WinHttpDownloader, DownloadsAndVerifiesThePackage) {
  for (size_t size : {kMiB, kFiveMiB}) {
    SCOPED_TRACE(size);
    Download run(Wide(GetPackage(size).Address()));
    EXPECT_EQ((Codes{1001, 1003}), run.Run());
    const std::vector<Event> events = run.events.Events();
    EXPECT_EQ(1.0, FindEvent(events, 1001).progress);
    EXPECT_EQ(L"", FindEvent(events, 1001).text);
    EXPECT_EQ(L"WinHttp", FindEvent(events, 1003).text);
    EXPECT_FALSE(run.events.Progress().empty()) << "the first bytes are reported at once";
    ExpectOrderedProgress(events);
    EXPECT_TRUE(FileHoldsPackage(run.target, size));
    EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), size));
    EXPECT_FALSE(run.events.Overlapped());
  }
}

TEST(WinHttpDownloader, ReportsRisingProgressOnASlowTransfer) {
  Download run(Wide(GetPackage(kFiveMiB).SlowAddress()));
  EXPECT_EQ((Codes{1001, 1003}), run.Run());
  EXPECT_GE(run.events.Progress().size(), 2u) << "about two seconds of transfer";
  ExpectOrderedProgress(run.events.Events());
  EXPECT_TRUE(FileHoldsPackage(run.target, kFiveMiB));
}

TEST(WinHttpDownloader, ReplacesAnOldFileInsteadOfAppending) {
  Download run(Wide(GetPackage(kMiB).Address()));
  ASSERT_TRUE(TestSupport::WriteFileBytes(run.target, std::string(3 * kMiB, 'o')));
  EXPECT_EQ((Codes{1001, 1003}), run.Run());
  EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));

  // A second run of the same downloader over its own finished file.
  run.downloader->Start();
  ASSERT_TRUE(run.events.WaitForCount(run.events.Events().size() + 2));
  ASSERT_TRUE(run.events.WaitForEnd());
  EXPECT_EQ((Codes{1001, 1003, 1001, 1003}), run.events.Codes());
  EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
  // The second run's digest started afresh rather than going on from the first one's.
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kMiB));
}

TEST(WinHttpDownloader, FailsWithoutLeavingAFileBehind) {
  const Package& package = GetPackage(kMiB);
  struct Case {
    const char* scenario;
    double code;  // the 1004's progress value; < 0: any
  };
  const Case cases[] = {
      {"status-404", 404.0},         {"status-500", 500.0},
      {"close-always", 0.0},          // the body ends long before its declared length
      {"one-byte-short-first", 0.0},  // one byte missing
      {"reset-always", -1.0},         // no answer in three attempts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    TestSupport::FaultServer& server = ServeWithFault(package, c.scenario);
    Download run(TemplateAddress(server));
    ASSERT_TRUE(TestSupport::WriteFileBytes(run.target, "an old file"));
    EXPECT_EQ((Codes{1001, 1004}), run.Run());
    const Event fail = FindEvent(run.events.Events(), 1004);
    EXPECT_EQ(L"WinHttp", fail.text);
    if (c.code >= 0) {
      EXPECT_EQ(c.code, fail.progress);
    } else {
      EXPECT_NE(0.0, fail.progress);
    }
    EXPECT_FALSE(FileExists(run.target));
  }
}

// Only a whole package is one: a redirect the system did not follow is no package, and a body
// that ends with its connection without a declared length counts only when its digest vouches
// for it.
TEST(WinHttpDownloader, TakesOnlyAnAnswerThatIsProvablyThePackage) {
  const Package& package = GetPackage(kFiveMiB);
  struct Case {
    const char* scenario;
    Digest digest;
    Codes codes;
    double code;  // of the 1004
  };
  const Case cases[] = {
      {"status-300", Digest::kCorrect, {1001, 1004}, 300.0},
      {"no-length-cut-first", Digest::kMissing, {1001, 1006, 1004}, WinHttpDownloader::kUnframedBody},
      {"no-length", Digest::kMissing, {1001, 1006, 1004}, WinHttpDownloader::kUnframedBody},
      {"no-length", Digest::kCorrect, {1001, 1003}, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + " " + RouteOf(c.digest));
    TestSupport::FaultServer& server = ServeWithFault(package, c.scenario, c.digest);
    Download run(TemplateAddress(server));
    EXPECT_EQ(c.codes, run.Run());
    if (c.codes.back() == 1004) {
      EXPECT_EQ(c.code, FindEvent(run.events.Events(), 1004).progress);
      EXPECT_FALSE(FileExists(run.target));
    } else {
      EXPECT_TRUE(FileHoldsPackage(run.target, kFiveMiB));
    }
  }
}

TEST(WinHttpDownloader, ChecksTheDigestOfTheFinalAddress) {
  const Package& package = GetPackage(kMiB);
  {
    SCOPED_TRACE("no digest in the address: accepted with a notice");
    Download run(Wide(package.Address(Digest::kMissing)));
    EXPECT_EQ((Codes{1001, 1006, 1003}), run.Run());
    EXPECT_EQ(L"WinHttp获取url-md5失败", FindEvent(run.events.Events(), 1006).text);
    EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
  }
  {
    SCOPED_TRACE("a digest in capitals never matches");
    Download run(Wide(package.Address(Digest::kUpper)));
    EXPECT_EQ((Codes{1001, 1006, 1005}), run.Run());
    EXPECT_FALSE(FileExists(run.target));
  }
  {
    SCOPED_TRACE("a wrong digest: one restart, then failure");
    Download run(Wide(package.Address(Digest::kWrong)), true);
    EXPECT_EQ((Codes{1001, 1006, 1005, kRetryHandlerEnd, 1001, 1006, 1004}), run.Run());
    const std::vector<Event> events = run.events.Events();
    EXPECT_EQ(L"WinHttp文件md5校验失败", FindEvent(events, 1006).text);
    EXPECT_EQ(0.0, FindEvent(events, 1004).progress);
    EXPECT_FALSE(FileExists(run.target));
    EXPECT_FALSE(run.events.Overlapped());
    EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kMiB));
  }
}

TEST(WinHttpDownloader, VerifiesInFoldersOutsideTheAnsiCodePage) {
  const Package& package = GetPackage(kMiB);
  for (const std::wstring& name : WideFolderNames()) {
    SCOPED_TRACE(Utils::WideToMultiByte(name, CP_UTF8));
    {
      Download run(Wide(package.Address(Digest::kCorrect)), false, name);
      EXPECT_EQ((Codes{1001, 1003}), run.Run());
      EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
      EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kMiB));
    }
    {
      // The digest must really be compared there: a wrong one may not pass as unreadable.
      Download run(Wide(package.Address(Digest::kWrong)), true, name);
      EXPECT_EQ((Codes{1001, 1006, 1005, kRetryHandlerEnd, 1001, 1006, 1004}), run.Run());
      EXPECT_FALSE(FileExists(run.target));
    }
  }
}

TEST(WinHttpDownloader, FailsAtOnceWithoutAUsableTarget) {
  const std::wstring address = Wide(GetPackage(kMiB).Address());
  {
    SCOPED_TRACE("empty path");
    EventRecorder events;
    WinHttpDownloader downloader(events.Callback(), address, L"");
    downloader.Start();
    ASSERT_TRUE(events.WaitForEnd());
    EXPECT_EQ((Codes{1001, 1004}), events.Codes());
    EXPECT_EQ(1.0, FindEvent(events.Events(), 1004).progress);
    EXPECT_EQ(L"", FindEvent(events.Events(), 1004).text);
  }
  {
    SCOPED_TRACE("a folder that does not exist");
    EventRecorder events;
    const std::wstring target = TempFolder().File(kTargetName);  // the folder goes at once
    WinHttpDownloader downloader(events.Callback(), address, target);
    downloader.Start();
    ASSERT_TRUE(events.WaitForEnd());
    EXPECT_EQ((Codes{1001, 1004}), events.Codes());
    EXPECT_EQ(static_cast<double>(ERROR_PATH_NOT_FOUND), FindEvent(events.Events(), 1004).progress);
    EXPECT_FALSE(FileExists(target));
  }
}

TEST(WinHttpDownloader, DestructionDuringATransferEndsItQuietly) {
  Download run(Wide(GetPackage(kFiveMiB).SlowAddress()));
  run.downloader->Start();
  ASSERT_TRUE(run.events.WaitForCount(2)) << "1001 and the first progress";
  run.downloader.reset();
  const size_t seen = run.events.Events().size();
  const Codes codes = run.events.Codes();
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(Codes{1001}, codes) << "no ending event once destruction has begun";
  EXPECT_FALSE(FileExists(run.target)) << "no half package stays behind";
  // Nothing arrives later either: a second, complete download on another downloader finishes
  // while the first recorder stays as it was.
  Download other(Wide(GetPackage(kMiB).Address()));
  EXPECT_EQ((Codes{1001, 1003}), other.Run());
  EXPECT_EQ(seen, run.events.Events().size());
}

// A server that sends one byte and then nothing: the worker is blocked in a read that only
// the 30-second receive timeout would end. Destruction must not wait for it, in either stall
// (first request only, or every request).
TEST(WinHttpDownloader, DestructionDuringAStalledReadEndsAtOnce) {
  const Package& package = GetPackage(kFiveMiB);
  for (const char* scenario : {"stall-first", "stall-always"}) {
    SCOPED_TRACE(scenario);
    auto& server = ServeWithFault(package, scenario);
    Download run(TemplateAddress(server));
    run.downloader->Start();
    // The body's first byte has arrived once 1002 is reported; give the read time to block.
    ASSERT_TRUE(run.events.WaitForCount(2)) << "1001 and the first progress";
    ::Sleep(1000);
    const ULONGLONG begin = ::GetTickCount64();
    run.downloader.reset();
    const ULONGLONG took = ::GetTickCount64() - begin;
    std::printf("[ measure  ] destroying during a stalled read (%s) took %llu ms\n", scenario,
                static_cast<unsigned long long>(took));
    EXPECT_LT(took, 10000u) << "the destruction waited for the receive timeout";
    EXPECT_EQ(Codes{1001}, run.events.Codes());
    EXPECT_FALSE(FileExists(run.target)) << "no half package stays behind";
  }
}

TEST(WinHttpDownloader, DestructionWithoutAStartSendsNothing) {
  EventRecorder events;
  { WinHttpDownloader never(events.Callback(), L"http://127.0.0.1:1/x", L""); }
  EXPECT_TRUE(events.Events().empty());
}

}  // namespace
