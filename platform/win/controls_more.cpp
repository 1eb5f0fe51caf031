// "msctls_progress32", "msctls_trackbar32", "msctls_updown32", "SysHeader32", "SysListView32"
// (report view) and "ToolbarWindow32".
#include <algorithm>
#include <cstdio>

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win::controls {
namespace {

bool in(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
POINT point_of(LPARAM lp) { return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

void fill_color(HDC dc, const RECT& r, COLORREF c, int fallback) {
  if (c == CLR_DEFAULT) {
    fill(dc, r, fallback);
    return;
  }
  HBRUSH b = gdi::CreateSolidBrush(c);
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

class Progress : public Control {
public:
  using Control::Control;
  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case PBM_SETRANGE: {
        LRESULT old = MAKELONG(static_cast<WORD>(lo_), static_cast<WORD>(hi_));
        set_range(static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lp))), static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lp))));
        return old;
      }
      case PBM_SETRANGE32: {
        LRESULT old = MAKELONG(static_cast<WORD>(lo_), static_cast<WORD>(hi_));
        set_range(static_cast<int>(wp), static_cast<int>(lp));
        return old;
      }
      case PBM_GETRANGE:
        if (lp) {
          auto* r = reinterpret_cast<PBRANGE*>(lp);
          r->iLow = lo_;
          r->iHigh = hi_;
        }
        return wp ? lo_ : hi_;
      case PBM_SETPOS: return set_pos(static_cast<int>(wp));
      case PBM_DELTAPOS: return set_pos(pos_ + static_cast<int>(wp));
      case PBM_GETPOS: return pos_;
      case PBM_SETSTEP: {
        int old = step_;
        step_ = static_cast<int>(wp);
        return old;
      }
      case PBM_STEPIT: {
        // Stepping past the end starts again from the low end.
        int n = pos_ + step_;
        if (n > hi_) n = lo_ + (n - hi_);
        if (n < lo_) n = hi_ - (lo_ - n);
        return set_pos(n);
      }
      case PBM_SETBARCOLOR: {
        COLORREF old = bar_;
        bar_ = static_cast<COLORREF>(lp);
        redraw();
        return old;
      }
      case PBM_SETBKCOLOR: {
        COLORREF old = back_;
        back_ = static_cast<COLORREF>(lp);
        redraw();
        return old;
      }
      case WM_ERASEBKGND: return 1;
      case WM_PAINT: {
        PaintDc pdc(hwnd_, nullptr);
        RECT r;
        GetClientRect(hwnd_, &r);
        fill_color(pdc.dc(), r, back_, gdi::COLOR_BTNFACE);
        frame_3d(pdc.dc(), r, true);
        RECT inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
        long long span = std::max(1, hi_ - lo_);
        RECT done = inner;
        if (style() & PBS_VERTICAL) done.top = inner.bottom - static_cast<int>((inner.bottom - inner.top) * (pos_ - lo_) / span);
        else done.right = inner.left + static_cast<int>((inner.right - inner.left) * (pos_ - lo_) / span);
        fill_color(pdc.dc(), done, bar_, gdi::COLOR_HIGHLIGHT);
        return 0;
      }
      default: break;
    }
    return DefWindowProc(hwnd_, msg, wp, lp);
  }

private:
  void set_range(int lo, int hi) {
    lo_ = lo;
    hi_ = std::max(lo, hi);
    pos_ = std::clamp(pos_, lo_, hi_);
    redraw();
  }
  LRESULT set_pos(int p) {
    int old = pos_;
    pos_ = std::clamp(p, lo_, hi_);
    if (pos_ != old) redraw();
    return old;
  }
  int lo_ = 0, hi_ = 100, pos_ = 0, step_ = 10;
  COLORREF bar_ = CLR_DEFAULT, back_ = CLR_DEFAULT;
};

class Trackbar : public Control {
public:
  using Control::Control;
  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case TBM_GETPOS: return pos_;
      case TBM_GETRANGEMIN: return min_;
      case TBM_GETRANGEMAX: return max_;
      case TBM_SETPOS: pos_ = std::clamp(static_cast<int>(lp), min_, max_); if (wp) redraw(); return 0;
      case TBM_SETRANGE:
        min_ = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lp)));
        max_ = std::max(min_, static_cast<int>(static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lp)))));
        pos_ = std::clamp(pos_, min_, max_);
        if (wp) redraw();
        return 0;
      case TBM_SETRANGEMIN: min_ = std::min(static_cast<int>(lp), max_); pos_ = std::max(pos_, min_); if (wp) redraw(); return 0;
      case TBM_SETRANGEMAX: max_ = std::max(static_cast<int>(lp), min_); pos_ = std::min(pos_, max_); if (wp) redraw(); return 0;
      case TBM_SETPAGESIZE: { int o = page_; page_ = static_cast<int>(lp); return o; }
      case TBM_GETPAGESIZE: return page_;
      case TBM_SETLINESIZE: { int o = line_; line_ = static_cast<int>(lp); return o; }
      case TBM_GETLINESIZE: return line_;
      case TBM_GETTHUMBRECT: if (lp) *reinterpret_cast<RECT*>(lp) = thumb_rect(); return 0;
      case TBM_GETCHANNELRECT: if (lp) *reinterpret_cast<RECT*>(lp) = channel_rect(); return 0;
      case WM_GETDLGCODE: return DLGC_WANTARROWS;
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONDOWN: {
        SetFocus(hwnd_);
        POINT p = point_of(lp);
        RECT t = thumb_rect();
        if (in(t, p)) {
          dragging_ = true;
          grab_ = vertical() ? p.y - t.top : p.x - t.left;
          SetCapture(hwnd_);
          return 0;
        }
        int along = vertical() ? p.y : p.x, thumb_at = vertical() ? t.top : t.left;
        change(along < thumb_at ? pos_ - page_ : pos_ + page_, along < thumb_at ? TB_PAGEUP : TB_PAGEDOWN);
        scroll(TB_ENDTRACK, 0);
        return 0;
      }
      case WM_MOUSEMOVE:
        if (dragging_) {
          int p = pos_from(vertical() ? GET_Y_LPARAM(lp) - grab_ : GET_X_LPARAM(lp) - grab_);
          if (p != pos_) {
            pos_ = p;
            redraw();
            scroll(TB_THUMBTRACK, pos_);
          }
        }
        return 0;
      case WM_LBUTTONUP:
        if (dragging_) {
          dragging_ = false;
          ReleaseCapture();
          scroll(TB_THUMBPOSITION, pos_);
          scroll(TB_ENDTRACK, 0);
        }
        return 0;
      case WM_CAPTURECHANGED: dragging_ = false; return 0;
      case WM_KEYDOWN: {
        switch (wp) {
          case VK_LEFT: case VK_UP: change(pos_ - line_, TB_LINEUP); break;
          case VK_RIGHT: case VK_DOWN: change(pos_ + line_, TB_LINEDOWN); break;
          case VK_PRIOR: change(pos_ - page_, TB_PAGEUP); break;
          case VK_NEXT: change(pos_ + page_, TB_PAGEDOWN); break;
          case VK_HOME: change(min_, TB_TOP); break;
          case VK_END: change(max_, TB_BOTTOM); break;
          default: return 0;
        }
        scroll(TB_ENDTRACK, 0);
        return 0;
      }
      case WM_SETFOCUS: case WM_KILLFOCUS: redraw(); return 0;
      case WM_ERASEBKGND: return 1;
      case WM_PAINT: {
        PaintDc pdc(hwnd_, nullptr);
        HDC dc = pdc.dc();
        RECT r;
        GetClientRect(hwnd_, &r);
        fill(dc, r, gdi::COLOR_BTNFACE);
        // Custom draw as the skin takes it over: the whole control first, then ticks, channel, thumb.
        NMCUSTOMDRAW cd;
        cd.dwDrawStage = CDDS_PREPAINT;
        cd.hdc = dc;
        cd.rc = r;
        LRESULT want = notify(&cd.hdr, NM_CUSTOMDRAW);
        if (want & CDRF_SKIPDEFAULT) return 0;
        auto part = [&](ULONG_PTR part_id, const RECT& pr) {
          if (!(want & CDRF_NOTIFYITEMDRAW)) return true;
          NMCUSTOMDRAW item;
          item.dwDrawStage = CDDS_ITEMPREPAINT;
          item.hdc = dc;
          item.rc = pr;
          item.dwItemSpec = part_id;
          item.uItemState = GetFocus() == hwnd_ ? CDIS_FOCUS : 0;
          return !(notify(&item.hdr, NM_CUSTOMDRAW) & CDRF_SKIPDEFAULT);
        };
        part(TBCD_TICS, r);
        RECT c = channel_rect();
        if (vertical()) c = RECT{c.top, c.left, c.bottom, c.right};
        if (part(TBCD_CHANNEL, c)) frame_3d(dc, c, true);
        if (!(style() & TBS_NOTHUMB)) {
          RECT t = thumb_rect();
          if (part(TBCD_THUMB, t)) {
            fill(dc, t, gdi::COLOR_BTNFACE);
            frame_3d(dc, t, false);
          }
        }
        if (GetFocus() == hwnd_) gdi::DrawFocusRect(dc, &r);
        return 0;
      }
      default: break;
    }
    return DefWindowProc(hwnd_, msg, wp, lp);
  }

