#include "tools/sample_package/sample_command_line.h"

#include <windows.h>

#include <shellapi.h>

#include "utils/unique_resource.h"

namespace SampleKit {

namespace {

std::wstring TrimRight(std::wstring text) {
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.pop_back();
  return text;
}

}  // namespace

SampleCommandLine::SampleCommandLine(const std::wstring& raw, const wchar_t* tailMarker) {
  std::wstring head = raw;
  const size_t marker = tailMarker ? raw.rfind(tailMarker) : std::wstring::npos;
  if (marker != std::wstring::npos) {
    hasTail_ = true;
    tail_ = TrimRight(raw.substr(marker + std::wstring(tailMarker).size()));
    head = raw.substr(0, marker);
  }
  int count = 0;
  Utils::UniqueLocalMem<LPWSTR*> argv(::CommandLineToArgvW(head.c_str(), &count));
  if (!argv) return;
  for (int i = 1; i < count; ++i) arguments_.emplace_back(argv.get()[i]);
}

bool SampleCommandLine::Has(const std::wstring& name) const {
  for (const std::wstring& argument : arguments_) {
    if (argument == name) return true;
  }
  return false;
}

bool SampleCommandLine::Value(const std::wstring& name, std::wstring& value) const {
  const std::wstring prefix = name + L"=";
  for (const std::wstring& argument : arguments_) {
    if (argument.compare(0, prefix.size(), prefix) == 0) {
      value = argument.substr(prefix.size());
      return true;
    }
  }
  return false;
}

std::wstring SampleCommandLine::ValueOr(const std::wstring& name, const std::wstring& fallback) const {
  std::wstring value;
  return Value(name, value) ? value : fallback;
}

std::vector<std::wstring> SampleCommandLine::Values(const std::wstring& name) const {
  const std::wstring prefix = name + L"=";
  std::vector<std::wstring> values;
  for (const std::wstring& argument : arguments_) {
    if (argument.compare(0, prefix.size(), prefix) == 0) values.push_back(argument.substr(prefix.size()));
  }
  return values;
}

std::wstring ModulePath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring ModuleFolder() {
  std::wstring path = ModulePath();
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

}  // namespace SampleKit
