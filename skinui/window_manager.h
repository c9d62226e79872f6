// CWindowManagerUI: one per skinned window. It owns the window's tables (images, fonts,
// default attribute lists, custom window attributes) and holds the process-wide skin source.
// Everything here runs on the thread that creates the windows; nothing is locked.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "skinui/font_info.h"
#include "skinui/image_info.h"
#include "skinui/skin_source.h"
#include "utils/gdi_objects.h"

namespace SkinUI {

class CControlUI;
class SkinArchive;

class CWindowManagerUI {
 public:
  CWindowManagerUI();
  ~CWindowManagerUI();
  CWindowManagerUI(const CWindowManagerUI&) = delete;
  CWindowManagerUI& operator=(const CWindowManagerUI&) = delete;

  // ---- Process-wide skin source (skin_source.cpp) ----
  static void SetModuleInstance(HINSTANCE instance);
  static HINSTANCE ModuleInstance();
  // The module's path up to and including its last backslash; empty without an instance.
  static std::wstring ModuleFolder();
  // Appends a backslash to a non-empty path that ends in neither separator.
  static void SetSkinFolderPath(const std::wstring& path);
  static const std::wstring& SkinFolderPath();
  // Empty: plain files; "membuffer": opened from memory; else an archive file name.
  static const std::wstring& SkinArchiveName();
  static bool IsSkinArchiveCached();
  static SkinArchive* CachedSkinArchive();
  static void SetArchiveFormat7z(bool is7z);
  static bool IsArchiveFormat7z();
  // The first call opens the archive and keeps it for the life of the process; later calls
  // find it open ("membuffer") and do nothing.
  static void SetSkinArchiveFromMemory(const void* bytes, size_t size);
  static void SetSkinArchiveFile(const std::wstring& name, bool cached);
  // What a window's creation does before it builds its layout: fixes the skin folder (the
  // module's folder when none is set yet, plus `skinFolder`) and opens the archive the kind
  // asks for. False when a ZipResource's resource is missing, unloadable or empty.
  static bool OpenSkinSource(SkinSource kind, const std::wstring& skinFolder, UINT resourceId,
                             const std::wstring& archiveFileName);

  // ---- Window (window_manager.cpp) ----
  // Keeps a device context of the window for the manager's lifetime.
  void AttachWindow(HWND window, const std::wstring& name = std::wstring());
  HWND PaintWindow() const { return window_; }
  HDC PaintDC() const { return windowDC_.get(); }
  const std::wstring& Name() const { return name_; }
  CControlUI* RootControl() const { return root_; }

  // Names compare case-insensitively; names the manager does not handle are kept as custom
  // attributes when both name and value are non-empty.
  void SetWindowAttribute(const wchar_t* name, const wchar_t* value);
  // Null when the window has no such custom attribute.
  const wchar_t* CustomAttribute(const wchar_t* name) const;
  void SetOpacity(BYTE opacity);

  SIZE InitialSize() const { return initialSize_; }
  RECT SizeBox() const { return sizeBox_; }
  RECT CaptionRect() const { return caption_; }
  SIZE RoundCorner() const { return roundCorner_; }
  SIZE MinInfo() const { return minInfo_; }
  SIZE MaxInfo() const { return maxInfo_; }
  bool IsShowDirty() const { return showDirty_; }
  bool IsNoActivate() const { return noActivate_; }
  BYTE Opacity() const { return opacity_; }
  DWORD DisabledFontColor() const { return disabledFontColor_; }
  DWORD DefaultFontColor() const { return defaultFontColor_; }
  DWORD LinkFontColor() const { return linkFontColor_; }
  DWORD LinkHoverFontColor() const { return linkHoverFontColor_; }
  DWORD SelectedColor() const { return selectedColor_; }

  // ---- Images (image_tables.cpp) ----
  // The window's table, then the shared one; loads into the window's table when neither has it.
  const ImageInfo* FindOrLoadImage(const wchar_t* name, const wchar_t* type, DWORD mask);
  // Loads and stores under `name` (replacing an entry of that name); null when it cannot load.
  const ImageInfo* RegisterImage(const wchar_t* name, const wchar_t* type, DWORD mask, bool shared);
  // Looks up without loading.
  const ImageInfo* FindImage(const wchar_t* name) const;
  static void RemoveAllSharedImages();

  // ---- Fonts (window_fonts.cpp) ----
  // Stores the font under `id` (replacing a previous one); null when it cannot be created.
  HFONT AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic, bool shared);
  HFONT SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic, bool shared);
  // The window's font of that id, else the shared one, else the default font.
  HFONT Font(int index) const;
  // The record behind an id (window table first); null when neither table has it.
  const FontInfo* FindFont(int id) const;
  // The window's default font record, else the process's; null while the system font serves.
  const FontInfo* DefaultFontInfo() const;
  static void RemoveAllSharedFonts();

  // ---- Default attribute lists (window_defaults.cpp) ----
  void SetDefaultAttributes(const wchar_t* name, const wchar_t* value, bool shared);
  // The window's list for that element name, else the shared one; null when neither exists.
  const wchar_t* DefaultAttributes(const wchar_t* name) const;
  static void RemoveAllSharedDefaultAttributes();

 private:
  std::unique_ptr<FontInfo> MakeFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) const;

  HWND window_ = nullptr;
  Utils::WindowDC windowDC_;
  std::wstring name_;
  CControlUI* root_ = nullptr;

  SIZE initialSize_ = {0, 0};
  RECT sizeBox_ = {0, 0, 0, 0};
  RECT caption_ = {0, 0, 0, 0};
  SIZE roundCorner_ = {0, 0};
  SIZE minInfo_ = {0, 0};
  SIZE maxInfo_ = {0, 0};
  bool showDirty_ = false;
  bool noActivate_ = false;
  BYTE opacity_ = 255;
  BYTE layeredOpacity_ = 255;
  std::wstring layeredImage_;
  DWORD disabledFontColor_;
  DWORD defaultFontColor_;
  DWORD linkFontColor_;
  DWORD linkHoverFontColor_;
  DWORD selectedColor_;
  std::map<std::wstring, std::wstring> customAttributes_;

  std::unordered_map<std::wstring, std::unique_ptr<ImageInfo>> images_;
  std::map<int, std::unique_ptr<FontInfo>> fonts_;
  std::unique_ptr<FontInfo> defaultFont_;
  std::unordered_map<std::wstring, std::wstring> defaultAttributes_;
};

}  // namespace SkinUI
