#include "skin/lzh_codec.h"

#include <algorithm>
#include <cstring>

#include "core/byte_io.h"

namespace skin {

namespace {

// Prefix code of the upper six position bits: the first byte read selects the upper bits (code) and
// the total number of prefix bits (len).
struct PositionTables {
  std::array<std::uint8_t, 256> code{};
  std::array<std::uint8_t, 256> len{};
  // Encoder side, per upper value 0..63: the prefix bits and their count.
  std::array<std::uint8_t, 64> enc_bits{};
  std::array<std::uint8_t, 64> enc_len{};

  PositionTables() {
    // (number of upper values, byte values each, prefix length)
    struct Group { int values, each, length; };
    const Group groups[] = {{1, 32, 3}, {3, 16, 4}, {8, 8, 5}, {12, 4, 6}, {24, 2, 7}, {16, 1, 8}};
    int b = 0, upper = 0;
    for (const Group& g : groups) {
      for (int v = 0; v < g.values; ++v, ++upper) {
        enc_len[upper] = static_cast<std::uint8_t>(g.length);
        enc_bits[upper] = static_cast<std::uint8_t>(b >> (8 - g.length));
        for (int k = 0; k < g.each; ++k, ++b) {
          code[b] = static_cast<std::uint8_t>(upper);
          len[b] = static_cast<std::uint8_t>(g.length);
        }
      }
    }
  }
};

const PositionTables& position_tables() {
  static const PositionTables tables;
  return tables;
}

}  // namespace

// ---- adaptive tree ----

void LzhTree::init() {
  for (int i = 0; i < kSymbols; ++i) {
    freq[i] = 1;
    son[i] = static_cast<std::uint16_t>(i + kNodes);
    prnt[i + kNodes] = static_cast<std::uint16_t>(i);
  }
  for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
    freq[j] = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
    son[j] = static_cast<std::uint16_t>(i);
    prnt[i] = prnt[i + 1] = static_cast<std::uint16_t>(j);
  }
  freq[kNodes] = 0xFFFF;
  prnt[kRoot] = 0;
  rebuilds_ = 0;
}

void LzhTree::rebuild() {
  ++rebuilds_;
  // Leaves to the front, counts halved.
  int j = 0;
  for (int i = 0; i < kNodes; ++i) {
    if (son[i] >= kNodes) {
      freq[j] = static_cast<std::uint16_t>((freq[i] + 1) / 2);
      son[j] = son[i];
      ++j;
    }
  }
  // Pair them up again, inserting each parent where its count keeps the order.
  for (int i = 0, jj = kSymbols; jj < kNodes; i += 2, ++jj) {
    const unsigned f = static_cast<unsigned>(freq[i]) + freq[i + 1];
    int k = jj - 1;
    while (f < freq[k]) --k;
    ++k;
    std::memmove(&freq[k + 1], &freq[k], static_cast<std::size_t>(jj - k) * sizeof freq[0]);
    std::memmove(&son[k + 1], &son[k], static_cast<std::size_t>(jj - k) * sizeof son[0]);
    freq[k] = static_cast<std::uint16_t>(f);
    son[k] = static_cast<std::uint16_t>(i);
  }
  for (int i = 0; i < kNodes; ++i) {
    const int k = son[i];
    if (k >= kNodes) {
      prnt[k] = static_cast<std::uint16_t>(i);
    } else {
      prnt[k] = prnt[k + 1] = static_cast<std::uint16_t>(i);
    }
  }
}

void LzhTree::update(int symbol) {
  if (freq[kRoot] >= kMaxFreq) rebuild();
  int c = prnt[symbol + kNodes];
  do {
    const unsigned k = ++freq[c];
    if (k > freq[c + 1]) {
      // Move the node past every node of a smaller count (the sentinel stops the walk).
      int l = c + 1;
      while (k > freq[l + 1]) ++l;
      freq[c] = freq[l];
      freq[l] = static_cast<std::uint16_t>(k);
      const int i = son[c];
      prnt[i] = static_cast<std::uint16_t>(l);
      if (i < kNodes) prnt[i + 1] = static_cast<std::uint16_t>(l);
      const int j = son[l];
      son[l] = static_cast<std::uint16_t>(i);
      prnt[j] = static_cast<std::uint16_t>(c);
      if (j < kNodes) prnt[j + 1] = static_cast<std::uint16_t>(c);
      son[c] = static_cast<std::uint16_t>(j);
      c = l;
    }
    c = prnt[c];
  } while (c != 0);
}

