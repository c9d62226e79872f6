// headless_install.exe as a process: its exact output lines and exit codes, over real
// installations from nginx on loopback with the sample package kit.
#include <gtest/gtest.h>
#include <windows.h>

#include <wincrypt.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "install/download_installer.h"
#include "install/installer.h"
#include "tests/install/event_recorder.h"
#include "tests/install/installer_fixture.h"
#include "tests/install/package_server.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tests/utils/child_script.h"
#include "utils/crypt_handles.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace InstallTests {
namespace {

constexpr DWORD kToolTimeoutMs = 180000;

std::string Utf8(const std::wstring& text) { return Utils::WideToMultiByte(text, CP_UTF8); }

// Backslashes as the tool prints them: doubled.
std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return escaped;
}

std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

bool HasCode(const std::vector<std::string>& lines, const std::string& code) {
  for (const std::string& line : lines) {
    if (line.rfind(code + "\t", 0) == 0) return true;
  }
  return false;
}

Utils::UniqueFileHandle InheritableFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, TRUE};
  return Utils::UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               &attributes, CREATE_ALWAYS, 0, nullptr));
}

// The file's bytes, also while the tool still writes it.
std::string ReadShared(const std::wstring& path) {
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

// One run of the tool with its standard output and error in files.
class ToolRun {
 public:
  ToolRun(const TestSupport::TempFolder& folder, const std::wstring& arguments)
      : outPath_(folder.File(L"stdout-" + std::to_wstring(++runs_))), errPath_(outPath_ + L".err") {
    Utils::UniqueFileHandle out = InheritableFile(outPath_);
    Utils::UniqueFileHandle err = InheritableFile(errPath_);
    std::wstring commandLine =
        L"\"" + TestSupport::BuildTreePath("tools/headless_install/headless_install.exe") + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION info = {};
    started_ = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    if (started_) {
      process_.reset(info.hProcess);
      Utils::UniqueHandle thread(info.hThread);  // not needed: released at once
    }
  }
  ~ToolRun() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.get(), 99);
  }

  bool Started() const { return started_; }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  // The exit code, or -1 when the tool did not end in time (it is ended then).
  int Finish() {
    if (!process_) return -1;
    if (::WaitForSingleObject(process_.get(), kToolTimeoutMs) != WAIT_OBJECT_0) {
      ::TerminateProcess(process_.get(), 99);
      return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return static_cast<int>(code);
  }
  std::string Output() const { return ReadShared(outPath_); }
  std::string Errors() const { return ReadShared(errPath_); }

 private:
  static int runs_;
  std::wstring outPath_;
  std::wstring errPath_;
  bool started_ = false;
  Utils::UniqueHandle process_;
};
int ToolRun::runs_ = 0;

class HeadlessInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = SampleServer();
    ASSERT_NE(server_, nullptr);
  }

  std::wstring Folder(const std::wstring& name) const { return folder_.File(name); }

  static std::wstring Quote(const std::wstring& argument) { return L"\"" + argument + L"\""; }

  PackageServer* server_ = nullptr;
  TestSupport::TempFolder folder_;
};

TEST_F(HeadlessInstallTest, InstallsAndPrintsEveryEventAsOneLine) {
  const struct {
    const char* name;
    std::wstring options;
  } cases[] = {
      {"one stream, address template", L""},
      {"two ranges", L" -downloadtype=3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = Folder(L"Dravix " + std::to_wstring(&c - cases));
    ToolRun run(folder_, Quote(L"-downloadurl=" + server_->TemplateAddress()) + L" " + Quote(L"-instdir=" + folder) +
                             L" -dsc=false -ssc=true -inslang=zh-CN -instcmd=-sample-message=C:\\x\\完成" + c.options);
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.Finish(), 0);
    const std::vector<std::string> lines = Lines(run.Output());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "1001\t1\t");
    EXPECT_EQ(lines.back(), "2003\t0\t");
    EXPECT_TRUE(HasLine(lines, "1003\t0\tLibCurl"));
    EXPECT_TRUE(HasLine(lines, "2001\t0\t"));
    EXPECT_TRUE(HasLine(lines, "3000\t0\t" + Escaped(Utf8(folder)))) << run.Output();
    EXPECT_TRUE(HasLine(lines, "3005\t1\t"));
    // Backslashes are doubled so that a line can always be split and read back.
    EXPECT_TRUE(HasLine(lines, "3009\t0\tC:\\\\x\\\\完成"));
    for (const std::string& line : lines) {
      const size_t first = line.find('\t');
      const size_t second = line.find('\t', first + 1);
      EXPECT_TRUE(first == 4 && second != std::string::npos && line.find('\t', second + 1) == std::string::npos)
          << line;
    }
    EXPECT_TRUE(TestSupport::FileExists(folder + L"\\ZarnelDravix.exe"));
    EXPECT_FALSE(TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folder))) << "the package stayed";
    const std::wstring config = folder + L"\\config.ini";
    wchar_t value[64] = {};
    ::GetPrivateProfileStringW(L"Install", L"Language", L"", value, 64, config.c_str());
    EXPECT_STREQ(value, L"zh-CN");
    ::GetPrivateProfileStringW(L"Install", L"DesktopShortcut", L"", value, 64, config.c_str());
    EXPECT_STREQ(value, L"false");
    ::GetPrivateProfileStringW(L"Install", L"QuickLaunchShortcut", L"", value, 64, config.c_str());
    EXPECT_STREQ(value, L"true");
    EXPECT_TRUE(run.Errors().empty()) << run.Errors();
  }
}

