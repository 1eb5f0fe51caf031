// The default window procedure: frame layout and hit-testing, the plain default frame and caption,
// activation, the caption move and size loops, system commands, erasing, text and icons; and the
// fixed 96-dpi system profile.
#include <algorithm>
#include <cstring>

#include "core/clock.h"
#include "platform/win/window_internal.h"

namespace platform::win {
namespace detail {

const NONCLIENTMETRICS& nc_metrics() {
  auto& s = state();
  if (!s.nc_metrics_set) {
    NONCLIENTMETRICS m;
    m.iBorderWidth = 1;
    m.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    m.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    m.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
    m.iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
    m.iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
    m.iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
    m.iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
    m.iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
    gdi::LOGFONT lf;
    lf.lfHeight = -12;
    lf.lfCharSet = gdi::GB2312_CHARSET;
    lf.lfFaceName = "宋体";
    m.lfMenuFont = m.lfStatusFont = m.lfMessageFont = m.lfSmCaptionFont = lf;
    lf.lfWeight = gdi::FW_BOLD;
    m.lfCaptionFont = lf;
    s.nc_metrics = m;
    s.nc_metrics_set = true;
  }
  return s.nc_metrics;
}

FrameLayout compute_layout(DWORD style, DWORD ex_style, int width, int height, bool child, int menu_height) {
  FrameLayout l;
  l.window = {0, 0, width, height};
  int b = 0;
  if (style & WS_THICKFRAME) b = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME)) b = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER) b = GetSystemMetrics(SM_CXBORDER);
  l.border = b;
  RECT in{b, b, width - b, height - b};
  if ((style & WS_CAPTION) == WS_CAPTION) {
    bool tool = ex_style & WS_EX_TOOLWINDOW;
    int ch = GetSystemMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION);
    l.caption = {in.left, in.top, in.right, in.top + ch};
    in.top += ch;
    int bh = ch - 4, bw = bh + 1;
    int y = l.caption.top + 2;
    int x = l.caption.right - 2;
    if (style & WS_SYSMENU) {
      l.close_button = {x - bw, y, x, y + bh};
      x -= bw + 2;
      if (!tool && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
        l.max_button = {x - bw, y, x, y + bh};
        x -= bw;
        l.min_button = {x - bw, y, x, y + bh};
      }
      if (!tool) l.sys_button = {l.caption.left + 2, y, l.caption.left + 2 + bh, y + bh};
    }
  }
  if (!child && menu_height > 0) {
    l.menu = {in.left, in.top, in.right, in.top + menu_height};
    in.top += menu_height;
  }
  if (ex_style & WS_EX_CLIENTEDGE) gdi::InflateRect(&in, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  else if (ex_style & WS_EX_STATICEDGE) gdi::InflateRect(&in, -1, -1);
  int sv = GetSystemMetrics(SM_CXVSCROLL), sh = GetSystemMetrics(SM_CYHSCROLL);
  bool vs = style & WS_VSCROLL, hs = style & WS_HSCROLL;
  bool left = ex_style & WS_EX_LEFTSCROLLBAR;
  if (vs && in.right - in.left >= sv) {
    if (left) {
      l.vscroll = {in.left, in.top, in.left + sv, in.bottom - (hs ? sh : 0)};
      in.left += sv;
    } else {
      l.vscroll = {in.right - sv, in.top, in.right, in.bottom - (hs ? sh : 0)};
      in.right -= sv;
    }
  }
  if (hs && in.bottom - in.top >= sh) {
    l.hscroll = {in.left, in.bottom - sh, in.right, in.bottom};
    in.bottom -= sh;
    if (vs && !gdi::IsRectEmpty(&l.vscroll))
      l.size_box = left ? RECT{l.vscroll.left, in.bottom, l.vscroll.right, in.bottom + sh}
                        : RECT{l.vscroll.left, in.bottom, l.vscroll.right, in.bottom + sh};
  }
  in.right = std::max(in.right, in.left);
  in.bottom = std::max(in.bottom, in.top);
  l.client = in;
  return l;
}

