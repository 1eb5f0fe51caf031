// A fixture for the skin engine on the headless window system: a synthetic frame skin whose every
// frame is one solid colour (so a pixel tells which frame of which picture is where), a skin data
// component loaded with it, and windows of a class that records every message reaching its own
// procedure.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/components/tests/test_support.h"
#include "platform/win/win.h"
#include "skin/skin_data.h"
#include "skin/skin_manager.h"

namespace skin::test {

namespace pc = platform::components;
namespace win = platform::win;

// Every message that reached a window of the recording class ("<number>"; WM_SYSCOMMAND with
// ":<command>", the unhandled caption-button action with ":<action>").
extern std::vector<std::string> g_trace;

// The pixel a colour value paints.
inline gdi::Pixel px(gdi::COLORREF c) { return gdi::pixel_from_colorref(c); }

// Frame sizes of the synthetic skin.
inline constexpr int kLeft = 6, kRight = 6, kTitle = 28, kBottom = 5;
// Window coordinates of the caption buttons (Align 1 buttons sit at W - Xcoord).
inline constexpr int kButtonSize = 16, kButtonTop = 6, kCloseX = 26, kMaxX = 44, kMinX = 62, kIconX = 8, kIconY = 6;

// Colour of frame k (1-based) of the picture tagged `tag`.
gdi::COLORREF frame_colour(int tag, int k);
enum Tag { kTagTop = 1, kTagLeft, kTagRight, kTagBottom, kTagClose, kTagMax, kTagMin, kTagMenu, kTagButtons, kTagMenuItem };
// Colour of frame k (1-based) of the five-frame pictures ([Buttons] and [MenuItem]).
gdi::COLORREF five_frame_colour(int tag, int k);
// Sizes of the five-frame pictures: button frames 20 x 20 with margins 2, menu-item frames 20 x 12
// with margins 3; both opaque.
inline constexpr int kButtonFrame = 20, kButtonMargin = 2, kItemFrameW = 20, kItemFrameH = 12, kItemMargin = 3;
// The left and right borders have a rounded corner of this many key-coloured pixels in their top
// rows: row y (0-based, y < 3) is cut for x < 3 - y on the left and mirrored on the right.
inline constexpr int kCorner = 3;
// Face colour of the skin.
inline constexpr gdi::COLORREF kFace = 0x00E0D0C0;
inline constexpr gdi::COLORREF kTitleTextActive = 0x00FFFFFF, kTitleTextInactive = 0x00404040;

// The package of the synthetic skin; `trans` cuts the key colour out of the window region, `title`
// is the height of the title bar.
std::vector<std::uint8_t> synthetic_skin_package(bool trans = true, int title = kTitle);
// The stream a form stores: a 32-bit little-endian count, then the package.
std::vector<std::uint8_t> stream_of(const std::vector<std::uint8_t>& package);

// Colour of frame k (1-based, up to 12) of a test strip tagged `tag` (1 to 12).
inline gdi::COLORREF strip_colour(int tag, int k) { return gdi::RGB(20 * tag, 20 * k, 200); }
// A strip of `count` frames of fw x fh side by side (stacked when `vertical`), frame k in
// strip_colour(tag, k).
gdi::Bitmap strip_of(int tag, int fw, int fh, int count, bool vertical = false);
// The screen's pixel at a point of a window's client area.
gdi::Pixel client_pixel(const gdi::Bitmap& screen, win::HWND hwnd, int x, int y);

// Compares a rendering with tests/golden/<name>.png pixel for pixel (THC_UPDATE_GOLDEN=1 rewrites the
// golden); the rendering is also written to the binary directory.
void expect_golden(const std::string& name, const gdi::Bitmap& shot);

class SkinTest : public pc::test::ComponentsTest {
protected:
  void SetUp() override;
  void TearDown() override;
  // The skin data component (main form type, active), loaded with the package and started.
  void start_skin(TSkinControlTypes controls = TSkinData::kDefaultSkinControls, bool trans = true);
  // A window of the recording class with the given style, not yet shown.
  win::HWND make(const char* caption, win::DWORD style, int x, int y, int w, int h, win::DWORD ex_style = 0);
  // Shows and activates a window and runs the loop until the skin is applied.
  void show(win::HWND hwnd);
  // Menus in the deterministic test font.
  void use_test_menu_font();
  // Lets virtual time pass, then runs the loop.
  void pass(int ms);
  std::vector<std::string>& trace();
  // The window's pixels as the screen shows them, outside its region the screen background.
  gdi::Bitmap on_screen(win::HWND hwnd);

  TSkinData* sd_ = nullptr;
};

}  // namespace skin::test
