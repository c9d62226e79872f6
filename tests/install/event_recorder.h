// Collects the events a package runner or remover sends, from its worker thread.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "download/download_callback.h"

namespace InstallTests {

struct Event {
  int code;
  double value;
  std::wstring text;
  bool operator==(const Event& other) const { return code == other.code && value == other.value && text == other.text; }
};

inline std::ostream& operator<<(std::ostream& out, const Event& event) {
  return out << "{" << event.code << ", " << event.value << ", " << ::testing::PrintToString(event.text) << "}";
}

class EventRecorder {
 public:
  // onEvent, when given, runs on the worker for every event after it was recorded.
  DownloadCallback Callback(std::function<void(const Event&)> onEvent = nullptr) {
    return [this, onEvent](int code, double value, const wchar_t* text) {
      const Event event{code, value, text ? text : L"<null>"};
      {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
        threads_.push_back(::GetCurrentThreadId());
      }
      if (onEvent) onEvent(event);
    };
  }

  std::vector<Event> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  std::vector<DWORD> Threads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  std::vector<DWORD> threads_;
};

}  // namespace InstallTests
