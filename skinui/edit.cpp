#include "skinui/edit.h"

#include <cwchar>
#include <vector>

#include "skinui/attribute_values.h"
#include "skinui/draw_engine.h"
#include "skinui/edit_wnd.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

// The platform's own colours serve for the native window.
constexpr DWORD kDefaultNativeColour = 0xFFFFFFFF;

}  // namespace

CEditUI::CEditUI() {
  textPadding_ = RECT{4, 3, 4, 3};
  bkColor_ = 0xFFFFFFFF;
}

CEditUI::~CEditUI() {
  closing_ = true;
  if (editWnd_ && editWnd_->WindowHandle()) ::DestroyWindow(editWnd_->WindowHandle());
  if (manager_) manager_->RemoveMessageFilter(this);
}

void* CEditUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Edit") == 0) return static_cast<CEditUI*>(this);
  return CLabelUI::FindInterface(name);
}

UINT CEditUI::ControlFlags() const { return IsEnabled() ? (kFlagTabStop | kFlagSetCursor) : 0u; }

HWND CEditUI::NativeWindow() const { return editWnd_ ? editWnd_->WindowHandle() : nullptr; }

void CEditUI::SetText(const std::wstring& text) {
  if (text == text_) return;
  CLabelUI::SetText(text);
  if (HWND window = NativeWindow()) ::SetWindowTextW(window, text_.c_str());
}

void CEditUI::SetPosition(RECT rect, bool invalidate) {
  CLabelUI::SetPosition(rect, invalidate);
  PlaceNativeWindow();
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  if (!IsVisible()) CloseNativeWindow();
}

void CEditUI::SetInheritedVisible(bool visible) {
  CLabelUI::SetInheritedVisible(visible);
  if (!IsVisible()) CloseNativeWindow();
}

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!enabled) {
    hot_ = false;
    CloseNativeWindow();
  }
}

void CEditUI::SetImage(ImageSlot& slot, const std::wstring& description) {
  if (slot.SetDescription(description)) Invalidate();
}

void CEditUI::SetMaxChar(UINT count) {
  maxChar_ = count;
  if (HWND window = NativeWindow()) ::SendMessageW(window, EM_LIMITTEXT, maxChar_, 0);
}

void CEditUI::SetReadOnly(bool readOnly) {
  if (readOnly_ == readOnly) return;
  readOnly_ = readOnly;
  if (HWND window = NativeWindow()) ::SendMessageW(window, EM_SETREADONLY, readOnly_, 0);
  Invalidate();
}

void CEditUI::SetPassword(bool password) {
  if (password_ == password) return;
  password_ = password;
  if (HWND window = NativeWindow()) {
    ::SendMessageW(window, EM_SETPASSWORDCHAR, password_ ? passwordChar_ : 0, 0);
    ::InvalidateRect(window, nullptr, TRUE);
  }
  Invalidate();
}

void CEditUI::SetPasswordChar(wchar_t ch) {
  passwordChar_ = ch;
  if (HWND window = NativeWindow()) {
    if (password_) ::SendMessageW(window, EM_SETPASSWORDCHAR, passwordChar_, 0);
  }
  Invalidate();
}

void CEditUI::SetNumberOnly(bool numberOnly) {
  numberOnly_ = numberOnly;
  if (HWND window = NativeWindow()) {
    LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    style = numberOnly_ ? (style | ES_NUMBER) : (style & ~static_cast<LONG_PTR>(ES_NUMBER));
    ::SetWindowLongPtrW(window, GWL_STYLE, style);
  }
}

void CEditUI::SetTipValue(const std::wstring& tip) {
  tipValue_ = tip;
  Invalidate();
}

void CEditUI::SetTipValueColor(DWORD colour) {
  tipColour_ = colour;
  Invalidate();
}

