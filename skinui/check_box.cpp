#include "skinui/check_box.h"

#include <cwchar>

namespace SkinUI {

void* CCheckBoxUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"CheckBox") == 0) return static_cast<CCheckBoxUI*>(this);
  return COptionUI::FindInterface(name);
}

}  // namespace SkinUI
