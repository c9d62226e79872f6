#include "utils/hard_disk_manager.h"

#include "utils/log.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const wchar_t* folder) {
  ULARGE_INTEGER available, total, totalFree;
  if (!::GetDiskFreeSpaceExW(folder, &available, &total, &totalFree)) {
    WRITE_LOG(L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n", static_cast<long>(::GetLastError()));
    return false;
  }
  freeBytesAvailable = available.QuadPart;
  totalBytes = total.QuadPart;
  totalFreeBytes = totalFree.QuadPart;
  return true;
}

}  // namespace Utils
