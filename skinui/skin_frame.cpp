#include "skinui/skin_frame.h"

namespace SkinUI {

SkinFrameConfig CSkinFrame::InstallerConfig(const std::wstring& layoutFile) {
  SkinFrameConfig config;
  config.sourceKind = SkinSource::ZipResource;
  config.resourceId = 147;
  config.skinFileName = layoutFile;
  config.windowClassName = layoutFile.substr(0, layoutFile.find(L'.'));
  return config;
}

LRESULT CSkinFrame::FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
    handled = true;
    return 0;
  }
  return WindowImplBase::FilterMessage(message, wParam, lParam, handled);
}

void CSkinFrame::OnSkinLoaded() {
  const LONG style = ::GetWindowLongW(window_, GWL_STYLE);
  ::SetWindowLongW(window_, GWL_STYLE, static_cast<LONG>(style & 0xFF3EFFFF));
}

}  // namespace SkinUI
