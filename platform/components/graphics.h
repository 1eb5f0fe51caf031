// Fonts, canvases, bitmaps and image lists over platform/gdi objects.
#pragma once

#include <string>
#include <string_view>

#include "platform/components/classes.h"
#include "platform/gdi/gdi.h"

namespace platform::components {

using gdi::COLORREF;
using gdi::HDC;

// Colours: an RGB value, or a system colour as 0x80000000 | COLOR_x (resolved when drawn).
using TColor = std::uint32_t;
inline constexpr TColor clBtnFace = 0x80000000u | gdi::COLOR_BTNFACE, clWindow = 0x80000000u | gdi::COLOR_WINDOW,
                        clWindowText = 0x80000000u | gdi::COLOR_WINDOWTEXT, clBlack = 0x000000, clWhite = 0xFFFFFF,
                        clRed = 0x0000FF, clNone = 0x1FFFFFFF;
COLORREF ColorToRGB(TColor c);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont : public TObject {
public:
  TFont() = default;
  ~TFont() override;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;
  std::string ClassName() const override { return "TFont"; }
  const std::string& Name() const { return name_; }
  void SetName(std::string_view n);
  int Size() const { return size_; }  // points at 96 dpi
  void SetSize(int s);
  int Height() const;                 // negative pixel height
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  unsigned Style() const { return style_; }
  void SetStyle(unsigned s);
  int Charset = gdi::DEFAULT_CHARSET;
  void Assign(const TFont& f);
  // The font object (made on first use; owned by this TFont).
  gdi::HFONT Handle();
  TNotifyEvent OnChange;

private:
  void changed();
  std::string name_ = "宋体";
  int size_ = 9;
  TColor color_ = clWindowText;
  unsigned style_ = 0;
  gdi::HFONT handle_ = nullptr;
};

class TCanvas : public TObject {
public:
  TCanvas() = default;
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  std::string ClassName() const override { return "TCanvas"; }
  HDC Handle() const { return dc_; }
  void SetHandle(HDC dc);  // not owned
  TFont Font;
  TColor BrushColor = clBtnFace;
  TColor PenColor = clBlack;
  void FillRect(const gdi::RECT& r);
  void Rectangle(int l, int t, int r, int b);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, std::string_view text);
  int TextWidth(std::string_view text);
  int TextHeight(std::string_view text);
  void Draw(int x, int y, class TBitmap& bitmap);

private:
  void prepare_text();
  HDC dc_ = nullptr;
};

// A device-dependent bitmap with its own memory canvas.
class TBitmap : public TObject {
public:
  TBitmap() = default;
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  std::string ClassName() const override { return "TBitmap"; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int w, int h);  // keeps nothing of the old picture
  // Takes the size and pixels of `picture` (a file read, a drawing).
  void Assign(const gdi::Bitmap& picture);
  bool Empty() const { return width_ == 0 || height_ == 0; }
  gdi::HBITMAP Handle() const { return bitmap_; }
  TCanvas& Canvas();
  TColor TransparentColor = clNone;

private:
  int width_ = 0, height_ = 0;
  gdi::HBITMAP bitmap_ = nullptr;
  gdi::HGDIOBJ old_ = nullptr;
  TCanvas canvas_;
  HDC dc_ = nullptr;
};

class TImageList : public TComponent {
public:
  explicit TImageList(TComponent* owner, int width = 16, int height = 16);
  ~TImageList() override;
  std::string ClassName() const override { return "TImageList"; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const;
  // Adds the bitmap's pixels (cut into images of Width across); a key colour makes them transparent.
  int Add(TBitmap& image, TColor transparent = clNone);
  void Clear();
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
  gdi::HIMAGELIST Handle() const { return list_; }

private:
  int width_, height_;
  gdi::HIMAGELIST list_ = nullptr;
};

}  // namespace platform::components
