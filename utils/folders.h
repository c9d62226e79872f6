// Folder helpers of the installer: creating a whole folder tree, and its own temporary folder.
#pragma once

#include <string>

#include "utils/unique_resource.h"

namespace Utils {

// Name of the installer's folder under the user's temporary folder, trailing backslash included.
constexpr const wchar_t* kInstallerTempFolderName = L"~VeltoTemp.92482B06FB471E17\\";

// Creates path and every missing folder above it. Existing folders are no error; an empty path,
// one longer than MAX_PATH, a file in the way or any folder that cannot be created gives false.
bool CreateDirectoryTree(const std::wstring& path);

// The user's temporary folder followed by kInstallerTempFolderName, created when missing; empty
// when it cannot be had.
std::wstring GetInstallerTempFolder();

// Makes folder (no trailing backslash) a new, empty folder of this process: whatever stands at
// its place is removed first without following links (a junction or link is removed as itself,
// never its target's contents), then the folder is created anew, open to the system, the
// administrators and its owner only. On success the folder is held open in *held so that it
// cannot be renamed, deleted or replaced by a link while in use. False when anything standing
// there cannot be removed, someone else created the folder first, or it is not a plain folder.
bool MakeFreshFolder(const std::wstring& folder, UniqueFileHandle* held);

}  // namespace Utils
