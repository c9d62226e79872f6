// Where a window's skin comes from; each window declares one kind.
#pragma once

namespace SkinUI {

enum class SkinSource {
  File = 1,         // plain files under the skin folder path
  Zip = 2,          // an archive file named by the window, opened once and kept
  Resource = 3,     // the layout is an "xml" module resource whose id is the skin file name
  ZipResource = 4,  // an archive stored as a "ZIPRES" module resource
};

}  // namespace SkinUI
