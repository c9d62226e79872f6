// Owners of the certificate and signed-message objects the package signature check uses.
#pragma once

#include <windows.h>

#include <wincrypt.h>

#include "utils/unique_resource.h"

namespace Utils {

struct CertStoreTraits {
  static HCERTSTORE Invalid() noexcept { return nullptr; }
  static void Close(HCERTSTORE store) noexcept { ::CertCloseStore(store, 0); }
};
struct CryptMsgTraits {
  static HCRYPTMSG Invalid() noexcept { return nullptr; }
  static void Close(HCRYPTMSG message) noexcept { ::CryptMsgClose(message); }
};
struct CertContextTraits {
  static PCCERT_CONTEXT Invalid() noexcept { return nullptr; }
  static void Close(PCCERT_CONTEXT context) noexcept { ::CertFreeCertificateContext(context); }
};
struct CertChainTraits {
  static PCCERT_CHAIN_CONTEXT Invalid() noexcept { return nullptr; }
  static void Close(PCCERT_CHAIN_CONTEXT chain) noexcept { ::CertFreeCertificateChain(chain); }
};

using UniqueCertStore = UniqueResource<HCERTSTORE, CertStoreTraits>;
using UniqueCryptMsg = UniqueResource<HCRYPTMSG, CryptMsgTraits>;
using UniqueCertContext = UniqueResource<PCCERT_CONTEXT, CertContextTraits>;
using UniqueCertChain = UniqueResource<PCCERT_CHAIN_CONTEXT, CertChainTraits>;

}  // namespace Utils
