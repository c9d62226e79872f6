// The probes whose answers depend on the machine: checked for consistency with the system's own
// view, and their values recorded in the test output (see the report of each run).
#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "utils/admin_probes.h"
#include "utils/hard_disk_manager.h"
#include "utils/log.h"
#include "utils/network_probe.h"

namespace {

std::mutex g_linesMutex;
std::vector<std::wstring> g_lines;
void CollectLine(const wchar_t* line) {
  std::lock_guard<std::mutex> lock(g_linesMutex);
  g_lines.emplace_back(line);
}

class LogLines {
 public:
  LogLines() {
    g_lines.clear();
    SetLogSink(&CollectLine);
  }
  ~LogLines() { SetLogSink(nullptr); }
  std::vector<std::wstring> Get() {
    std::lock_guard<std::mutex> lock(g_linesMutex);
    return g_lines;
  }
};

TEST(AdminProbesTest, ConsoleUserIsTheAccountThisProcessRunsAs) {
  std::wstring name;
  ASSERT_TRUE(Utils::GetActiveConsoleUserName(name));
  wchar_t own[256] = {};
  DWORD size = 256;
  ASSERT_TRUE(::GetUserNameW(own, &size));
  EXPECT_EQ(name, own);
  ::testing::Test::RecordProperty("console_user", std::string(name.begin(), name.end()));
  ::testing::Test::RecordProperty("console_user_admin", Utils::IsConsoleUserAdmin(name) ? "true" : "false");
  ::testing::Test::RecordProperty("process_admin", Utils::IsProcessAdmin() ? "true" : "false");
}

TEST(AdminProbesTest, UnknownOrEmptyAccountsAreNoAdministrators) {
  EXPECT_FALSE(Utils::IsConsoleUserAdmin(L""));
  EXPECT_FALSE(Utils::IsConsoleUserAdmin(L"no-such-account-7f3a"));
}

TEST(NetworkProbeTest, StatusAgreesWithConnectivity) {
  ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
  LogLines log;
  const int32_t result = Utils::CheckNetwork();
  ::CoUninitialize();
  ASSERT_NE(result, 0) << "the network list manager could not be created";
  const uint32_t status = Utils::NetworkStatus(result);
  const uint32_t connectivity = Utils::NetworkConnectivity(result);
  ::testing::Test::RecordProperty("network_result", std::to_string(result));
  EXPECT_LE(status, 2u);
  EXPECT_EQ(status == Utils::kNetworkNoConnectivity, connectivity == 0);
  const std::vector<std::wstring> lines = log.Get();
  if (status == Utils::kNetworkConnected) {
    EXPECT_TRUE(lines.empty());
  } else {
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(L"(Utils::CheckNetwork)<"), std::wstring::npos);
    const std::wstring expected =
        status == Utils::kNetworkNoConnectivity ? L": GetConnectivity 0" : L": get_IsConnectedToInternet:0";
    EXPECT_EQ(lines[0].substr(lines[0].size() - expected.size()), expected);
  }
}

TEST(NetworkProbeTest, ZeroWithoutComOnTheThread) {
  // A fresh thread that never initialised COM cannot create the manager.
  int32_t result = -1;
  std::thread thread([&result] { result = Utils::CheckNetwork(); });
  thread.join();
  EXPECT_EQ(result, 0);
}

TEST(HardDiskManagerTest, FillsTheThreeFiguresOfTheSystemDrive) {
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(L"C:\\"));
  EXPECT_GT(disk.totalBytes, 0u);
  EXPECT_LE(disk.totalFreeBytes, disk.totalBytes);
  EXPECT_LE(disk.freeBytesAvailable, disk.totalFreeBytes);
  ::testing::Test::RecordProperty("c_free_available_bytes", std::to_string(disk.freeBytesAvailable));
  ::testing::Test::RecordProperty("c_total_bytes", std::to_string(disk.totalBytes));
}

TEST(HardDiskManagerTest, FailureLogsTheCodeAndKeepsEarlierFigures) {
  Utils::HardDiskManager disk;
  ASSERT_TRUE(disk.CheckFreeSpace(L"C:"));
  const ULONGLONG total = disk.totalBytes;
  const ULONGLONG available = disk.freeBytesAvailable;
  LogLines log;
  EXPECT_FALSE(disk.CheckFreeSpace(L"Q:\\no\\such\\drive"));
  EXPECT_EQ(disk.totalBytes, total);
  EXPECT_EQ(disk.freeBytesAvailable, available);
  const std::vector<std::wstring> lines = log.Get();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(L"(Utils::HardDiskManager::CheckFreeSpace)<"), std::wstring::npos);
  EXPECT_NE(lines[0].find(L": HardDiskManager::CheckFreeSpace FAIL code="), std::wstring::npos);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 2), L"\r\n");
}

}  // namespace
