#include "ui/install_records.h"

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "utils/folders.h"
#include "utils/guid_string.h"
#include "utils/unique_resource.h"

namespace {

// "folder" + "\" + "name", without doubling a separator the folder already ends with.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
  return folder + L"\\" + name;
}

// The running program's file name with its extension, without its folder.
std::wstring ModuleFileName() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  wchar_t name[_MAX_FNAME] = {};
  wchar_t extension[_MAX_EXT] = {};
  if (::_wsplitpath_s(path, nullptr, 0, nullptr, 0, name, _MAX_FNAME, extension, _MAX_EXT) != 0) return std::wstring();
  return std::wstring(name) + extension;
}

std::wstring LocalTimeStamp() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  wchar_t text[64] = {};
  std::swprintf(text, sizeof(text) / sizeof(text[0]), L"%d-%02d-%02d %02d:%02d:%02d", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return text;
}

// The records are written under the "en_GB.UTF-8" C locale. Setting it for the whole process
// would let other threads parse and print numbers by it, so it is set for this thread only and
// the thread's previous locale and mode come back on destruction.
class ThreadLocaleScope {
 public:
  explicit ThreadLocaleScope(const char* name) {
    mode_ = ::_configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    if (const char* current = std::setlocale(LC_ALL, nullptr)) previous_ = current;
    std::setlocale(LC_ALL, name);
  }
  ~ThreadLocaleScope() {
    if (!previous_.empty()) std::setlocale(LC_ALL, previous_.c_str());
    if (mode_ != -1) ::_configthreadlocale(mode_);
  }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

 private:
  int mode_ = -1;
  std::string previous_;
};

}  // namespace

bool ReadRegistryValue(const wchar_t* name, std::wstring& text) {
  Utils::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD bytes = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
  // A number or binary data read as a path would be a wrong path.
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // One unit per byte is more than enough; the zeros past the data end the text, stored
  // terminator or not.
  std::vector<wchar_t> buffer(static_cast<size_t>(bytes) + 1, L'\0');
  DWORD size = bytes;
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  text.assign(buffer.data());
  return true;
}

bool WriteRegistryValue(const wchar_t* name, const std::wstring& text) {
  Utils::UniqueRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kProductRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) ==
         ERROR_SUCCESS;
}

void WriteInstallRecords(const std::wstring& installDir, std::wstring& packageUninstEp) {
  WriteRegistryValue(L"InstallPath", installDir);
  if (packageUninstEp.empty()) packageUninstEp = installDir + L"\\uninst.ep";
  if (::PathFileExistsW(packageUninstEp.c_str())) WriteRegistryValue(L"UnInstallEp", packageUninstEp);
}

std::wstring AnalyticsFolder() {
  std::wstring base;
  const DWORD needed = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (needed > 1) {
    std::vector<wchar_t> value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", value.data(), needed);
    if (length > 0 && length < needed) base.assign(value.data(), length);
  }
  if (base.empty()) {
    wchar_t documents[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, SHGFP_TYPE_CURRENT, documents)))
      return std::wstring();
    base = documents;
  }
  return JoinPath(JoinPath(base, L"VeltoData"), L"ZarnelDravix");
}

void WriteSetIni(const std::wstring& installDir) {
  const std::wstring appStore = ModuleFileName();
  const std::wstring setIni = JoinPath(installDir, L"set.ini");
  ThreadLocaleScope locale("en_GB.UTF-8");
  ::WritePrivateProfileStringW(L"Install", L"APPStore", appStore.c_str(), setIni.c_str());
  ::WritePrivateProfileStringW(L"Install", L"AppName", L"Dravix", setIni.c_str());
  ::WritePrivateProfileStringW(L"Install", L"DeviceID", Utils::NewGuidString().c_str(), setIni.c_str());
  const std::wstring folder = AnalyticsFolder();
  if (folder.empty() || !Utils::CreateDirectoryTree(folder)) return;
  const std::wstring analytics = folder + L"\\VXSensorsAnalytics.ini";
  ::WritePrivateProfileStringW(L"Install", L"VXSensorsAnalyticsIni", analytics.c_str(), setIni.c_str());
  ::WritePrivateProfileStringW(L"Init", L"UpdateTime", LocalTimeStamp().c_str(), analytics.c_str());
}
