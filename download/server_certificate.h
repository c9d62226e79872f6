// The server's certificate checked by this program itself for every answer that arrives over
// HTTPS: a chain to a root the system trusts, valid dates and the host name, the way the system's
// HTTP stack checks it. libcurl's TLS layer (the system's) is asked to verify too; this check
// holds also where that layer does not look at the certificate (Wine's hands it over unchecked).
#pragma once

#include "utils/curl_handles.h"

class ServerCertificateCheck {
 public:
  // Checks every response of this handle (through its header callback); 0 or libcurl's code.
  int Attach(CURL* handle);
  // curl_easy_perform; a refused certificate is reported as CURLE_PEER_FAILED_VERIFICATION.
  int Perform(CURL* handle);

 private:
  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  bool Accepts();

  CURL* handle_ = nullptr;
  bool refused_ = false;
};
