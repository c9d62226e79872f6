// libcurl's header brings <winsock2.h>, which must precede <windows.h>.
#include <curl/curl.h>

#include "download/transfer_options.h"

namespace {

constexpr long kReceiveBufferBytes = 512 * 1024;
constexpr long kMaxRedirects = 30;
constexpr long kStallBytesPerSecond = 1;
constexpr long kStallSeconds = 5;
constexpr size_t kWriteBufferBytes = 1024 * 1024;

}  // namespace

int ApplyReceiveBuffer(CURL* handle) { return curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kReceiveBufferBytes); }

int ApplyRedirectLimit(CURL* handle) { return curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects); }

int ApplyStallCut(CURL* handle) {
  int combined = curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
  combined |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  return combined;
}

int ApplySecurityOptions(CURL* handle, const std::string& address) {
  int combined = 0;
  if ((curl_version_info(CURLVERSION_NOW)->features & CURL_VERSION_SSL) != 0) {
    combined |= curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    combined |= curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // A test root or a company's own has no revocation list to ask: that alone is no failure.
    combined |= curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  }
  if (address.compare(0, 8, "https://") == 0)
    combined |= curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  return combined;
}

bool IsSecurityFailure(int curlCode) {
  switch (curlCode) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS: return true;
    default: return false;
  }
}

int ApplyTransferOptions(CURL* handle) {
  int combined = ApplyReceiveBuffer(handle);
  combined |= ApplyRedirectLimit(handle);
  combined |= ApplyStallCut(handle);
  return combined;
}

void ApplyWriteBuffer(FILE* file) { std::setvbuf(file, nullptr, _IOFBF, kWriteBufferBytes); }
