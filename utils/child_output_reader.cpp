#include "utils/child_output_reader.h"

#include <algorithm>
#include <utility>

namespace Utils {

ChildOutputReader::ReadStatus ChildOutputReader::ReadAvailable(HANDLE pipe, char* buffer, DWORD* read) {
  *read = 0;
  DWORD available = 0;
  if (!pipe || !::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return ReadStatus::kClosed;
  if (available == 0) return ReadStatus::kEmpty;
  if (!::ReadFile(pipe, buffer, std::min(available, kChunkSize), read, nullptr)) return ReadStatus::kClosed;
  return *read > 0 ? ReadStatus::kData : ReadStatus::kEmpty;
}

ChildOutputReader::ReadStatus ChildOutputReader::ReadChunk(HANDLE pipe) {
  char buffer[kChunkSize] = {};
  DWORD read = 0;
  const ReadStatus status = ReadAvailable(pipe, buffer, &read);
  if (status == ReadStatus::kData) Append(buffer, read);
  return status;
}

ChildOutputReader::ReadStatus ChildOutputReader::DiscardChunk(HANDLE pipe) {
  char buffer[kChunkSize];
  DWORD read = 0;
  return ReadAvailable(pipe, buffer, &read);
}

void ChildOutputReader::Append(const char* bytes, DWORD count) {
  for (DWORD i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (c == '\n') {
      if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
      lines_.push_back(std::move(pending_));
      pending_.clear();
    } else if (c != '\0' && pending_.size() < kMaxLineBytes) {
      pending_.push_back(c);
    }
  }
}

bool ChildOutputReader::NextLine(std::string& line) {
  if (lines_.empty()) return false;
  line = std::move(lines_.front());
  lines_.pop_front();
  return true;
}

bool ChildOutputReader::TakeUnfinishedLine(std::string& line) {
  if (pending_.empty()) return false;
  line = std::move(pending_);
  pending_.clear();
  if (line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace Utils
