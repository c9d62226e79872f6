#include "utils/windows_version.h"

#include "utils/unique_resource.h"

std::wstring WindowsVersionName(DWORD major, DWORD minor, DWORD build, bool serverR2) {
  if (major <= 4) return L"XP-";
  if (major == 5) {
    switch (minor) {
      case 0: return L"2K";
      case 1: return L"XP";
      case 2: return serverR2 ? L"Server 2003 R2" : L"Server 2003";
      default: return L"XP+";
    }
  }
  if (major == 6) {
    switch (minor) {
      case 0: return L"Vista";
      case 1: return L"7";
      case 2: return L"8";
      case 3: return L"8.1";
      default: return L"8.1+";
    }
  }
  if (major == 10) return minor == 0 ? L"10" : L"10+";
  return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build);
}

std::wstring GetWindowsVersionName() {
  Utils::UniqueModule ntdll(::LoadLibraryA("ntdll.dll"));
  if (!ntdll) return L"XP-";
  using RtlGetNtVersionNumbersFn = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
  auto getVersion = reinterpret_cast<RtlGetNtVersionNumbersFn>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll.get(), "RtlGetNtVersionNumbers")));
  DWORD major = 0, minor = 0, build = 0;
  if (getVersion) {
    getVersion(&major, &minor, &build);
    build &= 0xFFFF;  // the high bits flag checked or free builds
  }
  return WindowsVersionName(major, minor, build, ::GetSystemMetrics(SM_SERVERR2) != 0);
}
