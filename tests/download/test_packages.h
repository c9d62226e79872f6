// Packages for the download tests: deterministic pseudo-random bytes generated at test time,
// placed under "<md5>/" (and variants with a wrong, missing or upper-case digest directory),
// each served by its own nginx behind a redirect from the installer's template path.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "download/streaming_digest.h"
#include "tests/support/fault_server.h"

namespace DownloadTest {

constexpr size_t kMiB = 1048576;
// Above the single stream's 1 MiB floor and not a multiple of any buffer size.
constexpr size_t kFiveMiB = 5 * kMiB + 12345;

// An address or path written in UTF-8, as the tests hold them, for the downloaders.
std::wstring Wide(const std::string& text);
constexpr size_t kSegment = 10485760;

enum class Digest { kCorrect, kWrong, kMissing, kUpper };

// "/redirect/ver1/zarneldravix/<route>/1.0/installer/123456"
std::string RoutePath(const std::string& route);
// The route of a digest variant; "download_silent" for the correct one.
std::string RouteOf(Digest digest);

// The bytes of the package of this size; the same on every call.
std::string PackageBytes(size_t size);

struct Package {
  size_t size = 0;
  std::string md5;    // lowercase
  std::wstring root;  // the folder every package lives in (Windows path)
  // "/<directory>/Dravix.exe" for a digest variant, relative to root.
  std::string FinalPath(Digest digest) const;
  // nginx's address of the template path for a digest variant (starts that nginx on first use).
  std::string Address(Digest digest = Digest::kCorrect) const;
  // The same package from a location that sends at most 3 MiB per second.
  std::string SlowAddress() const;
};

// The package of this size, generated and served on first use; fails the test when it cannot.
const Package& GetPackage(size_t size);

// The fault server (see tools/testenv/fault_server.py), shared by all tests, set to play the
// scenario for this package from now on, with the template path redirected to the digest
// variant; "refuse" gets a server of its own. Fails the test when it cannot start.
TestSupport::FaultServer& ServeWithFault(const Package& package, const std::string& scenario,
                                         Digest digest = Digest::kCorrect);
// The template path's address on that server.
std::wstring TemplateAddress(const TestSupport::FaultServer& server);
// The GET requests the server saw, in order.
std::vector<TestSupport::FaultServer::Request> Gets(const TestSupport::FaultServer& server);

// The file name the installer downloads the package to.
constexpr const wchar_t* kTargetName = L"__Package_Dravix.exe";

// Folder names the ANSI code page of the test prefix (1252) cannot spell: Chinese and Greek.
const std::vector<std::wstring>& WideFolderNames();
// True when every character of the text has a form in the ANSI code page.
bool FitsAnsiCodePage(const std::wstring& text);
// Creates the folder "<parent>\<name>" and returns its path; fails the test when it cannot.
std::wstring MakeFolder(const std::wstring& parent, const std::wstring& name);

// True when the file holds exactly the package's bytes; explains a difference otherwise.
::testing::AssertionResult FileHoldsPackage(const std::wstring& file, size_t size);
// A range of the package's bytes.
::testing::AssertionResult FileHoldsPackageRange(const std::wstring& file, size_t size, size_t offset, size_t length);

// True when the verification used a digest taken while downloading and it is the MD5 of the
// package of this size (the bytes served are the package's whatever the address claims).
::testing::AssertionResult StreamedDigestIsPackage(const DigestReport& report, size_t size);

}  // namespace DownloadTest
