// Each third-party library is linked into the program and works under the target system.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <stb_image.h>
#include <zlib.h>

extern "C" {
#include <lzma/7z.h>
#include <lzma/7zAlloc.h>
#include <lzma/7zCrc.h>
#include <lzma/7zFile.h>
#include <lzma/Md5.h>
}

#include <memory>
#include <string>

#include "tests/support/nginx_server.h"
#include "tests/support/paths.h"
#include "tests/support/sandbox.h"

namespace {

using TestSupport::NginxServer;
using TestSupport::TempFolder;

TEST(Zlib, CompressRoundTripAndChecksum) {
  const std::string text(10000, 'z');
  uLongf packedSize = compressBound(static_cast<uLong>(text.size()));
  std::string packed(packedSize, '\0');
  ASSERT_EQ(Z_OK, compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                           reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size())));
  EXPECT_LT(packedSize, 200u);
  std::string unpacked(text.size(), '\0');
  uLongf unpackedSize = static_cast<uLongf>(unpacked.size());
  ASSERT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(&unpacked[0]), &unpackedSize,
                             reinterpret_cast<const Bytef*>(packed.data()), packedSize));
  EXPECT_EQ(text, unpacked);
  EXPECT_EQ(0xCBF43926u, crc32(0, reinterpret_cast<const Bytef*>("123456789"), 9));
}

size_t AppendBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// TLS comes from the system (Schannel), never from a library of ours.
TEST(Curl, HasZlibAndTheSystemsTls) {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  ASSERT_NE(nullptr, info);
  EXPECT_STREQ("7.88.1", info->version);
  EXPECT_NE(0, info->features & CURL_VERSION_LIBZ);
  EXPECT_NE(0, info->features & CURL_VERSION_SSL);
  ASSERT_NE(nullptr, info->ssl_version);
  EXPECT_STREQ("Schannel", info->ssl_version);
}

// A gzip-compressed answer from a real server, behind a redirect, decoded through zlib.
TEST(Curl, FetchesCompressedBodyThroughRedirectFromNginx) {
  TempFolder root;
  std::string body;
  for (int i = 0; i < 2000; ++i) body += "line " + std::to_string(i) + "\n";
  ASSERT_TRUE(TestSupport::WriteFileBytes(root.File(L"page.txt"), body));
  NginxServer server(root.Path(),
                     "gzip on; gzip_types text/plain; gzip_min_length 1; types { text/plain txt; }\n"
                     "location = /moved { return 302 /page.txt; }\n");
  ASSERT_TRUE(server.Start()) << server.ErrorText();

  ASSERT_EQ(CURLE_OK, curl_global_init(CURL_GLOBAL_DEFAULT));
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  ASSERT_TRUE(curl);
  std::string received;
  const std::string url = server.BaseUrl() + "/moved";
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &received);
  ASSERT_EQ(CURLE_OK, curl_easy_perform(curl.get()));
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  curl_off_t wireBytes = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_SIZE_DOWNLOAD_T, &wireBytes);
  EXPECT_EQ(200, status);
  EXPECT_EQ(body, received);
  EXPECT_LT(wireBytes, static_cast<curl_off_t>(body.size() / 2)) << "the body should have travelled compressed";
  curl.reset();
  curl_global_cleanup();
}

std::string Md5Hex(const std::string& data) {
  CMd5 md5;
  Md5_Init(&md5);
  Md5_Update(&md5, reinterpret_cast<const Byte*>(data.data()), data.size());
  Byte digest[MD5_DIGEST_SIZE];
  Md5_Final(&md5, digest);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (Byte b : digest) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  return hex;
}

TEST(LzmaSdk, Md5AndCrc) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Md5Hex(""));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Hex("abc"));
  CrcGenerateTable();
  EXPECT_EQ(0xCBF43926u, CrcCalc("123456789", 9));
}

