#include "platform/components/graphics.h"

namespace platform::components {

COLORREF ColorToRGB(TColor c) {
  if (c & 0x80000000u) return gdi::GetSysColor(static_cast<int>(c & 0xFF));
  return c & 0xFFFFFF;
}

// ---- TFont ----
TFont::~TFont() {
  if (handle_) gdi::DeleteObject(handle_);
}

void TFont::changed() {
  if (handle_) gdi::DeleteObject(handle_);
  handle_ = nullptr;
  if (OnChange) OnChange(this);
}

void TFont::SetName(std::string_view n) {
  if (n == name_) return;
  name_ = std::string(n);
  changed();
}
void TFont::SetSize(int s) {
  if (s == size_) return;
  size_ = s;
  changed();
}
void TFont::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  if (OnChange) OnChange(this);
}
void TFont::SetStyle(unsigned s) {
  if (s == style_) return;
  style_ = s;
  changed();
}
int TFont::Height() const { return -gdi::MulDiv(size_, 96, 72); }

void TFont::Assign(const TFont& f) {
  name_ = f.name_;
  size_ = f.size_;
  color_ = f.color_;
  style_ = f.style_;
  Charset = f.Charset;
  changed();
}

gdi::HFONT TFont::Handle() {
  if (!handle_) {
    gdi::LOGFONT lf;
    lf.lfHeight = Height();
    lf.lfWeight = (style_ & fsBold) ? gdi::FW_BOLD : gdi::FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = static_cast<gdi::BYTE>(Charset);
    lf.lfFaceName = name_;
    handle_ = gdi::CreateFontIndirect(&lf);
  }
  return handle_;
}

// ---- TCanvas ----
TCanvas::~TCanvas() = default;
void TCanvas::SetHandle(HDC dc) { dc_ = dc; }

void TCanvas::FillRect(const gdi::RECT& r) {
  if (!dc_) return;
  gdi::HBRUSH b = gdi::CreateSolidBrush(ColorToRGB(BrushColor));
  gdi::FillRect(dc_, &r, b);
  gdi::DeleteObject(b);
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
  if (!dc_) return;
  gdi::HBRUSH br = gdi::CreateSolidBrush(ColorToRGB(BrushColor));
  gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, ColorToRGB(PenColor));
  auto ob = gdi::SelectObject(dc_, br);
  auto op = gdi::SelectObject(dc_, pen);
  gdi::Rectangle(dc_, l, t, r, b);
  gdi::SelectObject(dc_, ob);
  gdi::SelectObject(dc_, op);
  gdi::DeleteObject(br);
  gdi::DeleteObject(pen);
}

void TCanvas::MoveTo(int x, int y) {
  if (dc_) gdi::MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  if (!dc_) return;
  gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, ColorToRGB(PenColor));
  auto op = gdi::SelectObject(dc_, pen);
  gdi::LineTo(dc_, x, y);
  gdi::SelectObject(dc_, op);
  gdi::DeleteObject(pen);
}

void TCanvas::prepare_text() {
  gdi::SelectObject(dc_, Font.Handle());
  gdi::SetTextColor(dc_, ColorToRGB(Font.Color()));
  gdi::SetBkMode(dc_, gdi::TRANSPARENT);
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  if (!dc_) return;
  prepare_text();
  gdi::TextOut(dc_, x, y, text);
}

int TCanvas::TextWidth(std::string_view text) {
  if (!dc_) return 0;
  prepare_text();
  gdi::SIZE s{};
  gdi::GetTextExtentPoint32(dc_, text, &s);
  return s.cx;
}

int TCanvas::TextHeight(std::string_view text) {
  if (!dc_) return 0;
  prepare_text();
  gdi::SIZE s{};
  gdi::GetTextExtentPoint32(dc_, text, &s);
  return s.cy;
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
  if (!dc_ || bitmap.Empty()) return;
  gdi::BitBlt(dc_, x, y, bitmap.Width(), bitmap.Height(), bitmap.Canvas().Handle(), 0, 0, gdi::SRCCOPY);
}

// ---- TBitmap ----
TBitmap::~TBitmap() {
  if (dc_) {
    gdi::SelectObject(dc_, old_);
    gdi::DeleteDC(dc_);
  }
  if (bitmap_) gdi::DeleteObject(bitmap_);
}

void TBitmap::SetSize(int w, int h) {
  if (w < 0 || h < 0) throw EComponentError("Invalid bitmap size");
  if (dc_) {
    gdi::SelectObject(dc_, old_);
    old_ = nullptr;
  }
  if (bitmap_) gdi::DeleteObject(bitmap_);
  bitmap_ = nullptr;
  width_ = w;
  height_ = h;
  if (w > 0 && h > 0) bitmap_ = gdi::CreateBitmapFromPixels(gdi::Bitmap(w, h, gdi::PixelFormat::k32bit, 0xFFFFFF));
  if (dc_ && bitmap_) old_ = gdi::SelectObject(dc_, bitmap_);
}

void TBitmap::Assign(const gdi::Bitmap& picture) {
  SetSize(picture.width(), picture.height());
  if (gdi::Bitmap* pixels = bitmap_ ? gdi::GetBitmapPixels(bitmap_) : nullptr) {
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) pixels->set_pixel(x, y, picture.pixel(x, y));
  }
}

TCanvas& TBitmap::Canvas() {
  if (!dc_) {
    dc_ = gdi::CreateCompatibleDC(nullptr);
    if (bitmap_) old_ = gdi::SelectObject(dc_, bitmap_);
    canvas_.SetHandle(dc_);
  }
  return canvas_;
}

// ---- TImageList ----
TImageList::TImageList(TComponent* owner, int width, int height) : TComponent(owner), width_(width), height_(height) {
  list_ = gdi::ImageList_Create(width, height, gdi::ILC_COLOR32 | gdi::ILC_MASK, 4, 4);
  PublishInt("Width", [this] { return width_; }, nullptr);
  PublishInt("Height", [this] { return height_; }, nullptr);
}

TImageList::~TImageList() {
  if (list_) gdi::ImageList_Destroy(list_);
}

int TImageList::Count() const { return gdi::ImageList_GetImageCount(list_); }

int TImageList::Add(TBitmap& image, TColor transparent) {
  if (image.Empty()) return -1;
  if (transparent != clNone) return gdi::ImageList_AddMasked(list_, image.Handle(), ColorToRGB(transparent));
  return gdi::ImageList_Add(list_, image.Handle(), nullptr);
}

void TImageList::Clear() { gdi::ImageList_Remove(list_, -1); }

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
  if (!canvas.Handle()) return;
  if (enabled) gdi::ImageList_Draw(list_, index, canvas.Handle(), x, y, gdi::ILD_TRANSPARENT);
  else gdi::ImageList_DrawDisabled(list_, index, canvas.Handle(), x, y);
}

}  // namespace platform::components
