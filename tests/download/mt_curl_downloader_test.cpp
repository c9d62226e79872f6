#include "download/mt_curl_downloader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/download/event_recorder.h"
#include "tests/download/test_packages.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileExists;
using TestSupport::TempFolder;
using Codes = std::vector<int>;
using Ranges = std::vector<std::string>;

constexpr size_t kTwoSegments = 2 * kSegment;
constexpr size_t kLarger = 32 * kMiB + 3;

Ranges RangesOf(const std::vector<TestSupport::FaultServer::Request>& gets) {
  Ranges ranges;
  for (const auto& get : gets) ranges.push_back(get.range);
  return ranges;
}

Ranges Sorted(Ranges ranges) {
  std::sort(ranges.begin(), ranges.end());
  return ranges;
}

struct Download {
  TempFolder folder;
  std::wstring target = folder.File(kTargetName);
  EventRecorder events;
  std::unique_ptr<CMTCurlDownloader> downloader;

  std::wstring Segment(int index) const { return target + L"_" + std::to_wstring(index); }
  // Puts the target in a new folder of this name inside the temporary one.
  void InFolder(const std::wstring& name) { target = MakeFolder(folder.Path(), name) + L"\\" + kTargetName; }

  void Start(const std::wstring& address, bool restartOnRetry = false) {
    downloader = std::make_unique<CMTCurlDownloader>(events.Callback(), address, target);
    if (restartOnRetry) events.RestartOnRetry(downloader.get());
    downloader->Start();
    EXPECT_TRUE(events.WaitForEnd());
  }
  Codes codes() const { return events.Codes(); }
};

struct SplitCase {
  size_t size;
  Ranges ranges;
};

// Below twice 10 MiB one range covers the package; from there on two halves, the second one
// taking the odd byte.
TEST(CMTCurlDownloader, SplitsThePackageIntoAtMostTwoRanges) {
  const SplitCase cases[] = {
      {kMiB - 1, {"bytes=0-1048574"}},
      {kTwoSegments - 1, {"bytes=0-20971518"}},
      {kTwoSegments, {"bytes=0-10485759", "bytes=10485760-20971519"}},
      {kTwoSegments + 1, {"bytes=0-10485759", "bytes=10485760-20971520"}},
      {kLarger, {"bytes=0-16777216", "bytes=16777217-33554434"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.size);
    auto& server = ServeWithFault(GetPackage(c.size), "correct");
    Download run;
    run.Start(TemplateAddress(server));
    EXPECT_EQ((Codes{1001, 1003}), run.codes());
    EXPECT_EQ(c.ranges, Sorted(RangesOf(Gets(server))));
    EXPECT_TRUE(FileHoldsPackage(run.target, c.size));
    // The first range hashed as it arrived, the second while it was joined.
    EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), c.size));
    EXPECT_FALSE(FileExists(run.Segment(0)));
    EXPECT_FALSE(FileExists(run.Segment(1)));
  }
}

// Both segment threads report; the shared progress only grows, by at least one point a step,
// and the callback is never entered by both at once.
TEST(CMTCurlDownloader, ReportsCombinedProgressOfBothRanges) {
  Download run;
  run.Start(Wide(GetPackage(kTwoSegments + 1).SlowAddress()));
  EXPECT_EQ((Codes{1001, 1003}), run.codes());
  const std::vector<double> progress = run.events.Progress();
  ASSERT_GE(progress.size(), 2u) << "a transfer of about three seconds reports progress";
  for (size_t i = 0; i < progress.size(); ++i) {
    EXPECT_GT(progress[i], 0.0);
    EXPECT_LE(progress[i], 1.0);
    if (i > 0) {
      EXPECT_GE(progress[i] - progress[i - 1], 0.01 - 1e-9);
    }
  }
  EXPECT_FALSE(run.events.Overlapped());
  EXPECT_TRUE(FileHoldsPackage(run.target, kTwoSegments + 1));
}

