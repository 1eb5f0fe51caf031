// The X11 backend: each top-level window is an undecorated X window (popups are override-redirect)
// that shows the window's backing bitmap, shaped by its window region; pointer and key events are
// fed into the window system's input path.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/win/window_internal.h"
#include "platform/win/x11_keyboard.h"

namespace platform::win {

namespace {

int ignore_x_errors(::Display*, XErrorEvent*) { return 0; }

class X11Display final : public Display {
public:
  explicit X11Display(::Display* dpy) : dpy_(dpy) {
    XSetErrorHandler(ignore_x_errors);
    screen_ = DefaultScreen(dpy_);
    root_ = RootWindow(dpy_, screen_);
    wm_delete_ = XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
    motif_hints_ = XInternAtom(dpy_, "_MOTIF_WM_HINTS", False);
    int ev, err;
    shape_ = XShapeQueryExtension(dpy_, &ev, &err);
    keyboard_ = std::make_unique<x11::Keyboard>(dpy_);
  }
  ~X11Display() override {
    keyboard_.reset();
    for (auto& [h, x] : windows_) XDestroyWindow(dpy_, x);
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
    ::Window x = ensure(w);
    int width = std::max(1, w->rect.right - w->rect.left), height = std::max(1, w->rect.bottom - w->rect.top);
    XMoveResizeWindow(dpy_, x, w->rect.left, w->rect.top, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!is_popup(w)) size_hints(w, x);
    if (shape_) {
      if (const gdi::Region* reg = w->region ? gdi::GetRegion(w->region) : nullptr) {
        std::vector<XRectangle> rects;
        for (const RECT& r : reg->rects())
          rects.push_back({static_cast<short>(r.left), static_cast<short>(r.top), static_cast<unsigned short>(r.right - r.left),
                           static_cast<unsigned short>(r.bottom - r.top)});
        XShapeCombineRectangles(dpy_, x, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()), ShapeSet,
                                Unsorted);
      } else {
        XShapeCombineMask(dpy_, x, ShapeBounding, 0, 0, None, ShapeSet);
      }
    }
    bool visible = w->style & WS_VISIBLE;
    if (visible && !mapped_[h]) {
      XMapRaised(dpy_, x);
      mapped_[h] = true;
    } else if (!visible && mapped_[h]) {
      XUnmapWindow(dpy_, x);
      mapped_[h] = false;
    }
    restack();
    XFlush(dpy_);
  }

  void window_destroyed(HWND h) override {
    auto it = windows_.find(h);
    if (it == windows_.end()) return;
    keyboard_->WindowDestroyed(it->second);
    XDestroyWindow(dpy_, it->second);
    by_x_.erase(it->second);
    windows_.erase(it);
    mapped_.erase(h);
    XFlush(dpy_);
  }

  void window_activated(HWND h) override {
    auto it = windows_.find(h);
    if (it == windows_.end() || !mapped_[h]) return;
    XRaiseWindow(dpy_, it->second);
    XSetInputFocus(dpy_, it->second, RevertToParent, CurrentTime);
    XFlush(dpy_);
  }

  void capture_changed(HWND h) override {
    auto it = h ? windows_.find(detail::root_of(detail::get(h))->handle) : windows_.end();
    if (it != windows_.end() && mapped_[it->first]) {
      XGrabPointer(dpy_, it->second, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                   GrabModeAsync, None, None, CurrentTime);
    } else {
      XUngrabPointer(dpy_, CurrentTime);
    }
    XFlush(dpy_);
  }

  void present(HWND h, const gdi::Bitmap& b) override {
    detail::Window* w = detail::get(h);
    if (!w || b.empty()) return;
    ::Window x = ensure(w);
    Visual* visual = DefaultVisual(dpy_, screen_);
    // The backing pixels are 0x00RRGGBB words, which is the server's 24-bit TrueColor layout.
    XImage* img = XCreateImage(dpy_, visual, 24, ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<gdi::Pixel*>(b.pixels().data())),
                               static_cast<unsigned>(b.width()), static_cast<unsigned>(b.height()), 32, b.width() * 4);
    if (!img) return;
    XPutImage(dpy_, x, gc(), img, 0, 0, 0, 0, static_cast<unsigned>(b.width()), static_cast<unsigned>(b.height()));
    img->data = nullptr;
    XDestroyImage(img);
    // A round trip, so that what the window shows is on the server when the caller goes on.
    XSync(dpy_, False);
  }

