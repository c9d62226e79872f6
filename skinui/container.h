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
  ~CContainerUI() override;

  const wchar_t* ClassName() const override { return L"Container"; }
  void* FindInterface(const wchar_t* name) override;
  void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) override;
  void SetVisible(bool visible = true) override;
  void SetInheritedVisible(bool visible = true) override;
  void SetPosition(RECT rect, bool invalidate = true) override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
  CControlUI* SearchControls(FindControlProc proc, void* data, UINT flags) override;
  bool PaintContent(HDC dc, const RECT& paintRect, CControlUI* stopControl) override;

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
  // With delayed destroy a removed child is deleted by the manager on its next WM_APP+1.
  bool IsDelayedDestroy() const { return delayedDestroy_; }
  void SetDelayedDestroy(bool delayed) { delayedDestroy_ = delayed; }

  // Child alignment: 0 left, 1 centre, 2 right; vertical: 0 top, 4 centre, 8 bottom.
  enum { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2, kAlignTop = 0, kAlignVCenter = 4, kAlignBottom = 8 };
  virtual RECT Inset() const { return inset_; }
  virtual void SetInset(RECT inset);
  virtual int ChildPadding() const { return childPadding_; }
  virtual void SetChildPadding(int padding);
  virtual UINT ChildAlign() const { return childAlign_; }
  virtual void SetChildAlign(UINT align);
  virtual UINT ChildVAlign() const { return childVAlign_; }
  virtual void SetChildVAlign(UINT align);
  virtual bool IsMouseChildEnabled() const { return mouseChild_; }
  virtual void SetMouseChildEnabled(bool enabled = true) { mouseChild_ = enabled; }
  // Places a floating child by its fixed position, size and float percent.
  virtual void SetFloatPosition(int index);

 protected:
  // The item rectangle without the inset.
  RECT ContentRect() const;
  // Hands a removed child to its end: destroyed now, queued for the manager, or given back.
  void ReleaseChild(ControlPtr child);

  std::vector<ControlPtr> items_;
  RECT inset_ = {0, 0, 0, 0};
  int childPadding_ = 0;
  UINT childAlign_ = kAlignLeft;
  UINT childVAlign_ = kAlignTop;
  bool autoDestroy_ = true;
  bool delayedDestroy_ = true;
  bool mouseChild_ = true;
};

}  // namespace SkinUI
