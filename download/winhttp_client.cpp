#include "download/winhttp_client.h"

#include <share.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <new>

#include "download/transfer_options.h"
#include "download/winhttp_patterns.h"
#include "download/winhttp_wine_cancel.h"
#include "utils/c_file.h"

namespace {

bool EqualIgnoringCase(const std::wstring& a, const wchar_t* b) { return ::lstrcmpiW(a.c_str(), b) == 0; }

// Copies text into a fixed buffer of n characters, cut to fit and always terminated.
void CopyInto(wchar_t* buffer, size_t n, const wchar_t* text) {
  if (!text) text = L"";
  std::wcsncpy(buffer, text, n - 1);
  buffer[n - 1] = L'\0';
}

void ReportToDebugger(const wchar_t* format, int code) {
  wchar_t line[256];
  std::swprintf(line, 256, format, code);
  ::OutputDebugStringW(line);
}

// Decimal digits as a non-negative 32-bit value; 0 when they do not fit.
int32_t ParseLength(const std::wstring& digits) {
  int64_t value = 0;
  for (wchar_t c : digits) {
    value = value * 10 + (c - L'0');
    if (value > INT32_MAX) return 0;
  }
  return static_cast<int32_t>(value);
}

std::wstring FirstMatch(const wchar_t* pattern, const std::wstring& text) {
  std::vector<std::wstring> results;
  if (!WinHttpPatterns::CollectMatches(pattern, text, &results) || results.empty()) return std::wstring();
  return results.front();
}

bool HasMatch(const wchar_t* pattern, const std::wstring& text) { return !FirstMatch(pattern, text).empty(); }

// A string option the system answers with (size query first, then the text).
std::wstring QueryStringOption(HINTERNET handle, DWORD option) {
  DWORD bytes = 0;
  ::WinHttpQueryOption(handle, option, nullptr, &bytes);
  if (bytes == 0) return std::wstring();
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!::WinHttpQueryOption(handle, option, &text[0], &bytes)) return std::wstring();
  text.resize(std::wcslen(text.c_str()));
  return text;
}

std::wstring QueryHeaderText(HINTERNET request, DWORD query) {
  DWORD bytes = 0;
  ::WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &bytes,
                        WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return std::wstring();
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!::WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, &text[0], &bytes, WINHTTP_NO_HEADER_INDEX)) {
    return std::wstring();
  }
  text.resize(bytes / sizeof(wchar_t));
  return text;
}

}  // namespace

WinHttpClient::WinHttpClient(std::wstring address) : address(std::move(address)) {}

