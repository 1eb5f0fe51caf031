// The X11 backend: each top-level window is an X window that shows the window's backing bitmap,
// shaped by its window region: popups are override-redirect, windows whose frame the program draws
// are undecorated, every other one is decorated by the window manager; pointer and key events are
// fed into the window system's input path, and minimising goes through the window manager.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>
#include <memory>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win/window_internal.h"
#include "platform/win/x11_keyboard.h"

namespace platform::win {

namespace {

int ignore_x_errors(::Display*, XErrorEvent*) { return 0; }

// What the screen shows of a top-level window: the whole window (popups and windows whose frame the
// program draws) or, under the window manager's decorations, what lies inside the layer's own
// caption and borders. `inner` is that part in window coordinates.
struct Placement {
  bool popup = false;      // override-redirect: menus, drop-down lists, hints
  bool decorated = false;  // the window manager draws the frame
  RECT inner{};
};

Placement placement_of(const detail::Window* w) {
  Placement p;
  p.popup = (w->style & WS_POPUP) && (w->style & WS_CAPTION) != WS_CAPTION;
  p.decorated = !p.popup && !w->own_frame;
  const int width = std::max(1, static_cast<int>(w->rect.right - w->rect.left));
  const int height = std::max(1, static_cast<int>(w->rect.bottom - w->rect.top));
  p.inner = {0, 0, width, height};
  if (p.decorated) {
    const FrameLayout l = GetFrameLayout(w->handle);
    const int top = l.caption.bottom > l.caption.top ? static_cast<int>(l.caption.bottom) : l.border;
    p.inner = {l.border, top, width - l.border, height - l.border};
    if (p.inner.right <= p.inner.left) p.inner.right = p.inner.left + 1;
    if (p.inner.bottom <= p.inner.top) p.inner.bottom = p.inner.top + 1;
  }
  return p;
}

// X cursor-font shapes of the system cursors.
unsigned font_cursor_of(int name) {
  switch (name) {
    case IDC_IBEAM: return XC_xterm;
    case IDC_WAIT:
    case IDC_APPSTARTING: return XC_watch;
    case IDC_CROSS: return XC_crosshair;
    case IDC_UPARROW: return XC_sb_up_arrow;
    case IDC_SIZENWSE: return XC_bottom_right_corner;
    case IDC_SIZENESW: return XC_bottom_left_corner;
    case IDC_SIZEWE: return XC_sb_h_double_arrow;
    case IDC_SIZENS: return XC_sb_v_double_arrow;
    case IDC_SIZEALL: return XC_fleur;
    case IDC_NO: return XC_X_cursor;
    case IDC_HAND: return XC_hand2;
    case IDC_HELP: return XC_question_arrow;
    default: return XC_left_ptr;
  }
}

class X11Display final : public Display {
public:
  explicit X11Display(::Display* dpy) : dpy_(dpy) {
    XSetErrorHandler(ignore_x_errors);
    screen_ = DefaultScreen(dpy_);
    root_ = RootWindow(dpy_, screen_);
    wm_delete_ = XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
    wm_state_ = XInternAtom(dpy_, "WM_STATE", False);
    motif_hints_ = XInternAtom(dpy_, "_MOTIF_WM_HINTS", False);
    int ev, err;
    shape_ = XShapeQueryExtension(dpy_, &ev, &err);
    keyboard_ = std::make_unique<x11::Keyboard>(dpy_);
  }
  ~X11Display() override {
    keyboard_.reset();
    for (auto& [h, x] : windows_) XDestroyWindow(dpy_, x.id);
    for (auto& [n, c] : cursors_) XFreeCursor(dpy_, c);
    if (blank_cursor_) XFreeCursor(dpy_, blank_cursor_);
    if (gc_) XFreeGC(dpy_, gc_);
    XCloseDisplay(dpy_);
  }

  SIZE screen_size() const override { return {DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_)}; }
  bool headless() const override { return false; }
  int fd() const override { return ConnectionNumber(dpy_); }

