// One downloader in a process of its own, for the tests that kill a download:
//   download_child TYPE ADDRESS TARGET READYFILE
// TYPE 2 is the WinHTTP downloader, 3 the two-range one, any other number the single stream.
// READYFILE receives the process id before the download starts; its path in the command line
// is what finds the child's Unix process for a SIGKILL. A 1005 is answered with Start, as the
// installer does. Exit code 0 after 1003, 1 after 1004, 2 for bad arguments.
#include <windows.h>

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/winhttp_downloader.h"
#include "utils/unique_resource.h"

namespace {

// Written whole under another name first, so that a reader never sees half of it.
bool WriteReadyFile(const std::wstring& path) {
  const std::string pid = std::to_string(::GetCurrentProcessId());
  const std::wstring partial = path + L".tmp";
  {
    Utils::UniqueFileHandle file(
        ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), pid.data(), static_cast<DWORD>(pid.size()), &written, nullptr)) return false;
  }
  return ::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5 || !WriteReadyFile(argv[4])) return 2;
  std::mutex mutex;
  std::condition_variable ended;
  int outcome = -1;  // guarded by mutex
  std::unique_ptr<CDownloader> downloader;
  DownloadCallback callback = [&](int code, double, const wchar_t*) {
    if (code == DL_CODE_RETRY) {
      downloader->Start();
      return;
    }
    if (code != DL_CODE_SUCCESS && code != DL_CODE_FAIL) return;
    std::lock_guard<std::mutex> lock(mutex);
    outcome = code == DL_CODE_SUCCESS ? 0 : 1;
    ended.notify_all();
  };
  switch (std::wcstol(argv[1], nullptr, 10)) {
    case 2: downloader = std::make_unique<WinHttpDownloader>(callback, argv[2], argv[3]); break;
    case 3: downloader = std::make_unique<CMTCurlDownloader>(callback, argv[2], argv[3]); break;
    default: downloader = std::make_unique<CCurlDownloader>(callback, argv[2], argv[3]); break;
  }
  downloader->Start();
  std::unique_lock<std::mutex> lock(mutex);
  ended.wait(lock, [&] { return outcome >= 0; });
  lock.unlock();
  downloader.reset();
  return outcome;
}
