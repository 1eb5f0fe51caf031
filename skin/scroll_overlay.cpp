#include "skin/scroll_overlay.h"

#include <algorithm>

#include "core/unicode.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"

namespace skin {

int ScrollBarPartAt(int a, int arrow, int thumb_start, int thumb_end, int length) {
  if (a < arrow) return kScrollFirstArrow;
  if (a < thumb_start) return kScrollPageBefore;
  if (a < thumb_end) return kScrollThumb;
  if (a < length - arrow) return kScrollPageAfter;
  return kScrollSecondArrow;
}

ThumbExtent ControlThumbExtent(int length, int arrow, int min, int max, int page, int pos) {
  const int range = max == min ? 9999999 : max - min;
  const int track = length - 2 * arrow;
  int thumb = 0, start = 0;
  if (page != 0) {
    thumb = gdi::MulDiv(track, page - 1, range);
    if (thumb < 8) {
      thumb = 8;
      start = pos == min ? arrow : gdi::MulDiv(track - 8, pos - min, range) + arrow;
    } else {
      start = pos == min ? arrow : gdi::MulDiv(track, pos - min, range) + arrow;
    }
  } else {
    thumb = arrow;
    start = pos == min ? arrow : gdi::MulDiv(length - 3 * arrow, pos - min, range) + arrow;
  }
  return {start, start + thumb};
}

TWScrollbar::TWScrollbar(pc::TComponent* owner) : pc::TCustomControl(owner) {
  FArrowSize = win::GetSystemMetrics(win::SM_CXHSCROLL);
  TabStop = false;
  visible_ = false;
}

TWScrollbar::~TWScrollbar() { *alive_ = false; }

void TWScrollbar::CreateParams(pc::TCreateParams& p) {
  pc::TCustomControl::CreateParams(p);
  p.style &= ~(win::WS_VISIBLE | win::WS_TABSTOP);
  p.ex_style = win::WS_EX_TOOLWINDOW;
  if (!parent_) p.parent = parent_wnd_;
}

void TWScrollbar::MakeWindow(win::HWND parent) {
  parent_wnd_ = parent;
  if (!HandleAllocated()) {
    HandleNeeded();
  } else if (win::GetParent(Handle()) != parent) {
    win::SetParent(Handle(), parent);
  }
}

void TWScrollbar::AttachControl(TSkinControl* owner_skin, pc::TControl* control, int kind) {
  FOwnerSkin = owner_skin;
  FTargetControl = control;
  auto* windowed = dynamic_cast<pc::TWinControl*>(control);
  FTarget = windowed ? windowed->Handle() : nullptr;
  FKind = static_cast<std::uint8_t>(kind);
  FOrientation = kind;
  SetColor(owner_skin->ParentColor(static_cast<pc::TColor>(owner_skin->FSkinData->FColours[3])));
  if (kind == 2) FOrientation = core::ascii_lower(pc::GetEnumPropText(control, "Kind")) == "sbhorizontal" ? 0 : 1;
  MakeWindow(FTarget ? win::GetParent(FTarget) : nullptr);
  PlaceOverBar(FTarget);
}

void TWScrollbar::AttachWindow(TSkinControl* owner_skin, win::HWND window, int kind) {
  FOwnerSkin = owner_skin;
  FTargetControl = nullptr;
  FTarget = window;
  FKind = static_cast<std::uint8_t>(kind);
  FOrientation = kind;
  MakeWindow(win::GetParent(window));
  PlaceOverBar(window);
}

bool TWScrollbar::BarInfo(win::SCROLLBARINFO& info) {
  if (FKind == 2) return ControlBarInfo(info);
  return GetScrollBarInfoSafe(FTarget, FKind == 1 ? win::OBJID_VSCROLL : win::OBJID_HSCROLL, &info);
}

bool TWScrollbar::ControlBarInfo(win::SCROLLBARINFO& info) {
  if (!FTargetControl) return false;
  info.rcScrollBar = FTargetControl->BoundsRect();
  for (auto& s : info.rgstate) s = 0;
  win::SCROLLINFO si;
  si.fMask = win::SIF_ALL;
  if (!win::GetScrollInfo(FTarget, win::SB_CTL, &si)) return false;
  const gdi::RECT& r = info.rcScrollBar;
  FLength = FOrientation == 0 ? r.right - r.left : r.bottom - r.top;
  const ThumbExtent t =
      ControlThumbExtent(FLength, FArrowSize, si.nMin, si.nMax, static_cast<int>(si.nPage), si.nPos);
  info.xyThumbTop = t.start;
  info.xyThumbBottom = t.end;
  return true;
}

void TWScrollbar::HideOverlay() {
  if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_HIDE);
  FActive = 0;
  visible_ = false;
}

