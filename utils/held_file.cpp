#include "utils/held_file.h"

#include <vector>

namespace Utils {

bool HeldFile::Open(const std::wstring& path) {
  Release();
  // Sharing for reading only: writers, renames and deletions (which need delete access) fail.
  handle_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_) return false;
  path_ = path;
  return true;
}

void HeldFile::Release() {
  handle_.reset();
  path_.clear();
}

bool HeldFile::IsImageOf(HANDLE process) const {
  if (!handle_ || !process) return false;
  std::vector<wchar_t> name(32768);
  DWORD size = static_cast<DWORD>(name.size());
  if (!::QueryFullProcessImageNameW(process, 0, name.data(), &size)) return false;
  const UniqueFileHandle image(::CreateFileW(name.data(), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return image && IsSameFile(image.get(), handle_.get());
}

bool IsSameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  if (!::GetFileInformationByHandle(a, &first) || !::GetFileInformationByHandle(b, &second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace Utils
