#include "ui/message_box_wnd.h"

#include <vector>

#include "skinui/control.h"
#include "skinui/control_event.h"

namespace {

// The boxes open on this thread, innermost last. Only the window thread opens boxes; the list
// lives as long as the ShowMessageBox calls that push them.
thread_local std::vector<CMessageBoxWnd*> openBoxes;

// A box opened while another box of the same owner is open is owned by the innermost such box:
// then that box is disabled too and the owner stays disabled until the outermost box is gone.
HWND ModalOwner(HWND owner) {
  if (!owner) return owner;
  for (auto it = openBoxes.rbegin(); it != openBoxes.rend(); ++it) {
    HWND box = (*it)->WindowHandle();
    if (!box) continue;
    for (HWND up = box; up; up = ::GetWindow(up, GW_OWNER)) {
      if (up == owner) return box;
    }
  }
  return owner;
}

}  // namespace

CMessageBoxWnd::CMessageBoxWnd(const std::wstring& skinFile) : CSkinFrame(InstallerConfig(skinFile)) {}

void CMessageBoxWnd::OnSkinLoaded() {
  CSkinFrame::OnSkinLoaded();
  const LONG style = ::GetWindowLongW(window_, GWL_STYLE);
  ::SetWindowLongW(window_, GWL_STYLE, (style & ~(WS_CAPTION | WS_MAXIMIZEBOX)) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  const LONG exStyle = ::GetWindowLongW(window_, GWL_EXSTYLE);
  ::SetWindowLongW(window_, GWL_EXSTYLE, exStyle & ~WS_EX_TOPMOST);
  okBtn_ = manager_.FindControlByName(L"okBtn");
  cancelBtn_ = manager_.FindControlByName(L"cancelBtn");
  textLbl_ = manager_.FindControlByName(L"textLbl");
  captionLbl_ = manager_.FindControlByName(L"captionLbl");
}

void CMessageBoxWnd::SetTexts(const wchar_t* text, const wchar_t* caption) {
  if (text && textLbl_) textLbl_->SetText(text);
  if (caption && captionLbl_) captionLbl_->SetText(caption);
}

void CMessageBoxWnd::OnClickNotify(SkinUI::NotifyEvent& notification) {
  if (notification.sender && notification.sender == okBtn_) {
    RequestClose(1);
    result_ = MB_RESULT_OK;
  } else if (notification.sender && notification.sender == cancelBtn_) {
    RequestClose(1);
    result_ = MB_RESULT_CANCEL;
  } else {
    CSkinFrame::OnClickNotify(notification);
    result_ = MB_RESULT_OTHER;
  }
}

bool CMessageBoxWnd::HasBoxAbove() const {
  bool above = false;
  for (CMessageBoxWnd* box : openBoxes) {
    if (above && box->WindowHandle()) return true;
    above = above || box == this;
  }
  return false;
}

LRESULT CMessageBoxWnd::OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  // Closing now would destroy the box opened above this one (it is owned by this one) before
  // the user saw it; the close is repeated when that box is gone.
  if (HasBoxAbove()) {
    deferredClose_ = true;
    deferredCode_ = static_cast<UINT>(wParam);
    return 0;
  }
  return CSkinFrame::OnClose(message, wParam, lParam, handled);
}

void CMessageBoxWnd::RepeatDeferredClose() {
  if (!deferredClose_ || HasBoxAbove()) return;
  deferredClose_ = false;
  RequestClose(deferredCode_);
}

int ShowMessageBox(HWND owner, const std::wstring& skinFile, const wchar_t* text, const wchar_t* caption) {
  CMessageBoxWnd box(skinFile);
  if (!box.CreateNativeWindow(ModalOwner(owner), L"消息框", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0))
    return MB_RESULT_CANCEL;
  box.SetTexts(text, caption);
  box.CenterOnOwner();
  openBoxes.push_back(&box);
  box.RunModal();
  openBoxes.pop_back();
  if (!openBoxes.empty()) openBoxes.back()->RepeatDeferredClose();
  return box.Result();
}
