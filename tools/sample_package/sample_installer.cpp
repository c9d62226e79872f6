// A sample package installer: takes the package runner's command line, installs the sample
// product, its uninstaller and a config.ini into the "/D=" folder, and reports on standard
// output with the key=value protocol. Switches that start with "-sample-" (passed through the
// installer's InstCmd setting) steer it for tests and demonstrations; see README.md.
#include <windows.h>

#include <shlobj.h>

#include <cwchar>
#include <string>

#include "tools/sample_package/protocol_writer.h"
#include "tools/sample_package/sample_command_line.h"
#include "tools/sample_package/sample_resources.h"
#include "utils/unique_resource.h"

namespace {

using SampleKit::ProtocolWriter;
using SampleKit::SampleCommandLine;

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

struct Options {
  std::wstring installDir;
  std::wstring language;
  std::wstring encode = L"UTF8";
  std::wstring startupStyle = L"AutoStartup";
  std::wstring error;
  std::wstring message;
  std::wstring uninstallBehaviour;
  std::vector<std::wstring> extraLines;
  bool fail = false;
  bool silent = false;
  DWORD slowMs = 0;
  DWORD holdMs = 0;
  int linesAfterFinal = 0;
  bool exitCodeGiven = false;
  int exitCode = 0;
  bool desktopShortcut = false;
  bool quickLaunchShortcut = false;
  std::wstring adminAct;
  std::wstring authorizationAct;
  std::wstring version;
};

std::wstring DefaultInstallDir() {
  wchar_t programFiles[MAX_PATH] = {};
  if (::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles) != S_OK) {
    return L"C:\\Program Files\\VeltoSoft\\Dravix";
  }
  return std::wstring(programFiles) + L"\\VeltoSoft\\Dravix";
}

Options ReadOptions(const SampleCommandLine& line) {
  Options options;
  if (line.HasTail() && !line.Tail().empty()) {
    options.installDir = line.Tail();
  } else {
    options.installDir = line.ValueOr(L"-instdir", DefaultInstallDir());
  }
  std::wstring& dir = options.installDir;
  if (dir.size() >= 2 && dir.front() == L'"' && dir.back() == L'"') dir = dir.substr(1, dir.size() - 2);
  while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  options.language = line.ValueOr(L"-inslang", L"en-US");
  options.desktopShortcut = line.ValueOr(L"-dsc", L"false") == L"true";
  options.quickLaunchShortcut = line.ValueOr(L"-ssc", L"false") == L"true";
  options.adminAct = line.ValueOr(L"-adminact", L"");
  options.authorizationAct = line.ValueOr(L"-authorizationact", L"");
  options.version = line.ValueOr(L"-version", L"");

  options.encode = line.ValueOr(L"-sample-encode", options.encode);
  options.startupStyle = line.ValueOr(L"-sample-startup", options.startupStyle);
  options.fail = line.Has(L"-sample-fail");
  options.silent = line.Has(L"-sample-silent");
  line.Value(L"-sample-error", options.error);
  line.Value(L"-sample-message", options.message);
  line.Value(L"-sample-uninstall", options.uninstallBehaviour);
  options.extraLines = line.Values(L"-sample-line");
  options.slowMs = static_cast<DWORD>(std::wcstoul(line.ValueOr(L"-sample-slow", L"0").c_str(), nullptr, 10));
  options.holdMs = static_cast<DWORD>(std::wcstoul(line.ValueOr(L"-sample-hold", L"0").c_str(), nullptr, 10));
  options.linesAfterFinal = std::wcstol(line.ValueOr(L"-sample-after-final", L"0").c_str(), nullptr, 10);
  std::wstring exitCode;
  if (line.Value(L"-sample-exitcode", exitCode)) {
    options.exitCodeGiven = true;
    options.exitCode = static_cast<int>(std::wcstol(exitCode.c_str(), nullptr, 10));
  }
  return options;
}

UINT CodePageOf(const std::wstring& encode) {
  if (encode == L"UTF8") return CP_UTF8;
  if (encode == L"ACP") return CP_ACP;
  const UINT number = static_cast<UINT>(std::wcstoul(encode.c_str(), nullptr, 10));
  return number == 0 ? CP_ACP : number;
}

bool WriteResourceToFile(int id, const std::wstring& path) {
  HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!resource) return false;
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = ::SizeofResource(nullptr, resource);
  if (!data) return false;
  Utils::UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file.get(), data, size, &written, nullptr) && written == size;
  file.reset();
  if (!ok) ::DeleteFileW(path.c_str());
  return ok;
}

