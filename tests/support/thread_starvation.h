// Takes from this process the room for new threads, for as long as the object lives: a host
// script lowers the process's limit of open files to what it holds, and Wine needs new pipes
// for every thread it starts. Works the same in 32- and 64-bit builds; nothing else may open
// a file (or socket) meanwhile.
#pragma once

#include <string>

#include "tests/support/sandbox.h"
#include "utils/unique_resource.h"

namespace TestSupport {

class ThreadStarvation {
 public:
  ThreadStarvation();
  ~ThreadStarvation();  // gives the room back and waits until it is back
  ThreadStarvation(const ThreadStarvation&) = delete;
  ThreadStarvation& operator=(const ThreadStarvation&) = delete;

  // False with the reason when the limit could not be set.
  bool Active(std::string* error) const;

  // True when a thread can no longer be created (checked by trying).
  static bool ThreadsRefused();

 private:
  TempFolder state_;
  Utils::UniqueFileHandle holder_;  // the file by which the host script finds this process
  bool active_ = false;
  std::string error_;
};

}  // namespace TestSupport
