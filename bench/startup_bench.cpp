// Timings of the installer's window under Wine, run by startup_bench.sh:
//   startup_bench.exe startup ROUNDS FLOOR INSTALLER
//     Each round starts the floor program (one window, painted once) and the installer as new
//     processes and measures the milliseconds from CreateProcess to the first paint of their
//     window and, for the installer, to the first click on "defaultInstallBtn" that it acts on
//     (the installation folder appears). Prints the medians.
//   startup_bench.exe install ROUNDS INSTALLER HEADLESS ADDRESS TITLE
//     Each round installs the package at ADDRESS (two byte ranges) once through the installer's
//     window (clicked as soon as it answers; the package asks it to close right after success)
//     and once with headless_install into the same folder. Prints the median seconds from
//     process start to process end, and for the window also from the click it acted on.
// A window is painted once it is visible and has nothing left to paint. Clicks are posted
// mouse messages at the button's place in the shipped layout.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/window_search.h"
#include "utils/unique_resource.h"
#include "utils/window_owner.h"

namespace {

constexpr POINT kInstallButton = {300, 278};  // centre of "defaultInstallBtn" in the 600 x 400 window
constexpr const wchar_t* kProductKey = L"Software\\VeltoSoft\\Dravix";

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[(values.size() - 1) / 2];
}

struct Child {
  Utils::UniqueHandle process;
  DWORD id = 0;
};

Child Start(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  Child child;
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return child;
  Utils::UniqueHandle thread(info.hThread);
  child.process.reset(info.hProcess);
  child.id = info.dwProcessId;
  return child;
}

DWORD EndOf(Child& child, DWORD timeoutMs) {
  DWORD code = STILL_ACTIVE;
  if (::WaitForSingleObject(child.process.get(), timeoutMs) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(child.process.get(), &code);
  return code;
}

void Stop(Child& child) {
  if (!child.process) return;
  ::TerminateProcess(child.process.get(), 255);
  ::WaitForSingleObject(child.process.get(), 30000);
}

// The process's visible window of that class; null while there is none.
HWND VisibleWindowOf(DWORD processId, const wchar_t* className) {
  return TestSupport::FindVisibleWindow([&](HWND window) {
    return TestSupport::ProcessOf(window) == processId && TestSupport::ClassOf(window) == className;
  });
}

// The process's visible window of that class once it has painted; null while not yet.
HWND PaintedWindow(DWORD processId, const wchar_t* className) {
  HWND window = VisibleWindowOf(processId, className);
  if (!window || ::GetUpdateRect(window, nullptr, FALSE)) return nullptr;
  return window;
}

// Polls every millisecond; false when the condition does not hold within the limit.
bool WaitUntil(const std::function<bool()>& done, double limitMs) {
  const double end = Now() + limitMs;
  while (!done()) {
    if (Now() > end) return false;
    ::Sleep(1);
  }
  return true;
}

void PostClick(HWND window, POINT point) {
  const LPARAM where = MAKELPARAM(point.x, point.y);
  ::PostMessageW(window, WM_MOUSEMOVE, 0, where);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
  ::PostMessageW(window, WM_LBUTTONUP, 0, where);
}

std::wstring KnownFolder(int id) {
  wchar_t path[MAX_PATH] = {};
  return SUCCEEDED(::SHGetFolderPathW(nullptr, id, nullptr, 0, path)) ? std::wstring(path) : std::wstring();
}

// Where a one-click installation goes on this machine: the installer proposes the first that
// fits its administrator tests; it is enough to watch all of them.
std::vector<std::wstring> DefaultFolders() {
  std::vector<std::wstring> folders;
  for (int id : {CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES}) {
    const std::wstring base = KnownFolder(id);
    if (!base.empty()) folders.push_back(base + L"\\ZarnelDravix");
  }
  wchar_t appData[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH))
    folders.push_back(std::wstring(appData) + L"\\velto\\ZarnelDravix");
  return folders;
}

bool AnyExists(const std::vector<std::wstring>& folders) {
  for (const std::wstring& folder : folders)
    if (::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  return false;
}

void RemoveTree(const std::wstring& folder) {
  std::wstring from = folder;
  from.push_back(L'\0');  // the list ends with two nulls
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NO_UI;
  ::SHFileOperationW(&operation);
}

// Every installer round starts as a first installation: no records, no folder.
void FreshMachine(const std::vector<std::wstring>& folders) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kProductKey);
  for (const std::wstring& folder : folders) RemoveTree(folder);
}

