#include "utils/process_probe.h"

#include <windows.h>

#include <tlhelp32.h>

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

}  // namespace Utils
