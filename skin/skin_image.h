// A skin picture: a bitmap object of the drawing layer, owned, that the drawing routines select into
// memory device contexts. An empty picture holds no object.
#pragma once

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi.h"

namespace skin {

namespace gdi = platform::gdi;

class SkinImage {
public:
  SkinImage() = default;
  explicit SkinImage(gdi::Bitmap bitmap) { Assign(std::move(bitmap)); }
  ~SkinImage() { Clear(); }
  SkinImage(SkinImage&& o) noexcept : handle_(o.handle_) { o.handle_ = nullptr; }
  SkinImage& operator=(SkinImage&& o) noexcept;
  SkinImage(const SkinImage&) = delete;
  SkinImage& operator=(const SkinImage&) = delete;

  bool Empty() const { return handle_ == nullptr; }
  int Width() const;
  int Height() const;
  gdi::HBITMAP Handle() const { return handle_; }
  // Pixel access; nullptr when empty.
  gdi::Bitmap* Pixels() { return handle_ ? gdi::GetBitmapPixels(handle_) : nullptr; }
  const gdi::Bitmap* Pixels() const { return handle_ ? gdi::GetBitmapPixels(handle_) : nullptr; }
  // Colour of a pixel as a colour value (red in the low byte); 0 outside the picture.
  gdi::COLORREF PixelColour(int x, int y) const;

  // Replaces the picture; a bitmap without area empties it.
  void Assign(gdi::Bitmap bitmap);
  void Clear();
  SkinImage Clone() const;

private:
  gdi::HBITMAP handle_ = nullptr;
};

// A memory device context with a bitmap selected for its lifetime.
class SelectedBitmap {
public:
  explicit SelectedBitmap(gdi::HBITMAP bitmap);
  ~SelectedBitmap();
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  gdi::HDC dc() const { return dc_; }

private:
  gdi::HDC dc_;
  gdi::HGDIOBJ old_;
};

}  // namespace skin
