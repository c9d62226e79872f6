// The system HTTP client against real servers on loopback: nginx for well-formed answers, the
// fault server for connections reset before any answer, and a forward proxy of our own
// (tools/testenv/http_proxy.py) for the fallback to the user's Internet Explorer settings.
#include "download/winhttp_client.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "download/winhttp_patterns.h"
#include "tests/support/fault_server.h"
#include "tests/support/host_script.h"
#include "tests/support/nginx_server.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

using TestSupport::TempFolder;
using Strings = std::vector<std::wstring>;

// ---------------------------------------------------------------------------------------------
// The header patterns, without a server.

struct MatchCase {
  const char* name;
  const wchar_t* pattern;
  const wchar_t* text;
  Strings expected;
};

TEST(WinHttpPatterns, CollectMatchesFindsWhatTheHeadersCarry) {
  using namespace WinHttpPatterns;
  const MatchCase cases[] = {
      {"charset in capitals", kCharset, L"Content-Type: text/html; CHARSET=UTF-8\r\n", {L"UTF-8"}},
      {"charset stops at other characters", kCharset, L"Content-Type: text/html; charset=gb_2312;x\r\n", {L"gb_2312"}},
      {"charset in quotes", kCharset, L"Content-Type: text/html; charset=\"utf-8\"\r\n", {L"utf-8"}},
      {"length in any case", kContentLength, L"HTTP/1.1 200 OK\r\ncontent-length: 5120\r\n\r\n", {L"5120"}},
      {"location keeps its line end",
       kLocation,
       L"Location: https://h/p?q=1\r\nServer: x\r\n",
       {L"https://h/p?q=1\r\n"}},
      {"location needs a scheme", kLocation, L"Location: /relative/path\r\n", {}},
      {"cookies in order, blanks skipped, duplicates ignoring case",
       kSetCookie,
       L"Set-Cookie: a=1\r\nSet-Cookie:\tb=2\nset-cookie: A=1\r\nSet-Cookie: c=3\rX: y\r\n",
       {L"a=1", L"b=2", L"c=3"}},
      {"the tag of a page", kHtmlOpen, L"<!doctype html><HTML><body>", {L"<HTML>"}},
      {"no closing tag", kHtmlClose, L"<html><body>", {}},
  };
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(c.name);
    Strings results{L"left over"};
    EXPECT_TRUE(CollectMatches(c.pattern, c.text, &results));
    EXPECT_EQ(c.expected, results);
  }
}

TEST(WinHttpPatterns, CollectMatchesRefusesWhatItCannotApply) {
  Strings results{L"left over"};
  EXPECT_FALSE(WinHttpPatterns::CollectMatches(L"", L"text", &results));
  EXPECT_TRUE(results.empty());
  EXPECT_FALSE(WinHttpPatterns::CollectMatches(WinHttpPatterns::kCharset, L"", &results));
  EXPECT_FALSE(WinHttpPatterns::CollectMatches(L"{unclosed", L"unclosed", &results));
  EXPECT_FALSE(WinHttpPatterns::CollectMatches(L"[a-", L"a", &results));
  EXPECT_FALSE(WinHttpPatterns::CollectMatches(L"trailing\\", L"trailing", &results));
}

// 64 KiB of headers, as much as Windows accepts, are matched on a thread of the workers' stack
// size without harm (Wine's own client cuts lines at 1460 bytes, so the text is made here).
TEST(WinHttpPatterns, MatchesHeadersOfSixtyFourKibibytesOnAWorkerStack) {
  const std::wstring cookie = L"big=" + std::wstring(32 * 1024 - 16, L'c');
  const std::wstring location = L"http://127.0.0.1:1/" + std::wstring(32 * 1024 - 32, L'p') + L"\r\n";
  const std::wstring headers =
      L"HTTP/1.1 201 Created\r\nSet-Cookie: " + cookie + L"\r\nLocation: " + location + L"\r\n";
  Strings cookies, locations;
  std::thread worker([&] {
    WinHttpPatterns::CollectMatches(WinHttpPatterns::kSetCookie, headers, &cookies);
    WinHttpPatterns::CollectMatches(WinHttpPatterns::kLocation, headers, &locations);
  });
  worker.join();
  EXPECT_EQ(Strings{cookie}, cookies);
  EXPECT_EQ(Strings{location}, locations);
}

