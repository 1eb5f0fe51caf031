#include "pdf/image.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/error.h"
#include "pdf/compression_stream.h"
#include "pdf/document.h"
#include "pdf/errors.h"

// After the project's headers: the library defines TRUE and FALSE as macros.
extern "C" {
#include <jpeglib.h>
}

namespace pdf {

using platform::gdi::Bitmap;
using platform::gdi::Pixel;
using platform::gdi::PixelFormat;

// --- JPEG glue ---------------------------------------------------------------------------------
// libjpeg reports errors through a callback that must not return; it jumps back to the guarded
// call, which then raises. The guarded parts hold no objects with destructors.
namespace {

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

void OnJpegMessage(j_common_ptr, int) {}

[[noreturn]] void JpegFailure(const char* message) { throw core::Error(std::string("JPEG error: ") + message); }

// Reads the header; with `pixels` also decodes rows of RGB (3 bytes a pixel) into it, which must
// hold width x height x 3 bytes. Returns false on a libjpeg error (message in err).
bool JpegDecodeRaw(const unsigned char* data, unsigned long size, TJpegInfo* info,
                   unsigned char* (*alloc)(void*, std::size_t), void* alloc_ctx, JpegError* err) {
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&err->mgr);
  err->mgr.error_exit = OnJpegError;
  err->mgr.emit_message = OnJpegMessage;
  if (setjmp(err->jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), size);
  jpeg_read_header(&cinfo, TRUE);
  info->Width = static_cast<int>(cinfo.image_width);
  info->Height = static_cast<int>(cinfo.image_height);
  info->Components = cinfo.num_components;
  info->Progressive = cinfo.progressive_mode != 0;
  if (alloc != nullptr) {
    cinfo.out_color_space = JCS_RGB;
    unsigned char* out =
        alloc(alloc_ctx, static_cast<std::size_t>(info->Width) * static_cast<std::size_t>(info->Height) * 3);
    if (out == nullptr) {
      jpeg_destroy_decompress(&cinfo);
      std::strcpy(err->message, "Image too large");
      return false;
    }
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = out + cinfo.output_scanline * stride;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

bool JpegEncodeRaw(const unsigned char* rgb, int width, int height, int components, int quality, unsigned char** out,
                   unsigned long* out_size, JpegError* err) {
  jpeg_compress_struct cinfo;
  cinfo.err = jpeg_std_error(&err->mgr);
  err->mgr.error_exit = OnJpegError;
  err->mgr.emit_message = OnJpegMessage;
  if (setjmp(err->jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, out_size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(rgb) + cinfo.next_scanline * stride;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

unsigned char* VectorAlloc(void* ctx, std::size_t n) {
  auto* v = static_cast<std::vector<unsigned char>*>(ctx);
  v->resize(n);
  return v->data();
}

}  // namespace

TJpegInfo ReadJpegInfo(std::string_view jpeg) {
  if (jpeg.empty()) throw core::Error("JPEG error: empty data");
  TJpegInfo info;
  JpegError err{};
  if (!JpegDecodeRaw(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), &info, nullptr, nullptr, &err))
    JpegFailure(err.message);
  return info;
}

Bitmap DecodeJpeg(std::string_view jpeg) {
  const TJpegInfo head = ReadJpegInfo(jpeg);
  // Refuse impossible sizes before anything is allocated for the pixels.
  if (!platform::gdi::bitmap_size_allowed(head.Width, head.Height) || head.Width == 0 || head.Height == 0)
    throw core::Error("JPEG error: impossible image size");
  std::vector<unsigned char> rgb;
  TJpegInfo info;
  JpegError err{};
  if (!JpegDecodeRaw(reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), &info, VectorAlloc, &rgb, &err))
    JpegFailure(err.message);
  Bitmap bmp(info.Width, info.Height, PixelFormat::k24bit);
  const unsigned char* p = rgb.data();
  for (int y = 0; y < info.Height; ++y) {
    Pixel* row = bmp.scan_line(y);
    for (int x = 0; x < info.Width; ++x, p += 3) row[x] = (Pixel{p[0]} << 16) | (Pixel{p[1]} << 8) | p[2];
  }
  return bmp;
}

std::string EncodeJpeg(const Bitmap& bitmap, int quality, bool grayscale) {
  if (bitmap.empty()) throw core::Error("JPEG error: empty image");
  const int comps = grayscale ? 1 : 3;
  std::vector<unsigned char> src(static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()) *
                                 static_cast<std::size_t>(comps));
  unsigned char* p = src.data();
  for (int y = 0; y < bitmap.height(); ++y) {
    const Pixel* row = bitmap.scan_line(y);
    for (int x = 0; x < bitmap.width(); ++x) {
      const unsigned r = (row[x] >> 16) & 0xFF, g = (row[x] >> 8) & 0xFF, b = row[x] & 0xFF;
      if (grayscale) {
        *p++ = static_cast<unsigned char>((r * 299 + g * 587 + b * 114 + 500) / 1000);
      } else {
        *p++ = static_cast<unsigned char>(r);
        *p++ = static_cast<unsigned char>(g);
        *p++ = static_cast<unsigned char>(b);
      }
    }
  }
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  JpegError err{};
  const int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
  const bool ok = JpegEncodeRaw(src.data(), bitmap.width(), bitmap.height(), comps, q, &out, &out_size, &err);
  std::string result;
  if (ok && out != nullptr) result.assign(reinterpret_cast<const char*>(out), out_size);
  std::free(out);
  if (!ok) JpegFailure(err.message);
  return result;
}

// --- graphics ----------------------------------------------------------------------------------

TPDFGraphic TPDFGraphic::FromBitmap(Bitmap bitmap) {
  TPDFGraphic g;
  g.Kind = Type::Bitmap;
  g.Picture = std::move(bitmap);
  return g;
}

TPDFGraphic TPDFGraphic::FromJpeg(std::string bytes) {
  TPDFGraphic g;
  g.Kind = Type::Jpeg;
  g.Jpeg = std::move(bytes);
  return g;
}

int TPDFGraphic::Width() const {
  if (Kind == Type::Bitmap) return Picture.width();
  if (Kind == Type::Jpeg) return ReadJpegInfo(Jpeg).Width;
  return 0;
}

int TPDFGraphic::Height() const {
  if (Kind == Type::Bitmap) return Picture.height();
  if (Kind == Type::Jpeg) return ReadJpegInfo(Jpeg).Height;
  return 0;
}

TMonoBits MonoBitsOf(const Bitmap& bitmap) {
  TMonoBits m;
  if (!bitmap.monochrome()) {
    m.Valid = false;
    return m;
  }
  m.Width = bitmap.width();
  m.Height = bitmap.height();
  m.BytesPerRow = (m.Width + 7) / 8;
  m.Bits.assign(static_cast<std::size_t>(m.BytesPerRow) * static_cast<std::size_t>(m.Height), 0);
  const auto& pal = bitmap.palette();
  const bool has_palette = pal.size() >= 2;
  for (int y = 0; y < m.Height; ++y) {
    const Pixel* row = bitmap.scan_line(y);
    std::uint8_t* out = m.Bits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m.BytesPerRow);
    for (int x = 0; x < m.Width; ++x) {
      const Pixel p = row[x] & 0xFFFFFF;
      const bool set =
          has_palette ? (p == (pal[1] & 0xFFFFFF) && p != (pal[0] & 0xFFFFFF)) : p == platform::gdi::kWhitePixel;
      if (set) out[x >> 3] = static_cast<std::uint8_t>(out[x >> 3] | (0x80 >> (x & 7)));
    }
  }
  return m;
}

namespace {

Bitmap ToTrueColor(const TPDFGraphic& g) {
  if (g.Kind == TPDFGraphic::Type::Jpeg) return DecodeJpeg(g.Jpeg);
  Bitmap b = g.Picture;
  b.set_format(PixelFormat::k24bit);
  return b;
}

}  // namespace

TPDFBitmapImage::TPDFBitmapImage(const TPDFGraphic& graphic, int transparent_color, bool is_mask, int mask_index,
                                 TPDFDocument* document, int kind) {
  const bool is_bitmap = graphic.Kind == TPDFGraphic::Type::Bitmap;
  if (is_bitmap && graphic.Picture.monochrome() && kind != ikJPEG && !graphic.Picture.empty()) {
    const TMonoBits bits = MonoBitsOf(graphic.Picture);
    const bool one = (bits.Bits[0] & 0x80) != 0;
    const bool black = (graphic.Picture.pixel(0, 0) & 0xFFFFFF) == platform::gdi::kBlackPixel;
    BlackIs1 = one == black;
  }
  if (mask_index >= 0) {
    if (is_mask) throw TPDFException("Mask Image cannot have mask");
    if (document == nullptr || mask_index >= document->Images().Count())
      throw TPDFException("Unknow Mask Image. Out of bound.");
    auto* target = dynamic_cast<TPDFBitmapImage*>(document->Images().Items(mask_index));
    if (target == nullptr || !target->IsMask) throw TPDFException("Mask Image not marked as \"Mask Image\".");
  }
  if (is_mask && !is_bitmap) throw TPDFException("Create Mask available only for bitmap images");
  if (graphic.Kind == TPDFGraphic::Type::None) throw TPDFException("Not valid image.");
  if (kind < ikDeflate || kind > ikCCITT4) throw TPDFException("Not valid image.");
  ImageKind = kind;
  IsMask = is_mask;
  MaskIndex = mask_index;
  Width = graphic.Width();
  Height = graphic.Height();
  if (Width <= 0 || Height <= 0 || !platform::gdi::bitmap_size_allowed(Width, Height))
    throw TPDFException("Not valid image.");

  if (is_mask) {
    const Bitmap& src = graphic.Picture;
    Pixel key;
    if (transparent_color != -1)
      key = static_cast<Pixel>(transparent_color) & 0xFFFFFF;
    else if (graphic.TransparentColor >= 0)
      key = static_cast<Pixel>(graphic.TransparentColor) & 0xFFFFFF;
    else
      key = src.pixel(0, src.height() - 1) & 0xFFFFFF;
    Bitmap mask(Width, Height, PixelFormat::k1bit, platform::gdi::kBlackPixel);
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x)
        if ((src.pixel(x, y) & 0xFFFFFF) == key) mask.set_pixel(x, y, platform::gdi::kWhitePixel);
    Grayscale = true;
    BitsPerComponent = 1;
    ImageKind = ikCCITT4;
    BlackIs1 = false;
    EncodeCCITT(MonoBitsOf(mask), data_, 2);
    return;
  }

