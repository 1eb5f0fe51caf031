#include "skin/drop_list.h"

#include <algorithm>

#include "platform/win/controls.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"

namespace skin {

int DragThumbPosition(int o, int min, int max, int page, int track, int len) {
  o = std::max(o, 0);
  int u = 0;
  if (page == 0) {
    o = std::min(o, track - len);
    u = std::min(gdi::MulDiv(o, max - min, track) + min, max);
  } else {
    if (o > track - len) o = track - len + 1;
    u = gdi::MulDiv(o, max - min - page, track - len) + min;
    if (u >= max - page) u = max - page + 1;
  }
  return std::max(u, min);
}

TComboxScrollBar::TComboxScrollBar(pc::TComponent* owner) : TSkinControl(owner) {
  FControl = nullptr;
  FArrowSize = win::GetSystemMetrics(win::SM_CXHSCROLL);
}

TComboxScrollBar::~TComboxScrollBar() { *alive_ = false; }

bool TComboxScrollBar::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_NCPAINT: return true;
    // The list's own bar never sees the pointer, so it draws no hot arrows over the skin.
    case win::WM_NCMOUSEMOVE: return m.WParam != win::HTHSCROLL && m.WParam != win::HTVSCROLL;
    case win::WM_NCLBUTTONDOWN: return !DragThumb(m);
    default: return TSkinControl::BeforeMessage(m);
  }
}

void TComboxScrollBar::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_NCPAINT:
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
    case win::LBCB_STARTTRACK: PaintWindow(nullptr); break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TComboxScrollBar::PaintSkin(gdi::HDC dc, const gdi::RECT& r) { PaintBar(dc, r); }

void TComboxScrollBar::PaintBar(gdi::HDC dc, const gdi::RECT& R) {
  const TSkinData& sd = *FSkinData;
  if (!sd.FScrollbar || sd.FScrollbar->Image.Empty()) return;
  gdi::RECT wr;
  if (!win::GetWindowRect(FHandle, &wr)) return;
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  win::SCROLLBARINFO info;
  if (!GetScrollBarInfoSafe(FHandle, win::OBJID_VSCROLL, &info) || (info.rgstate[0] & win::STATE_SYSTEM_INVISIBLE)) return;
  const bool enabled = !(info.rgstate[0] & win::STATE_SYSTEM_UNAVAILABLE);
  const int A = FArrowSize;
  gdi::RECT Q = info.rcScrollBar;
  gdi::OffsetRect(&Q, -Q.left, -Q.top);
  if (Q.right < 0 || Q.bottom < 0 || Q.right > W || Q.bottom > H) return;
  const SkinImage& bar = sd.FScrollbar->Image;
  const int D = std::abs(bar.Height() - A) > 2 ? A : bar.Height();
  Q.right = D;
  if (Q.bottom <= 0 || D <= 0) return;
  SkinImage work = FilledPicture(Q.right, Q.bottom, gdi::resolve_color(sd.FColours[3]));
  SelectedBitmap b(work.Handle());
  gdi::SetStretchBltMode(b.dc(), gdi::COLORONCOLOR);
  if (const TDataSkinObject* track = sd.FVertScroll.get(); track && !track->Image.Empty() && Q.bottom - 2 * A > 0)
    DrawNineGrid(b.dc(), {0, A, D, Q.bottom - A}, track->Image, false, track->Tile != 0, track->Trans != 0, 4,
                 enabled ? 1 : 3, track->Margins());
  // The arrows shrink with the whole list window, not with the bar.
  const int a = R.bottom - R.top < 2 * A ? (R.bottom - R.top) / 2 : A;
  DrawKeyedFrame(b.dc(), {0, 0, D, a}, 23, 9, bar);
  DrawKeyedFrame(b.dc(), {0, Q.bottom - a, D, Q.bottom}, 23, 13, bar);
  FThumbStart = info.xyThumbTop;
  FThumbEnd = info.xyThumbBottom;
  if (enabled) {
    const TDataSkinObject* thumb = sd.FVertScrollThumb.get();
    if (thumb && !thumb->Image.Empty() && FThumbStart < H && FThumbEnd < H && FThumbEnd > FThumbStart)
      DrawNineGrid(b.dc(), {0, FThumbStart, D, FThumbEnd}, thumb->Image, false, false, thumb->Trans != 0, thumb->Frame, 1,
                   thumb->Margins());
    const int h = bar.Height(), len = FThumbEnd - FThumbStart;
    if (h < len + 2) {
      const int top = FThumbStart + (len - h) / 2;
      if (top < H && top + h < H) DrawKeyedFrame(b.dc(), {0, top, D, top + h}, 23, 20, bar);
    }
  }
  gdi::BitBlt(dc, info.rcScrollBar.left - wr.left, info.rcScrollBar.top - wr.top, Q.right, Q.bottom, b.dc(), 0, 0,
              gdi::SRCCOPY);
}

bool TComboxScrollBar::DragThumb(const pc::TMessage& m) {
  if (m.WParam != win::HTVSCROLL) return false;
  const win::HWND list = FHandle;
  win::SCROLLBARINFO info;
  if (!GetScrollBarInfoSafe(list, win::OBJID_VSCROLL, &info)) return false;
  const int p = win::GET_Y_LPARAM(m.LParam) - info.rcScrollBar.top;
  if (p < info.xyThumbTop || p > info.xyThumbBottom) return false;
  win::SetCapture(list);
  gdi::POINT c0{};
  win::GetCursorPos(&c0);
  win::SCROLLINFO si;
  si.fMask = win::SIF_ALL;
  win::GetScrollInfo(list, win::SB_VERT, &si);
  const int A = FArrowSize;
  const int off0 = info.xyThumbTop - A;
  const int track = (info.rcScrollBar.bottom - info.rcScrollBar.top) - 2 * A;
  const int len = info.xyThumbBottom - info.xyThumbTop;
  int last = si.nPos;
  const std::shared_ptr<bool> alive = alive_;
  auto finish = [&] {
    win::SendMessage(list, win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBPOSITION, static_cast<win::WORD>(last)), 0);
    win::PostMessage(list, win::WM_VSCROLL, win::SB_ENDSCROLL, 0);
  };
  // Waits for each message: the drag ends on the button's release, on the loss of the capture (the
  // list keeps the position dragged to) and when the list window goes.
  win::MSG msg;
  for (;;) {
    if (!win::GetMessage(&msg, nullptr, 0, 0)) {
      win::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message == win::WM_NCLBUTTONUP || msg.message == win::WM_LBUTTONUP) {
      finish();
      break;
    }
    win::TranslateMessage(&msg);
    win::DispatchMessage(&msg);
    if (!*alive || !win::IsWindow(list)) return true;
    if (win::GetCapture() != list) {
      finish();
      break;
    }
    if (msg.message == win::WM_NCMOUSEMOVE || msg.message == win::WM_MOUSEMOVE) {
      gdi::POINT c{};
      win::GetCursorPos(&c);
      const int u = DragThumbPosition(off0 + c.y - c0.y, si.nMin, si.nMax, static_cast<int>(si.nPage), track, len);
      if (u != last) {
        win::SendMessage(list, win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBTRACK, static_cast<win::WORD>(u)), 0);
        last = u;
      }
    }
  }
  if (win::IsWindow(list) && win::GetCapture() == list) win::ReleaseCapture();
  return true;
}

}  // namespace skin
