// Text drawing of CDrawEngine: language tokens replaced, transparent background, the window's
// fonts by index.
#include <windows.h>

#include "skinui/draw_engine.h"
#include "skinui/language_tokens.h"
#include "skinui/window_manager.h"
#include "utils/gdi_objects.h"

namespace SkinUI {
namespace {

COLORREF ToColorRef(DWORD argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

HFONT FontOf(CWindowManagerUI* manager, int font) {
  return manager ? manager->Font(font) : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

// Restores the DC's background mode and text colour after one text call.
class TextStateGuard {
 public:
  TextStateGuard(HDC dc, COLORREF colour)
      : dc_(dc), mode_(::SetBkMode(dc, TRANSPARENT)), colour_(::SetTextColor(dc, colour)) {}
  ~TextStateGuard() {
    if (mode_ != 0) ::SetBkMode(dc_, mode_);
    if (colour_ != CLR_INVALID) ::SetTextColor(dc_, colour_);
  }
  TextStateGuard(const TextStateGuard&) = delete;
  TextStateGuard& operator=(const TextStateGuard&) = delete;

 private:
  HDC dc_;
  int mode_;
  COLORREF colour_;
};

}  // namespace

void CDrawEngine::DrawText(HDC dc, CWindowManagerUI* manager, RECT& rect, const std::wstring& text, DWORD colour,
                           int font, UINT style) {
  if (!dc) return;
  const std::wstring shown = ReplaceLanguageTokens(text);
  TextStateGuard state(dc, ToColorRef(colour));
  Utils::SelectionGuard selection(dc, FontOf(manager, font));
  ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &rect, style | DT_NOPREFIX);
}

void CDrawEngine::DrawHtmlText(HDC dc, CWindowManagerUI* manager, RECT& rect, const std::wstring& text, DWORD colour,
                               int font, UINT style) {
  DrawText(dc, manager, rect, text, colour, font, style);
}

RECT CDrawEngine::MeasureText(HDC dc, CWindowManagerUI* manager, const RECT& rect, const std::wstring& text, int font,
                              UINT style) {
  RECT measured = rect;
  if (!dc && manager) dc = manager->PaintDC();
  if (!dc) {
    measured.right = measured.left;
    measured.bottom = measured.top;
    return measured;
  }
  // Vertical placement flags change no size, yet some platforms move the measured rectangle by them.
  DrawText(dc, manager, measured, text, 0, font, (style & ~static_cast<UINT>(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
  return measured;
}

}  // namespace SkinUI
