#include "skinui/skin_archive.h"

#include <windows.h>

#include <cstring>
#include <new>

extern "C" {
#include <lzma/7z.h>
#include <lzma/7zAlloc.h>
#include <lzma/7zCrc.h>
#include <lzma/7zFile.h>
}

namespace SkinUI {
namespace {

// The C heap serves both the SDK's main and temporary allocations.
const ISzAlloc kHeap = {SzAlloc, SzFree};

constexpr size_t kLookBufferSize = 1 << 16;

void InitialiseCrcTable() {
  static const bool initialised = [] {
    CrcGenerateTable();
    return true;
  }();
  (void)initialised;
}

// A seekable SDK input stream over a block of memory the caller keeps alive.
struct MemoryInStream {
  ISeekInStream vt;
  const Byte* data;
  size_t size;
  size_t position;
};

SRes MemoryRead(ISeekInStreamPtr stream, void* buffer, size_t* size) {
  auto* self = reinterpret_cast<MemoryInStream*>(const_cast<ISeekInStream*>(stream));
  size_t available = self->position < self->size ? self->size - self->position : 0;
  if (*size > available) *size = available;
  if (*size) std::memcpy(buffer, self->data + self->position, *size);
  self->position += *size;
  return SZ_OK;
}

SRes MemorySeek(ISeekInStreamPtr stream, Int64* position, ESzSeek origin) {
  auto* self = reinterpret_cast<MemoryInStream*>(const_cast<ISeekInStream*>(stream));
  Int64 base = 0;
  switch (origin) {
    case SZ_SEEK_SET: base = 0; break;
    case SZ_SEEK_CUR: base = static_cast<Int64>(self->position); break;
    case SZ_SEEK_END: base = static_cast<Int64>(self->size); break;
    default: return SZ_ERROR_PARAM;
  }
  const Int64 target = base + *position;
  // Past the end is allowed (reads then return nothing), before the start is not.
  if (target < 0 || static_cast<UInt64>(target) > static_cast<UInt64>(SIZE_MAX)) return SZ_ERROR_PARAM;
  self->position = static_cast<size_t>(target);
  *position = target;
  return SZ_OK;
}

// The SDK's database and the cached solid block, released together.
class ArchiveDatabase {
 public:
  ArchiveDatabase() { SzArEx_Init(&db_); }
  ~ArchiveDatabase() {
    ISzAlloc_Free(&kHeap, block_);
    SzArEx_Free(&db_, &kHeap);
  }
  ArchiveDatabase(const ArchiveDatabase&) = delete;
  ArchiveDatabase& operator=(const ArchiveDatabase&) = delete;

  bool Open(ILookInStreamPtr stream) { return SzArEx_Open(&db_, stream, &kHeap, &kHeap) == SZ_OK; }

  // Appends every file in archive order; stops at the first file that cannot be extracted (or
  // copied for lack of memory), keeping what came before it.
  void ReadEntries(ILookInStreamPtr stream, std::vector<SkinArchiveEntry>& entries) {
    try {
      for (UInt32 i = 0; i < db_.NumFiles; ++i) {
        if (SzArEx_IsDir(&db_, i)) continue;
        SkinArchiveEntry entry;
        const size_t nameLength = SzArEx_GetFileNameUtf16(&db_, i, nullptr);
        std::vector<UInt16> name(nameLength ? nameLength : 1, 0);
        SzArEx_GetFileNameUtf16(&db_, i, name.data());
        entry.name.assign(name.begin(), name.end() - 1);
        entry.nameLength = static_cast<uint32_t>(entry.name.size() + 1);
        entry.index = i;
        entry.size = SzArEx_GetFileSize(&db_, i);

        size_t offset = 0, processed = 0;
        if (SzArEx_Extract(&db_, stream, i, &blockIndex_, &block_, &blockSize_, &offset, &processed, &kHeap, &kHeap) !=
                SZ_OK ||
            processed != entry.size)
          return;
        entry.bytes.assign(block_ + offset, block_ + offset + processed);
        entries.push_back(std::move(entry));
      }
    } catch (const std::bad_alloc&) {
      return;
    }
  }

