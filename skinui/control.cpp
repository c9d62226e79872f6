#include "skinui/control.h"

#include <algorithm>
#include <cwchar>

#include "skinui/attribute_values.h"
#include "skinui/draw_engine.h"
#include "skinui/render_clip.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

RECT ReadRectValue(const wchar_t* value) {
  long n[4];
  ReadNumberList(value, n, 4);
  return RECT{n[0], n[1], n[2], n[3]};
}

SIZE ReadSizeValue(const wchar_t* value) {
  long n[2];
  ReadNumberList(value, n, 2);
  return SIZE{n[0], n[1]};
}

long ReadNumber(const wchar_t* value) {
  long n[1];
  ReadNumberList(value, n, 1);
  return n[0];
}

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

bool ControlDelegates::Run(void* param) const {
  bool agreed = true;
  for (const Callback& callback : callbacks_) {
    if (!callback(param)) agreed = false;
  }
  return agreed;
}

CControlUI::~CControlUI() {
  OnDestroy.Run(this);
  if (manager_) manager_->ForgetControl(this);
}

void CControlUI::SetName(const std::wstring& name) {
  if (name == name_) return;
  const std::wstring old = name_;
  name_ = name;
  if (manager_) manager_->RenameControl(this, old);
}

void* CControlUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Control") == 0) return this;
  return nullptr;
}

HWND CControlUI::NativeWindow() const { return nullptr; }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
  if (cover_) cover_->AttachManager(manager, this, initialise);
  manager_ = manager;
  parent_ = parent;
  if (initialise && parent_) SetInheritedVisible(parent_->IsVisible());
  if (initialise) Init();
}

void CControlUI::SetCoverControl(CControlUI* cover) {
  if (cover == cover_.get()) return;
  cover_.reset(cover);
  if (cover_) cover_->AttachManager(manager_, this, manager_ != nullptr);
}

void CControlUI::SetText(const std::wstring& text) {
  if (text == text_) return;
  text_ = text;
  Invalidate();
}

RECT CControlUI::RelativePosition() const {
  RECT rect = itemRect_;
  if (parent_) {
    const RECT& p = parent_->Position();
    OffsetRect(&rect, -p.left, -p.top);
  }
  return rect;
}

void CControlUI::SetPosition(RECT rect, bool invalidate) {
  if (rect.right < rect.left) rect.right = rect.left;
  if (rect.bottom < rect.top) rect.bottom = rect.top;
  RECT old = itemRect_;
  if (float_ && parent_) {
    const RECT& p = parent_->Position();
    const long pw = p.right - p.left;
    const long ph = p.bottom - p.top;
    itemRect_ = rect;
    OffsetRect(&itemRect_, p.left, p.top);
    fixedXY_.cx = rect.left - static_cast<long>(floatPercent_.left * pw);
    fixedXY_.cy = rect.top - static_cast<long>(floatPercent_.top * ph);
    fixedSize_.cx = rect.right - rect.left;
    fixedSize_.cy = rect.bottom - rect.top;
  } else {
    itemRect_ = rect;
  }
  if (manager_) {
    if (!inSizeDelegates_) {
      inSizeDelegates_ = true;
      OnSize.Run(this);
      inSizeDelegates_ = false;
    }
    updateNeeded_ = false;
    if (invalidate && IsVisible()) {
      RECT both;
      UnionRect(&both, &old, &itemRect_);
      for (CControlUI* up = parent_; up; up = up->Parent()) {
        if (!up->IsVisible()) return;
        RECT clipped;
        if (!IntersectRect(&clipped, &both, &up->Position())) return;
        both = clipped;
      }
      manager_->Invalidate(both);
    }
  }
  if (cover_ && cover_->IsVisible()) {
    if (cover_->IsFloat()) {
      const SIZE xy = cover_->FixedXY();
      cover_->SetPosition(RECT{xy.cx, xy.cy, xy.cx + cover_->FixedWidth(), xy.cy + cover_->FixedHeight()}, false);
    } else {
      const int w = std::clamp(Width(), cover_->MinWidth(), cover_->MaxWidth());
      const int h = std::clamp(Height(), cover_->MinHeight(), cover_->MaxHeight());
      cover_->SetPosition(RECT{itemRect_.left, itemRect_.top, itemRect_.left + w, itemRect_.top + h}, false);
    }
  }
}

void CControlUI::MoveBy(int dx, int dy, bool invalidate) {
  RECT rect = itemRect_;
  OffsetRect(&rect, dx, dy);
  const bool floating = float_;
  float_ = false;
  SetPosition(rect, invalidate);
  float_ = floating;
}

void CControlUI::SetPadding(RECT padding) {
  padding_ = padding;
  RequestParentLayout();
}

