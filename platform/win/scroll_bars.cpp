// Scroll bars: the WS_HSCROLL/WS_VSCROLL bars of the non-client area, their info calls, the
// tracking loop with auto-repeat, and the "ScrollBar" control.
#include <algorithm>
#include <map>

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win::controls {
namespace {

constexpr std::uintptr_t kRepeatTimer = 0xFFF0;
constexpr UINT kFirstRepeatMs = 400, kRepeatMs = 50;

struct BarState {
  SCROLLINFO info{sizeof(SCROLLINFO), 0, 0, 100, 0, 0, 0};
  UINT disabled = ESB_ENABLE_BOTH;
  int tracking_part = -1;  // the pressed part while tracking (index into rgstate)
};

struct WindowBars {
  BarState bar[3];  // SB_HORZ, SB_VERT, SB_CTL
};

std::map<HWND, WindowBars>& bars() {
  static std::map<HWND, WindowBars> m;
  return m;
}

// The bars of a window, made on first use; entries of destroyed windows are swept now and then.
WindowBars& bars_of(HWND hwnd) {
  auto& m = bars();
  if (m.size() > 256 && !m.count(hwnd)) {
    for (auto it = m.begin(); it != m.end();) it = IsWindow(it->first) ? std::next(it) : m.erase(it);
  }
  return m[hwnd];
}

bool is_control(HWND hwnd) { return GetClassName(hwnd) == "ScrollBar"; }

// The bar's rectangle in window coordinates and whether it is vertical.
bool bar_rect(HWND hwnd, int bar, RECT* out, bool* vertical) {
  if (bar == SB_CTL) {
    GetClientRect(hwnd, out);
    // Client coordinates of a control equal window coordinates shifted by the border.
    FrameLayout l = GetFrameLayout(hwnd);
    gdi::OffsetRect(out, l.client.left, l.client.top);
    *vertical = GetWindowLongPtr(hwnd, GWL_STYLE) & SBS_VERT;
    return true;
  }
  FrameLayout l = GetFrameLayout(hwnd);
  *out = bar == SB_VERT ? l.vscroll : l.hscroll;
  *vertical = bar == SB_VERT;
  return !gdi::IsRectEmpty(out);
}

struct Geometry {
  int length = 0;      // along the bar
  int arrow = 0;       // size of each arrow button
  int thumb_top = 0;   // from the bar's start
  int thumb_bottom = 0;
  bool thumb = false;  // room for a thumb and a range to scroll
};

Geometry geometry(const BarState& b, int length, int thickness) {
  Geometry g;
  g.length = length;
  g.arrow = std::min(thickness, length / 2);
  int track = length - 2 * g.arrow;
  const SCROLLINFO& si = b.info;
  int range = si.nMax - si.nMin + 1;
  int min_thumb = std::min(GetSystemMetrics(SM_CYVTHUMB) / 2 + 2, track);
  if (range <= 0 || track < min_thumb || b.disabled == ESB_DISABLE_BOTH ||
      (si.nPage && static_cast<int>(si.nPage) >= range))
    return g;
  int thumb = si.nPage ? std::max<int>(min_thumb, static_cast<int>(static_cast<long long>(track) * si.nPage / range))
                       : std::min(GetSystemMetrics(SM_CYVTHUMB), track);
  int pos_range = si.nMax - si.nMin - std::max<int>(static_cast<int>(si.nPage) - 1, 0);
  int pos = (b.tracking_part == 3 ? si.nTrackPos : si.nPos) - si.nMin;
  int off = pos_range > 0 ? static_cast<int>(static_cast<long long>(track - thumb) * std::clamp(pos, 0, pos_range) / pos_range) : 0;
  g.thumb = true;
  g.thumb_top = g.arrow + off;
  g.thumb_bottom = g.thumb_top + thumb;
  return g;
}

int clamp_pos(const SCROLLINFO& si, int pos) {
  int max_pos = si.nMax - std::max<int>(static_cast<int>(si.nPage) - 1, 0);
  return std::clamp(pos, si.nMin, std::max(si.nMin, max_pos));
}

void paint_bar(HDC dc, const RECT& r, bool vertical, const BarState& b) {
  int length = vertical ? r.bottom - r.top : r.right - r.left;
  int thick = vertical ? r.right - r.left : r.bottom - r.top;
  Geometry g = geometry(b, length, thick);
  auto part = [&](int from, int to) {
    return vertical ? RECT{r.left, r.top + from, r.right, r.top + to} : RECT{r.left + from, r.top, r.left + to, r.bottom};
  };
  fill(dc, r, gdi::COLOR_SCROLLBAR);
  bool enabled = b.disabled != ESB_DISABLE_BOTH && g.thumb;
  for (int i = 0; i < 2; ++i) {
    RECT a = i == 0 ? part(0, g.arrow) : part(length - g.arrow, length);
    fill(dc, a, gdi::COLOR_BTNFACE);
    frame_3d(dc, a, b.tracking_part == (i == 0 ? 1 : 5));
    int cx = (a.left + a.right) / 2, cy = (a.top + a.bottom) / 2;
    POINT tri[3];
    if (vertical) {
      int d = i == 0 ? -1 : 1;
      tri[0] = {cx - 3, cy - d * 2};
      tri[1] = {cx + 4, cy - d * 2};
      tri[2] = {cx, cy + d * 2 + (d < 0 ? 0 : 0)};
    } else {
      int d = i == 0 ? -1 : 1;
      tri[0] = {cx - d * 2, cy - 3};
      tri[1] = {cx - d * 2, cy + 4};
      tri[2] = {cx + d * 2, cy};
    }
    HGDIOBJ ob = gdi::SelectObject(dc, gdi::GetSysColorBrush(enabled ? gdi::COLOR_BTNTEXT : gdi::COLOR_GRAYTEXT));
    HGDIOBJ op = gdi::SelectObject(dc, gdi::GetStockObject(gdi::NULL_PEN));
    gdi::Polygon(dc, tri, 3);
    gdi::SelectObject(dc, op);
    gdi::SelectObject(dc, ob);
  }
  if (g.thumb) {
    if (b.tracking_part == 2) fill(dc, part(g.arrow, g.thumb_top), gdi::COLOR_3DDKSHADOW);
    if (b.tracking_part == 4) fill(dc, part(g.thumb_bottom, length - g.arrow), gdi::COLOR_3DDKSHADOW);
    RECT t = part(g.thumb_top, g.thumb_bottom);
    fill(dc, t, gdi::COLOR_BTNFACE);
    frame_3d(dc, t, false);
  }
}

void redraw_bar(HWND hwnd, int bar) {
  if (bar == SB_CTL) InvalidateRect(hwnd, nullptr, FALSE);
  else RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

// Shows or hides a window's own bar as its range needs it, as SetScrollInfo does.
void update_visibility(HWND hwnd, int bar, bool disable_no_scroll) {
  if (bar == SB_CTL) return;
  const SCROLLINFO& si = bars_of(hwnd).bar[bar].info;
  int range = si.nMax - si.nMin + 1;
  bool needed = range > 0 && (si.nPage == 0 ? si.nMax > si.nMin : static_cast<int>(si.nPage) < range);
  if (disable_no_scroll) needed = true;
  ShowScrollBar(hwnd, bar, needed);
}

void send_scroll(HWND hwnd, int bar, int code, int pos) {
  HWND target = bar == SB_CTL ? GetParent(hwnd) : hwnd;
  bool vertical = bar == SB_VERT || (bar == SB_CTL && (GetWindowLongPtr(hwnd, GWL_STYLE) & SBS_VERT));
  if (target)
    SendMessage(target, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos),
                bar == SB_CTL ? reinterpret_cast<LPARAM>(hwnd) : 0);
}

// The part of the bar under a point given along the bar: 1 top arrow, 2 page up, 3 thumb,
// 4 page down, 5 bottom arrow, -1 none.
int part_at(const Geometry& g, int along) {
  if (along < 0 || along >= g.length) return -1;
  if (along < g.arrow) return 1;
  if (along >= g.length - g.arrow) return 5;
  if (!g.thumb) return -1;
  if (along < g.thumb_top) return 2;
  if (along < g.thumb_bottom) return 3;
  return 4;
}

class ScrollBarControl : public Control {
public:
  using Control::Control;
  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        if (style() & (SBS_SIZEGRIP | SBS_SIZEBOX)) break;
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(hwnd_, &p);
        track_scroll_bar(hwnd_, SB_CTL, p);
        return 0;
      }
      case WM_NCHITTEST:
        if (style() & (SBS_SIZEGRIP | SBS_SIZEBOX)) return HTBOTTOMRIGHT;
        break;
      case WM_GETDLGCODE: return DLGC_WANTARROWS;
      case WM_KEYDOWN: {
        bool vertical = style() & SBS_VERT;
        int code = -1;
        switch (wp) {
          case VK_UP: code = vertical ? SB_LINEUP : -1; break;
          case VK_DOWN: code = vertical ? SB_LINEDOWN : -1; break;
          case VK_LEFT: code = vertical ? -1 : SB_LINELEFT; break;
          case VK_RIGHT: code = vertical ? -1 : SB_LINERIGHT; break;
          case VK_PRIOR: code = SB_PAGEUP; break;
          case VK_NEXT: code = SB_PAGEDOWN; break;
          case VK_HOME: code = SB_TOP; break;
          case VK_END: code = SB_BOTTOM; break;
          default: break;
        }
        if (code >= 0) {
          send_scroll(hwnd_, SB_CTL, code, 0);
          send_scroll(hwnd_, SB_CTL, SB_ENDSCROLL, 0);
        }
        return 0;
      }
      case WM_ENABLE: InvalidateRect(hwnd_, nullptr, FALSE); return 0;
      case SBM_SETPOS: return SetScrollPos(hwnd_, SB_CTL, static_cast<int>(wp), static_cast<BOOL>(lp));
      case SBM_GETPOS: return GetScrollPos(hwnd_, SB_CTL);
      case SBM_SETRANGE:
      case SBM_SETRANGEREDRAW: {
        int old = GetScrollPos(hwnd_, SB_CTL);
        SetScrollRange(hwnd_, SB_CTL, static_cast<int>(wp), static_cast<int>(lp), msg == SBM_SETRANGEREDRAW);
        return old;
      }
      case SBM_GETRANGE: GetScrollRange(hwnd_, SB_CTL, reinterpret_cast<int*>(wp), reinterpret_cast<int*>(lp)); return 0;
      case SBM_ENABLE_ARROWS: return EnableScrollBar(hwnd_, SB_CTL, static_cast<UINT>(wp));
      case SBM_SETSCROLLINFO: return SetScrollInfo(hwnd_, SB_CTL, reinterpret_cast<const SCROLLINFO*>(lp), static_cast<BOOL>(wp));
      case SBM_GETSCROLLINFO: return GetScrollInfo(hwnd_, SB_CTL, reinterpret_cast<SCROLLINFO*>(lp));
      case SBM_GETSCROLLBARINFO: return GetScrollBarInfo(hwnd_, OBJID_CLIENT, reinterpret_cast<SCROLLBARINFO*>(lp));
      case WM_ERASEBKGND: return 1;
      case WM_PAINT: {
        PaintDc pdc(hwnd_, nullptr);
        RECT r;
        GetClientRect(hwnd_, &r);
        if (style() & (SBS_SIZEGRIP | SBS_SIZEBOX)) {
          fill(pdc.dc(), r, gdi::COLOR_BTNFACE);
          return 0;
        }
        BarState b = bars_of(hwnd_).bar[SB_CTL];
        if (!IsWindowEnabled(hwnd_)) b.disabled = ESB_DISABLE_BOTH;
        paint_bar(pdc.dc(), r, style() & SBS_VERT, b);
        return 0;
      }
      default: break;
    }
    return DefWindowProc(hwnd_, msg, wp, lp);
  }
};

}  // namespace

