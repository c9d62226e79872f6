// The shipped skin read the way the installer reads it: the framework opens the embedded
// archive, loads each layout by the name its window asks for, parses it and builds its controls.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/dialog_builder_callback.h"
#include "skinui/skin_archive.h"
#include "skinui/skin_builder.h"
#include "skinui/skin_source.h"
#include "skinui/window_manager.h"
#include "skinui/xml_document.h"
#include "tests/skin/image_references.h"
#include "tests/skin/shipped_layouts.h"
#include "tests/skin/skin_package.h"
#include "utils/text_conversion.h"
#include "utils/unique_resource.h"

namespace SkinTests {
namespace {

std::wstring Wide(const std::string& text) { return Utils::MultiByteToWide(text, CP_UTF8); }
std::string Narrow(const std::wstring& text) { return Utils::WideToMultiByte(text, CP_UTF8); }

// The installer's module as the framework's module instance, so that the framework finds the
// skin resource exactly as the installer does at start-up. Opened once for the whole run.
bool UseInstallerSkin() {
  static Utils::UniqueModule installer(::LoadLibraryExW(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  static const bool opened = [] {
    if (!installer) return false;
    SkinUI::CWindowManagerUI::SetModuleInstance(reinterpret_cast<HINSTANCE>(installer.get()));
    SkinUI::CWindowManagerUI::SetArchiveFormat7z(true);
    return SkinUI::CWindowManagerUI::OpenSkinSource(SkinUI::SkinSource::ZipResource, L"", kSkinArchiveId, L"");
  }();
  return opened && SkinUI::CWindowManagerUI::CachedSkinArchive() != nullptr;
}

TEST(SkinFramework, ReaderListsWhatTheSdkLists) {
  const ShippedSkin& shipped = Shipped();
  ASSERT_TRUE(shipped.error.empty()) << shipped.error;
  std::unique_ptr<SkinUI::SkinArchive> archive =
      SkinUI::SkinArchive::OpenFromMemory(shipped.archive.data(), shipped.archive.size());
  ASSERT_TRUE(archive);
  std::map<std::string, std::string> files;
  for (const SkinUI::SkinArchiveEntry& entry : archive->Entries()) {
    files[Narrow(entry.name)] = std::string(entry.bytes.begin(), entry.bytes.end());
  }
  EXPECT_TRUE(files == shipped.files);
  EXPECT_EQ(shipped.files.size(), archive->Entries().size());
}

TEST(SkinFramework, FindsEveryLayoutAndImageByTheNamesTheSkinUses) {
  ASSERT_TRUE(UseInstallerSkin());
  const SkinUI::SkinArchive* archive = SkinUI::CWindowManagerUI::CachedSkinArchive();
  for (const LayoutInfo& info : Layouts()) {
    uint32_t index = 0;
    uint64_t size = 0;
    EXPECT_TRUE(SkinUI::SkinArchive::FindEntry(archive, Wide(info.lookupName).c_str(), &index, &size))
        << info.lookupName;
    EXPECT_EQ(LayoutText(info.archiveName).size(), size) << info.lookupName;
    for (const std::string& image : ImagesOfLayout(Layout(info.archiveName).root)) {
      EXPECT_TRUE(SkinUI::SkinArchive::FindEntry(archive, Wide(image).c_str(), &index, &size)) << image;
    }
  }
  for (const std::string& image : ImagesNamedByCode()) {
    uint32_t index = 0;
    uint64_t size = 0;
    EXPECT_TRUE(SkinUI::SkinArchive::FindEntry(archive, Wide(image).c_str(), &index, &size)) << image;
  }
}

// Two independent readers must see the same elements and attributes: what the tests check in
// the markup is what the framework will build.
void ExpectSameTree(SkinUI::CXmlNode node, const MarkupElement& element) {
  ASSERT_TRUE(node.IsValid()) << "line " << element.line;
  EXPECT_EQ(element.name, Narrow(node.Name())) << "line " << element.line;
  ASSERT_EQ(static_cast<int>(element.attributes.size()), node.AttributeCount()) << "line " << element.line;
  for (int i = 0; i < node.AttributeCount(); ++i) {
    EXPECT_EQ(element.attributes[i].name, Narrow(node.AttributeName(i))) << "line " << element.line;
    EXPECT_EQ(element.attributes[i].value, Narrow(node.AttributeValue(i))) << "line " << element.line;
  }
  SkinUI::CXmlNode child = node.FirstChild();
  for (const MarkupElement& expected : element.children) {
    ExpectSameTree(child, expected);
    child = child.NextSibling();
  }
  EXPECT_FALSE(child.IsValid()) << "line " << element.line << " has more children than expected";
}

TEST(SkinFramework, ParsesEveryLayoutLoadedByItsWindowsName) {
  ASSERT_TRUE(UseInstallerSkin());
  for (const LayoutInfo& info : Layouts()) {
    SCOPED_TRACE(info.lookupName);
    SkinUI::CXmlDocument document;
    ASSERT_TRUE(document.LoadFromFile(Wide(info.lookupName).c_str(), SkinUI::CXmlDocument::kUtf8))
        << Narrow(document.LastErrorMessage()) << " at " << Narrow(document.LastErrorLocation());
    ExpectSameTree(document.Root(), Layout(info.archiveName).root);
    const bool exitTip = std::string(info.archiveName) == "exitTipWnd.xml";
    EXPECT_EQ(exitTip, std::wstring(document.Root().Value()).find(L'>') != std::wstring::npos);
  }
}

// A stand-in for every element the window creates itself (and for leaf controls the framework
// of this build may not have yet): it reports its element name as its class.
class StandIn : public SkinUI::CControlUI {
 public:
  explicit StandIn(const wchar_t* element) : element_(element) {}
  const wchar_t* ClassName() const override { return element_.c_str(); }

 private:
  std::wstring element_;
};

class RecordingCallback : public SkinUI::IDialogBuilderCallback {
 public:
  SkinUI::CControlUI* CreateCustomControl(const wchar_t* name) override {
    ++requested[Narrow(name)];
    return new StandIn(name);
  }
  std::map<std::string, int> requested;
};

void CollectControls(SkinUI::CControlUI* control, std::vector<SkinUI::CControlUI*>* all) {
  all->push_back(control);
  auto* container = static_cast<SkinUI::IContainerUI*>(control->FindInterface(L"IContainer"));
  if (!container) return;
  for (int i = 0; i < container->Count(); ++i) CollectControls(container->ItemAt(i), all);
}

TEST(SkinFramework, BuildsEveryLayoutWithItsNamedControls) {
  ASSERT_TRUE(UseInstallerSkin());
  const std::set<std::string> leaves = {"Label",    "Button",         "CheckBox",     "Edit",
                                        "Progress", "SequenceButton", "SequenceLabel"};
  for (const LayoutInfo& info : Layouts()) {
    SCOPED_TRACE(info.lookupName);
    SkinUI::CWindowManagerUI manager;
    RecordingCallback callback;
    SkinUI::CSkinBuilder builder;
    SkinUI::ControlPtr root(builder.Create(Wide(info.lookupName).c_str(), nullptr, &callback, &manager));
    ASSERT_TRUE(root) << Narrow(builder.Document().LastErrorMessage());
    EXPECT_STREQ(L"VerticalLayout", root->ClassName());

    // Only the window's own elements, and leaves, may need the window's help.
    for (const auto& request : callback.requested) EXPECT_EQ(1u, leaves.count(request.first)) << request.first;
    const bool main = std::string(info.archiveName) == "mainWnd.xml";
    EXPECT_EQ(main ? 2 : 0, callback.requested["SequenceButton"]);
    EXPECT_EQ(main ? 2 : 0, callback.requested["SequenceLabel"]);

    std::vector<SkinUI::CControlUI*> built;
    CollectControls(root.get(), &built);
    const std::vector<const MarkupElement*> controls = Controls(Layout(info.archiveName).root);
    ASSERT_EQ(controls.size(), built.size()) << "every element becomes a control";
    for (size_t i = 0; i < controls.size(); ++i) {
      const MarkupElement& expected = *controls[i];
      SkinUI::CControlUI* control = built[i];
      EXPECT_EQ(expected.name, Narrow(control->ClassName())) << "line " << expected.line;
      EXPECT_EQ(expected.Get("name"), Narrow(control->Name())) << "line " << expected.line;
      EXPECT_EQ(expected.Get("text"), Narrow(control->Text())) << "line " << expected.line;
    }

    // Attributes no control class knows stay with the control and change nothing.
    for (SkinUI::CControlUI* control : built) {
      if (control->Name() == L"chDirBtn") {
        EXPECT_NE(nullptr, control->CustomAttribute(L"hotborercolor"));
      }
      if (control->Name() == L"installPrg") {
        EXPECT_NE(nullptr, control->CustomAttribute(L"isstretchfore"));
      }
    }

    // The fonts of the window's type scale are registered for it.
    for (int id = 0; id <= 5; ++id) {
      const SkinUI::FontInfo* font = manager.FindFont(id);
      ASSERT_NE(nullptr, font) << id;
      EXPECT_EQ(L"微软雅黑", font->face);
    }
    ASSERT_NE(nullptr, manager.DefaultFontInfo());
    EXPECT_EQ(14, manager.DefaultFontInfo()->size);
  }
}

}  // namespace
}  // namespace SkinTests
