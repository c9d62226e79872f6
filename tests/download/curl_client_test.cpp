#include "download/curl_client.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "download/md5.h"
#include "tests/download/test_packages.h"
#include "tests/support/log_capture.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileExists;
using TestSupport::TempFolder;

int64_t SizeOf(const std::wstring& file) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> Ranges(const TestSupport::FaultServer& server) {
  std::vector<std::string> ranges;
  for (const auto& get : Gets(server)) ranges.push_back(get.range);
  return ranges;
}

size_t HeadCount(const TestSupport::FaultServer& server) {
  size_t heads = 0;
  for (const auto& request : server.Requests()) heads += request.method == "HEAD";
  return heads;
}

// Each attempt after a cut resumes from the ".part" file's size and probes only once.
TEST(CurlClient, ResumesFromThePartFileWithoutProbingAgain) {
  const Package& package = GetPackage(kFiveMiB);
  auto& server = ServeWithFault(package, "close-first-3");
  TempFolder folder;
  const std::wstring target = folder.File(kTargetName);
  CurlClient client(TemplateAddress(server), target, nullptr);

  for (int attempt = 1; attempt <= 3; ++attempt) {
    EXPECT_EQ(18, client.Start()) << "attempt " << attempt;
    EXPECT_EQ(attempt * 262144, SizeOf(client.GetSavePath(true)));
    EXPECT_FALSE(FileExists(target));
  }
  const size_t headsOfFirstAttempt = HeadCount(server);
  EXPECT_EQ(0, client.Start());
  EXPECT_EQ(headsOfFirstAttempt, HeadCount(server)) << "a later attempt probed again";
  EXPECT_EQ(server.BaseUrl() + package.FinalPath(Digest::kCorrect), client.RealUrl());
  EXPECT_EQ(static_cast<double>(kFiveMiB), client.ContentLength());
  EXPECT_EQ(786432, client.ResumeOffset());
  EXPECT_EQ((std::vector<std::string>{"-", "bytes=262144-", "bytes=524288-", "bytes=786432-"}), Ranges(server));
  EXPECT_TRUE(FileHoldsPackage(target, kFiveMiB));
  EXPECT_TRUE(StreamedDigestIsPackage(client.Digest(), kFiveMiB));
  EXPECT_FALSE(FileExists(client.GetSavePath(true)));
}

// A ".part" file that changed between attempts (here cut shorter than what was hashed) is hashed
// again from disk before the transfer continues it.
TEST(CurlClient, HashesAPartFileThatChangedBetweenAttemptsAgain) {
  const Package& package = GetPackage(kFiveMiB);
  auto& server = ServeWithFault(package, "close-first-3");
  TempFolder folder;
  const std::wstring target = folder.File(kTargetName);
  CurlClient client(TemplateAddress(server), target, nullptr);
  EXPECT_EQ(18, client.Start());
  ASSERT_TRUE(TestSupport::WriteFileBytes(client.GetSavePath(true), PackageBytes(kFiveMiB).substr(0, 100000)));
  EXPECT_EQ(18, client.Start());
  EXPECT_EQ(18, client.Start());
  EXPECT_EQ(0, client.Start());
  EXPECT_EQ((std::vector<std::string>{"-", "bytes=100000-", "bytes=362144-", "bytes=624288-"}), Ranges(server));
  EXPECT_TRUE(FileHoldsPackage(target, kFiveMiB));
  EXPECT_TRUE(StreamedDigestIsPackage(client.Digest(), kFiveMiB));
}