TEST(WinHttpPatterns, CookiesAreJoinedIntoOneHeaderValue) {
  struct Case {
    Strings values;
    const wchar_t* joined;
  };
  const Case cases[] = {
      {{L"a=1", L"b=2"}, L"a=1; b=2;"},
      {{L"  a=1;  "}, L"a=1;"},
      {{L"a=1; path=/"}, L"a=1; path=/;"},
      {{}, L""},
      // A value's own ';' or trailing blanks make no empty pair and no blank before a separator.
      {{L"a=1;", L"b=2 \t ", L"c=3"}, L"a=1; b=2; c=3;"},
      {{L"a=1", L" ; ", L"", L"b=2;;"}, L"a=1; b=2;"},
      {{L" ", L";"}, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.joined, WinHttpPatterns::JoinCookies(c.values));
}

TEST(WinHttpPatterns, LocationsAreResolvedAgainstTheirRequest) {
  struct Case {
    const wchar_t* base;
    const wchar_t* location;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"http://h:81/a/b?q=1", L"http://other/x", L"http://other/x"},
      {L"http://h:81/a/b?q=1", L"/c/d.exe", L"http://h:81/c/d.exe"},
      {L"http://h:81/a/b?q=/1", L"c/d.exe", L"http://h:81/a/c/d.exe"},
      {L"http://h:81", L"d.exe", L"http://h:81/d.exe"},
      {L"https://h/a", L"//g/p", L"https://g/p"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, WinHttpClient::ResolveLocation(c.base, c.location))
        << Utils::WideToMultiByte(c.location, CP_UTF8);
  }
}

// ---------------------------------------------------------------------------------------------
// Requests against nginx.

const char kUtf8Page[] = "<html>\xe4\xb8\xad\xe6\x96\x87\xe4\xb8\x8b\xe8\xbd\xbd</html>";  // 中文下载

// One nginx for the suite, with the answers the tests ask for.
class WinHttpClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new TempFolder();
    ASSERT_TRUE(TestSupport::WriteFileBytes(folder->File(L"plain.txt"), "hello"));
    ASSERT_TRUE(TestSupport::WriteFileBytes(folder->File(L"utf8.html"), kUtf8Page));
    ASSERT_TRUE(TestSupport::WriteFileBytes(folder->File(L"cut.html"), "<html><body>cut"));
    ASSERT_TRUE(TestSupport::WriteFileBytes(folder->File(L"large.bin"), std::string(300000, 'x')));
    const std::string config =
        "location = /cookies { add_header Set-Cookie \"a=1\"; add_header Set-Cookie \"b=2\"; return 200 'c'; }\n"
        "location = /utf8.html { types { } default_type \"text/html; CHARSET=UTF-8\"; }\n"
        "location = /echo-cookie { return 200 '<html>$http_cookie|$http_x_dravix'; }\n"
        "location = /created { add_header Location \"http://127.0.0.1:1/next\"; return 201 'made'; }\n";
    nginx = new TestSupport::NginxServer(folder->Path(), config);
    ASSERT_TRUE(nginx->Start()) << nginx->ErrorText();
  }
  static void TearDownTestSuite() {
    delete nginx;
    nginx = nullptr;
    delete folder;
    folder = nullptr;
  }

  static std::wstring Address(const std::wstring& path) { return nginx->BaseUrlW() + path; }
  // The GET requests of this path in nginx's log.
  static int GetsOf(const std::string& path) {
    std::istringstream log(nginx->AccessLog());
    int count = 0;
    for (std::string line; std::getline(log, line);) {
      if (line.find("\"GET " + path + " ") != std::string::npos) ++count;
    }
    return count;
  }
  // nginx logs a request only after its answer has gone out: its lines may come a little later.
  static int GetsSince(const std::string& path, int before, int expected) {
    int seen = GetsOf(path) - before;
    for (int waited = 0; seen < expected && waited < 5000; waited += 20) {
      ::Sleep(20);
      seen = GetsOf(path) - before;
    }
    return seen;
  }

  static TempFolder* folder;
  static TestSupport::NginxServer* nginx;
};
TempFolder* WinHttpClientTest::folder = nullptr;
TestSupport::NginxServer* WinHttpClientTest::nginx = nullptr;

