// The image tables of CWindowManagerUI: one per window and one shared by the process.
#include <cwchar>
#include <cwctype>
#include <new>

#include "skinui/draw_engine.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

using ImageTable = std::unordered_map<std::wstring, std::unique_ptr<ImageInfo>>;

// Lives until the process ends; window thread only.
ImageTable& SharedImages() {
  static ImageTable table;
  return table;
}

const ImageInfo* Find(const ImageTable& table, const wchar_t* name) {
  auto it = table.find(name);
  return it == table.end() ? nullptr : it->second.get();
}

}  // namespace

const ImageInfo* CWindowManagerUI::FindImage(const wchar_t* name) const {
  if (!name) return nullptr;
  if (const ImageInfo* image = Find(images_, name)) return image;
  return Find(SharedImages(), name);
}

const ImageInfo* CWindowManagerUI::FindOrLoadImage(const wchar_t* name, const wchar_t* type, DWORD mask) {
  if (const ImageInfo* image = FindImage(name)) return image;
  return RegisterImage(name, type, mask, false);
}

const ImageInfo* CWindowManagerUI::RegisterImage(const wchar_t* name, const wchar_t* type, DWORD mask, bool shared) {
  if (!name || !*name) return nullptr;
  const bool hasType = type && *type;
  // A resource name written with digits is a resource id. A colour is always read as text,
  // so that one written without "#" and starting with a digit still works.
  const wchar_t* loadName = name;
  if (hasType && std::iswdigit(name[0]) && std::wcscmp(type, L"*COLOR*") != 0)
    loadName = MAKEINTRESOURCEW(static_cast<WORD>(std::wcstol(name, nullptr, 10)));
  std::unique_ptr<ImageInfo> image = CDrawEngine::LoadSkinImage(loadName, hasType ? type : nullptr, mask);
  if (!image) return nullptr;
  image->resourceType = hasType ? type : L"";
  image->mask = mask;

  ImageTable& table = shared ? SharedImages() : images_;
  table.erase(name);
  try {
    return table.emplace(name, std::move(image)).first->second.get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void CWindowManagerUI::RemoveAllSharedImages() { SharedImages().clear(); }

}  // namespace SkinUI
