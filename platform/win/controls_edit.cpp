// "Edit": a single-line text field with caret, selection, password character, read-only state,
// length limit, undo of the last change and the process's own clipboard. ES_MULTILINE keeps line
// breaks and shows them, which is all the console needs of it.
#include <algorithm>

#include "core/unicode.h"
#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win {

namespace {
std::string& clipboard() {
  static std::string text;
  return text;
}
}  // namespace

void SetClipboardText(std::string_view text) { clipboard() = std::string(text); }
std::string GetClipboardText() { return clipboard(); }

namespace controls {
namespace {

class Edit : public Control {
public:
  explicit Edit(HWND hwnd) : Control(hwnd) {}

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        if (cs->lpszName) text_ = core::utf8_to_utf32(cs->lpszName);
        if (cs->style & ES_PASSWORD) password_ = U'*';
        // The bar comes and goes with the text's length; that there is one stays.
        vbar_ = (cs->style & WS_VSCROLL) != 0;
        // The border of the plain look is the client edge.
        if (cs->style & WS_BORDER) {
          SetWindowLongPtr(hwnd_, GWL_STYLE, cs->style & ~static_cast<LONG>(WS_BORDER));
          SetWindowLongPtr(hwnd_, GWL_EXSTYLE, cs->dwExStyle | WS_EX_CLIENTEDGE);
        }
        return DefWindowProc(hwnd_, msg, wp, lp);
      }
      case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (style() & ES_MULTILINE) code |= DLGC_WANTALLKEYS;
        return code;
      }
      case WM_SETTEXT: {
        const char* s = reinterpret_cast<const char*>(lp);
        text_ = core::utf8_to_utf32(s ? s : "");
        if (limit_ && text_.size() > limit_) text_.resize(limit_);
        sel_start_ = sel_end_ = 0;
        scroll_ = 0;
        top_line_ = 0;
        undo_.reset();
        modified_ = false;
        sync_text();
        redraw();
        command(EN_UPDATE);
        command(EN_CHANGE);
        return TRUE;
      }
      case WM_GETTEXT:
      case WM_GETTEXTLENGTH:
        return DefWindowProc(hwnd_, msg, wp, lp);
      case WM_SETFONT:
        DefWindowProc(hwnd_, msg, wp, lp);
        if (lp) redraw();
        return 0;
      case WM_SETFOCUS:
        redraw();
        command(EN_SETFOCUS);
        return 0;
      case WM_KILLFOCUS:
        redraw();
        command(EN_KILLFOCUS);
        return 0;
      case WM_ENABLE: redraw(); return 0;
      case WM_LBUTTONDOWN: {
        SetFocus(hwnd_);
        std::size_t pos = pos_from_x(GET_X_LPARAM(lp));
        if (wp & MK_SHIFT) set_sel(sel_anchor(), pos);
        else set_sel(pos, pos);
        SetCapture(hwnd_);
        selecting_ = true;
        return 0;
      }
      case WM_MOUSEMOVE:
        if (selecting_ && GetCapture() == hwnd_) set_sel(sel_start_, pos_from_x(GET_X_LPARAM(lp)));
        return 0;
      case WM_LBUTTONUP:
        if (selecting_) {
          selecting_ = false;
          ReleaseCapture();
        }
        return 0;
      case WM_CAPTURECHANGED: selecting_ = false; return 0;
      case WM_LBUTTONDBLCLK: select_word(pos_from_x(GET_X_LPARAM(lp))); return 0;
      case WM_KEYDOWN: key(static_cast<UINT>(wp)); return 0;
      case WM_CHAR: character(static_cast<char32_t>(wp)); return 0;
      case EM_GETSEL: {
        auto lo = static_cast<DWORD>(std::min(sel_start_, sel_end_));
        auto hi = static_cast<DWORD>(std::max(sel_start_, sel_end_));
        if (wp) *reinterpret_cast<DWORD*>(wp) = lo;
        if (lp) *reinterpret_cast<DWORD*>(lp) = hi;
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<DWORD>(lo, 0xFFFF)), static_cast<WORD>(std::min<DWORD>(hi, 0xFFFF))));
      }
      case EM_SETSEL: {
        // -1 as start removes the selection; a negative end selects to the end.
        auto start = static_cast<std::intptr_t>(static_cast<int>(wp));
        auto end = static_cast<std::intptr_t>(static_cast<int>(lp));
        std::size_t n = text_.size();
        if (start < 0) {
          set_sel(std::min(sel_end_, n), std::min(sel_end_, n));
          return 0;
        }
        std::size_t s = std::min<std::size_t>(static_cast<std::size_t>(start), n);
        std::size_t e = end < 0 ? n : std::min<std::size_t>(static_cast<std::size_t>(end), n);
        set_sel(s, e);
        return 0;
      }
      case EM_REPLACESEL: {
        const char* s = reinterpret_cast<const char*>(lp);
        replace_selection(core::utf8_to_utf32(s ? s : ""), wp != 0);
        return 0;
      }
      case EM_GETMODIFY: return modified_;
      case EM_SETMODIFY: modified_ = wp != 0; return 0;
      case EM_LIMITTEXT: limit_ = wp ? static_cast<std::size_t>(wp) : 0x7FFFFFFE; return 0;
      case EM_GETLIMITTEXT: return static_cast<LRESULT>(limit_ ? limit_ : 0x7FFFFFFE);
      case EM_SETPASSWORDCHAR: {
        password_ = static_cast<char32_t>(wp);
        LONG_PTR s = GetWindowLongPtr(hwnd_, GWL_STYLE);
        SetWindowLongPtr(hwnd_, GWL_STYLE, password_ ? (s | ES_PASSWORD) : (s & ~static_cast<LONG_PTR>(ES_PASSWORD)));
        redraw();
        return 0;
      }
      case EM_GETPASSWORDCHAR: return static_cast<LRESULT>(password_);
      case EM_SETREADONLY: {
        LONG_PTR s = GetWindowLongPtr(hwnd_, GWL_STYLE);
        SetWindowLongPtr(hwnd_, GWL_STYLE, wp ? (s | ES_READONLY) : (s & ~static_cast<LONG_PTR>(ES_READONLY)));
        redraw();
        return TRUE;
      }
      case EM_CANUNDO: return undo_.has_value();
      case EM_UNDO:
      case WM_UNDO:
        if (undo_) {
          std::u32string t = std::move(*undo_);
          undo_ = text_;
          text_ = std::move(t);
          sel_start_ = sel_end_ = text_.size();
          changed();
        }
        return TRUE;
      case EM_EMPTYUNDOBUFFER: undo_.reset(); return 0;
      case EM_GETLINECOUNT: return 1 + std::count(text_.begin(), text_.end(), U'\n');
      case EM_LINEINDEX: return 0;
      case EM_LINELENGTH: return static_cast<LRESULT>(text_.size());
      case EM_GETRECT:
        if (lp) *reinterpret_cast<RECT*>(lp) = text_rect();
        return 0;
      case EM_SETMARGINS:
        if (wp & 1) margin_left_ = LOWORD(static_cast<std::uintptr_t>(lp));
        if (wp & 2) margin_right_ = HIWORD(static_cast<std::uintptr_t>(lp));
        redraw();
        return 0;
      case EM_GETMARGINS: return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(margin_left_), static_cast<WORD>(margin_right_)));
      case EM_SCROLLCARET: return TRUE;
      // Multi-line: vertical scrolling by whole lines, with the WS_VSCROLL bar kept in step.
      case EM_GETFIRSTVISIBLELINE: return static_cast<LRESULT>(top_line_);
      case EM_LINESCROLL:
        if (style() & ES_MULTILINE) scroll_to(static_cast<long>(top_line_) + static_cast<long>(lp));
        return TRUE;
      case WM_VSCROLL: {
        if (!(style() & ES_MULTILINE)) return 0;
        const long page = std::max(1, visible_lines()), top = static_cast<long>(top_line_);
        switch (LOWORD(wp)) {
          case SB_LINEUP: scroll_to(top - 1); break;
          case SB_LINEDOWN: scroll_to(top + 1); break;
          case SB_PAGEUP: scroll_to(top - page); break;
          case SB_PAGEDOWN: scroll_to(top + page); break;
          case SB_TOP: scroll_to(0); break;
          case SB_BOTTOM: scroll_to(line_count()); break;
          case SB_THUMBTRACK:
          case SB_THUMBPOSITION: scroll_to(static_cast<short>(HIWORD(wp))); break;
          default: break;
        }
        return 0;
      }
      case WM_MOUSEWHEEL:
        if (!(style() & ES_MULTILINE)) return DefWindowProc(hwnd_, msg, wp, lp);
        scroll_to(static_cast<long>(top_line_) - 3 * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA);
        return 0;
      case WM_SIZE:
        update_vbar();
        return DefWindowProc(hwnd_, msg, wp, lp);
      case WM_COPY: copy(); return 0;
      case WM_CUT:
        copy();
        [[fallthrough]];
      case WM_CLEAR:
        if (!read_only()) replace_selection(U"", true);
        return 0;
      case WM_PASTE:
        if (!read_only()) replace_selection(core::utf8_to_utf32(GetClipboardText()), true);
        return 0;
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

