// Real pointer and keyboard input for tests under Xvfb: xdotool run on the host.
#pragma once

#include <string>

namespace TestSupport {

// Runs "xdotool ARGUMENTS" (split as a Windows command line) and waits until it has ended;
// true when it ended with 0 within timeoutMs. Under 64-bit Wine the process handle of a host
// program cannot be waited on (the wait fails at once), so a shell around xdotool writes its
// exit code to a file, and calls made one after the other never overlap.
bool RunXdotool(const std::wstring& arguments, unsigned timeoutMs = 20000);

}  // namespace TestSupport
