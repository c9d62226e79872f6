// The window builder: from a layout to a control tree, with the window's resources registered.
#include "skinui/skin_builder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/control_factory.h"
#include "skinui/dialog_builder_callback.h"
#include "skinui/language_strings.h"
#include "skinui/window_manager.h"
#include "tests/skinui/test_skin.h"

namespace {

using SkinUI::CContainerUI;
using SkinUI::CControlUI;
using SkinUI::ControlPtr;
using SkinUI::CSkinBuilder;
using SkinUI::CWindowManagerUI;
using SkinUI::IContainerUI;

// A real top-level window for the manager, destroyed with the test.
class TestWindow {
 public:
  TestWindow()
      : window_(
            ::CreateWindowExW(0, L"STATIC", L"skin", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr)) {}
  ~TestWindow() {
    if (window_) ::DestroyWindow(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// Logs every attribute it receives, with the manager it held at that moment.
class RecordingControl : public CControlUI {
 public:
  struct Call {
    std::wstring name, value;
    CWindowManagerUI* manager;
  };
  const wchar_t* ClassName() const override { return L"Recording"; }
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override {
    calls.push_back({name, value, Manager()});
    CControlUI::ApplyAttribute(name, value);
  }
  std::vector<Call> calls;
};

// A container that notes how many children it had when its attributes arrived, and that
// can refuse children.
class RecordingContainer : public CContainerUI {
 public:
  const wchar_t* ClassName() const override { return L"RecordingContainer"; }
  void ApplyAttribute(const wchar_t* name, const wchar_t* value) override {
    if (countAtFirstAttribute < 0) countAtFirstAttribute = Count();
    CContainerUI::ApplyAttribute(name, value);
  }
  bool AddItem(CControlUI* control) override { return refuse ? false : CContainerUI::AddItem(control); }
  int countAtFirstAttribute = -1;
  bool refuse = false;
};

// Counts constructions and destructions, so that lost or leaked controls show.
class Probe : public CControlUI {
 public:
  Probe() { ++created; }
  ~Probe() override { ++destroyed; }
  const wchar_t* ClassName() const override { return L"Probe"; }
  static int created, destroyed;
};
int Probe::created = 0;
int Probe::destroyed = 0;

class Callback : public SkinUI::IDialogBuilderCallback {
 public:
  CControlUI* CreateCustomControl(const wchar_t* name) override {
    asked.push_back(name);
    const std::wstring element(name);
    if (element == L"SequenceButton" || element == L"Rec") return new RecordingControl();
    if (element == L"RecBox") return new RecordingContainer();
    if (element == L"RefusingBox") {
      auto* box = new RecordingContainer();
      box->refuse = true;
      return box;
    }
    if (element == L"Probe") return new Probe();
    return nullptr;
  }
  std::vector<std::wstring> asked;
};

class SkinBuilderTest : public SkinTest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    Probe::created = Probe::destroyed = 0;
    ASSERT_NE(nullptr, window_.get());
    manager_.AttachWindow(window_.get());
  }

  ControlPtr Build(const wchar_t* markup, CWindowManagerUI* manager) {
    CSkinBuilder builder;
    ControlPtr root(builder.Create(markup, L"xml", &callback_, manager));
    lastError_ = builder.Document().LastErrorMessage();
    return root;
  }

  static IContainerUI* Items(CControlUI* control) {
    return control ? static_cast<IContainerUI*>(control->FindInterface(L"IContainer")) : nullptr;
  }

  static std::vector<std::wstring> ChildNames(CControlUI* control) {
    std::vector<std::wstring> names;
    IContainerUI* items = Items(control);
    for (int i = 0; items && i < items->Count(); ++i) names.push_back(items->ItemAt(i)->Name());
    return names;
  }

  TestWindow window_;
  CWindowManagerUI manager_;
  Callback callback_;
  std::wstring lastError_;
};

TEST_F(SkinBuilderTest, BuildsTheTestWindowFromTheArchive) {
  SkinTest::UseArchiveFromMemory();
  ControlPtr root = Build(L"MainWnd.xml", &manager_);
  ASSERT_TRUE(root) << std::string(lastError_.begin(), lastError_.end());
  EXPECT_STREQ(L"VerticalLayout", root->ClassName());
  EXPECT_EQ(L"root", root->Name());
  EXPECT_EQ((std::vector<std::wstring>{L"title", L"pages"}), ChildNames(root.get()));
  ASSERT_NE(nullptr, root->CoverControl());
  EXPECT_EQ(L"overlay", root->CoverControl()->Name());

  CControlUI* title = Items(root.get())->ItemAt(0);
  EXPECT_STREQ(L"HorizontalLayout", title->ClassName());
  EXPECT_EQ((std::vector<std::wstring>{L"logo", L"lower", L"sequence"}), ChildNames(title))
      << "the unknown element and its subtree are skipped";
  CControlUI* logo = Items(title)->ItemAt(0);
  EXPECT_EQ(L"own text", logo->Text()) << "the element's attribute overrides the default list";
  EXPECT_EQ(L"tip", logo->ToolTip());
  CControlUI* lower = Items(title)->ItemAt(1);
  EXPECT_STREQ(L"Control", lower->ClassName());
  EXPECT_EQ(L"", lower->Text()) << "default lists are kept by the element name as written";
  EXPECT_STREQ(L"Recording", Items(title)->ItemAt(2)->ClassName());
  EXPECT_EQ((std::vector<std::wstring>{L"SequenceButton", L"Unknown"}), callback_.asked);

  CControlUI* pages = Items(root.get())->ItemAt(1);
  EXPECT_STREQ(L"TabLayout", pages->ClassName());
  EXPECT_EQ((std::vector<std::wstring>{L"page", L"page"}), ChildNames(pages)) << "count 2";
  CControlUI* page = Items(pages)->ItemAt(0);
  EXPECT_EQ(L"page default", page->Text()) << "the included file's defaults are registered";
  EXPECT_EQ((std::vector<std::wstring>{L"pageItem"}), ChildNames(page));

  EXPECT_EQ(nullptr, root->Manager()) << "the manager is detached after the attributes";
  EXPECT_EQ(nullptr, root->Parent());
  EXPECT_EQ(root.get(), title->Parent());
}

TEST_F(SkinBuilderTest, RegistersTheWindowsResourcesAndAttributes) {
  SkinTest::UseArchiveFromMemory();
  ControlPtr root = Build(L"MainWnd.xml", &manager_);
  ASSERT_TRUE(root);

  EXPECT_EQ(600, manager_.InitialSize().cx);
  EXPECT_EQ(400, manager_.InitialSize().cy);
  RECT frame = {};
  ::GetWindowRect(window_.get(), &frame);
  EXPECT_EQ(600, frame.right - frame.left) << "the size applies while no root is attached";
  EXPECT_EQ(35, manager_.CaptionRect().bottom);
  EXPECT_EQ(5, manager_.RoundCorner().cx);
  EXPECT_STREQ(L"6", manager_.CustomAttribute(L"shadowsize"));
  EXPECT_STREQ(L"#26003B76", manager_.CustomAttribute(L"shadowcolor"));

  const SkinUI::FontInfo* font0 = manager_.FindFont(0);
  ASSERT_NE(nullptr, font0);
  EXPECT_EQ(L"微软雅黑", font0->face);
  EXPECT_EQ(14, font0->size);
  EXPECT_TRUE(font0->hasMetrics) << "the window has a device context";
  ASSERT_NE(nullptr, manager_.FindFont(3));
  EXPECT_TRUE(manager_.FindFont(3)->underline);
  ASSERT_NE(nullptr, manager_.FindFont(5)) << "from the included file";
  EXPECT_EQ(39, manager_.FindFont(5)->size);
  EXPECT_EQ(nullptr, manager_.FindFont(-1)) << "id -1 registers nothing";
  EXPECT_EQ(nullptr, manager_.FindFont(7)) << "a font without a name registers nothing";
  ASSERT_NE(nullptr, manager_.DefaultFontInfo());
  EXPECT_EQ(14, manager_.DefaultFontInfo()->size);
  EXPECT_EQ(font0->font.get(), manager_.Font(0));
  EXPECT_EQ(manager_.DefaultFontInfo()->font.get(), manager_.Font(42));

  const SkinUI::ImageInfo* image = manager_.FindImage(L"res\\common\\pixels.png");
  ASSERT_NE(nullptr, image);
  EXPECT_EQ(0xFF0A141Eu, image->mask);
  EXPECT_EQ(0, image->bits[2 * 4 + 3]) << "the masked pixel is cleared";

  const std::wstring* text = SkinUI::FindLanguageString(12);
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(L"安装", *text);
}

TEST_F(SkinBuilderTest, ElementNamesIgnoreCaseExceptGifAnim) {
  ControlPtr root = Build(
      L"<Window><HBox name=\"h\"><verticallayout/><VBOX/><TABLAYOUT/><container/><CONTROL/><hbox/>"
      L"<HorizontalLayout/><button/><gifanim/><GifAnim/><Mystery/></HBox></Window>",
      &manager_);
  ASSERT_TRUE(root);
  IContainerUI* items = Items(root.get());
  ASSERT_NE(nullptr, items);
  std::vector<std::wstring> classes;
  for (int i = 0; i < items->Count(); ++i) classes.push_back(items->ItemAt(i)->ClassName());
  EXPECT_EQ((std::vector<std::wstring>{L"VerticalLayout", L"VerticalLayout", L"TabLayout", L"Container", L"Control",
                                       L"HorizontalLayout", L"HorizontalLayout", L"Button"}),
            classes);
  EXPECT_EQ((std::vector<std::wstring>{L"gifanim", L"GifAnim", L"Mystery"}), callback_.asked)
      << "names without a class here go to the window";

  ASSERT_NE(nullptr, SkinUI::FindElementClass(L"button"));
  EXPECT_STREQ(L"Button", SkinUI::FindElementClass(L"button")->className);
  EXPECT_STREQ(L"Combo", SkinUI::FindElementClass(L"COMBOBOX")->className);
  EXPECT_NE(nullptr, SkinUI::FindElementClass(L"GifAnim"));
  EXPECT_EQ(nullptr, SkinUI::FindElementClass(L"gifanim"));
  EXPECT_EQ(nullptr, SkinUI::FindElementClass(L"Window"));
}

TEST_F(SkinBuilderTest, DefaultListFirstThenAttributesInDocumentOrder) {
  manager_.SetDefaultAttributes(L"Rec", L"shared=\"x\"", true);
  ControlPtr root = Build(
      L"<Window><Default name=\"Rec\" value=\"a=&quot;1&quot; b=&quot;2&quot;\"/>"
      L"<Rec b=\"3\" a=\"4\" a=\"5\"/></Window>",
      &manager_);
  ASSERT_TRUE(root);
  auto* control = static_cast<RecordingControl*>(root.get());
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"a", L"1"}, {L"b", L"2"}, {L"b", L"3"}, {L"a", L"4"}, {L"a", L"5"}};
  ASSERT_EQ(expected.size(), control->calls.size()) << "the window's list hides the shared one";
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].first, control->calls[i].name) << i;
    EXPECT_EQ(expected[i].second, control->calls[i].value) << i;
    EXPECT_EQ(&manager_, control->calls[i].manager) << "attributes arrive with the manager attached";
  }
  EXPECT_STREQ(L"5", control->CustomAttribute(L"a")) << "the last of two equal attributes wins";
  EXPECT_EQ(nullptr, control->Manager());
}

