#include "ui/sequence_label.h"

#include <cwchar>

#include "skinui/window_manager.h"

namespace SkinUI {

CSequenceLabelUI::CSequenceLabelUI() {
  animation_.pingpong = false;
  animation_.span = 30;
}

CSequenceLabelUI::~CSequenceLabelUI() {
  if (manager_) manager_->KillControlTimer(this, TIMER_SEQUENCE_FRAME);
}

void* CSequenceLabelUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"SequenceLabel") == 0) return static_cast<CSequenceLabelUI*>(this);
  return CLabelUI::FindInterface(name);
}

void CSequenceLabelUI::OnInitialise() {
  CLabelUI::OnInitialise();
  if (animation_.autostart) animation_.StartTimer(*this);
}

void CSequenceLabelUI::HandleEvent(ControlEvent& event) {
  CLabelUI::HandleEvent(event);
  if (event.kind == kEventTimer) animation_.Tick(*this);
}

void CSequenceLabelUI::ApplyAttribute(const wchar_t* name, const wchar_t* value) {
  if (!name || !value) return;
  if (!animation_.ApplyAttribute(name, value)) CLabelUI::ApplyAttribute(name, value);
}

void CSequenceLabelUI::Play() {
  animation_.index = 0;
  animation_.StartTimer(*this);
}

}  // namespace SkinUI
