#include "skinui/horizontal_layout.h"

#include <cwchar>

namespace SkinUI {

void* CHorizontalLayoutUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"HorizontalLayout") == 0) return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::FindInterface(name);
}

}  // namespace SkinUI
