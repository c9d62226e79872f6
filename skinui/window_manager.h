// CWindowManagerUI: one per skinned window. It owns the window's control tree and tables
// (images, fonts, default attribute lists, custom window attributes), turns native messages
// into control events, paints through a back buffer, runs control timers and delivers
// notifications; it also holds the process-wide skin source.
// Everything here runs on the thread that creates the windows; nothing is locked.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "skinui/back_buffer.h"
#include "skinui/control.h"
#include "skinui/control_event.h"
#include "skinui/font_info.h"
#include "skinui/image_info.h"
#include "skinui/skin_source.h"
#include "utils/gdi_objects.h"
#include "utils/window_owner.h"

namespace SkinUI {

class SkinArchive;

// Posted to a window to deliver its queued asynchronous notifications.
constexpr UINT kAsyncNotifyMessage = WM_APP + 1;

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
  CControlUI* RootControl() const { return root_.get(); }
  // Takes ownership of the tree; a previous root is queued for deletion. False for null or
  // for the current root.
  bool AttachRoot(CControlUI* root);
  // Stops the tree's timers and destroys it (the window is going away).
  void ReleaseRoot();

  // ---- Look-up (window_manager.cpp) ----
  CControlUI* FindControlByName(const std::wstring& name) const;
  // The visible control accepting the mouse at the point (children before their containers).
  CControlUI* FindControlAt(POINT point) const;

  // ---- Painting and layout (window_paint.cpp) ----
  void Invalidate(const RECT& rect);
  void Invalidate();
  // The next paint lays the tree out again (only the controls flagged for it).
  void RequestLayout();
  bool IsUpdateNeeded() const { return updateNeeded_; }
  // The back buffer the window was last painted into (null before the first paint).
  HDC BackBufferDC() const { return backBuffer_.dc(); }
  void AddPostPaint(CControlUI* control);
  void RemovePostPaint(CControlUI* control);

  // ---- Notifications and filters (window_notify.cpp) ----
  void SendNotification(CControlUI* sender, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0,
                        bool asynchronous = false);
  bool AddNotifyListener(INotifyUI* listener);
  bool RemoveNotifyListener(INotifyUI* listener);
  bool AddMessageFilter(IMessageFilterUI* filter);
  bool RemoveMessageFilter(IMessageFilterUI* filter);
  bool AddPreFilter(IMessageFilterUI* filter);
  bool RemovePreFilter(IMessageFilterUI* filter);
  bool UsesVirtualWindows() const { return usesVirtualWindows_; }
  void SetUsesVirtualWindows(bool uses) { usesVirtualWindows_ = uses; }
  void AddMouseLeaveNeeded(CControlUI* control);

  // ---- Timers (window_notify.cpp) ----
  // False when the (control, id) timer already runs or the native timer cannot start.
  bool SetControlTimer(CControlUI* control, UINT id, UINT milliseconds);
  bool KillControlTimer(CControlUI* control, UINT id);
  void KillControlTimers(CControlUI* control);
  // The native id of a (control, id) timer record, or -1 when there is none. A killed timer
  // keeps its record (and id) for its next start.
  int NativeTimerId(CControlUI* control, UINT id) const;
  bool IsControlTimerRunning(CControlUI* control, UINT id) const;

  // ---- Focus (window_notify.cpp) ----
  void SetFocusControl(CControlUI* control, bool focusWindow = true);
  CControlUI* FocusControl() const { return focus_; }
  CControlUI* HoverControl() const { return hover_; }
  CControlUI* ClickControl() const { return click_; }
  void MoveFocus(bool forward);

  // ---- Messages (window_messages.cpp) ----
  bool HandleManagerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // For the message loop: the pre-filters of the window the message is for (or its ancestors).
  static bool TranslateLoopMessage(MSG* message);
  POINT LastMousePoint() const { return lastMouse_; }

