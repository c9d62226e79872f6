#include "tests/ui/product_process.h"

#include <cstdlib>
#include <sstream>

#include "tests/support/paths.h"
#include "tests/support/sandbox.h"
#include "tests/ui/main_wnd_harness.h"

namespace UiTests {
namespace {

std::wstring SampleProduct() { return TestSupport::BuildTreePath("tools/sample_package/ZarnelDravix.exe"); }

std::wstring LaunchLog(const std::wstring& folder) { return folder + L"\\ZarnelDravix.launch.log"; }

std::vector<DWORD> LaunchedIds(const std::wstring& folder) {
  std::vector<DWORD> ids;
  std::istringstream lines(TestSupport::ReadFileBytes(LaunchLog(folder)));
  std::string line;
  while (std::getline(lines, line)) {
    const unsigned long id = std::strtoul(line.c_str(), nullptr, 10);
    if (id) ids.push_back(static_cast<DWORD>(id));
  }
  return ids;
}

}  // namespace

ProductProcess::ProductProcess(const std::wstring& folder, const std::wstring& name) {
  const std::wstring path = folder + L"\\" + name;
  const size_t startsBefore = LaunchedIds(folder).size();
  if (!::CopyFileW(SampleProduct().c_str(), path.c_str(), FALSE)) return;
  std::wstring command = L"\"" + path + L"\" -lifetime=120";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info))
    return;
  Utils::UniqueHandle thread(info.hThread);
  process_.reset(info.hProcess);
  // Running once its start is recorded.
  for (int i = 0; i < 400 && LaunchedIds(folder).size() == startsBefore; ++i) ::Sleep(50);
}

ProductProcess::~ProductProcess() {
  if (!process_) return;
  ::TerminateProcess(process_.get(), 0);
  ::WaitForSingleObject(process_.get(), 10000);
}

std::wstring CopySampleProduct(const std::wstring& folder) {
  const std::wstring path = folder + L"\\ZarnelDravix.exe";
  return ::CopyFileW(SampleProduct().c_str(), path.c_str(), FALSE) ? path : std::wstring();
}

int WaitForLaunches(const std::wstring& folder, int expected) {
  const DWORD wait = expected == 0 ? 1500 : 20000;
  PumpUntil([&] { return expected > 0 && static_cast<int>(LaunchedIds(folder).size()) >= expected; }, wait);
  return static_cast<int>(LaunchedIds(folder).size());
}

void StopLaunchedProducts(const std::wstring& folder) {
  for (DWORD id : LaunchedIds(folder)) {
    Utils::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) continue;
    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 10000);
  }
}

}  // namespace UiTests
