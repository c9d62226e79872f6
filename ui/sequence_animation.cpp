#include "ui/sequence_animation.h"

#include <cstdio>
#include <cwchar>
#include <new>

#include "skinui/attribute_values.h"
#include "skinui/window_manager.h"
#include "ui/sequence_button.h"
#include "ui/sequence_label.h"

namespace SkinUI {
namespace {

// Only the exact word turns a flag off; "False" or "0" leave it on.
bool FlagValue(const wchar_t* value) { return std::wcscmp(value, L"false") != 0; }

bool IsIntegerConversion(wchar_t c) {
  return c == L'd' || c == L'i' || c == L'u' || c == L'x' || c == L'X' || c == L'o';
}

}  // namespace

SequenceAnimation::Step SequenceAnimation::Advance(std::wstring& image) {
  if (pattern.empty()) return Step::kNothing;
  // Unsigned on purpose: with count 0 the end is never reached and the index counts on.
  if (forward && index > count - 1) {
    if (pingpong) {
      forward = false;
      index = count - 2;
    } else {
      index = 0;
      if (!loop) return Step::kStop;
    }
  }
  if (!forward && index == 0) {
    if (pingpong) forward = true;
    index = 0;
    if (!loop) return Step::kStop;
  }
  const uint32_t frame = index;
  index = forward ? index + 1 : index - 1;
  image = FormatFrameName(pattern, frame);
  return Step::kFrame;
}

void SequenceAnimation::Tick(CControlUI& control) {
  std::wstring image;
  switch (Advance(image)) {
    case Step::kNothing: return;
    case Step::kStop:
      if (control.Manager()) control.Manager()->KillControlTimer(&control, TIMER_SEQUENCE_FRAME);
      return;
    case Step::kFrame:
      // A refused name leaves the last frame on screen.
      if (!image.empty()) control.SetBackgroundImage(image);
      control.Invalidate();
      return;
  }
}

void SequenceAnimation::StartTimer(CControlUI& control) const {
  if (control.Manager()) control.Manager()->SetControlTimer(&control, TIMER_SEQUENCE_FRAME, static_cast<UINT>(span));
}

std::wstring SequenceAnimation::FormatFrameName(const std::wstring& pattern, uint32_t frame) {
  // The pattern comes from the skin: it is checked here rather than handed to the C library as
  // a format, so a stray "%s" cannot read beyond the one number.
  std::wstring name;
  bool converted = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != L'%') {
      name += pattern[i];
      continue;
    }
    size_t end = i + 1;
    if (end < pattern.size() && pattern[end] == L'%') {
      name += L'%';
      i = end;
      continue;
    }
    while (end < pattern.size() && std::wcschr(L"-+ 0#", pattern[end]) && pattern[end] != 0) ++end;
    while (end < pattern.size() && pattern[end] >= L'0' && pattern[end] <= L'9') ++end;
    if (end < pattern.size() && pattern[end] == L'.') {
      ++end;
      while (end < pattern.size() && pattern[end] >= L'0' && pattern[end] <= L'9') ++end;
    }
    if (converted || end >= pattern.size() || !IsIntegerConversion(pattern[end]) || end - i > 16) return std::wstring();
    converted = true;
    const std::wstring spec = pattern.substr(i, end - i + 1);
    wchar_t number[kMaxImageNameLength + 1];
    const bool isSigned = pattern[end] == L'd' || pattern[end] == L'i';
    const int written = isSigned ? std::swprintf(number, kMaxImageNameLength + 1, spec.c_str(), static_cast<int>(frame))
                                 : std::swprintf(number, kMaxImageNameLength + 1, spec.c_str(), frame);
    if (written < 0) return std::wstring();
    name += number;
    i = end;
    if (name.size() > kMaxImageNameLength) return std::wstring();
  }
  if (name.size() > kMaxImageNameLength) return std::wstring();
  return name;
}

bool SequenceAnimation::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (std::wcscmp(name, L"sequencebkimage") == 0) {
    pattern = value;
  } else if (EqualsNoCase(name, L"sequencecount")) {
    count = static_cast<uint32_t>(std::wcstol(value, nullptr, 10));
  } else if (EqualsNoCase(name, L"sequencespan")) {
    span = static_cast<int32_t>(std::wcstol(value, nullptr, 10));
  } else if (EqualsNoCase(name, L"sequenceloop")) {
    loop = FlagValue(value);
  } else if (EqualsNoCase(name, L"autostart")) {
    autostart = FlagValue(value);
  } else if (EqualsNoCase(name, L"sequenceround")) {
    pingpong = FlagValue(value);
  } else {
    return false;
  }
  return true;
}

CControlUI* CreateSequenceControl(const wchar_t* element) {
  if (!element) return nullptr;
  if (EqualsNoCase(element, L"SequenceButton")) return new (std::nothrow) CSequenceButtonUI();
  if (EqualsNoCase(element, L"SequenceLabel")) return new (std::nothrow) CSequenceLabelUI();
  return nullptr;
}

}  // namespace SkinUI
