// The sample product "ZarnelDravix.exe": records each start in "ZarnelDravix.launch.log" next to
// itself, then keeps running until its window is closed or its time is up (-lifetime=SECONDS,
// 300 by default), so that "product running" situations can be produced and observed.
#include <windows.h>

#include <cwchar>
#include <string>

#include "tools/sample_package/sample_command_line.h"
#include "utils/unique_resource.h"

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr DWORD kDefaultLifetimeSeconds = 300;
constexpr const wchar_t* kWindowClass = L"ZarnelDravixSampleProduct";

// One line per start: process id and the whole command line, in UTF-8.
void RecordStart() {
  const std::wstring path = SampleKit::ModuleFolder() + L"\\ZarnelDravix.launch.log";
  Utils::UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::wstring line = std::to_wstring(::GetCurrentProcessId()) + L" " + ::GetCommandLineW() + L"\r\n";
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return;
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &bytes[0], length, nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(length - 1), &written, nullptr);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kLifetimeTimer) ::DestroyWindow(window);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      RECT area;
      ::GetClientRect(window, &area);
      ::DrawTextW(dc, L"ZarnelDravix (sample product)", -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    default: return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  RecordStart();
  const SampleKit::SampleCommandLine line(::GetCommandLineW(), nullptr);
  const std::wstring lifetimeText = line.ValueOr(L"-lifetime", std::to_wstring(kDefaultLifetimeSeconds));
  const DWORD lifetimeMs = static_cast<DWORD>(std::wcstoul(lifetimeText.c_str(), nullptr, 10)) * 1000u;

  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  HWND window = nullptr;
  if (::RegisterClassExW(&windowClass)) {
    window = ::CreateWindowExW(0, kWindowClass, L"ZarnelDravix", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360,
                               160, nullptr, nullptr, instance, nullptr);
  }
  // Without a display there is no window to close: the time limit alone ends the product.
  if (!window) {
    ::Sleep(lifetimeMs);
    return 0;
  }
  ::ShowWindow(window, showCommand);
  ::SetTimer(window, kLifetimeTimer, lifetimeMs, nullptr);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
