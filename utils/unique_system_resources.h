// Owners for the system memory and objects the probes and child processes acquire, one alias per
// acquire/release pair, built on the same owner template as the handles.
#pragma once

#include <windows.h>

#include <lm.h>
#include <wtsapi32.h>

#include "utils/unique_resource.h"

namespace Utils {

struct WtsMemoryTraits {  // buffers handed out by WTSQuerySessionInformationW
  static LPWSTR Invalid() noexcept { return nullptr; }
  static void Close(LPWSTR p) noexcept { ::WTSFreeMemory(p); }
};
struct NetApiBufferTraits {  // buffers handed out by NetUserGetInfo
  static LPBYTE Invalid() noexcept { return nullptr; }
  static void Close(LPBYTE p) noexcept { ::NetApiBufferFree(p); }
};
struct SidTraits {  // AllocateAndInitializeSid
  static PSID Invalid() noexcept { return nullptr; }
  static void Close(PSID sid) noexcept { ::FreeSid(sid); }
};
template <typename I>
struct ComPtrTraits {  // any COM interface pointer: one reference owned
  static I* Invalid() noexcept { return nullptr; }
  static void Close(I* p) noexcept { p->Release(); }
};

using UniqueWtsString = UniqueResource<LPWSTR, WtsMemoryTraits>;
using UniqueNetApiBuffer = UniqueResource<LPBYTE, NetApiBufferTraits>;
using UniqueSid = UniqueResource<PSID, SidTraits>;
template <typename I>
using UniqueComPtr = UniqueResource<I*, ComPtrTraits<I>>;
// CreateToolhelp32Snapshot answers INVALID_HANDLE_VALUE on failure, like CreateFileW.
using UniqueSnapshot = UniqueFileHandle;

}  // namespace Utils