// Opens the archive the build packed with the 7z tool and reads its one file back.
TEST(LzmaSdk, ReadsArchivePackedByTheBuild) {
  CrcGenerateTable();
  const std::wstring archivePath = TestSupport::WindowsPathFromUnix(SAMPLE_ARCHIVE_UNIX);
  const std::string expected = TestSupport::ReadFileBytes(TestSupport::WindowsPathFromUnix(SAMPLE_TEXT_UNIX));
  ASSERT_FALSE(expected.empty());

  CFileInStream fileStream;
  ASSERT_EQ(0, InFile_OpenW(&fileStream.file, archivePath.c_str()));
  FileInStream_CreateVTable(&fileStream);
  CLookToRead2 lookStream;
  LookToRead2_CreateVTable(&lookStream, False);
  std::unique_ptr<Byte[]> lookBuffer(new Byte[1 << 14]);
  lookStream.buf = lookBuffer.get();
  lookStream.bufSize = 1 << 14;
  lookStream.realStream = &fileStream.vt;
  LookToRead2_INIT(&lookStream);

  ISzAlloc alloc = {SzAlloc, SzFree};
  CSzArEx db;
  SzArEx_Init(&db);
  ASSERT_EQ(SZ_OK, SzArEx_Open(&db, &lookStream.vt, &alloc, &alloc));
  ASSERT_EQ(1u, db.NumFiles);
  UInt16 name[64] = {};
  ASSERT_LT(SzArEx_GetFileNameUtf16(&db, 0, nullptr), 64u);
  SzArEx_GetFileNameUtf16(&db, 0, name);
  EXPECT_EQ(std::wstring(L"hello.txt"), std::wstring(name, name + 9));

  UInt32 blockIndex = 0xFFFFFFFF;
  Byte* out = nullptr;
  size_t outSize = 0, offset = 0, processed = 0;
  ASSERT_EQ(SZ_OK,
            SzArEx_Extract(&db, &lookStream.vt, 0, &blockIndex, &out, &outSize, &offset, &processed, &alloc, &alloc));
  EXPECT_EQ(expected, std::string(reinterpret_cast<char*>(out) + offset, processed));
  ISzAlloc_Free(&alloc, out);
  SzArEx_Free(&db, &alloc);
  File_Close(&fileStream.file);
}

TEST(StbImage, DecodesPngIntoRgba) {
  // 2x1 pixels: opaque red, then half-transparent blue.
  static const unsigned char kPng[] = {
      0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
      0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xf4, 0x22, 0x7f, 0x8a, 0x00, 0x00, 0x00,
      0x0e, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x42, 0x0d, 0x00, 0x0f, 0x7a, 0x03,
      0x7e, 0x77, 0xe9, 0x7f, 0x97, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  int width = 0, height = 0, components = 0;
  std::unique_ptr<stbi_uc, decltype(&stbi_image_free)> pixels(
      stbi_load_from_memory(kPng, sizeof(kPng), &width, &height, &components, 4), stbi_image_free);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(2, width);
  EXPECT_EQ(1, height);
  const std::string rgba(reinterpret_cast<const char*>(pixels.get()), 8);
  EXPECT_EQ(std::string("\xff\x00\x00\xff\x00\x00\xff\x80", 8), rgba);

  static const unsigned char kTruncated[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00};
  EXPECT_EQ(nullptr, stbi_load_from_memory(kTruncated, sizeof(kTruncated), &width, &height, &components, 4));
}

TEST(JsonCpp, ParsesUtf8Text) {
  const std::string text = u8"{\"languages\": [\"zh-CN\", \"en\"], \"title\": \"安装\", \"count\": 2}";
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &errors)) << errors;
  EXPECT_EQ(2, root["count"].asInt());
  EXPECT_EQ("en", root["languages"][1].asString());
  EXPECT_EQ(u8"安装", root["title"].asString());
  const std::string broken = "{\"a\": [1,}";
  EXPECT_FALSE(reader->parse(broken.data(), broken.data() + broken.size(), &root, &errors));
}

}  // namespace
