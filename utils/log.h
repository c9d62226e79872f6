// Diagnostic lines go to the debugger output only, one OutputDebugStringW call per line:
//   <P%05d><T%05d><yyyy-mm-dd hh:mm:ss.mmm>(Class::Function)<%04d>: message
// Use the macros; they capture the function's qualified name and the source line.
#pragma once

#include <string>

// Formats one whole line (prefix template already joined to the message) and emits it.
// In every template "%s" takes a wide string.
void WriteLog(const wchar_t* format, ...);

// Test hook: receives each emitted line after the debugger does. Null removes it.
using LogSink = void (*)(const wchar_t* line);
void SetLogSink(LogSink sink);

namespace Logging {

// "void Utils::Thread::Join()" -> "Utils::Thread::Join"; a lambda keeps the name of the
// function around it.
std::wstring QualifiedName(const char* prettyFunction);

struct LineStamp {  // the ids and local time of one log statement, taken before formatting
  int processId, threadId, year, month, day, hour, minute, second, milliseconds;
};
LineStamp Now();

}  // namespace Logging

#define DRAVIX_LOG_PREFIX L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: "

// WRITE_LOG(L"DL_TYPE=%d\r\n", type): a message template with arguments, line break as written.
#define WRITE_LOG(message, ...)                                                                                   \
  do {                                                                                                            \
    const ::Logging::LineStamp dravixStamp_ = ::Logging::Now();                                                   \
    static const std::wstring dravixTag_ = ::Logging::QualifiedName(__PRETTY_FUNCTION__);                         \
    ::WriteLog(DRAVIX_LOG_PREFIX message, dravixStamp_.processId, dravixStamp_.threadId, dravixStamp_.year,       \
               dravixStamp_.month, dravixStamp_.day, dravixStamp_.hour, dravixStamp_.minute, dravixStamp_.second, \
               dravixStamp_.milliseconds, dravixTag_.c_str(), static_cast<int>(__LINE__), ##__VA_ARGS__);         \
  } while (0)

// WRITE_LOG_TEXT(L"THREAD BEGIN"): a fixed text; the line break is added.
#define WRITE_LOG_TEXT(text) WRITE_LOG(text L"\r\n")
