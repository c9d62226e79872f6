#include "tests/support/log_capture.h"

#include <gtest/gtest.h>

#include <regex>

#include "utils/log.h"

namespace TestSupport {

std::atomic<LogCapture*> LogCapture::current_{nullptr};

LogCapture::LogCapture() {
  current_.store(this);
  SetLogSink(&LogCapture::Sink);
}

LogCapture::~LogCapture() {
  SetLogSink(nullptr);
  current_.store(nullptr);
}

std::vector<std::wstring> LogCapture::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

std::wstring LogCapture::Single() const {
  const std::vector<std::wstring> lines = Lines();
  EXPECT_EQ(lines.size(), 1u);
  return lines.empty() ? std::wstring() : lines.back();
}

void LogCapture::Sink(const wchar_t* line) {
  if (LogCapture* self = current_.load()) {
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->lines_.emplace_back(line);
  }
}

bool ParseLogLine(const std::wstring& text, ParsedLogLine* parsed) {
  static const std::wregex kLine(
      L"^<P(\\d{5,})><T(\\d{5,})><(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})\\.(\\d{3})>"
      L"\\(([\\s\\S]*?)\\)<(\\d{4,})>: ([\\s\\S]*)$");
  std::wsmatch m;
  if (!std::regex_match(text, m, kLine)) return false;
  parsed->processId = std::stoul(m[1].str());
  parsed->threadId = std::stoul(m[2].str());
  parsed->time.wYear = static_cast<WORD>(std::stoi(m[3].str()));
  parsed->time.wMonth = static_cast<WORD>(std::stoi(m[4].str()));
  parsed->time.wDay = static_cast<WORD>(std::stoi(m[5].str()));
  parsed->time.wHour = static_cast<WORD>(std::stoi(m[6].str()));
  parsed->time.wMinute = static_cast<WORD>(std::stoi(m[7].str()));
  parsed->time.wSecond = static_cast<WORD>(std::stoi(m[8].str()));
  parsed->time.wMilliseconds = static_cast<WORD>(std::stoi(m[9].str()));
  parsed->tag = m[10].str();
  parsed->line = std::stoi(m[11].str());
  parsed->message = m[12].str();
  return true;
}

}  // namespace TestSupport
