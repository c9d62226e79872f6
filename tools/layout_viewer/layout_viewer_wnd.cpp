#include "tools/layout_viewer/layout_viewer_wnd.h"

#include <cstdio>
#include <cwchar>

#include "skinui/control_factory.h"
#include "skinui/tab_layout.h"

namespace LayoutViewer {
namespace {

using SkinUI::CControlUI;

// The first of the classes the framework has for this element, else a plain control.
CControlUI* CreateFirstKnown(std::initializer_list<const wchar_t*> elements) {
  for (const wchar_t* element : elements) {
    if (CControlUI* control = SkinUI::CreateControlForElement(element)) return control;
  }
  return SkinUI::CreateControlForElement(L"Control");
}

// The installer's decoration of its main window's pages, indexed by page.
struct PageLook {
  const wchar_t* background;
  int titlePage;  // -1: unchanged
};
const PageLook kPages[] = {
    {L"res\\mainWnd\\bg1.png", 1},
    {L"res\\mainWnd\\bg2.png", 1},
    {L"res\\mainWnd\\bg3.png", -1},
    {L"res\\mainWnd\\bg4.png", 2},
};
constexpr int kProgressPage = 2;
constexpr int kCustomPage = 1;

SkinUI::CTabLayoutUI* FindTabs(SkinUI::CWindowManagerUI& manager, const wchar_t* name) {
  CControlUI* control = manager.FindControlByName(name);
  return control ? static_cast<SkinUI::CTabLayoutUI*>(control->FindInterface(L"TabLayout")) : nullptr;
}

void SetVisible(SkinUI::CWindowManagerUI& manager, const wchar_t* name, bool visible) {
  if (CControlUI* control = manager.FindControlByName(name)) control->SetVisible(visible);
}

}  // namespace

CControlUI* CLayoutViewerWnd::CreateCustomControl(const wchar_t* name) {
  if (std::wcscmp(name, L"SequenceButton") == 0) return CreateFirstKnown({L"Button", L"Label"});
  if (std::wcscmp(name, L"SequenceLabel") == 0) return CreateFirstKnown({L"Label"});
  return nullptr;
}

void CLayoutViewerWnd::OnSkinLoadFailed() {
  std::fwprintf(stderr, L"layout_viewer: cannot load the layout %ls: it is missing or its markup is not valid\n",
                skin_.layout.c_str());
  std::fflush(stderr);
  if (!unattended_) ::MessageBoxW(nullptr, kSkinErrorText, kSkinErrorCaption, MB_ICONERROR);
  ::ExitProcess(kLayoutLoadFailed);
}

bool CLayoutViewerWnd::ShowMainPage(int page) {
  SkinUI::CTabLayoutUI* tabs = FindTabs(manager_, L"mainTabLt");
  if (!tabs || page < 0 || !tabs->SelectItem(page, false) || tabs->CurrentSelection() != page) return false;
  const bool known = page < static_cast<int>(sizeof(kPages) / sizeof(kPages[0]));
  const PageLook look = known ? kPages[page] : PageLook{L"res\\mainWnd\\bg1.png", 0};
  if (CControlUI* container = manager_.FindControlByName(L"winCtn")) {
    container->SetBackgroundImage(look.background);
    container->Invalidate();
  }
  if (look.titlePage >= 0) {
    if (SkinUI::CTabLayoutUI* title = FindTabs(manager_, L"titleTabLt")) title->SelectItem(look.titlePage, false);
  }
  SetVisible(manager_, L"titleGrpCtn", page != kProgressPage);
  SetVisible(manager_, L"installLogo", page == kProgressPage);
  SetVisible(manager_, L"backBtn", page == kCustomPage);
  return true;
}

}  // namespace LayoutViewer
