// The progress page's numbers and words, and the installation folder rules, as tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/install_dirs.h"
#include "ui/progress_text.h"

namespace {

TEST(ProgressRules, DownloadPercentIsTheScaledFractionTruncated) {
  struct Case {
    double fraction, scale;
    int percent;
  };
  const Case cases[] = {{0.5, 0.7, 35}, {1.0, 0.7, 70}, {0.0, 0.7, 0}, {0.999, 1.0, 99}, {1.0, 1.0, 100},
                        {0.5, 0.5, 25}, {0.7, 0.0, 0},  {0.4, 0.7, 27}};  // 27.999… in double precision, truncated
  for (const Case& c : cases)
    EXPECT_EQ(c.percent, ProgressText::DownloadPercent(c.fraction, c.scale)) << c.fraction << " x " << c.scale;
}

TEST(ProgressRules, InstallationLinesMoveTheBarInSteadySteps) {
  struct Case {
    double scale;
    std::vector<double> reported;
    std::vector<int> shown;
  };
  const Case cases[] = {
      {0.7, {0, 0, 0, 0, 0, 0, 0, 0, 0}, {74, 78, 83, 88, 92, 97, 98, 98, 98}},
      {0.7, {1.0}, {100}},
      {0.7, {0, 0.5, 0.5}, {74, 85, 89}},  // jumps ahead to what the package reports
      {0.5, {0, 0}, {57, 65}},
      {1.0, {0.3, 1.0}, {100, 100}},
  };
  for (const Case& c : cases) {
    double share = 0;
    std::vector<int> shown;
    for (double reported : c.reported) {
      share = ProgressText::NextInstallFraction(share, reported);
      shown.push_back(ProgressText::InstallPercent(share, c.scale));
    }
    EXPECT_EQ(c.shown, shown) << "scale " << c.scale;
  }
}

TEST(ProgressRules, TextFormats) {
  struct Case {
    std::wstring skinFormat;
    double elapsed;
    int percent;
    std::wstring text;
  };
  const Case cases[] = {
      {L"", 0, 35, L"正在安装中:35%，请稍候..."},
      {L"", 60.0, 35, L"正在安装中:35%，请稍候..."},
      {L"", 60.5, 35, L"正在安装中:35%，请耐心等待..."},
      {L"%d", 90, 7, L"7"},
      {L"已完成%d%%", 0, 50, L"已完成50%"},
      {L"[%3d]", 0, 5, L"[  5]"},
      {L"no number", 0, 5, L"no number"},
      // Conversions that would read arguments that are not there fall back to the own wording.
      {L"%s", 0, 12, L"正在安装中:12%，请稍候..."},
      {L"%d of %d", 0, 12, L"正在安装中:12%，请稍候..."},
      {L"%n", 0, 12, L"正在安装中:12%，请稍候..."},
      {L"%9999d", 0, 12, L"正在安装中:12%，请稍候..."},
      {L"%", 0, 12, L"正在安装中:12%，请稍候..."},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.text, ProgressText::Format(c.skinFormat, c.elapsed, c.percent)) << c.skinFormat << " " << c.elapsed;
}

TEST(ProgressRules, TextIsCutToItsCapacity) {
  const std::wstring longFormat(400, L'x');
  const std::wstring text = ProgressText::Format(longFormat + L"%d", 0, 1);
  EXPECT_EQ(ProgressText::kTextCapacity - 1, text.size());
  EXPECT_EQ(std::wstring(249, L'x'), text);
}

TEST(InstallFolders, JoinAddsOneBackslash) {
  EXPECT_EQ(L"D:\\ZarnelDravix", InstallDirs::Join(L"D:\\", L"ZarnelDravix"));
  EXPECT_EQ(L"C:\\a\\ZarnelDravix", InstallDirs::Join(L"C:\\a", L"ZarnelDravix"));
  EXPECT_EQ(L"C:\\a\\velto\\ZarnelDravix", InstallDirs::Join(InstallDirs::Join(L"C:\\a", L"velto"), L"ZarnelDravix"));
}

TEST(InstallFolders, SameFolderOnlyForTwoSpellingsOfOneFolder) {
  struct Case {
    const wchar_t* from;
    const wchar_t* to;
    bool same;
  };
  const Case cases[] = {
      {L"C:\\Program Files\\ZarnelDravix", L"C:\\Program Files\\ZarnelDravix", true},
      {L"C:\\Program Files\\ZarnelDravix", L"c:\\program files\\zarneldravix", true},
      {L"C:\\Program Files\\ZarnelDravix", L"C:\\Program Files\\ZarnelDravix\\", false},  // ".\\"
      {L"C:\\Program Files\\ZarnelDravix", L"C:\\Program Files\\ZarnelDravix\\sub", false},
      {L"C:\\Program Files\\ZarnelDravix", L"C:\\Program Files", false},
      {L"C:\\Program Files\\ZarnelDravix", L"D:\\Program Files\\ZarnelDravix", false},
      {L"", L"C:\\x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.same, InstallDirs::IsSameFolder(c.from, c.to)) << c.from << " -> " << c.to;
}

TEST(InstallFolders, DrivePartAndRoom) {
  EXPECT_EQ(L"C:", InstallDirs::DrivePart(L"C:\\a\\b"));
  EXPECT_EQ(L"Q:", InstallDirs::DrivePart(L"Q:\\" + std::wstring(300, L'a')));
  EXPECT_EQ(L"", InstallDirs::DrivePart(L"\\\\server\\share\\x"));
  EXPECT_EQ(L"", InstallDirs::DrivePart(L"relative\\x"));
  EXPECT_TRUE(InstallDirs::HasRoomFor(1073741824ULL));
  EXPECT_FALSE(InstallDirs::HasRoomFor(1073741823ULL));
  EXPECT_FALSE(InstallDirs::HasRoomFor(0));
  EXPECT_TRUE(InstallDirs::HasRoomFor(5ULL << 40));
  EXPECT_GT(InstallDirs::FreeBytesOnDrive(L"C:\\anything"), 0ULL);
  EXPECT_EQ(0ULL, InstallDirs::FreeBytesOnDrive(L"relative\\x")) << "no drive: the query fails, no room";
}

TEST(InstallFolders, ProposedFolder) {
  wchar_t appData[MAX_PATH] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH), 0u);
  const std::wstring viaAppData = InstallDirs::Join(InstallDirs::Join(appData, L"velto"), L"ZarnelDravix");
  const std::wstring other = InstallDirs::Proposed(L"", L"", true, false);
  EXPECT_EQ(viaAppData, InstallDirs::Proposed(L"", L"", true, true));
  EXPECT_NE(viaAppData, other);
  EXPECT_EQ(InstallDirs::Proposed(L"", L"", false, true), other);
  EXPECT_NE(std::wstring::npos, other.find(L"Program Files")) << other;
  EXPECT_EQ(L"\\ZarnelDravix", other.substr(other.size() - 13));
  // A registered installation counts only while its uninstaller exists.
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  EXPECT_EQ(L"C:\\Old", InstallDirs::Proposed(L"C:\\Old", self, false, false));
  EXPECT_EQ(other, InstallDirs::Proposed(L"C:\\Old", L"C:\\Old\\uninst.ep", false, false));
}

}  // namespace
