#include "tools/headless_install/event_printer.h"

#include <cstdio>

#include "download/download_callback.h"
#include "install/install_event_codes.h"
#include "utils/text_conversion.h"

namespace Headless {

std::string FormatEvent(int code, double value, const wchar_t* text) {
  std::wstring escaped;
  for (const wchar_t* at = text ? text : L""; *at; ++at) {
    switch (*at) {
      case L'\\': escaped += L"\\\\"; break;
      case L'\t': escaped += L"\\t"; break;
      case L'\r': escaped += L"\\r"; break;
      case L'\n': escaped += L"\\n"; break;
      default: escaped += *at; break;
    }
  }
  char number[64];
  std::snprintf(number, sizeof(number), "%.6g", value);
  return std::to_string(code) + "\t" + number + "\t" + Utils::WideToMultiByte(escaped, CP_UTF8) + "\n";
}

void EventPrinter::OnEvent(int code, double value, const wchar_t* text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (finished_) return;
  const std::string line = FormatEvent(code, value, text);
  // WriteFile keeps no buffer of ours: the line leaves the process at once.
  DWORD written = 0;
  ::WriteFile(output_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);

  bool ends = false;
  switch (code) {
    case IST_CODE_SUCCESS:
      ends = true;
      exitCode_ = kInstalled;
      break;
    case DL_CODE_FAIL:
    case IST_CODE_FAIL: ends = true; break;
    case UNIST_CODE_SUCCESS: removalSucceeded_ = true; break;
    // The remover's child may still print after its success; the download goes on then.
    case UNIST_CODE_FAIL:
    case UNIST_CODE_ERROR: ends = !removalSucceeded_; break;
    default: break;
  }
  if (ends) {
    finished_ = true;
    ended_.notify_all();
  }
}

int EventPrinter::WaitForEnd() {
  std::unique_lock<std::mutex> lock(mutex_);
  ended_.wait(lock, [this] { return finished_; });
  return exitCode_;
}

bool EventPrinter::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (finished_) return false;
  finished_ = true;
  exitCode_ = kCancelled;
  ended_.notify_all();
  return true;
}

}  // namespace Headless
