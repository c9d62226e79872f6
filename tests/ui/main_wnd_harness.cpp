#include "tests/ui/main_wnd_harness.h"

#include <algorithm>
#include <chrono>

#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/tab_layout.h"
#include "skinui/window_impl_base.h"
#include "skinui/window_manager.h"
#include "tests/support/paths.h"
#include "tests/support/screen_capture.h"

namespace UiTests {

using SkinUI::CControlUI;

void MainWindowFixture::SetUp() {
  TestSupport::SandboxTest::SetUp();
  InstallerSettings& settings = InstallerSettings::Instance();
  settings.IsCheckNet = false;
  settings.InsNew = false;
  settings.DownloadScale = 0.7;
}

void MainWindowFixture::TearDown() {
  window.reset();
  EXPECT_EQ(0, InstallerEventMsg::live.load()) << "every event record is freed";
  TestSupport::SandboxTest::TearDown();
}

TestMainWnd& MainWindowFixture::Open(bool realOrchestrator) {
  window = std::make_unique<TestMainWnd>(realOrchestrator);
  hwnd = window->Open();
  return *window;
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  PumpUntil([&] { return ::GetTickCount() - start >= milliseconds; }, milliseconds + 1000);
}

HWND TestMainWnd::Open() {
  // The framework's start-up, as the launch does it.
  SkinUI::CWindowManagerUI::SetModuleInstance(::GetModuleHandleW(nullptr));
  SkinUI::CWindowManagerUI::SetArchiveFormat7z(true);
  HWND window = CreateNativeWindow(nullptr, kTitle, 0x10CF0000, 0);
  if (!window || !::IsWindow(window)) return nullptr;
  CenterOnOwner();
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::UpdateWindow(window);
  PumpUntil([&] { return !::IsWindow(window) || Painted(); });
  return ::IsWindow(window) ? window : nullptr;
}

bool TestMainWnd::Deliver(int code, double value, const wchar_t* text) {
  const int before = InstallerEventMsg::live.load();
  EventCallback()(code, value, text);
  return PumpUntil([&] { return InstallerEventMsg::live.load() <= before; });
}

void TestMainWnd::Click(const wchar_t* name) {
  if (CControlUI* control = Named(name)) control->Activate();
}

void TestMainWnd::SelectPage(int page) {
  if (auto* tabs = static_cast<SkinUI::CTabLayoutUI*>(Named(L"mainTabLt")->FindInterface(L"TabLayout")))
    tabs->SelectItem(page, true);
}

std::wstring TestMainWnd::Text(const wchar_t* name) {
  CControlUI* control = Named(name);
  return control ? control->Text() : L"<none>";
}

int TestMainWnd::BarValue() {
  CControlUI* control = Named(L"installPrg");
  auto* bar = control ? static_cast<SkinUI::CProgressUI*>(control->FindInterface(L"Progress")) : nullptr;
  return bar ? bar->Value() : -1;
}

bool TestMainWnd::Visible(const wchar_t* name) {
  CControlUI* control = Named(name);
  return control && control->IsVisible();
}

bool TestMainWnd::Enabled(const wchar_t* name) {
  CControlUI* control = Named(name);
  return control && control->IsEnabled();
}

bool TestMainWnd::Checked(const wchar_t* name) {
  CControlUI* control = Named(name);
  auto* option = control ? static_cast<SkinUI::COptionUI*>(control->FindInterface(L"Option")) : nullptr;
  return option && option->IsSelected();
}

POINT TestMainWnd::ScreenPoint(const wchar_t* name) {
  POINT point = {0, 0};
  if (CControlUI* control = Named(name)) {
    const RECT rect = control->Position();
    point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ::ClientToScreen(WindowHandle(), &point);
  }
  return point;
}

void TestMainWnd::StartInstaller() {
  ++starts;
  if (real_) CMainWnd::StartInstaller();
}

// ---- Boxes ----

namespace {

BoxAnswerer* g_answerer = nullptr;

const wchar_t* const kBoxClasses[] = {L"MessageBox1Wnd", L"MessageBox2Wnd", L"NetworkTipWnd", L"InstalledPathTipWnd",
                                      L"ExitTipWnd"};

struct FoundBox {
  HWND window = nullptr;
  std::wstring skin;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  for (const wchar_t* skin : kBoxClasses) {
    if (::IsWindowVisible(window) && ::lstrcmpiW(name, skin) == 0) {
      auto* found = reinterpret_cast<std::vector<FoundBox>*>(param);
      found->push_back({window, name});
    }
  }
  return TRUE;
}

SkinUI::WindowImplBase* ObjectOf(HWND window) {
  auto* object = reinterpret_cast<SkinUI::CWindowWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  return object ? dynamic_cast<SkinUI::WindowImplBase*>(object) : nullptr;
}

void ClickControl(HWND window, CControlUI* control) {
  const RECT rect = control->Position();
  const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  ::PostMessageW(window, WM_MOUSEMOVE, 0, point);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  ::PostMessageW(window, WM_LBUTTONUP, 0, point);
}

}  // namespace

BoxAnswerer::BoxAnswerer() {
  g_answerer = this;
  timer_ = ::SetTimer(nullptr, 0, 50, &BoxAnswerer::OnTimer);
}

BoxAnswerer::~BoxAnswerer() {
  if (timer_) ::KillTimer(nullptr, timer_);
  g_answerer = nullptr;
}

void BoxAnswerer::Expect(Answer answer, const std::wstring& screenshot, std::function<void()> whileOpen) {
  answers_.push_back({answer, screenshot, std::move(whileOpen)});
}

void CALLBACK BoxAnswerer::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_answerer) g_answerer->Poll();
}

