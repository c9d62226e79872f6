#include "skinui/skin_frame.h"

#include <cwchar>

#include "skinui/attribute_values.h"

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
  ConfigureShadow();
}

void CSkinFrame::ConfigureShadow() {
  auto attribute = [this](const wchar_t* name) { return manager_.CustomAttribute(name); };
  if (EqualsNoCase(attribute(L"showshadow"), L"true")) shadow_.Create(window_);
  if (const wchar_t* image = attribute(L"shadowimage")) {
    long corner[4], hole[4];
    ReadNumberList(attribute(L"shadowcorner"), corner, 4);
    ReadNumberList(attribute(L"shadowholeoffset"), hole, 4);
    shadow_.SetImage(image, RECT{corner[0], corner[1], corner[2], corner[3]}, RECT{hole[0], hole[1], hole[2], hole[3]});
  }
  if (const wchar_t* size = attribute(L"shadowsize")) shadow_.SetSize(std::wcstol(size, nullptr, 10));
  if (const wchar_t* sharpness = attribute(L"shadowsharpness"))
    shadow_.SetSharpness(std::wcstol(sharpness, nullptr, 10));
  if (const wchar_t* darkness = attribute(L"shadowdarkness")) shadow_.SetDarkness(std::wcstol(darkness, nullptr, 10));
  if (const wchar_t* position = attribute(L"shadowposition")) {
    long xy[2];
    ReadNumberList(position, xy, 2);
    shadow_.SetPosition(xy[0], xy[1]);
  }
  if (const wchar_t* colour = attribute(L"shadowcolor")) shadow_.SetColor(ReadHexValue(colour));
}

}  // namespace SkinUI
