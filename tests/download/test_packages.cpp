#include "tests/download/test_packages.h"

#include <windows.h>

#include <cctype>
#include <map>
#include <memory>

#include "download/md5.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"

namespace DownloadTest {

namespace {

const char* const kFileName = "Dravix.exe";

std::string DirectoryOf(const std::string& md5, size_t size, Digest digest) {
  switch (digest) {
    case Digest::kCorrect: return md5;
    case Digest::kWrong: {
      std::string wrong = md5;  // every digit changed, still 32 lowercase hexadecimal digits
      for (char& c : wrong)
        c = "fedcba9876543210"[std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10];
      return wrong;
    }
    case Digest::kMissing: return "nodigest-" + std::to_string(size);
    case Digest::kUpper: {
      std::string upper = md5;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return upper;
    }
  }
  return md5;
}

struct Served {
  Package package;
  std::unique_ptr<TestSupport::NginxServer> server;
};

// Everything lives for the whole test program and goes in the environment's TearDown.
class PackageEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    faultServer.reset();
    refusingServer.reset();
    packages.clear();
    folder.reset();
  }

  std::unique_ptr<TestSupport::TempFolder> folder;
  std::map<size_t, Served> packages;
  std::unique_ptr<TestSupport::FaultServer> faultServer;
  std::unique_ptr<TestSupport::FaultServer> refusingServer;
};

PackageEnvironment* const g_environment =
    static_cast<PackageEnvironment*>(::testing::AddGlobalTestEnvironment(new PackageEnvironment));

const std::wstring& Root() {
  if (!g_environment->folder) g_environment->folder = std::make_unique<TestSupport::TempFolder>();
  return g_environment->folder->Path();
}

std::wstring Windows(const std::string& relative) {
  std::wstring path = Root();
  for (char c : relative) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return path;
}

const Digest kAllDigests[] = {Digest::kCorrect, Digest::kWrong, Digest::kMissing, Digest::kUpper};

}  // namespace

std::string RoutePath(const std::string& route) {
  return "/redirect/ver1/zarneldravix/" + route + "/1.0/installer/123456";
}

std::string RouteOf(Digest digest) {
  switch (digest) {
    case Digest::kCorrect: return "download_silent";
    case Digest::kWrong: return "wrong_md5";
    case Digest::kMissing: return "no_md5";
    case Digest::kUpper: return "upper_md5";
  }
  return "download_silent";
}

std::string PackageBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 0x9E3779B9u ^ static_cast<uint32_t>(size);
  for (size_t i = 0; i < size; ++i) {
    if (i % 4 == 0) {  // xorshift32
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
    }
    bytes[i] = static_cast<char>(state >> (8 * (i % 4)));
  }
  return bytes;
}

std::string Package::FinalPath(Digest digest) const { return "/" + DirectoryOf(md5, size, digest) + "/" + kFileName; }

std::string Package::Address(Digest digest) const {
  Served& served = g_environment->packages.at(size);
  if (!served.server) {
    std::string config;
    for (Digest variant : kAllDigests) {
      config += "location = " + RoutePath(RouteOf(variant)) + " { return 302 " + FinalPath(variant) + "; }\n";
    }
    // Wine's file names ignore case, so the upper-case directory cannot exist beside the
    // lower-case one on disk: nginx serves it from there.
    config += "location = " + FinalPath(Digest::kUpper) + " { rewrite ^ " + FinalPath(Digest::kCorrect) + " break; }\n";
    config += "location = " + RoutePath("download_silent_slow") + " { return 302 /slow" + FinalPath(Digest::kCorrect) +
              "; }\n";
    config += "location /slow/ { limit_rate 3m; rewrite ^/slow(/.*)$ $1 break; }\n";
    served.server = std::make_unique<TestSupport::NginxServer>(root, config);
    if (!served.server->Start()) {
      ADD_FAILURE() << "nginx: " << served.server->ErrorText();
      return std::string();
    }
  }
  return served.server->BaseUrl() + RoutePath(RouteOf(digest));
}

std::string Package::SlowAddress() const {
  const std::string base = Address();
  return base.substr(0, base.find("/redirect/")) + RoutePath("download_silent_slow");
}

