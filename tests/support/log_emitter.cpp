// A stand-in program for the harness's own tests.
//   log_emitter [--lines=N] [--exit=CODE] [--sleep=MS] [--threads=N]
// Writes N debug-output lines "line 1".."line N" (from N threads, through the installer's
// logging, when --threads is given), sleeps, then ends with CODE (decimal or 0x hex).
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "utils/log.h"
#include "utils/thread.h"

namespace {

unsigned long OptionValue(int argc, wchar_t** argv, const std::wstring& name, unsigned long fallback) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument.compare(0, name.size(), name) == 0) return std::wcstoul(argument.c_str() + name.size(), nullptr, 0);
  }
  return fallback;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const unsigned long lines = OptionValue(argc, argv, L"--lines=", 3);
  const unsigned long threads = OptionValue(argc, argv, L"--threads=", 0);
  if (threads == 0) {
    for (unsigned long i = 1; i <= lines; ++i) ::OutputDebugStringW((L"line " + std::to_wstring(i) + L"\r\n").c_str());
  } else {
    std::vector<std::unique_ptr<Utils::Thread>> workers;
    for (unsigned long t = 0; t < threads; ++t) {
      workers.push_back(std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [lines](void*) -> unsigned {
        for (unsigned long i = 1; i <= lines; ++i) WRITE_LOG(L"line %lu\r\n", i);
        return 0;
      }));
      workers.back()->Resume();
    }
    for (auto& worker : workers) worker->Join();
  }
  ::Sleep(OptionValue(argc, argv, L"--sleep=", 0));
  ::ExitProcess(static_cast<UINT>(OptionValue(argc, argv, L"--exit=", 0)));
}
