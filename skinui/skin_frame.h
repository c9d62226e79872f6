// CSkinFrame: the base of the installer's windows. Its skin comes from a configuration
// record, it swallows the Escape key so that no window closes by it, and it carries the drop
// shadow its Window attributes ask for.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/window_impl_base.h"
#include "skinui/wnd_shadow.h"

namespace SkinUI {

struct SkinFrameConfig {
  SkinSource sourceKind = SkinSource::ZipResource;
  UINT resourceId = 0;
  std::wstring skinFolder;
  std::wstring skinFileName;
  std::wstring windowClassName;
};

class CSkinFrame : public WindowImplBase {
 public:
  explicit CSkinFrame(SkinFrameConfig config) : config_(std::move(config)) {}

  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  // The installer's record for a layout: the skin archive resource 147 and, as class name,
  // the file name up to its first dot.
  static SkinFrameConfig InstallerConfig(const std::wstring& layoutFile);

  CWndShadow& Shadow() { return shadow_; }

 protected:
  const wchar_t* WindowClassName() const override { return config_.windowClassName.c_str(); }
  std::wstring SkinFolder() const override { return config_.skinFolder; }
  std::wstring SkinFileName() const override { return config_.skinFileName; }
  SkinSource SkinSourceKind() const override { return config_.sourceKind; }
  UINT SkinResourceId() const override { return config_.resourceId; }
  // Drops the caption and maximise box and sets up the shadow; derived windows call it first.
  void OnSkinLoaded() override;

 private:
  void ConfigureShadow();

  SkinFrameConfig config_;
  CWndShadow shadow_;
};

}  // namespace SkinUI
