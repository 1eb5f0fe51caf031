// "msctls_statusbar32" and "SysTabControl32".
#include <algorithm>

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win::controls {
namespace {

class StatusBar : public Control {
public:
  struct Part {
    std::string text;
    UINT flags = 0;  // SBT_*
    LPARAM data = 0; // owner-draw data
  };

  explicit StatusBar(HWND hwnd) : Control(hwnd) { parts_.resize(1); rights_ = {-1}; }

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CREATE: reposition(); return 0;
      case WM_SIZE:
        // The parent forwards its own WM_SIZE; the bar keeps itself along the parent's edge.
        if (!in_reposition_) reposition();
        return 0;
      case WM_SETFONT:
        DefWindowProc(hwnd_, msg, wp, lp);
        reposition();
        if (lp) redraw();
        return 0;
      case SB_SETPARTS: {
        int n = static_cast<int>(wp);
        if (n <= 0 || n > 256 || !lp) return FALSE;
        const int* r = reinterpret_cast<const int*>(lp);
        rights_.assign(r, r + n);
        parts_.resize(static_cast<std::size_t>(n));
        redraw();
        return TRUE;
      }
      case SB_GETPARTS: {
        int n = static_cast<int>(rights_.size());
        if (lp) {
          int* out = reinterpret_cast<int*>(lp);
          for (int i = 0; i < std::min<int>(n, static_cast<int>(wp)); ++i) out[i] = rights_[static_cast<std::size_t>(i)];
        }
        return n;
      }
      case SB_SETTEXTA:
      case SB_SETTEXTW: {
        UINT index = LOWORD(wp) & 0xFF;
        Part* p = index == SB_SIMPLEID ? &simple_ : index < parts_.size() ? &parts_[index] : nullptr;
        if (!p) return FALSE;
        p->flags = LOWORD(wp) & 0xFF00;
        if (p->flags & SBT_OWNERDRAW) {
          p->data = lp;
          p->text.clear();
        } else {
          const char* s = reinterpret_cast<const char*>(lp);
          p->text = s ? s : "";
        }
        redraw();
        return TRUE;
      }
      case SB_GETTEXTA:
      case SB_GETTEXTW:
      case SB_GETTEXTLENGTHA:
      case SB_GETTEXTLENGTHW: {
        UINT index = LOWORD(wp) & 0xFF;
        const Part* p = index == SB_SIMPLEID ? &simple_ : index < parts_.size() ? &parts_[index] : nullptr;
        if (!p) return 0;
        if (p->flags & SBT_OWNERDRAW) return p->data;
        if ((msg == SB_GETTEXTA || msg == SB_GETTEXTW) && lp) copy_out(p->text, reinterpret_cast<char*>(lp));
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(p->text.size()), static_cast<WORD>(p->flags)));
      }
      case SB_GETRECT: {
        if (wp >= rights_.size() || !lp) return FALSE;
        *reinterpret_cast<RECT*>(lp) = part_rect(static_cast<int>(wp));
        return TRUE;
      }
      case SB_GETBORDERS: {
        if (!lp) return FALSE;
        int* b = reinterpret_cast<int*>(lp);
        b[0] = 0;  // horizontal border
        b[1] = 2;  // vertical border
        b[2] = 2;  // between parts
        return TRUE;
      }
      case SB_SETMINHEIGHT:
        min_height_ = static_cast<int>(wp);
        reposition();
        return 0;
      case SB_SIMPLE:
        simple_mode_ = wp != 0;
        redraw();
        return 0;
      case SB_ISSIMPLE: return simple_mode_;
      case WM_SETTEXT: {
        const char* s = reinterpret_cast<const char*>(lp);
        parts_[0].text = s ? s : "";
        DefWindowProc(hwnd_, msg, wp, lp);
        redraw();
        return TRUE;
      }
      case WM_NCHITTEST:
        if (style() & SBARS_SIZEGRIP) {
          RECT r;
          GetWindowRect(hwnd_, &r);
          POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
          if (p.x >= r.right - GetSystemMetrics(SM_CXVSCROLL) && p.x < r.right && p.y >= r.top && p.y < r.bottom)
            return HTBOTTOMRIGHT;
        }
        break;
      case WM_NCLBUTTONDOWN:
        // The grip sizes the parent.
        if (wp == HTBOTTOMRIGHT && parent()) return SendMessage(parent(), WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT, lp);
        break;
      case WM_LBUTTONDOWN: {
        NMHDR h;
        notify(&h, NM_CLICK);
        return 0;
      }
      case WM_LBUTTONDBLCLK: {
        NMHDR h;
        notify(&h, NM_DBLCLK);
        return 0;
      }
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

private:
  int bar_height() const { return std::max(min_height_, text_height(font()) + 8); }
  void reposition() {
    if ((style() & CCS_NORESIZE) || !parent()) return;
    RECT pr;
    GetClientRect(parent(), &pr);
    int h = bar_height();
    in_reposition_ = true;
    if ((style() & 3) == CCS_TOP) MoveWindow(hwnd_, 0, 0, pr.right, h, TRUE);
    else MoveWindow(hwnd_, 0, pr.bottom - h, pr.right, h, TRUE);
    in_reposition_ = false;
  }
  RECT part_rect(int i) const {
    RECT r;
    GetClientRect(hwnd_, &r);
    int left = i == 0 ? 0 : rights_[static_cast<std::size_t>(i - 1)] + 2;
    int right = rights_[static_cast<std::size_t>(i)];
    if (right < 0 || right > r.right) right = r.right;
    if (left > right) left = right;
    return RECT{left, 2, right, r.bottom};
  }
  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    fill(dc, r, gdi::COLOR_BTNFACE);
    auto draw_part = [&](const Part& p, RECT pr, int index) {
      if (!(p.flags & SBT_NOBORDERS)) gdi::DrawEdge(dc, &pr, (p.flags & SBT_POPOUT) ? gdi::BDR_RAISEDINNER : gdi::BDR_SUNKENOUTER, gdi::BF_RECT);
      RECT tr{pr.left + 3, pr.top + 1, pr.right - 2, pr.bottom - 1};
      if (p.flags & SBT_OWNERDRAW) {
        DRAWITEMSTRUCT dis;
        dis.CtlID = static_cast<UINT>(id());
        dis.itemID = static_cast<UINT>(index);
        dis.hwndItem = hwnd_;
        dis.hDC = dc;
        dis.rcItem = tr;
        dis.itemData = static_cast<ULONG_PTR>(p.data);
        if (parent()) SendMessage(parent(), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        return;
      }
      // Tabs split the text into left, centred and right pieces.
      std::string_view t = p.text;
      UINT align[3] = {gdi::DT_LEFT, gdi::DT_CENTER, gdi::DT_RIGHT};
      for (int k = 0; k < 3; ++k) {
        std::size_t tab = t.find('\t');
        std::string_view piece = t.substr(0, tab);
        if (!piece.empty())
          draw_text(dc, piece, tr, align[k] | gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX, gdi::COLOR_BTNTEXT);
        if (tab == std::string_view::npos) break;
        t.remove_prefix(tab + 1);
      }
    };
    if (simple_mode_) {
      draw_part(simple_, RECT{0, 2, r.right, r.bottom}, SB_SIMPLEID);
    } else {
      for (std::size_t i = 0; i < parts_.size(); ++i) draw_part(parts_[i], part_rect(static_cast<int>(i)), static_cast<int>(i));
    }
    if (style() & SBARS_SIZEGRIP) {
      // Three diagonal strokes in the corner.
      for (int k = 0; k < 3; ++k) {
        int o = 4 + k * 4;
        gdi::MoveToEx(dc, r.right - o, r.bottom - 1, nullptr);
        gdi::LineTo(dc, r.right - 1, r.bottom - o);
      }
    }
  }

  std::vector<Part> parts_;
  std::vector<int> rights_;
  Part simple_;
  bool simple_mode_ = false, in_reposition_ = false;
  int min_height_ = 0;
};