TEST_F(WinHttpClientTest, ReadsStatusLengthAndBodyOfAPlainAnswer) {
  WinHttpClient client(Address(L"/plain.txt"));
  ASSERT_TRUE(client.PerformRequest(L"GET"));
  EXPECT_EQ(L"200", client.statusText);
  EXPECT_EQ(5, client.declaredLength);
  EXPECT_EQ(5u, client.bodyByteCount);
  EXPECT_EQ(L"hello", client.bodyText);
  EXPECT_EQ(L"127.0.0.1", client.host);
  EXPECT_EQ(0u, client.headerText.find(L"HTTP/1.1 200"));
  EXPECT_EQ(Address(L"/plain.txt"), client.finalAddress);
  EXPECT_EQ(0u, client.lastError);

  // The query goes out with the path.
  const int before = GetsOf("/plain.txt?v=1/2");
  client.address = Address(L"/plain.txt?v=1/2");
  ASSERT_TRUE(client.PerformRequest(L"GET"));
  EXPECT_EQ(L"hello", client.bodyText);
  EXPECT_EQ(1, GetsSince("/plain.txt?v=1/2", before, 1));

  // The session stays; a later request on the same client answers afresh.
  client.address = Address(L"/missing.txt");
  ASSERT_TRUE(client.PerformRequest(L"GET")) << "the status is not judged by the client";
  EXPECT_EQ(L"404", client.statusText);
  EXPECT_NE(L"hello", client.bodyText);
}

TEST_F(WinHttpClientTest, CollectsCookiesAndTheRedirectTarget) {
  WinHttpClient cookies(Address(L"/cookies"));
  ASSERT_TRUE(cookies.PerformRequest(L"GET"));
  EXPECT_EQ(L"a=1; b=2;", cookies.receivedCookies);
  EXPECT_EQ(L"", cookies.redirectTarget);

  WinHttpClient created(Address(L"/created"));
  ASSERT_TRUE(created.PerformRequest(L"GET"));
  EXPECT_EQ(L"201", created.statusText);
  EXPECT_EQ(L"http://127.0.0.1:1/next\r\n", created.redirectTarget);
  EXPECT_EQ(L"", created.receivedCookies);
}

TEST_F(WinHttpClientTest, ConvertsTheBodyByItsCharset) {
  WinHttpClient client(Address(L"/utf8.html"));
  ASSERT_TRUE(client.PerformRequest(L"GET"));
  EXPECT_EQ(L"UTF-8", client.charset);
  EXPECT_EQ(L"<html>中文下载</html>", client.bodyText);
  EXPECT_EQ(sizeof(kUtf8Page) - 1, client.bodyByteCount);
  EXPECT_EQ(std::string(kUtf8Page), std::string(client.bodyBytes.begin(), client.bodyBytes.end()));

  // A charset fixed by the caller wins over the header's.
  WinHttpClient fixed(Address(L"/utf8.html"));
  fixed.fixedCharset = true;
  fixed.charset = L"windows-1252";
  ASSERT_TRUE(fixed.PerformRequest(L"GET"));
  EXPECT_EQ(L"windows-1252", fixed.charset);
  EXPECT_NE(L"<html>中文下载</html>", fixed.bodyText);
}