bool WinHttpClient::PerformRequest(const std::wstring& verb) {
  lastError = 0;
  saveFailed = false;
  if (address.empty()) {
    lastError = kNoAddress;
    return false;
  }
  const bool isGet = EqualIgnoringCase(verb, L"GET");
  if (!isGet && !EqualIgnoringCase(verb, L"POST")) {
    lastError = kUnknownVerb;
    return false;
  }
  if (!session) {
    session.reset(::WinHttpOpen(agentName.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
      lastError = ::GetLastError();
      return false;
    }
  }
  ::WinHttpSetTimeouts(session.get(), resolveTimeoutMs, connectTimeoutMs, sendTimeoutMs, receiveTimeoutMs);

  wchar_t hostBuffer[kHostChars] = {};
  wchar_t pathBuffer[kPathChars] = {};
  wchar_t queryBuffer[kPathChars] = {};
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = hostBuffer;
  parts.dwHostNameLength = kHostChars;
  parts.lpszUrlPath = pathBuffer;
  parts.dwUrlPathLength = kPathChars;
  // The query is cracked apart from the path; it is sent with it.
  parts.lpszExtraInfo = queryBuffer;
  parts.dwExtraInfoLength = kPathChars;
  if (!::WinHttpCrackUrl(address.c_str(), 0, 0, &parts)) {
    lastError = ::GetLastError();
    return false;
  }
  host = hostBuffer;
  const std::wstring path = std::wstring(pathBuffer) + queryBuffer;

  target = Target{host, parts.nPort, path, verb, parts.nScheme == INTERNET_SCHEME_HTTPS};
  if (!OpenRequest(session.get(), std::wstring())) return false;

  bool succeeded = false;
  bool outOfMemory = false;
  for (int attempt = 1; attempt <= kAttempts && !succeeded && !outOfMemory; ++attempt) {
    if (Stopped()) {
      lastError = kStopped;
      break;
    }
    finalAddress = address;
    if (!Send()) continue;
    if (requestBody && requestBodySize > 0) {
      DWORD written = 0;
      if (!::WinHttpWriteData(request.get(), requestBody, requestBodySize, &written)) lastError = ::GetLastError();
    }
    if (!::WinHttpReceiveResponse(request.get(), nullptr)) {
      lastError = ::GetLastError();
      continue;
    }
    ReadHeaders();
    outOfMemory = !ReadBody();
    if (outOfMemory) break;
    if (Stopped()) {
      lastError = kStopped;
      break;
    }
    ConvertBody();
    if (isGet && HasMatch(WinHttpPatterns::kHtmlOpen, bodyText) && !HasMatch(WinHttpPatterns::kHtmlClose, bodyText)) {
      lastError = kCutShortPage;
      continue;
    }
    succeeded = true;
  }
  ReplaceRequest(nullptr);
  connection.reset();
  nextProxy.clear();
  return succeeded && !outOfMemory;
}

bool WinHttpClient::OpenRequest(HINTERNET from, const std::wstring& proxy) {
  ReplaceRequest(nullptr);
  connection.reset(::WinHttpConnect(from, target.host.c_str(), target.port, 0));
  if (!connection) {
    lastError = ::GetLastError();
    return false;
  }
  ReplaceRequest(::WinHttpOpenRequest(connection.get(), target.verb.c_str(), target.path.c_str(), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      target.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) {
    lastError = Stopped() ? kStopped : ::GetLastError();
    connection.reset();
    return false;
  }
  requestProxy = proxy;
  // A secure request never follows a redirect to plain HTTP (the system's default, said aloud).
  DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
  ::WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof(policy));
  if (target.secure && !verifyCertificates) {
    DWORD flags =
        SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
    ::WinHttpSetOption(request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
  }
  // The request handle keeps its headers between attempts: added once, they go out once each time.
  if (!extraHeaders.empty() &&
      !::WinHttpAddRequestHeaders(request.get(), extraHeaders.c_str(), static_cast<DWORD>(-1L),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON)) {
    lastError = ::GetLastError();
  }
  if (!cookiesToSend.empty()) {
    const std::wstring line = L"Cookie: " + cookiesToSend;
    if (!::WinHttpAddRequestHeaders(request.get(), line.c_str(), static_cast<DWORD>(-1L),
                                    WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON)) {
      lastError = ::GetLastError();
    }
  }
  ::WinHttpSetStatusCallback(request.get(), &WinHttpClient::OnStatus, WINHTTP_CALLBACK_FLAG_REDIRECT, 0);
  return true;
}

bool WinHttpClient::UseNamedProxy(const std::wstring& server, const std::wstring& bypass) {
  wchar_t serverBuffer[kProxyChars];
  wchar_t bypassBuffer[kProxyChars];
  CopyInto(serverBuffer, kProxyChars, server.c_str());
  CopyInto(bypassBuffer, kProxyChars, bypass.c_str());
  const std::wstring name = std::wstring(serverBuffer) + L"|" + bypassBuffer;
  if (name != requestProxy) {
    if (!proxySession || proxySessionName != name) {
      proxySession.reset(::WinHttpOpen(agentName.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, serverBuffer,
                                       bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypassBuffer, 0));
      proxySessionName = proxySession ? name : std::wstring();
      if (!proxySession) {
        lastError = ::GetLastError();
        return false;
      }
      ::WinHttpSetTimeouts(proxySession.get(), resolveTimeoutMs, connectTimeoutMs, sendTimeoutMs, receiveTimeoutMs);
    }
    if (!OpenRequest(proxySession.get(), name)) return false;
  }
  WINHTTP_PROXY_INFO info{};
  info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  info.lpszProxy = serverBuffer;
  info.lpszProxyBypass = bypass.empty() ? nullptr : bypassBuffer;
  if (!::WinHttpSetOption(request.get(), WINHTTP_OPTION_PROXY, &info, sizeof(info))) lastError = ::GetLastError();
  return true;
}

bool WinHttpClient::SendRequest() {
  // The body's length is announced with the send so that WinHttpWriteData may follow.
  const DWORD total = requestBody ? requestBodySize : 0;
  if (::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, total,
                           reinterpret_cast<DWORD_PTR>(this))) {
    RememberConnection();
    return true;
  }
  lastError = ::GetLastError();
  return false;
}

bool WinHttpClient::Send() {
  const std::wstring& proxy = proxyServer.empty() ? nextProxy : proxyServer;
  if (!proxy.empty()) {
    if (!UseNamedProxy(proxy, proxyServer.empty() ? nextBypass : std::wstring())) return false;
    // The system takes these as character counts.
    if (!proxyServer.empty() && !proxyUser.empty()) {
      ::WinHttpSetOption(request.get(), WINHTTP_OPTION_PROXY_USERNAME, const_cast<wchar_t*>(proxyUser.c_str()),
                         static_cast<DWORD>(proxyUser.size()));
      if (!proxyPass.empty()) {
        ::WinHttpSetOption(request.get(), WINHTTP_OPTION_PROXY_PASSWORD, const_cast<wchar_t*>(proxyPass.c_str()),
                           static_cast<DWORD>(proxyPass.size()));
      }
    }
  }
  return SendRequest() || SendWithUserProxy();
}

bool WinHttpClient::SendWithUserProxy() {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings{};
  if (!::WinHttpGetIEProxyConfigForCurrentUser(&settings)) {
    lastError = ::GetLastError();
    return false;
  }
  const Utils::UniqueGlobalString autoConfigUrl(settings.lpszAutoConfigUrl);
  const Utils::UniqueGlobalString proxy(settings.lpszProxy);
  const Utils::UniqueGlobalString bypass(settings.lpszProxyBypass);

  if (autoConfigUrl) {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT | WINHTTP_AUTOPROXY_CONFIG_URL;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP;
    options.lpszAutoConfigUrl = autoConfigUrl.get();
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO found{};
    BOOL answered = ::WinHttpGetProxyForUrl(session.get(), address.c_str(), &options, &found);
    if (!answered && ::GetLastError() == ERROR_INVALID_PARAMETER) {
      // Wine refuses detection and a script address together; the script alone it evaluates.
      options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
      options.dwAutoDetectFlags = 0;
      answered = ::WinHttpGetProxyForUrl(session.get(), address.c_str(), &options, &found);
    }
    if (!answered) {
      lastError = ::GetLastError();
      return false;
    }
    const Utils::UniqueGlobalString foundProxy(found.lpszProxy);
    const Utils::UniqueGlobalString foundBypass(found.lpszProxyBypass);
    if (found.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && foundProxy) {
      if (!UseNamedProxy(foundProxy.get(), foundBypass ? foundBypass.get() : L"")) return false;
    }
    return SendRequest();
  }
  // A named proxy serves the next attempt; this one is used up.
  if (proxy) {
    nextProxy = proxy.get();
    nextBypass = bypass ? bypass.get() : L"";
  }
  return false;
}

void WinHttpClient::ReadHeaders() {
  // Every response is described afresh: nothing of an earlier attempt's response stays.
  headerText = QueryHeaderText(request.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF);
  if (!fixedCharset) charset = FirstMatch(WinHttpPatterns::kCharset, headerText);
  declaredLength = ParseLength(FirstMatch(WinHttpPatterns::kContentLength, headerText));
  redirectTarget = FirstMatch(WinHttpPatterns::kLocation, headerText);
  std::vector<std::wstring> cookies;
  WinHttpPatterns::CollectMatches(WinHttpPatterns::kSetCookie, headerText, &cookies);
  receivedCookies = WinHttpPatterns::JoinCookies(cookies);
  statusText = QueryHeaderText(request.get(), WINHTTP_QUERY_STATUS_CODE);
  // Wine cannot tell the request's address; the redirects followed say it too.
  const std::wstring url = QueryStringOption(request.get(), WINHTTP_OPTION_URL);
  if (!url.empty()) finalAddress = url;
}

void CALLBACK WinHttpClient::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, void* information, DWORD) {
  auto* client = reinterpret_cast<WinHttpClient*>(context);
  if (!client || status != WINHTTP_CALLBACK_STATUS_REDIRECT || !information) return;
  client->finalAddress = ResolveLocation(client->finalAddress, static_cast<const wchar_t*>(information));
}

