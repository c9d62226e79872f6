#include "skinui/vertical_layout.h"

#include <cwchar>

namespace SkinUI {

void* CVerticalLayoutUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"VerticalLayout") == 0) return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::FindInterface(name);
}

}  // namespace SkinUI