TEST_F(WinHttpClientTest, ACutShortPageUsesUpAllThreeAttempts) {
  const int before = GetsOf("/cut.html");
  WinHttpClient client(Address(L"/cut.html"));
  EXPECT_FALSE(client.PerformRequest(L"GET"));
  EXPECT_EQ(13u, client.lastError);
  EXPECT_EQ(3, GetsSince("/cut.html", before, 3));
}

TEST_F(WinHttpClientTest, CookiesAndHeadersToSendGoOutOnceInEveryAttempt) {
  // The echo is a page without its closing tag, so all three attempts run.
  const int before = GetsOf("/echo-cookie");
  WinHttpClient client(Address(L"/echo-cookie"));
  client.cookiesToSend = L"x=1";
  client.extraHeaders = L"X-Dravix: seen\r\n";
  EXPECT_FALSE(client.PerformRequest(L"GET"));
  EXPECT_EQ(3, GetsSince("/echo-cookie", before, 3));
  EXPECT_EQ(L"<html>x=1|seen", client.bodyText) << "the third request carried each header once";
}

TEST_F(WinHttpClientTest, FileModeAppendsTheBodyAndNeverJudgesThePage) {
  TempFolder target;
  const std::wstring file = target.File(L"page.html");
  ASSERT_TRUE(TestSupport::WriteFileBytes(file, "before:"));
  const int before = GetsOf("/cut.html");
  WinHttpClient client(Address(L"/cut.html"));
  client.saveFile = file;
  EXPECT_TRUE(client.PerformRequest(L"GET"));
  EXPECT_EQ(1, GetsSince("/cut.html", before, 1));
  EXPECT_EQ("before:<html><body>cut", TestSupport::ReadFileBytes(file));
  EXPECT_EQ(L"", client.bodyText);
  EXPECT_EQ(0u, client.bodyByteCount);
}

TEST_F(WinHttpClientTest, ProgressReachesAHundredInEitherMode) {
  TempFolder target;
  for (const bool toFile : {false, true}) {
    SCOPED_TRACE(toFile ? "file" : "memory");
    WinHttpClient client(Address(L"/large.bin"));
    if (toFile) client.saveFile = target.File(L"large.bin");
    std::vector<double> seen;
    client.progressSink = [&seen](double percent) { seen.push_back(percent); };
    ASSERT_TRUE(client.PerformRequest(L"GET"));
    ASSERT_FALSE(seen.empty());
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
    EXPECT_DOUBLE_EQ(100.0, seen.back());
    if (toFile) {
      EXPECT_EQ(300000u, TestSupport::ReadFileBytes(target.File(L"large.bin")).size());
    }
  }
}

TEST_F(WinHttpClientTest, RefusesBadInputWithItsOwnCodes) {
  struct Case {
    const wchar_t* address;
    const wchar_t* verb;
    bool accepted;
    DWORD lastError;
  };
  const std::wstring plain = Address(L"/plain.txt");
  const Case cases[] = {
      {L"", L"GET", false, 3},          {plain.c_str(), L"PUT", false, 87}, {plain.c_str(), L"", false, 87},
      {plain.c_str(), L"get", true, 0}, {plain.c_str(), L"PoSt", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utils::WideToMultiByte(std::wstring(c.address) + L" " + c.verb, CP_UTF8));
    WinHttpClient client(c.address);
    EXPECT_EQ(c.accepted, client.PerformRequest(c.verb));
    EXPECT_EQ(c.lastError, client.lastError);
  }
  WinHttpClient malformed(L"not an address");
  EXPECT_FALSE(malformed.PerformRequest(L"GET"));
  EXPECT_NE(0u, malformed.lastError);
}

TEST_F(WinHttpClientTest, AStopRequestedBeforehandSendsNothing) {
  const int before = GetsOf("/plain.txt");
  std::atomic<bool> stop{true};
  WinHttpClient client(Address(L"/plain.txt"));
  client.stopFlag = &stop;
  EXPECT_FALSE(client.PerformRequest(L"GET"));
  EXPECT_EQ(WinHttpClient::kStopped, client.lastError);
  EXPECT_EQ(0, GetsSince("/plain.txt", before, 0));
}