TEST(CurlClient, EmptyPartFileStartsFromTheBeginningAndReplacesTheTarget) {
  const Package& package = GetPackage(kFiveMiB);
  auto& server = ServeWithFault(package, "correct");
  TempFolder folder;
  const std::wstring target = folder.File(kTargetName);
  ASSERT_TRUE(TestSupport::WriteFileBytes(target, "an older file"));
  CurlClient client(TemplateAddress(server), target, nullptr);
  ASSERT_TRUE(TestSupport::WriteFileBytes(client.GetSavePath(true), ""));

  EXPECT_EQ(0, client.Start());
  EXPECT_EQ(0, client.ResumeOffset());
  EXPECT_EQ(std::vector<std::string>{"-"}, Ranges(server));
  EXPECT_TRUE(FileHoldsPackage(target, kFiveMiB));
  EXPECT_TRUE(StreamedDigestIsPackage(client.Digest(), kFiveMiB));
}

// Below 1 MiB nothing is fetched; exactly 1 MiB is.
TEST(CurlClient, AppliesTheOneMebibyteLengthRule) {
  {
    const Package& package = GetPackage(kMiB - 1);
    TempFolder folder;
    const std::wstring target = folder.File(kTargetName);
    TestSupport::LogCapture log;
    CurlClient client(Utils::MultiByteToWide(package.Address(), CP_UTF8), target, nullptr);
    EXPECT_EQ(CurlClient::kNoLength, client.Start());
    EXPECT_FALSE(FileExists(client.GetSavePath(true)));
    EXPECT_FALSE(FileExists(target));
    bool logged = false;
    for (const std::wstring& line : log.Lines())
      logged |= line.find(L": error:-998:Unknown error") != std::wstring::npos;
    EXPECT_TRUE(logged) << "the result is logged with libcurl's text for an unknown code";
  }
  {
    const Package& package = GetPackage(kMiB);
    TempFolder folder;
    const std::wstring target = folder.File(kTargetName);
    CurlClient client(Utils::MultiByteToWide(package.Address(), CP_UTF8), target, nullptr);
    EXPECT_EQ(0, client.Start());
    EXPECT_TRUE(FileHoldsPackage(target, kMiB));
  }
}

// The first probe of a file address has no HTTP status; the second supplies the length.
TEST(CurlClient, FetchesAFileAddress) {
  const Package& package = GetPackage(kMiB);
  std::wstring source = package.root + Utils::MultiByteToWide(package.FinalPath(Digest::kCorrect), CP_UTF8);
  for (wchar_t& c : source) c = c == L'\\' ? L'/' : c;
  TempFolder folder;
  const std::wstring target = folder.File(kTargetName);
  CurlClient client(L"file:///" + source, target, nullptr);
  EXPECT_EQ(0, client.Start());
  EXPECT_EQ(static_cast<double>(kMiB), client.ContentLength());
  EXPECT_EQ(package.md5, Md5FromUrl(client.RealUrl()));
  EXPECT_TRUE(FileHoldsPackage(target, kMiB));
}

// In a folder the ANSI code page cannot spell: an existing ".part" file is continued from its
// size and moved over an older target, and the client's end removes the ".part" of a cut attempt.
TEST(CurlClient, ResumesAndRemovesThePartFileInAFolderOutsideTheAnsiCodePage) {
  const Package& package = GetPackage(kFiveMiB);
  constexpr size_t kHeld = 300001;
  TempFolder folder;
  for (const std::wstring& name : WideFolderNames()) {
    SCOPED_TRACE(Utils::WideToMultiByte(name, CP_UTF8));
    const std::wstring target = MakeFolder(folder.Path(), name) + L"\\" + kTargetName;
    {
      auto& server = ServeWithFault(package, "correct");
      ASSERT_TRUE(TestSupport::WriteFileBytes(target, "an older file"));
      CurlClient client(TemplateAddress(server), target, nullptr);
      ASSERT_TRUE(TestSupport::WriteFileBytes(client.GetSavePath(true), PackageBytes(kFiveMiB).substr(0, kHeld)));
      EXPECT_EQ(0, client.Start());
      EXPECT_EQ(static_cast<int64_t>(kHeld), client.ResumeOffset());
      EXPECT_EQ(std::vector<std::string>{"bytes=300001-"}, Ranges(server));
      EXPECT_TRUE(FileHoldsPackage(target, kFiveMiB));
      // The bytes held before were hashed from the file, the rest as it arrived.
      EXPECT_TRUE(StreamedDigestIsPackage(client.Digest(), kFiveMiB));
      EXPECT_FALSE(FileExists(client.GetSavePath(true)));
    }
    ASSERT_TRUE(::DeleteFileW(target.c_str()));
    {
      auto& server = ServeWithFault(package, "close-first-3");
      auto client = std::make_unique<CurlClient>(TemplateAddress(server), target, nullptr);
      EXPECT_EQ(18, client->Start());
      EXPECT_EQ(262144, SizeOf(client->GetSavePath(true)));
      client.reset();
      EXPECT_FALSE(FileExists(target + L".part"));
    }
  }
}

