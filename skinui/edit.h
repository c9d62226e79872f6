// CEditUI: a text field. It paints its text (or its tip) like a label and, while it has the
// focus, places a native edit window (CEditWnd) over its text rectangle for the typing.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skinui/control_event.h"
#include "skinui/image_slot.h"
#include "skinui/label.h"
#include "utils/gdi_objects.h"

namespace SkinUI {

class CEditWnd;

class CEditUI : public CLabelUI, public IMessageFilterUI {
 public:
  CEditUI();
  ~CEditUI() override;

  const wchar_t* ClassName() const override { return L"Edit"; }
  void* FindInterface(const wchar_t* name) override;
  UINT ControlFlags() const override;
  HWND NativeWindow() const override;

  void SetText(const std::wstring& text) override;
  void SetPosition(RECT rect, bool invalidate = true) override;
  void SetVisible(bool visible = true) override;
  void SetInheritedVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  void HandleEvent(ControlEvent& event) override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
  void PaintStateImage(HDC dc) override;
  void PaintText(HDC dc) override;

  // The native window's change and colour requests reach the control through its window.
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  UINT MaxChar() const { return maxChar_; }
  void SetMaxChar(UINT count);
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool IsPassword() const { return password_; }
  void SetPassword(bool password);
  wchar_t PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(wchar_t ch);
  bool IsNumberOnly() const { return numberOnly_; }
  void SetNumberOnly(bool numberOnly);
  bool IsAutoSelAll() const { return autoSelAll_; }
  void SetAutoSelAll(bool autoSelAll) { autoSelAll_ = autoSelAll; }
  const std::wstring& TipValue() const { return tipValue_; }
  void SetTipValue(const std::wstring& tip);
  void SetTipValueColor(DWORD colour);
  DWORD NativeBkColor() const { return nativeBkColour_; }
  void SetNativeBkColor(DWORD colour);
  void SetNativeTextColor(DWORD colour);
  void SetNormalImage(const std::wstring& description) { SetImage(normalImage_, description); }
  void SetHotImage(const std::wstring& description) { SetImage(hotImage_, description); }
  void SetFocusedImage(const std::wstring& description) { SetImage(focusedImage_, description); }
  void SetDisabledImage(const std::wstring& description) { SetImage(disabledImage_, description); }
  bool IsHot() const { return hot_; }

  // Called by the native window.
  void OnNativeReturn();
  void OnNativeWindowClosed();

 private:
  void SetImage(ImageSlot& slot, const std::wstring& description);
  void OpenNativeWindow();
  // Asks the native window to close after the current message.
  void CloseNativeWindow();
  // The native window's place: the text rectangle, vertically centred on the font's height and
  // cut to the visible parts of the ancestors; empty when nothing of it is visible.
  RECT NativeRect() const;
  void PlaceNativeWindow();
  void OnNativeTextChanged();
  HBRUSH NativeBrush();

  std::unique_ptr<CEditWnd> editWnd_;
  // A closed native window's object: it is still on the call stack when its window goes.
  std::unique_ptr<CEditWnd> retiredWnd_;
  bool closing_ = false;
  UINT maxChar_ = 255;
  bool readOnly_ = false;
  bool password_ = false;
  bool numberOnly_ = false;
  bool autoSelAll_ = false;
  wchar_t passwordChar_ = L'*';
  DWORD nativeBkColour_ = 0xFFFFFFFF;
  DWORD nativeTextColour_ = 0;
  std::wstring tipValue_;
  DWORD tipColour_ = 0;
  bool hot_ = false;
  ImageSlot normalImage_, hotImage_, focusedImage_, disabledImage_;
  // The background under a partly transparent native colour; the brush is made from it.
  Utils::UniqueBitmap nativePattern_;
  Utils::UniqueBrush nativeBrush_;
};

}  // namespace SkinUI
