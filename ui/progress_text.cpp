#include "ui/progress_text.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace ProgressText {

int DownloadPercent(double fraction, double scale) { return static_cast<int>(fraction * scale * 100); }

double NextInstallFraction(double shown, double reported) {
  double share = std::min(shown + 0.15, 0.95);
  if (reported > share) share = reported;
  return share;
}

int InstallPercent(double share, double scale) { return static_cast<int>(((1 - scale) * share + scale) * 100); }

bool IsSafePercentFormat(const std::wstring& format) {
  int conversions = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') continue;
    ++i;
    if (i < format.size() && format[i] == L'%') continue;
    while (i < format.size() && std::wcschr(L"-+ #0", format[i])) ++i;
    size_t digits = 0;
    while (i < format.size() && format[i] >= L'0' && format[i] <= L'9') ++i, ++digits;
    if (digits > 3 || i >= format.size() || (format[i] != L'd' && format[i] != L'i')) return false;
    if (++conversions > 1) return false;
  }
  return true;
}

std::wstring Format(const std::wstring& skinFormat, double elapsedSeconds, int percent) {
  std::wstring format = skinFormat;
  if (format.empty() || !IsSafePercentFormat(format))
    format = elapsedSeconds > kSlowAfterSeconds ? kSlowFormat : kQuickFormat;
  // Room for the whole result (a width is at most three digits), cut to the capacity after.
  std::vector<wchar_t> buffer(format.size() + 1024, L'\0');
  const int written = std::swprintf(buffer.data(), buffer.size(), format.c_str(), percent);
  if (written < 0) return std::wstring();
  return std::wstring(buffer.data(), std::min<size_t>(static_cast<size_t>(written), kTextCapacity - 1));
}

}  // namespace ProgressText