void track_scroll_bar(HWND hwnd, int bar, POINT screen) {
  RECT r;
  bool vertical = false;
  if (!bar_rect(hwnd, bar, &r, &vertical)) return;
  RECT wr;
  GetWindowRect(hwnd, &wr);
  auto along = [&](POINT p) { return vertical ? p.y - wr.top - r.top : p.x - wr.left - r.left; };
  auto across_ok = [&](POINT p) {
    int a = vertical ? p.x - wr.left - r.left : p.y - wr.top - r.top;
    int thick = vertical ? r.right - r.left : r.bottom - r.top;
    return a >= -thick * 2 && a < thick * 3;  // the thumb stays grabbed a little outside the bar
  };
  int length = vertical ? r.bottom - r.top : r.right - r.left;
  int thick = vertical ? r.right - r.left : r.bottom - r.top;
  BarState& b = bars_of(hwnd).bar[bar];
  if (b.disabled == ESB_DISABLE_BOTH) return;
  Geometry g = geometry(b, length, thick);
  int part = part_at(g, along(screen));
  if (part < 0) return;
  if (part == 1 && (b.disabled & ESB_DISABLE_LTUP)) return;
  if (part == 5 && (b.disabled & ESB_DISABLE_RTDN)) return;
  auto code_of = [](int p) { return p == 1 ? SB_LINEUP : p == 5 ? SB_LINEDOWN : p == 2 ? SB_PAGEUP : SB_PAGEDOWN; };
  int grab = along(screen) - g.thumb_top;
  b.tracking_part = part;
  b.info.nTrackPos = b.info.nPos;
  redraw_bar(hwnd, bar);
  SetCapture(hwnd);
  if (part != 3) {
    send_scroll(hwnd, bar, code_of(part), 0);
    SetTimer(hwnd, kRepeatTimer, kFirstRepeatMs, nullptr);
  }
  POINT last = screen;
  bool done = false;
  MSG m;
  while (!done && IsWindow(hwnd)) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (CallMsgFilter(&m, MSGF_SCROLLBAR)) continue;
    switch (m.message) {
      case WM_MOUSEMOVE:
      case WM_LBUTTONUP: {
        last = m.pt;
        if (part == 3) {
          BarState& cur = bars_of(hwnd).bar[bar];
          Geometry cg = geometry(cur, length, thick);
          int track = length - 2 * cg.arrow - (cg.thumb_bottom - cg.thumb_top);
          int pos_range = cur.info.nMax - cur.info.nMin - std::max<int>(static_cast<int>(cur.info.nPage) - 1, 0);
          int pos = cur.info.nPos;
          if (across_ok(last) && track > 0)
            pos = cur.info.nMin + static_cast<int>((static_cast<long long>(std::clamp(along(last) - grab - cg.arrow, 0, track)) * pos_range + track / 2) / track);
          if (m.message == WM_MOUSEMOVE) {
            if (pos != cur.info.nTrackPos) {
              cur.info.nTrackPos = pos;
              redraw_bar(hwnd, bar);
              send_scroll(hwnd, bar, SB_THUMBTRACK, pos);
            }
          } else {
            cur.info.nTrackPos = pos;
            send_scroll(hwnd, bar, SB_THUMBPOSITION, pos);
          }
        }
        if (m.message == WM_LBUTTONUP) done = true;
        break;
      }
      case WM_TIMER:
        if (m.hwnd == hwnd && m.wParam == kRepeatTimer) {
          SetTimer(hwnd, kRepeatTimer, kRepeatMs, nullptr);
          BarState& cur = bars_of(hwnd).bar[bar];
          Geometry cg = geometry(cur, length, thick);
          // Pages repeat only while the pointer stays over the same part (the thumb moves toward it).
          if (part_at(cg, along(last)) == part && across_ok(last)) send_scroll(hwnd, bar, code_of(part), 0);
          break;
        }
        DispatchMessage(&m);
        break;
      case WM_KEYDOWN:
        if (m.wParam == VK_ESCAPE) done = true;
        break;
      case WM_CAPTURECHANGED:
        DispatchMessage(&m);
        break;
      default:
        if (m.message >= WM_MOUSEMOVE && m.message <= WM_MBUTTONDBLCLK) break;  // other mouse input is eaten
        TranslateMessage(&m);
        DispatchMessage(&m);
        break;
    }
    if (GetCapture() != hwnd) done = true;
  }
  if (!IsWindow(hwnd)) return;
  KillTimer(hwnd, kRepeatTimer);
  if (GetCapture() == hwnd) ReleaseCapture();
  bars_of(hwnd).bar[bar].tracking_part = -1;
  redraw_bar(hwnd, bar);
  send_scroll(hwnd, bar, SB_ENDSCROLL, 0);
}

