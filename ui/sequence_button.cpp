#include "ui/sequence_button.h"

#include <cwchar>

namespace SkinUI {

void* CSequenceButtonUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"SequenceButton") == 0) return static_cast<CSequenceButtonUI*>(this);
  return CButtonUI::FindInterface(name);
}

}  // namespace SkinUI
