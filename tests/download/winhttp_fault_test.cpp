// The system HTTP client against the fault server's made-up answers: header lines in any letter
// case, order and line end, cookies and charsets nginx cannot easily send, and pages cut short
// on some attempts only.
#include "download/winhttp_client.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/fault_server.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"

namespace {

using TestSupport::FaultServer;
using TestSupport::TempFolder;

// One fault server for the suite; each test names the scenario it plays.
class WinHttpFaultTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = new TempFolder();
    server = new FaultServer(folder->Path());
    ASSERT_TRUE(server->Start()) << server->ErrorText();
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
    delete folder;
    folder = nullptr;
  }

  static std::wstring Page() { return server->BaseUrlW() + L"/page"; }
  // GET requests the server answered since the scenario began.
  static int Gets() {
    int count = 0;
    for (const FaultServer::Request& request : server->Requests()) count += request.method == "GET" ? 1 : 0;
    return count;
  }

  static TempFolder* folder;
  static FaultServer* server;
};
TempFolder* WinHttpFaultTest::folder = nullptr;
FaultServer* WinHttpFaultTest::server = nullptr;

TEST_F(WinHttpFaultTest, CookiesAreJoinedTrimmedAndKeptOnceIgnoringCase) {
  struct Case {
    const char* scenario;
    const wchar_t* cookies;
  };
  const Case cases[] = {
      {"cookies-two", L"a=1; b=2;"},
      {"cookies-case", L"Token=XY;"},
      // No empty pair and no blank before a separator, wherever the ragged value stands.
      {"cookies-ragged", L"a=1; b=2; c=3;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    ASSERT_TRUE(server->Use(c.scenario, {}));
    WinHttpClient client(Page());
    ASSERT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
    EXPECT_EQ(c.cookies, client.receivedCookies);
    EXPECT_EQ(L"c", client.bodyText);
    EXPECT_EQ(1, Gets());
  }
}

TEST_F(WinHttpFaultTest, EachResponseIsDescribedAfresh) {
  // Cookies and a charset come only with the first of three answers, which are cut pages.
  ASSERT_TRUE(server->Use("cookies-first-of-three", {}));
  WinHttpClient client(Page());
  ASSERT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
  EXPECT_EQ(3, Gets());
  EXPECT_EQ(L"<html>whole</html>", client.bodyText);
  EXPECT_EQ(L"", client.receivedCookies);
  EXPECT_EQ(L"", client.charset);
  EXPECT_EQ(std::wstring::npos, client.headerText.find(L"Set-Cookie"));

  // The same client, another request: nothing of the earlier one stays.
  ASSERT_TRUE(server->Use("cookies-two", {}));
  ASSERT_TRUE(client.PerformRequest(L"GET"));
  EXPECT_EQ(L"a=1; b=2;", client.receivedCookies);
  ASSERT_TRUE(server->Use("length-odd-case", {}));
  ASSERT_TRUE(client.PerformRequest(L"GET"));
  EXPECT_EQ(L"", client.receivedCookies);
  EXPECT_EQ(L"hello", client.bodyText);
}

TEST_F(WinHttpFaultTest, ConvertsTheBodyByItsCharset) {
  // The prefix's ANSI code page is what reads a body whose charset is not UTF-8.
  ASSERT_EQ(1252u, ::GetACP());
  struct Case {
    const char* scenario;
    const wchar_t* charset;
    const wchar_t* text;
    unsigned bytes;
  };
  const Case cases[] = {
      {"charset-capitals", L"UTF-8", L"<html>安装完成</html>", 25},
      {"charset-quoted", L"utf-8", L"<html>安装完成</html>", 25},
      {"charset-gbk", L"gbk", L"caf\u00e9 \u20ac \u00a3", 8},
      {"charset-latin1", L"iso-8859-1", L"caf\u00e9 \u20ac \u00a3", 8},
      // UTF-8 bytes without a charset are read as ANSI, byte by byte.
      {"charset-none", L"", L"\u00e4\u00b8\u00ad caf\u00e9", 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    ASSERT_TRUE(server->Use(c.scenario, {}));
    WinHttpClient client(Page());
    ASSERT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
    EXPECT_EQ(c.charset, client.charset);
    EXPECT_EQ(c.text, client.bodyText);
    EXPECT_EQ(c.bytes, client.bodyByteCount);
  }
}

TEST_F(WinHttpFaultTest, ACutShortPageIsAskedForAgain) {
  struct Case {
    const char* scenario;
    bool accepted;
    int requests;
    const wchar_t* body;
  };
  const Case cases[] = {
      {"page-cut-always", false, 3, L"<html><body>cut"},
      {"page-cut-first", true, 2, L"<html><body>whole</body></html>"},
      {"page-capitals", true, 1, L"<HTML><BODY>whole</BODY></Html>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    ASSERT_TRUE(server->Use(c.scenario, {}));
    WinHttpClient client(Page());
    EXPECT_EQ(c.accepted, client.PerformRequest(L"GET"));
    if (!c.accepted) {
      EXPECT_EQ(WinHttpClient::kCutShortPage, client.lastError);
    }
    EXPECT_EQ(c.requests, Gets());
    EXPECT_EQ(c.body, client.bodyText);
  }
}

TEST_F(WinHttpFaultTest, FileModeSavesACutPageAtTheFirstAttempt) {
  TempFolder target;
  const std::wstring file = target.File(L"page.html");
  ASSERT_TRUE(server->Use("page-cut-always", {}));
  WinHttpClient client(Page());
  client.saveFile = file;
  EXPECT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
  EXPECT_EQ(1, Gets());
  EXPECT_EQ("<html><body>cut", TestSupport::ReadFileBytes(file));
  EXPECT_EQ(L"", client.bodyText);
}

TEST_F(WinHttpFaultTest, ReadsLengthAndLocationHowEverTheLinesAreWritten) {
  struct Case {
    const char* scenario;
    int32_t declaredLength;
    const wchar_t* redirectTarget;
    const wchar_t* body;
  };
  const Case cases[] = {
      {"length-odd-case", 5, L"", L"hello"},
      // Beyond 32 bits the length is not taken at all rather than cut to a wrong number.
      {"length-beyond-32-bits", 0, L"", L"hello"},
      {"location-crlf", 4, L"http://127.0.0.1:1/next?x=1\r\n", L"made"},
      {"location-lf", 4, L"https://127.0.0.1:1/lf\r\n", L"made"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    ASSERT_TRUE(server->Use(c.scenario, {}));
    WinHttpClient client(Page());
    std::vector<double> progress;
    client.progressSink = [&progress](double percent) { progress.push_back(percent); };
    ASSERT_TRUE(client.PerformRequest(L"GET")) << client.lastError;
    EXPECT_EQ(c.declaredLength, client.declaredLength);
    EXPECT_EQ(c.redirectTarget, client.redirectTarget);
    EXPECT_EQ(c.body, client.bodyText);
    EXPECT_EQ(1, Gets());
    // Progress needs a length to measure against; with one it ends at a hundred.
    if (c.declaredLength == 0) {
      EXPECT_TRUE(progress.empty());
    } else {
      ASSERT_FALSE(progress.empty());
      EXPECT_DOUBLE_EQ(100.0, progress.back());
    }
  }
}

}  // namespace
