// libcurl's header brings <winsock2.h>, which must precede <windows.h>.
#include <curl/curl.h>

#include "utils/curl_handles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Utils::UniqueCurl;
using Utils::UniqueCurlList;

TEST(UniqueCurl, MoveResetAndRelease) {
  UniqueCurl handle(curl_easy_init());
  ASSERT_TRUE(handle);
  UniqueCurl moved(std::move(handle));
  EXPECT_FALSE(handle.valid());
  EXPECT_TRUE(moved.valid());
  EXPECT_EQ(CURLE_OK, curl_easy_setopt(moved.get(), CURLOPT_URL, "http://127.0.0.1/"));
  moved.reset();
  moved.reset();
  EXPECT_FALSE(moved.valid());

  UniqueCurl released(curl_easy_init());
  CURL* raw = released.release();
  EXPECT_FALSE(released.valid());
  curl_easy_cleanup(raw);
}

std::vector<std::string> Lines(const curl_slist* list) {
  std::vector<std::string> lines;
  for (; list; list = list->next) lines.emplace_back(list->data);
  return lines;
}

TEST(UniqueCurlList, AppendHeaderKeepsTheOrderAndMoves) {
  UniqueCurlList headers;
  EXPECT_TRUE(Utils::AppendHeader(headers, "Connection: keep-alive"));
  EXPECT_TRUE(Utils::AppendHeader(headers, "Accept-Encoding: gzip, deflate"));
  EXPECT_EQ((std::vector<std::string>{"Connection: keep-alive", "Accept-Encoding: gzip, deflate"}),
            Lines(headers.get()));
  UniqueCurlList moved;
  moved = std::move(headers);
  EXPECT_FALSE(headers.valid());
  EXPECT_EQ(2u, Lines(moved.get()).size());
  moved.reset();
  moved.reset();
  EXPECT_FALSE(moved.valid());
}

}  // namespace
