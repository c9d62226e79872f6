#pragma once

#include <string>

#include "utils/unique_resource.h"

namespace Utils {

// Only one installer per user session: a named mutex in the session's default namespace,
// owned from creation until Release (or the process's end).
class SingleInstance {
 public:
  static constexpr const wchar_t* kPrefix = L"D1A547DB89C0BC61_";

  explicit SingleInstance(std::wstring name) : name_(std::move(name)) {}
  ~SingleInstance() { Release(); }
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the guard unless this object holds it already. Afterwards Mutex() is null when
  // another process holds it or the mutex could not be created.
  void Create();
  HANDLE Mutex() const { return mutex_.get(); }
  std::wstring FullName() const { return kPrefix + name_; }
  // Gives the guard up: the mutex is released and closed.
  void Release();

 private:
  std::wstring name_;
  UniqueHandle mutex_;
};

}  // namespace Utils
