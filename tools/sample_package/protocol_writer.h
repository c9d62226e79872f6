#pragma once

#include <windows.h>

#include <string>

namespace SampleKit {

// Prints protocol lines on standard output, each in one write ended by a line feed, so that a
// reader sees every line as soon as it is printed. Text is converted to the chosen code page.
class ProtocolWriter {
 public:
  ProtocolWriter();

  void SetCodePage(UINT codePage) { codePage_ = codePage; }
  // Nothing is printed while muted (the "silent child" behaviour).
  void SetMuted(bool muted) { muted_ = muted; }
  void Line(const std::wstring& text);

 private:
  HANDLE output_;
  UINT codePage_ = CP_ACP;
  bool muted_ = false;
};

}  // namespace SampleKit
