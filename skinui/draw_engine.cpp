#include "skinui/draw_engine.h"

#include <stb_image.h>

#include <cstdint>
#include <cwchar>
#include <limits>
#include <vector>

#include "skinui/attribute_values.h"
#include "skinui/skin_files.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

using DecodedPixels = std::unique_ptr<stbi_uc, decltype(&stbi_image_free)>;

// Fills a top-down 32-bit DIB section from RGBA pixels: blue, green, red premultiplied by
// alpha, then every pixel equal to the mask cleared.
std::unique_ptr<ImageInfo> MakeImage(const unsigned char* rgba, int width, int height, DWORD mask) {
  void* bits = nullptr;
  Utils::UniqueBitmap bitmap = Utils::CreateTopDownBitmap(nullptr, width, height, &bits);
  if (!bitmap || !bits) return nullptr;

  bool hasAlpha = false;
  auto* out = static_cast<uint32_t*>(bits);
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i, rgba += 4) {
    const uint32_t alpha = rgba[3];
    uint32_t red = rgba[0], green = rgba[1], blue = rgba[2];
    if (alpha != 255) {
      red = red * alpha / 255;
      green = green * alpha / 255;
      blue = blue * alpha / 255;
      hasAlpha = true;
    }
    // Read as 0xAARRGGBB this is also the little-endian blue, green, red, alpha byte order.
    const uint32_t value = (alpha << 24) | (red << 16) | (green << 8) | blue;
    if (value == mask) {
      out[i] = 0;
      hasAlpha = true;
    } else {
      out[i] = value;
    }
  }

  auto image = std::make_unique<ImageInfo>();
  image->bitmap = std::move(bitmap);
  image->bits = static_cast<unsigned char*>(bits);
  image->width = width;
  image->height = height;
  image->hasAlpha = hasAlpha;
  image->mask = mask;
  return image;
}

bool ReadResource(const wchar_t* name, const wchar_t* type, std::vector<unsigned char>& bytes) {
  HMODULE module = CWindowManagerUI::ModuleInstance();
  HRSRC resource = ::FindResourceW(module, name, type);
  if (!resource) return false;
  HGLOBAL loaded = ::LoadResource(module, resource);
  const DWORD size = ::SizeofResource(module, resource);
  const auto* data = static_cast<const unsigned char*>(loaded ? ::LockResource(loaded) : nullptr);
  if (!data || size == 0) return false;
  bytes.assign(data, data + size);
  return true;
}

}  // namespace

std::unique_ptr<ImageInfo> CDrawEngine::DecodeImage(const unsigned char* bytes, size_t size, DWORD mask) {
  if (!bytes || size == 0 || size > static_cast<size_t>(std::numeric_limits<int>::max())) return nullptr;
  const int length = static_cast<int>(size);
  int width = 0, height = 0, components = 0;
  // The declared size is checked before stb_image allocates anything for the pixels.
  if (!stbi_info_from_memory(bytes, length, &width, &height, &components)) return nullptr;
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMaxImagePixels) return nullptr;
  DecodedPixels pixels(stbi_load_from_memory(bytes, length, &width, &height, &components, 4), stbi_image_free);
  if (!pixels || width <= 0 || height <= 0 || static_cast<long long>(width) * height > kMaxImagePixels) return nullptr;
  return MakeImage(pixels.get(), width, height, mask);
}

std::unique_ptr<ImageInfo> CDrawEngine::LoadSkinImage(const wchar_t* name, const wchar_t* type, DWORD mask) {
  if (!name) return nullptr;
  const bool hasType = type && (IS_INTRESOURCE(type) || *type);
  std::vector<unsigned char> bytes;
  if (!hasType) {
    if (IS_INTRESOURCE(name)) return nullptr;
    if (ReadSkinFile(name, 0, bytes) != SkinFileStatus::kOk && ReadWholeFile(name, 0, bytes) != SkinFileStatus::kOk)
      return nullptr;
  } else if (!IS_INTRESOURCE(type) && std::wcscmp(type, L"*COLOR*") == 0) {
    if (IS_INTRESOURCE(name)) return nullptr;
    const DWORD colour = ReadHexValue(name);
    const unsigned char rgba[4] = {static_cast<unsigned char>(colour >> 16), static_cast<unsigned char>(colour >> 8),
                                   static_cast<unsigned char>(colour), static_cast<unsigned char>(colour >> 24)};
    return MakeImage(rgba, 1, 1, mask);
  } else if (!ReadResource(name, type, bytes)) {
    return nullptr;
  }
  return DecodeImage(bytes.data(), bytes.size(), mask);
}

}  // namespace SkinUI