private:
  bool vertical() const { return style() & TBS_VERT; }
  static constexpr int kThumbLong = 21, kThumbShort = 11, kMargin = 8;
  RECT channel_rect() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    // Always in horizontal terms, as the skin expects (it swaps for vertical bars itself).
    int length = vertical() ? r.bottom : r.right;
    return RECT{kMargin, 8, std::max(kMargin, length - kMargin), 12};
  }
  RECT thumb_rect() const {
    RECT c = channel_rect();
    int span = std::max(1, max_ - min_);
    int travel = std::max(0, static_cast<int>(c.right - c.left));
    int center = c.left + static_cast<int>(static_cast<long long>(travel) * (pos_ - min_) / span);
    RECT h{center - kThumbShort / 2, 0, center - kThumbShort / 2 + kThumbShort, kThumbLong};
    if (!vertical()) return h;
    return RECT{h.top, h.left, h.bottom, h.right};
  }
  int pos_from(int start) const {
    RECT c = channel_rect();
    int travel = std::max(1, static_cast<int>(c.right - c.left));
    int at = start + kThumbShort / 2 - c.left;
    return std::clamp(min_ + static_cast<int>((static_cast<long long>(at) * (max_ - min_) + travel / 2) / travel), min_, max_);
  }
  void scroll(int code, int pos) {
    if (HWND p = parent()) SendMessage(p, vertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(hwnd_));
  }
  void change(int to, int code) {
    to = std::clamp(to, min_, max_);
    if (to != pos_) {
      pos_ = to;
      redraw();
    }
    scroll(code, 0);
  }
  int min_ = 0, max_ = 100, pos_ = 0, page_ = 20, line_ = 1, grab_ = 0;
  bool dragging_ = false;
};

class UpDown : public Control {
public:
  using Control::Control;
  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CREATE:
        if (style() & UDS_AUTOBUDDY) {
          std::vector<HWND> order = tab_order(parent());
          auto self = std::find(order.begin(), order.end(), hwnd_);
          if (self != order.end() && self != order.begin()) set_buddy(*(self - 1));
        }
        return 0;
      case UDM_SETRANGE:
        upper_ = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lp)));
        lower_ = static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lp)));
        return 0;
      case UDM_SETRANGE32: lower_ = static_cast<int>(wp); upper_ = static_cast<int>(lp); return 0;
      case UDM_GETRANGE: return MAKELONG(static_cast<WORD>(upper_), static_cast<WORD>(lower_));
      case UDM_GETRANGE32:
        if (wp) *reinterpret_cast<int*>(wp) = lower_;
        if (lp) *reinterpret_cast<int*>(lp) = upper_;
        return 0;
      case UDM_SETPOS:
      case UDM_SETPOS32: {
        int old = pos_;
        int v = msg == UDM_SETPOS ? static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lp))) : static_cast<int>(lp);
        pos_ = std::clamp(v, std::min(lower_, upper_), std::max(lower_, upper_));
        update_buddy();
        return old;
      }
      case UDM_GETPOS: return MAKELONG(static_cast<WORD>(pos_), 0);
      case UDM_GETPOS32:
        if (lp) *reinterpret_cast<BOOL*>(lp) = FALSE;
        return pos_;
      case UDM_SETBUDDY: {
        HWND old = buddy_;
        set_buddy(reinterpret_cast<HWND>(wp));
        return reinterpret_cast<LRESULT>(old);
      }
      case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(buddy_);
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONDOWN: {
        RECT r;
        GetClientRect(hwnd_, &r);
        POINT p = point_of(lp);
        bool first_half = (style() & UDS_HORZ) ? p.x < r.right / 2 : p.y < r.bottom / 2;
        // The top (or right) arrow goes toward the upper limit.
        bool toward_upper = (style() & UDS_HORZ) ? !first_half : first_half;
        pressed_ = toward_upper ? 1 : 2;
        redraw();
        SetCapture(hwnd_);
        spin(toward_upper);
        return 0;
      }
      case WM_LBUTTONUP:
        if (pressed_) {
          pressed_ = 0;
          redraw();
          ReleaseCapture();
          scroll(SB_ENDSCROLL);
        }
        return 0;
      case WM_CAPTURECHANGED: pressed_ = 0; redraw(); return 0;
      case WM_ERASEBKGND: return 1;
      case WM_PAINT: {
        PaintDc pdc(hwnd_, nullptr);
        RECT r;
        GetClientRect(hwnd_, &r);
        bool horz = style() & UDS_HORZ;
        RECT a = horz ? RECT{0, 0, r.right / 2, r.bottom} : RECT{0, 0, r.right, r.bottom / 2};
        RECT b = horz ? RECT{r.right / 2, 0, r.right, r.bottom} : RECT{0, r.bottom / 2, r.right, r.bottom};
        fill(pdc.dc(), r, gdi::COLOR_BTNFACE);
        frame_3d(pdc.dc(), a, pressed_ == (horz ? 2 : 1));
        frame_3d(pdc.dc(), b, pressed_ == (horz ? 1 : 2));
        return 0;
      }
      default: break;
    }
    return DefWindowProc(hwnd_, msg, wp, lp);
  }

