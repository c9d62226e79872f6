// The download engine's one abstraction: built with (callback, address, target path), it
// fetches the package on its own worker thread and reports only through the callback.
#pragma once

#include "download/download_callback.h"

class CDownloader {
 public:
  virtual ~CDownloader() = default;
  // Begins a run on a worker thread; may be called again after a run, also from inside the
  // callback of the run before.
  virtual void Start() = 0;
};
