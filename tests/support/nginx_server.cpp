#include "tests/support/nginx_server.h"

#include <windows.h>

#include "tests/support/paths.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace TestSupport {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Wine starts a Unix program given by its Z: path; its exit code does not come back, so the
// control script reports through files.
bool StartHostProgram(const std::string& commandLine) {
  std::wstring line = Utils::MultiByteToWide(commandLine, CP_UTF8);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  Utils::UniqueHandle process(info.hProcess);
  Utils::UniqueHandle thread(info.hThread);
  return true;
}

}  // namespace

NginxServer::NginxServer(std::wstring root, std::string extraConfig)
    : root_(std::move(root)), extraConfig_(std::move(extraConfig)) {}

NginxServer::~NginxServer() { Stop(); }

bool NginxServer::RunControl(const std::string& arguments, const std::wstring& doneFile, unsigned timeoutMs) {
  const std::string script = std::string(DRAVIX_SOURCE_DIR_UNIX) + "/tools/testenv/nginx_server.py";
  const std::string command = "Z:\\usr\\bin\\python3 " + Quoted(script) + " " + arguments + " --state " +
                              Quoted(UnixPathFromWindows(state_.Path()));
  if (!StartHostProgram(command)) {
    error_ = "cannot start the control script";
    return false;
  }
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < timeoutMs) {
    if (FileExists(doneFile)) return true;
    if (FileExists(state_.File(L"failed"))) {
      error_ = ReadFileBytes(state_.File(L"failed"));
      return false;
    }
    ::Sleep(20);
  }
  error_ = "the control script did not answer in time";
  return false;
}

bool NginxServer::Start(unsigned timeoutMs) {
  if (running_) return true;
  std::string arguments = "start --root " + Quoted(UnixPathFromWindows(root_));
  if (!extraConfig_.empty()) {
    if (!WriteFileBytes(state_.File(L"extra.conf"), extraConfig_)) {
      error_ = "cannot write extra.conf";
      return false;
    }
    arguments += " --extra " + Quoted(UnixPathFromWindows(state_.File(L"extra.conf")));
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
