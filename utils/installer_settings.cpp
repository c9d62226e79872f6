#include "utils/installer_settings.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <utility>

#include "build_config.h"
#include "utils/unique_resource.h"
#include "utils/windows_version.h"

namespace {

constexpr const wchar_t* kSection = L"Install";
constexpr const wchar_t* kRoutePlaceholder = L"${ROUTE}";
constexpr DWORD kValueBufferSize = 260;  // longer INI values are cut to 259 characters
constexpr double kIniDefaultScale = 0.7;

enum class Conversion { Ok, NoNumber, OutOfRange };

// The standard conversions: leading white space, the longest numeric prefix, the rest ignored.
Conversion ToInt(const std::wstring& text, int* value) {
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const long long parsed = std::wcstoll(begin, &end, 10);
  if (end == begin) {
    *value = 0;
    return Conversion::NoNumber;
  }
  if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return Conversion::OutOfRange;
  *value = static_cast<int>(parsed);
  return Conversion::Ok;
}

Conversion ToDouble(const std::wstring& text, double* value) {
  const wchar_t* begin = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const double parsed = std::wcstod(begin, &end);
  if (end == begin) {
    *value = 0.0;
    return Conversion::NoNumber;
  }
  // Underflow rounds to zero, which is a fine fraction; overflow and NaN are no fraction at all.
  if (std::isnan(parsed) || std::isinf(parsed) || (errno == ERANGE && std::fabs(parsed) >= 1.0)) {
    return Conversion::OutOfRange;
  }
  *value = parsed;
  return Conversion::Ok;
}

// The main window shows the scale as a share of one bar: keep it a fraction.
double ClampScale(double scale) { return scale < 0.0 ? 0.0 : (scale > 1.0 ? 1.0 : scale); }

std::wstring ReadIniString(const std::wstring& path, const wchar_t* key, const wchar_t* fallback,
                           DWORD bufferSize = kValueBufferSize) {
  std::wstring buffer(bufferSize, L'\0');
  ::GetPrivateProfileStringW(kSection, key, fallback, &buffer[0], bufferSize, path.c_str());
  return buffer.c_str();
}

// Room for a list of many thumbprints: a value cut short would change what it allows.
constexpr DWORD kTrustValueBufferSize = 4096;

}  // namespace

InstallerSettings& InstallerSettings::Instance() {
  static InstallerSettings settings;
  return settings;
}

InstallerSettings::InstallerSettings() : InstallerSettings(DefaultIniPath()) {}

InstallerSettings::InstallerSettings(const std::wstring& iniPath) : InstallerSettings(iniPath, BuiltInTrust()) {}

InstallerSettings::InstallerSettings(const std::wstring& iniPath, BuiltInTrust trust)
    : PackageSha256(trust.sha256), PackageSigners(trust.signers), builtInTrust(std::move(trust)) {
  ExpandDownloadUrl(BuiltInTemplate());
  LoadConfigIni(iniPath);
}

std::wstring InstallerSettings::BuiltInTemplate() {
  return std::wstring(DRAVIX_REDIRECT_SERVER) + L"/redirect/ver1/zarneldravix/${ROUTE}/1.0/installer/123456";
}

void InstallerSettings::AddTrust(std::wstring* field, const std::wstring& builtIn, const std::wstring& value) {
  // More signers would widen what may run elevated, so a compiled-in list is not extended either.
  if (builtIn.empty()) *field = value;
}

std::wstring InstallerSettings::DefaultPackageSha256() { return DRAVIX_PACKAGE_SHA256; }

std::wstring InstallerSettings::DefaultPackageSigners() { return DRAVIX_PACKAGE_SIGNERS; }

std::wstring InstallerSettings::DefaultIniPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  ::PathRemoveFileSpecW(path);
  return std::wstring(path) + L"\\VeltoInstallerConfig.ini";
}

void InstallerSettings::LoadConfigIni() { LoadConfigIni(DefaultIniPath()); }

