#include "download/curl_downloader.h"

#include <gtest/gtest.h>
#include <windows.h>

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

// Runs one download to its end and returns the codes it sent (1002 left out).
// With a subfolder name, the target lies in that folder inside the temporary one.
struct Download {
  TempFolder folder;
  std::wstring target;
  EventRecorder events;
  std::unique_ptr<CCurlDownloader> downloader;

  explicit Download(const std::wstring& address, bool restartOnRetry = false, const std::wstring& subfolder = L"")
      : target((subfolder.empty() ? folder.Path() : MakeFolder(folder.Path(), subfolder)) + L"\\" + kTargetName) {
    downloader = std::make_unique<CCurlDownloader>(events.Callback(), address, target);
    if (restartOnRetry) events.RestartOnRetry(downloader.get());
    downloader->Start();
    EXPECT_TRUE(events.WaitForEnd());
  }
  Codes codes() const { return events.Codes(); }
};

TEST(CCurlDownloader, DownloadsAndVerifiesThePackage) {
  for (size_t size : {kMiB, kFiveMiB}) {
    SCOPED_TRACE(size);
    Download run(Wide(GetPackage(size).Address()));
    EXPECT_EQ((Codes{1001, 1003}), run.codes());
    const std::vector<Event> events = run.events.Events();
    EXPECT_EQ(1.0, FindEvent(events, 1001).progress);
    EXPECT_EQ(L"LibCurl", FindEvent(events, 1003).text);
    EXPECT_TRUE(FileHoldsPackage(run.target, size));
    EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), size));
    EXPECT_FALSE(FileExists(run.target + L".part"));
  }
}

TEST(CCurlDownloader, ReportsGrowingProgressWhileBytesFlow) {
  Download run(Wide(GetPackage(kFiveMiB).SlowAddress()));
  EXPECT_EQ((Codes{1001, 1003}), run.codes());
  const std::vector<double> progress = run.events.Progress();
  ASSERT_FALSE(progress.empty()) << "a transfer of about two seconds reports progress";
  for (size_t i = 0; i < progress.size(); ++i) {
    EXPECT_GT(progress[i], 0.0);
    EXPECT_LE(progress[i], 1.0);
    if (i > 0) {
      EXPECT_GT(progress[i], progress[i - 1]);
    }
  }
  EXPECT_TRUE(FileHoldsPackage(run.target, kFiveMiB));
}

// The owner answers 1005 by calling Start inside its handler, on the worker that sent it. The
// new run begins only after that handler has returned, on a new thread, and a file that failed
// verification is never left at the target path.
TEST(CCurlDownloader, DigestMismatchTwiceEndsWithFailureAfterOneRestart) {
  Download run(Wide(GetPackage(kMiB).Address(Digest::kWrong)), true);
  EXPECT_EQ((Codes{1001, 1006, 1005, kRetryHandlerEnd, 1001, 1006, 1004}), run.codes());
  const std::vector<Event> events = run.events.Events();
  EXPECT_EQ(L"curl文件md5校验失败", FindEvent(events, 1006, 0).text);
  EXPECT_EQ(L"curl文件md5校验失败", FindEvent(events, 1006, 1).text);
  EXPECT_EQ(0.0, FindEvent(events, 1004).progress);
  EXPECT_NE(FindEvent(events, 1005).thread, FindEvent(events, 1001, 1).thread);
  EXPECT_FALSE(FileExists(run.target));
  // The restart hashed its fresh bytes only: the digest is the served package's again.
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kMiB));
}

struct DigestCase {
  Digest digest;
  Codes codes;
  const wchar_t* notice;
  bool complete;
};

TEST(CCurlDownloader, ActsOnTheDigestDirectory) {
  const DigestCase cases[] = {
      {Digest::kUpper, {1001, 1006, 1005}, L"curl文件md5校验失败", false},
      {Digest::kMissing, {1001, 1006, 1003}, L"curl获取url-md5失败", true},
  };
  for (const DigestCase& c : cases) {
    SCOPED_TRACE(RouteOf(c.digest));
    Download run(Wide(GetPackage(kMiB).Address(c.digest)));
    EXPECT_EQ(c.codes, run.codes());
    EXPECT_EQ(c.notice, FindEvent(run.events.Events(), 1006).text);
    if (c.complete) {
      EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
    } else {
      EXPECT_FALSE(FileExists(run.target));
    }
  }
}

// The package arrives byte for byte: a server that compresses on request does not get its
// compressed stream saved, and a body without a length that ends early is resumed, not taken.
TEST(CCurlDownloader, TakesOnlyTheWholeUncompressedPackage) {
  const struct {
    const char* scenario;
    size_t gets;
  } cases[] = {{"gzip", 1}, {"no-length-cut-first", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    auto& server = ServeWithFault(GetPackage(kFiveMiB), c.scenario, Digest::kMissing);
    Download run(TemplateAddress(server));
    EXPECT_EQ((Codes{1001, 1006, 1003}), run.codes());
    EXPECT_TRUE(FileHoldsPackage(run.target, kFiveMiB));
    EXPECT_EQ(c.gets, Gets(server).size());
  }
}

TEST(CCurlDownloader, RecoversFromCutTransfersByResuming) {
  const Package& package = GetPackage(kFiveMiB);
  auto& server = ServeWithFault(package, "close-first-3");
  Download run(TemplateAddress(server));
  EXPECT_EQ((Codes{1001, 1003}), run.codes());
  EXPECT_EQ(4u, Gets(server).size());
  EXPECT_TRUE(FileHoldsPackage(run.target, kFiveMiB));
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kFiveMiB));
}

