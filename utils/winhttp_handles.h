// Owners for the system HTTP stack: its handles (session, connection, request) and the strings
// its proxy queries hand out, which the caller releases with GlobalFree.
#pragma once

#include <windows.h>

#include <winhttp.h>

#include "utils/unique_resource.h"

namespace Utils {

struct WinHttpHandleTraits {  // WinHttpOpen, WinHttpConnect, WinHttpOpenRequest
  static HINTERNET Invalid() noexcept { return nullptr; }
  static void Close(HINTERNET handle) noexcept { ::WinHttpCloseHandle(handle); }
};
template <typename P>
struct GlobalMemTraits {  // WinHttpGetIEProxyConfigForCurrentUser, WinHttpGetProxyForUrl
  static P Invalid() noexcept { return nullptr; }
  static void Close(P p) noexcept { ::GlobalFree(reinterpret_cast<HGLOBAL>(p)); }
};

using UniqueWinHttp = UniqueResource<HINTERNET, WinHttpHandleTraits>;
using UniqueGlobalString = UniqueResource<LPWSTR, GlobalMemTraits<LPWSTR>>;

}  // namespace Utils
