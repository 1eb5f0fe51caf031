// The fax encoder for 1-bit pictures: one- and two-dimensional coding of ITU-T T.4 (Group 3) and
// the coding of T.6 (Group 4), bits written most significant first with no byte alignment of rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pdf {

// A 1-bit picture as packed rows, most significant bit first; bit value 1 = "set" (palette index 1).
struct TMonoBits {
  int Width = 0;
  int Height = 0;
  int BytesPerRow = 0;
  std::vector<std::uint8_t> Bits;
  bool Valid = true;  // false: not a 1-bit picture
};

class TCCITTCompression {
 public:
  // Mode 0: Group 3 one-dimensional; 1: Group 3 two-dimensional; 2: Group 4.
  TCCITTCompression(std::string* output, int mode) : output_(output), mode_(mode) {}
  // Raises core::Error "Not set output stream." without output and "Not b/w image." for a picture
  // that is not 1 bit per pixel.
  void Encode(const TMonoBits& bitmap);

 private:
  void PutBits(std::uint32_t code, int length);
  void PutSpan(int run, bool black);
  void EncodeRow1D(const std::uint8_t* row);
  void EncodeRow2D(const std::uint8_t* row, const std::uint8_t* ref);
  int FindZeroSpan(const std::uint8_t* row, int from) const;
  int FindOneSpan(const std::uint8_t* row, int from) const;
  int NextChange(const std::uint8_t* row, int from) const;
  bool Pixel(const std::uint8_t* row, int x) const;
  void Flush();

  std::string* output_;
  int mode_;
  int bytes_per_row_ = 0;
  int width_ = 0;
  std::vector<std::uint8_t> reference_;
  std::uint8_t buffer_ = 0;
  int free_bits_ = 8;
};

// Encodes with a TCCITTCompression of the mode.
void EncodeCCITT(const TMonoBits& bitmap, std::string& stream, int mode);

}  // namespace pdf
