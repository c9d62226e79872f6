#include "utils/installer_settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>

#include "build_config.h"
#include "tests/support/paths.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"
#include "utils/windows_version.h"

namespace {

std::wstring UniqueTempPath() {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, folder);
  static int counter = 0;
  return std::wstring(folder) + L"dravix_settings_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
         std::to_wstring(++counter) + L".ini";
}

// An INI file written byte for byte, deleted with the object.
class TempIni {
 public:
  explicit TempIni(const std::string& content) : path_(UniqueTempPath()) {
    Utils::UniqueFileHandle file(
        ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file) << "cannot create " << ::testing::PrintToString(path_);
    DWORD written = 0;
    EXPECT_TRUE(::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    EXPECT_EQ(written, content.size());
  }
  ~TempIni() { ::DeleteFileW(path_.c_str()); }
  TempIni(const TempIni&) = delete;
  TempIni& operator=(const TempIni&) = delete;

  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

// Settings with the built-in defaults only: a path no file exists at.
InstallerSettings DefaultsOnly() { return InstallerSettings(UniqueTempPath()); }

std::wstring ThisMachinesRoute() { return InstallerSettings::RouteFor(GetWindowsVersionName()); }

std::wstring ExpandedTemplate() {
  return std::wstring(DRAVIX_REDIRECT_SERVER) + L"/redirect/ver1/zarneldravix/" + ThisMachinesRoute() +
         L"/1.0/installer/123456";
}

// A command line as the system would hand it over: the program first, in quotes.
std::wstring CommandLine(const std::wstring& options) {
  return L"\"C:\\Program Files\\Dravix Setup\\DravixInstaller.exe\" " + options;
}

TEST(InstallerSettingsTest, BuiltInDefaultsWithoutIniFile) {
  const InstallerSettings settings = DefaultsOnly();
  EXPECT_EQ(settings.DlAppNameSuffix, L".downloader");
  EXPECT_EQ(settings.DlAppVersion, L"");
  EXPECT_EQ(settings.InstCmd, L"");
  EXPECT_EQ(settings.DownloadUrl, ExpandedTemplate());
  EXPECT_EQ(settings.DownloadType, 1);
  EXPECT_FALSE(settings.IsCheckNet);
  EXPECT_TRUE(settings.IsEnableAppSensors);
  EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
  EXPECT_EQ(settings.Language, -1);
  EXPECT_FALSE(settings.InsNew);
}

TEST(InstallerSettingsTest, BuiltInTemplateExpandsToThisMachinesRoute) {
  const std::wstring route = ThisMachinesRoute();
  EXPECT_TRUE(route == L"download_silent" || route == L"download_silent_xp") << ::testing::PrintToString(route);
  EXPECT_EQ(DefaultsOnly().DownloadUrl.find(L"${ROUTE}"), std::wstring::npos);
}

TEST(InstallerSettingsTest, IniWithOnlyDownloadTypeUsesIniDefaultsForTheRest) {
  TempIni ini("[Install]\r\nDownloadType=3\r\n");
  const InstallerSettings settings(ini.Path());
  EXPECT_EQ(settings.DownloadType, 3);
  EXPECT_TRUE(settings.IsCheckNet);  // the INI default differs from the built-in one
  EXPECT_TRUE(settings.IsEnableAppSensors);
  EXPECT_EQ(settings.DownloadUrl, ExpandedTemplate());
  EXPECT_EQ(settings.DlAppNameSuffix, L".downloader");
  EXPECT_EQ(settings.DlAppVersion, L"");
  EXPECT_EQ(settings.InstCmd, L"");
  EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
  EXPECT_EQ(settings.Language, -1);
  EXPECT_FALSE(settings.InsNew);
}

TEST(InstallerSettingsTest, IniWithoutInstallSectionStillAppliesIniDefaults) {
  TempIni ini("[Other]\r\nDownloadType=3\r\nIsCheckNet=false\r\n");
  const InstallerSettings settings(ini.Path());
  EXPECT_EQ(settings.DownloadType, 1);
  EXPECT_TRUE(settings.IsCheckNet);
}

TEST(InstallerSettingsTest, IniValuesForEveryKey) {
  TempIni ini(
      "[Install]\r\n"
      "DownloadUrl=http://127.0.0.1:8080/r/${ROUTE}/x/${ROUTE}\r\n"
      "DownloadType=2\r\n"
      "IsCheckNet=false\r\n"
      "IsEnableAppSensors=false\r\n"
      "DlAppNameSuffix=.dl\r\n"
      "m_DlAppVersion=1.2.3\r\n"
      "DownloadScale=0.25\r\n"
      "InstCmd=/quiet /dir=C:\\x\r\n");
  const InstallerSettings settings(ini.Path());
  const std::wstring route = ThisMachinesRoute();
  EXPECT_EQ(settings.DownloadUrl, L"http://127.0.0.1:8080/r/" + route + L"/x/" + route);
  EXPECT_EQ(settings.DownloadType, 2);
  EXPECT_FALSE(settings.IsCheckNet);
  EXPECT_FALSE(settings.IsEnableAppSensors);
  EXPECT_EQ(settings.DlAppNameSuffix, L".dl");
  EXPECT_EQ(settings.DlAppVersion, L"1.2.3");
  EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.25);
  EXPECT_EQ(settings.InstCmd, L"/quiet /dir=C:\\x");
}

// The sample in the top README, pasted as it stands, must mean what its comments say.
TEST(InstallerSettingsTest, ReadmeIniSampleMeansWhatItSays) {
  std::string readme;
  {
    Utils::UniqueFileHandle file(::CreateFileW(TestSupport::SourceTreePath("README.md").c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) readme.append(buffer, read);
  }
  const size_t start = readme.find("```ini\n");
  ASSERT_NE(start, std::string::npos);
  const size_t end = readme.find("```", start + 7);
  ASSERT_NE(end, std::string::npos);
  std::string sample = readme.substr(start + 7, end - start - 7);
  EXPECT_NE(sample.find("; "), std::string::npos) << "the sample explains its keys";
  for (size_t at = 0; (at = sample.find('\n', at)) != std::string::npos; at += 2) sample.replace(at, 1, "\r\n");
  const TempIni ini(sample);
  const InstallerSettings settings(ini.Path());
  EXPECT_EQ(settings.DownloadUrl,
            L"http://127.0.0.1:8080/redirect/ver1/zarneldravix/" + ThisMachinesRoute() + L"/1.0/installer/123456");
  EXPECT_EQ(settings.DownloadType, 3);
  EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
  EXPECT_TRUE(settings.IsCheckNet);
  EXPECT_TRUE(settings.IsEnableAppSensors);
  EXPECT_EQ(settings.DlAppNameSuffix, L".downloader");
  EXPECT_EQ(settings.DlAppVersion, L"");
  EXPECT_EQ(settings.InstCmd, L"");
}

TEST(InstallerSettingsTest, IniVersionKeyIsSpelledWithPrefix) {
  TempIni ini("[Install]\r\nDlAppVersion=9.9\r\n");
  EXPECT_EQ(InstallerSettings(ini.Path()).DlAppVersion, L"");
}

TEST(InstallerSettingsTest, IniAddressWithoutPlaceholderIsKept) {
  TempIni ini("[Install]\r\nDownloadUrl=http://127.0.0.1/fixed/package.exe\r\n");
  EXPECT_EQ(InstallerSettings(ini.Path()).DownloadUrl, L"http://127.0.0.1/fixed/package.exe");
}

TEST(InstallerSettingsTest, IniValuesLongerThan259CharactersAreCut) {
  const std::string longValue(300, 'a');
  TempIni ini("[Install]\r\nInstCmd=" + longValue + "\r\nm_DlAppVersion=" + std::string(259, 'b') + "\r\n");
  const InstallerSettings settings(ini.Path());
  EXPECT_EQ(settings.InstCmd, std::wstring(259, L'a'));
  EXPECT_EQ(settings.DlAppVersion, std::wstring(259, L'b'));
}

struct IniScaleCase {
  const char* value;
  double expected;
};

class IniDownloadScaleTest : public ::testing::TestWithParam<IniScaleCase> {};

TEST_P(IniDownloadScaleTest, ConvertsLongestNumericPrefix) {
  TempIni ini(std::string("[Install]\r\nDownloadScale=") + GetParam().value + "\r\n");
  EXPECT_DOUBLE_EQ(InstallerSettings(ini.Path()).DownloadScale, GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, IniDownloadScaleTest,
                         ::testing::Values(IniScaleCase{"0.5", 0.5}, IniScaleCase{"abc", 0.0},  // no number at all
                                           IniScaleCase{"0.4xyz", 0.4}, IniScaleCase{"1", 1.0}, IniScaleCase{"0", 0.0},
                                           // outside a fraction: clamped
                                           IniScaleCase{"2.5", 1.0}, IniScaleCase{"-0.5", 0.0},
                                           // out of range or no number: as if the key were missing
                                           IniScaleCase{"1e999", 0.7}, IniScaleCase{"-1e999", 0.7},
                                           IniScaleCase{"nan", 0.7}, IniScaleCase{"inf", 0.7},
                                           // underflow is just zero
                                           IniScaleCase{"1e-999", 0.0}));

struct IniBoolCase {
  const char* value;
  bool expected;
};

class IniBoolTest : public ::testing::TestWithParam<IniBoolCase> {};

// Only the exact lowercase word switches on; a present key never falls back to the default.
TEST_P(IniBoolTest, TrueOnlyForExactLowercaseWord) {
  TempIni ini(std::string("[Install]\r\nIsCheckNet=") + GetParam().value +
              "\r\nIsEnableAppSensors=" + GetParam().value + "\r\n");
  const InstallerSettings settings(ini.Path());
  EXPECT_EQ(settings.IsCheckNet, GetParam().expected) << GetParam().value;
  EXPECT_EQ(settings.IsEnableAppSensors, GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, IniBoolTest,
                         ::testing::Values(IniBoolCase{"true", true}, IniBoolCase{"TRUE", false},
                                           IniBoolCase{"True", false}, IniBoolCase{"1", false},
                                           IniBoolCase{"yes", false}, IniBoolCase{"", false},
                                           IniBoolCase{"truex", false}));

TEST(InstallerSettingsTest, IniDownloadTypeWithoutNumberGivesZero) {
  TempIni ini("[Install]\r\nDownloadType=abc\r\n");
  EXPECT_EQ(InstallerSettings(ini.Path()).DownloadType, 0);
}

// ---- Command line ----

TEST(CommandLineTest, ProgramPathAloneChangesNothing) {
  InstallerSettings settings = DefaultsOnly();
  settings.ParseCommandLine(L"\"C:\\Program Files\\Dravix Setup\\DravixInstaller.exe\"");
  EXPECT_EQ(settings.DownloadUrl, ExpandedTemplate());
  EXPECT_EQ(settings.DownloadType, 1);
  EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.7);
  EXPECT_EQ(settings.Language, -1);
  EXPECT_FALSE(settings.IsCheckNet);
}

TEST(CommandLineTest, EveryOption) {
  InstallerSettings settings = DefaultsOnly();
  settings.ParseCommandLine(
      CommandLine(L"-downloadurl=http://127.0.0.1/p.exe -downloadtype=3 -downloadscale=0.4 -ischecknet=true "
                  L"-isenableappsensors=false -dlappnamesuffix=.x -dlappversion=2.0 -instcmd=/S -language=2 "
                  L"-insnew=true")
          .c_str());
  EXPECT_EQ(settings.DownloadUrl, L"http://127.0.0.1/p.exe");
  EXPECT_EQ(settings.DownloadType, 3);
  EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.4);
  EXPECT_TRUE(settings.IsCheckNet);
  EXPECT_FALSE(settings.IsEnableAppSensors);
  EXPECT_EQ(settings.DlAppNameSuffix, L".x");
  EXPECT_EQ(settings.DlAppVersion, L"2.0");
  EXPECT_EQ(settings.InstCmd, L"/S");
  EXPECT_EQ(settings.Language, 2);
  EXPECT_TRUE(settings.InsNew);
}

TEST(CommandLineTest, FirstOccurrenceWins) {
  InstallerSettings settings = DefaultsOnly();
  settings.ParseCommandLine(CommandLine(L"-downloadtype=2 -downloadtype=3 -instcmd=/a -instcmd=/b").c_str());
  EXPECT_EQ(settings.DownloadType, 2);
  EXPECT_EQ(settings.InstCmd, L"/a");
}

// The trust settings in their three layers: the built-in values, the INI file over them and the
// first occurrence on the command line over both. Compiled-in values survive every outside
// layer: an INI file or command line may add a check the build left out, never clear, replace or
// extend one.
TEST(InstallerSettingsTest, PackageTrustLayersNeverWeakenCompiledInTrust) {
  {
    InstallerSettings settings = DefaultsOnly();
    EXPECT_EQ(settings.PackageSha256, InstallerSettings::DefaultPackageSha256());
    EXPECT_EQ(settings.PackageSigners, InstallerSettings::DefaultPackageSigners());
  }
  const std::wstring sha(64, L'a'), other(64, L'b'), signer(40, L'c'), foreign(40, L'd');
  const std::string otherA(other.begin(), other.end()), foreignA(foreign.begin(), foreign.end());
  std::string signers;  // seven, longer than other values may be
  for (char c : std::string("bcdef01")) signers += (signers.empty() ? "" : ",") + std::string(40, c);
  const std::wstring signersW(signers.begin(), signers.end());
  const std::string both = "PackageSha256=" + std::string(64, 'A') + "\r\nPackageSigners=" + signers;
  struct Row {
    std::wstring builtInSha, builtInSigners;
    std::string ini;
    std::wstring commandLine, sha, signers;
  } rows[] = {
      {L"", L"", both, L"", std::wstring(64, L'A'), signersW},
      {L"", L"", both, L"-packagesha256=" + sha + L" -packagesha256=x -packagesigners=AB:CD -packagesigners=y", sha,
       L"AB:CD"},
      {sha, signer, "PackageSha256=" + otherA + "\r\nPackageSigners=" + foreignA, L"", sha, signer},
      {sha, signer, "PackageSha256=\r\nPackageSigners=", L"", sha, signer},
      {sha, signer, "", L"-packagesha256= -packagesigners=" + signer + L"," + foreign, sha, signer},
      {sha, L"", "PackageSha256=" + otherA + "\r\nPackageSigners=" + foreignA, L"", sha, foreign},
      {L"", signer, "", L"-packagesha256=" + other + L" -packagesigners=", other, signer},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.ini + " / " + std::string(row.commandLine.begin(), row.commandLine.end()));
    TempIni ini("[Install]\r\n" + row.ini + "\r\n");
    InstallerSettings settings(ini.Path(), {row.builtInSha, row.builtInSigners});
    settings.ParseCommandLine(CommandLine(row.commandLine).c_str());
    EXPECT_EQ(settings.PackageSha256, row.sha);
    EXPECT_EQ(settings.PackageSigners, row.signers);
  }
}

TEST(CommandLineTest, FirstOccurrenceWinsEvenWhenBare) {
  InstallerSettings settings = DefaultsOnly();
  settings.ParseCommandLine(CommandLine(L"-ischecknet -ischecknet=true").c_str());
  EXPECT_FALSE(settings.IsCheckNet);
}

TEST(CommandLineTest, KeysAreCaseSensitive) {
  InstallerSettings settings = DefaultsOnly();
  settings.ParseCommandLine(CommandLine(L"-DownloadType=2 -INSTCMD=/x -IsCheckNet=true").c_str());
  EXPECT_EQ(settings.DownloadType, 1);
  EXPECT_EQ(settings.InstCmd, L"");
  EXPECT_FALSE(settings.IsCheckNet);
}

struct BoolOptionCase {
  const wchar_t* argument;  // appended to each of the three bool options' keys
  bool expected;
};

class BoolOptionTest : public ::testing::TestWithParam<BoolOptionCase> {};

TEST_P(BoolOptionTest, TrueOnlyForExactLowercaseWord) {
  const std::wstring a = GetParam().argument;
  // Start from the opposite value so that a missed option shows.
  TempIni ini(GetParam().expected ? "[Install]\r\nIsCheckNet=false\r\nIsEnableAppSensors=false\r\n"
                                  : "[Install]\r\nIsCheckNet=true\r\n");
  InstallerSettings settings(ini.Path());
  settings.InsNew = !GetParam().expected;
  settings.ParseCommandLine(CommandLine(L"-ischecknet" + a + L" -isenableappsensors" + a + L" -insnew" + a).c_str());
  EXPECT_EQ(settings.IsCheckNet, GetParam().expected);
  EXPECT_EQ(settings.IsEnableAppSensors, GetParam().expected);
  EXPECT_EQ(settings.InsNew, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, BoolOptionTest,
                         ::testing::Values(BoolOptionCase{L"", false},  // bare option
                                           BoolOptionCase{L"=", false}, BoolOptionCase{L"=true", true},
                                           BoolOptionCase{L"=TRUE", false}, BoolOptionCase{L"=True", false},
                                           BoolOptionCase{L"=1", false}, BoolOptionCase{L"=true=", false}));

struct IntOptionCase {
  const wchar_t* value;  // raw text after the key, quoting included
  int expected;
};

class IntOptionTest : public ::testing::TestWithParam<IntOptionCase> {};

// Previous value 5 for both, so "left unchanged" and "became 0" are told apart.
TEST_P(IntOptionTest, ConvertsLeadingDecimalNumber) {
  InstallerSettings settings = DefaultsOnly();
  settings.DownloadType = 5;
  settings.Language = 5;
  const std::wstring value = GetParam().value;
  settings.ParseCommandLine(CommandLine(L"\"-downloadtype=" + value + L"\" \"-language=" + value + L"\"").c_str());
  EXPECT_EQ(settings.DownloadType, GetParam().expected);
  EXPECT_EQ(settings.Language, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, IntOptionTest,
                         ::testing::Values(IntOptionCase{L"2", 2}, IntOptionCase{L"abc", 0}, IntOptionCase{L"", 0},
                                           IntOptionCase{L"3abc", 3}, IntOptionCase{L" 4", 4}, IntOptionCase{L"+6", 6},
                                           IntOptionCase{L"-1", -1}, IntOptionCase{L"010", 10},
                                           IntOptionCase{L"0x10", 0}, IntOptionCase{L"2147483647", INT_MAX},
                                           IntOptionCase{L"-2147483648", INT_MIN},
                                           // beyond the type's range: the previous value stays
                                           IntOptionCase{L"2147483648", 5}, IntOptionCase{L"-2147483649", 5},
                                           IntOptionCase{L"999999999999", 5},
                                           IntOptionCase{L"99999999999999999999999", 5}));

TEST(CommandLineTest, BareIntegerOptionGivesZero) {
  InstallerSettings settings = DefaultsOnly();
  settings.ParseCommandLine(CommandLine(L"-language -downloadtype").c_str());
  EXPECT_EQ(settings.Language, 0);
  EXPECT_EQ(settings.DownloadType, 0);
}

struct ScaleOptionCase {
  const wchar_t* value;
  double expected;
};

class ScaleOptionTest : public ::testing::TestWithParam<ScaleOptionCase> {};

// Previous value 0.3 (from the INI file), so a kept value is told apart from the default.
TEST_P(ScaleOptionTest, StoresFractionOrKeepsPreviousValue) {
  TempIni ini("[Install]\r\nDownloadScale=0.3\r\n");
  InstallerSettings settings(ini.Path());
  ASSERT_DOUBLE_EQ(settings.DownloadScale, 0.3);
  settings.ParseCommandLine(CommandLine(L"\"-downloadscale=" + std::wstring(GetParam().value) + L"\"").c_str());
  EXPECT_DOUBLE_EQ(settings.DownloadScale, GetParam().expected) << ::testing::PrintToString(GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ScaleOptionTest,
    ::testing::Values(ScaleOptionCase{L"0.25", 0.25}, ScaleOptionCase{L"1", 1.0}, ScaleOptionCase{L"0", 0.0},
                      ScaleOptionCase{L"0.5abc", 0.5}, ScaleOptionCase{L"  0.6", 0.6},
                      // outside a fraction: clamped
                      ScaleOptionCase{L"1.5", 1.0}, ScaleOptionCase{L"-0.5", 0.0}, ScaleOptionCase{L"1e300", 1.0},
                      // no fraction at all: the previous value stays
                      ScaleOptionCase{L"abc", 0.3}, ScaleOptionCase{L"", 0.3}, ScaleOptionCase{L"nan", 0.3},
                      ScaleOptionCase{L"inf", 0.3}, ScaleOptionCase{L"-inf", 0.3}, ScaleOptionCase{L"1e999", 0.3}));

TEST(CommandLineTest, AddressPlaceholderReplacedEverywhereBySameRoute) {
  InstallerSettings settings = DefaultsOnly();
  settings.ParseCommandLine(CommandLine(L"-downloadurl=http://127.0.0.1:8080/a/${ROUTE}/b/${ROUTE}/c").c_str());
  const std::wstring route = ThisMachinesRoute();
  EXPECT_EQ(settings.DownloadUrl, L"http://127.0.0.1:8080/a/" + route + L"/b/" + route + L"/c");
}

// Text values as they stand on the command line: an address without the placeholder untouched,
// everything after the first "=", an empty value that clears, quoted values with their spaces.
TEST(CommandLineTest, TextValuesAreTakenAsTheyStand) {
  const struct {
    const wchar_t* line;
    std::wstring InstallerSettings::*field;
    const wchar_t* expected;
  } cases[] = {
      {L"-downloadurl=http://127.0.0.1/x?a=1&b=$ROUTE", &InstallerSettings::DownloadUrl,
       L"http://127.0.0.1/x?a=1&b=$ROUTE"},
      {L"-instcmd=/A=B -dlappversion==1", &InstallerSettings::InstCmd, L"/A=B"},
      {L"-instcmd=/A=B -dlappversion==1", &InstallerSettings::DlAppVersion, L"=1"},
      {L"-dlappnamesuffix=", &InstallerSettings::DlAppNameSuffix, L""},
      {L"\"-instcmd=/X a b\" -dlappversion=\"1.0 beta\"", &InstallerSettings::InstCmd, L"/X a b"},
      {L"\"-instcmd=/X a b\" -dlappversion=\"1.0 beta\"", &InstallerSettings::DlAppVersion, L"1.0 beta"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utils::WideToMultiByte(c.line, CP_UTF8));
    InstallerSettings settings = DefaultsOnly();
    settings.ParseCommandLine(CommandLine(c.line).c_str());
    EXPECT_EQ(settings.*c.field, c.expected);
  }
}

TEST(CommandLineTest, NonOptionsAndUnknownOptionsAreIgnored) {
  InstallerSettings settings = DefaultsOnly();
  // Not options: no leading "-", or a key we do not know.
  settings.ParseCommandLine(
      CommandLine(
          L"downloadtype=2 /downloadtype=3 --downloadtype=4 -unknown=1 -downloadtypes=6 plain \"-downloadtype =5\"")
          .c_str());
  EXPECT_EQ(settings.DownloadType, 1);
}

TEST(CommandLineTest, CommandLineBeatsIniAndAbsentOptionsKeepIniValues) {
  TempIni ini("[Install]\r\nDownloadType=3\r\nInstCmd=/ini\r\nDownloadScale=0.4\r\nIsCheckNet=true\r\n");
  InstallerSettings settings(ini.Path());
  settings.ParseCommandLine(CommandLine(L"-downloadtype=2 -ischecknet=false").c_str());
  EXPECT_EQ(settings.DownloadType, 2);
  EXPECT_FALSE(settings.IsCheckNet);
  EXPECT_EQ(settings.InstCmd, L"/ini");
  EXPECT_DOUBLE_EQ(settings.DownloadScale, 0.4);
}

// ---- Routes ----

struct RouteCase {
  const wchar_t* versionName;
  const wchar_t* route;
};

class RouteTest : public ::testing::TestWithParam<RouteCase> {};

TEST_P(RouteTest, XpFamilyGetsItsOwnRoute) {
  EXPECT_EQ(InstallerSettings::RouteFor(GetParam().versionName), GetParam().route);
}

INSTANTIATE_TEST_SUITE_P(
    Names, RouteTest,
    ::testing::Values(RouteCase{L"XP-", L"download_silent_xp"}, RouteCase{L"XP", L"download_silent_xp"},
                      RouteCase{L"XP+", L"download_silent_xp"}, RouteCase{L"2K", L"download_silent"},
                      RouteCase{L"Server 2003", L"download_silent"}, RouteCase{L"Server 2003 R2", L"download_silent"},
                      RouteCase{L"Vista", L"download_silent"}, RouteCase{L"7", L"download_silent"},
                      RouteCase{L"8.1+", L"download_silent"}, RouteCase{L"10", L"download_silent"},
                      RouteCase{L"10+", L"download_silent"}, RouteCase{L"11.0.22000", L"download_silent"}));

struct ReplaceCase {
  const wchar_t* address;
  const wchar_t* expected;
};

class ReplaceRouteTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceRouteTest, ReplacesEveryPlaceholder) {
  EXPECT_EQ(InstallerSettings::ReplaceRoute(GetParam().address, L"download_silent"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ReplaceRouteTest,
    ::testing::Values(ReplaceCase{L"http://h/redirect/ver1/zarneldravix/${ROUTE}/1.0/installer/123456",
                                  L"http://h/redirect/ver1/zarneldravix/download_silent/1.0/installer/123456"},
                      ReplaceCase{L"${ROUTE}/${ROUTE}", L"download_silent/download_silent"},
                      ReplaceCase{L"${ROUTE}${ROUTE}", L"download_silentdownload_silent"},
                      ReplaceCase{L"http://h/x", L"http://h/x"}, ReplaceCase{L"", L""},
                      ReplaceCase{L"$ROUTE {ROUTE} ${route} ${ROUTE", L"$ROUTE {ROUTE} ${route} ${ROUTE"},
                      ReplaceCase{L"$${ROUTE}}", L"$download_silent}"}));

TEST(ExpandDownloadUrlTest, StoresAndReturnsExpandedAddress) {
  InstallerSettings settings = DefaultsOnly();
  const std::wstring result = settings.ExpandDownloadUrl(L"http://h/${ROUTE}");
  EXPECT_EQ(result, L"http://h/" + ThisMachinesRoute());
  EXPECT_EQ(settings.DownloadUrl, result);
}

}  // namespace
