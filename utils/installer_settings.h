#pragma once

#include <string>

// Every tunable of the installer, filled in three layers: built-in defaults, the optional
// INI file next to the executable, then the command line. Written only on the main thread
// before any worker exists (later only Language, by the main window); workers just read it.
class InstallerSettings {
 public:
  // The process-wide record, built during static initialisation with the INI file read.
  static InstallerSettings& Instance();

  // Defaults, then the INI file next to the executable when it exists.
  InstallerSettings();
  // Defaults, then the given INI file when it exists.
  explicit InstallerSettings(const std::wstring& iniPath);

  // The trust values a build compiles in. Once one is set, the INI file and the command line
  // (both within reach of whoever can drop a file beside the installer) can neither clear nor
  // replace it; they may only add a check the build left out.
  struct BuiltInTrust {
    std::wstring sha256 = DefaultPackageSha256();
    std::wstring signers = DefaultPackageSigners();
  };
  // Defaults with the given compiled-in trust, then the given INI file when it exists.
  InstallerSettings(const std::wstring& iniPath, BuiltInTrust trust);

  void LoadConfigIni();
  void LoadConfigIni(const std::wstring& iniPath);
  // Options of the process command line override what is set.
  void ParseCommandLine();
  // The same for a given command line (its first argument is the program).
  void ParseCommandLine(const wchar_t* commandLine);
  // Replaces every "${ROUTE}" by this machine's route, stores the result in DownloadUrl and
  // returns it.
  std::wstring ExpandDownloadUrl(const std::wstring& address);

  // "download_silent_xp" on the XP family, "download_silent" elsewhere.
  static std::wstring RouteFor(const std::wstring& windowsVersionName);
  static std::wstring ReplaceRoute(std::wstring address, const std::wstring& route);
  static std::wstring BuiltInTemplate();
  // The executable's folder followed by "\VeltoInstallerConfig.ini".
  static std::wstring DefaultIniPath();

  std::wstring DlAppNameSuffix = L".downloader";  // stored only
  std::wstring DlAppVersion;                      // stored only
  std::wstring InstCmd;                           // extra switches for the package installer
  std::wstring DownloadUrl;                       // the package address, route expanded
  int DownloadType = 1;                           // 2 WinHTTP, 3 two ranges, else one stream
  bool IsCheckNet = false;                        // test the network before installing
  bool IsEnableAppSensors = true;                 // stored only
  double DownloadScale = 0.7;                     // share of the progress bar for the download
  int Language = -1;                              // interface language index; -1 lets the window choose
  bool InsNew = false;                            // install at once, waiting for a running product
  // Package trust as written (checked by the orchestrator before anything starts): the SHA-256
  // the package must have, and the thumbprints of the certificates allowed to sign it.
  std::wstring PackageSha256;
  std::wstring PackageSigners;

  static std::wstring DefaultPackageSha256();
  static std::wstring DefaultPackageSigners();

 private:
  // Takes a trust value from the INI file or the command line unless the build compiled one in.
  static void AddTrust(std::wstring* field, const std::wstring& builtIn, const std::wstring& value);

  BuiltInTrust builtInTrust;
};
