// Little- and big-endian loads and stores, a bounds-checked reader and a growing writer over bytes.
// File formats are decoded through these, never by casting buffers to structs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace core {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

inline std::uint16_t load_le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t load_le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t load_le64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(load_le32(p)) | (static_cast<std::uint64_t>(load_le32(p + 4)) << 32);
}
inline std::uint16_t load_be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t load_be32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline std::uint64_t load_be64(const std::uint8_t* p) {
  return (static_cast<std::uint64_t>(load_be32(p)) << 32) | load_be32(p + 4);
}
inline double load_le_double(const std::uint8_t* p) {
  std::uint64_t bits = load_le64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline float load_le_float(const std::uint8_t* p) {
  std::uint32_t bits = load_le32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

inline void store_le16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void store_le32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void store_le64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void store_be16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void store_be32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}
inline void store_be64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (56 - 8 * i));
}
inline void store_le_double(std::uint8_t* p, double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  store_le64(p, bits);
}
inline void store_le_float(std::uint8_t* p, float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  store_le32(p, bits);
}

// Reads fields from a byte range front to back. Every read checks what is left and throws
// TruncatedInput instead of reading past the end; the position is unchanged by a failed read.
class ByteReader {
public:
  ByteReader() = default;
  explicit ByteReader(ByteSpan data) : data_(data) {}
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data, size) {}

  std::size_t size() const { return data_.size(); }
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool at_end() const { return pos_ == data_.size(); }
  ByteSpan data() const { return data_; }

  // Moves to an absolute position; a position past the end is refused.
  void seek(std::size_t pos);
  void skip(std::size_t n);

  std::uint8_t u8();
  std::int8_t i8() { return static_cast<std::int8_t>(u8()); }
  std::uint16_t u16le();
  std::uint32_t u32le();
  std::uint64_t u64le();
  std::int16_t i16le() { return static_cast<std::int16_t>(u16le()); }
  std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }
  std::int64_t i64le() { return static_cast<std::int64_t>(u64le()); }
  std::uint16_t u16be();
  std::uint32_t u32be();
  std::uint64_t u64be();
  std::int16_t i16be() { return static_cast<std::int16_t>(u16be()); }
  std::int32_t i32be() { return static_cast<std::int32_t>(u32be()); }
  double f64le();
  float f32le();

  // The next n bytes as a view into the input; the reader moves past them.
  ByteSpan take(std::size_t n);
  void read(std::uint8_t* out, std::size_t n);
  Bytes bytes(std::size_t n);
  // n bytes as a std::string of the raw bytes (no conversion).
  std::string raw_string(std::size_t n);
  // Little-endian UTF-16 units.
  std::u16string u16string_le(std::size_t units);

  // A reader over the next n bytes; this reader moves past them.
  ByteReader sub(std::size_t n) { return ByteReader(take(n)); }

private:
  const std::uint8_t* need(std::size_t n);

  ByteSpan data_;
  std::size_t pos_ = 0;
};

// Appends fields to a growing buffer; patch_* overwrite earlier fields (lengths known only later).
class ByteWriter {
public:
  std::size_t size() const { return buf_.size(); }
  const Bytes& data() const { return buf_; }
  Bytes take() { return std::move(buf_); }
  void clear() { buf_.clear(); }
  void reserve(std::size_t n) { buf_.reserve(n); }

  void u8(std::uint8_t v) { buf_.push_back(v); }
  void u16le(std::uint16_t v) { store_le16(grow(2), v); }
  void u32le(std::uint32_t v) { store_le32(grow(4), v); }
  void u64le(std::uint64_t v) { store_le64(grow(8), v); }
  void u16be(std::uint16_t v) { store_be16(grow(2), v); }
  void u32be(std::uint32_t v) { store_be32(grow(4), v); }
  void u64be(std::uint64_t v) { store_be64(grow(8), v); }
  void f64le(double v) { store_le_double(grow(8), v); }
  void f32le(float v) { store_le_float(grow(4), v); }
  void bytes(ByteSpan b) { buf_.insert(buf_.end(), b.begin(), b.end()); }
  void bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    buf_.insert(buf_.end(), b, b + n);
  }
  void raw_string(std::string_view s) { bytes(s.data(), s.size()); }
  void u16string_le(std::u16string_view s) {
    for (char16_t c : s) u16le(static_cast<std::uint16_t>(c));
  }
  void fill(std::size_t n, std::uint8_t v = 0) { buf_.insert(buf_.end(), n, v); }

  void patch_u16le(std::size_t at, std::uint16_t v) { store_le16(at_checked(at, 2), v); }
  void patch_u32le(std::size_t at, std::uint32_t v) { store_le32(at_checked(at, 4), v); }
  void patch_u16be(std::size_t at, std::uint16_t v) { store_be16(at_checked(at, 2), v); }
  void patch_u32be(std::size_t at, std::uint32_t v) { store_be32(at_checked(at, 4), v); }

private:
  std::uint8_t* grow(std::size_t n) {
    buf_.resize(buf_.size() + n);
    return buf_.data() + buf_.size() - n;
  }
  std::uint8_t* at_checked(std::size_t at, std::size_t n);

  Bytes buf_;
};

}  // namespace core
