// The records in the real registry and INI files: values stored without a terminator and read
// back, the uninstaller rule, set.ini with a fresh DeviceID on every write, and the analytics file
// under APPDATA or the shared documents folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/sandbox.h"
#include "ui/install_records.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::FileExists;
using TestSupport::SandboxTest;

std::wstring IniValue(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
  wchar_t value[1024] = {};
  ::GetPrivateProfileStringW(section, key, L"<none>", value, 1024, file.c_str());
  return value;
}

// Sets (or, with null, removes) an environment variable for the test and restores it after.
class EnvironmentOverride {
 public:
  EnvironmentOverride(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t old[4096] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, old, 4096);
    had_ = length > 0 && length < 4096;
    old_ = old;
    ::SetEnvironmentVariableW(name, value);
  }
  ~EnvironmentOverride() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

 private:
  const wchar_t* name_;
  bool had_ = false;
  std::wstring old_;
};

struct RawValue {
  DWORD type = 0;
  std::vector<unsigned char> bytes;
};

RawValue ReadRaw(const wchar_t* name) {
  RawValue raw;
  Utils::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return raw;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &raw.type, nullptr, &size) != ERROR_SUCCESS) return raw;
  raw.bytes.resize(size);
  ::RegQueryValueExW(key.get(), name, nullptr, &raw.type, raw.bytes.data(), &size);
  raw.bytes.resize(size);
  return raw;
}

void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
  Utils::UniqueRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, key.put(), nullptr));
  ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size));
}

using RegistryValues = SandboxTest;

// The writer hands the system exactly the characters; the system itself counts in the null that
// follows them in memory (Windows does the same), so the stored value ends with at most that one.
TEST_F(RegistryValues, RoundTripOfTheCharactersOnly) {
  const std::vector<std::wstring> texts = {L"C:\\Program Files\\ZarnelDravix", L"", L"D:\\软件\\ZarnelDravix",
                                           L"E:\\" + std::wstring(300, L'x')};
  for (const std::wstring& text : texts) {
    SCOPED_TRACE(text.size());
    ASSERT_TRUE(WriteRegistryValue(L"InstallPath", text));
    const RawValue raw = ReadRaw(L"InstallPath");
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw.type);
    ASSERT_GE(raw.bytes.size(), text.size() * 2);
    EXPECT_EQ(0, std::memcmp(raw.bytes.data(), text.data(), text.size() * 2));
    const std::vector<unsigned char> rest(raw.bytes.begin() + text.size() * 2, raw.bytes.end());
    EXPECT_TRUE(rest.empty() || rest == std::vector<unsigned char>(2, 0)) << "nothing but one terminator follows";
    std::wstring back = L"unchanged";
    ASSERT_TRUE(ReadRegistryValue(L"InstallPath", back));
    EXPECT_EQ(text, back);
  }
}

