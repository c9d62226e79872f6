#include "skinui/control_factory.h"

#include <cwchar>
#include <new>

#include "skinui/attribute_values.h"
#include "skinui/button.h"
#include "skinui/check_box.h"
#include "skinui/combo.h"
#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/edit.h"
#include "skinui/horizontal_layout.h"
#include "skinui/label.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/tab_layout.h"
#include "skinui/vertical_layout.h"

namespace SkinUI {
namespace {

template <typename T>
CControlUI* Make() {
  return new (std::nothrow) T();
}

// The leaf controls and the framework's unused controls have table entries without a class:
// their elements go to the window's callback like unknown names.
const ElementClass kElements[] = {
    {L"Control", false, L"Control", Make<CControlUI>},
    {L"Container", false, L"Container", Make<CContainerUI>},
    {L"VerticalLayout", false, L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"VBox", false, L"VerticalLayout", Make<CVerticalLayoutUI>},
    {L"HorizontalLayout", false, L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"HBox", false, L"HorizontalLayout", Make<CHorizontalLayoutUI>},
    {L"TabLayout", false, L"TabLayout", Make<CTabLayoutUI>},
    {L"Label", false, L"Label", Make<CLabelUI>},
    {L"Button", false, L"Button", Make<CButtonUI>},
    {L"Option", false, L"Option", Make<COptionUI>},
    {L"CheckBox", false, L"CheckBox", Make<CCheckBoxUI>},
    {L"Edit", false, L"Edit", Make<CEditUI>},
    {L"Progress", false, L"Progress", Make<CProgressUI>},
    {L"Text", false, L"Text", nullptr},
    {L"ScrollBar", false, L"ScrollBar", nullptr},
    {L"TileLayout", false, L"TileLayout", nullptr},
    {L"ChildLayout", false, L"ChildLayout", nullptr},
    {L"List", false, L"List", nullptr},
    {L"ListHeader", false, L"ListHeader", nullptr},
    {L"ListHeaderItem", false, L"ListHeaderItem", nullptr},
    {L"ListTextElement", false, L"ListTextElement", nullptr},
    {L"ListLabelElement", false, L"ListLabelElement", nullptr},
    {L"ListHBoxElement", false, L"ListHBoxElement", nullptr},
    {L"ListContainerElement", false, L"ListContainerElement", nullptr},
    {L"Combo", false, L"Combo", Make<CComboUI>},
    {L"ComboBox", false, L"Combo", Make<CComboUI>},
    {L"Tree", false, L"TreeView", nullptr},
    {L"TreeView", false, L"TreeView", nullptr},
    {L"Slider", false, L"Slider", nullptr},
    {L"DateTime", false, L"DateTime", nullptr},
    {L"RichEdit", false, L"RichEdit", nullptr},
    {L"ActiveX", false, L"ActiveX", nullptr},
    {L"WebBrowser", false, L"WebBrowser", nullptr},
    {L"GifAnim", true, L"GifAnim", nullptr},
};

}  // namespace

const ElementClass* FindElementClass(const wchar_t* element) {
  if (!element) return nullptr;
  for (const ElementClass& entry : kElements) {
    if (entry.exactCase ? std::wcscmp(entry.element, element) == 0 : EqualsNoCase(entry.element, element))
      return &entry;
  }
  return nullptr;
}

CControlUI* CreateControlForElement(const wchar_t* element) {
  const ElementClass* entry = FindElementClass(element);
  return entry && entry->create ? entry->create() : nullptr;
}

}  // namespace SkinUI
