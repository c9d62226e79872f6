// Every downloader over HTTPS against nginx with certificates of a test root that this prefix
// trusts: a valid chain downloads; an untrusted issuer, a foreign host name and an expired
// certificate are refused, and so is a redirect from HTTPS to plain HTTP.
#include <gtest/gtest.h>
#include <windows.h>

#include <wincrypt.h>
#include <winhttp.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "download/transfer_options.h"
#include "tests/download/downloader_kinds.h"
#include "tests/download/event_recorder.h"
#include "tests/download/test_packages.h"
#include "tests/support/host_script.h"
#include "tests/support/nginx_server.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "utils/unique_resource.h"

namespace {

using namespace DownloadTest;
using TestSupport::NginxServer;
using TestSupport::TempFolder;
using Codes = std::vector<int>;

struct CertStoreTraits {
  static HCERTSTORE Invalid() noexcept { return nullptr; }
  static void Close(HCERTSTORE store) noexcept { ::CertCloseStore(store, 0); }
};

// Adds the root to the current user's trusted roots of this prefix (kept there: the same root
// serves every later run of the suite).
bool TrustRoot(const std::string& der) {
  Utils::UniqueResource<HCERTSTORE, CertStoreTraits> store(
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
  return store &&
         ::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                            static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr);
}

class HttpsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const Package& package = GetPackage(kMiB);
    const std::wstring certs = TestSupport::BuildTreePath("testenv/tls");
    // Wine names only paths whose folders exist.
    ::CreateDirectoryW(TestSupport::BuildTreePath("testenv").c_str(), nullptr);
    ::CreateDirectoryW(certs.c_str(), nullptr);
    TempFolder state;
    std::string error;
    ASSERT_TRUE(TestSupport::RunHostScript(
        "tls_certs.py", "make --dir " + TestSupport::QuotedArgument(TestSupport::UnixPathFromWindows(certs)), state,
        state.File(L"made"), 120000, &error))
        << error;
    ASSERT_TRUE(TrustRoot(TestSupport::ReadFileBytes(certs + L"\\root.der")));
    // The template path leads to the package on the server itself, /to-plain to plain nginx.
    const std::string config = "location = " + RoutePath("download_silent") + " { return 302 " +
                               package.FinalPath(Digest::kCorrect) + "; }\nlocation = /to-plain { return 302 " +
                               package.Address() + "; }\n";
    for (const char* name : {"valid", "wronghost", "expired", "untrusted"}) {
      auto server = std::make_unique<NginxServer>(package.root, config);
      const std::wstring base = certs + L"\\" + std::wstring(name, name + std::strlen(name));
      server->UseTls(base + L".pem", base + L".key");
      ASSERT_TRUE(server->Start()) << server->ErrorText();
      Servers()[name] = std::move(server);
    }
  }
  static void TearDownTestSuite() { Servers().clear(); }

  static std::map<std::string, std::unique_ptr<NginxServer>>& Servers() {
    static std::map<std::string, std::unique_ptr<NginxServer>> servers;
    return servers;
  }
  // By name: Wine's certificate policy matches only DNS names, never an IP address entry.
  static std::wstring Address(const std::string& server, const std::string& path) {
    return Wide("https://localhost:" + std::to_string(Servers()[server]->Port()) + path);
  }
};

TEST_F(HttpsTest, ATrustedChainDownloadsAndEveryRefusalFails) {
  struct Case {
    const char* name;
    std::string server;
    std::string path;
    bool refused;
  };
  const Case cases[] = {
      {"a valid chain", "valid", RoutePath("download_silent"), false},
      {"an untrusted issuer", "untrusted", RoutePath("download_silent"), true},
      {"a foreign host name", "wronghost", RoutePath("download_silent"), true},
      {"an expired certificate", "expired", RoutePath("download_silent"), true},
      {"a redirect to plain HTTP", "valid", "/to-plain", true},
  };
  for (const DownloaderKind& kind : DownloaderKinds()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + ": " + c.name);
      TempFolder folder;
      const std::wstring target = folder.File(kTargetName);
      EventRecorder events;
      auto downloader = kind.make(events.Callback(), Address(c.server, c.path), target);
      downloader->Start();
      ASSERT_TRUE(events.WaitForEnd());
      if (!c.refused) {
        EXPECT_EQ((Codes{1001, 1003}), events.Codes());
        EXPECT_TRUE(FileHoldsPackage(target, kMiB));
        continue;
      }
      EXPECT_EQ((Codes{1001, 1004}), events.Codes());
      EXPECT_FALSE(TestSupport::FileExists(target));
      const double code = FindEvent(events.Events(), 1004).progress;
      if (kind.systemStack) {
        // Wine ends a refused certificate as a failed secure channel.
        EXPECT_TRUE(code == ERROR_WINHTTP_SECURE_FAILURE || code == ERROR_WINHTTP_SECURE_CHANNEL_ERROR ||
                    code == ERROR_WINHTTP_REDIRECT_FAILED)
            << code;
      } else {
        EXPECT_TRUE(IsSecurityFailure(static_cast<int>(code))) << code;
      }
    }
  }
}

}  // namespace
