// libcurl's header brings <winsock2.h>, which must precede <windows.h>.
#include <curl/curl.h>

#include "download/curl_global.h"

void EnsureCurlGlobalInit() {
  // A function-local static is initialised exactly once even when threads race here. The
  // library stays set up for the life of the process.
  static const CURLcode kResult = curl_global_init(CURL_GLOBAL_ALL);
  (void)kResult;
}
