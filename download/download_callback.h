// The one event signature of the download engine, and the downloaders' event codes.
#pragma once

#include <functional>

// (code, progress, text); the text is valid only during the call. Events arrive on the
// downloader's own threads, never on the caller of Start.
using DownloadCallback = std::function<void(int code, double progress, const wchar_t* text)>;

enum DownloadEventCode : int {
  DL_CODE_START = 1001,     // the worker begins; progress 1.0
  DL_CODE_PROGRESS = 1002,  // progress is the fraction received, 0 to 1
  DL_CODE_SUCCESS = 1003,   // the file is complete at the target path
  DL_CODE_FAIL = 1004,      // failed for good; progress carries the last result code
  DL_CODE_RETRY = 1005,     // the owner is to call Start once more
  DL_CODE_MD5 = 1006,       // a notice about the digest, always followed by 1003, 1004 or 1005
};
