#include "ui/install_dirs.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>

#include "utils/hard_disk_manager.h"

namespace InstallDirs {

std::wstring Join(const std::wstring& left, const std::wstring& right) {
  if (left.empty() || left.back() == L'\\') return left + right;
  return left + L"\\" + right;
}

bool IsSameFolder(const std::wstring& from, const std::wstring& to) {
  wchar_t relative[MAX_PATH] = {};
  if (!::PathRelativePathToW(relative, from.c_str(), FILE_ATTRIBUTE_DIRECTORY, to.c_str(), FILE_ATTRIBUTE_DIRECTORY))
    return false;
  return std::wstring(relative) == L".";
}

std::wstring DrivePart(const std::wstring& path) {
  wchar_t drive[_MAX_DRIVE] = {};
  if (path.size() >= MAX_PATH) {
    // The splitter refuses long paths; the drive is the first two characters anyway.
    return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
  }
  if (_wsplitpath_s(path.c_str(), drive, _MAX_DRIVE, nullptr, 0, nullptr, 0, nullptr, 0) != 0) return std::wstring();
  return drive;
}

ULONGLONG FreeBytesOnDrive(const std::wstring& path) {
  Utils::HardDiskManager disk;
  return disk.CheckFreeSpace(DrivePart(path).c_str()) ? disk.freeBytesAvailable : 0;
}

bool HasRoomFor(ULONGLONG freeBytes) {
  return static_cast<double>(freeBytes) / static_cast<double>(kRequiredBytes) >= 1.0;
}

std::wstring Proposed(const std::wstring& registeredPath, const std::wstring& registeredUninstaller,
                      bool consoleUserIsAdmin, bool processIsAdmin) {
  if (!registeredPath.empty() && ::PathFileExistsW(registeredUninstaller.c_str())) return registeredPath;
  wchar_t base[MAX_PATH] = {};
  const DWORD appDataLength = ::GetEnvironmentVariableW(L"APPDATA", base, MAX_PATH);
  if (consoleUserIsAdmin && processIsAdmin && appDataLength > 0 && appDataLength < MAX_PATH) {
    return Join(Join(base, L"velto"), kProductFolder);
  }
  base[0] = L'\0';
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, base)) &&
      FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, base))) {
    base[0] = L'\0';
  }
  return Join(base, kProductFolder);
}

}  // namespace InstallDirs
