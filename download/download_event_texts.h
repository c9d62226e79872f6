// The fixed texts the downloaders' events carry, one name per downloader, so that the event list
// of the package authors' contract and the code cannot drift apart.
#pragma once

namespace DownloadTexts {

// CCurlDownloader (one stream) and CMTCurlDownloader (two ranges) share their name.
constexpr const wchar_t* kCurl = L"LibCurl";
constexpr const wchar_t* kCurlDigestMismatch = L"curl文件md5校验失败";
constexpr const wchar_t* kCurlNoDigest = L"curl获取url-md5失败";
constexpr const wchar_t* kMtCurlDigestMismatch = L"mtcurl文件md5校验失败";
constexpr const wchar_t* kMtCurlNoDigest = L"mtcurl获取url-md5失败";
constexpr const wchar_t* kWinHttp = L"WinHttp";
constexpr const wchar_t* kWinHttpDigestMismatch = L"WinHttp文件md5校验失败";
constexpr const wchar_t* kWinHttpNoDigest = L"WinHttp获取url-md5失败";

}  // namespace DownloadTexts
