// Small helpers shared by the drawing tests: a memory DC over a fresh 32-bit bitmap.
#pragma once

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"

namespace platform::gdi::testing {

class Canvas {
public:
  Canvas(int w, int h, COLORREF fill = RGB(255, 255, 255), PixelFormat f = PixelFormat::k32bit) {
    bitmap_ = CreateBitmapFromPixels(Bitmap(w, h, f, pixel_from_colorref(fill)));
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  Bitmap& pixels() const { return *GetBitmapPixels(bitmap_); }
  COLORREF at(int x, int y) const { return colorref_from_pixel(pixels().pixel(x, y)); }
  void fill(COLORREF c) const { pixels().fill(pixel_from_colorref(c)); }
  // Rows of characters, one per pixel, from a colour -> character legend; '?' for others.
  std::string picture(const std::vector<std::pair<COLORREF, char>>& legend) const {
    std::string out;
    for (int y = 0; y < pixels().height(); ++y) {
      for (int x = 0; x < pixels().width(); ++x) {
        char ch = '?';
        for (auto [c, k] : legend)
          if (at(x, y) == c) ch = k;
        out += ch;
      }
      out += '\n';
    }
    return out;
  }

private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace platform::gdi::testing

namespace platform::gdi {
inline const RECT* ptr(const RECT& r) { return &r; }
}  // namespace platform::gdi
