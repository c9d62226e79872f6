#include "install/package_trust.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cwchar>
#include <cwctype>
#include <vector>

#include "download/md5.h"
#include "utils/crypt_handles.h"

namespace {

constexpr size_t kSha256Digits = 64;
constexpr size_t kThumbprintDigits = 40;

// The text's hexadecimal digits in lowercase, when it holds exactly `digits` of them and
// nothing else but the allowed separators.
bool NormalizeHex(const std::wstring& text, size_t digits, const wchar_t* separators, std::string* hex) {
  hex->clear();
  for (wchar_t c : text) {
    if (std::wcschr(separators, c) != nullptr && c != L'\0') continue;
    if (!std::iswxdigit(c)) return false;
    hex->push_back(static_cast<char>(std::towlower(c)));
  }
  return hex->size() == digits;
}

std::wstring Trim(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return std::wstring();
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The system's Authenticode verification of the file, without any user interface or network.
bool SystemVerifies(const std::wstring& path) {
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return status == 0;
}

std::string Thumbprint(PCCERT_CONTEXT certificate) {
  BYTE hash[20];
  DWORD size = sizeof(hash);
  if (!::CertGetCertificateContextProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash, &size) || size != sizeof(hash)) {
    return std::string();
  }
  return LowerHex(hash, sizeof(hash));
}

bool Listed(const std::string& thumbprint, const std::vector<std::string>& signers) {
  if (thumbprint.empty()) return false;
  for (const std::string& signer : signers) {
    if (signer == thumbprint) return true;
  }
  return false;
}

}  // namespace

bool ParsePackageTrust(const std::wstring& sha256, const std::wstring& signers, PackageTrust* trust) {
  *trust = PackageTrust();
  const std::wstring pinned = Trim(sha256);
  if (!pinned.empty() && !NormalizeHex(pinned, kSha256Digits, L"", &trust->sha256)) return false;
  const std::wstring list = Trim(signers);
  if (list.empty()) return true;
  size_t begin = 0;
  for (;;) {
    const size_t comma = list.find(L',', begin);
    std::string thumbprint;
    if (!NormalizeHex(list.substr(begin, comma - begin), kThumbprintDigits, L" \t:", &thumbprint)) return false;
    trust->signers.push_back(thumbprint);
    if (comma == std::wstring::npos) break;
    begin = comma + 1;
  }
  return true;
}

bool IsSignedByListedCertificate(const std::wstring& path, const std::vector<std::string>& signers) {
  // Wine's verification does not insist on a trusted root for every kind of certificate: it only
  // proves that the signature covers the file. Trust comes from the chain built here.
  if (!SystemVerifies(path)) return false;

  DWORD encoding = 0, contentType = 0, formatType = 0;
  Utils::UniqueCertStore store;
  Utils::UniqueCryptMsg message;
  if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                          CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType, store.put(),
                          message.put(), nullptr)) {
    return false;
  }
  DWORD size = 0;
  if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) || size == 0) return false;
  std::vector<BYTE> buffer(size);
  if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) return false;
  const auto* info = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
  CERT_INFO wanted{};
  wanted.Issuer = info->Issuer;
  wanted.SerialNumber = info->SerialNumber;
  const Utils::UniqueCertContext signer(::CertFindCertificateInStore(
      store.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
  if (!signer) return false;

  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof(parameters);
  Utils::UniqueCertChain chain;
  if (!::CertGetCertificateChain(nullptr, signer.get(), nullptr, store.get(), &parameters, 0, nullptr, chain.put())) {
    return false;
  }
  // Any error at all (an untrusted or missing root, a bad signature in the chain, an expired
  // certificate) fails the package.
  if (chain.get()->TrustStatus.dwErrorStatus != CERT_TRUST_NO_ERROR || chain.get()->cChain == 0) return false;
  const CERT_SIMPLE_CHAIN* simple = chain.get()->rgpChain[0];
  if (simple->cElement == 0) return false;
  return Listed(Thumbprint(simple->rgpElement[0]->pCertContext), signers) ||
         Listed(Thumbprint(simple->rgpElement[simple->cElement - 1]->pCertContext), signers);
}