private:
  bool read_only() const { return style() & ES_READONLY; }
  std::size_t sel_anchor() const { return sel_start_; }
  std::size_t lo() const { return std::min(sel_start_, sel_end_); }
  std::size_t hi() const { return std::max(sel_start_, sel_end_); }

  RECT text_rect() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    r.left += 1 + margin_left_;
    r.right -= 1 + margin_right_;
    return r;
  }
  std::u32string shown() const {
    if (!password_) return text_;
    return std::u32string(text_.size(), password_);
  }
  int width_of(std::size_t from, std::size_t to) const {
    std::u32string s = shown();
    return text_width(font(), core::utf32_to_utf8(std::u32string_view(s).substr(from, to - from)));
  }
  std::size_t pos_from_x(int x) const {
    RECT r = text_rect();
    int base = r.left;
    std::size_t best = scroll_;
    for (std::size_t i = scroll_; i <= text_.size(); ++i) {
      int w = width_of(scroll_, i);
      if (base + w > x) {
        // Past the middle of the character: the caret goes after it.
        int prev = i > scroll_ ? width_of(scroll_, i - 1) : 0;
        return (x - base) * 2 > prev + w ? i : (i > scroll_ ? i - 1 : i);
      }
      best = i;
    }
    return best;
  }
  void ensure_caret_visible() {
    if (sel_end_ < scroll_) scroll_ = sel_end_;
    RECT r = text_rect();
    int avail = std::max<int>(1, r.right - r.left - 1);
    while (scroll_ < sel_end_ && width_of(scroll_, sel_end_) > avail) ++scroll_;
  }
  void set_sel(std::size_t start, std::size_t end) {
    start = std::min(start, text_.size());
    end = std::min(end, text_.size());
    if (start == sel_start_ && end == sel_end_) return;
    sel_start_ = start;
    sel_end_ = end;
    ensure_caret_visible();
    redraw();
  }
  void select_word(std::size_t pos) {
    auto is_space = [](char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n'; };
    std::size_t a = pos, b = pos;
    while (a > 0 && !is_space(text_[a - 1])) --a;
    while (b < text_.size() && !is_space(text_[b])) ++b;
    set_sel(a, b);
  }
  void sync_text() {
    DefWindowProc(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(core::utf32_to_utf8(text_).c_str()));
    if (style() & ES_MULTILINE) scroll_to(static_cast<long>(top_line_));
  }
  long line_count() const { return 1 + static_cast<long>(std::count(text_.begin(), text_.end(), U'\n')); }
  int visible_lines() const {
    RECT r = text_rect();
    return std::max(1, static_cast<int>(r.bottom - r.top) / std::max(1, text_height(font())));
  }
  // The first shown line, within what the text allows; the scroll bar follows.
  void scroll_to(long line) {
    const long last = std::max(0L, line_count() - visible_lines());
    const auto top = static_cast<std::size_t>(std::clamp(line, 0L, last));
    const bool moved = top != top_line_;
    top_line_ = top;
    update_vbar();
    if (moved) redraw();
  }
  void update_vbar() {
    if (!(style() & ES_MULTILINE) || !vbar_) return;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = static_cast<int>(line_count() - 1);
    si.nPage = static_cast<UINT>(visible_lines());
    si.nPos = static_cast<int>(top_line_);
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
  }
  // The text from the first shown line on.
  std::u32string_view from_top_line(std::u32string_view s) const {
    std::size_t at = 0;
    for (std::size_t n = 0; n < top_line_ && at < s.size(); ++n) {
      const std::size_t nl = s.find(U'\n', at);
      if (nl == std::u32string_view::npos) return {};
      at = nl + 1;
    }
    return s.substr(at);
  }
  void changed() {
    modified_ = true;
    ensure_caret_visible();
    sync_text();
    redraw();
    command(EN_UPDATE);
    command(EN_CHANGE);
  }
  // Replaces the selection by `in`, cut to the length limit (EN_MAXTEXT when something is lost).
  void replace_selection(std::u32string in, bool can_undo) {
    std::size_t room = (limit_ ? limit_ : 0x7FFFFFFE) - std::min(text_.size() - (hi() - lo()), limit_ ? limit_ : 0x7FFFFFFE);
    bool cut = false;
    if (in.size() > room) {
      in.resize(room);
      cut = true;
    }
    if (in.empty() && lo() == hi()) {
      if (cut) command(EN_MAXTEXT);
      return;
    }
    if (can_undo) undo_ = text_;
    std::size_t at = lo();
    text_.replace(at, hi() - at, in);
    sel_start_ = sel_end_ = at + in.size();
    changed();
    if (cut) command(EN_MAXTEXT);
  }
  void copy() {
    if (password_ || lo() == hi()) return;
    SetClipboardText(core::utf32_to_utf8(std::u32string_view(text_).substr(lo(), hi() - lo())));
  }
  void character(char32_t c) {
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (c) {
      case 1: set_sel(0, text_.size()); return;                // Ctrl+A
      case 3: SendMessage(hwnd_, WM_COPY, 0, 0); return;       // Ctrl+C
      case 0x16: SendMessage(hwnd_, WM_PASTE, 0, 0); return;   // Ctrl+V
      case 0x18: SendMessage(hwnd_, WM_CUT, 0, 0); return;     // Ctrl+X
      case 0x1A: SendMessage(hwnd_, WM_UNDO, 0, 0); return;    // Ctrl+Z
      case 8:
        if (read_only()) return;
        if (lo() == hi() && lo() > 0) sel_start_ = lo() - 1, sel_end_ = hi();
        replace_selection(U"", true);
        return;
      case U'\r':
      case U'\n':
        if ((style() & ES_MULTILINE) && (style() & ES_WANTRETURN) && !read_only()) replace_selection(U"\r\n", true);
        return;
      default: break;
    }
    if (c < 0x20 || ctrl || read_only()) return;
    if ((style() & ES_NUMBER) && (c < U'0' || c > U'9')) return;
    if (style() & ES_UPPERCASE) c = (c >= U'a' && c <= U'z') ? c - 32 : c;
    if (style() & ES_LOWERCASE) c = (c >= U'A' && c <= U'Z') ? c + 32 : c;
    replace_selection(std::u32string(1, c), true);
  }
  void key(UINT vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0;
    std::size_t caret = sel_end_;
    std::size_t to = caret;
    switch (vk) {
      case VK_LEFT: to = (!shift && lo() != hi()) ? lo() : (caret ? caret - 1 : 0); break;
      case VK_RIGHT: to = (!shift && lo() != hi()) ? hi() : std::min(caret + 1, text_.size()); break;
      case VK_HOME: to = 0; break;
      case VK_END: to = text_.size(); break;
      case VK_DELETE:
        if (read_only()) return;
        if (shift) {
          SendMessage(hwnd_, WM_CUT, 0, 0);
          return;
        }
        if (lo() == hi() && hi() < text_.size()) sel_start_ = lo(), sel_end_ = hi() + 1;
        replace_selection(U"", true);
        return;
      case VK_INSERT:
        if (shift) SendMessage(hwnd_, WM_PASTE, 0, 0);
        else if (GetKeyState(VK_CONTROL) < 0) SendMessage(hwnd_, WM_COPY, 0, 0);
        return;
      default: return;
    }
    if (shift) set_sel(sel_start_, to);
    else set_sel(to, to);
  }

  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    bool enabled = IsWindowEnabled(hwnd_);
    HWND p = parent();
    UINT color_msg = (!enabled || read_only()) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    auto brush = reinterpret_cast<HBRUSH>(p ? SendMessage(p, color_msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)) : 0);
    if (!brush) brush = gdi::GetSysColorBrush(color_msg == WM_CTLCOLOREDIT ? gdi::COLOR_WINDOW : gdi::COLOR_BTNFACE);
    gdi::FillRect(dc, &r, brush);
    if (!enabled) gdi::SetTextColor(dc, gdi::GetSysColor(gdi::COLOR_GRAYTEXT));
    RECT tr = text_rect();
    std::u32string s = shown();
    int th = text_height(font());
    int y = (style() & ES_MULTILINE) ? tr.top + 1 : tr.top + (tr.bottom - tr.top - th) / 2;
    std::string visible = (style() & ES_MULTILINE)
                              ? core::utf32_to_utf8(from_top_line(s))
                              : core::utf32_to_utf8(std::u32string_view(s).substr(std::min(scroll_, s.size())));
    gdi::IntersectClipRect(dc, tr.left, tr.top, tr.right, tr.bottom);
    int x0 = tr.left;
    if (!(style() & ES_MULTILINE)) {
      int w = text_width(font(), visible);
      if (style() & ES_RIGHT) x0 = std::max<int>(tr.left, tr.right - w - 1);
      else if (style() & ES_CENTER) x0 = std::max<int>(tr.left, tr.left + (tr.right - tr.left - w) / 2);
    }
    if (style() & ES_MULTILINE) {
      RECT mr = tr;
      mr.top = y;
      gdi::DrawText(dc, visible, &mr, gdi::DT_WORDBREAK | gdi::DT_NOPREFIX | gdi::DT_EXPANDTABS);
    } else {
      gdi::TextOut(dc, x0, y, visible);
    }
    bool focused = GetFocus() == hwnd_;
    if ((focused || (style() & ES_NOHIDESEL)) && lo() != hi() && !(style() & ES_MULTILINE)) {
      std::size_t a = std::max(lo(), scroll_), b = std::max(hi(), scroll_);
      RECT sel{x0 + width_of(scroll_, a), y, x0 + width_of(scroll_, b), y + th};
      fill(dc, sel, gdi::COLOR_HIGHLIGHT);
      gdi::SetTextColor(dc, gdi::GetSysColor(gdi::COLOR_HIGHLIGHTTEXT));
      gdi::TextOut(dc, sel.left, y, core::utf32_to_utf8(std::u32string_view(s).substr(a, b - a)));
    }
    if (focused && !(style() & ES_MULTILINE)) {
      int cx = x0 + width_of(scroll_, std::max(sel_end_, scroll_));
      RECT caret{cx, y, cx + 1, y + th};
      fill(dc, caret, gdi::COLOR_WINDOWTEXT);
    }
  }

  std::u32string text_;
  std::size_t sel_start_ = 0, sel_end_ = 0, scroll_ = 0;
  std::size_t top_line_ = 0;  // multi-line: the first line shown
  bool vbar_ = false;         // created with WS_VSCROLL
  std::size_t limit_ = 0x7FFFFFFE;
  char32_t password_ = 0;
  bool modified_ = false, selecting_ = false;
  int margin_left_ = 1, margin_right_ = 1;
  std::optional<std::u32string> undo_;
};

}  // namespace

void register_edit() {
  detail::register_system_class("Edit", class_proc<Edit>, CS_DBLCLKS | CS_PARENTDC, nullptr, IDC_IBEAM);
}

}  // namespace controls
}  // namespace platform::win
