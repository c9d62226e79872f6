// libcurl's header brings <winsock2.h>, which must precede <windows.h>.
#include <curl/curl.h>

#include "download/mt_curl_downloader.h"

#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <exception>
#include <system_error>
#include <type_traits>

#include "download/curl_client.h"
#include "download/curl_global.h"
#include "download/download_event_texts.h"
#include "download/md5.h"
#include "download/server_certificate.h"
#include "download/transfer_options.h"
#include "utils/log.h"
#include "utils/text_conversion.h"

namespace {

// Every line of the wait-for-finish thread carries the name of its entry point, also from the
// helpers it calls.
#define WAIT_THREAD_LOG(message, ...)                                                                               \
  do {                                                                                                              \
    const ::Logging::LineStamp stamp_ = ::Logging::Now();                                                           \
    ::WriteLog(DRAVIX_LOG_PREFIX message, stamp_.processId, stamp_.threadId, stamp_.year, stamp_.month, stamp_.day, \
               stamp_.hour, stamp_.minute, stamp_.second, stamp_.milliseconds,                                      \
               L"CMTCurlDownloader::waitForFinishThreadFun", static_cast<int>(__LINE__), ##__VA_ARGS__);            \
  } while (0)

// Large blocks when joining: each read and write is a round trip to the platform layer.
constexpr size_t kJoinBlock = 256 * 1024;

static_assert(std::is_same<curl_off_t, long long>::value, "the callbacks are declared with long long");

std::wstring CurlText(int code) {
  return Utils::MultiByteToWide(curl_easy_strerror(static_cast<CURLcode>(code)), CP_ACP);
}

int64_t ExistingSize(const std::wstring& path) {
  if (_waccess(path.c_str(), 0) != 0) return 0;
  struct _stati64 info;
  if (_wstati64(path.c_str(), &info) != 0) return 0;
  return info.st_size;
}

}  // namespace

CMTCurlDownloader::CMTCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring path)
    : callback(std::move(callback)),
      path(std::move(path)),
      url(std::move(url)),
      stopEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  EnsureCurlGlobalInit();
  ::DeleteFileW(this->path.c_str());
  DeleteSegmentFiles(this->path);
}

CMTCurlDownloader::~CMTCurlDownloader() {
  stopping = true;
  if (stopEvent) ::SetEvent(stopEvent.get());
  worker.Close();
  JoinRunThreads();
}

void CMTCurlDownloader::Start() {
  // Without a thread the run still ends with its one final event, on the caller's thread.
  if (!worker.Launch(this, L"ABDEF", [this] { Start_Down(); })) {
    Send(DL_CODE_FAIL, kNoWorker, DownloadTexts::kCurl);
  }
}

void CMTCurlDownloader::Send(int code, double progress, const wchar_t* text) {
  if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) finished = true;
  // Nothing is reported once destruction has begun: the receiver may be going too.
  if (stopping || !callback) return;
  callback(code, progress, text);
}

bool CMTCurlDownloader::Pause(DWORD milliseconds) {
  if (stopping) return false;
  if (stopEvent) return ::WaitForSingleObject(stopEvent.get(), milliseconds) == WAIT_TIMEOUT;
  ::Sleep(milliseconds);
  return !stopping;
}

double CMTCurlDownloader::LastPercent() {
  std::lock_guard<std::mutex> lock(progressMutex);
  return lastPercent;
}

void CMTCurlDownloader::SetLastPercent(double percent) {
  std::lock_guard<std::mutex> lock(progressMutex);
  lastPercent = percent;
}

std::wstring CMTCurlDownloader::SegmentPath(const std::wstring& name, int index) const {
  return name + L"_" + std::to_wstring(index);
}

void CMTCurlDownloader::DeleteSegmentFiles(const std::wstring& name) const {
  for (int i = 0; i < kMaxSegments; ++i) ::DeleteFileW(SegmentPath(name, i).c_str());
}

void CMTCurlDownloader::JoinRunThreads() {
  if (waitThread.joinable()) waitThread.join();
  for (std::thread& thread : segmentThreads) {
    if (thread.joinable()) thread.join();
  }
  segmentThreads.clear();
}

void CMTCurlDownloader::ClearParts() { parts.clear(); }