  // ---- Bookkeeping for controls (window_manager.cpp) ----
  // Drops every reference the manager holds to the control (focus, hover, click, timers, name).
  void ForgetControl(CControlUI* control);
  // The same for a control and everything below it, which then no longer belong to this window.
  void ForgetControlTree(CControlUI* control);
  void RenameControl(CControlUI* control, const std::wstring& oldName);
  // Enters the control and its descendants in the name map.
  void RegisterControlNames(CControlUI* control);
  void QueueForDeletion(ControlPtr control);

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
  // Enters the named skin images that neither table holds in the window's table, decoded on two
  // threads (image_preload.cpp); what FindOrLoadImage would load one by one. Returns how many.
  size_t PreloadImages(const std::vector<std::wstring>& names);
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
  // The text metrics of Font(index), taken on first use and kept in the font's record.
  TEXTMETRICW FontMetrics(int index);
  static void RemoveAllSharedFonts();

  // ---- Option groups (window_groups.cpp) ----
  // Adds the control to the named group once; false when it is already there or the name is empty.
  bool AddOptionGroup(const std::wstring& group, CControlUI* control);
  // The members of a group in the order they joined; null for a group without members.
  const std::vector<CControlUI*>* OptionGroup(const std::wstring& group) const;
  void RemoveOptionGroup(const std::wstring& group, CControlUI* control);
  // Takes the control out of every group.
  void LeaveOptionGroups(CControlUI* control);

  // ---- Default attribute lists (window_defaults.cpp) ----
  void SetDefaultAttributes(const wchar_t* name, const wchar_t* value, bool shared);
  // The window's list for that element name, else the shared one; null when neither exists.
  const wchar_t* DefaultAttributes(const wchar_t* name) const;
  static void RemoveAllSharedDefaultAttributes();

 private:
  struct TimerRecord {
    HWND window;
    CControlUI* control;
    UINT id;
    UINT nativeId;
    bool running;
  };

  // True for the root and its descendants (a tree under construction is not).
  bool IsInAttachedTree(const CControlUI* control) const;
  void Paint();
  void LayoutIfNeeded();
  void PostAsyncNotify();
  void DeliverQueuedNotifications();
  void DeliverNotification(NotifyEvent& notification);
  void TrackMouse();
  void MouseMoveTo(POINT point, WPARAM keyState);
  void DestroyTooltip();
  void ShowTooltip(CControlUI* control);
  void KillAllTimers();
  ControlEvent MakeEvent(int kind, CControlUI* sender, WPARAM wParam, LPARAM lParam) const;
  std::unique_ptr<FontInfo> MakeFont(const wchar_t* face, int size, bool bold, bool underline, bool italic) const;

  HWND window_ = nullptr;
  Utils::WindowDC windowDC_;
  BackBuffer backBuffer_;
  std::wstring name_;
  ControlPtr root_;
  CControlUI* focus_ = nullptr;
  CControlUI* hover_ = nullptr;
  CControlUI* click_ = nullptr;
  CControlUI* key_ = nullptr;
  POINT lastMouse_ = {-1, -1};
  UINT timerCounter_ = 4096;
  bool firstLayout_ = true;
  bool updateNeeded_ = false;
  bool focusNeeded_ = false;
  bool offscreenPaint_ = true;
  bool painting_ = false;
  bool mouseTracking_ = false;
  bool mouseCaptured_ = false;
  bool asyncNotifyPosted_ = false;
  bool usesVirtualWindows_ = false;
  DWORD hoverTime_ = 1000;
  Utils::UniqueWindow tooltip_;
  TOOLINFOW toolInfo_ = {};
  std::wstring tooltipText_;

  std::vector<INotifyUI*> notifiers_;
  std::vector<IMessageFilterUI*> messageFilters_;
  std::vector<IMessageFilterUI*> preFilters_;
  std::vector<CControlUI*> postPaint_;
  std::vector<CControlUI*> mouseLeaveNeeded_;
  std::vector<ControlPtr> delayedCleanup_;
  std::vector<NotifyEvent> asyncNotify_;
  std::vector<TimerRecord> timers_;
  std::unordered_map<std::wstring, CControlUI*> names_;

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
  std::map<std::wstring, std::vector<CControlUI*>> optionGroups_;
};

}  // namespace SkinUI
