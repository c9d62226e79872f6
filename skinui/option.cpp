#include "skinui/option.h"

#include <cwchar>
#include <vector>

#include "skinui/attribute_values.h"
#include "skinui/draw_engine.h"
#include "skinui/window_manager.h"

namespace SkinUI {

COptionUI::~COptionUI() {
  if (groupManager_) groupManager_->RemoveOptionGroup(group_, this);
}

void* COptionUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"Option") == 0) return static_cast<COptionUI*>(this);
  return CButtonUI::FindInterface(name);
}

void COptionUI::AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool initialise) {
  // A detached option stays in its window's group, as the builder attaches a window only while
  // it applies attributes.
  if (manager && !group_.empty()) {
    if (groupManager_ && groupManager_ != manager) groupManager_->RemoveOptionGroup(group_, this);
    manager->AddOptionGroup(group_, this);
    groupManager_ = manager;
  }
  CButtonUI::AttachManager(manager, parent, initialise);
}

void COptionUI::SetGroup(const std::wstring& group) {
  if (group == group_) return;
  if (groupManager_) groupManager_->RemoveOptionGroup(group_, this);
  groupManager_ = nullptr;
  group_ = group;
  if (!group_.empty() && manager_) {
    manager_->AddOptionGroup(group_, this);
    groupManager_ = manager_;
  }
  Invalidate();
}

void COptionUI::SetSelected(bool selected, bool send) {
  if (selected == selected_) return;
  selected_ = selected;
  if (selected_)
    state_ |= kStateSelected;
  else
    state_ &= ~kStateSelected;
  if (manager_) {
    if (!group_.empty() && !selected_) {
      Invalidate();
      return;
    }
    if (!group_.empty()) {
      // A copy: a deselected member's handlers may change the group.
      const std::vector<CControlUI*>* members = manager_->OptionGroup(group_);
      const std::vector<CControlUI*> others = members ? *members : std::vector<CControlUI*>();
      for (CControlUI* member : others) {
        if (member == this) continue;
        if (auto* option = static_cast<COptionUI*>(member->FindInterface(L"Option"))) option->SetSelected(false, send);
      }
    }
    if (send) manager_->SendNotification(this, L"selectchanged");
  }
  Invalidate();
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!group_.empty())
    SetSelected(true);
  else
    SetSelected(!selected_);
  return true;
}

void COptionUI::SetSelectedBkColor(DWORD colour) {
  selectedBkColour_ = colour;
  Invalidate();
}

void COptionUI::SetSelectedTextColor(DWORD colour) {
  selectedTextColour_ = colour;
  Invalidate();
}

void COptionUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  auto is = [name](const wchar_t* known) { return std::wcscmp(name, known) == 0; };
  if (is(L"group")) {
    SetGroup(value);
  } else if (is(L"selected")) {
    SetSelected(IsTrueText(value));
  } else if (is(L"selectedimage")) {
    SetSelectedImage(value);
  } else if (is(L"selectedhotimage")) {
    SetSelectedHotImage(value);
  } else if (is(L"foreimage")) {
    SetOptionForeImage(value);
  } else if (is(L"selectedbkcolor")) {
    SetSelectedBkColor(ReadHexValue(value));
  } else if (is(L"selectedtextcolor")) {
    SetSelectedTextColor(ReadHexValue(value));
  } else {
    CButtonUI::ApplyAttribute(name, value);
  }
}

void COptionUI::PaintStateImage(HDC dc) {
  bool drew = false;
  if (selected_) {
    if ((state_ & kStateHot) && DrawImage(dc, selectedHotImage_)) {
      drew = true;
    } else if (DrawImage(dc, selectedImage_)) {
      drew = true;
    } else if (selectedBkColour_ != 0) {
      CDrawEngine::DrawColour(dc, paintRect_, selectedBkColour_);
      drew = true;
    }
  }
  if (!drew) PaintButtonState(dc, true);
  DrawImage(dc, optionForeImage_);
}

void COptionUI::PaintText(HDC dc) {
  if (!selected_) {
    PaintButtonText(dc, true);
    return;
  }
  if (text_.empty()) return;
  RECT rect = TextRect();
  DWORD colour = selectedTextColour_;
  if (colour == 0) colour = IsEnabled() ? EffectiveTextColour() : EffectiveDisabledTextColour();
  if (showHtml_)
    CDrawEngine::DrawHtmlText(dc, manager_, rect, text_, colour, font_, textStyle_);
  else
    CDrawEngine::DrawText(dc, manager_, rect, text_, colour, font_, textStyle_);
}

}  // namespace SkinUI