TEST(CurlClient, ReportsAPartFileThatCannotBeOpened) {
  const Package& package = GetPackage(kMiB);
  auto& server = ServeWithFault(package, "correct");
  TempFolder folder;
  CurlClient client(TemplateAddress(server), folder.File(L"missing-folder\\") + kTargetName, nullptr);
  EXPECT_EQ(CurlClient::kPartFileError, client.Start());
  EXPECT_FALSE(client.OpenError().empty());
  EXPECT_TRUE(Gets(server).empty());
}

// A complete body that cannot be moved to the target path is no success.
TEST(CurlClient, FailsWhenTheTargetPathCannotBeReplaced) {
  const Package& package = GetPackage(kMiB);
  TempFolder folder;
  const std::wstring target = folder.File(kTargetName);
  ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
  CurlClient client(Utils::MultiByteToWide(package.Address(), CP_UTF8), target, nullptr);
  EXPECT_EQ(23, client.Start());
  EXPECT_TRUE(FileHoldsPackage(client.GetSavePath(true), kMiB)) << "the body stays in the .part file";
}

struct FaultCase {
  const char* scenario;
  int result;
  bool complete;  // the target holds the package afterwards; otherwise it is absent
};

// One attempt against each broken server.
TEST(CurlClient, ReportsEachServerFaultWithItsCode) {
  const FaultCase cases[] = {
      {"status-404", 22, false},
      {"status-416", 22, false},
      {"status-500", 22, false},
      {"close-always", 18, false},
      {"length-too-long", 18, false},
      {"redirect-chain", 0, true},
      {"redirect-loop", CurlClient::kNoLength, false},
      {"refuse", CurlClient::kNoLength, false},
      {"ignore-range", 0, true},
  };
  const Package& package = GetPackage(kMiB);
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.scenario);
    auto& server = ServeWithFault(package, c.scenario);
    TempFolder folder;
    const std::wstring target = folder.File(kTargetName);
    CurlClient client(TemplateAddress(server), target, nullptr);
    EXPECT_EQ(c.result, client.Start());
    if (c.complete) {
      EXPECT_TRUE(FileHoldsPackage(target, kMiB));
    } else {
      EXPECT_FALSE(FileExists(target));
    }
  }
}

// A stop ends the running transfer; the client's end removes what it received.
TEST(CurlClient, StopEndsTheTransferAndDestructionRemovesThePartFile) {
  const Package& package = GetPackage(kFiveMiB);
  TempFolder folder;
  const std::wstring target = folder.File(kTargetName);
  auto client = std::make_unique<CurlClient>(Utils::MultiByteToWide(package.SlowAddress(), CP_UTF8), target, nullptr);
  const std::wstring part = client->GetSavePath(true);
  int result = -1;
  std::atomic<bool> done{false};
  std::thread transfer([&] {
    result = client->Start();
    done = true;
  });
  while (!done && SizeOf(part) <= 0) ::Sleep(10);
  client->RequestStop();
  transfer.join();
  EXPECT_EQ(42, result);
  EXPECT_GT(SizeOf(part), 0);
  EXPECT_FALSE(FileExists(target));
  client.reset();
  EXPECT_FALSE(FileExists(part));
}

}  // namespace