TEST_F(HeadlessInstallTest, FailuresEndWithTheirEventAndExitCodeOne) {
  const std::wstring oldFolder = Folder(L"old");
  {
    EventRecorder recorder;
    CInstaller old(recorder.Callback(), Quoted(SamplePackagePath()), oldFolder);
    old.Start();
    ASSERT_TRUE(old.WaitForRun(kRunTimeoutMs));
    ::WritePrivateProfileStringW(L"Sample", L"Uninstall", L"fail", (oldFolder + L"\\config.ini").c_str());
  }
  const struct {
    const char* name;
    std::wstring options;
    std::string last;
    bool downloads;
  } cases[] = {
      {"download fails", Quote(L"-downloadurl=" + server_->MissingAddress()), "1004\t-998\tLibCurl", true},
      {"installation fails", L"-instcmd=-sample-fail", "2004\t0\t安装包安装失败", true},
      {"removal fails", Quote(L"-uninstaller=" + oldFolder + L"\\uninst.ep"), "5005\t0\t安装包卸载失败", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = Folder(L"failing " + std::to_wstring(&c - cases));
    // The first occurrence of an option wins: the case's own address goes first.
    ToolRun run(folder_, c.options + L" " + Quote(L"-downloadurl=" + server_->Address("download_silent")) + L" " +
                             Quote(L"-instdir=" + folder));
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.Finish(), 1);
    const std::vector<std::string> lines = Lines(run.Output());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), c.last);
    EXPECT_EQ(HasCode(lines, "1001"), c.downloads);
    EXPECT_FALSE(TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folder)));
    EXPECT_FALSE(TestSupport::FileExists(folder + L"\\ZarnelDravix.exe"));
  }
}

TEST_F(HeadlessInstallTest, UsageErrorsExitWithTwoAndSayWhy) {
  const struct {
    std::wstring arguments;
    std::string mentions;
  } cases[] = {
      {L"", "-instdir"},
      {L"-instdir=", "-instdir"},
      {L"-instdir=C:\\x -dsc=yes", "-dsc"},
      {L"-instdir=C:\\x -ssc=TRUE", "-ssc"},
      {L"-instdir=C:\\x -instdri=C:\\y", "-instdri"},
      {L"-instdir=C:\\x stray", "stray"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.arguments));
    ToolRun run(folder_, c.arguments);
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.Finish(), 2);
    EXPECT_EQ(run.Output(), "");
    const std::string errors = run.Errors();
    EXPECT_NE(errors.find(c.mentions), std::string::npos) << errors;
    EXPECT_NE(errors.find("usage: headless_install"), std::string::npos) << errors;
  }
}

