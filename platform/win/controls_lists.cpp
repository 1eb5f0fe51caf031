// "ListBox", "ComboBox" and the combo box's drop-down list "ComboLBox".
#include <algorithm>
#include <cstring>

#include "core/unicode.h"
#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win::controls {
namespace {

constexpr int kEditId = 1001;   // the edit of a drop-down or simple combo box
constexpr int kListId = 1000;   // its list

class ListBox : public Control {
public:
  struct Item {
    std::string text;
    ULONG_PTR data = 0;
    bool selected = false;
    int height = 0;
  };

  using Control::Control;

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        combo_ = (cs->style & LBS_COMBOBOX) || GetClassName(hwnd_) == "ComboLBox";
        // The bar comes and goes with the content, so whether the list has one at all is kept here.
        vscroll_ = (cs->style & WS_VSCROLL) != 0;
        if (combo_) owner_combo_ = cs->hwndParent;
        item_height_ = text_height(nullptr) + 2;
        if (owner_draw()) {
          MEASUREITEMSTRUCT mis;
          mis.CtlType = combo_ ? ODT_COMBOBOX : ODT_LISTBOX;
          mis.CtlID = static_cast<UINT>(notify_id());
          mis.itemHeight = static_cast<UINT>(item_height_);
          mis.itemWidth = static_cast<UINT>(cs->cx);
          if (HWND p = notify_target()) SendMessage(p, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
          if (mis.itemHeight > 0) item_height_ = static_cast<int>(mis.itemHeight);
        }
        return 0;
      }
      case WM_SETFONT:
        DefWindowProc(hwnd_, msg, wp, lp);
        if (!owner_draw()) item_height_ = text_height(reinterpret_cast<HFONT>(wp)) + 2;
        update_scroll();
        if (lp) redraw();
        return 0;
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case WM_MOUSEACTIVATE:
        if (combo_) return MA_NOACTIVATE;
        break;
      case WM_SIZE: update_scroll(); return 0;
      case LB_ADDSTRING:
      case LB_INSERTSTRING: {
        Item it;
        if (has_strings()) {
          const char* s = reinterpret_cast<const char*>(lp);
          it.text = s ? s : "";
        } else {
          it.data = static_cast<ULONG_PTR>(lp);
        }
        std::size_t at = items_.size();
        if (msg == LB_INSERTSTRING) {
          auto want = static_cast<std::intptr_t>(static_cast<int>(wp));
          if (want >= 0) {
            if (static_cast<std::size_t>(want) > items_.size()) return LB_ERR;
            at = static_cast<std::size_t>(want);
          }
        } else if (sorted()) {
          at = static_cast<std::size_t>(std::upper_bound(items_.begin(), items_.end(), it.text, [](const std::string& a, const Item& b) {
                                          return core::ascii_icompare(a, b.text) < 0;
                                        }) - items_.begin());
        }
        it.height = item_height_;
        if (style() & LBS_OWNERDRAWVARIABLE) {
          MEASUREITEMSTRUCT mis;
          mis.CtlType = combo_ ? ODT_COMBOBOX : ODT_LISTBOX;
          mis.CtlID = static_cast<UINT>(notify_id());
          mis.itemID = static_cast<UINT>(at);
          mis.itemHeight = static_cast<UINT>(item_height_);
          mis.itemData = has_strings() ? 0 : it.data;
          if (HWND p = notify_target()) SendMessage(p, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
          it.height = static_cast<int>(mis.itemHeight);
        }
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(it));
        if (cur_ >= static_cast<int>(at) && cur_ >= 0) ++cur_;
        update_scroll();
        redraw();
        return static_cast<LRESULT>(at);
      }
      case LB_DELETESTRING: {
        if (wp >= items_.size()) return LB_ERR;
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(wp));
        if (cur_ == static_cast<int>(wp)) cur_ = -1;
        else if (cur_ > static_cast<int>(wp)) --cur_;
        top_ = std::min(top_, std::max(0, count() - 1));
        update_scroll();
        redraw();
        return count();
      }
      case LB_RESETCONTENT:
        items_.clear();
        cur_ = -1;
        top_ = 0;
        update_scroll();
        redraw();
        return 0;
      case LB_GETCOUNT: return count();
      case LB_GETTEXT:
        if (wp >= items_.size()) return LB_ERR;
        if (!has_strings()) {
          if (lp) *reinterpret_cast<ULONG_PTR*>(lp) = items_[wp].data;
          return sizeof(ULONG_PTR);
        }
        return copy_out(items_[wp].text, reinterpret_cast<char*>(lp));
      case LB_GETTEXTLEN:
        if (wp >= items_.size()) return LB_ERR;
        return has_strings() ? static_cast<LRESULT>(items_[wp].text.size()) : static_cast<LRESULT>(sizeof(ULONG_PTR));
      case LB_GETITEMDATA:
        if (wp >= items_.size()) return LB_ERR;
        return static_cast<LRESULT>(items_[wp].data);
      case LB_SETITEMDATA:
        if (wp >= items_.size()) return LB_ERR;
        items_[wp].data = static_cast<ULONG_PTR>(lp);
        return TRUE;
      case LB_GETCURSEL:
        if (multi()) return cur_;  // the caret item
        return selected_single();
      case LB_SETCURSEL: {
        if (multi()) return LB_ERR;
        auto i = static_cast<int>(wp);
        if (i < -1 || i >= count()) i = -1;
        select_single(i);
        if (i >= 0) ensure_visible(i);
        return i < 0 && static_cast<int>(wp) != -1 ? LB_ERR : i;
      }
      case LB_SETSEL: {
        if (!multi()) return LB_ERR;
        auto i = static_cast<int>(static_cast<std::intptr_t>(lp));
        if (i == -1) {
          for (auto& it : items_) it.selected = wp != 0;
        } else if (i >= 0 && i < count()) {
          items_[static_cast<std::size_t>(i)].selected = wp != 0;
          cur_ = i;
        } else {
          return LB_ERR;
        }
        redraw();
        return 0;
      }
      case LB_GETSEL:
        if (wp >= items_.size()) return LB_ERR;
        return multi() ? items_[wp].selected : (static_cast<int>(wp) == selected_single());
      case LB_GETSELCOUNT: {
        if (!multi()) return LB_ERR;
        return std::count_if(items_.begin(), items_.end(), [](const Item& i) { return i.selected; });
      }
      case LB_GETSELITEMS: {
        if (!multi()) return LB_ERR;
        int* out = reinterpret_cast<int*>(lp);
        int n = 0;
        for (int i = 0; i < count() && n < static_cast<int>(wp); ++i)
          if (items_[static_cast<std::size_t>(i)].selected) out[n++] = i;
        return n;
      }
      case LB_FINDSTRING:
      case LB_FINDSTRINGEXACT:
      case LB_SELECTSTRING: {
        const char* s = reinterpret_cast<const char*>(lp);
        int found = find(s ? s : "", static_cast<int>(wp), msg == LB_FINDSTRINGEXACT);
        if (msg == LB_SELECTSTRING && found >= 0 && !multi()) {
          select_single(found);
          ensure_visible(found);
        }
        return found;
      }
      case LB_GETTOPINDEX: return top_;
      case LB_SETTOPINDEX:
        if (static_cast<int>(wp) < 0 || (static_cast<int>(wp) >= count() && count() > 0)) return LB_ERR;
        set_top(static_cast<int>(wp));
        return 0;
      case LB_GETITEMHEIGHT: return item_height_;
      case LB_SETITEMHEIGHT:
        if (LOWORD(static_cast<std::uintptr_t>(lp)) == 0 || LOWORD(static_cast<std::uintptr_t>(lp)) > 255) return LB_ERR;
        item_height_ = LOWORD(static_cast<std::uintptr_t>(lp));
        for (auto& it : items_) it.height = item_height_;
        update_scroll();
        redraw();
        return 0;
      case LB_GETITEMRECT: {
        if (wp >= items_.size() && !(items_.empty() && wp == 0)) return LB_ERR;
        *reinterpret_cast<RECT*>(lp) = item_rect(static_cast<int>(wp));
        return 1;
      }
      case LB_ITEMFROMPOINT: {
        int i = index_at(GET_Y_LPARAM(lp));
        RECT r;
        GetClientRect(hwnd_, &r);
        bool outside = i < 0 || GET_X_LPARAM(lp) < 0 || GET_X_LPARAM(lp) >= r.right;
        if (i < 0) i = std::max(0, count() - 1);
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(i), outside ? 1 : 0));
      }
      case LB_GETCARETINDEX: return cur_ < 0 ? 0 : cur_;
      case LB_SETCARETINDEX:
        if (static_cast<int>(wp) < 0 || static_cast<int>(wp) >= count()) return LB_ERR;
        cur_ = static_cast<int>(wp);
        ensure_visible(cur_);
        redraw();
        return 0;
      case WM_VSCROLL: {
        int page = std::max(1, visible_rows() - 1);
        switch (LOWORD(wp)) {
          case SB_LINEUP: set_top(top_ - 1); break;
          case SB_LINEDOWN: set_top(top_ + 1); break;
          case SB_PAGEUP: set_top(top_ - page); break;
          case SB_PAGEDOWN: set_top(top_ + page); break;
          case SB_TOP: set_top(0); break;
          case SB_BOTTOM: set_top(count()); break;
          case SB_THUMBTRACK:
          case SB_THUMBPOSITION: set_top(HIWORD(wp)); break;
          default: break;
        }
        return 0;
      }
      case WM_MOUSEWHEEL:
        set_top(top_ - GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3);
        return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        if (combo_) return combo_mouse(msg, lp);
        SetFocus(hwnd_);
        int i = index_at(GET_Y_LPARAM(lp));
        if (i < 0) return 0;
        if (msg == WM_LBUTTONDBLCLK) {
          if (style() & LBS_NOTIFY) command(LBN_DBLCLK);
          return 0;
        }
        user_pick(i, (wp & MK_CONTROL) != 0);
        SetCapture(hwnd_);
        dragging_ = true;
        return 0;
      }
      case WM_MOUSEMOVE:
        if (combo_) return combo_mouse(msg, lp);
        if (dragging_ && !multi()) {
          int i = index_at(std::clamp<int>(GET_Y_LPARAM(lp), 0, client_height() - 1));
          if (i >= 0 && i != cur_) user_pick(i, false);
        }
        return 0;
      case WM_LBUTTONUP:
        if (combo_) return combo_mouse(msg, lp);
        if (dragging_) {
          dragging_ = false;
          ReleaseCapture();
        }
        return 0;
      case WM_CAPTURECHANGED: dragging_ = false; return 0;
      case WM_KEYDOWN: key(static_cast<UINT>(wp)); return 0;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        redraw();
        if (style() & LBS_NOTIFY) command(msg == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
        return 0;
      case WM_ENABLE: redraw(); return 0;
      case LB_GETLISTBOXINFO: return visible_rows();
      case LBCB_STARTTRACK:
        if (combo_) begin_drop(static_cast<int>(wp));
        return 0;
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

  const std::vector<Item>& items() const { return items_; }
  int current() const { return cur_; }
private:
  // Drop-down use: the combo box shows the list with `sel` highlighted and captures the mouse.
  void begin_drop(int sel) {
    cur_ = sel;
    seen_down_ = false;
    if (sel >= 0) ensure_visible(sel);
    SetCapture(hwnd_);
  }

  int count() const { return static_cast<int>(items_.size()); }
  bool has_strings() const { return !owner_draw() || (style() & LBS_HASSTRINGS); }
  bool owner_draw() const { return style() & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE); }
  bool sorted() const { return style() & LBS_SORT; }
  bool multi() const { return style() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }
  int client_height() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.bottom;
  }
  int visible_rows() const { return std::max(1, client_height() / std::max(1, item_height_)); }
  HWND notify_target() const { return combo_ ? GetParent(owner_combo_) : parent(); }
  int notify_id() const { return combo_ ? GetDlgCtrlID(owner_combo_) : id(); }
  int selected_single() const { return cur_; }

  int find(std::string_view s, int after, bool exact) const {
    int n = count();
    if (n == 0) return LB_ERR;
    int start = (after < -1 || after >= n) ? -1 : after;
    for (int k = 1; k <= n; ++k) {
      int i = (start + k) % n;
      const std::string& t = items_[static_cast<std::size_t>(i)].text;
      if (exact ? core::ascii_iequals(t, s) : (t.size() >= s.size() && core::ascii_iequals(std::string_view(t).substr(0, s.size()), s)))
        return i;
    }
    return LB_ERR;
  }
  RECT item_rect(int i) const {
    RECT r;
    GetClientRect(hwnd_, &r);
    int y = 0;
    for (int k = top_; k < i && k < count(); ++k) y += items_[static_cast<std::size_t>(k)].height;
    for (int k = i; k < top_; ++k) y -= item_height_;
    int h = i < count() ? items_[static_cast<std::size_t>(i)].height : item_height_;
    return RECT{0, y, r.right, y + h};
  }
  int index_at(int y) const {
    if (y < 0) return -1;
    int top = 0;
    for (int i = top_; i < count(); ++i) {
      int h = items_[static_cast<std::size_t>(i)].height;
      if (y < top + h) return i;
      top += h;
    }
    return -1;
  }
  void update_scroll() {
    if (!vscroll_) return;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | ((style() & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
    si.nMin = 0;
    si.nMax = std::max(0, count() - 1);
    si.nPage = static_cast<UINT>(visible_rows());
    si.nPos = top_;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
  }
  void set_top(int t) {
    t = std::clamp(t, 0, std::max(0, count() - visible_rows()));
    if (t == top_) return;
    top_ = t;
    update_scroll();
    redraw();
  }
  void ensure_visible(int i) {
    if (i < top_) set_top(i);
    else if (i >= top_ + visible_rows()) set_top(i - visible_rows() + 1);
  }
  void select_single(int i) {
    if (i == cur_) return;
    cur_ = i;
    redraw();
  }
  // A pick by the user: selection changes and the parent hears of it.
  void user_pick(int i, bool toggle) {
    if (multi()) {
      auto& it = items_[static_cast<std::size_t>(i)];
      if ((style() & LBS_MULTIPLESEL) || toggle) it.selected = !it.selected;
      else {
        for (auto& x : items_) x.selected = false;
        it.selected = true;
      }
      cur_ = i;
      redraw();
    } else {
      if (i == cur_) return;
      select_single(i);
    }
    ensure_visible(i);
    if ((style() & LBS_NOTIFY) && !combo_) command(LBN_SELCHANGE);
  }
  void key(UINT vk) {
    int n = count();
    if (n == 0) return;
    int i = cur_;
    switch (vk) {
      case VK_UP: i = std::max(0, i - 1); break;
      case VK_DOWN: i = std::min(n - 1, i + 1); break;
      case VK_PRIOR: i = std::max(0, i - std::max(1, visible_rows() - 1)); break;
      case VK_NEXT: i = std::min(n - 1, i + std::max(1, visible_rows() - 1)); break;
      case VK_HOME: i = 0; break;
      case VK_END: i = n - 1; break;
      case VK_RETURN:
        if (combo_) SendMessage(owner_combo_, kComboListPicked, static_cast<WPARAM>(cur_), 1);
        return;
      case VK_ESCAPE:
        if (combo_) SendMessage(owner_combo_, kComboListPicked, static_cast<WPARAM>(cur_), 0);
        return;
      case VK_SPACE:
        if (multi() && cur_ >= 0) user_pick(cur_, true);
        return;
      default: return;
    }
    if (i < 0) i = 0;
    if (combo_) {
      select_single(i);
      ensure_visible(i);
      return;
    }
    if (!multi()) user_pick(i, false);
    else {
      cur_ = i;
      ensure_visible(i);
      redraw();
    }
  }
  // The dropped list of a combo box: hot tracking under the mouse, a release inside picks, a press
  // outside cancels.
  LRESULT combo_mouse(UINT msg, LPARAM lp) {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    RECT r;
    GetClientRect(hwnd_, &r);
    bool inside = p.x >= 0 && p.y >= 0 && p.x < r.right && p.y < r.bottom;
    int i = inside ? index_at(p.y) : -1;
    switch (msg) {
      case WM_MOUSEMOVE:
        if (i >= 0) select_single(i);
        return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        seen_down_ = true;
        // A press on the list's own scroll bar scrolls it (through the non-client press, which
        // tracks the bar); the list stays down and takes the mouse back afterwards.
        POINT screen = p;
        ClientToScreen(hwnd_, &screen);
        SCROLLBARINFO bar;
        if (!inside && GetScrollBarInfo(hwnd_, OBJID_VSCROLL, &bar) && !(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE) &&
            gdi::PtInRect(&bar.rcScrollBar, screen)) {
          HWND self = hwnd_;
          SendMessage(self, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
          if (IsWindow(self) && IsWindowVisible(self)) SetCapture(self);
          return 0;
        }
        if (!inside) SendMessage(owner_combo_, kComboListPicked, static_cast<WPARAM>(cur_), 0);
        return 0;
      }
      case WM_LBUTTONUP:
        if (i >= 0) {
          select_single(i);
          SendMessage(owner_combo_, kComboListPicked, static_cast<WPARAM>(i), 1);
        } else if (seen_down_) {
          SendMessage(owner_combo_, kComboListPicked, static_cast<WPARAM>(cur_), 0);
        }
        return 0;
      default: return 0;
    }
  }

  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    HWND p = notify_target();
    auto brush = reinterpret_cast<HBRUSH>(p ? SendMessage(p, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)) : 0);
    gdi::FillRect(dc, &r, brush ? brush : gdi::GetSysColorBrush(gdi::COLOR_WINDOW));
    bool focused = GetFocus() == hwnd_;
    for (int i = top_; i < count(); ++i) {
      RECT ir = item_rect(i);
      if (ir.top >= r.bottom) break;
      const Item& it = items_[static_cast<std::size_t>(i)];
      bool sel = multi() ? it.selected : i == cur_;
      if (owner_draw()) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = combo_ ? ODT_COMBOBOX : ODT_LISTBOX;
        dis.CtlID = static_cast<UINT>(notify_id());
        dis.itemID = static_cast<UINT>(i);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (sel ? ODS_SELECTED : 0) | (focused && i == cur_ ? ODS_FOCUS : 0) |
                        (IsWindowEnabled(hwnd_) ? 0 : ODS_DISABLED);
        dis.hwndItem = hwnd_;
        dis.hDC = dc;
        dis.rcItem = ir;
        dis.itemData = it.data;
        if (p) SendMessage(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        continue;
      }
      if (sel) fill(dc, ir, gdi::COLOR_HIGHLIGHT);
      RECT tr = ir;
      tr.left += 2;
      draw_text(dc, it.text, tr, gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX | gdi::DT_EXPANDTABS,
                !IsWindowEnabled(hwnd_) ? gdi::COLOR_GRAYTEXT : sel ? gdi::COLOR_HIGHLIGHTTEXT : gdi::COLOR_WINDOWTEXT);
      if (focused && i == cur_) gdi::DrawFocusRect(dc, &ir);
    }
  }

  std::vector<Item> items_;
  int cur_ = -1, top_ = 0, item_height_ = 16;
  bool combo_ = false, dragging_ = false, seen_down_ = false, vscroll_ = false;
  HWND owner_combo_ = nullptr;
};