bool Installed() {
  Utils::UniqueRegKey key;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
         ::RegQueryValueExW(key.get(), L"InstallPath", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Posts clicks on the one-click button until the installer acts on one; the milliseconds since
// `start`, or -1.
double ClickUntilAnswered(DWORD processId, double start, const std::vector<std::wstring>& folders) {
  double answered = -1;
  WaitUntil(
      [&] {
        if (AnyExists(folders)) {
          answered = Now() - start;
          return true;
        }
        if (HWND window = VisibleWindowOf(processId, L"MainWnd")) PostClick(window, kInstallButton);
        ::Sleep(5);
        return false;
      },
      60000);
  return answered;
}

int StartupRounds(int rounds, const std::wstring& floor, const std::wstring& installer) {
  const std::vector<std::wstring> folders = DefaultFolders();
  // Nothing answers there: the download fails at once, after the click was measured.
  const std::wstring deadServer = L" -downloadurl=http://127.0.0.1:9/redirect/ver1/zarneldravix/${ROUTE}/1.0/x";
  std::vector<double> floorPaint, installerPaint, installerClick;
  for (int round = 1; round <= rounds; ++round) {
    double start = Now();
    Child child = Start(Quoted(floor));
    if (!child.process) return std::fprintf(stderr, "cannot start the floor program\n"), 1;
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = PaintedWindow(child.id, L"StartupFloor")) != nullptr; }, 60000))
      return std::fprintf(stderr, "the floor program never painted\n"), 1;
    floorPaint.push_back(Now() - start);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EndOf(child, 30000);

    FreshMachine(folders);
    start = Now();
    child = Start(Quoted(installer) + deadServer);
    if (!child.process) return std::fprintf(stderr, "cannot start the installer\n"), 1;
    if (!WaitUntil([&] { return PaintedWindow(child.id, L"MainWnd") != nullptr; }, 60000))
      return Stop(child), std::fprintf(stderr, "the installer never painted\n"), 1;
    installerPaint.push_back(Now() - start);
    installerClick.push_back(ClickUntilAnswered(child.id, start, folders));
    Stop(child);
    FreshMachine(folders);
    std::fprintf(stderr, "[bench] round %d: floor %.0f ms, installer %.0f ms, click answered at %.0f ms\n", round,
                 floorPaint.back(), installerPaint.back(), installerClick.back());
  }
  const double floorMedian = Median(floorPaint), paintMedian = Median(installerPaint);
  std::printf("Start-up under Wine and Xvfb, median of %d new processes (ms from CreateProcess)\n", rounds);
  std::printf("%-44s %12s %22s\n", "program", "first paint", "one-click answers");
  std::printf("%-44s %12.0f %22s\n", "floor: one window, painted once", floorMedian, "-");
  std::printf("%-44s %12.0f %22.0f\n", "installer (DravixInstaller.exe)", paintMedian, Median(installerClick));
  std::printf("%-44s %12.0f %22s\n", "installer - floor (target: at most 150)", paintMedian - floorMedian, "");
  return 0;
}

int InstallRounds(int rounds, const std::wstring& installer, const std::wstring& headless, const std::wstring& address,
                  const std::wstring& title) {
  const std::vector<std::wstring> folders = DefaultFolders();
  const std::wstring folder = folders.front();
  // The product is not started, and the window closes itself right after success.
  const std::wstring common = L" -downloadurl=" + address +
                              L" -downloadtype=3 \"-instcmd=-sample-startup=NonStartup "
                              L"-sample-line=FinsihCloseDetention=1\"";
  std::vector<double> windowed, afterClick, plain;
  for (int round = 1; round <= rounds; ++round) {
    FreshMachine(folders);
    double start = Now();
    Child child = Start(Quoted(installer) + common);
    if (!child.process) return std::fprintf(stderr, "cannot start the installer\n"), 1;
    const double answered = ClickUntilAnswered(child.id, start, folders);
    if (answered < 0) return Stop(child), std::fprintf(stderr, "the installer never answered the click\n"), 1;
    const DWORD code = EndOf(child, 900000);
    if (code != 0 || !Installed())
      return Stop(child), std::fprintf(stderr, "windowed installation failed (exit code %lu)\n", code), 1;
    windowed.push_back((Now() - start) / 1000.0);
    afterClick.push_back(windowed.back() - answered / 1000.0);

    FreshMachine(folders);
    start = Now();
    child = Start(Quoted(headless) + L" " + Quoted(L"-instdir=" + folder) + common);
    if (!child.process) return std::fprintf(stderr, "cannot start headless_install\n"), 1;
    const DWORD headlessCode = EndOf(child, 900000);
    if (headlessCode != 0)
      return Stop(child), std::fprintf(stderr, "headless_install exit code %lu\n", headlessCode), 1;
    plain.push_back((Now() - start) / 1000.0);
    std::fprintf(stderr, "[bench] round %d: window %.2f s (click answered at %.2f s), headless %.2f s\n", round,
                 windowed.back(), answered / 1000.0, plain.back());
  }
  FreshMachine(folders);
  const double window = Median(windowed), fromClick = Median(afterClick), bare = Median(plain);
  std::printf("%ls: whole installation of a 256 MiB package in two byte ranges, median of %d (s)\n", title.c_str(),
              rounds);
  std::printf("%-58s %10s %10s\n", "run", "seconds", "adds");
  std::printf("%-58s %10.2f %10s\n", "headless_install, process start to end", bare, "");
  std::printf("%-58s %10.2f %9.1f%%\n", "installer window, process start to end (target: +10 %)", window,
              (window / bare - 1.0) * 100.0);
  std::printf("%-58s %10.2f %9.1f%%\n", "installer window, from the click it acted on to end", fromClick,
              (fromClick / bare - 1.0) * 100.0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // A desktop is always there on a user's machine. Under Wine the desktop process ends when the
  // last window is gone and starts again with the next one, which only windowed programs pay:
  // a hidden window of ours keeps it for the whole run.
  Utils::UniqueWindow keeper(
      ::CreateWindowExW(0, L"STATIC", L"desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 0;
  if (mode == L"startup" && argc == 5) return StartupRounds(rounds, argv[3], argv[4]);
  if (mode == L"install" && argc == 7) return InstallRounds(rounds, argv[3], argv[4], argv[5], argv[6]);
  std::fprintf(stderr,
               "usage: startup_bench.exe startup ROUNDS FLOOR INSTALLER\n"
               "       startup_bench.exe install ROUNDS INSTALLER HEADLESS ADDRESS TITLE\n");
  return 2;
}