void TWScrollbar::PlaceOverBar(win::HWND window) {
  FTarget = window;
  if (!HandleAllocated() || !win::IsWindow(window)) {
    FActive = 0;
    return;
  }
  const win::HWND parent = win::GetParent(window);
  win::SCROLLBARINFO info;
  const bool ok = BarInfo(info);
  FActive = ok ? 1 : 0;
  if (!ok) return;
  if (!(static_cast<std::uint32_t>(win::GetWindowLong(window, win::GWL_STYLE)) & win::WS_VISIBLE) ||
      (info.rgstate[0] & win::STATE_SYSTEM_INVISIBLE)) {
    HideOverlay();
    return;
  }
  const gdi::RECT B = info.rcScrollBar;
  gdi::POINT P{B.left, B.top};
  if (FKind != 2) {
    gdi::POINT a{B.left, B.top}, b{B.right, B.bottom};
    win::ScreenToClient(window, &a);
    win::ScreenToClient(window, &b);
    FBarRect = {a.x, a.y, b.x, b.y};
    if (parent) win::ScreenToClient(parent, &P);
  } else {
    FBarRect = {0, 0, B.right - B.left, B.bottom - B.top};
  }
  FLength = FOrientation == 1 ? B.bottom - B.top : B.right - B.left;
  FBarLeft = B.left;
  FBarTop = B.top;
  FActive = 1;
  visible_ = true;
  // Already there: a repaint is enough (moving it would repaint what lies under it, the bar's own
  // frame included, and that frame's paint places the overlay again).
  gdi::RECT now{};
  win::GetWindowRect(Handle(), &now);
  gdi::POINT at{now.left, now.top};
  if (parent) win::ScreenToClient(parent, &at);
  if (win::IsWindowVisible(Handle()) && at.x == P.x && at.y == P.y && now.right - now.left == B.right - B.left &&
      now.bottom - now.top == B.bottom - B.top) {
    Invalidate();
    return;
  }
  const win::HWND above = win::GetWindow(window, win::GW_HWNDPREV);
  win::SetWindowPos(Handle(), above ? above : win::HWND_TOP, P.x, P.y, B.right - B.left, B.bottom - B.top,
                    win::SWP_NOACTIVATE | win::SWP_SHOWWINDOW);
  win::MoveWindow(Handle(), P.x, P.y, B.right - B.left, B.bottom - B.top, win::TRUE);
}

int TWScrollbar::HitTest(gdi::POINT p) const {
  return ScrollBarPartAt(FOrientation == 1 ? p.y : p.x, FArrowSize, FThumbStart, FThumbEnd, FLength);
}

void TWScrollbar::TrackThumb() {
  const int len = FThumbEnd - FThumbStart;
  gdi::POINT c{};
  win::GetCursorPos(&c);
  const int now = FOrientation == 1 ? c.y : c.x, then = FOrientation == 1 ? FPressPos.y : FPressPos.x;
  int start = FPressThumb + now - then;
  if (start < FArrowSize) start = FArrowSize;
  if (start > FLength - FArrowSize - len) start = FLength - FArrowSize - len;
  FThumbStart = start;
  FThumbEnd = start + len;
}

