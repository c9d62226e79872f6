// Programs served as installation packages by a private nginx, each behind a redirect from the
// installer's address template, the way a package server publishes them: the final address's
// last folder is the file's MD5 (or, for the failure cases, a wrong or no digest).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"

namespace InstallTests {

class PackageServer {
 public:
  enum class Digest { kCorrect, kWrong, kNone };

  PackageServer() = default;
  PackageServer(const PackageServer&) = delete;
  PackageServer& operator=(const PackageServer&) = delete;

  // Publishes file under the route ("download_silent" is the template's own route); call before
  // Start.
  void Add(const std::string& route, const std::wstring& file, Digest digest = Digest::kCorrect);
  // Starts nginx; false (with ErrorText) when it cannot.
  bool Start();
  const std::string& ErrorText() const { return error_; }

  // "http://127.0.0.1:PORT/redirect/ver1/zarneldravix/<route>/1.0/installer/123456"
  std::wstring Address(const std::string& route) const;
  // The same with "${ROUTE}" in place of the route, as the settings take it.
  std::wstring TemplateAddress() const;
  // An address under the redirect path that nginx answers with 404.
  std::wstring MissingAddress() const { return Address("no_such_route"); }
  std::string AccessLog() const { return server_ ? server_->AccessLog() : std::string(); }

  static std::string RoutePath(const std::string& route);

 private:
  TestSupport::TempFolder root_;
  std::string config_;
  std::unique_ptr<TestSupport::NginxServer> server_;
  std::string error_;
  int files_ = 0;
};

// The sample package kit served once per test program: the template's routes (both of them,
// whatever the machine's route is) give DravixSamplePackage.exe; "large" the 24 MiB copy;
// "wrong_md5" and "no_md5" the package with a wrong and with no digest folder. Fails the test
// and returns null when nginx cannot start.
PackageServer* SampleServer();

}  // namespace InstallTests
