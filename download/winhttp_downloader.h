// The downloader over the system HTTP stack: one GET of the package straight into the target
// file, judged by its status, its length and the digest in its final address.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

#include "download/downloader.h"
#include "download/streaming_digest.h"
#include "download/worker_slot.h"

class WinHttpClient;

class WinHttpDownloader : public CDownloader {
 public:
  WinHttpDownloader(DownloadCallback callback, std::wstring url, std::wstring path);
  // Ends a running request at once, also one blocked on a silent server (its request handle is
  // closed from here), and waits for the worker. Must not run on the downloader's own worker
  // (inside its callback).
  ~WinHttpDownloader() override;

  void Start() override;

  static constexpr DWORD kAbortRepeatMs = 50;

  // The 1004 of a body that declared no length, ended with its connection and has no digest.
  static constexpr double kUnframedBody = 38.0;  // ERROR_HANDLE_EOF
  // The digest the last verification used; read it once the run has ended.
  const DigestReport& LastDigest() const { return lastDigest; }

 private:
  // The worker: 1001, the request with 1002 as bytes arrive, then 1003, 1004, or 1006 and
  // 1005 or 1004.
  void Run();
  // 1004 with the failure's code; the file is removed so that nobody runs a broken package.
  void Fail(double code);
  void Send(int code, double progress, const wchar_t* text);

  DownloadCallback callback;
  std::wstring path;
  std::wstring url;
  WorkerSlot worker;
  bool retried = false;     // only the worker touches it; runs never overlap
  StreamingDigest digest;   // of the body as the worker writes it
  DigestReport lastDigest;  // written by the worker before its final event
  // Set with a 1003 or 1004, by the worker or by a Start that found no thread: atomic.
  std::atomic<bool> finished{false};
  // Set by the destructor, read by the worker and its client between chunks: atomic.
  std::atomic<bool> stopping{false};
  // The worker's client while its request runs; clientMutex guards the pointer, so that the
  // destructor aborts only a client that is alive.
  std::mutex clientMutex;
  WinHttpClient* activeClient = nullptr;
  std::condition_variable clientGone;  // notified when activeClient becomes null
};