void BoxAnswerer::Poll() {
  // The whileOpen action may run a nested loop that fires this timer again.
  if (polling_) return;
  polling_ = true;
  std::vector<FoundBox> boxes;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&boxes));
  for (const FoundBox& box : boxes) {
    if (std::find(handled_.begin(), handled_.end(), box.window) != handled_.end()) continue;
    SkinUI::WindowImplBase* object = ObjectOf(box.window);
    if (!object || !object->Manager().BackBufferDC()) continue;  // not painted yet
    SkinUI::CWindowManagerUI& manager = object->Manager();
    handled_.push_back(box.window);
    BoxSeen seen{box.skin, L"", L""};
    if (CControlUI* text = manager.FindControlByName(L"textLbl")) seen.text = text->Text();
    if (CControlUI* caption = manager.FindControlByName(L"captionLbl")) seen.caption = caption->Text();
    seen_.push_back(seen);
    Planned plan{Answer::kCloseButton, L"", nullptr};
    if (answers_.empty()) {
      ++unexpected_;
    } else {
      plan = answers_.front();
      answers_.erase(answers_.begin());
    }
    if (!plan.screenshot.empty()) {
      HWND owner = ::GetWindow(box.window, GW_OWNER);
      SaveScreenshot(owner ? owner : box.window, plan.screenshot);
    }
    if (plan.whileOpen) plan.whileOpen();
    if (!::IsWindow(box.window)) continue;
    const wchar_t* button = nullptr;
    switch (plan.answer) {
      case Answer::kOk: button = L"okBtn"; break;
      case Answer::kCancel: button = L"cancelBtn"; break;
      case Answer::kCloseButton: button = L"closebtn"; break;
      case Answer::kAltF4: ::PostMessageW(box.window, WM_SYSCOMMAND, SC_CLOSE, 0); break;
      case Answer::kLeaveOpen: break;
    }
    if (button) {
      if (CControlUI* control = manager.FindControlByName(button)) ClickControl(box.window, control);
    }
  }
  polling_ = false;
}

bool SaveScreenshot(HWND window, const std::wstring& name) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpFor(150);
  return TestSupport::SaveWindowScreenshot(window, L"main\\" + name + L".png");
}

bool SetProductValue(const wchar_t* name, const std::wstring& value) {
  return ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\VeltoSoft\\Dravix", name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring ProductValue(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\VeltoSoft\\Dravix", name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                     buffer, &size) != ERROR_SUCCESS)
    return L"<none>";
  return buffer;
}

}  // namespace UiTests
