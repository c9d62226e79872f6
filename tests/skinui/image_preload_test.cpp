// Decoding many skin images on two threads: the bitmaps equal those of the one-by-one path, each
// slot keeps its name's place, failures stay empty among good images, and the window's tables
// keep what they already hold.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "skinui/draw_engine.h"
#include "skinui/image_preload.h"
#include "skinui/window_manager.h"
#include "tests/skinui/test_skin.h"
#include "tests/support/sandbox.h"

namespace {

using SkinUI::CWindowManagerUI;
using SkinUI::ImageInfo;

std::string Be32(uint32_t v) {
  return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
}

std::string Chunk(const std::string& kind, const std::string& data) {
  const std::string body = kind + data;
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  return Be32(static_cast<uint32_t>(data.size())) + body + Be32(static_cast<uint32_t>(crc));
}

// A PNG of random bytes behind random row filters (all five kinds): any such data is a valid
// image, and it exercises every filter and premultiplication with every alpha value.
std::string RandomPng(std::mt19937& random, uint32_t width, uint32_t height, bool withAlpha) {
  const uint32_t stride = width * (withAlpha ? 4 : 3);
  std::string rows;
  for (uint32_t y = 0; y < height; ++y) {
    rows += static_cast<char>(random() % 5);
    for (uint32_t x = 0; x < stride; ++x) rows += static_cast<char>(random() % 7 == 0 ? random() : 0);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
           static_cast<uLong>(rows.size()));
  packed.resize(packedSize);
  const std::string header =
      Be32(width) + Be32(height) + std::string(withAlpha ? "\x08\x06" : "\x08\x02", 2) + std::string("\x00\x00\x00", 3);
  return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", packed) + Chunk("IEND", "");
}

void ExpectSameImage(const ImageInfo& expected, const ImageInfo& actual, const std::wstring& name) {
  SCOPED_TRACE(std::string(name.begin(), name.end()));
  ASSERT_EQ(expected.width, actual.width);
  ASSERT_EQ(expected.height, actual.height);
  EXPECT_EQ(expected.hasAlpha, actual.hasAlpha);
  EXPECT_EQ(expected.mask, actual.mask);
  EXPECT_EQ(expected.resourceType, actual.resourceType);
  EXPECT_TRUE(actual.bitmap);
  EXPECT_EQ(0, std::memcmp(expected.bits, actual.bits, static_cast<size_t>(expected.width) * expected.height * 4));
}

class ImagePreloadTest : public SkinTest::SkinFixture {
 protected:
  // Many images of different sizes as plain files (found by their own path), written once.
  std::vector<std::wstring> WriteRandomImages(int count) {
    std::mt19937 random(20261209);
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) {
      const uint32_t width = 1 + random() % (i % 5 == 0 ? 320 : 48);
      const uint32_t height = 1 + random() % (i % 5 == 0 ? 200 : 48);
      names.push_back(folder_.File(L"image" + std::to_wstring(i) + L".png"));
      EXPECT_TRUE(TestSupport::WriteFileBytes(names.back(), RandomPng(random, width, height, i % 3 != 0)));
    }
    return names;
  }

  TestSupport::TempFolder folder_;
};

TEST_F(ImagePreloadTest, GivesTheBitmapsOfTheOneByOnePath) {
  SkinTest::UseArchiveFromMemory();
  std::vector<std::wstring> names = WriteRandomImages(48);
  for (const wchar_t* name :
       {L"res\\common\\pixels.png", L"res/common/opaque.png", L"Res\\MainWnd\\Bg1.png", L"res\\中文\\图标.png"})
    names.push_back(name);

  CWindowManagerUI preloaded;
  EXPECT_EQ(names.size(), preloaded.PreloadImages(names));
  CWindowManagerUI serial;
  for (const std::wstring& name : names) {
    const ImageInfo* expected = serial.FindOrLoadImage(name.c_str(), nullptr, 0);
    ASSERT_TRUE(expected) << std::string(name.begin(), name.end());
    const ImageInfo* actual = preloaded.FindImage(name.c_str());
    ASSERT_TRUE(actual) << std::string(name.begin(), name.end());
    ExpectSameImage(*expected, *actual, name);
  }
}

