#include "tools/layout_viewer/png_file.h"

#include <stb_image_write.h>

#include <cstdint>
#include <cstring>

#include "utils/c_file.h"
#include "utils/gdi_objects.h"

namespace LayoutViewer {
namespace {

void AppendBytes(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<unsigned char>*>(context);
  const auto* bytes = static_cast<const unsigned char*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

bool EncodePng(const unsigned char* rgba, int width, int height, std::vector<unsigned char>& png) {
  png.clear();
  if (!rgba || width <= 0 || height <= 0) return false;
  return stbi_write_png_to_func(AppendBytes, &png, width, height, 4, rgba, width * 4) != 0 && !png.empty();
}

bool WritePngFile(const std::wstring& path, const unsigned char* rgba, int width, int height) {
  std::vector<unsigned char> png;
  if (!EncodePng(rgba, width, height, png)) return false;
  Utils::UniqueCFile file(_wfopen(path.c_str(), L"wb"));
  if (!file) return false;
  const bool written = std::fwrite(png.data(), 1, png.size(), file.get()) == png.size();
  // The close flushes: a full disk shows up there, not in fwrite.
  return std::fclose(file.release()) == 0 && written;
}

std::vector<unsigned char> CaptureDC(HDC dc, int width, int height) {
  std::vector<unsigned char> rgba;
  if (!dc || width <= 0 || height <= 0) return rgba;
  void* bits = nullptr;
  Utils::UniqueBitmap copy = Utils::CreateTopDownBitmap(dc, width, height, &bits);
  Utils::UniqueMemoryDC target(::CreateCompatibleDC(dc));
  if (!copy || !bits || !target) return rgba;
  {
    Utils::SelectionGuard selected(target.get(), copy.get());
    if (!selected.selected() || !::BitBlt(target.get(), 0, 0, width, height, dc, 0, 0, SRCCOPY)) return rgba;
    ::GdiFlush();
  }
  const auto* pixels = static_cast<const uint32_t*>(bits);
  rgba.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0, count = static_cast<size_t>(width) * height; i < count; ++i) {
    rgba[i * 4 + 0] = static_cast<unsigned char>(pixels[i] >> 16);
    rgba[i * 4 + 1] = static_cast<unsigned char>(pixels[i] >> 8);
    rgba[i * 4 + 2] = static_cast<unsigned char>(pixels[i]);
    rgba[i * 4 + 3] = 255;
  }
  return rgba;
}

}  // namespace LayoutViewer
