// The shipped pictures are stored the way the installer decodes them fastest: 8-bit RGB or RGBA
// rows that use only the None, Sub and Up filters (a Paeth row costs far more to undo).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <set>
#include <string>

#include "tests/skin/skin_package.h"

namespace SkinTests {
namespace {

uint32_t Be32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

struct PngRows {
  uint32_t width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  std::string filtered;  // the inflated image data: a filter byte before every row
};

// Reads the header and inflates the image data; false, with a reason, for a damaged file.
bool ReadPngRows(const std::string& png, PngRows* rows, std::string* error) {
  if (png.compare(0, 8, std::string("\x89PNG\r\n\x1a\n", 8)) != 0) return *error = "no PNG signature", false;
  std::string packed;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = Be32(png, at);
    const std::string kind = png.substr(at + 4, 4);
    if (at + 12 + length > png.size()) return *error = "chunk " + kind + " runs past the end", false;
    if (kind == "IHDR" && length == 13) {
      rows->width = Be32(png, at + 8);
      rows->height = Be32(png, at + 12);
      rows->bitDepth = static_cast<unsigned char>(png[at + 16]);
      rows->colourType = static_cast<unsigned char>(png[at + 17]);
      rows->interlace = static_cast<unsigned char>(png[at + 20]);
    } else if (kind == "IDAT") {
      packed += png.substr(at + 8, length);
    }
    at += 12 + length;
  }
  const int channels = rows->colourType == 6 ? 4 : rows->colourType == 2 ? 3 : 0;
  if (!channels || rows->bitDepth != 8 || rows->interlace != 0)
    return *error = "not 8-bit RGB(A), non-interlaced", false;
  uLongf size = static_cast<uLongf>((1 + rows->width * channels) * rows->height);
  rows->filtered.assign(size, '\0');
  if (uncompress(reinterpret_cast<Bytef*>(&rows->filtered[0]), &size, reinterpret_cast<const Bytef*>(packed.data()),
                 static_cast<uLong>(packed.size())) != Z_OK ||
      size != rows->filtered.size())
    return *error = "the image data does not inflate to its rows", false;
  return true;
}

TEST(ArtworkEncoding, EveryPictureUsesOnlyCheapRowFilters) {
  const ShippedSkin& skin = Shipped();
  ASSERT_TRUE(skin.error.empty()) << skin.error;
  int pictures = 0;
  for (const auto& file : skin.files) {
    if (file.first.size() < 4 || file.first.compare(file.first.size() - 4, 4, ".png") != 0) continue;
    SCOPED_TRACE(file.first);
    ++pictures;
    PngRows rows;
    std::string error;
    ASSERT_TRUE(ReadPngRows(file.second, &rows, &error)) << error;
    const size_t stride = rows.filtered.size() / rows.height;
    std::set<int> filters;
    for (uint32_t y = 0; y < rows.height; ++y) filters.insert(static_cast<unsigned char>(rows.filtered[y * stride]));
    for (int filter : filters) EXPECT_LE(filter, 2) << "a row uses filter " << filter;
  }
  EXPECT_GT(pictures, 150);
}

}  // namespace
}  // namespace SkinTests
