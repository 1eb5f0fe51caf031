// Opens a window with a caption, two children and a window region on the display named by DISPLAY
// (headless without one), prints "ready <x> <y> <width> <height>" once it is on screen, and runs
// until it is closed or the time given as the first argument (seconds) has passed.
#include <cstdio>
#include <cstdlib>

#include "platform/win/display.h"
#include "platform/win/win.h"

using namespace platform::win;
namespace gdi = platform::gdi;

namespace {

bool g_announced = false;

LRESULT frame_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      RECT band{0, 0, r.right, 20};
      HBRUSH b = gdi::CreateSolidBrush(gdi::RGB(0, 160, 0));
      gdi::FillRect(dc, &band, b);
      gdi::DeleteObject(b);
      EndPaint(hwnd, &ps);
      if (!g_announced) PostMessage(hwnd, WM_USER, 0, 0);
      return 0;
    }
    case WM_USER:
      if (!g_announced) {
        g_announced = true;
        RECT w;
        GetWindowRect(hwnd, &w);
        ProcessPendingMessages();
        std::printf("ready %d %d %d %d\n", static_cast<int>(w.left), static_cast<int>(w.top),
                    static_cast<int>(w.right - w.left), static_cast<int>(w.bottom - w.top));
        std::fflush(stdout);
      }
      return 0;
    case WM_TIMER:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wp, lp);
  }
}

LRESULT child_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    COLORREF c = GetDlgCtrlID(hwnd) == 1 ? gdi::RGB(220, 0, 0) : gdi::RGB(0, 0, 220);
    HBRUSH b = gdi::CreateSolidBrush(c);
    gdi::FillRect(reinterpret_cast<HDC>(wp), &r, b);
    gdi::DeleteObject(b);
    return 1;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  init_display_from_environment();
  WNDCLASSEX wc;
  wc.lpfnWndProc = frame_proc;
  wc.lpszClassName = "DemoFrame";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(gdi::COLOR_WINDOW + 1));
  RegisterClassEx(&wc);
  wc.lpfnWndProc = child_proc;
  wc.lpszClassName = "DemoChild";
  RegisterClassEx(&wc);
  HWND frame = CreateWindowEx(0, "DemoFrame", "Demo", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              40, 30, 240, 160, nullptr, nullptr, nullptr, nullptr);
  CreateWindowEx(0, "DemoChild", "", WS_CHILD | WS_VISIBLE, 20, 40, 60, 50, frame, reinterpret_cast<HMENU>(1), nullptr,
                 nullptr);
  CreateWindowEx(0, "DemoChild", "", WS_CHILD | WS_VISIBLE, 120, 40, 60, 50, frame, reinterpret_cast<HMENU>(2),
                 nullptr, nullptr);
  // Cut the top-right corner off: the window region shows through to the screen behind it.
  HRGN full = gdi::CreateRectRgn(0, 0, 240, 160);
  HRGN corner = gdi::CreateRectRgn(200, 0, 240, 30);
  gdi::CombineRgn(full, full, corner, gdi::RGN_DIFF);
  gdi::DeleteObject(corner);
  SetWindowRgn(frame, full, TRUE);
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(frame);
  SetTimer(frame, 1, static_cast<UINT>(seconds) * 1000u, nullptr);
  return RunMessageLoop();
}
