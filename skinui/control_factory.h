// The element table of the markup: which control class an element name makes.
#pragma once

namespace SkinUI {

class CControlUI;

struct ElementClass {
  const wchar_t* element;
  bool exactCase;  // only "GifAnim" must match exactly; other names ignore case
  const wchar_t* className;
  CControlUI* (*create)();  // null for classes this program does not contain
};

// The table entry for an element name, or null when the name is not in the table.
const ElementClass* FindElementClass(const wchar_t* element);

// A new control for the element name; null when the name is not in the table or its class
// is not part of this program.
CControlUI* CreateControlForElement(const wchar_t* element);

}  // namespace SkinUI
