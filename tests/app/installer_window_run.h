// Runs the installer as a user starts it and closes its main window once it is open, as the
// user would; the run's log lines and whole exit code come back.
#pragma once

#include <string>

#include "tools/logview/debug_capture.h"

namespace AppTests {

// *windowSeen tells whether the main window opened (a refused start shows none).
DebugCaptureResult RunAndCloseTheWindow(const std::wstring& commandLine, bool* windowSeen = nullptr);

}  // namespace AppTests
