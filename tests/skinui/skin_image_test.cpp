// Skin images: decoding into premultiplied bitmaps, the mask, colour and resource images,
// damaged files, and the window and shared image tables.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "skinui/draw_engine.h"
#include "skinui/window_manager.h"
#include "tests/skinui/test_skin.h"
#include "tests/support/paths.h"
#include "utils/gdi_objects.h"

namespace {

using SkinUI::CDrawEngine;
using SkinUI::CWindowManagerUI;
using SkinUI::ImageInfo;

using Pixel = std::array<int, 4>;  // blue, green, red, alpha as stored

Pixel PixelAt(const ImageInfo& image, int x, int y) {
  const unsigned char* p = image.bits + (static_cast<size_t>(y) * image.width + x) * 4;
  return Pixel{p[0], p[1], p[2], p[3]};
}

// A PNG with 8-bit RGBA pixels, built here so that damaged variants can be made from it.
std::string MakePng(uint32_t width, uint32_t height, const std::string& rgbaRows) {
  auto be32 = [](uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
  };
  auto chunk = [&](const std::string& kind, const std::string& data) {
    const std::string body = kind + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return be32(static_cast<uint32_t>(data.size())) + body + be32(static_cast<uint32_t>(crc));
  };
  std::string header = be32(width) + be32(height) + std::string("\x08\x06\x00\x00\x00", 5);
  uLongf packedSize = compressBound(static_cast<uLong>(rgbaRows.size()));
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(rgbaRows.data()),
           static_cast<uLong>(rgbaRows.size()));
  packed.resize(packedSize);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed) + chunk("IEND", "");
}

std::unique_ptr<ImageInfo> Decode(const std::string& bytes, DWORD mask = 0) {
  return CDrawEngine::DecodeImage(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), mask);
}

class SkinImageTest : public SkinTest::SkinFixture {};

TEST_F(SkinImageTest, PixelsArePremultipliedTopDownBgra) {
  SkinTest::UseArchiveFromMemory();
  auto image = CDrawEngine::LoadSkinImage(L"res\\common\\pixels.png", nullptr, 0);
  ASSERT_TRUE(image);
  EXPECT_EQ(5, image->width);
  EXPECT_EQ(1, image->height);
  EXPECT_TRUE(image->hasAlpha);
  EXPECT_EQ(L"", image->resourceType);
  EXPECT_EQ((Pixel{0, 0, 128, 128}), PixelAt(*image, 0, 0)) << "half-transparent red";
  EXPECT_EQ((Pixel{0, 0, 0, 0}), PixelAt(*image, 1, 0)) << "fully transparent";
  EXPECT_EQ((Pixel{30, 20, 10, 255}), PixelAt(*image, 2, 0)) << "opaque pixels are copied";
  EXPECT_EQ((Pixel{50, 100, 200, 255}), PixelAt(*image, 3, 0));
  EXPECT_EQ((Pixel{1, 1, 1, 1}), PixelAt(*image, 4, 0)) << "255 * 1 / 255";

  DIBSECTION section = {};
  ASSERT_EQ(static_cast<int>(sizeof(section)), ::GetObjectW(image->bitmap.get(), sizeof(section), &section));
  EXPECT_EQ(32, section.dsBmih.biBitCount);
  EXPECT_EQ(image->bits, section.dsBm.bmBits);
}

TEST_F(SkinImageTest, OpaqueImageHasNoAlphaUntilTheMaskClearsAPixel) {
  SkinTest::UseArchiveFromMemory();
  auto plain = CDrawEngine::LoadSkinImage(L"res\\common\\opaque.png", nullptr, 0);
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->hasAlpha);
  EXPECT_EQ((Pixel{3, 2, 1, 255}), PixelAt(*plain, 0, 0));
  EXPECT_EQ((Pixel{12, 11, 10, 255}), PixelAt(*plain, 1, 1)) << "second row";
  // The first row of the pixel memory is the top row of the bitmap.
  Utils::UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  {
    Utils::SelectionGuard selection(dc.get(), plain->bitmap.get());
    ASSERT_TRUE(selection.selected());
    EXPECT_EQ(RGB(1, 2, 3), ::GetPixel(dc.get(), 0, 0));
    EXPECT_EQ(RGB(7, 8, 9), ::GetPixel(dc.get(), 0, 1));
  }

  auto masked = CDrawEngine::LoadSkinImage(L"res\\common\\opaque.png", nullptr, 0xFF010203);
  ASSERT_TRUE(masked);
  EXPECT_TRUE(masked->hasAlpha);
  EXPECT_EQ((Pixel{0, 0, 0, 0}), PixelAt(*masked, 0, 0));
  EXPECT_EQ((Pixel{6, 5, 4, 255}), PixelAt(*masked, 1, 0));

  // The mask compares with the premultiplied value.
  auto pixels = CDrawEngine::LoadSkinImage(L"res\\common\\pixels.png", nullptr, 0x80800000);
  ASSERT_TRUE(pixels);
  EXPECT_EQ((Pixel{0, 0, 0, 0}), PixelAt(*pixels, 0, 0));
  EXPECT_EQ((Pixel{30, 20, 10, 255}), PixelAt(*pixels, 2, 0));
}

