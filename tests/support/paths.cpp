#include "tests/support/paths.h"

#include <windows.h>

#include "utils/text_conversion.h"

namespace TestSupport {

std::wstring WindowsPathFromUnix(const std::string& unixPath) {
  std::wstring path = L"Z:" + Utils::MultiByteToWide(unixPath, CP_UTF8);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::string UnixPathFromWindows(const std::wstring& windowsPath) {
  // Wine's own export; heap memory the caller frees with HeapFree.
  using UnixNameFn = char*(CDECL*)(const wchar_t*);
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  auto unixName =
      reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
  if (!unixName) return std::string();
  char* name = unixName(windowsPath.c_str());
  if (!name) return std::string();
  std::string result(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

std::wstring BuildTreePath(const std::string& relative) {
  return WindowsPathFromUnix(std::string(DRAVIX_BINARY_DIR_UNIX) + "/" + relative);
}

std::wstring SourceTreePath(const std::string& relative) {
  return WindowsPathFromUnix(std::string(DRAVIX_SOURCE_DIR_UNIX) + "/" + relative);
}

}  // namespace TestSupport
