// The metafile canvas: record layout, header counts and bounds, the objects a canvas realises, and
// text recorded as UTF-16 with the advances the drawing layer uses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/byte_io.h"
#include "core/unicode.h"
#include "platform/gdi/metafile_canvas.h"

namespace platform::gdi {
namespace {

struct Record {
  DWORD type = 0;
  std::vector<std::uint8_t> data;  // the whole record
  DWORD u32(std::size_t at) const { return core::load_le32(data.data() + at); }
  LONG i32(std::size_t at) const { return static_cast<LONG>(u32(at)); }
};

// Splits a metafile into records, checking sizes and alignment on the way.
std::vector<Record> Parse(const std::vector<std::uint8_t>& emf) {
  std::vector<Record> out;
  std::size_t pos = 0;
  while (pos < emf.size()) {
    EXPECT_LE(pos + 8, emf.size());
    const DWORD type = core::load_le32(emf.data() + pos);
    const DWORD size = core::load_le32(emf.data() + pos + 4);
    EXPECT_EQ(size % 4, 0u) << "record " << type;
    EXPECT_GE(size, 8u);
    if (size < 8 || pos + size > emf.size()) {
      ADD_FAILURE() << "record " << type << " overruns";
      break;
    }
    out.push_back(Record{type, std::vector<std::uint8_t>(emf.begin() + static_cast<std::ptrdiff_t>(pos),
                                                         emf.begin() + static_cast<std::ptrdiff_t>(pos + size))});
    pos += size;
  }
  return out;
}

std::vector<DWORD> Types(const std::vector<Record>& records) {
  std::vector<DWORD> t;
  for (const auto& r : records) t.push_back(r.type);
  return t;
}

TEST(MetafileCanvasTest, EmptyRecordingHasEmptyBounds) {
  MetafileCanvas canvas(794, 1123);
  const auto emf = canvas.Finish();
  const auto records = Parse(emf);
  ASSERT_EQ(records.size(), 2u);
  const Record& h = records[0];
  EXPECT_EQ(h.type, EMR_HEADER);
  EXPECT_EQ(h.i32(8), 0);
  EXPECT_EQ(h.i32(12), 0);
  EXPECT_EQ(h.i32(16), -1);
  EXPECT_EQ(h.i32(20), -1);
  EXPECT_EQ(h.u32(40), kEmfSignature);
  EXPECT_EQ(h.u32(48), emf.size());
  EXPECT_EQ(h.u32(52), 2u);
  // The frame is the canvas in 0.01 mm: 794 px at 96 dpi.
  EXPECT_EQ(h.i32(32), 21008);
  EXPECT_EQ(records[1].type, EMR_EOF);
  EXPECT_THROW(canvas.TextOut(0, 0, "late"), core::Error);
}

TEST(MetafileCanvasTest, TextRecordsAsACanvasRealisesIt) {
  MetafileCanvas canvas(794, 1123);
  canvas.Font.Name = "宋体";
  canvas.Font.Size = 20;
  canvas.Font.Charset = GB2312_CHARSET;
  canvas.TextOut(300, 30, "温湿度历史记录");
  canvas.Font.Size = 10;
  canvas.TextOut(88, 100, "序号");
  canvas.TextOut(170, 100, "温度");
  const auto emf = canvas.Finish();
  const auto records = Parse(emf);
  const std::vector<DWORD> want = {EMR_HEADER,
                                   EMR_EXTCREATEFONTINDIRECTW,
                                   EMR_SELECTOBJECT,
                                   EMR_SETTEXTCOLOR,
                                   EMR_CREATEBRUSHINDIRECT,
                                   EMR_SELECTOBJECT,
                                   EMR_SETBKCOLOR,
                                   EMR_SETBKMODE,
                                   EMR_EXTTEXTOUTW,
                                   EMR_MOVETOEX,
                                   EMR_EXTCREATEFONTINDIRECTW,
                                   EMR_SELECTOBJECT,
                                   EMR_DELETEOBJECT,
                                   EMR_SETTEXTCOLOR,
                                   EMR_EXTTEXTOUTW,
                                   EMR_MOVETOEX,
                                   EMR_EXTTEXTOUTW,
                                   EMR_MOVETOEX,
                                   EMR_EOF};
  ASSERT_EQ(Types(records), want);
  EXPECT_EQ(records[0].u32(52), records.size());
  EXPECT_EQ(records[0].u32(48), emf.size());
  // Handles 1 (first font), 2 (brush), 3 (second font): four table entries with index 0.
  EXPECT_EQ(core::load_le16(records[0].data.data() + 56), 4);
  // The font: height -MulDiv(20, 96, 72), character set 134, the face in UTF-16.
  const Record& font = records[1];
  EXPECT_EQ(font.u32(8), 1u);
  EXPECT_EQ(font.i32(12), -27);
  EXPECT_EQ(font.data[12 + 23], GB2312_CHARSET);
  EXPECT_EQ(core::load_le16(font.data.data() + 12 + 28), u'宋');
  EXPECT_EQ(records[10].i32(12), -13);
  EXPECT_EQ(records[12].u32(8), 1u);  // the first font goes after the second is selected

  const Record& text = records[8];
  const DWORD n = text.u32(44);
  ASSERT_EQ(n, 7u);
  EXPECT_EQ(text.i32(36), 300);
  EXPECT_EQ(text.i32(40), 30);
  EXPECT_EQ(text.u32(24), GM_COMPATIBLE);
  EXPECT_EQ(text.u32(52), 0u);  // no options
  EXPECT_EQ(text.i32(56), 0);   // no rectangle: (0, 0, -1, -1)
  EXPECT_EQ(text.i32(64), -1);
  const DWORD off_string = text.u32(48), off_dx = text.u32(72);
  std::u16string s;
  for (DWORD i = 0; i < n; ++i)
    s.push_back(static_cast<char16_t>(core::load_le16(text.data.data() + off_string + 2 * i)));
  EXPECT_EQ(core::utf16_to_utf8(s), "温湿度历史记录");
  ASSERT_LE(off_dx + 4 * n, text.data.size());
  // The advances are the drawing layer's, and they end where the current position moves.
  HDC dc = CreateCompatibleDC(nullptr);
  LOGFONT lf;
  lf.lfHeight = -27;
  lf.lfCharSet = GB2312_CHARSET;
  lf.lfFaceName = "宋体";
  HFONT f = CreateFontIndirect(&lf);
  SelectObject(dc, f);
  std::vector<int> ends(n);
  ASSERT_TRUE(GetTextExtentExPoint(dc, s, 0, nullptr, ends.data(), nullptr));
  int sum = 0;
  for (DWORD i = 0; i < n; ++i) {
    sum += text.i32(off_dx + 4 * i);
    EXPECT_EQ(sum, ends[i]) << i;
  }
  DeleteDC(dc);
  DeleteObject(f);
  EXPECT_EQ(records[9].i32(8), 300 + sum);
  // The text cell widens the header's bounds.
  EXPECT_EQ(records[0].i32(8), 88);
  EXPECT_EQ(records[0].i32(12), 30);
  EXPECT_EQ(records[0].i32(16), 300 + sum - 1);
}

TEST(MetafileCanvasTest, ShapesLinesAndBitmaps) {
  MetafileCanvas canvas(200, 100);
  canvas.Pen.Color = RGB(255, 0, 0);
  canvas.Pen.Width = 3;
  canvas.MoveTo(10, 10);
  canvas.LineTo(50, 20);
  canvas.Brush.Style = BS_NULL;
  canvas.Rectangle(5, 6, 40, 30);
  canvas.Polygon({{1, 1}, {70000, 2}, {3, 4}});
  canvas.Polyline({{1, 1}, {2, 2}});
  Bitmap mono(9, 3, PixelFormat::k1bit, kWhitePixel);
  mono.set_pixel(0, 0, kBlackPixel);
  canvas.Draw(100, 50, mono);
  const auto records = Parse(canvas.Finish());
  const std::vector<DWORD> want = {
      EMR_HEADER,        EMR_MOVETOEX,   EMR_CREATEPEN, EMR_SELECTOBJECT, EMR_LINETO,  EMR_CREATEBRUSHINDIRECT,
      EMR_SELECTOBJECT,  EMR_SETBKCOLOR, EMR_SETBKMODE, EMR_RECTANGLE,    EMR_POLYGON, EMR_POLYLINE16,
      EMR_STRETCHDIBITS, EMR_EOF};
  ASSERT_EQ(Types(records), want);
  EXPECT_EQ(records[2].u32(16), 3u);         // pen width
  EXPECT_EQ(records[2].u32(24), 0x0000FFu);  // COLORREF red
  EXPECT_EQ(records[5].u32(12), BS_NULL);
  EXPECT_EQ(records[8].u32(8), static_cast<DWORD>(TRANSPARENT));
  // The 1-bit bitmap: a two-colour palette, rows bottom-up, the black pixel at the top-left.
  const Record& bits = records[12];
  const DWORD off_bmi = bits.u32(48), off_bits = bits.u32(56);
  EXPECT_EQ(core::load_le16(bits.data.data() + off_bmi + 14), 1);
  EXPECT_EQ(bits.u32(off_bmi + 40), 0x000000u);
  EXPECT_EQ(bits.u32(off_bmi + 44), 0xFFFFFFu);
  EXPECT_EQ(bits.data[off_bits + 2 * 4] & 0x80, 0);  // top row is stored last
  EXPECT_EQ(bits.data[off_bits] & 0x80, 0x80);
  // Bounds: from the polygon's far point and the bitmap's corner.
  EXPECT_EQ(records[0].i32(16), 70000 + 1);
  EXPECT_EQ(records[0].i32(20), 52);
}

// The same drawing once straight onto a DC and once recorded and played back: the pixels agree.
// The drawing covers what a report canvas does, including every hatch style over a background
// that must show between the lines.
class PlaybackTest : public ::testing::Test {
protected:
  static constexpr int kW = 140, kH = 60;
  static void Draw(Canvas& c) {
    c.Brush.Color = RGB(200, 220, 255);
    c.FillRect(RECT{0, 0, kW, kH});
    for (int style = HS_HORIZONTAL; style <= HS_DIAGCROSS; ++style) {
      c.Brush.Style = BS_HATCHED;
      c.Brush.Hatch = style;
      c.Brush.Color = RGB(40 * style, 0, 200);
      c.FillRect(RECT{2 + 19 * style, 2, 18 + 19 * style, 18});
      c.Pen.Color = RGB(0, 120, 0);
      c.Ellipse(2 + 19 * style, 20, 18 + 19 * style, 36);
    }
    c.Brush.Style = BS_SOLID;
    c.Brush.Color = RGB(255, 255, 0);
    c.Pen.Width = 2;
    c.Rectangle(4, 40, 30, 56);
    c.RoundRect(34, 40, 60, 56, 6, 6);
    c.Polygon({{64, 56}, {76, 40}, {88, 56}});
    c.Pen.Width = 1;
    c.MoveTo(90, 40);
    c.LineTo(118, 58);
    c.Polyline({{90, 58}, {100, 44}, {118, 44}});
    Bitmap pic(4, 2, PixelFormat::k24bit, 0x00FF00);
    pic.set_pixel(0, 0, 0xFF0000);
    c.StretchDraw(RECT{120, 2, 136, 10}, pic);
    c.Font.Name = std::string(kTestFontFace);
    c.Font.Size = 6;
    c.Brush.Style = BS_NULL;
    c.TextOut(120, 14, "Ab");
  }
};

TEST_F(PlaybackTest, PlayedBackRecordingPaintsWhatTheDcCanvasPaints) {
  MetafileCanvas rec(kW, kH);
  Draw(rec);
  const std::vector<std::uint8_t> emf = rec.Finish();

  const auto surface = [] {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bm = CreateBitmapFromPixels(Bitmap(kW, kH, PixelFormat::k32bit, kWhitePixel));
    SelectObject(dc, bm);
    return std::pair{dc, bm};
  };
  auto [direct_dc, direct_bm] = surface();
  {
    DcCanvas c(direct_dc);
    Draw(c);
  }
  auto [played_dc, played_bm] = surface();
  const std::size_t objects = live_object_count();
  ASSERT_TRUE(PlayEnhMetaFile(played_dc, emf));
  EXPECT_EQ(live_object_count(), objects);  // the playback's objects are gone
  const Bitmap& a = *GetBitmapPixels(direct_bm);
  const Bitmap& b = *GetBitmapPixels(played_bm);
  int differing = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (a.pixel(x, y) != b.pixel(x, y) && ++differing < 5) ADD_FAILURE() << "pixel " << x << "," << y;
  EXPECT_EQ(differing, 0);
  // The hatch lines are there with the background between them: the horizontal style draws row 7
  // in its colour and leaves row 8 alone.
  EXPECT_EQ(b.pixel(5, 7), pixel_from_colorref(RGB(0, 0, 200)));
  EXPECT_EQ(b.pixel(5, 8), 0xC8DCFFu);
  for (int style = HS_HORIZONTAL; style <= HS_DIAGCROSS; ++style) {
    int lines = 0, gaps = 0;
    for (int y = 2; y < 18; ++y)
      for (int x = 2 + 19 * style; x < 18 + 19 * style; ++x) {
        const Pixel p = b.pixel(x, y);
        lines += p == pixel_from_colorref(RGB(40 * style, 0, 200));
        gaps += p == 0xC8DCFF;
      }
    EXPECT_EQ(lines + gaps, 16 * 16) << style;
    EXPECT_GT(lines, 0) << style;
    EXPECT_GT(gaps, lines) << style;
  }

  // Played elsewhere, the picture moves along (by whole hatch cells: hatches keep to the device).
  auto [moved_dc, moved_bm] = surface();
  ASSERT_TRUE(PlayEnhMetaFile(moved_dc, emf, POINT{16, 8}));
  const Bitmap& m = *GetBitmapPixels(moved_bm);
  for (int y = 8; y < kH; ++y)
    for (int x = 16; x < kW; ++x) ASSERT_EQ(m.pixel(x, y), b.pixel(x - 16, y - 8)) << x << "," << y;

  // The DC's own state is untouched by the playback.
  EXPECT_EQ(GetBkMode(played_dc), OPAQUE);
  POINT org;
  GetViewportOrgEx(moved_dc, &org);
  EXPECT_EQ(org, (POINT{0, 0}));

  for (auto [dc, bm] : {std::pair{direct_dc, direct_bm}, std::pair{played_dc, played_bm}, std::pair{moved_dc, moved_bm}}) {
    DeleteDC(dc);
    DeleteObject(bm);
  }
}

TEST_F(PlaybackTest, DamagedOrForeignBytesAreRefusedOrCutShort) {
  MetafileCanvas rec(kW, kH);
  Draw(rec);
  const std::vector<std::uint8_t> emf = rec.Finish();
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateBitmapFromPixels(Bitmap(kW, kH, PixelFormat::k32bit, kWhitePixel));
  SelectObject(dc, bm);
  const std::size_t objects = live_object_count();
  // Not a metafile at all.
  EXPECT_FALSE(PlayEnhMetaFile(dc, std::vector<std::uint8_t>(200, 0x41)));
  EXPECT_FALSE(PlayEnhMetaFile(dc, std::span(emf.data(), 50)));
  std::vector<std::uint8_t> bad = emf;
  bad[40] ^= 1;  // the signature
  EXPECT_FALSE(PlayEnhMetaFile(dc, bad));
  // Cut anywhere, or with a record size that overruns, it plays what it can and cleans up.
  for (std::size_t cut : {std::size_t{120}, emf.size() / 3, emf.size() / 2, emf.size() - 30}) {
    EXPECT_TRUE(PlayEnhMetaFile(dc, std::span(emf.data(), cut))) << cut;
    EXPECT_EQ(live_object_count(), objects) << cut;
  }
  bad = emf;
  core::store_le32(bad.data() + kEmfHeaderSize + 4, 0x7FFFFFF0);
  EXPECT_TRUE(PlayEnhMetaFile(dc, bad));
  // An object index beyond the table ends the playback without a fault.
  bad = emf;
  for (std::size_t pos = kEmfHeaderSize; pos + 12 <= bad.size();) {
    const DWORD type = core::load_le32(bad.data() + pos), size = core::load_le32(bad.data() + pos + 4);
    if (type == EMR_CREATEPEN) core::store_le32(bad.data() + pos + 8, 0xFFFF);
    pos += size;
  }
  EXPECT_TRUE(PlayEnhMetaFile(dc, bad));
  EXPECT_EQ(live_object_count(), objects);
  EXPECT_FALSE(PlayEnhMetaFile(nullptr, emf));
  DeleteDC(dc);
  DeleteObject(bm);
}

}  // namespace
}  // namespace platform::gdi
