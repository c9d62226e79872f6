// CSkinBuilder: turns a layout document into a tree of controls for one window, after it has
// registered the layout's images, fonts, default attribute lists and language strings.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/xml_document.h"

namespace SkinUI {

class CControlUI;
class CWindowManagerUI;
class IDialogBuilderCallback;

class CSkinBuilder {
 public:
  CSkinBuilder() = default;
  CSkinBuilder(const CSkinBuilder&) = delete;
  CSkinBuilder& operator=(const CSkinBuilder&) = delete;

  // `source` is a skin file name, markup text starting with "<", or an integer resource id
  // (MAKEINTRESOURCEW) of type `resourceType`. Returns the first top-level control, or null.
  // With a parent the controls belong to it; without one the caller owns the returned root.
  CControlUI* Create(const wchar_t* source, const wchar_t* resourceType, IDialogBuilderCallback* callback,
                     CWindowManagerUI* manager, CControlUI* parent = nullptr);
  CControlUI* Build(IDialogBuilderCallback* callback, CWindowManagerUI* manager, CControlUI* parent = nullptr);

  CXmlDocument& Document() { return document_; }

  // Includes nest at most this deep, so that a layout including itself ends.
  static constexpr int kMaxIncludeDepth = 8;
  // Elements deeper than this are not built, so that damaged markup cannot exhaust the stack.
  static constexpr int kMaxElementDepth = 128;

 private:
  CSkinBuilder(int includeDepth, int elementDepth) : includeDepth_(includeDepth), elementDepth_(elementDepth) {}

  bool LoadSource(const wchar_t* source, const wchar_t* resourceType);
  void RegisterResources(CXmlNode root, CWindowManagerUI* manager);
  CControlUI* CreateLevel(CXmlNode node, CControlUI* parent, CWindowManagerUI* manager, int depth);
  // The table's class for the element, else the callback's control; null when neither makes one.
  CControlUI* CreateControl(CXmlNode node);
  // Runs the element's Include; returns the first control of the included layout.
  CControlUI* Include(CXmlNode node, CControlUI* parent, CWindowManagerUI* manager, int depth);
  void ApplyAttributes(CXmlNode node, CControlUI* control, CWindowManagerUI* manager);

  CXmlDocument document_;
  IDialogBuilderCallback* callback_ = nullptr;
  // A string type is copied; an integer type (MAKEINTRESOURCEW) is kept as the pointer value.
  std::wstring resourceTypeText_;
  const wchar_t* resourceType_ = nullptr;
  bool fromResource_ = false;
  int includeDepth_ = 0;
  int elementDepth_ = 0;
};

}  // namespace SkinUI
