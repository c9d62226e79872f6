// Event codes of the package installation, sent through DownloadCallback.
#pragma once

// The package runner (CInstaller).
constexpr int IST_CODE_START = 2001;
constexpr int IST_CODE_PROGRESS = 2002;
constexpr int IST_CODE_SUCCESS = 2003;
constexpr int IST_CODE_FAIL = 2004;
constexpr int IST_CODE_INSTPATH = 3000;
constexpr int IST_CODE_EXEPATH = 3001;
constexpr int IST_CODE_UNINSTEXE = 3002;
constexpr int IST_CODE_UNINSTEP = 3003;
constexpr int IST_CODE_STARTURL = 3004;
constexpr int IST_CODE_STARTUPSTYLE = 3005;
constexpr int IST_CODE_TOPSHOWDETENTION = 3007;
constexpr int IST_CODE_FINISHCLOSEDETENTION = 3008;
constexpr int IST_CODE_MESSAGE = 3009;

// The removal of the previous version (CUnInstaller).
constexpr int UNIST_CODE_START = 5001;
constexpr int UNIST_CODE_PROGRESS = 5002;
constexpr int UNIST_CODE_SUCCESS = 5003;
constexpr int UNIST_CODE_FAIL = 5004;
constexpr int UNIST_CODE_ERROR = 5005;

// The fixed texts of the failures above.
constexpr const wchar_t* kInstallFailedText = L"安装包安装失败";
// 2004 from the orchestrator's package trust checks: a malformed trust setting (before anything
// starts), and a package not signed under a listed certificate (after 1003; nothing runs).
constexpr const wchar_t* kTrustSettingsInvalidText = L"安装包校验设置无效";
constexpr const wchar_t* kSignatureRejectedText = L"安装包签名校验失败";
constexpr const wchar_t* kRemovalFailedText = L"安装包卸载失败";
constexpr const wchar_t* kUninstallerMissingText = L"可执行卸载文件不存在";
