// The segmented downloader: learns the package's final address, length and digest with one
// bodiless request, fetches at most two byte ranges in parallel into segment files next to
// the target, joins them, verifies the digest, and asks its owner to start it once more after
// the first failure.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/downloader.h"
#include "download/streaming_digest.h"
#include "download/worker_slot.h"
#include "utils/c_file.h"
#include "utils/curl_handles.h"
#include "utils/unique_resource.h"

class CMTCurlDownloader : public CDownloader {
 public:
  // One byte range of the package and its segment file.
  struct DownloadPartNode {
    Utils::UniqueCFile file;  // open for appending until the range is complete or its thread ends
    int32_t first = 0;        // offset in the package of the range's first byte
    int32_t start = 0;        // offset in the package of the next byte to request
    int32_t end = 0;          // offset of the range's last byte
    Utils::UniqueCurl curl;
    std::string url;
    std::wstring partPath;
    // -1 to be fetched, 0 complete, kSegmentFileError, or the libcurl result of the last attempt.
    int state = -1;
    // Bytes of the range on disk. Written by the range's own thread, summed by the progress
    // callback of either segment thread: atomic.
    std::atomic<int64_t> received{0};
    // The first range's bytes go to the package digest as they are written; none for later ones.
    StreamingDigest* digest = nullptr;
  };

  static constexpr int kSegmentFileError = -2;  // a segment file cannot be opened
  static constexpr int32_t kSegmentUnit = 10485760;
  static constexpr int kMaxSegments = 2;
  static constexpr int32_t kMinLength = 256;
  static constexpr int kRetryBudget = 12;
  static constexpr DWORD kRetryPauseMs = 400;
  static constexpr DWORD kLaunchGapMs = 100;
  static constexpr DWORD kFinishPollMs = 200;

  // Deletes the target file and both segment files: nothing of an earlier program run is resumed.
  CMTCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring path);
  // Stops every transfer and waits for the worker, segment and wait threads. Must not run on
  // one of those threads (inside the callback).
  ~CMTCurlDownloader() override;

  void Start() override;

  // The digest the last verification used; read it once the run has ended.
  const DigestReport& LastDigest() const { return lastDigest; }

 private:
  void Start_Down();
  bool getRealDownloadUrl(const std::string& address);
  int downloadExe(DownloadPartNode* part);
  // Before a retry: reopens the segment file and continues from the bytes it really holds, since
  // a failed write (a full disk) may have lost bytes the counters took as written. False when
  // the file cannot be opened again.
  static bool ResyncSegment(DownloadPartNode* part);
  static void downloadThreadFun(CMTCurlDownloader* downloader, DownloadPartNode* part);
  static void waitForFinishThreadFun(CMTCurlDownloader* downloader);
  static size_t SegmentWriteCallback(char* data, size_t size, size_t count, void* part);
  static int SegmentProgressCallback(void* downloader, long long dltotal, long long dlnow, long long ultotal,
                                     long long ulnow);
  static int ProbeProgressCallback(void* downloader, long long, long long, long long, long long);

  void WaitForFinish();
  // Appends the later segment files to the first and moves it to the target path, adding their
  // bytes to `hashed` when given; 0, or the code the run fails with.
  int JoinSegments(const std::wstring& name, StreamingDigest* hashed);
  void Fail(int code);
  // 1004, with the segment files deleted.
  void FailFinally(int code);
  void ClearParts();
  void DeleteSegmentFiles(const std::wstring& name) const;
  std::wstring SegmentPath(const std::wstring& name, int index) const;
  // Joins the wait and segment threads of the run before: a run begins only after they have ended.
  void JoinRunThreads();
  void Send(int code, double progress, const wchar_t* text);
  bool Pause(DWORD milliseconds);
  double LastPercent();
  void SetLastPercent(double percent);

  std::vector<std::unique_ptr<DownloadPartNode>> parts;
  DownloadCallback callback;
  std::wstring path;
  std::wstring url;
  std::string realUrl;
  int32_t fileLength = 0;
  std::string expectedMd5;
  int probeSecurityFailure = 0;  // set by the probe of the current run
  // The first range hashed while it arrives, the later one while it is joined. Touched by the
  // worker while it sets up, then the first segment thread, then the wait thread.
  StreamingDigest digest;
  DigestReport lastDigest;  // written by the wait thread before its final event
  // lastPercent and lastProgressSecond are shared by both segment threads: progressMutex guards
  // them and is held across the check-and-send of 1002, so progress never goes backwards.
  double lastPercent = 0.0;
  std::atomic<int> runningParts{0};
  int64_t lastProgressSecond = 0;
  bool retried = false;
  // Set with a 1003 or 1004, by the worker or by a Start that found no thread: atomic.
  std::atomic<bool> finished{false};
  WorkerSlot worker;

  std::mutex progressMutex;
  // Touched by the worker of a run and, once that worker has ended, by the destructor.
  std::vector<std::thread> segmentThreads;
  std::thread waitThread;
  std::atomic<bool> stopping{false};
  Utils::UniqueHandle stopEvent;  // set with stopping, cuts every pause short
};
