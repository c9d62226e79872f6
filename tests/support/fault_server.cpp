#include "tests/support/fault_server.h"

#include <windows.h>

#include <sstream>

#include "tests/support/host_script.h"
#include "tests/support/paths.h"

namespace TestSupport {

FaultServer::FaultServer(std::wstring root) : root_(std::move(root)) {}

FaultServer::~FaultServer() { Stop(); }

bool FaultServer::RunControl(const std::string& arguments, const std::wstring& doneFile, unsigned timeoutMs) {
  return RunHostScript("fault_server.py", arguments, state_, doneFile, timeoutMs, &error_);
}

bool FaultServer::Use(const std::string& scenario, const Redirects& redirects) {
  // A generation line makes every call a new content, so that a repeated scenario starts afresh.
  std::string content = scenario + "\n#" + std::to_string(++generation_) + "\n";
  for (const auto& redirect : redirects) content += redirect.first + "=" + redirect.second + "\n";
  const std::wstring file = state_.File(L"scenario");
  if (!WriteFileBytes(file + L".new", content) || !WriteFileBytes(state_.File(L"requests.log"), "")) return false;
  // Replaced in one step: the server reads the file before every request.
  return ::MoveFileExW((file + L".new").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool FaultServer::Start(unsigned timeoutMs) {
  if (running_) return true;
  if (!FileExists(state_.File(L"scenario")) && !Use("correct", {})) {
    error_ = "cannot write the scenario file";
    return false;
  }
  const std::string arguments = "start --root " + QuotedArgument(UnixPathFromWindows(root_));
  if (!RunControl(arguments, state_.File(L"port"), timeoutMs)) return false;
  port_ = std::atoi(ReadFileBytes(state_.File(L"port")).c_str());
  running_ = port_ > 0;
  return running_;
}

void FaultServer::Stop(unsigned timeoutMs) {
  if (!running_) return;
  running_ = false;
  ::DeleteFileW(state_.File(L"stopped").c_str());
  RunControl("stop", state_.File(L"stopped"), timeoutMs);
}

std::vector<FaultServer::Request> FaultServer::Requests() const {
  std::vector<Request> requests;
  std::istringstream lines(ReadFileBytes(state_.File(L"requests.log")));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Request request;
    std::string status;
    if (std::getline(fields, request.method, '\t') && std::getline(fields, request.path, '\t') &&
        std::getline(fields, request.range, '\t') && std::getline(fields, status)) {
      request.status = std::atoi(status.c_str());
      requests.push_back(request);
    }
  }
  return requests;
}

}  // namespace TestSupport
