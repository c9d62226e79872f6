// COptionUI: a button with a selected state. Options sharing a group name in one window are
// exclusive: selecting one deselects the others; an option without a group toggles.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/button.h"

namespace SkinUI {

class COptionUI : public CButtonUI {
 public:
  COptionUI() = default;
  ~COptionUI() override;

  const wchar_t* ClassName() const override { return L"Option"; }
  void* FindInterface(const wchar_t* name) override;
  void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) override;
  bool Activate() override;
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override;
  void PaintStateImage(HDC dc) override;
  void PaintText(HDC dc) override;

  const std::wstring& Group() const { return group_; }
  // Leaves the old group and joins the new one in the window's group table.
  void SetGroup(const std::wstring& group);
  bool IsSelected() const { return selected_; }
  // `send`: whether "selectchanged" goes out; a grouped option being deselected sends nothing.
  void SetSelected(bool selected, bool send = true);

  void SetSelectedImage(const std::wstring& description) { SetImage(selectedImage_, description); }
  void SetSelectedHotImage(const std::wstring& description) { SetImage(selectedHotImage_, description); }
  void SetOptionForeImage(const std::wstring& description) { SetImage(optionForeImage_, description); }
  void SetSelectedBkColor(DWORD colour);
  void SetSelectedTextColor(DWORD colour);

 protected:
  UINT StateKeptWhenDisabled() const override { return kStateSelected; }

 private:
  std::wstring group_;
  CWindowManagerUI* groupManager_ = nullptr;  // the window whose group table holds this option
  bool selected_ = false;
  ImageSlot selectedImage_, selectedHotImage_, optionForeImage_;
  DWORD selectedBkColour_ = 0;
  DWORD selectedTextColour_ = 0;
};

}  // namespace SkinUI
