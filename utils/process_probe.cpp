#include "utils/process_probe.h"

#include <windows.h>

#include <tlhelp32.h>

#include <vector>

#include "utils/unique_resource.h"
#include "utils/unique_system_resources.h"

namespace Utils {

DWORD FindProcessByName(const wchar_t* name) {
  UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof(entry);
  if (!::Process32FirstW(snapshot.get(), &entry)) return 0;
  do {
    if (::lstrcmpW(entry.szExeFile, name) == 0) return entry.th32ProcessID;
  } while (::Process32NextW(snapshot.get(), &entry));
  return 0;
}

int TerminateChildProcesses(UINT exitCode) {
  std::vector<DWORD> children;
  {
    UniqueSnapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
      if (entry.th32ParentProcessID == ::GetCurrentProcessId() && entry.th32ProcessID != ::GetCurrentProcessId()) {
        children.push_back(entry.th32ProcessID);
      }
    }
  }
  int ended = 0;
  for (const DWORD id : children) {
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
    if (process && ::TerminateProcess(process.get(), exitCode)) ++ended;
  }
  return ended;
}

}  // namespace Utils