// ---- decoder ----

int TLZH::read_byte() {
  if (pos_ < in_.size()) return in_[pos_++];
  if (++past_end_ > static_cast<std::size_t>(kReadSlack)) {
    throw ElzhException("LZH : compressed data ends before the declared length");
  }
  return 0;
}

void TLZH::fill_bits() {
  while (bitcount_ < 9) {
    bitbuf_ = static_cast<std::uint16_t>(bitbuf_ | (read_byte() << (8 - bitcount_)));
    bitcount_ = static_cast<std::uint8_t>(bitcount_ + 8);
  }
}

int TLZH::get_bit() {
  fill_bits();
  const int bit = bitbuf_ >> 15;
  bitbuf_ = static_cast<std::uint16_t>(bitbuf_ << 1);
  --bitcount_;
  return bit;
}

int TLZH::get_byte() {
  fill_bits();
  const int byte = bitbuf_ >> 8;
  bitbuf_ = static_cast<std::uint16_t>(bitbuf_ << 8);
  bitcount_ = static_cast<std::uint8_t>(bitcount_ - 8);
  return byte;
}

int TLZH::decode_char() {
  int c = tree_.son[LzhTree::kRoot];
  while (c < LzhTree::kNodes) c = tree_.son[c + get_bit()];
  c -= LzhTree::kNodes;
  tree_.update(c);
  return c;
}

int TLZH::decode_position() {
  const PositionTables& t = position_tables();
  int i = get_byte();
  const int upper = t.code[i] << 6;
  for (int n = t.len[i] - 2; n > 0; --n) i = (i << 1) + get_bit();
  return upper | (i & 63);
}

std::vector<std::uint8_t> TLZH::Decode(std::span<const std::uint8_t> input, std::int32_t declared_length,
                                       std::int64_t max_length) {
  in_ = input;
  pos_ = 0;
  past_end_ = 0;
  bitbuf_ = 0;
  bitcount_ = 0;
  consumed_ = 0;
  rebuilds_ = 0;
  std::vector<std::uint8_t> out;
  if (declared_length <= 0) return out;
  // Every symbol costs at least one bit and a match at least ten more, so a byte of input yields at
  // most 48 bytes: a longer declaration cannot be honest.
  const std::int64_t plausible = (static_cast<std::int64_t>(input.size()) + kReadSlack) * 48 + kMaxMatch;
  if (declared_length > std::min(kMaxDeclaredLength, max_length) || declared_length > plausible) {
    throw ElzhException("LZH : declared length does not fit the compressed data");
  }
  tree_.init();
  std::array<std::uint8_t, kRingSize + kMaxMatch - 1> ring{};
  std::fill(ring.begin(), ring.begin() + (kRingSize - kMaxMatch), std::uint8_t{' '});
  int r = kRingSize - kMaxMatch;
  out.reserve(static_cast<std::size_t>(declared_length) + kMaxMatch);
  while (out.size() < static_cast<std::size_t>(declared_length)) {
    const int c = decode_char();
    if (c < 256) {
      out.push_back(static_cast<std::uint8_t>(c));
      ring[r] = static_cast<std::uint8_t>(c);
      r = (r + 1) & (kRingSize - 1);
    } else {
      const int start = (r - decode_position() - 1) & (kRingSize - 1);
      const int length = c - 255 + kThreshold;
      for (int k = 0; k < length; ++k) {
        const std::uint8_t b = ring[(start + k) & (kRingSize - 1)];
        out.push_back(b);
        ring[r] = b;
        r = (r + 1) & (kRingSize - 1);
      }
    }
  }
  rebuilds_ = tree_.rebuilds();
  // Whole bytes still unread in the bit buffer were look-ahead, not consumed.
  const std::size_t lookahead = bitcount_ / 8;
  consumed_ = pos_ + past_end_ >= lookahead ? pos_ + past_end_ - lookahead : 0;
  consumed_ = std::min(consumed_, input.size());
  return out;
}

// ---- encoder ----

namespace {

class BitWriter {
public:
  void put(std::uint32_t bits, int count) {  // the low `count` bits, most significant first
    for (int i = count - 1; i >= 0; --i) {
      acc_ = static_cast<std::uint8_t>((acc_ << 1) | ((bits >> i) & 1));
      if (++n_ == 8) {
        out_.push_back(acc_);
        acc_ = 0;
        n_ = 0;
      }
    }
  }
  std::vector<std::uint8_t> finish() {
    if (n_ > 0) out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - n_)));
    n_ = 0;
    return std::move(out_);
  }

