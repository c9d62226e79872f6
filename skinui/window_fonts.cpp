// The font tables of CWindowManagerUI: one per window and one shared by the process, each with
// an optional default font; the system's default GUI font serves when neither has one.
#include <cwchar>

#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

struct SharedFonts {
  std::map<int, std::unique_ptr<FontInfo>> fonts;
  std::unique_ptr<FontInfo> defaultFont;
};

// Lives until the process ends; window thread only.
SharedFonts& Shared() {
  static SharedFonts fonts;
  return fonts;
}

}  // namespace

std::unique_ptr<FontInfo> CWindowManagerUI::MakeFont(const wchar_t* face, int size, bool bold, bool underline,
                                                     bool italic) const {
  LOGFONTW description = {};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
  std::wcsncpy(description.lfFaceName, face ? face : L"", LF_FACESIZE - 1);
  description.lfFaceName[LF_FACESIZE - 1] = L'\0';
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfHeight = -size;
  // Bold adds to the system font's weight rather than replacing it.
  if (bold) description.lfWeight += FW_BOLD;
  if (underline) description.lfUnderline = TRUE;
  if (italic) description.lfItalic = TRUE;

  auto info = std::make_unique<FontInfo>();
  info->font.reset(::CreateFontIndirectW(&description));
  if (!info->font) return nullptr;
  info->face = description.lfFaceName;
  info->size = size;
  info->bold = bold;
  info->underline = underline;
  info->italic = italic;
  if (HDC dc = PaintDC()) {
    Utils::SelectionGuard selection(dc, info->font.get());
    info->hasMetrics = selection.selected() && ::GetTextMetricsW(dc, &info->metrics);
  }
  return info;
}

HFONT CWindowManagerUI::AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic,
                                bool shared) {
  std::unique_ptr<FontInfo> info = MakeFont(face, size, bold, underline, italic);
  if (!info) return nullptr;
  HFONT font = info->font.get();
  (shared ? Shared().fonts : fonts_)[id] = std::move(info);
  return font;
}

HFONT CWindowManagerUI::SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic,
                                       bool shared) {
  std::unique_ptr<FontInfo> info = MakeFont(face, size, bold, underline, italic);
  if (!info) return nullptr;
  HFONT font = info->font.get();
  (shared ? Shared().defaultFont : defaultFont_) = std::move(info);
  return font;
}

const FontInfo* CWindowManagerUI::FindFont(int id) const {
  auto own = fonts_.find(id);
  if (own != fonts_.end()) return own->second.get();
  auto shared = Shared().fonts.find(id);
  return shared == Shared().fonts.end() ? nullptr : shared->second.get();
}

const FontInfo* CWindowManagerUI::DefaultFontInfo() const {
  return defaultFont_ ? defaultFont_.get() : Shared().defaultFont.get();
}

HFONT CWindowManagerUI::Font(int index) const {
  if (index >= 0) {
    if (const FontInfo* info = FindFont(index)) return info->font.get();
  }
  if (const FontInfo* info = DefaultFontInfo()) return info->font.get();
  return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

TEXTMETRICW CWindowManagerUI::FontMetrics(int index) {
  FontInfo* info = nullptr;
  if (index >= 0) {
    auto own = fonts_.find(index);
    if (own != fonts_.end()) {
      info = own->second.get();
    } else {
      auto shared = Shared().fonts.find(index);
      if (shared != Shared().fonts.end()) info = shared->second.get();
    }
  }
  if (!info) info = defaultFont_ ? defaultFont_.get() : Shared().defaultFont.get();
  TEXTMETRICW metrics = {};
  HDC dc = PaintDC();
  Utils::WindowDC screen;
  if (!dc) {
    screen = Utils::WindowDC(nullptr);
    dc = screen.get();
  }
  if (info) {
    if (!info->hasMetrics && dc) {
      Utils::SelectionGuard selection(dc, info->font.get());
      info->hasMetrics = selection.selected() && ::GetTextMetricsW(dc, &info->metrics);
    }
    return info->metrics;
  }
  // The system font serves; it has no record to keep its metrics in.
  if (dc) {
    Utils::SelectionGuard selection(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    if (selection.selected()) ::GetTextMetricsW(dc, &metrics);
  }
  return metrics;
}

void CWindowManagerUI::RemoveAllSharedFonts() {
  Shared().fonts.clear();
  Shared().defaultFont.reset();
}

}  // namespace SkinUI
