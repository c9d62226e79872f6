// Skin loading benchmark: opens a 7z skin archive from memory the way the first window does and
// decodes every PNG of it into a window's image table, several rounds, and prints the times and
// the memory the open skin holds as key=value lines (bench/skin_bench.sh makes the table).
// "preload" (the default) enters the images through PreloadImages, two decoding threads;
// "serial" through FindOrLoadImage one by one on this thread.
//
// usage: skin_bench.exe ARCHIVE [ROUNDS] [preload|serial]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "skinui/skin_archive.h"
#include "skinui/window_manager.h"
#include "utils/unique_resource.h"

namespace {

using SkinUI::CWindowManagerUI;
using SkinUI::SkinArchive;

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Committed private memory of the process (what the open skin costs).
double PrivateMiB() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

double PeakWorkingSetMiB() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// CPU time of the process's threads (kernel and user): less disturbed by other load on the
// machine than wall time, though coarser (the platform counts in clock ticks).
double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

bool ReadFile(const std::wstring& path, std::string& bytes) {
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !::GetFileSizeEx(file.get(), &size)) return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  return ::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) && read == bytes.size();
}

bool IsPng(const std::wstring& name) {
  return name.size() > 4 && ::CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".png", 4, TRUE) == CSTR_EQUAL;
}

struct Round {
  double openMs, decodeMs, cpuMs;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: skin_bench.exe ARCHIVE [ROUNDS] [preload|serial]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 7;
  const bool serial = argc > 3 && std::wcscmp(argv[3], L"serial") == 0;
  std::string bytes;
  if (!ReadFile(argv[1], bytes)) {
    std::fwprintf(stderr, L"cannot read %ls\n", argv[1]);
    return 1;
  }
  CWindowManagerUI::SetArchiveFormat7z(true);

  std::vector<Round> results;
  size_t images = 0, layouts = 0, entries = 0;
  unsigned long long unpackedBytes = 0, bitmapBytes = 0;
  double heldMiB = 0;
  for (int round = 0; round < rounds; ++round) {
    CWindowManagerUI::SetSkinArchiveFile(L"", false);
    const double before = PrivateMiB();
    const double cpuStart = ProcessCpuMs();
    const double start = NowMs();
    CWindowManagerUI::SetSkinArchiveFromMemory(bytes.data(), bytes.size());
    const SkinArchive* archive = CWindowManagerUI::CachedSkinArchive();
    if (!archive) {
      std::fwprintf(stderr, L"not a 7z archive\n");
      return 1;
    }
    const double opened = NowMs();
    auto manager = std::make_unique<CWindowManagerUI>();
    std::vector<std::wstring> names;
    for (const SkinUI::SkinArchiveEntry& entry : archive->Entries())
      if (IsPng(entry.name)) names.push_back(entry.name);
    if (serial) {
      for (const std::wstring& name : names) manager->FindOrLoadImage(name.c_str(), nullptr, 0);
    } else {
      manager->PreloadImages(names);
    }
    const double decoded = NowMs();
    results.push_back({opened - start, decoded - opened, ProcessCpuMs() - cpuStart});
    layouts = archive->Entries().size() - names.size();
    images = names.size();
    bitmapBytes = 0;
    for (const std::wstring& name : names) {
      const SkinUI::ImageInfo* image = manager->FindImage(name.c_str());
      if (!image) {
        std::fwprintf(stderr, L"cannot decode %ls\n", name.c_str());
        return 1;
      }
      bitmapBytes += 4ULL * image->width * image->height;
    }
    heldMiB = PrivateMiB() - before;
    entries = archive->Entries().size();
    unpackedBytes = 0;
    for (const auto& entry : archive->Entries()) unpackedBytes += entry.size;
  }

  std::vector<double> totals;
  for (const Round& r : results) totals.push_back(r.openMs + r.decodeMs);
  std::vector<double> sorted = totals;
  std::sort(sorted.begin(), sorted.end());
  const size_t median = static_cast<size_t>(
      std::distance(totals.begin(), std::find(totals.begin(), totals.end(), sorted[sorted.size() / 2])));
  std::printf("archive_bytes=%u\n", static_cast<unsigned>(bytes.size()));
  std::printf("entries=%u images=%u other_files=%u\n", static_cast<unsigned>(entries), static_cast<unsigned>(images),
              static_cast<unsigned>(layouts));
  std::printf("unpacked_bytes=%.0f bitmap_bytes=%.0f\n", static_cast<double>(unpackedBytes),
              static_cast<double>(bitmapBytes));
  std::printf("rounds=%d\n", rounds);
  std::printf("first_total_ms=%.1f\n", totals.front());
  std::printf("median_open_ms=%.1f median_decode_ms=%.1f median_total_ms=%.1f\n", results[median].openMs,
              results[median].decodeMs, totals[median]);
  std::printf("best_total_ms=%.1f\n", sorted.front());
  std::printf("median_cpu_ms=%.1f\n", results[median].cpuMs);
  std::printf("held_private_mib=%.1f peak_working_set_mib=%.1f\n", heldMiB, PeakWorkingSetMiB());
  return 0;
}
