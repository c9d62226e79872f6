// The installer executable carries its skin as the one "ZIPRES" resource 147 and its icon as
// icon group 145.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/skin/skin_package.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/unique_resource.h"

namespace SkinTests {
namespace {

struct IconTraits {  // CreateIconFromResourceEx
  static HICON Invalid() noexcept { return nullptr; }
  static void Close(HICON icon) noexcept { ::DestroyIcon(icon); }
};
using UniqueIcon = Utils::UniqueResource<HICON, IconTraits>;

TEST(EmbeddedSkin, IsTheArchiveTheBuildPacked) {
  const std::string resource = InstallerResource(L"ZIPRES", MAKEINTRESOURCEW(kSkinArchiveId));
  ASSERT_FALSE(resource.empty()) << "no ZIPRES 147 in the installer";
  EXPECT_EQ(std::string("7z\xBC\xAF\x27\x1C", 6), resource.substr(0, 6));
  EXPECT_EQ('\0', resource[6]) << "major format version";
  EXPECT_EQ(TestSupport::ReadFileBytes(TestSupport::BuildTreePath("skin/dravix_skin.7z")), resource);
  // The whole skin is decompressed into memory at start-up; keep the download small as well.
  EXPECT_LT(resource.size(), 2u * 1024 * 1024);
}

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(
      IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name));
  return TRUE;
}

TEST(EmbeddedSkin, IsTheOnlyArchiveResource) {
  Utils::UniqueModule module(::LoadLibraryExW(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  std::vector<std::wstring> names;
  ::EnumResourceNamesW(module.get(), L"ZIPRES", CollectName, reinterpret_cast<LONG_PTR>(&names));
  EXPECT_EQ(std::vector<std::wstring>{L"#147"}, names);
}

#pragma pack(push, 2)
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

struct IconImage {
  int size;
  WORD bitCount;
  std::string bytes;
};

std::vector<IconImage> IconImages(const std::string& group) {
  std::vector<IconImage> images;
  GroupIconHeader header;
  std::memcpy(&header, group.data(), sizeof(header));
  for (WORD i = 0; i < header.count; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, group.data() + sizeof(header) + i * sizeof(entry), sizeof(entry));
    images.push_back(
        {entry.width ? entry.width : 256, entry.bitCount, InstallerResource(RT_ICON, MAKEINTRESOURCEW(entry.id))});
  }
  return images;
}

TEST(ProductIcon, GroupHoldsEverySizeFrom16To256In32Bits) {
  const std::string group = InstallerResource(RT_GROUP_ICON, MAKEINTRESOURCEW(kProductIconId));
  ASSERT_GE(group.size(), sizeof(GroupIconHeader));
  GroupIconHeader header;
  std::memcpy(&header, group.data(), sizeof(header));
  EXPECT_EQ(1, header.type);
  ASSERT_EQ(sizeof(header) + header.count * sizeof(GroupIconEntry), group.size());

  std::set<int> sizes;
  for (const IconImage& image : IconImages(group)) {
    sizes.insert(image.size);
    EXPECT_EQ(32, image.bitCount) << image.size;
    ASSERT_GT(image.bytes.size(), 40u) << "RT_ICON of size " << image.size << " missing";
    if (image.bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
      EXPECT_GT(image.size, 64) << "small icons are bitmaps, for systems that cannot read PNG icons";
      continue;
    }
    BITMAPINFOHEADER info;
    std::memcpy(&info, image.bytes.data(), sizeof(info));
    EXPECT_EQ(40u, info.biSize);
    EXPECT_EQ(image.size, info.biWidth);
    EXPECT_EQ(image.size * 2, info.biHeight) << "colour and mask";
    EXPECT_EQ(32, info.biBitCount);
    const size_t maskRow = ((image.size + 31) / 32) * 4;
    EXPECT_EQ(40u + image.size * image.size * 4 + maskRow * image.size, image.bytes.size());
  }
  EXPECT_EQ((std::set<int>{16, 20, 24, 32, 40, 48, 64, 128, 256}), sizes);
}

// The system picks the icon for the window's title bar and task bar by size; each of those sizes
// has its own drawing, and each decodes.
TEST(ProductIcon, SystemFindsAndDecodesAnExactImageForEachWindowSize) {
  const std::string group = InstallerResource(RT_GROUP_ICON, MAKEINTRESOURCEW(kProductIconId));
  ASSERT_FALSE(group.empty());
  for (int size : {16, 24, 32, 48, 256}) {
    const int id = ::LookupIconIdFromDirectoryEx(reinterpret_cast<PBYTE>(const_cast<char*>(group.data())), TRUE, size,
                                                 size, LR_DEFAULTCOLOR);
    ASSERT_NE(0, id) << size;
    std::string image = InstallerResource(RT_ICON, MAKEINTRESOURCEW(id));
    UniqueIcon icon(::CreateIconFromResourceEx(reinterpret_cast<PBYTE>(&image[0]), static_cast<DWORD>(image.size()),
                                               TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR));
    EXPECT_TRUE(icon) << size;
    for (const IconImage& candidate : IconImages(group)) {
      if (candidate.bytes == image) {
        EXPECT_EQ(size, candidate.size);
      }
    }
  }
}

}  // namespace
}  // namespace SkinTests
