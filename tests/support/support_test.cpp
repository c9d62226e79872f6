// The harness itself: debug-output capture and the log viewer, whole exit codes, the private
// nginx, sandboxes and path conversion.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "tests/support/nginx_server.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tools/logview/debug_capture.h"
#include "utils/unique_resource.h"

namespace {

using namespace TestSupport;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }
std::wstring Emitter() { return Quoted(BuildTreePath("tests/support/log_emitter.exe")); }

TEST(DebugCapture, CollectsLinesInOrderAndTheWholeExitCode) {
  std::vector<std::wstring> seen;
  const DebugCaptureResult run = RunWithDebugCapture(Emitter() + L" --lines=40 --exit=0xFFFFFFFE",
                                                     [&seen](const std::wstring& line) { seen.push_back(line); });
  ASSERT_TRUE(run.started);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(0xFFFFFFFEu, run.exitCode);
  ASSERT_EQ(40u, run.lines.size());
  for (size_t i = 0; i < run.lines.size(); ++i) EXPECT_EQ(L"line " + std::to_wstring(i + 1) + L"\r\n", run.lines[i]);
  EXPECT_EQ(run.lines, seen);
}

TEST(DebugCapture, LinesOfThreadsArriveWhole) {
  const DebugCaptureResult run = RunWithDebugCapture(Emitter() + L" --threads=4 --lines=25");
  ASSERT_TRUE(run.started);
  EXPECT_EQ(0u, run.exitCode);
  const std::wregex line(LR"(<P\d{5,}><T\d{5,}><[-0-9 :.]{23}>\(wmain\)<\d{4}>: line \d+\r\n)");
  size_t workerLines = 0;
  for (const std::wstring& text : run.lines) {
    if (text.find(L"Utils::Thread::CallBack") != std::wstring::npos) continue;
    EXPECT_TRUE(std::regex_match(text, line)) << std::string(text.begin(), text.end());
    ++workerLines;
  }
  EXPECT_EQ(100u, workerLines);
}

TEST(DebugCapture, EndsAProgramThatRunsPastTheLimit) {
  const DebugCaptureResult run = RunWithDebugCapture(Emitter() + L" --lines=1 --sleep=60000", nullptr, 1500);
  ASSERT_TRUE(run.started);
  EXPECT_TRUE(run.timedOut);
  EXPECT_EQ(1u, run.lines.size());
}

TEST(DebugCapture, ReportsAProgramThatCannotStart) {
  const DebugCaptureResult run = RunWithDebugCapture(L"\"C:\\no\\such\\program.exe\"");
  EXPECT_FALSE(run.started);
}

TEST(DebugCapture, CommandLineAfterProgram) {
  EXPECT_EQ(L"-a -b", CommandLineAfterProgram(L"prog.exe -a -b"));
  EXPECT_EQ(L"x \"y z\"", CommandLineAfterProgram(L"\"C:\\a b\\prog.exe\"   x \"y z\""));
  EXPECT_EQ(L"", CommandLineAfterProgram(L"prog.exe"));
  EXPECT_EQ(L"", CommandLineAfterProgram(L"\"unterminated"));
}

// The log viewer as a person uses it: its output and its own exit code.
TEST(LogViewer, PrintsLinesAndExitCodeAndEndsWithThatCode) {
  TempFolder folder;
  const std::wstring outputPath = folder.File(L"out.txt");
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  Utils::UniqueFileHandle output(::CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(output);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION info{};
  std::wstring line = Quoted(BuildTreePath("tools/logview/logview.exe")) + L" --timeout=60 " + Emitter() +
                      L" --lines=2 --exit=0xFFFFFFFF";
  ASSERT_TRUE(::CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
  Utils::UniqueHandle process(info.hProcess), thread(info.hThread);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.get(), 60000));
  DWORD code = 0;
  ASSERT_TRUE(::GetExitCodeProcess(process.get(), &code));
  output.reset();
  EXPECT_EQ(0xFFFFFFFFu, code);
  EXPECT_EQ("line 1\nline 2\n[logview] exit code 0xFFFFFFFF (-1)\n", ReadFileBytes(outputPath));
}

size_t AppendBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

struct Fetched {
  CURLcode result = CURLE_FAILED_INIT;
  long status = 0;
  std::string body;
};

