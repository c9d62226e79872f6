// Reading what the program logs: a sink that collects lines from any thread, and a parser of
// the line prefix.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace TestSupport {

// Collects every line WriteLog emits, from any thread, while the object lives. One at a time.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::wstring> Lines() const;
  // The only line captured; fails the test when there is not exactly one.
  std::wstring Single() const;

 private:
  static void Sink(const wchar_t* line);

  static std::atomic<LogCapture*> current_;
  mutable std::mutex mutex_;  // the sink runs on whichever thread logs
  std::vector<std::wstring> lines_;
};

// One log line split at its prefix fields. The tag may hold parentheses ("operator()") and the
// message its line break.
struct ParsedLogLine {
  unsigned long processId = 0, threadId = 0;
  SYSTEMTIME time = {};
  std::wstring tag;
  int line = 0;
  std::wstring message;
};
bool ParseLogLine(const std::wstring& text, ParsedLogLine* parsed);

}  // namespace TestSupport