 private:
  CSzArEx db_;
  UInt32 blockIndex_ = 0xFFFFFFFF;
  Byte* block_ = nullptr;
  size_t blockSize_ = 0;
};

// Reads the archive behind a seekable stream; false when the stream holds no archive.
bool ReadArchive(ISeekInStreamPtr input, std::vector<SkinArchiveEntry>& entries) {
  InitialiseCrcTable();
  std::unique_ptr<Byte[]> lookBuffer(new (std::nothrow) Byte[kLookBufferSize]);
  if (!lookBuffer) return false;
  CLookToRead2 look;
  LookToRead2_CreateVTable(&look, False);
  look.buf = lookBuffer.get();
  look.bufSize = kLookBufferSize;
  look.realStream = input;
  LookToRead2_INIT(&look);

  ArchiveDatabase database;
  if (!database.Open(&look.vt)) return false;
  database.ReadEntries(&look.vt, entries);
  return true;
}

// The SDK's input file, closed by the SDK's own call on every path out.
struct SdkInputFile {
  SdkInputFile() { File_Construct(&stream.file); }
  ~SdkInputFile() { File_Close(&stream.file); }
  SdkInputFile(const SdkInputFile&) = delete;
  SdkInputFile& operator=(const SdkInputFile&) = delete;
  CFileInStream stream;
};

}  // namespace

std::unique_ptr<SkinArchive> SkinArchive::OpenFromMemory(const void* bytes, size_t size) {
  if (!bytes) return nullptr;
  MemoryInStream stream = {{MemoryRead, MemorySeek}, static_cast<const Byte*>(bytes), size, 0};
  auto archive = std::make_unique<SkinArchive>();
  if (!ReadArchive(&stream.vt, archive->entries_)) return nullptr;
  archive->BuildLookup();
  return archive;
}

// Opened by its wide path: an ANSI form of the path would lose every character outside the
// ANSI code page and fail, or open another file.
std::unique_ptr<SkinArchive> SkinArchive::OpenFromFile(const std::wstring& path) {
  SdkInputFile file;
  if (InFile_OpenW(&file.stream.file, path.c_str()) != 0) return nullptr;
  FileInStream_CreateVTable(&file.stream);
  // A file that is no archive still gives an archive, one without entries.
  auto archive = std::make_unique<SkinArchive>();
  ReadArchive(&file.stream.vt, archive->entries_);
  archive->BuildLookup();
  return archive;
}

std::string SkinArchive::LookupKey(const wchar_t* name, size_t length) {
  std::string key;
  if (length == 0 || length >= 0x7FFFFFFF) return key;
  const int count = static_cast<int>(length);
  const int bytes = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name, count, nullptr, 0);
  if (bytes <= 0) return key;
  key.resize(static_cast<size_t>(bytes));
  if (::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, name, count,
                     reinterpret_cast<LPWSTR>(&key[0]), bytes) != bytes)
    return std::string();
  key.append(reinterpret_cast<const char*>(&length), sizeof(length));
  return key;
}

void SkinArchive::BuildLookup() {
  lookup_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string key = LookupKey(entries_[i].name.c_str(), entries_[i].name.size());
    if (!key.empty()) lookup_.emplace(key, i);
  }
}

bool SkinArchive::FindEntry(const SkinArchive* archive, const wchar_t* path, uint32_t* index, uint64_t* size) {
  if (!archive || !path) return false;
  std::wstring wanted(path);
  for (wchar_t& c : wanted) {
    if (c == L'\\') c = L'/';
  }
  if (wanted.size() >= 0x7FFFFFFF) return false;
  const int length = static_cast<int>(wanted.size());
  auto matches = [&](const SkinArchiveEntry& entry) {
    return entry.nameLength == wanted.size() + 1 &&
           ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, entry.name.c_str(), length, wanted.c_str(), length) ==
               CSTR_EQUAL;
  };
  const SkinArchiveEntry* found = nullptr;
  auto it = archive->lookup_.find(LookupKey(wanted.c_str(), wanted.size()));
  if (it != archive->lookup_.end() && matches(archive->entries_[it->second])) {
    found = &archive->entries_[it->second];
  } else {
    // Equal sort keys and equal comparison go together; should they ever differ, the
    // comparison decides.
    for (const SkinArchiveEntry& entry : archive->entries_) {
      if (matches(entry)) {
        found = &entry;
        break;
      }
    }
  }
  if (!found) return false;
  if (index) *index = found->index;
  if (size) *size = found->size;
  return true;
}

bool SkinArchive::ExtractEntry(const SkinArchive* archive, uint32_t index, void* destination, uint64_t capacity) {
  if (!archive) return false;
  for (const SkinArchiveEntry& entry : archive->entries_) {
    if (entry.index != index) continue;
    if (entry.size > capacity || (entry.size && !destination)) return false;
    if (entry.size) std::memcpy(destination, entry.bytes.data(), entry.bytes.size());
    return true;
  }
  return false;
}

bool SkinArchive::Close(std::unique_ptr<SkinArchive>& archive) {
  if (!archive) return false;
  archive.reset();
  return true;
}

}  // namespace SkinUI
