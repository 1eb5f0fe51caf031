#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "core/byte_io.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "platform/gdi/bmp_file.h"
#include "platform/gdi/png_file.h"

namespace platform::gdi {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A BMP file assembled byte by byte from the published layout (independent of the writer).
Bytes make_bmp(int width, int height, int bpp, std::uint32_t compression, const std::vector<Pixel>& palette,
               const Bytes& pixel_data, const std::vector<std::uint32_t>& masks = {}, int header_size = 40) {
  Bytes info(static_cast<std::size_t>(header_size), 0);
  if (header_size == 12) {
    core::store_le32(&info[0], 12);
    core::store_le16(&info[4], static_cast<std::uint16_t>(width));
    core::store_le16(&info[6], static_cast<std::uint16_t>(height));
    core::store_le16(&info[8], 1);
    core::store_le16(&info[10], static_cast<std::uint16_t>(bpp));
  } else {
    core::store_le32(&info[0], static_cast<std::uint32_t>(header_size));
    core::store_le32(&info[4], static_cast<std::uint32_t>(width));
    core::store_le32(&info[8], static_cast<std::uint32_t>(height));
    core::store_le16(&info[12], 1);
    core::store_le16(&info[14], static_cast<std::uint16_t>(bpp));
    core::store_le32(&info[16], compression);
    core::store_le32(&info[32], static_cast<std::uint32_t>(palette.size()));
  }
  Bytes extra;
  for (std::uint32_t m : masks) {
    extra.resize(extra.size() + 4);
    core::store_le32(&extra[extra.size() - 4], m);
  }
  for (Pixel p : palette) {
    extra.push_back(p & 0xFF);
    extra.push_back((p >> 8) & 0xFF);
    extra.push_back((p >> 16) & 0xFF);
    if (header_size != 12) extra.push_back(0);
  }
  Bytes file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  const std::size_t off = 14 + info.size() + extra.size();
  core::store_le32(&file[2], static_cast<std::uint32_t>(off + pixel_data.size()));
  core::store_le32(&file[10], static_cast<std::uint32_t>(off));
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), extra.begin(), extra.end());
  file.insert(file.end(), pixel_data.begin(), pixel_data.end());
  return file;
}

std::string rows_of(const Bitmap& b) {
  std::string out;
  char buf[16];
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      std::snprintf(buf, sizeof buf, "%06X ", b.pixel(x, y));
      out += buf;
    }
    out += "\n";
  }
  return out;
}

constexpr Pixel R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF, K = 0x000000;

TEST(BmpRead, KnownLayoutsDecodeToTheirPixels) {
  struct Case {
    const char* name;
    Bytes file;
    std::string expected;
  };
  const std::vector<Case> cases = {
      // 8 bits, bottom-up, rows padded to 4 bytes.
      {"8-bit", make_bmp(3, 2, 8, 0, {R, G, B}, {0, 1, 2, 0, 2, 2, 1, 0}), "0000FF 0000FF 00FF00 \nFF0000 00FF00 0000FF \n"},
      // 1 bit, 9 pixels wide: the ninth pixel is in the second byte.
      {"1-bit", make_bmp(9, 1, 1, 0, {K, W}, {0xAA, 0x80, 0, 0}),
       "FFFFFF 000000 FFFFFF 000000 FFFFFF 000000 FFFFFF 000000 FFFFFF \n"},
      // 4 bits, top-down (negative height).
      {"4-bit top-down", make_bmp(3, -2, 4, 0, {K, R, G, B}, {0x12, 0x30, 0, 0, 0x33, 0x10, 0, 0}),
       "FF0000 00FF00 0000FF \n0000FF 0000FF FF0000 \n"},
      // 24 bits: BGR order, 2 pixels = 6 bytes padded to 8.
      {"24-bit", make_bmp(2, 1, 24, 0, {}, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0}), "030201 060504 \n"},
      // 16 bits 5-6-5 through bit fields.
      {"16-bit 565", make_bmp(2, 1, 16, 3, {}, {0x00, 0xF8, 0xE0, 0x07}, {0xF800, 0x07E0, 0x001F}),
       "FF0000 00FF00 \n"},
      // 16 bits default 5-5-5.
      {"16-bit 555", make_bmp(1, 1, 16, 0, {}, {0x1F, 0x00, 0, 0}), "0000FF \n"},
      // 32 bits with unusual masks: red in the low byte.
      {"32-bit bit fields", make_bmp(1, 1, 32, 3, {}, {0x11, 0x22, 0x33, 0x00}, {0x0000FF, 0x00FF00, 0xFF0000}),
       "112233 \n"},
      // Core header with 3-byte colour table entries.
      {"core header", make_bmp(2, 1, 8, 0, {R, B}, {1, 0, 0, 0}, {}, 12), "0000FF FF0000 \n"},
      // RLE8: run of 2, absolute run of 3 (padded), end of line, delta, end of bitmap.
      {"RLE8", make_bmp(5, 2, 8, 1, {K, R, G, B}, {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 1, 3, 0, 1}),
       "000000 000000 0000FF 000000 000000 \nFF0000 FF0000 00FF00 0000FF FF0000 \n"},
      // RLE4: a run of 3 alternating nibbles 1,2 then an absolute run of 3 (3,1,2).
      {"RLE4", make_bmp(6, 1, 4, 2, {K, R, G, B}, {3, 0x12, 0, 3, 0x31, 0x20, 0, 1}),
       "FF0000 00FF00 FF0000 0000FF FF0000 00FF00 \n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap b;
    ASSERT_NO_THROW(b = read_bmp(c.file));
    EXPECT_EQ(rows_of(b), c.expected);
  }
}

