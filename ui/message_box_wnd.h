// CMessageBoxWnd and ShowMessageBox: every question and notice of the installer, a small
// skinned modal window owned by the main window that reports which button closed it.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/skin_frame.h"

namespace SkinUI {
class CControlUI;
}

// What ShowMessageBox returns.
constexpr int MB_RESULT_OK = 0;      // "okBtn" was clicked
constexpr int MB_RESULT_CANCEL = 1;  // "cancelBtn", or closed without a click (Alt+F4, owner gone)
constexpr int MB_RESULT_OTHER = 2;   // any other button: the title's "closebtn"

class CMessageBoxWnd : public SkinUI::CSkinFrame {
 public:
  // skinFile: a layout of the embedded skin, such as "MessageBox1Wnd.xml".
  explicit CMessageBoxWnd(const std::wstring& skinFile);
  ~CMessageBoxWnd() override = default;

  int Result() const { return result_; }
  // Sets the generic skins' text and caption; a null text, or a skin without the label, is skipped.
  void SetTexts(const wchar_t* text, const wchar_t* caption);

  using CWindowWnd::RunModal;
  // Posts again a close that arrived while a box opened above this one was still open.
  void RepeatDeferredClose();

 protected:
  void OnSkinLoaded() override;
  void OnClickNotify(SkinUI::NotifyEvent& notification) override;
  LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  bool HasBoxAbove() const;

  int result_ = MB_RESULT_CANCEL;
  bool deferredClose_ = false;
  UINT deferredCode_ = 0;
  SkinUI::CControlUI* okBtn_ = nullptr;
  SkinUI::CControlUI* cancelBtn_ = nullptr;
  SkinUI::CControlUI* textLbl_ = nullptr;
  SkinUI::CControlUI* captionLbl_ = nullptr;
};

// Shows the box modally over owner (disabled meanwhile, enabled and focused after) and returns
// MB_RESULT_OK, MB_RESULT_CANCEL or MB_RESULT_OTHER. The nested loop keeps dispatching every
// message of the thread, so the caller's window may have changed, or be gone, on return. A box
// opened while another box of the same owner is open is owned by that box, so the chain stays
// modal. text and caption may be null.
int ShowMessageBox(HWND owner, const std::wstring& skinFile, const wchar_t* text = nullptr,
                   const wchar_t* caption = nullptr);
