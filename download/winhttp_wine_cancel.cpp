// Winsock's header must come before <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "download/winhttp_wine_cancel.h"

#include <windows.h>

#include <winhttp.h>

#include <cstring>

namespace WinHttpWine {

namespace {

// Handle values are multiples of four; a process of ours holds far fewer than this many.
constexpr uintptr_t kLastHandleValue = 0x8000;

}  // namespace

bool RunningUnderWine() {
  static const bool wine = ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

std::string LocalAddressOf(HINTERNET request) {
  WINHTTP_CONNECTION_INFO info{};
  info.cbSize = sizeof(info);
  DWORD size = sizeof(info);
  if (!::WinHttpQueryOption(request, WINHTTP_OPTION_CONNECTION_INFO, &info, &size)) return std::string();
  return std::string(reinterpret_cast<const char*>(&info.LocalAddress), sizeof(info.LocalAddress));
}

HANDLE FindSocket(const std::string& localAddress) {
  if (localAddress.size() != sizeof(SOCKADDR_STORAGE)) return nullptr;
  SOCKADDR_STORAGE wanted;
  std::memcpy(&wanted, localAddress.data(), sizeof(wanted));
  const int wantedSize = wanted.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
  // The system HTTP stack has started Winsock; this reference keeps it so while we look.
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return nullptr;
  HANDLE found = nullptr;
  // The local address (with its port) names exactly one connected socket of this process.
  for (uintptr_t value = 4; value < kLastHandleValue; value += 4) {
    SOCKADDR_STORAGE local{};
    int size = sizeof(local);
    if (::getsockname(static_cast<SOCKET>(value), reinterpret_cast<sockaddr*>(&local), &size) != 0) continue;
    if (size == wantedSize && std::memcmp(&local, &wanted, static_cast<size_t>(size)) == 0) {
      found = reinterpret_cast<HANDLE>(value);
      break;
    }
  }
  ::WSACleanup();
  return found;
}

}  // namespace WinHttpWine
