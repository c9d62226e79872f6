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

void CSequenceLabelUI::Play() {
  animation_.index = 0;
  animation_.StartTimer(*this);
}

}  // namespace SkinUI