// Each line leaves the tool when its event happens: the package installer here waits for a
// file after its first progress line, and that line is already out before the file exists.
TEST_F(HeadlessInstallTest, LinesArriveWhileTheInstallationRuns) {
  PackageServer scripted;
  scripted.Add("download_silent", TestSupport::ChildScript::ChildPath());
  ASSERT_TRUE(scripted.Start()) << scripted.ErrorText();
  const std::wstring gate = Folder(L"gate");
  TestSupport::ChildScript script(folder_.Path(), "out Progress=0.25\\n\nwaitfile " + TestSupport::ScriptPath(gate) +
                                                      "\nout Message=tab\\there\\n\nout State=Success\\n\n");
  const std::wstring folder = Folder(L"streamed");
  ToolRun run(folder_,
              Quote(L"-downloadurl=" + scripted.Address("download_silent")) + L" " + Quote(L"-instdir=" + folder));
  ASSERT_TRUE(run.Started());
  bool seen = false;
  for (int i = 0; i < 2400 && !seen && run.Running(); ++i) {
    seen = HasLine(Lines(run.Output()), "2002\t0.25\t");
    if (!seen) ::Sleep(50);
  }
  EXPECT_TRUE(seen) << run.Output();
  EXPECT_TRUE(run.Running());
  EXPECT_FALSE(HasCode(Lines(run.Output()), "2003"));
  ASSERT_TRUE(TestSupport::WriteFileBytes(gate, ""));
  EXPECT_EQ(run.Finish(), 0);
  const std::vector<std::string> lines = Lines(run.Output());
  EXPECT_TRUE(HasLine(lines, "3009\t0\ttab\\there")) << run.Output();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "2003\t0\t");
}

