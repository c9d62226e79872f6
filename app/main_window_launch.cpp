#include "app/main_window_launch.h"

#include "skinui/window_manager.h"
#include "skinui/wnd_shadow.h"
#include "ui/main_wnd.h"

namespace {

// WS_VISIBLE | WS_OVERLAPPEDWINDOW; the skin takes the caption away while the window is made.
constexpr DWORD kMainWindowStyle = 0x10CF0000;

}  // namespace

void LaunchMainWindow(HINSTANCE instance) {
  SkinUI::CWindowManagerUI::SetModuleInstance(instance);
  SkinUI::CWindowManagerUI::SetArchiveFormat7z(true);
  // Without the layered-window update the windows simply have no shadow.
  SkinUI::CWndShadow::Initialise(instance);

  CMainWnd window;
  // The skin's size replaces the default one while the window is created.
  if (!window.CreateNativeWindow(nullptr, CMainWnd::kTitle, kMainWindowStyle, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr))
    return;
  window.CenterOnOwner();
  window.RunModal();
}