TEST(BmpRead, MalformedFilesGiveAClearError) {
  const Bytes good = make_bmp(3, 2, 8, 0, {R, G, B}, {0, 1, 2, 0, 2, 2, 1, 0});
  struct Mutation {
    const char* name;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
    const char* message_part;
  };
  const Mutation cases[] = {
      {"signature", 0, {'X'}, "signature"},
      {"header size", 14, {41}, "header size"},
      {"planes", 26, {2}, "plane"},
      {"bit count", 28, {7}, "bit count"},
      {"compression", 30, {4}, "compression"},
      {"zero width", 18, {0}, "size"},
      {"huge width", 18, {0xA0, 0x86, 0x01, 0x00}, "too large"},  // 100000 x 2
      {"huge area", 18, {0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00}, "too large"},  // 16384 x 16384
      {"colour table too big", 46, {0x2C, 0x01}, "colour table"},                           // 300 entries
      {"pixel offset past end", 10, {0xFF, 0xFF, 0x00, 0x00}, "offset"},
      {"RLE on 24 bits", 30, {1}, "RLE8"},
  };
  for (const Mutation& m : cases) {
    SCOPED_TRACE(m.name);
    Bytes f = good;
    std::copy(m.bytes.begin(), m.bytes.end(), f.begin() + static_cast<std::ptrdiff_t>(m.at));
    if (std::string(m.name) == "RLE on 24 bits") f[28] = 24;
    try {
      read_bmp(f);
      ADD_FAILURE() << "no error";
    } catch (const BmpError& e) {
      EXPECT_NE(std::string(e.what()).find(m.message_part), std::string::npos) << e.what();
    }
  }
  // Every truncation either fails cleanly or (when only the last row's padding is missing) reads
  // the same picture.
  const Bitmap whole = read_bmp(good);
  for (std::size_t n = 0; n < good.size(); ++n) {
    try {
      EXPECT_EQ(read_bmp(std::span(good).first(n)), whole) << n;
    } catch (const BmpError&) {
    }
  }
  // Run-length data that ends without an end marker.
  const Bytes rle = make_bmp(4, 4, 8, 1, {K, R}, {2, 1, 0, 0, 2, 1});
  EXPECT_THROW(read_bmp(rle), BmpError);
}