// The retry after a mismatch fetches everything again; the second mismatch is final.
TEST(CMTCurlDownloader, DigestMismatchTwiceEndsWithFailureAfterOneRestart) {
  auto& server = ServeWithFault(GetPackage(kTwoSegments), "correct", Digest::kWrong);
  Download run;
  run.Start(TemplateAddress(server), true);
  EXPECT_EQ((Codes{1001, 1006, 1005, kRetryHandlerEnd, 1001, 1006, 1004}), run.codes());
  const std::vector<Event> events = run.events.Events();
  EXPECT_EQ(L"mtcurl文件md5校验失败", FindEvent(events, 1006, 1).text);
  EXPECT_NE(FindEvent(events, 1005).thread, FindEvent(events, 1001, 1).thread);
  const Ranges once{"bytes=0-10485759", "bytes=10485760-20971519"};
  const Ranges twice{"bytes=0-10485759", "bytes=0-10485759", "bytes=10485760-20971519", "bytes=10485760-20971519"};
  EXPECT_EQ(twice, Sorted(RangesOf(Gets(server))));
  EXPECT_FALSE(FileExists(run.target));
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kTwoSegments));
  EXPECT_FALSE(FileExists(run.Segment(0)));
  EXPECT_FALSE(FileExists(run.Segment(1)));
}

struct DigestCase {
  Digest digest;
  Codes codes;
  const wchar_t* notice;
  bool complete;
};

TEST(CMTCurlDownloader, ActsOnTheDigestDirectory) {
  const DigestCase cases[] = {
      {Digest::kUpper, {1001, 1006, 1005}, L"mtcurl文件md5校验失败", false},
      {Digest::kMissing, {1001, 1006, 1003}, L"mtcurl获取url-md5失败", true},
  };
  for (const DigestCase& c : cases) {
    SCOPED_TRACE(RouteOf(c.digest));
    Download run;
    run.Start(Wide(GetPackage(kMiB).Address(c.digest)));
    EXPECT_EQ(c.codes, run.codes());
    EXPECT_EQ(c.notice, FindEvent(run.events.Events(), 1006).text);
    if (c.complete) {
      EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
    } else {
      EXPECT_FALSE(FileExists(run.target));
    }
  }
}

// The second range fails its whole first run after 64 KiB. The restart keeps both segment
// files: the complete first range gets no request, the second continues from its size.
TEST(CMTCurlDownloader, RestartContinuesFromTheSegmentFiles) {
  auto& server = ServeWithFault(GetPackage(kTwoSegments), "second-range-fails-first-8");
  Download run;
  run.Start(TemplateAddress(server), true);
  EXPECT_EQ((Codes{1001, 1005, kRetryHandlerEnd, 1001, 1003}), run.codes());
  EXPECT_EQ(22.0, FindEvent(run.events.Events(), 1005).progress);
  const auto gets = Gets(server);
  ASSERT_EQ(10u, gets.size());  // the first range, eight of the second, then its rest
  EXPECT_EQ("bytes=10551296-20971519", gets.back().range);
  EXPECT_TRUE(FileHoldsPackage(run.target, kTwoSegments));
  // The kept first segment file was hashed from disk, the rest of the second as it was joined.
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kTwoSegments));
}

// When the first segment file cannot be opened for the join, the run still ends with one final
// event, and the segment files it can delete are gone (a later Start begins afresh anyway).
TEST(CMTCurlDownloader, FirstSegmentFileLockedAtJoinEndsTheRunWithOneFinalFailure) {
  auto& server = ServeWithFault(GetPackage(kTwoSegments), "second-range-fails-first-8");
  Download run;
  Utils::UniqueFileHandle lock;
  run.events.BeforeRestart(
      [&] { lock.reset(::CreateFileW(run.Segment(0).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)); });
  run.Start(TemplateAddress(server), true);
  EXPECT_TRUE(lock.valid());
  EXPECT_EQ((Codes{1001, 1005, kRetryHandlerEnd, 1001, 1004}), run.codes());
  EXPECT_EQ(-2.0, FindEvent(run.events.Events(), 1004).progress);
  lock.reset();
  EXPECT_FALSE(FileExists(run.target));
  EXPECT_FALSE(FileExists(run.Segment(1)));
}

// A first range answered with the wrong length still ends in the whole package: a chunk reaching
// past the range's end is cut there and the range is complete without another request; a body
// one byte short is completed by asking for that byte alone.
TEST(CMTCurlDownloader, MendsARangeAnsweredWithTheWrongLength) {
  const struct {
    const char* scenario;
    Ranges asked;
  } cases[] = {
      {"extend-range-first", {"bytes=0-10485759", "bytes=10485760-20971519"}},
      {"one-byte-short-first", {"bytes=0-10485759", "bytes=10485759-10485759", "bytes=10485760-20971519"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    auto& server = ServeWithFault(GetPackage(kTwoSegments), c.scenario);
    Download run;
    run.Start(TemplateAddress(server));
    EXPECT_EQ((Codes{1001, 1003}), run.codes());
    EXPECT_EQ(c.asked, Sorted(RangesOf(Gets(server))));
    EXPECT_TRUE(FileHoldsPackage(run.target, kTwoSegments));
    EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kTwoSegments));
  }
}