class TabControl : public Control {
public:
  struct Item {
    std::string text;
    int image = -1;
    LPARAM param = 0;
    DWORD state = 0;
  };

  using Control::Control;

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case TCM_INSERTITEMA:
      case TCM_INSERTITEMW: {
        auto* it = reinterpret_cast<const TCITEM*>(lp);
        if (!it || static_cast<int>(wp) < 0) return -1;
        std::size_t at = std::min<std::size_t>(wp, items_.size());
        Item item;
        apply(item, *it);
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), item);
        if (cur_ >= static_cast<int>(at)) ++cur_;
        if (cur_ < 0) cur_ = 0;  // the first tab becomes the selected one
        if (focus_ < 0) focus_ = cur_;
        redraw();
        return static_cast<LRESULT>(at);
      }
      case TCM_SETITEMA:
      case TCM_SETITEMW: {
        auto* it = reinterpret_cast<const TCITEM*>(lp);
        if (!it || wp >= items_.size()) return FALSE;
        apply(items_[wp], *it);
        redraw();
        return TRUE;
      }
      case TCM_GETITEMA:
      case TCM_GETITEMW: {
        auto* it = reinterpret_cast<TCITEM*>(lp);
        if (!it || wp >= items_.size()) return FALSE;
        const Item& item = items_[wp];
        if ((it->mask & TCIF_TEXT) && it->pszText && it->cchTextMax > 0) copy_out(item.text, it->pszText, it->cchTextMax);
        if (it->mask & TCIF_IMAGE) it->iImage = item.image;
        if (it->mask & TCIF_PARAM) it->lParam = item.param;
        if (it->mask & TCIF_STATE) it->dwState = item.state & it->dwStateMask;
        return TRUE;
      }
      case TCM_DELETEITEM: {
        if (wp >= items_.size()) return FALSE;
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(wp));
        if (cur_ == static_cast<int>(wp)) cur_ = -1;
        else if (cur_ > static_cast<int>(wp)) --cur_;
        if (focus_ >= static_cast<int>(items_.size())) focus_ = static_cast<int>(items_.size()) - 1;
        redraw();
        return TRUE;
      }
      case TCM_DELETEALLITEMS:
        items_.clear();
        cur_ = focus_ = -1;
        redraw();
        return TRUE;
      case TCM_GETITEMCOUNT: return static_cast<LRESULT>(items_.size());
      case TCM_GETCURSEL: return cur_;
      case TCM_SETCURSEL: {
        int old = cur_;
        if (wp >= items_.size()) return -1;
        cur_ = focus_ = static_cast<int>(wp);
        redraw();
        return old;
      }
      case TCM_GETCURFOCUS: return focus_;
      case TCM_SETCURFOCUS:
        if (wp < items_.size()) {
          focus_ = static_cast<int>(wp);
          redraw();
        }
        return 0;
      case TCM_GETITEMRECT:
        if (wp >= items_.size() || !lp) return FALSE;
        *reinterpret_cast<RECT*>(lp) = item_rect(static_cast<int>(wp));
        return TRUE;
      case TCM_HITTEST: {
        auto* h = reinterpret_cast<TCHITTESTINFO*>(lp);
        if (!h) return -1;
        int i = index_at(h->pt);
        h->flags = i < 0 ? TCHT_NOWHERE : TCHT_ONITEMLABEL;
        return i;
      }
      case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lp);
        if (!r) return 0;
        int h = row_height();
        bool bottom = style() & TCS_BOTTOM;
        if (style() & TCS_VERTICAL) {  // tabs down the left side, or the right with TCS_RIGHT
          const int s = wp ? -1 : 1;
          r->top += 4 * s, r->bottom -= 4 * s;
          if (bottom) r->left += 4 * s, r->right -= (h + 6) * s;
          else r->left += (h + 6) * s, r->right -= 4 * s;
          return 0;
        }
        // The display area lies 4 pixels inside the page's frame on every side, the tabs' side included.
        if (wp) {  // display rectangle -> window rectangle
          r->left -= 4, r->right += 4;
          if (bottom) r->top -= 4, r->bottom += h + 6;
          else r->top -= h + 6, r->bottom += 4;
        } else {
          r->left += 4, r->right -= 4;
          if (bottom) r->top += 4, r->bottom -= h + 6;
          else r->top += h + 6, r->bottom -= 4;
        }
        return 0;
      }
      case TCM_GETROWCOUNT: return 1;
      case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(images_);
      case TCM_SETIMAGELIST: {
        void* old = images_;
        images_ = reinterpret_cast<void*>(lp);
        redraw();
        return reinterpret_cast<LRESULT>(old);
      }
      case TCM_SETITEMSIZE: {
        LRESULT old = MAKELONG(static_cast<WORD>(fixed_w_), static_cast<WORD>(fixed_h_));
        fixed_w_ = LOWORD(static_cast<std::uintptr_t>(lp));
        fixed_h_ = HIWORD(static_cast<std::uintptr_t>(lp));
        redraw();
        return old;
      }
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONDOWN: {
        int i = index_at(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (i >= 0) {
          if (!(style() & TCS_FOCUSNEVER)) SetFocus(hwnd_);
          user_select(i);
        }
        return 0;
      }
      case WM_RBUTTONUP: {
        NMHDR h;
        notify(&h, NM_RCLICK);
        return 0;
      }
      case WM_KEYDOWN: {
        struct {
          NMHDR hdr;
          WORD wVKey;
          UINT flags;
        } kd{};
        kd.wVKey = static_cast<WORD>(wp);
        notify(&kd.hdr, TCN_KEYDOWN);
        int n = static_cast<int>(items_.size());
        if (n == 0) return 0;
        if (wp == VK_LEFT && cur_ > 0) user_select(cur_ - 1);
        else if (wp == VK_RIGHT && cur_ < n - 1) user_select(cur_ + 1);
        else if (wp == VK_HOME) user_select(0);
        else if (wp == VK_END) user_select(n - 1);
        return 0;
      }
      case WM_SETFOCUS:
      case WM_KILLFOCUS: redraw(); return 0;
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

private:
  static void apply(Item& item, const TCITEM& it) {
    if (it.mask & TCIF_TEXT) item.text = it.pszText ? it.pszText : "";
    if (it.mask & TCIF_IMAGE) item.image = it.iImage;
    if (it.mask & TCIF_PARAM) item.param = it.lParam;
    if (it.mask & TCIF_STATE) item.state = (item.state & ~it.dwStateMask) | (it.dwState & it.dwStateMask);
  }
  int row_height() const { return fixed_h_ ? fixed_h_ : text_height(font()) + 8; }
  RECT item_rect(int i) const {
    int x = 2;
    for (int k = 0; k < i; ++k) x += tab_width(k);
    RECT cr;
    GetClientRect(hwnd_, &cr);
    int h = row_height();
    if (style() & TCS_VERTICAL) {
      const int left = (style() & TCS_RIGHT) ? cr.right - h - 2 : 2;
      return RECT{left, x, left + h, x + tab_width(i)};
    }
    int top = (style() & TCS_BOTTOM) ? cr.bottom - h - 2 : 2;
    return RECT{x, top, x + tab_width(i), top + h};
  }
  int tab_width(int i) const {
    if (fixed_w_ && (style() & TCS_FIXEDWIDTH)) return fixed_w_;
    return std::max(fixed_w_ ? fixed_w_ : 0, text_width(font(), items_[static_cast<std::size_t>(i)].text) + 12);
  }
  int index_at(POINT p) const {
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      RECT r = item_rect(i);
      if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return i;
    }
    return -1;
  }
  void user_select(int i) {
    if (i == cur_) return;
    NMHDR h;
    if (notify(&h, TCN_SELCHANGING)) return;  // the parent refused
    if (!IsWindow(hwnd_)) return;
    cur_ = focus_ = i;
    redraw();
    notify(&h, TCN_SELCHANGE);
  }
  void paint(HDC dc) override {
    RECT cr;
    GetClientRect(hwnd_, &cr);
    fill(dc, cr, gdi::COLOR_BTNFACE);
    int h = row_height();
    bool bottom = style() & TCS_BOTTOM;
    RECT page = cr;
    if ((style() & TCS_BUTTONS) && !(style() & TCS_VERTICAL)) {
      // Button-style tabs: no page frame; the selected tab is pushed in, flat ones are raised only when selected.
      const bool flat = style() & TCS_FLATBUTTONS;
      for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        RECT r = item_rect(i);
        const bool sel = i == cur_;
        if (sel || !flat) gdi::DrawEdge(dc, &r, sel ? gdi::EDGE_SUNKEN : gdi::EDGE_RAISED, gdi::BF_RECT);
        draw_text(dc, items_[static_cast<std::size_t>(i)].text, r, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE,
                  IsWindowEnabled(hwnd_) ? gdi::COLOR_BTNTEXT : gdi::COLOR_GRAYTEXT);
      }
      return;
    }
    if (style() & TCS_VERTICAL) {
      // Vertical tabs are drawn as plain raised boxes beside the page.
      if (bottom) page.right -= h + 2;
      else page.left += h + 2;
      frame_3d(dc, page, false);
      for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        RECT r = item_rect(i);
        fill(dc, r, gdi::COLOR_BTNFACE);
        gdi::DrawEdge(dc, &r, gdi::EDGE_RAISED, gdi::BF_RECT);
      }
      return;
    }
    if (bottom) page.bottom -= h + 2;
    else page.top += h + 2;
    frame_3d(dc, page, false);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      RECT r = item_rect(i);
      bool sel = i == cur_;
      if (sel) {
        r.left -= 2, r.right += 2;
        if (bottom) r.bottom += 2;
        else r.top -= 2;
      }
      RECT f = r;
      if (bottom) f.top -= 2;
      else f.bottom += 2;
      fill(dc, f, gdi::COLOR_BTNFACE);
      gdi::DrawEdge(dc, &f, gdi::EDGE_RAISED, bottom ? (gdi::BF_LEFT | gdi::BF_RIGHT | gdi::BF_BOTTOM) : (gdi::BF_LEFT | gdi::BF_RIGHT | gdi::BF_TOP));
      if (sel) {
        // The selected tab opens onto the page.
        RECT join{r.left + 1, bottom ? r.top - 2 : r.bottom, r.right - 1, bottom ? r.top + 1 : r.bottom + 3};
        fill(dc, join, gdi::COLOR_BTNFACE);
      }
      draw_text(dc, items_[static_cast<std::size_t>(i)].text, r, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE,
                IsWindowEnabled(hwnd_) ? gdi::COLOR_BTNTEXT : gdi::COLOR_GRAYTEXT);
      if (sel && GetFocus() == hwnd_) {
        RECT fr{r.left + 3, r.top + 3, r.right - 3, r.bottom - 2};
        gdi::DrawFocusRect(dc, &fr);
      }
    }
  }

  std::vector<Item> items_;
  int cur_ = -1, focus_ = -1, fixed_w_ = 0, fixed_h_ = 0;
  void* images_ = nullptr;
};

}  // namespace

void register_common_controls() {
  detail::register_system_class("msctls_statusbar32", class_proc<StatusBar>, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr);
  detail::register_system_class("SysTabControl32", class_proc<TabControl>, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr);
  register_more_common_controls();
}

}  // namespace platform::win::controls