namespace {

FrameLayout layout_of(Window* w) {
  int width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  return compute_layout(w->style, w->ex_style, width, height, w->parent != nullptr, menu_height_of(w, width));
}

void fill(HDC dc, RECT r, int sys_color) {
  gdi::FillRect(dc, &r, gdi::GetSysColorBrush(sys_color));
}

void draw_button_glyph(HDC dc, const RECT& r, int kind, bool enabled) {
  // kind: 0 close, 1 minimise, 2 maximise, 3 restore.
  RECT box = r;
  fill(dc, box, gdi::COLOR_BTNFACE);
  gdi::DrawEdge(dc, &box, gdi::EDGE_RAISED, gdi::BF_RECT);
  HBRUSH ink = gdi::GetSysColorBrush(enabled ? gdi::COLOR_BTNTEXT : gdi::COLOR_GRAYTEXT);
  int w = r.right - r.left, h = r.bottom - r.top;
  int cx = r.left + w / 2, cy = r.top + h / 2;
  int g = std::max(3, std::min(w, h) / 2 - 2);
  switch (kind) {
    case 0:
      for (int i = -g; i <= g; ++i) {
        RECT p1{cx + i - 1, cy + i, cx + i + 1, cy + i + 1};
        RECT p2{cx + i - 1, cy - i, cx + i + 1, cy - i + 1};
        gdi::FillRect(dc, &p1, ink);
        gdi::FillRect(dc, &p2, ink);
      }
      break;
    case 1: {
      RECT bar{cx - g, cy + g - 1, cx + g - 1, cy + g + 1};
      gdi::FillRect(dc, &bar, ink);
      break;
    }
    case 2: {
      RECT f{cx - g, cy - g, cx + g, cy + g};
      gdi::FrameRect(dc, &f, ink);
      RECT top{f.left, f.top, f.right, f.top + 2};
      gdi::FillRect(dc, &top, ink);
      break;
    }
    default: {
      RECT back{cx - g + 2, cy - g, cx + g, cy + g - 2};
      RECT front{cx - g, cy - g + 2, cx + g - 2, cy + g};
      gdi::FrameRect(dc, &back, ink);
      fill(dc, {front.left, front.top, front.right, front.bottom}, gdi::COLOR_BTNFACE);
      gdi::FrameRect(dc, &front, ink);
      break;
    }
  }
}

// Hit-test of the default frame; `p` in window coordinates.
int hit_test(Window* w, POINT p) {
  RECT wr = window_rect_local(w);
  if (!gdi::PtInRect(&wr, p)) return HTNOWHERE;
  if (w->region) {
    const gdi::Region* reg = gdi::GetRegion(w->region);
    if (reg && !reg->contains(p.x, p.y)) return HTNOWHERE;
  }
  RECT cl = client_rect_local(w);
  if (gdi::PtInRect(&cl, p)) return HTCLIENT;
  if (!w->parent && (w->style & WS_MINIMIZE)) return HTCAPTION;
  FrameLayout l = layout_of(w);
  RECT inner = wr;
  gdi::InflateRect(&inner, -l.border, -l.border);
  if (!gdi::PtInRect(&inner, p)) {
    if (!(w->style & WS_THICKFRAME)) return HTBORDER;
    int corner = GetSystemMetrics(SM_CYSIZE) + l.border;
    bool left = p.x < corner, right = p.x >= wr.right - corner;
    bool top = p.y < corner, bottom = p.y >= wr.bottom - corner;
    if (p.y < l.border) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (p.y >= wr.bottom - l.border) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (p.x < l.border) return top ? HTTOPLEFT : bottom ? HTBOTTOMLEFT : HTLEFT;
    return top ? HTTOPRIGHT : bottom ? HTBOTTOMRIGHT : HTRIGHT;
  }
  if (gdi::PtInRect(&l.caption, p)) {
    if (gdi::PtInRect(&l.sys_button, p)) return HTSYSMENU;
    if (gdi::PtInRect(&l.close_button, p)) return HTCLOSE;
    if (gdi::PtInRect(&l.max_button, p)) return HTMAXBUTTON;
    if (gdi::PtInRect(&l.min_button, p)) return HTMINBUTTON;
    return HTCAPTION;
  }
  if (gdi::PtInRect(&l.menu, p)) return HTMENU;
  if (gdi::PtInRect(&l.vscroll, p)) return HTVSCROLL;
  if (gdi::PtInRect(&l.hscroll, p)) return HTHSCROLL;
  if (gdi::PtInRect(&l.size_box, p)) return (w->style & WS_THICKFRAME) ? HTBOTTOMRIGHT : HTSIZE;
  // The parts of a frame the program draws itself are its own to name.
  return w->own_frame ? HTNOWHERE : HTBORDER;
}

// The modal loop of a caption drag or a border resize; ends on button-up, Escape or lost capture.
void move_size_loop(Window* w, UINT sc, POINT start) {
  HWND hwnd = w->handle;
  int hit = static_cast<int>(sc & 0x0F);
  bool moving = (sc & 0xFFF0) == SC_MOVE;
  if (moving && hit == 0) return;  // keyboard moving is not offered
  if (w->style & WS_MAXIMIZE) return;
  RECT orig;
  GetWindowRect(hwnd, &orig);
  if (w->parent) MapWindowPoints(nullptr, w->parent->handle, reinterpret_cast<POINT*>(&orig), 2);
  if (call_hooks(WH_CBT, HCBT_MOVESIZE, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&orig)) != 0) return;
  SetCapture(hwnd);
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  int edge = moving ? 0 : hit;  // WMSZ_ code
  MINMAXINFO mmi = min_max_info(w);
  bool done = false;
  MSG m;
  while (!done && IsWindow(hwnd) && GetCapture() == hwnd) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (CallMsgFilter(&m, MSGF_USER)) continue;
    switch (m.message) {
      case WM_MOUSEMOVE:
      case WM_LBUTTONUP: {
        int dx = m.pt.x - start.x, dy = m.pt.y - start.y;
        RECT r = orig;
        if (moving) {
          gdi::OffsetRect(&r, dx, dy);
          SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
        } else {
          if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) r.left += dx;
          if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) r.right += dx;
          if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) r.top += dy;
          if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT) r.bottom += dy;
          int minw = mmi.ptMinTrackSize.x, minh = mmi.ptMinTrackSize.y;
          if (r.right - r.left < minw) {
            if (r.left != orig.left) r.left = r.right - minw;
            else r.right = r.left + minw;
          }
          if (r.bottom - r.top < minh) {
            if (r.top != orig.top) r.top = r.bottom - minh;
            else r.bottom = r.top + minh;
          }
          SendMessage(hwnd, WM_SIZING, static_cast<WPARAM>(edge), reinterpret_cast<LPARAM>(&r));
        }
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | (moving ? static_cast<UINT>(SWP_NOSIZE) : 0u));
        if (m.message == WM_LBUTTONUP) done = true;
        break;
      }
      case WM_KEYDOWN:
        if (m.wParam == VK_ESCAPE) {
          SetWindowPos(hwnd, nullptr, orig.left, orig.top, orig.right - orig.left, orig.bottom - orig.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
          done = true;
        } else if (m.wParam == VK_RETURN) {
          done = true;
        }
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_KEYUP:
      case WM_CHAR:
        break;  // swallowed while the loop runs
      default:
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (IsWindow(hwnd)) SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

// Pressing a caption button: the command comes only when the button is released over it.
void track_caption_button(Window* w, int hit) {
  HWND hwnd = w->handle;
  SetCapture(hwnd);
  MSG m;
  bool released_over = false;
  while (IsWindow(hwnd) && GetCapture() == hwnd) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_LBUTTONUP) {
      Window* again = get(hwnd);
      if (again) {
        POINT o = screen_origin(again);
        released_over = hit_test(again, {m.pt.x - o.x, m.pt.y - o.y}) == hit;
      }
      break;
    }
    if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONDOWN) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (GetCapture() == hwnd) ReleaseCapture();
  if (!released_over || !IsWindow(hwnd)) return;
  UINT sc = hit == HTCLOSE ? SC_CLOSE : hit == HTMINBUTTON ? SC_MINIMIZE : (IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE);
  SendMessage(hwnd, WM_SYSCOMMAND, sc, MAKELPARAM(m.pt.x, m.pt.y));
}

