#include "install/uninstaller.h"

#include <windows.h>

#include <shlwapi.h>

#include <exception>
#include <utility>

#include "install/child_output_pump.h"
#include "install/console_protocol.h"
#include "install/install_event_codes.h"
#include "utils/admin_probes.h"
#include "utils/log.h"
#include "utils/text_conversion.h"

namespace {
const wchar_t* TrueFalse(bool value) { return value ? L"true" : L"false"; }
}  // namespace

CUnInstaller::CUnInstaller(DownloadCallback callback, std::wstring uninstallerPath, std::wstring oldInstallDir)
    : callback_(std::move(callback)),
      uninstallerPath_(std::move(uninstallerPath)),
      oldInstallDir_(std::move(oldInstallDir)) {}

CUnInstaller::~CUnInstaller() {
  if (worker_) worker_->Join();
}

std::wstring CUnInstaller::BuildCommandLine(const std::wstring& uninstallerPath, bool consoleUserAdmin,
                                            bool processAdmin, const std::wstring& oldInstallDir) {
  return L"\"" + uninstallerPath + L"\" /S -adminact=" + TrueFalse(consoleUserAdmin) + L" -authorizationact=" +
         TrueFalse(processAdmin) + L" -console=show _?=" + oldInstallDir;
}

void CUnInstaller::Start() {
  std::wstring consoleUser;
  const bool consoleUserAdmin = Utils::GetActiveConsoleUserName(consoleUser) && Utils::IsConsoleUserAdmin(consoleUser);
  worker_.reset();
  commandLine_ = BuildCommandLine(uninstallerPath_, consoleUserAdmin, Utils::IsProcessAdmin(), oldInstallDir_);
  worker_ = std::make_unique<Utils::Thread>(this, L"UnInstaller", &CUnInstaller::Run);
  if (!worker_->Resume()) {
    // No thread: the run still ends with its one final event, as a child that cannot start.
    image_.Release();
    Send(UNIST_CODE_FAIL, 2.0);
  }
}

bool CUnInstaller::WaitForRun(DWORD milliseconds) const {
  if (!worker_ || !worker_->Handle()) return true;
  return ::WaitForSingleObject(worker_->Handle(), milliseconds) == WAIT_OBJECT_0;
}

void CUnInstaller::Send(int code, double progress, const wchar_t* text) { callback_(code, progress, text); }

unsigned CUnInstaller::Run(void* self) {
  static_cast<CUnInstaller*>(self)->RunChild();
  return 0;
}

void CUnInstaller::RunChild() {
  Send(UNIST_CODE_START, 0.0);
  if (!::PathFileExistsW(uninstallerPath_.c_str())) {
    WRITE_LOG(L"uninstaller copy missing: %s\r\n", uninstallerPath_.c_str());
    Send(UNIST_CODE_FAIL, 1.0, kUninstallerMissingText);
    return;
  }
  Send(UNIST_CODE_PROGRESS, 0.0);
  WRITE_LOG(L"uninstaller command line: %s\r\n", commandLine_.c_str());
  process_ = std::make_unique<Utils::ChildProcess>();
  try {
    process_->Run(commandLine_, image_.IsHeld() ? &image_ : nullptr);
  } catch (const std::exception& error) {
    image_.Release();
    process_.reset();
    WRITE_LOG(L"uninstaller not started: %s\r\n", Utils::MultiByteToWide(error.what(), CP_ACP).c_str());
    Send(UNIST_CODE_FAIL, 2.0);
    return;
  }
  image_.Release();

  // Unlike the package's installer, every line counts until the child ends, also after a
  // State or Error line.
  bool reported = false;
  Install::PumpChildOutput(*process_, [this, &reported](const std::string& line) {
    if (Parse(Utils::MultiByteToWide(line, codePage_)) != 0) reported = true;
  });
  const Install::ChildEnd end = Install::WaitForEnd(*process_);
  process_.reset();
  WRITE_LOG(L"uninstaller exit code %lu%s\r\n", end.code, end.known ? L"" : L" (unknown)");
  if (reported) return;
  // As for the package: a crash without a verdict is a failed removal, not a finished one.
  if (end.Failed()) {
    Send(UNIST_CODE_ERROR, static_cast<double>(end.code), kRemovalFailedText);
  } else {
    Send(UNIST_CODE_SUCCESS, 1.0);
  }
}

int CUnInstaller::Parse(const std::wstring& text) {
  using namespace ConsoleProtocol;
  int result = 0;
  std::wstring value;
  double number = 0.0;
  ForEachLine(text, [&](const std::wstring& line) {
    if (MatchNumber(line, L"Progress=", number)) {
      Send(UNIST_CODE_PROGRESS, number);
    } else if (MatchText(line, L"Error=", value)) {
      Send(UNIST_CODE_ERROR, 0.0, value.c_str());
      result = kResultFailure;
    } else if (MatchText(line, L"State=", value)) {
      const std::wstring state = Trim(value);
      if (state == L"Success") {
        Send(UNIST_CODE_SUCCESS, 0.0);
        result = kResultSuccess;
      } else if (state == L"Fail") {
        Send(UNIST_CODE_ERROR, 0.0, kRemovalFailedText);
        result = kResultFailure;
      }
    } else if (MatchText(line, L"Encode=", value)) {
      codePage_ = Trim(value) == L"UTF8" ? CP_UTF8 : CP_ACP;
    }
  });
  return result;
}
