// The installer executable itself: a GUI program with its manifest, and the settings
// it takes at start-up from the INI file beside it and from its command line.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/app/installer_window_run.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tools/logview/debug_capture.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::ReadFileBytes;
using TestSupport::TempFolder;

std::wstring InstallerPath() { return TestSupport::BuildTreePath("app/DravixInstaller.exe"); }

// The product is the 32-bit build; on machines that cannot run 32-bit code the tests run a
// 64-bit build of the same sources, whose executable must then be 64-bit.
TEST(InstallerExecutable, IsAGuiProgramOfTheBuildsArchitecture) {
#ifdef _WIN64
  const WORD machine = IMAGE_FILE_MACHINE_AMD64, magic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#else
  const WORD machine = IMAGE_FILE_MACHINE_I386, magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
#endif
  const std::string image = ReadFileBytes(InstallerPath());
  ASSERT_GT(image.size(), 0x200u);
  ASSERT_EQ("MZ", image.substr(0, 2));
  const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  ASSERT_LT(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS), image.size());
  const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
  EXPECT_EQ(IMAGE_NT_SIGNATURE, nt->Signature);
  EXPECT_EQ(machine, nt->FileHeader.Machine);
  EXPECT_EQ(magic, nt->OptionalHeader.Magic);
  EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
}

TEST(InstallerExecutable, CarriesTheManifest) {
  Utils::UniqueModule module(::LoadLibraryExW(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  HRSRC resource = ::FindResourceW(module.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(nullptr, resource);
  HGLOBAL loaded = ::LoadResource(module.get(), resource);
  ASSERT_NE(nullptr, loaded);
  const std::string manifest(static_cast<const char*>(::LockResource(loaded)),
                             ::SizeofResource(module.get(), resource));

  EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
  EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
  for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_NE(std::string::npos, manifest.find(os)) << os;
  }
}

// Runs a copy of the installer from its own folder, so that an INI file can sit beside it,
// and returns the settings line it logs at start-up.
class InstallerStartup : public TestSupport::SandboxTest {
 protected:
  std::wstring Copy() const { return Sandbox().File(L"DravixInstaller.exe"); }
  void SetUp() override {
    SandboxTest::SetUp();
    ASSERT_TRUE(::CopyFileW(InstallerPath().c_str(), Copy().c_str(), FALSE));
  }
  // The installer opens its window once the settings are read; closing it ends the run with 0.
  std::wstring SettingsLine(const std::wstring& arguments) {
    bool windowSeen = false;
    const DebugCaptureResult run = AppTests::RunAndCloseTheWindow(L"\"" + Copy() + L"\" " + arguments, &windowSeen);
    EXPECT_TRUE(windowSeen) << "the main window never opened";
    EXPECT_TRUE(run.started);
    EXPECT_EQ(0u, run.exitCode);
    for (const std::wstring& line : run.lines) {
      if (line.find(L"DownloadUrl=") != std::wstring::npos) return line;
    }
    ADD_FAILURE() << "no settings line";
    return L"";
  }
  void WriteIni(const std::string& text) {
    ASSERT_TRUE(TestSupport::WriteFileBytes(Sandbox().File(L"VeltoInstallerConfig.ini"), text));
  }
};

TEST_F(InstallerStartup, UsesBuiltInDefaultsWithoutIniOrOptions) {
  const std::wstring line = SettingsLine(L"");
  EXPECT_NE(std::wstring::npos, line.find(L"/redirect/ver1/zarneldravix/download_silent/1.0/installer/123456 "));
  EXPECT_NE(std::wstring::npos, line.find(L"DownloadType=1 DownloadScale=0.700 IsCheckNet=0 InsNew=0 Language=-1"));
}

TEST_F(InstallerStartup, IniBesideTheProgramAppliesWithItsOwnDefaults) {
  WriteIni("[Install]\r\nDownloadType=3\r\n");
  const std::wstring line = SettingsLine(L"");
  EXPECT_NE(std::wstring::npos, line.find(L"/download_silent/1.0/installer/123456 "));
  EXPECT_NE(std::wstring::npos, line.find(L"DownloadType=3 DownloadScale=0.700 IsCheckNet=1 "));
}

TEST_F(InstallerStartup, CommandLineBeatsTheIni) {
  WriteIni("[Install]\r\nDownloadType=3\r\nDownloadScale=0.5\r\nDownloadUrl=http://ini.example/${ROUTE}/x\r\n");
  const std::wstring line =
      SettingsLine(L"-downloadtype=2 -downloadurl=http://cmd.example/${ROUTE}/${ROUTE} -ischecknet=false -insnew=true");
  EXPECT_NE(std::wstring::npos, line.find(L"DownloadUrl=http://cmd.example/download_silent/download_silent "));
  EXPECT_NE(std::wstring::npos, line.find(L"DownloadType=2 DownloadScale=0.500 IsCheckNet=0 InsNew=1 "));
}

}  // namespace
