#include "skinui/skin_builder.h"

#include <cwchar>
#include <memory>

#include "skinui/attribute_values.h"
#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/control_factory.h"
#include "skinui/dialog_builder_callback.h"
#include "skinui/language_strings.h"
#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

constexpr size_t kMaxIncludeSourceLength = 499;

bool IsResourceElement(const wchar_t* name) {
  return EqualsNoCase(name, L"Image") || EqualsNoCase(name, L"Font") || EqualsNoCase(name, L"Default") ||
         EqualsNoCase(name, L"MultiLanguage");
}

bool IsTrueNoCase(const wchar_t* value) { return EqualsNoCase(value, L"true"); }

int DecimalAttribute(CXmlNode node, const wchar_t* name, int fallback) {
  const wchar_t* value = node.FindAttribute(name);
  return value ? static_cast<int>(std::wcstol(value, nullptr, 10)) : fallback;
}

// A control built at a level without a parent other than the level's first has no owner.
void KeepFirstOrDestroy(CControlUI*& first, CControlUI* control) {
  if (!first)
    first = control;
  else
    ControlPtr orphan(control);
}

}  // namespace

CControlUI* CSkinBuilder::Create(const wchar_t* source, const wchar_t* resourceType, IDialogBuilderCallback* callback,
                                 CWindowManagerUI* manager, CControlUI* parent) {
  if (resourceType && !IS_INTRESOURCE(resourceType)) {
    resourceTypeText_ = resourceType;
    resourceType_ = resourceTypeText_.c_str();
  } else {
    resourceType_ = resourceType;
  }
  if (!LoadSource(source, resourceType_)) return nullptr;
  return Build(callback, manager, parent);
}

bool CSkinBuilder::LoadSource(const wchar_t* source, const wchar_t* resourceType) {
  if (IS_INTRESOURCE(source)) {
    fromResource_ = true;
    document_.Release();
    HMODULE module = CWindowManagerUI::ModuleInstance();
    HRSRC resource = resourceType ? ::FindResourceW(module, source, resourceType) : nullptr;
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const DWORD size = resource ? ::SizeofResource(module, resource) : 0;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) return false;
    return document_.LoadFromMemory(static_cast<const unsigned char*>(bytes), size, CXmlDocument::kUtf8);
  }
  if (source[0] == L'<') return document_.Load(source);
  return document_.LoadFromFile(source, CXmlDocument::kUtf8);
}

CControlUI* CSkinBuilder::Build(IDialogBuilderCallback* callback, CWindowManagerUI* manager, CControlUI* parent) {
  callback_ = callback;
  CXmlNode root = document_.Root();
  if (!root.IsValid()) return nullptr;
  if (manager) {
    RegisterResources(root, manager);
    if (EqualsNoCase(root.Name(), L"Window") && manager->PaintWindow()) {
      for (int i = 0; i < root.AttributeCount(); ++i)
        manager->SetWindowAttribute(root.AttributeName(i), root.AttributeValue(i));
    }
  }
  return CreateLevel(root, parent, manager, elementDepth_ + 1);
}

void CSkinBuilder::RegisterResources(CXmlNode root, CWindowManagerUI* manager) {
  for (CXmlNode node = root.FirstChild(); node.IsValid(); node = node.NextSibling()) {
    const wchar_t* element = node.Name();
    if (EqualsNoCase(element, L"Image")) {
      const wchar_t* name = node.FindAttribute(L"name");
      if (!name) continue;
      manager->RegisterImage(name, node.FindAttribute(L"restype"), ReadHexValue(node.FindAttribute(L"mask")),
                             IsTrueNoCase(node.FindAttribute(L"shared")));
    } else if (EqualsNoCase(element, L"Font")) {
      const int id = DecimalAttribute(node, L"id", -1);
      const wchar_t* face = node.FindAttribute(L"name");
      if (id < 0 || !face || !*face) continue;
      const int size = DecimalAttribute(node, L"size", 12);
      const bool bold = IsTrueNoCase(node.FindAttribute(L"bold"));
      const bool underline = IsTrueNoCase(node.FindAttribute(L"underline"));
      const bool italic = IsTrueNoCase(node.FindAttribute(L"italic"));
      const bool shared = IsTrueNoCase(node.FindAttribute(L"shared"));
      manager->AddFont(id, face, size, bold, underline, italic, shared);
      if (IsTrueNoCase(node.FindAttribute(L"default")))
        manager->SetDefaultFont(face, size, bold, underline, italic, shared);
    } else if (EqualsNoCase(element, L"Default")) {
      const wchar_t* name = node.FindAttribute(L"name");
      const wchar_t* value = node.FindAttribute(L"value");
      if (!name) continue;
      manager->SetDefaultAttributes(name, value ? value : L"", IsTrueNoCase(node.FindAttribute(L"shared")));
    } else if (EqualsNoCase(element, L"MultiLanguage")) {
      const int id = DecimalAttribute(node, L"id", -1);
      const wchar_t* value = node.FindAttribute(L"value");
      if (id >= 0 && value) AddLanguageString(id, value);
    }
  }
}

