// One timed download of the benchmark package by one of the engine's downloaders, under Wine:
//   download_bench.exe single|multi|winhttp ADDRESS TARGET
//   download_bench.exe trust ROOT.der     (adds a root to the current user's trusted roots)
// Prints key=value pairs: seconds from Start to the final event (probe, transfer, join and the
// MD5 verification, which hashes while the bytes arrive), whether the verdict used that streamed
// digest, the seconds one more MD5 pass over the file takes (what a verification after the
// download would add), the process's private memory before the download and its peak during it
// (sampled every 10 ms), and the final event's code.
#include <windows.h>

#include <psapi.h>
#include <wincrypt.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/curl_downloader.h"
#include "download/md5.h"
#include "download/mt_curl_downloader.h"
#include "download/winhttp_downloader.h"
#include "utils/c_file.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace {

// The commit charge: private memory on Windows; under Wine, the process's anonymous resident
// pages (Wine leaves PrivateUsage at 0 and keeps no peak of its own, hence the sampling).
double PrivateMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters))) return -1.0;
  return static_cast<double>(counters.PagefileUsage) / 1048576.0;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct CertStoreTraits {
  static HCERTSTORE Invalid() noexcept { return nullptr; }
  static void Close(HCERTSTORE store) noexcept { ::CertCloseStore(store, 0); }
};

// The HTTPS rows need the root of the benchmark's certificate trusted by the prefix.
int TrustRoot(const std::wstring& derFile) {
  Utils::UniqueCFile file(_wfopen(derFile.c_str(), L"rb"));
  if (!file) return 2;
  std::vector<BYTE> der(65536);
  der.resize(std::fread(der.data(), 1, der.size(), file.get()));
  Utils::UniqueResource<HCERTSTORE, CertStoreTraits> store(
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
  const bool added =
      store && ::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                  static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr);
  return added ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"trust") return TrustRoot(argv[2]);
  const std::wstring type = argc == 4 ? argv[1] : L"";
  if (type != L"single" && type != L"multi" && type != L"winhttp") {
    std::fprintf(stderr, "usage: download_bench.exe single|multi|winhttp ADDRESS TARGET | trust ROOT.der\n");
    return 2;
  }
  const std::wstring address = argv[2];
  const std::wstring target = argv[3];

  std::mutex mutex;
  std::condition_variable ended;
  int finalCode = 0;
  DownloadCallback callback = [&](int code, double, const wchar_t*) {
    if (code == DL_CODE_SUCCESS || code == DL_CODE_FAIL || code == DL_CODE_RETRY) {
      std::lock_guard<std::mutex> lock(mutex);
      finalCode = code;
      ended.notify_all();
    }
  };

  const double baseline = PrivateMiB();
  std::atomic<bool> sampling{true};
  std::atomic<double> peak{baseline};
  std::thread sampler([&] {
    while (sampling) {
      const double now = PrivateMiB();
      if (now > peak) peak = now;
      ::Sleep(10);
    }
  });

  LARGE_INTEGER started, finished;
  ::QueryPerformanceCounter(&started);
  std::unique_ptr<CDownloader> downloader;
  std::function<DigestReport()> report;
  if (type == L"multi") {
    auto* mt = new CMTCurlDownloader(callback, address, target);
    downloader.reset(mt);
    report = [mt] { return mt->LastDigest(); };
  } else if (type == L"winhttp") {
    auto* wh = new WinHttpDownloader(callback, address, target);
    downloader.reset(wh);
    report = [wh] { return wh->LastDigest(); };
  } else {
    auto* single = new CCurlDownloader(callback, address, target);
    downloader.reset(single);
    report = [single] { return single->LastDigest(); };
  }
  downloader->Start();
  {
    std::unique_lock<std::mutex> lock(mutex);
    ended.wait(lock, [&] { return finalCode != 0; });
  }
  ::QueryPerformanceCounter(&finished);
  sampling = false;
  sampler.join();
  const DigestReport used = report();
  downloader.reset();

  LARGE_INTEGER hashStarted, hashFinished;
  ::QueryPerformanceCounter(&hashStarted);
  const std::string digest = FileMd5Hex(Utils::WideToMultiByte(target, CP_ACP));
  ::QueryPerformanceCounter(&hashFinished);

  std::printf(
      "seconds=%.3f md5_seconds=%.3f baseline_private_mib=%.1f peak_private_mib=%.1f code=%d md5=%s streamed=%d\n",
      Seconds(started, finished), Seconds(hashStarted, hashFinished), baseline, peak.load(), finalCode, digest.c_str(),
      used.streamed && used.md5 == digest ? 1 : 0);
  return finalCode == DL_CODE_SUCCESS ? 0 : 1;
}
