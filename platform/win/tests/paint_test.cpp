// Invalidation, paint messages and composition into the backing bitmaps, with a golden snapshot of a
// window with children and a window region.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/gdi/png_file.h"
#include "platform/win/tests/test_support.h"

namespace platform::win::test {
namespace {

using Lines = std::vector<std::string>;

class Paint : public WinTest {
protected:
  void SetUp() override {
    WinTest::SetUp();
    // The built-in bitmap font keeps captions the same on every machine.
    NONCLIENTMETRICS m;
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
    m.lfCaptionFont.lfFaceName = std::string(gdi::kTestFontFace);
    m.lfCaptionFont.lfHeight = 10;
    SystemParametersInfo(0x002A, m.cbSize, &m, 0);
  }
  // A class whose background is a solid colour.
  void solid_class(const char* name, COLORREF c) {
    WNDCLASSEX wc;
    wc.lpszClassName = name;
    wc.lpfnWndProc = recording_proc;
    wc.hbrBackground = gdi::CreateSolidBrush(c);
    brushes_.push_back(wc.hbrBackground);
    ASSERT_NE(RegisterClassEx(&wc), 0);
  }
  void TearDown() override {
    WinTest::TearDown();
    for (HBRUSH b : brushes_) gdi::DeleteObject(b);
  }
  static COLORREF at(HWND top, int x, int y) {
    const gdi::Bitmap* b = GetBackingBitmap(top);
    return gdi::colorref_from_pixel(b->pixel(x, y));
  }
  std::vector<HBRUSH> brushes_;
};

constexpr COLORREF kRed = gdi::RGB(220, 0, 0), kBlue = gdi::RGB(0, 0, 220), kWhite = gdi::RGB(255, 255, 255);

TEST_F(Paint, SnapshotOfAWindowWithChildrenAndARegion) {
  set_display(make_headless_display(200, 150));
  solid_class("White", kWhite);
  solid_class("Red", kRed);
  solid_class("Blue", kBlue);
  HWND a = CreateWindowEx(0, "White", "Snap", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 20, 15, 160,
                          120, nullptr, nullptr, nullptr, nullptr);
  HWND red = CreateWindowEx(0, "Red", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 40, a, nullptr, nullptr, nullptr);
  HWND blue = CreateWindowEx(0, "Blue", "", WS_CHILD | WS_VISIBLE, 40, 30, 60, 40, a, nullptr, nullptr, nullptr);
  SetWindowRgn(blue, gdi::CreateEllipticRgn(0, 0, 60, 40), FALSE);
  HRGN shape = gdi::CreateRectRgn(0, 0, 160, 120);
  HRGN notch = gdi::CreateRectRgn(130, 90, 160, 120);
  gdi::CombineRgn(shape, shape, notch, gdi::RGN_DIFF);
  gdi::DeleteObject(notch);
  SetWindowRgn(a, shape, TRUE);
  ShowWindow(a, SW_SHOW);
  UpdateWindow(a);
  pump();

  gdi::Bitmap screen = ComposeScreen(0x3A6EA5);
  const gdi::Pixel bg = 0x3A6EA5;
  // Client origin on the screen: frame 3, caption 19.
  const int cx = 20 + 3, cy = 15 + 3 + 19;
  EXPECT_EQ(screen.pixel(cx + 12, cy + 12), gdi::pixel_from_colorref(kRed));
  EXPECT_EQ(screen.pixel(cx + 70, cy + 50), gdi::pixel_from_colorref(kBlue));    // blue lies over red
  EXPECT_EQ(screen.pixel(cx + 41, cy + 31), gdi::pixel_from_colorref(kRed));     // outside the ellipse
  EXPECT_EQ(screen.pixel(cx + 120, cy + 10), gdi::pixel_from_colorref(kWhite));  // the frame's own client
  EXPECT_EQ(screen.pixel(20 + 150, 15 + 110), bg);                              // cut out by the region
  EXPECT_EQ(screen.pixel(5, 5), bg);
  EXPECT_EQ(screen.pixel(20 + 60, 15 + 8),
            gdi::pixel_from_colorref(GetSysColor(gdi::COLOR_ACTIVECAPTION)));  // active caption
  (void)red;

  const char* bin = std::getenv("THC_BINARY_DIR");
  std::string out = std::string(bin ? bin : ".") + "/win_snapshot.png";
  gdi::write_png_file(out, screen);
  std::string golden = "tests/golden/win_snapshot.png";
  if (std::getenv("THC_UPDATE_GOLDEN")) gdi::write_png_file(golden, screen);
  ASSERT_TRUE(std::filesystem::exists(golden)) << "missing golden file; the rendering is in " << out;
  gdi::Bitmap expected = gdi::read_png_file(golden);
  ASSERT_EQ(expected.width(), screen.width());
  ASSERT_EQ(expected.height(), screen.height());
  int differing = 0;
  for (int y = 0; y < screen.height(); ++y)
    for (int x = 0; x < screen.width(); ++x) differing += expected.pixel(x, y) != screen.pixel(x, y);
  EXPECT_EQ(differing, 0) << "compare " << out << " with " << golden;
}

TEST_F(Paint, InvalidationLeadsToOnePaintWithTheUpdatedArea) {
  HWND a = make("A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80);
  pump();
  RECT r{10, 10, 20, 30};
  RECT seen{};
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(a, GWLP_WNDPROC));
  WNDPROC spy = MakeProcInstance([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      seen = ps.rcPaint;
      EndPaint(h, &ps);
      record(h, m, "A");
      return 0;
    }
    return CallWindowProc(old, h, m, w, l);
  });
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(spy));
  trace().clear();
  InvalidateRect(a, &r, FALSE);
  RECT more{15, 25, 40, 35};
  InvalidateRect(a, &more, FALSE);
  pump();
  EXPECT_EQ(trace().lines, (Lines{"A:WM_PAINT"}));  // merged, and no erase was asked for
  EXPECT_EQ(seen, (RECT{10, 10, 40, 35}));
  trace().clear();
  InvalidateRect(a, nullptr, TRUE);
  ValidateRect(a, nullptr);
  pump();
  EXPECT_EQ(trace().lines, Lines{});
  InvalidateRect(a, nullptr, TRUE);
  UpdateWindow(a);  // paints at once, erasing first
  EXPECT_EQ(trace().lines, (Lines{"A:WM_ERASEBKGND", "A:WM_PAINT"}));
  ShowWindow(a, SW_HIDE);
  trace().clear();
  InvalidateRect(a, nullptr, TRUE);
  pump();
  EXPECT_TRUE(trace().lines.empty());  // hidden windows are not painted
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  FreeProcInstance(spy);
}

