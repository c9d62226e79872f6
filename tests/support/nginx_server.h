// A private nginx on a free loopback port serving one folder, for tests of real HTTP.
// nginx runs on the Linux host beside Wine; tools/testenv/nginx_server.py starts and stops it.
#pragma once

#include <string>
#include <utility>

#include "tests/support/sandbox.h"

namespace TestSupport {

class NginxServer {
 public:
  // root: the folder to serve (a Windows path). extraConfig: directives for the server block,
  // typically `location` blocks with redirects.
  explicit NginxServer(std::wstring root, std::string extraConfig = "");
  ~NginxServer();  // stops the server
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // Speak HTTPS with this certificate and key (host files, PEM); call before Start.
  void UseTls(std::wstring certificate, std::wstring key) {
    certificate_ = std::move(certificate);
    key_ = std::move(key);
  }

  // Starts nginx and waits until it listens; false (see ErrorText) when it cannot.
  bool Start(unsigned timeoutMs = 20000);
  void Stop(unsigned timeoutMs = 20000);

  int Port() const { return port_; }
  std::string BaseUrl() const { return Scheme() + "://127.0.0.1:" + std::to_string(port_); }
  std::wstring BaseUrlW() const {
    const std::string url = BaseUrl();
    return std::wstring(url.begin(), url.end());
  }
  const std::string& ErrorText() const { return error_; }
  std::string AccessLog() const;

 private:
  bool RunControl(const std::string& arguments, const std::wstring& doneFile, unsigned timeoutMs);
  std::string Scheme() const { return certificate_.empty() ? "http" : "https"; }

  std::wstring root_;
  std::string extraConfig_;
  std::wstring certificate_;
  std::wstring key_;
  TempFolder state_;
  int port_ = 0;
  bool running_ = false;
  std::string error_;
};

}  // namespace TestSupport
