// MD5 message digest (RFC 1321), used for the file identifier and the security handler's keys.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace io {

using MD5Digest16 = std::array<std::uint8_t, 16>;

struct MD5Context {
  std::array<std::uint32_t, 4> state{};
  std::uint64_t bit_count = 0;
  std::array<std::uint8_t, 64> buffer{};
};

void MD5Init(MD5Context& ctx);
void MD5Update(MD5Context& ctx, const void* data, std::size_t length);
MD5Digest16 MD5Final(MD5Context& ctx);

// One call over a buffer.
MD5Digest16 MD5Digest(const void* data, std::size_t length);
inline MD5Digest16 MD5Digest(std::string_view s) { return MD5Digest(s.data(), s.size()); }
// 32 lowercase hexadecimal digits.
std::string MD5DigestToHex(const MD5Digest16& digest);
std::string MD5HexString(std::string_view s);

}  // namespace io