TEST_F(Paint, ChildrenAreInvalidatedUnlessTheParentClipsThem) {
  for (DWORD clip : {DWORD{0}, DWORD{WS_CLIPCHILDREN}}) {
    HWND a = make("A", WS_POPUP | WS_VISIBLE | clip, 0, 0, 100, 80);
    make("C", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, a, 1);
    pump();
    trace().clear();
    InvalidateRect(a, nullptr, TRUE);
    pump();
    Lines expected = clip ? Lines{"A:WM_ERASEBKGND", "A:WM_PAINT"}
                          : Lines{"A:WM_ERASEBKGND", "A:WM_PAINT", "C:WM_ERASEBKGND", "C:WM_PAINT"};
    std::vector<std::string> got;
    for (auto& l : trace().lines)
      if (l.find("PAINT") != std::string::npos || l.find("ERASE") != std::string::npos) got.push_back(l);
    // WM_ERASEBKGND comes from BeginPaint inside WM_PAINT, so it is recorded after it.
    Lines reordered;
    for (std::size_t i = 0; i + 1 < got.size(); i += 2) {
      reordered.push_back(got[i + 1]);
      reordered.push_back(got[i]);
    }
    EXPECT_EQ(reordered, expected) << clip;
    DestroyWindow(a);
  }
}

