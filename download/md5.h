// Package digests: the MD5 of a file, and the digest a package address carries as the name of
// its last directory.
#pragma once

#include <cstddef>
#include <string>

// Bytes as lowercase hexadecimal digits, two per byte: how digests and thumbprints are compared.
std::string LowerHex(const unsigned char* bytes, size_t size);

// 32 lowercase hexadecimal digits of the file's MD5; empty for an empty path or a file that
// cannot be opened. The path is in the ANSI code page.
std::string FileMd5Hex(const std::string& path);
// The same for a path in UTF-16: any folder name the user may choose.
std::string FileMd5Hex(const std::wstring& path);

// The text between the last two '/' of the address; empty with fewer than two '/'.
std::string Md5FromUrl(const std::string& address);

// A digest is usable only with exactly 32 characters.
inline bool IsUsableMd5(const std::string& digest) { return digest.size() == 32; }

// What the check of a downloaded file against the digest of its address found.
enum class DigestCheck { kNoDigest, kMatch, kMismatch };
// `expected` as Md5FromUrl gives it. A file whose own digest cannot be read is not called a
// mismatch: the downloaders have just written it whole.
DigestCheck CheckDigest(const std::string& expected, const std::wstring& path);
// The same against a digest already computed (empty: it could not be).
DigestCheck CompareDigest(const std::string& expected, const std::string& actual);
