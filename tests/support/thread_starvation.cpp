#include "tests/support/thread_starvation.h"

#include <windows.h>

#include "tests/support/host_script.h"
#include "tests/support/paths.h"
#include "tests/support/wait.h"

namespace TestSupport {
namespace {

DWORD WINAPI Nothing(void*) { return 0; }

}  // namespace

ThreadStarvation::ThreadStarvation() {
  const std::wstring holder = state_.File(L"holder");
  holder_.reset(
      ::CreateFileW(holder.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  // Wine hands a file's descriptor to the program only at its first use; until then only
  // wineserver holds it.
  if (!holder_.valid() || !::WriteFile(holder_.get(), "x", 1, &written, nullptr)) {
    error_ = "cannot write the holder file";
    return;
  }
  active_ = RunHostScript("host_actions.py", "starve-fds --holder " + QuotedArgument(UnixPathFromWindows(holder)),
                          state_, state_.File(L"starved"), 30000, &error_);
}

ThreadStarvation::~ThreadStarvation() {
  if (!active_) return;
  // The one file this process can still write meanwhile is the holder: its descriptor is already
  // here. A second byte in it tells the script to give the room back.
  DWORD written = 0;
  ::WriteFile(holder_.get(), "r", 1, &written, nullptr);
  WaitUntil([this] { return FileExists(state_.File(L"done")); }, 30000, 10);
}

bool ThreadStarvation::Active(std::string* error) const {
  *error = error_;
  return active_;
}

bool ThreadStarvation::ThreadsRefused() {
  Utils::UniqueHandle thread(::CreateThread(nullptr, 0, &Nothing, nullptr, 0, nullptr));
  if (!thread) return true;
  ::WaitForSingleObject(thread.get(), INFINITE);
  return false;
}

}  // namespace TestSupport
