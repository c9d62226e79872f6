#include "tests/support/nginx_server.h"

#include <windows.h>

#include "tests/support/host_script.h"
#include "tests/support/paths.h"

namespace TestSupport {

NginxServer::NginxServer(std::wstring root, std::string extraConfig)
    : root_(std::move(root)), extraConfig_(std::move(extraConfig)) {}

NginxServer::~NginxServer() { Stop(); }

bool NginxServer::RunControl(const std::string& arguments, const std::wstring& doneFile, unsigned timeoutMs) {
  return RunHostScript("nginx_server.py", arguments, state_, doneFile, timeoutMs, &error_);
}

bool NginxServer::Start(unsigned timeoutMs) {
  if (running_) return true;
  std::string arguments = "start --root " + QuotedArgument(UnixPathFromWindows(root_));
  if (!extraConfig_.empty()) {
    if (!WriteFileBytes(state_.File(L"extra.conf"), extraConfig_)) {
      error_ = "cannot write extra.conf";
      return false;
    }
    arguments += " --extra " + QuotedArgument(UnixPathFromWindows(state_.File(L"extra.conf")));
  }
  if (!certificate_.empty()) {
    arguments += " --cert " + QuotedArgument(UnixPathFromWindows(certificate_)) + " --key " +
                 QuotedArgument(UnixPathFromWindows(key_));
  }
  if (!RunControl(arguments, state_.File(L"port"), timeoutMs)) return false;
  port_ = std::atoi(ReadFileBytes(state_.File(L"port")).c_str());
  running_ = port_ > 0;
  return running_;
}

void NginxServer::Stop(unsigned timeoutMs) {
  if (!running_) return;
  running_ = false;
  ::DeleteFileW(state_.File(L"stopped").c_str());
  RunControl("stop", state_.File(L"stopped"), timeoutMs);
}

std::string NginxServer::AccessLog() const { return ReadFileBytes(state_.File(L"access.log")); }

}  // namespace TestSupport
