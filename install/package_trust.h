// What a downloaded package must satisfy before it runs elevated, beyond the MD5 of its address:
// a pinned SHA-256, and an Authenticode signature under a listed certificate. Both are off when
// their setting is empty.
#pragma once

#include <string>
#include <vector>

struct PackageTrust {
  std::string sha256;                // 64 lowercase hex digits; empty: not checked
  std::vector<std::string> signers;  // 40 lowercase hex digits each; empty: not checked
};

// Reads the two settings as written (any letter case; thumbprints separated by commas, with
// blanks or colons inside a thumbprint allowed as certificate viewers print them). False when
// either is set but malformed: such a setting is an error, never ignored.
bool ParsePackageTrust(const std::wstring& sha256, const std::wstring& signers, PackageTrust* trust);

// True when the file carries a valid Authenticode signature (the system's verification passes),
// the chain built by this process from the signer certificate ends in a trusted root without
// any error, and the signer's or the root's SHA-1 thumbprint is one of `signers`.
bool IsSignedByListedCertificate(const std::wstring& path, const std::vector<std::string>& signers);
