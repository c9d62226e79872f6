// Prints the events of one installation as they arrive, one UTF-8 line each, and knows when the
// installation has ended and with which exit code.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>

namespace Headless {

// "code<TAB>value<TAB>text\n", the value with "%.6g", the text in UTF-8 with backslash, tab,
// carriage return and line feed written as \\, \t, \r and \n so that one event stays one line.
std::string FormatEvent(int code, double value, const wchar_t* text);

class EventPrinter {
 public:
  static constexpr int kInstalled = 0;
  static constexpr int kFailed = 1;
  static constexpr int kCancelled = 130;  // as a shell reports a program ended by Ctrl+C

  explicit EventPrinter(HANDLE output) : output_(output) {}

  // Called on the workers' threads, possibly two at once. Writes and flushes the line unless the
  // installation has already ended: the end event is always the last line.
  void OnEvent(int code, double value, const wchar_t* text);

  // Blocks until the end event has been printed or the run was cancelled; returns kInstalled,
  // kFailed or kCancelled.
  int WaitForEnd();

  // From any thread: no event line is printed from now on and WaitForEnd returns kCancelled.
  // False when the installation had already ended (its end line is out).
  bool Cancel();

 private:
  // mutex_ serialises the writes and guards every field below.
  std::mutex mutex_;
  std::condition_variable ended_;
  HANDLE output_;
  bool removalSucceeded_ = false;
  bool finished_ = false;
  int exitCode_ = kFailed;
};

}  // namespace Headless
