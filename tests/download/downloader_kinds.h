// The three downloaders behind one factory each, for tests that every kind must pass.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/winhttp_downloader.h"

namespace DownloadTest {

struct DownloaderKind {
  const char* name;
  bool systemStack;  // WinHTTP: its failures carry the system's error codes, not libcurl's
  std::function<std::unique_ptr<CDownloader>(DownloadCallback, std::wstring, std::wstring)> make;
};

inline const std::vector<DownloaderKind>& DownloaderKinds() {
  static const std::vector<DownloaderKind> kinds = {
      {"single stream", false,
       [](DownloadCallback c, std::wstring u, std::wstring p) -> std::unique_ptr<CDownloader> {
         return std::make_unique<CCurlDownloader>(std::move(c), std::move(u), std::move(p));
       }},
      {"two ranges", false,
       [](DownloadCallback c, std::wstring u, std::wstring p) -> std::unique_ptr<CDownloader> {
         return std::make_unique<CMTCurlDownloader>(std::move(c), std::move(u), std::move(p));
       }},
      {"system stack", true,
       [](DownloadCallback c, std::wstring u, std::wstring p) -> std::unique_ptr<CDownloader> {
         return std::make_unique<WinHttpDownloader>(std::move(c), std::move(u), std::move(p));
       }},
  };
  return kinds;
}

}  // namespace DownloadTest
