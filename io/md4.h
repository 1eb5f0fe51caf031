// MD4 (RFC 1320): the identifier of a picture in the workbook's picture store.
#pragma once

#include <array>
#include <cstdint>

#include "core/byte_io.h"

namespace io {

class TMD4Hash {
public:
  using TDigest = std::array<std::uint8_t, 16>;

  void Init();
  void Update(const void* Data, std::size_t Count);
  // Ends the digest and resets the object; Init must be called again before the next Update.
  TDigest Final();
  void Reset();

  static TDigest Of(core::ByteSpan Data);

private:
  void Transform(const std::uint8_t* Block);

  std::array<std::uint8_t, 64> buffer_{};
  std::uint64_t bit_count_ = 0;
  std::array<std::uint32_t, 4> state_{};
  bool initialized_ = false;
};

}  // namespace io