Fetched Fetch(const std::string& url) {
  Fetched fetched;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &fetched.body);
  fetched.result = curl_easy_perform(curl.get());
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &fetched.status);
  return fetched;
}

TEST(NginxServer, ServesAFolderWithExtraLocationsUntilStopped) {
  TempFolder root;
  ASSERT_TRUE(::CreateDirectoryW(root.File(L"0123abcd").c_str(), nullptr));
  const std::string payload(300000, 'p');
  ASSERT_TRUE(WriteFileBytes(root.File(L"0123abcd\\package.exe"), payload));
  NginxServer server(root.Path(), "location = /redirect/x { return 302 /0123abcd/package.exe; }\n");
  ASSERT_TRUE(server.Start()) << server.ErrorText();
  ASSERT_GT(server.Port(), 0);

  const Fetched direct = Fetch(server.BaseUrl() + "/0123abcd/package.exe");
  EXPECT_EQ(CURLE_OK, direct.result);
  EXPECT_EQ(200, direct.status);
  EXPECT_EQ(payload, direct.body);
  const Fetched redirected = Fetch(server.BaseUrl() + "/redirect/x");
  EXPECT_EQ(payload, redirected.body);
  EXPECT_EQ(404, Fetch(server.BaseUrl() + "/missing").status);
  EXPECT_NE(std::string::npos, server.AccessLog().find("GET /redirect/x "));

  // Two servers side by side get different ports.
  NginxServer second(root.Path());
  ASSERT_TRUE(second.Start()) << second.ErrorText();
  EXPECT_NE(server.Port(), second.Port());

  const std::string url = server.BaseUrl() + "/0123abcd/package.exe";
  server.Stop();
  EXPECT_EQ(CURLE_COULDNT_CONNECT, Fetch(url).result);
  EXPECT_EQ(payload, Fetch(second.BaseUrl() + "/0123abcd/package.exe").body);
}

TEST(NginxServer, ReportsABadConfiguration) {
  TempFolder root;
  NginxServer server(root.Path(), "this is not nginx;\n");
  EXPECT_FALSE(server.Start());
  EXPECT_NE(std::string::npos, server.ErrorText().find("unknown directive"));
}

TEST(Sandbox, TempFolderIsFreshAndRemovedWithItsContents) {
  std::wstring path;
  {
    TempFolder folder;
    path = folder.Path();
    ASSERT_TRUE(FileExists(path));
    ASSERT_TRUE(::CreateDirectoryW(folder.File(L"a").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(folder.File(L"a\\b").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder.File(L"a\\b\\file.bin"), "x"));
    ASSERT_TRUE(::SetFileAttributesW(folder.File(L"a\\b\\file.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    TempFolder other;
    EXPECT_NE(path, other.Path());
  }
  EXPECT_FALSE(FileExists(path));
}

TEST(Sandbox, ProductKeyIsDeletedWithItsSubkeys) {
  Utils::UniqueRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kProductKey) + L"\\Sub").c_str(), 0,
                                             nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr));
  const wchar_t value[] = L"C:\\x";
  ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.get(), L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                            sizeof(value)));
  key.reset();
  EXPECT_TRUE(ProductKeyExists());
  EXPECT_TRUE(DeleteProductKey());
  EXPECT_FALSE(ProductKeyExists());
  EXPECT_TRUE(DeleteProductKey()) << "deleting a missing key is not an error";
}

class SandboxFixture : public SandboxTest {};

TEST_F(SandboxFixture, StartsWithoutTheProductKeyAndWithAnEmptyFolder) {
  EXPECT_FALSE(ProductKeyExists());
  EXPECT_TRUE(FileExists(Sandbox().Path()));
  Utils::UniqueRegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr));
}

TEST(Paths, ConvertBetweenUnixAndWindows) {
  EXPECT_EQ(L"Z:\\work\\a b\\c.exe", WindowsPathFromUnix("/work/a b/c.exe"));
  const std::string unix = UnixPathFromWindows(BuildTreePath("tests/support/log_emitter.exe"));
  EXPECT_EQ(std::string(DRAVIX_BINARY_DIR_UNIX) + "/tests/support/log_emitter.exe", unix);
  TempFolder folder;
  EXPECT_EQ(0u, UnixPathFromWindows(folder.Path()).find('/')) << "the temporary folder lies inside the prefix";
}

}  // namespace
