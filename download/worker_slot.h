// The worker thread of a downloader: one run at a time, each run beginning only after the
// worker of the run before has ended.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "utils/thread.h"

class WorkerSlot {
 public:
  WorkerSlot() = default;
  ~WorkerSlot() { Close(); }
  WorkerSlot(const WorkerSlot&) = delete;
  WorkerSlot& operator=(const WorkerSlot&) = delete;

  // Runs body on a new Utils::Thread (created suspended, stored, then resumed) that first joins
  // the previous worker. The caller never waits: it may be the previous worker itself (an owner
  // answering an event from inside its handler) or a thread that worker waits for, and neither
  // may wait for that worker. Does nothing once the slot is closed. False when no thread could be
  // created (then nothing runs, and the caller must end the run itself); true otherwise.
  bool Launch(void* argument, const std::wstring& name, std::function<void()> body);

  // Refuses later launches and waits for the current worker, and so for every worker before it.
  // Must not be called on a worker thread.
  void Close();

 private:
  // Guards current and closed: Launch may run on a worker while the owner closes the slot.
  std::mutex mutex;
  bool closed = false;
  std::unique_ptr<Utils::Thread> current;
};
