// The package trust check on its own, under Wine, driven by trust_bench.sh:
//   trust_bench.exe add-root ROOT.cer         trusts a test root for this prefix's user
//   trust_bench.exe check FILE THUMBPRINT N   N timed signature checks of FILE
// `check` prints one line per round: seconds=S verdict=0|1 (1: signed by the listed certificate).
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

#include "install/package_trust.h"
#include "utils/crypt_handles.h"
#include "utils/text_conversion.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int AddRoot(const wchar_t* path) {
  std::ifstream file(path, std::ios::binary);
  const std::string der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const Utils::UniqueCertStore store(
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
  if (der.empty() || !store.valid() ||
      !::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                          static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    std::fprintf(stderr, "trust_bench: cannot trust the root in %ls\n", path);
    return 1;
  }
  return 0;
}

int Check(const wchar_t* path, const wchar_t* thumbprint, int rounds) {
  PackageTrust trust;
  if (!ParsePackageTrust(L"", thumbprint, &trust)) {
    std::fprintf(stderr, "trust_bench: malformed thumbprint\n");
    return 2;
  }
  for (int round = 0; round < rounds; ++round) {
    const double start = Now();
    const bool verdict = IsSignedByListedCertificate(path, trust.signers);
    std::printf("seconds=%.3f verdict=%d\n", Now() - start, verdict ? 1 : 0);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"add-root") == 0) return AddRoot(argv[2]);
  if (argc == 5 && std::wcscmp(argv[1], L"check") == 0) return Check(argv[2], argv[3], _wtoi(argv[4]));
  std::fprintf(stderr, "usage: trust_bench.exe add-root ROOT.cer | check FILE THUMBPRINT ROUNDS\n");
  return 2;
}
