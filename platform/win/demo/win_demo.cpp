// Opens a window on the display named by DISPLAY (headless without one), prints
// "ready <x> <y> <width> <height> <client x> <client y>" once it is on screen, and runs until it is
// closed or the time given as the first argument (seconds) has passed.
//
// Without a second argument the window has the layer's caption, two children and a window region
// (the window manager decorates it). With "skinned" it draws its own frame as a skin does: a
// caption with minimise and close buttons that light up under the pointer (non-client hover and
// leave notices), rounded corners by a window region, no window-manager decorations, and a child
// with the hand cursor. It then also prints "hot <hit code>" when a button lights up or goes out
// ("hot 0"), "moved <x> <y>" after a move by the caption, and "minimised" / "restored".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win/display.h"
#include "platform/win/win.h"

using namespace platform::win;
namespace gdi = platform::gdi;

namespace {

bool g_announced = false;
bool g_skinned = false;

void say(const char* fmt, int a = 0, int b = 0) {
  std::printf(fmt, a, b);
  std::printf("\n");
  std::fflush(stdout);
}

void announce(HWND hwnd) {
  if (g_announced) return;
  g_announced = true;
  RECT w;
  GetWindowRect(hwnd, &w);
  POINT c{0, 0};
  ClientToScreen(hwnd, &c);
  ProcessPendingMessages();
  std::printf("ready %d %d %d %d %d %d\n", static_cast<int>(w.left), static_cast<int>(w.top),
              static_cast<int>(w.right - w.left), static_cast<int>(w.bottom - w.top), static_cast<int>(c.x),
              static_cast<int>(c.y));
  std::fflush(stdout);
}

void fill(HDC dc, const RECT& r, COLORREF c) {
  HBRUSH b = gdi::CreateSolidBrush(c);
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

// ---- the skinned frame: sizes and colours of its own ----
constexpr int kBorder = 4, kCaption = 26, kButton = 20;
constexpr COLORREF kCaptionColour = gdi::RGB(40, 90, 160), kBorderColour = gdi::RGB(20, 50, 100),
                   kButtonColour = gdi::RGB(90, 140, 210), kHotColour = gdi::RGB(250, 200, 60),
                   kPressedColour = gdi::RGB(200, 80, 40);
int g_hot = 0, g_pressed = 0;  // HTMINBUTTON or HTCLOSE

RECT button_rect(HWND hwnd, int hit) {
  RECT w;
  GetWindowRect(hwnd, &w);
  const int width = w.right - w.left;
  const int right = width - kBorder - 3 - (hit == HTMINBUTTON ? kButton + 3 : 0);
  return {right - kButton, kBorder + 3, right, kBorder + 3 + kButton};
}

void paint_skin_frame(HWND hwnd) {
  HDC dc = GetWindowDC(hwnd);
  RECT w;
  GetWindowRect(hwnd, &w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  // The frame only: the client area is the window's own to paint.
  gdi::ExcludeClipRect(dc, kBorder, kBorder + kCaption, width - kBorder, height - kBorder);
  fill(dc, {0, 0, width, height}, kBorderColour);
  fill(dc, {kBorder, kBorder, width - kBorder, kBorder + kCaption}, kCaptionColour);
  for (int hit : {HTMINBUTTON, HTCLOSE}) {
    const RECT b = button_rect(hwnd, hit);
    fill(dc, b, g_pressed == hit ? kPressedColour : g_hot == hit ? kHotColour : kButtonColour);
    // A bar for minimise, a cross for close.
    if (hit == HTMINBUTTON) {
      fill(dc, {b.left + 5, b.bottom - 7, b.right - 5, b.bottom - 4}, gdi::RGB(255, 255, 255));
    } else {
      for (int i = 5; i < kButton - 5; ++i) {
        fill(dc, {b.left + i, b.top + i, b.left + i + 2, b.top + i + 1}, gdi::RGB(255, 255, 255));
        fill(dc, {b.right - i - 2, b.top + i, b.right - i, b.top + i + 1}, gdi::RGB(255, 255, 255));
      }
    }
  }
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::SetTextColor(dc, gdi::RGB(255, 255, 255));
  RECT t{kBorder + 8, kBorder, width - 2 * kButton - 20, kBorder + kCaption};
  gdi::DrawText(dc, GetWindowText(hwnd), &t, gdi::DT_SINGLELINE | gdi::DT_VCENTER | gdi::DT_END_ELLIPSIS);
  ReleaseDC(hwnd, dc);
}

int skin_hit(HWND hwnd, POINT screen) {
  RECT w;
  GetWindowRect(hwnd, &w);
  const POINT p{screen.x - w.left, screen.y - w.top};
  const int width = w.right - w.left, height = w.bottom - w.top;
  if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height) return HTNOWHERE;
  for (int hit : {HTMINBUTTON, HTCLOSE}) {
    const RECT b = button_rect(hwnd, hit);
    if (p.x >= b.left && p.x < b.right && p.y >= b.top && p.y < b.bottom) return hit;
  }
  if (p.x < kBorder || p.x >= width - kBorder || p.y < kBorder || p.y >= height - kBorder) return HTBORDER;
  if (p.y < kBorder + kCaption) return HTCAPTION;
  return HTCLIENT;
}

void set_hot(HWND hwnd, int hit) {
  if (hit == g_hot) return;
  g_hot = hit;
  say("hot %d", hit);
  paint_skin_frame(hwnd);
}

LRESULT skin_nc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  *handled = true;
  switch (msg) {
    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(lp);  // rgrc[0] comes first in both forms
      r->left += kBorder;
      r->right -= kBorder;
      r->top += kBorder + kCaption;
      r->bottom -= kBorder;
      return 0;
    }
    case WM_NCPAINT: paint_skin_frame(hwnd); return 0;
    case WM_NCACTIVATE: paint_skin_frame(hwnd); return TRUE;
    case WM_NCHITTEST: return skin_hit(hwnd, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_NCMOUSEMOVE: {
      const int hit = static_cast<int>(wp);
      set_hot(hwnd, hit == HTMINBUTTON || hit == HTCLOSE ? hit : 0);
      TRACKMOUSEEVENT tme;
      tme.dwFlags = TME_LEAVE | TME_NONCLIENT;
      tme.hwndTrack = hwnd;
      TrackMouseEvent(&tme);
      return 0;
    }
    case WM_NCMOUSELEAVE:
      g_pressed = 0;
      set_hot(hwnd, 0);
      return 0;
    case WM_NCLBUTTONDOWN:
      if (wp == HTMINBUTTON || wp == HTCLOSE) {
        g_pressed = static_cast<int>(wp);
        paint_skin_frame(hwnd);
        return 0;
      }
      break;
    case WM_NCLBUTTONUP:
      // The button acts when it is released where it was pressed, as a skin's caption buttons do.
      if (g_pressed && static_cast<int>(wp) == g_pressed) {
        PostMessage(hwnd, WM_SYSCOMMAND, g_pressed == HTMINBUTTON ? SC_MINIMIZE : SC_CLOSE, 0);
        g_pressed = 0;
        paint_skin_frame(hwnd);
        return 0;
      }
      g_pressed = 0;
      break;
    case WM_EXITSIZEMOVE: {
      RECT r;
      GetWindowRect(hwnd, &r);
      say("moved %d %d", static_cast<int>(r.left), static_cast<int>(r.top));
      break;
    }
    case WM_SIZE:
      if (wp == SIZE_MINIMIZED) say("minimised");
      else if (IsWindowVisible(hwnd) && g_announced) say("restored");
      break;
    default: break;
  }
  *handled = false;
  return 0;
}

LRESULT frame_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_skinned) {
    bool handled = false;
    LRESULT r = skin_nc(hwnd, msg, wp, lp, &handled);
    if (handled) return r;
  }
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      fill(dc, {0, 0, r.right, 20}, gdi::RGB(0, 160, 0));
      EndPaint(hwnd, &ps);
      if (!g_announced) PostMessage(hwnd, WM_USER, 0, 0);
      return 0;
    }
    case WM_USER: announce(hwnd); return 0;
    case WM_TIMER: DestroyWindow(hwnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProc(hwnd, msg, wp, lp);
  }
}

