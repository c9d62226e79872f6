// A request over the system HTTP stack: one session per client, one connection and one request
// per call, up to three attempts with the user's Internet Explorer proxy settings as the answer
// to a failed send, and the response's headers, status and body (in memory, converted by its
// charset, or appended to a file).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "utils/winhttp_handles.h"

class WinHttpClient {
 public:
  // Receives the percentage of the declared length received so far.
  using ProgressSink = std::function<void(double percent)>;
  // Sees every chunk of the body written to saveFile, in order, as it is written.
  using WrittenSink = std::function<void(const char* data, size_t size)>;

  static constexpr int kAttempts = 3;
  static constexpr size_t kInitialBodyCapacity = 10240;
  static constexpr size_t kHostChars = 260;
  static constexpr size_t kPathChars = 1300;
  static constexpr size_t kProxyChars = 260;
  // lastError values of our own besides the system's codes.
  static constexpr DWORD kNoAddress = ERROR_PATH_NOT_FOUND;       // 3
  static constexpr DWORD kCutShortPage = ERROR_INVALID_DATA;      // 13
  static constexpr DWORD kUnknownVerb = ERROR_INVALID_PARAMETER;  // 87
  static constexpr DWORD kStopped = ERROR_OPERATION_ABORTED;

  explicit WinHttpClient(std::wstring address);
  WinHttpClient(const WinHttpClient&) = delete;
  WinHttpClient& operator=(const WinHttpClient&) = delete;

  // "GET" or "POST" (any case). True when a response was received and accepted in one of at
  // most three attempts; the results below describe the last response received.
  bool PerformRequest(const std::wstring& verb);

  // Set before PerformRequest.
  // false: HTTPS ignores certificate errors. Verified unless a caller asks otherwise.
  bool verifyCertificates = true;
  std::wstring address;
  ProgressSink progressSink;
  std::wstring cookiesToSend;         // sent as "Cookie: <cookiesToSend>"
  const BYTE* requestBody = nullptr;  // POST body, not owned
  DWORD requestBodySize = 0;
  std::wstring extraHeaders;  // CRLF-separated request header lines
  std::wstring proxyServer;   // explicit proxy ("host:port"); empty: the system's choice
  std::wstring agentName = L"WinHttpClient";
  bool fixedCharset = false;  // true: charset is not taken from the headers
  std::wstring proxyUser;
  std::wstring proxyPass;
  int32_t resolveTimeoutMs = 0;  // 0: no limit
  int32_t connectTimeoutMs = 60000;
  int32_t sendTimeoutMs = 30000;
  int32_t receiveTimeoutMs = 30000;
  std::wstring saveFile;  // not empty: the body is appended to this file instead of memory
  WrittenSink writtenSink;
  // Set by another thread to end the request at its next step (lastError kStopped).
  const std::atomic<bool>* stopFlag = nullptr;

  // From another thread, after stopFlag is set: closes the open request handle, which ends a
  // call blocked on it at once (under Wine its connection's pending receive is cancelled, see
  // winhttp_wine_cancel.h); every later request of this client fails. Under Wine a call that
  // had not yet begun to wait is not reached: call again until the request has returned.
  void Abort();

  // Filled by PerformRequest.
  bool saveFailed = false;  // the body could not be written completely to saveFile
  std::wstring host;
  std::wstring headerText;  // raw response headers, CRLF-separated
  std::wstring bodyText;    // the body converted by its charset (memory mode)
  std::wstring charset;     // from the headers unless fixedCharset
  std::vector<char> bodyBytes;
  uint32_t bodyByteCount = 0;
  int32_t declaredLength = 0;  // Content-Length; 0 when absent or beyond 32 bits
  std::wstring receivedCookies;
  DWORD lastError = 0;
  std::wstring statusText;
  std::wstring redirectTarget;  // a Location header's address, its line end included
  std::wstring finalAddress;    // where the request ended up after the redirects it followed
  // The last body ended with a read error rather than the system's end of the response.
  bool bodyCut = false;

  // A Location value made absolute against the address it was answered for.
  static std::wstring ResolveLocation(const std::wstring& base, const std::wstring& location);

 private:
  // Where the request goes, cracked from address.
  struct Target {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;  // with the query
    std::wstring verb;
    bool secure = false;
  };

  // Opens the connection and request under this session, with the request headers.
  bool OpenRequest(HINTERNET from, const std::wstring& proxy);
  // Routes the request through a named proxy. Wine ignores the proxy option of a request, so
  // the request is opened again under a session named for that proxy; the option is set too.
  bool UseNamedProxy(const std::wstring& server, const std::wstring& bypass);
  // One attempt's send: the explicit or remembered proxy, then the user's settings after a
  // failure. True when the request went out.
  bool Send();
  bool SendRequest();
  // The Internet Explorer settings as the answer to a failed send: a configuration script's
  // proxy is used at once; a named proxy is remembered for the next attempt. True when sent.
  bool SendWithUserProxy();
  void ReadHeaders();
  // The body into memory or the file; false when memory ran out.
  bool ReadBody();
  void ReportProgress(uint64_t received) const;
  void ConvertBody();
  // Follows the redirects the system takes, for finalAddress where the system cannot tell it.
  // Synchronous requests call it on the thread of the call, so it needs no lock.
  static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, void* information, DWORD length);
  bool Stopped() const { return stopFlag && stopFlag->load(); }
  // Replaces the request handle; one opened after Abort is closed at once (request stays empty).
  void ReplaceRequest(HINTERNET handle);
  // Under Wine: notes the local address of the connection just used, for Abort.
  void RememberConnection();
  // Under Wine, with requestMutex held: cancels the pending receive of that connection.
  void CancelConnectionIo();

  Utils::UniqueWinHttp session;       // the system's own proxy choice; reused by every call
  Utils::UniqueWinHttp proxySession;  // opened for the last named proxy ("server|bypass")
  std::wstring proxySessionName;
  // The call in progress: its target, connection and request (the request closes first), the
  // proxy the request was opened for, and the proxy the user's settings named for the next attempt.
  Target target;
  Utils::UniqueWinHttp connection;
  Utils::UniqueWinHttp request;
  // requestMutex orders Abort against ReplaceRequest: Abort closes the handle but leaves it in
  // request (requestClosed), so the worker's unlocked reads of request never race with a write.
  std::mutex requestMutex;
  bool aborted = false;
  bool requestClosed = false;
  // Under Wine, for Abort: the connection's local address and, once found, its socket (not
  // owned). Guarded by requestMutex.
  std::string connectionAddress;
  HANDLE connectionSocket = nullptr;
  bool connectionCancelled = false;
  std::wstring requestProxy;
  std::wstring nextProxy;
  std::wstring nextBypass;
};
