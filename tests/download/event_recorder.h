// Records a downloader's events as its owner would receive them, from any thread, and can
// answer 1005 the way the orchestrator does: by calling Start from inside the handler.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"

namespace DownloadTest {

struct Event {
  int code = 0;
  double progress = 0.0;
  std::wstring text;
  DWORD thread = 0;
};

// Recorded when a handler that answered 1005 with Start returns.
constexpr int kRetryHandlerEnd = 0;

class EventRecorder {
 public:
  EventRecorder() = default;
  EventRecorder(const EventRecorder&) = delete;
  EventRecorder& operator=(const EventRecorder&) = delete;

  // The callback to build a downloader with; the recorder must outlive that downloader.
  DownloadCallback Callback();
  // From now on a 1005 is answered by downloader->Start() inside the handler.
  void RestartOnRetry(CDownloader* downloader) { restart_ = downloader; }
  // Runs inside the handler of a 1005 that is answered, before Start.
  void BeforeRestart(std::function<void()> hook) { beforeRestart_ = std::move(hook); }

  // Waits until the download has ended: a 1003 or a 1004, or a 1005 nobody answers.
  bool WaitForEnd(DWORD timeoutMs = 240000);
  // Waits until at least count events (progress included) have arrived.
  bool WaitForCount(size_t count, DWORD timeoutMs = 240000);

  std::vector<Event> Events() const;
  // Codes in order without the 1002s.
  std::vector<int> Codes() const;
  // The progress values of the 1002s, in order.
  std::vector<double> Progress() const;
  // True when two threads were ever inside the callback at the same time.
  bool Overlapped() const { return overlapped_; }

 private:
  void Record(int code, double progress, const wchar_t* text);
  bool Ended() const;  // with mutex_ held

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  std::atomic<CDownloader*> restart_{nullptr};
  std::function<void()> beforeRestart_;  // set before the download starts
  std::atomic<int> inside_{0};
  std::atomic<bool> overlapped_{false};
};

// The nth event with this code; an event with code -1 and no text when there is none.
Event FindEvent(const std::vector<Event>& events, int code, size_t nth = 0);

}  // namespace DownloadTest