// Small inputs never cost a large allocation: run-length data is bounded by what its bytes can
// describe, and every image by the caller's pixel limit.
TEST(BmpRead, DeclaredSizeIsBoundedByTheDataAndTheCallersLimit) {
  Bytes bomb_runs;
  for (int i = 0; i < 42; ++i) bomb_runs.insert(bomb_runs.end(), {255, 1});
  bomb_runs.insert(bomb_runs.end(), {0, 1});
  Bytes dense_runs;
  for (int row = 0; row < 1000; ++row) {
    for (int run = 0; run < 8; ++run) dense_runs.insert(dense_runs.end(), {250, static_cast<std::uint8_t>(run & 1)});
    dense_runs.insert(dense_runs.end(), {0, 0});
  }
  dense_runs.insert(dense_runs.end(), {0, 1});
  const Bytes plain(100 * 100, 1);
  const struct {
    const char* what;
    Bytes file;
    std::int64_t limit;
    const char* message_part;  // nullptr: reads
  } cases[] = {
      {"run-length bomb", make_bmp(25861, 4353, 8, 1, {K, R}, bomb_runs), kMaxBitmapPixels, "cannot describe"},
      {"run-length rows of full runs", make_bmp(2000, 1000, 8, 1, {K, R}, dense_runs), kMaxBitmapPixels, nullptr},
      {"blank run-length image", make_bmp(1024, 1024, 4, 2, {K, R}, {0, 1}), kMaxBitmapPixels, nullptr},
      {"blank run-length image past the free size", make_bmp(1025, 1024, 4, 2, {K, R}, {0, 1}), kMaxBitmapPixels,
       "cannot describe"},
      {"plain image at the caller's limit", make_bmp(100, 100, 8, 0, {K, R}, plain), 10000, nullptr},
      {"plain image over the caller's limit", make_bmp(100, 100, 8, 0, {K, R}, plain), 9999, "limit"},
      {"run-length image over the caller's limit", make_bmp(1024, 1024, 4, 2, {K, R}, {0, 1}), 4096, "limit"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      const Bitmap b = read_bmp(c.file, c.limit);
      EXPECT_EQ(c.message_part, nullptr) << "read a " << b.width() << "x" << b.height() << " image";
      if (b.width() == 2000) {
        EXPECT_EQ(b.pixel(0, 0), K);
        EXPECT_EQ(b.pixel(250, 999), R);
        EXPECT_EQ(b.pixel(1999, 500), R);
      }
    } catch (const BmpError& e) {
      ASSERT_NE(c.message_part, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos) << e.what();
    }
  }
}

TEST(BmpRead, RandomCorruptionNeverCrashes) {
  const Bytes seeds[] = {make_bmp(5, 3, 4, 2, {K, R, G, B}, {3, 0x12, 0, 0, 2, 0x13, 0, 1}),
                         make_bmp(9, 2, 1, 0, {K, W}, {0xAA, 0x80, 0, 0, 0x55, 0, 0, 0}),
                         make_bmp(2, 2, 16, 3, {}, {0, 0xF8, 0xE0, 7, 0x1F, 0, 0, 0}, {0xF800, 0x07E0, 0x001F})};
  std::mt19937 rng(7);
  int errors = 0, reads = 0;
  for (int i = 0; i < 3000; ++i) {
    Bytes f = seeds[i % 3];
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < flips; ++k) f[rng() % f.size()] = static_cast<std::uint8_t>(rng());
    try {
      const Bitmap b = read_bmp(f);
      EXPECT_LE(static_cast<std::int64_t>(b.width()) * b.height(), kMaxBitmapPixels);
      ++reads;
    } catch (const BmpError&) {
      ++errors;
    }
  }
  EXPECT_GT(errors, 0);
  EXPECT_GT(reads, 0);
}

