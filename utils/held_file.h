// A file held open so that nobody else can write, rename or delete it, and the check that a
// started process runs exactly that file: what runs elevated must be what was checked.
#pragma once

#include <windows.h>

#include <string>

#include "utils/unique_resource.h"

namespace Utils {

class HeldFile {
 public:
  HeldFile() = default;
  HeldFile(HeldFile&&) = default;
  HeldFile& operator=(HeldFile&&) = default;

  // Opens path for reading, sharing it for reading only; false (and nothing held) when it
  // cannot be opened so, for example because someone has it open for writing.
  bool Open(const std::wstring& path);
  // Lets go of the file.
  void Release();

  bool IsHeld() const { return handle_.valid(); }
  const std::wstring& Path() const { return path_; }
  HANDLE Handle() const { return handle_.get(); }

  // True when the process's image is this very file (same volume and file index), not merely
  // a file of the same name.
  bool IsImageOf(HANDLE process) const;

 private:
  std::wstring path_;
  UniqueFileHandle handle_;
};

// True when both handles name one file.
bool IsSameFile(HANDLE a, HANDLE b);

}  // namespace Utils
