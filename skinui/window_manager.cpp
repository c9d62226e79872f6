#include "skinui/window_manager.h"

#include <algorithm>
#include <cwchar>

#include "skinui/attribute_values.h"
#include "skinui/control.h"

namespace SkinUI {
namespace {

// Process-wide colour defaults, copied into every window.
constexpr DWORD kDisabledFontColor = 0xFFA7A6AA;
constexpr DWORD kDefaultFontColor = 0xFF000000;
constexpr DWORD kLinkFontColor = 0xFF0000FF;
constexpr DWORD kLinkHoverFontColor = 0xFFD3215F;
constexpr DWORD kSelectedColor = 0xFFBAE4FF;

SIZE ReadSize(const wchar_t* value) {
  long numbers[2];
  ReadNumberList(value, numbers, 2);
  return SIZE{numbers[0], numbers[1]};
}

RECT ReadRect(const wchar_t* value) {
  long numbers[4];
  ReadNumberList(value, numbers, 4);
  return RECT{numbers[0], numbers[1], numbers[2], numbers[3]};
}

BYTE ReadByte(const wchar_t* value) {
  return static_cast<BYTE>(std::clamp<long>(std::wcstol(value, nullptr, 10), 0, 255));
}

}  // namespace

CWindowManagerUI::CWindowManagerUI()
    : disabledFontColor_(kDisabledFontColor),
      defaultFontColor_(kDefaultFontColor),
      linkFontColor_(kLinkFontColor),
      linkHoverFontColor_(kLinkHoverFontColor),
      selectedColor_(kSelectedColor) {}

CWindowManagerUI::~CWindowManagerUI() = default;

void CWindowManagerUI::AttachWindow(HWND window, const std::wstring& name) {
  window_ = window;
  name_ = name;
  windowDC_ = window ? Utils::WindowDC(window) : Utils::WindowDC();
}

void CWindowManagerUI::SetWindowAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  if (EqualsNoCase(name, L"size")) {
    initialSize_ = ReadSize(value);
    // Once a tree is attached the window keeps its size; the value is only remembered.
    if (!root_ && window_)
      ::SetWindowPos(window_, nullptr, 0, 0, initialSize_.cx, initialSize_.cy,
                     SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  } else if (EqualsNoCase(name, L"sizebox")) {
    sizeBox_ = ReadRect(value);
  } else if (EqualsNoCase(name, L"caption")) {
    caption_ = ReadRect(value);
  } else if (EqualsNoCase(name, L"roundcorner")) {
    roundCorner_ = ReadSize(value);
  } else if (EqualsNoCase(name, L"mininfo")) {
    minInfo_ = ReadSize(value);
  } else if (EqualsNoCase(name, L"maxinfo")) {
    maxInfo_ = ReadSize(value);
  } else if (EqualsNoCase(name, L"showdirty")) {
    showDirty_ = IsTrueText(value);
  } else if (EqualsNoCase(name, L"noactivate")) {
    noActivate_ = IsTrueText(value);
  } else if (EqualsNoCase(name, L"opacity")) {
    SetOpacity(ReadByte(value));
  } else if (EqualsNoCase(name, L"layeredopacity")) {
    layeredOpacity_ = ReadByte(value);
  } else if (EqualsNoCase(name, L"layeredimage")) {
    layeredImage_ = value;
  } else if (EqualsNoCase(name, L"disabledfontcolor")) {
    disabledFontColor_ = ReadHexValue(value);
  } else if (EqualsNoCase(name, L"defaultfontcolor")) {
    defaultFontColor_ = ReadHexValue(value);
  } else if (EqualsNoCase(name, L"linkfontcolor")) {
    linkFontColor_ = ReadHexValue(value);
  } else if (EqualsNoCase(name, L"linkhoverfontcolor")) {
    linkHoverFontColor_ = ReadHexValue(value);
  } else if (EqualsNoCase(name, L"selectedcolor")) {
    selectedColor_ = ReadHexValue(value);
  } else if (*name && *value) {
    customAttributes_[name] = value;
  }
}

const wchar_t* CWindowManagerUI::CustomAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  auto it = customAttributes_.find(name);
  return it == customAttributes_.end() ? nullptr : it->second.c_str();
}

void CWindowManagerUI::SetOpacity(BYTE opacity) {
  opacity_ = opacity;
  if (!window_) return;
  const LONG style = ::GetWindowLongW(window_, GWL_EXSTYLE);
  if (opacity < 255) {
    ::SetWindowLongW(window_, GWL_EXSTYLE, style | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(window_, 0, opacity, LWA_ALPHA);
  } else if (style & WS_EX_LAYERED) {
    ::SetWindowLongW(window_, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
  }
}

}  // namespace SkinUI
