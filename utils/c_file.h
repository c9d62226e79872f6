// Owner of a C library stream: fclose runs once, by the last holder.
#pragma once

#include <cstdio>

#include "utils/unique_resource.h"

namespace Utils {

struct CFileTraits {  // fopen, _wfopen
  static FILE* Invalid() noexcept { return nullptr; }
  static void Close(FILE* file) noexcept { std::fclose(file); }
};

using UniqueCFile = UniqueResource<FILE*, CFileTraits>;

}  // namespace Utils