bool ext_request(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
  auto& s = state();
  return s.ext.nonclient_request && s.ext.nonclient_request(w->handle, msg, wp, lp);
}

LRESULT sys_command(Window* w, WPARAM wp, LPARAM lp) {
  HWND hwnd = w->handle;
  if (call_hooks(WH_CBT, HCBT_SYSCOMMAND, wp, lp) != 0) return 0;
  if (!get(hwnd)) return 0;
  UINT sc = static_cast<UINT>(wp) & 0xFFF0;
  // A window without a sizing border or a maximise box cannot be sized or maximised by the user.
  if ((sc == SC_SIZE && !(w->style & WS_THICKFRAME)) || (sc == SC_MAXIMIZE && !(w->style & WS_MAXIMIZEBOX))) return 0;
  switch (sc) {
    case SC_MOVE:
    case SC_SIZE: {
      POINT start{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      move_size_loop(w, static_cast<UINT>(wp), start);
      return 0;
    }
    case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
    case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); return 0;
    case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
    case SC_CLOSE:
      if (w->cls->style & CS_NOCLOSE) return 0;
      SendMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case SC_KEYMENU:
    case SC_MOUSEMENU:
      ext_request(w, WM_SYSCOMMAND, wp, lp);
      return 0;
    default: return 0;
  }
}

