#include "utils/thread.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/log_capture.h"
#include "utils/log.h"
#include "utils/text_conversion.h"

namespace {

using TestSupport::LogCapture;

// One parsed log line: thread id, tag and message (line break included).
struct LogLine {
  DWORD threadId = 0;
  std::wstring tag;
  std::wstring message;
};

bool ParseLine(const std::wstring& line, LogLine* parsed) {
  TestSupport::ParsedLogLine full;
  if (!TestSupport::ParseLogLine(line, &full)) return false;
  parsed->threadId = static_cast<DWORD>(full.threadId);
  parsed->tag = full.tag;
  parsed->message = full.message;
  return true;
}

// The lines a given thread wrote, in order; every captured line must be well formed.
std::vector<LogLine> LinesOfThread(const std::vector<std::wstring>& lines, DWORD threadId) {
  std::vector<LogLine> result;
  for (const std::wstring& line : lines) {
    LogLine parsed;
    EXPECT_TRUE(ParseLine(line, &parsed)) << "malformed log line: " << ::testing::PrintToString(line);
    if (parsed.threadId == threadId) result.push_back(parsed);
  }
  return result;
}

TEST(ThreadTest, CreatedSuspendedAndRunsBodyWithArgumentAfterResume) {
  std::atomic<bool> ran{false};
  std::atomic<void*> seenArgument{nullptr};
  std::atomic<Utils::Thread*> owner{nullptr};
  std::atomic<bool> ownerWasStored{false};
  int argument = 42;

  Utils::Thread thread(&argument, L"ABDEF", [&](void* arg) -> unsigned {
    ownerWasStored = owner.load() != nullptr;
    seenArgument = arg;
    ran = true;
    return 7;
  });
  ASSERT_NE(thread.Handle(), nullptr);
  EXPECT_NE(thread.Id(), 0u);
  EXPECT_NE(thread.Id(), Utils::Thread::kJoinedId);
  EXPECT_EQ(thread.Name(), L"ABDEF");

  // A suspend count of 1 before our own suspension proves the thread was created suspended,
  // so the body cannot have started yet.
  EXPECT_EQ(::SuspendThread(thread.Handle()), 1u);
  EXPECT_EQ(::ResumeThread(thread.Handle()), 2u);
  EXPECT_FALSE(ran.load());

  owner = &thread;
  ASSERT_TRUE(thread.Resume());
  thread.Join();
  EXPECT_TRUE(ran.load());
  EXPECT_TRUE(ownerWasStored.load());
  EXPECT_EQ(seenArgument.load(), &argument);
}

TEST(ThreadTest, JoinClearsHandleAndIdAndSecondJoinDoesNothing) {
  Utils::Thread thread(nullptr, L"ABDEF", [](void*) -> unsigned { return 0; });
  ASSERT_TRUE(thread.Resume());
  thread.Join();
  EXPECT_EQ(thread.Handle(), nullptr);
  EXPECT_EQ(thread.Id(), Utils::Thread::kJoinedId);
  EXPECT_FALSE(thread.Resume());  // nothing left to resume

  thread.Join();
  EXPECT_EQ(thread.Handle(), nullptr);
  EXPECT_EQ(thread.Id(), Utils::Thread::kJoinedId);
}

TEST(ThreadTest, JoinAfterThreadHasEndedReturns) {
  std::atomic<bool> ran{false};
  Utils::Thread thread(nullptr, L"ABDEF", [&](void*) -> unsigned {
    ran = true;
    return 0;
  });
  // Our own handle lets us wait for the end without going through Join.
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), thread.Handle(), ::GetCurrentProcess(), &duplicate, SYNCHRONIZE,
                                FALSE, 0));
  Utils::UniqueHandle ended(duplicate);
  ASSERT_TRUE(thread.Resume());
  ASSERT_EQ(::WaitForSingleObject(ended.get(), INFINITE), WAIT_OBJECT_0);

  thread.Join();
  EXPECT_TRUE(ran.load());
  EXPECT_EQ(thread.Handle(), nullptr);
  EXPECT_EQ(thread.Id(), Utils::Thread::kJoinedId);
}

TEST(ThreadTest, DestructorWaitsForBody) {
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  auto thread = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [&](void*) -> unsigned {
    while (!release.load()) ::SwitchToThread();
    for (int i = 0; i < 1000; ++i) ::SwitchToThread();  // keep going well past the release
    finished = true;
    return 0;
  });
  ASSERT_TRUE(thread->Resume());
  release = true;
  thread.reset();
  EXPECT_TRUE(finished.load());
}

// The thread's own name for debuggers, where the system keeps one (SetThreadDescription).
std::wstring ThreadDescription(HANDLE thread) {
  using GetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PWSTR*);
  auto getDescription = reinterpret_cast<GetThreadDescriptionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
  if (!getDescription) return L"<unsupported>";
  PWSTR text = nullptr;
  if (FAILED(getDescription(thread, &text))) return L"<failed>";
  Utils::UniqueLocalMem<PWSTR> owned(text);
  return text ? std::wstring(text) : std::wstring();
}

struct NamingCase {
  const wchar_t* name;
  bool expectGenerated;  // an empty name becomes "t" + thread id
};

