// CWndShadow: the soft drop shadow of a frameless window. A layered, click-through pop-up owned
// by the window follows it through a hook on the window's procedure; its picture is computed
// from the window's shape or drawn from a nine-slice image.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "skinui/image_info.h"
#include "utils/gdi_objects.h"
#include "utils/window_owner.h"

namespace SkinUI {

class CWndShadow {
 public:
  static constexpr const wchar_t* kClassName = L"SkinShadowWnd";

  CWndShadow() = default;
  // Closes the shadow window through its queue and gives the window its procedure back.
  virtual ~CWndShadow();
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;

  // Once per process: finds the layered-window update of the system and registers the class.
  // False when the system lacks it (no window then gets a shadow) or when already done.
  static bool Initialise(HINSTANCE instance);
  // The shadow that hooks this window, or null.
  static CWndShadow* FromParent(HWND parent);

  // Creates the shadow window for `parent` and hooks its procedure; nothing without the
  // layered-window update, or when this object already shadows a window.
  void Create(HWND parent);

  // Each refuses (false, nothing changed) a value out of range; an accepted value rebuilds a
  // visible shadow at once.
  bool SetSize(int size);            // -20 to 20
  bool SetSharpness(int sharpness);  // 0 to 20
  bool SetDarkness(int darkness);    // 0 to 255
  bool SetPosition(int x, int y);    // -20 to 20 each
  bool SetColor(COLORREF colour);    // 0x00BBGGRR: red in the lowest byte
  // A nine-slice skin image instead of the computed shadow; false when it cannot be loaded.
  bool SetImage(const wchar_t* image, const RECT& corner, const RECT& holeOffset);

  HWND ShadowWindow() const { return window_.get(); }
  bool Visible() const { return (status_ & kShadowVisible) != 0; }
  int Size() const { return size_; }
  int Sharpness() const { return sharpness_; }
  int Darkness() const { return darkness_; }
  POINT Position() const { return POINT{xOffset_, yOffset_}; }
  COLORREF Color() const { return colour_; }
  // The picture last handed to the shadow window: premultiplied blue-green-red-alpha pixels,
  // top-down; null before the first build.
  const uint32_t* AppliedPixels() const { return bits_; }
  SIZE AppliedSize() const { return appliedSize_; }

 private:
  enum : BYTE { kEnabled = 1, kShadowVisible = 2, kParentVisible = 4 };

  static LRESULT CALLBACK ParentHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnParentMessage(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
  void Rebuild(HWND parent);
  bool PrepareBitmap(int width, int height);
  POINT ShadowOrigin(const RECT& parentRect) const;
  void ShowShadow();
  void HideShadow();
  void RebuildIfVisible();

  Utils::PostClosedWindow window_;
  HWND parent_ = nullptr;
  BYTE status_ = 0;
  int darkness_ = 150;
  int sharpness_ = 5;
  int size_ = 0;
  int xOffset_ = 5;
  int yOffset_ = 5;
  WORD lastWidth_ = 0;
  WORD lastHeight_ = 0;
  COLORREF colour_ = 0;
  bool updatePending_ = false;
  std::unique_ptr<ImageInfo> image_;
  RECT corner_ = {};
  RECT holeOffset_ = {};

  // Kept between builds: a rebuild at the same size reuses it.
  Utils::UniqueBitmap bitmap_;
  uint32_t* bits_ = nullptr;
  SIZE appliedSize_ = {};
};

}  // namespace SkinUI
