// Runs the demo program on a private Xvfb server and checks a screenshot of it. Skipped where Xvfb
// is not installed; every wait is bounded, so a broken server or program cannot hang the test.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "core/testing/private_xvfb.h"
#include "platform/gdi/png_file.h"

// Last: the X headers define macros that clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "core/testing/x11_keys.h"

namespace {

using core::testing::ChildProcess;
using core::testing::ReadLineWithin;

TEST(X11Demo, DemoWindowAppearsOnTheServer) {
  core::testing::PrivateXvfb server("640x480x24");
  if (!server.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(server.launched());
  if (!server.started()) GTEST_SKIP() << "Xvfb did not start here";
  const std::string display = server.display();

  int dp[2];
  ASSERT_EQ(::pipe(dp), 0);
  ChildProcess demo;
  demo.pid = ::fork();
  ASSERT_GE(demo.pid, 0);
  if (demo.pid == 0) {
    ::close(dp[0]);
    ::dup2(dp[1], 1);
    ::setenv("DISPLAY", display.c_str(), 1);
    ::execl(THC_WIN_DEMO, "thc_win_demo", "30", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(dp[1]);
  std::string ready;
  ASSERT_TRUE(ReadLineWithin(dp[0], &ready, 20000)) << "the demo did not show its window";
  std::istringstream in(ready);
  std::string word;
  int x = 0, y = 0, w = 0, h = 0;
  in >> word >> x >> y >> w >> h;
  ASSERT_EQ(word, "ready");
  EXPECT_EQ(w, 240);
  EXPECT_EQ(h, 160);

  ::Display* dpy = XOpenDisplay(display.c_str());
  ASSERT_NE(dpy, nullptr);
  int sw = DisplayWidth(dpy, 0), sh = DisplayHeight(dpy, 0);
  XImage* img = XGetImage(dpy, RootWindow(dpy, 0), 0, 0, static_cast<unsigned>(sw), static_cast<unsigned>(sh),
                          AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  platform::gdi::Bitmap shot(sw, sh);
  for (int yy = 0; yy < sh; ++yy)
    for (int xx = 0; xx < sw; ++xx) shot.set_pixel(xx, yy, static_cast<platform::gdi::Pixel>(XGetPixel(img, xx, yy) & 0xFFFFFF));
  XDestroyImage(img);

  // Alt+F4 sent as X key events closes the window through the input path; the demo then ends and
  // its output pipe closes.
  ::Window root_ret, parent_ret, *kids = nullptr;
  unsigned nkids = 0;
  XQueryTree(dpy, RootWindow(dpy, 0), &root_ret, &parent_ret, &kids, &nkids);
  ::Window target = 0;
  for (unsigned i = 0; i < nkids; ++i) {
    XWindowAttributes wa;
    if (XGetWindowAttributes(dpy, kids[i], &wa) && wa.map_state == IsViewable && wa.x == x && wa.y == y) target = kids[i];
  }
  if (kids) XFree(kids);
  ASSERT_NE(target, 0u);
  core::testing::SendAltF4(dpy, target);
  XCloseDisplay(dpy);
  std::string rest;
  EXPECT_FALSE(ReadLineWithin(dp[0], &rest, 20000)) << "the demo printed more: " << rest;
  int status = 0;
  pollfd p{dp[0], POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 0), 1);  // end of file: the demo has ended
  ::close(dp[0]);
  EXPECT_EQ(::waitpid(demo.pid, &status, 0), demo.pid);
  demo.pid = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const char* bin = std::getenv("THC_BINARY_DIR");
  platform::gdi::write_png_file(std::string(bin ? bin : ".") + "/win_x11_screenshot.png", shot);

  // Client origin: fixed frame 3, caption 19. The red child is at (20, 40), the blue one at (120, 40).
  int cx = x + 3, cy = y + 3 + 19;
  EXPECT_EQ(shot.pixel(cx + 30, cy + 60), 0xDC0000u);
  EXPECT_EQ(shot.pixel(cx + 150, cy + 60), 0x0000DCu);
  EXPECT_EQ(shot.pixel(cx + 100, cy + 10), 0x00A000u);  // the green band the frame paints
  // The region's notch leaves the screen behind visible, which the caption colour is not.
  EXPECT_NE(shot.pixel(x + 230, y + 8), shot.pixel(x + 100, y + 8));
}

}  // namespace