  switch (kind) {
    case ikJPEG: {
      const int quality = document != nullptr ? document->GetJPEGQuality() : 80;
      if (graphic.Kind == TPDFGraphic::Type::Jpeg) {
        const TJpegInfo info = ReadJpegInfo(graphic.Jpeg);
        Grayscale = info.Components == 1;
        // A baseline file is kept as it is; a progressive one is written again as baseline.
        data_ = info.Progressive ? EncodeJpeg(DecodeJpeg(graphic.Jpeg), quality, Grayscale) : graphic.Jpeg;
      } else {
        data_ = EncodeJpeg(ToTrueColor(graphic), quality, false);
      }
      BitsPerComponent = 8;
      break;
    }
    case ikDeflate: {
      const Bitmap rgb = ToTrueColor(graphic);
      std::string raw;
      raw.reserve(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3);
      for (int y = 0; y < Height; ++y) {
        const Pixel* row = rgb.scan_line(y);
        for (int x = 0; x < Width; ++x) {
          raw.push_back(static_cast<char>((row[x] >> 16) & 0xFF));
          raw.push_back(static_cast<char>((row[x] >> 8) & 0xFF));
          raw.push_back(static_cast<char>(row[x] & 0xFF));
        }
      }
      data_ = CompressString(raw, TCompressionLevel::clDefault);
      BitsPerComponent = 8;
      break;
    }
    default: {
      if (!is_bitmap) throw TPDFException("CCITT compression work only for bitmap");
      if (!graphic.Picture.monochrome()) throw core::Error("Cannot compress not monochrome image via CCITT");
      BitsPerComponent = 1;
      EncodeCCITT(MonoBitsOf(graphic.Picture), data_, kind - ikCCITT3);
      break;
    }
  }
}

