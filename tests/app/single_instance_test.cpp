// Only one installer runs per session: the guard in-process, and the real executable's exit
// codes while another process holds the guard.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include "tests/app/installer_window_run.h"
#include "tests/support/paths.h"
#include "tools/logview/debug_capture.h"

namespace {

std::wstring InstallerCommand() { return L"\"" + TestSupport::BuildTreePath("app/DravixInstaller.exe") + L"\""; }

// The guard's name is fixed so that every build of the installer shares it; use a private
// base name for the in-process cases so they cannot disturb a running installer.
TEST(SingleInstance, SecondGuardIsRefusedUntilTheFirstIsReleased) {
  Utils::SingleInstance first(L"DravixTest_" + std::to_wstring(::GetCurrentProcessId()));
  EXPECT_EQ(nullptr, first.Mutex());
  first.Create();
  ASSERT_NE(nullptr, first.Mutex());
  const HANDLE held = first.Mutex();
  first.Create();
  EXPECT_EQ(held, first.Mutex()) << "a second Create on the holder changes nothing";

  Utils::SingleInstance second(L"DravixTest_" + std::to_wstring(::GetCurrentProcessId()));
  second.Create();
  EXPECT_EQ(nullptr, second.Mutex());

  first.Release();
  EXPECT_EQ(nullptr, first.Mutex());
  second.Create();
  EXPECT_NE(nullptr, second.Mutex());
}

TEST(SingleInstance, FullNameIsThePrefixAndTheBaseName) {
  EXPECT_EQ(L"D1A547DB89C0BC61_Installer_Dravix", Utils::SingleInstance(L"Installer_Dravix").FullName());
}

TEST(SingleInstance, InstallerEndsWithMinusOneWhileAnotherProcessHoldsTheGuard) {
  {
    Utils::SingleInstance holder(L"Installer_Dravix");
    holder.Create();
    ASSERT_NE(nullptr, holder.Mutex()) << "an installer seems to be running already";
    const DebugCaptureResult blocked = RunWithDebugCapture(InstallerCommand(), nullptr, 60000);
    ASSERT_TRUE(blocked.started);
    EXPECT_EQ(0xFFFFFFFFu, blocked.exitCode);
    EXPECT_TRUE(blocked.lines.empty()) << "a refused copy does nothing else";
  }
  bool windowSeen = false;
  const DebugCaptureResult free = AppTests::RunAndCloseTheWindow(InstallerCommand(), &windowSeen);
  EXPECT_TRUE(windowSeen);
  ASSERT_TRUE(free.started);
  EXPECT_EQ(0u, free.exitCode);

  // Once the installer has ended, its guard is gone with it.
  Utils::SingleInstance after(L"Installer_Dravix");
  after.Create();
  EXPECT_NE(nullptr, after.Mutex());
}

}  // namespace
