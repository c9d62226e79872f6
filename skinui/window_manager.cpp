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

// Every manager attached to a window, for the message loop's pre-filtering; window thread only.
std::vector<CWindowManagerUI*>& AllManagers() {
  static std::vector<CWindowManagerUI*> managers;
  return managers;
}

CControlUI* CollectName(CControlUI* control, void* data) {
  auto* names = static_cast<std::unordered_map<std::wstring, CControlUI*>*>(data);
  if (!control->Name().empty()) (*names)[control->Name()] = control;
  return nullptr;
}

CControlUI* ForgetOne(CControlUI* control, void* data) {
  static_cast<CWindowManagerUI*>(data)->ForgetControl(control);
  return nullptr;
}

CControlUI* HitTest(CControlUI* control, void* data) {
  return control->IsMouseEnabled() && PtInRect(&control->Position(), *static_cast<POINT*>(data)) ? control : nullptr;
}

}  // namespace

std::vector<CWindowManagerUI*>& ManagerList() { return AllManagers(); }

CWindowManagerUI::CWindowManagerUI()
    : disabledFontColor_(kDisabledFontColor),
      defaultFontColor_(kDefaultFontColor),
      linkFontColor_(kLinkFontColor),
      linkHoverFontColor_(kLinkHoverFontColor),
      selectedColor_(kSelectedColor) {}

CWindowManagerUI::~CWindowManagerUI() {
  KillAllTimers();
  DestroyTooltip();
  // Controls forget themselves here while the manager is still whole.
  root_.reset();
  delayedCleanup_.clear();
  auto& all = AllManagers();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void CWindowManagerUI::AttachWindow(HWND window, const std::wstring& name) {
  KillAllTimers();
  window_ = window;
  name_ = name;
  backBuffer_.Reset();
  windowDC_ = window ? Utils::WindowDC(window) : Utils::WindowDC();
  auto& all = AllManagers();
  if (window && std::find(all.begin(), all.end(), this) == all.end()) all.push_back(this);
}

bool CWindowManagerUI::AttachRoot(CControlUI* root) {
  if (!root || root == root_.get()) return false;
  SetFocusControl(nullptr, false);
  hover_ = click_ = key_ = nullptr;
  if (root_) {
    KillAllTimers();
    ForgetControlTree(root_.get());
    asyncNotify_.clear();
    QueueForDeletion(std::move(root_));
  }
  names_.clear();
  postPaint_.clear();
  mouseLeaveNeeded_.clear();
  root_.reset(root);
  firstLayout_ = updateNeeded_ = focusNeeded_ = true;
  root->AttachManager(this, nullptr, true);
  RegisterControlNames(root);
  Invalidate();
  return true;
}

void CWindowManagerUI::ReleaseRoot() {
  KillAllTimers();
  SetFocusControl(nullptr, false);
  hover_ = click_ = key_ = nullptr;
  asyncNotify_.clear();
  names_.clear();
  postPaint_.clear();
  mouseLeaveNeeded_.clear();
  root_.reset();
  delayedCleanup_.clear();
}

CControlUI* CWindowManagerUI::FindControlByName(const std::wstring& name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

CControlUI* CWindowManagerUI::FindControlAt(POINT point) const {
  if (!root_) return nullptr;
  return root_->SearchControls(HitTest, &point, kFindVisible | kFindHitTest | kFindTopFirst);
}

void CWindowManagerUI::ForgetControl(CControlUI* control) {
  if (!control) return;
  if (focus_ == control) focus_ = nullptr;
  if (hover_ == control) hover_ = nullptr;
  if (click_ == control) click_ = nullptr;
  if (key_ == control) key_ = nullptr;
  KillControlTimers(control);
  auto it = names_.find(control->Name());
  if (it != names_.end() && it->second == control) names_.erase(it);
  RemovePostPaint(control);
  LeaveOptionGroups(control);
  mouseLeaveNeeded_.erase(std::remove(mouseLeaveNeeded_.begin(), mouseLeaveNeeded_.end(), control),
                          mouseLeaveNeeded_.end());
  // A queued notification must not reach its listeners with a deleted sender.
  asyncNotify_.erase(std::remove_if(asyncNotify_.begin(), asyncNotify_.end(),
                                    [control](const NotifyEvent& n) { return n.sender == control; }),
                     asyncNotify_.end());
}

void CWindowManagerUI::ForgetControlTree(CControlUI* control) {
  if (!control) return;
  control->SearchControls(ForgetOne, this, kFindAll);
  control->AttachManager(nullptr, nullptr, false);
}

bool CWindowManagerUI::IsInAttachedTree(const CControlUI* control) const {
  if (!control || !root_) return false;
  while (control->Parent()) control = control->Parent();
  return control == root_.get();
}

void CWindowManagerUI::RenameControl(CControlUI* control, const std::wstring& oldName) {
  auto it = names_.find(oldName);
  if (it != names_.end() && it->second == control) names_.erase(it);
  if (!control->Name().empty() && IsInAttachedTree(control)) names_[control->Name()] = control;
}

void CWindowManagerUI::RegisterControlNames(CControlUI* control) {
  // A tree being built holds this manager only for a while; its names enter with AttachRoot.
  if (IsInAttachedTree(control)) control->SearchControls(CollectName, &names_, kFindAll);
}

void CWindowManagerUI::QueueForDeletion(ControlPtr control) {
  if (!control) return;
  delayedCleanup_.push_back(std::move(control));
  PostAsyncNotify();
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
