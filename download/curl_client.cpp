// libcurl's header brings <winsock2.h>, which must precede <windows.h>.
#include <curl/curl.h>

#include "download/curl_client.h"

#include <windows.h>

#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <cwchar>
#include <exception>
#include <type_traits>

#include "download/curl_downloader.h"
#include "download/curl_global.h"
#include "download/server_certificate.h"
#include "download/transfer_options.h"
#include "utils/c_file.h"
#include "utils/log.h"
#include "utils/text_conversion.h"

namespace {

std::wstring CurlText(int code) {
  return Utils::MultiByteToWide(curl_easy_strerror(static_cast<CURLcode>(code)), CP_ACP);
}

static_assert(std::is_same<curl_off_t, long long>::value, "the callbacks are declared with long long");

// The length as a double, -1.0 when libcurl does not know it.
CURLcode ReadContentLength(CURL* handle, double* length) {
  curl_off_t value = -1;
  const CURLcode code = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &value);
  if (code == CURLE_OK) *length = static_cast<double>(value);
  return code;
}

bool IsFileAddress(const std::wstring& url) { return url.compare(0, 8, L"file:///") == 0; }

int64_t FileSize(const std::wstring& path) {
  struct _stati64 info;
  if (_wstati64(path.c_str(), &info) != 0) return -1;
  return info.st_size;
}

}  // namespace

CurlClient::CurlClient(std::wstring url, std::wstring path, CCurlDownloader* owner)
    : url(std::move(url)), path(std::move(path)), owner(owner), progressFn(&CCurlDownloader::ProgressHook) {
  EnsureCurlGlobalInit();
}

CurlClient::~CurlClient() {
  stopRequested = true;
  _wremove(GetSavePath(true).c_str());
}

void CurlClient::NoteProbeResult(int result) {
  if (IsSecurityFailure(result)) probeSecurityFailure = result;
}

void CurlClient::Forget() {
  realUrl.clear();
  contentLength = -1.0;
  _wremove(GetSavePath(true).c_str());
}

std::wstring CurlClient::GetSavePath(bool part) const { return part ? path + L".part" : path; }

int CurlClient::Start() {
  WRITE_LOG_TEXT(L"start download");
  probeSecurityFailure = 0;
  // Files are named in UTF-16 throughout: the user's folder may hold any character.
  const std::wstring partPath = GetSavePath(true);
  const std::string address = Utils::WideToMultiByte(url, IsFileAddress(url) ? CP_ACP : CP_UTF8);

  if (realUrl.empty() || contentLength < kMinLength) {
    Utils::UniqueCurl head = Head(address);
    realUrl = GetRealUrl(head.get());
    contentLength = GetDownloadFileLength(head.get());
  }
  int result = 0;
  if (realUrl.empty() || contentLength < kMinLength) {
    realUrl = GetRealUrl_Str(address);
    if (!realUrl.empty()) contentLength = GetDownloadFileLength_Str(realUrl);
    // A refused certificate or redirect says more than "no package found".
    if (contentLength < kMinLength) result = probeSecurityFailure != 0 ? probeSecurityFailure : kNoLength;
  }
  WRITE_LOG(L"address %s\r\n", url.c_str());
  WRITE_LOG(L"final address %s\r\n", Utils::MultiByteToWide(realUrl, CP_UTF8).c_str());
  if (contentLength < 0) {
    WRITE_LOG_TEXT(L"package length unknown: the server sent no Content-Length");
  } else {
    WRITE_LOG(L"package length %.0f bytes%s\r\n", contentLength,
              contentLength < kMinLength ? L": package shorter than 1 MiB, refused" : L"");
  }
  if (result == 0) result = Transfer(partPath);
  WRITE_LOG(L"error:%d:%s", result, CurlText(result).c_str());

  if (result == 0) {
    _wremove(path.c_str());
    if (_wrename(partPath.c_str(), path.c_str()) != 0) {
      // The body is complete in the ".part" file but not at the target path: reporting success
      // here would hand the owner a file that does not exist.
      result = CURLE_WRITE_ERROR;
      WRITE_LOG(L"error:%d:%s", result, CurlText(result).c_str());
    }
  }
  WRITE_LOG_TEXT(L"end download");
  return result;
}