void TPDFBitmapImage::Save(TPDFDocument& document) {
  if (Written) return;
  TPDFBitmapImage* mask = nullptr;
  if (MaskIndex >= 0 && MaskIndex < document.Images().Count()) {
    mask = dynamic_cast<TPDFBitmapImage*>(document.Images().Items(MaskIndex));
    if (mask != nullptr) mask->Save(document);
  }
  document.BeginObject(ObjectNumber);
  document.WriteLine("/Type /XObject");
  document.WriteLine("/Subtype /Image");
  document.WriteLine(BitsPerComponent == 1 || Grayscale ? "/ColorSpace /DeviceGray" : "/ColorSpace /DeviceRGB");
  document.WriteLine("/BitsPerComponent " + std::to_string(BitsPerComponent));
  document.WriteLine("/Width " + std::to_string(Width));
  document.WriteLine("/Height " + std::to_string(Height));
  if (IsMask) document.WriteLine("/ImageMask true");
  if (mask != nullptr) document.WriteLine("/Mask " + std::to_string(mask->ObjectNumber) + " 0 R");
  switch (ImageKind) {
    case ikDeflate: document.WriteLine("/Filter /FlateDecode"); break;
    case ikJPEG: document.WriteLine("/Filter /DCTDecode"); break;
    default: document.WriteLine("/Filter [/CCITTFaxDecode]"); break;
  }
  document.WriteLine("/Length " + std::to_string(data_.size()));
  if (ImageKind >= ikCCITT3) {
    static const char* const kK[] = {"0", "1", "-1"};
    document.WriteLine(std::string("/DecodeParms [<</K ") + kK[ImageKind - ikCCITT3] + " /Columns " +
                       std::to_string(Width) + " /Rows " + std::to_string(Height) + (BlackIs1 ? "/BlackIs1 true" : "") +
                       ">>]");
  }
  document.EndDictionary();
  document.BeginStreamData();
  document.EncryptStream(data_, ObjectNumber);
  document.WriteLine(data_, false);
  data_.clear();
  data_.shrink_to_fit();
  document.EndStreamData();
  document.EndObject();
  Written = true;
}

int AddImage(TPDFDocument& document, const TPDFGraphic& graphic, int kind, std::int64_t transparent_color, bool is_mask,
             int mask_index) {
  if (!document.Generating()) throw TPDFException("Generation PDF file not activated");
  auto image = std::make_unique<TPDFBitmapImage>(graphic, static_cast<int>(transparent_color), is_mask, mask_index,
                                                 &document, kind);
  return document.AddImage(std::move(image));
}

}  // namespace pdf
