#include "skin/tests/skin_fixture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/gdi/bmp_file.h"
#include "platform/gdi/png_file.h"
#include "skin/skin_reader.h"

namespace skin::test {
namespace {

constexpr gdi::COLORREF kKey = 0xFF00FF;

gdi::Bitmap solid_frames(int tag, int frame_w, int frame_h, int count, bool vertical) {
  const int w = vertical ? frame_w : frame_w * count, h = vertical ? frame_h * count : frame_h;
  gdi::Bitmap b(w, h, gdi::PixelFormat::k24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.set_pixel(x, y, gdi::pixel_from_colorref(frame_colour(tag, (vertical ? y / frame_h : x / frame_w) + 1)));
  return b;
}

// A side border of two frames with the rounded corner cut on the outer side.
gdi::Bitmap side_border(int tag, int width, bool left) {
  gdi::Bitmap b = solid_frames(tag, width, 40, 2, false);
  for (int f = 0; f < 2; ++f)
    for (int y = 0; y < kCorner; ++y)
      for (int i = 0; i < kCorner - y; ++i) b.set_pixel(f * width + (left ? i : width - 1 - i), y, gdi::pixel_from_colorref(kKey));
  return b;
}

}  // namespace
std::vector<std::string> g_trace;
namespace {

win::LRESULT recording_proc(win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
  if (msg == win::WM_SYSCOMMAND) g_trace.push_back(std::to_string(msg) + ":" + std::to_string(wp & 0xFFF0));
  else if (msg == kMsgButtonAction) g_trace.push_back(std::to_string(msg) + ":" + std::to_string(wp));
  else g_trace.push_back(std::to_string(msg));
  return win::DefWindowProc(hwnd, msg, wp, lp);
}

}  // namespace

gdi::COLORREF frame_colour(int tag, int k) { return gdi::RGB(30 * tag, 60 * k, 90); }
gdi::COLORREF five_frame_colour(int tag, int k) { return gdi::RGB(10 * tag, 45 * k, 150); }

namespace {
gdi::Bitmap five_frames(int tag, int fw, int fh) {
  gdi::Bitmap b(fw * 5, fh, gdi::PixelFormat::k24bit);
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < fw * 5; ++x) b.set_pixel(x, y, gdi::pixel_from_colorref(five_frame_colour(tag, x / fw + 1)));
  return b;
}
}  // namespace

std::vector<std::uint8_t> synthetic_skin_package(bool trans, int title) {
  auto bmp = [](const gdi::Bitmap& b) { return gdi::write_bmp(b, gdi::PixelFormat::k24bit); };
  std::vector<SkinEntry> entries = {
      {"top.bmp", bmp(solid_frames(kTagTop, 60, title, 2, true))},
      {"left.bmp", bmp(side_border(kTagLeft, kLeft, true))},
      {"right.bmp", bmp(side_border(kTagRight, kRight, false))},
      {"bottom.bmp", bmp(solid_frames(kTagBottom, 40, kBottom, 2, true))},
      {"close.bmp", bmp(solid_frames(kTagClose, kButtonSize, kButtonSize, 4, false))},
      {"max.bmp", bmp(solid_frames(kTagMax, kButtonSize, kButtonSize, 4, false))},
      {"min.bmp", bmp(solid_frames(kTagMin, kButtonSize, kButtonSize, 4, false))},
      {"menu.bmp", bmp(solid_frames(kTagMenu, 30, 30, 1, false))},
      {"button.bmp", bmp(five_frames(kTagButtons, kButtonFrame, kButtonFrame))},
      {"menuitem.bmp", bmp(five_frames(kTagMenuItem, kItemFrameW, kItemFrameH))},
  };
  const std::string t = trans ? "1" : "0";
  const std::string ini =
      "[Personality]\n"
      "Top=top.bmp\nTopFrame=2\nTopTopHeight=10\nTopBotHeight=10\nTopTrans=" + t + "\n"
      "Left=left.bmp\nLeftFrame=2\nLeftTopHeight=4\nLeftBotHeight=4\nLeftTrans=" + t + "\n"
      "Right=right.bmp\nRightFrame=2\nRightTopHeight=4\nRightBotHeight=4\nRightTrans=" + t + "\n"
      "Bottom=bottom.bmp\nBottomFrame=2\nBottomTopHeight=10\nBottomBotHeight=10\nBottomTrans=" + t + "\n"
      "TextShift=30\nTextShiftVert=0\nTextRightClip=70\nTextAlignment=0\n"
      "[Button0]\nButtonImage=close.bmp\nframe=4\nAction=0\nAlign=1\nXcoord=26\nYcoord=6\n"
      "[Button1]\nButtonImage=max.bmp\nframe=4\nAction=1\nAlign=1\nXcoord=44\nYcoord=6\nVisibility=6\nVisibility1=6\n"
      "[Button2]\nButtonImage=min.bmp\nframe=4\nAction=2\nAlign=1\nXcoord=62\nYcoord=6\nVisibility=6\nVisibility1=6\n"
      "[Button3]\nAction=3\nAlign=0\nXcoord=8\nYcoord=6\n"
      "[MenuBackground]\nImage=menu.bmp\nLeftWidth=3\nTopHeight=3\nRightWidth=3\nBottomHeight=3\n"
      "[Buttons]\nBitmap=button.bmp\nLeftWidth=2\nTopHeight=2\nRightWidth=2\nBottomHeight=2\nTrans=0\n"
      "[MenuItem]\nImage=menuitem.bmp\nLeftWidth=3\nTopHeight=3\nRightWidth=3\nBottomHeight=3\n"
      "[Colours]\nButtonFace=192,208,224\nTitleTextActive=255,255,255\nTitleTextNoActive=64,64,64\n"
      "ButtonText=0,0,128\nMenu=250,250,240\nMenuText=0,64,0\nHilight=0,0,200\nHilightText=255,255,0\n"
      "ButtonShadow=128,128,128\n";
  entries.push_back({"skin.ini", std::vector<std::uint8_t>(ini.begin(), ini.end())});
  return build_skin_package(entries);
}

gdi::Bitmap strip_of(int tag, int fw, int fh, int count, bool vertical) {
  const int w = vertical ? fw : fw * count, h = vertical ? fh * count : fh;
  gdi::Bitmap b(w, h, gdi::PixelFormat::k24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.set_pixel(x, y, px(strip_colour(tag, (vertical ? y / fh : x / fw) + 1)));
  return b;
}

gdi::Pixel client_pixel(const gdi::Bitmap& screen, win::HWND hwnd, int x, int y) {
  gdi::POINT p{x, y};
  win::ClientToScreen(hwnd, &p);
  return screen.pixel(p.x, p.y);
}

void expect_golden(const std::string& name, const gdi::Bitmap& shot) {
  const char* bin = std::getenv("THC_BINARY_DIR");
  const std::string out = std::string(bin ? bin : ".") + "/" + name + ".png";
  gdi::write_png_file(out, shot);
  const std::string golden = "tests/golden/" + name + ".png";
  if (std::getenv("THC_UPDATE_GOLDEN")) gdi::write_png_file(golden, shot);
  ASSERT_TRUE(std::filesystem::exists(golden)) << "missing golden file; the rendering is in " << out;
  const gdi::Bitmap expected = gdi::read_png_file(golden);
  ASSERT_EQ(expected.width(), shot.width()) << name;
  ASSERT_EQ(expected.height(), shot.height()) << name;
  int differing = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) differing += expected.pixel(x, y) != shot.pixel(x, y);
  EXPECT_EQ(differing, 0) << "compare " << out << " with " << golden;
}

std::vector<std::uint8_t> stream_of(const std::vector<std::uint8_t>& package) {
  const auto n = static_cast<std::uint32_t>(package.size());
  std::vector<std::uint8_t> s = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                 static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
  s.insert(s.end(), package.begin(), package.end());
  return s;
}

void SkinTest::SetUp() {
  ComponentsTest::SetUp();
  g_trace.clear();
  // Captions in the deterministic test font.
  win::NONCLIENTMETRICS m;
  m.cbSize = 340;
  win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
  m.lfCaptionFont = gdi::LOGFONT{};
  m.lfCaptionFont.lfHeight = -10;
  m.lfCaptionFont.lfFaceName = std::string(gdi::kTestFontFace);
  win::SystemParametersInfo(0x002A, m.cbSize, &m, 0);
  win::WNDCLASSEX wc;
  wc.lpfnWndProc = recording_proc;
  wc.lpszClassName = "SkinRec";
  wc.style = win::CS_DBLCLKS;
  wc.hbrBackground = reinterpret_cast<gdi::HBRUSH>(static_cast<std::uintptr_t>(gdi::COLOR_BTNFACE + 1));
  ASSERT_NE(win::RegisterClassEx(&wc), 0);
}

void SkinTest::TearDown() {
  DestroySkinManager();
  delete sd_;
  sd_ = nullptr;
  ComponentsTest::TearDown();
}

void SkinTest::start_skin(TSkinControlTypes controls, bool trans) {
  sd_ = new TSkinData(nullptr);
  sd_->BeginLoading();
  sd_->SkinControls = controls;
  sd_->SetActive(true);
  sd_->ReadSkinStream(stream_of(synthetic_skin_package(trans)));
  ASSERT_FALSE(sd_->FSkinNotReady);
  sd_->Loaded();
  ASSERT_NE(SkinManager(), nullptr);
}

win::HWND SkinTest::make(const char* caption, win::DWORD style, int x, int y, int w, int h, win::DWORD ex_style) {
  return win::CreateWindowEx(ex_style, "SkinRec", caption, style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}

void SkinTest::show(win::HWND hwnd) {
  win::ShowWindow(hwnd, win::SW_SHOW);
  win::SetActiveWindow(hwnd);
  pump();
  win::UpdateWindow(hwnd);
  pump();
}

void SkinTest::use_test_menu_font() {
  win::NONCLIENTMETRICS m;
  win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
  m.lfMenuFont = gdi::LOGFONT{};
  m.lfMenuFont.lfHeight = -10;
  m.lfMenuFont.lfFaceName = std::string(gdi::kTestFontFace);
  win::SystemParametersInfo(0x002A, m.cbSize, &m, 0);
}

void SkinTest::pass(int ms) {
  clock_.advance(std::chrono::milliseconds(ms));
  pump();
}

std::vector<std::string>& SkinTest::trace() { return g_trace; }

gdi::Bitmap SkinTest::on_screen(win::HWND hwnd) {
  gdi::RECT r;
  win::GetWindowRect(hwnd, &r);
  const gdi::Bitmap screen = win::ComposeScreen(0x000000);
  gdi::Bitmap out(r.right - r.left, r.bottom - r.top, gdi::PixelFormat::k24bit);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) out.set_pixel(x, y, screen.pixel(r.left + x, r.top + y));
  return out;
}

}  // namespace skin::test