bool WriteConfig(const Options& options, const std::wstring& path) {
  auto put = [&path](const wchar_t* section, const wchar_t* key, const std::wstring& value) {
    return ::WritePrivateProfileStringW(section, key, value.c_str(), path.c_str()) != FALSE;
  };
  bool ok = put(L"Install", L"Language", options.language);
  ok = put(L"Install", L"Version", options.version) && ok;
  ok = put(L"Install", L"DesktopShortcut", options.desktopShortcut ? L"true" : L"false") && ok;
  ok = put(L"Install", L"QuickLaunchShortcut", options.quickLaunchShortcut ? L"true" : L"false") && ok;
  ok = put(L"Install", L"AdminAct", options.adminAct) && ok;
  ok = put(L"Install", L"AuthorizationAct", options.authorizationAct) && ok;
  if (!options.uninstallBehaviour.empty()) ok = put(L"Sample", L"Uninstall", options.uninstallBehaviour) && ok;
  return ok;
}

class Installation {
 public:
  Installation(const Options& options, ProtocolWriter& out) : options_(options), out_(out) {}

  // Returns the exit code.
  int Run() {
    out_.Line(L"Encode=" + options_.encode);
    out_.SetCodePage(CodePageOf(options_.encode));
    Progress(0.05);
    if (options_.fail) {
      Progress(0.2);
      out_.Line(L"State=Fail");
      return Finish(kExitFailure);
    }
    if (!options_.error.empty()) {
      Progress(0.2);
      out_.Line(L"Error=" + options_.error);
      return Finish(kExitFailure);
    }
    const int created = ::SHCreateDirectoryExW(nullptr, options_.installDir.c_str(), nullptr);
    if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS && created != ERROR_FILE_EXISTS) {
      out_.Line(L"Error=无法创建安装目录 " + options_.installDir);
      return Finish(kExitFailure);
    }
    Progress(0.2);
    const std::wstring exePath = options_.installDir + L"\\ZarnelDravix.exe";
    const std::wstring uninstallerPath = options_.installDir + L"\\uninst.ep";
    if (!WriteResourceToFile(SAMPLE_PRODUCT_RESOURCE, exePath)) return Fail(L"无法写入文件 " + exePath);
    Progress(0.5);
    if (!WriteResourceToFile(SAMPLE_UNINSTALLER_RESOURCE, uninstallerPath)) {
      return Fail(L"无法写入文件 " + uninstallerPath);
    }
    Progress(0.7);
    const std::wstring configPath = options_.installDir + L"\\config.ini";
    if (!WriteConfig(options_, configPath)) return Fail(L"无法写入文件 " + configPath);
    Progress(0.9);
    out_.Line(L"InstPath=" + options_.installDir);
    out_.Line(L"ExePath=" + exePath);
    out_.Line(L"UninstEp=" + uninstallerPath);
    out_.Line(L"StartupStyle=" + options_.startupStyle);
    for (const std::wstring& line : options_.extraLines) out_.Line(line);
    if (!options_.message.empty()) out_.Line(L"Message=" + options_.message);
    Progress(1.0);
    out_.Line(L"State=Success");
    return Finish(kExitSuccess);
  }

 private:
  void Progress(double fraction) {
    wchar_t text[32];
    std::swprintf(text, 32, L"Progress=%.2f", fraction);
    out_.Line(text);
    if (options_.slowMs > 0) ::Sleep(options_.slowMs);
  }

  int Fail(const std::wstring& text) {
    out_.Line(L"Error=" + text);
    return Finish(kExitFailure);
  }

  // What a careless installer might do after its final line: keep printing (protocol lines the
  // reader must ignore by now), then linger.
  int Finish(int exitCode) {
    for (int i = 0; i < options_.linesAfterFinal; ++i) {
      switch (i % 3) {
        case 0: out_.Line(L"Message=printed after the final line " + std::to_wstring(i)); break;
        case 1: out_.Line(L"Error=printed after the final line"); break;
        default: out_.Line(L"Progress=0.01"); break;
      }
    }
    if (options_.holdMs > 0) ::Sleep(options_.holdMs);
    return options_.exitCodeGiven ? options_.exitCode : exitCode;
  }

  const Options& options_;
  ProtocolWriter& out_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const SampleCommandLine line(::GetCommandLineW(), L" /D=");
  const Options options = ReadOptions(line);
  ProtocolWriter out;
  out.SetMuted(options.silent);
  return Installation(options, out).Run();
}