TEST_F(SkinBuilderTest, SharedDefaultListServesEveryWindow) {
  ControlPtr root =
      Build(L"<Window><Default name=\"Rec\" value=\"s=&quot;1&quot;\" shared=\"TRUE\"/></Window>", &manager_);
  EXPECT_FALSE(root) << "a layout without controls builds nothing";
  CWindowManagerUI other;
  ControlPtr control = Build(L"<Window><Rec/></Window>", &other);
  ASSERT_TRUE(control);
  EXPECT_STREQ(L"1", control->CustomAttribute(L"s"));
}

TEST(ControlAttributeList, StopsAtTheFirstMalformedPair) {
  const struct {
    const wchar_t* list;
    std::vector<std::wstring> applied;
  } cases[] = {
      {L"a=\"1\" b=\"2\"", {L"a", L"b"}},
      {L"a=\"1\"  b=\"2\"", {L"a"}},
      {L"a=\"1\",b=\"2\"", {L"a"}},
      {L"a=1 b=\"2\"", {}},
      {L"a=\"1", {}},
      {L"=\"1\" b=\"2\"", {}},
      {L"a=\"\" b=\"x y\"", {L"a", L"b"}},
      {L"", {}},
  };
  for (const auto& c : cases) {
    RecordingControl control;
    control.ApplyAttributeList(c.list);
    std::vector<std::wstring> applied;
    for (const auto& call : control.calls) applied.push_back(call.name);
    EXPECT_EQ(c.applied, applied) << std::string(c.list, c.list + std::wcslen(c.list));
  }
}