void TWScrollbar::WndProc(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_ERASEBKGND: m.Result = 1; return;
    case win::WM_PAINT: PaintMessage(Handle(), m, [this](gdi::HDC dc) { Paint(dc); }); return;
    case win::WM_MOUSEMOVE: {
      pc::TCustomControl::WndProc(m);
      const int part = HitTest({win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)});
      if (part != FHotPart) {
        FHotPart = part;
        Invalidate();
      }
      TrackMouseLeave(Handle());
      return;
    }
    case win::WM_MOUSELEAVE:
      if (!FTracking) {
        FHotPart = kScrollNone;
        Invalidate();
      }
      return;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK: Press(m); return;
    case win::WM_LBUTTONUP: Release(m); return;
    default: pc::TCustomControl::WndProc(m); return;
  }
}

void TWScrollbar::Press(pc::TMessage& m) {
  pc::TCustomControl::WndProc(m);
  win::GetCursorPos(&FPressPos);
  win::SCROLLBARINFO info;
  if (BarInfo(info)) FPressThumb = info.xyThumbTop;
  gdi::POINT p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
  FHotPart = HitTest(p);
  if (FKind != 2) {
    FBarLeft = info.rcScrollBar.left;
    FBarTop = info.rcScrollBar.top;
    p.x += FBarLeft;
    p.y += FBarTop;
  }
  FTracking = true;
  Invalidate();
  win::ReleaseCapture();
  const win::LPARAM point = win::MAKELPARAM(static_cast<win::WORD>(p.x), static_cast<win::WORD>(p.y));
  const std::shared_ptr<bool> alive = alive_;
  // The window system tracks the press (auto-repeat, thumb dragging) inside this call.
  if (FKind == 2) win::SendMessage(FTarget, win::WM_LBUTTONDOWN, win::MK_LBUTTON, point);
  else win::SendMessage(FTarget, win::WM_NCLBUTTONDOWN, FKind == 1 ? win::HTVSCROLL : win::HTHSCROLL, point);
  if (!*alive) return;
  FTracking = false;
  win::ReleaseCapture();
  if (FKind == 2) Invalidate();
}

void TWScrollbar::Release(pc::TMessage& m) {
  pc::TCustomControl::WndProc(m);
  gdi::POINT p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
  if (FKind != 2) {
    p.x += FBarLeft;
    p.y += FBarTop;
  }
  FTracking = false;
  win::ReleaseCapture();
  const win::LPARAM point = win::MAKELPARAM(static_cast<win::WORD>(p.x), static_cast<win::WORD>(p.y));
  if (FKind == 2) {
    win::PostMessage(FTarget, win::WM_LBUTTONUP, win::MK_LBUTTON, point);
    Invalidate();
  } else {
    win::PostMessage(FTarget, win::WM_NCLBUTTONUP, FKind == 1 ? win::HTVSCROLL : win::HTHSCROLL, point);
  }
}

