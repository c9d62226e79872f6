#include "skinui/tab_layout.h"

#include <cwchar>

namespace SkinUI {

void* CTabLayoutUI::FindInterface(const wchar_t* name) {
  if (name && std::wcscmp(name, L"TabLayout") == 0) return static_cast<CTabLayoutUI*>(this);
  return CContainerUI::FindInterface(name);
}

}  // namespace SkinUI