void CMTCurlDownloader::Start_Down() {
  // The wait thread of the run before may be the one that called Start: this run begins only
  // once it has ended.
  JoinRunThreads();
  if (stopping) return;
  ReleaseFinishedFile();  // a package nobody took stays held no longer than its run
  // After a final event a Start is a new attempt (the user's retry): its own retry, and the
  // redirect server asked again, since the old final address may have expired.
  if (finished.exchange(false)) {
    retried = false;
    realUrl.clear();
    fileLength = 0;
    SetLastPercent(0.0);
  }
  Send(DL_CODE_START, 1.0, L"");
  WRITE_LOG_TEXT(L"start download");
  // Files are named in UTF-16 throughout: the user's folder may hold any character.
  const std::wstring& name = path;
  const bool fileAddress = url.compare(0, 8, L"file:///") == 0;
  const std::string address = Utils::WideToMultiByte(url, fileAddress ? CP_ACP : CP_UTF8);

  ::DeleteFileW(path.c_str());
  if (LastPercent() == 0.0) DeleteSegmentFiles(name);

  if (realUrl.empty() || fileLength < kMinLength) {
    probeSecurityFailure = 0;
    if (!getRealDownloadUrl(address)) {
      FailFinally(probeSecurityFailure);  // a refused certificate or redirect says more than 0
      return;
    }
  }

  int count = fileLength / kSegmentUnit;
  if (count == 0) count = 1;
  if (count > kMaxSegments) count = kMaxSegments;
  const int32_t size = fileLength / count;
  int32_t offset = 0;
  for (int i = 0; i < count; ++i) {
    const int32_t segmentSize = i == count - 1 ? size + fileLength % count : size;
    auto part = std::make_unique<DownloadPartNode>();
    part->partPath = SegmentPath(name, i);
    int64_t existing = ExistingSize(part->partPath);
    if (existing > segmentSize) {
      // Longer than its range: it cannot hold this range's bytes, so it is fetched afresh.
      ::DeleteFileW(part->partPath.c_str());
      existing = 0;
    }
    part->received = existing;
    part->first = offset;
    if (i == 0) {
      // A continued first range: its bytes on disk enter the digest before those to come.
      digest.Reset(!expectedSha256.empty());
      if (digest.AddFile(part->partPath, existing)) part->digest = &digest;
    }
    part->start = offset + static_cast<int32_t>(existing);
    part->end = offset + segmentSize - 1;
    part->curl.reset(curl_easy_init());
    part->url = realUrl;
    if (part->start > part->end) {
      part->state = 0;
    } else {
      part->state = -1;
      part->file.reset(_wfopen(part->partPath.c_str(), L"ab+"));
      if (part->file) {
        ApplyWriteBuffer(part->file.get());
      } else {
        part->state = kSegmentFileError;
      }
    }
    parts.push_back(std::move(part));
    offset += segmentSize;
  }

  for (const auto& part : parts) {
    if (part->state != -1) continue;
    ++runningParts;
    try {
      segmentThreads.emplace_back(&CMTCurlDownloader::downloadThreadFun, this, part.get());
    } catch (const std::system_error&) {
      --runningParts;  // the segment keeps state -1 and counts as failed
      WRITE_LOG_TEXT(L"cannot start a segment thread");
      continue;
    }
    if (!Pause(kLaunchGapMs)) return;
  }
  try {
    waitThread = std::thread(&CMTCurlDownloader::waitForFinishThreadFun, this);
  } catch (const std::system_error&) {
    // Without its own thread the run still has to end with exactly one final event.
    WaitForFinish();
  }
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& address) {
  realUrl.clear();
  expectedMd5.clear();
  fileLength = 0;
  Utils::UniqueCurl handle(curl_easy_init());
  if (!handle) return false;
  CURL* h = handle.get();
  Utils::UniqueCurlList headers;
  Utils::AppendHeader(headers, "Connection: keep-alive");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  int combined = curl_easy_setopt(h, CURLOPT_URL, address.c_str());
  combined |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  combined |= curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  combined |= ApplySecurityOptions(h, address);
  ServerCertificateCheck certificate;
  combined |= certificate.Attach(h);
  combined |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlClient::DiscardBody);
  combined |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 60L);
  combined |= ApplyRedirectLimit(h);
  combined |= curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  combined |= curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::ProbeProgressCallback);
  combined |= curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  if (combined != 0) return false;
  const int result = certificate.Perform(h);
  if (result != CURLE_OK) {
    if (IsSecurityFailure(result)) probeSecurityFailure = result;
    return false;
  }

  char* effective = nullptr;
  if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective) {
    realUrl = effective;
    WRITE_LOG(L"Download File real url %s", Utils::MultiByteToWide(realUrl, CP_ACP).c_str());
    expectedMd5 = Md5FromUrl(realUrl);
  }
  curl_off_t reported = -1;
  long status = 0;
  if (curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &reported) == CURLE_OK &&
      curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 && status <= 399) {
    // Offsets are 32-bit: a package of 2^31 bytes or more cannot be fetched and fails here.
    if (reported >= INT32_MIN && reported <= INT32_MAX) {
      fileLength = static_cast<int32_t>(reported);
      WRITE_LOG(L"Download File Length %lld", static_cast<long long>(fileLength));
    }
  }
  return !realUrl.empty() && fileLength >= kMinLength;
}

