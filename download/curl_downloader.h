// The single-stream downloader: drives CurlClient on a worker thread with a retry budget,
// then verifies the file against the digest in the package's final address.
#pragma once

#include <atomic>
#include <string>

#include "download/curl_client.h"
#include "download/downloader.h"
#include "download/worker_slot.h"
#include "utils/unique_resource.h"

class CCurlDownloader : public CDownloader {
 public:
  // Deletes "<path>.part": a partial file of an earlier program run is never resumed.
  CCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring path);
  // Stops a running transfer, waits for the worker, then deletes the ".part" file. Must not
  // run on the downloader's own worker (inside its callback).
  ~CCurlDownloader() override;

  void Start() override;

  // The client's progress sink: 1002 when bytes are flowing and the percentage is sane.
  static void ProgressHook(CCurlDownloader* owner, double speed, double reserved, double percent);

  // The digest the last verification used; read it once the run has ended.
  const DigestReport& LastDigest() const { return lastDigest; }

  static constexpr int kRetryBudget = 12;
  static constexpr DWORD kRetryPauseMs = 500;

 private:
  void dlThreadFun();
  void Send(int code, double progress, const wchar_t* text);
  // Waits between attempts; false when the downloader is being destroyed.
  bool Pause(DWORD milliseconds);

  DownloadCallback callback;
  std::wstring path;
  std::wstring url;
  CurlClient client;
  WorkerSlot worker;
  bool retried = false;     // only the worker touches it; runs never overlap
  DigestReport lastDigest;  // written by the worker before its final event
  // Set with a 1003 or 1004, by the worker or by a Start that found no thread: atomic.
  std::atomic<bool> finished{false};
  std::atomic<bool> stopping{false};
  Utils::UniqueHandle stopEvent;  // set with stopping, cuts a pause short
};
