#include "download/worker_slot.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "utils/unique_resource.h"

namespace {

Utils::UniqueHandle CurrentThreadHandle() {
  HANDLE handle = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &handle, SYNCHRONIZE, FALSE, 0);
  return Utils::UniqueHandle(handle);
}

Utils::UniqueHandle NewEvent() { return Utils::UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

// A worker that launches its successor (an owner answering an event from inside its handler)
// cannot wait for itself: the successor runs only once the old worker has ended.
TEST(WorkerSlot, SuccessorLaunchedFromTheWorkerRunsAfterItEnds) {
  WorkerSlot slot;
  Utils::UniqueHandle first;
  std::atomic<bool> firstReturned{false};
  std::atomic<int> firstEndedWhenSecondRan{-1};
  Utils::UniqueHandle done = NewEvent();
  slot.Launch(nullptr, L"ABDEF", [&] {
    first = CurrentThreadHandle();
    slot.Launch(nullptr, L"ABDEF", [&] {
      firstEndedWhenSecondRan = firstReturned && ::WaitForSingleObject(first.get(), 0) == WAIT_OBJECT_0;
      ::SetEvent(done.get());
    });
    ::Sleep(100);  // a successor that did not wait would run now
    firstReturned = true;
  });
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(done.get(), 30000));
  slot.Close();
  EXPECT_EQ(1, firstEndedWhenSecondRan);
}

// Launch returns at once; the next worker begins after the previous one has ended.
TEST(WorkerSlot, LaunchDoesNotWaitButTheNextWorkerDoes) {
  WorkerSlot slot;
  Utils::UniqueHandle launched = NewEvent();
  std::atomic<bool> firstFinished{false};
  std::atomic<int> launchReturnedFirst{-1};
  std::atomic<int> sawFirstFinished{-1};
  slot.Launch(nullptr, L"ABDEF", [&] {
    launchReturnedFirst = ::WaitForSingleObject(launched.get(), 10000) == WAIT_OBJECT_0;
    firstFinished = true;
  });
  slot.Launch(nullptr, L"ABDEF", [&] { sawFirstFinished = firstFinished ? 1 : 0; });
  ::SetEvent(launched.get());
  slot.Close();
  EXPECT_EQ(1, launchReturnedFirst);
  EXPECT_EQ(1, sawFirstFinished);
}

// A thread that the running worker waits for (the segmented downloader's wait thread, which its
// next worker joins) may start the next run without either waiting for the other.
TEST(WorkerSlot, LaunchFromAThreadTheWorkerWaitsForDoesNotDeadlock) {
  WorkerSlot slot;
  Utils::UniqueHandle secondRan = NewEvent();
  slot.Launch(nullptr, L"ABDEF", [&] {
    std::thread helper([&] { slot.Launch(nullptr, L"ABDEF", [&] { ::SetEvent(secondRan.get()); }); });
    helper.join();
  });
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(secondRan.get(), 30000));
  slot.Close();
}

TEST(WorkerSlot, CloseWaitsForTheWorkerAndRefusesLaterLaunches) {
  WorkerSlot slot;
  std::atomic<bool> finished{false};
  std::atomic<bool> lateRan{false};
  slot.Launch(nullptr, L"ABDEF", [&] {
    ::Sleep(100);
    finished = true;
  });
  slot.Close();
  EXPECT_TRUE(finished);
  slot.Launch(nullptr, L"ABDEF", [&] { lateRan = true; });
  slot.Close();
  EXPECT_FALSE(lateRan);
}

}  // namespace