int CMTCurlDownloader::ProbeProgressCallback(void* downloader, long long, long long, long long, long long) {
  return static_cast<CMTCurlDownloader*>(downloader)->stopping ? 1 : 0;
}

void CMTCurlDownloader::downloadThreadFun(CMTCurlDownloader* downloader, DownloadPartNode* part) {
  int budget = kRetryBudget;
  int result = downloader->downloadExe(part);
  while (result != 0 && budget > 0) {
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    WRITE_LOG(L"CurlDownLoader Code=%d", result);
    if (!downloader->Pause(kRetryPauseMs)) break;
    if (!ResyncSegment(part)) {
      part->state = kSegmentFileError;
      break;
    }
    result = downloader->downloadExe(part);
  }
  if (part->file && std::fclose(part->file.release()) != 0 && part->state == 0) part->state = kSegmentFileError;
  // The last touch of shared state: once the count drops, the wait thread may clear the parts.
  --downloader->runningParts;
}

bool CMTCurlDownloader::ResyncSegment(DownloadPartNode* part) {
  if (!part->file) return true;  // complete: nothing more is written
  part->file.reset();
  int64_t held = ExistingSize(part->partPath);
  const int64_t length = static_cast<int64_t>(part->end) - part->first + 1;
  // Longer than its range it cannot be trusted: the range starts afresh.
  part->file.reset(_wfopen(part->partPath.c_str(), held > length ? L"wb+" : L"ab+"));
  if (!part->file) return false;
  if (held > length) held = 0;
  if (part->digest && part->digest->Bytes() != held) {
    // The disk holds other bytes than were hashed (a write that failed): hash what it holds.
    part->digest->Reset(part->digest->WithSha256());
    if (!part->digest->AddFile(part->partPath, held)) part->digest = nullptr;
  }
  ApplyWriteBuffer(part->file.get());
  part->received = held;
  part->start = part->first + static_cast<int32_t>(held);
  return true;
}

int CMTCurlDownloader::downloadExe(DownloadPartNode* part) {
  // A segment file whose last bytes could not be written stays failed for this run; the next
  // run resumes it from what reached the disk.
  if (part->state == kSegmentFileError) return part->state;
  if (part->start > part->end) {
    // Complete already: an earlier attempt ended on the cut at the range's end.
    const bool closed = !part->file || std::fclose(part->file.release()) == 0;
    part->state = closed ? 0 : kSegmentFileError;
    return part->state;
  }
  if (!part->curl) {
    part->state = CURLE_FAILED_INIT;
    return part->state;
  }
  char range[64];
  std::snprintf(range, sizeof(range), "%ld-%ld", static_cast<long>(part->start), static_cast<long>(part->end));
  CURL* h = part->curl.get();
  int combined = curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  combined |= curl_easy_setopt(h, CURLOPT_URL, part->url.c_str());
  combined |= curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
  combined |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  combined |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::SegmentWriteCallback);
  combined |= curl_easy_setopt(h, CURLOPT_WRITEDATA, part);
  combined |= curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  combined |= curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::SegmentProgressCallback);
  combined |= curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  combined |= curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  combined |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 60L);
  combined |= ApplySecurityOptions(h, Utils::WideToMultiByte(url, CP_UTF8));
  ServerCertificateCheck certificate;
  combined |= certificate.Attach(h);
  combined |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  combined |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 5L);
  combined |= curl_easy_setopt(h, CURLOPT_RANGE, range);
  combined |= ApplyReceiveBuffer(h);
  combined |= ApplyRedirectLimit(h);
  if (combined != 0) return combined;

  int result = certificate.Perform(h);
  if (result == CURLE_OK && part->start <= part->end) {
    // The answer ended without error but short of the range: the range is not complete.
    result = CURLE_PARTIAL_FILE;
  }
  if (result != CURLE_OK) {
    WRITE_LOG(L"error:%d:%s", result, CurlText(result).c_str());
  } else {
    WRITE_LOG_TEXT(L"curl_easy_cleanup");
  }
  curl_easy_reset(h);
  if (result == CURLE_OK && std::fclose(part->file.release()) != 0) {
    WRITE_LOG(L"cannot finish %s\r\n", part->partPath.c_str());
    result = kSegmentFileError;
  }
  part->state = result;
  return result;
}

