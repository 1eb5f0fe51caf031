// Shared pieces of the standard controls: per-window state objects bound to the window through a
// class procedure, notifications to the parent, and the plain default look.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/controls.h"

namespace platform::win::controls {

// The state of one control window. The class procedure creates it on WM_NCCREATE and deletes it
// after WM_NCDESTROY; `proc` sees every message in between.
class Control {
public:
  explicit Control(HWND hwnd) : hwnd_(hwnd) {}
  virtual ~Control() = default;
  virtual LRESULT proc(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProc(hwnd_, msg, wp, lp); }
  HWND hwnd() const { return hwnd_; }

protected:
  DWORD style() const { return static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_STYLE)); }
  int id() const { return GetDlgCtrlID(hwnd_); }
  HWND parent() const { return notify_target_ ? notify_target_ : GetParent(hwnd_); }
  // WM_COMMAND with the control's id and `code` to the parent.
  void command(UINT code) const;
  // WM_NOTIFY with the header filled in; answers the parent's reply.
  LRESULT notify(NMHDR* header, UINT code) const;
  void redraw() const { InvalidateRect(hwnd_, nullptr, TRUE); }
  HFONT font() const { return reinterpret_cast<HFONT>(SendMessage(hwnd_, WM_GETFONT, 0, 0)); }
  // For controls that draw their whole client area: the background is not erased, WM_PAINT calls
  // paint() with the control's font selected, and everything else goes to DefWindowProc.
  LRESULT painted_proc(UINT msg, WPARAM wp, LPARAM lp);
  virtual void paint(HDC) {}

  HWND hwnd_;
  HWND notify_target_ = nullptr;  // set for popups that work for a child (calendar of a picker)

  friend void set_notify_target(HWND popup, HWND target);
};

// Makes `popup` (a control of this layer) send its notifications to `target`.
void set_notify_target(HWND popup, HWND target);

// Lookup of the state object (nullptr for other windows).
Control* control_of(HWND hwnd);

template <class T>
LRESULT class_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Control* c = control_of(hwnd);
  if (!c) {
    if (msg != WM_NCCREATE) return DefWindowProc(hwnd, msg, wp, lp);
    auto owned = std::make_unique<T>(hwnd);
    c = owned.release();
    SetProp(hwnd, "thc.control", c);
  }
  if (msg == WM_NCDESTROY) {
    LRESULT r = c->proc(msg, wp, lp);
    RemoveProp(hwnd, "thc.control");
    delete c;
    return r;
  }
  return c->proc(msg, wp, lp);
}

// Plain default look.
void fill(HDC dc, const RECT& r, int sys_color);
void frame_3d(HDC dc, RECT r, bool sunken);
// The small down-pointing arrow of a drop button, centred on (cx, cy); grey when disabled.
void drop_arrow(HDC dc, int cx, int cy, bool enabled);
void draw_text(HDC dc, std::string_view text, RECT r, UINT format, int sys_color);
// A DC with the control's font selected and transparent text; released on destruction.
class PaintDc {
public:
  PaintDc(HWND hwnd, HFONT font);
  ~PaintDc();
  HDC dc() const { return dc_; }
  const RECT& area() const { return ps_.rcPaint; }

private:
  HWND hwnd_;
  PAINTSTRUCT ps_;
  HDC dc_;
  HGDIOBJ old_font_ = nullptr;
};
HFONT default_gui_font();
int text_height(HFONT font);
int text_width(HFONT font, std::string_view text);

// Item text copies for the LB_GETTEXT-style messages: copies with a terminating zero, answers the
// length.
LRESULT copy_out(const std::string& s, char* out);
LRESULT copy_out(const std::string& s, char* out, int size);

// The children of `parent` in tab order: new children go on top of their siblings in this window
// system, so creation order (the order of dialog tab stops and radio groups) is bottom-up.
std::vector<HWND> tab_order(HWND parent);

// Registration of the classes of each file.
void register_button_and_static();
void register_edit();
void register_lists();
void register_common_controls();
void register_more_common_controls();
void register_date_controls();
void register_dialogs();
void register_scroll_bar();
void register_menu_class();
void install_menus(NonClientExtensions& ext);
void install_scroll_bars(NonClientExtensions& ext);
// Scroll-bar tracking of a window's non-client bar (`bar` SB_HORZ/SB_VERT) or of a "ScrollBar"
// control (SB_CTL) from the press at `screen`.
void track_scroll_bar(HWND hwnd, int bar, POINT screen);

// The edit of a combo box or input box sends its notices as usual; the list of a combo box tells
// the combo box about picks.
inline constexpr UINT kComboListPicked = WM_USER + 0x2F0;   // wParam: index, lParam: 1 accepted, 0 cancelled

}  // namespace platform::win::controls