void CEditUI::SetNativeBkColor(DWORD colour) {
  nativeBkColour_ = colour;
  nativeBrush_.reset();
  nativePattern_.reset();
  if (HWND window = NativeWindow()) ::InvalidateRect(window, nullptr, TRUE);
}

void CEditUI::SetNativeTextColor(DWORD colour) {
  nativeTextColour_ = colour;
  if (HWND window = NativeWindow()) ::InvalidateRect(window, nullptr, TRUE);
}

void CEditUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  auto is = [name](const wchar_t* known) { return std::wcscmp(name, known) == 0; };
  if (is(L"readonly")) {
    SetReadOnly(IsTrueText(value));
  } else if (is(L"numberonly")) {
    SetNumberOnly(IsTrueText(value));
  } else if (is(L"password")) {
    SetPassword(IsTrueText(value));
  } else if (is(L"autoselall")) {
    SetAutoSelAll(IsTrueText(value));
  } else if (is(L"maxchar")) {
    SetMaxChar(static_cast<UINT>(std::wcstoul(value, nullptr, 10)));
  } else if (is(L"normalimage")) {
    SetNormalImage(value);
  } else if (is(L"hotimage")) {
    SetHotImage(value);
  } else if (is(L"focusedimage")) {
    SetFocusedImage(value);
  } else if (is(L"disabledimage")) {
    SetDisabledImage(value);
  } else if (is(L"nativebkcolor")) {
    SetNativeBkColor(ReadHexValue(value));
  } else if (is(L"tipvalue")) {
    SetTipValue(value);
  } else if (is(L"tipvaluecolor")) {
    SetTipValueColor(ReadHexValue(value));
  } else if (is(L"nativetextcolor")) {
    SetNativeTextColor(ReadHexValue(value));
  } else {
    CLabelUI::ApplyAttribute(name, value);
  }
}

void CEditUI::HandleEvent(ControlEvent& event) {
  if (PassOnMouseEvent(event)) return;
  switch (event.kind) {
    case kEventSetCursor:
      if (IsEnabled()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_IBEAM));
        return;
      }
      break;
    case kEventSetFocus:
      CLabelUI::HandleEvent(event);
      if (IsEnabled()) OpenNativeWindow();
      return;
    case kEventKillFocus:
      // The native window lives only while the edit has the focus.
      CLabelUI::HandleEvent(event);
      CloseNativeWindow();
      return;
    case kEventButtonDown:
    case kEventDoubleClick:
    case kEventRightButtonDown:
      if (IsEnabled()) {
        ::ReleaseCapture();
        // The native window takes the press over, and its release goes there: end the window's
        // press now, or it would keep the mouse as captured and stop tracking the hover.
        if (event.kind != kEventRightButtonDown && manager_ && manager_->ClickControl() == this)
          ::SendMessageW(manager_->PaintWindow(), WM_LBUTTONUP, 0, MAKELPARAM(event.mouse.x, event.mouse.y));
        HWND window = NativeWindow();
        if (IsFocused() && !window) {
          OpenNativeWindow();
        } else if (window) {
          // The window took the focus for the click; editing goes on.
          ::SetFocus(window);
        }
        if (window && !autoSelAll_) {
          RECT placed;
          ::GetWindowRect(window, &placed);
          ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&placed), 2);
          const LPARAM at = MAKELPARAM(event.mouse.x - placed.left, event.mouse.y - placed.top);
          const LRESULT found = ::SendMessageW(window, EM_CHARFROMPOS, 0, at);
          const WPARAM index = LOWORD(found);
          ::SendMessageW(window, EM_SETSEL, index, index);
        }
      }
      return;
    case kEventMouseEnter:
      if (IsEnabled()) {
        hot_ = true;
        Invalidate();
      }
      return;
    case kEventMouseLeave:
      if (IsEnabled()) {
        hot_ = false;
        Invalidate();
      }
      return;
    case kEventMouseMove:
    case kEventButtonUp:
    case kEventContextMenu: return;
    default: break;
  }
  CLabelUI::HandleEvent(event);
}

