#include "utils/thread.h"

#include <process.h>

#include <exception>

#include "utils/log.h"
#include "utils/text_conversion.h"

namespace Utils {

namespace {

// The debugger convention for naming threads: a software exception that a listening debugger
// reads and everybody else must swallow. Without SEH we swallow it with a vectored handler.
constexpr DWORD kSetThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameInfo {
  DWORD type;  // 0x1000
  LPCSTR name;
  DWORD threadId;
  DWORD flags;
};
#pragma pack(pop)

LONG CALLBACK SwallowThreadNameException(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == kSetThreadNameException) return EXCEPTION_CONTINUE_EXECUTION;
  return EXCEPTION_CONTINUE_SEARCH;
}

void RaiseThreadNameException(const std::string& name, DWORD threadId) {
  ThreadNameInfo info{0x1000, name.c_str(), threadId, 0};
  PVOID handler = ::AddVectoredExceptionHandler(1, SwallowThreadNameException);
  if (!handler) return;  // raising without a handler would end the process
  ::RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                   reinterpret_cast<const ULONG_PTR*>(&info));
  ::RemoveVectoredExceptionHandler(handler);
}

using SetThreadDescriptionFn = HRESULT(WINAPI*)(HANDLE, PCWSTR);

}  // namespace

Thread::Thread(void* argument, std::wstring name, Body body)
    : body_(std::move(body)), argument_(argument), name_(std::move(name)) {
  unsigned id = 0;
  const uintptr_t handle = _beginthreadex(nullptr, 0, &Thread::CallBack, this, CREATE_SUSPENDED, &id);
  if (handle == 0) return;
  id_ = id;
  handle_.reset(reinterpret_cast<HANDLE>(handle));
  NameForDebuggers();
}

Thread::~Thread() {
  Join();
  name_.clear();
  body_ = nullptr;
}

bool Thread::Resume() {
  if (!handle_) return false;
  return ::ResumeThread(handle_.get()) != static_cast<DWORD>(-1);
}

void Thread::Join() {
  if (!handle_) return;
  ::WaitForSingleObject(handle_.get(), INFINITE);
  handle_.reset();
  id_ = kJoinedId;
}

void Thread::NameForDebuggers() {
  const std::wstring name = name_.empty() ? L"t" + std::to_wstring(id_) : name_;
  // Newer systems keep a description with the thread itself; debuggers read that too.
  if (HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
    auto setDescription = reinterpret_cast<SetThreadDescriptionFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetThreadDescription")));
    if (setDescription) setDescription(handle_.get(), name.c_str());
  }
  if (::IsDebuggerPresent()) RaiseThreadNameException(WideToMultiByte(name, CP_ACP), id_);
}

unsigned __stdcall Thread::CallBack(void* self) {
  auto* thread = static_cast<Thread*>(self);
  WRITE_LOG_TEXT(L"THREAD BEGIN");
  // Nothing may escape a worker: an exception here would end the whole installer.
  try {
    thread->body_(thread->argument_);
  } catch (const std::exception& error) {
    WRITE_LOG(L"THREAD EXCEPTION %S\r\n", error.what());
  } catch (...) {
    WRITE_LOG_TEXT(L"THREAD EXCEPTION");
  }
  WRITE_LOG_TEXT(L"THREAD END");
  _endthreadex(0);
  return 0;
}

}  // namespace Utils