TEST_F(ImagePreloadTest, FailedImagesLeaveEmptySlotsInTheirPlaces) {
  SkinTest::UseArchiveFromMemory();
  std::vector<std::wstring> good = WriteRandomImages(12);
  std::string damaged = TestSupport::ReadFileBytes(good[0]);
  damaged.resize(damaged.size() / 2);
  const std::wstring truncated = folder_.File(L"truncated.png");
  ASSERT_TRUE(TestSupport::WriteFileBytes(truncated, damaged));
  const std::wstring notAnImage = folder_.File(L"text.png");
  ASSERT_TRUE(TestSupport::WriteFileBytes(notAnImage, "not a picture at all"));

  // Bad entries between, before and after the good ones; the largest good file comes late, so
  // that the order of decoding differs from the order of the names.
  const std::vector<std::wstring> names = {
      truncated, good[1], L"res\\missing.png", good[2], L"res\\empty.xml", good[3], L"", notAnImage,
      good[4],   good[0], L"res/big/over.xml"};
  const std::vector<bool> decodes = {false, true, false, true, false, true, false, false, true, true, false};
  std::vector<std::unique_ptr<ImageInfo>> images = SkinUI::DecodeSkinImages(names, 0);
  ASSERT_EQ(names.size(), images.size());
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(decodes[i], images[i] != nullptr);
    if (!images[i]) continue;
    auto expected = SkinUI::CDrawEngine::LoadSkinImage(names[i].c_str(), nullptr, 0);
    ASSERT_TRUE(expected);
    ExpectSameImage(*expected, *images[i], names[i]);
  }

  CWindowManagerUI manager;
  EXPECT_EQ(5u, manager.PreloadImages(names));
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(decodes[i], manager.FindImage(names[i].c_str()) != nullptr) << i;
}

TEST_F(ImagePreloadTest, KeepsImagesTheTablesHoldAndEntersRepeatedNamesOnce) {
  SkinTest::UseArchiveFromMemory();
  CWindowManagerUI manager;
  const ImageInfo* own = manager.FindOrLoadImage(L"res\\common\\pixels.png", nullptr, 0);
  const ImageInfo* shared = manager.RegisterImage(L"res\\common\\opaque.png", nullptr, 0, true);
  ASSERT_TRUE(own && shared);

  const std::vector<std::wstring> names = {L"res\\common\\pixels.png", L"res\\common\\opaque.png",
                                           L"Res\\MainWnd\\Bg1.png", L"Res\\MainWnd\\Bg1.png"};
  EXPECT_EQ(1u, manager.PreloadImages(names));
  EXPECT_EQ(own, manager.FindImage(L"res\\common\\pixels.png"));
  EXPECT_EQ(shared, manager.FindImage(L"res\\common\\opaque.png"));
  const ImageInfo* background = manager.FindImage(L"Res\\MainWnd\\Bg1.png");
  ASSERT_TRUE(background);
  EXPECT_EQ(3, background->width);
  // A second preload finds everything in place and changes nothing.
  EXPECT_EQ(0u, manager.PreloadImages(names));
  EXPECT_EQ(background, manager.FindImage(L"Res\\MainWnd\\Bg1.png"));

  // The shared image stays shared: another window finds it without loading.
  CWindowManagerUI other;
  EXPECT_EQ(shared, other.FindImage(L"res\\common\\opaque.png"));
  EXPECT_EQ(nullptr, other.FindImage(L"Res\\MainWnd\\Bg1.png"));
}

TEST_F(ImagePreloadTest, TheMaskClearsItsColourInEveryImage) {
  SkinTest::UseArchiveFromMemory();
  // pixels.png holds the opaque pixel red 10, green 20, blue 30; opaque.png does not.
  const DWORD mask = 0xFF0A141E;
  std::vector<std::unique_ptr<ImageInfo>> images =
      SkinUI::DecodeSkinImages({L"res\\common\\opaque.png", L"res\\common\\pixels.png"}, mask);
  ASSERT_EQ(2u, images.size());
  ASSERT_TRUE(images[0] && images[1]);
  EXPECT_FALSE(images[0]->hasAlpha);
  EXPECT_EQ(mask, images[1]->mask);
  const unsigned char* cleared = images[1]->bits + 2 * 4;
  EXPECT_EQ(0, cleared[0] | cleared[1] | cleared[2] | cleared[3]);
  const unsigned char* kept = images[1]->bits + 3 * 4;
  EXPECT_EQ(50, kept[0]);
  EXPECT_EQ(255, kept[3]);
}

TEST_F(ImagePreloadTest, AnEmptyListDecodesNothing) {
  SkinTest::UseArchiveFromMemory();
  EXPECT_TRUE(SkinUI::DecodeSkinImages({}, 0).empty());
  CWindowManagerUI manager;
  EXPECT_EQ(0u, manager.PreloadImages({}));
}

}  // namespace