struct WideFolderCase {
  const char* scenario;
  Digest digest;
  Codes codes;
  std::vector<std::string> ranges;  // of the GET requests, in order
};

// A folder the ANSI code page cannot spell: the package arrives byte-exact, a cut body is
// resumed from the ".part" file there, and its digest is really checked (a wrong one removes it).
TEST(CCurlDownloader, DownloadsIntoAFolderOutsideTheAnsiCodePage) {
  const WideFolderCase cases[] = {
      {"correct", Digest::kCorrect, {1001, 1003}, {"-"}},
      {"close-first-3", Digest::kCorrect, {1001, 1003}, {"-", "bytes=262144-", "bytes=524288-", "bytes=786432-"}},
      {"correct", Digest::kWrong, {1001, 1006, 1005}, {"-"}},
  };
  const Package& package = GetPackage(kFiveMiB);
  for (const std::wstring& name : WideFolderNames()) {
    for (const WideFolderCase& c : cases) {
      SCOPED_TRACE(Utils::WideToMultiByte(name, CP_UTF8) + " " + c.scenario + " " + RouteOf(c.digest));
      auto& server = ServeWithFault(package, c.scenario, c.digest);
      Download run(TemplateAddress(server), false, name);
      EXPECT_EQ(c.codes, run.codes());
      std::vector<std::string> ranges;
      for (const auto& get : Gets(server)) ranges.push_back(get.range);
      EXPECT_EQ(c.ranges, ranges);
      EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kFiveMiB));
      if (c.codes.back() == 1003) {
        EXPECT_TRUE(FileHoldsPackage(run.target, kFiveMiB));
      } else {
        EXPECT_FALSE(FileExists(run.target));
      }
      EXPECT_FALSE(FileExists(run.target + L".part"));
    }
  }
}

// A server that keeps failing: the run ends with one 1004 carrying the last curl code once the
// attempts that code costs are spent, and leaves no file.
struct GiveUpCase {
  const char* scenario;
  double curlCode;
  size_t gets;
};

void ExpectGivesUp(const GiveUpCase& c) {
  SCOPED_TRACE(c.scenario);
  auto& server = ServeWithFault(GetPackage(kMiB), c.scenario);
  Download run(TemplateAddress(server));
  EXPECT_EQ((Codes{1001, 1004}), run.codes());
  EXPECT_EQ(c.curlCode, FindEvent(run.events.Events(), 1004).progress);
  EXPECT_EQ(L"LibCurl", FindEvent(run.events.Events(), 1004).text);
  EXPECT_EQ(c.gets, Gets(server).size());
  EXPECT_FALSE(FileExists(run.target));
}

// Errors other than 18 cost two of the twelve: six attempts. After one cut, a server that ignores
// ranges makes every resume fail with 33.
TEST(CCurlDownloader, GivesUpOnceTheErrorsBudgetIsSpent) {
  for (const GiveUpCase& c : {GiveUpCase{"status-404", 22.0, 6}, GiveUpCase{"close-first-then-ignore-range", 33.0, 7}})
    ExpectGivesUp(c);
}

TEST(CCurlDownloader, RefusesAPackageBelowOneMebibyte) {
  Download run(Wide(GetPackage(kMiB - 1).Address()));
  EXPECT_EQ((Codes{1001, 1004}), run.codes());
  EXPECT_EQ(-998.0, FindEvent(run.events.Events(), 1004).progress);
  EXPECT_FALSE(FileExists(run.target));
}

TEST(CCurlDownloader, FailsAtOnceWithAnEmptyTargetPath) {
  EventRecorder events;
  CCurlDownloader downloader(events.Callback(), Wide(GetPackage(kMiB).Address()), L"");
  downloader.Start();
  ASSERT_TRUE(events.WaitForEnd());
  EXPECT_EQ((Codes{1001, 1004}), events.Codes());
  EXPECT_EQ(1.0, FindEvent(events.Events(), 1004).progress);
  EXPECT_EQ(L"", FindEvent(events.Events(), 1004).text);
}

// The digest travels in the file address's last directory as well.
TEST(CCurlDownloader, DownloadsAndVerifiesAFileAddress) {
  const Package& package = GetPackage(kMiB);
  std::wstring source = package.root + Wide(package.FinalPath(Digest::kCorrect));
  for (wchar_t& c : source) c = c == L'\\' ? L'/' : c;
  Download run(L"file:///" + source);
  EXPECT_EQ((Codes{1001, 1003}), run.codes());
  EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kMiB));
}

// A transfer that stalls is cut after a few seconds and resumed.
TEST(CCurlDownloader, RecoversFromAStalledTransfer) {
  const Package& package = GetPackage(kMiB);
  auto& server = ServeWithFault(package, "stall-first");
  Download run(TemplateAddress(server));
  EXPECT_EQ((Codes{1001, 1003}), run.codes());
  const auto gets = Gets(server);
  ASSERT_EQ(2u, gets.size());
  EXPECT_EQ("bytes=1-", gets[1].range);
  EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kMiB));
}

// Long runs: the whole budget spent on cuts, and on stalls.
TEST(LongCCurlDownloader, GivesUpAfterTwelveCutsOrSixStalls) {
  for (const GiveUpCase& c : {GiveUpCase{"close-always", 18.0, 12}, GiveUpCase{"stall-always", 28.0, 6}})
    ExpectGivesUp(c);
}

}  // namespace