void CControlUI::SetFixedXY(SIZE xy) {
  fixedXY_ = xy;
  if (!float_) float_ = true;
  RequestParentLayout();
}

void CControlUI::SetFloatPercent(FloatPercent percent) {
  floatPercent_ = percent;
  RequestParentLayout();
}

void CControlUI::SetFixedWidth(int width) {
  if (width < 0) return;
  fixedSize_.cx = width;
  RequestParentLayout();
}

void CControlUI::SetFixedHeight(int height) {
  if (height < 0) return;
  fixedSize_.cy = height;
  RequestParentLayout();
}

void CControlUI::SetMinWidth(int width) {
  if (width < 0 || minSize_.cx == width) return;
  minSize_.cx = width;
  RequestParentLayout();
}

void CControlUI::SetMaxWidth(int width) {
  if (width < 0 || maxSize_.cx == width) return;
  maxSize_.cx = width;
  RequestParentLayout();
}

void CControlUI::SetMinHeight(int height) {
  if (height < 0 || minSize_.cy == height) return;
  minSize_.cy = height;
  RequestParentLayout();
}

void CControlUI::SetMaxHeight(int height) {
  if (height < 0 || maxSize_.cy == height) return;
  maxSize_.cy = height;
  RequestParentLayout();
}

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  const bool wasVisible = IsVisible();
  visible_ = visible;
  if (focused_ && !visible_) {
    focused_ = false;
    if (manager_ && manager_->FocusControl() == this) manager_->SetFocusControl(nullptr, false);
  }
  if (IsVisible() != wasVisible) RequestParentLayout();
  if (cover_) cover_->SetInheritedVisible(IsVisible());
}

void CControlUI::SetInheritedVisible(bool visible) {
  internVisible_ = visible;
  if (!IsVisible() && focused_) {
    focused_ = false;
    if (manager_ && manager_->FocusControl() == this) manager_->SetFocusControl(nullptr, false);
  }
  if (cover_) cover_->SetInheritedVisible(IsVisible());
}

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

void CControlUI::SetFocus() {
  if (manager_) manager_->SetFocusControl(this, false);
}

void CControlUI::SetFloat(bool floating) {
  if (float_ == floating) return;
  float_ = floating;
  RequestParentLayout();
}

CControlUI* CControlUI::SearchControls(FindControlProc proc, void* data, UINT flags) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  if ((flags & kFindHitTest) && (!mouseEnabled_ || !PtInRect(&itemRect_, *static_cast<const POINT*>(data))))
    return nullptr;
  if ((flags & kFindUpdateTest) && !updateNeeded_) return nullptr;
  CControlUI* found = nullptr;
  if (flags & kFindMeFirst) found = proc(this, data);
  if (!found && cover_) found = cover_->SearchControls(proc, data, flags);
  if (!found && !(flags & kFindMeFirst)) found = proc(this, data);
  return found;
}

void CControlUI::Init() {
  OnInitialise();
  OnInit.Run(this);
}

void CControlUI::DispatchEvent(ControlEvent& event) {
  if (OnEvent.Run(&event)) HandleEvent(event);
}

void CControlUI::HandleEvent(ControlEvent& event) {
  switch (event.kind) {
    case kEventKillFocus:
      focused_ = false;
      Invalidate();
      return;
    case kEventSetFocus:
      focused_ = true;
      Invalidate();
      return;
    case kEventSetCursor: ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))); return;
    case kEventTimer:
      if (manager_) manager_->SendNotification(this, L"timer", event.wParam, event.lParam);
      return;
    case kEventContextMenu:
      if (menuUsed_ && manager_) manager_->SendNotification(this, L"menu", event.wParam, event.lParam);
      return;
    default: break;
  }
  if (parent_) parent_->HandleEvent(event);
}

void CControlUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  auto is = [name](const wchar_t* known) { return std::wcscmp(name, known) == 0; };
  if (is(L"pos")) {
    const RECT r = ReadRectValue(value);
    fixedXY_ = SIZE{r.left, r.top};
    fixedSize_ = SIZE{r.right - r.left, r.bottom - r.top};
    RequestParentLayout();
  } else if (is(L"padding")) {
    SetPadding(ReadRectValue(value));
  } else if (is(L"bkcolor") || is(L"bkcolor1")) {
    SetBackgroundColour(ReadHexValue(value));
  } else if (is(L"bkcolor2")) {
    SetBackgroundColour2(ReadHexValue(value));
  } else if (is(L"bkcolor3")) {
    SetBackgroundColour3(ReadHexValue(value));
  } else if (is(L"bordercolor")) {
    SetBorderColour(ReadHexValue(value));
  } else if (is(L"focusbordercolor")) {
    SetFocusBorderColour(ReadHexValue(value));
  } else if (is(L"colorhsl")) {
    colorHsl_ = IsTrueText(value);
    Invalidate();
  } else if (is(L"bordersize")) {
    // One number is a border on every side; a list gives each side its own.
    wchar_t* end = nullptr;
    const long n = std::wcstol(value, &end, 10);
    if (*end == L'\0') {
      SetBorderSizes(RECT{n, n, n, n});
    } else {
      SetBorderSizes(ReadRectValue(value));
    }
  } else if (is(L"borderstyle")) {
    borderStyle_ = static_cast<int>(ReadNumber(value));
    Invalidate();
  } else if (is(L"borderround")) {
    SetBorderRound(ReadSizeValue(value));
  } else if (is(L"bkimage")) {
    SetBackgroundImage(value);
  } else if (is(L"width")) {
    SetFixedWidth(static_cast<int>(ReadNumber(value)));
  } else if (is(L"height")) {
    SetFixedHeight(static_cast<int>(ReadNumber(value)));
  } else if (is(L"minwidth")) {
    SetMinWidth(static_cast<int>(ReadNumber(value)));
  } else if (is(L"minheight")) {
    SetMinHeight(static_cast<int>(ReadNumber(value)));
  } else if (is(L"maxwidth")) {
    SetMaxWidth(static_cast<int>(ReadNumber(value)));
  } else if (is(L"maxheight")) {
    SetMaxHeight(static_cast<int>(ReadNumber(value)));
  } else if (is(L"name")) {
    SetName(value);
  } else if (is(L"text")) {
    SetText(value);
  } else if (is(L"tooltip")) {
    SetToolTip(value);
  } else if (is(L"userdata")) {
    SetUserData(value);
  } else if (is(L"tag")) {
    SetTag(static_cast<UINT_PTR>(ReadNumber(value)));
  } else if (is(L"enabled")) {
    SetEnabled(IsTrueText(value));
  } else if (is(L"mouse")) {
    SetMouseEnabled(IsTrueText(value));
  } else if (is(L"keyboard")) {
    SetKeyboardEnabled(IsTrueText(value));
  } else if (is(L"visible")) {
    SetVisible(IsTrueText(value));
  } else if (is(L"float")) {
    if (std::wcschr(value, L',') == nullptr) {
      SetFloat(IsTrueText(value));
    } else {
      FloatPercent percent;
      wchar_t* end = nullptr;
      percent.left = std::wcstod(value, &end);
      if (*end) percent.top = std::wcstod(end + 1, &end);
      if (*end) percent.right = std::wcstod(end + 1, &end);
      if (*end) percent.bottom = std::wcstod(end + 1, &end);
      SetFloatPercent(percent);
      SetFloat(true);
    }
  } else if (is(L"shortcut")) {
    SetShortcut(value[0]);
  } else if (is(L"menu")) {
    SetContextMenuUsed(IsTrueText(value));
  } else if (is(L"virtualwnd")) {
    virtualWnd_ = value;
  } else {
    customAttributes_[name] = value;
  }
}

void CControlUI::ApplyAttributeList(const wchar_t* list) {
  if (!list) return;
  const wchar_t* p = list;
  while (*p) {
    const wchar_t* nameStart = p;
    while (*p && *p != L'=' && *p != L' ' && *p != L'"') ++p;
    if (p == nameStart || *p != L'=') return;
    const std::wstring name(nameStart, p);
    ++p;
    if (*p != L'"') return;
    const wchar_t* valueStart = ++p;
    while (*p && *p != L'"') ++p;
    if (*p != L'"') return;
    const std::wstring value(valueStart, p);
    ++p;
    ApplyAttribute(name.c_str(), value.c_str());
    if (*p != L' ') return;
    ++p;
  }
}

SIZE CControlUI::MeasureSize(SIZE) { return fixedSize_; }

bool CControlUI::Paint(HDC dc, const RECT& paintRect, CControlUI* stopControl) {
  if (this == stopControl) return false;
  if (!IntersectRect(&paintRect_, &paintRect, &itemRect_)) return true;
  if (!OnPaint.Run(this)) return true;
  if (!PaintContent(dc, paintRect, stopControl)) return false;
  if (cover_ && cover_->IsVisible()) {
    if (!cover_->Paint(dc, paintRect, stopControl)) return false;
  }
  return true;
}

bool CControlUI::PaintContent(HDC dc, const RECT&, CControlUI*) {
  RoundClip clip(dc, itemRect_, paintRect_, borderRound_);
  PaintBackgroundColour(dc);
  PaintBackgroundImage(dc);
  PaintStateImage(dc);
  PaintText(dc);
  PaintBorder(dc);
  return true;
}

