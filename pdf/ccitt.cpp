#include "pdf/ccitt.h"

#include <array>
#include <string_view>

#include "core/error.h"

namespace pdf {
namespace {

struct Code {
  std::uint16_t bits = 0;
  std::uint8_t length = 0;
};

// Run-length code tables: entries 0..63 terminate a run, 64.. are the makeup codes of n x 64
// (n = 1..27) followed by the extended makeup codes 1792..2560 that both colours share.
constexpr std::string_view kWhite[] = {
    "00110101", "000111", "0111", "1000", "1011", "1100", "1110", "1111", "10011", "10100", "00111", "01000", "001000",
    "000011", "110100", "110101", "101010", "101011", "0100111", "0001100", "0001000", "0010111", "0000011", "0000100",
    "0101000", "0101011", "0010011", "0100100", "0011000", "00000010", "00000011", "00011010", "00011011", "00010010",
    "00010011", "00010100", "00010101", "00010110", "00010111", "00101000", "00101001", "00101010", "00101011",
    "00101100", "00101101", "00000100", "00000101", "00001010", "00001011", "01010010", "01010011", "01010100",
    "01010101", "00100100", "00100101", "01011000", "01011001", "01011010", "01011011", "01001010", "01001011",
    "00110010", "00110011", "00110100",
    // 64 .. 1728
    "11011", "10010", "010111", "0110111", "00110110", "00110111", "01100100", "01100101", "01101000", "01100111",
    "011001100", "011001101", "011010010", "011010011", "011010100", "011010101", "011010110", "011010111", "011011000",
    "011011001", "011011010", "011011011", "010011000", "010011001", "010011010", "011000", "010011011"};

constexpr std::string_view kBlack[] = {
    "0000110111", "010", "11", "10", "011", "0011", "0010", "00011", "000101", "000100", "0000100", "0000101",
    "0000111", "00000100", "00000111", "000011000", "0000010111", "0000011000", "0000001000", "00001100111",
    "00001101000", "00001101100", "00000110111", "00000101000", "00000010111", "00000011000", "000011001010",
    "000011001011", "000011001100", "000011001101", "000001101000", "000001101001", "000001101010", "000001101011",
    "000011010010", "000011010011", "000011010100", "000011010101", "000011010110", "000011010111", "000001101100",
    "000001101101", "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111", "000000111000",
    "000000100111", "000000101000", "000001011000", "000001011001", "000000101011", "000000101100", "000001011010",
    "000001100110", "000001100111",
    // 64 .. 1728
    "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100", "000000110101",
    "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100", "0000001001101",
    "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110", "0000001110111",
    "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011",
    "0000001100100", "0000001100101"};

// 1792 .. 2560
constexpr std::string_view kExtended[] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011", "000000010100", "000000010101",
    "000000010110", "000000010111", "000000011100", "000000011101", "000000011110", "000000011111"};

constexpr Code Parse(std::string_view s) {
  Code c;
  for (char ch : s) c.bits = static_cast<std::uint16_t>((c.bits << 1) | (ch == '1' ? 1 : 0));
  c.length = static_cast<std::uint8_t>(s.size());
  return c;
}

// Index: run (0..63) or 63 + run / 64 (64..2560).
struct Table {
  std::array<Code, 64 + 40> codes{};
  constexpr explicit Table(const std::string_view* base) {
    for (int i = 0; i < 64 + 27; ++i) codes[static_cast<std::size_t>(i)] = Parse(base[i]);
    for (int i = 0; i < 13; ++i) codes[static_cast<std::size_t>(64 + 27 + i)] = Parse(kExtended[i]);
  }
  Code For(int run) const {
    return run < 64 ? codes[static_cast<std::size_t>(run)] : codes[static_cast<std::size_t>(63 + run / 64)];
  }
};

constexpr Table kWhiteTable(kWhite);
constexpr Table kBlackTable(kBlack);

constexpr Code kPass = Parse("0001");
constexpr Code kHorizontal = Parse("001");
constexpr Code kEol = Parse("000000000001");
// Indexed by b1 - a1 + 3: VR3, VR2, VR1, V0, VL1, VL2, VL3.
constexpr Code kVertical[7] = {Parse("0000011"), Parse("000011"), Parse("011"),    Parse("1"),
                               Parse("010"),     Parse("000010"), Parse("0000010")};

// Leading zero bits and leading one bits of each byte value.
struct SpanTables {
  std::array<std::uint8_t, 256> zeros{};
  std::array<std::uint8_t, 256> ones{};
  constexpr SpanTables() {
    for (int v = 0; v < 256; ++v) {
      int z = 0;
      while (z < 8 && !(v & (0x80 >> z))) ++z;
      int o = 0;
      while (o < 8 && (v & (0x80 >> o))) ++o;
      zeros[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(z);
      ones[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(o);
    }
  }
};
constexpr SpanTables kSpans;

}  // namespace

bool TCCITTCompression::Pixel(const std::uint8_t* row, int x) const { return (row[x >> 3] & (0x80 >> (x & 7))) != 0; }

void TCCITTCompression::PutBits(std::uint32_t code, int length) {
  while (length > 0) {
    const int take = length < free_bits_ ? length : free_bits_;
    const std::uint32_t part = (code >> (length - take)) & ((1u << take) - 1);
    buffer_ = static_cast<std::uint8_t>(buffer_ | (part << (free_bits_ - take)));
    free_bits_ -= take;
    length -= take;
    if (free_bits_ == 0) {
      output_->push_back(static_cast<char>(buffer_));
      buffer_ = 0;
      free_bits_ = 8;
    }
  }
}

void TCCITTCompression::Flush() {
  if (free_bits_ == 8) return;
  output_->push_back(static_cast<char>(buffer_));
  buffer_ = 0;
  free_bits_ = 8;
}

void TCCITTCompression::PutSpan(int run, bool black) {
  const Table& table = black ? kBlackTable : kWhiteTable;
  while (run >= 2624) {
    const Code c = table.For(2560);
    PutBits(c.bits, c.length);
    run -= 2560;
  }
  if (run >= 64) {
    const Code c = table.For(run);
    PutBits(c.bits, c.length);
    run -= run / 64 * 64;
  }
  const Code c = table.For(run);
  PutBits(c.bits, c.length);
}

int TCCITTCompression::FindZeroSpan(const std::uint8_t* row, int from) const {
  int x = from;
  while (x < width_) {
    const int bit = x & 7;
    const std::uint8_t b = static_cast<std::uint8_t>(row[x >> 3] << bit);
    const int n = bit == 0 ? kSpans.zeros[b] : std::min<int>(kSpans.zeros[b], 8 - bit);
    x += n;
    if (n < 8 - bit) break;
  }
  return std::min(x, width_) - from;
}

int TCCITTCompression::FindOneSpan(const std::uint8_t* row, int from) const {
  int x = from;
  while (x < width_) {
    const int bit = x & 7;
    // Shifted-in low bits are 0, so the count of ones stops at the byte's end by itself.
    const std::uint8_t b = static_cast<std::uint8_t>(row[x >> 3] << bit);
    const int n = kSpans.ones[b];
    x += n;
    if (n < 8 - bit) break;
  }
  return std::min(x, width_) - from;
}

// The first position at or after `from` whose pixel differs from `color`; the width when none.
int TCCITTCompression::NextChange(const std::uint8_t* row, int from) const {
  if (from >= width_) return width_;
  return from + (Pixel(row, from) ? FindOneSpan(row, from) : FindZeroSpan(row, from));
}

void TCCITTCompression::EncodeRow1D(const std::uint8_t* row) {
  int x = 0;
  for (;;) {
    int span = FindZeroSpan(row, x);
    PutSpan(span, false);
    x += span;
    if (x >= width_) break;
    span = FindOneSpan(row, x);
    PutSpan(span, true);
    x += span;
    if (x >= width_) break;
  }
}

void TCCITTCompression::EncodeRow2D(const std::uint8_t* row, const std::uint8_t* ref) {
  auto diff = [&](const std::uint8_t* r, int from, bool color) {
    if (from >= width_) return width_;
    return from + (color ? FindOneSpan(r, from) : FindZeroSpan(r, from));
  };
  int a0 = 0;
  int a1 = Pixel(row, 0) ? 0 : diff(row, 0, false);
  int b1 = Pixel(ref, 0) ? 0 : diff(ref, 0, false);
  for (;;) {
    const int b2 = b1 < width_ ? diff(ref, b1, Pixel(ref, b1)) : width_;
    if (b2 >= a1) {
      const int d = b1 - a1;
      if (d < -3 || d > 3) {
        const int a2 = a1 < width_ ? diff(row, a1, Pixel(row, a1)) : width_;
        PutBits(kHorizontal.bits, kHorizontal.length);
        if (a0 + a1 == 0 || !Pixel(row, a0)) {
          PutSpan(a1 - a0, false);
          PutSpan(a2 - a1, true);
        } else {
          PutSpan(a1 - a0, true);
          PutSpan(a2 - a1, false);
        }
        a0 = a2;
      } else {
        const Code c = kVertical[d + 3];
        PutBits(c.bits, c.length);
        a0 = a1;
      }
    } else {
      PutBits(kPass.bits, kPass.length);
      a0 = b2;
    }
    if (a0 >= width_) break;
    const bool color = Pixel(row, a0);
    a1 = diff(row, a0, color);
    b1 = diff(ref, a0, !color);
    b1 = diff(ref, b1, color);
  }
}

void TCCITTCompression::Encode(const TMonoBits& bitmap) {
  if (output_ == nullptr) throw core::Error("Not set output stream.");
  if (!bitmap.Valid) throw core::Error("Not b/w image.");
  if (bitmap.Width <= 0 || bitmap.Height <= 0) return;
  width_ = bitmap.Width;
  bytes_per_row_ = (bitmap.Width + 7) / 8;
  if (bitmap.BytesPerRow < bytes_per_row_ ||
      bitmap.Bits.size() < static_cast<std::size_t>(bitmap.BytesPerRow) * static_cast<std::size_t>(bitmap.Height))
    throw core::Error("Not b/w image.");
  reference_.assign(static_cast<std::size_t>(bytes_per_row_), 0);
  buffer_ = 0;
  free_bits_ = 8;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(bytes_per_row_));
  for (int y = 0; y < bitmap.Height; ++y) {
    const std::uint8_t* src =
        bitmap.Bits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(bitmap.BytesPerRow);
    for (int i = 0; i < bytes_per_row_; ++i) row[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(~src[i]);
    // Bits past the width are padding: they must not count as a change.
    if (width_ % 8 != 0) row.back() = static_cast<std::uint8_t>(row.back() & (0xFF00 >> (width_ % 8)));
    switch (mode_) {
      case 0: EncodeRow1D(row.data()); break;
      case 1:
        PutBits(kEol.bits, kEol.length);
        PutBits(0, 1);
        EncodeRow2D(row.data(), reference_.data());
        reference_ = row;
        break;
      default:
        EncodeRow2D(row.data(), reference_.data());
        reference_ = row;
        break;
    }
  }
  if (mode_ == 2) {
    PutBits(kEol.bits, kEol.length);
    PutBits(kEol.bits, kEol.length);
  }
  Flush();
}

void EncodeCCITT(const TMonoBits& bitmap, std::string& stream, int mode) {
  TCCITTCompression(&stream, mode).Encode(bitmap);
}

}  // namespace pdf
