// The -lh1- compression of skin packages: LZSS over a 4 KB ring (matches of 3 to 60 bytes) with an
// adaptive Huffman code of the 314 literal and length symbols, and a fixed prefix code for the upper
// six bits of match positions. TLZH decodes; lzh_encode is the project's own encoder, used by the skin
// tool to pack the shipped skin and by the tests.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/error.h"

namespace skin {

class ElzhException : public core::Error {
public:
  using core::Error::Error;
};

// The adaptive code tree shared by both directions. Nodes 0..626 are kept sorted by frequency; node
// 626 is the root; leaves are the indexes 627 + symbol of the parent table.
class LzhTree {
public:
  static constexpr int kSymbols = 314;
  static constexpr int kNodes = 2 * kSymbols - 1;  // T
  static constexpr int kRoot = kNodes - 1;         // R
  static constexpr unsigned kMaxFreq = 0x8000;

  void init();
  // Counts one more occurrence of `symbol`, keeping the tree ordered; rebuilds first when the root's
  // count has reached the limit.
  void update(int symbol);
  int rebuilds() const { return rebuilds_; }

  std::array<std::uint16_t, kNodes + 1> freq{};
  std::array<std::uint16_t, kNodes + kSymbols> prnt{};
  std::array<std::uint16_t, kNodes> son{};

private:
  void rebuild();
  int rebuilds_ = 0;
};

class TLZH {
public:
  static constexpr int kRingSize = 4096;      // N
  static constexpr int kMaxMatch = 60;        // F
  static constexpr int kThreshold = 2;
  // Declared lengths above this are refused before anything is allocated.
  static constexpr std::int64_t kMaxDeclaredLength = std::int64_t{64} << 20;
  // Bytes the bit reader may look ahead past the end of the data before the data counts as truncated.
  static constexpr int kReadSlack = 4;

  // Decodes `input` (the bit stream, without the length prefix) until at least `declared_length`
  // bytes are out; a final match may run past it by up to 59 bytes. A length of 0 or less gives
  // nothing. Throws ElzhException for an absurd length (more than the input can hold, or more than
  // `max_length`, which a caller expecting small data lowers) or for data that ends early.
  std::vector<std::uint8_t> Decode(std::span<const std::uint8_t> input, std::int32_t declared_length,
                                   std::int64_t max_length = kMaxDeclaredLength);

  // After a Decode: input bytes consumed (not counting the look-ahead of the bit reader), and tree
  // rebuilds seen.
  std::size_t consumed() const { return consumed_; }
  int rebuilds() const { return rebuilds_; }

private:
  int read_byte();
  void fill_bits();
  int get_bit();
  int get_byte();
  int decode_char();
  int decode_position();

  std::span<const std::uint8_t> in_;
  std::size_t pos_ = 0;
  std::size_t past_end_ = 0;
  std::uint16_t bitbuf_ = 0;
  std::uint8_t bitcount_ = 0;
  LzhTree tree_;
  std::size_t consumed_ = 0;
  int rebuilds_ = 0;
};

// Encodes `plain` as a raw -lh1- bit stream that TLZH (or any -lh1- decoder) turns back into exactly
// `plain`. Deterministic: the same input always gives the same bytes.
std::vector<std::uint8_t> lzh_encode(std::span<const std::uint8_t> plain);

// The framing the skin data holds: a signed 32-bit little-endian unpacked length, then the stream.
std::vector<std::uint8_t> pack_lzh_stream(std::span<const std::uint8_t> plain);
// Reads the framing and decodes; the result keeps a final match's overrun (see Decode).
std::vector<std::uint8_t> unpack_lzh_stream(std::span<const std::uint8_t> packed,
                                            std::int64_t max_length = TLZH::kMaxDeclaredLength);

}  // namespace skin
