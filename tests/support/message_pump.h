// Runs the calling thread's messages (the window manager's loop messages included) until a
// condition holds, for tests that drive real windows.
#pragma once

#include <windows.h>

#include <functional>

namespace TestSupport {

// False when the condition still does not hold after timeoutMs.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);

}  // namespace TestSupport
