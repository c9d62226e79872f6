// CControlUI: the base of every element of a layout: a rectangle of the window with a name,
// visibility and enable state, size rules, background, border and text, which receives input
// events from the window manager and paints itself into the window's back buffer.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skinui/control_event.h"
#include "skinui/image_slot.h"

namespace SkinUI {

class CControlUI;
class CWindowManagerUI;

// Controls end through Destroy, so every owner of a control releases it the same way.
struct ControlDestroyer {
  void operator()(CControlUI* control) const;
};
using ControlPtr = std::unique_ptr<CControlUI, ControlDestroyer>;

// One list of callbacks; a callback returning false stops the default handling.
class ControlDelegates {
 public:
  using Callback = std::function<bool(void* param)>;
  void Add(Callback callback) { callbacks_.push_back(std::move(callback)); }
  void Clear() { callbacks_.clear(); }
  // True when every callback agreed.
  bool Run(void* param) const;

 private:
  std::vector<Callback> callbacks_;
};

// The tree walk's callback: returns the control it looked for, or null to continue.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

class CControlUI {
 public:
  CControlUI() = default;
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual void Destroy() { delete this; }
  virtual ~CControlUI();

  virtual const std::wstring& Name() const { return name_; }
  virtual void SetName(const std::wstring& name);
  virtual const wchar_t* ClassName() const { return L"Control"; }
  // This object when it offers the named interface (its class or a base class), else null.
  virtual void* FindInterface(const wchar_t* name);
  virtual UINT ControlFlags() const { return 0; }
  virtual HWND NativeWindow() const;
  virtual bool Activate();

  virtual CWindowManagerUI* Manager() const { return manager_; }
  virtual void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise);
  virtual CControlUI* Parent() const { return parent_; }

  // The cover is laid out over this control and painted after it; this control owns it.
  virtual CControlUI* CoverControl() const { return cover_.get(); }
  virtual void SetCoverControl(CControlUI* cover);

  virtual const std::wstring& Text() const { return text_; }
  virtual void SetText(const std::wstring& text);

  virtual const RECT& Position() const { return itemRect_; }
  // The position relative to the parent's top-left corner.
  virtual RECT RelativePosition() const;
  virtual RECT ClientPosition() const { return itemRect_; }
  virtual void SetPosition(RECT rect, bool invalidate = true);
  virtual void MoveBy(int dx, int dy, bool invalidate = true);
  virtual int Width() const { return itemRect_.right - itemRect_.left; }
  virtual int Height() const { return itemRect_.bottom - itemRect_.top; }
  virtual int X() const { return itemRect_.left; }
  virtual int Y() const { return itemRect_.top; }
  virtual RECT Padding() const { return padding_; }
  virtual void SetPadding(RECT padding);
  virtual SIZE FixedXY() const { return fixedXY_; }
  virtual void SetFixedXY(SIZE xy);
  struct FloatPercent {
    double left = 0, top = 0, right = 0, bottom = 0;
  };
  virtual FloatPercent FloatPercentage() const { return floatPercent_; }
  virtual void SetFloatPercent(FloatPercent percent);
  virtual int FixedWidth() const { return fixedSize_.cx; }
  virtual void SetFixedWidth(int width);
  virtual int FixedHeight() const { return fixedSize_.cy; }
  virtual void SetFixedHeight(int height);
  virtual int MinWidth() const { return minSize_.cx; }
  virtual void SetMinWidth(int width);
  virtual int MaxWidth() const { return maxSize_.cx; }
  virtual void SetMaxWidth(int width);
  virtual int MinHeight() const { return minSize_.cy; }
  virtual void SetMinHeight(int height);
  virtual int MaxHeight() const { return maxSize_.cy; }
  virtual void SetMaxHeight(int height);

  virtual const std::wstring& ToolTip() const { return tooltip_; }
  virtual void SetToolTip(const std::wstring& text) { tooltip_ = text; }
  virtual void SetToolTipWidth(int width) { tooltipWidth_ = width; }
  virtual int ToolTipWidth() const { return tooltipWidth_; }
  virtual wchar_t Shortcut() const { return shortcut_; }
  virtual void SetShortcut(wchar_t ch) { shortcut_ = ch; }
  virtual bool IsContextMenuUsed() const { return menuUsed_; }
  virtual void SetContextMenuUsed(bool used) { menuUsed_ = used; }
  virtual const std::wstring& UserData() const { return userData_; }
  virtual void SetUserData(const std::wstring& text) { userData_ = text; }
  virtual UINT_PTR Tag() const { return tag_; }
  virtual void SetTag(UINT_PTR tag) { tag_ = tag; }

