#include "install/installer.h"

#include <cstdint>
#include <exception>
#include <utility>

#include "install/child_output_pump.h"
#include "install/console_protocol.h"
#include "install/install_event_codes.h"
#include "utils/installer_settings.h"
#include "utils/log.h"
#include "utils/text_conversion.h"

namespace {

const wchar_t* TrueFalse(bool value) { return value ? L"true" : L"false"; }

double StartupStyleNumber(const std::wstring& style) {
  if (style == L"AutoStartup") return 1.0;
  if (style == L"UserStartup") return 2.0;
  return 0.0;  // "NonStartup" and anything unknown
}

// Detention values travel as unsigned 32-bit numbers: -1 arrives as 4294967295.
double Unsigned32(int value) { return static_cast<double>(static_cast<uint32_t>(value)); }

}  // namespace

CInstaller::CInstaller(DownloadCallback callback, std::wstring packageCommand, std::wstring installDir)
    : callback_(std::move(callback)), packageCommand_(std::move(packageCommand)), installDir_(std::move(installDir)) {}

CInstaller::~CInstaller() {
  if (worker_) worker_->Join();
}

void CInstaller::Start() {
  std::wstring command = packageCommand_;
  command += L" /S -console=show -version=1.0.0";
  command += std::wstring(L" -adminact=") + TrueFalse(adminAct_);
  command += std::wstring(L" -authorizationact=") + TrueFalse(authorizationAct_);
  command += std::wstring(L" -dsc=") + TrueFalse(desktopShortcut_);
  command += std::wstring(L" -ssc=") + TrueFalse(quickLaunchShortcut_);
  if (!installLanguage_.empty()) command += L" -inslang=\"" + installLanguage_ + L"\"";
  const std::wstring& extra = InstallerSettings::Instance().InstCmd;
  if (!extra.empty()) command += L" " + extra;
  if (!installDir_.empty()) {
    command += L" -instdir=\"" + installDir_ + L"\"";
    command += L" /D=" + installDir_;
  }

  // The previous worker must be gone before the command line it may still read changes.
  worker_.reset();
  commandLine_ = std::move(command);
  runPackage_ = std::move(heldPackage_);
  worker_ = std::make_unique<Utils::Thread>(this, L"ABDEF", &CInstaller::Run);
  if (!worker_->Resume()) {
    // No thread: the run still ends with its one final event, as a child that cannot start.
    runPackage_.Release();
    Send(IST_CODE_FAIL, 2.0);
  }
}

bool CInstaller::WaitForRun(DWORD milliseconds) const {
  if (!worker_ || !worker_->Handle()) return true;
  return ::WaitForSingleObject(worker_->Handle(), milliseconds) == WAIT_OBJECT_0;
}

void CInstaller::Send(int code, double progress, const wchar_t* text) { callback_(code, progress, text); }

unsigned CInstaller::Run(void* self) {
  static_cast<CInstaller*>(self)->RunChild();
  return 0;
}

void CInstaller::RunChild() {
  Send(IST_CODE_START, 0.0);
  Send(IST_CODE_PROGRESS, 0.0);
  WRITE_LOG(L"package command line: %s\r\n", commandLine_.c_str());
  process_ = std::make_unique<Utils::ChildProcess>();
  try {
    process_->Run(commandLine_, runPackage_.IsHeld() ? &runPackage_ : nullptr);
  } catch (const std::exception& error) {
    runPackage_.Release();
    process_.reset();
    WRITE_LOG(L"package not started: %s\r\n", Utils::MultiByteToWide(error.what(), CP_ACP).c_str());
    Send(IST_CODE_FAIL, 2.0);
    return;
  }
  runPackage_.Release();

  // After a State or Error line the outcome is settled: later output is read only so that the
  // child never blocks on a full pipe, and is not parsed.
  bool settled = false;
  Install::PumpChildOutput(*process_, [this, &settled](const std::string& line) {
    if (!settled && Parse(Utils::MultiByteToWide(line, codePage_)) != 0) settled = true;
  });
  const Install::ChildEnd end = Install::WaitForEnd(*process_);
  process_.reset();
  WRITE_LOG(L"package exit code %lu%s\r\n", end.code, end.known ? L"" : L" (unknown)");
  if (settled) return;
  // A package that crashed or gave up without a verdict has not installed anything to rely on.
  if (end.Failed()) {
    Send(IST_CODE_FAIL, static_cast<double>(end.code), kInstallFailedText);
  } else {
    Send(IST_CODE_SUCCESS, 1.0);
  }
}

int CInstaller::Parse(const std::wstring& text) {
  using namespace ConsoleProtocol;
  int result = 0;
  std::wstring value;
  double number = 0.0;
  int integer = 0;
  ForEachLine(text, [&](const std::wstring& line) {
    if (MatchNumber(line, L"Progress=", number)) {
      Send(IST_CODE_PROGRESS, number);
    } else if (MatchText(line, L"InstPath=", value)) {
      Send(IST_CODE_INSTPATH, 0.0, value.c_str());
    } else if (MatchText(line, L"State=", value)) {
      const std::wstring state = Trim(value);
      if (state == L"Success") {
        Send(IST_CODE_SUCCESS, 0.0);
        result = kResultSuccess;
      } else if (state == L"Fail") {
        Send(IST_CODE_FAIL, 0.0, kInstallFailedText);
        result = kResultFailure;
      }
    } else if (MatchVersion(line, L"InstallVersion=", installVersion_)) {
      // stored for the owner; no event
    } else if (MatchText(line, L"ExePath=", value)) {
      WRITE_LOG(L"ExePath: %s", value.c_str());
      Send(IST_CODE_EXEPATH, 0.0, value.c_str());
    } else if (MatchText(line, L"StartExe=", value)) {
      Send(IST_CODE_EXEPATH, 0.0, value.c_str());
    } else if (MatchText(line, L"UninstExePath=", value) || MatchText(line, L"UninstExe=", value)) {
      Send(IST_CODE_UNINSTEXE, 0.0, value.c_str());
    } else if (MatchText(line, L"UninstEp=", value)) {
      Send(IST_CODE_UNINSTEP, 0.0, value.c_str());
    } else if (MatchText(line, L"Error=", value)) {
      Send(IST_CODE_FAIL, 1000.0, value.c_str());
      result = kResultFailure;
    } else if (MatchInteger(line, L"TopShowDetention=", integer)) {
      Send(IST_CODE_TOPSHOWDETENTION, Unsigned32(integer));
    } else if (MatchInteger(line, L"FinsihCloseDetention=", integer)) {
      Send(IST_CODE_FINISHCLOSEDETENTION, Unsigned32(integer));
    } else if (MatchText(line, L"StartUrl=", value)) {
      Send(IST_CODE_STARTURL, 0.0, value.c_str());
    } else if (MatchText(line, L"StartupStyle=", value)) {
      Send(IST_CODE_STARTUPSTYLE, StartupStyleNumber(Trim(value)));
    } else if (MatchText(line, L"Encode=", value)) {
      codePage_ = CodePageFromEncodeValue(Trim(value));
    } else if (MatchText(line, L"Message=", value)) {
      Send(IST_CODE_MESSAGE, 0.0, value.c_str());
    }
  });
  return result;
}
