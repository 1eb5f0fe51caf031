// Bounded access to one record body: every field read is checked against the body's length, so a
// count or offset taken from the file can never reach past the record buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "biff/biff_error.h"
#include "core/byte_io.h"

namespace biff {

class TRecordBody {
public:
  TRecordBody(const std::uint8_t* Data, int Len) : P_(Data), Len_(Len < 0 ? 0 : Len) {}

  int Length() const { return Len_; }
  const std::uint8_t* Data() const { return P_; }
  // Raises "record too short" unless Count bytes from Offset lie inside the body.
  void Need(int Offset, int Count) const {
    if (Offset < 0 || Count < 0 || Offset > Len_ || Count > Len_ - Offset) throw Exception("record too short");
  }
  const std::uint8_t* At(int Offset, int Count) const {
    Need(Offset, Count);
    return P_ + Offset;
  }
  std::uint8_t U8(int Offset) const { return *At(Offset, 1); }
  std::uint16_t U16(int Offset) const { return core::load_le16(At(Offset, 2)); }
  std::int16_t I16(int Offset) const { return static_cast<std::int16_t>(U16(Offset)); }
  std::uint32_t U32(int Offset) const { return core::load_le32(At(Offset, 4)); }
  double F64(int Offset) const {
    double d;
    std::memcpy(&d, At(Offset, 8), 8);
    return d;
  }
  bool Has(int Offset, int Count) const { return Offset >= 0 && Count >= 0 && Offset <= Len_ && Count <= Len_ - Offset; }

  // A BIFF8 string body at Offset: option byte (bit 0: UTF-16) and Count characters; 8-bit
  // characters are Latin-1. Returns the offset behind the characters.
  int Unicode(int Offset, int Count, std::u16string& Text) const {
    const std::uint8_t opt = U8(Offset);
    ++Offset;
    Text.clear();
    if (opt & 1) {
      const std::uint8_t* c = At(Offset, Count * 2);
      Text.reserve(static_cast<std::size_t>(Count));
      for (int i = 0; i < Count; ++i) Text.push_back(static_cast<char16_t>(core::load_le16(c + 2 * i)));
      return Offset + Count * 2;
    }
    const std::uint8_t* c = At(Offset, Count);
    Text.assign(c, c + Count);
    return Offset + Count;
  }
  // Count 8-bit characters through the code page (BIFF5 and older). Returns the offset behind them.
  int Ansi(int Offset, int Count, int CodePage, std::u16string& Text) const;

private:
  const std::uint8_t* P_;
  int Len_;
};

}  // namespace biff
