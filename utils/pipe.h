#pragma once

#include <windows.h>

#include "utils/unique_resource.h"

namespace Utils {

// An anonymous pipe whose two ends are created inheritable, so that either can be handed to a
// child process. Each end has its own owner and is closed at the latest with the pipe.
class Pipe {
 public:
  // Throws Utils::Exception when the system cannot create the pipe; nothing stays open then.
  void Create();
  // Closes both ends that are still open.
  void Close();

  HANDLE ReadEnd() const { return readEnd_.get(); }
  HANDLE WriteEnd() const { return writeEnd_.get(); }
  void CloseReadEnd() { readEnd_.reset(); }
  void CloseWriteEnd() { writeEnd_.reset(); }

 private:
  UniqueHandle writeEnd_;
  UniqueHandle readEnd_;
};

}  // namespace Utils
