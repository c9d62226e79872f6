#include "download/streaming_digest.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>

extern "C" {
#include <lzma/Md5.h>
#include <lzma/Sha256.h>
}

#include "download/md5.h"
#include "utils/c_file.h"

namespace {

int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

// The hash states. The SHA-256 is the LZMA SDK's: it uses the processor's SHA instructions where
// present, several times faster than the system's provider under Wine.
struct StreamingDigest::State {
  CMd5 md5;
  CSha256 sha;
  bool withSha = false;

  void Init(bool withSha256) {
    static std::once_flag prepared;
    std::call_once(prepared, [] { Sha256Prepare(); });
    Md5_Init(&md5);
    withSha = withSha256;
    if (withSha) Sha256_Init(&sha);
  }
  void Update(const unsigned char* data, size_t size) {
    Md5_Update(&md5, data, size);
    if (withSha) Sha256_Update(&sha, data, size);
  }
  DigestReport Final(bool withSha256) {
    DigestReport report;
    Byte md5Digest[MD5_DIGEST_SIZE];
    Md5_Final(&md5, md5Digest);
    report.md5 = LowerHex(md5Digest, sizeof(md5Digest));
    if (withSha256 && withSha) {
      Byte shaDigest[SHA256_DIGEST_SIZE];
      Sha256_Final(&sha, shaDigest);
      report.sha256 = LowerHex(shaDigest, sizeof(shaDigest));
    }
    withSha = false;
    return report;
  }
};

DigestCheck JudgeDigests(const std::string& expectedMd5, const std::string& expectedSha256,
                         const DigestReport& actual) {
  if (!expectedSha256.empty() && actual.sha256 != expectedSha256) return DigestCheck::kMismatch;
  return CompareDigest(expectedMd5, actual.md5);
}

DigestReport FileDigests(const std::wstring& path, bool withSha256) {
  StreamingDigest digest;
  digest.Reset(withSha256);
  const int64_t size = FileSize(path);
  if (size < 0 || !digest.AddFile(path, size)) return DigestReport();
  return digest.Finish();
}

StreamingDigest::StreamingDigest() : state(new State), buffers(kBufferCount) {
  current = &buffers[0];
  for (size_t i = 1; i < buffers.size(); ++i) empty.push_back(&buffers[i]);
  state->Init(false);
}

StreamingDigest::~StreamingDigest() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
  }
  work.notify_all();
  if (hasher.joinable()) hasher.join();
}

void StreamingDigest::Reset(bool withSha256) {
  Drain();
  current->used = 0;
  bytes = 0;
  finished = false;
  sha256 = withSha256;
  state->Init(withSha256);
}

void StreamingDigest::Add(const void* data, size_t size) {
  const auto* from = static_cast<const unsigned char*>(data);
  bytes += static_cast<int64_t>(size);
  while (size > 0) {
    const size_t n = std::min(size, kBufferBytes - current->used);
    std::memcpy(current->data.get() + current->used, from, n);
    current->used += n;
    from += n;
    size -= n;
    if (current->used == kBufferBytes) Submit();
  }
}

bool StreamingDigest::AddFile(const std::wstring& path, int64_t length) {
  if (length <= 0) return length == 0;
  Utils::UniqueCFile file(_wfopen(path.c_str(), L"rb"));
  if (!file) return false;
  // Read straight into the buffers: the hashing thread works on one while the next is read.
  while (length > 0) {
    const size_t room = kBufferBytes - current->used;
    const size_t want = length < static_cast<int64_t>(room) ? static_cast<size_t>(length) : room;
    const size_t read = std::fread(current->data.get() + current->used, 1, want, file.get());
    current->used += read;
    bytes += static_cast<int64_t>(read);
    length -= static_cast<int64_t>(read);
    if (current->used == kBufferBytes) Submit();
    if (read < want) return false;
  }
  return true;
}

void StreamingDigest::Submit() {
  if (current->used == 0) return;
  std::unique_lock<std::mutex> lock(mutex);
  if (!hasher.joinable() && !stop) {
    try {
      hasher = std::thread(&StreamingDigest::HashLoop, this);
    } catch (const std::system_error&) {
      // No second thread: hash here, as a plain verification would.
      state->Update(current->data.get(), current->used);
      current->used = 0;
      return;
    }
  }
  full.push_back(current);
  work.notify_one();
  idle.wait(lock, [this] { return !empty.empty(); });
  current = empty.back();
  empty.pop_back();
  current->used = 0;
}

void StreamingDigest::Drain() {
  Submit();
  std::unique_lock<std::mutex> lock(mutex);
  idle.wait(lock, [this] { return full.empty() && !hashing; });
}

void StreamingDigest::HashLoop() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    work.wait(lock, [this] { return stop || !full.empty(); });
    if (full.empty()) return;  // stopping with nothing left
    Buffer* buffer = full.front();
    full.pop_front();
    hashing = true;
    lock.unlock();
    state->Update(buffer->data.get(), buffer->used);
    lock.lock();
    hashing = false;
    empty.push_back(buffer);
    idle.notify_all();
  }
}

DigestReport StreamingDigest::Finish() {
  Drain();
  finished = true;
  return state->Final(sha256);
}

DigestReport StreamingDigest::ReportFor(const std::wstring& path) {
  const int64_t hashed = bytes;
  if (!finished) {
    DigestReport report = Finish();
    if (FileSize(path) == hashed) {
      report.streamed = true;
      return report;
    }
  }
  return FileDigests(path, sha256);
}
