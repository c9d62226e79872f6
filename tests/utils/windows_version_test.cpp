#include "utils/windows_version.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>

#include "utils/text_conversion.h"

namespace {

struct VersionCase {
  DWORD major, minor, build;
  bool serverR2;
  const wchar_t* name;
};

class WindowsVersionNameTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(WindowsVersionNameTest, NamesVersion) {
  const VersionCase& c = GetParam();
  EXPECT_EQ(WindowsVersionName(c.major, c.minor, c.build, c.serverR2), c.name)
      << c.major << "." << c.minor << "." << c.build << (c.serverR2 ? " R2" : "");
}

INSTANTIATE_TEST_SUITE_P(Table, WindowsVersionNameTest,
                         ::testing::Values(
                             // NT 4 and earlier, and a failed query (all zero)
                             VersionCase{0, 0, 0, false, L"XP-"}, VersionCase{3, 51, 1057, false, L"XP-"},
                             VersionCase{4, 0, 1381, false, L"XP-"}, VersionCase{4, 90, 3000, true, L"XP-"},
                             // the 5.x family; R2 matters only for 5.2
                             VersionCase{5, 0, 2195, false, L"2K"}, VersionCase{5, 0, 2195, true, L"2K"},
                             VersionCase{5, 1, 2600, false, L"XP"}, VersionCase{5, 1, 2600, true, L"XP"},
                             VersionCase{5, 2, 3790, false, L"Server 2003"},
                             VersionCase{5, 2, 3790, true, L"Server 2003 R2"}, VersionCase{5, 3, 0, false, L"XP+"},
                             VersionCase{5, 9, 0, true, L"XP+"},
                             // the 6.x family
                             VersionCase{6, 0, 6002, false, L"Vista"}, VersionCase{6, 1, 7601, false, L"7"},
                             VersionCase{6, 1, 7601, true, L"7"}, VersionCase{6, 2, 9200, false, L"8"},
                             VersionCase{6, 3, 9600, false, L"8.1"}, VersionCase{6, 4, 9841, false, L"8.1+"},
                             VersionCase{6, 10, 0, false, L"8.1+"},
                             // 10.0 covers Windows 11 too, which reports 10.0.22000 and later
                             VersionCase{10, 0, 19045, false, L"10"}, VersionCase{10, 0, 22000, false, L"10"},
                             VersionCase{10, 1, 0, false, L"10+"}, VersionCase{10, 5, 100, true, L"10+"},
                             // majors without a name of their own: major.minor.build
                             VersionCase{7, 0, 7600, false, L"7.0.7600"}, VersionCase{7, 0, 0, false, L"7.0.0"},
                             VersionCase{8, 1, 9200, false, L"8.1.9200"}, VersionCase{9, 0, 1, true, L"9.0.1"},
                             VersionCase{11, 0, 22000, false, L"11.0.22000"},
                             VersionCase{12, 3, 65535, false, L"12.3.65535"},
                             VersionCase{4294967295u, 0, 0, false, L"4294967295.0.0"}));

TEST(GetWindowsVersionNameTest, NamesTheRunningSystem) {
  const std::wstring name = GetWindowsVersionName();
  ASSERT_FALSE(name.empty());
  const std::string printable = Utils::WideToMultiByte(name, CP_UTF8);
  ::testing::Test::RecordProperty("WindowsVersionName", printable);
  std::cout << "GetWindowsVersionName() = \"" << printable << "\"" << std::endl;

  // RtlGetVersion is a second source of the real numbers, also untouched by compatibility
  // settings; the name must agree with it.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  auto getVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  ASSERT_NE(getVersion, nullptr);
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_EQ(getVersion(&info), 0);
  std::cout << "RtlGetVersion: " << info.dwMajorVersion << "." << info.dwMinorVersion << "." << info.dwBuildNumber
            << std::endl;
  EXPECT_EQ(name, WindowsVersionName(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber & 0xFFFF,
                                     ::GetSystemMetrics(SM_SERVERR2) != 0));
}

}  // namespace
