// One font of a window's (or the process's) font table.
#pragma once

#include <windows.h>

#include <string>

#include "utils/gdi_objects.h"

namespace SkinUI {

struct FontInfo {
  Utils::UniqueFont font;
  std::wstring face;
  int size = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW metrics = {};
  bool hasMetrics = false;  // taken when the window has a device context
};

}  // namespace SkinUI
