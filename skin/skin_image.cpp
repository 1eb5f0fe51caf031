#include "skin/skin_image.h"

namespace skin {

SkinImage& SkinImage::operator=(SkinImage&& o) noexcept {
  if (this != &o) {
    Clear();
    handle_ = o.handle_;
    o.handle_ = nullptr;
  }
  return *this;
}

int SkinImage::Width() const {
  const gdi::Bitmap* b = Pixels();
  return b ? b->width() : 0;
}

int SkinImage::Height() const {
  const gdi::Bitmap* b = Pixels();
  return b ? b->height() : 0;
}

gdi::COLORREF SkinImage::PixelColour(int x, int y) const {
  const gdi::Bitmap* b = Pixels();
  if (!b || !b->contains(x, y)) return 0;
  return gdi::colorref_from_pixel(b->pixel(x, y));
}

void SkinImage::Assign(gdi::Bitmap bitmap) {
  Clear();
  if (!bitmap.empty()) handle_ = gdi::CreateBitmapFromPixels(std::move(bitmap));
}

void SkinImage::Clear() {
  if (handle_) gdi::DeleteObject(handle_);
  handle_ = nullptr;
}

SkinImage SkinImage::Clone() const {
  const gdi::Bitmap* b = Pixels();
  return b ? SkinImage(*b) : SkinImage();
}

SelectedBitmap::SelectedBitmap(gdi::HBITMAP bitmap)
    : dc_(gdi::CreateCompatibleDC(nullptr)), old_(gdi::SelectObject(dc_, bitmap)) {}

SelectedBitmap::~SelectedBitmap() {
  if (old_) gdi::SelectObject(dc_, old_);
  gdi::DeleteDC(dc_);
}

}  // namespace skin
