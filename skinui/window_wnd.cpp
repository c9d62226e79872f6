#include "skinui/window_wnd.h"

#include "skinui/window_manager.h"

namespace SkinUI {

CWindowWnd::~CWindowWnd() {
  if (window_ && ::IsWindow(window_)) {
    HWND window = window_;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = nullptr;
    ::DestroyWindow(window);
  }
}

bool CWindowWnd::RegisterWindowClass() {
  HINSTANCE instance = CWindowManagerUI::ModuleInstance();
  if (!instance) instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (const wchar_t* super = SuperClassName()) {
    // The existing class with our procedure; its own procedure is called for the rest.
    if (!::GetClassInfoExW(nullptr, super, &wc) && !::GetClassInfoExW(instance, super, &wc)) return false;
    previousProc_ = wc.lpfnWndProc;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = WindowClassName();
  } else {
    wc.style = ClassStyle();
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = WindowClassName();
  }
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::CreateNativeWindow(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x, int y,
                                    int width, int height, HMENU menu) {
  if (!RegisterWindowClass()) return nullptr;
  HINSTANCE instance = CWindowManagerUI::ModuleInstance();
  if (!instance) instance = ::GetModuleHandleW(nullptr);
  ::CreateWindowExW(exStyle, WindowClassName(), title, style, x, y, width, height, parent, menu, instance, this);
  return window_;
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindowWnd* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<CWindowWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      self->window_ = window;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
      const LRESULT result = ::CallWindowProcW(self->previousProc_, window, message, wParam, lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      if (self->subclassed_) {
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->previousProc_));
        self->subclassed_ = false;
      }
      self->window_ = nullptr;
      self->OnWindowDestroyed(window);
      return result;
    }
  }
  if (self) return self->HandleWindowMessage(message, wParam, lParam);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CWindowWnd::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallPreviousProc(message, wParam, lParam);
}

LRESULT CWindowWnd::CallPreviousProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(previousProc_, window_, message, wParam, lParam);
}

void CWindowWnd::OnWindowDestroyed(HWND) {}

UINT CWindowWnd::RunModal() {
  HWND window = window_;
  if (!window) return 0;
  HWND owner = ::GetWindow(window, GW_OWNER);
  if (owner) ::EnableWindow(owner, FALSE);
  ::ShowWindow(window, SW_SHOWNORMAL);
  UINT code = 0;
  bool quit = false;
  WPARAM quitCode = 0;
  MSG message = {};
  while (::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quitCode = message.wParam;
      break;
    }
    if (got == -1) break;
    if (message.message == WM_CLOSE && message.hwnd == window) {
      code = static_cast<UINT>(message.wParam);
      if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
      }
    }
    if (!CWindowManagerUI::TranslateLoopMessage(&message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  if (owner) {
    ::EnableWindow(owner, TRUE);
    ::SetFocus(owner);
  }
  if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
  return code;
}

void CWindowWnd::RequestClose(UINT code) {
  if (window_ && ::IsWindow(window_)) ::PostMessageW(window_, WM_CLOSE, code, 0);
}

void CWindowWnd::CenterOnOwner() {
  if (!window_) return;
  RECT own;
  ::GetWindowRect(window_, &own);
  HWND owner = ::GetWindow(window_, GW_OWNER);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : window_, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  RECT target = work;
  if (owner && !::IsIconic(owner)) ::GetWindowRect(owner, &target);
  const long width = own.right - own.left;
  const long height = own.bottom - own.top;
  long left = (target.left + target.right) / 2 - width / 2;
  const long top = (target.top + target.bottom) / 2 - height / 2;
  if (left + width > work.right) left = work.right - width;
  if (left < work.left) left = work.left;
  ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::ShowNativeWindow(bool show, bool takeFocus) {
  if (!window_) return;
  ::ShowWindow(window_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

void CWindowWnd::SetWindowIcon(UINT resourceId) {
  if (!window_) return;
  HINSTANCE instance = CWindowManagerUI::ModuleInstance();
  HICON big =
      static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                      ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED));
  if (big) ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  HICON smallIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                    LR_DEFAULTCOLOR | LR_SHARED));
  if (smallIcon) ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

LRESULT CWindowWnd::SendWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(window_, message, wParam, lParam);
}

BOOL CWindowWnd::PostWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(window_, message, wParam, lParam);
}

}  // namespace SkinUI
