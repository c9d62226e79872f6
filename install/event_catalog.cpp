#include "install/event_catalog.h"

#include "download/download_callback.h"
#include "download/download_event_texts.h"
#include "install/install_event_codes.h"
#include "utils/text_conversion.h"

namespace EventCatalog {

const std::vector<EventInfo>& Events() {
  using namespace DownloadTexts;
  static const std::vector<EventInfo> events = {
      {DL_CODE_START,
       "DL_CODE_START",
       "downloader",
       "a download attempt begins; the folder is created",
       "1",
       {},
       "empty"},
      {DL_CODE_PROGRESS,
       "DL_CODE_PROGRESS",
       "downloader",
       "share received, at most once a second",
       "0 to 1",
       {},
       "empty"},
      {DL_CODE_SUCCESS,
       "DL_CODE_SUCCESS",
       "downloader",
       "the package is complete and verified; the package runs next",
       "0",
       {kCurl, kWinHttp},
       "(the downloader's name)"},
      {DL_CODE_FAIL,
       "DL_CODE_FAIL",
       "downloader",
       "the download failed for good; the installation ends",
       "the last result code (a libcurl code, -996 to -998, an HTTP status or a system error)",
       {kCurl, kWinHttp},
       "(the downloader's name); empty when no file was named"},
      {DL_CODE_RETRY,
       "DL_CODE_RETRY",
       "downloader",
       "the digest did not match: one more attempt follows",
       "0",
       {kCurl, kWinHttp},
       "(the downloader's name)"},
      {DL_CODE_MD5,
       "DL_CODE_MD5",
       "downloader",
       "a notice about the digest, followed by 1003, 1004 or 1005",
       "0",
       {kCurlDigestMismatch, kMtCurlDigestMismatch, kWinHttpDigestMismatch, kCurlNoDigest, kMtCurlNoDigest,
        kWinHttpNoDigest},
       "(a mismatch, or no digest in the address)"},
      {IST_CODE_START,
       "IST_CODE_START",
       "package runner",
       "the package's installer is about to start",
       "0",
       {},
       "empty"},
      {IST_CODE_PROGRESS,
       "IST_CODE_PROGRESS",
       "package runner",
       "right after 2001, then each `Progress=` line",
       "0 at first, then the line's number",
       {},
       "empty"},
      {IST_CODE_SUCCESS,
       "IST_CODE_SUCCESS",
       "package runner",
       "installed: `State=Success`, or a silent end with exit code 0",
       "0 for the line, 1 for the silent end",
       {},
       "empty"},
      {IST_CODE_FAIL,
       "IST_CODE_FAIL",
       "package runner; orchestrator (package trust)",
       "not installed; the installation ends",
       "0 `State=Fail`, 1000 `Error=`, 2 not started, otherwise the exit code of a package that ended without a "
       "verdict; 0 from the orchestrator",
       {kInstallFailedText, kTrustSettingsInvalidText, kSignatureRejectedText},
       "or the `Error=` text; empty when not started. The orchestrator's: a malformed `PackageSha256` or "
       "`PackageSigners` (before anything starts), a package not signed under a listed certificate (after 1003, "
       "deleted, never run)"},
      {IST_CODE_INSTPATH, "IST_CODE_INSTPATH", "package runner", "`InstPath=`", "0", {}, "the folder"},
      {IST_CODE_EXEPATH, "IST_CODE_EXEPATH", "package runner", "`ExePath=` or `StartExe=`", "0", {}, "the path"},
      {IST_CODE_UNINSTEXE,
       "IST_CODE_UNINSTEXE",
       "package runner",
       "`UninstExePath=` or `UninstExe=`",
       "0",
       {},
       "the path"},
      {IST_CODE_UNINSTEP, "IST_CODE_UNINSTEP", "package runner", "`UninstEp=`", "0", {}, "the path"},
      {IST_CODE_STARTURL, "IST_CODE_STARTURL", "package runner", "`StartUrl=`", "0", {}, "the address"},
      {IST_CODE_STARTUPSTYLE,
       "IST_CODE_STARTUPSTYLE",
       "package runner",
       "`StartupStyle=`",
       "0 NonStartup or unknown, 1 AutoStartup, 2 UserStartup",
       {},
       "empty"},
      {IST_CODE_TOPSHOWDETENTION,
       "IST_CODE_TOPSHOWDETENTION",
       "package runner",
       "`TopShowDetention=`",
       "milliseconds, as unsigned 32 bits (-1 arrives as 4294967295)",
       {},
       "empty"},
      {IST_CODE_FINISHCLOSEDETENTION,
       "IST_CODE_FINISHCLOSEDETENTION",
       "package runner",
       "`FinsihCloseDetention=`",
       "milliseconds, as unsigned 32 bits",
       {},
       "empty"},
      {IST_CODE_MESSAGE, "IST_CODE_MESSAGE", "package runner", "`Message=`", "0", {}, "the message"},
      {UNIST_CODE_START, "UNIST_CODE_START", "remover", "removal of the old version begins", "0", {}, "empty"},
      {UNIST_CODE_PROGRESS,
       "UNIST_CODE_PROGRESS",
       "remover",
       "the uninstaller starts, then each `Progress=` line",
       "0 at first, then the line's number",
       {},
       "empty"},
      {UNIST_CODE_SUCCESS,
       "UNIST_CODE_SUCCESS",
       "remover",
       "removed: `State=Success`, or a silent end with exit code 0; the download starts",
       "0 for the line, 1 for the silent end",
       {},
       "empty"},
      {UNIST_CODE_FAIL,
       "UNIST_CODE_FAIL",
       "remover",
       "the uninstaller's copy is missing or cannot start",
       "1 missing, 2 not started",
       {kUninstallerMissingText},
       "when missing; empty when not started"},
      {UNIST_CODE_ERROR,
       "UNIST_CODE_ERROR",
       "remover",
       "the removal failed; the installation ends",
       "0 for `State=Fail` or `Error=`, otherwise the exit code of an uninstaller that ended without a verdict",
       {kRemovalFailedText},
       "or the `Error=` text"},
  };
  return events;
}

std::string MarkdownTable() {
  std::string table =
      "| Code | Name | Raised by | When | Value | Text |\n"
      "|---|---|---|---|---|---|\n";
  for (const EventInfo& event : Events()) {
    std::string texts;
    for (const wchar_t* text : event.texts) {
      texts += (texts.empty() ? "\"" : ", \"") + Utils::WideToMultiByte(text, CP_UTF8) + "\"";
    }
    if (!texts.empty()) texts += " ";
    table += "| " + std::to_string(event.code) + " | `" + event.name + "` | " + event.raisedBy + " | " + event.meaning +
             " | " + event.value + " | " + texts + event.textNote + " |\n";
  }
  return table;
}

}  // namespace EventCatalog