void register_scroll_bar() {
  detail::register_system_class("ScrollBar", class_proc<ScrollBarControl>, CS_DBLCLKS | CS_PARENTDC, nullptr);
}

void install_scroll_bars(NonClientExtensions& ext) {
  ext.paint_scroll_bars = [](HWND hwnd, HDC dc, const RECT* vbar, const RECT* hbar) {
    WindowBars& wb = bars_of(hwnd);
    if (vbar) paint_bar(dc, *vbar, true, wb.bar[SB_VERT]);
    if (hbar) paint_bar(dc, *hbar, false, wb.bar[SB_HORZ]);
  };
  auto previous = ext.nonclient_request;
  ext.nonclient_request = [previous](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCLBUTTONDOWN && (wp == HTVSCROLL || wp == HTHSCROLL)) {
      track_scroll_bar(hwnd, wp == HTVSCROLL ? SB_VERT : SB_HORZ, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return true;
    }
    return previous ? previous(hwnd, msg, wp, lp) : false;
  };
}

}  // namespace platform::win::controls

namespace platform::win {
using namespace controls;

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  if (!IsWindow(hwnd) || !info || bar < SB_HORZ || bar > SB_CTL || (bar == SB_CTL && !is_control(hwnd))) return 0;
  BarState& b = bars_of(hwnd).bar[bar];
  SCROLLINFO& si = b.info;
  if (info->fMask & SIF_RANGE) {
    si.nMin = info->nMin;
    si.nMax = std::max(info->nMin, info->nMax);
  }
  if (info->fMask & SIF_PAGE) si.nPage = std::min<UINT>(info->nPage, static_cast<UINT>(std::max(0, si.nMax - si.nMin + 1)));
  if (info->fMask & SIF_POS) si.nPos = info->nPos;
  si.nPos = clamp_pos(si, si.nPos);
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) update_visibility(hwnd, bar, info->fMask & SIF_DISABLENOSCROLL);
  if (redraw) redraw_bar(hwnd, bar);
  return si.nPos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  if (!IsWindow(hwnd) || !info || bar < SB_HORZ || bar > SB_CTL || (bar == SB_CTL && !is_control(hwnd))) return FALSE;
  const SCROLLINFO& si = bars_of(hwnd).bar[bar].info;
  if (info->fMask & SIF_RANGE) info->nMin = si.nMin, info->nMax = si.nMax;
  if (info->fMask & SIF_PAGE) info->nPage = si.nPage;
  if (info->fMask & SIF_POS) info->nPos = si.nPos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = si.nTrackPos;
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  if (!GetScrollInfo(hwnd, bar, &si)) return 0;
  int old = si.nPos;
  si.nPos = pos;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw) {
  if (static_cast<long long>(max) - min > 0x7FFFFFFF) return FALSE;
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = min;
  si.nMax = max;
  if (!IsWindow(hwnd)) return FALSE;
  SetScrollInfo(hwnd, bar, &si, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(hwnd, bar, &si)) return FALSE;
  if (min) *min = si.nMin;
  if (max) *max = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!IsWindow(hwnd)) return FALSE;
  if (bar == SB_CTL) {
    ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE);
    return TRUE;
  }
  DWORD bits = bar == SB_VERT ? WS_VSCROLL : bar == SB_HORZ ? WS_HSCROLL : (WS_VSCROLL | WS_HSCROLL);
  auto s = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  DWORD n = show ? (s | bits) : (s & ~bits);
  if (n != s) {
    SetWindowLongPtr(hwnd, GWL_STYLE, static_cast<LONG_PTR>(n));
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (!IsWindow(hwnd) || bar > SB_BOTH) return FALSE;
  for (int b = 0; b < 3; ++b) {
    if (!(static_cast<int>(bar) == b || (bar == SB_BOTH && b != SB_CTL))) continue;
    bars_of(hwnd).bar[b].disabled = arrows & ESB_DISABLE_BOTH;
    redraw_bar(hwnd, b);
  }
  return TRUE;
}

BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info) {
  if (!IsWindow(hwnd) || !info) return FALSE;
  int bar = object == OBJID_VSCROLL ? SB_VERT : object == OBJID_HSCROLL ? SB_HORZ : object == OBJID_CLIENT ? SB_CTL : -1;
  if (bar < 0 || (bar == SB_CTL && !is_control(hwnd))) return FALSE;
  RECT r;
  bool vertical = false;
  bool present = bar_rect(hwnd, bar, &r, &vertical);
  auto style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  if (bar != SB_CTL) present = present && (style & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL));
  RECT wr;
  GetWindowRect(hwnd, &wr);
  for (auto& s : info->rgstate) s = 0;
  if (!present) {
    // An absent bar still answers where it would be, marked invisible.
    info->rcScrollBar = RECT{wr.left, wr.top, wr.left, wr.top};
    info->dxyLineButton = info->xyThumbTop = info->xyThumbBottom = 0;
    info->rgstate[0] = STATE_SYSTEM_INVISIBLE;
    return TRUE;
  }
  info->rcScrollBar = r;
  gdi::OffsetRect(&info->rcScrollBar, wr.left, wr.top);
  const BarState& b = bars_of(hwnd).bar[bar];
  int length = vertical ? r.bottom - r.top : r.right - r.left;
  int thick = vertical ? r.right - r.left : r.bottom - r.top;
  Geometry g = geometry(b, length, thick);
  info->dxyLineButton = g.arrow;
  info->xyThumbTop = g.thumb_top;
  info->xyThumbBottom = g.thumb_bottom;
  if (!g.thumb || !IsWindowEnabled(hwnd)) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  if (!g.thumb) info->rgstate[3] = STATE_SYSTEM_INVISIBLE;
  if (b.disabled & ESB_DISABLE_LTUP) info->rgstate[1] |= STATE_SYSTEM_UNAVAILABLE;
  if (b.disabled & ESB_DISABLE_RTDN) info->rgstate[5] |= STATE_SYSTEM_UNAVAILABLE;
  if (b.tracking_part > 0) info->rgstate[b.tracking_part] |= STATE_SYSTEM_PRESSED;
  return TRUE;
}

}  // namespace platform::win
