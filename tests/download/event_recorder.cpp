#include "tests/download/event_recorder.h"

namespace DownloadTest {

DownloadCallback EventRecorder::Callback() {
  return [this](int code, double progress, const wchar_t* text) { Record(code, progress, text); };
}

void EventRecorder::Record(int code, double progress, const wchar_t* text) {
  if (++inside_ > 1) overlapped_ = true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(Event{code, progress, text ? text : L"(null)", ::GetCurrentThreadId()});
  }
  --inside_;
  CDownloader* restart = restart_;
  if (code == DL_CODE_RETRY && restart) {
    if (beforeRestart_) beforeRestart_();
    restart->Start();
    // Linger in the handler: a new run that did not wait for this one would send its 1001 now.
    ::Sleep(150);
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(Event{kRetryHandlerEnd, 0.0, L"", ::GetCurrentThreadId()});
  }
  changed_.notify_all();
}

bool EventRecorder::Ended() const {
  for (auto it = events_.rbegin(); it != events_.rend(); ++it) {
    if (it->code == DL_CODE_PROGRESS || it->code == DL_CODE_MD5) continue;
    if (it->code == DL_CODE_SUCCESS || it->code == DL_CODE_FAIL) return true;
    if (it->code == DL_CODE_RETRY) return restart_ == nullptr;
    return false;
  }
  return false;
}

bool EventRecorder::WaitForEnd(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return Ended(); });
}

bool EventRecorder::WaitForCount(size_t count, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return events_.size() >= count; });
}

std::vector<Event> EventRecorder::Events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<int> EventRecorder::Codes() const {
  std::vector<int> codes;
  for (const Event& event : Events()) {
    if (event.code != DL_CODE_PROGRESS) codes.push_back(event.code);
  }
  return codes;
}

std::vector<double> EventRecorder::Progress() const {
  std::vector<double> values;
  for (const Event& event : Events()) {
    if (event.code == DL_CODE_PROGRESS) values.push_back(event.progress);
  }
  return values;
}

Event FindEvent(const std::vector<Event>& events, int code, size_t nth) {
  for (const Event& event : events) {
    if (event.code == code && nth-- == 0) return event;
  }
  return Event{-1, -1.0, L"(no such event)", 0};
}

}  // namespace DownloadTest