TEST_F(SkinImageTest, ColourImagesAreOnePixel) {
  const struct {
    const wchar_t* name;
    Pixel pixel;
    bool hasAlpha;
  } cases[] = {
      {L"#80FF0000", {0, 0, 128, 128}, true},
      {L"FF102030", {0x30, 0x20, 0x10, 255}, false},
      {L"#00000000", {0, 0, 0, 0}, true},
  };
  for (const auto& c : cases) {
    auto image = CDrawEngine::LoadSkinImage(c.name, L"*COLOR*", 0);
    ASSERT_TRUE(image);
    EXPECT_EQ(1, image->width);
    EXPECT_EQ(1, image->height);
    EXPECT_EQ(c.pixel, PixelAt(*image, 0, 0));
    EXPECT_EQ(c.hasAlpha, image->hasAlpha);
  }
  // A colour written without "#" that starts with a digit is still a colour, not a resource id.
  CWindowManagerUI manager;
  const ImageInfo* image = manager.RegisterImage(L"80FF0000", L"*COLOR*", 0, false);
  ASSERT_NE(nullptr, image);
  EXPECT_EQ((Pixel{0, 0, 128, 128}), PixelAt(*image, 0, 0));
  EXPECT_EQ(L"*COLOR*", image->resourceType);
}

TEST_F(SkinImageTest, ResourceImagesByIdAndByName) {
  CWindowManagerUI manager;
  const ImageInfo* byId = manager.RegisterImage(L"7", L"PNG", 0, false);
  ASSERT_NE(nullptr, byId);
  EXPECT_EQ(5, byId->width);
  EXPECT_EQ(L"PNG", byId->resourceType);
  const ImageInfo* byName = manager.RegisterImage(L"OPAQUEIMAGE", L"PNG", 0x12345678, false);
  ASSERT_NE(nullptr, byName);
  EXPECT_EQ(2, byName->width);
  EXPECT_EQ(0x12345678u, byName->mask);
  EXPECT_EQ(nullptr, manager.RegisterImage(L"99", L"PNG", 0, false));
  EXPECT_EQ(nullptr, manager.RegisterImage(L"7", L"NOTYPE", 0, false));
}

TEST_F(SkinImageTest, SkinFilesFromPlainFolderAndAbsolutePaths) {
  SkinTest::UsePlainFolder();
  EXPECT_TRUE(CDrawEngine::LoadSkinImage(L"res\\common\\pixels.png", nullptr, 0));

  // Not in the archive, but an existing file path.
  SkinTest::UseArchiveFromMemory();
  const std::wstring absolute = SkinTest::StagingFolder() + L"\\res\\common\\opaque.png";
  auto image = CDrawEngine::LoadSkinImage(absolute.c_str(), nullptr, 0);
  ASSERT_TRUE(image);
  EXPECT_EQ(2, image->width);
  EXPECT_FALSE(CDrawEngine::LoadSkinImage(L"res\\common\\missing.png", nullptr, 0));
  EXPECT_FALSE(CDrawEngine::LoadSkinImage(L"res\\empty.xml", nullptr, 0)) << "empty file";
  EXPECT_FALSE(CDrawEngine::LoadSkinImage(L"mainWnd.xml", nullptr, 0)) << "not an image";
}

std::string GreyRows(uint32_t width, uint32_t height) {
  std::string rows;
  for (uint32_t y = 0; y < height; ++y) {
    rows += '\0';
    for (uint32_t x = 0; x < width; ++x) rows += std::string{char(x * 40), char(y * 60), char(90), char(200)};
  }
  return rows;
}

TEST(SkinImageDecoding, TruncatedFilesGiveNoImage) {
  const std::string png = MakePng(6, 4, GreyRows(6, 4));
  ASSERT_TRUE(Decode(png));
  for (size_t length = 0; length + 12 < png.size(); ++length)
    EXPECT_FALSE(Decode(png.substr(0, length))) << "prefix of " << length << " bytes";
  for (size_t length = png.size() - 12; length < png.size(); ++length) {
    auto image = Decode(png.substr(0, length));
    if (image) {
      EXPECT_EQ(6, image->width) << "only the end chunk is missing";
    }
  }
}

