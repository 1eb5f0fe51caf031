// Starts thconsole on a private Xvfb server, waits for its main window, keeps a screenshot of it as
// an artefact, checks that its frame is drawn from the project's skin, and closes it with Alt+F4.
// Skipped where Xvfb is not installed; every wait is bounded.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include <fstream>
#include <iterator>

#include "core/testing/private_xvfb.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/png_file.h"
#include "skin/quick_ini.h"
#include "skin/skin_objects.h"
#include "skin/skin_reader.h"

// Last: the X headers define macros that clash with other headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "core/testing/x11_keys.h"

namespace {

using core::testing::ChildProcess;

// The frame of the active main window against the skin's border pictures (frame 1, the active look):
// a column across the title and the bottom border and a row across the side borders, where the
// stretched middles of the pictures repeat one pixel of each row or column. Key-coloured pixels are
// cut out of the window, so the screen never shows the key colour there.
struct FrameCheck {
  int checked = 0, differing = 0, key_shown = 0;
  bool ok() const { return checked > 0 && differing == 0 && key_shown == 0; }
};

FrameCheck CheckFrameAgainstSkin(const platform::gdi::Bitmap& shot) {
  FrameCheck out;
  const char* src = std::getenv("THC_SOURCE_DIR");
  std::ifstream in(std::string(src ? src : THC_PROJECT_SOURCE_DIR) + "/assets/skin/thconsole.skin", std::ios::binary);
  const std::vector<std::uint8_t> package{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  skin::TSkinReader reader;
  std::vector<std::uint8_t> ini_bytes;
  std::string ini_name;
  if (!reader.LoadPackage(package) || !reader.FindEntryContaining(".ini", ini_bytes, ini_name)) return out;
  skin::TQuickIni ini;
  ini.LoadFromStream(ini_bytes);
  skin::TSkinObjects objects;
  objects.Load(reader, ini);
  const skin::TDataSkinBorder &left = *objects.FBorders[1], &right = *objects.FBorders[2], &top = *objects.FBorders[3],
                              &bottom = *objects.FBorders[4];
  const int L = left.Image.Width() / left.Frame, R = right.Image.Width() / right.Frame;
  const int T = top.Image.Height() / top.Frame, B = bottom.Image.Height() / bottom.Frame;
  const int W = shot.width(), H = shot.height();
  if (L * R * T * B <= 0 || W <= L + R || H <= T + B) return out;
  constexpr platform::gdi::COLORREF kKey = 0xFF00FF;
  const platform::gdi::Pixel key = platform::gdi::pixel_from_colorref(kKey);
  auto expect = [&](int x, int y, platform::gdi::COLORREF c) {
    if (c == kKey) return;
    ++out.checked;
    out.differing += shot.pixel(x, y) != platform::gdi::pixel_from_colorref(c);
  };
  for (int y = 0; y < T; ++y) expect(W / 2, y, top.Image.PixelColour(top.Image.Width() / 2, y));
  for (int y = 0; y < B; ++y) expect(W / 2, H - B + y, bottom.Image.PixelColour(bottom.Image.Width() / 2, y));
  for (int x = 0; x < L; ++x) expect(x, H / 2, left.Image.PixelColour(x, left.Image.Height() / 2));
  for (int x = 0; x < R; ++x) expect(W - R + x, H / 2, right.Image.PixelColour(x, right.Image.Height() / 2));
  // The top corners: where the side pictures hold the key colour, the window is cut away.
  for (int y = 0; y < std::min(T, left.Image.Height()); ++y) {
    for (int x = 0; x < L; ++x) {
      out.key_shown += left.Image.PixelColour(x, y) == kKey && shot.pixel(x, y) == key;
      out.key_shown += right.Image.PixelColour(x, y) == kKey && shot.pixel(W - R + x, y) == key;
    }
  }
  return out;
}

TEST(ConsoleOnX11, MainWindowOpensAndCloses) {
  core::testing::PrivateXvfb server("1024x768x24");
  if (!server.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(server.launched());
  if (!server.started()) GTEST_SKIP() << "Xvfb did not start here";
  const std::string display = server.display();

  char tmpl[] = "/tmp/thc_xvfb_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string work = tmpl;
  ChildProcess program;
  program.pid = ::fork();
  ASSERT_GE(program.pid, 0);
  if (program.pid == 0) {
    if (::chdir(work.c_str()) != 0) ::_exit(126);
    ::setenv("DISPLAY", display.c_str(), 1);
    ::execl(THC_CONSOLE_PROGRAM, "thconsole", static_cast<char*>(nullptr));
    ::_exit(127);
  }

  // X errors are reported, not fatal, so that the children are always cleaned up.
  XSetErrorHandler([](::Display*, XErrorEvent* e) {
    ADD_FAILURE() << "X error " << static_cast<int>(e->error_code) << " in request " << static_cast<int>(e->request_code);
    return 0;
  });
  ::Display* dpy = nullptr;
  for (int i = 0; i < 100 && !dpy; ++i) {
    dpy = XOpenDisplay(display.c_str());
    if (!dpy) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_NE(dpy, nullptr);
  // The main window: a viewable top-level at least as large as its client area (920 x 600).
  ::Window target = 0;
  XWindowAttributes found{};
  for (int i = 0; i < 200 && !target; ++i) {
    ::Window root_ret, parent_ret, *kids = nullptr;
    unsigned nkids = 0;
    XQueryTree(dpy, RootWindow(dpy, 0), &root_ret, &parent_ret, &kids, &nkids);
    for (unsigned k = 0; k < nkids; ++k) {
      XWindowAttributes wa;
      if (XGetWindowAttributes(dpy, kids[k], &wa) && wa.map_state == IsViewable && wa.width >= 920 && wa.height >= 600) {
        target = kids[k];
        found = wa;
      }
    }
    if (kids) XFree(kids);
    if (!target) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_NE(target, 0u) << "thconsole did not show its window";
  // The window as the screen shows it, clipped to the screen, once it is painted with its skin (the
  // skin also resizes it around its client area); every wait is bounded.
  platform::gdi::Bitmap shot(1, 1);
  std::set<unsigned long> colours;
  FrameCheck frame;
  bool whole = false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(XGetWindowAttributes(dpy, target, &found));
    const int x0 = std::max(0, found.x), y0 = std::max(0, found.y);
    const int w = std::min(found.x + found.width, DisplayWidth(dpy, 0)) - x0;
    const int h = std::min(found.y + found.height, DisplayHeight(dpy, 0)) - y0;
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    whole = found.x == x0 && found.y == y0 && w == found.width && h == found.height;
    XImage* img = XGetImage(dpy, RootWindow(dpy, 0), x0, y0, static_cast<unsigned>(w), static_cast<unsigned>(h),
                            AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    shot = platform::gdi::Bitmap(w, h);
    colours.clear();
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const unsigned long px = XGetPixel(img, x, y) & 0xFFFFFF;
        colours.insert(px);
        shot.set_pixel(x, y, static_cast<platform::gdi::Pixel>(px));
      }
    }
    XDestroyImage(img);
    frame = CheckFrameAgainstSkin(shot);
    if (colours.size() > 8 && frame.ok()) break;
  }
  const char* bin = std::getenv("THC_BINARY_DIR");
  platform::gdi::write_png_file(std::string(bin ? bin : ".") + "/console_xvfb_screenshot.png", shot);
  // Frames, buttons, text: a painted window, not an empty rectangle.
  EXPECT_GT(colours.size(), 8u);
  EXPECT_TRUE(whole) << "the window reaches past the screen";
  EXPECT_GT(frame.checked, 0);
  EXPECT_EQ(frame.differing, 0) << "frame pixels that are not the skin's";
  EXPECT_EQ(frame.key_shown, 0) << "key-coloured pixels that should be cut away";

  // Alt+F4 closes the main window, which ends the program.
  core::testing::SendAltF4(dpy, target);
  XCloseDisplay(dpy);
  int status = -1;
  pid_t done = 0;
  for (int i = 0; i < 200 && done == 0; ++i) {
    done = ::waitpid(program.pid, &status, WNOHANG);
    if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(done, program.pid) << "thconsole did not end after Alt+F4";
  program.pid = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  // Start-up made the reports' folder in the working directory.
  EXPECT_TRUE(std::filesystem::is_directory(work + "/data"));
  std::error_code ec;
  std::filesystem::remove_all(work, ec);
}

}  // namespace
