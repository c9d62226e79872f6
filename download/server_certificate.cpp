// libcurl's header brings <winsock2.h>, which must precede <windows.h>.
#include <curl/curl.h>

#include "download/server_certificate.h"

#include <windows.h>

#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <cstring>
#include <string>

#include "utils/log.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

struct CertificateTraits {
  static PCCERT_CONTEXT Invalid() noexcept { return nullptr; }
  static void Close(PCCERT_CONTEXT p) noexcept { ::CertFreeCertificateContext(p); }
};
struct ChainTraits {
  static PCCERT_CHAIN_CONTEXT Invalid() noexcept { return nullptr; }
  static void Close(PCCERT_CHAIN_CONTEXT p) noexcept { ::CertFreeCertificateChain(p); }
};
struct CurlUrlTraits {
  static CURLU* Invalid() noexcept { return nullptr; }
  static void Close(CURLU* p) noexcept { curl_url_cleanup(p); }
};
struct CurlTextTraits {
  static char* Invalid() noexcept { return nullptr; }
  static void Close(char* p) noexcept { curl_free(p); }
};

// The host name of the address the handle is answering for; empty unless it is https.
std::wstring SecureHost(CURL* handle) {
  char* effective = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective) return std::wstring();
  Utils::UniqueResource<CURLU*, CurlUrlTraits> url(curl_url());
  Utils::UniqueResource<char*, CurlTextTraits> scheme;
  Utils::UniqueResource<char*, CurlTextTraits> host;
  if (!url || curl_url_set(url.get(), CURLUPART_URL, effective, 0) != CURLUE_OK ||
      curl_url_get(url.get(), CURLUPART_SCHEME, scheme.put(), 0) != CURLUE_OK ||
      curl_url_get(url.get(), CURLUPART_HOST, host.put(), 0) != CURLUE_OK || std::strcmp(scheme.get(), "https") != 0) {
    return std::wstring();
  }
  return Utils::MultiByteToWide(host.get(), CP_UTF8);
}

}  // namespace

int ServerCertificateCheck::Attach(CURL* handle) {
  handle_ = handle;
  refused_ = false;
  int combined = curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &ServerCertificateCheck::OnHeader);
  combined |= curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
  return combined;
}

int ServerCertificateCheck::Perform(CURL* handle) {
  const int result = curl_easy_perform(handle);
  return refused_ ? CURLE_PEER_FAILED_VERIFICATION : result;
}

size_t ServerCertificateCheck::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* check = static_cast<ServerCertificateCheck*>(self);
  const size_t bytes = size * count;
  // Once per response, at its status line: every redirect may lead to another server.
  if (bytes >= 5 && std::memcmp(data, "HTTP/", 5) == 0 && !check->Accepts()) {
    check->refused_ = true;
    return 0;  // ends the transfer
  }
  return bytes;
}

bool ServerCertificateCheck::Accepts() {
  const std::wstring host = SecureHost(handle_);
  if (host.empty()) return true;  // plain HTTP: nothing to check
  const curl_tlssessioninfo* session = nullptr;
  if (curl_easy_getinfo(handle_, CURLINFO_TLS_SSL_PTR, &session) != CURLE_OK || !session ||
      session->backend != CURLSSLBACKEND_SCHANNEL || !session->internals) {
    return false;
  }
  Utils::UniqueResource<PCCERT_CONTEXT, CertificateTraits> certificate;
  if (::QueryContextAttributesW(static_cast<CtxtHandle*>(session->internals), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                certificate.put()) != SEC_E_OK) {
    return false;
  }
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof(chainPara);
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  Utils::UniqueResource<PCCERT_CHAIN_CONTEXT, ChainTraits> chain;
  if (!::CertGetCertificateChain(nullptr, certificate.get(), nullptr, certificate.get()->hCertStore, &chainPara, 0,
                                 nullptr, chain.put())) {
    return false;
  }
  // Wine's policy lets a chain that stops short of any root pass: the chain itself must be clean
  // (revocation is not asked for, so its unknown state is no error).
  const DWORD chainErrors =
      chain.get()->TrustStatus.dwErrorStatus &
      ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
  if (chainErrors != 0) {
    WRITE_LOG(L"the certificate chain of %s is refused: 0x%08lx\r\n", host.c_str(),
              static_cast<unsigned long>(chainErrors));
    return false;
  }
  HTTPSPolicyCallbackData server{};
  server.cbStruct = sizeof(server);
  server.dwAuthType = AUTHTYPE_SERVER;
  server.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof(policy);
  policy.pvExtraPolicyPara = &server;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof(status);
  if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status) ||
      status.dwError != 0) {
    WRITE_LOG(L"the certificate of %s is refused: 0x%08lx\r\n", host.c_str(),
              static_cast<unsigned long>(status.dwError));
    return false;
  }
  return true;
}