private:
  void set_buddy(HWND b) {
    buddy_ = b;
    if (!b || !(style() & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return;
    // Sits on the buddy's edge, taking its width from the buddy.
    RECT br, me;
    GetWindowRect(b, &br);
    GetWindowRect(hwnd_, &me);
    POINT tl{br.left, br.top};
    ScreenToClient(GetParent(b), &tl);
    int w = me.right - me.left, h = br.bottom - br.top, bw = br.right - br.left;
    if (style() & UDS_ALIGNRIGHT) {
      MoveWindow(b, tl.x, tl.y, std::max(0, bw - w), h, TRUE);
      MoveWindow(hwnd_, tl.x + std::max(0, bw - w), tl.y, w, h, TRUE);
    } else {
      MoveWindow(hwnd_, tl.x, tl.y, w, h, TRUE);
      MoveWindow(b, tl.x + w, tl.y, std::max(0, bw - w), h, TRUE);
    }
  }
  void update_buddy() {
    if (!buddy_ || !(style() & UDS_SETBUDDYINT)) return;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", pos_);
    SetWindowText(buddy_, buf);
  }
  void scroll(int code) {
    if (HWND p = parent())
      SendMessage(p, (style() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(code, pos_), reinterpret_cast<LPARAM>(hwnd_));
  }
  void spin(bool toward_upper) {
    int delta = (upper_ >= lower_) == toward_upper ? 1 : -1;
    NMUPDOWN n;
    n.iPos = pos_;
    n.iDelta = delta;
    if (notify(&n.hdr, UDN_DELTAPOS)) return;  // the parent refused
    int lo = std::min(lower_, upper_), hi = std::max(lower_, upper_);
    int next = pos_ + n.iDelta;
    if (next > hi) next = (style() & UDS_WRAP) ? lo : hi;
    if (next < lo) next = (style() & UDS_WRAP) ? hi : lo;
    if (next == pos_) return;
    pos_ = next;
    update_buddy();
    scroll(SB_THUMBPOSITION);
  }
  int lower_ = 100, upper_ = 0, pos_ = 0, pressed_ = 0;
  HWND buddy_ = nullptr;
};

class Header : public Control {
public:
  struct Item {
    std::string text;
    int width = 50, fmt = HDF_LEFT | HDF_STRING, image = -1;
    LPARAM param = 0;
  };
  using Control::Control;
  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case HDM_GETITEMCOUNT: return static_cast<LRESULT>(items_.size());
      case HDM_INSERTITEMA:
      case HDM_INSERTITEMW: {
        auto* it = reinterpret_cast<const HDITEM*>(lp);
        if (!it) return -1;
        std::size_t at = std::min<std::size_t>(wp, items_.size());
        Item item;
        apply(item, *it);
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), item);
        redraw();
        return static_cast<LRESULT>(at);
      }
      case HDM_DELETEITEM:
        if (wp >= items_.size()) return FALSE;
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(wp));
        redraw();
        return TRUE;
      case HDM_SETITEMA:
      case HDM_SETITEMW: {
        auto* it = reinterpret_cast<const HDITEM*>(lp);
        if (!it || wp >= items_.size()) return FALSE;
        apply(items_[wp], *it);
        redraw();
        return TRUE;
      }
      case HDM_GETITEMA:
      case HDM_GETITEMW: {
        auto* it = reinterpret_cast<HDITEM*>(lp);
        if (!it || wp >= items_.size()) return FALSE;
        const Item& i = items_[wp];
        if (it->mask & HDI_WIDTH) it->cxy = i.width;
        if ((it->mask & HDI_TEXT) && it->pszText && it->cchTextMax > 0) copy_out(i.text, it->pszText, it->cchTextMax);
        if (it->mask & HDI_FORMAT) it->fmt = i.fmt;
        if (it->mask & HDI_LPARAM) it->lParam = i.param;
        if (it->mask & HDI_IMAGE) it->iImage = i.image;
        return TRUE;
      }
      case HDM_GETITEMRECT:
        if (wp >= items_.size() || !lp) return FALSE;
        *reinterpret_cast<RECT*>(lp) = item_rect(static_cast<int>(wp));
        return TRUE;
      case HDM_HITTEST: {
        auto* h = reinterpret_cast<HDHITTESTINFO*>(lp);
        if (!h) return -1;
        h->iItem = index_at(h->pt);
        h->flags = h->iItem < 0 ? HHT_NOWHERE : HHT_ONHEADER;
        return h->iItem;
      }
      case HDM_SETIMAGELIST: { void* o = images_; images_ = reinterpret_cast<void*>(lp); return reinterpret_cast<LRESULT>(o); }
      case HDM_GETIMAGELIST: return reinterpret_cast<LRESULT>(images_);
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONDOWN: pressed_ = index_at(point_of(lp)); if (pressed_ >= 0) { SetCapture(hwnd_); redraw(); } return 0;
      case WM_LBUTTONUP:
        if (pressed_ >= 0) {
          int i = pressed_;
          pressed_ = -1;
          ReleaseCapture();
          redraw();
          if (index_at(point_of(lp)) == i) {
            NMHEADER n;
            n.iItem = i;
            notify(&n.hdr, HDN_ITEMCLICK);
          }
        }
        return 0;
      case WM_CAPTURECHANGED: pressed_ = -1; return 0;
      case WM_ERASEBKGND: return 1;
      case WM_PAINT: {
        PaintDc pdc(hwnd_, font());
        RECT r;
        GetClientRect(hwnd_, &r);
        fill(pdc.dc(), r, gdi::COLOR_BTNFACE);
        for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
          RECT ir = item_rect(i);
          frame_3d(pdc.dc(), ir, i == pressed_);
          RECT tr{ir.left + 4, ir.top, ir.right - 4, ir.bottom};
          int fmt = items_[static_cast<std::size_t>(i)].fmt & 3;
          draw_text(pdc.dc(), items_[static_cast<std::size_t>(i)].text, tr,
                    (fmt == HDF_RIGHT ? gdi::DT_RIGHT : fmt == HDF_CENTER ? gdi::DT_CENTER : gdi::DT_LEFT) | gdi::DT_VCENTER |
                        gdi::DT_SINGLELINE | gdi::DT_END_ELLIPSIS,
                    gdi::COLOR_BTNTEXT);
        }
        return 0;
      }
      default: break;
    }
    return DefWindowProc(hwnd_, msg, wp, lp);
  }
  const std::vector<Item>& items() const { return items_; }

