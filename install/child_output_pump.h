#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "utils/child_process.h"

namespace Install {

// Reads a started child's standard output until the child has ended, handing every complete
// line (raw bytes, line end removed) to onLine as it arrives; after the end, the output still
// buffered and a last line without a line feed follow. Standard error is read and dropped, so a
// chatty child never blocks on a full pipe. Returns when the child has ended.
void PumpChildOutput(Utils::ChildProcess& child, const std::function<void(const std::string& line)>& onLine);

// How a child ended. Without a verdict in its output, a non-zero exit code (a crash, an abort)
// is its failure; exit code 0 keeps working for programs that print nothing.
struct ChildEnd {
  bool known = false;  // the exit code could be read
  DWORD code = 0;
  bool Failed() const { return known && code != 0; }
};

// Waits without a time limit for the child's end, reads its exit code, and closes it.
ChildEnd WaitForEnd(Utils::ChildProcess& child);

}  // namespace Install
