// Folder helpers of the installer: creating a whole folder tree, and its own temporary folder.
#pragma once

#include <string>

namespace Utils {

// Name of the installer's folder under the user's temporary folder, trailing backslash included.
constexpr const wchar_t* kInstallerTempFolderName = L"~VeltoTemp.92482B06FB471E17\\";

// Creates path and every missing folder above it. Existing folders are no error; an empty path,
// one longer than MAX_PATH, a file in the way or any folder that cannot be created gives false.
bool CreateDirectoryTree(const std::wstring& path);

// The user's temporary folder followed by kInstallerTempFolderName, created when missing; empty
// when it cannot be had.
std::wstring GetInstallerTempFolder();

}  // namespace Utils
