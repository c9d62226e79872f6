#include "download/md5.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/download/test_packages.h"
#include "tests/support/sandbox.h"
#include "utils/text_conversion.h"

namespace {

using TestSupport::TempFolder;

std::string Narrow(const std::wstring& path) { return Utils::WideToMultiByte(path, CP_ACP); }

struct DigestCase {
  std::string content;
  const char* md5;
};

// RFC 1321, appendix A.5, and a million 'a' that spans many read blocks.
TEST(FileMd5Hex, MatchesTheReferenceDigests) {
  const DigestCase cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  TempFolder folder;
  for (const DigestCase& c : cases) {
    const std::wstring file = folder.File(L"content.bin");
    ASSERT_TRUE(TestSupport::WriteFileBytes(file, c.content));
    EXPECT_EQ(c.md5, FileMd5Hex(Narrow(file))) << "content of " << c.content.size() << " bytes";
    EXPECT_EQ(c.md5, FileMd5Hex(file)) << "content of " << c.content.size() << " bytes, by its UTF-16 path";
  }
}

// The fixture is only worth its name when the ANSI code page cannot spell these folders.
TEST(WideFolderNames, LieOutsideCodePage1252) {
  if (::GetACP() != 1252) GTEST_SKIP() << "ANSI code page is " << ::GetACP() << ", these names assume 1252";
  for (const std::wstring& name : DownloadTest::WideFolderNames()) {
    EXPECT_FALSE(DownloadTest::FitsAnsiCodePage(name)) << Utils::WideToMultiByte(name, CP_UTF8);
  }
  EXPECT_TRUE(DownloadTest::FitsAnsiCodePage(L"plain"));
}

// A file in a folder the ANSI code page cannot spell, and with such a name itself.
TEST(FileMd5Hex, ReadsAFileByItsUtf16Path) {
  TempFolder folder;
  for (const std::wstring& name : DownloadTest::WideFolderNames()) {
    SCOPED_TRACE(Utils::WideToMultiByte(name, CP_UTF8));
    const std::wstring inside = DownloadTest::MakeFolder(folder.Path(), name);
    for (const std::wstring& file : {inside + L"\\content.bin", inside + L"\\" + name + L".bin"}) {
      ASSERT_TRUE(TestSupport::WriteFileBytes(file, "message digest"));
      EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", FileMd5Hex(file));
    }
    EXPECT_EQ("", FileMd5Hex(inside + L"\\missing.bin"));
  }
}

TEST(FileMd5Hex, IsEmptyWithoutAReadableFile) {
  TempFolder folder;
  EXPECT_EQ("", FileMd5Hex(""));
  EXPECT_EQ("", FileMd5Hex(Narrow(folder.File(L"missing.bin"))));
  EXPECT_EQ("", FileMd5Hex(Narrow(folder.Path() + L"\\no-such-folder\\file.bin")));
  EXPECT_EQ("", FileMd5Hex(std::wstring()));
  EXPECT_EQ("", FileMd5Hex(folder.File(L"missing.bin")));
  EXPECT_EQ("", FileMd5Hex(folder.Path()));
}

TEST(Md5FromUrl, TakesTheLastDirectoryName) {
  const struct {
    const char* address;
    const char* digest;
  } cases[] = {
      {"http://h/d/0cc175b9c0f1b6a831c399e269772661/Dravix.exe", "0cc175b9c0f1b6a831c399e269772661"},
      {"http://h/d/0CC175B9C0F1B6A831C399E269772661/Dravix.exe", "0CC175B9C0F1B6A831C399E269772661"},
      {"http://h/a/b/", "b"},
      {"http://h/file", "h"},
      {"http://h/dir/file?x=/y", "file?x="},  // a query holding '/' moves the result
      {"dir/file", ""},
      {"file", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.digest, Md5FromUrl(c.address)) << c.address;
}

}  // namespace