CControlUI* CSkinBuilder::CreateControl(CXmlNode node) {
  CControlUI* control = CreateControlForElement(node.Name());
  if (!control && callback_) control = callback_->CreateCustomControl(node.Name());
  return control;
}

CControlUI* CSkinBuilder::CreateLevel(CXmlNode node, CControlUI* parent, CWindowManagerUI* manager, int depth) {
  CControlUI* first = nullptr;
  for (CXmlNode child = node.FirstChild(); child.IsValid(); child = child.NextSibling()) {
    const wchar_t* element = child.Name();
    if (IsResourceElement(element)) continue;
    if (EqualsNoCase(element, L"Include")) {
      CControlUI* included = Include(child, parent, manager, depth);
      if (!parent && included)
        KeepFirstOrDestroy(first, included);
      else if (!first)
        first = included;
      continue;
    }
    // Tree nodes belong to tree controls, which this program does not contain.
    if (EqualsNoCase(element, L"TreeNode")) continue;

    ControlPtr control(CreateControl(child));
    if (!control) continue;
    if (child.HasChildren() && depth < kMaxElementDepth) CreateLevel(child, control.get(), manager, depth + 1);

    CControlUI* built = control.get();
    if (parent) {
      const wchar_t* cover = child.FindAttribute(L"cover");
      if (cover && std::wcscmp(cover, L"true") == 0) {
        parent->SetCoverControl(control.release());
      } else {
        auto* container = static_cast<IContainerUI*>(parent->FindInterface(L"IContainer"));
        if (!container) return nullptr;
        if (!container->AddItem(built)) continue;
        control.release();
      }
    }
    if (manager) ApplyAttributes(child, built, manager);
    if (!parent)
      KeepFirstOrDestroy(first, control.release());
    else if (!first)
      first = built;
  }
  return first;
}

CControlUI* CSkinBuilder::Include(CXmlNode node, CControlUI* parent, CWindowManagerUI* manager, int depth) {
  wchar_t source[kMaxIncludeSourceLength + 1] = {};
  if (!node.FindAttribute(L"source", source, kMaxIncludeSourceLength + 1)) return nullptr;
  const int count = DecimalAttribute(node, L"count", 1);
  if (count <= 0 || includeDepth_ >= kMaxIncludeDepth) return nullptr;

  CControlUI* first = nullptr;
  for (int i = 0; i < count; ++i) {
    std::unique_ptr<CSkinBuilder> builder(new CSkinBuilder(includeDepth_ + 1, depth - 1));
    const wchar_t* includeSource =
        fromResource_ ? MAKEINTRESOURCEW(static_cast<WORD>(std::wcstol(source, nullptr, 10))) : source;
    CControlUI* result = builder->Create(includeSource, resourceType_, callback_, manager, parent);
    // Every repetition would fail the same way.
    if (!builder->document_.Root().IsValid()) break;
    if (!parent && result)
      KeepFirstOrDestroy(first, result);
    else if (!first)
      first = result;
  }
  return first;
}

void CSkinBuilder::ApplyAttributes(CXmlNode node, CControlUI* control, CWindowManagerUI* manager) {
  control->AttachManager(manager, control->Parent(), false);
  if (const wchar_t* defaults = manager->DefaultAttributes(node.Name())) {
    const std::wstring list(defaults);
    control->ApplyAttributeList(list.c_str());
  }
  for (int i = 0; i < node.AttributeCount(); ++i)
    control->ApplyAttribute(node.AttributeName(i), node.AttributeValue(i));
  control->AttachManager(nullptr, control->Parent(), false);
}

}  // namespace SkinUI