LRESULT child_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    fill(reinterpret_cast<HDC>(wp), r, GetDlgCtrlID(hwnd) == 1 ? gdi::RGB(220, 0, 0) : gdi::RGB(0, 0, 220));
    return 1;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  g_skinned = argc > 2 && std::strcmp(argv[2], "skinned") == 0;
  init_display_from_environment();
  WNDCLASSEX wc;
  wc.lpfnWndProc = frame_proc;
  wc.lpszClassName = "DemoFrame";
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(gdi::COLOR_WINDOW + 1));
  RegisterClassEx(&wc);
  wc.lpfnWndProc = child_proc;
  wc.lpszClassName = "DemoChild";
  RegisterClassEx(&wc);
  wc.lpszClassName = "DemoLink";  // the blue child: a hand over it
  wc.hCursor = LoadCursor(nullptr, IDC_HAND);
  RegisterClassEx(&wc);
  HWND frame = CreateWindowEx(0, "DemoFrame", "Demo", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              40, 30, 240, 160, nullptr, nullptr, nullptr, nullptr);
  CreateWindowEx(0, "DemoChild", "", WS_CHILD | WS_VISIBLE, 20, 40, 60, 50, frame, reinterpret_cast<HMENU>(1), nullptr,
                 nullptr);
  CreateWindowEx(0, "DemoLink", "", WS_CHILD | WS_VISIBLE, 120, 40, 60, 50, frame, reinterpret_cast<HMENU>(2), nullptr,
                 nullptr);
  if (g_skinned) {
    SetWindowOwnFrame(frame, TRUE);
    SetWindowPos(frame, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    SetWindowRgn(frame, gdi::CreateRoundRectRgn(0, 0, 241, 161, 16, 16), TRUE);
  } else {
    // Cut the top-right corner off: the window region shows through to the screen behind it.
    HRGN full = gdi::CreateRectRgn(0, 0, 240, 160);
    HRGN corner = gdi::CreateRectRgn(200, 0, 240, 30);
    gdi::CombineRgn(full, full, corner, gdi::RGN_DIFF);
    gdi::DeleteObject(corner);
    SetWindowRgn(frame, full, TRUE);
  }
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(frame);
  SetTimer(frame, 1, static_cast<UINT>(seconds) * 1000u, nullptr);
  return RunMessageLoop();
}