// A server that ignores ranges sends the package from its first byte: the second range
// refuses it instead of storing it at the wrong offset.
TEST(CMTCurlDownloader, RefusesAWholeBodyForTheSecondRange) {
  auto& server = ServeWithFault(GetPackage(kTwoSegments), "ignore-range");
  Download run;
  run.Start(TemplateAddress(server));
  EXPECT_EQ((Codes{1001, 1005}), run.codes());
  EXPECT_EQ(23.0, FindEvent(run.events.Events(), 1005).progress);
  EXPECT_FALSE(FileExists(run.target));
}

struct WideFolderCase {
  const char* scenario;
  Digest digest;
  Codes codes;  // the owner answers 1005 by starting once more
};

// A folder the ANSI code page cannot spell: both segment files are written, kept across the
// restart, continued from their sizes and joined there; the digest of the joined file is really
// checked (a wrong one removes it).
TEST(CMTCurlDownloader, DownloadsIntoAFolderOutsideTheAnsiCodePage) {
  const WideFolderCase cases[] = {
      {"correct", Digest::kCorrect, {1001, 1003}},
      {"second-range-fails-first-8", Digest::kCorrect, {1001, 1005, kRetryHandlerEnd, 1001, 1003}},
      {"correct", Digest::kWrong, {1001, 1006, 1005, kRetryHandlerEnd, 1001, 1006, 1004}},
  };
  const Package& package = GetPackage(kTwoSegments);
  for (const std::wstring& name : WideFolderNames()) {
    for (const WideFolderCase& c : cases) {
      SCOPED_TRACE(Utils::WideToMultiByte(name, CP_UTF8) + " " + c.scenario + " " + RouteOf(c.digest));
      auto& server = ServeWithFault(package, c.scenario, c.digest);
      Download run;
      run.InFolder(name);
      bool segmentsKept = false;
      run.events.BeforeRestart([&] {
        segmentsKept = FileHoldsPackageRange(run.Segment(0), kTwoSegments, 0, kSegment) && FileExists(run.Segment(1));
      });
      run.Start(TemplateAddress(server), true);
      EXPECT_EQ(c.codes, run.codes());
      EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kTwoSegments));
      if (c.scenario == std::string("second-range-fails-first-8")) {
        EXPECT_TRUE(segmentsKept) << "the restart had the complete first segment file to keep";
        const auto gets = Gets(server);
        ASSERT_EQ(10u, gets.size());  // the first range, eight of the second, then its rest
        EXPECT_EQ("bytes=10551296-20971519", gets.back().range);
      }
      if (c.codes.back() == 1003) {
        EXPECT_TRUE(FileHoldsPackage(run.target, kTwoSegments));
      } else {
        EXPECT_FALSE(FileExists(run.target));
      }
      EXPECT_FALSE(FileExists(run.Segment(0)));
      EXPECT_FALSE(FileExists(run.Segment(1)));
    }
  }
}

// Errors other than 18 cost two of the twelve: seven attempts per range.
TEST(CMTCurlDownloader, SpendsTheRangeBudgetOnCode22) {
  auto& server = ServeWithFault(GetPackage(kMiB), "status-404");
  Download run;
  run.Start(TemplateAddress(server));
  EXPECT_EQ((Codes{1001, 1005}), run.codes());
  EXPECT_EQ(22.0, FindEvent(run.events.Events(), 1005).progress);
  EXPECT_EQ(7u, Gets(server).size());
  EXPECT_FALSE(FileExists(run.target));
}

// The restart resumes the segment the first run left, but after the final failure nothing of it
// stays in the user's folder.
TEST(CMTCurlDownloader, DeletesTheSegmentFilesAfterTheFinalFailure) {
  auto& server = ServeWithFault(GetPackage(kFiveMiB), "slow-cut-then-404");
  Download run;
  run.Start(TemplateAddress(server), true);
  EXPECT_EQ((Codes{1001, 1005, kRetryHandlerEnd, 1001, 1004}), run.codes());
  const auto gets = Gets(server);
  ASSERT_GT(gets.size(), 8u);
  EXPECT_EQ("bytes=1572864-5255224", gets.back().range) << "the restart resumed the segment";
  EXPECT_FALSE(FileExists(run.Segment(0)));
  EXPECT_FALSE(FileExists(run.Segment(1)));
  EXPECT_FALSE(FileExists(run.target));
}