void CControlUI::PaintBackgroundColour(HDC dc) {
  if (bkColor_ == 0) return;
  if (bkColor2_ == 0) {
    // A translucent colour blends over the whole control, an opaque one only where needed.
    CDrawEngine::DrawColour(dc, (bkColor_ >> 24) != 0xFF ? itemRect_ : paintRect_, bkColor_);
  } else if (bkColor3_ == 0) {
    CDrawEngine::DrawGradient(dc, itemRect_, bkColor_, bkColor2_, true, 16);
  } else {
    RECT upper = itemRect_;
    upper.bottom = (itemRect_.top + itemRect_.bottom) / 2;
    RECT lower = itemRect_;
    lower.top = upper.bottom;
    CDrawEngine::DrawGradient(dc, upper, bkColor_, bkColor2_, true, 8);
    CDrawEngine::DrawGradient(dc, lower, bkColor2_, bkColor3_, true, 8);
  }
}

void CControlUI::PaintBackgroundImage(HDC dc) {
  if (!bkImage_.IsEmpty()) DrawImage(dc, bkImage_);
}
void CControlUI::PaintStateImage(HDC) {}
void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC dc) {
  const RECT& b = borderSizes_;
  if (b.left <= 0 && b.top <= 0 && b.right <= 0 && b.bottom <= 0) return;
  if (borderColor_ == 0 && focusBorderColor_ == 0) return;
  const DWORD colour = (focused_ && focusBorderColor_ != 0) ? focusBorderColor_ : borderColor_;
  if (borderRound_.cx > 0 || borderRound_.cy > 0) {
    CDrawEngine::DrawRoundRect(dc, itemRect_, b.left, borderRound_, colour, borderStyle_);
  } else if (b.left == b.top && b.left == b.right && b.left == b.bottom) {
    CDrawEngine::DrawRect(dc, itemRect_, b.left, colour, borderStyle_);
  } else {
    const RECT& r = itemRect_;
    if (b.left > 0) CDrawEngine::DrawSolidBand(dc, RECT{r.left, r.top, r.left + b.left, r.bottom}, colour);
    if (b.top > 0) CDrawEngine::DrawSolidBand(dc, RECT{r.left, r.top, r.right, r.top + b.top}, colour);
    if (b.right > 0) CDrawEngine::DrawSolidBand(dc, RECT{r.right - b.right, r.top, r.right, r.bottom}, colour);
    if (b.bottom > 0) CDrawEngine::DrawSolidBand(dc, RECT{r.left, r.bottom - b.bottom, r.right, r.bottom}, colour);
  }
}

void CControlUI::PaintAfter(HDC, const RECT&) {}

const wchar_t* CControlUI::CustomAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  auto it = customAttributes_.find(name);
  return it == customAttributes_.end() ? nullptr : it->second.c_str();
}

void CControlUI::Invalidate() {
  if (!manager_ || !IsVisible()) return;
  RECT rect = itemRect_;
  if (IsEmptyRect(rect)) return;
  for (CControlUI* up = parent_; up; up = up->Parent()) {
    if (!up->IsVisible()) return;
    RECT clipped;
    if (!IntersectRect(&clipped, &rect, &up->Position())) return;
    rect = clipped;
  }
  manager_->Invalidate(rect);
}

void CControlUI::RequestLayout() {
  updateNeeded_ = true;
  Invalidate();
  if (manager_) manager_->RequestLayout();
}

void CControlUI::RequestParentLayout() {
  if (parent_)
    parent_->RequestLayout();
  else
    RequestLayout();
  Invalidate();
}

void CControlUI::SetBackgroundColour(DWORD colour) {
  if (bkColor_ == colour) return;
  bkColor_ = colour;
  Invalidate();
}

void CControlUI::SetBackgroundColour2(DWORD colour) {
  bkColor2_ = colour;
  Invalidate();
}

void CControlUI::SetBackgroundColour3(DWORD colour) {
  bkColor3_ = colour;
  Invalidate();
}

void CControlUI::SetBackgroundImage(const std::wstring& image) {
  if (bkImage_.SetDescription(image)) Invalidate();
}

bool CControlUI::DrawImage(HDC dc, ImageSlot& slot) {
  return CDrawEngine::DrawImageString(dc, manager_, itemRect_, paintRect_, slot);
}

void CControlUI::SetBorderColour(DWORD colour) {
  borderColor_ = colour;
  Invalidate();
}

void CControlUI::SetFocusBorderColour(DWORD colour) {
  focusBorderColor_ = colour;
  Invalidate();
}

void CControlUI::SetBorderSizes(RECT sizes) {
  borderSizes_ = sizes;
  Invalidate();
}

void CControlUI::SetBorderRound(SIZE round) {
  borderRound_ = round;
  Invalidate();
}

const std::wstring& CControlUI::VirtualWindow() const {
  if (virtualWnd_.empty() && parent_) return parent_->VirtualWindow();
  return virtualWnd_;
}

}  // namespace SkinUI
