// Runs the demo program on a private Xvfb server, drives it with real X input (XTest) and checks
// what the server shows. Skipped where Xvfb is not installed; every wait is bounded, so a broken
// server or program cannot hang the test. Screenshots are kept in the build folder.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/testing/private_xvfb.h"
#include "platform/gdi/png_file.h"

// Last: the X headers define macros that clash with other headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include "core/testing/x11_keys.h"

namespace {

using core::testing::ChildProcess;
using core::testing::ReadLineWithin;

struct Ready {
  int x = 0, y = 0, w = 0, h = 0, cx = 0, cy = 0;
};

// The demo on the server, with a pipe from its output.
class Demo {
public:
  Demo(const std::string& display, const char* mode) {
    int dp[2];
    if (::pipe(dp) != 0) return;
    child_.pid = ::fork();
    if (child_.pid == 0) {
      ::close(dp[0]);
      ::dup2(dp[1], 1);
      ::setenv("DISPLAY", display.c_str(), 1);
      ::execl(THC_WIN_DEMO, "thc_win_demo", "60", mode, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(dp[1]);
    out_ = dp[0];
  }
  ~Demo() {
    if (out_ >= 0) ::close(out_);
  }
  std::optional<Ready> ready() {
    std::string line;
    if (!ReadLineWithin(out_, &line, 20000)) return std::nullopt;
    std::istringstream in(line);
    std::string word;
    Ready r;
    in >> word >> r.x >> r.y >> r.w >> r.h >> r.cx >> r.cy;
    if (word != "ready") return std::nullopt;
    return r;
  }
  // The next line the demo prints (empty after 20 s without one).
  std::string line() {
    std::string l;
    return ReadLineWithin(out_, &l, 20000) ? l : std::string();
  }
  int out() const { return out_; }
  ChildProcess& child() { return child_; }

private:
  ChildProcess child_;
  int out_ = -1;
};

platform::gdi::Bitmap screenshot(::Display* dpy, const char* name) {
  int sw = DisplayWidth(dpy, 0), sh = DisplayHeight(dpy, 0);
  XImage* img = XGetImage(dpy, RootWindow(dpy, 0), 0, 0, static_cast<unsigned>(sw), static_cast<unsigned>(sh), AllPlanes,
                          ZPixmap);
  platform::gdi::Bitmap shot(sw, sh);
  if (!img) return shot;
  for (int yy = 0; yy < sh; ++yy)
    for (int xx = 0; xx < sw; ++xx)
      shot.set_pixel(xx, yy, static_cast<platform::gdi::Pixel>(XGetPixel(img, xx, yy) & 0xFFFFFF));
  XDestroyImage(img);
  const char* bin = std::getenv("THC_BINARY_DIR");
  platform::gdi::write_png_file(std::string(bin ? bin : ".") + "/" + name, shot);
  return shot;
}

// The mapped top-level X window whose top-left corner is at (x, y), or 0.
::Window window_at(::Display* dpy, int x, int y) {
  ::Window root_ret, parent_ret, *kids = nullptr;
  unsigned nkids = 0;
  XQueryTree(dpy, RootWindow(dpy, 0), &root_ret, &parent_ret, &kids, &nkids);
  ::Window target = 0;
  for (unsigned i = 0; i < nkids; ++i) {
    XWindowAttributes wa;
    if (XGetWindowAttributes(dpy, kids[i], &wa) && wa.map_state == IsViewable && wa.x == x && wa.y == y) target = kids[i];
  }
  if (kids) XFree(kids);
  return target;
}

// The window's _MOTIF_WM_HINTS: {flags, functions, decorations}, or nothing without the property.
std::optional<std::vector<long>> motif_hints(::Display* dpy, ::Window w) {
  Atom prop = XInternAtom(dpy, "_MOTIF_WM_HINTS", False), type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, w, prop, 0, 5, False, AnyPropertyType, &type, &format, &n, &after, &data) != Success ||
      !data) {
    return std::nullopt;
  }
  std::vector<long> v(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + n);
  XFree(data);
  return v;
}

struct Server {
  core::testing::PrivateXvfb xvfb{"640x480x24"};
  ::Display* dpy = nullptr;
  ~Server() {
    if (dpy) XCloseDisplay(dpy);
  }
};

#define START_SERVER(s)                                                      \
  if (!(s).xvfb.installed()) GTEST_SKIP() << "Xvfb is not installed";      \
  ASSERT_TRUE((s).xvfb.launched());                                          \
  if (!(s).xvfb.started()) GTEST_SKIP() << "Xvfb did not start here";      \
  (s).dpy = XOpenDisplay((s).xvfb.display().c_str());                        \
  ASSERT_NE((s).dpy, nullptr)

TEST(X11Demo, PlainWindowKeepsTheWindowManagersFrameAndShowsItsInside) {
  Server s;
  START_SERVER(s);
  Demo demo(s.xvfb.display(), "plain");
  auto r = demo.ready();
  ASSERT_TRUE(r) << "the demo did not show its window";
  EXPECT_EQ(r->w, 240);
  EXPECT_EQ(r->h, 160);
  // The screen shows the inside of the layer's frame (fixed frame 3, caption 19), at the client's
  // place; the window manager is free to decorate it.
  EXPECT_EQ(r->cx, r->x + 3);
  EXPECT_EQ(r->cy, r->y + 3 + 19);
  ::Window target = window_at(s.dpy, r->cx, r->cy);
  ASSERT_NE(target, 0u);
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(s.dpy, target, &wa));
  EXPECT_EQ(wa.width, 240 - 2 * 3);
  EXPECT_EQ(wa.height, 160 - 2 * 3 - 19);
  EXPECT_FALSE(wa.override_redirect);
  EXPECT_FALSE(motif_hints(s.dpy, target).has_value()) << "decorations must not be switched off";
  char* name = nullptr;
  ASSERT_TRUE(XFetchName(s.dpy, target, &name));
  EXPECT_STREQ(name, "Demo");
  XFree(name);
  const auto shot = screenshot(s.dpy, "win_x11_screenshot.png");
  // The red child is at client (20, 40), the blue one at (120, 40); the green band the client
  // paints is on top.
  EXPECT_EQ(shot.pixel(r->cx + 30, r->cy + 60), 0xDC0000u);
  EXPECT_EQ(shot.pixel(r->cx + 150, r->cy + 60), 0x0000DCu);
  EXPECT_EQ(shot.pixel(r->cx + 100, r->cy + 10), 0x00A000u);
  // The region's notch (window x 200 .. 240, y 0 .. 30) reaches into the inside: the screen
  // behind shows there.
  EXPECT_NE(shot.pixel(r->x + 230, r->cy + 3), 0x00A000u);