// ---------------------------------------------------------------------------------------------
// Receive failures, against the fault server.

TEST(WinHttpClientFaultServer, RetriesMissingResponsesFollowsRedirectsAndPostsBodies) {
  TempFolder root;
  ASSERT_TRUE(TestSupport::WriteFileBytes(root.File(L"plain.txt"), "hello"));
  TestSupport::FaultServer server(root.Path());
  ASSERT_TRUE(server.Start()) << server.ErrorText();
  const std::wstring address = server.BaseUrlW() + L"/plain.txt";

  ASSERT_TRUE(server.Use("reset-first-2", {}));
  WinHttpClient recovering(address);
  EXPECT_TRUE(recovering.PerformRequest(L"GET"));
  EXPECT_EQ(L"hello", recovering.bodyText);
  EXPECT_EQ(3u, server.Requests().size());

  // Relative redirects, followed by the system, still give the final address.
  ASSERT_TRUE(server.Use("redirect-chain", {{"/start", "/plain.txt"}}));
  WinHttpClient redirected(server.BaseUrlW() + L"/start");
  EXPECT_TRUE(redirected.PerformRequest(L"GET"));
  EXPECT_EQ(L"hello", redirected.bodyText);
  EXPECT_EQ(address, redirected.finalAddress);

  // A POST carries its body.
  ASSERT_TRUE(server.Use("correct", {}));
  static const char kForm[] = "name=value&n=2";
  WinHttpClient post(server.BaseUrlW() + L"/echo");
  post.requestBody = reinterpret_cast<const BYTE*>(kForm);
  post.requestBodySize = sizeof(kForm) - 1;
  EXPECT_TRUE(post.PerformRequest(L"POST"));
  EXPECT_EQ(L"name=value&n=2", post.bodyText);

  ASSERT_TRUE(server.Use("reset-always", {}));
  WinHttpClient failing(address);
  EXPECT_FALSE(failing.PerformRequest(L"GET"));
  EXPECT_EQ(3u, server.Requests().size());
  EXPECT_NE(0u, failing.lastError);
  EXPECT_NE(13u, failing.lastError);
}

// ---------------------------------------------------------------------------------------------
// Proxies: an explicit one, and the user's Internet Explorer settings after a failed send.

// Our forward proxy on a free loopback port; routes send requests for one origin to another.
class ForwardProxy {
 public:
  explicit ForwardProxy(const std::vector<std::pair<std::string, std::string>>& routes) {
    std::string arguments = "start";
    for (const auto& route : routes) arguments += " --route " + route.first + "=" + route.second;
    if (TestSupport::RunHostScript("http_proxy.py", arguments, state_, state_.File(L"port"), 20000, &error_)) {
      port_ = std::atoi(TestSupport::ReadFileBytes(state_.File(L"port")).c_str());
    }
  }
  ~ForwardProxy() {
    if (port_ > 0) TestSupport::RunHostScript("http_proxy.py", "stop", state_, state_.File(L"stopped"), 20000, &error_);
  }
  ForwardProxy(const ForwardProxy&) = delete;
  ForwardProxy& operator=(const ForwardProxy&) = delete;

  int Port() const { return port_; }
  const std::string& ErrorText() const { return error_; }
  // "METHOD address status" lines of the requests it answered.
  std::vector<std::string> Requests() const {
    std::vector<std::string> lines;
    std::istringstream log(TestSupport::ReadFileBytes(state_.File(L"requests.log")));
    for (std::string line; std::getline(log, line);) {
      for (char& c : line) c = c == '\t' ? ' ' : c;
      lines.push_back(line);
    }
    return lines;
  }

 private:
  TempFolder state_;
  int port_ = 0;
  std::string error_;
};

