#include "download/worker_slot.h"

bool WorkerSlot::Launch(void* argument, const std::wstring& name, std::function<void()> body) {
  std::lock_guard<std::mutex> lock(mutex);
  if (closed) return true;  // destruction: nothing is reported any more
  // The successor owns its predecessor and joins it before body runs, so that its first event
  // follows the old worker's last one and no thread ever waits for itself.
  auto previous = std::make_shared<std::unique_ptr<Utils::Thread>>(std::move(current));
  auto next = std::make_unique<Utils::Thread>(argument, name, [previous, body](void*) -> unsigned {
    previous->reset();
    body();
    return 0;
  });
  if (!next->Handle()) {  // no thread: nothing runs, the previous worker stays the current one
    current = std::move(*previous);
    return false;
  }
  current = std::move(next);
  current->Resume();
  return true;
}

void WorkerSlot::Close() {
  std::unique_ptr<Utils::Thread> last;
  {
    std::lock_guard<std::mutex> lock(mutex);
    closed = true;
    last = std::move(current);
  }
  last.reset();
}
