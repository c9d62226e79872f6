// The main window under test: created as the launch creates it, from the skin embedded in the
// test program, with its events posted through its own callback; message boxes answered by
// finding them on the screen and clicking their buttons; screenshots of the real screen.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skinui/control.h"
#include "tests/support/message_pump.h"
#include "tests/support/sandbox.h"
#include "tests/support/xdotool.h"
#include "ui/main_wnd.h"
#include "utils/installer_settings.h"

namespace UiTests {

// Runs the thread's messages until the condition holds; the main window's cases allow 20 s.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
  return TestSupport::PumpUntil(done, timeoutMs);
}
void PumpFor(DWORD milliseconds);

// The main window with the orchestrator's start counted; the real orchestrator runs only when
// asked for, otherwise the test plays the orchestrator's part with events.
class TestMainWnd : public CMainWnd {
 public:
  explicit TestMainWnd(bool realOrchestrator = false) : real_(realOrchestrator) {}

  // Creates the window as the installer's launch does (title, style, centred, shown) and waits
  // for its first paint. Null when it could not be created or has already closed.
  HWND Open();
  bool Painted() { return manager_.BackBufferDC() != nullptr; }

  // Posts an event through the window's own callback and waits until the window handled it.
  bool Deliver(int code, double value = 0, const wchar_t* text = L"");
  // Sends the "click" of a control the way the framework does (check boxes change state).
  void Click(const wchar_t* name);
  void SelectPage(int page);

  SkinUI::CControlUI* Named(const wchar_t* name) { return manager_.FindControlByName(name); }
  std::wstring Text(const wchar_t* name);
  int BarValue();
  bool Visible(const wchar_t* name);
  bool Enabled(const wchar_t* name);
  bool Checked(const wchar_t* name);
  // The centre of a control on the screen.
  POINT ScreenPoint(const wchar_t* name);

  int starts = 0;

 protected:
  void StartInstaller() override;

 private:
  bool real_;
};

// The answers a box can get.
enum class Answer { kOk, kCancel, kCloseButton, kAltF4, kLeaveOpen };

struct BoxSeen {
  std::wstring skin;  // the window class: the skin file up to its first dot
  std::wstring text;
  std::wstring caption;
};

// Answers the message boxes of this thread as they appear, in order, by clicking their buttons
// with mouse messages once they are painted. A box without a queued answer is closed with its
// close button and recorded as unexpected.
class BoxAnswerer {
 public:
  BoxAnswerer();
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // `whileOpen` runs once the box is painted, before the answer; `screenshot` names a PNG of
  // the screen under build/screenshots/main/.
  void Expect(Answer answer, const std::wstring& screenshot = L"", std::function<void()> whileOpen = nullptr);
  const std::vector<BoxSeen>& Seen() const { return seen_; }
  int Unexpected() const { return unexpected_; }
  bool AllAnswered() const { return answers_.empty(); }

 private:
  struct Planned {
    Answer answer;
    std::wstring screenshot;
    std::function<void()> whileOpen;
  };
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Poll();

  UINT_PTR timer_ = 0;
  std::vector<Planned> answers_;
  std::vector<BoxSeen> seen_;
  std::vector<HWND> handled_;
  int unexpected_ = 0;
  bool polling_ = false;
};

// The screen area of a window (with anything on top of it) as a PNG under
// build/screenshots/main/; false when it could not be written.
bool SaveScreenshot(HWND window, const std::wstring& name);

// The settings a test may change, put back afterwards.
class SettingsGuard {
 public:
  SettingsGuard() : saved_(InstallerSettings::Instance()) {}
  ~SettingsGuard() { InstallerSettings::Instance() = saved_; }

 private:
  InstallerSettings saved_;
};

// What every main-window case starts from: its sandbox, the settings put back afterwards, no
// network check, no "-insnew", the download as 70 % of the bar, boxes answered; at the end the
// window is freed and every event record with it.
class MainWindowFixture : public TestSupport::SandboxTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  TestMainWnd& Open(bool realOrchestrator = false);

  SettingsGuard settingsGuard;
  BoxAnswerer boxes;
  std::unique_ptr<TestMainWnd> window;
  HWND hwnd = nullptr;
};

// HKEY_CURRENT_USER\Software\VeltoSoft\Dravix values, written and read directly.
bool SetProductValue(const wchar_t* name, const std::wstring& value);
std::wstring ProductValue(const wchar_t* name);

using TestSupport::RunXdotool;

}  // namespace UiTests
