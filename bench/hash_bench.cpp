// The package digests' implementations side by side, under Wine:
//   hash_bench.exe [MIB]          (default 256)
// Hashes MIB mebibytes of pseudo-random bytes held in memory (64 MiB hashed repeatedly), fed
// in 512 KiB calls as a download feeds them, with every MD5 and SHA-256 implementation the
// installer can use, and prints one line per implementation: seconds, MB/s and the digest, so
// that the fastest correct one can be kept (all digests of one algorithm must agree).
#include <windows.h>

#include <bcrypt.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <lzma/Md5.h>
#include <lzma/Sha256.h>
}

#include "download/md5.h"

namespace {

constexpr size_t kBlock = 512 * 1024;
constexpr size_t kHeld = 64 * 1024 * 1024;

double Now() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Bytes {
  std::vector<unsigned char> data;
  size_t total;
  // Calls feed for every block of the total, in order.
  void ForEachBlock(const std::function<void(const unsigned char*, size_t)>& feed) const {
    for (size_t done = 0; done < total; done += kBlock) feed(data.data() + done % kHeld, kBlock);
  }
};

void Report(const char* name, double seconds, size_t total, const std::string& digest) {
  std::printf("%-28s %7.3f s %7.0f MB/s  %s\n", name, seconds, static_cast<double>(total) / 1e6 / seconds,
              digest.c_str());
}

// One of the LZMA SDK's hashes, which all share the same three calls.
template <typename State, size_t kDigestSize>
void Lzma(const Bytes& bytes, const char* name, void (*init)(State*), void (*update)(State*, const Byte*, size_t),
          void (*finish)(State*, Byte*)) {
  const double start = Now();
  State state;
  init(&state);
  bytes.ForEachBlock([&](const unsigned char* data, size_t size) { update(&state, data, size); });
  unsigned char digest[kDigestSize];
  finish(&state, digest);
  Report(name, Now() - start, bytes.total, LowerHex(digest, sizeof(digest)));
}

void Cng(const Bytes& bytes, const wchar_t* algorithm, ULONG digestSize, const char* name) {
  BCRYPT_ALG_HANDLE provider = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (::BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0) != 0) {
    std::printf("%-28s unavailable\n", name);
    return;
  }
  const double start = Now();
  std::string digest;
  if (::BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
    bytes.ForEachBlock([&](const unsigned char* data, size_t size) {
      ::BCryptHashData(hash, const_cast<unsigned char*>(data), static_cast<ULONG>(size), 0);
    });
    unsigned char value[64];
    if (::BCryptFinishHash(hash, value, digestSize, 0) == 0) digest = LowerHex(value, digestSize);
    ::BCryptDestroyHash(hash);
  }
  Report(name, Now() - start, bytes.total, digest);
  ::BCryptCloseAlgorithmProvider(provider, 0);
}

void CryptoApi(const Bytes& bytes, ALG_ID algorithm, const char* name) {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    std::printf("%-28s unavailable\n", name);
    return;
  }
  const double start = Now();
  std::string digest;
  if (::CryptCreateHash(provider, algorithm, 0, 0, &hash)) {
    bytes.ForEachBlock(
        [&](const unsigned char* data, size_t size) { ::CryptHashData(hash, data, static_cast<DWORD>(size), 0); });
    unsigned char value[64];
    DWORD length = sizeof(value);
    if (::CryptGetHashParam(hash, HP_HASHVAL, value, &length, 0)) digest = LowerHex(value, length);
    ::CryptDestroyHash(hash);
  }
  Report(name, Now() - start, bytes.total, digest);
  ::CryptReleaseContext(provider, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Bytes bytes;
  bytes.total = static_cast<size_t>(argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 256) * 1024 * 1024;
  bytes.total -= bytes.total % kBlock;
  bytes.data.resize(kHeld);
  unsigned state = 20240601;
  for (unsigned char& b : bytes.data) {
    state = state * 1103515245u + 12345u;
    b = static_cast<unsigned char>(state >> 16);
  }
  std::printf("%lu MiB in %lu KiB calls\n", static_cast<unsigned long>(bytes.total >> 20),
              static_cast<unsigned long>(kBlock >> 10));
  Lzma<CMd5, MD5_DIGEST_SIZE>(bytes, "LZMA SDK Md5", Md5_Init, Md5_Update, Md5_Final);
  Cng(bytes, BCRYPT_MD5_ALGORITHM, 16, "CNG BCrypt MD5");
  CryptoApi(bytes, CALG_MD5, "CryptoAPI MD5");
  Sha256Prepare();
  Lzma<CSha256, SHA256_DIGEST_SIZE>(bytes, "LZMA SDK Sha256", Sha256_Init, Sha256_Update, Sha256_Final);
  Cng(bytes, BCRYPT_SHA256_ALGORITHM, 32, "CNG BCrypt SHA-256");
  CryptoApi(bytes, CALG_SHA_256, "CryptoAPI SHA-256");
  return 0;
}
