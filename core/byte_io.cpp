#include "core/byte_io.h"

namespace core {

const std::uint8_t* ByteReader::need(std::size_t n) {
  if (n > remaining()) {
    throw TruncatedInput("unexpected end of data: " + std::to_string(n) + " bytes needed at offset " +
                         std::to_string(pos_) + ", " + std::to_string(remaining()) + " left");
  }
  const std::uint8_t* p = data_.data() + pos_;
  pos_ += n;
  return p;
}

void ByteReader::seek(std::size_t pos) {
  if (pos > data_.size()) {
    throw TruncatedInput("seek to offset " + std::to_string(pos) + " past the end (" +
                         std::to_string(data_.size()) + " bytes)");
  }
  pos_ = pos;
}

void ByteReader::skip(std::size_t n) { need(n); }

std::uint8_t ByteReader::u8() { return *need(1); }
std::uint16_t ByteReader::u16le() { return load_le16(need(2)); }
std::uint32_t ByteReader::u32le() { return load_le32(need(4)); }
std::uint64_t ByteReader::u64le() { return load_le64(need(8)); }
std::uint16_t ByteReader::u16be() { return load_be16(need(2)); }
std::uint32_t ByteReader::u32be() { return load_be32(need(4)); }
std::uint64_t ByteReader::u64be() { return load_be64(need(8)); }
double ByteReader::f64le() { return load_le_double(need(8)); }
float ByteReader::f32le() { return load_le_float(need(4)); }

ByteSpan ByteReader::take(std::size_t n) {
  const std::uint8_t* p = need(n);
  return ByteSpan(p, n);
}

void ByteReader::read(std::uint8_t* out, std::size_t n) {
  const std::uint8_t* p = need(n);
  if (n) std::memcpy(out, p, n);
}

Bytes ByteReader::bytes(std::size_t n) {
  ByteSpan s = take(n);
  return Bytes(s.begin(), s.end());
}

std::string ByteReader::raw_string(std::size_t n) {
  ByteSpan s = take(n);
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

std::u16string ByteReader::u16string_le(std::size_t units) {
  // Checked before multiplying, so a huge count cannot wrap around.
  if (units > remaining() / 2) need(remaining() + 1);
  const std::uint8_t* p = need(units * 2);
  std::u16string s(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) s[i] = static_cast<char16_t>(load_le16(p + 2 * i));
  return s;
}

std::uint8_t* ByteWriter::at_checked(std::size_t at, std::size_t n) {
  if (at > buf_.size() || n > buf_.size() - at) {
    throw Error("patch at offset " + std::to_string(at) + " past the written data");
  }
  return buf_.data() + at;
}

}  // namespace core
