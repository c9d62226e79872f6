// The installation folder rules of the main window: where the product is proposed to go, how
// a typed folder compares with it, and whether a drive has room for it.
#pragma once

#include <windows.h>

#include <string>

namespace InstallDirs {

constexpr const wchar_t* kProductFolder = L"ZarnelDravix";
constexpr ULONGLONG kRequiredBytes = 1073741824;  // 1 GiB

// left + "\" + right; no backslash is added when left already ends with one.
std::wstring Join(const std::wstring& left, const std::wstring& right);

// True when the relative path from one folder to the other is exactly ".": two spellings of
// the same folder in another letter case. A trailing backslash gives ".\" and so does not count;
// folders on different drives never do.
bool IsSameFolder(const std::wstring& from, const std::wstring& to);

// "C:" for "C:\x\y"; empty for a path without a drive letter.
std::wstring DrivePart(const std::wstring& path);

// Bytes available to the caller on the path's drive; 0 when the query fails.
ULONGLONG FreeBytesOnDrive(const std::wstring& path);
// At least 1 GiB, compared as the installer always did: bytes / 2^30 as a double, not below 1.
bool HasRoomFor(ULONGLONG freeBytes);

// The folder proposed for a new installation: the registered one when its uninstaller still
// exists; otherwise APPDATA\velto (when both administrator tests pass) or the 32-bit program
// files folder (or the program files folder), joined with the product's folder name.
std::wstring Proposed(const std::wstring& registeredPath, const std::wstring& registeredUninstaller,
                      bool consoleUserIsAdmin, bool processIsAdmin);

}  // namespace InstallDirs
