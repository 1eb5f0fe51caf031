// Images: encoding kinds, the fax coder's bit output, refusals, and the image object as written.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/strings.h"
#include "pdf/ccitt.h"
#include "pdf/document.h"
#include "pdf/errors.h"
#include "pdf/image.h"
#include "pdf/page.h"
#include "pdf/tests/test_util.h"

namespace pdf {
namespace {

using platform::gdi::Bitmap;
using platform::gdi::PixelFormat;

TMonoBits Rows(int width, std::vector<std::vector<std::uint8_t>> rows) {
  TMonoBits m;
  m.Width = width;
  m.Height = static_cast<int>(rows.size());
  m.BytesPerRow = (width + 7) / 8;
  for (auto& r : rows) m.Bits.insert(m.Bits.end(), r.begin(), r.end());
  return m;
}

std::string Hex(const std::string& s) {
  std::string out;
  for (unsigned char c : s) out += core::format("%02X", c);
  return out;
}

// Bit strings worked out by hand from the T.4/T.6 code tables; the input bits are "set" = white, so
// 0x00 bytes are black pixels.
TEST(CCITTTest, CodesWorkedByHand) {
  struct Case {
    const char* name;
    int mode;
    TMonoBits bits;
    const char* hex;
  } cases[] = {
      // White run 8 = 10011, padded: 1001 1000.
      {"1-D white row", 0, Rows(8, {{0xFF}}), "98"},
      // White 0 (00110101), black 8 (000101): 0011 0101 0001 01|00.
      {"1-D black row", 0, Rows(8, {{0x00}}), "3514"},
      // Black 4 then white 4: white 0 (00110101), black 4 (011), white 4 (1011).
      {"1-D black then white", 0, Rows(8, {{0x0F}}), "3576"},
      // White 4 then black 4: white 4 (1011), black 4 (011): 1011 011|0.
      {"1-D white then black", 0, Rows(8, {{0xF0}}), "B6"},
      // V0, then EOFB (two EOL codes): 1 000000000001 000000000001.
      {"G4 white row", 2, Rows(8, {{0xFF}}), "80080080"},
      // EOL, tag 0, V0: 000000000001 0 1 -> 0000 0000 0001 01|00.
      {"G3 2-D white row", 1, Rows(8, {{0xFF}}), "0014"},
      // Against a white reference: horizontal mode, white 0, black 8, then EOFB.
      {"G4 black row", 2, Rows(8, {{0x00}}), "26A280080080"},
  };
  for (const Case& c : cases) {
    std::string out;
    EncodeCCITT(c.bits, out, c.mode);
    EXPECT_EQ(Hex(out), c.hex) << c.name;
  }
}

TEST(CCITTTest, RefusesMissingStreamAndColourPictures) {
  TMonoBits colour;
  colour.Valid = false;
  std::string out;
  try {
    TCCITTCompression(&out, 2).Encode(colour);
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Not b/w image.");
  }
  try {
    TCCITTCompression(nullptr, 2).Encode(Rows(8, {{0xFF}}));
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Not set output stream.");
  }
  // Stated rows longer than the data are refused instead of read past the end.
  TMonoBits short_data = Rows(16, {{0xFF}});
  EXPECT_THROW(TCCITTCompression(&out, 0).Encode(short_data), core::Error);
  TMonoBits empty;
  TCCITTCompression(&out, 2).Encode(empty);
  EXPECT_TRUE(out.empty());
}

Bitmap MonoBitmap(int w, int h, bool black_is_1, unsigned seed) {
  Bitmap b(w, h, PixelFormat::k1bit, platform::gdi::kWhitePixel);
  if (black_is_1) b.set_palette({platform::gdi::kWhitePixel, platform::gdi::kBlackPixel});
  std::mt19937 gen(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (gen() % 3 == 0) b.set_pixel(x, y, platform::gdi::kBlackPixel);
  return b;
}

class ImageDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc.SetOutputStream(&out);
    doc.BeginDoc();
  }
  void TearDown() override {
    if (doc.Generating()) doc.Abort();
  }
  TPDFDocument doc;
  std::string out;
};

TEST_F(ImageDocTest, RefusalsCarryTheirMessages) {
  const int plain = AddImage(doc, TPDFGraphic::FromBitmap(Bitmap(4, 4, PixelFormat::k24bit)), ikDeflate);
  const int mask = AddImage(doc, TPDFGraphic::FromBitmap(Bitmap(4, 4, PixelFormat::k24bit)), ikDeflate, -1, true);
  const std::string jpeg = EncodeJpeg(Bitmap(4, 4, PixelFormat::k24bit, 0x336699), 80);
  struct Case {
    const char* message;
    std::function<void()> add;
  } cases[] = {
      {"Mask Image cannot have mask",
       [&] { AddImage(doc, TPDFGraphic::FromBitmap(Bitmap(2, 2)), ikDeflate, -1, true, mask); }},
      {"Unknow Mask Image. Out of bound.",
       [&] { AddImage(doc, TPDFGraphic::FromBitmap(Bitmap(2, 2)), ikDeflate, -1, false, 99); }},
      {"Mask Image not marked as \"Mask Image\".",
       [&] { AddImage(doc, TPDFGraphic::FromBitmap(Bitmap(2, 2)), ikDeflate, -1, false, plain); }},
      {"Create Mask available only for bitmap images",
       [&] { AddImage(doc, TPDFGraphic::FromJpeg(jpeg), ikJPEG, -1, true); }},
      {"Not valid image.", [&] { AddImage(doc, TPDFGraphic{}, ikDeflate); }},
      {"CCITT compression work only for bitmap", [&] { AddImage(doc, TPDFGraphic::FromJpeg(jpeg), ikCCITT4); }},
      {"Cannot compress not monochrome image via CCITT",
       [&] { AddImage(doc, TPDFGraphic::FromBitmap(Bitmap(2, 2, PixelFormat::k24bit)), ikCCITT4); }},
  };
  for (const Case& c : cases) {
    const int before = doc.Images().Count();
    try {
      c.add();
      ADD_FAILURE() << c.message;
    } catch (const core::Error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(doc.Images().Count(), before) << c.message;
  }
}

TEST_F(ImageDocTest, BadJpegDataIsAClearError) {
  std::string jpeg = EncodeJpeg(Bitmap(8, 8, PixelFormat::k24bit, 0x808080), 80);
  std::string truncated = jpeg.substr(0, 20);
  EXPECT_THROW(AddImage(doc, TPDFGraphic::FromJpeg(truncated), ikDeflate), core::Error);
  EXPECT_THROW(AddImage(doc, TPDFGraphic::FromJpeg("not a jpeg"), ikJPEG), core::Error);
  // A header that claims 60000 x 60000 pixels is refused before its pixels are allocated.
  std::string huge = jpeg;
  const auto sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = '\xEA';
  huge[sof + 6] = '\x60';
  huge[sof + 7] = '\xEA';
  huge[sof + 8] = '\x60';
  EXPECT_THROW(AddImage(doc, TPDFGraphic::FromJpeg(huge), ikDeflate), core::Error);
  EXPECT_EQ(doc.Images().Count(), 0);
}

TEST_F(ImageDocTest, ImageObjectsAsWritten) {
  const Bitmap mono = MonoBitmap(19, 7, true, 1);
  const int fax = AddImage(doc, TPDFGraphic::FromBitmap(mono), ikCCITT4);
  Bitmap picture(6, 5, PixelFormat::k24bit, 0x00FF00);
  picture.set_pixel(0, 4, 0xFF0000);
  const int mask = AddImage(doc, TPDFGraphic::FromBitmap(picture), ikDeflate, 0xFF0000, true);
  const int masked = AddImage(doc, TPDFGraphic::FromBitmap(picture), ikDeflate, -1, false, mask);
  auto* fax_image = dynamic_cast<TPDFBitmapImage*>(doc.Images().Items(fax));
  ASSERT_NE(fax_image, nullptr);
  EXPECT_TRUE(fax_image->BlackIs1);
  EXPECT_EQ(doc.Images().Items(masked)->ResourceName, "Im2");
  // Drawn on two pages: written once, before the first page that uses it.
  doc.CurrentPage->DrawImage(masked, 10, 10, 60, 50, 0);
  doc.CurrentPage->DrawImage(fax, 10, 100, 19, 7, 0);
  doc.NewPage();
  doc.CurrentPage->DrawImage(masked, 10, 10, 60, 50, 0);
  doc.EndDoc();
  std::size_t pos = 0, count = 0;
  while ((pos = out.find("/Subtype /Image", pos)) != std::string::npos) ++count, ++pos;
  EXPECT_EQ(count, 3u);
  EXPECT_NE(out.find("/DecodeParms [<</K -1 /Columns 19 /Rows 7/BlackIs1 true>>]"), std::string::npos);
  const auto mask_at = out.find("/ImageMask true");
  const auto masked_at = out.find("/Mask ");
  ASSERT_NE(mask_at, std::string::npos);
  ASSERT_NE(masked_at, std::string::npos);
  EXPECT_LT(mask_at, masked_at);
  const auto mask_obj = out.rfind(" 0 obj", mask_at);
  const auto mask_num = out.rfind("\n", mask_obj) + 1;
  EXPECT_NE(out.find("/Mask " + out.substr(mask_num, mask_obj - mask_num) + " 0 R"), std::string::npos);
  const auto mask_dict = out.substr(mask_num, masked_at - mask_num);
  EXPECT_NE(mask_dict.find("/ColorSpace /DeviceGray"), std::string::npos);
  EXPECT_NE(mask_dict.find("/BitsPerComponent 1"), std::string::npos);
  EXPECT_NE(mask_dict.find("/K -1"), std::string::npos);
}

TEST_F(ImageDocTest, KindDecidesTheEncodingNotTheSource) {
  const Bitmap colour(5, 3, PixelFormat::k24bit, 0x123456);
  const std::string jpeg = EncodeJpeg(colour, 90);
  const int a = AddImage(doc, TPDFGraphic::FromJpeg(jpeg), ikDeflate);
  const int b = AddImage(doc, TPDFGraphic::FromBitmap(colour), ikJPEG);
  auto* ia = dynamic_cast<TPDFBitmapImage*>(doc.Images().Items(a));
  auto* ib = dynamic_cast<TPDFBitmapImage*>(doc.Images().Items(b));
  EXPECT_EQ(ia->ImageKind, ikDeflate);
  EXPECT_EQ(ia->BitsPerComponent, 8);
  EXPECT_EQ(ReadJpegInfo(ib->Data()).Width, 5);
  EXPECT_FALSE(ReadJpegInfo(ib->Data()).Progressive);
  // A grayscale JPEG stays gray.
  const int g = AddImage(doc, TPDFGraphic::FromJpeg(EncodeJpeg(colour, 80, true)), ikJPEG);
  EXPECT_TRUE(doc.Images().Items(g)->Grayscale);
  EXPECT_FALSE(ib->Grayscale);
}

}  // namespace
}  // namespace pdf
