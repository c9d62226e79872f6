#include "skinui/back_buffer.h"

namespace SkinUI {

bool BackBuffer::Create(HDC dc, int width, int height) {
  Reset();
  if (width <= 0 || height <= 0) return false;
  Utils::UniqueMemoryDC memory(::CreateCompatibleDC(dc));
  if (!memory) return false;
  Utils::UniqueBitmap bitmap(::CreateCompatibleBitmap(dc, width, height));
  if (!bitmap) return false;
  HGDIOBJ original = ::SelectObject(memory.get(), bitmap.get());
  if (!original || original == HGDI_ERROR) return false;
  dc_ = std::move(memory);
  bitmap_ = std::move(bitmap);
  original_ = original;
  size_ = SIZE{width, height};
  return true;
}

void BackBuffer::Reset() {
  if (dc_ && original_) ::SelectObject(dc_.get(), original_);
  original_ = nullptr;
  dc_.reset();
  bitmap_.reset();
  size_ = SIZE{0, 0};
}

}  // namespace SkinUI
