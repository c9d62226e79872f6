// The brief message pump before the product starts, and the start itself through the shell.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/support/sandbox.h"
#include "ui/product_launch.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::SandboxTest;

// A thread without messages: the pump ends by its time, not by the next message.
TEST(PumpMessagesBriefly, EndsByTimeOnAnIdleThread) {
  Utils::UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  bool ranOut = false;
  std::atomic<DWORD> pumpThread{0};
  std::thread pump([&] {
    pumpThread = ::GetCurrentThreadId();
    ranOut = PumpMessagesBriefly(nullptr);
    ::SetEvent(done.get());
  });
  const DWORD waited = ::WaitForSingleObject(done.get(), 20000);
  if (waited != WAIT_OBJECT_0) {
    // Wake the blocked pump so that the test can end.
    ::PostThreadMessageW(pumpThread, WM_NULL, 0, 0);
  }
  pump.join();
  EXPECT_EQ(WAIT_OBJECT_0, waited) << "the pump waited for a message that never came";
  EXPECT_TRUE(ranOut);
}

TEST(PumpMessagesBriefly, DispatchesAndHandsAQuitToTheOuterLoop) {
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
  ::PostQuitMessage(7);
  EXPECT_FALSE(PumpMessagesBriefly(nullptr));
  MSG message = {};
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<UINT>(WM_QUIT), message.message);
  EXPECT_EQ(7u, message.wParam);
}

TEST(PumpMessagesBriefly, StopsWhenTheWindowIsGone) {
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  ::PostMessageW(window, WM_CLOSE, 0, 0);  // the default procedure destroys it
  EXPECT_FALSE(PumpMessagesBriefly(window));
  EXPECT_FALSE(::IsWindow(window));
}

using LaunchProduct_ = SandboxTest;

TEST_F(LaunchProduct_, OpensAnExistingProgramAndNothingElse) {
  const std::wstring marker = Sandbox().File(L"started.txt");
  const std::wstring missingMarker = Sandbox().File(L"never.txt");
  const std::wstring product = Sandbox().File(L"product.cmd");
  ASSERT_TRUE(
      TestSupport::WriteFileBytes(product, "@echo started> \"" + std::string(marker.begin(), marker.end()) + "\"\r\n"));
  LaunchProduct(nullptr, Sandbox().File(L"missing.cmd"));
  LaunchProduct(nullptr, product);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!TestSupport::FileExists(marker) && std::chrono::steady_clock::now() < deadline) ::Sleep(100);
  EXPECT_TRUE(TestSupport::FileExists(marker)) << "the shell opened the product";
  EXPECT_FALSE(TestSupport::FileExists(missingMarker));
}

}  // namespace