private:
  static void apply(Item& item, const HDITEM& it) {
    if (it.mask & HDI_WIDTH) item.width = std::max(0, it.cxy);
    if (it.mask & HDI_TEXT) item.text = it.pszText ? it.pszText : "";
    if (it.mask & HDI_FORMAT) item.fmt = it.fmt;
    if (it.mask & HDI_LPARAM) item.param = it.lParam;
    if (it.mask & HDI_IMAGE) item.image = it.iImage;
  }
  RECT item_rect(int i) const {
    RECT r;
    GetClientRect(hwnd_, &r);
    int x = 0;
    for (int k = 0; k < i; ++k) x += items_[static_cast<std::size_t>(k)].width;
    return RECT{x, 0, x + items_[static_cast<std::size_t>(i)].width, r.bottom};
  }
  int index_at(POINT p) const {
    for (int i = 0; i < static_cast<int>(items_.size()); ++i)
      if (in(item_rect(i), p)) return i;
    return -1;
  }
  std::vector<Item> items_;
  int pressed_ = -1;
  void* images_ = nullptr;
};

class ListView : public Control {
public:
  struct Row {
    std::vector<std::string> texts;
    UINT state = 0;
    LPARAM param = 0;
    int image = -1;
  };
  using Control::Control;
  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CREATE: {
        RECT r;
        GetClientRect(hwnd_, &r);
        header_ = CreateWindowEx(0, "SysHeader32", "", WS_CHILD | ((style() & LVS_NOCOLUMNHEADER) ? 0 : WS_VISIBLE), 0, 0,
                                 r.right, header_height(), hwnd_, nullptr, nullptr, nullptr);
        return header_ ? 0 : -1;
      }
      case WM_SIZE:
        if (header_) MoveWindow(header_, 0, 0, LOWORD(static_cast<std::uintptr_t>(lp)), header_height(), TRUE);
        return 0;
      case WM_SETFONT:
        DefWindowProc(hwnd_, msg, wp, lp);
        if (header_) SendMessage(header_, WM_SETFONT, wp, lp);
        return 0;
      case LVM_GETHEADER: return reinterpret_cast<LRESULT>(header_);
      case LVM_INSERTCOLUMNA:
      case LVM_INSERTCOLUMNW: {
        auto* c = reinterpret_cast<const LVCOLUMN*>(lp);
        if (!c) return -1;
        HDITEM h;
        h.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
        h.cxy = (c->mask & LVCF_WIDTH) ? c->cx : 50;
        h.pszText = (c->mask & LVCF_TEXT) ? c->pszText : nullptr;
        h.fmt = ((c->mask & LVCF_FMT) ? c->fmt & 3 : HDF_LEFT) | HDF_STRING;
        LRESULT i = SendMessage(header_, HDM_INSERTITEM, wp, reinterpret_cast<LPARAM>(&h));
        redraw();
        return i;
      }
      case LVM_DELETECOLUMN: { LRESULT r = SendMessage(header_, HDM_DELETEITEM, wp, 0); redraw(); return r; }
      case LVM_GETCOLUMNWIDTH: {
        HDITEM h;
        h.mask = HDI_WIDTH;
        return SendMessage(header_, HDM_GETITEM, wp, reinterpret_cast<LPARAM>(&h)) ? h.cxy : 0;
      }
      case LVM_SETCOLUMNWIDTH: {
        HDITEM h;
        h.mask = HDI_WIDTH;
        h.cxy = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lp)));
        LRESULT r = SendMessage(header_, HDM_SETITEM, wp, reinterpret_cast<LPARAM>(&h));
        redraw();
        return r;
      }
      case LVM_GETITEMCOUNT: return static_cast<LRESULT>(rows_.size());
      case LVM_INSERTITEMA:
      case LVM_INSERTITEMW: {
        auto* it = reinterpret_cast<const LVITEM*>(lp);
        if (!it || it->iSubItem != 0 || it->iItem < 0) return -1;
        std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(it->iItem), rows_.size());
        Row row;
        row.texts.resize(1);
        if (it->mask & LVIF_TEXT) row.texts[0] = it->pszText ? it->pszText : "";
        if (it->mask & LVIF_PARAM) row.param = it->lParam;
        if (it->mask & LVIF_IMAGE) row.image = it->iImage;
        if (it->mask & LVIF_STATE) row.state = it->state & it->stateMask;
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
        redraw();
        return static_cast<LRESULT>(at);
      }
      case LVM_DELETEITEM:
        if (wp >= rows_.size()) return FALSE;
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(wp));
        top_ = std::min(top_, std::max(0, static_cast<int>(rows_.size()) - 1));
        redraw();
        return TRUE;
      case LVM_DELETEALLITEMS: rows_.clear(); top_ = 0; redraw(); return TRUE;
      case LVM_SETITEMTEXTA:
      case LVM_SETITEMTEXTW: {
        auto* it = reinterpret_cast<const LVITEM*>(lp);
        if (!it || wp >= rows_.size() || it->iSubItem < 0 || it->iSubItem > 255) return FALSE;
        Row& row = rows_[wp];
        if (row.texts.size() <= static_cast<std::size_t>(it->iSubItem)) row.texts.resize(static_cast<std::size_t>(it->iSubItem) + 1);
        row.texts[static_cast<std::size_t>(it->iSubItem)] = it->pszText ? it->pszText : "";
        redraw();
        return TRUE;
      }
      case LVM_GETITEMTEXTA:
      case LVM_GETITEMTEXTW: {
        auto* it = reinterpret_cast<LVITEM*>(lp);
        if (!it || wp >= rows_.size() || !it->pszText || it->cchTextMax <= 0) return 0;
        const Row& row = rows_[wp];
        std::size_t sub = static_cast<std::size_t>(std::max(0, it->iSubItem));
        return copy_out(sub < row.texts.size() ? row.texts[sub] : std::string(), it->pszText, it->cchTextMax);
      }
      case LVM_GETITEMA:
      case LVM_GETITEMW: {
        auto* it = reinterpret_cast<LVITEM*>(lp);
        if (!it || it->iItem < 0 || static_cast<std::size_t>(it->iItem) >= rows_.size()) return FALSE;
        const Row& row = rows_[static_cast<std::size_t>(it->iItem)];
        if (it->mask & LVIF_STATE) it->state = row.state & it->stateMask;
        if (it->mask & LVIF_PARAM) it->lParam = row.param;
        if (it->mask & LVIF_IMAGE) it->iImage = row.image;
        if ((it->mask & LVIF_TEXT) && it->pszText && it->cchTextMax > 0) {
          std::size_t sub = static_cast<std::size_t>(std::max(0, it->iSubItem));
          copy_out(sub < row.texts.size() ? row.texts[sub] : std::string(), it->pszText, it->cchTextMax);
        }
        return TRUE;
      }
      case LVM_SETITEMA:
      case LVM_SETITEMW: {
        auto* it = reinterpret_cast<const LVITEM*>(lp);
        if (!it || it->iItem < 0 || static_cast<std::size_t>(it->iItem) >= rows_.size()) return FALSE;
        Row& row = rows_[static_cast<std::size_t>(it->iItem)];
        if (it->mask & LVIF_PARAM) row.param = it->lParam;
        if (it->mask & LVIF_IMAGE) row.image = it->iImage;
        if (it->mask & LVIF_TEXT) SendMessage(hwnd_, LVM_SETITEMTEXTA, static_cast<WPARAM>(it->iItem), lp);
        if (it->mask & LVIF_STATE) set_state(it->iItem, it->state, it->stateMask);
        redraw();
        return TRUE;
      }
      case LVM_GETITEMSTATE: return wp < rows_.size() ? static_cast<LRESULT>(rows_[wp].state & static_cast<UINT>(lp)) : 0;
      case LVM_SETITEMSTATE: {
        auto* it = reinterpret_cast<const LVITEM*>(lp);
        if (!it) return FALSE;
        int i = static_cast<int>(wp);
        if (i == -1) {
          for (int k = 0; k < static_cast<int>(rows_.size()); ++k) set_state(k, it->state, it->stateMask);
        } else if (i >= 0 && i < static_cast<int>(rows_.size())) {
          set_state(i, it->state, it->stateMask);
        } else {
          return FALSE;
        }
        return TRUE;
      }
      case LVM_GETNEXTITEM: {
        UINT want = LOWORD(static_cast<std::uintptr_t>(lp)) & (LVNI_SELECTED | LVNI_FOCUSED);
        for (int i = static_cast<int>(wp) + 1; i < static_cast<int>(rows_.size()); ++i)
          if ((rows_[static_cast<std::size_t>(i)].state & want) == want) return i;
        return -1;
      }
      case LVM_GETSELECTEDCOUNT:
        return std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.state & LVIS_SELECTED; });
      case LVM_GETITEMRECT:
        if (wp >= rows_.size() || !lp) return FALSE;
        *reinterpret_cast<RECT*>(lp) = row_rect(static_cast<int>(wp));
        return TRUE;
      case LVM_GETTOPINDEX: return top_;
      case LVM_GETCOUNTPERPAGE: return rows_per_page();
      case LVM_ENSUREVISIBLE: ensure_visible(static_cast<int>(wp)); return TRUE;
      case LVM_HITTEST:
      case LVM_SUBITEMHITTEST: {
        auto* h = reinterpret_cast<LVHITTESTINFO*>(lp);
        if (!h) return -1;
        h->iItem = row_at(h->pt);
        h->iSubItem = column_at(h->pt.x);
        h->flags = h->iItem < 0 ? LVHT_NOWHERE : LVHT_ONITEMLABEL;
        return h->iItem;
      }
      case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        DWORD old = ex_style_;
        DWORD mask = wp ? static_cast<DWORD>(wp) : 0xFFFFFFFF;
        ex_style_ = (ex_style_ & ~mask) | (static_cast<DWORD>(lp) & mask);
        redraw();
        return old;
      }
      case LVM_GETEXTENDEDLISTVIEWSTYLE: return ex_style_;
      case LVM_SETBKCOLOR: back_ = static_cast<COLORREF>(lp); redraw(); return TRUE;
      case LVM_GETBKCOLOR: return back_;
      case WM_NOTIFY: {
        // Clicks on the column header are passed on as column clicks.
        auto* h = reinterpret_cast<NMHDR*>(lp);
        if (h && h->hwndFrom == header_ && h->code == HDN_ITEMCLICK) {
          NMLISTVIEW n;
          n.iSubItem = reinterpret_cast<NMHEADER*>(lp)->iItem;
          notify(&n.hdr, LVN_COLUMNCLICK);
        }
        return 0;
      }
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case WM_LBUTTONDOWN: {
        SetFocus(hwnd_);
        int i = row_at(point_of(lp));
        if (i >= 0) {
          if ((wp & MK_CONTROL) && !(style() & LVS_SINGLESEL)) set_state(i, rows_[static_cast<std::size_t>(i)].state ^ LVIS_SELECTED, LVIS_SELECTED);
          else select_only(i);
          set_focus_row(i);
        }
        NMHDR h;
        notify(&h, NM_CLICK);
        return 0;
      }
      case WM_LBUTTONDBLCLK: {
        NMHDR h;
        notify(&h, NM_DBLCLK);
        return 0;
      }
      case WM_KEYDOWN: {
        int n = static_cast<int>(rows_.size());
        if (n == 0) return 0;
        int cur = focus_row();
        int next = wp == VK_UP ? cur - 1 : wp == VK_DOWN ? cur + 1 : wp == VK_HOME ? 0 : wp == VK_END ? n - 1 : -2;
        if (next == -2) return 0;
        next = std::clamp(next, 0, n - 1);
        select_only(next);
        set_focus_row(next);
        ensure_visible(next);
        return 0;
      }
      case WM_MOUSEWHEEL:
        top_ = std::clamp(top_ - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3, 0, std::max(0, static_cast<int>(rows_.size()) - rows_per_page()));
        redraw();
        return 0;
      case WM_SETFOCUS: case WM_KILLFOCUS: redraw(); return 0;
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

