// The download engine's one abstraction: built with (callback, address, target path), it
// fetches the package on its own worker thread and reports only through the callback.
#pragma once

#include <string>

#include "download/download_callback.h"

class CDownloader {
 public:
  virtual ~CDownloader() = default;
  // Begins a run on a worker thread; may be called again after a run, also from inside the
  // callback of the run before.
  virtual void Start() = 0;
  // 64 lowercase hexadecimal digits: the package's SHA-256 must equal them too, and a package
  // that differs is treated like one whose MD5 differs. Empty (the default): not checked. Set
  // before Start.
  void RequireSha256(std::string hex) { expectedSha256 = std::move(hex); }

 protected:
  std::string expectedSha256;  // written before the first Start, read by the workers
};
