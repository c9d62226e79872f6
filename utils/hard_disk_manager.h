#pragma once

#include <windows.h>

namespace Utils {

// Free space of the volume that holds a folder. The fields keep their last successful answer.
class HardDiskManager {
 public:
  virtual ~HardDiskManager() = default;

  // Fills the three fields; on failure logs the system error and leaves them unchanged.
  bool CheckFreeSpace(const wchar_t* folder);

  ULONGLONG freeBytesAvailable = 0;  // available to the calling user
  ULONGLONG totalBytes = 0;
  ULONGLONG totalFreeBytes = 0;
};

}  // namespace Utils
