#include "utils/child_process.h"

#include "utils/exception.h"
#include "utils/log.h"

namespace Utils {

namespace {

void KeepFromChildren(HANDLE handle) {
  if (handle) ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

void ChildProcess::Run(const std::wstring& commandLine, const HeldFile* image) {
  Close();
  errorPipe_.Create();
  outputPipe_.Create();
  inputPipe_.Create();

  if (commandLine.size() + 1 > kMaxCommandLine) {
    WRITE_LOG(L"command line too long: %d characters\r\n", static_cast<int>(commandLine.size()));
    throw Exception();
  }
  commandLine_.assign(commandLine.begin(), commandLine.end());
  commandLine_.push_back(L'\0');

  KeepFromChildren(outputPipe_.ReadEnd());
  KeepFromChildren(errorPipe_.ReadEnd());
  KeepFromChildren(inputPipe_.WriteEnd());

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = inputPipe_.ReadEnd();
  startup.hStdOutput = outputPipe_.WriteEnd();
  startup.hStdError = errorPipe_.WriteEnd();

  PROCESS_INFORMATION info = {};
  // A group of its own: a Ctrl+C meant for us (a terminal sends it to every process of its job)
  // must not end the child half-way, where its silent end would read as success. Its parent
  // stops it when it has to. A checked image starts suspended until it is known to be that file.
  const wchar_t* program = image ? image->Path().c_str() : nullptr;
  const DWORD flags = CREATE_NEW_PROCESS_GROUP | (image ? CREATE_SUSPENDED : 0);
  if (!::CreateProcessW(program, commandLine_.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                        &info)) {
    WRITE_LOG(L"CreateProcessW failed, code=%lu: %s\r\n", static_cast<unsigned long>(::GetLastError()),
              commandLine.c_str());
    throw Exception();
  }
  process_.reset(info.hProcess);
  thread_.reset(info.hThread);
  processId_ = info.dwProcessId;
  if (image) {
    if (!image->IsImageOf(process_.get())) {
      WRITE_LOG(L"the started program is not the checked file: %s\r\n", image->Path().c_str());
      ::TerminateProcess(process_.get(), 1);
      ::WaitForSingleObject(process_.get(), INFINITE);
      throw Exception();
    }
    ::ResumeThread(thread_.get());
  }

  // Only the child may hold its ends now: the output pipe then breaks when the child is gone.
  outputPipe_.CloseWriteEnd();
  errorPipe_.CloseWriteEnd();
  inputPipe_.CloseReadEnd();
  // Nothing is ever sent: a child that reads its input sees the end at once instead of waiting.
  inputPipe_.CloseWriteEnd();
}

void ChildProcess::Close() {
  thread_.reset();
  process_.reset();
  processId_ = 0;
  errorPipe_.Close();
  outputPipe_.Close();
  inputPipe_.Close();
}

bool ChildProcess::HasExited() const { return WaitForExit(0); }

bool ChildProcess::WaitForExit(DWORD milliseconds) const {
  if (!process_) return false;
  return ::WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

bool ChildProcess::ExitCode(DWORD* code) const {
  return HasExited() && ::GetExitCodeProcess(process_.get(), code) != 0;
}

}  // namespace Utils