HICON icon_of(Window* w, int kind) {
  switch (kind) {
    case ICON_SMALL: return w->icon_small;
    case ICON_BIG: return w->icon_big;
    default:
      if (w->icon_small) return w->icon_small;
      if (w->icon_big) return w->icon_big;
      return w->cls->icon_small ? w->cls->icon_small : w->cls->icon;
  }
}

void print_window(Window* w, HDC dc, LPARAM flags) {
  constexpr LPARAM PRF_NONCLIENT = 0x2, PRF_CLIENT = 0x4, PRF_ERASEBKGND = 0x8;
  HWND hwnd = w->handle;
  if (flags & PRF_NONCLIENT) paint_default_frame(w, dc);
  if (!get(hwnd)) return;
  RECT cl = client_rect_local(w);
  int saved = gdi::SaveDC(dc);
  gdi::OffsetViewportOrgEx(dc, cl.left, cl.top, nullptr);
  gdi::IntersectClipRect(dc, 0, 0, cl.right - cl.left, cl.bottom - cl.top);
  if (flags & PRF_ERASEBKGND) send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  if ((flags & PRF_CLIENT) && get(hwnd)) send(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags);
  gdi::RestoreDC(dc, saved);
}

}  // namespace

void paint_default_frame(Window* w, HDC dc) {
  auto& s = state();
  FrameLayout l = layout_of(w);
  RECT wr = l.window;
  bool active = w->nc_active;
  int saved = gdi::SaveDC(dc);
  RECT cl = client_rect_local(w);
  gdi::ExcludeClipRect(dc, cl.left, cl.top, cl.right, cl.bottom);
  if (l.border > 0) {
    RECT r = wr;
    if (w->style & WS_THICKFRAME) {
      fill(dc, r, active ? gdi::COLOR_ACTIVEBORDER : gdi::COLOR_INACTIVEBORDER);
      gdi::DrawEdge(dc, &r, gdi::EDGE_RAISED, gdi::BF_RECT);
    } else if (l.border > 1) {
      fill(dc, r, gdi::COLOR_BTNFACE);
      gdi::DrawEdge(dc, &r, gdi::EDGE_RAISED, gdi::BF_RECT);
    } else {
      gdi::FrameRect(dc, &r, gdi::GetSysColorBrush(gdi::COLOR_WINDOWFRAME));
    }
  }
  if (!gdi::IsRectEmpty(&l.caption)) {
    fill(dc, l.caption, active ? gdi::COLOR_ACTIVECAPTION : gdi::COLOR_INACTIVECAPTION);
    RECT text = l.caption;
    text.left += 4;
    if (!gdi::IsRectEmpty(&l.sys_button)) {
      HICON icon = icon_of(w, ICON_SMALL2);
      int sz = l.sys_button.bottom - l.sys_button.top;
      if (icon) gdi::DrawIconEx(dc, l.sys_button.left, l.sys_button.top, icon, sz, sz, 0, nullptr, gdi::DI_NORMAL);
      text.left = l.sys_button.right + 3;
    }
    RECT first = l.min_button.right ? l.min_button : l.close_button;
    if (first.right) text.right = first.left - 2;
    gdi::LOGFONT lf = nc_metrics().lfCaptionFont;
    HFONT font = gdi::CreateFontIndirect(&lf);
    HFONT old_font = static_cast<HFONT>(gdi::SelectObject(dc, font));
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    gdi::SetTextColor(dc, gdi::GetSysColor(active ? gdi::COLOR_CAPTIONTEXT : gdi::COLOR_INACTIVECAPTIONTEXT));
    gdi::DrawText(dc, w->text, &text, gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS);
    gdi::SelectObject(dc, old_font);
    gdi::DeleteObject(font);
    if (l.close_button.right) draw_button_glyph(dc, l.close_button, 0, !(w->cls->style & CS_NOCLOSE));
    if (l.min_button.right) draw_button_glyph(dc, l.min_button, (w->style & WS_MINIMIZE) ? 3 : 1, (w->style & WS_MINIMIZEBOX) != 0);
    if (l.max_button.right) draw_button_glyph(dc, l.max_button, (w->style & WS_MAXIMIZE) ? 3 : 2, (w->style & WS_MAXIMIZEBOX) != 0);
  }
  if (!gdi::IsRectEmpty(&l.menu)) {
    if (s.ext.paint_menu_bar) s.ext.paint_menu_bar(w->handle, dc, l.menu);
    else fill(dc, l.menu, gdi::COLOR_MENU);
  }
  if (w->ex_style & WS_EX_CLIENTEDGE) {
    RECT e = l.client;
    gdi::InflateRect(&e, GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CYEDGE));
    gdi::DrawEdge(dc, &e, gdi::EDGE_SUNKEN, gdi::BF_RECT);
  } else if (w->ex_style & WS_EX_STATICEDGE) {
    RECT e = l.client;
    gdi::InflateRect(&e, 1, 1);
    gdi::DrawEdge(dc, &e, gdi::BDR_SUNKENOUTER, gdi::BF_RECT);
  }
  const RECT* vb = gdi::IsRectEmpty(&l.vscroll) ? nullptr : &l.vscroll;
  const RECT* hb = gdi::IsRectEmpty(&l.hscroll) ? nullptr : &l.hscroll;
  if (vb || hb) {
    if (s.ext.paint_scroll_bars) s.ext.paint_scroll_bars(w->handle, dc, vb, hb);
    else {
      if (vb) fill(dc, *vb, gdi::COLOR_SCROLLBAR);
      if (hb) fill(dc, *hb, gdi::COLOR_SCROLLBAR);
    }
    if (!gdi::IsRectEmpty(&l.size_box)) fill(dc, l.size_box, gdi::COLOR_BTNFACE);
  }
  gdi::RestoreDC(dc, saved);
}

}  // namespace detail

