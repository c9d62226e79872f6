// Whether the machine reaches the internet, as the system's network list manager sees it.
#pragma once

#include <cstdint>

namespace Utils {

// Status in the high 16 bits of the network result.
constexpr uint32_t kNetworkConnected = 0;       // connected to the internet
constexpr uint32_t kNetworkNoConnectivity = 1;  // no connectivity at all
constexpr uint32_t kNetworkNoInternet = 2;      // connectivity without internet
constexpr unsigned kNetworkStatusShift = 16;

// Low 16 bits: the NLM_CONNECTIVITY flags; high 16 bits: the status above. 0 when the network
// list manager cannot be created. COM must be initialised on the calling thread.
int32_t CheckNetwork();

inline uint32_t NetworkStatus(int32_t result) { return static_cast<uint32_t>(result) >> kNetworkStatusShift; }
inline uint32_t NetworkConnectivity(int32_t result) { return static_cast<uint32_t>(result) & 0xFFFFu; }

}  // namespace Utils
