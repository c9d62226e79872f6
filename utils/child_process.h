#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "utils/held_file.h"
#include "utils/pipe.h"
#include "utils/unique_resource.h"

namespace Utils {

// One hidden child process whose standard output and error come back through pipes. The child
// gets an input pipe that reports end of file at once, since nothing is ever written to it.
class ChildProcess {
 public:
  // The system refuses longer command lines (terminating zero included).
  static constexpr size_t kMaxCommandLine = 32767;

  ChildProcess() = default;
  ~ChildProcess() { Close(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Creates the pipes and starts commandLine. Throws Utils::Exception when a pipe cannot be
  // made, the command line is too long, or the process cannot be created; whatever was opened
  // stays with this object until Close. With image, the program is exactly that held file: it is
  // named to the system as the program, and a child whose image turns out to be another file
  // is ended before it ran a single instruction (and Exception is thrown).
  void Run(const std::wstring& commandLine, const HeldFile* image = nullptr);
  // Closes the thread and process handles, then every pipe end still open. Does not wait.
  void Close();

  HANDLE Process() const { return process_.get(); }
  DWORD ProcessId() const { return processId_; }
  HANDLE OutputReadEnd() const { return outputPipe_.ReadEnd(); }
  HANDLE ErrorReadEnd() const { return errorPipe_.ReadEnd(); }

  // Ended, judged by the process handle, so that a child whose exit code happens to be
  // STILL_ACTIVE (259) is not taken for a running one. False when there is no process.
  bool HasExited() const;
  // Waits up to milliseconds for the end; true when the child has ended.
  bool WaitForExit(DWORD milliseconds) const;
  // The whole 32-bit exit code of an ended child; false while it runs or when there is none.
  bool ExitCode(DWORD* code) const;

 private:
  std::vector<wchar_t> commandLine_;  // CreateProcessW may write into it
  Pipe errorPipe_;
  Pipe outputPipe_;
  Pipe inputPipe_;
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD processId_ = 0;
};

}  // namespace Utils
