// A package server that misbehaves on purpose (tools/testenv/fault_server.py), on a free
// loopback port: it serves a folder with redirects, and its named scenario decides which
// requests get a fault (cut or stalled bodies, error statuses, ignored ranges, wrong lengths,
// redirect chains and loops, refused connections, connections reset before any answer, made-up
// answers with the header lines, charsets and pages a test needs); a POST is answered with its
// own body. One server plays many scenarios in turn.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/sandbox.h"

namespace TestSupport {

class FaultServer {
 public:
  // One request as the server saw it; range is "-" when the request had none.
  struct Request {
    std::string method;
    std::string path;
    std::string range;
    int status = 0;
  };

  using Redirects = std::vector<std::pair<std::string, std::string>>;

  // root: the folder to serve (a Windows path).
  explicit FaultServer(std::wstring root);
  ~FaultServer();  // stops the server
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  // Plays this scenario from the next request on, from its beginning, with these redirects
  // ((from, to) URL paths answered with 302), and forgets the requests seen so far. Set before
  // Start, it is also the scenario the server starts with ("refuse" works only that way).
  bool Use(const std::string& scenario, const Redirects& redirects);
  // Starts the server and waits until it listens; false (see ErrorText) when it cannot.
  bool Start(unsigned timeoutMs = 20000);
  void Stop(unsigned timeoutMs = 20000);

  int Port() const { return port_; }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::wstring BaseUrlW() const { return L"http://127.0.0.1:" + std::to_wstring(port_); }
  const std::string& ErrorText() const { return error_; }
  // Every request answered so far, in order.
  std::vector<Request> Requests() const;

 private:
  bool RunControl(const std::string& arguments, const std::wstring& doneFile, unsigned timeoutMs);

  std::wstring root_;
  TempFolder state_;
  unsigned generation_ = 0;
  int port_ = 0;
  bool running_ = false;
  std::string error_;
};

}  // namespace TestSupport
