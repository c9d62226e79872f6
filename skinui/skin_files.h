// Reading one skin file whole, from wherever the process-wide skin source says skin files live:
// a plain file under the skin folder, or an entry of the skin archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace SkinUI {

enum class SkinFileStatus {
  kOk,
  kCannotOpenFile,  // the plain file does not exist or cannot be opened
  kEmpty,           // the file or entry has no bytes
  kTooLarge,        // above the caller's limit
  kCannotReadFile,  // a short read
  kNoArchive,       // the skin archive cannot be opened
  kNotInArchive,    // no entry of that name
  kCannotExtract,   // the entry could not be copied out
};

// Reads the skin file `name` into `bytes`. `sizeLimit` 0 means no limit.
SkinFileStatus ReadSkinFile(const std::wstring& name, uint64_t sizeLimit, std::vector<unsigned char>& bytes);

// Reads a file by its own path (absolute, or relative to the current folder).
SkinFileStatus ReadWholeFile(const std::wstring& path, uint64_t sizeLimit, std::vector<unsigned char>& bytes);

}  // namespace SkinUI
