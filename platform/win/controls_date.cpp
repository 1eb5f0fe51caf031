// "SysDateTimePick32" and its drop-down calendar "SysMonthCal32".
#include <algorithm>
#include <cstdio>

#include "core/calendar.h"
#include "core/clock.h"

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win::controls {
namespace {

int days_in(int y, int m) { return core::days_in_month(y, m); }
long long day_number(int y, int m, int d) { return core::days_from_civil(y, m, d); }
void from_day_number(long long z, int* y, int* m, int* d) {
  const core::CivilDate c = core::civil_from_days(z);
  *y = static_cast<int>(c.year);
  *m = c.month;
  *d = c.day;
}
int weekday(int y, int m, int d) { return core::day_of_week(day_number(y, m, d)); }  // 0 = Sunday

bool valid(const SYSTEMTIME& t) {
  return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= days_in(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}
void fix_weekday(SYSTEMTIME& t) { t.wDayOfWeek = static_cast<WORD>(weekday(t.wYear, t.wMonth, t.wDay)); }
long long key_of(const SYSTEMTIME& t) {
  return ((((day_number(t.wYear, t.wMonth, t.wDay) * 24 + t.wHour) * 60 + t.wMinute) * 60) + t.wSecond) * 1000 + t.wMilliseconds;
}
SYSTEMTIME today() {
  core::LocalTime lt = core::local_now();
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(lt.year);
  t.wMonth = static_cast<WORD>(lt.month);
  t.wDay = static_cast<WORD>(lt.day);
  t.wHour = static_cast<WORD>(lt.hour);
  t.wMinute = static_cast<WORD>(lt.minute);
  t.wSecond = static_cast<WORD>(lt.second);
  fix_weekday(t);
  return t;
}
SYSTEMTIME add_days(SYSTEMTIME t, int n) {
  int y, m, d;
  from_day_number(day_number(t.wYear, t.wMonth, t.wDay) + n, &y, &m, &d);
  t.wYear = static_cast<WORD>(y), t.wMonth = static_cast<WORD>(m), t.wDay = static_cast<WORD>(d);
  fix_weekday(t);
  return t;
}

class MonthCal : public Control {
public:
  explicit MonthCal(HWND hwnd) : Control(hwnd) {
    sel_ = today();
    shown_year_ = sel_.wYear;
    shown_month_ = sel_.wMonth;
  }

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
      case WM_GETDLGCODE: return DLGC_WANTARROWS;
      case MCM_GETCURSEL:
        if (!lp) return FALSE;
        *reinterpret_cast<SYSTEMTIME*>(lp) = sel_;
        return TRUE;
      case MCM_SETCURSEL: {
        auto* t = reinterpret_cast<const SYSTEMTIME*>(lp);
        if (!t || !valid(*t) || !in_range(*t)) return FALSE;
        set_sel(*t, false);
        return TRUE;
      }
      case MCM_SETRANGE: {
        auto* r = reinterpret_cast<const SYSTEMTIME*>(lp);
        has_min_ = (wp & GDTR_MIN) && r;
        has_max_ = (wp & GDTR_MAX) && r;
        if (has_min_) min_ = r[0];
        if (has_max_) max_ = r[1];
        return TRUE;
      }
      case MCM_GETRANGE: {
        auto* r = reinterpret_cast<SYSTEMTIME*>(lp);
        if (r && has_min_) r[0] = min_;
        if (r && has_max_) r[1] = max_;
        return (has_min_ ? GDTR_MIN : 0) | (has_max_ ? GDTR_MAX : 0);
      }
      case MCM_GETMINREQRECT: {
        if (!lp) return FALSE;
        *reinterpret_cast<RECT*>(lp) = RECT{0, 0, 7 * cell_w() + 4, 8 * cell_h() + 4};
        return TRUE;
      }
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONDOWN: {
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (p.y < cell_h()) {
          // The title row: the arrows at both ends change the month.
          if (p.x < cell_w()) show_month(-1);
          else if (p.x >= 6 * cell_w()) show_month(1);
          return 0;
        }
        SYSTEMTIME t;
        if (date_at(p, &t) && in_range(t)) {
          set_sel(t, true);
          notify_select(MCN_SELECT);
        }
        return 0;
      }
      case WM_KEYDOWN: {
        int step = wp == VK_LEFT ? -1 : wp == VK_RIGHT ? 1 : wp == VK_UP ? -7 : wp == VK_DOWN ? 7 : 0;
        if (step) {
          SYSTEMTIME t = add_days(sel_, step);
          if (in_range(t)) set_sel(t, true);
        } else if (wp == VK_RETURN) {
          notify_select(MCN_SELECT);
        } else if (wp == VK_PRIOR || wp == VK_NEXT) {
          show_month(wp == VK_PRIOR ? -1 : 1);
        }
        return 0;
      }
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

  int cell_w() const { return text_width(font(), "00") + 10; }
  int cell_h() const { return text_height(font()) + 4; }

private:
  bool in_range(const SYSTEMTIME& t) const {
    long long d = day_number(t.wYear, t.wMonth, t.wDay);
    if (has_min_ && d < day_number(min_.wYear, min_.wMonth, min_.wDay)) return false;
    if (has_max_ && d > day_number(max_.wYear, max_.wMonth, max_.wDay)) return false;
    return true;
  }
  void show_month(int delta) {
    int m = shown_month_ - 1 + delta;
    shown_year_ += m < 0 ? -1 : m / 12;
    shown_month_ = (m % 12 + 12) % 12 + 1;
    redraw();
  }
  void set_sel(SYSTEMTIME t, bool by_user) {
    // Only the date part is the calendar's; the time of day stays.
    sel_.wYear = t.wYear, sel_.wMonth = t.wMonth, sel_.wDay = t.wDay;
    fix_weekday(sel_);
    shown_year_ = sel_.wYear;
    shown_month_ = sel_.wMonth;
    redraw();
    if (by_user) notify_select(MCN_SELCHANGE);
  }
  void notify_select(UINT code) {
    NMSELCHANGE n;
    n.stSelStart = n.stSelEnd = sel_;
    notify(&n.nmhdr, code);
  }
  // The first cell shows the Sunday on or before the 1st of the month.
  SYSTEMTIME first_cell() const {
    SYSTEMTIME t;
    t.wYear = static_cast<WORD>(shown_year_), t.wMonth = static_cast<WORD>(shown_month_), t.wDay = 1;
    return add_days(t, -weekday(shown_year_, shown_month_, 1));
  }
  bool date_at(POINT p, SYSTEMTIME* out) const {
    int col = (p.x - 2) / cell_w(), row = (p.y - 2 * cell_h()) / cell_h();
    if (p.x < 2 || col < 0 || col > 6 || p.y < 2 * cell_h() || row > 5) return false;
    *out = add_days(first_cell(), row * 7 + col);
    return true;
  }
  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    fill(dc, r, gdi::COLOR_WINDOW);
    int cw = cell_w(), ch = cell_h();
    RECT title{0, 0, r.right, ch};
    fill(dc, title, gdi::COLOR_ACTIVECAPTION);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d年%d月", shown_year_, shown_month_);
    draw_text(dc, buf, title, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, gdi::COLOR_CAPTIONTEXT);
    draw_text(dc, "<", RECT{0, 0, cw, ch}, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, gdi::COLOR_CAPTIONTEXT);
    draw_text(dc, ">", RECT{6 * cw, 0, r.right, ch}, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, gdi::COLOR_CAPTIONTEXT);
    static const char* names[7] = {"日", "一", "二", "三", "四", "五", "六"};
    for (int c = 0; c < 7; ++c)
      draw_text(dc, names[c], RECT{2 + c * cw, ch, 2 + (c + 1) * cw, 2 * ch}, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE,
                gdi::COLOR_GRAYTEXT);
    SYSTEMTIME t = first_cell();
    for (int row = 0; row < 6; ++row) {
      for (int c = 0; c < 7; ++c, t = add_days(t, 1)) {
        RECT cell{2 + c * cw, (row + 2) * ch, 2 + (c + 1) * cw, (row + 3) * ch};
        bool selected = t.wYear == sel_.wYear && t.wMonth == sel_.wMonth && t.wDay == sel_.wDay;
        if (selected) fill(dc, cell, gdi::COLOR_HIGHLIGHT);
        std::snprintf(buf, sizeof buf, "%d", t.wDay);
        int color = selected ? gdi::COLOR_HIGHLIGHTTEXT
                    : (t.wMonth != shown_month_ || !in_range(t)) ? gdi::COLOR_GRAYTEXT
                                                                 : gdi::COLOR_WINDOWTEXT;
        draw_text(dc, buf, cell, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, color);
      }
    }
  }

  SYSTEMTIME sel_, min_, max_;
  bool has_min_ = false, has_max_ = false;
  int shown_year_ = 2000, shown_month_ = 1;
};

// The fields of the shown text: year, month, day, hour, minute, second.
enum Field { kYear, kMonth, kDay, kHour, kMinute, kSecond, kFieldCount };

class DateTimePicker : public Control {
public:
  explicit DateTimePicker(HWND hwnd) : Control(hwnd) { value_ = today(); }

  LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CREATE:
        field_ = time_format() ? kHour : kYear;
        return 0;
      case WM_DESTROY:
        if (cal_) DestroyWindow(cal_);
        cal_ = nullptr;
        return 0;
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case DTM_GETSYSTEMTIME:
        if (!lp) return GDT_ERROR;
        if (none_) return GDT_NONE;
        *reinterpret_cast<SYSTEMTIME*>(lp) = value_;
        return GDT_VALID;
      case DTM_SETSYSTEMTIME: {
        if (static_cast<LRESULT>(wp) == GDT_NONE) {
          if (!(style() & DTS_SHOWNONE)) return FALSE;
          none_ = true;
          redraw();
          return TRUE;
        }
        auto* t = reinterpret_cast<const SYSTEMTIME*>(lp);
        if (!t || !valid(*t)) return FALSE;
        value_ = clamp(*t);
        fix_weekday(value_);
        none_ = false;
        redraw();
        return TRUE;
      }
      case DTM_SETRANGE: {
        auto* r = reinterpret_cast<const SYSTEMTIME*>(lp);
        if (r && (wp & GDTR_MIN) && !valid(r[0])) return FALSE;
        if (r && (wp & GDTR_MAX) && !valid(r[1])) return FALSE;
        has_min_ = (wp & GDTR_MIN) && r;
        has_max_ = (wp & GDTR_MAX) && r;
        if (has_min_) min_ = r[0];
        if (has_max_) max_ = r[1];
        value_ = clamp(value_);
        redraw();
        return TRUE;
      }
      case DTM_GETRANGE: {
        auto* r = reinterpret_cast<SYSTEMTIME*>(lp);
        if (r && has_min_) r[0] = min_;
        if (r && has_max_) r[1] = max_;
        return (has_min_ ? GDTR_MIN : 0) | (has_max_ ? GDTR_MAX : 0);
      }
      case DTM_SETFORMATA: {
        const char* f = reinterpret_cast<const char*>(lp);
        format_ = f ? f : "";
        redraw();
        return TRUE;
      }
      case DTM_GETMONTHCAL: return reinterpret_cast<LRESULT>(dropped_ ? cal_ : nullptr);
      case DTM_SETMCCOLOR: return 0;
      case DTM_GETMCCOLOR: return -1;
      case DTM_SETMCFONT: mc_font_ = reinterpret_cast<HFONT>(wp); return 0;
      case DTM_GETMCFONT: return reinterpret_cast<LRESULT>(mc_font_);
      case WM_NOTIFY: {
        auto* h = reinterpret_cast<NMHDR*>(lp);
        if (h && h->hwndFrom == cal_ && (h->code == MCN_SELECT)) {
          auto* sc = reinterpret_cast<NMSELCHANGE*>(lp);
          SYSTEMTIME t = value_;
          t.wYear = sc->stSelStart.wYear, t.wMonth = sc->stSelStart.wMonth, t.wDay = sc->stSelStart.wDay;
          close_up();
          user_set(t);
        }
        return 0;
      }
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONDOWN: {
        SetFocus(hwnd_);
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT b = button_rect();
        if (p.x >= b.left && p.x < b.right) {
          if (style() & DTS_UPDOWN) step(p.y < (b.top + b.bottom) / 2 ? 1 : -1);
          else if (dropped_) close_up();
          else drop_down();
          return 0;
        }
        if (dropped_) close_up();
        int f = field_at(p.x);
        if (f >= 0) {
          field_ = static_cast<Field>(f);
          typed_ = 0;
          redraw();
        }
        return 0;
      }
      case WM_KEYDOWN:
        if (dropped_) {
          if (wp == VK_ESCAPE) close_up();
          else SendMessage(cal_, WM_KEYDOWN, wp, lp);
          return 0;
        }
        switch (wp) {
          case VK_UP: step(1); break;
          case VK_DOWN: step(-1); break;
          case VK_LEFT: move_field(-1); break;
          case VK_RIGHT: move_field(1); break;
          case VK_F4: drop_down(); break;
          default: break;
        }
        return 0;
      case WM_SYSKEYDOWN:
        if (wp == VK_DOWN) {
          drop_down();
          return 0;
        }
        break;
      case WM_CHAR:
        if (wp >= '0' && wp <= '9') type_digit(static_cast<int>(wp - '0'));
        return 0;
      case WM_KILLFOCUS:
        typed_ = 0;
        if (dropped_ && reinterpret_cast<HWND>(wp) != cal_) close_up();
        redraw();
        {
          NMHDR h;
          notify(&h, NM_KILLFOCUS);
        }
        return 0;
      case WM_SETFOCUS: {
        redraw();
        NMHDR h;
        notify(&h, NM_SETFOCUS);
        return 0;
      }
      case WM_ENABLE: redraw(); return 0;
      case WM_GETTEXT:
      case WM_GETTEXTLENGTH: {
        std::string s = text();
        if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(s.size());
        return copy_out(s, reinterpret_cast<char*>(lp), static_cast<int>(wp));
      }
      default: break;
    }
    return painted_proc(msg, wp, lp);
  }

private:
  bool time_format() const { return (style() & DTS_TIMEFORMAT) == DTS_TIMEFORMAT; }
  SYSTEMTIME clamp(SYSTEMTIME t) const {
    if (has_min_ && key_of(t) < key_of(min_)) t = min_;
    if (has_max_ && key_of(t) > key_of(max_)) t = max_;
    return t;
  }
  // The text pieces with their field, in order.
  std::vector<std::pair<std::string, int>> pieces() const {
    std::vector<std::pair<std::string, int>> v;
    const SYSTEMTIME& t = value_;
    auto num = [](int n, int width) {
      char b[16];
      std::snprintf(b, sizeof b, "%0*d", width, n);
      return std::string(b);
    };
    std::string f = !format_.empty() ? format_ : time_format() ? "H:mm:ss" : (style() & DTS_LONGDATEFORMAT) ? "yyyy'年'M'月'd'日'" : "yyyy-MM-dd";
    for (std::size_t i = 0; i < f.size();) {
      char c = f[i];
      std::size_t n = 1;
      while (i + n < f.size() && f[i + n] == c) ++n;
      if (c == '\'') {
        std::size_t end = f.find('\'', i + 1);
        if (end == std::string::npos) end = f.size();
        v.emplace_back(f.substr(i + 1, end - i - 1), -1);
        i = end + 1;
        continue;
      }
      switch (c) {
        case 'y': v.emplace_back(n >= 3 ? num(t.wYear, 4) : num(t.wYear % 100, 2), kYear); break;
        case 'M': v.emplace_back(num(t.wMonth, n >= 2 ? 2 : 1), kMonth); break;
        case 'd': v.emplace_back(num(t.wDay, n >= 2 ? 2 : 1), kDay); break;
        case 'H':
        case 'h': v.emplace_back(num(c == 'h' ? (t.wHour + 11) % 12 + 1 : t.wHour, n >= 2 ? 2 : 1), kHour); break;
        case 'm': v.emplace_back(num(t.wMinute, n >= 2 ? 2 : 1), kMinute); break;
        case 's': v.emplace_back(num(t.wSecond, n >= 2 ? 2 : 1), kSecond); break;
        default: v.emplace_back(f.substr(i, n), -1); break;
      }
      i += n;
    }
    return v;
  }
  std::string text() const {
    std::string s;
    for (auto& p : pieces()) s += p.first;
    return s;
  }
  RECT button_rect() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return RECT{r.right - GetSystemMetrics(SM_CXVSCROLL), 0, r.right, r.bottom};
  }
  int text_left() const { return (style() & DTS_SHOWNONE) ? 18 : 3; }
  int field_at(int x) const {
    int pos = text_left();
    for (auto& p : pieces()) {
      int w = text_width(font(), p.first);
      if (x >= pos && x < pos + w && p.second >= 0) return p.second;
      pos += w;
    }
    return -1;
  }
  void move_field(int d) {
    std::vector<int> fields;
    for (auto& p : pieces())
      if (p.second >= 0) fields.push_back(p.second);
    auto it = std::find(fields.begin(), fields.end(), static_cast<int>(field_));
    if (fields.empty()) return;
    std::size_t i = it == fields.end() ? 0 : static_cast<std::size_t>(it - fields.begin());
    i = (i + fields.size() + static_cast<std::size_t>(d + static_cast<int>(fields.size()))) % fields.size();
    field_ = static_cast<Field>(fields[i]);
    typed_ = 0;
    redraw();
  }
  // Up and down change the current field, wrapping inside it as a spin would.
  void step(int d) {
    SYSTEMTIME t = value_;
    auto wrap = [](int v, int lo, int hi) { return lo + ((v - lo) % (hi - lo + 1) + (hi - lo + 1)) % (hi - lo + 1); };
    switch (field_) {
      case kYear: t.wYear = static_cast<WORD>(std::clamp(t.wYear + d, 1601, 9999)); break;
      case kMonth: t.wMonth = static_cast<WORD>(wrap(t.wMonth + d, 1, 12)); break;
      case kDay: t.wDay = static_cast<WORD>(wrap(t.wDay + d, 1, days_in(t.wYear, t.wMonth))); break;
      case kHour: t.wHour = static_cast<WORD>(wrap(t.wHour + d, 0, 23)); break;
      case kMinute: t.wMinute = static_cast<WORD>(wrap(t.wMinute + d, 0, 59)); break;
      case kSecond: t.wSecond = static_cast<WORD>(wrap(t.wSecond + d, 0, 59)); break;
      default: break;
    }
    t.wDay = static_cast<WORD>(std::min<int>(t.wDay, days_in(t.wYear, t.wMonth)));
    user_set(t);
  }
  // Digits typed into a field build its number; a full field moves on to the next one.
  void type_digit(int digit) {
    SYSTEMTIME t = value_;
    int width = field_ == kYear ? 4 : 2;
    typed_ = typed_ * 10 + digit;
    ++typed_count_;
    if (typed_count_ == 1) typed_ = digit;
    int v = typed_;
    // A field is complete when it has all its digits or no further digit could keep it valid.
    int field_max = field_ == kMonth ? 12 : field_ == kDay ? days_in(t.wYear, t.wMonth) : field_ == kHour ? 23 : 59;
    bool complete = typed_count_ >= width || (field_ != kYear && v * 10 > field_max);
    switch (field_) {
      case kYear:
        if (!complete) {
          redraw();
          return;
        }
        t.wYear = static_cast<WORD>(std::clamp(v, 1601, 9999));
        break;
      case kMonth: if (v < 1 || v > 12) { typed_count_ = 0; return; } t.wMonth = static_cast<WORD>(v); break;
      case kDay: if (v < 1 || v > days_in(t.wYear, t.wMonth)) { typed_count_ = 0; return; } t.wDay = static_cast<WORD>(v); break;
      case kHour: if (v > 23) { typed_count_ = 0; return; } t.wHour = static_cast<WORD>(v); break;
      case kMinute: if (v > 59) { typed_count_ = 0; return; } t.wMinute = static_cast<WORD>(v); break;
      case kSecond: if (v > 59) { typed_count_ = 0; return; } t.wSecond = static_cast<WORD>(v); break;
      default: break;
    }
    t.wDay = static_cast<WORD>(std::min<int>(t.wDay, days_in(t.wYear, t.wMonth)));
    user_set(t);
    if (complete) {
      typed_ = typed_count_ = 0;
      move_field(1);
    }
  }
  void user_set(SYSTEMTIME t) {
    t = clamp(t);
    fix_weekday(t);
    bool changed = key_of(t) != key_of(value_) || none_;
    value_ = t;
    none_ = false;
    redraw();
    if (!changed) return;
    NMDATETIMECHANGE n;
    n.dwFlags = GDT_VALID;
    n.st = value_;
    notify(&n.nmhdr, DTN_DATETIMECHANGE);
  }
  void drop_down() {
    if (dropped_ || (style() & DTS_UPDOWN) || time_format()) return;
    if (!cal_) {
      cal_ = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "SysMonthCal32", "", WS_POPUP | WS_BORDER, 0, 0, 10, 10, hwnd_,
                            nullptr, nullptr, nullptr);
      if (!cal_) return;
      set_notify_target(cal_, hwnd_);
    }
    SendMessage(cal_, WM_SETFONT, reinterpret_cast<WPARAM>(mc_font_ ? mc_font_ : font()), FALSE);
    SYSTEMTIME range[2] = {min_, max_};
    SendMessage(cal_, MCM_SETRANGE, (has_min_ ? GDTR_MIN : 0) | (has_max_ ? GDTR_MAX : 0), reinterpret_cast<LPARAM>(range));
    SendMessage(cal_, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&value_));
    NMHDR h;
    notify(&h, DTN_DROPDOWN);
    RECT need;
    SendMessage(cal_, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need));
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    int w = need.right + 2, hgt = need.bottom + 2;
    int x = (style() & DTS_RIGHTALIGN) ? wr.right - w : wr.left;
    SetWindowPos(cal_, HWND_TOPMOST, x, wr.bottom, w, hgt, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    dropped_ = true;
    redraw();
  }
  void close_up() {
    if (!dropped_) return;
    dropped_ = false;
    ShowWindow(cal_, SW_HIDE);
    redraw();
    NMHDR h;
    notify(&h, DTN_CLOSEUP);
  }

  void paint(HDC dc) override {
    RECT r;
    GetClientRect(hwnd_, &r);
    bool enabled = IsWindowEnabled(hwnd_);
    fill(dc, r, enabled ? gdi::COLOR_WINDOW : gdi::COLOR_BTNFACE);
    frame_3d(dc, r, true);
    if (style() & DTS_SHOWNONE) {
      RECT box{4, (r.bottom - 11) / 2, 15, (r.bottom - 11) / 2 + 11};
      frame_3d(dc, box, true);
      if (!none_) {
        RECT mark{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
        fill(dc, mark, gdi::COLOR_WINDOWTEXT);
      }
    }
    int x = text_left();
    bool focused = GetFocus() == hwnd_;
    int th = text_height(font());
    int y = (r.bottom - th) / 2;
    for (auto& p : pieces()) {
      int w = text_width(font(), p.first);
      bool cur = focused && p.second == field_;
      if (cur) fill(dc, RECT{x, y, x + w, y + th}, gdi::COLOR_HIGHLIGHT);
      gdi::SetTextColor(dc, gdi::GetSysColor(!enabled || none_ ? gdi::COLOR_GRAYTEXT : cur ? gdi::COLOR_HIGHLIGHTTEXT : gdi::COLOR_WINDOWTEXT));
      gdi::TextOut(dc, x, y, p.first);
      x += w;
    }
    RECT b = button_rect();
    b.top += 2, b.bottom -= 2, b.right -= 2;
    fill(dc, b, gdi::COLOR_BTNFACE);
    if (style() & DTS_UPDOWN) {
      RECT up{b.left, b.top, b.right, (b.top + b.bottom) / 2}, down{b.left, (b.top + b.bottom) / 2, b.right, b.bottom};
      frame_3d(dc, up, false);
      frame_3d(dc, down, false);
      return;
    }
    frame_3d(dc, b, dropped_);
    int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    drop_arrow(dc, cx, cy, enabled);
  }

  SYSTEMTIME value_, min_, max_;
  bool has_min_ = false, has_max_ = false, none_ = false, dropped_ = false;
  Field field_ = kYear;
  int typed_ = 0, typed_count_ = 0;
  std::string format_;
  HWND cal_ = nullptr;
  HFONT mc_font_ = nullptr;
};

}  // namespace

void register_date_controls() {
  detail::register_system_class("SysMonthCal32", class_proc<MonthCal>, CS_DBLCLKS, nullptr);
  detail::register_system_class("SysDateTimePick32", class_proc<DateTimePicker>, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr);
}

}  // namespace platform::win::controls