// The user's Internet Explorer settings, set for one test and put back afterwards. Windows
// keeps them in two places: the ProxyEnable/ProxyServer values, and the binary value
// Connections\DefaultConnectionSettings, which is what Wine's WinHTTP reads.
class UserProxySettings {
 public:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  static constexpr const wchar_t* kConnectionsKey =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

  UserProxySettings() {
    Utils::UniqueRegKey existing;
    connectionsKeyExisted =
        ::RegOpenKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, KEY_QUERY_VALUE, existing.put()) == ERROR_SUCCESS;
    Save(kKey, L"ProxyEnable");
    Save(kKey, L"ProxyServer");
    Save(kKey, L"AutoConfigURL");
    Save(kConnectionsKey, L"DefaultConnectionSettings");
  }
  ~UserProxySettings() {
    for (const Saved& saved : saved_) {
      Utils::UniqueRegKey key;
      if (::RegCreateKeyExW(HKEY_CURRENT_USER, saved.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
          ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot put back the Internet settings";
        continue;
      }
      if (saved.present) {
        ::RegSetValueExW(key.get(), saved.name, 0, saved.type, reinterpret_cast<const BYTE*>(saved.data.data()),
                         static_cast<DWORD>(saved.data.size()));
      } else {
        ::RegDeleteValueW(key.get(), saved.name);
      }
    }
    if (!connectionsKeyExisted) ::RegDeleteKeyW(HKEY_CURRENT_USER, kConnectionsKey);
  }
  UserProxySettings(const UserProxySettings&) = delete;
  UserProxySettings& operator=(const UserProxySettings&) = delete;

  // A proxy server ("host:port"), or an automatic configuration script's address.
  bool UseProxy(const std::wstring& server) { return Write(server, L""); }
  bool UseScript(const std::wstring& scriptAddress) { return Write(L"", scriptAddress); }

 private:
  struct Saved {
    const wchar_t* key = nullptr;
    const wchar_t* name = nullptr;
    bool present = false;
    DWORD type = 0;
    std::string data;
  };

  void Save(const wchar_t* keyName, const wchar_t* name) {
    Saved saved;
    saved.key = keyName;
    saved.name = name;
    Utils::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyName, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS) {
      DWORD size = 0;
      if (::RegQueryValueExW(key.get(), name, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
        saved.data.resize(size);
        saved.present = ::RegQueryValueExW(key.get(), name, nullptr, &saved.type,
                                           reinterpret_cast<BYTE*>(&saved.data[0]), &size) == ERROR_SUCCESS;
      }
    }
    saved_.push_back(saved);
  }

  static void Append(std::string* blob, DWORD value) { blob->append(reinterpret_cast<const char*>(&value), 4); }
  static void AppendText(std::string* blob, const std::wstring& text) {
    const std::string narrow = Utils::WideToMultiByte(text, CP_ACP);
    Append(blob, static_cast<DWORD>(narrow.size()));
    *blob += narrow;
  }

  bool Write(const std::wstring& server, const std::wstring& script) {
    // DefaultConnectionSettings: version 0x46, a change counter, flags (1 direct, 2 named proxy,
    // 4 configuration script), then the proxy, its bypass list and the script's address, each
    // as a length and ANSI text.
    std::string blob;
    Append(&blob, 0x46);
    Append(&blob, 1);
    Append(&blob, 1 | (server.empty() ? 0 : 2) | (script.empty() ? 0 : 4));
    AppendText(&blob, server);
    AppendText(&blob, L"");
    AppendText(&blob, script);
    blob.append(32, '\0');

    Utils::UniqueRegKey key;
    Utils::UniqueRegKey connections;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
            ERROR_SUCCESS ||
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, connections.put(),
                          nullptr) != ERROR_SUCCESS) {
      return false;
    }
    const DWORD enable = server.empty() ? 0 : 1;
    bool ok = ::RegSetValueExW(key.get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                               sizeof(enable)) == ERROR_SUCCESS;
    ok = ok && ::RegSetValueExW(key.get(), L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                                static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    if (script.empty()) {
      ::RegDeleteValueW(key.get(), L"AutoConfigURL");
    } else {
      ok = ok && ::RegSetValueExW(key.get(), L"AutoConfigURL", 0, REG_SZ, reinterpret_cast<const BYTE*>(script.c_str()),
                                  static_cast<DWORD>((script.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    ok = ok &&
         ::RegSetValueExW(connections.get(), L"DefaultConnectionSettings", 0, REG_BINARY,
                          reinterpret_cast<const BYTE*>(blob.data()), static_cast<DWORD>(blob.size())) == ERROR_SUCCESS;
    return ok;
  }

  std::vector<Saved> saved_;
  bool connectionsKeyExisted = false;
};

// An origin nobody listens on (the direct send fails at once), which the proxy maps to nginx.
class WinHttpProxyTest : public WinHttpClientTest {
 protected:
  void SetUp() override {
    refusing = std::make_unique<TestSupport::FaultServer>(folder->Path());
    ASSERT_TRUE(refusing->Use("refuse", {}));
    ASSERT_TRUE(refusing->Start()) << refusing->ErrorText();
    unreachable = "127.0.0.1:" + std::to_string(refusing->Port());
    proxy = std::make_unique<ForwardProxy>(
        std::vector<std::pair<std::string, std::string>>{{unreachable, "127.0.0.1:" + std::to_string(nginx->Port())}});
    ASSERT_GT(proxy->Port(), 0) << proxy->ErrorText();
  }

  std::wstring UnreachableAddress() const {
    return Utils::MultiByteToWide("http://" + unreachable + "/plain.txt", CP_UTF8);
  }
  std::wstring ProxyServer() const { return L"127.0.0.1:" + std::to_wstring(proxy->Port()); }

  std::unique_ptr<TestSupport::FaultServer> refusing;
  std::string unreachable;
  std::unique_ptr<ForwardProxy> proxy;
};

TEST_F(WinHttpProxyTest, AnExplicitProxyCarriesTheRequest) {
  WinHttpClient client(UnreachableAddress());
  client.proxyServer = ProxyServer();
  ASSERT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
  EXPECT_EQ(L"hello", client.bodyText);
  EXPECT_EQ(std::vector<std::string>{"GET http://" + unreachable + "/plain.txt 200"}, proxy->Requests());
}

TEST_F(WinHttpProxyTest, AFailedSendIsFollowedByAnAttemptThroughTheUsersProxy) {
  UserProxySettings settings;
  {
    // Without a proxy in the settings, every attempt fails at the send.
    ASSERT_TRUE(settings.UseProxy(L""));
    WinHttpClient client(UnreachableAddress());
    EXPECT_FALSE(client.PerformRequest(L"GET"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_WINHTTP_CANNOT_CONNECT), client.lastError);
    EXPECT_TRUE(proxy->Requests().empty());
  }
  ASSERT_TRUE(settings.UseProxy(ProxyServer()));
  WinHttpClient client(UnreachableAddress());
  ASSERT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
  EXPECT_EQ(L"200", client.statusText);
  EXPECT_EQ(L"hello", client.bodyText);
  EXPECT_EQ(std::vector<std::string>{"GET http://" + unreachable + "/plain.txt 200"}, proxy->Requests());
}

TEST_F(WinHttpProxyTest, AConfigurationScriptNamesTheProxyForTheSameAttempt) {
  UserProxySettings settings;
  ASSERT_TRUE(settings.UseScript(L"http://" + ProxyServer() + L"/proxy.pac"));
  WinHttpClient client(UnreachableAddress());
  ASSERT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
  EXPECT_EQ(L"hello", client.bodyText);
  const std::vector<std::string> requests = proxy->Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ("GET http://" + unreachable + "/plain.txt 200", requests.back());
}

}  // namespace
