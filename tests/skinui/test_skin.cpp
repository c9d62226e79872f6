#include "tests/skinui/test_skin.h"

#include <windows.h>

#include "skinui/language_strings.h"
#include "skinui/window_manager.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"

namespace SkinTest {

using SkinUI::CWindowManagerUI;

const std::string& ArchiveBytes() {
  static const std::string bytes = TestSupport::ReadFileBytes(ArchivePath());
  return bytes;
}

std::wstring ArchivePath() { return TestSupport::WindowsPathFromUnix(SKINUI_TEST_ARCHIVE_UNIX); }

std::wstring StoredTailArchivePath() { return TestSupport::WindowsPathFromUnix(SKINUI_TAIL_ARCHIVE_UNIX); }

std::wstring StagingFolder() { return TestSupport::WindowsPathFromUnix(SKINUI_TEST_STAGING_UNIX); }

std::string StagedFile(const std::string& relative) {
  return TestSupport::ReadFileBytes(
      TestSupport::WindowsPathFromUnix(std::string(SKINUI_TEST_STAGING_UNIX) + "/" + relative));
}

void ResetSkinSource() {
  CWindowManagerUI::SetModuleInstance(::GetModuleHandleW(nullptr));
  CWindowManagerUI::SetArchiveFormat7z(true);
  CWindowManagerUI::SetSkinArchiveFile(L"", false);
  CWindowManagerUI::SetSkinFolderPath(L"");
  CWindowManagerUI::RemoveAllSharedImages();
  CWindowManagerUI::RemoveAllSharedFonts();
  CWindowManagerUI::RemoveAllSharedDefaultAttributes();
  SkinUI::RemoveAllLanguageStrings();
}

void UseArchiveFromMemory() {
  ResetSkinSource();
  ASSERT_FALSE(ArchiveBytes().empty());
  CWindowManagerUI::SetSkinArchiveFromMemory(ArchiveBytes().data(), ArchiveBytes().size());
  ASSERT_NE(nullptr, CWindowManagerUI::CachedSkinArchive());
}

void UsePlainFolder() {
  ResetSkinSource();
  CWindowManagerUI::SetSkinFolderPath(StagingFolder());
}

}  // namespace SkinTest
