// The package's digest computed while its bytes are being written: the writer hands each chunk
// over and goes on receiving, a thread of the digest's own hashes it, so that the digest is ready
// soon after the last byte rather than after a second pass over the file.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/md5.h"

// What a downloader's verification used: the MD5 as 32 lowercase hex digits, the SHA-256 as 64
// (only when asked for), and whether they were taken while downloading (false: the file was
// hashed again from disk).
struct DigestReport {
  std::string md5;
  std::string sha256;
  bool streamed = false;
};

// Both digests of a whole file in one pass; empty digests when it cannot be read.
DigestReport FileDigests(const std::wstring& path, bool withSha256);

// The verdict on a downloaded package. Against the MD5 of its address (32 characters, else no
// digest) as before: a file whose MD5 could not be taken is not called a mismatch. Against a
// pinned SHA-256 (not empty): only an equal digest passes, a missing one does not.
DigestCheck JudgeDigests(const std::string& expectedMd5, const std::string& expectedSha256, const DigestReport& actual);

class StreamingDigest {
 public:
  StreamingDigest();
  // Waits for the hashing thread.
  ~StreamingDigest();
  StreamingDigest(const StreamingDigest&) = delete;
  StreamingDigest& operator=(const StreamingDigest&) = delete;

  // Starts a new digest over no bytes; with withSha256 the SHA-256 is taken beside the MD5.
  void Reset(bool withSha256 = false);
  // Adds bytes in order. Copies them; blocks only while every buffer waits to be hashed.
  void Add(const void* data, size_t size);
  // Adds the first `length` bytes of the file (a partial download being continued); false
  // when the file holds fewer. The path is UTF-16.
  bool AddFile(const std::wstring& path, int64_t length);
  // Bytes added since Reset. Only the thread that adds may ask.
  int64_t Bytes() const { return bytes; }
  bool WithSha256() const { return sha256; }
  // True once Finish has run and until the next Reset.
  bool Finished() const { return finished; }
  // Waits until every byte added is hashed and returns the digests in lowercase hex. Nothing may
  // be added afterwards until Reset.
  DigestReport Finish();

  // The report of a downloaded file: the streamed digest when it covered exactly the file's
  // bytes, otherwise (a write that failed after it was hashed) the file hashed again.
  DigestReport ReportFor(const std::wstring& path);

  static constexpr size_t kBufferBytes = 1024 * 1024;
  static constexpr size_t kBufferCount = 4;

 private:
  struct Buffer {
    std::unique_ptr<unsigned char[]> data{new unsigned char[kBufferBytes]};
    size_t used = 0;
  };
  struct State;  // the hash state; only the hashing thread touches it between Reset and Finish

  // Hands the current buffer to the hashing thread and takes a free one.
  void Submit();
  // Waits until the hashing thread has hashed everything submitted.
  void Drain();
  void HashLoop();

  std::unique_ptr<State> state;
  std::vector<Buffer> buffers;
  Buffer* current = nullptr;
  int64_t bytes = 0;
  bool finished = false;
  bool sha256 = false;

  // mutex guards the queues and the flags below; the hashing thread waits on `work`, writers on
  // `idle` for a free buffer or an empty queue.
  std::mutex mutex;
  std::condition_variable work;
  std::condition_variable idle;
  std::deque<Buffer*> full;
  std::vector<Buffer*> empty;
  bool hashing = false;
  bool stop = false;
  std::thread hasher;
};
