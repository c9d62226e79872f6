// The committed pictures are what the committed generator draws: a fresh run of the script into
// a temporary folder gives the same images, pixel for pixel, and the same icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/skin/skin_package.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace SkinTests {
namespace {

// Wine starts a host program given by its Z: path but does not hand back its exit code, so the
// shell leaves a marker file for the outcome.
bool RunGenerator(const TestSupport::TempFolder& output, std::string* error) {
  const std::string folder = TestSupport::UnixPathFromWindows(output.Path());
  const std::string script = std::string(DRAVIX_SOURCE_DIR_UNIX) + "/skin/generate_artwork.py";
  const std::string shell = "/usr/bin/python3 '" + script + "' --output '" + folder + "' 2>'" + folder +
                            "/log' && touch '" + folder + "/done' || touch '" + folder + "/failed'";
  std::wstring line = Utils::MultiByteToWide("Z:\\bin\\sh -c \"" + shell + "\"", CP_UTF8);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    *error = "cannot start the generator";
    return false;
  }
  Utils::UniqueHandle process(info.hProcess);
  Utils::UniqueHandle thread(info.hThread);
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < 300000) {
    if (TestSupport::FileExists(output.File(L"done"))) return true;
    if (TestSupport::FileExists(output.File(L"failed"))) {
      *error = TestSupport::ReadFileBytes(output.File(L"log"));
      return false;
    }
    ::Sleep(50);
  }
  *error = "the generator did not finish";
  return false;
}

struct IconEntry {
  int size;
  std::string bytes;
};

std::vector<IconEntry> IconEntries(const std::string& ico) {
  std::vector<IconEntry> entries;
  if (ico.size() < 6) return entries;
  WORD count = 0;
  std::memcpy(&count, ico.data() + 4, 2);
  for (WORD i = 0; i < count && 6 + (i + 1) * 16u <= ico.size(); ++i) {
    const char* entry = ico.data() + 6 + i * 16;
    DWORD size = 0, offset = 0;
    std::memcpy(&size, entry + 8, 4);
    std::memcpy(&offset, entry + 12, 4);
    const int width = static_cast<unsigned char>(entry[0]);
    entries.push_back({width ? width : 256, offset + size <= ico.size() ? ico.substr(offset, size) : std::string()});
  }
  return entries;
}

// Images compare by their pixels, so that another build of the compressor cannot fail the test.
bool SamePicture(const std::string& a, const std::string& b) {
  if (a.compare(0, 4, "\x89PNG") != 0 || b.compare(0, 4, "\x89PNG") != 0) return a == b;
  Pixels pa, pb;
  return DecodeImage(a, &pa) && DecodeImage(b, &pb) && pa.width == pb.width && pa.height == pb.height &&
         pa.rgba == pb.rgba;
}

// The pictures skin/handmade.txt lists ("res/..."): a designer's, not the generator's.
std::set<std::string> HandmadePictures() {
  std::set<std::string> names;
  std::istringstream list(TestSupport::ReadFileBytes(TestSupport::SourceTreePath("skin/handmade.txt")));
  for (std::string line; std::getline(list, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty() && line[0] != '#') names.insert(line);
  }
  return names;
}

TEST(ArtworkGenerator, HandmadePicturesAreShipped) {
  const auto committed = SourceSkinFiles();
  for (const std::string& name : HandmadePictures()) {
    EXPECT_EQ(0u, name.rfind("res/", 0)) << name << " is not below res/";
    EXPECT_EQ(1u, committed.count(name)) << name << " is listed as hand-made but not in the skin";
  }
}

TEST(ArtworkGenerator, RedrawsTheCommittedPicturesExactly) {
  TestSupport::TempFolder output;
  std::string error;
  ASSERT_TRUE(RunGenerator(output, &error)) << error;

  const auto drawn = FilesBelow(output.Path() + L"\\res", "res/");
  auto committed = SourceSkinFiles();
  const std::set<std::string> handmade = HandmadePictures();
  for (auto it = committed.begin(); it != committed.end();) {
    it = it->first.rfind("res/", 0) == 0 && handmade.count(it->first) == 0 ? std::next(it) : committed.erase(it);
  }
  ASSERT_FALSE(drawn.empty());
  for (const auto& file : committed) {
    const auto fresh = drawn.find(file.first);
    if (fresh == drawn.end()) {
      ADD_FAILURE() << file.first << " is committed but not drawn";
    } else {
      EXPECT_TRUE(SamePicture(file.second, fresh->second)) << file.first << " differs from a fresh drawing";
    }
  }
  for (const auto& file : drawn) EXPECT_EQ(1u, committed.count(file.first)) << file.first << " is not committed";

  const auto freshIcon = IconEntries(TestSupport::ReadFileBytes(output.File(L"product.ico")));
  const auto icon = IconEntries(TestSupport::ReadFileBytes(TestSupport::SourceTreePath("app/product.ico")));
  ASSERT_EQ(icon.size(), freshIcon.size());
  for (size_t i = 0; i < icon.size(); ++i) {
    EXPECT_EQ(icon[i].size, freshIcon[i].size);
    EXPECT_TRUE(SamePicture(icon[i].bytes, freshIcon[i].bytes)) << "icon image " << icon[i].size;
  }
}

}  // namespace
}  // namespace SkinTests
