#include "skin/popup_menu_skinner.h"

#include "skin/draw_primitives.h"
#include "skin/skin_manager.h"

namespace skin {

TPopupMenuSkinner::~TPopupMenuSkinner() {
  // Undoing the subclassing is the releaser's job; a skinner freed without it must not leave the
  // window calling into freed memory.
  if (instance_ && win::IsWindow(window_)) Unsubclass();
  else if (instance_) win::FreeProcInstance(instance_);
}

void TPopupMenuSkinner::Subclass(win::HWND window, TSkinData* sd, win::HMENU menu) {
  window_ = window;
  skin_data_ = sd;
  menu_ = menu;
  instance_ = win::MakeProcInstance(
      [this](win::HWND, win::UINT msg, win::WPARAM wp, win::LPARAM lp) { return PopupWndProc(msg, wp, lp); });
  old_proc_ = reinterpret_cast<win::WNDPROC>(
      win::SetWindowLongPtr(window, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(instance_)));
}

void TPopupMenuSkinner::Unsubclass() {
  if (!instance_) return;
  if (win::IsWindow(window_)) win::SetWindowLongPtr(window_, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(old_proc_));
  win::FreeProcInstance(instance_);
  instance_ = nullptr;
  background_.Clear();
}

win::LRESULT TPopupMenuSkinner::CallOldProc(win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
  return win::CallWindowProc(old_proc_, window_, msg, wp, lp);
}

win::LRESULT TPopupMenuSkinner::PopupWndProc(win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
  if (msg == kMsgIsSkinned) return 1;
  TSkinManage* m = SkinManager();
  if (!m || !m->FActive) return CallOldProc(msg, wp, lp);
  switch (msg) {
    case win::WM_DESTROY: {
      // The window's last messages go to the procedure that was there before.
      win::WNDPROC old = old_proc_;
      win::HWND w = window_;
      Unsubclass();
      return win::CallWindowProc(old, w, msg, wp, lp);
    }
    case win::WM_ERASEBKGND:
      if (IsNTPlatform()) {
        if (!InSet(skin_data_->Options, xoMenuBG)) CallOldProc(msg, wp, lp);
        return 1;
      }
      return 0;
    case win::WM_NCPAINT:
      if (!CanPaint() || wp != 1) return CallOldProc(msg, wp, lp);
      PaintFrame();
      return 0;
    case win::WM_PRINT:
      PrintBackground(reinterpret_cast<gdi::HDC>(wp), lp);
      return 0;
    default: return CallOldProc(msg, wp, lp);
  }
}

bool TPopupMenuSkinner::CanPaint() const {
  return skin_data_ && !skin_data_->FSkinNotReady && skin_data_->FMenuBackground &&
         !skin_data_->FMenuBackground->Image.Empty();
}

void TPopupMenuSkinner::ComposeBackground() {
  gdi::RECT wr{};
  win::GetWindowRect(window_, &wr);
  const gdi::RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
  const TDataSkinObject& bg = *skin_data_->FMenuBackground;
  background_ = BuildNineGridBitmap(r, bg.Image, bg.Margins(), false, bg.Tile != 0, 1, 1);
}

void TPopupMenuSkinner::PaintFrame() {
  const bool window_dc = IsNTPlatform() && PlatformMajorVersion() >= 5 && PlatformMinorVersion() > 1;
  gdi::HDC dc = window_dc ? win::GetWindowDC(window_)
                          : win::GetDCEx(window_, reinterpret_cast<gdi::HRGN>(1),
                                         win::DCX_WINDOW | win::DCX_INTERSECTRGN | win::DCX_USESTYLE);
  if (!dc) return;
  ComposeBackground();
  if (!background_.Empty()) {
    SelectedBitmap src(background_.Handle());
    gdi::BitBlt(dc, 0, 0, background_.Width(), background_.Height(), src.dc(), 0, 0, gdi::SRCCOPY);
  }
  win::ReleaseDC(window_, dc);
}

void TPopupMenuSkinner::PrintBackground(gdi::HDC dc, win::LPARAM flags) {
  gdi::RECT wr{};
  if (!CanPaint() || !win::GetWindowRect(window_, &wr)) {
    CallOldProc(win::WM_PRINT, reinterpret_cast<win::WPARAM>(dc), flags);
    return;
  }
  const gdi::RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
  gdi::HRGN inner = gdi::CreateRectRgn(r.left + 3, r.top + 3, r.right - 3, r.bottom - 3);
  ComposeBackground();
  if (!background_.Empty()) {
    SelectedBitmap src(background_.Handle());
    gdi::BitBlt(dc, 0, 0, background_.Width(), background_.Height(), src.dc(), 0, 0, gdi::SRCCOPY);
  }
  const int old_mode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::SelectClipRgn(dc, inner);
  CallOldProc(win::WM_PRINT, reinterpret_cast<win::WPARAM>(dc), flags);
  gdi::SelectClipRgn(dc, nullptr);
  gdi::DeleteObject(inner);
  gdi::SetBkMode(dc, old_mode);
}

}  // namespace skin
