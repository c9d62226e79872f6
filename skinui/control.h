// CControlUI: the base of every element of a layout. This holds what building a tree needs:
// identity, the owning manager and parent, the cover control, text, and attributes.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace SkinUI {

class CControlUI;
class CWindowManagerUI;

// Controls end through Destroy, so every owner of a control releases it the same way.
struct ControlDestroyer {
  void operator()(CControlUI* control) const;
};
using ControlPtr = std::unique_ptr<CControlUI, ControlDestroyer>;

class CControlUI {
 public:
  CControlUI() = default;
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual void Destroy() { delete this; }
  virtual ~CControlUI() = default;

  virtual const std::wstring& Name() const { return name_; }
  virtual void SetName(const std::wstring& name) { name_ = name; }
  virtual const wchar_t* ClassName() const { return L"Control"; }
  // This object when it offers the named interface (its class or a base class), else null.
  virtual void* FindInterface(const wchar_t* name);

  virtual CWindowManagerUI* Manager() const { return manager_; }
  virtual void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise);
  virtual CControlUI* Parent() const { return parent_; }

  // The cover is laid out over this control and painted after it; this control owns it.
  virtual CControlUI* CoverControl() const { return cover_.get(); }
  virtual void SetCoverControl(CControlUI* cover);

  virtual const std::wstring& Text() const { return text_; }
  virtual void SetText(const std::wstring& text) { text_ = text; }

  virtual void Init() { OnInitialise(); }
  virtual void OnInitialise() {}

  // Names compare case-sensitively; a name no class knows is kept as a custom attribute.
  virtual void ApplyAttribute(const wchar_t* name, const wchar_t* value);
  // name="value" pairs separated by exactly one space; stops at the first malformed pair.
  virtual void ApplyAttributeList(const wchar_t* list);

  // Null when the control has no custom attribute of that name.
  const wchar_t* CustomAttribute(const wchar_t* name) const;

 protected:
  CWindowManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  ControlPtr cover_;
  std::wstring name_;
  std::wstring text_;
  std::map<std::wstring, std::wstring> customAttributes_;
};

inline void ControlDestroyer::operator()(CControlUI* control) const {
  if (control) control->Destroy();
}

}  // namespace SkinUI