private:
  int header_height() const { return (style() & LVS_NOCOLUMNHEADER) ? 0 : text_height(font()) + 6; }
  int row_height() const { return text_height(font()) + 4; }
  int rows_per_page() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return std::max(1, (r.bottom - header_height()) / row_height());
  }
  const std::vector<Header::Item>* columns() const {
    auto* h = static_cast<Header*>(control_of(header_));
    return h ? &h->items() : nullptr;
  }
  RECT row_rect(int i) const {
    int w = 0;
    if (auto* c = columns())
      for (auto& col : *c) w += col.width;
    int y = header_height() + (i - top_) * row_height();
    return RECT{0, y, w, y + row_height()};
  }
  int row_at(POINT p) const {
    if (p.y < header_height()) return -1;
    int i = top_ + (p.y - header_height()) / row_height();
    if (i < 0 || i >= static_cast<int>(rows_.size())) return -1;
    RECT r = row_rect(i);
    return p.x < r.right ? i : -1;
  }
  int column_at(int x) const {
    int left = 0, k = 0;
    if (auto* c = columns())
      for (auto& col : *c) {
        if (x >= left && x < left + col.width) return k;
        left += col.width;
        ++k;
      }
    return -1;
  }
  void ensure_visible(int i) {
    if (i < top_) top_ = i;
    else if (i >= top_ + rows_per_page()) top_ = i - rows_per_page() + 1;
    redraw();
  }
  int focus_row() const {
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
      if (rows_[static_cast<std::size_t>(i)].state & LVIS_FOCUSED) return i;
    return -1;
  }
  void set_focus_row(int i) {
    for (int k = 0; k < static_cast<int>(rows_.size()); ++k)
      if (k != i && (rows_[static_cast<std::size_t>(k)].state & LVIS_FOCUSED)) set_state(k, 0, LVIS_FOCUSED);
    set_state(i, LVIS_FOCUSED, LVIS_FOCUSED);
  }
  void select_only(int i) {
    for (int k = 0; k < static_cast<int>(rows_.size()); ++k)
      if (k != i && (rows_[static_cast<std::size_t>(k)].state & LVIS_SELECTED)) set_state(k, 0, LVIS_SELECTED);
    set_state(i, LVIS_SELECTED, LVIS_SELECTED);
  }
  // Changes a row's state and tells the parent (LVN_ITEMCHANGED) when it changed.
  void set_state(int i, UINT state, UINT mask) {
    Row& row = rows_[static_cast<std::size_t>(i)];
    UINT old = row.state;
    UINT now = (old & ~mask) | (state & mask);
    if (now == old) return;
    if ((style() & LVS_SINGLESEL) && (now & LVIS_SELECTED) && !(old & LVIS_SELECTED))
      for (int k = 0; k < static_cast<int>(rows_.size()); ++k)
        if (k != i && (rows_[static_cast<std::size_t>(k)].state & LVIS_SELECTED)) set_state(k, 0, LVIS_SELECTED);
    row.state = now;
    redraw();
    NMLISTVIEW n;
    n.iItem = i;
    n.uNewState = now;
    n.uOldState = old;
    n.uChanged = LVIF_STATE;
    n.lParam = row.param;
    notify(&n.hdr, LVN_ITEMCHANGED);
  }
  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    fill_color(dc, r, back_, gdi::COLOR_WINDOW);
    NMCUSTOMDRAW cd;
    cd.dwDrawStage = CDDS_PREPAINT;
    cd.hdc = dc;
    cd.rc = r;
    LRESULT want = notify(&cd.hdr, NM_CUSTOMDRAW);
    if (want & CDRF_SKIPDEFAULT) return;
    auto* cols = columns();
    bool focused = GetFocus() == hwnd_;
    for (int i = top_; i < static_cast<int>(rows_.size()); ++i) {
      RECT rr = row_rect(i);
      if (rr.top >= r.bottom) break;
      const Row& row = rows_[static_cast<std::size_t>(i)];
      if (want & CDRF_NOTIFYITEMDRAW) {
        NMCUSTOMDRAW item;
        item.dwDrawStage = CDDS_ITEMPREPAINT;
        item.hdc = dc;
        item.rc = rr;
        item.dwItemSpec = static_cast<ULONG_PTR>(i);
        item.uItemState = ((row.state & LVIS_SELECTED) ? CDIS_SELECTED : 0) | ((row.state & LVIS_FOCUSED) ? CDIS_FOCUS : 0);
        item.lItemlParam = row.param;
        if (notify(&item.hdr, NM_CUSTOMDRAW) & CDRF_SKIPDEFAULT) continue;
      }
      bool sel = row.state & LVIS_SELECTED;
      if (sel && (focused || (style() & LVS_SHOWSELALWAYS))) fill(dc, rr, focused ? gdi::COLOR_HIGHLIGHT : gdi::COLOR_BTNFACE);
      int x = 0;
      for (std::size_t c = 0; cols && c < cols->size(); ++c) {
        int w = (*cols)[c].width;
        RECT cell{x + 4, rr.top, x + w - 2, rr.bottom};
        if (c < row.texts.size())
          draw_text(dc, row.texts[c], cell, gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX | gdi::DT_END_ELLIPSIS,
                    sel && focused ? gdi::COLOR_HIGHLIGHTTEXT : gdi::COLOR_WINDOWTEXT);
        x += w;
      }
      if (focused && (row.state & LVIS_FOCUSED)) gdi::DrawFocusRect(dc, &rr);
    }
  }

  HWND header_ = nullptr;
  std::vector<Row> rows_;
  int top_ = 0;
  DWORD ex_style_ = 0;
  COLORREF back_ = CLR_DEFAULT;
};

