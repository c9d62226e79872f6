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

int ApplyTransferOptions(CURL* handle) {
  int combined = ApplyReceiveBuffer(handle);
  combined |= ApplyRedirectLimit(handle);
  combined |= ApplyStallCut(handle);
  return combined;
}

void ApplyWriteBuffer(FILE* file) { std::setvbuf(file, nullptr, _IOFBF, kWriteBufferBytes); }
