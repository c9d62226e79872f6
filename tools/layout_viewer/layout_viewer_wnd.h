// CLayoutViewerWnd: a skinned window that shows one layout file of a skin, taken from a folder,
// a 7z archive file or the skin archive embedded in this program.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/window_impl_base.h"

namespace LayoutViewer {

struct ViewerSkin {
  SkinUI::SkinSource kind = SkinUI::SkinSource::File;
  std::wstring folder;       // File: the skin folder; Zip: the archive's folder
  std::wstring archiveName;  // Zip: the archive's file name inside `folder`
  std::wstring layout;       // the layout file's path inside the skin
};

// The exit code for a layout that cannot be built, the same as for other bad arguments.
constexpr int kLayoutLoadFailed = 2;

// The embedded skin archive's resource id (type "ZIPRES"), as in the installer.
constexpr UINT kEmbeddedSkinId = 147;

class CLayoutViewerWnd : public SkinUI::WindowImplBase {
 public:
  // unattended: a layout that cannot be built ends the process with a message on standard error
  // and exit code 2, without the framework's message box that would wait for a click.
  CLayoutViewerWnd(ViewerSkin skin, bool unattended) : skin_(std::move(skin)), unattended_(unattended) {}

  // The elements the installer adds ("SequenceButton", "SequenceLabel") show as a plain button
  // and label with their first frame, which the skins give as the background image.
  SkinUI::CControlUI* CreateCustomControl(const wchar_t* name) override;

  // Shows page `page` of "mainTabLt" decorated as the installer's main window does (background
  // of "winCtn", title page, visible title buttons). False when the layout has no such page.
  bool ShowMainPage(int page);

  using CWindowWnd::RunModal;

 protected:
  const wchar_t* WindowClassName() const override { return L"LayoutViewerWnd"; }
  std::wstring SkinFolder() const override { return std::wstring(); }
  std::wstring SkinFileName() const override { return skin_.layout; }
  SkinUI::SkinSource SkinSourceKind() const override { return skin_.kind; }
  std::wstring SkinArchiveFileName() const override { return skin_.archiveName; }
  UINT SkinResourceId() const override { return kEmbeddedSkinId; }
  [[noreturn]] void OnSkinLoadFailed() override;

 private:
  ViewerSkin skin_;
  bool unattended_;
};

}  // namespace LayoutViewer
