// The skin archive, decompressed once into memory: one entry per file, in archive order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace SkinUI {

struct SkinArchiveEntry {
  std::wstring name;        // path as stored, "/" separators, e.g. "res/mainWnd/bg1.png"
  uint32_t nameLength = 0;  // UTF-16 units of the name including its terminating zero
  uint32_t index = 0;       // index in the archive's file list (directories count)
  std::vector<unsigned char> bytes;
  uint64_t size = 0;
};

class SkinArchive {
 public:
  // Null when the bytes are not a 7z archive.
  static std::unique_ptr<SkinArchive> OpenFromMemory(const void* bytes, size_t size);
  // Null when the file cannot be opened; an archive without entries when it is no 7z archive.
  static std::unique_ptr<SkinArchive> OpenFromFile(const std::wstring& path);

  // Backslashes in the path count as slashes; names compare case-insensitively by the user's
  // locale and must have the same length; the first such entry in archive order is found.
  static bool FindEntry(const SkinArchive* archive, const wchar_t* path, uint32_t* index, uint64_t* size);
  // Copies the whole entry; fails when the destination holds fewer than the entry's bytes.
  static bool ExtractEntry(const SkinArchive* archive, uint32_t index, void* destination, uint64_t capacity);
  // Releases the table; false for an archive that is not open.
  static bool Close(std::unique_ptr<SkinArchive>& archive);

  const std::vector<SkinArchiveEntry>& Entries() const { return entries_; }

 private:
  // Indexes the entries by their locale sort key (case ignored) and length, so that a lookup
  // needs one key instead of a comparison with every entry.
  void BuildLookup();
  static std::string LookupKey(const wchar_t* name, size_t length);

  std::vector<SkinArchiveEntry> entries_;
  std::unordered_map<std::string, size_t> lookup_;  // key -> first entry position
};

}  // namespace SkinUI
