#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "utils/unique_resource.h"

namespace Utils {

// A named worker thread running one callable with one pointer argument. It is created
// suspended: the owner stores the object first, then calls Resume, so the body never runs
// before the owner's pointer to it exists. Single-use; a second run needs a new object.
// Not locked: the body must not touch its own Thread, and a thread must never join itself.
class Thread {
 public:
  using Body = std::function<unsigned(void*)>;

  // When the system cannot create the thread the object exists without one (Handle() null).
  Thread(void* argument, std::wstring name, Body body);
  ~Thread();  // joins
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Resumes the suspended thread; false when there is none.
  bool Resume();
  // Waits without a time limit for the thread's end, then drops the handle; id becomes
  // 0xFFFFFFFF. Without a thread it does nothing.
  void Join();

  HANDLE Handle() const { return handle_.get(); }
  DWORD Id() const { return id_; }
  const std::wstring& Name() const { return name_; }

  static constexpr DWORD kJoinedId = 0xFFFFFFFF;

 private:
  static unsigned __stdcall CallBack(void* self);
  void NameForDebuggers();

  DWORD id_ = 0;
  UniqueHandle handle_;
  Body body_;
  void* argument_;
  std::wstring name_;
};

}  // namespace Utils
