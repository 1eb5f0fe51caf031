#include "platform/gdi/bmp_file.h"

#include <algorithm>

#include <bit>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "core/byte_io.h"

namespace platform::gdi {
namespace {

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

[[noreturn]] void fail(const std::string& what) { throw BmpError("BMP: " + what); }

struct Channel {
  std::uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
    if (std::countr_one(m >> shift) != bits) fail("colour mask is not contiguous");
  }
  std::uint32_t get(std::uint32_t v) const {
    if (bits == 0) return 0;
    std::uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return c >> (bits - 8);
    // Scale to 8 bits by repeating the bit pattern.
    std::uint32_t out = 0;
    int have = 0;
    while (have < 8) {
      out = (out << bits) | c;
      have += bits;
    }
    return out >> (have - 8);
  }
};

// Run-length data covers at most 255 pixels per two bytes, and skips blank stretches with end-of-line
// and delta codes; an image of up to kRleFreePixels, or of up to kRlePixelsPerByte pixels per byte of
// its data, is accepted. Anything more is a size no writer would produce for so little data.
constexpr std::int64_t kRleFreePixels = std::int64_t{1} << 20;
constexpr std::int64_t kRlePixelsPerByte = 1024;

Bitmap decode(std::span<const std::uint8_t> data, std::size_t header_at, std::optional<std::size_t> bits_at,
              std::int64_t max_pixels) {
  const std::size_t size = data.size();
  if (header_at + 4 > size) fail("file ends inside the info header");
  const std::uint32_t hsize = core::load_le32(&data[header_at]);
  if (hsize != 12 && hsize != 40 && hsize != 52 && hsize != 56 && hsize != 64 && hsize != 108 &&
      hsize != 124)
    fail("unknown info header size " + std::to_string(hsize));
  if (header_at + hsize > size) fail("file ends inside the info header");
  const std::uint8_t* h = &data[header_at];
  std::int64_t width, height;
  unsigned planes, bpp;
  std::uint32_t compression = kBiRgb, colors_used = 0;
  std::size_t palette_entry = 4;
  if (hsize == 12) {
    width = core::load_le16(h + 4);
    height = static_cast<std::int16_t>(core::load_le16(h + 6));
    planes = core::load_le16(h + 8);
    bpp = core::load_le16(h + 10);
    palette_entry = 3;
  } else {
    width = static_cast<std::int32_t>(core::load_le32(h + 4));
    height = static_cast<std::int32_t>(core::load_le32(h + 8));
    planes = core::load_le16(h + 12);
    bpp = core::load_le16(h + 14);
    compression = core::load_le32(h + 16);
    colors_used = core::load_le32(h + 32);
  }
  if (planes != 1) fail("plane count " + std::to_string(planes) + " is not 1");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    fail("unsupported bit count " + std::to_string(bpp));
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width <= 0 || height <= 0) fail("empty or negative size");
  if (!bitmap_size_allowed(width, height))
    fail("size " + std::to_string(width) + "x" + std::to_string(height) + " is too large");
  if (width * height > max_pixels)
    fail("size " + std::to_string(width) + "x" + std::to_string(height) + " is beyond the limit of " +
         std::to_string(max_pixels) + " pixels");

  std::size_t after_header = header_at + hsize;
  std::uint32_t masks[3] = {0, 0, 0};
  switch (compression) {
    case kBiRgb:
      if (bpp == 16) { masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F; }
      if (bpp == 24 || bpp == 32) { masks[0] = 0xFF0000; masks[1] = 0xFF00; masks[2] = 0xFF; }
      break;
    case kBiRle8:
      if (bpp != 8) fail("RLE8 needs 8 bits per pixel");
      break;
    case kBiRle4:
      if (bpp != 4) fail("RLE4 needs 4 bits per pixel");
      break;
    case kBiBitfields:
    case kBiAlphaBitfields: {
      if (bpp != 16 && bpp != 32) fail("bit fields need 16 or 32 bits per pixel");
      if (hsize >= 52) {
        for (int i = 0; i < 3; ++i) masks[i] = core::load_le32(h + 40 + 4 * i);
      } else {
        const std::size_t n = compression == kBiAlphaBitfields ? 16 : 12;
        if (after_header + n > size) fail("file ends inside the colour masks");
        for (int i = 0; i < 3; ++i) masks[i] = core::load_le32(&data[after_header + 4 * i]);
        after_header += n;
      }
      break;
    }
    default:
      fail("unsupported compression " + std::to_string(compression));
  }
  if (top_down && (compression == kBiRle4 || compression == kBiRle8))
    fail("run-length data cannot be top-down");

