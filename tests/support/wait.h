// Waiting for something another process or thread does, for tests without a message loop of
// their own (those use PumpUntil).
#pragma once

#include <windows.h>

#include <functional>

namespace TestSupport {

// Polls the condition every pollMs; false when it still does not hold after timeoutMs.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs = 50) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (!done()) {
    if (::GetTickCount64() >= end) return done();
    ::Sleep(pollMs);
  }
  return true;
}

}  // namespace TestSupport
