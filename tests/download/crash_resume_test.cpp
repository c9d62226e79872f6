// A download killed at a random moment (TerminateProcess, or SIGKILL of the Wine process) and
// run again in the same folder: the next run ends with exactly the package, whatever the kill
// left behind, and a killed run never leaves a target file that is not the whole package (the
// curl downloaders move a file to the target only once it is complete). The downloaders run
// in download_child.exe; the long suite kills 200 times.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

#include "tests/download/test_packages.h"
#include "tests/support/host_script.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
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
    for (DWORD waited = 0; waited < kReadyTimeoutMs; waited += 20) {
      if (FileExists(readyFile_)) return true;
      ::Sleep(20);
    }
    return false;
  }
  // The exit code; -1 when the child did not end in time.
  int Finish(DWORD timeoutMs = kChildTimeoutMs) {
    if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return static_cast<int>(code);
  }
  void Terminate() { ::TerminateProcess(process_.get(), 137); }
  // SIGKILL of the child's Unix process, found by its ready file's path in its command line.
  void SigKill() const {
    TempFolder state;
    std::string error;
    const std::string match = Utils::WideToMultiByte(readyFile_, CP_UTF8);
    ASSERT_TRUE(TestSupport::RunHostScript("host_actions.py", "kill --match " + TestSupport::QuotedArgument(match),
                                           state, state.File(L"done"), 20000, &error))
        << error;
  }

 private:
  std::wstring readyFile_;
  Utils::UniqueHandle process_;
};

// Files a run may leave next to the target while it works.
bool LeftoversGone(const std::wstring& target) {
  for (const wchar_t* suffix : {L".part", L"_0", L"_1"}) {
    if (FileExists(target + suffix)) return false;
  }
  return true;
}

void KillAndResume(const Kind& kind, Kill how, int rounds, std::mt19937& random) {
  const Package& package = GetPackage(kind.size);
  std::uniform_int_distribution<int> delays(0, kind.maxDelayMs);
  for (int round = 0; round < rounds; ++round) {
    const int delay = delays(random);
    SCOPED_TRACE(std::string(kind.name) + (how == Kill::kSigKill ? ", SIGKILL" : ", TerminateProcess") + ", round " +
                 std::to_string(round) + ", killed after " + std::to_string(delay) + " ms");
    TempFolder folder;
    const std::wstring target = folder.File(kTargetName);
    {
      Child killed(kind, package.SlowAddress(), target, folder.File(L"ready-killed"));
      ASSERT_TRUE(killed.Started());
      ASSERT_TRUE(killed.Ready()) << "the child never came up";
      ::Sleep(static_cast<DWORD>(delay));
      if (how == Kill::kSigKill) {
        killed.SigKill();
      } else {
        killed.Terminate();
      }
      EXPECT_NE(-1, killed.Finish(20000)) << "the killed child did not end";
    }
    if (kind.completeTargetsOnly && FileExists(target)) {
      EXPECT_TRUE(FileHoldsPackage(target, kind.size)) << "a killed run left a target that is not the package";
    }
    Child next(kind, package.Address(), target, folder.File(L"ready-next"));
    ASSERT_TRUE(next.Started());
    EXPECT_EQ(0, next.Finish());
    EXPECT_TRUE(FileHoldsPackage(target, kind.size));
    EXPECT_TRUE(LeftoversGone(target)) << "a partial file outlived the finished run";
  }
}

// A handful for every run; the soak below is the same with 200 kills.
TEST(CrashResume, KilledDownloadsFinishWholeOnTheNextRun) {
  std::mt19937 random(20261209);
  for (const Kind* kind : {&kSingle, &kTwoRanges}) {
    for (Kill how : {Kill::kTerminateProcess, Kill::kSigKill}) KillAndResume(*kind, how, 2, random);
  }
  KillAndResume(kWinHttp, Kill::kTerminateProcess, 2, random);
}

TEST(LongCrashResume, TwoHundredKills) {
  const unsigned seed = static_cast<unsigned>(::GetTickCount());
  std::printf("[ seed     ] %u\n", seed);
  std::mt19937 random(seed);
  for (const Kind* kind : {&kSingle, &kTwoRanges}) {
    for (Kill how : {Kill::kTerminateProcess, Kill::kSigKill}) KillAndResume(*kind, how, 50, random);
  }
}

}  // namespace
