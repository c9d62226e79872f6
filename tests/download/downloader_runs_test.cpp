// What every downloader owes each run, whatever its kind: a Start after a final event is a new
// attempt, and a run that cannot get a thread still ends with exactly one final event.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/download/downloader_kinds.h"
#include "tests/download/event_recorder.h"
#include "tests/download/test_packages.h"
#include "tests/support/sandbox.h"
#include "tests/support/thread_starvation.h"

namespace {

using namespace DownloadTest;
using TestSupport::TempFolder;
using Codes = std::vector<int>;
Codes After(const Codes& codes, size_t from) { return Codes(codes.begin() + static_cast<long>(from), codes.end()); }

bool AskedTheRedirectServer(const TestSupport::FaultServer& server) {
  for (const auto& request : server.Requests()) {
    if (request.path == RoutePath("download_silent")) return true;
  }
  return false;
}

// The user's retry after a final failure: the redirect server now leads to the right file. The
// old final address is not fetched again and the new attempt has its own retry.
TEST(DownloaderRuns, AStartAfterTheFinalFailureBeginsAfresh) {
  const Package& package = GetPackage(kMiB);
  for (const DownloaderKind& kind : DownloaderKinds()) {
    SCOPED_TRACE(kind.name);
    auto& server = ServeWithFault(package, "correct", Digest::kWrong);
    TempFolder folder;
    EventRecorder events;
    auto downloader = kind.make(events.Callback(), TemplateAddress(server), folder.File(kTargetName));
    events.RestartOnRetry(downloader.get());
    downloader->Start();
    ASSERT_TRUE(events.WaitForEnd());
    const Codes first = events.Codes();
    ASSERT_EQ((Codes{1001, 1006, 1005, kRetryHandlerEnd, 1001, 1006, 1004}), first);

    ServeWithFault(package, "correct", Digest::kCorrect);
    downloader->Start();
    ASSERT_TRUE(events.WaitForCount(events.Events().size() + 2));
    ASSERT_TRUE(events.WaitForEnd());
    EXPECT_EQ((Codes{1001, 1003}), After(events.Codes(), first.size()));
    EXPECT_TRUE(AskedTheRedirectServer(server));
    EXPECT_TRUE(FileHoldsPackage(folder.File(kTargetName), kMiB));
  }
}

// When no thread can be created, Start answers at once with one 1004; once threads
// can start again, the next Start runs normally.
TEST(DownloaderRuns, AStartWithoutAThreadEndsWithOneFailure) {
  for (const DownloaderKind& kind : DownloaderKinds()) {
    SCOPED_TRACE(kind.name);
    TempFolder folder;
    EventRecorder events;
    auto downloader = kind.make(events.Callback(), L"http://127.0.0.1:1/nothing/here", folder.File(kTargetName));
    {
      TestSupport::ThreadStarvation starvation;
      std::string error;
      ASSERT_TRUE(starvation.Active(&error)) << error;
      ASSERT_TRUE(TestSupport::ThreadStarvation::ThreadsRefused());
      downloader->Start();
    }
    ASSERT_TRUE(events.WaitForEnd(5000)) << "no final event";
    EXPECT_EQ((Codes{1004}), events.Codes());
    EXPECT_EQ(CDownloader::kNoWorker, FindEvent(events.Events(), 1004).progress);

    downloader->Start();
    ASSERT_TRUE(events.WaitForCount(3));
    ASSERT_TRUE(events.WaitForEnd());
    EXPECT_EQ((Codes{1004, 1001, 1004}), events.Codes());
  }
}

}  // namespace