void InstallerSettings::LoadConfigIni(const std::wstring& iniPath) {
  if (!::PathFileExistsW(iniPath.c_str())) return;
  ExpandDownloadUrl(ReadIniString(iniPath, L"DownloadUrl", BuiltInTemplate().c_str()));
  DownloadType = static_cast<int>(::GetPrivateProfileIntW(kSection, L"DownloadType", 1, iniPath.c_str()));
  IsCheckNet = ReadIniString(iniPath, L"IsCheckNet", L"true") == L"true";
  IsEnableAppSensors = ReadIniString(iniPath, L"IsEnableAppSensors", L"true") == L"true";
  DlAppNameSuffix = ReadIniString(iniPath, L"DlAppNameSuffix", L".downloader");
  DlAppVersion = ReadIniString(iniPath, L"m_DlAppVersion", L"");
  double scale = 0.0;
  switch (ToDouble(ReadIniString(iniPath, L"DownloadScale", L"0.7"), &scale)) {
    case Conversion::Ok: DownloadScale = ClampScale(scale); break;
    case Conversion::NoNumber: DownloadScale = 0.0; break;
    case Conversion::OutOfRange: DownloadScale = kIniDefaultScale; break;  // as if the key were missing
  }
  InstCmd = ReadIniString(iniPath, L"InstCmd", L"");
  // Keys left out keep the built-in value.
  AddTrust(&PackageSha256, builtInTrust.sha256,
           ReadIniString(iniPath, L"PackageSha256", PackageSha256.c_str(), kTrustValueBufferSize));
  AddTrust(&PackageSigners, builtInTrust.signers,
           ReadIniString(iniPath, L"PackageSigners", PackageSigners.c_str(), kTrustValueBufferSize));
}

void InstallerSettings::ParseCommandLine() { ParseCommandLine(::GetCommandLineW()); }

void InstallerSettings::ParseCommandLine(const wchar_t* commandLine) {
  int count = 0;
  Utils::UniqueLocalMem<LPWSTR*> argv(::CommandLineToArgvW(commandLine, &count));
  if (!argv) return;

  // Key -> value; keys are case-sensitive and the first occurrence wins.
  std::map<std::wstring, std::wstring> options;
  for (int i = 0; i < count; ++i) {
    const std::wstring argument = argv.get()[i];
    const size_t equals = argument.find(L'=');
    if (argument.empty() || argument[0] != L'-' || equals == std::wstring::npos) {
      options.emplace(argument, std::wstring());
    } else {
      options.emplace(argument.substr(0, equals), argument.substr(equals + 1));
    }
  }
  auto find = [&options](const wchar_t* key) -> const std::wstring* {
    const auto it = options.find(key);
    return it == options.end() ? nullptr : &it->second;
  };
  // Numbers beyond their type's range are ignored: the value already set stays.
  auto setInt = [&find](const wchar_t* key, int* field) {
    if (const std::wstring* value = find(key)) {
      int parsed = 0;
      if (ToInt(*value, &parsed) != Conversion::OutOfRange) *field = parsed;
    }
  };
  auto setBool = [&find](const wchar_t* key, bool* field) {
    if (const std::wstring* value = find(key)) *field = *value == L"true";
  };
  auto setString = [&find](const wchar_t* key, std::wstring* field) {
    if (const std::wstring* value = find(key)) *field = *value;
  };

  if (const std::wstring* value = find(L"-downloadurl")) ExpandDownloadUrl(*value);
  setInt(L"-downloadtype", &DownloadType);
  if (const std::wstring* value = find(L"-downloadscale")) {
    // A value that is no fraction leaves the INI or built-in share in place.
    double scale = 0.0;
    if (ToDouble(*value, &scale) == Conversion::Ok) DownloadScale = ClampScale(scale);
  }
  setBool(L"-ischecknet", &IsCheckNet);
  setBool(L"-isenableappsensors", &IsEnableAppSensors);
  setString(L"-dlappnamesuffix", &DlAppNameSuffix);
  setString(L"-dlappversion", &DlAppVersion);
  setString(L"-instcmd", &InstCmd);
  setInt(L"-language", &Language);
  setBool(L"-insnew", &InsNew);
  if (const std::wstring* value = find(L"-packagesha256")) AddTrust(&PackageSha256, builtInTrust.sha256, *value);
  if (const std::wstring* value = find(L"-packagesigners")) AddTrust(&PackageSigners, builtInTrust.signers, *value);
}

std::wstring InstallerSettings::RouteFor(const std::wstring& windowsVersionName) {
  return windowsVersionName.find(L"XP") != std::wstring::npos ? L"download_silent_xp" : L"download_silent";
}

std::wstring InstallerSettings::ReplaceRoute(std::wstring address, const std::wstring& route) {
  const std::wstring placeholder = kRoutePlaceholder;
  // Search again from the start after each replacement, until none is left.
  for (size_t at = address.find(placeholder); at != std::wstring::npos; at = address.find(placeholder)) {
    address.replace(at, placeholder.size(), route);
  }
  return address;
}

std::wstring InstallerSettings::ExpandDownloadUrl(const std::wstring& address) {
  if (address.find(kRoutePlaceholder) == std::wstring::npos) {
    DownloadUrl = address;
  } else {
    DownloadUrl = ReplaceRoute(address, RouteFor(GetWindowsVersionName()));
  }
  return DownloadUrl;
}
