// The whole language path in a real window: a skin archive with "languageCombo" and
// "language.json", the start-up choice, the user's choice by mouse and keyboard in the combo's
// pop-up list, the refitted labels, and screenshots of the combo closed and open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/installer_settings.h"
#include "skinui/combo.h"
#include "skinui/combo_wnd.h"
#include "skinui/draw_engine.h"
#include "skinui/label.h"
#include "skinui/language_strings.h"
#include "skinui/window_impl_base.h"
#include "tests/skinui/control_test_window.h"
#include "tests/support/paths.h"
#include "tests/support/screen_capture.h"
#include "ui/languages.h"
#include "ui/sequence_animation.h"
#include "ui/sequence_label.h"

namespace {

using SkinUI::CComboUI;
using SkinUI::CWindowManagerUI;
using SkinUITest::PumpPending;
using SkinUITest::PumpUntil;

std::wstring TextOf(int id) {
  const std::wstring* text = SkinUI::FindLanguageString(id);
  return text ? *text : L"<none>";
}

// The installer window's language wiring, on the test skin archive.
class LanguageWindow : public SkinUI::WindowImplBase {
 public:
  HWND Open() {
    HWND window = CreateNativeWindow(nullptr, L"languages", WS_POPUP | WS_VISIBLE, 0, 40, 40, 420, 300);
    if (!window) return nullptr;
    ::SetForegroundWindow(window);
    ::UpdateWindow(window);
    PumpPending();
    return window;
  }
  void OnNotify(SkinUI::NotifyEvent& n) override {
    if (n.type == L"itemselect" && n.sender && n.sender->Name() == L"languageCombo") {
      selections.push_back(static_cast<int>(n.wParam));
      ApplyLanguage(manager_, static_cast<CComboUI*>(n.sender)->GetCurSel());
    }
    WindowImplBase::OnNotify(n);
  }
  SkinUI::CControlUI* CreateCustomControl(const wchar_t* name) override { return SkinUI::CreateSequenceControl(name); }
  CComboUI* Combo() { return static_cast<CComboUI*>(manager_.FindControlByName(L"languageCombo")); }
  SkinUI::CLabelUI* Label(const wchar_t* name) {
    return static_cast<SkinUI::CLabelUI*>(manager_.FindControlByName(name));
  }
  // Clicks a client point of this window with real mouse messages.
  void Click(POINT at) {
    POINT screen = at;
    ::ClientToScreen(window_, &screen);
    ::SetCursorPos(screen.x, screen.y);
    ::SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    ::SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    PumpPending();
  }

  std::vector<int> selections;

 protected:
  const wchar_t* WindowClassName() const override { return L"LanguageTestWindow"; }
  std::wstring SkinFolder() const override { return std::wstring(); }
  std::wstring SkinFileName() const override { return L"languageWnd.xml"; }
  SkinUI::SkinSource SkinSourceKind() const override { return SkinUI::SkinSource::Zip; }
  std::wstring SkinArchiveFileName() const override { return L"language_skin.7z"; }
  void OnSkinLoaded() override { SelectStartLanguage(manager_); }
};

POINT CentreOf(const SkinUI::CControlUI* control) {
  const RECT r = control->Position();
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int TextWidth(CWindowManagerUI& manager, const std::wstring& text, int font) {
  const RECT box = {0, 0, 9999, 100};
  const RECT need = SkinUI::CDrawEngine::MeasureText(nullptr, &manager, box, text, font, DT_SINGLELINE);
  return need.right - need.left;
}

// Copies a screen area (what the display shows) into a PNG under the build tree's screenshots;
// returns how many pixels have the colour, so a caller can check what was captured.
int SaveScreenArea(const RECT& area, const std::wstring& name, COLORREF colour) {
  const std::vector<unsigned char> rgba = TestSupport::CaptureScreen(area);
  int matching = 0;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) matching += RGB(rgba[i], rgba[i + 1], rgba[i + 2]) == colour;
  return TestSupport::SaveScreenshotPixels(name, rgba, area.right - area.left, area.bottom - area.top) ? matching : -1;
}

class LanguageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = InstallerSettings::Instance().Language;
    SkinUI::RemoveAllLanguageStrings();
    std::string archive = LANGUAGE_SKIN_ARCHIVE_UNIX;
    CWindowManagerUI::SetModuleInstance(::GetModuleHandleW(nullptr));
    CWindowManagerUI::SetArchiveFormat7z(true);
    CWindowManagerUI::SetSkinArchiveFile(L"", false);
    CWindowManagerUI::SetSkinFolderPath(TestSupport::WindowsPathFromUnix(archive.substr(0, archive.rfind('/'))));
  }
  void TearDown() override {
    InstallerSettings::Instance().Language = saved_;
    SkinUI::RemoveAllLanguageStrings();
    CWindowManagerUI::SetSkinArchiveFile(L"", false);
    CWindowManagerUI::SetSkinFolderPath(L"");
  }

 private:
  int saved_ = -1;
};

