// Decoding a list of skin images at once, on two threads: the window's layout names most of its
// images up front, and decoding them one by one on first paint keeps one core idle.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "skinui/image_info.h"

namespace SkinUI {

// The skin files named (as LoadSkinImage reads them: the skin source first, then the name as a
// file path) decoded into premultiplied bitmaps, one slot per name and in the same order; a slot
// is null for a file that cannot be read or decoded. The files are read on the calling thread,
// which must be the window thread (the skin source is not locked); the decoding is shared by the
// calling thread and one worker.
std::vector<std::unique_ptr<ImageInfo>> DecodeSkinImages(const std::vector<std::wstring>& names, DWORD mask);

}  // namespace SkinUI
