#pragma once

#include <functional>
#include <string>

#include "utils/child_process.h"

namespace Install {

// Reads a started child's standard output until the child has ended, handing every complete
// line (raw bytes, line end removed) to onLine as it arrives; after the end, the output still
// buffered and a last line without a line feed follow. Standard error is read and dropped, so a
// chatty child never blocks on a full pipe. Returns when the child has ended.
void PumpChildOutput(Utils::ChildProcess& child, const std::function<void(const std::string& line)>& onLine);

}  // namespace Install