private:
  std::vector<std::uint8_t> out_;
  std::uint8_t acc_ = 0;
  int n_ = 0;
};

void encode_symbol(LzhTree& tree, BitWriter& w, int symbol) {
  // Walk from the leaf to the root collecting branch bits, then send them root first.
  std::uint64_t bits = 0;
  int count = 0;
  int k = tree.prnt[symbol + LzhTree::kNodes];
  while (k != LzhTree::kRoot) {
    const int parent = tree.prnt[k];
    bits |= static_cast<std::uint64_t>(k - tree.son[parent]) << count;
    ++count;
    k = parent;
  }
  for (int i = count - 1; i >= 0; --i) w.put(static_cast<std::uint32_t>((bits >> i) & 1), 1);
  tree.update(symbol);
}

}  // namespace

std::vector<std::uint8_t> lzh_encode(std::span<const std::uint8_t> plain) {
  constexpr int kWindow = TLZH::kRingSize;
  constexpr int kMinMatch = TLZH::kThreshold + 1;
  constexpr int kMaxMatch = TLZH::kMaxMatch;
  constexpr int kHashBits = 14;
  constexpr int kChainLimit = 256;
  const PositionTables& t = position_tables();
  LzhTree tree;
  tree.init();
  BitWriter w;
  const std::size_t n = plain.size();
  std::vector<std::int32_t> head(std::size_t{1} << kHashBits, -1);
  std::vector<std::int32_t> prev(n, -1);
  auto hash_at = [&](std::size_t i) {
    const std::uint32_t v = plain[i] | (plain[i + 1] << 8) | (plain[i + 2] << 16);
    return (v * 2654435761u) >> (32 - kHashBits);
  };
  auto insert = [&](std::size_t i) {
    if (i + kMinMatch > n) return;
    const std::uint32_t h = hash_at(i);
    prev[i] = head[h];
    head[h] = static_cast<std::int32_t>(i);
  };
  std::size_t i = 0;
  while (i < n) {
    int best_len = 0, best_dist = 0;
    if (i + kMinMatch <= n) {
      const int limit = static_cast<int>(std::min<std::size_t>(kMaxMatch, n - i));
      int chain = kChainLimit;
      for (std::int32_t j = head[hash_at(i)]; j >= 0 && chain-- > 0; j = prev[j]) {
        const int dist = static_cast<int>(i - static_cast<std::size_t>(j));
        if (dist > kWindow) break;
        int len = 0;
        while (len < limit && plain[j + len] == plain[i + len]) ++len;
        if (len > best_len) {
          best_len = len;
          best_dist = dist;
          if (len == limit) break;
        }
      }
    }
    if (best_len >= kMinMatch) {
      encode_symbol(tree, w, best_len + 253);
      const int position = best_dist - 1;
      const int upper = position >> 6;
      w.put(t.enc_bits[upper], t.enc_len[upper]);
      w.put(static_cast<std::uint32_t>(position & 63), 6);
      for (int k = 0; k < best_len; ++k) insert(i + k);
      i += static_cast<std::size_t>(best_len);
    } else {
      encode_symbol(tree, w, plain[i]);
      insert(i);
      ++i;
    }
  }
  return w.finish();
}

std::vector<std::uint8_t> pack_lzh_stream(std::span<const std::uint8_t> plain) {
  if (plain.size() > static_cast<std::size_t>(TLZH::kMaxDeclaredLength)) {
    throw ElzhException("LZH : data too large for a skin package");
  }
  std::vector<std::uint8_t> out(4);
  core::store_le32(out.data(), static_cast<std::uint32_t>(plain.size()));
  const std::vector<std::uint8_t> stream = lzh_encode(plain);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

std::vector<std::uint8_t> unpack_lzh_stream(std::span<const std::uint8_t> packed, std::int64_t max_length) {
  if (packed.size() < 4) throw ElzhException("LZH : stream shorter than its length field");
  const auto declared = static_cast<std::int32_t>(core::load_le32(packed.data()));
  TLZH lzh;
  return lzh.Decode(packed.subspan(4), declared, max_length);
}

}  // namespace skin