class ComboBox : public Control {
public:
  using Control::Control;

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_NCCREATE: {
        // The scroll-bar styles are the list's: the box itself has no bars of its own.
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        SetWindowLongPtr(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(cs->style & ~(WS_VSCROLL | WS_HSCROLL)));
        return DefWindowProc(hwnd_, msg, wp, lp);
      }
      case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        item_height_ = text_height(nullptr) + 2;
        DWORD lb_style = WS_VSCROLL | LBS_COMBOBOX | LBS_NOTIFY;
        if (cs->style & CBS_OWNERDRAWFIXED) lb_style |= LBS_OWNERDRAWFIXED;
        if (cs->style & CBS_OWNERDRAWVARIABLE) lb_style |= LBS_OWNERDRAWVARIABLE;
        if (cs->style & CBS_HASSTRINGS) lb_style |= LBS_HASSTRINGS;
        if (cs->style & CBS_SORT) lb_style |= LBS_SORT;
        RECT r;
        GetClientRect(hwnd_, &r);
        if (kind() == CBS_SIMPLE) {
          list_ = CreateWindowEx(WS_EX_CLIENTEDGE, "ComboLBox", "", lb_style | WS_CHILD | WS_VISIBLE, 0, item_height_ + 4,
                                 r.right, std::max<int>(0, r.bottom - item_height_ - 4), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kListId)), nullptr, nullptr);
        } else {
          list_ = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "ComboLBox", "", lb_style | WS_POPUP | WS_BORDER, 0, 0,
                                 r.right, 100, hwnd_, nullptr, nullptr, nullptr);
        }
        if (kind() != CBS_DROPDOWNLIST) {
          RECT er = item_rect();
          DWORD es = WS_CHILD | WS_VISIBLE | (cs->style & CBS_AUTOHSCROLL ? ES_AUTOHSCROLL : 0);
          edit_ = CreateWindowEx(0, "Edit", "", es, er.left, er.top, er.right - er.left, er.bottom - er.top, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kEditId)), nullptr, nullptr);
        }
        return (list_ && (edit_ || kind() == CBS_DROPDOWNLIST)) ? 0 : -1;
      }
      case WM_DESTROY:
        if (list_) DestroyWindow(list_);
        list_ = nullptr;
        return 0;
      case WM_SIZE: {
        if (edit_) {
          RECT er = item_rect();
          MoveWindow(edit_, er.left, er.top, er.right - er.left, er.bottom - er.top, TRUE);
        }
        return 0;
      }
      case WM_SETFONT:
        DefWindowProc(hwnd_, msg, wp, lp);
        if (edit_) SendMessage(edit_, WM_SETFONT, wp, lp);
        if (list_) SendMessage(list_, WM_SETFONT, wp, lp);
        if (lp) redraw();
        return 0;
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case WM_SETFOCUS:
        if (edit_) {
          SetFocus(edit_);
        } else {
          redraw();
          command(CBN_SETFOCUS);
        }
        return 0;
      case WM_KILLFOCUS: {
        HWND to = reinterpret_cast<HWND>(wp);
        if (to == edit_ || to == list_) return 0;
        if (dropped_) close_up(false);
        redraw();
        command(CBN_KILLFOCUS);
        return 0;
      }
      case WM_ENABLE:
        if (edit_) EnableWindow(edit_, wp != 0);
        redraw();
        return 0;
      case WM_COMMAND:
        if (reinterpret_cast<HWND>(lp) == edit_ && edit_) {
          switch (HIWORD(wp)) {
            case EN_CHANGE: if (!quiet_) command(CBN_EDITCHANGE); break;
            case EN_UPDATE: if (!quiet_) command(CBN_EDITUPDATE); break;
            case EN_SETFOCUS: command(CBN_SETFOCUS); break;
            case EN_KILLFOCUS: {
              HWND f = GetFocus();
              if (f != hwnd_ && f != list_) {
                if (dropped_) close_up(false);
                command(CBN_KILLFOCUS);
              }
              break;
            }
            default: break;
          }
        }
        return 0;
      case kComboListPicked: {
        if (lp) {
          int before = sel_;
          set_selection(static_cast<int>(wp));
          command(CBN_SELENDOK);
          close_up(true);
          if (sel_ != before) command(CBN_SELCHANGE);
        } else {
          close_up(false);
        }
        return 0;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        if (!IsWindowEnabled(hwnd_)) return 0;
        SetFocus(edit_ ? edit_ : hwnd_);
        if (kind() == CBS_SIMPLE) return 0;
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT b = button_rect();
        bool on_button = p.x >= b.left && p.x < b.right && p.y >= b.top && p.y < b.bottom;
        if (on_button || kind() == CBS_DROPDOWNLIST) {
          if (dropped_) close_up(false);
          else drop_down();
        }
        return 0;
      }
      case WM_MOUSEWHEEL:
        if (!dropped_) step(GET_WHEEL_DELTA_WPARAM(wp) > 0 ? -1 : 1);
        return 0;
      case WM_KEYDOWN: {
        UINT vk = static_cast<UINT>(wp);
        if (vk == VK_F4 || ((vk == VK_DOWN || vk == VK_UP) && GetKeyState(VK_MENU) < 0)) {
          if (dropped_) SendMessage(hwnd_, kComboListPicked, static_cast<WPARAM>(list()->current()), 1);
          else drop_down();
          return 0;
        }
        if (dropped_) {
          SendMessage(list_, WM_KEYDOWN, wp, lp);
          return 0;
        }
        switch (vk) {
          case VK_UP: step(-1); break;
          case VK_DOWN: step(1); break;
          case VK_HOME: step(-0x10000); break;
          case VK_END: step(0x10000); break;
          default: break;
        }
        return 0;
      }
      case WM_SYSKEYDOWN:
        if ((wp == VK_DOWN || wp == VK_UP) && (lp & (1 << 29))) {
          if (dropped_) SendMessage(hwnd_, kComboListPicked, static_cast<WPARAM>(list()->current()), 1);
          else drop_down();
          return 0;
        }
        break;
      case WM_CHAR:
        if (!edit_ && wp >= 0x20) {
          // Typing in a drop-down list jumps to the next item starting with the character.
          std::string s;
          core::append_utf8(s, static_cast<char32_t>(wp));
          int i = static_cast<int>(SendMessage(list_, LB_FINDSTRING, static_cast<WPARAM>(sel_), reinterpret_cast<LPARAM>(s.c_str())));
          if (i >= 0 && i != sel_) {
            set_selection(i);
            command(CBN_SELCHANGE);
          }
        }
        return 0;
      // Item messages go to the list.
      case CB_ADDSTRING: return forward(LB_ADDSTRING, wp, lp);
      case CB_INSERTSTRING: return forward(LB_INSERTSTRING, wp, lp);
      case CB_DELETESTRING: {
        LRESULT r = forward(LB_DELETESTRING, wp, lp);
        if (r >= 0) {
          if (static_cast<int>(wp) == sel_) set_selection(-1);
          else if (static_cast<int>(wp) < sel_) --sel_;
        }
        return r;
      }
      case CB_GETCOUNT: return forward(LB_GETCOUNT, wp, lp);
      case CB_GETLBTEXT: return forward(LB_GETTEXT, wp, lp);
      case CB_GETLBTEXTLEN: return forward(LB_GETTEXTLEN, wp, lp);
      case CB_GETITEMDATA: return forward(LB_GETITEMDATA, wp, lp);
      case CB_SETITEMDATA: return forward(LB_SETITEMDATA, wp, lp);
      case CB_FINDSTRING: return forward(LB_FINDSTRING, wp, lp);
      case CB_FINDSTRINGEXACT: return forward(LB_FINDSTRINGEXACT, wp, lp);
      case CB_GETTOPINDEX: return forward(LB_GETTOPINDEX, wp, lp);
      case CB_SETTOPINDEX: return forward(LB_SETTOPINDEX, wp, lp);
      case CB_RESETCONTENT:
        forward(LB_RESETCONTENT, 0, 0);
        sel_ = -1;
        if (!edit_) set_text("");
        redraw();
        return CB_OKAY;
      case CB_SELECTSTRING: {
        LRESULT i = forward(LB_FINDSTRING, wp, lp);
        if (i >= 0) set_selection(static_cast<int>(i));
        return i;
      }
      case CB_GETCURSEL: return sel_;
      case CB_SETCURSEL: {
        auto i = static_cast<int>(wp);
        if (i < -1 || i >= static_cast<int>(forward(LB_GETCOUNT, 0, 0))) {
          set_selection(-1);
          return CB_ERR;
        }
        set_selection(i);
        return i < 0 ? CB_ERR : i;
      }
      case CB_GETITEMHEIGHT:
        return static_cast<int>(wp) == -1 ? item_height_ : forward(LB_GETITEMHEIGHT, wp, lp);
      case CB_SETITEMHEIGHT:
        if (static_cast<int>(wp) == -1) {
          item_height_ = LOWORD(static_cast<std::uintptr_t>(lp));
          redraw();
          return 0;
        }
        return forward(LB_SETITEMHEIGHT, wp, lp);
      case CB_SHOWDROPDOWN:
        if (wp && !dropped_) drop_down();
        else if (!wp && dropped_) close_up(false);
        return TRUE;
      case CB_GETDROPPEDSTATE: return dropped_;
      case CB_GETDROPPEDCONTROLRECT: {
        RECT r;
        GetWindowRect(hwnd_, &r);
        r.bottom = r.top + dropped_height();
        r.right = r.left + std::max<int>(r.right - r.left, dropped_width_);
        *reinterpret_cast<RECT*>(lp) = r;
        return TRUE;
      }
      case CB_GETDROPPEDWIDTH: {
        RECT r;
        GetWindowRect(hwnd_, &r);
        return std::max<int>(r.right - r.left, dropped_width_);
      }
      case CB_SETDROPPEDWIDTH: dropped_width_ = static_cast<int>(wp); return dropped_width_;
      case CB_GETEDITSEL: return edit_ ? SendMessage(edit_, EM_GETSEL, wp, lp) : CB_ERR;
      case CB_SETEDITSEL:
        return edit_ ? (SendMessage(edit_, EM_SETSEL, static_cast<WPARAM>(static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lp)))),
                                    static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lp)))), TRUE)
                     : CB_ERR;
      case CB_LIMITTEXT: return edit_ ? (SendMessage(edit_, EM_LIMITTEXT, wp, 0), TRUE) : CB_ERR;
      case CB_GETCOMBOBOXINFO: return info(reinterpret_cast<COMBOBOXINFO*>(lp));
      case WM_SETTEXT: {
        const char* s = reinterpret_cast<const char*>(lp);
        if (edit_) {
          set_text(s ? s : "");
          return TRUE;
        }
        int i = static_cast<int>(forward(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), lp));
        if (i < 0) return CB_ERR;
        set_selection(i);
        return TRUE;
      }
      case WM_GETTEXT:
      case WM_GETTEXTLENGTH:
        if (edit_) return SendMessage(edit_, msg, wp, lp);
        return DefWindowProc(hwnd_, msg, wp, lp);
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

  BOOL info(COMBOBOXINFO* out) const {
    if (!out) return FALSE;
    out->rcItem = item_rect();
    out->rcButton = kind() == CBS_SIMPLE ? RECT{} : button_rect();
    out->stateButton = kind() == CBS_SIMPLE ? STATE_SYSTEM_INVISIBLE : dropped_ ? STATE_SYSTEM_PRESSED : 0;
    out->hwndCombo = hwnd_;
    out->hwndItem = edit_ ? edit_ : hwnd_;
    out->hwndList = list_;
    return TRUE;
  }

