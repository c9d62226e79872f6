// A private nginx on a free loopback port serving one folder, for tests of real HTTP.
// nginx runs on the Linux host beside Wine; tools/testenv/nginx_server.py starts and stops it.
#pragma once

#include <string>

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

  // Starts nginx and waits until it listens; false (see ErrorText) when it cannot.
  bool Start(unsigned timeoutMs = 20000);
  void Stop(unsigned timeoutMs = 20000);

  int Port() const { return port_; }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::wstring BaseUrlW() const { return L"http://127.0.0.1:" + std::to_wstring(port_); }
  const std::string& ErrorText() const { return error_; }
  std::string AccessLog() const;

 private:
  bool RunControl(const std::string& arguments, const std::wstring& doneFile, unsigned timeoutMs);

  std::wstring root_;
  std::string extraConfig_;
  TempFolder state_;
  int port_ = 0;
  bool running_ = false;
  std::string error_;
};

}  // namespace TestSupport
