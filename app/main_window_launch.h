// The launch of the user interface: the framework's process-wide set-up, then the one main
// window, centred on the work area and run modally as the process's only message loop.
#pragma once

#include <windows.h>

// Returns when the main window no longer exists. A skin that cannot be loaded ends the process
// inside the framework, with its error box and exit code 1.
void LaunchMainWindow(HINSTANCE instance);
