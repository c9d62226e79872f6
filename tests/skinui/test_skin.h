// The test skin the build packs (see CMakeLists.txt), and a fixture that gives every test a
// clean process-wide skin source.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace SkinTest {

// The packed test skin archive, and the folder it was packed from (generated files included).
const std::string& ArchiveBytes();
std::wstring ArchivePath();
std::wstring StoredTailArchivePath();
std::wstring StagingFolder();
// A file of the staging folder, by its path inside the skin ("res/common/pixels.png").
std::string StagedFile(const std::string& relative);

// Empties the process-wide skin source, the shared tables and the language strings.
void ResetSkinSource();
// Skin files come from the test archive, opened from memory as a window would.
void UseArchiveFromMemory();
// Skin files are plain files under the staging folder.
void UsePlainFolder();

class SkinFixture : public ::testing::Test {
 protected:
  void SetUp() override { ResetSkinSource(); }
  void TearDown() override { ResetSkinSource(); }
};

}  // namespace SkinTest
