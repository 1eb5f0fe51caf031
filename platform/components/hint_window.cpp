#include "platform/components/hint_window.h"

namespace platform::components {
namespace {
constexpr UINT kTextFormat = gdi::DT_LEFT | gdi::DT_WORDBREAK | gdi::DT_NOPREFIX;
}  // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  visible_ = false;
  TabStop = false;
  color_ = 0x80000000u | gdi::COLOR_INFOBK;
  Font.SetColor(0x80000000u | gdi::COLOR_INFOTEXT);
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.style = win::WS_POPUP | win::WS_BORDER;
  p.ex_style = win::WS_EX_TOOLWINDOW | win::WS_EX_TOPMOST | win::WS_EX_NOACTIVATE;
}

gdi::RECT THintWindow::CalcHintRect(int max_width, std::string_view text) {
  gdi::RECT r{0, 0, max_width, 0};
  HDC dc = win::GetDC(nullptr);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, Font.Handle());
  gdi::DrawText(dc, text, &r, kTextFormat | gdi::DT_CALCRECT);
  gdi::SelectObject(dc, old);
  win::ReleaseDC(nullptr, dc);
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(const gdi::RECT& rect, std::string_view text) {
  SetText(text);
  HWND h = Handle();
  left_ = rect.left;
  top_ = rect.top;
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
  win::SetWindowPos(h, win::HWND_TOPMOST, left_, top_, width_, height_, win::SWP_SHOWWINDOW | win::SWP_NOACTIVATE);
  win::InvalidateRect(h, nullptr, win::TRUE);
  win::UpdateWindow(h);
}

void THintWindow::paint(HDC dc) {
  gdi::RECT r;
  win::GetClientRect(Handle(), &r);
  gdi::HBRUSH b = gdi::CreateSolidBrush(ColorToRGB(color_));
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
  gdi::InflateRect(&r, -2, -2);
  r.left += 1;
  gdi::HGDIOBJ old = gdi::SelectObject(dc, Font.Handle());
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::SetTextColor(dc, ColorToRGB(Font.Color()));
  gdi::DrawText(dc, GetText(), &r, kTextFormat);
  gdi::SelectObject(dc, old);
}

void THintWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case win::WM_ERASEBKGND: m.Result = 1; return;
    case win::WM_PAINT: {
      win::PAINTSTRUCT ps;
      HDC dc = win::BeginPaint(Handle(), &ps);
      paint(dc);
      win::EndPaint(Handle(), &ps);
      m.Result = 0;
      return;
    }
    case win::WM_MOUSEACTIVATE: m.Result = win::MA_NOACTIVATE; return;
    case win::WM_NCHITTEST: m.Result = win::HTTRANSPARENT; return;
    default: TCustomControl::WndProc(m);
  }
}

}  // namespace platform::components
