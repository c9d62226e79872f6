// WindowImplBase: a skinned, borderless window. It loads the skin when the native window is
// created, implements caption dragging, resize borders, the rounded region and maximising
// within the work area, and routes notifications through its message map.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/control_event.h"
#include "skinui/dialog_builder_callback.h"
#include "skinui/notify_pump.h"
#include "skinui/skin_source.h"
#include "skinui/window_manager.h"
#include "skinui/window_wnd.h"

namespace SkinUI {

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override;

  CWindowManagerUI& Manager() { return manager_; }

  void OnNotify(NotifyEvent& notification) override;
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  CControlUI* CreateCustomControl(const wchar_t*) override { return nullptr; }
  const NotifyMap* MessageMap() const override;
  // This class's own table, the base of a derived window's table.
  static const NotifyMap* ClassMap() { return &kMap; }

  // What a layout that cannot be built shows before the process ends with exit code 1.
  static constexpr const wchar_t* kSkinErrorText = L"加载资源文件失败";
  static constexpr const wchar_t* kSkinErrorCaption = L"SkinUI";

 protected:
  UINT ClassStyle() const override { return CS_DBLCLKS; }
  LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnWindowDestroyed(HWND window) override;

  virtual void OnSkinLoaded() {}
  // The layout could not be built. The installer shows kSkinErrorText and ends with exit code 1;
  // a tool without a user in front of it may end otherwise. Must not return.
  [[noreturn]] virtual void OnSkinLoadFailed();
  virtual void OnClickNotify(NotifyEvent& notification);
  virtual std::wstring SkinFolder() const = 0;
  virtual std::wstring SkinFileName() const = 0;
  virtual LRESULT OnDefaultKey(WPARAM key);
  virtual SkinSource SkinSourceKind() const { return SkinSource::File; }
  virtual std::wstring SkinArchiveFileName() const { return std::wstring(); }
  // The module resource holding the skin archive; 0 for none.
  virtual UINT SkinResourceId() const { return 0; }

  virtual LRESULT OnClose(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnDestroy(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnNcActivate(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnNcPaint(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnMouseHover(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnSize(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnChar(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnSysCommand(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnCreate(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnKeyDown(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnKillFocus(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnSetFocus(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT OnMouseMove(UINT, WPARAM, LPARAM, bool& handled);
  virtual LRESULT HandleOtherMessage(UINT, WPARAM, LPARAM, bool& handled);
  virtual LONG WindowStyle() const;

  CWindowManagerUI manager_;

 private:
  static const NotifyMapEntry kEntries[];
  static const NotifyMap kMap;
};

}  // namespace SkinUI