using namespace detail;

FrameLayout GetFrameLayout(HWND hwnd) {
  Window* w = get(hwnd);
  return w ? layout_of(w) : FrameLayout{};
}

void SetNonClientExtensions(NonClientExtensions ext) { state().ext = std::move(ext); }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CXMAXIMIZED:
      return display().screen_size().cx + (index == SM_CXMAXIMIZED ? 8 : 0);
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
    case SM_CYVIRTUALSCREEN:
    case SM_CYMAXIMIZED:
      return display().screen_size().cy + (index == SM_CYMAXIMIZED ? 8 : 0);
    case SM_CXMAXTRACK: return display().screen_size().cx + 12;
    case SM_CYMAXTRACK: return display().screen_size().cy + 12;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 19;
    case SM_CYSMCAPTION: return 15;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU:
    case SM_CYMENUSIZE: return 19;
    case SM_CXMENUSIZE: return 18;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXSMSIZE:
    case SM_CYSMSIZE: return 12;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXMINTRACK: return 112;
    case SM_CYMINTRACK: return 27;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 19 + 2 * 4;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS: return 1;
    default: return 0;
  }
}


BOOL SystemParametersInfo(UINT action, UINT, void* data, UINT) {
  constexpr UINT SPI_SETNONCLIENTMETRICS = 0x002A;
  auto& s = state();
  switch (action) {
    case SPI_GETNONCLIENTMETRICS: {
      auto* m = static_cast<NONCLIENTMETRICS*>(data);
      if (!m) return FALSE;
      UINT size = m->cbSize;
      *m = nc_metrics();
      m->cbSize = size;
      return TRUE;
    }
    case SPI_SETNONCLIENTMETRICS: {
      auto* m = static_cast<const NONCLIENTMETRICS*>(data);
      if (!m) return FALSE;
      nc_metrics();
      s.nc_metrics = *m;
      return TRUE;
    }
    case SPI_GETWORKAREA: {
      auto* r = static_cast<RECT*>(data);
      if (!r) return FALSE;
      SIZE sz = display().screen_size();
      *r = {0, 0, sz.cx, sz.cy};
      return TRUE;
    }
    case SPI_GETMOUSEHOVERTIME:
      if (!data) return FALSE;
      *static_cast<UINT*>(data) = 400;
      return TRUE;
    case SPI_GETWHEELSCROLLLINES:
      if (!data) return FALSE;
      *static_cast<UINT*>(data) = 3;
      return TRUE;
    default: return FALSE;
  }
}

