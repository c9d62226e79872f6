// Painting and lazy layout of a window's control tree through the back buffer.
#include <windows.h>

#include <algorithm>

#include "skinui/window_manager.h"

namespace SkinUI {
namespace {

CControlUI* CollectUpdate(CControlUI* control, void* data) {
  static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
  return nullptr;
}

// Painted-rectangle outline for "showdirty": one pixel, RGB(220, 0, 0), shared by all windows.
HPEN DirtyPen() {
  static Utils::UniquePen pen(::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
  return pen.get();
}

}  // namespace

void CWindowManagerUI::Invalidate(const RECT& rect) {
  if (window_) ::InvalidateRect(window_, &rect, FALSE);
}

void CWindowManagerUI::Invalidate() {
  if (window_) ::InvalidateRect(window_, nullptr, FALSE);
}

void CWindowManagerUI::RequestLayout() {
  updateNeeded_ = true;
  Invalidate();
}

void CWindowManagerUI::AddPostPaint(CControlUI* control) {
  if (control && std::find(postPaint_.begin(), postPaint_.end(), control) == postPaint_.end())
    postPaint_.push_back(control);
}

void CWindowManagerUI::RemovePostPaint(CControlUI* control) {
  postPaint_.erase(std::remove(postPaint_.begin(), postPaint_.end(), control), postPaint_.end());
}

void CWindowManagerUI::LayoutIfNeeded() {
  if (!updateNeeded_) return;
  updateNeeded_ = false;
  RECT client;
  ::GetClientRect(window_, &client);
  if (client.right > client.left && client.bottom > client.top) {
    if (root_->IsUpdateNeeded()) {
      backBuffer_.Reset();
      root_->SetPosition(client, true);
    } else {
      std::vector<CControlUI*> flagged;
      root_->SearchControls(CollectUpdate, &flagged, kFindVisible | kFindUpdateTest | kFindMeFirst);
      for (CControlUI* control : flagged) {
        if (!control->IsUpdateNeeded()) continue;
        control->SetPosition(control->IsFloat() ? control->RelativePosition() : control->Position(), true);
      }
    }
    if (firstLayout_) {
      firstLayout_ = false;
      SendNotification(root_.get(), L"windowinit");
    }
  }
}

void CWindowManagerUI::Paint() {
  RECT update;
  if (!::GetUpdateRect(window_, &update, FALSE)) {
    // Nothing to paint; the paint message still has to be validated.
    Utils::PaintDC paint(window_);
    return;
  }
  if (!root_) {
    Utils::PaintDC paint(window_);
    ::FillRect(paint.get(), &paint.paint().rcPaint, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    return;
  }
  LayoutIfNeeded();
  // After the layout, so that the move is not deferred to a paint that never comes.
  if (focusNeeded_) MoveFocus(true);

  Utils::PaintDC paint(window_);
  const RECT& area = paint.paint().rcPaint;
  painting_ = true;
  RECT client;
  ::GetClientRect(window_, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (offscreenPaint_ && (!backBuffer_ || backBuffer_.size().cx != width || backBuffer_.size().cy != height))
    backBuffer_.Create(paint.get(), width, height);
  if (offscreenPaint_ && backBuffer_) {
    HDC buffer = backBuffer_.dc();
    const int saved = ::SaveDC(buffer);
    root_->Paint(buffer, area, nullptr);
    for (CControlUI* control : postPaint_) control->PaintAfter(buffer, area);
    ::RestoreDC(buffer, saved);
    ::BitBlt(paint.get(), area.left, area.top, area.right - area.left, area.bottom - area.top, buffer, area.left,
             area.top, SRCCOPY);
  } else {
    // Without a back buffer the window is painted directly rather than not at all.
    const int saved = ::SaveDC(paint.get());
    root_->Paint(paint.get(), area, nullptr);
    for (CControlUI* control : postPaint_) control->PaintAfter(paint.get(), area);
    ::RestoreDC(paint.get(), saved);
  }
  if (showDirty_) {
    Utils::SelectionGuard pen(paint.get(), DirtyPen());
    Utils::SelectionGuard brush(paint.get(), ::GetStockObject(NULL_BRUSH));
    ::Rectangle(paint.get(), area.left, area.top, area.right, area.bottom);
  }
  painting_ = false;
  // A layout requested while painting needs another pass.
  if (updateNeeded_) ::InvalidateRect(window_, nullptr, FALSE);
}

}  // namespace SkinUI