size_t CMTCurlDownloader::SegmentWriteCallback(char* data, size_t size, size_t count, void* pointer) {
  auto* part = static_cast<DownloadPartNode*>(pointer);
  if (!part || !part->file) return 0;
  if (part->start > 0) {
    // A server that ignores the range answers 200 with the whole package from its first byte;
    // appended here it would land at the wrong offset.
    long status = 0;
    curl_easy_getinfo(part->curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status == 200) return 0;
  }
  size_t written = 0;
  if (part->start <= part->end) {
    const size_t offered = size * count;
    const size_t room = static_cast<size_t>(part->end - part->start) + 1;
    written = std::fwrite(data, 1, offered < room ? offered : room, part->file.get());
    part->start += static_cast<int32_t>(written);
    if (part->digest) part->digest->Add(data, written);
  }
  part->received += static_cast<int64_t>(written);
  return written;
}

int CMTCurlDownloader::SegmentProgressCallback(void* pointer, long long, long long, long long, long long) {
  auto* downloader = static_cast<CMTCurlDownloader*>(pointer);
  if (downloader->stopping) return 1;  // destruction: end the transfer
  std::lock_guard<std::mutex> lock(downloader->progressMutex);
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  if (now < downloader->lastProgressSecond + 1) return 0;
  downloader->lastProgressSecond = now;

  double percent = 0.0;
  if (downloader->fileLength >= kMinLength) {
    for (const auto& part : downloader->parts) {
      const int64_t received = part->received;
      if (received > 0) percent += static_cast<double>(received) * 100 / downloader->fileLength;
    }
  }
  if (percent > 100) return 0;
  if (!(percent - downloader->lastPercent >= 1.0)) return 0;
  downloader->lastPercent = percent;
  // The receiver's code must not unwind through libcurl's C frames.
  try {
    downloader->Send(DL_CODE_PROGRESS, percent / 100, L"");
  } catch (const std::exception&) {
    return 1;
  } catch (...) {
    return 1;
  }
  return 0;
}

void CMTCurlDownloader::waitForFinishThreadFun(CMTCurlDownloader* downloader) { downloader->WaitForFinish(); }