TEST_F(RegistryValues, TheReaderNeverReliesOnAStoredTerminator) {
  struct Case {
    const char* what;
    DWORD type;
    std::vector<wchar_t> data;
    bool read;
    std::wstring expected;
  };
  const std::vector<Case> cases = {
      {"no terminator", REG_SZ, {L'a', L'b', L'c'}, true, L"abc"},
      {"terminator stored", REG_SZ, {L'a', L'b', L'\0'}, true, L"ab"},
      {"text ends at the first null", REG_SZ, {L'a', L'\0', L'z'}, true, L"a"},
      {"expandable text", REG_EXPAND_SZ, {L'%', L'x', L'%'}, true, L"%x%"},
      {"a number is no path", REG_DWORD, {L'\x1234', L'\x5678'}, false, L"unchanged"},
      {"binary is no path", REG_BINARY, {L'a', L'b'}, false, L"unchanged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A non-null character after the data keeps the system from counting a terminator in.
    std::vector<wchar_t> data = c.data;
    data.push_back(L'#');
    WriteRaw(L"UnInstallEp", c.type, data.data(), static_cast<DWORD>(c.data.size() * 2));
    EXPECT_EQ(c.data.size() * 2, ReadRaw(L"UnInstallEp").bytes.size()) << "stored without a terminator";
    std::wstring text = L"unchanged";
    EXPECT_EQ(c.read, ReadRegistryValue(L"UnInstallEp", text));
    EXPECT_EQ(c.expected, text);
  }
  // An odd byte count: the half character is dropped, nothing is read past the data.
  WriteRaw(L"UnInstallEp", REG_SZ, L"xyz#", 5);
  std::wstring odd;
  ASSERT_TRUE(ReadRegistryValue(L"UnInstallEp", odd));
  EXPECT_EQ(L"xy", odd.substr(0, 2));
  EXPECT_LE(odd.size(), 3u);
}

TEST_F(RegistryValues, MissingKeyOrValueLeavesTheTextUnchanged) {
  std::wstring text = L"unchanged";
  EXPECT_FALSE(ReadRegistryValue(L"InstallPath", text)) << "no key";
  ASSERT_TRUE(WriteRegistryValue(L"InstallPath", L"C:\\x"));
  EXPECT_FALSE(ReadRegistryValue(L"UnInstallEp", text)) << "no value";
  EXPECT_EQ(L"unchanged", text);
}

TEST_F(RegistryValues, InstallRecordsWriteTheUninstallerOnlyWhenItExists) {
  struct Case {
    const char* what;
    bool packageSentOne;
    bool fileExists;
    bool recorded;
  };
  const std::vector<Case> cases = {
      {"package's uninstaller exists", true, true, true},
      {"package's uninstaller missing", true, false, false},
      {"default uninst.ep exists", false, true, true},
      {"no uninstaller at all", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestSupport::DeleteProductKey();
    const std::wstring dir = Sandbox().File(c.packageSentOne ? L"a" : L"b");
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring expectedPath = c.packageSentOne ? dir + L"\\tools\\remove.exe" : dir + L"\\uninst.ep";
    ::DeleteFileW(expectedPath.c_str());
    if (c.fileExists) {
      ::CreateDirectoryW((dir + L"\\tools").c_str(), nullptr);
      ASSERT_TRUE(TestSupport::WriteFileBytes(expectedPath, "MZ"));
    }
    std::wstring uninstEp = c.packageSentOne ? expectedPath : std::wstring();
    WriteInstallRecords(dir, uninstEp);
    EXPECT_EQ(expectedPath, uninstEp);
    std::wstring installPath, uninstaller = L"<none>";
    ASSERT_TRUE(ReadRegistryValue(L"InstallPath", installPath));
    EXPECT_EQ(dir, installPath);
    EXPECT_EQ(c.recorded, ReadRegistryValue(L"UnInstallEp", uninstaller));
    EXPECT_EQ(c.recorded ? expectedPath : L"<none>", uninstaller);
  }
}

TEST_F(RegistryValues, TheLastInstallationsPathWins) {
  std::wstring none;
  WriteInstallRecords(Sandbox().File(L"first"), none);
  none.clear();
  WriteInstallRecords(Sandbox().File(L"second"), none);
  std::wstring path;
  ASSERT_TRUE(ReadRegistryValue(L"InstallPath", path));
  EXPECT_EQ(Sandbox().File(L"second"), path);
}

using SetIni = SandboxTest;

bool IsDeviceId(const std::wstring& id) {
  static const std::wregex format(L"[0-9A-F]{8}[0-9A-F]{4}[0-9a-f]{4}[0-9A-F]{16}");
  return std::regex_match(id, format);
}

TEST_F(SetIni, InstallSectionAndAFreshDeviceIdOnEveryWrite) {
  EnvironmentOverride appData(L"APPDATA", Sandbox().File(L"roaming").c_str());
  const std::wstring dir = Sandbox().File(L"Dravix");
  ::CreateDirectoryW(dir.c_str(), nullptr);
  WriteSetIni(dir);
  const std::wstring ini = dir + L"\\set.ini";
  EXPECT_EQ(L"ui_records_tests.exe", IniValue(ini, L"Install", L"APPStore"));
  EXPECT_EQ(L"Dravix", IniValue(ini, L"Install", L"AppName"));
  const std::wstring first = IniValue(ini, L"Install", L"DeviceID");
  EXPECT_TRUE(IsDeviceId(first)) << std::string(first.begin(), first.end());
  WriteSetIni(dir + L"\\");  // a trailing separator names the same file
  const std::wstring second = IniValue(ini, L"Install", L"DeviceID");
  EXPECT_TRUE(IsDeviceId(second));
  EXPECT_NE(first, second);
  EXPECT_EQ(L"<none>", IniValue(ini, L"Uninstall", L"IsOverride")) << "left to the package";
}

TEST_F(SetIni, AnalyticsFileUnderAppDataOrTheSharedDocuments) {
  wchar_t documents[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, documents)));
  struct Case {
    const char* what;
    std::wstring appData;  // empty: not set
    std::wstring folder;
  };
  const std::vector<Case> cases = {
      {"APPDATA set", Sandbox().File(L"roaming\\deep"), Sandbox().File(L"roaming\\deep\\VeltoData\\ZarnelDravix")},
      {"APPDATA not set", L"", std::wstring(documents) + L"\\VeltoData\\ZarnelDravix"},
  };
  const std::wstring dir = Sandbox().Path();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EnvironmentOverride appData(L"APPDATA", c.appData.empty() ? nullptr : c.appData.c_str());
    EXPECT_EQ(c.folder, AnalyticsFolder());
    WriteSetIni(dir);
    const std::wstring analytics = c.folder + L"\\VXSensorsAnalytics.ini";
    EXPECT_EQ(analytics, IniValue(dir + L"\\set.ini", L"Install", L"VXSensorsAnalyticsIni"));
    ASSERT_TRUE(FileExists(analytics));
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    const std::wstring stamp = IniValue(analytics, L"Init", L"UpdateTime");
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    ASSERT_EQ(6, std::swscanf(stamp.c_str(), L"%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s));
    EXPECT_EQ(19u, stamp.size()) << "two digits for everything but the year";
    EXPECT_EQ(now.wYear, y);
    EXPECT_EQ(now.wMonth, mo);
    ::DeleteFileW(analytics.c_str());
  }
  TestSupport::RemoveFolderTree(std::wstring(documents) + L"\\VeltoData");
}

TEST_F(SetIni, AnAnalyticsFolderThatCannotBeMadeIsSkippedSilently) {
  // A file stands where the folder would be.
  ASSERT_TRUE(TestSupport::WriteFileBytes(Sandbox().File(L"VeltoData"), "x"));
  EnvironmentOverride appData(L"APPDATA", Sandbox().Path().c_str());
  WriteSetIni(Sandbox().Path());
  const std::wstring ini = Sandbox().File(L"set.ini");
  EXPECT_TRUE(IsDeviceId(IniValue(ini, L"Install", L"DeviceID")));
  EXPECT_EQ(L"<none>", IniValue(ini, L"Install", L"VXSensorsAnalyticsIni"));
}

// The records' C locale must not leak into the process: other threads (the settings, the event
// values) keep reading and printing numbers with '.', and this thread gets its locale back.
TEST_F(SetIni, TheLocaleStaysWithTheWrite) {
  EnvironmentOverride appData(L"APPDATA", Sandbox().Path().c_str());
  const std::string before = std::setlocale(LC_ALL, nullptr);
  const int modeBefore = ::_configthreadlocale(0);
  WriteSetIni(Sandbox().Path());
  EXPECT_EQ(before, std::setlocale(LC_ALL, nullptr));
  EXPECT_EQ(modeBefore, ::_configthreadlocale(0));
  std::string elsewhere;
  char printed[32] = {};
  double parsed = 0;
  std::thread([&] {
    elsewhere = std::setlocale(LC_ALL, nullptr);
    std::snprintf(printed, sizeof(printed), "%.2f", 0.75);
    parsed = std::strtod("0.5", nullptr);
  }).join();
  EXPECT_EQ(before, elsewhere);
  EXPECT_STREQ("0.75", printed);
  EXPECT_EQ(0.5, parsed);
}

}  // namespace
