// Who has administrator rights: this process, and the account logged on at the console. Both
// answers are handed to the package installer and the old uninstaller as switches.
#pragma once

#include <string>

namespace Utils {

// True when this thread's effective token is a member of the local Administrators group.
bool IsProcessAdmin();

// The user name of the session attached to the physical console. On failure returns false and
// leaves name unchanged.
bool GetActiveConsoleUserName(std::wstring& name);

// True when that local account has administrator privilege; any error, and an empty name, is
// false.
bool IsConsoleUserAdmin(const std::wstring& userName);

}  // namespace Utils
