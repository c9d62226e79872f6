// A download killed at a random moment (TerminateProcess, or SIGKILL of the Wine process) and
// run again in the same folder: the next run ends with exactly the package, whatever the kill
// left behind, and a killed run never leaves a target file that is not the whole package (the
// curl downloaders move a file to the target only once it is complete). The downloaders run
// in download_child.exe; the long suite kills 200 times.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "tests/download/test_packages.h"
#include "tests/support/host_script.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileExists;
using TestSupport::TempFolder;

constexpr DWORD kChildTimeoutMs = 240000;
constexpr DWORD kReadyTimeoutMs = 30000;

enum class Kill { kTerminateProcess, kSigKill };

struct Kind {
  const char* name;
  int type;  // download_child's TYPE
  size_t size;
  bool completeTargetsOnly;  // a target file appears only once complete
  int maxDelayMs;            // about the slow download's length
};

const Kind kSingle = {"single stream", 1, kFiveMiB, true, 2200};
const Kind kTwoRanges = {"two ranges", 3, 2 * kSegment + 4097, true, 3800};
// The WinHTTP downloader writes straight into the target: a killed run leaves a partial one.
const Kind kWinHttp = {"WinHTTP", 2, kFiveMiB, false, 2200};

// download_child.exe for one run; ended when the object goes.
class Child {
 public:
  Child(const Kind& kind, const std::string& address, const std::wstring& target, const std::wstring& readyFile)
      : readyFile_(readyFile) {
    std::wstring line = L"\"" + TestSupport::BuildTreePath("tests/download/download_child.exe") + L"\" " +
                        std::to_wstring(kind.type) + L" \"" + Wide(address) + L"\" \"" + target + L"\" \"" + readyFile +
                        L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      process_.reset(info.hProcess);
      Utils::UniqueHandle thread(info.hThread);
    }
  }
  ~Child() {
    if (Running()) ::TerminateProcess(process_.get(), 99);
  }

  bool Started() const { return process_.valid(); }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  // True once the child has written its ready file.
  bool Ready() const {
    return TestSupport::WaitUntil([this] { return FileExists(readyFile_); }, kReadyTimeoutMs, 20);
  }
  // The exit code; -1 when the child did not end in time.
  int Finish(DWORD timeoutMs = kChildTimeoutMs) {
    if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return static_cast<int>(code);
  }
  void Terminate() { ::TerminateProcess(process_.get(), 137); }

 private:
  std::wstring readyFile_;
  Utils::UniqueHandle process_;
};

// SIGKILL of the Unix process of the child with that ready file, delayMs after the process has
// appeared. Started before the child: Python's own start under Wine takes about a second.
class SigKiller {
 public:
  SigKiller(const std::wstring& readyFile, int delayMs)
      : thread_([this, readyFile, delayMs] {
          const std::string match = Utils::WideToMultiByte(readyFile, CP_UTF8);
          done_ = TestSupport::RunHostScript(
              "host_actions.py",
              "kill --match " + TestSupport::QuotedArgument(match) + " --after " + std::to_string(delayMs), state_,
              state_.File(L"done"), 60000, &error_);
        }) {}
  // Waits for the kill; false with the reason when it could not be made.
  bool Done(std::string* error) {
    thread_.join();
    *error = error_;
    return done_;
  }

 private:
  TempFolder state_;
  bool done_ = false;
  std::string error_;
  std::thread thread_;  // last: it uses the members above
};

// Files a run may leave next to the target while it works.
bool LeftoversGone(const std::wstring& target) {
  for (const wchar_t* suffix : {L".part", L"_0", L"_1"}) {
    if (FileExists(target + suffix)) return false;
  }
  return true;
}

// Counts in *landed the kills that came before the child had the whole package.
void KillAndResume(const Kind& kind, Kill how, int rounds, std::mt19937& random, int* landed) {
  const Package& package = GetPackage(kind.size);
  std::uniform_int_distribution<int> delays(0, kind.maxDelayMs);
  for (int round = 0; round < rounds; ++round) {
    const int delay = delays(random);
    SCOPED_TRACE(std::string(kind.name) + (how == Kill::kSigKill ? ", SIGKILL" : ", TerminateProcess") + ", round " +
                 std::to_string(round) + ", killed after " + std::to_string(delay) + " ms");
    TempFolder folder;
    const std::wstring target = folder.File(kTargetName);
    {
      const std::wstring ready = folder.File(L"ready-killed");
      std::unique_ptr<SigKiller> killer;
      if (how == Kill::kSigKill) killer = std::make_unique<SigKiller>(ready, delay);
      Child killed(kind, package.SlowAddress(), target, ready);
      if (killer) {
        std::string error;
        EXPECT_TRUE(killer->Done(&error)) << error;
      } else {
        EXPECT_TRUE(killed.Ready()) << "the child never came up";
        ::Sleep(static_cast<DWORD>(delay));
        killed.Terminate();
      }
      EXPECT_NE(-1, killed.Finish(20000)) << "the killed child did not end";
    }
    // Under Wine a SIGKILLed process reports exit code 0: the files tell whether it had finished.
    const bool whole = FileExists(target) && FileHoldsPackage(target, kind.size);
    if (!whole) ++*landed;
    if (kind.completeTargetsOnly && FileExists(target)) {
      EXPECT_TRUE(whole) << "a killed run left a target that is not the package";
    }
    Child next(kind, package.Address(), target, folder.File(L"ready-next"));
    ASSERT_TRUE(next.Started());
    EXPECT_EQ(0, next.Finish());
    EXPECT_TRUE(FileHoldsPackage(target, kind.size));
    EXPECT_TRUE(LeftoversGone(target)) << "a partial file outlived the finished run";
  }
}

// Runs the rounds and prints how many kills came before the child had finished.
void Soak(const Kind& kind, Kill how, int rounds, std::mt19937& random) {
  int landed = 0;
  KillAndResume(kind, how, rounds, random, &landed);
  std::printf("[ kills    ] %s, %s: %d of %d during the download\n", kind.name,
              how == Kill::kSigKill ? "SIGKILL" : "TerminateProcess", landed, rounds);
}

// A handful for every run; the soak below is the same with 200 kills.
TEST(CrashResume, KilledDownloadsFinishWholeOnTheNextRun) {
  std::mt19937 random(20261209);
  for (const Kind* kind : {&kSingle, &kTwoRanges}) {
    for (Kill how : {Kill::kTerminateProcess, Kill::kSigKill}) Soak(*kind, how, 2, random);
  }
  Soak(kWinHttp, Kill::kTerminateProcess, 2, random);
}

TEST(LongCrashResume, TwoHundredKills) {
  const unsigned seed = static_cast<unsigned>(::GetTickCount());
  std::printf("[ seed     ] %u\n", seed);
  std::mt19937 random(seed);
  for (const Kind* kind : {&kSingle, &kTwoRanges}) {
    for (Kill how : {Kill::kTerminateProcess, Kill::kSigKill}) Soak(*kind, how, 50, random);
  }
}

}  // namespace
