// The frame animation shared by the sequence button and label: which frame image comes next on
// every timer tick, and the markup attributes that configure it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace SkinUI {

class CControlUI;

// The control timer that steps the frames.
constexpr UINT TIMER_SEQUENCE_FRAME = 2100;

struct SequenceAnimation {
  // Frame names are used as image names, which fit 260 wide characters with their terminator.
  static constexpr size_t kMaxImageNameLength = 259;

  enum class Step {
    kNothing,  // no pattern: the tick changes nothing
    kStop,     // a sequence without loop has ended: the timer must stop
    kFrame,    // `image` holds the next frame's name (empty when the name was refused)
  };

  // One tick: moves to the next frame, reversing or wrapping at the ends.
  Step Advance(std::wstring& image);
  // A timer tick of the control: shows the next frame as its background image, or stops its
  // timer when the sequence has ended.
  void Tick(CControlUI& control);
  // Sets the control's frame timer with the current span (a running timer keeps its period).
  void StartTimer(CControlUI& control) const;
  // True when the attribute is one of the animation's (and then it was applied).
  bool ApplyAttribute(const wchar_t* name, const wchar_t* value);
  // The pattern with the frame number put into its one integer conversion. Empty when the
  // pattern holds another conversion, more than one, or the name would be too long.
  static std::wstring FormatFrameName(const std::wstring& pattern, uint32_t frame);

  std::wstring pattern;  // e.g. "res\mainWnd\installBtnAnimate\%.3d.png"
  bool autostart = false;
  bool loop = true;
  bool forward = true;   // counting up
  bool pingpong = true;  // reverse at the ends instead of jumping to frame 0
  uint32_t index = 0;    // the next frame number
  uint32_t count = 0;    // frames 0 to count - 1
  int32_t span = 60;     // frame period in milliseconds
};

// What a window's CreateCustomControl gives for "SequenceButton" and "SequenceLabel" (any
// letter case); null for any other element name.
CControlUI* CreateSequenceControl(const wchar_t* element);

}  // namespace SkinUI
