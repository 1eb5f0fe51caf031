// Registration of the standard controls and the helpers they share.
#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win {

void InitControls() {
  using namespace controls;
  register_button_and_static();
  register_edit();
  register_lists();
  register_common_controls();
  register_date_controls();
  register_dialogs();
  register_scroll_bar();
  register_menu_class();
  // The frame hooks go in only where none are set: a skin that replaced them keeps its own.
  const NonClientExtensions& current = detail::state().ext;
  if (current.menu_bar_height || current.paint_menu_bar || current.paint_scroll_bars || current.nonclient_request) return;
  NonClientExtensions ext;
  install_menus(ext);
  install_scroll_bars(ext);
  SetNonClientExtensions(std::move(ext));
}

namespace controls {

Control* control_of(HWND hwnd) { return static_cast<Control*>(GetProp(hwnd, "thc.control")); }

void set_notify_target(HWND popup, HWND target) {
  if (Control* c = control_of(popup)) c->notify_target_ = target;
}

void Control::command(UINT code) const {
  HWND p = parent();
  if (p) SendMessage(p, WM_COMMAND, MAKEWPARAM(id(), static_cast<int>(code)), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT Control::notify(NMHDR* header, UINT code) const {
  header->hwndFrom = hwnd_;
  header->idFrom = static_cast<ULONG_PTR>(id());
  header->code = code;
  HWND p = parent();
  return p ? SendMessage(p, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header)) : 0;
}

void fill(HDC dc, const RECT& r, int sys_color) {
  gdi::FillRect(dc, &r, gdi::GetSysColorBrush(sys_color));
}

void frame_3d(HDC dc, RECT r, bool sunken) {
  gdi::DrawEdge(dc, &r, sunken ? gdi::EDGE_SUNKEN : gdi::EDGE_RAISED, gdi::BF_RECT);
}

void drop_arrow(HDC dc, int cx, int cy, bool enabled) {
  POINT tri[3] = {{cx - 3, cy - 1}, {cx + 4, cy - 1}, {cx, cy + 3}};
  HGDIOBJ old_brush = gdi::SelectObject(dc, gdi::GetSysColorBrush(enabled ? gdi::COLOR_BTNTEXT : gdi::COLOR_GRAYTEXT));
  HGDIOBJ old_pen = gdi::SelectObject(dc, gdi::GetStockObject(gdi::NULL_PEN));
  gdi::Polygon(dc, tri, 3);
  gdi::SelectObject(dc, old_pen);
  gdi::SelectObject(dc, old_brush);
}

void draw_text(HDC dc, std::string_view text, RECT r, UINT format, int sys_color) {
  gdi::SetTextColor(dc, gdi::GetSysColor(sys_color));
  gdi::DrawText(dc, text, &r, format);
}

HFONT default_gui_font() {
  // One font per message-font setting, kept for the life of the program (fonts are shared handles).
  static std::map<std::tuple<std::string, int, int>, HFONT> cache;
  NONCLIENTMETRICS m;
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
  const gdi::LOGFONT& lf = m.lfMessageFont;
  auto key = std::make_tuple(std::string(lf.lfFaceName), static_cast<int>(lf.lfHeight), static_cast<int>(lf.lfWeight));
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  HFONT f = gdi::CreateFontIndirect(&lf);
  cache.emplace(key, f);
  return f;
}

PaintDc::PaintDc(HWND hwnd, HFONT font) : hwnd_(hwnd) {
  dc_ = BeginPaint(hwnd, &ps_);
  old_font_ = gdi::SelectObject(dc_, font ? font : default_gui_font());
  gdi::SetBkMode(dc_, gdi::TRANSPARENT);
}

PaintDc::~PaintDc() {
  gdi::SelectObject(dc_, old_font_);
  EndPaint(hwnd_, &ps_);
}

namespace {
template <class F>
auto with_screen_dc(HFONT font, F&& f) {
  HDC dc = gdi::CreateCompatibleDC(nullptr);
  HGDIOBJ old = gdi::SelectObject(dc, font ? font : default_gui_font());
  auto r = f(dc);
  gdi::SelectObject(dc, old);
  gdi::DeleteDC(dc);
  return r;
}
}  // namespace

int text_height(HFONT font) {
  return with_screen_dc(font, [](HDC dc) {
    gdi::TEXTMETRIC tm;
    gdi::GetTextMetrics(dc, &tm);
    return static_cast<int>(tm.tmHeight);
  });
}

int text_width(HFONT font, std::string_view text) {
  return with_screen_dc(font, [&](HDC dc) {
    SIZE s{};
    gdi::GetTextExtentPoint32(dc, text, &s);
    return static_cast<int>(s.cx);
  });
}

std::vector<HWND> tab_order(HWND parent) {
  std::vector<HWND> v;
  for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) v.push_back(h);
  std::reverse(v.begin(), v.end());
  return v;
}

LRESULT Control::painted_proc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      // A DC in wParam: paint into it (a print of the client area) instead of the update region.
      if (HDC given = reinterpret_cast<HDC>(wp)) {
        const int saved = gdi::SaveDC(given);
        gdi::SelectObject(given, font() ? font() : default_gui_font());
        gdi::SetBkMode(given, gdi::TRANSPARENT);
        paint(given);
        gdi::RestoreDC(given, saved);
        return 0;
      }
      PaintDc pdc(hwnd_, font());
      paint(pdc.dc());
      return 0;
    }
    default: return DefWindowProc(hwnd_, msg, wp, lp);
  }
}

LRESULT copy_out(const std::string& s, char* out) {
  if (out) {
    std::memcpy(out, s.data(), s.size());
    out[s.size()] = 0;
  }
  return static_cast<LRESULT>(s.size());
}

LRESULT copy_out(const std::string& s, char* out, int size) {
  if (!out || size <= 0) return 0;
  std::size_t n = std::min<std::size_t>(s.size(), static_cast<std::size_t>(size - 1));
  // Never cut a UTF-8 sequence in half.
  while (n > 0 && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  std::memcpy(out, s.data(), n);
  out[n] = 0;
  return static_cast<LRESULT>(n);
}

}  // namespace controls
}  // namespace platform::win