TEST(BmpWrite, EveryFormatRoundTrips) {
  std::mt19937 rng(3);
  struct Case {
    PixelFormat format;
    std::vector<Pixel> colours;  // empty: any colour
  };
  const Case cases[] = {
      {PixelFormat::k1bit, {K, W}},
      {PixelFormat::k4bit, {K, R, G, B, W, 0x808080, 0x123456, 0xFF00FF}},
      {PixelFormat::k8bit, {}},  // filled with 200 distinct colours below
      {PixelFormat::k16bit, {0xF8F8F8, 0x081018, 0xFF0000, 0x00FF00}},
      {PixelFormat::k24bit, {}},
      {PixelFormat::k32bit, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(bits_per_pixel(c.format));
    for (const int width : {1, 7, 33}) {
      Bitmap b(width, 5, c.format);
      std::vector<Pixel> palette = c.colours;
      if (c.format == PixelFormat::k8bit)
        for (int i = 0; i < 200; ++i) palette.push_back(static_cast<Pixel>(i * 0x010203));
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < width; ++x) {
          Pixel p = palette.empty() ? (rng() & 0xFFFFFF) : palette[rng() % palette.size()];
          if (c.format == PixelFormat::k16bit) p = palette[(x + y) % palette.size()];
          b.set_pixel(x, y, p);
        }
      // 16-bit keeps only 5 bits per channel: the colours above are exact in 5-5-5 after expansion.
      const Bitmap back = read_bmp(write_bmp(b));
      EXPECT_EQ(back.format(), c.format);
      if (c.format == PixelFormat::k16bit) {
        for (int y = 0; y < 5; ++y)
          for (int x = 0; x < width; ++x) {
            const Pixel p = b.pixel(x, y), q = back.pixel(x, y);
            for (int sh : {0, 8, 16}) EXPECT_EQ(((p >> sh) & 0xF8), ((q >> sh) & 0xF8));
          }
      } else {
        EXPECT_EQ(back, b);
      }
    }
  }
  // Too many colours for the format is an error, not a silent change.
  Bitmap many(20, 1, PixelFormat::k4bit);
  for (int x = 0; x < 20; ++x) many.set_pixel(x, 0, static_cast<Pixel>(x));
  EXPECT_THROW(write_bmp(many), BmpError);
  EXPECT_NO_THROW(write_bmp(many, PixelFormat::k24bit));
}

TEST(Png, SnapshotOpensInAnIndependentReader) {
  Bitmap b(5, 3, PixelFormat::k32bit);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) b.set_pixel(x, y, static_cast<Pixel>((x * 50) << 16 | (y * 100) << 8 | (x + y) * 20));
  const auto png = write_png(b);
  EXPECT_EQ(read_png(png), b);
  // A reader written with nothing but zlib: checks every chunk CRC, inflates IDAT, undoes the
  // row filters and prints the pixels.
  const core::testing::TempDir scratch("thc_png");
  const std::filesystem::path& dir = scratch.path();
  const std::string path = (dir / "snap.png").string();
  write_png_file(path, b);
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no /usr/bin/python3";
  const std::string script = R"PY(
import sys, zlib, struct
d = open(sys.argv[1], 'rb').read()
assert d[:8] == b'\x89PNG\r\n\x1a\n'
p = 8; idat = b''; w = h = 0
while p < len(d):
    n, t = struct.unpack('>I4s', d[p:p+8]); body = d[p+8:p+8+n]
    assert zlib.crc32(t + body) & 0xffffffff == struct.unpack('>I', d[p+8+n:p+12+n])[0], 'crc'
    if t == b'IHDR':
        w, h, depth, ctype = struct.unpack('>IIBB', body[:10]); assert depth == 8 and ctype == 2
    if t == b'IDAT': idat += body
    p += 12 + n
raw = zlib.decompress(idat); s = w * 3; prev = bytearray(s); out = []
for y in range(h):
    f = raw[y*(s+1)]; row = bytearray(raw[y*(s+1)+1:(y+1)*(s+1)])
    for i in range(s):
        a = row[i-3] if i >= 3 else 0; b = prev[i]; c = prev[i-3] if i >= 3 else 0
        if f == 1: row[i] = (row[i] + a) & 255
        elif f == 2: row[i] = (row[i] + b) & 255
        elif f == 3: row[i] = (row[i] + (a + b) // 2) & 255
        elif f == 4:
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    out.append(' '.join('%02X%02X%02X' % tuple(row[x*3:x*3+3]) for x in range(w))); prev = row
print('\n'.join(out))
)PY";
  const std::string script_path = (dir / "read.py").string();
  FILE* sf = std::fopen(script_path.c_str(), "w");
  ASSERT_NE(sf, nullptr);
  std::fputs(script.c_str(), sf);
  std::fclose(sf);
  using core::testing::Quoted;
  const core::testing::ToolRun run =
      core::testing::RunTool("/usr/bin/python3 " + Quoted(script_path) + " " + Quoted(path));
  const std::string& got = run.output;
  EXPECT_EQ(run.status, 0) << got;
  std::string expected;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      char px[8];
      std::snprintf(px, sizeof px, "%06X", b.pixel(x, y));
      expected += (x ? " " : "") + std::string(px);
    }
    expected += "\n";
  }
  EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace platform::gdi
