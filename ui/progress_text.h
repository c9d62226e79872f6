// The numbers and words of the progress page: the bar's percent for the download and for the
// installation phases, and the text shown above the bar.
#pragma once

#include <string>

namespace ProgressText {

// Text fits this many wide characters with its terminator.
constexpr size_t kTextCapacity = 250;
constexpr double kSlowAfterSeconds = 60.0;
constexpr const wchar_t* kQuickFormat = L"正在安装中:%d%%，请稍候...";
constexpr const wchar_t* kSlowFormat = L"正在安装中:%d%%，请耐心等待...";
constexpr const wchar_t* kZeroText = L"正在安装中:0%，请稍候...";

// The download covers the first `scale` of the bar: fraction × scale × 100, truncated.
int DownloadPercent(double fraction, double scale);

// The installation share after one more "Progress=" line reporting `reported`: at least 0.15
// more than `shown`, at most 0.95 by that step alone, and never behind what was reported.
double NextInstallFraction(double shown, double reported);
// The installation covers the rest of the bar: ((1 − scale) × share + scale) × 100, truncated.
int InstallPercent(double share, double scale);

// The progress text for a percent. `skinFormat` (the label's user data) wins when it is
// usable: at most one integer conversion and literal "%%"; anything else could read arguments
// that are not there, so the built-in wording is used instead, slower after a minute.
std::wstring Format(const std::wstring& skinFormat, double elapsedSeconds, int percent);

// True for a format with no conversion but "%%" and at most one "%d" or "%i" (flags and a
// width of up to three digits allowed).
bool IsSafePercentFormat(const std::wstring& format);

}  // namespace ProgressText
