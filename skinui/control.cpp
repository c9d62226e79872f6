#include "skinui/control.h"

#include <cwchar>

namespace SkinUI {

void* CControlUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Control") == 0) return this;
  return nullptr;
}

void CControlUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
  if (cover_) cover_->AttachManager(manager, this, initialise);
  manager_ = manager;
  parent_ = parent;
  if (initialise) Init();
}

void CControlUI::SetCoverControl(CControlUI* cover) {
  if (cover == cover_.get()) return;
  cover_.reset(cover);
  if (cover_) cover_->AttachManager(manager_, this, false);
}

void CControlUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  if (std::wcscmp(name, L"name") == 0)
    SetName(value);
  else if (std::wcscmp(name, L"text") == 0)
    SetText(value);
  else
    customAttributes_[name] = value;
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

const wchar_t* CControlUI::CustomAttribute(const wchar_t* name) const {
  if (!name) return nullptr;
  auto it = customAttributes_.find(name);
  return it == customAttributes_.end() ? nullptr : it->second.c_str();
}

}  // namespace SkinUI
