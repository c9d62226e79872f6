#include "download/winhttp_downloader.h"

#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <cwchar>
#include <string>
#include <vector>

#include "download/download_event_texts.h"
#include "download/md5.h"
#include "download/winhttp_client.h"
#include "download/winhttp_patterns.h"
#include "utils/log.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

// The size of the file at path; -1 when it cannot be read.
int64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Makes path an empty file: the client appends, and nothing of an earlier file may stay.
bool EmptyFile(const std::wstring& path) {
  const Utils::UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

bool IsSecure(const std::wstring& address) {
  return ::CompareStringOrdinal(address.c_str(), (std::min)(static_cast<int>(address.size()), 8), L"https://", 8,
                                TRUE) == CSTR_EQUAL;
}

// Chunked framing marks its own end: the system reports a body cut inside it as a read error.
bool IsChunked(const std::wstring& headers) {
  std::vector<std::wstring> found;
  return WinHttpPatterns::CollectMatches(L"\\nTransfer-Encoding:\\b*{chunked}", headers, &found) && !found.empty();
}

}  // namespace

WinHttpDownloader::WinHttpDownloader(DownloadCallback callback, std::wstring url, std::wstring path)
    : callback(std::move(callback)), path(std::move(path)), url(std::move(url)) {}

WinHttpDownloader::~WinHttpDownloader() {
  stopping = true;
  // Until the request has returned: under Wine an abort reaches only a call already waiting.
  {
    std::unique_lock<std::mutex> lock(clientMutex);
    while (activeClient) {
      activeClient->Abort();
      clientGone.wait_for(lock, std::chrono::milliseconds(kAbortRepeatMs));
    }
  }
  worker.Close();
}

void WinHttpDownloader::Start() {
  // Without a thread the run still ends with its one final event, on the caller's thread.
  if (!worker.Launch(this, L"ABDEF", [this] { Run(); })) {
    Send(DL_CODE_FAIL, kNoWorker, DownloadTexts::kWinHttp);
  }
}

void WinHttpDownloader::Send(int code, double progress, const wchar_t* text) {
  if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) finished = true;
  // Nothing is reported once destruction has begun: the receiver may be going too.
  if (stopping || !callback) return;
  callback(code, progress, text);
}

void WinHttpDownloader::Fail(double code) {
  ReleaseFinishedFile();
  ::DeleteFileW(path.c_str());
  Send(DL_CODE_FAIL, code, DownloadTexts::kWinHttp);
}

void WinHttpDownloader::Run() {
  if (stopping) return;
  ReleaseFinishedFile();                          // a package nobody took stays held no longer than its run
  if (finished.exchange(false)) retried = false;  // after a final event: a new attempt
  Send(DL_CODE_START, 1.0, L"");
  if (path.empty()) {
    Send(DL_CODE_FAIL, 1.0, L"");
    return;
  }
  if (!EmptyFile(path)) {
    Send(DL_CODE_FAIL, static_cast<double>(::GetLastError()), DownloadTexts::kWinHttp);
    return;
  }

  WinHttpClient client(url);
  client.saveFile = path;
  digest.Reset(!expectedSha256.empty());  // the file was just emptied
  client.writtenSink = [this](const char* data, size_t size) { digest.Add(data, size); };
  client.stopFlag = &stopping;
  // Like the other downloaders: at most one 1002 a second, only forward, never above 100 %.
  int64_t lastSecond = 0;
  double lastPercent = 0.0;
  client.progressSink = [this, &lastSecond, &lastPercent](double percent) {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (percent <= lastPercent || percent > 100 || now < lastSecond + 1) return;
    lastSecond = now;
    lastPercent = percent;
    Send(DL_CODE_PROGRESS, percent / 100, L"");
  };
  {
    std::lock_guard<std::mutex> lock(clientMutex);
    activeClient = &client;
  }
  // A destructor that began before activeClient was set finds the flag set here.
  const bool received = !stopping && client.PerformRequest(L"GET");
  {
    std::lock_guard<std::mutex> lock(clientMutex);
    activeClient = nullptr;
  }
  clientGone.notify_all();
  if (stopping) {  // cut short by destruction: no half package stays behind
    ::DeleteFileW(path.c_str());
    return;
  }

  WRITE_LOG(L"address %s\r\n", url.c_str());
  WRITE_LOG(L"final address %s\r\n", client.finalAddress.c_str());
  WRITE_LOG(L"status %s, package length %ld bytes\r\n", client.statusText.c_str(),
            static_cast<long>(client.declaredLength));
  if (!received) {
    WRITE_LOG(L"request failed: error %lu\r\n", static_cast<unsigned long>(client.lastError));
    Fail(static_cast<double>(client.lastError));
    return;
  }
  // A secure address must not end on plain HTTP, whatever the system followed.
  if (IsSecure(url) && !IsSecure(client.finalAddress)) {
    Fail(static_cast<double>(ERROR_WINHTTP_REDIRECT_FAILED));
    return;
  }
  // An error page is not the package, and neither is a redirect the system did not follow
  // (a 300 with its list of choices, or a 304).
  const long status = std::wcstol(client.statusText.c_str(), nullptr, 10);
  if (status < 200 || status > 299) {
    Fail(static_cast<double>(status));
    return;
  }
  // A body that could not be stored whole (a full disk) is no package.
  if (client.saveFailed) {
    Fail(static_cast<double>(ERROR_WRITE_FAULT));
    return;
  }
  // A body the server cut short still counts as received for the client.
  const int64_t size = FileSize(path);
  if (client.bodyCut || size <= 0 || (client.declaredLength > 0 && size != client.declaredLength)) {
    WRITE_LOG(L"package cut short: %s of %ld bytes\r\n", std::to_wstring(size).c_str(),
              static_cast<long>(client.declaredLength));
    Fail(0.0);
    return;
  }

  // From here on nobody may change the file: what is verified is what will run.
  if (!HoldFinishedFile(path)) {
    Fail(static_cast<double>(::GetLastError()));
    return;
  }
  const std::string expected = Md5FromUrl(Utils::WideToMultiByte(client.finalAddress, CP_UTF8));
  DigestCheck check = DigestCheck::kNoDigest;
  if (IsUsableMd5(expected) || !expectedSha256.empty()) {
    lastDigest = digest.ReportFor(path);
    check = JudgeDigests(expected, expectedSha256, lastDigest);
  }
  if (check == DigestCheck::kMismatch) {
    ReleaseFinishedFile();
    ::DeleteFileW(path.c_str());
    Send(DL_CODE_MD5, 0.0, DownloadTexts::kWinHttpDigestMismatch);
    Send(retried ? DL_CODE_FAIL : DL_CODE_RETRY, 0.0, DownloadTexts::kWinHttp);
    retried = true;
    return;
  }
  if (check == DigestCheck::kNoDigest) {
    Send(DL_CODE_MD5, 0.0, DownloadTexts::kWinHttpNoDigest);
    // A body that ends with the connection and declares no length cannot be told from one cut
    // short: without a digest to vouch for it, it is not taken.
    if (client.declaredLength <= 0 && !IsChunked(client.headerText)) {
      Fail(kUnframedBody);
      return;
    }
  }
  Send(DL_CODE_SUCCESS, 0.0, DownloadTexts::kWinHttp);
}
