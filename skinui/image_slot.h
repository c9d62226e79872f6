// ImageSlot: one image attribute of a control ("bkimage", "normalimage", ...). It keeps the
// description as written and, after the first draw, what was read from it and the image it
// names, so a description is parsed and its image loaded once.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/image_info.h"

namespace SkinUI {

struct ImageSlot {
  std::wstring description;          // the attribute value as written
  std::wstring name;                 // image name: the whole description unless a key names it
  std::wstring resourceType;         // "restype"
  std::wstring useType;              // the type the image is loaded with: empty (a file), restype, "*COLOR*"
  const ImageInfo* image = nullptr;  // owned by the window's or the process's image table
  bool tried = false;                // set at the first load attempt; a failed load is not retried
  RECT dest = {0, 0, 0, 0};          // relative to the control; all zero = the whole control
  RECT source = {0, 0, 0, 0};        // in the image; all zero = the whole image
  RECT corner = {0, 0, 0, 0};        // nine-slice border widths
  BYTE fade = 255;
  bool hole = false;
  bool xTiled = false;
  bool yTiled = false;
  bool hsl = false;
  DWORD mask = 0;

  // Forgets everything read from the description (the description itself stays).
  void Reset() {
    const std::wstring kept = std::move(description);
    *this = ImageSlot();
    description = kept;
  }

  // A new description starts over; the same description again keeps a loaded image but lets a
  // slot whose load failed try once more. True when the slot changed.
  bool SetDescription(const std::wstring& text) {
    if (text == description && image) return false;
    *this = ImageSlot();
    description = text;
    return true;
  }

  bool IsEmpty() const { return description.empty(); }
};

}  // namespace SkinUI
