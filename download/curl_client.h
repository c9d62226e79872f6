// One complete single-stream attempt of the single-stream downloader: learns the package's
// final address and length with bodiless requests, then fetches the body into "<path>.part",
// continuing a partial file from its size, and on success moves it to the target path.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "download/streaming_digest.h"
#include "utils/curl_handles.h"

class CCurlDownloader;

class CurlClient {
 public:
  // (owner, bytes per second, reserved (always 0.0), percent)
  using ProgressFn = void (*)(CCurlDownloader* owner, double speed, double reserved, double percent);

  // Results of Start besides 0 and libcurl's own codes.
  static constexpr int kPartFileError = -996;
  static constexpr int kNoHandle = -997;
  static constexpr int kNoLength = -998;
  // Packages shorter than this never download.
  static constexpr double kMinLength = 1048576.0;

  CurlClient(std::wstring url, std::wstring path, CCurlDownloader* owner);
  // Deletes the ".part" file. The owner stops the transfer (RequestStop) and waits for it
  // before the client goes.
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  std::wstring GetSavePath(bool part) const;
  // 0 on success; a libcurl result code; kPartFileError, kNoHandle or kNoLength (unless the
  // probes were refused for security reasons: then that libcurl code).
  int Start();
  // Forgets the final address, the length and the partial file: the next Start asks again.
  void Forget();
  // Makes the running transfer, or the next one, end at its next progress callback.
  void RequestStop() { stopRequested = true; }

  // A bodiless request following redirects; the handle (none when curl_easy_init failed) is
  // returned also when the request failed.
  Utils::UniqueCurl Head(const std::string& address);
  static std::string GetRealUrl(CURL* handle);
  // The handle's content length when its status is 200 to 399, else -1.0.
  static double GetDownloadFileLength(CURL* handle);
  // The content length of a fresh bodiless request, whatever its status; -1.0 when unknown.
  double GetDownloadFileLength_Str(const std::string& address);
  // The final address of a fresh bodiless request, or the address itself when none is learned.
  std::string GetRealUrl_Str(const std::string& address);

  // libcurl's callbacks; curl_off_t is long long on this platform (checked where they are set).
  static int ProgressCallback(void* client, long long dltotal, long long dlnow, long long ultotal, long long ulnow);
  // Writes to the ".part" file and hands what was written to the digest.
  static size_t WriteFileCallback(char* data, size_t size, size_t count, void* client);
  static size_t DiscardBody(char* data, size_t size, size_t count, void* user);

  const std::string& RealUrl() const { return realUrl; }
  double ContentLength() const { return contentLength; }
  int64_t ResumeOffset() const { return resumeOffset; }
  const std::wstring& OpenError() const { return openError; }
  void SetProgressFn(ProgressFn fn) { progressFn = fn; }
  // After a successful Start: the digest of the file now at the target path, taken while it
  // was written (a continued ".part" file's earlier bytes once from disk).
  DigestReport Digest() { return digest.ReportFor(path); }
  // Takes the SHA-256 beside the MD5 from the next attempt on.
  void SetSha256(bool withSha256) { sha256 = withSha256; }

 private:
  int Transfer(const std::wstring& partPath);
  int Perform(FILE* file, const std::wstring& partPath);
  // 0 when the ".part" file holds exactly the length the probes learned; CURLE_PARTIAL_FILE
  // when it is short; CURLE_WRITE_ERROR (the file deleted) when it is longer or unreadable.
  int CheckLength(const std::wstring& partPath);
  // Makes the digest cover exactly the first resumeOffset bytes of the ".part" file, from disk
  // only when it does not already.
  void PrepareDigest(const std::wstring& partPath);
  // Applies the options every request of this client shares beyond the fixed ones: bounded
  // redirects, and an abort hook so that a stop also ends a running probe.
  int SetCommonOptions(CURL* handle);
  // A bodiless probe: headers only, a 60 s connect limit, and the common options.
  int SetProbeOptions(CURL* handle);
  static int ProbeProgressCallback(void* client, long long, long long, long long, long long);
  void NoteProbeResult(int result);

  std::wstring url;
  std::wstring path;
  CCurlDownloader* owner;
  Utils::UniqueCurl curl;  // the handle of the running transfer; read by ProgressCallback
  ProgressFn progressFn;
  double contentLength = -1.0;
  int64_t resumeOffset = -1;
  int64_t lastProgressSecond = 0;
  std::atomic<bool> stopRequested{false};
  std::wstring openError;
  std::string realUrl;
  int probeSecurityFailure = 0;  // the last probe's refused certificate or redirect, this Start
  FILE* partFile = nullptr;      // the file of the running transfer
  StreamingDigest digest;        // of the ".part" file's bytes; touched by the transfer's thread only
  bool sha256 = false;
};
