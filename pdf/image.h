// Pictures placed on pages: image XObjects encoded when they are added (deflated RGB, JPEG, or fax
// coding for 1-bit bitmaps), stencil masks, and the JPEG glue over libjpeg.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/ccitt.h"
#include "pdf/resources.h"
#include "platform/gdi/bitmap.h"

namespace pdf {

class TPDFDocument;

enum TImageKind : int { ikDeflate = 0, ikJPEG = 1, ikCCITT3 = 2, ikCCITT32d = 3, ikCCITT4 = 4 };

// What a caller hands in: a bitmap (a 1-bit one keeps its palette, index 1 = "set") or the bytes of
// a JPEG file.
struct TPDFGraphic {
  enum class Type { None, Bitmap, Jpeg };
  Type Kind = Type::None;
  platform::gdi::Bitmap Picture;
  std::string Jpeg;
  // The transparent colour of the bitmap (0x00RRGGBB); -1 = the bottom-left pixel.
  std::int64_t TransparentColor = -1;

  static TPDFGraphic FromBitmap(platform::gdi::Bitmap bitmap);
  static TPDFGraphic FromJpeg(std::string bytes);
  int Width() const;
  int Height() const;
};

class TPDFBitmapImage : public TPDFImage {
 public:
  // Encodes the graphic; raises TPDFException (or core::Error where noted in the messages) when it
  // cannot be used. `document` may be null (JPEG quality 80, no mask checks).
  TPDFBitmapImage(const TPDFGraphic& graphic, int transparent_color, bool is_mask, int mask_index,
                  TPDFDocument* document, int kind);
  void Save(TPDFDocument& document) override;

  int ImageKind = ikDeflate;
  int Width = 0;
  int Height = 0;
  int BitsPerComponent = 8;
  bool IsMask = false;
  int MaskIndex = -1;
  bool BlackIs1 = false;
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
};

// The registry's Add: checks and encodes the graphic and appends it to the document's images;
// answers the new index. "Generation PDF file not activated" unless generating.
int AddImage(TPDFDocument& document, const TPDFGraphic& graphic, int kind, std::int64_t transparent_color = -1,
             bool is_mask = false, int mask_index = -1);

// The packed rows of a 1-bit bitmap (bit 1 = the palette's second colour, white without a palette);
// Valid is false for other bitmaps.
TMonoBits MonoBitsOf(const platform::gdi::Bitmap& bitmap);

// --- JPEG glue; failures raise core::Error ---------------------------------------------------
struct TJpegInfo {
  int Width = 0;
  int Height = 0;
  int Components = 0;
  bool Progressive = false;
};
TJpegInfo ReadJpegInfo(std::string_view jpeg);
// Decodes to a 24-bit bitmap.
platform::gdi::Bitmap DecodeJpeg(std::string_view jpeg);
// Baseline JPEG of the bitmap at the quality (1..100).
std::string EncodeJpeg(const platform::gdi::Bitmap& bitmap, int quality, bool grayscale = false);

}  // namespace pdf
