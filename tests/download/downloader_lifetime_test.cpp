// Destroying a downloader while it works: every thread it started (worker, segment and wait
// threads) has ended when the destructor returns, no event follows, and the single-stream
// downloader's ".part" file is gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <functional>
#include <memory>
#include <random>
#include <string>

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "tests/download/event_recorder.h"
#include "tests/download/test_packages.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileExists;
using TestSupport::TempFolder;

// Where a thread began, as the system recorded it at creation.
uintptr_t StartAddress(DWORD threadId) {
  using QueryFn = LONG(NTAPI*)(HANDLE, THREADINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  Utils::UniqueHandle thread(::OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId));
  uintptr_t start = 0;
  if (!query || !thread || query(thread.get(), ThreadQuerySetWin32StartAddress, &start, sizeof(start), nullptr) != 0) {
    return 0;
  }
  return start;
}

// The live threads of this process that the C runtime started: the downloaders' workers,
// segment and wait threads all are. Threads the system starts for itself (Wine's thread pool,
// its RPC helpers) come and go on their own and are not counted.
size_t ThreadsOfThisProcess() {
  MODULEINFO crt{};
  if (!::GetModuleInformation(::GetCurrentProcess(), ::GetModuleHandleW(L"msvcrt.dll"), &crt, sizeof(crt))) {
    ADD_FAILURE() << "no C runtime module";
    return 0;
  }
  const uintptr_t begin = reinterpret_cast<uintptr_t>(crt.lpBaseOfDll);
  Utils::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  size_t count = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != ::GetCurrentProcessId()) continue;
    const uintptr_t start = StartAddress(entry.th32ThreadID);
    count += start >= begin && start < begin + crt.SizeOfImage;
  }
  return count;
}

using Factory = std::function<std::unique_ptr<CDownloader>(DownloadCallback, const std::wstring&, const std::wstring&)>;

struct Subject {
  const char* name;
  Factory make;
  std::wstring address;
  bool partFile;  // the single-stream downloader leaves no ".part" file behind
};

void DestroyAtRandomMoments(const Subject& subject, int rounds, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pause(0, 700);
  for (int round = 0; round < rounds; ++round) {
    const int delay = pause(random);
    SCOPED_TRACE(std::string(subject.name) + " round " + std::to_string(round) + " destroyed after " +
                 std::to_string(delay) + " ms");
    TempFolder folder;
    const std::wstring target = folder.File(kTargetName);
    EventRecorder events;
    const size_t before = ThreadsOfThisProcess();
    auto downloader = subject.make(events.Callback(), subject.address, target);
    events.RestartOnRetry(downloader.get());
    downloader->Start();
    EXPECT_GT(ThreadsOfThisProcess(), before) << "the count must see the downloader's threads";
    ::Sleep(static_cast<DWORD>(delay));
    downloader.reset();
    const size_t eventsAtEnd = events.Events().size();
    EXPECT_EQ(before, ThreadsOfThisProcess()) << "a thread outlived its downloader";
    if (subject.partFile) {
      EXPECT_FALSE(FileExists(target + L".part"));
    }
    ::Sleep(20);
    EXPECT_EQ(eventsAtEnd, events.Events().size()) << "an event arrived after destruction";
  }
}

template <typename T>
Factory FactoryOf() {
  return [](DownloadCallback callback, const std::wstring& url, const std::wstring& path) {
    return std::unique_ptr<CDownloader>(new T(std::move(callback), url, path));
  };
}

// Slow transfers (destroyed mid-body) and servers that cut every body (destroyed in a pause
// between attempts or after a restart).
TEST(DownloaderLifetime, DestructionAtRandomMomentsStopsEveryThread) {
  const Package& single = GetPackage(5 * kMiB + 12345);
  const Package& split = GetPackage(2 * kSegment + 1);
  auto& cutting = ServeWithFault(single, "close-always");
  auto& cuttingSplit = ServeWithFault(split, "second-range-close-always");
  const Subject subjects[] = {
      {"CCurlDownloader slow", FactoryOf<CCurlDownloader>(), Wide(single.SlowAddress()), true},
      {"CCurlDownloader cut", FactoryOf<CCurlDownloader>(), TemplateAddress(cutting), true},
      {"CMTCurlDownloader slow", FactoryOf<CMTCurlDownloader>(), Wide(split.SlowAddress()), false},
      {"CMTCurlDownloader cut", FactoryOf<CMTCurlDownloader>(), TemplateAddress(cuttingSplit), false},
  };
  unsigned seed = 20240531;
  for (const Subject& subject : subjects) DestroyAtRandomMoments(subject, 8, seed++);
}

// The same right after a run has ended, and with the downloader never started.
TEST(DownloaderLifetime, DestructionAfterTheEndOrWithoutAStartIsClean) {
  const Package& package = GetPackage(kMiB);
  for (const Factory& make : {FactoryOf<CCurlDownloader>(), FactoryOf<CMTCurlDownloader>()}) {
    TempFolder folder;
    EventRecorder events;
    const size_t before = ThreadsOfThisProcess();
    auto idle = make(events.Callback(), Wide(package.Address()), folder.File(kTargetName));
    idle.reset();
    auto downloader = make(events.Callback(), Wide(package.Address()), folder.File(kTargetName));
    downloader->Start();
    ASSERT_TRUE(events.WaitForEnd());
    downloader.reset();
    EXPECT_EQ(before, ThreadsOfThisProcess());
    EXPECT_EQ((std::vector<int>{1001, 1003}), events.Codes());
    EXPECT_TRUE(FileHoldsPackage(folder.File(kTargetName), kMiB));
  }
}

}  // namespace