const Package& GetPackage(size_t size) {
  auto found = g_environment->packages.find(size);
  if (found != g_environment->packages.end()) return found->second.package;
  Served& served = g_environment->packages[size];
  served.package.size = size;
  served.package.root = Root();
  const std::wstring staging = Windows("/staging-" + std::to_string(size));
  EXPECT_TRUE(TestSupport::WriteFileBytes(staging, PackageBytes(size)));
  served.package.md5 = FileMd5Hex(Utils::WideToMultiByte(staging, CP_ACP));
  EXPECT_EQ(32u, served.package.md5.size());
  for (Digest digest : {Digest::kCorrect, Digest::kWrong, Digest::kMissing}) {
    const std::string directory = DirectoryOf(served.package.md5, size, digest);
    ::CreateDirectoryW(Windows("/" + directory).c_str(), nullptr);
    const std::wstring file = Windows(served.package.FinalPath(digest));
    if (!::CreateHardLinkW(file.c_str(), staging.c_str(), nullptr)) {
      EXPECT_TRUE(::CopyFileW(staging.c_str(), file.c_str(), FALSE)) << "cannot place " << directory;
    }
  }
  return served.package;
}

TestSupport::FaultServer& ServeWithFault(const Package& package, const std::string& scenario, Digest digest) {
  const bool refuse = scenario == "refuse";
  std::unique_ptr<TestSupport::FaultServer>& server =
      refuse ? g_environment->refusingServer : g_environment->faultServer;
  if (!server) server = std::make_unique<TestSupport::FaultServer>(package.root);
  EXPECT_TRUE(server->Use(scenario, {{RoutePath(RouteOf(Digest::kCorrect)), package.FinalPath(digest)}}));
  EXPECT_TRUE(server->Start()) << "fault server: " << server->ErrorText();
  return *server;
}

std::wstring TemplateAddress(const TestSupport::FaultServer& server) {
  return server.BaseUrlW() + Utils::MultiByteToWide(RoutePath(RouteOf(Digest::kCorrect)), CP_UTF8);
}

std::vector<TestSupport::FaultServer::Request> Gets(const TestSupport::FaultServer& server) {
  std::vector<TestSupport::FaultServer::Request> gets;
  for (const auto& request : server.Requests()) {
    if (request.method == "GET") gets.push_back(request);
  }
  return gets;
}

const std::vector<std::wstring>& WideFolderNames() {
  static const std::vector<std::wstring> names{L"安装", L"Ωmega"};
  return names;
}

bool FitsAnsiCodePage(const std::wstring& text) {
  BOOL usedDefault = FALSE;
  const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, &usedDefault);
  return length > 0 && !usedDefault;
}

std::wstring MakeFolder(const std::wstring& parent, const std::wstring& name) {
  const std::wstring folder = parent + L"\\" + name;
  if (!::CreateDirectoryW(folder.c_str(), nullptr))
    ADD_FAILURE() << "cannot create " << Utils::WideToMultiByte(folder, CP_UTF8);
  return folder;
}

::testing::AssertionResult FileHoldsPackageRange(const std::wstring& file, size_t size, size_t offset, size_t length) {
  if (!TestSupport::FileExists(file)) {
    return ::testing::AssertionFailure() << Utils::WideToMultiByte(file, CP_UTF8) << " does not exist";
  }
  const std::string actual = TestSupport::ReadFileBytes(file);
  const std::string expected = PackageBytes(size).substr(offset, length);
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure() << "the file holds " << actual.size() << " bytes, expected "
                                         << expected.size();
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    if (actual[i] != expected[i]) return ::testing::AssertionFailure() << "the bytes differ from offset " << i;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult FileHoldsPackage(const std::wstring& file, size_t size) {
  return FileHoldsPackageRange(file, size, 0, size);
}

::testing::AssertionResult StreamedDigestIsPackage(const DigestReport& report, size_t size) {
  if (!report.streamed) return ::testing::AssertionFailure() << "the file was hashed again from disk";
  const std::string& md5 = GetPackage(size).md5;
  if (report.md5 != md5) return ::testing::AssertionFailure() << "streamed " << report.md5 << ", package " << md5;
  return ::testing::AssertionSuccess();
}

std::wstring Wide(const std::string& text) { return Utils::MultiByteToWide(text, CP_UTF8); }

}  // namespace DownloadTest
