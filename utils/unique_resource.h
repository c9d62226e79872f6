// One owner type for every acquire/release pair of the platform: the value is released exactly
// once, by whoever holds it last.
#pragma once

#include <windows.h>

#include <utility>

namespace Utils {

template <typename T, typename Traits>
class UniqueResource {
 public:
  UniqueResource() noexcept = default;
  explicit UniqueResource(T value) noexcept : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const noexcept { return value_; }
  bool valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without releasing.
  T release() noexcept { return std::exchange(value_, Traits::Invalid()); }

  void reset(T value = Traits::Invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

  // For out-parameters of creating calls: releases the current value first.
  T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::Invalid();
};

struct KernelHandleTraits {  // CreateMutexW, CreateProcessW, _beginthreadex: null on failure
  static HANDLE Invalid() noexcept { return nullptr; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW: INVALID_HANDLE_VALUE on failure
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {  // FindFirstFileW
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() noexcept { return nullptr; }
  static void Close(HKEY key) noexcept { ::RegCloseKey(key); }
};
struct ModuleTraits {  // LoadLibraryW/A
  static HMODULE Invalid() noexcept { return nullptr; }
  static void Close(HMODULE module) noexcept { ::FreeLibrary(module); }
};
template <typename P>
struct LocalMemTraits {  // memory the system hands out with LocalAlloc (CommandLineToArgvW)
  static P Invalid() noexcept { return nullptr; }
  static void Close(P p) noexcept { ::LocalFree(reinterpret_cast<HLOCAL>(p)); }
};

using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;
using UniqueFileHandle = UniqueResource<HANDLE, FileHandleTraits>;
using UniqueFindHandle = UniqueResource<HANDLE, FindHandleTraits>;
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;
template <typename P>
using UniqueLocalMem = UniqueResource<P, LocalMemTraits<P>>;

}  // namespace Utils
