// CWindowWnd: one native top-level window driven by an object: class registration (or
// superclassing), creation with the object pointer, the window procedure, the modal loop,
// centring and closing.
#pragma once

#include <windows.h>

namespace SkinUI {

class CWindowWnd {
 public:
  CWindowWnd() = default;
  // A window still open is detached from the object and destroyed.
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND WindowHandle() const { return window_; }
  HWND CreateNativeWindow(HWND parent, const wchar_t* title, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                          int y = CW_USEDEFAULT, int width = CW_USEDEFAULT, int height = CW_USEDEFAULT,
                          HMENU menu = nullptr);
  // Disables the owner and loops until this window is gone; returns the code of the WM_CLOSE
  // that closed it. A WM_QUIT ends the loop and is posted again for the outer loop.
  UINT RunModal();
  // Posts WM_CLOSE with the code; closing always goes through the message queue.
  void RequestClose(UINT code = 0);
  void CenterOnOwner();
  void ShowNativeWindow(bool show = true, bool takeFocus = true);
  void SetWindowIcon(UINT resourceId);
  LRESULT SendWindowMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostWindowMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

 protected:
  virtual const wchar_t* WindowClassName() const = 0;
  virtual const wchar_t* SuperClassName() const { return nullptr; }
  virtual UINT ClassStyle() const { return 0; }
  virtual LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnWindowDestroyed(HWND window);

  LRESULT CallPreviousProc(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  WNDPROC previousProc_ = ::DefWindowProcW;
  bool subclassed_ = false;

 private:
  bool RegisterWindowClass();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace SkinUI
