// Shared set-up of the package-runner tests: a sandbox folder, the InstCmd setting cleared, and
// a way to run CInstaller over the scripted child or the sample package.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "install/installer.h"
#include "tests/install/event_recorder.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tests/utils/child_script.h"
#include "utils/guid_string.h"
#include "utils/installer_settings.h"
#include "utils/process_probe.h"
#include "utils/unique_resource.h"

namespace InstallTests {

constexpr DWORD kRunTimeoutMs = 60000;

inline std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

inline std::wstring SamplePackagePath(const std::string& file = "DravixSamplePackage.exe") {
  return TestSupport::BuildTreePath("tools/sample_package/" + file);
}

// The first events of every run that starts.
inline std::vector<Event> RunnerStart() { return {{2001, 0.0, L""}, {2002, 0.0, L""}}; }

inline std::vector<Event> Concat(std::vector<Event> first, const std::vector<Event>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// Waits for a run; when it does not end, ends the child (found by its file name) so that the
// test fails instead of hanging in the runner's destructor.
template <typename Runner>
bool FinishRun(Runner& runner, const std::wstring& childPath) {
  if (runner.WaitForRun(kRunTimeoutMs)) return true;
  const std::wstring name = childPath.substr(childPath.find_last_of(L'\\') + 1);
  Utils::UniqueHandle child(::OpenProcess(PROCESS_TERMINATE, FALSE, Utils::FindProcessByName(name.c_str())));
  if (child) ::TerminateProcess(child.get(), 1);
  runner.WaitForRun(kRunTimeoutMs);
  return false;
}

class InstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInstCmd_ = InstallerSettings::Instance().InstCmd;
    InstallerSettings::Instance().InstCmd.clear();
  }
  void TearDown() override { InstallerSettings::Instance().InstCmd = savedInstCmd_; }

  // Runs the scripted child as the package and waits for the run's end. Any event whose value
  // is 0.1 or whose code is 2003 creates the file that "{SIGNAL}" in the script names, so a
  // script can wait until the runner has read what came before.
  std::vector<Event> RunScript(std::string script, const std::wstring& installDir = L"",
                               std::unique_ptr<CInstaller>* keep = nullptr) {
    const std::wstring signal = folder_.File(L"signal-" + std::to_wstring(++runs_));
    for (size_t at = script.find("{SIGNAL}"); at != std::string::npos; at = script.find("{SIGNAL}")) {
      script.replace(at, 8, TestSupport::ScriptPath(signal));
    }
    TestSupport::ChildScript childScript(folder_.Path(), script);
    const std::wstring package = PackageCopy();
    EventRecorder recorder;
    auto installer = std::make_unique<CInstaller>(recorder.Callback([signal](const Event& event) {
      if (event.value == 0.1 || event.code == 2003) TestSupport::WriteFileBytes(signal, "");
    }),
                                                  Quoted(package), installDir);
    installer->Start();
    EXPECT_TRUE(FinishRun(*installer, package)) << "the run did not end";
    if (keep) *keep = std::move(installer);
    return recorder.Events();
  }

  // The scripted child under a name of this test's own, so that a child which does not end can
  // be found and ended.
  std::wstring PackageCopy() {
    if (packageCopy_.empty()) {
      packageCopy_ = folder_.File(L"package_" + Utils::NewGuidString().substr(0, 8) + L".exe");
      EXPECT_TRUE(::CopyFileW(TestSupport::ChildScript::ChildPath().c_str(), packageCopy_.c_str(), FALSE));
    }
    return packageCopy_;
  }

  TestSupport::TempFolder folder_;

 private:
  std::wstring packageCopy_;
  std::wstring savedInstCmd_;
  int runs_ = 0;
};

}  // namespace InstallTests