// Major 6, minor 1, build 7601 in the high word (the high bit clear: an NT platform).
DWORD GetVersion() { return 0x1DB10106; }

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = get(hwnd);
  if (!w) return 0;
  auto& s = state();
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      if (cs && cs->lpszName) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      RECT* r = reinterpret_cast<RECT*>(lp);  // also rgrc[0] of NCCALCSIZE_PARAMS
      if (!r) return 0;
      RECT win = *r;
      FrameLayout l = compute_layout(w->style, w->ex_style, win.right - win.left, win.bottom - win.top,
                                     w->parent != nullptr, menu_height_of(w, win.right - win.left));
      *r = l.client;
      gdi::OffsetRect(r, win.left, win.top);
      return 0;
    }
    case WM_NCHITTEST: {
      POINT o = screen_origin(w);
      return hit_test(w, {GET_X_LPARAM(lp) - o.x, GET_Y_LPARAM(lp) - o.y});
    }
    case WM_NCPAINT: {
      HDC dc = GetDCEx(hwnd, nullptr, DCX_WINDOW | DCX_USESTYLE);
      if (dc) {
        paint_default_frame(w, dc);
        ReleaseDC(hwnd, dc);
      }
      return 0;
    }
    case WM_NCACTIVATE:
      w->nc_active = wp != 0;
      if (is_visible(w)) {
        HDC dc = GetDCEx(hwnd, nullptr, DCX_WINDOW | DCX_USESTYLE);
        if (dc) {
          paint_default_frame(w, dc);
          ReleaseDC(hwnd, dc);
        }
      }
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) SetFocus(hwnd);
      return 0;
    case WM_MOUSEACTIVATE:
      if (w->parent) {
        LRESULT r = send(w->parent, WM_MOUSEACTIVATE, wp, lp);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR: {
      if (w->parent && send(w->parent, WM_SETCURSOR, wp, lp)) return TRUE;
      // Asked on behalf of a child, a window leaves the shape to the child's own class.
      if (reinterpret_cast<HWND>(wp) != hwnd) return FALSE;
      const int hit = static_cast<short>(LOWORD(lp));
      int shape = IDC_ARROW;
      switch (hit) {
        case HTCLIENT:
          // The class cursor; a class without one leaves the pointer as it is.
          if (!w->cls->cursor) return FALSE;
          SetCursor(w->cls->cursor);
          return TRUE;
        case HTERROR:
        case HTNOWHERE: return FALSE;
        case HTLEFT:
        case HTRIGHT: shape = IDC_SIZEWE; break;
        case HTTOP:
        case HTBOTTOM: shape = IDC_SIZENS; break;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
        case HTGROWBOX: shape = IDC_SIZENWSE; break;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT: shape = IDC_SIZENESW; break;
        default: break;
      }
      SetCursor(LoadCursor(nullptr, shape));
      return TRUE;
    }
    case WM_MOUSEWHEEL:
      if (w->parent) return send(w->parent, msg, wp, lp);
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (pos && !(pos->flags & SWP_NOSIZE) && !w->parent && (w->style & (WS_THICKFRAME)) &&
          !(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) {
        MINMAXINFO mmi = min_max_info(w);
        pos->cx = std::clamp<int>(pos->cx, mmi.ptMinTrackSize.x, std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
        pos->cy = std::clamp<int>(pos->cy, mmi.ptMinTrackSize.y, std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
      if (!pos) return 0;
      UINT flags = pos->flags;
      if (!(flags & SWP_NOCLIENTMOVE)) send(w, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
      if (!(flags & SWP_NOCLIENTSIZE) && get(hwnd)) {
        WPARAM type = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        send(w, WM_SIZE, type, MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
      }
      return 0;
    }
    case WM_GETMINMAXINFO:
      return 0;
    case WM_SETTEXT: {
      w->text = lp ? reinterpret_cast<const char*>(lp) : "";
      // A window manager's title bar shows the text too.
      if (!w->parent && state().display) state().display->window_changed(hwnd);
      if ((w->style & WS_CAPTION) == WS_CAPTION && is_visible(w)) {
        w->need_ncpaint = true;
        RECT wr = window_rect_local(w);
        RECT cl = client_rect_local(w);
        invalidate(w, gdi::Region(wr) - gdi::Region(cl), RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
      }
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buf = reinterpret_cast<char*>(lp);
      if (!buf || wp == 0) return 0;
      std::size_t n = std::min<std::size_t>(wp - 1, w->text.size());
      // Never ends inside a UTF-8 sequence.
      while (n > 0 && n < w->text.size() && (static_cast<unsigned char>(w->text[n]) & 0xC0) == 0x80) --n;
      std::memcpy(buf, w->text.data(), n);
      buf[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_SETFONT:
      w->font = reinterpret_cast<HFONT>(wp);
      if (lp) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_SETICON: {
      HICON old;
      if (wp == ICON_BIG) {
        old = w->icon_big;
        w->icon_big = reinterpret_cast<HICON>(lp);
      } else {
        old = w->icon_small;
        w->icon_small = reinterpret_cast<HICON>(lp);
      }
      if ((w->style & WS_CAPTION) == WS_CAPTION) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(icon_of(w, static_cast<int>(wp)));
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_ERASEBKGND: {
      HBRUSH br = w->cls->background;
      if (!br || !wp) return 0;
      RECT r;
      GetClientRect(hwnd, &r);
      gdi::FillRect(reinterpret_cast<HDC>(wp), &r, br);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINT:
      print_window(w, reinterpret_cast<HDC>(wp), lp);
      return 0;
    case WM_SYSCOMMAND: return sys_command(w, wp, lp);
    case WM_NCLBUTTONDOWN: {
      int hit = static_cast<int>(wp);
      switch (hit) {
        case HTCAPTION: {
          Window* top = root_of(w);
          if (top != s.active) activate(top, true, true);
          if (get(hwnd)) SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lp);
          return 0;
        }
        case HTLEFT: case HTRIGHT: case HTTOP: case HTTOPLEFT: case HTTOPRIGHT: case HTBOTTOM: case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE | static_cast<UINT>(hit - HTLEFT + WMSZ_LEFT), lp);
          return 0;
        case HTSYSMENU:
          SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU | HTSYSMENU, lp);
          return 0;
        case HTMENU:
        case HTVSCROLL:
        case HTHSCROLL:
          ext_request(w, msg, wp, lp);
          return 0;
        case HTCLOSE:
        case HTMINBUTTON:
        case HTMAXBUTTON:
          // A box the window's style does not offer is drawn disabled and does not press.
          if ((hit == HTMAXBUTTON && !(w->style & WS_MAXIMIZEBOX)) || (hit == HTMINBUTTON && !(w->style & WS_MINIMIZEBOX)))
            return 0;
          track_caption_button(w, hit);
          return 0;
        default:
          return 0;
      }
    }
    case WM_NCLBUTTONDBLCLK:
      if (wp == HTCAPTION && (w->style & WS_MAXIMIZEBOX))
        SendMessage(hwnd, WM_SYSCOMMAND, (w->style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE, lp);
      else if (wp == HTSYSMENU)
        SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lp);
      return 0;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(hwnd, &p);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(p.x, p.y));
      return 0;
    }
    case WM_NCRBUTTONUP:
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lp);
      return 0;
    case WM_CONTEXTMENU:
      if (w->style & WS_CHILD) return w->parent ? send(w->parent, msg, wp, lp) : 0;
      ext_request(w, msg, wp, lp);
      return 0;
    case WM_SYSKEYDOWN:
      if (wp == VK_F4 && (HIWORD(lp) & 0x2000)) {
        PostMessage(root_of(w)->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
      }
      s.alt_alone = wp == VK_MENU;
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if ((wp == VK_MENU && s.alt_alone) || wp == VK_F10) {
        s.alt_alone = false;
        SendMessage(root_of(w)->handle, WM_SYSCOMMAND, SC_KEYMENU, 0);
      }
      return 0;
    case WM_SYSCHAR:
      s.alt_alone = false;
      if (wp == VK_SPACE) SendMessage(root_of(w)->handle, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
      else SendMessage(root_of(w)->handle, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wp));
      return 0;
    case WM_CANCELMODE:
      if (s.capture == w) ReleaseCapture();
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR: {
      HDC dc = reinterpret_cast<HDC>(wp);
      gdi::SetTextColor(dc, gdi::GetSysColor(gdi::COLOR_WINDOWTEXT));
      gdi::SetBkColor(dc, gdi::GetSysColor(gdi::COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(gdi::GetSysColorBrush(msg == WM_CTLCOLORSCROLLBAR ? gdi::COLOR_SCROLLBAR : gdi::COLOR_BTNFACE));
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wp);
      gdi::SetTextColor(dc, gdi::GetSysColor(gdi::COLOR_WINDOWTEXT));
      gdi::SetBkColor(dc, gdi::GetSysColor(gdi::COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(gdi::GetSysColorBrush(gdi::COLOR_WINDOW));
    }
    default: return 0;
  }
}

}  // namespace platform::win
