// CContainerUI: a control that owns an ordered list of child controls, and IContainerUI, the
// interface through which the builder and the windows add and remove children.
#pragma once

#include <vector>

#include "skinui/control.h"

namespace SkinUI {

class IContainerUI {
 public:
  virtual CControlUI* ItemAt(int index) const = 0;
  virtual int ItemIndex(CControlUI* control) const = 0;
  virtual bool SetItemIndex(CControlUI* control, int index) = 0;
  virtual int Count() const = 0;
  // On success the container owns the control; on failure the caller still does.
  virtual bool AddItem(CControlUI* control) = 0;
  virtual bool AddItemAt(CControlUI* control, int index) = 0;
  virtual bool RemoveItem(CControlUI* control) = 0;
  virtual bool RemoveItemAt(int index) = 0;
  virtual void RemoveAllItems() = 0;

 protected:
  ~IContainerUI() = default;
};

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  CContainerUI() = default;

  const wchar_t* ClassName() const override { return L"Container"; }
  void* FindInterface(const wchar_t* name) override;
  void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) override;

  CControlUI* ItemAt(int index) const override;
  int ItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int Count() const override { return static_cast<int>(items_.size()); }
  bool AddItem(CControlUI* control) override;
  bool AddItemAt(CControlUI* control, int index) override;
  bool RemoveItem(CControlUI* control) override;
  bool RemoveItemAt(int index) override;
  void RemoveAllItems() override;

  // With auto-destroy (the default) a removed child is destroyed; without, the caller gets it back.
  bool IsAutoDestroy() const { return autoDestroy_; }
  void SetAutoDestroy(bool autoDestroy) { autoDestroy_ = autoDestroy; }

 protected:
  std::vector<ControlPtr> items_;
  bool autoDestroy_ = true;
};

}  // namespace SkinUI
