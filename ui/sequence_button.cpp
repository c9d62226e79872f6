#include "ui/sequence_button.h"

#include <cwchar>

namespace SkinUI {

void* CSequenceButtonUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"SequenceButton") == 0) return static_cast<CSequenceButtonUI*>(this);
  return CButtonUI::FindInterface(name);
}

void CSequenceButtonUI::OnInitialise() {
  CButtonUI::OnInitialise();
  if (animation_.autostart) animation_.StartTimer(*this);
}

void CSequenceButtonUI::HandleEvent(ControlEvent& event) {
  CButtonUI::HandleEvent(event);
  if (event.kind == kEventTimer) animation_.Tick(*this);
}

void CSequenceButtonUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  if (!animation_.ApplyAttribute(name, value)) CButtonUI::ApplyAttribute(name, value);
}

}  // namespace SkinUI
