#include "tests/support/fault_server.h"

#include <windows.h>

#include <sstream>

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

FaultServer::FaultServer(std::wstring root) : root_(std::move(root)) {}

FaultServer::~FaultServer() { Stop(); }

bool FaultServer::RunControl(const std::string& arguments, const std::wstring& doneFile, unsigned timeoutMs) {
  const std::string script = std::string(DRAVIX_SOURCE_DIR_UNIX) + "/tools/testenv/fault_server.py";
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
  error_ = "the fault server did not answer in time";
  return false;
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
  const std::string arguments = "start --root " + Quoted(UnixPathFromWindows(root_));
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