TEST_F(SkinBuilderTest, ContainerChildrenExistBeforeItsOwnAttributes) {
  ControlPtr root = Build(L"<Window><RecBox name=\"box\"><Control/><Control/><Control/></RecBox></Window>", &manager_);
  ASSERT_TRUE(root);
  EXPECT_EQ(3, static_cast<RecordingContainer*>(root.get())->countAtFirstAttribute);
}

TEST_F(SkinBuilderTest, CoverOnlyForExactTrue) {
  ControlPtr root =
      Build(L"<Window><VBox><Control name=\"c\" cover=\"true\"/><Control name=\"d\" cover=\"True\"/></VBox></Window>",
            &manager_);
  ASSERT_TRUE(root);
  ASSERT_NE(nullptr, root->CoverControl());
  EXPECT_EQ(L"c", root->CoverControl()->Name());
  EXPECT_EQ((std::vector<std::wstring>{L"d"}), ChildNames(root.get()));
}

TEST_F(SkinBuilderTest, ChildOfANonContainerEndsThatLevel) {
  {
    ControlPtr root = Build(
        L"<Window><VBox><Control name=\"leaf\"><Probe/><Probe/></Control><Control name=\"after\"/></VBox></Window>",
        &manager_);
    ASSERT_TRUE(root);
    EXPECT_EQ((std::vector<std::wstring>{L"leaf", L"after"}), ChildNames(root.get()));
    EXPECT_EQ(1, Probe::created) << "building stops at the first child that has nowhere to go";
    EXPECT_EQ(1, Probe::destroyed);
  }
  {
    ControlPtr root = Build(L"<Window><RefusingBox><Probe/><Probe/></RefusingBox></Window>", &manager_);
    ASSERT_TRUE(root);
    EXPECT_EQ(0, Items(root.get())->Count());
    EXPECT_EQ(3, Probe::created) << "a refused child is skipped, the next one is tried";
    EXPECT_EQ(3, Probe::destroyed);
  }
}

