#include "utils/folders.h"

#include <windows.h>

#include <sddl.h>

#include "utils/unique_system_resources.h"

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

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Removes what stands at path; a link is removed as itself, never followed.
bool RemoveWithoutFollowing(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ::DeleteFileW(path.c_str()) != FALSE;
  if (!IsLink(attributes)) {
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
      do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        if (!RemoveWithoutFollowing(path + L"\\" + name)) return false;
      } while (::FindNextFileW(find.get(), &entry));
    }
  }
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

// System, administrators and the folder's owner (the administrators when elevated), not
// inherited from the user's temporary folder: a process of the user without elevation may
// neither add a file beside the one we run nor change it.
constexpr const wchar_t* kPrivateFolderSddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";

struct LocalSecurityDescriptorTraits {
  static PSECURITY_DESCRIPTOR Invalid() noexcept { return nullptr; }
  static void Close(PSECURITY_DESCRIPTOR p) noexcept { ::LocalFree(p); }
};

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

bool MakeFreshFolder(const std::wstring& folder, UniqueFileHandle* held) {
  held->reset();
  if (folder.empty() || !RemoveWithoutFollowing(folder)) return false;
  UniqueResource<PSECURITY_DESCRIPTOR, LocalSecurityDescriptorTraits> descriptor;
  ::ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFolderSddl, SDDL_REVISION_1, descriptor.put(),
                                                         nullptr);
  SECURITY_ATTRIBUTES security{sizeof(security), descriptor.get(), FALSE};
  // Creation fails when anything appeared at the place since the removal: then it is not ours.
  if (!::CreateDirectoryW(folder.c_str(), descriptor ? &security : nullptr)) return false;
  UniqueFileHandle handle(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !::GetFileInformationByHandle(handle.get(), &info) || IsLink(info.dwFileAttributes) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  *held = std::move(handle);
  return true;
}

}  // namespace Utils
