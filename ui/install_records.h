// What the installer leaves behind for later runs and for the product: two registry values
// under HKEY_CURRENT_USER\Software\VeltoSoft\Dravix, "set.ini" in the installation folder and
// the time stamp of the analytics file.
#pragma once

#include <string>

// The product's key under HKEY_CURRENT_USER.
constexpr const wchar_t* kProductRegistryKey = L"Software\\VeltoSoft\\Dravix";

// Reads a string value of the product's key. The stored data need not end with a null. Any
// failure (no key, no value, not a string) leaves text unchanged and returns false.
bool ReadRegistryValue(const wchar_t* name, std::wstring& text);
// Writes a REG_SZ value, creating the key. The system is handed exactly 2 x length bytes; it
// counts in the null that follows them itself (Windows and Wine alike).
bool WriteRegistryValue(const wchar_t* name, const std::wstring& text);

// After a successful installation: "InstallPath" = installDir, and "UnInstallEp" = the
// package's uninstaller when that file exists. An empty packageUninstEp becomes
// installDir + "\uninst.ep" (the caller's copy is updated, as later steps use it).
void WriteInstallRecords(const std::wstring& installDir, std::wstring& packageUninstEp);

// Writes "set.ini" in installDir (APPStore, AppName, a fresh DeviceID, and the analytics file's
// path when its folder can be created) and "UpdateTime" into the analytics file. Failures are
// silent. The C runtime locale it needs is set for this thread only and restored.
void WriteSetIni(const std::wstring& installDir);

// The analytics folder: %APPDATA% (or the shared documents folder when APPDATA is not set)
// joined with "VeltoData\ZarnelDravix". Empty when neither can be had.
std::wstring AnalyticsFolder();
