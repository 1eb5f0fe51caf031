// "Button" (push, check box, radio button, group box, owner-draw) and "Static".
#include <algorithm>

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win::controls {
namespace {

// Fills the background with the brush the parent answers for WM_CTLCOLOR`msg`.
void parent_background(HWND hwnd, HDC dc, UINT msg, const RECT& r) {
  HWND p = GetParent(hwnd);
  auto brush = reinterpret_cast<HBRUSH>(p ? SendMessage(p, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd))
                                          : DefWindowProc(hwnd, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  if (brush) gdi::FillRect(dc, &r, brush);
}

class Button : public Control {
public:
  using Control::Control;

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_GETDLGCODE: {
        switch (type()) {
          case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
          case BS_PUSHBUTTON: case BS_OWNERDRAW: case BS_USERBUTTON: case BS_PUSHBOX:
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
          case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
          case BS_GROUPBOX: return DLGC_STATIC;
          default: return DLGC_BUTTON;
        }
      }
      case WM_NCHITTEST:
        if (type() == BS_GROUPBOX) return HTTRANSPARENT;
        break;
      case WM_LBUTTONDBLCLK:
        if (type() == BS_RADIOBUTTON || type() == BS_AUTORADIOBUTTON || type() == BS_OWNERDRAW ||
            (style() & BS_NOTIFY)) {
          command(BN_DBLCLK);
          return 0;
        }
        [[fallthrough]];
      case WM_LBUTTONDOWN:
        if (type() == BS_GROUPBOX) return 0;
        SetFocus(hwnd_);
        SetCapture(hwnd_);
        tracking_ = true;
        set_pushed(true);
        return 0;
      case WM_MOUSEMOVE:
        if (tracking_ && GetCapture() == hwnd_) set_pushed(inside(lp));
        return 0;
      case WM_LBUTTONUP:
        if (tracking_) {
          bool hit = inside(lp);
          tracking_ = false;
          set_pushed(false);
          ReleaseCapture();
          if (hit) click();
        }
        return 0;
      case WM_CAPTURECHANGED:
        if (tracking_ && reinterpret_cast<HWND>(lp) != hwnd_) {
          tracking_ = false;
          set_pushed(false);
        }
        return 0;
      case WM_KEYDOWN:
        if (wp == VK_SPACE && type() != BS_GROUPBOX) {
          set_pushed(true);
          return 0;
        }
        break;
      case WM_KEYUP:
        if (wp == VK_SPACE && (state_ & BST_PUSHED)) {
          set_pushed(false);
          click();
          return 0;
        }
        break;
      case WM_CHAR:
        return 0;
      case BM_CLICK:
        if (!IsWindowEnabled(hwnd_)) return 0;
        set_pushed(true);
        set_pushed(false);
        click();
        return 0;
      case BM_GETCHECK: return state_ & 3;
      case BM_SETCHECK: {
        LRESULT v = static_cast<LRESULT>(wp) & 3;
        if (v == BST_INDETERMINATE && type() != BS_3STATE && type() != BS_AUTO3STATE) v = BST_CHECKED;
        if ((state_ & 3) != v) {
          state_ = (state_ & ~3) | v;
          redraw();
        }
        // A checked radio button becomes the group's tab stop, as a user's pick would.
        if (is_radio()) {
          LONG_PTR s = GetWindowLongPtr(hwnd_, GWL_STYLE);
          SetWindowLongPtr(hwnd_, GWL_STYLE, v ? (s | WS_TABSTOP) : (s & ~static_cast<LONG_PTR>(WS_TABSTOP)));
        }
        return 0;
      }
      case BM_GETSTATE: return state_ | (GetFocus() == hwnd_ ? BST_FOCUS : 0);
      case BM_SETSTATE: set_pushed(wp != 0); return 0;
      case BM_SETSTYLE: {
        LONG_PTR s = GetWindowLongPtr(hwnd_, GWL_STYLE);
        SetWindowLongPtr(hwnd_, GWL_STYLE, (s & ~static_cast<LONG_PTR>(0xFFFF)) | (static_cast<LONG_PTR>(wp) & 0xFFFF));
        if (LOWORD(static_cast<std::uintptr_t>(lp))) redraw();
        return 0;
      }
      case BM_GETIMAGE: return reinterpret_cast<LRESULT>(image_);
      case BM_SETIMAGE: {
        void* old = image_;
        image_ = reinterpret_cast<void*>(lp);
        image_type_ = static_cast<UINT>(wp);
        redraw();
        return reinterpret_cast<LRESULT>(old);
      }
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        redraw();
        if (msg == WM_KILLFOCUS && (state_ & BST_PUSHED)) set_pushed(false);
        if (style() & BS_NOTIFY) command(msg == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
        return 0;
      case WM_ENABLE:
        redraw();
        return 0;
      case WM_SETTEXT: {
        LRESULT r = DefWindowProc(hwnd_, msg, wp, lp);
        redraw();
        return r;
      }
      case WM_SETFONT:
        DefWindowProc(hwnd_, msg, wp, lp);
        if (lp) redraw();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
      case WM_PRINTCLIENT:
        paint(msg == WM_PRINTCLIENT ? reinterpret_cast<HDC>(wp) : nullptr);
        return 0;
      default: break;
    }
    return DefWindowProc(hwnd_, msg, wp, lp);
  }

private:
  DWORD type() const { return style() & BS_TYPEMASK; }
  bool is_radio() const { return type() == BS_RADIOBUTTON || type() == BS_AUTORADIOBUTTON; }
  bool inside(LPARAM lp) const {
    RECT r;
    GetClientRect(hwnd_, &r);
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
  }
  void set_pushed(bool on) {
    LRESULT n = on ? (state_ | BST_PUSHED) : (state_ & ~BST_PUSHED);
    if (n != state_) {
      state_ = n;
      redraw();
      UpdateWindow(hwnd_);
    }
  }
  void click() {
    switch (type()) {
      case BS_AUTOCHECKBOX: SendMessage(hwnd_, BM_SETCHECK, (state_ & 3) ? BST_UNCHECKED : BST_CHECKED, 0); break;
      case BS_AUTO3STATE: SendMessage(hwnd_, BM_SETCHECK, ((state_ & 3) + 1) % 3, 0); break;
      case BS_AUTORADIOBUTTON: check_in_group(); break;
      default: break;
    }
    command(BN_CLICKED);
  }
  // Checks this radio button and clears the other automatic radio buttons of its group (the
  // siblings from the previous WS_GROUP window up to the next one).
  void check_in_group() {
    std::vector<HWND> order = tab_order(parent());
    auto self = std::find(order.begin(), order.end(), hwnd_);
    if (self == order.end()) return;
    auto first = self;
    while (first != order.begin() && !(GetWindowLongPtr(*first, GWL_STYLE) & WS_GROUP)) --first;
    for (auto it = first; it != order.end(); ++it) {
      HWND h = *it;
      if (it != first && (GetWindowLongPtr(h, GWL_STYLE) & WS_GROUP)) break;
      if (h == hwnd_) continue;
      if (GetClassName(h) == "Button" && (GetWindowLongPtr(h, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
        SendMessage(h, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    SendMessage(hwnd_, BM_SETCHECK, BST_CHECKED, 0);
  }

  void paint(HDC given) override {
    if (given) {
      HGDIOBJ old = gdi::SelectObject(given, font() ? font() : default_gui_font());
      paint_into(given);
      gdi::SelectObject(given, old);
      return;
    }
    PaintDc pdc(hwnd_, font());
    paint_into(pdc.dc());
  }

  void paint_into(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    bool enabled = IsWindowEnabled(hwnd_);
    bool focused = GetFocus() == hwnd_;
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    if (type() == BS_OWNERDRAW) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_BUTTON;
      dis.CtlID = static_cast<UINT>(id());
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = ((state_ & BST_PUSHED) ? ODS_SELECTED : 0) | (focused ? ODS_FOCUS : 0) |
                      (enabled ? 0 : ODS_DISABLED);
      dis.hwndItem = hwnd_;
      dis.hDC = dc;
      dis.rcItem = r;
      if (HWND p = parent()) SendMessage(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      return;
    }
    std::string text = GetWindowText(hwnd_);
    int text_color = enabled ? gdi::COLOR_BTNTEXT : gdi::COLOR_GRAYTEXT;
    UINT align = (style() & BS_CENTER) == BS_CENTER ? gdi::DT_CENTER
                 : (style() & BS_RIGHT)             ? gdi::DT_RIGHT
                                                    : gdi::DT_LEFT;
    switch (type()) {
      case BS_GROUPBOX: {
        parent_background(hwnd_, dc, WM_CTLCOLORSTATIC, r);
        int th = text_height(font());
        RECT box = r;
        box.top += th / 2;
        gdi::DrawEdge(dc, &box, gdi::EDGE_ETCHED, gdi::BF_RECT);
        if (!text.empty()) {
          RECT tr{r.left + 8, r.top, r.left + 8 + text_width(font(), text) + 4, r.top + th};
          fill(dc, tr, gdi::COLOR_BTNFACE);
          tr.left += 2;
          draw_text(dc, text, tr, gdi::DT_LEFT | gdi::DT_SINGLELINE, text_color);
        }
        return;
      }
      case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
      case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
        if (!(style() & BS_PUSHLIKE)) {
          parent_background(hwnd_, dc, WM_CTLCOLORSTATIC, r);
          const int box = 13;
          bool left_text = style() & BS_LEFTTEXT;
          int top = r.top + (r.bottom - r.top - box) / 2;
          RECT b{left_text ? r.right - box : r.left, top, left_text ? r.right : r.left + box, top + box};
          fill(dc, b, (state_ & BST_PUSHED) || !enabled ? gdi::COLOR_BTNFACE : gdi::COLOR_WINDOW);
          frame_3d(dc, b, true);
          const int ink = enabled ? gdi::COLOR_WINDOWTEXT : gdi::COLOR_GRAYTEXT;
          if (is_radio()) {
            if (state_ & 3) dot(dc, b, ink);
          } else if ((state_ & 3) == BST_INDETERMINATE) {
            RECT mark{b.left + 4, b.top + 4, b.right - 4, b.bottom - 4};
            fill(dc, mark, gdi::COLOR_GRAYTEXT);
          } else if (state_ & 3) {
            tick(dc, b, ink);
          }
          RECT tr = r;
          if (left_text) tr.right = b.left - 4;
          else tr.left = b.right + 4;
          draw_text(dc, text, tr, align | gdi::DT_VCENTER | gdi::DT_SINGLELINE, text_color);
          if (focused) {
            RECT fr = tr;
            fr.right = std::min(tr.right, tr.left + text_width(font(), text) + 2);
            gdi::DrawFocusRect(dc, &fr);
          }
          return;
        }
        [[fallthrough]];
      default: {
        bool down = (state_ & BST_PUSHED) || ((style() & BS_PUSHLIKE) && (state_ & 3));
        fill(dc, r, gdi::COLOR_BTNFACE);
        RECT e = r;
        if (type() == BS_DEFPUSHBUTTON) {
          gdi::FrameRect(dc, &e, gdi::GetSysColorBrush(gdi::COLOR_WINDOWFRAME));
          e.left++, e.top++, e.right--, e.bottom--;
        }
        frame_3d(dc, e, down);
        RECT tr = e;
        if (down) gdi::OffsetRect(&tr, 1, 1);
        if ((style() & BS_CENTER) == 0) align = gdi::DT_CENTER;
        const HBITMAP glyph = image_type_ == IMAGE_BITMAP ? static_cast<HBITMAP>(image_) : nullptr;
        const gdi::Bitmap* glyph_pixels = glyph ? gdi::GetBitmapPixels(glyph) : nullptr;
        const SIZE gs = glyph_pixels ? SIZE{glyph_pixels->width(), glyph_pixels->height()} : SIZE{0, 0};
        if (gs.cx > 0 && gs.cy > 0) {
          // The glyph left of the caption, the two centred together with a small gap.
          constexpr int kGap = 4;
          const int tw = text.empty() ? 0 : text_width(font(), text);
          const int total = gs.cx + (tw ? kGap + tw : 0);
          const int gx = tr.left + std::max(0, (static_cast<int>(tr.right - tr.left) - total) / 2);
          gdi::DrawKeyedBitmap(dc, gx, tr.top + (tr.bottom - tr.top - gs.cy) / 2, glyph, enabled);
          tr.left = gx + gs.cx + kGap;
          align = gdi::DT_LEFT;
        }
        draw_text(dc, text, tr, align | gdi::DT_VCENTER | gdi::DT_SINGLELINE, text_color);
        if (focused) {
          RECT fr{e.left + 3, e.top + 3, e.right - 3, e.bottom - 3};
          gdi::DrawFocusRect(dc, &fr);
        }
        return;
      }
    }
  }

  // The check mark of a ticked box: a short stroke down to the lower middle, a long one up to the
  // right, three pixels thick.
  static void tick(HDC dc, const RECT& box, int sys_color) {
    HBRUSH ink = gdi::GetSysColorBrush(sys_color);
    auto column = [&](int x, int y) {
      RECT px{box.left + x, box.top + y, box.left + x + 1, box.top + y + 3};
      gdi::FillRect(dc, &px, ink);
    };
    for (int i = 0; i < 3; ++i) column(3 + i, 5 + i);  // down
    for (int i = 0; i < 4; ++i) column(6 + i, 6 - i);  // up
  }
  // The mark of a chosen radio button: a round dot.
  static void dot(HDC dc, const RECT& box, int sys_color) {
    HBRUSH ink = gdi::GetSysColorBrush(sys_color);
    static constexpr int kRows[][2] = {{5, 8}, {4, 9}, {4, 9}, {4, 9}, {5, 8}};
    for (int i = 0; i < 5; ++i) {
      RECT row{box.left + kRows[i][0], box.top + 4 + i, box.left + kRows[i][1], box.top + 5 + i};
      gdi::FillRect(dc, &row, ink);
    }
  }

  LRESULT state_ = 0;
  bool tracking_ = false;
  void* image_ = nullptr;
  UINT image_type_ = 0;
};

class Static : public Control {
public:
  using Control::Control;

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_NCHITTEST:
        return (style() & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
      case WM_GETDLGCODE: return DLGC_STATIC;
      case WM_LBUTTONDOWN:
        if (style() & SS_NOTIFY) command(STN_CLICKED);
        return 0;
      case WM_LBUTTONDBLCLK:
        if (style() & SS_NOTIFY) command(STN_DBLCLK);
        return 0;
      case STM_GETICON: return reinterpret_cast<LRESULT>(image_);
      case STM_GETIMAGE: return reinterpret_cast<LRESULT>(image_);
      case STM_SETICON:
      case STM_SETIMAGE: {
        void* old = image_;
        image_ = reinterpret_cast<void*>(msg == STM_SETICON ? wp : static_cast<WPARAM>(lp));
        image_type_ = msg == STM_SETICON ? IMAGE_ICON : static_cast<UINT>(wp);
        redraw();
        return reinterpret_cast<LRESULT>(old);
      }
      case WM_SETTEXT: {
        LRESULT r = DefWindowProc(hwnd_, msg, wp, lp);
        redraw();
        return r;
      }
      case WM_ENABLE: redraw(); return 0;
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

private:
  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    DWORD kind = style() & SS_TYPEMASK;
    if (kind == SS_OWNERDRAW) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_STATIC;
      dis.CtlID = static_cast<UINT>(id());
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = IsWindowEnabled(hwnd_) ? 0 : ODS_DISABLED;
      dis.hwndItem = hwnd_;
      dis.hDC = dc;
      dis.rcItem = r;
      if (HWND p = parent()) SendMessage(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      return;
    }
    switch (kind) {
      case SS_BLACKRECT: fill(dc, r, gdi::COLOR_WINDOWFRAME); return;
      case SS_GRAYRECT: fill(dc, r, gdi::COLOR_BTNSHADOW); return;
      case SS_WHITERECT: fill(dc, r, gdi::COLOR_WINDOW); return;
      case SS_ETCHEDFRAME: gdi::DrawEdge(dc, &r, gdi::EDGE_ETCHED, gdi::BF_RECT); return;
      default: break;
    }
    parent_background(hwnd_, dc, WM_CTLCOLORSTATIC, r);
    if (kind == SS_ICON && image_) {
      gdi::DrawIconEx(dc, 0, 0, static_cast<HICON>(image_), 0, 0, 0, nullptr, 3);
      return;
    }
    if (kind == SS_BITMAP && image_) {
      HDC mem = gdi::CreateCompatibleDC(dc);
      HGDIOBJ old = gdi::SelectObject(mem, image_);
      gdi::BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, gdi::SRCCOPY);
      gdi::SelectObject(mem, old);
      gdi::DeleteDC(mem);
      return;
    }
    UINT f = gdi::DT_EXPANDTABS;
    if (kind == SS_CENTER) f |= gdi::DT_CENTER | gdi::DT_WORDBREAK;
    else if (kind == SS_RIGHT) f |= gdi::DT_RIGHT | gdi::DT_WORDBREAK;
    else if (kind == SS_LEFT) f |= gdi::DT_WORDBREAK;
    else f |= gdi::DT_SINGLELINE;
    if (style() & SS_NOPREFIX) f |= gdi::DT_NOPREFIX;
    if (style() & SS_CENTERIMAGE) f = (f & ~gdi::DT_WORDBREAK) | gdi::DT_SINGLELINE | gdi::DT_VCENTER;
    if (style() & SS_ENDELLIPSIS) f |= gdi::DT_END_ELLIPSIS;
    draw_text(dc, GetWindowText(hwnd_), r, f, IsWindowEnabled(hwnd_) ? gdi::COLOR_WINDOWTEXT : gdi::COLOR_GRAYTEXT);
  }

  void* image_ = nullptr;
  UINT image_type_ = 0;
};

}  // namespace

void register_button_and_static() {
  detail::register_system_class("Button", class_proc<Button>, CS_DBLCLKS | CS_PARENTDC, nullptr);
  detail::register_system_class("Static", class_proc<Static>, CS_DBLCLKS | CS_PARENTDC, nullptr);
}

}  // namespace platform::win::controls