TEST_F(SkinBuilderTest, OnlyTheFirstTopLevelControlIsReturnedAndNothingLeaks) {
  {
    ControlPtr root = Build(L"<Window><Probe name=\"one\"/><Probe name=\"two\"/></Window>", &manager_);
    ASSERT_TRUE(root);
    EXPECT_EQ(L"one", root->Name());
    EXPECT_EQ(2, Probe::created);
    EXPECT_EQ(1, Probe::destroyed);
  }
  EXPECT_EQ(2, Probe::destroyed);
}

TEST_F(SkinBuilderTest, IncludeRepeatsCountTimesFromFilesResourcesAndText) {
  SkinTest::UseArchiveFromMemory();
  {
    CSkinBuilder builder;
    ControlPtr root(builder.Create(MAKEINTRESOURCEW(200), L"xml", &callback_, &manager_));
    ASSERT_TRUE(root);
    EXPECT_EQ(L"fromResource", root->Name());
    EXPECT_EQ((std::vector<std::wstring>{L"resourceItem", L"resourceItem", L"resourceItem"}), ChildNames(root.get()))
        << "inside a resource layout the source is a resource id";
  }
  ControlPtr inline_ = Build(
      L"<Window><VBox><Include count=\"2\" source=\"&lt;W&gt;&lt;Control name=&quot;inline&quot;/&gt;&lt;/W&gt;\"/>"
      L"<Include count=\"0\" source=\"res\\pages\\page.xml\"/><Include/>"
      L"<Include source=\"res\\pages\\page.xml\"/></VBox></Window>",
      &manager_);
  ASSERT_TRUE(inline_);
  EXPECT_EQ((std::vector<std::wstring>{L"inline", L"inline", L"page"}), ChildNames(inline_.get()));

  ControlPtr missing =
      Build(L"<Window><VBox><Include count=\"100000000\" source=\"res\\none.xml\"/></VBox></Window>", &manager_);
  ASSERT_TRUE(missing) << "a missing include is tried once, not a hundred million times";
  EXPECT_EQ(0, Items(missing.get())->Count());
}

