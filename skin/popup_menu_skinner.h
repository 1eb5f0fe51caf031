// Skinning of popup-menu windows: the menu window's procedure is replaced so that its frame and
// background come from the skin's menu background; the items are painted by their owner.
#pragma once

#include "platform/win/win.h"
#include "skin/skin_data.h"

namespace skin {

class TPopupMenuSkinner {
public:
  TPopupMenuSkinner() = default;
  ~TPopupMenuSkinner();
  TPopupMenuSkinner(const TPopupMenuSkinner&) = delete;
  TPopupMenuSkinner& operator=(const TPopupMenuSkinner&) = delete;

  void Subclass(win::HWND window, TSkinData* sd, win::HMENU menu);
  void Unsubclass();
  bool Subclassed() const { return instance_ != nullptr; }
  win::HWND Window() const { return window_; }
  win::HMENU MenuHandle() const { return menu_; }
  void SetMenuHandle(win::HMENU menu) { menu_ = menu; }
  // The picture last composed for the window, for the items to be painted over.
  const SkinImage& Background() const { return background_; }

private:
  win::LRESULT PopupWndProc(win::UINT msg, win::WPARAM wp, win::LPARAM lp);
  win::LRESULT CallOldProc(win::UINT msg, win::WPARAM wp, win::LPARAM lp);
  bool CanPaint() const;
  void ComposeBackground();
  void PaintFrame();
  void PrintBackground(gdi::HDC dc, win::LPARAM flags);

  win::WNDPROC old_proc_ = nullptr;
  win::WNDPROC instance_ = nullptr;
  win::HWND window_ = nullptr;
  TSkinData* skin_data_ = nullptr;
  SkinImage background_;
  win::HMENU menu_ = nullptr;
};

}  // namespace skin