  // Alt+F4 sent as X key events closes the window through the input path; the demo then ends and
  // its output pipe closes.
  core::testing::SendAltF4(s.dpy, target);
  std::string rest;
  EXPECT_FALSE(ReadLineWithin(demo.out(), &rest, 20000)) << "the demo printed more: " << rest;
  int status = 0;
  pollfd p{demo.out(), POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 0), 1);  // end of file: the demo has ended
  EXPECT_EQ(::waitpid(demo.child().pid, &status, 0), demo.child().pid);
  demo.child().pid = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Pointer input through the server's own devices, as a user's would arrive.
void pointer_to(::Display* dpy, int x, int y) {
  XTestFakeMotionEvent(dpy, 0, x, y, CurrentTime);
  XSync(dpy, False);
}
void button(::Display* dpy, bool down) {
  XTestFakeButtonEvent(dpy, 1, down ? True : False, CurrentTime);
  XSync(dpy, False);
}

// The cursor the server shows now, as its pixels.
std::vector<unsigned long> cursor_pixels(::Display* dpy) {
  XFixesCursorImage* c = XFixesGetCursorImage(dpy);
  if (!c) return {};
  std::vector<unsigned long> v(c->pixels, c->pixels + static_cast<std::size_t>(c->width) * c->height);
  v.push_back(c->width);
  v.push_back(c->height);
  v.push_back(c->xhot);
  XFree(c);
  return v;
}