void TWScrollbar::Paint(gdi::HDC dc) {
  if (!FOwnerSkin || !FOwnerSkin->FSkinData) return;
  const TSkinData& sd = *FOwnerSkin->FSkinData;
  if (!sd.FScrollbar || sd.FScrollbar->Image.Empty()) return;
  win::SCROLLBARINFO info;
  if (!BarInfo(info) || (info.rgstate[0] & win::STATE_SYSTEM_INVISIBLE)) return;
  const bool enabled = !(info.rgstate[0] & win::STATE_SYSTEM_UNAVAILABLE);
  const int A = FArrowSize;
  gdi::RECT client;
  win::GetClientRect(Handle(), &client);
  gdi::RECT Q = info.rcScrollBar;
  gdi::OffsetRect(&Q, -Q.left, -Q.top);
  const int W = Q.right, H = Q.bottom;
  if (W < 0 || H < 0 || W > client.right || H > client.bottom) return;
  const bool vertical = FOrientation == 1;
  FLength = vertical ? H : W;
  const SkinImage& bar = sd.FScrollbar->Image;
  const int D = std::abs(bar.Height() - A) > 2 ? A : bar.Height();
  if (FKind == 2) (vertical ? Q.right : Q.bottom) = D;
  if (Q.right <= 0 || Q.bottom <= 0) return;
  SkinImage work = FilledPicture(Q.right, Q.bottom, gdi::resolve_color(sd.FColours[3]));
  {
    SelectedBitmap b(work.Handle());
    gdi::SetStretchBltMode(b.dc(), gdi::COLORONCOLOR);
    if (FKind != 2) (vertical ? Q.right : Q.bottom) = D;
    // The track between the arrows.
    if (const TDataSkinObject* track = vertical ? sd.FVertScroll.get() : sd.FHorzScroll.get(); track && !track->Image.Empty()) {
      const gdi::RECT t = vertical ? gdi::RECT{Q.left, Q.top + A, Q.right, Q.bottom - A}
                                   : gdi::RECT{Q.left + A, Q.top, Q.right - A, Q.bottom};
      if (t.right > t.left && t.bottom > t.top)
        DrawNineGrid(b.dc(), t, track->Image, false, track->Tile != 0, track->Trans != 0, 4, enabled ? 1 : 3, track->Margins());
    }
    // The arrows: pressed while the window system tracks them, hot under the mouse.
    const int length = vertical ? H : W;
    const int a = length < 2 * A ? length / 2 : A;
    int first = vertical ? 9 : 1, second = vertical ? 13 : 5;
    const int raise = FTracking ? 1 : 3;
    if (FHotPart == kScrollFirstArrow) first += raise;
    if (FHotPart == kScrollSecondArrow) second += raise;
    if (vertical) {
      DrawKeyedFrame(b.dc(), {0, 0, D, a}, 23, first, bar);
      DrawKeyedFrame(b.dc(), {0, H - a, D, H}, 23, second, bar);
    } else {
      DrawKeyedFrame(b.dc(), {0, 0, a, D}, 23, first, bar);
      DrawKeyedFrame(b.dc(), {W - a, 0, W, D}, 23, second, bar);
    }
    if (FTracking && FHotPart == kScrollThumb && FKind != 2) {
      TrackThumb();
    } else {
      FThumbStart = info.xyThumbTop;
      FThumbEnd = info.xyThumbBottom;
    }
    int state = 1;
    if (FHotPart == kScrollThumb) state = FTracking ? 2 : 3;
    if (enabled) {
      const TDataSkinObject* thumb = vertical ? sd.FVertScrollThumb.get() : sd.FHorzScrollThumb.get();
      const int limit = vertical ? client.bottom : client.right;
      if (thumb && !thumb->Image.Empty() && FThumbStart < limit && FThumbEnd < limit) {
        const gdi::RECT t = vertical ? gdi::RECT{0, FThumbStart, D, FThumbEnd} : gdi::RECT{FThumbStart, 0, FThumbEnd, D};
        if (t.right > t.left && t.bottom > t.top)
          DrawNineGrid(b.dc(), t, thumb->Image, false, false, thumb->Trans != 0, thumb->Frame, state, thumb->Margins());
      }
      int grip = vertical ? 20 : 17;
      if (FHotPart == kScrollThumb) grip += FTracking ? 1 : 2;
      const int h = bar.Height(), len = FThumbEnd - FThumbStart;
      if (h < len + 2) {
        const int s = FThumbStart + (len - h) / 2;
        if (s >= 0 && s + h <= limit) {
          const gdi::RECT g = vertical ? gdi::RECT{0, s, D, s + h} : gdi::RECT{s, 0, s + h, D};
          DrawKeyedFrame(b.dc(), g, 23, grip, bar);
        }
      }
    }
    if (FKind == 2) {
      const int old = gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR);
      gdi::StretchBlt(dc, 0, 0, client.right, client.bottom, b.dc(), 0, 0, work.Width(), work.Height(), gdi::SRCCOPY);
      gdi::SetStretchBltMode(dc, old);
    } else {
      gdi::BitBlt(dc, 0, 0, work.Width(), work.Height(), b.dc(), 0, 0, gdi::SRCCOPY);
    }
  }
}

}  // namespace skin