std::wstring WinHttpClient::ResolveLocation(const std::wstring& base, const std::wstring& location) {
  if (location.find(L"://") != std::wstring::npos) return location;
  const size_t scheme = base.find(L"://");
  if (scheme == std::wstring::npos) return location;
  const size_t pathStart = base.find(L'/', scheme + 3);
  const std::wstring origin = base.substr(0, pathStart);
  if (!location.empty() && location[0] == L'/') {
    // "//host/path" keeps only the scheme.
    if (location.size() > 1 && location[1] == L'/') return base.substr(0, scheme + 1) + location;
    return origin + location;
  }
  if (pathStart == std::wstring::npos) return origin + L"/" + location;
  const std::wstring path = base.substr(pathStart, base.find_first_of(L"?#", pathStart) - pathStart);
  return origin + path.substr(0, path.rfind(L'/') + 1) + location;
}

void WinHttpClient::Abort() {
  std::lock_guard<std::mutex> lock(requestMutex);
  aborted = true;
  if (request && !requestClosed) {
    ::WinHttpCloseHandle(request.get());
    requestClosed = true;
  }
  CancelConnectionIo();
}

void WinHttpClient::CancelConnectionIo() {
  if (connectionAddress.empty() || connectionCancelled) return;
  if (!connectionSocket) connectionSocket = WinHttpWine::FindSocket(connectionAddress);
  // Once a receive was cancelled the call returns and the request ends: the socket (whose handle
  // value may soon be reused) is not touched again.
  if (connectionSocket && ::CancelIoEx(connectionSocket, nullptr)) connectionCancelled = true;
}