TEST(X11Demo, SkinnedWindowIsShapedUndecoratedMovedByItsCaptionAndMinimisedByItsButton) {
  Server s;
  START_SERVER(s);
  int ev = 0, err = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(s.dpy, &ev, &err, &major, &minor)) GTEST_SKIP() << "no XTest on this server";
  // Listen on the root window for the iconify request a window manager would act on.
  XSelectInput(s.dpy, RootWindow(s.dpy, 0), SubstructureNotifyMask);
  Demo demo(s.xvfb.display(), "skinned");
  auto r = demo.ready();
  ASSERT_TRUE(r) << "the demo did not show its window";
  // The whole window is on the screen: its own frame of 4 pixels and a 26-pixel caption.
  EXPECT_EQ(r->cx, r->x + 4);
  EXPECT_EQ(r->cy, r->y + 4 + 26);
  ::Window target = window_at(s.dpy, r->x, r->y);
  ASSERT_NE(target, 0u);
  XWindowAttributes wa;
  ASSERT_TRUE(XGetWindowAttributes(s.dpy, target, &wa));
  EXPECT_EQ(wa.width, 240);
  EXPECT_EQ(wa.height, 160);
  EXPECT_FALSE(wa.override_redirect);  // a normal window the window manager lists, only undecorated
  auto hints = motif_hints(s.dpy, target);
  ASSERT_TRUE(hints.has_value());
  ASSERT_GE(hints->size(), 3u);
  EXPECT_EQ((*hints)[0] & 2, 2);  // decorations given ...
  EXPECT_EQ((*hints)[2], 0);      // ... and none wanted
  // Shaped by the rounded region: more than one rectangle, the corners left out.
  int count = 0, ordering = 0;
  XRectangle* rects = XShapeGetRectangles(s.dpy, target, ShapeBounding, &count, &ordering);
  EXPECT_GT(count, 1);
  bool corner_inside = false;
  for (int i = 0; i < count; ++i)
    if (rects[i].x <= 0 && rects[i].y <= 0) corner_inside = true;
  EXPECT_FALSE(corner_inside);
  if (rects) XFree(rects);

  const auto before = screenshot(s.dpy, "win_x11_skinned.png");
  const unsigned caption = 0x285AA0, border = 0x143264, button_face = 0x5A8CD2, hot = 0xFAC83C;
  EXPECT_EQ(before.pixel(r->x + 60, r->y + 12), caption);
  EXPECT_EQ(before.pixel(r->x + 2, r->y + 80), border);
  EXPECT_NE(before.pixel(r->x, r->y), border);  // the rounded corner shows the screen behind
  // The buttons at window (193 .. 213) and (216 .. 236), rows 7 .. 27.
  EXPECT_EQ(before.pixel(r->x + 195, r->y + 9), button_face);

  // The cursor follows the windows' classes: an arrow on the caption, a hand over the blue child.
  pointer_to(s.dpy, r->x + 60, r->y + 12);
  const auto arrow = cursor_pixels(s.dpy);
  pointer_to(s.dpy, r->cx + 150, r->cy + 60);
  std::vector<unsigned long> hand;
  for (int i = 0; i < 100 && (hand = cursor_pixels(s.dpy)) == arrow; ++i) ::usleep(20000);
  EXPECT_NE(hand, arrow) << "the hand cursor did not show over the child";

  // Drag the caption 100 pixels right and 80 down: the window follows and says where it is.
  pointer_to(s.dpy, r->x + 60, r->y + 12);
  button(s.dpy, true);
  for (int step = 1; step <= 10; ++step) pointer_to(s.dpy, r->x + 60 + 10 * step, r->y + 12 + 8 * step);
  button(s.dpy, false);
  EXPECT_EQ(demo.line(), "moved " + std::to_string(r->x + 100) + " " + std::to_string(r->y + 80));
  const int nx = r->x + 100, ny = r->y + 80;
  // The demo's move request reaches the server on its own connection: a round trip on ours does not
  // order it, so wait for it (bounded) before looking.
  ::Window child_ret = 0;
  int rx = 0, ry = 0;
  for (int i = 0; i < 100; ++i) {
    XSync(s.dpy, False);
    XTranslateCoordinates(s.dpy, target, RootWindow(s.dpy, 0), 0, 0, &rx, &ry, &child_ret);
    if (rx == nx && ry == ny) break;
    ::usleep(20000);
  }
  EXPECT_EQ(rx, nx);
  EXPECT_EQ(ry, ny);
  const auto moved = screenshot(s.dpy, "win_x11_skinned_moved.png");
  EXPECT_EQ(moved.pixel(nx + 60, ny + 12), caption);
  EXPECT_NE(moved.pixel(r->x + 60, r->y + 12), caption);  // nothing left at the old place

  // Over the minimise button it lights up (a non-client move); leaving it puts it out again (the
  // non-client leave notice).
  pointer_to(s.dpy, nx + 200, ny + 15);
  EXPECT_EQ(demo.line(), "hot 8");  // HTMINBUTTON
  ::usleep(100000);
  EXPECT_EQ(screenshot(s.dpy, "win_x11_skinned_hot.png").pixel(nx + 195, ny + 9), hot);
  pointer_to(s.dpy, nx + 100, ny + 100);
  EXPECT_EQ(demo.line(), "hot 0");
  // A click on it minimises the window: no window manager runs here, so it leaves the screen, and
  // the request to iconify reached the root window for any window manager to act on.
  pointer_to(s.dpy, nx + 200, ny + 15);
  EXPECT_EQ(demo.line(), "hot 8");
  button(s.dpy, true);
  button(s.dpy, false);
  EXPECT_EQ(demo.line(), "minimised");
  XWindowAttributes after;
  bool unmapped = false;
  for (int i = 0; i < 100 && !unmapped; ++i) {
    XSync(s.dpy, False);
    unmapped = XGetWindowAttributes(s.dpy, target, &after) && after.map_state == IsUnmapped;
    if (!unmapped) ::usleep(20000);
  }
  EXPECT_TRUE(unmapped);
  bool change_state = false;
  const Atom wm_change_state = XInternAtom(s.dpy, "WM_CHANGE_STATE", False);
  while (XPending(s.dpy)) {
    XEvent e;
    XNextEvent(s.dpy, &e);
    if (e.type == ClientMessage && e.xclient.message_type == wm_change_state && e.xclient.window == target &&
        e.xclient.data.l[0] == IconicState)
      change_state = true;
  }
  EXPECT_TRUE(change_state);
  const auto gone = screenshot(s.dpy, "win_x11_skinned_minimised.png");
  EXPECT_NE(gone.pixel(nx + 60, ny + 12), caption);
}

}  // namespace
