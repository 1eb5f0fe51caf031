#include "io/md4.h"

#include <cstring>

#include "io/exceptions.h"

namespace io {

namespace {

inline std::uint32_t Rotl(std::uint32_t X, int N) { return (X << N) | (X >> (32 - N)); }
inline std::uint32_t F(std::uint32_t X, std::uint32_t Y, std::uint32_t Z) { return (X & Y) | (~X & Z); }
inline std::uint32_t G(std::uint32_t X, std::uint32_t Y, std::uint32_t Z) { return (X & Y) | (X & Z) | (Y & Z); }
inline std::uint32_t H(std::uint32_t X, std::uint32_t Y, std::uint32_t Z) { return X ^ Y ^ Z; }

}  // namespace

void TMD4Hash::Init() {
  state_ = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
  bit_count_ = 0;
  initialized_ = true;
}

void TMD4Hash::Reset() {
  buffer_.fill(0);
  state_.fill(0);
  bit_count_ = 0;
  initialized_ = false;
}

void TMD4Hash::Transform(const std::uint8_t* Block) {
  std::uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = core::load_le32(Block + 4 * i);
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

  static constexpr int r1[4] = {3, 7, 11, 19};
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t t = Rotl(a + F(b, c, d) + x[i], r1[i % 4]);
    a = d; d = c; c = b; b = t;
  }
  static constexpr int r2[4] = {3, 5, 9, 13};
  for (int i = 0; i < 16; ++i) {
    const int k = (i % 4) * 4 + i / 4;
    const std::uint32_t t = Rotl(a + G(b, c, d) + x[k] + 0x5A827999u, r2[i % 4]);
    a = d; d = c; c = b; b = t;
  }
  static constexpr int r3[4] = {3, 9, 11, 15};
  static constexpr int order3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  for (int i = 0; i < 16; ++i) {
    const std::uint32_t t = Rotl(a + H(b, c, d) + x[order3[i]] + 0x6ED9EBA1u, r3[i % 4]);
    a = d; d = c; c = b; b = t;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void TMD4Hash::Update(const void* Data, std::size_t Count) {
  if (!initialized_) throw Exception("Hash not initialized");
  const auto* p = static_cast<const std::uint8_t*>(Data);
  std::size_t used = static_cast<std::size_t>((bit_count_ / 8) % 64);
  bit_count_ += static_cast<std::uint64_t>(Count) * 8;
  if (used > 0) {
    const std::size_t n = std::min(Count, 64 - used);
    std::memcpy(buffer_.data() + used, p, n);
    used += n;
    p += n;
    Count -= n;
    if (used < 64) return;
    Transform(buffer_.data());
  }
  for (; Count >= 64; p += 64, Count -= 64) Transform(p);
  if (Count > 0) std::memcpy(buffer_.data(), p, Count);
}

TMD4Hash::TDigest TMD4Hash::Final() {
  if (!initialized_) throw Exception("Hash not initialized");
  const std::uint64_t bits = bit_count_;
  std::uint8_t pad[72] = {0x80};
  const std::size_t used = static_cast<std::size_t>((bits / 8) % 64);
  const std::size_t padLen = used < 56 ? 56 - used : 120 - used;
  Update(pad, padLen);
  std::uint8_t len[8];
  core::store_le32(len, static_cast<std::uint32_t>(bits));
  core::store_le32(len + 4, static_cast<std::uint32_t>(bits >> 32));
  Update(len, 8);
  TDigest d;
  for (int i = 0; i < 4; ++i) core::store_le32(d.data() + 4 * i, state_[i]);
  Reset();
  return d;
}

TMD4Hash::TDigest TMD4Hash::Of(core::ByteSpan Data) {
  TMD4Hash h;
  h.Init();
  h.Update(Data.data(), Data.size());
  return h.Final();
}

}  // namespace io
