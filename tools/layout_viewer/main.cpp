// layout_viewer: opens one layout file of a skin in a real skinned window, and optionally
// writes the window's painted client area to a PNG file and exits.
//   layout_viewer.exe --skin=DIR | --archive=FILE.7z | --embedded  --layout=mainWnd.xml
//                     [--page=N] [--set=CONTROL:ATTRIBUTE=VALUE ...] [--screenshot=out.png]
// --set applies a markup attribute to a named control after the page is shown, to look at
// states the installer sets at run time (a progress value, a visible tip, a path).
// --set may be repeated; pages count from 0.
// Exit codes: 0 done, 2 bad arguments, a layout that cannot be loaded, or no such page or control,
// 3 the window or the screenshot failed.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "skinui/window_manager.h"
#include "tools/layout_viewer/layout_viewer_wnd.h"
#include "tools/layout_viewer/png_file.h"

namespace {

using LayoutViewer::CLayoutViewerWnd;
using LayoutViewer::ViewerSkin;
using SkinUI::CWindowManagerUI;

constexpr int kUsageError = LayoutViewer::kLayoutLoadFailed;
constexpr int kRunError = 3;

struct AttributeChange {
  std::wstring control;
  std::wstring name;
  std::wstring value;
};

struct Options {
  ViewerSkin skin;
  bool haveSource = false;
  int page = -1;
  std::vector<AttributeChange> changes;
  std::wstring screenshot;
};

const wchar_t kUsage[] =
    L"usage: layout_viewer --skin=DIR | --archive=FILE.7z | --embedded --layout=FILE.xml [--page=N] "
    L"[--set=CONTROL:ATTRIBUTE=VALUE ...] [--screenshot=OUT.png]\n";

bool TakeValue(const wchar_t* argument, const wchar_t* option, std::wstring& value) {
  const size_t length = std::wcslen(option);
  if (std::wcsncmp(argument, option, length) != 0) return false;
  value = argument + length;
  return true;
}

// Splits a path into its folder (with the separator) and its file name.
void SplitPath(const std::wstring& path, std::wstring& folder, std::wstring& name) {
  const size_t slash = path.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  name = slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH * 4, buffer, nullptr);
  return length == 0 || length >= MAX_PATH * 4 ? path : std::wstring(buffer, length);
}

bool ParseOptions(int argc, wchar_t** argv, Options& options, std::wstring& error) {
  int sources = 0;
  for (int i = 1; i < argc; ++i) {
    std::wstring value;
    if (TakeValue(argv[i], L"--skin=", value)) {
      options.skin.kind = SkinUI::SkinSource::File;
      options.skin.folder = FullPath(value);
      ++sources;
    } else if (TakeValue(argv[i], L"--archive=", value)) {
      options.skin.kind = SkinUI::SkinSource::Zip;
      SplitPath(FullPath(value), options.skin.folder, options.skin.archiveName);
      ++sources;
    } else if (std::wcscmp(argv[i], L"--embedded") == 0) {
      options.skin.kind = SkinUI::SkinSource::ZipResource;
      ++sources;
    } else if (TakeValue(argv[i], L"--layout=", value)) {
      options.skin.layout = value;
    } else if (TakeValue(argv[i], L"--page=", value)) {
      wchar_t* end = nullptr;
      const long page = std::wcstol(value.c_str(), &end, 10);
      if (value.empty() || *end || page < 0 || page > 1000) {
        error = L"--page needs a page number";
        return false;
      }
      options.page = static_cast<int>(page);
    } else if (TakeValue(argv[i], L"--set=", value)) {
      const size_t colon = value.find(L':');
      const size_t equals = colon == std::wstring::npos ? colon : value.find(L'=', colon);
      if (colon == 0 || equals == std::wstring::npos || equals == colon + 1) {
        error = L"--set needs CONTROL:ATTRIBUTE=VALUE";
        return false;
      }
      options.changes.push_back(AttributeChange{value.substr(0, colon), value.substr(colon + 1, equals - colon - 1),
                                                value.substr(equals + 1)});
    } else if (TakeValue(argv[i], L"--screenshot=", value)) {
      if (value.empty()) {
        error = L"--screenshot needs a file name";
        return false;
      }
      options.screenshot = value;
    } else {
      error = std::wstring(L"unknown argument ") + argv[i];
      return false;
    }
  }
  if (sources != 1) {
    error = L"give exactly one of --skin, --archive and --embedded";
    return false;
  }
  if (options.skin.layout.empty()) {
    error = L"--layout is missing";
    return false;
  }
  return true;
}

// Runs the window's messages until it has painted everything it was asked to; false when it
// does not get there.
bool PumpUntilPainted(CLayoutViewerWnd& window) {
  CWindowManagerUI& manager = window.Manager();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (!CWindowManagerUI::TranslateLoopMessage(&message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
    RECT pending;
    if (manager.BackBufferDC() && !::GetUpdateRect(window.WindowHandle(), &pending, FALSE)) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
}

int TakeScreenshot(CLayoutViewerWnd& window, const std::wstring& path) {
  // Paint the whole window once more, so the buffer holds every control as it is now.
  ::InvalidateRect(window.WindowHandle(), nullptr, FALSE);
  if (!PumpUntilPainted(window)) {
    std::fwprintf(stderr, L"layout_viewer: the window was not painted\n");
    return kRunError;
  }
  RECT client;
  ::GetClientRect(window.WindowHandle(), &client);
  const std::vector<unsigned char> pixels =
      LayoutViewer::CaptureDC(window.Manager().BackBufferDC(), client.right, client.bottom);
  if (pixels.empty() || !LayoutViewer::WritePngFile(path, pixels.data(), client.right, client.bottom)) {
    std::fwprintf(stderr, L"layout_viewer: cannot write %ls\n", path.c_str());
    return kRunError;
  }
  std::fwprintf(stdout, L"%ls %ldx%ld\n", path.c_str(), client.right, client.bottom);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  std::wstring error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::fwprintf(stderr, L"layout_viewer: %ls\n%ls", error.c_str(), kUsage);
    return kUsageError;
  }

  CWindowManagerUI::SetModuleInstance(::GetModuleHandleW(nullptr));
  CWindowManagerUI::SetArchiveFormat7z(true);
  if (!options.skin.folder.empty()) CWindowManagerUI::SetSkinFolderPath(options.skin.folder);

  CLayoutViewerWnd window(options.skin, !options.screenshot.empty());
  // A layout that cannot be built ends the process inside the creation (exit code 2).
  if (!window.CreateNativeWindow(nullptr, L"Layout viewer", WS_POPUP | WS_MINIMIZEBOX | WS_SYSMENU, 0)) {
    std::fwprintf(stderr, L"layout_viewer: cannot create the window\n");
    return kRunError;
  }
  if (options.page >= 0 && !window.ShowMainPage(options.page)) {
    std::fwprintf(stderr, L"layout_viewer: the layout has no main page %d\n", options.page);
    return kUsageError;
  }
  for (const AttributeChange& change : options.changes) {
    SkinUI::CControlUI* control = window.Manager().FindControlByName(change.control);
    if (!control) {
      std::fwprintf(stderr, L"layout_viewer: the layout has no control %ls\n", change.control.c_str());
      return kUsageError;
    }
    control->ApplyAttribute(change.name.c_str(), change.value.c_str());
  }
  window.CenterOnOwner();
  window.ShowNativeWindow(true, true);

  if (!options.screenshot.empty()) {
    const int code = TakeScreenshot(window, options.screenshot);
    ::DestroyWindow(window.WindowHandle());
    return code;
  }
  window.RunModal();
  return 0;
}