RECT CEditUI::NativeRect() const {
  RECT rect = {itemRect_.left + textPadding_.left, itemRect_.top + textPadding_.top,
               itemRect_.right - textPadding_.right, itemRect_.bottom - textPadding_.bottom};
  const long fontHeight = manager_ ? manager_->FontMetrics(font_).tmHeight : 0;
  const long height = rect.bottom - rect.top;
  if (fontHeight > 0 && fontHeight < height) {
    rect.top += (height - fontHeight) / 2;
    rect.bottom = rect.top + fontHeight;
  }
  for (const CControlUI* up = parent_; up; up = up->Parent()) {
    RECT clipped;
    if (!up->IsVisible() || !::IntersectRect(&clipped, &rect, &up->Position())) return RECT{0, 0, 0, 0};
    rect = clipped;
  }
  return rect;
}

void CEditUI::PlaceNativeWindow() {
  HWND window = NativeWindow();
  if (!window) return;
  const RECT rect = NativeRect();
  const bool empty = ::IsRectEmpty(&rect) != FALSE;
  ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (empty ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
}

void CEditUI::OpenNativeWindow() {
  if (editWnd_ || closing_ || !manager_ || !manager_->PaintWindow()) return;
  retiredWnd_.reset();
  nativeBrush_.reset();
  nativePattern_.reset();
  DWORD style = WS_CHILD | ES_AUTOHSCROLL;
  if (textStyle_ & DT_RIGHT)
    style |= ES_RIGHT;
  else if (textStyle_ & DT_CENTER)
    style |= ES_CENTER;
  if (password_) style |= ES_PASSWORD;
  if (numberOnly_) style |= ES_NUMBER;
  const RECT rect = NativeRect();
  auto editWnd = std::make_unique<CEditWnd>(this);
  HWND window = editWnd->CreateNativeWindow(manager_->PaintWindow(), nullptr, style, 0, rect.left, rect.top,
                                            rect.right - rect.left, rect.bottom - rect.top);
  if (!window) return;
  editWnd_ = std::move(editWnd);
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(manager_->Font(font_)), TRUE);
  ::SendMessageW(window, EM_LIMITTEXT, maxChar_, 0);
  if (password_) ::SendMessageW(window, EM_SETPASSWORDCHAR, passwordChar_, 0);
  ::SetWindowTextW(window, text_.c_str());
  ::SendMessageW(window, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  ::EnableWindow(window, IsEnabled());
  ::SendMessageW(window, EM_SETREADONLY, readOnly_, 0);
  // Only now: setting the initial text is no change of the text.
  manager_->AddMessageFilter(this);
  if (!::IsRectEmpty(&rect)) {
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::SetFocus(window);
  }
  const int length = ::GetWindowTextLengthW(window);
  if (autoSelAll_)
    ::SendMessageW(window, EM_SETSEL, 0, -1);
  else
    ::SendMessageW(window, EM_SETSEL, length, length);
}

void CEditUI::CloseNativeWindow() {
  if (HWND window = NativeWindow()) ::PostMessageW(window, WM_CLOSE, 0, 0);
}

void CEditUI::OnNativeWindowClosed() {
  if (manager_) manager_->RemoveMessageFilter(this);
  retiredWnd_ = std::move(editWnd_);
  if (!closing_) Invalidate();
}

void CEditUI::OnNativeReturn() {
  if (manager_) manager_->SendNotification(this, L"return");
}

void CEditUI::OnNativeTextChanged() {
  HWND window = NativeWindow();
  if (!window) return;
  const int length = ::GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
  std::wstring text(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
  // The native window reports refused input (a full field) as a change too.
  if (text == text_) return;
  CLabelUI::SetText(text);
  if (manager_) manager_->SendNotification(this, L"textchanged");
}

HBRUSH CEditUI::NativeBrush() {
  if (nativeBrush_) return nativeBrush_.get();
  HWND window = NativeWindow();
  if ((nativeBkColour_ >> 24) == 0xFF || !window || !manager_ || !manager_->BackBufferDC()) {
    nativeBrush_.reset(::CreateSolidBrush(ToColorRef(nativeBkColour_)));
    return nativeBrush_.get();
  }
  // Partly transparent: the window's painted background under the edit, tinted by the colour.
  RECT placed;
  ::GetWindowRect(window, &placed);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&placed), 2);
  const int width = placed.right - placed.left;
  const int height = placed.bottom - placed.top;
  if (width <= 0 || height <= 0) return nullptr;
  HDC buffer = manager_->BackBufferDC();
  Utils::UniqueMemoryDC memory(::CreateCompatibleDC(buffer));
  nativePattern_.reset(::CreateCompatibleBitmap(buffer, width, height));
  if (!memory || !nativePattern_) return nullptr;
  {
    Utils::SelectionGuard selection(memory.get(), nativePattern_.get());
    ::BitBlt(memory.get(), 0, 0, width, height, buffer, placed.left, placed.top, SRCCOPY);
    CDrawEngine::DrawColour(memory.get(), RECT{0, 0, width, height}, nativeBkColour_);
  }
  nativeBrush_.reset(::CreatePatternBrush(nativePattern_.get()));
  return nativeBrush_.get();
}

