// Starting the installed product once the finish page has been painted.
#pragma once

#include <windows.h>

#include <string>

// Runs the thread's messages for about 100 ms (translated and dispatched as the modal loop
// does). Stops early when window (if not null) is destroyed or a WM_QUIT arrives; the WM_QUIT
// is posted again for the outer loop. True when the time ran out.
bool PumpMessagesBriefly(HWND window);

// If exePath exists: lets window paint (PumpMessagesBriefly), then opens exePath with the
// shell verb "open", shown normally. Nothing happens for a missing file; the shell's answer is
// not checked.
void LaunchProduct(HWND window, const std::wstring& exePath);
