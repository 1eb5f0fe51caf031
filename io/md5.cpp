#include "io/md5.h"

#include <algorithm>
#include <cstring>

namespace io {
namespace {

constexpr std::uint32_t kT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

inline std::uint32_t rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void transform(std::array<std::uint32_t, 4>& state, const std::uint8_t* block) {
  std::uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = static_cast<std::uint32_t>(block[i * 4]) | (static_cast<std::uint32_t>(block[i * 4 + 1]) << 8) |
           (static_cast<std::uint32_t>(block[i * 4 + 2]) << 16) |
           (static_cast<std::uint32_t>(block[i * 4 + 3]) << 24);
  }
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const std::uint32_t next = b + rotl(a + f + kT[i] + m[g], kShift[i]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

void MD5Init(MD5Context& ctx) {
  ctx.state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  ctx.bit_count = 0;
  ctx.buffer.fill(0);
}

void MD5Update(MD5Context& ctx, const void* data, std::size_t length) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t used = static_cast<std::size_t>((ctx.bit_count >> 3) & 63);
  ctx.bit_count += static_cast<std::uint64_t>(length) << 3;
  if (used > 0) {
    const std::size_t take = std::min<std::size_t>(64 - used, length);
    std::memcpy(ctx.buffer.data() + used, p, take);
    used += take;
    p += take;
    length -= take;
    if (used < 64) return;
    transform(ctx.state, ctx.buffer.data());
  }
  while (length >= 64) {
    transform(ctx.state, p);
    p += 64;
    length -= 64;
  }
  if (length > 0) std::memcpy(ctx.buffer.data(), p, length);
}

MD5Digest16 MD5Final(MD5Context& ctx) {
  const std::uint64_t bits = ctx.bit_count;
  std::uint8_t pad[72] = {0x80};
  const std::size_t used = static_cast<std::size_t>((bits >> 3) & 63);
  const std::size_t pad_len = used < 56 ? 56 - used : 120 - used;
  MD5Update(ctx, pad, pad_len);
  std::uint8_t len_bytes[8];
  for (int i = 0; i < 8; ++i) len_bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  MD5Update(ctx, len_bytes, 8);
  MD5Digest16 out;
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) out[i * 4 + k] = static_cast<std::uint8_t>(ctx.state[i] >> (8 * k));
  MD5Init(ctx);
  return out;
}

MD5Digest16 MD5Digest(const void* data, std::size_t length) {
  MD5Context ctx;
  MD5Init(ctx);
  MD5Update(ctx, data, length);
  return MD5Final(ctx);
}

std::string MD5DigestToHex(const MD5Digest16& digest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(32);
  for (std::uint8_t b : digest) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

std::string MD5HexString(std::string_view s) { return MD5DigestToHex(MD5Digest(s)); }

}  // namespace io