  void window_created(HWND) override {}

  void window_changed(HWND h) override {
    detail::Window* w = detail::get(h);
    if (!w || w->parent) return;
    XWin& xw = ensure(w);
    const Placement p = placement_of(w);
    if (p.decorated != xw.place.decorated) set_decorations(xw.id, p.decorated);
    if (w->text != xw.title) {
      xw.title = w->text;
      XStoreName(dpy_, xw.id, w->text.c_str());
    }
    const bool visible = w->style & WS_VISIBLE;
    const bool minimised = visible && (w->style & WS_MINIMIZE) && !p.popup;
    if (minimised) {
      // Minimised windows go to the window manager's icons; the layer's small caption strip is
      // not shown. Without a window manager the window is simply taken off the screen.
      if (!xw.iconic) {
        xw.iconic = true;
        if (xw.mapped) {
          XIconifyWindow(dpy_, xw.id, screen_);
          if (!window_manager_running()) unmap(xw);
        }
      }
      XFlush(dpy_);
      drain();
      return;
    }
    xw.place = p;
    const RECT& r = w->rect;
    const int width = p.inner.right - p.inner.left, height = p.inner.bottom - p.inner.top;
    xw.size = {width, height};
    XMoveResizeWindow(dpy_, xw.id, r.left + p.inner.left, r.top + p.inner.top, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    if (!p.popup) size_hints(w, xw.id, p);
    apply_shape(w, xw);
    if (visible && (!xw.mapped || xw.iconic)) {
      xw.iconic = false;
      XMapRaised(dpy_, xw.id);
      xw.mapped = true;
    } else if (!visible && xw.mapped) {
      unmap(xw);
    }
    restack();
    XFlush(dpy_);
    drain();
  }

  void window_destroyed(HWND h) override {
    auto it = windows_.find(h);
    if (it == windows_.end()) return;
    keyboard_->WindowDestroyed(it->second.id);
    XDestroyWindow(dpy_, it->second.id);
    by_x_.erase(it->second.id);
    windows_.erase(it);
    XFlush(dpy_);
  }

  void window_activated(HWND h) override {
    auto it = windows_.find(h);
    if (it == windows_.end() || !it->second.mapped || it->second.iconic) return;
    XRaiseWindow(dpy_, it->second.id);
    XSetInputFocus(dpy_, it->second.id, RevertToParent, CurrentTime);
    XFlush(dpy_);
    drain();
  }

  void capture_changed(HWND h) override {
    auto it = h ? windows_.find(detail::root_of(detail::get(h))->handle) : windows_.end();
    if (it != windows_.end() && it->second.mapped) {
      XGrabPointer(dpy_, it->second.id, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                   GrabModeAsync, None, x_cursor(cursor_), CurrentTime);
      grabbed_ = true;
    } else {
      XUngrabPointer(dpy_, CurrentTime);
      grabbed_ = false;
    }
    XFlush(dpy_);
    drain();  // the grab's reply may have brought events along
  }

  void cursor_changed(int name) override {
    cursor_ = name;
    const Cursor c = x_cursor(name);
    for (auto& [h, x] : windows_) XDefineCursor(dpy_, x.id, c);
    if (grabbed_)
      XChangeActivePointerGrab(dpy_, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, c, CurrentTime);
    XFlush(dpy_);
    drain();
  }

  void present(HWND h, const gdi::Bitmap& b) override {
    detail::Window* w = detail::get(h);
    if (!w || b.empty()) return;
    XWin& xw = ensure(w);
    const RECT in = placement_of(w).inner;
    const int width = std::min<int>(in.right, b.width()) - in.left, height = std::min<int>(in.bottom, b.height()) - in.top;
    if (width <= 0 || height <= 0) return;
    Visual* visual = DefaultVisual(dpy_, screen_);
    // The backing pixels are 0x00RRGGBB words, which is the server's 24-bit TrueColor layout.
    XImage* img = XCreateImage(dpy_, visual, 24, ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<gdi::Pixel*>(b.pixels().data())),
                               static_cast<unsigned>(b.width()), static_cast<unsigned>(b.height()), 32, b.width() * 4);
    if (!img) return;
    XPutImage(dpy_, xw.id, gc(), img, in.left, in.top, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    img->data = nullptr;
    XDestroyImage(img);
    // A round trip, so that what the window shows is on the server when the caller goes on.
    XSync(dpy_, False);
    drain();
  }

  void pump() override {
    pumping_ = true;
    while (XPending(dpy_)) {
      XEvent e;
      XNextEvent(dpy_, &e);
      if (keyboard_->Filter(e)) continue;  // the input method's
      switch (e.type) {
        case MotionNotify:
          inject_mouse_move({e.xmotion.x_root, e.xmotion.y_root});
          break;
        case ButtonPress:
        case ButtonRelease: {
          POINT p{e.xbutton.x_root, e.xbutton.y_root};
          unsigned b = e.xbutton.button;
          if (b == 4 || b == 5) {
            if (e.type == ButtonPress) inject_mouse_wheel(p, b == 4 ? WHEEL_DELTA : -WHEEL_DELTA);
            break;
          }
          MouseButton mb = b == 1 ? MouseButton::kLeft : b == 3 ? MouseButton::kRight : MouseButton::kMiddle;
          inject_mouse_button(p, mb, e.type == ButtonPress);
          break;
        }
        case KeyPress:
        case KeyRelease:
        case FocusIn:
        case FocusOut:
        case MappingNotify:
          keyboard_->Handle(e);
          break;
        case Expose:
          if (e.xexpose.count == 0) {
            auto it = by_x_.find(e.xexpose.window);
            if (it != by_x_.end())
              if (const gdi::Bitmap* b = GetBackingBitmap(it->second)) present(it->second, *b);
          }
          break;
        case ConfigureNotify:
          configured(e.xconfigure);
          break;
        case UnmapNotify:
          unmapped(e.xunmap.window);
          break;
        case MapNotify:
          mapped(e.xmap.window);
          break;
        case ClientMessage:
          if (static_cast<Atom>(e.xclient.data.l[0]) == wm_delete_) {
            auto it = by_x_.find(e.xclient.window);
            if (it != by_x_.end()) PostMessage(it->second, WM_SYSCOMMAND, SC_CLOSE, 0);
          }
          break;
        default:
          break;
      }
    }
    pumping_ = false;
  }

private:
  // A round trip reads the events that arrived meanwhile into Xlib's own queue, where the
  // connection's descriptor no longer announces them: they are taken in at once, so that a
  // waiting message loop sees them (a button release ending a drag, for one).
  void drain() {
    if (!pumping_ && XQLength(dpy_) > 0) pump();
  }

  struct XWin {
    ::Window id = 0;
    bool mapped = false;  // asked to be on the screen
    bool iconic = false;  // minimised to the window manager (or off the screen without one)
    int own_unmaps = 0;   // unmaps this backend asked for and has not heard of yet
    Placement place;
    SIZE size{};          // the size last asked for
    std::string title;
  };

  XWin& ensure(detail::Window* w) {
    auto it = windows_.find(w->handle);
    if (it != windows_.end()) return it->second;
    const Placement p = placement_of(w);
    XSetWindowAttributes a{};
    a.background_pixel = 0;
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                   KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
    // Popups (menus, lists, hints) stay out of the window manager's hands.
    a.override_redirect = p.popup ? True : False;
    a.cursor = x_cursor(cursor_);
    const int width = p.inner.right - p.inner.left, height = p.inner.bottom - p.inner.top;
    ::Window x = XCreateWindow(dpy_, root_, w->rect.left + p.inner.left, w->rect.top + p.inner.top,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 24, InputOutput,
                               DefaultVisual(dpy_, screen_), CWBackPixel | CWEventMask | CWOverrideRedirect | CWCursor,
                               &a);
    XWin xw;
    xw.id = x;
    xw.place = p;
    xw.size = {width, height};
    if (!p.popup) {
      set_decorations(x, p.decorated);
      Atom protocols[1] = {wm_delete_};
      XSetWMProtocols(dpy_, x, protocols, 1);
      XStoreName(dpy_, x, w->text.c_str());
      xw.title = w->text;
      size_hints(w, x, p);
      keyboard_->WindowCreated(x);
      // Dialogs and other owned windows stay with their owner.
      if (w->owner)
        if (auto o = windows_.find(detail::root_of(w->owner)->handle); o != windows_.end())
          XSetTransientForHint(dpy_, x, o->second.id);
    }
    by_x_[x] = w->handle;
    return windows_.emplace(w->handle, xw).first->second;
  }

  // Where the window is (the inside's own position, also under decorations), and for a window without
  // a sizing border its one size, so that a window manager offers neither sizing nor maximising.
  void size_hints(const detail::Window* w, ::Window x, const Placement& p) {
    XSizeHints sh{};
    sh.flags = USPosition | PPosition | PWinGravity;
    sh.x = w->rect.left + p.inner.left;
    sh.y = w->rect.top + p.inner.top;
    sh.win_gravity = StaticGravity;
    if (!(w->style & WS_THICKFRAME)) {
      sh.flags |= PMinSize | PMaxSize;
      sh.min_width = sh.max_width = std::max(1, static_cast<int>(p.inner.right - p.inner.left));
      sh.min_height = sh.max_height = std::max(1, static_cast<int>(p.inner.bottom - p.inner.top));
    }
    XSetWMNormalHints(dpy_, x, &sh);
  }

  // Motif hints: no decorations for a frame the program draws; the window manager's otherwise.
  void set_decorations(::Window x, bool decorated) {
    if (decorated) {
      XDeleteProperty(dpy_, x, motif_hints_);
      return;
    }
    long hints[5] = {2, 0, 0, 0, 0};  // flags: decorations given; decorations: none
    XChangeProperty(dpy_, x, motif_hints_, motif_hints_, 32, PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
  }

  void apply_shape(detail::Window* w, const XWin& xw) {
    if (!shape_) return;
    const gdi::Region* reg = w->region ? gdi::GetRegion(w->region) : nullptr;
    if (!reg) {
      XShapeCombineMask(dpy_, xw.id, ShapeBounding, 0, 0, None, ShapeSet);
      return;
    }
    std::vector<XRectangle> rects;
    for (const RECT& r : reg->rects())
      rects.push_back({static_cast<short>(r.left - xw.place.inner.left), static_cast<short>(r.top - xw.place.inner.top),
                       static_cast<unsigned short>(r.right - r.left), static_cast<unsigned short>(r.bottom - r.top)});
    XShapeCombineRectangles(dpy_, xw.id, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()), ShapeSet,
                            Unsorted);
  }

  void unmap(XWin& xw) {
    XUnmapWindow(dpy_, xw.id);
    xw.mapped = false;
    ++xw.own_unmaps;
  }

  // A window manager holds the redirection of the root window's children.
  bool window_manager_running() {
    XWindowAttributes a;
    return XGetWindowAttributes(dpy_, root_, &a) && (a.all_event_masks & SubstructureRedirectMask);
  }

  long wm_state(::Window x) {
    Atom type = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    long state = -1;
    if (XGetWindowProperty(dpy_, x, wm_state_, 0, 2, False, wm_state_, &type, &format, &n, &after, &data) == Success &&
        data && format == 32 && n >= 1)
      state = reinterpret_cast<long*>(data)[0];
    if (data) XFree(data);
    return state;
  }

  XWin* find(::Window x, HWND* h) {
    auto it = by_x_.find(x);
    if (it == by_x_.end()) return nullptr;
    auto w = windows_.find(it->second);
    if (w == windows_.end()) return nullptr;
    *h = it->second;
    return &w->second;
  }

  void configured(const XConfigureEvent& c) {
    HWND h = nullptr;
    XWin* xw = find(c.window, &h);
    if (!xw) return;
    // A window manager that places a window elsewhere than asked says so with a synthetic notice
    // in root coordinates; following it keeps pointer positions on the right windows. (Real
    // notices only echo the window system's own requests, possibly stale during a drag.)
    RECT r;
    if (c.send_event && GetWindowRect(h, &r) && !GetCapture()) {
      const int x = c.x - xw->place.inner.left, y = c.y - xw->place.inner.top;
      if (r.left != x || r.top != y) SetWindowPos(h, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The window manager's own frame was dragged to a new size: the window follows.
    if (xw->place.decorated && !xw->iconic && (c.width != xw->size.cx || c.height != xw->size.cy) &&
        GetWindowRect(h, &r)) {
      const int extra_w = (r.right - r.left) - xw->size.cx, extra_h = (r.bottom - r.top) - xw->size.cy;
      xw->size = {c.width, c.height};
      SetWindowPos(h, nullptr, 0, 0, c.width + extra_w, c.height + extra_h,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  // The window manager minimised a window from its own frame or task list.
  void unmapped(::Window x) {
    HWND h = nullptr;
    XWin* xw = find(x, &h);
    if (!xw) return;
    if (xw->own_unmaps > 0) {
      --xw->own_unmaps;
      return;
    }
    if (xw->iconic || !xw->mapped || wm_state(x) != IconicState) return;
    xw->iconic = true;
    PostMessage(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }

  // ... and brought it back.
  void mapped(::Window x) {
    HWND h = nullptr;
    XWin* xw = find(x, &h);
    if (!xw || !xw->iconic || !IsIconic(h)) return;
    xw->iconic = false;
    xw->mapped = true;
    PostMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
  }

  void restack() {
    std::vector<::Window> order;
    for (detail::Window* t : detail::state().top_levels) {
      auto it = windows_.find(t->handle);
      if (it != windows_.end() && it->second.mapped && !it->second.iconic) order.push_back(it->second.id);
    }
    if (order.size() > 1) XRestackWindows(dpy_, order.data(), static_cast<int>(order.size()));
  }

  Cursor x_cursor(int name) {
    if (name == 0) {
      if (!blank_cursor_) {
        static const char bits[1] = {0};
        Pixmap pm = XCreateBitmapFromData(dpy_, root_, bits, 1, 1);
        XColor black{};
        blank_cursor_ = XCreatePixmapCursor(dpy_, pm, pm, &black, &black, 0, 0);
        XFreePixmap(dpy_, pm);
      }
      return blank_cursor_;
    }
    auto it = cursors_.find(name);
    if (it != cursors_.end()) return it->second;
    return cursors_[name] = XCreateFontCursor(dpy_, font_cursor_of(name));
  }

  GC gc() {
    if (!gc_) gc_ = XCreateGC(dpy_, root_, 0, nullptr);
    return gc_;
  }

  ::Display* dpy_;
  int screen_ = 0;
  ::Window root_ = 0;
  Atom wm_delete_ = 0, wm_state_ = 0, motif_hints_ = 0;
  bool shape_ = false;
  GC gc_ = nullptr;
  int cursor_ = IDC_ARROW;
  bool grabbed_ = false;
  bool pumping_ = false;
  std::unordered_map<int, Cursor> cursors_;
  Cursor blank_cursor_ = 0;
  std::unordered_map<HWND, XWin> windows_;
  std::unordered_map<::Window, HWND> by_x_;
  std::unique_ptr<x11::Keyboard> keyboard_;
};

}  // namespace

std::unique_ptr<Display> make_x11_display(const char* name) {
  ::Display* dpy = XOpenDisplay(name);
  if (!dpy) return nullptr;
  if (DefaultDepth(dpy, DefaultScreen(dpy)) != 24 && DefaultDepth(dpy, DefaultScreen(dpy)) != 32) {
    XCloseDisplay(dpy);
    return nullptr;
  }
  return std::make_unique<X11Display>(dpy);
}

}  // namespace platform::win
