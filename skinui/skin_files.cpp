#include "skinui/skin_files.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "skinui/skin_archive.h"
#include "skinui/window_manager.h"
#include "utils/unique_resource.h"

namespace SkinUI {
namespace {

// A buffer we can actually allocate in this process; larger sizes count as unreadable.
bool Allocate(uint64_t size, std::vector<unsigned char>& bytes) {
  if (size > static_cast<uint64_t>(std::numeric_limits<int>::max())) return false;
  try {
    bytes.assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

SkinFileStatus ReadFromArchive(const std::wstring& name, uint64_t sizeLimit, std::vector<unsigned char>& bytes) {
  if (!CWindowManagerUI::IsArchiveFormat7z()) return SkinFileStatus::kNoArchive;
  // An archive that is not kept open is opened for this one read and closed again.
  std::unique_ptr<SkinArchive> ownArchive;
  const SkinArchive* archive = CWindowManagerUI::CachedSkinArchive();
  if (!CWindowManagerUI::IsSkinArchiveCached()) {
    ownArchive = SkinArchive::OpenFromFile(CWindowManagerUI::SkinFolderPath() + CWindowManagerUI::SkinArchiveName());
    archive = ownArchive.get();
  }
  if (!archive) return SkinFileStatus::kNoArchive;
  uint32_t index = 0;
  uint64_t size = 0;
  if (!SkinArchive::FindEntry(archive, name.c_str(), &index, &size)) return SkinFileStatus::kNotInArchive;
  if (size == 0) return SkinFileStatus::kEmpty;
  if (sizeLimit && size > sizeLimit) return SkinFileStatus::kTooLarge;
  if (!Allocate(size, bytes) || !SkinArchive::ExtractEntry(archive, index, bytes.data(), bytes.size())) {
    bytes.clear();
    return SkinFileStatus::kCannotExtract;
  }
  return SkinFileStatus::kOk;
}

}  // namespace

SkinFileStatus ReadWholeFile(const std::wstring& path, uint64_t sizeLimit, std::vector<unsigned char>& bytes) {
  bytes.clear();
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return SkinFileStatus::kCannotOpenFile;
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.get(), &size)) return SkinFileStatus::kCannotReadFile;
  if (size.QuadPart == 0) return SkinFileStatus::kEmpty;
  if (sizeLimit && static_cast<uint64_t>(size.QuadPart) > sizeLimit) return SkinFileStatus::kTooLarge;
  if (!Allocate(static_cast<uint64_t>(size.QuadPart), bytes)) return SkinFileStatus::kCannotReadFile;
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) {
      bytes.clear();
      return SkinFileStatus::kCannotReadFile;
    }
    done += read;
  }
  return SkinFileStatus::kOk;
}

SkinFileStatus ReadSkinFile(const std::wstring& name, uint64_t sizeLimit, std::vector<unsigned char>& bytes) {
  bytes.clear();
  if (CWindowManagerUI::SkinArchiveName().empty())
    return ReadWholeFile(CWindowManagerUI::SkinFolderPath() + name, sizeLimit, bytes);
  return ReadFromArchive(name, sizeLimit, bytes);
}

}  // namespace SkinUI