LRESULT CEditUI::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  HWND window = NativeWindow();
  if (!window || reinterpret_cast<HWND>(lParam) != window) return 0;
  if (message == WM_COMMAND) {
    if (HIWORD(wParam) == EN_CHANGE) {
      handled = true;
      OnNativeTextChanged();
    }
    return 0;
  }
  if (message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC) return 0;
  HDC dc = reinterpret_cast<HDC>(wParam);
  handled = true;
  LRESULT result;
  if (nativeBkColour_ == kDefaultNativeColour) {
    result = ::DefWindowProcW(::GetParent(window), message, wParam, lParam);
  } else {
    HBRUSH brush = NativeBrush();
    if ((nativeBkColour_ >> 24) == 0xFF) {
      ::SetBkColor(dc, ToColorRef(nativeBkColour_));
    } else {
      ::SetBkMode(dc, TRANSPARENT);
    }
    result = reinterpret_cast<LRESULT>(brush);
  }
  const DWORD text = nativeTextColour_ != 0 ? nativeTextColour_ : EffectiveTextColour();
  if (text != 0) ::SetTextColor(dc, ToColorRef(text));
  return result;
}

void CEditUI::PaintStateImage(HDC dc) {
  ImageSlot* state = nullptr;
  if (!IsEnabled())
    state = &disabledImage_;
  else if (IsFocused())
    state = &focusedImage_;
  else if (hot_)
    state = &hotImage_;
  if (state && DrawImage(dc, *state)) return;
  DrawImage(dc, normalImage_);
}

void CEditUI::PaintText(HDC dc) {
  std::wstring shown;
  DWORD colour;
  if (text_.empty() || text_ == tipValue_) {
    if (tipValue_.empty()) return;
    shown = tipValue_;
    // An unset tip colour shows the tip like disabled text.
    colour = tipColour_ != 0 ? tipColour_ : EffectiveDisabledTextColour();
  } else {
    shown = password_ ? std::wstring(text_.size(), passwordChar_) : text_;
    colour = IsEnabled() ? EffectiveTextColour() : EffectiveDisabledTextColour();
  }
  RECT rect = {itemRect_.left + textPadding_.left, itemRect_.top + textPadding_.top,
               itemRect_.right - textPadding_.right, itemRect_.bottom - textPadding_.bottom};
  const UINT style = (textStyle_ | DT_SINGLELINE) & ~static_cast<UINT>(DT_WORDBREAK);
  CDrawEngine::DrawText(dc, manager_, rect, shown, colour, font_, style);
}

}  // namespace SkinUI