TEST_F(SkinBuilderTest, IncludeLoopEnds) {
  SkinTest::UseArchiveFromMemory();
  ControlPtr root = Build(L"res\\loop.xml", &manager_);
  ASSERT_TRUE(root);
  int depth = 0;
  for (CControlUI* control = root.get(); control; control = Items(control)->ItemAt(0)) ++depth;
  EXPECT_EQ(CSkinBuilder::kMaxIncludeDepth + 1, depth);
}

TEST_F(SkinBuilderTest, WindowAttributesNeedAWindowRootAndAWindow) {
  ControlPtr page = Build(L"<Page size=\"10,10\" extra=\"1\"><Control/></Page>", &manager_);
  ASSERT_TRUE(page);
  EXPECT_EQ(0, manager_.InitialSize().cx);
  EXPECT_EQ(nullptr, manager_.CustomAttribute(L"extra"));

  ControlPtr window = Build(L"<window size=\"120,80\" extra=\"1\" empty=\"\"><Control/></window>", &manager_);
  ASSERT_TRUE(window);
  EXPECT_EQ(120, manager_.InitialSize().cx);
  EXPECT_STREQ(L"1", manager_.CustomAttribute(L"extra"));
  EXPECT_EQ(nullptr, manager_.CustomAttribute(L"empty")) << "empty values are not kept";

  CWindowManagerUI windowless;
  ControlPtr other = Build(L"<Window size=\"120,80\" extra=\"1\"><Control/></Window>", &windowless);
  ASSERT_TRUE(other);
  EXPECT_EQ(0, windowless.InitialSize().cx);
  EXPECT_EQ(nullptr, windowless.CustomAttribute(L"extra"));
}

TEST_F(SkinBuilderTest, WithoutManagerNothingIsRegisteredOrApplied) {
  ControlPtr root = Build(
      L"<Window><Font id=\"1\" name=\"Arial\"/><MultiLanguage id=\"3\" value=\"x\"/><Control text=\"t\"/></Window>",
      nullptr);
  ASSERT_TRUE(root);
  EXPECT_EQ(L"", root->Text());
  EXPECT_EQ(nullptr, SkinUI::FindLanguageString(3));
}

TEST_F(SkinBuilderTest, FailuresBuildNothing) {
  EXPECT_FALSE(Build(L"<Window><Control></Window>", &manager_));
  EXPECT_EQ(L"Unmatched closing tag", lastError_);
  SkinTest::UseArchiveFromMemory();
  EXPECT_FALSE(Build(L"missing.xml", &manager_));
  EXPECT_EQ(L"Could not find ziped file", lastError_);
  EXPECT_FALSE(Build(MAKEINTRESOURCEW(999), &manager_));
}

TEST_F(SkinBuilderTest, NestingBeyondTheLimitIsNotBuilt) {
  std::wstring markup = L"<Window>";
  for (int i = 0; i < 1000; ++i) markup += L"<VBox>";
  for (int i = 0; i < 1000; ++i) markup += L"</VBox>";
  markup += L"</Window>";
  ControlPtr root = Build(markup.c_str(), &manager_);
  ASSERT_TRUE(root);
  int depth = 0;
  for (CControlUI* control = root.get(); control; control = Items(control)->ItemAt(0)) ++depth;
  EXPECT_EQ(CSkinBuilder::kMaxElementDepth, depth);
}

}  // namespace
