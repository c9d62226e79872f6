// The sample uninstaller, installed as "uninst.ep": removes what the sample package installer
// put into the folder after "_?=" (or its own folder without it) and reports with the removal
// protocol. The installation's config.ini may steer it, [Sample] Uninstall=:
//   fail            reports State=Fail and removes nothing
//   error:TEXT      reports Error=TEXT and removes nothing
//   after-final     keeps printing protocol lines after its final line
#include <windows.h>

#include <tlhelp32.h>

#include <string>

#include "tools/sample_package/protocol_writer.h"
#include "tools/sample_package/sample_command_line.h"
#include "utils/unique_resource.h"

namespace {

using SampleKit::ProtocolWriter;

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

std::wstring ReadBehaviour(const std::wstring& folder) {
  wchar_t value[512] = {};
  ::GetPrivateProfileStringW(L"Sample", L"Uninstall", L"", value, 512, (folder + L"\\config.ini").c_str());
  return value;
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// True when the product runs from this folder; a product elsewhere is no obstacle.
bool ProductRunsFrom(const std::wstring& folder) {
  const std::wstring productPath = folder + L"\\ZarnelDravix.exe";
  Utils::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
    if (::lstrcmpiW(entry.szExeFile, L"ZarnelDravix.exe") != 0) continue;
    Utils::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (!process) continue;
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (::QueryFullProcessImageNameW(process.get(), 0, image, &size) && SamePath(image, productPath)) return true;
  }
  return false;
}

int Uninstall(const std::wstring& folder, ProtocolWriter& out) {
  const std::wstring behaviour = ReadBehaviour(folder);
  out.Line(L"Encode=UTF8");
  out.SetCodePage(CP_UTF8);
  out.Line(L"Progress=0.1");
  if (behaviour == L"fail") {
    out.Line(L"State=Fail");
    return kExitFailure;
  }
  if (behaviour.compare(0, 6, L"error:") == 0) {
    out.Line(L"Error=" + behaviour.substr(6));
    return kExitFailure;
  }
  if (ProductRunsFrom(folder)) {
    out.Line(L"Error=ZarnelDravix 正在运行，无法卸载");
    return kExitFailure;
  }
  const std::wstring self = SampleKit::ModulePath();
  const wchar_t* const files[] = {L"ZarnelDravix.exe", L"config.ini", L"set.ini", L"ZarnelDravix.launch.log",
                                  L"uninst.ep"};
  double progress = 0.2;
  for (const wchar_t* name : files) {
    const std::wstring path = folder + L"\\" + name;
    // A copy running from the folder itself cannot remove its own file; it stays.
    if (SamePath(path, self) || ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    if (!::DeleteFileW(path.c_str())) {
      out.Line(L"Error=无法删除文件 " + path);
      return kExitFailure;
    }
    progress += 0.15;
    out.Line(L"Progress=" + std::to_wstring(progress));
  }
  ::RemoveDirectoryW(folder.c_str());  // only when nothing of the user's is left in it
  out.Line(L"State=Success");
  if (behaviour == L"after-final") {
    out.Line(L"Progress=1.0");
    out.Line(L"Message=printed after the final line");
    out.Line(L"Progress=1.0");
  }
  return kExitSuccess;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const SampleKit::SampleCommandLine line(::GetCommandLineW(), L" _?=");
  std::wstring folder = line.HasTail() && !line.Tail().empty() ? line.Tail() : SampleKit::ModuleFolder();
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  ProtocolWriter out;
  return Uninstall(folder, out);
}
