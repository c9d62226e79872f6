#include "utils/log.h"

#include <windows.h>

#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

namespace {
std::atomic<LogSink> g_sink{nullptr};
}

void SetLogSink(LogSink sink) { g_sink.store(sink); }

// No lock and no state: each call formats into its own buffer, so any thread may log.
// The CRT's own wide formatting is used on purpose: there "%s" takes a wide string.
void WriteLog(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measureArgs;
  va_copy(measureArgs, args);
  const int length = _vscwprintf(format, measureArgs);
  va_end(measureArgs);
  if (length < 0 || static_cast<size_t>(length) > std::numeric_limits<size_t>::max() / sizeof(wchar_t) - 2) {
    va_end(args);
    return;
  }
  const size_t capacity = static_cast<size_t>(length) + 2;
  std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[capacity]);
  if (!buffer) {
    va_end(args);
    return;
  }
  const int written = _vsnwprintf(buffer.get(), capacity, format, args);
  va_end(args);
  buffer[written < 0 ? capacity - 1 : static_cast<size_t>(written)] = L'\0';
  ::OutputDebugStringW(buffer.get());
  if (LogSink sink = g_sink.load()) sink(buffer.get());
}

namespace Logging {

LineStamp Now() {
  SYSTEMTIME time;
  ::GetLocalTime(&time);
  return LineStamp{static_cast<int>(::GetCurrentProcessId()),
                   static_cast<int>(::GetCurrentThreadId()),
                   time.wYear,
                   time.wMonth,
                   time.wDay,
                   time.wHour,
                   time.wMinute,
                   time.wSecond,
                   time.wMilliseconds};
}

namespace {

bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// "operator" standing as a name of its own at position i (not part of "my_operator_x").
bool IsOperatorAt(const std::string& text, size_t i) {
  if (text.compare(i, 8, "operator") != 0) return false;
  if (i > 0 && IsIdentifierChar(text[i - 1])) return false;
  return i + 8 >= text.size() || !IsIdentifierChar(text[i + 8]);
}

}  // namespace

std::wstring QualifiedName(const char* prettyFunction) {
  const std::string text(prettyFunction);
  // The name ends at the parameter list: the first "(" outside template brackets. An operator's
  // own name may hold brackets, parentheses and spaces ("operator<", "operator()",
  // "operator bool"), so it is taken whole, up to the "(" of its parameter list.
  size_t end = std::string::npos;
  size_t nameTail = std::string::npos;  // where an operator's own name begins
  int angle = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (angle == 0 && IsOperatorAt(text, i)) {
      nameTail = i;
      const size_t parameters = text.compare(i + 8, 2, "()") == 0 ? i + 10 : i + 8;
      end = text.find('(', parameters);
      break;
    }
    if (c == '<') {
      ++angle;
    } else if (c == '>' && angle > 0) {
      --angle;
    } else if (c == '(' && angle == 0) {
      end = i;
      break;
    }
  }
  if (end == std::string::npos) end = text.size();
  // The name begins after the last space outside template brackets (return type, "static").
  const size_t scanEnd = nameTail == std::string::npos ? end : nameTail;
  size_t begin = 0;
  angle = 0;
  for (size_t i = 0; i < scanEnd; ++i) {
    const char c = text[i];
    if (c == '<') {
      ++angle;
    } else if (c == '>' && angle > 0) {
      --angle;
    } else if (c == ' ' && angle == 0) {
      begin = i + 1;
    }
  }
  return std::wstring(text.begin() + static_cast<std::ptrdiff_t>(begin),
                      text.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace Logging