void CMTCurlDownloader::WaitForFinish() {
  while (runningParts > 0) {
    if (!Pause(kFinishPollMs)) return;
  }
  if (stopping) return;
  const std::wstring& name = path;
  int failCode = 0;
  for (const auto& part : parts) {
    if (part->state != 0) {
      failCode = part->state;
      break;
    }
  }
  if (failCode != 0 || parts.empty()) {
    ClearParts();
    if (LastPercent() == 0.0) DeleteSegmentFiles(name);
    Fail(failCode);
    return;
  }

  double reported = 0.0;
  {
    std::lock_guard<std::mutex> lock(progressMutex);
    reported = lastPercent;
    lastPercent = 0.0;
  }
  // The first range's bytes are in the digest when its file was read whole at set-up.
  const bool hashedWhileJoining = parts.front()->digest != nullptr;
  const int joinError = JoinSegments(name, hashedWhileJoining ? &digest : nullptr);
  if (joinError != 0) {
    ClearParts();
    if (joinError == kSegmentFileError) {
      // Nothing was changed: the complete segment files stay for the next run to join.
      SetLastPercent(reported);
    } else {
      DeleteSegmentFiles(name);
    }
    Fail(joinError);
    return;
  }

  // From here on nobody may change the file: what is verified is what will run.
  if (!HoldFinishedFile(name)) {
    ClearParts();
    Fail(static_cast<int>(::GetLastError()));
    return;
  }
  DigestCheck check = DigestCheck::kNoDigest;
  if (IsUsableMd5(expectedMd5) || !expectedSha256.empty()) {
    lastDigest = hashedWhileJoining ? digest.ReportFor(name) : FileDigests(name, !expectedSha256.empty());
    check = JudgeDigests(expectedMd5, expectedSha256, lastDigest);
  }
  if (check == DigestCheck::kMismatch) {
    Send(DL_CODE_MD5, 0.0, DownloadTexts::kMtCurlDigestMismatch);
    ReleaseFinishedFile();
    ::DeleteFileW(name.c_str());
    ClearParts();
    if (retried) {
      WAIT_THREAD_LOG(L"finish recv, md5 chaek failed and retry failed.\r\n");
      Send(DL_CODE_FAIL, 0.0, DownloadTexts::kCurl);
    } else {
      retried = true;
      WAIT_THREAD_LOG(L"finish recv, md5 chaek failed retry once.\r\n");
      Send(DL_CODE_RETRY, 0.0, DownloadTexts::kCurl);
    }
    return;
  }
  if (check == DigestCheck::kNoDigest) Send(DL_CODE_MD5, 0.0, DownloadTexts::kMtCurlNoDigest);
  WAIT_THREAD_LOG(L"finish recv\r\n");
  ClearParts();
  Send(DL_CODE_SUCCESS, 0.0, DownloadTexts::kCurl);
}

void CMTCurlDownloader::FailFinally(int code) {
  // Nothing resumes after a final failure: partial segments would only fill the user's folder.
  SetLastPercent(0.0);
  DeleteSegmentFiles(path);
  Send(DL_CODE_FAIL, code, DownloadTexts::kCurl);
}

void CMTCurlDownloader::Fail(int code) {
  if (retried) {
    FailFinally(code);
  } else {
    retried = true;
    Send(DL_CODE_RETRY, code, DownloadTexts::kCurl);
  }
}

int CMTCurlDownloader::JoinSegments(const std::wstring& name, StreamingDigest* hashed) {
  // Every segment file is opened before the first one is changed, so that a file that cannot
  // be opened leaves the segments as they were.
  Utils::UniqueCFile first(_wfopen(SegmentPath(name, 0).c_str(), L"ab+"));
  if (!first) {
    WAIT_THREAD_LOG(L"cannot open %s", SegmentPath(name, 0).c_str());
    return kSegmentFileError;
  }
  std::vector<Utils::UniqueCFile> later;
  for (size_t i = 1; i < parts.size(); ++i) {
    later.emplace_back(_wfopen(parts[i]->partPath.c_str(), L"rb+"));
    if (!later.back()) {
      WAIT_THREAD_LOG(L"cannot open %s", parts[i]->partPath.c_str());
      return kSegmentFileError;
    }
  }
  ApplyWriteBuffer(first.get());
  std::vector<char> block(kJoinBlock);
  for (size_t i = 0; i < later.size(); ++i) {
    FILE* source = later[i].get();
    size_t read = 0;
    while ((read = std::fread(block.data(), 1, block.size(), source)) > 0) {
      if (std::fwrite(block.data(), 1, read, first.get()) != read) return CURLE_WRITE_ERROR;
      if (hashed) hashed->Add(block.data(), read);
    }
    if (std::ferror(source)) return CURLE_READ_ERROR;
    later[i].reset();
    WAIT_THREAD_LOG(L"partPath::%s", parts[i + 1]->partPath.c_str());
  }
  if (std::fclose(first.release()) != 0) return CURLE_WRITE_ERROR;  // the last buffered bytes
  if (_wrename(SegmentPath(name, 0).c_str(), name.c_str()) != 0) {
    // The joined package is not at the target path: success here would report a missing file.
    WAIT_THREAD_LOG(L"cannot rename to %s", name.c_str());
    return CURLE_WRITE_ERROR;
  }
  DeleteSegmentFiles(name);
  return 0;
}
