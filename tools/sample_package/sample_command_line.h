// Command-line reading shared by the sample programs. The installer's "/D=" and the
// uninstaller's "_?=" come last and unquoted, so they take the rest of the line; everything
// before them is read as ordinary switches of the form -name=value.
#pragma once

#include <string>
#include <vector>

namespace SampleKit {

class SampleCommandLine {
 public:
  // tailMarker: " /D=", " _?=" or null. Its last occurrence splits the line.
  SampleCommandLine(const std::wstring& raw, const wchar_t* tailMarker);

  bool HasTail() const { return hasTail_; }
  const std::wstring& Tail() const { return tail_; }

  // A switch given bare ("/S", "-sample-fail").
  bool Has(const std::wstring& name) const;
  // The value of "name=value" (quotes already removed); the first occurrence wins.
  bool Value(const std::wstring& name, std::wstring& value) const;
  std::wstring ValueOr(const std::wstring& name, const std::wstring& fallback) const;
  // Every value of a switch that may repeat, in order.
  std::vector<std::wstring> Values(const std::wstring& name) const;

 private:
  std::vector<std::wstring> arguments_;  // without the program itself
  std::wstring tail_;
  bool hasTail_ = false;
};

// The folder of this program's executable, without a trailing backslash.
std::wstring ModuleFolder();
std::wstring ModulePath();

}  // namespace SampleKit