  std::vector<Pixel> palette;
  if (bpp <= 8) {
    const std::uint32_t max_colors = 1u << bpp;
    std::uint32_t n = colors_used == 0 ? max_colors : colors_used;
    if (n > max_colors) fail("colour table of " + std::to_string(n) + " entries");
    // Without a stated count, some writers store a shorter table: it ends where the pixels start.
    if (colors_used == 0 && bits_at && *bits_at > after_header)
      n = std::min<std::uint32_t>(n, static_cast<std::uint32_t>((*bits_at - after_header) / palette_entry));
    if (after_header + static_cast<std::uint64_t>(n) * palette_entry > size)
      fail("file ends inside the colour table");
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t* e = &data[after_header + i * palette_entry];
      palette.push_back((Pixel{e[2]} << 16) | (Pixel{e[1]} << 8) | e[0]);
    }
    after_header += n * palette_entry;
  }
  const std::size_t bits = bits_at ? *bits_at : after_header;
  if (bits > size) fail("pixel data offset lies beyond the end of the file");
  if ((compression == kBiRle4 || compression == kBiRle8) &&
      width * height > std::max(kRleFreePixels, static_cast<std::int64_t>(size - bits) * kRlePixelsPerByte))
    fail("run-length data of " + std::to_string(size - bits) + " bytes cannot describe " + std::to_string(width) +
         "x" + std::to_string(height) + " pixels");

  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bpp + 31) / 32) * 4;
  if (compression == kBiRgb || compression == kBiBitfields || compression == kBiAlphaBitfields) {
    const std::uint64_t last_row = (static_cast<std::uint64_t>(width) * bpp + 7) / 8;
    if (bits + stride * (height - 1) + last_row > size) fail("file ends inside the pixel data");
  }

  const auto pal = [&](unsigned index) -> Pixel { return index < palette.size() ? palette[index] : 0; };
  Bitmap out(static_cast<int>(width), static_cast<int>(height), static_cast<PixelFormat>(bpp),
             palette.empty() ? 0 : palette[0]);
  if (bpp <= 8) out.set_palette(palette);

  const int w = static_cast<int>(width), hgt = static_cast<int>(height);
  if (compression == kBiRle4 || compression == kBiRle8) {
    // Run-length data: pixels not covered stay the colour of index 0.
    std::size_t p = bits;
    int x = 0, y = 0;  // y counts rows from the bottom
    const auto put = [&](unsigned index) {
      if (x < w && y < hgt) out.set_pixel(x, hgt - 1 - y, pal(index));
      ++x;
    };
    const auto need = [&](std::size_t n) {
      if (p + n > size) fail("run-length data ends early");
    };
    for (;;) {
      need(2);
      const unsigned count = data[p], value = data[p + 1];
      p += 2;
      if (count > 0) {
        for (unsigned i = 0; i < count; ++i)
          put(compression == kBiRle8 ? value : ((i & 1) ? (value & 0xF) : (value >> 4)));
      } else if (value == 0) {  // end of line
        x = 0;
        ++y;
      } else if (value == 1) {  // end of bitmap
        break;
      } else if (value == 2) {  // delta
        need(2);
        x += data[p];
        y += data[p + 1];
        p += 2;
      } else {  // absolute run
        const unsigned bytes = compression == kBiRle8 ? value : (value + 1) / 2;
        need(bytes);
        for (unsigned i = 0; i < value; ++i)
          put(compression == kBiRle8 ? data[p + i]
                                     : ((i & 1) ? (data[p + i / 2] & 0xF) : (data[p + i / 2] >> 4)));
        p += (bytes + 1) & ~1u;
      }
      if (y >= hgt) break;
    }
    return out;
  }

  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  for (int row = 0; row < hgt; ++row) {
    const std::uint8_t* src = &data[bits + stride * row];
    Pixel* dst = out.scan_line(top_down ? row : hgt - 1 - row);
    switch (bpp) {
      case 1:
        for (int x = 0; x < w; ++x) dst[x] = pal((src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 4:
        for (int x = 0; x < w; ++x) dst[x] = pal((x & 1) ? (src[x >> 1] & 0xF) : (src[x >> 1] >> 4));
        break;
      case 8:
        for (int x = 0; x < w; ++x) dst[x] = pal(src[x]);
        break;
      case 16:
      case 32:
        for (int x = 0; x < w; ++x) {
          const std::uint32_t v = bpp == 16 ? core::load_le16(src + 2 * x) : core::load_le32(src + 4 * x);
          dst[x] = (red.get(v) << 16) | (green.get(v) << 8) | blue.get(v);
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x)
          dst[x] = (Pixel{src[3 * x + 2]} << 16) | (Pixel{src[3 * x + 1]} << 8) | src[3 * x];
        break;
    }
  }
  return out;
}

}  // namespace

Bitmap read_bmp(std::span<const std::uint8_t> file, std::int64_t max_pixels) {
  if (file.size() < 14 || file[0] != 'B' || file[1] != 'M') fail("not a BMP file (no \"BM\" signature)");
  const std::uint32_t off = core::load_le32(&file[10]);
  if (off < 14) fail("pixel data offset lies inside the file header");
  return decode(file, 14, off, max_pixels);
}