  void pump() override {
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
        case ConfigureNotify: {
          // A window manager that places a window elsewhere than asked says so with a synthetic
          // notice in root coordinates; following it keeps pointer positions on the right windows.
          // (Real notices only echo the window system's own requests, possibly stale during a drag.)
          if (!e.xconfigure.send_event) break;
          auto it = by_x_.find(e.xconfigure.window);
          if (it == by_x_.end()) break;
          RECT r;
          if (GetWindowRect(it->second, &r) && (r.left != e.xconfigure.x || r.top != e.xconfigure.y) && !GetCapture())
            SetWindowPos(it->second, nullptr, e.xconfigure.x, e.xconfigure.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
          break;
        }
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
  }

private:
  // Popups (menus, lists, hints) stay out of the window manager's hands.
  static bool is_popup(const detail::Window* w) { return (w->style & WS_POPUP) && (w->style & WS_CAPTION) != WS_CAPTION; }

  // Where the window is, and for a window without a sizing border its one size, so that a window
  // manager offers neither sizing nor maximising.
  void size_hints(const detail::Window* w, ::Window x) {
    XSizeHints sh{};
    sh.flags = USPosition | PPosition;
    sh.x = w->rect.left;
    sh.y = w->rect.top;
    if (!(w->style & WS_THICKFRAME)) {
      sh.flags |= PMinSize | PMaxSize;
      sh.min_width = sh.max_width = std::max(1, w->rect.right - w->rect.left);
      sh.min_height = sh.max_height = std::max(1, w->rect.bottom - w->rect.top);
    }
    XSetWMNormalHints(dpy_, x, &sh);
  }

  ::Window ensure(detail::Window* w) {
    auto it = windows_.find(w->handle);
    if (it != windows_.end()) return it->second;
    XSetWindowAttributes a{};
    a.background_pixel = 0;
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                   KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
    bool popup = is_popup(w);
    a.override_redirect = popup ? True : False;
    int width = std::max(1, w->rect.right - w->rect.left), height = std::max(1, w->rect.bottom - w->rect.top);
    ::Window x = XCreateWindow(dpy_, root_, w->rect.left, w->rect.top, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 0, 24, InputOutput, DefaultVisual(dpy_, screen_),
                               CWBackPixel | CWEventMask | CWOverrideRedirect, &a);
    if (!popup) {
      // No decorations: the frame is the non-client area the window system (or the skin) draws.
      long hints[5] = {2, 0, 0, 0, 0};
      XChangeProperty(dpy_, x, motif_hints_, motif_hints_, 32, PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
      Atom protocols[1] = {wm_delete_};
      XSetWMProtocols(dpy_, x, protocols, 1);
      XStoreName(dpy_, x, w->text.c_str());
      size_hints(w, x);
      keyboard_->WindowCreated(x);
    }
    windows_[w->handle] = x;
    by_x_[x] = w->handle;
    mapped_[w->handle] = false;
    return x;
  }

  void restack() {
    std::vector<::Window> order;
    for (detail::Window* t : detail::state().top_levels) {
      auto it = windows_.find(t->handle);
      if (it != windows_.end() && mapped_[t->handle]) order.push_back(it->second);
    }
    if (order.size() > 1) XRestackWindows(dpy_, order.data(), static_cast<int>(order.size()));
  }

  GC gc() {
    if (!gc_) gc_ = XCreateGC(dpy_, root_, 0, nullptr);
    return gc_;
  }

  ::Display* dpy_;
  int screen_ = 0;
  ::Window root_ = 0;
  Atom wm_delete_ = 0, motif_hints_ = 0;
  bool shape_ = false;
  GC gc_ = nullptr;
  std::unordered_map<HWND, ::Window> windows_;
  std::unordered_map<::Window, HWND> by_x_;
  std::unordered_map<HWND, bool> mapped_;
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