TEST_F(LanguageWindowTest, StartChoiceThenTheUserChoosesByKeyboardAndMouse) {
  InstallerSettings::Instance().Language = 9;
  LanguageWindow window;
  ASSERT_TRUE(window.Open());
  CWindowManagerUI& manager = window.Manager();
  CComboUI* combo = window.Combo();
  ASSERT_NE(nullptr, combo);
  ASSERT_EQ(15, combo->Count());
  EXPECT_EQ(9, combo->GetCurSel());
  EXPECT_EQ(L"日本語", combo->Text());
  EXPECT_EQ((std::vector<int>{9}), window.selections);
  EXPECT_EQ(L"ja-JP", GetLanguageCode(manager));
  EXPECT_EQ(L"言語", TextOf(1));
  EXPECT_EQ(9, InstallerSettings::Instance().Language);
  SkinUI::CLabelUI* lbLanguage = window.Label(L"lbLanguage");
  EXPECT_EQ(TextWidth(manager, L"言語", 1) + 4, lbLanguage->FixedWidth());
  EXPECT_EQ(TextWidth(manager, L"インストール先", -1) + 4, window.Label(L"lbInstallPath")->FixedWidth());

  // Keyboard: open with a click, go up to 简体中文, choose with Enter.
  window.Click(CentreOf(combo));
  HWND list = combo->DropDownWindow();
  ASSERT_NE(nullptr, list);
  EXPECT_TRUE(::IsWindowVisible(list));
  EXPECT_EQ(9, combo->DropDown()->HotItem());
  for (int i = 0; i < 8; ++i) ::SendMessageW(list, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(1, combo->DropDown()->HotItem());
  EXPECT_EQ(1, combo->DropDown()->TopItem()) << "the list scrolled to keep the item in view";
  ::UpdateWindow(list);
  ::UpdateWindow(window.WindowHandle());
  RECT listRect, windowRect, both;
  ::GetWindowRect(list, &listRect);
  ::GetWindowRect(window.WindowHandle(), &windowRect);
  ::UnionRect(&both, &listRect, &windowRect);
  EXPECT_GT(SaveScreenArea(both, L"combo_open.png", RGB(0x2F, 0x6F, 0xD6)), 22 * 100)
      << "the hot row of the open list is on screen";
  ::SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
  PumpPending();
  EXPECT_FALSE(::IsWindow(list));
  EXPECT_EQ(1, combo->GetCurSel());
  EXPECT_EQ((std::vector<int>{9, 1}), window.selections);
  EXPECT_EQ(L"语言", TextOf(1));
  EXPECT_EQ(L"zh-CN", GetLanguageCode(manager));
  EXPECT_EQ(1, InstallerSettings::Instance().Language);
  EXPECT_EQ(TextWidth(manager, L"语言", 1) + 4, lbLanguage->FixedWidth());
  ::UpdateWindow(window.WindowHandle());
  EXPECT_GT(SaveScreenArea(windowRect, L"combo_closed.png", RGB(0xF4, 0xF6, 0xFA)), 0);

  // Escape closes without a choice.
  window.Click(CentreOf(combo));
  list = combo->DropDownWindow();
  ASSERT_NE(nullptr, list);
  ::SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
  ::SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
  PumpPending();
  EXPECT_EQ(nullptr, combo->DropDownWindow());
  EXPECT_EQ(1, combo->GetCurSel());
  EXPECT_EQ(2u, window.selections.size());

  // Mouse: the row of Deutsch (5) in the list scrolled to show 简体中文 (1) first.
  window.Click(CentreOf(combo));
  list = combo->DropDownWindow();
  ASSERT_NE(nullptr, list);
  const int top = combo->DropDown()->TopItem();
  const int y = 1 + (5 - top) * combo->ListStyle().itemHeight + 5;
  ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(20, y));
  EXPECT_EQ(5, combo->DropDown()->HotItem());
  ::SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(20, y));
  PumpPending();
  EXPECT_EQ(5, combo->GetCurSel());
  EXPECT_EQ(L"Sprache", TextOf(1));
  EXPECT_EQ(L"Zurück", TextOf(3));
  EXPECT_EQ(TextWidth(manager, L"Zurück", -1) + 18, window.Label(L"backBtn")->FixedWidth());
  EXPECT_EQ(L"de-DE", GetLanguageCode(manager));
  EXPECT_TRUE(combo->IsFocused()) << "a choice in the list focuses the combo";

  // The closed, focused combo steps with the arrow keys.
  ::SendMessageW(window.WindowHandle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(6, combo->GetCurSel());
  EXPECT_EQ(L"fr-FR", GetLanguageCode(manager));
  EXPECT_EQ((std::vector<int>{9, 1, 5, 6}), window.selections);
}