TEST(SkinImageDecoding, EveryCorruptedByteIsHandled) {
  const std::string png = MakePng(6, 4, GreyRows(6, 4));
  for (size_t i = 0; i < png.size(); ++i) {
    for (int flip : {0xFF, 0x01, 0x80}) {
      std::string damaged = png;
      damaged[i] = static_cast<char>(damaged[i] ^ flip);
      auto image = Decode(damaged);
      if (!image) continue;
      EXPECT_GT(image->width, 0);
      EXPECT_GT(image->height, 0);
      EXPECT_LE(static_cast<long long>(image->width) * image->height, CDrawEngine::kMaxImagePixels);
      EXPECT_NE(nullptr, image->bits);
    }
  }
}

TEST(SkinImageDecoding, ZeroAndHugeDimensionsGiveNoImage) {
  EXPECT_FALSE(Decode(std::string()));
  EXPECT_FALSE(Decode(MakePng(0, 4, std::string(4, '\0'))));
  EXPECT_FALSE(Decode(MakePng(4, 0, std::string())));
  const std::string tinyData = GreyRows(2, 2);
  EXPECT_FALSE(Decode(MakePng(100000, 100000, tinyData)));
  EXPECT_FALSE(Decode(MakePng(5000, 5000, tinyData))) << "above the pixel limit";
  EXPECT_FALSE(Decode(MakePng(4000, 4000, tinyData))) << "within the limit but without the pixels";
  EXPECT_FALSE(Decode(MakePng(0x7FFFFFFF, 1, tinyData)));
}

TEST_F(SkinImageTest, WindowTableThenSharedTable) {
  SkinTest::UseArchiveFromMemory();
  CWindowManagerUI first, second;
  const ImageInfo* loaded = first.FindOrLoadImage(L"res\\common\\pixels.png", nullptr, 0);
  ASSERT_NE(nullptr, loaded);
  EXPECT_EQ(loaded, first.FindOrLoadImage(L"res\\common\\pixels.png", nullptr, 0)) << "decoded once per window";
  const ImageInfo* other = second.FindOrLoadImage(L"res\\common\\pixels.png", nullptr, 0);
  EXPECT_NE(loaded, other) << "each window has its own table";
  EXPECT_NE(loaded, first.FindOrLoadImage(L"res/common/pixels.png", nullptr, 0)) << "the key is the name as written";

  const ImageInfo* shared = first.RegisterImage(L"res\\common\\opaque.png", nullptr, 0, true);
  ASSERT_NE(nullptr, shared);
  EXPECT_EQ(shared, second.FindOrLoadImage(L"res\\common\\opaque.png", nullptr, 0));
  const ImageInfo* own = second.RegisterImage(L"res\\common\\opaque.png", nullptr, 0, false);
  EXPECT_NE(shared, own);
  EXPECT_EQ(own, second.FindOrLoadImage(L"res\\common\\opaque.png", nullptr, 0)) << "the window's table first";
}

TEST_F(SkinImageTest, RegisteringAgainReplacesAndFailuresStoreNothing) {
  SkinTest::UseArchiveFromMemory();
  auto manager = std::make_unique<CWindowManagerUI>();
  const ImageInfo* plain = manager->RegisterImage(L"res\\common\\opaque.png", nullptr, 0, false);
  ASSERT_NE(nullptr, plain);
  HBITMAP replacedBitmap = plain->bitmap.get();
  const ImageInfo* masked = manager->RegisterImage(L"res\\common\\opaque.png", nullptr, 0xFF010203, false);
  ASSERT_NE(nullptr, masked);
  EXPECT_EQ(masked, manager->FindImage(L"res\\common\\opaque.png"));
  EXPECT_EQ(0xFF010203u, masked->mask);
  EXPECT_EQ(0u, ::GetObjectType(replacedBitmap)) << "the replaced image is destroyed";

  EXPECT_EQ(nullptr, manager->RegisterImage(L"", nullptr, 0, false));
  EXPECT_EQ(nullptr, manager->RegisterImage(nullptr, nullptr, 0, false));
  EXPECT_EQ(nullptr, manager->FindOrLoadImage(L"res\\nothing.png", nullptr, 0));
  EXPECT_EQ(nullptr, manager->FindImage(L"res\\nothing.png"));

  HBITMAP owned = masked->bitmap.get();
  EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(owned));
  manager.reset();
  EXPECT_EQ(0u, ::GetObjectType(owned)) << "a window's images go with its manager";
}

}  // namespace
