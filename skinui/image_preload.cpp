#include "skinui/image_preload.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <numeric>
#include <unordered_set>

#include "skinui/draw_engine.h"
#include "skinui/skin_files.h"
#include "skinui/window_manager.h"
#include "utils/thread.h"

namespace SkinUI {
namespace {

// The work both threads share. Each slot is written by the one thread that claimed its index
// from `next`; the reader of `images` is the window thread after the worker has been joined.
struct DecodeJob {
  std::vector<std::vector<unsigned char>> files;
  std::vector<size_t> order;  // largest files first, so that the two threads finish together
  std::vector<std::unique_ptr<ImageInfo>> images;
  std::atomic<size_t> next{0};
  DWORD mask = 0;
};

void DecodeShare(DecodeJob& job) {
  for (size_t claimed = job.next++; claimed < job.order.size(); claimed = job.next++) {
    const size_t slot = job.order[claimed];
    const std::vector<unsigned char>& bytes = job.files[slot];
    if (bytes.empty()) continue;
    try {
      job.images[slot] = CDrawEngine::DecodeImage(bytes.data(), bytes.size(), job.mask);
    } catch (const std::bad_alloc&) {
      // The slot stays empty: the image is reported as not decodable, like any other failure.
    }
  }
}

bool HasSecondProcessor() {
  SYSTEM_INFO info = {};
  ::GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 1;
}

}  // namespace

std::vector<std::unique_ptr<ImageInfo>> DecodeSkinImages(const std::vector<std::wstring>& names, DWORD mask) {
  DecodeJob job;
  job.mask = mask;
  job.files.resize(names.size());
  job.images.resize(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty()) continue;
    if (ReadSkinFile(names[i], 0, job.files[i]) != SkinFileStatus::kOk &&
        ReadWholeFile(names[i], 0, job.files[i]) != SkinFileStatus::kOk)
      job.files[i].clear();
  }
  job.order.resize(names.size());
  std::iota(job.order.begin(), job.order.end(), size_t{0});
  std::stable_sort(job.order.begin(), job.order.end(),
                   [&job](size_t a, size_t b) { return job.files[a].size() > job.files[b].size(); });

  // Without a second processor, or without a worker, the calling thread decodes everything.
  std::unique_ptr<Utils::Thread> worker;
  if (names.size() > 1 && HasSecondProcessor()) {
    worker = std::make_unique<Utils::Thread>(&job, L"SkinImageDecoder", [](void* argument) -> unsigned {
      DecodeShare(*static_cast<DecodeJob*>(argument));
      return 0;
    });
    if (!worker->Resume()) worker.reset();
  }
  DecodeShare(job);
  if (worker) worker->Join();
  return std::move(job.images);
}

size_t CWindowManagerUI::PreloadImages(const std::vector<std::wstring>& names) {
  std::vector<std::wstring> missing;
  std::unordered_set<std::wstring> seen;
  for (const std::wstring& name : names) {
    if (name.empty() || FindImage(name.c_str()) || !seen.insert(name).second) continue;
    missing.push_back(name);
  }
  std::vector<std::unique_ptr<ImageInfo>> images = DecodeSkinImages(missing, 0);
  size_t added = 0;
  for (size_t i = 0; i < missing.size(); ++i) {
    if (!images[i]) continue;
    try {
      images_.emplace(missing[i], std::move(images[i]));
      ++added;
    } catch (const std::bad_alloc&) {
      // Not entered: FindOrLoadImage decodes it again when it is drawn.
    }
  }
  return added;
}

}  // namespace SkinUI