class Toolbar : public Control {
public:
  struct Button {
    TBBUTTON b;
    std::string text;
  };
  using Control::Control;
  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CREATE: autosize(); return 0;
      case WM_SIZE: if (!in_autosize_) autosize(); return 0;
      case TB_BUTTONSTRUCTSIZE: return 0;
      case TB_ADDBUTTONSA:
      case TB_ADDBUTTONSW: {
        auto* b = reinterpret_cast<const TBBUTTON*>(lp);
        if (!b || wp > 1024) return FALSE;
        for (WPARAM i = 0; i < wp; ++i) insert(buttons_.size(), b[i]);
        redraw();
        return TRUE;
      }
      case TB_INSERTBUTTONA:
      case TB_INSERTBUTTONW: {
        auto* b = reinterpret_cast<const TBBUTTON*>(lp);
        if (!b) return FALSE;
        insert(std::min<std::size_t>(wp, buttons_.size()), *b);
        redraw();
        return TRUE;
      }
      case TB_DELETEBUTTON:
        if (wp >= buttons_.size()) return FALSE;
        buttons_.erase(buttons_.begin() + static_cast<std::ptrdiff_t>(wp));
        redraw();
        return TRUE;
      case TB_BUTTONCOUNT: return static_cast<LRESULT>(buttons_.size());
      case TB_GETBUTTON: {
        if (wp >= buttons_.size() || !lp) return FALSE;
        *reinterpret_cast<TBBUTTON*>(lp) = buttons_[wp].b;
        return TRUE;
      }
      case TB_COMMANDTOINDEX: return index_of(static_cast<int>(wp));
      case TB_GETITEMRECT:
        if (wp >= buttons_.size() || !lp) return FALSE;
        *reinterpret_cast<RECT*>(lp) = button_rect(static_cast<int>(wp));
        return TRUE;
      case TB_GETRECT: {
        int i = index_of(static_cast<int>(wp));
        if (i < 0 || !lp) return FALSE;
        *reinterpret_cast<RECT*>(lp) = button_rect(i);
        return TRUE;
      }
      case TB_ENABLEBUTTON: return set_flag(static_cast<int>(wp), TBSTATE_ENABLED, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
      case TB_CHECKBUTTON: return set_flag(static_cast<int>(wp), TBSTATE_CHECKED, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
      case TB_PRESSBUTTON: return set_flag(static_cast<int>(wp), TBSTATE_PRESSED, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
      case TB_HIDEBUTTON: return set_flag(static_cast<int>(wp), TBSTATE_HIDDEN, LOWORD(static_cast<std::uintptr_t>(lp)) != 0);
      case TB_ISBUTTONENABLED: return flag(static_cast<int>(wp), TBSTATE_ENABLED);
      case TB_ISBUTTONCHECKED: return flag(static_cast<int>(wp), TBSTATE_CHECKED);
      case TB_ISBUTTONPRESSED: return flag(static_cast<int>(wp), TBSTATE_PRESSED);
      case TB_GETSTATE: {
        int i = index_of(static_cast<int>(wp));
        return i < 0 ? -1 : buttons_[static_cast<std::size_t>(i)].b.fsState;
      }
      case TB_SETSTATE: {
        int i = index_of(static_cast<int>(wp));
        if (i < 0) return FALSE;
        buttons_[static_cast<std::size_t>(i)].b.fsState = static_cast<BYTE>(LOWORD(static_cast<std::uintptr_t>(lp)));
        redraw();
        return TRUE;
      }
      case TB_SETBUTTONSIZE:
        button_w_ = LOWORD(static_cast<std::uintptr_t>(lp));
        button_h_ = HIWORD(static_cast<std::uintptr_t>(lp));
        autosize();
        return TRUE;
      case TB_GETBUTTONSIZE: return MAKELONG(static_cast<WORD>(button_w_), static_cast<WORD>(height()));
      case TB_AUTOSIZE: autosize(); return 0;
      case TB_SETIMAGELIST: { void* o = images_; images_ = reinterpret_cast<void*>(lp); return reinterpret_cast<LRESULT>(o); }
      case TB_GETIMAGELIST: return reinterpret_cast<LRESULT>(images_);
      case TB_GETHOTITEM: return hot_;
      case WM_MOUSEMOVE: {
        int i = index_at(point_of(lp));
        if (i != hot_) {
          hot_ = i;
          redraw();
          TRACKMOUSEEVENT tme;
          tme.dwFlags = TME_LEAVE;
          tme.hwndTrack = hwnd_;
          TrackMouseEvent(&tme);
        }
        if (pressed_ >= 0) set_flag_at(pressed_, TBSTATE_PRESSED, i == pressed_);
        return 0;
      }
      case WM_MOUSELEAVE: hot_ = -1; redraw(); return 0;
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONDOWN: {
        int i = index_at(point_of(lp));
        if (i < 0) return 0;
        Button& b = buttons_[static_cast<std::size_t>(i)];
        if (!(b.b.fsState & TBSTATE_ENABLED) || (b.b.fsStyle & BTNS_SEP)) return 0;
        RECT r = button_rect(i);
        bool on_arrow = (b.b.fsStyle & BTNS_WHOLEDROPDOWN) ||
                        ((b.b.fsStyle & BTNS_DROPDOWN) && GET_X_LPARAM(lp) >= r.right - kArrowWidth);
        if (on_arrow) {
          set_flag_at(i, TBSTATE_PRESSED, true);
          NMTOOLBAR n;
          n.iItem = b.b.idCommand;
          n.tbButton = b.b;
          n.rcButton = r;
          notify(&n.hdr, TBN_DROPDOWN);
          if (IsWindow(hwnd_) && static_cast<std::size_t>(i) < buttons_.size()) set_flag_at(i, TBSTATE_PRESSED, false);
          return 0;
        }
        pressed_ = i;
        set_flag_at(i, TBSTATE_PRESSED, true);
        SetCapture(hwnd_);
        return 0;
      }
      case WM_LBUTTONUP: {
        if (pressed_ < 0) return 0;
        int i = pressed_;
        pressed_ = -1;
        ReleaseCapture();
        set_flag_at(i, TBSTATE_PRESSED, false);
        if (index_at(point_of(lp)) != i) return 0;
        Button& b = buttons_[static_cast<std::size_t>(i)];
        if (b.b.fsStyle & BTNS_CHECK) {
          if ((b.b.fsStyle & BTNS_GROUP)) {
            for (auto& o : buttons_)
              if ((o.b.fsStyle & (BTNS_CHECK | BTNS_GROUP)) == (BTNS_CHECK | BTNS_GROUP)) o.b.fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
            b.b.fsState |= TBSTATE_CHECKED;
          } else {
            b.b.fsState ^= TBSTATE_CHECKED;
          }
          redraw();
        }
        if (HWND p = parent()) SendMessage(p, WM_COMMAND, MAKEWPARAM(b.b.idCommand, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
        return 0;
      }
      case WM_CAPTURECHANGED:
        if (pressed_ >= 0 && static_cast<std::size_t>(pressed_) < buttons_.size()) set_flag_at(pressed_, TBSTATE_PRESSED, false);
        pressed_ = -1;
        return 0;
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

private:
  static constexpr int kArrowWidth = 13;
  void insert(std::size_t at, const TBBUTTON& b) {
    Button nb;
    nb.b = b;
    if (b.iString >= 0x10000) nb.text = reinterpret_cast<const char*>(b.iString);
    buttons_.insert(buttons_.begin() + static_cast<std::ptrdiff_t>(at), nb);
  }
  int index_of(int id) const {
    for (int i = 0; i < static_cast<int>(buttons_.size()); ++i)
      if (buttons_[static_cast<std::size_t>(i)].b.idCommand == id) return i;
    return -1;
  }
  LRESULT flag(int id, BYTE f) const {
    int i = index_of(id);
    return i >= 0 && (buttons_[static_cast<std::size_t>(i)].b.fsState & f);
  }
  void set_flag_at(int i, BYTE f, bool on) {
    BYTE& s = buttons_[static_cast<std::size_t>(i)].b.fsState;
    BYTE n = on ? static_cast<BYTE>(s | f) : static_cast<BYTE>(s & ~f);
    if (n != s) {
      s = n;
      redraw();
    }
  }
  LRESULT set_flag(int id, BYTE f, bool on) {
    int i = index_of(id);
    if (i < 0) return FALSE;
    set_flag_at(i, f, on);
    return TRUE;
  }
  int height() const { return button_h_ ? button_h_ : text_height(font()) + 10; }
  int width_of(const Button& b) const {
    if (b.b.fsStyle & BTNS_SEP) return b.b.iBitmap > 0 ? b.b.iBitmap : 8;
    int w = button_w_ ? button_w_ : 23;
    int iw = 0, ih = 0;
    auto* list = static_cast<gdi::HIMAGELIST>(images_);
    const bool image = list && b.b.iBitmap >= 0 && gdi::ImageList_GetIconSize(list, &iw, &ih);
    if (!b.text.empty()) w = std::max(w, text_width(font(), b.text) + 14 + (image && (style() & TBSTYLE_LIST) ? iw + 3 : 0));
    if (b.b.fsStyle & BTNS_DROPDOWN) w += kArrowWidth;
    return w;
  }
  RECT button_rect(int i) const {
    int x = 0;
    for (int k = 0; k < i; ++k)
      if (!(buttons_[static_cast<std::size_t>(k)].b.fsState & TBSTATE_HIDDEN)) x += width_of(buttons_[static_cast<std::size_t>(k)]);
    const Button& b = buttons_[static_cast<std::size_t>(i)];
    if (b.b.fsState & TBSTATE_HIDDEN) return RECT{x, 2, x, 2 + height()};
    return RECT{x, 2, x + width_of(b), 2 + height()};
  }
  int index_at(POINT p) const {
    for (int i = 0; i < static_cast<int>(buttons_.size()); ++i)
      if (in(button_rect(i), p)) return i;
    return -1;
  }
  void autosize() {
    if ((style() & CCS_NORESIZE) || !parent()) return;
    RECT pr;
    GetClientRect(parent(), &pr);
    in_autosize_ = true;
    MoveWindow(hwnd_, 0, 0, pr.right, height() + 4, TRUE);
    in_autosize_ = false;
  }
  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    NMCUSTOMDRAW cd;
    cd.dwDrawStage = CDDS_PREPAINT;
    cd.hdc = dc;
    cd.rc = r;
    LRESULT want = notify(&cd.hdr, NM_CUSTOMDRAW);
    if (!(want & CDRF_SKIPDEFAULT)) fill(dc, r, gdi::COLOR_BTNFACE);
    for (int i = 0; i < static_cast<int>(buttons_.size()); ++i) {
      const Button& b = buttons_[static_cast<std::size_t>(i)];
      RECT br = button_rect(i);
      if ((b.b.fsState & TBSTATE_HIDDEN) || br.right <= br.left) continue;
      bool enabled = b.b.fsState & TBSTATE_ENABLED;
      UINT state = ((b.b.fsState & TBSTATE_PRESSED) ? CDIS_SELECTED : 0) | ((b.b.fsState & TBSTATE_CHECKED) ? CDIS_CHECKED : 0) |
                   (enabled ? 0 : CDIS_DISABLED) | (i == hot_ ? CDIS_HOT : 0) |
                   ((b.b.fsState & TBSTATE_INDETERMINATE) ? CDIS_INDETERMINATE : 0);
      if (want & CDRF_NOTIFYITEMDRAW) {
        NMCUSTOMDRAW item;
        item.dwDrawStage = CDDS_ITEMPREPAINT;
        item.hdc = dc;
        item.rc = br;
        item.dwItemSpec = static_cast<ULONG_PTR>(b.b.idCommand);
        item.uItemState = state;
        item.lItemlParam = static_cast<LPARAM>(b.b.dwData);
        if (notify(&item.hdr, NM_CUSTOMDRAW) & CDRF_SKIPDEFAULT) continue;
      }
      if (b.b.fsStyle & BTNS_SEP) {
        RECT line{(br.left + br.right) / 2 - 1, br.top + 2, (br.left + br.right) / 2 + 1, br.bottom - 2};
        gdi::DrawEdge(dc, &line, gdi::EDGE_ETCHED, gdi::BF_LEFT);
        continue;
      }
      bool down = b.b.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED);
      if (down || i == hot_ || !(style() & TBSTYLE_FLAT)) {
        RECT e = br;
        gdi::DrawEdge(dc, &e, down ? gdi::BDR_SUNKENOUTER : gdi::BDR_RAISEDINNER, gdi::BF_RECT);
      }
      RECT tr = br;
      if (b.b.fsStyle & BTNS_DROPDOWN) {
        tr.right -= kArrowWidth;
        int cx = br.right - kArrowWidth / 2 - 1, cy = (br.top + br.bottom) / 2;
        drop_arrow(dc, cx, cy, enabled);
      }
      if (down) gdi::OffsetRect(&tr, 1, 1);
      UINT align = gdi::DT_CENTER;
      int iw = 0, ih = 0;
      auto* list = static_cast<gdi::HIMAGELIST>(images_);
      if (list && b.b.iBitmap >= 0 && b.b.iBitmap < gdi::ImageList_GetImageCount(list) &&
          gdi::ImageList_GetIconSize(list, &iw, &ih)) {
        // The image beside the caption in a list tool bar, above it otherwise.
        const bool beside = style() & TBSTYLE_LIST;
        const int ix = beside ? tr.left + 4 : (tr.left + tr.right - iw) / 2;
        const int iy = beside ? (tr.top + tr.bottom - ih) / 2 : tr.top + 3;
        if (enabled) gdi::ImageList_Draw(list, b.b.iBitmap, dc, ix, iy, gdi::ILD_TRANSPARENT);
        else gdi::ImageList_DrawDisabled(list, b.b.iBitmap, dc, ix, iy);
        if (beside) {
          tr.left = ix + iw + 3;
          align = gdi::DT_LEFT;
        } else {
          tr.top = iy + ih;
        }
      }
      draw_text(dc, b.text, tr, align | gdi::DT_VCENTER | gdi::DT_SINGLELINE, enabled ? gdi::COLOR_BTNTEXT : gdi::COLOR_GRAYTEXT);
    }
  }

  std::vector<Button> buttons_;
  int button_w_ = 0, button_h_ = 0, hot_ = -1, pressed_ = -1;
  bool in_autosize_ = false;
  void* images_ = nullptr;
};

}  // namespace

void register_more_common_controls() {
  detail::register_system_class("msctls_progress32", class_proc<Progress>, CS_HREDRAW | CS_VREDRAW, nullptr);
  detail::register_system_class("msctls_trackbar32", class_proc<Trackbar>, CS_DBLCLKS, nullptr);
  detail::register_system_class("msctls_updown32", class_proc<UpDown>, CS_HREDRAW | CS_VREDRAW, nullptr);
  detail::register_system_class("SysHeader32", class_proc<Header>, CS_DBLCLKS, nullptr);
  detail::register_system_class("SysListView32", class_proc<ListView>, CS_DBLCLKS, nullptr);
  detail::register_system_class("ToolbarWindow32", class_proc<Toolbar>, CS_DBLCLKS, nullptr);
}

}  // namespace platform::win::controls
