// The process-wide skin source of CWindowManagerUI: module, skin folder and the cached archive.
#include <windows.h>

#include <vector>

#include "skinui/skin_archive.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

constexpr const wchar_t* kMemoryArchiveName = L"membuffer";

// One set per process, used by the window thread only (no locks, as for every framework table).
struct SkinSourceState {
  HINSTANCE instance = nullptr;
  std::wstring skinFolder;
  std::wstring archiveName;
  bool archiveCached = false;
  std::unique_ptr<SkinArchive> archive;
  bool archiveIs7z = false;
};

SkinSourceState& State() {
  static SkinSourceState state;
  return state;
}

}  // namespace

void CWindowManagerUI::SetModuleInstance(HINSTANCE instance) { State().instance = instance; }

HINSTANCE CWindowManagerUI::ModuleInstance() { return State().instance; }

std::wstring CWindowManagerUI::ModuleFolder() {
  if (!State().instance) return std::wstring();
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(State().instance, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      const size_t slash = path.rfind(L'\\');
      return slash == std::wstring::npos ? path : path.substr(0, slash + 1);
    }
    if (buffer.size() >= 32768) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

void CWindowManagerUI::SetSkinFolderPath(const std::wstring& path) {
  std::wstring& folder = State().skinFolder;
  folder = path;
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
}

const std::wstring& CWindowManagerUI::SkinFolderPath() { return State().skinFolder; }

const std::wstring& CWindowManagerUI::SkinArchiveName() { return State().archiveName; }

bool CWindowManagerUI::IsSkinArchiveCached() { return State().archiveCached; }

SkinArchive* CWindowManagerUI::CachedSkinArchive() { return State().archive.get(); }

void CWindowManagerUI::SetArchiveFormat7z(bool is7z) { State().archiveIs7z = is7z; }

bool CWindowManagerUI::IsArchiveFormat7z() { return State().archiveIs7z; }

void CWindowManagerUI::SetSkinArchiveFromMemory(const void* bytes, size_t size) {
  SkinSourceState& state = State();
  if (state.archiveName == kMemoryArchiveName) return;
  state.archive.reset();
  state.archiveName = kMemoryArchiveName;
  state.archiveCached = true;
  // Only the 7z reader exists; with the format switched off no archive can be opened.
  if (state.archiveIs7z) state.archive = SkinArchive::OpenFromMemory(bytes, size);
}

void CWindowManagerUI::SetSkinArchiveFile(const std::wstring& name, bool cached) {
  SkinSourceState& state = State();
  if (name == state.archiveName && cached == state.archiveCached) return;
  state.archive.reset();
  state.archiveName = name;
  state.archiveCached = cached;
  if (cached && state.archiveIs7z) state.archive = SkinArchive::OpenFromFile(state.skinFolder + name);
}

bool CWindowManagerUI::OpenSkinSource(SkinSource kind, const std::wstring& skinFolder, UINT resourceId,
                                      const std::wstring& archiveFileName) {
  const std::wstring base = SkinFolderPath().empty() ? ModuleFolder() : SkinFolderPath();
  SetSkinFolderPath(base + skinFolder);

  if (kind == SkinSource::ZipResource) {
    HMODULE module = ModuleInstance();
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"ZIPRES");
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(module, resource);
    const DWORD size = ::SizeofResource(module, resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return false;
    SetSkinArchiveFromMemory(bytes, size);
  } else if (kind == SkinSource::Zip) {
    SetSkinArchiveFile(archiveFileName, true);
  }
  return true;
}

}  // namespace SkinUI
