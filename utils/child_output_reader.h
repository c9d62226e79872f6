#pragma once

#include <windows.h>

#include <deque>
#include <string>

namespace Utils {

// Cuts a child's output into lines. A read never blocks: it takes only what the pipe already
// holds, at most one chunk of 1024 bytes, so the caller can watch for the child's end between
// reads. A line split across reads is joined before it is handed out.
class ChildOutputReader {
 public:
  static constexpr DWORD kChunkSize = 1024;
  // A longer line keeps its first kMaxLineBytes bytes; the rest up to its line feed is dropped.
  static constexpr size_t kMaxLineBytes = 64 * 1024;

  enum class ReadStatus {
    kData,    // a chunk was read
    kEmpty,   // the pipe holds nothing at the moment
    kClosed,  // the pipe is broken or unusable: every writer has gone
  };

  // Reads one chunk from pipe. Zero bytes are not text and are skipped.
  ReadStatus ReadChunk(HANDLE pipe);
  // Reads and drops one chunk, for output nobody parses.
  static ReadStatus DiscardChunk(HANDLE pipe);

  // The next complete line, without its line feed and a carriage return right before it.
  bool NextLine(std::string& line);
  // The last line when the output ended without a line feed; call when the child is gone.
  bool TakeUnfinishedLine(std::string& line);

 private:
  static ReadStatus ReadAvailable(HANDLE pipe, char* buffer, DWORD* read);
  void Append(const char* bytes, DWORD count);

  std::string pending_;  // the unfinished line so far
  std::deque<std::string> lines_;
};

}  // namespace Utils