private:
  DWORD kind() const { return style() & 3; }
  ListBox* list() const { return static_cast<ListBox*>(control_of(list_)); }
  LRESULT forward(UINT msg, WPARAM wp, LPARAM lp) { return list_ ? SendMessage(list_, msg, wp, lp) : CB_ERR; }
  RECT button_rect() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    int h = kind() == CBS_SIMPLE ? r.bottom : std::min<int>(r.bottom, item_height_ + 6);
    int w = GetSystemMetrics(SM_CXVSCROLL);
    return RECT{r.right - w - 2, 2, r.right - 2, h - 2};
  }
  RECT item_rect() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    if (kind() == CBS_SIMPLE) return RECT{0, 0, r.right, item_height_ + 4};
    int h = std::min<int>(r.bottom, item_height_ + 6);
    return RECT{3, 3, r.right - GetSystemMetrics(SM_CXVSCROLL) - 3, h - 3};
  }
  int dropped_height() const {
    int n = static_cast<int>(SendMessage(list_, LB_GETCOUNT, 0, 0));
    int ih = static_cast<int>(SendMessage(list_, LB_GETITEMHEIGHT, 0, 0));
    RECT r;
    GetWindowRect(hwnd_, &r);
    return (r.bottom - r.top) + std::clamp(n, 1, 8) * ih + 2;
  }
  void set_text(const std::string& s) {
    if (edit_) {
      quiet_ = true;
      SetWindowText(edit_, s);
      quiet_ = false;
    } else {
      DefWindowProc(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
    }
    redraw();
  }
  std::string item_text(int i) {
    if (i < 0) return {};
    LRESULT n = forward(LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0) return {};
    std::string s(static_cast<std::size_t>(n), '\0');
    forward(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(std::strlen(s.c_str()));
    return s;
  }
  void set_selection(int i) {
    sel_ = i;
    SendMessage(list_, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    set_text(item_text(i));
  }
  void step(int delta) {
    int n = static_cast<int>(forward(LB_GETCOUNT, 0, 0));
    if (n == 0) return;
    int i = std::clamp(sel_ < 0 ? (delta > 0 ? 0 : n - 1) : sel_ + delta, 0, n - 1);
    if (sel_ >= 0 && i == sel_) return;
    set_selection(i);
    command(CBN_SELCHANGE);
  }
  void drop_down() {
    if (dropped_ || kind() == CBS_SIMPLE) return;
    command(CBN_DROPDOWN);
    if (!IsWindow(hwnd_)) return;
    RECT r;
    GetWindowRect(hwnd_, &r);
    int w = std::max<int>(r.right - r.left, dropped_width_);
    int h = dropped_height() - (r.bottom - r.top);
    int y = r.bottom;
    if (y + h > GetSystemMetrics(SM_CYSCREEN)) y = r.top - h;  // no room below: open upwards
    SetWindowPos(list_, HWND_TOPMOST, r.left, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    dropped_ = true;
    SendMessage(list_, LBCB_STARTTRACK, static_cast<WPARAM>(sel_), 0);
    redraw();
  }
  void close_up(bool accepted) {
    if (!dropped_) return;
    dropped_ = false;
    if (!accepted) {
      SendMessage(list_, LB_SETCURSEL, static_cast<WPARAM>(sel_), 0);
      command(CBN_SELENDCANCEL);
    }
    if (GetCapture() == list_) ReleaseCapture();
    ShowWindow(list_, SW_HIDE);
    redraw();
    command(CBN_CLOSEUP);
  }

  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    bool enabled = IsWindowEnabled(hwnd_);
    HWND p = parent();
    if (kind() == CBS_SIMPLE) {
      fill(dc, r, gdi::COLOR_BTNFACE);
      return;
    }
    RECT frame{0, 0, r.right, std::min<int>(r.bottom, item_height_ + 6)};
    UINT color_msg = enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
    auto brush = reinterpret_cast<HBRUSH>(p ? SendMessage(p, color_msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_)) : 0);
    gdi::FillRect(dc, &frame, brush ? brush : gdi::GetSysColorBrush(gdi::COLOR_WINDOW));
    frame_3d(dc, frame, true);
    RECT b = button_rect();
    fill(dc, b, gdi::COLOR_BTNFACE);
    frame_3d(dc, b, dropped_);
    // The arrow of the drop button.
    int cx = (b.left + b.right) / 2 + (dropped_ ? 1 : 0), cy = (b.top + b.bottom) / 2 + (dropped_ ? 1 : 0);
    drop_arrow(dc, cx, cy, enabled);
    if (edit_) return;
    RECT ir = item_rect();
    bool focused = GetFocus() == hwnd_ && !dropped_;
    if (style() & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_COMBOBOX;
      dis.CtlID = static_cast<UINT>(id());
      dis.itemID = static_cast<UINT>(sel_);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = ODS_COMBOBOXEDIT | (focused ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
      dis.hwndItem = hwnd_;
      dis.hDC = dc;
      dis.rcItem = ir;
      dis.itemData = sel_ >= 0 ? static_cast<ULONG_PTR>(forward(LB_GETITEMDATA, static_cast<WPARAM>(sel_), 0)) : 0;
      if (p) SendMessage(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
      return;
    }
    if (focused) fill(dc, ir, gdi::COLOR_HIGHLIGHT);
    RECT tr = ir;
    tr.left += 2;
    draw_text(dc, GetWindowText(hwnd_), tr, gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_NOPREFIX,
              !enabled ? gdi::COLOR_GRAYTEXT : focused ? gdi::COLOR_HIGHLIGHTTEXT : gdi::COLOR_WINDOWTEXT);
    if (focused) gdi::DrawFocusRect(dc, &ir);
  }

  HWND list_ = nullptr, edit_ = nullptr;
  int sel_ = -1, item_height_ = 16, dropped_width_ = 0;
  bool dropped_ = false, quiet_ = false;
};

}  // namespace

void register_lists() {
  detail::register_system_class("ListBox", class_proc<ListBox>, CS_DBLCLKS | CS_PARENTDC, nullptr);
  detail::register_system_class("ComboLBox", class_proc<ListBox>, CS_DBLCLKS | CS_SAVEBITS, nullptr);
  detail::register_system_class("ComboBox", class_proc<ComboBox>, CS_DBLCLKS | CS_PARENTDC, nullptr);
}

}  // namespace platform::win::controls

namespace platform::win {
BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info) {
  if (!combo || GetClassName(combo) != "ComboBox") return FALSE;
  return static_cast<BOOL>(SendMessage(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)));
}
}  // namespace platform::win