class ThreadLogTest : public ::testing::TestWithParam<NamingCase> {};

TEST_P(ThreadLogTest, LogsBeginBodyAndEndInOrderWithItsOwnThreadId) {
  LogCapture capture;
  Utils::Thread thread(nullptr, GetParam().name, [](void*) -> unsigned {
    WRITE_LOG_TEXT(L"BODY");
    return 0;
  });
  ASSERT_NE(thread.Handle(), nullptr);
  const DWORD id = thread.Id();

  const std::wstring description = ThreadDescription(thread.Handle());
  if (description != L"<unsupported>") {
    EXPECT_EQ(description, GetParam().expectGenerated ? L"t" + std::to_wstring(id) : std::wstring(GetParam().name));
  }

  ASSERT_TRUE(thread.Resume());
  thread.Join();

  const std::vector<LogLine> lines = LinesOfThread(capture.Lines(), id);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].tag, L"Utils::Thread::CallBack");
  EXPECT_EQ(lines[0].message, L"THREAD BEGIN\r\n");
  EXPECT_EQ(lines[1].message, L"BODY\r\n");
  EXPECT_EQ(lines[2].tag, L"Utils::Thread::CallBack");
  EXPECT_EQ(lines[2].message, L"THREAD END\r\n");
}

INSTANTIATE_TEST_SUITE_P(Names, ThreadLogTest,
                         ::testing::Values(NamingCase{L"ABDEF", false}, NamingCase{L"UnInstaller", false},
                                           NamingCase{L"", true}),
                         [](const ::testing::TestParamInfo<NamingCase>& info) {
                           return info.param.name[0] ? Utils::WideToMultiByte(info.param.name, CP_UTF8)
                                                     : std::string("empty");
                         });

TEST(ThreadTest, TwoWorkersLoggingTogetherWriteWholeLinesWithTheirOwnIds) {
  constexpr int kWorkers = 2;
  constexpr int kLinesEach = 200;
  LogCapture capture;
  std::atomic<int> arrived{0};
  struct Worker {
    int index;
    std::atomic<int>* arrived;
  };
  auto body = [](void* arg) -> unsigned {
    auto* worker = static_cast<Worker*>(arg);
    // Both start logging only when both are running, so their lines really overlap in time.
    worker->arrived->fetch_add(1);
    while (worker->arrived->load() < kWorkers) ::SwitchToThread();
    for (int i = 0; i < kLinesEach; ++i) WRITE_LOG(L"worker %d line %d\r\n", worker->index, i);
    return 0;
  };
  Worker workers[kWorkers] = {{0, &arrived}, {1, &arrived}};
  std::unique_ptr<Utils::Thread> threads[kWorkers];
  DWORD ids[kWorkers] = {};
  for (int w = 0; w < kWorkers; ++w) {
    threads[w] = std::make_unique<Utils::Thread>(&workers[w], L"ABDEF", body);
    ASSERT_NE(threads[w]->Handle(), nullptr);
    ids[w] = threads[w]->Id();
  }
  ASSERT_NE(ids[0], ids[1]);
  for (auto& thread : threads) ASSERT_TRUE(thread->Resume());
  for (auto& thread : threads) thread->Join();

  const std::vector<std::wstring> all = capture.Lines();
  for (int w = 0; w < kWorkers; ++w) {
    SCOPED_TRACE(w);
    std::vector<std::wstring> messages;
    for (const LogLine& line : LinesOfThread(all, ids[w])) {
      if (line.message.rfind(L"worker ", 0) == 0) messages.push_back(line.message);
    }
    ASSERT_EQ(messages.size(), static_cast<size_t>(kLinesEach));
    for (int i = 0; i < kLinesEach; ++i) {
      ASSERT_EQ(messages[i], L"worker " + std::to_wstring(w) + L" line " + std::to_wstring(i) + L"\r\n");
    }
  }
}

struct ThrowingCase {
  const char* label;
  Utils::Thread::Body body;
};

class ThreadFailureTest : public ::testing::TestWithParam<ThrowingCase> {};

// An escaping exception would end the whole installer; the worker must end normally instead.
TEST_P(ThreadFailureTest, BodyFailureDoesNotEndProcessAndThreadStillLogsEnd) {
  LogCapture capture;
  Utils::Thread thread(nullptr, L"ABDEF", GetParam().body);
  const DWORD id = thread.Id();
  ASSERT_TRUE(thread.Resume());
  thread.Join();

  const std::vector<LogLine> lines = LinesOfThread(capture.Lines(), id);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front().message, L"THREAD BEGIN\r\n");
  EXPECT_EQ(lines.back().message, L"THREAD END\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ThreadFailureTest,
    ::testing::Values(ThrowingCase{"std_exception", [](void*) -> unsigned { throw std::runtime_error("boom"); }},
                      ThrowingCase{"other_type", [](void*) -> unsigned { throw 42; }},
                      ThrowingCase{"empty_body", Utils::Thread::Body()}),
    [](const ::testing::TestParamInfo<ThrowingCase>& info) { return std::string(info.param.label); });

}  // namespace
