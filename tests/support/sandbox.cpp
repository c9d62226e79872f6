#include "tests/support/sandbox.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "utils/unique_resource.h"

namespace TestSupport {

namespace {
std::atomic<unsigned> g_folderCounter{0};
}

TempFolder::TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  for (;;) {
    path_ = std::wstring(temp) + L"dravix-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(g_folderCounter++) + L"-" + std::to_wstring(::GetTickCount());
    if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot create a temporary folder";
      break;
    }
  }
}

TempFolder::~TempFolder() { RemoveFolderTree(path_); }

bool RemoveFolderTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  Utils::UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
  if (find) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(child);
      } else {
        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(find.get(), &entry));
  }
  find.reset();
  return ::RemoveDirectoryW(path.c_str()) || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  Utils::UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

std::string ReadFileBytes(const std::wstring& path) {
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[64 * 1024];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool DeleteProductKey() {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool ProductKeyExists() {
  Utils::UniqueRegKey key;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void SandboxTest::SetUp() {
  ASSERT_TRUE(DeleteProductKey());
  folder_ = std::make_unique<TempFolder>();
}

void SandboxTest::TearDown() {
  folder_.reset();
  EXPECT_TRUE(DeleteProductKey());
}

}  // namespace TestSupport