// A joined file that cannot be moved to the target path is no success.
TEST(CMTCurlDownloader, FailsWhenTheJoinedFileCannotBeMoved) {
  Download run;
  ASSERT_TRUE(::CreateDirectoryW(run.target.c_str(), nullptr));
  run.Start(Wide(GetPackage(kMiB).Address()));
  EXPECT_EQ((Codes{1001, 1005}), run.codes());
  EXPECT_EQ(23.0, FindEvent(run.events.Events(), 1005).progress);
}

struct ProbeCase {
  const char* scenario;
  Codes codes;
};

TEST(CMTCurlDownloader, LearnsTheFinalAddressWithOneProbe) {
  const ProbeCase cases[] = {
      {"redirect-chain", {1001, 1003}},
      {"redirect-loop", {1001, 1004}},
      {"refuse", {1001, 1004}},
  };
  for (const ProbeCase& c : cases) {
    SCOPED_TRACE(c.scenario);
    auto& server = ServeWithFault(GetPackage(kMiB), c.scenario);
    Download run;
    run.Start(TemplateAddress(server));
    EXPECT_EQ(c.codes, run.codes());
    if (c.codes.back() == 1003) {
      EXPECT_TRUE(FileHoldsPackage(run.target, kMiB));
    } else {
      EXPECT_EQ(0.0, FindEvent(run.events.Events(), 1004).progress);
      EXPECT_EQ(L"LibCurl", FindEvent(run.events.Events(), 1004).text);
      EXPECT_TRUE(Gets(server).empty());
      EXPECT_FALSE(FileExists(run.target));
    }
  }
}

// A file address has no HTTP status, so the probe learns no length.
TEST(CMTCurlDownloader, CannotProbeAFileAddress) {
  const Package& package = GetPackage(kMiB);
  std::wstring source = package.root + Wide(package.FinalPath(Digest::kCorrect));
  for (wchar_t& c : source) c = c == L'\\' ? L'/' : c;
  Download run;
  run.Start(L"file:///" + source);
  EXPECT_EQ((Codes{1001, 1004}), run.codes());
  EXPECT_FALSE(FileExists(run.target));
}

// Thirteen cut attempts per run; the restart continues the segment file where the first run
// left it.
TEST(LongCMTCurlDownloader, SpendsTheRangeBudgetOnCode18ThenOnTheRestart) {
  auto& server = ServeWithFault(GetPackage(kFiveMiB), "close-always");
  Download run;
  run.Start(TemplateAddress(server), true);
  EXPECT_EQ((Codes{1001, 1005, kRetryHandlerEnd, 1001, 1004}), run.codes());
  EXPECT_EQ(18.0, FindEvent(run.events.Events(), 1005).progress);
  EXPECT_EQ(18.0, FindEvent(run.events.Events(), 1004).progress);
  const auto gets = Gets(server);
  ASSERT_EQ(26u, gets.size());
  EXPECT_EQ("bytes=851968-5255224", gets[13].range);
  EXPECT_FALSE(FileExists(run.target));
}

TEST(LongCMTCurlDownloader, RecoversFromAStalledRange) {
  auto& server = ServeWithFault(GetPackage(kTwoSegments), "stall-first");
  Download run;
  run.Start(TemplateAddress(server));
  EXPECT_EQ((Codes{1001, 1003}), run.codes());
  EXPECT_EQ((Ranges{"bytes=0-10485759", "bytes=1-10485759", "bytes=10485760-20971519"}),
            Sorted(RangesOf(Gets(server))));
  EXPECT_TRUE(FileHoldsPackage(run.target, kTwoSegments));
  EXPECT_TRUE(StreamedDigestIsPackage(run.downloader->LastDigest(), kTwoSegments));
}

TEST(LongCMTCurlDownloader, GivesUpOnARangeThatAlwaysStalls) {
  auto& server = ServeWithFault(GetPackage(kMiB), "stall-always");
  Download run;
  run.Start(TemplateAddress(server), true);
  EXPECT_EQ((Codes{1001, 1005, kRetryHandlerEnd, 1001, 1004}), run.codes());
  EXPECT_EQ(28.0, FindEvent(run.events.Events(), 1004).progress);
  EXPECT_FALSE(FileExists(run.target));
}

}  // namespace
