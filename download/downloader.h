// The download engine's one abstraction: built with (callback, address, target path), it
// fetches the package on its own worker thread and reports only through the callback.
#pragma once

#include <mutex>
#include <string>
#include <utility>

#include "download/download_callback.h"
#include "utils/held_file.h"

class CDownloader {
 public:
  virtual ~CDownloader() = default;
  // Begins a run on a worker thread; may be called again after a run, also from inside the
  // callback of the run before.
  virtual void Start() = 0;

  // The value of the 1004 sent when no worker thread can be created.
  static constexpr double kNoWorker = 8.0;  // ERROR_NOT_ENOUGH_MEMORY

  // The package of the last 1003, held against change from before its verification on: the
  // handler of that 1003 takes it to start exactly the verified file. Empty when already taken.
  Utils::HeldFile TakeVerifiedPackage() {
    std::lock_guard<std::mutex> lock(verifiedMutex_);
    return std::move(verified_);
  }

  // 64 lowercase hexadecimal digits: the package's SHA-256 must equal them too, and a package
  // that differs is treated like one whose MD5 differs. Empty (the default): not checked. Set
  // before Start.
  void RequireSha256(std::string hex) { expectedSha256 = std::move(hex); }

 protected:
  // Holds the finished file; false when it cannot be held (someone has it open for writing).
  bool HoldFinishedFile(const std::wstring& path) {
    Utils::HeldFile file;
    const bool held = file.Open(path);
    std::lock_guard<std::mutex> lock(verifiedMutex_);
    verified_ = std::move(file);
    return held;
  }
  // Lets go of a file that failed its checks, so that it can be deleted.
  void ReleaseFinishedFile() {
    std::lock_guard<std::mutex> lock(verifiedMutex_);
    verified_.Release();
  }

  std::string expectedSha256;  // written before the first Start, read by the workers

 private:
  // The worker sets it before 1003; the owner takes it in the handler or later: guarded.
  std::mutex verifiedMutex_;
  Utils::HeldFile verified_;
};