Bitmap read_packed_dib(std::span<const std::uint8_t> dib, std::int64_t max_pixels) {
  return decode(dib, 0, std::nullopt, max_pixels);
}

Bitmap read_bmp_file(const std::string& path, std::int64_t max_pixels) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw BmpError("BMP: cannot open " + path);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return read_bmp(bytes, max_pixels);
}

std::vector<std::uint8_t> write_bmp(const Bitmap& bitmap, std::optional<PixelFormat> format) {
  const PixelFormat f = format.value_or(bitmap.format());
  const int bpp = bits_per_pixel(f);
  const int w = bitmap.width(), h = bitmap.height();
  if (w <= 0 || h <= 0) throw BmpError("BMP: cannot write an empty bitmap");

  std::vector<Pixel> palette;
  std::unordered_map<Pixel, unsigned> index_of;
  if (bpp <= 8) {
    const std::size_t capacity = std::size_t{1} << bpp;
    const auto add = [&](Pixel p) {
      if (index_of.contains(p)) return;
      if (palette.size() == capacity)
        throw BmpError("BMP: more than " + std::to_string(capacity) + " colours for " +
                       std::to_string(bpp) + " bits per pixel");
      index_of.emplace(p, static_cast<unsigned>(palette.size()));
      palette.push_back(p);
    };
    for (Pixel p : bitmap.palette()) {
      if (palette.size() == capacity) break;
      if (!index_of.contains(p)) {
        index_of.emplace(p, static_cast<unsigned>(palette.size()));
        palette.push_back(p);
      } else {
        palette.push_back(p);  // keep duplicate entries so indexes stay as read
      }
    }
    for (Pixel p : bitmap.pixels()) add(p);
    if (palette.empty()) palette.push_back(0);
  }

  const std::size_t stride = ((static_cast<std::size_t>(w) * bpp + 31) / 32) * 4;
  const std::size_t header = 14 + 40 + palette.size() * 4;
  const std::size_t total = header + stride * h;
  if (total > 0xFFFFFFFFu) throw BmpError("BMP: image too large for the format");
  std::vector<std::uint8_t> out(total, 0);
  std::uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  core::store_le32(p + 2, static_cast<std::uint32_t>(total));
  core::store_le32(p + 10, static_cast<std::uint32_t>(header));
  core::store_le32(p + 14, 40);
  core::store_le32(p + 18, static_cast<std::uint32_t>(w));
  core::store_le32(p + 22, static_cast<std::uint32_t>(h));
  core::store_le16(p + 26, 1);
  core::store_le16(p + 28, static_cast<std::uint16_t>(bpp));
  core::store_le32(p + 30, kBiRgb);
  core::store_le32(p + 34, static_cast<std::uint32_t>(stride * h));
  core::store_le32(p + 38, 3780);  // 96 dpi
  core::store_le32(p + 42, 3780);
  core::store_le32(p + 46, bpp <= 8 ? static_cast<std::uint32_t>(palette.size()) : 0);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    std::uint8_t* e = p + 54 + 4 * i;
    e[0] = palette[i] & 0xFF;
    e[1] = (palette[i] >> 8) & 0xFF;
    e[2] = (palette[i] >> 16) & 0xFF;
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* dst = p + header + stride * (h - 1 - y);
    const Pixel* src = bitmap.scan_line(y);
    for (int x = 0; x < w; ++x) {
      const Pixel px = src[x];
      switch (bpp) {
        case 1: if (index_of.at(px)) dst[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7)); break;
        case 4: dst[x >> 1] |= static_cast<std::uint8_t>(index_of.at(px) << ((x & 1) ? 0 : 4)); break;
        case 8: dst[x] = static_cast<std::uint8_t>(index_of.at(px)); break;
        case 16:
          core::store_le16(dst + 2 * x, static_cast<std::uint16_t>(((px >> 9) & 0x7C00) |
                                                                   ((px >> 6) & 0x03E0) | ((px >> 3) & 0x1F)));
          break;
        case 24:
          dst[3 * x] = px & 0xFF;
          dst[3 * x + 1] = (px >> 8) & 0xFF;
          dst[3 * x + 2] = (px >> 16) & 0xFF;
          break;
        case 32: core::store_le32(dst + 4 * x, px & 0xFFFFFF); break;
      }
    }
  }
  return out;
}

void write_bmp_file(const std::string& path, const Bitmap& bitmap, std::optional<PixelFormat> format) {
  const auto bytes = write_bmp(bitmap, format);
  std::ofstream out(path, std::ios::binary);
  if (!out) throw BmpError("BMP: cannot create " + path);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw BmpError("BMP: cannot write " + path);
}

}  // namespace platform::gdi
