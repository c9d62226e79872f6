#include "tests/install/package_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "download/md5.h"
#include "tests/install/installer_fixture.h"
#include "tests/support/paths.h"
#include "utils/text_conversion.h"

namespace InstallTests {

std::string PackageServer::RoutePath(const std::string& route) {
  return "/redirect/ver1/zarneldravix/" + route + "/1.0/installer/123456";
}

void PackageServer::Add(const std::string& route, const std::wstring& file, Digest digest) {
  const std::string md5 = FileMd5Hex(Utils::WideToMultiByte(file, CP_ACP));
  std::string folder;
  switch (digest) {
    case Digest::kCorrect: folder = md5; break;
    case Digest::kWrong:
      folder = md5;
      for (char& digit : folder) digit = digit == '0' ? '1' : '0';  // still 32 hexadecimal digits
      break;
    case Digest::kNone: folder = "plain" + std::to_string(files_); break;
  }
  ++files_;
  const std::wstring name = file.substr(file.find_last_of(L'\\') + 1);
  const std::wstring target = root_.File(Utils::MultiByteToWide(folder, CP_ACP));
  ::CreateDirectoryW(target.c_str(), nullptr);
  ::CopyFileW(file.c_str(), (target + L"\\" + name).c_str(), FALSE);
  config_ += "location = " + RoutePath(route) + " { return 302 /" + folder + "/" +
             Utils::WideToMultiByte(name, CP_UTF8) + "; }\n";
}

bool PackageServer::Start() {
  server_ = std::make_unique<TestSupport::NginxServer>(root_.Path(), config_);
  if (server_->Start()) return true;
  error_ = server_->ErrorText();
  return false;
}

std::wstring PackageServer::Address(const std::string& route) const {
  return server_->BaseUrlW() + Utils::MultiByteToWide(RoutePath(route), CP_UTF8);
}

std::wstring PackageServer::TemplateAddress() const {
  return server_->BaseUrlW() + L"/redirect/ver1/zarneldravix/${ROUTE}/1.0/installer/123456";
}

PackageServer* SampleServer() {
  // Destroyed at the program's end, which stops nginx.
  static const std::unique_ptr<PackageServer> server = [] {
    auto made = std::make_unique<PackageServer>();
    made->Add("download_silent", SamplePackagePath());
    made->Add("download_silent_xp", SamplePackagePath());
    made->Add("large", SamplePackagePath("DravixSamplePackage_24MiB.exe"));
    made->Add("wrong_md5", SamplePackagePath(), PackageServer::Digest::kWrong);
    made->Add("no_md5", SamplePackagePath(), PackageServer::Digest::kNone);
    if (made->Start()) return made;
    ADD_FAILURE() << "nginx did not start: " << made->ErrorText();
    return std::unique_ptr<PackageServer>();
  }();
  return server.get();
}

}  // namespace InstallTests
