#include "download/md5.h"

#include <cstdio>
#include <vector>

extern "C" {
#include <lzma/Md5.h>
}

#include "utils/c_file.h"
#include "utils/log.h"
#include "utils/text_conversion.h"

namespace {

// Large reads: every read call is a round trip to the platform layer, which dominates the
// cost of hashing a package of hundreds of megabytes.
constexpr size_t kReadBlock = 256 * 1024;

// The digest of an open stream, read from its current position to its end.
std::string StreamMd5Hex(FILE* stream) {
  std::vector<Byte> block(kReadBlock);
  CMd5 md5;
  Md5_Init(&md5);
  for (;;) {
    const size_t read = std::fread(block.data(), 1, block.size(), stream);
    if (read == 0) break;
    Md5_Update(&md5, block.data(), read);
  }
  Byte digest[MD5_DIGEST_SIZE];
  Md5_Final(&md5, digest);
  return LowerHex(digest, sizeof(digest));
}

}  // namespace

std::string LowerHex(const unsigned char* bytes, size_t size) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * size);
  for (size_t i = 0; i < size; ++i) {
    hex.push_back(kHex[bytes[i] >> 4]);
    hex.push_back(kHex[bytes[i] & 0x0F]);
  }
  return hex;
}

std::string FileMd5Hex(const std::string& path) {
  if (path.empty()) return std::string();
  Utils::UniqueCFile file(std::fopen(path.c_str(), "rb"));
  return file ? StreamMd5Hex(file.get()) : std::string();
}

std::string FileMd5Hex(const std::wstring& path) {
  if (path.empty()) return std::string();
  Utils::UniqueCFile file(_wfopen(path.c_str(), L"rb"));
  return file ? StreamMd5Hex(file.get()) : std::string();
}

std::string Md5FromUrl(const std::string& address) {
  const size_t last = address.rfind('/');
  if (last == std::string::npos || last == 0) return std::string();
  const size_t before = address.rfind('/', last - 1);
  if (before == std::string::npos) return std::string();
  return address.substr(before + 1, last - before - 1);
}

DigestCheck CheckDigest(const std::string& expected, const std::wstring& path) {
  if (!IsUsableMd5(expected)) {
    WRITE_LOG(L"no digest in the address: its last folder is \"%s\", not 32 hexadecimal digits\r\n",
              Utils::MultiByteToWide(expected, CP_UTF8).c_str());
    return DigestCheck::kNoDigest;
  }
  return CompareDigest(expected, FileMd5Hex(path));
}

DigestCheck CompareDigest(const std::string& expected, const std::string& actual) {
  if (!IsUsableMd5(expected)) return DigestCheck::kNoDigest;
  if (IsUsableMd5(actual) && actual != expected) {
    WRITE_LOG(L"digest expected %s, got %s\r\n", Utils::MultiByteToWide(expected, CP_UTF8).c_str(),
              Utils::MultiByteToWide(actual, CP_UTF8).c_str());
    return DigestCheck::kMismatch;
  }
  return DigestCheck::kMatch;
}