// Package trust: a pinned SHA-256 and a list of allowed signers, served by nginx and judged by
// the tool's orchestrator. Every case tells whether the package's own installer ran: only then
// is the product in the folder.
class PackageTrustTest : public HeadlessInstallTest {
 protected:
  static void SetUpTestSuite() {
    // The test root joins the prefix's trusted roots, as a publisher's root is on a real machine.
    const std::string root = TestSupport::ReadFileBytes(Signing(L"test_root.cer"));
    ASSERT_FALSE(root.empty());
    const Utils::UniqueCertStore store(
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
    ASSERT_TRUE(store.valid());
    ASSERT_TRUE(
        ::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(root.data()),
                                           static_cast<DWORD>(root.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    signedServer_ = new PackageServer;
    signedServer_->Add("unsigned", SamplePackagePath());
    for (const char* shape : {"signed", "changed", "appended", "impostor", "stranger"}) {
      signedServer_->Add(shape, Signing(Utils::MultiByteToWide(std::string(shape) + ".exe", CP_UTF8)));
    }
    signedServer_->Add("wrong_sha", SamplePackagePath("DravixSamplePackage_24MiB.exe"));
    ASSERT_TRUE(signedServer_->Start()) << signedServer_->ErrorText();
  }
  static void TearDownTestSuite() {
    delete signedServer_;
    signedServer_ = nullptr;
  }

  static std::wstring Signing(const std::wstring& file) {
    return SamplePackagePath("signing\\" + Utils::WideToMultiByte(file, CP_UTF8));
  }
  static std::wstring Value(const wchar_t* section, const wchar_t* key) {
    wchar_t value[128] = {};
    ::GetPrivateProfileStringW(section, key, L"", value, 128, Signing(L"thumbprints.ini").c_str());
    return value;
  }

  struct Outcome {
    int exitCode;
    std::vector<std::string> lines;
    bool installed;  // the package's own installer ran
    bool packageLeft;
  };
  Outcome Install(const std::string& route, const std::wstring& options) {
    const std::wstring folder = Folder(L"trust " + std::to_wstring(++installs_));
    ToolRun run(folder_, options + L" " + Quote(L"-downloadurl=" + signedServer_->Address(route)) + L" " +
                             Quote(L"-instdir=" + folder));
    EXPECT_TRUE(run.Started());
    Outcome outcome;
    outcome.exitCode = run.Finish();
    outcome.lines = Lines(run.Output());
    outcome.installed = TestSupport::FileExists(folder + L"\\ZarnelDravix.exe");
    outcome.packageLeft = TestSupport::FileExists(CDownloadInstaller::PackagePathFor(folder));
    return outcome;
  }

  static PackageServer* signedServer_;
  int installs_ = 0;
};
PackageServer* PackageTrustTest::signedServer_ = nullptr;

TEST_F(PackageTrustTest, PinnedSha256DecidesWhetherThePackageRuns) {
  const std::wstring sha = Value(L"Digests", L"Package");
  ASSERT_EQ(64u, sha.size());
  std::wstring upper = sha;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
  {
    SCOPED_TRACE("right, in either case, on both curl downloaders");
    for (const std::wstring& option : {L"-packagesha256=" + sha, L"-packagesha256=" + upper + L" -downloadtype=3"}) {
      const Outcome o = Install("unsigned", option);
      EXPECT_EQ(0, o.exitCode);
      EXPECT_TRUE(o.installed);
      EXPECT_FALSE(HasCode(o.lines, "1006"));
    }
  }
  {
    SCOPED_TRACE("wrong: the MD5 of the address holds, the SHA-256 does not; one fresh download, then failure");
    const Outcome o = Install("wrong_sha", L"-packagesha256=" + sha);
    EXPECT_EQ(1, o.exitCode);
    EXPECT_FALSE(o.installed);
    EXPECT_FALSE(o.packageLeft);
    std::vector<std::string> codes;
    for (const std::string& line : o.lines) {
      if (line.rfind("1002", 0) != 0) codes.push_back(line.substr(0, 4));
    }
    EXPECT_EQ((std::vector<std::string>{"1001", "1006", "1005", "1001", "1006", "1004"}), codes);
    EXPECT_TRUE(HasLine(o.lines, "1006\t0\tcurl文件md5校验失败"));
  }
}

TEST_F(PackageTrustTest, MalformedTrustSettingsEndTheRunBeforeAnyDownload) {
  const std::wstring sha = Value(L"Digests", L"Package");
  const std::wstring publisher = Value(L"Thumbprints", L"Publisher");
  const std::wstring cases[] = {
      L"-packagesha256=" + sha.substr(1),         // 63 digits
      L"-packagesha256=" + sha.substr(1) + L"g",  // not hexadecimal
      L"-packagesigners=" + publisher + L",abc",  // a short thumbprint
      L"-packagesigners=" + publisher + L",",     // an empty one
  };
  for (const std::wstring& option : cases) {
    SCOPED_TRACE(Utf8(option));
    const size_t requestsBefore = signedServer_->AccessLog().size();
    const Outcome o = Install("signed", option);
    EXPECT_EQ(1, o.exitCode);
    EXPECT_EQ((std::vector<std::string>{"2004\t0\t安装包校验设置无效"}), o.lines);
    EXPECT_FALSE(o.installed);
    EXPECT_EQ(requestsBefore, signedServer_->AccessLog().size()) << "the server was asked";
  }
}

TEST_F(PackageTrustTest, OnlyAPackageSignedUnderAListedCertificateRuns) {
  const std::wstring root = Value(L"Thumbprints", L"Root");
  const std::wstring publisher = Value(L"Thumbprints", L"Publisher");
  const std::wstring impostor = Value(L"Thumbprints", L"Impostor");
  const std::wstring stranger = Value(L"Thumbprints", L"Stranger");
  ASSERT_EQ(40u, publisher.size());
  // As a certificate viewer prints it: capitals and colons.
  std::wstring printed;
  for (size_t i = 0; i < publisher.size(); i += 2) {
    if (i > 0) printed += L':';
    printed += static_cast<wchar_t>(::towupper(publisher[i]));
    printed += static_cast<wchar_t>(::towupper(publisher[i + 1]));
  }
  const struct {
    const char* name;
    std::string route;
    std::wstring signers;
    bool runs;
  } cases[] = {
      {"signer listed", "signed", publisher, true},
      {"signer listed as printed", "signed", L"0000000000000000000000000000000000000000," + printed, true},
      {"root listed instead of the signer", "signed", root, true},
      {"unsigned", "unsigned", publisher + L"," + root, false},
      {"a byte changed after signing", "changed", publisher + L"," + root, false},
      {"bytes appended after signing", "appended", publisher + L"," + root, false},
      {"same names, another key", "impostor", publisher + L"," + root + L"," + impostor, false},
      {"root not trusted", "stranger", stranger, false},
      {"signed, but nobody listed matches", "signed", stranger, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = Install(c.route, Quote(L"-packagesigners=" + c.signers));
    EXPECT_EQ(c.runs ? 0 : 1, o.exitCode);
    EXPECT_EQ(c.runs, o.installed);
    EXPECT_FALSE(o.packageLeft);
    EXPECT_TRUE(HasLine(o.lines, "1003\t0\tLibCurl"));
    if (!c.runs) {
      ASSERT_FALSE(o.lines.empty());
      EXPECT_EQ("2004\t0\t安装包签名校验失败", o.lines.back());
      EXPECT_FALSE(HasCode(o.lines, "2001")) << "the package's installer was started";
    }
  }
}

}  // namespace
}  // namespace InstallTests