  // True only when both the own and the inherited visibility are true.
  virtual bool IsVisible() const { return visible_ && internVisible_; }
  virtual void SetVisible(bool visible = true);
  // The visibility a container passes to its children.
  virtual void SetInheritedVisible(bool visible = true);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled = true);
  virtual bool IsMouseEnabled() const { return mouseEnabled_; }
  virtual void SetMouseEnabled(bool enabled = true) { mouseEnabled_ = enabled; }
  virtual bool IsKeyboardEnabled() const { return keyboardEnabled_; }
  virtual void SetKeyboardEnabled(bool enabled = true) { keyboardEnabled_ = enabled; }
  virtual bool IsFocused() const { return focused_; }
  virtual void SetFocus();
  virtual bool IsFloat() const { return float_; }
  virtual void SetFloat(bool floating = true);

  virtual CControlUI* SearchControls(FindControlProc proc, void* data, UINT flags);

  virtual void Init();
  virtual void OnInitialise() {}
  virtual void DispatchEvent(ControlEvent& event);
  virtual void HandleEvent(ControlEvent& event);

  // Names compare case-sensitively; a name no class knows is kept as a custom attribute.
  virtual void ApplyAttribute(const wchar_t* name, const wchar_t* value);
  // name="value" pairs separated by exactly one space; stops at the first malformed pair.
  virtual void ApplyAttributeList(const wchar_t* list);

  // A plain control asks for its fixed size whatever it is offered (0: stretch on that axis).
  virtual SIZE MeasureSize(SIZE available);

  // False stops the painting of everything after this control.
  virtual bool Paint(HDC dc, const RECT& paintRect, CControlUI* stopControl);
  virtual bool PaintContent(HDC dc, const RECT& paintRect, CControlUI* stopControl);
  virtual void PaintBackgroundColour(HDC dc);
  virtual void PaintBackgroundImage(HDC dc);
  virtual void PaintStateImage(HDC dc);
  virtual void PaintText(HDC dc);
  virtual void PaintBorder(HDC dc);
  virtual void PaintAfter(HDC dc, const RECT& paintRect);

  // Null when the control has no custom attribute of that name.
  const wchar_t* CustomAttribute(const wchar_t* name) const;

  // Repaints the item rectangle clipped by the visible parts of all ancestors.
  void Invalidate();
  bool IsUpdateNeeded() const { return updateNeeded_; }
  // Marks this control for a new layout at the next paint.
  void RequestLayout();
  // The same for the parent (or this control without one); this control is invalidated too.
  void RequestParentLayout();

  DWORD BackgroundColour() const { return bkColor_; }
  DWORD BackgroundColour2() const { return bkColor2_; }
  DWORD BackgroundColour3() const { return bkColor3_; }
  void SetBackgroundColour(DWORD colour);
  void SetBackgroundColour2(DWORD colour);
  void SetBackgroundColour3(DWORD colour);
  const std::wstring& BackgroundImage() const { return bkImage_.description; }
  void SetBackgroundImage(const std::wstring& image);
  DWORD BorderColour() const { return borderColor_; }
  void SetBorderColour(DWORD colour);
  DWORD FocusBorderColour() const { return focusBorderColor_; }
  void SetFocusBorderColour(DWORD colour);
  bool IsColourHsl() const { return colorHsl_; }
  RECT BorderSizes() const { return borderSizes_; }
  void SetBorderSizes(RECT sizes);
  int BorderStyle() const { return borderStyle_; }
  SIZE BorderRound() const { return borderRound_; }
  void SetBorderRound(SIZE round);
  const std::wstring& VirtualWindow() const;
  // The rectangle of the last Paint that met this control.
  const RECT& PaintRect() const { return paintRect_; }

  ControlDelegates OnInit, OnDestroy, OnSize, OnEvent, OnNotify, OnPaint;

 protected:
  // Draws an image slot over the item rectangle within the last paint rectangle; false when
  // the slot has no image, so the caller can draw another instead.
  bool DrawImage(HDC dc, ImageSlot& slot);

  CWindowManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  ControlPtr cover_;
  std::wstring name_;
  std::wstring text_;
  std::wstring tooltip_;
  std::wstring userData_;
  std::wstring virtualWnd_;
  int tooltipWidth_ = 300;
  UINT_PTR tag_ = 0;
  wchar_t shortcut_ = 0;
  RECT itemRect_ = {0, 0, 0, 0};
  RECT paintRect_ = {0, 0, 0, 0};
  RECT padding_ = {0, 0, 0, 0};
  SIZE fixedXY_ = {0, 0};
  SIZE fixedSize_ = {0, 0};
  SIZE minSize_ = {0, 0};
  SIZE maxSize_ = {9999, 9999};
  bool float_ = false;
  FloatPercent floatPercent_;
  bool visible_ = true;
  bool internVisible_ = true;
  bool enabled_ = true;
  bool mouseEnabled_ = true;
  bool keyboardEnabled_ = true;
  bool focused_ = false;
  bool updateNeeded_ = true;
  bool menuUsed_ = false;
  bool inSizeDelegates_ = false;
  DWORD bkColor_ = 0;
  DWORD bkColor2_ = 0;
  DWORD bkColor3_ = 0;
  ImageSlot bkImage_;
  DWORD borderColor_ = 0;
  DWORD focusBorderColor_ = 0;
  RECT borderSizes_ = {0, 0, 0, 0};
  int borderStyle_ = 0;
  SIZE borderRound_ = {0, 0};
  bool colorHsl_ = false;
  std::map<std::wstring, std::wstring> customAttributes_;
};

inline void ControlDestroyer::operator()(CControlUI* control) const {
  if (control) control->Destroy();
}

}  // namespace SkinUI