// Steps 5 to 11 of an attempt: the handle and the ".part" file live exactly as long as this call.
int CurlClient::Transfer(const std::wstring& partPath) {
  curl.reset(curl_easy_init());
  if (!curl) return kNoHandle;
  // Nobody else writes the file while its bytes are hashed on their way in.
  Utils::UniqueCFile file(_wfsopen(partPath.c_str(), L"ab+", _SH_DENYWR));
  int result = kPartFileError;
  if (file) {
    result = Perform(file.get(), partPath);
  } else {
    const wchar_t* message = _wcserror(errno);
    openError = message ? std::wstring(message).substr(0, 200) : std::wstring();
  }
  curl.reset();  // the handle goes before the file it wrote to is closed
  // The write buffer's last bytes reach the disk on closing: on a full disk the body is not
  // complete even though the transfer was.
  if (file && std::fclose(file.release()) != 0 && result == 0) result = CURLE_WRITE_ERROR;
  if (result == 0) result = CheckLength(partPath);
  return result;
}

int CurlClient::CheckLength(const std::wstring& partPath) {
  const int64_t size = FileSize(partPath);
  const int64_t expected = static_cast<int64_t>(contentLength);
  if (size == expected) return 0;
  WRITE_LOG(L"the body ended at %lld of %lld bytes\r\n", static_cast<long long>(size),
            static_cast<long long>(expected));
  if (size >= 0 && size < expected) return CURLE_PARTIAL_FILE;  // the next attempt resumes
  // Longer than the package: its bytes cannot be trusted, so the next attempt starts afresh.
  _wremove(partPath.c_str());
  return CURLE_WRITE_ERROR;
}

int CurlClient::Perform(FILE* file, const std::wstring& partPath) {
  ApplyWriteBuffer(file);
  CURL* handle = curl.get();
  Utils::UniqueCurlList headers;
  Utils::AppendHeader(headers, "Connection: keep-alive");
  // The package is taken byte for byte as the server keeps it: a compressed answer would be
  // saved compressed, and its ranges would not resume the file.
  Utils::AppendHeader(headers, "Accept-Encoding: identity");
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(handle, CURLOPT_TCP_KEEPIDLE, 10L);
  curl_easy_setopt(handle, CURLOPT_TCP_KEEPINTVL, 10L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, 0L);
  int combined = curl_easy_setopt(handle, CURLOPT_URL, realUrl.c_str());
  combined |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  combined |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlClient::WriteFileCallback);
  combined |= curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
  combined |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  combined |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
  combined |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  combined |= curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  combined |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  combined |= ApplyTransferOptions(handle);
  combined |= ApplySecurityOptions(handle, Utils::WideToMultiByte(url, CP_UTF8));
  ServerCertificateCheck certificate;
  combined |= certificate.Attach(handle);

  resumeOffset = FileSize(partPath);
  PrepareDigest(partPath);
  if (resumeOffset > 0) {
    combined |= curl_easy_setopt(handle, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeOffset));
  }
  if (combined != 0) return combined;
  partFile = file;
  const int result = certificate.Perform(handle);
  partFile = nullptr;
  return result;
}

void CurlClient::PrepareDigest(const std::wstring& partPath) {
  const int64_t held = resumeOffset > 0 ? resumeOffset : 0;
  // The attempt before hashed exactly these bytes: go on from there.
  if (!digest.Finished() && digest.Bytes() == held && held > 0 && digest.WithSha256() == sha256) return;
  digest.Reset(sha256);
  if (!digest.AddFile(partPath, held)) digest.Reset(sha256);  // unreadable: the check rehashes the file
}

int CurlClient::SetProbeOptions(CURL* handle) {
  int combined = curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  combined |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlClient::DiscardBody);
  combined |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
  combined |= SetCommonOptions(handle);
  return combined;
}

Utils::UniqueCurl CurlClient::Head(const std::string& address) {
  Utils::UniqueCurl handle(curl_easy_init());
  int result = 0;
  if (handle) {
    CURL* h = handle.get();
    ServerCertificateCheck certificate;
    int combined = curl_easy_setopt(h, CURLOPT_URL, address.c_str());
    combined |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    combined |= SetProbeOptions(h);
    combined |= certificate.Attach(h);
    result = combined;
    if (combined == 0) {
      result = certificate.Perform(h);
      if (result != 0) WRITE_LOG(L"error:%d:%s", result, CurlText(result).c_str());
      NoteProbeResult(result);
    }
  }
  WRITE_LOG(L"error:%d:%s", result, CurlText(result).c_str());
  return handle;
}

std::string CurlClient::GetRealUrl(CURL* handle) {
  char* effective = nullptr;
  if (!handle || curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective) {
    return std::string();
  }
  return effective;
}

