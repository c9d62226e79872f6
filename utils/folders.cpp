#include "utils/folders.h"

#include <windows.h>

namespace Utils {

namespace {

// A file of the same name is in the way, not a folder that exists.
bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateIfMissing(const std::wstring& folder) {
  if (IsFolder(folder)) return true;
  return ::CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
}

// Where the walk may start creating: after "\\server\share\" for network paths, whose first
// two levels can neither be tested nor created like folders.
size_t FirstCreatablePosition(const std::wstring& path) {
  if (path.compare(0, 2, L"\\\\") != 0) return 0;
  const size_t server = path.find(L'\\', 2);
  if (server == std::wstring::npos) return path.size();
  const size_t share = path.find(L'\\', server + 1);
  return share == std::wstring::npos ? path.size() : share + 1;
}

}  // namespace

bool CreateDirectoryTree(const std::wstring& path) {
  if (path.empty() || path.size() > MAX_PATH) return false;
  const size_t start = FirstCreatablePosition(path);
  if (start >= path.size()) return IsFolder(path);
  for (size_t slash = path.find(L'\\', start); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
    if (!CreateIfMissing(path.substr(0, slash + 1))) return false;
  }
  const size_t last = path.find_last_of(L'\\');
  if (last == std::wstring::npos || last + 1 < path.size()) return CreateIfMissing(path);
  return true;
}

std::wstring GetInstallerTempFolder() {
  wchar_t temp[MAX_PATH] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  const std::wstring folder = std::wstring(temp) + kInstallerTempFolderName;
  if (IsFolder(folder)) return folder;
  if (!::CreateDirectoryW(folder.c_str(), nullptr)) return std::wstring();
  return folder;
}

}  // namespace Utils