TEST_F(LanguageWindowTest, AnIndexOutsideTheTableSelectsNothingAndIsStoredAsZero) {
  InstallerSettings::Instance().Language = 99;
  LanguageWindow window;
  ASSERT_TRUE(window.Open());
  EXPECT_EQ(-1, window.Combo()->GetCurSel());
  EXPECT_TRUE(window.selections.empty());
  EXPECT_EQ(0, InstallerSettings::Instance().Language);
  EXPECT_EQ(L"", GetLanguageCode(window.Manager()));
  EXPECT_EQ(L"Language", TextOf(1));
}

TEST_F(LanguageWindowTest, WithoutTheOptionTheSystemLanguageIsChosen) {
  InstallerSettings::Instance().Language = -1;
  LanguageWindow window;
  ASSERT_TRUE(window.Open());
  EXPECT_EQ(LanguageFromSystem(), window.Combo()->GetCurSel());
  EXPECT_EQ(LanguageFromSystem(), InstallerSettings::Instance().Language);
}

TEST_F(LanguageWindowTest, FramesFromTheArchiveAnimateTheLabel) {
  LanguageWindow window;
  ASSERT_TRUE(window.Open());
  auto* label = static_cast<SkinUI::CSequenceLabelUI*>(window.Manager().FindControlByName(L"progressAnLb"));
  ASSERT_NE(nullptr, label->FindInterface(L"SequenceLabel"));
  ASSERT_TRUE(PumpUntil([&] { return !window.Manager().IsControlTimerRunning(label, SkinUI::TIMER_SEQUENCE_FRAME); }));
  EXPECT_EQ(L"res\\anim\\002.png", label->BackgroundImage());
  ::InvalidateRect(window.WindowHandle(), nullptr, FALSE);
  ::UpdateWindow(window.WindowHandle());
  const POINT c = CentreOf(label);
  EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(window.Manager().BackBufferDC(), c.x, c.y)) << "the last frame is drawn";
  EXPECT_EQ(L"", window.Manager().FindControlByName(L"defaultInstallBtn")->BackgroundImage())
      << "a misspelt pattern attribute is not the pattern, and nothing autostarts it";
}

}  // namespace
