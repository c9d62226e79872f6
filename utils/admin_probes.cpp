#include "utils/admin_probes.h"

#include <windows.h>

#include <lm.h>
#include <wtsapi32.h>

#include "utils/unique_system_resources.h"

namespace Utils {

bool IsProcessAdmin() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  UniqueSid administrators;
  if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, administrators.put())) {
    return false;
  }
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, administrators.get(), &member)) return false;
  return member != FALSE;
}

bool GetActiveConsoleUserName(std::wstring& name) {
  const DWORD session = ::WTSGetActiveConsoleSessionId();
  UniqueWtsString buffer;
  DWORD bytes = 0;
  if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName, buffer.put(), &bytes)) {
    return false;
  }
  name = buffer.get() ? buffer.get() : L"";
  return true;
}

bool IsConsoleUserAdmin(const std::wstring& userName) {
  if (userName.empty()) return false;
  UniqueNetApiBuffer buffer;
  if (::NetUserGetInfo(nullptr, userName.c_str(), 1, buffer.put()) != NERR_Success || !buffer) return false;
  return reinterpret_cast<const USER_INFO_1*>(buffer.get())->usri1_priv == USER_PRIV_ADMIN;
}

}  // namespace Utils