double CurlClient::GetDownloadFileLength(CURL* handle) {
  if (!handle) return -1.0;
  double length = -1.0;
  const int code = ReadContentLength(handle, &length);
  WRITE_LOG(L"error:%d:%s", code, CurlText(code).c_str());
  long status = 0;
  if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status < 200 || status > 399) {
    return -1.0;
  }
  return length;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& address) {
  double length = -1.0;
  int code = 0;
  Utils::UniqueCurl handle(curl_easy_init());
  if (handle) {
    CURL* h = handle.get();
    ServerCertificateCheck certificate;
    int combined = curl_easy_setopt(h, CURLOPT_URL, address.c_str());
    combined |= curl_easy_setopt(h, CURLOPT_HEADER, 1L);
    combined |= SetProbeOptions(h);
    combined |= certificate.Attach(h);
    code = combined;
    const int result = combined == 0 ? certificate.Perform(h) : combined;
    NoteProbeResult(result);
    if (combined == 0 && result != CURLE_PEER_FAILED_VERIFICATION) {  // a refused server's length counts for nothing
      ReadContentLength(h, &length);
      long status = 0;
      code = curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    }
  }
  WRITE_LOG(L"error:%d:%s", code, CurlText(code).c_str());
  return length;
}

std::string CurlClient::GetRealUrl_Str(const std::string& address) {
  std::string effective;
  Utils::UniqueCurl handle(curl_easy_init());
  if (handle) {
    CURL* h = handle.get();
    ServerCertificateCheck certificate;
    int combined = curl_easy_setopt(h, CURLOPT_URL, address.c_str());
    combined |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    combined |= SetProbeOptions(h);
    combined |= certificate.Attach(h);
    if (combined == 0) {
      const int result = certificate.Perform(h);
      NoteProbeResult(result);
      if (result != 0) {
        WRITE_LOG(L"error:%d:%s", result, CurlText(result).c_str());
      } else {
        effective = GetRealUrl(h);
      }
    }
  }
  return effective.empty() ? address : effective;
}

int CurlClient::SetCommonOptions(CURL* handle) {
  int combined = ApplyRedirectLimit(handle);
  combined |= ApplySecurityOptions(handle, Utils::WideToMultiByte(url, CP_UTF8));
  combined |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  combined |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProbeProgressCallback);
  combined |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  return combined;
}

int CurlClient::ProbeProgressCallback(void* client, long long, long long, long long, long long) {
  return static_cast<CurlClient*>(client)->stopRequested ? 1 : 0;
}

int CurlClient::ProgressCallback(void* clientPointer, long long dltotal, long long dlnow, long long, long long) {
  auto* client = static_cast<CurlClient*>(clientPointer);
  if (client->stopRequested) return 1;
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  if (now < client->lastProgressSecond + 1) return 0;
  client->lastProgressSecond = now;

  curl_off_t bytesPerSecond = 0;
  curl_easy_getinfo(client->curl.get(), CURLINFO_SPEED_DOWNLOAD_T, &bytesPerSecond);
  const double speed = static_cast<double>(bytesPerSecond);
  double percent = 0.0;
  if (client->contentLength > kMinLength) {
    percent = (static_cast<double>(client->resumeOffset) + static_cast<double>(dlnow)) / client->contentLength * 100;
  } else {
    if (dlnow <= 0 || dltotal <= 0) return 0;
    percent = static_cast<double>(dlnow) * 100 / static_cast<double>(dltotal);
  }
  if (percent == 0.0) return 0;
  if (client->progressFn) {
    // The hook runs the owner's callback; nothing it throws may cross libcurl's C frames.
    try {
      client->progressFn(client->owner, speed, 0.0, percent);
    } catch (const std::exception&) {
      return 1;
    } catch (...) {
      return 1;
    }
  }
  if (dltotal != 0) {
    WRITE_LOG(L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(dlnow / 1048576),
              static_cast<int>(dltotal / 1048576), static_cast<double>(static_cast<float>(percent)),
              static_cast<double>(static_cast<float>(speed / 1024)));
  }
  return 0;
}

size_t CurlClient::WriteFileCallback(char* data, size_t size, size_t count, void* pointer) {
  auto* client = static_cast<CurlClient*>(pointer);
  if (!client || !client->partFile) return 0;
  const size_t written = std::fwrite(data, size, count, client->partFile);
  client->digest.Add(data, written * size);
  return written;
}

size_t CurlClient::DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }
