#include "tests/skin/skin_package.h"

extern "C" {
#include <lzma/7z.h>
#include <lzma/7zAlloc.h>
#include <lzma/7zCrc.h>
}

#include <stb_image.h>

#include <cstring>
#include <memory>

#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace SkinTests {

namespace {

// The SDK reads through a seekable stream; this one walks a block of memory. The SDK hands the
// stream back as a const pointer, so the position is kept mutable.
struct MemoryInStream {
  ISeekInStream vt;  // first member: the SDK's pointer is this object's address
  const Byte* data;
  size_t size;
  mutable size_t position;
};

SRes MemoryRead(ISeekInStreamPtr p, void* buffer, size_t* size) {
  const auto* stream = reinterpret_cast<const MemoryInStream*>(p);
  const size_t available = stream->size - stream->position;
  if (*size > available) *size = available;
  std::memcpy(buffer, stream->data + stream->position, *size);
  stream->position += *size;
  return SZ_OK;
}

SRes MemorySeek(ISeekInStreamPtr p, Int64* offset, ESzSeek origin) {
  const auto* stream = reinterpret_cast<const MemoryInStream*>(p);
  Int64 base = 0;
  switch (origin) {
    case SZ_SEEK_SET: base = 0; break;
    case SZ_SEEK_CUR: base = static_cast<Int64>(stream->position); break;
    case SZ_SEEK_END: base = static_cast<Int64>(stream->size); break;
  }
  const Int64 target = base + *offset;
  if (target < 0 || target > static_cast<Int64>(stream->size)) return SZ_ERROR_PARAM;
  stream->position = static_cast<size_t>(target);
  *offset = target;
  return SZ_OK;
}

void ListFolderTree(const std::wstring& folder, const std::string& prefix, std::map<std::string, std::string>* files) {
  WIN32_FIND_DATAW data;
  Utils::UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string archiveName = prefix + Utils::WideToMultiByte(name, CP_UTF8);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListFolderTree(folder + L"\\" + name, archiveName + "/", files);
    } else {
      (*files)[archiveName] = TestSupport::ReadFileBytes(folder + L"\\" + name);
    }
  } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

std::wstring InstallerPath() { return TestSupport::BuildTreePath("app/DravixInstaller.exe"); }

std::string InstallerResource(const wchar_t* type, const wchar_t* name) {
  Utils::UniqueModule module(::LoadLibraryExW(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) return std::string();
  HRSRC resource = ::FindResourceW(module.get(), name, type);
  if (!resource) return std::string();
  HGLOBAL loaded = ::LoadResource(module.get(), resource);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return std::string();
  return std::string(static_cast<const char*>(bytes), ::SizeofResource(module.get(), resource));
}

bool ReadSevenZip(const std::string& archive, std::vector<ArchiveEntry>* entries, std::string* error) {
  CrcGenerateTable();
  MemoryInStream memory{{MemoryRead, MemorySeek}, reinterpret_cast<const Byte*>(archive.data()), archive.size(), 0};
  std::vector<Byte> lookBuffer(1 << 16);
  CLookToRead2 look;
  LookToRead2_CreateVTable(&look, False);
  look.buf = lookBuffer.data();
  look.bufSize = lookBuffer.size();
  look.realStream = &memory.vt;
  LookToRead2_INIT(&look);

  ISzAlloc alloc = {SzAlloc, SzFree};
  CSzArEx db;
  SzArEx_Init(&db);
  if (SzArEx_Open(&db, &look.vt, &alloc, &alloc) != SZ_OK) {
    SzArEx_Free(&db, &alloc);
    *error = "not a 7z archive";
    return false;
  }
  UInt32 blockIndex = 0xFFFFFFFF;
  Byte* block = nullptr;
  size_t blockSize = 0;
  bool ok = true;
  for (UInt32 i = 0; i < db.NumFiles && ok; ++i) {
    ArchiveEntry entry;
    std::vector<UInt16> name(SzArEx_GetFileNameUtf16(&db, i, nullptr));
    SzArEx_GetFileNameUtf16(&db, i, name.data());
    entry.name = Utils::WideToMultiByte(std::wstring(name.begin(), name.end() - 1), CP_UTF8);
    entry.folder = SzArEx_IsDir(&db, i) != 0;
    if (!entry.folder) {
      size_t offset = 0, processed = 0;
      if (SzArEx_Extract(&db, &look.vt, i, &blockIndex, &block, &blockSize, &offset, &processed, &alloc, &alloc) !=
          SZ_OK) {
        *error = "cannot extract " + entry.name;
        ok = false;
        break;
      }
      entry.bytes.assign(reinterpret_cast<const char*>(block) + offset, processed);
    }
    entries->push_back(std::move(entry));
  }
  ISzAlloc_Free(&alloc, block);
  SzArEx_Free(&db, &alloc);
  return ok;
}

std::map<std::string, std::string> SourceSkinFiles() {
  std::map<std::string, std::string> files;
  const std::wstring skin = TestSupport::SourceTreePath("skin");
  WIN32_FIND_DATAW data;
  Utils::UniqueFindHandle find(::FindFirstFileW((skin + L"\\*.xml").c_str(), &data));
  if (find) {
    do {
      files[Utils::WideToMultiByte(data.cFileName, CP_UTF8)] =
          TestSupport::ReadFileBytes(skin + L"\\" + data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
  }
  ListFolderTree(skin + L"\\res", "res/", &files);
  return files;
}

std::map<std::string, std::string> FilesBelow(const std::wstring& folder, const std::string& prefix) {
  std::map<std::string, std::string> files;
  ListFolderTree(folder, prefix, &files);
  return files;
}

bool DecodeImage(const std::string& bytes, Pixels* pixels) {
  int components = 0;
  std::unique_ptr<stbi_uc, decltype(&stbi_image_free)> data(
      stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                            &pixels->width, &pixels->height, &components, 4),
      stbi_image_free);
  if (!data) return false;
  pixels->rgba.assign(data.get(), data.get() + pixels->width * pixels->height * 4);
  return true;
}

const ShippedSkin& Shipped() {
  static const ShippedSkin skin = [] {
    ShippedSkin s;
    s.archive = InstallerResource(L"ZIPRES", MAKEINTRESOURCEW(kSkinArchiveId));
    if (s.archive.empty()) {
      s.error = "the installer has no ZIPRES 147 resource";
    } else if (ReadSevenZip(s.archive, &s.entries, &s.error)) {
      for (const ArchiveEntry& entry : s.entries) {
        if (!entry.folder) s.files[entry.name] = entry.bytes;
      }
    }
    return s;
  }();
  return skin;
}

}  // namespace SkinTests
