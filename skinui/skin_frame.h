// CSkinFrame: the base of the installer's windows. Its skin comes from a configuration
// record, and it swallows the Escape key so that no window closes by it.
#pragma once

#include <windows.h>

#include <string>

#include "skinui/window_impl_base.h"

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

 protected:
  const wchar_t* WindowClassName() const override { return config_.windowClassName.c_str(); }
  std::wstring SkinFolder() const override { return config_.skinFolder; }
  std::wstring SkinFileName() const override { return config_.skinFileName; }
  SkinSource SkinSourceKind() const override { return config_.sourceKind; }
  UINT SkinResourceId() const override { return config_.resourceId; }
  void OnSkinLoaded() override;

 private:
  SkinFrameConfig config_;
};

}  // namespace SkinUI
