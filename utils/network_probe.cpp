#include "utils/network_probe.h"

#include <windows.h>

#include <initguid.h>
#include <netlistmgr.h>

#include "utils/log.h"
#include "utils/unique_system_resources.h"

namespace Utils {

int32_t CheckNetwork() {
  UniqueComPtr<INetworkListManager> manager;
  if (FAILED(::CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL, IID_INetworkListManager,
                                reinterpret_cast<void**>(manager.put()))) ||
      !manager) {
    return 0;
  }
  NLM_CONNECTIVITY connectivity = NLM_CONNECTIVITY_DISCONNECTED;
  if (FAILED(manager.get()->GetConnectivity(&connectivity))) connectivity = NLM_CONNECTIVITY_DISCONNECTED;
  uint32_t status = kNetworkConnected;
  if (connectivity == 0) {
    WRITE_LOG(L"GetConnectivity %d", static_cast<int>(connectivity));
    status = kNetworkNoConnectivity;
  } else {
    VARIANT_BOOL internet = VARIANT_FALSE;
    if (FAILED(manager.get()->IsConnectedToInternet(&internet))) internet = VARIANT_FALSE;
    if (internet == VARIANT_FALSE) {
      WRITE_LOG(L"get_IsConnectedToInternet:%d", static_cast<int>(internet));
      status = kNetworkNoInternet;
    }
  }
  manager.reset();
  ::CoFreeUnusedLibraries();
  return static_cast<int32_t>((static_cast<uint32_t>(connectivity) & 0xFFFFu) | (status << kNetworkStatusShift));
}

}  // namespace Utils
