// libcurl's header brings <winsock2.h>, which must precede <windows.h>.
#include <curl/curl.h>

#include "download/curl_downloader.h"

#include <windows.h>

#include "download/download_event_texts.h"
#include "download/md5.h"
#include "utils/log.h"

CCurlDownloader::CCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring path)
    : callback(std::move(callback)),
      path(std::move(path)),
      url(std::move(url)),
      client(this->url, this->path, this),
      stopEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  ::DeleteFileW(client.GetSavePath(true).c_str());
}

CCurlDownloader::~CCurlDownloader() {
  stopping = true;
  if (stopEvent) ::SetEvent(stopEvent.get());
  client.RequestStop();
  worker.Close();
}

void CCurlDownloader::Start() {
  // Without a thread the run still ends with its one final event, on the caller's thread.
  if (!worker.Launch(this, L"ABDEF", [this] { dlThreadFun(); })) {
    Send(DL_CODE_FAIL, kNoWorker, DownloadTexts::kCurl);
  }
}

void CCurlDownloader::ProgressHook(CCurlDownloader* owner, double speed, double, double percent) {
  if (owner && speed > 0 && percent <= 100) owner->Send(DL_CODE_PROGRESS, percent / 100, L"");
}

void CCurlDownloader::Send(int code, double progress, const wchar_t* text) {
  if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL) finished = true;
  // Nothing is reported once destruction has begun: the receiver may be going too.
  if (stopping || !callback) return;
  callback(code, progress, text);
}

bool CCurlDownloader::Pause(DWORD milliseconds) {
  if (stopping) return false;
  if (stopEvent) return ::WaitForSingleObject(stopEvent.get(), milliseconds) == WAIT_TIMEOUT;
  ::Sleep(milliseconds);
  return !stopping;
}

void CCurlDownloader::dlThreadFun() {
  if (stopping) return;
  ReleaseFinishedFile();  // a package nobody took stays held no longer than its run
  // After a final event a Start is a new attempt (the user's retry): its own retry, and the
  // redirect server asked again, since the old final address may have expired.
  if (finished.exchange(false)) {
    retried = false;
    client.Forget();
  }
  Send(DL_CODE_START, 1.0, L"");
  if (path.empty()) {
    Send(DL_CODE_FAIL, 1.0, L"");
    return;
  }
  client.SetSha256(!expectedSha256.empty());
  int result = client.Start();
  int budget = kRetryBudget;
  while (result != 0) {
    budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
    if (budget <= 0) {
      Send(DL_CODE_FAIL, result, DownloadTexts::kCurl);
      return;
    }
    WRITE_LOG(L"CurlDownLoader Code=%d", result);
    if (!Pause(kRetryPauseMs)) return;
    result = client.Start();
  }
  if (stopping) return;

  // From here on nobody may change the file: what is verified is what will run.
  if (!HoldFinishedFile(path)) {
    Send(DL_CODE_FAIL, static_cast<double>(::GetLastError()), DownloadTexts::kCurl);
    return;
  }
  const std::string expected = Md5FromUrl(client.RealUrl());
  DigestCheck digest = DigestCheck::kNoDigest;
  if (IsUsableMd5(expected) || !expectedSha256.empty()) {
    lastDigest = client.Digest();
    digest = JudgeDigests(expected, expectedSha256, lastDigest);
  }
  if (digest == DigestCheck::kMismatch) {
    // A file that failed verification is never left in place for anyone to run.
    ReleaseFinishedFile();
    ::DeleteFileW(path.c_str());
    Send(DL_CODE_MD5, 0.0, DownloadTexts::kCurlDigestMismatch);
    Send(retried ? DL_CODE_FAIL : DL_CODE_RETRY, 0.0, DownloadTexts::kCurl);
    retried = true;
    return;
  }
  if (digest == DigestCheck::kNoDigest) Send(DL_CODE_MD5, 0.0, DownloadTexts::kCurlNoDigest);
  Send(DL_CODE_SUCCESS, 0.0, DownloadTexts::kCurl);
}