TEST_F(Paint, ParentsNeverPaintOverTheirChildrenAndMovesRepaintWhatWasUncovered) {
  solid_class("White", kWhite);
  solid_class("Red", kRed);
  HWND a = CreateWindowEx(0, "White", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr, nullptr, nullptr);
  HWND c = CreateWindowEx(0, "Red", "", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, a, nullptr, nullptr, nullptr);
  pump();
  EXPECT_EQ(at(a, 15, 15), kRed);
  // The parent fills everything it is given: the child keeps its pixels.
  HDC dc = GetDC(a);
  RECT all{0, 0, 100, 80};
  HBRUSH green = gdi::CreateSolidBrush(gdi::RGB(0, 200, 0));
  gdi::FillRect(dc, &all, green);
  ReleaseDC(a, dc);
  gdi::DeleteObject(green);
  EXPECT_EQ(at(a, 15, 15), kRed);
  EXPECT_EQ(at(a, 50, 50), gdi::RGB(0, 200, 0));
  MoveWindow(c, 50, 40, 20, 20, TRUE);
  pump();
  EXPECT_EQ(at(a, 15, 15), kWhite);  // the uncovered area got the parent's background again
  EXPECT_EQ(at(a, 55, 45), kRed);
  // A window DC reaches the frame; a client DC starts at the client area.
  HWND f = make("F", WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 0, 50, 50);
  pump();
  EXPECT_EQ(at(f, 0, 0), GetSysColor(gdi::COLOR_WINDOWFRAME));
  HDC cdc = GetDC(f);
  gdi::SetPixel(cdc, 0, 0, kBlue);
  gdi::SetPixel(cdc, -1, -1, kBlue);  // outside the client area: clipped
  ReleaseDC(f, cdc);
  EXPECT_EQ(at(f, 1, 1), kBlue);
  EXPECT_EQ(at(f, 0, 0), GetSysColor(gdi::COLOR_WINDOWFRAME));
}

TEST_F(Paint, EmptyAndOversizedWindowsAreHarmless) {
  HWND e = make("E", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0);
  ASSERT_TRUE(e);
  HDC dc = GetDC(e);
  RECT r{-5, -5, 50, 50};
  gdi::FillRect(dc, &r, gdi::GetSysColorBrush(gdi::COLOR_HIGHLIGHT));
  ReleaseDC(e, dc);
  pump();
  // A size no screen has is cut down instead of allocating without bound.
  EXPECT_TRUE(SetWindowPos(e, nullptr, 0, 0, 2000000000, 3, SWP_NOZORDER | SWP_NOACTIVATE));
  RECT wr;
  GetWindowRect(e, &wr);
  EXPECT_EQ(wr, (RECT{0, 0, 16384, 3}));
  EXPECT_EQ(GetBackingBitmap(e)->width(), 16384);
  pump();
}

TEST_F(Paint, FrameIsPaintedActiveAndInactive) {
  HWND a = make("A", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100);
  pump();
  EXPECT_EQ(at(a, 100, 8), GetSysColor(gdi::COLOR_ACTIVECAPTION));
  make("B", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 0, 200, 100);
  pump();
  EXPECT_EQ(at(a, 100, 8), GetSysColor(gdi::COLOR_INACTIVECAPTION));
  // A procedure that answers WM_NCPAINT itself owns the frame: the default one is not drawn.
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(a, GWLP_WNDPROC));
  WNDPROC own = MakeProcInstance([&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_NCPAINT) {
      HDC dc = GetWindowDC(h);
      RECT r{0, 0, 200, 23};
      HBRUSH b = gdi::CreateSolidBrush(kBlue);
      gdi::FillRect(dc, &r, b);
      gdi::DeleteObject(b);
      ReleaseDC(h, dc);
      return 0;
    }
    if (m == WM_NCACTIVATE) return TRUE;
    return CallWindowProc(old, h, m, w, l);
  });
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
  SetWindowPos(a, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  pump();
  EXPECT_EQ(at(a, 100, 8), kBlue);
  SetActiveWindow(a);
  pump();
  EXPECT_EQ(at(a, 100, 8), kBlue);
  SetWindowLongPtr(a, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  FreeProcInstance(own);
}

}  // namespace
}  // namespace platform::win::test