void WinHttpClient::RememberConnection() {
  if (!WinHttpWine::RunningUnderWine()) return;
  const std::string address = WinHttpWine::LocalAddressOf(request.get());
  std::lock_guard<std::mutex> lock(requestMutex);
  if (address == connectionAddress) return;
  connectionAddress = address;
  connectionSocket = nullptr;
  connectionCancelled = false;
  // A stop that came while the request was being sent found no connection to cancel yet.
  if (aborted) CancelConnectionIo();
}

void WinHttpClient::ReplaceRequest(HINTERNET handle) {
  std::lock_guard<std::mutex> lock(requestMutex);
  if (requestClosed) request.release();  // Abort has closed it already
  requestClosed = false;
  connectionAddress.clear();
  connectionSocket = nullptr;
  connectionCancelled = false;
  request.reset(handle);
  if (aborted) request.reset();
}

void WinHttpClient::ReportProgress(uint64_t received) const {
  if (progressSink && declaredLength > 0) progressSink(static_cast<double>(received) * 100 / declaredLength);
}

bool WinHttpClient::ReadBody() {
  bodyBytes.clear();
  bodyByteCount = 0;
  bodyCut = false;
  Utils::UniqueCFile file;
  if (!saveFile.empty()) {
    // Nobody else writes the file while its bytes are hashed on their way in.
    file.reset(::_wfsopen(saveFile.c_str(), L"ab+", _SH_DENYWR));
    const int error = file ? 0 : errno;
    if (!file) {
      saveFailed = true;
      ReportToDebugger(L"Failed to open response file. Error code: %d", error);
    }
    if (file) ApplyWriteBuffer(file.get());
  } else {
    try {
      bodyBytes.reserve(kInitialBodyCapacity);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  // Progress counts what arrived in either mode, so that a file download reports it too.
  uint64_t received = 0;
  std::vector<char> chunk;
  for (;;) {
    if (Stopped()) return true;
    DWORD available = 0;
    if (!::WinHttpQueryDataAvailable(request.get(), &available)) {
      lastError = Stopped() ? kStopped : ::GetLastError();
      bodyCut = true;
      available = 0;
    }
    if (available == 0) break;
    DWORD read = 0;
    try {
      chunk.assign(available, '\0');
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (!::WinHttpReadData(request.get(), chunk.data(), available, &read)) {
      lastError = ::GetLastError();
      bodyCut = true;
      break;
    }
    if (read == 0) break;
    received += read;
    // Told at once: the next query may wait long on a slow server.
    ReportProgress(received);
    if (!saveFile.empty()) {
      const size_t written = file ? std::fwrite(chunk.data(), 1, read, file.get()) : 0;
      if (!file || written != read) {
        if (file) ReportToDebugger(L"Failed to write response data. Error code: %d", errno);
        saveFailed = true;
      }
      if (writtenSink && written > 0) writtenSink(chunk.data(), written);
      continue;
    }
    try {
      bodyBytes.insert(bodyBytes.end(), chunk.begin(), chunk.begin() + read);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  // The last buffered bytes reach the disk here: a full disk shows now at the latest.
  if (file && std::fclose(file.release()) != 0) {
    saveFailed = true;
    ReportToDebugger(L"Failed to write response data. Error code: %d", errno);
  }
  ReportProgress(received);
  bodyByteCount = static_cast<uint32_t>(bodyBytes.size());
  return true;
}

void WinHttpClient::ConvertBody() {
  size_t length = 0;
  while (length < bodyByteCount && bodyBytes[length] != '\0') ++length;
  if (length == 0) {
    bodyText.clear();
    return;
  }
  const bool utf8 = charset.size() >= 5 && ::CompareStringOrdinal(charset.c_str(), 5, L"utf-8", 5, TRUE) == CSTR_EQUAL;
  UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
  DWORD flags = utf8 ? 0 : MB_PRECOMPOSED;
  const int bytes = static_cast<int>(length);
  int chars = ::MultiByteToWideChar(codePage, flags, bodyBytes.data(), bytes, nullptr, 0);
  if (chars <= 0) {
    codePage = CP_ACP;
    flags = MB_PRECOMPOSED;
    chars = ::MultiByteToWideChar(codePage, flags, bodyBytes.data(), bytes, nullptr, 0);
    if (chars <= 0) return;
  }
  try {
    std::wstring text(static_cast<size_t>(chars), L'\0');
    if (::MultiByteToWideChar(codePage, flags, bodyBytes.data(), bytes, &text[0], chars) <= 0) return;
    bodyText = std::move(text);
  } catch (const std::bad_alloc&) {
    return;
  }
}
