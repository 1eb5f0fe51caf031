#include "skin/control_painting.h"

#include <algorithm>

#include "skin/draw_primitives.h"

namespace skin {

namespace {
gdi::COLORREF shadow() { return gdi::GetSysColor(gdi::COLOR_BTNSHADOW); }
}  // namespace

win::UINT AlignmentFlag(int alignment) {
  switch (alignment) {
    case 1: return gdi::DT_RIGHT;
    case 2: return gdi::DT_CENTER;
    default: return 0;
  }
}

void DrawSkinObjectFrame(gdi::HDC dc, const gdi::RECT& r, int count, int index, const TDataSkinObject& object) {
  if (r.right < r.left || r.bottom < r.top) return;
  SkinImage frame = BuildNineGridBitmap(r, object.Image, object.Margins(), false, object.Tile != 0, count, index);
  if (frame.Empty()) return;
  if (object.Trans == 1) {
    DrawTransparentBitmap(dc, r, frame, kKeyColour);
  } else {
    SelectedBitmap src(frame.Handle());
    gdi::BitBlt(dc, r.left, r.top, r.width(), r.height(), src.dc(), 0, 0, gdi::SRCCOPY);
  }
}

void DrawKeyedFrame(gdi::HDC dc, const gdi::RECT& r, int count, int index, const SkinImage& bitmap) {
  if (r.width() <= 0 || r.height() <= 0 || bitmap.Empty()) return;
  const gdi::RECT source = FrameRect(bitmap, count, index);
  SkinImage stretched(gdi::Bitmap(r.width(), r.height(), gdi::PixelFormat::k24bit));
  {
    SelectedBitmap from(bitmap.Handle()), to(stretched.Handle());
    gdi::SetStretchBltMode(to.dc(), gdi::COLORONCOLOR);
    gdi::StretchBlt(to.dc(), 0, 0, r.width(), r.height(), from.dc(), source.left, source.top, source.width(),
                    source.height(), gdi::SRCCOPY);
  }
  DrawTransparentBitmap(dc, r, stretched, kKeyColour);
}

win::UINT BiDiFlags(const TSkinControl* s, win::UINT flags) {
  return s && s->RightToLeft() ? flags | gdi::DT_RTLREADING : flags;
}

void DrawCaptionText(const TSkinControl* s, gdi::HDC dc, const gdi::RECT& r, win::UINT align, bool enabled,
                     std::u16string_view text) {
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::RECT m = r;
  DrawTextWide(dc, text, &m, align | gdi::DT_CALCRECT | gdi::DT_NOCLIP | gdi::DT_EXPANDTABS);
  const int dy = (r.height() - m.height()) / 2 - 1;
  if (align == gdi::DT_CENTER) {
    gdi::OffsetRect(&m, (r.width() - m.width()) / 2, dy);
  } else {
    gdi::OffsetRect(&m, 0, dy);
    m.left = r.left;
    m.right = r.right;
  }
  if (!enabled) gdi::SetTextColor(dc, shadow());
  DrawTextWide(dc, text, &m, BiDiFlags(s, align | gdi::DT_EXPANDTABS));
}

void DrawIconAndText(const TSkinControl* s, gdi::HDC dc, const gdi::RECT& r, int alignment, std::u16string_view text,
                     int image, gdi::HIMAGELIST list) {
  int cx = 0, cy = 0;
  if (list) gdi::ImageList_GetIconSize(list, &cx, &cy);
  gdi::RECT icon{0, 0, 0, 0};
  if (image != -1 && list && cx < r.width()) icon = {0, 0, cx, cy};
  else cx = 0;
  const win::UINT f = gdi::DT_END_ELLIPSIS | gdi::DT_EXPANDTABS | gdi::DT_WORDBREAK;
  gdi::RECT t = r;
  if (list && image != -1) t.right += cx + 2;
  if (!text.empty()) DrawTextWide(dc, text, &t, f | gdi::DT_CALCRECT | gdi::DT_NOCLIP);
  else t.right = t.left;
  gdi::OffsetRect(&icon, r.left, r.top);
  int x = 3;
  if (alignment == 1) x = ((r.width() - cx) - t.width()) / 2;
  else if (alignment == 2) x = (r.width() - cx) - t.width() - 2;
  if (x < 2) x = 1;
  gdi::OffsetRect(&icon, x, (r.height() - cx) / 2);
  gdi::OffsetRect(&t, x + cx, (r.height() - t.height()) / 2);
  // An icon that did not fit was given no box: it is left out.
  if (list && image != -1 && icon.right > icon.left) gdi::ImageList_Draw(list, image, dc, icon.left, icon.top, gdi::ILD_TRANSPARENT);
  if (text.empty()) return;
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  if (s && !s->FEnabled) gdi::SetTextColor(dc, shadow());
  t.left = std::max(t.left, r.left);
  t.right = std::min(t.right, r.right);
  DrawTextWide(dc, text, &t, BiDiFlags(s, f));
}

void DrawCentredText(gdi::HDC dc, const gdi::RECT& r, std::u16string_view text, int alignment, bool enabled) {
  const win::UINT a = AlignmentFlag(alignment);
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::RECT m = r;
  DrawTextWide(dc, text, &m, a | gdi::DT_CALCRECT | gdi::DT_NOCLIP | gdi::DT_EXPANDTABS | gdi::DT_SINGLELINE);
  gdi::OffsetRect(&m, (r.width() - m.width()) / 2, (r.height() - m.height()) / 2);
  if (!enabled) gdi::SetTextColor(dc, shadow());
  DrawTextWide(dc, text, &m, a | gdi::DT_EXPANDTABS | gdi::DT_SINGLELINE);
}

void DrawSmallArrow(gdi::HDC dc, int x, int y, int direction) {
  auto line = [dc](int x0, int y0, int x1, int y1) {
    gdi::MoveToEx(dc, x0, y0, nullptr);
    gdi::LineTo(dc, x1, y1);
  };
  switch (direction) {
    case 0:
      line(x, y, x, y - 1);
      line(x + 1, y + 1, x + 4, y + 4);
      line(x, y + 1, x + 3, y + 4);
      line(x, y + 2, x + 2, y + 4);
      line(x - 1, y + 1, x - 4, y + 4);
      line(x, y + 2, x - 3, y + 4);
      line(x, y + 1, x - 2, y + 4);
      break;
    case 1:
      line(x, y + 3, x, y + 4);
      line(x + 1, y + 2, x + 4, y - 1);
      line(x, y + 2, x + 3, y - 1);
      line(x, y + 1, x + 2, y);
      line(x - 1, y + 2, x - 4, y - 1);
      line(x, y + 2, x - 3, y - 1);
      line(x, y + 1, x - 2, y);
      break;
    case 2:
    case 3: {
      const int d = direction == 2 ? 1 : -1;
      const gdi::POINT p[5] = {{x, y}, {x + d, y + 2}, {x + d, y - 2}, {x - d, y}, {x + d, y + 2}};
      gdi::Polyline(dc, p, 5);
      break;
    }
    default: break;
  }
}

std::u16string ReplaceFirst(std::u16string_view text, std::u16string_view pattern, std::u16string_view replacement) {
  std::u16string out(text);
  if (pattern.empty()) return out;
  const std::size_t at = out.find(pattern);
  if (at != std::u16string::npos) out.replace(at, pattern.size(), replacement);
  return out;
}

void FillRectColor(gdi::HDC dc, const gdi::RECT& r, gdi::COLORREF colour) {
  gdi::HBRUSH b = gdi::CreateSolidBrush(colour);
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

bool IsPopupWindow(win::HWND hwnd) {
  const auto style = static_cast<std::uint32_t>(win::GetWindowLong(hwnd, win::GWL_STYLE));
  return (style & win::WS_POPUP) != 0 || (hwnd && win::GetParent(hwnd) == win::GetDesktopWindow());
}

gdi::Bitmap CreateDisabledGlyph(const gdi::Bitmap& glyph) {
  const int w = glyph.width(), h = glyph.height();
  gdi::Bitmap out(w, h, gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(gdi::GetSysColor(gdi::COLOR_BTNFACE)));
  // The set bits of the mask: black pixels of the glyph (a monochrome glyph's clear bits).
  auto set = [&](int x, int y) {
    const gdi::Pixel p = glyph.pixel(x, y);
    return glyph.monochrome() ? p != gdi::kWhitePixel : p == gdi::kBlackPixel;
  };
  const gdi::Pixel light = gdi::pixel_from_colorref(gdi::GetSysColor(gdi::COLOR_BTNHIGHLIGHT));
  const gdi::Pixel dark = gdi::pixel_from_colorref(gdi::GetSysColor(gdi::COLOR_BTNSHADOW));
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x + 1 < w; ++x)
      if (set(x, y)) out.set_pixel(x + 1, y + 1, light);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (set(x, y)) out.set_pixel(x, y, dark);
  return out;
}

std::uint32_t WindowStyle(win::HWND h) { return static_cast<std::uint32_t>(win::GetWindowLong(h, win::GWL_STYLE)); }
std::uint32_t WindowExStyle(win::HWND h) { return static_cast<std::uint32_t>(win::GetWindowLong(h, win::GWL_EXSTYLE)); }

void PaintMessage(win::HWND hwnd, const pc::TMessage& m, const std::function<void(gdi::HDC)>& paint) {
  win::PAINTSTRUCT ps;
  gdi::HDC dc = reinterpret_cast<gdi::HDC>(m.WParam);
  const bool begun = dc == nullptr;
  if (begun) dc = win::BeginPaint(hwnd, &ps);
  try {
    paint(dc);
  } catch (...) {
  }
  if (begun) win::EndPaint(hwnd, &ps);
}

SkinImage FilledPicture(int w, int h, gdi::COLORREF colour) {
  return SkinImage(gdi::Bitmap(std::max(1, w), std::max(1, h), gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(colour)));
}

}  // namespace skin
