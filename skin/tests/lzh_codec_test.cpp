#include "skin/lzh_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/byte_io.h"
#include "skin/tests/lzh_test_data.h"

namespace skin {
namespace {

using namespace skin::test;

struct Fixture {
  const char* file;
  Bytes (*make)(std::size_t);
  std::size_t size;
  bool rebuilds;
};

TEST(LzhDecode, IndependentEncoderStreamsDecodeByteExact) {
  const Fixture fixtures[] = {{"text.lh1", fixture_text, 30000, false},
                              {"mixed.lh1", fixture_mixed, 20000, false},
                              {"noise.lh1", fixture_noise, 120000, true}};
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.file);
    const Bytes stream = read_file(data_path(f.file));
    ASSERT_FALSE(stream.empty());
    TLZH lzh;
    Bytes out = lzh.Decode(stream, static_cast<std::int32_t>(f.size));
    ASSERT_GE(out.size(), f.size);
    ASSERT_LE(out.size(), f.size + 59);
    out.resize(f.size);
    EXPECT_EQ(out, f.make(f.size));
    if (f.rebuilds) {
      EXPECT_GE(lzh.rebuilds(), 2);
    }
    EXPECT_GE(lzh.consumed() + 1, stream.size());  // the encoder's final byte may hold only padding
  }
}

TEST(LzhEncode, RoundTripsAcrossShapesAndTreeRebuilds) {
  struct Case {
    const char* name;
    Bytes plain;
    int min_rebuilds;
  };
  Bytes spaces(5000, ' ');
  Bytes long_run(70000, 'A');  // matches longer than 60, distance 1 overlapping its own output
  Bytes window(9000);
  for (std::size_t i = 0; i < window.size(); ++i) window[i] = static_cast<std::uint8_t>((i * 7919) % 4096 / 16);
  const Case cases[] = {
      {"empty", {}, 0},
      {"one byte", {0x5A}, 0},
      {"spaces", spaces, 0},
      {"long run", long_run, 0},
      {"far matches", window, 0},
      {"text", fixture_text(40000), 0},
      {"mixed", sample(30000, 9), 0},
      {"noise with rebuilds", fixture_noise(200000), 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes stream = lzh_encode(c.plain);
    TLZH lzh;
    const Bytes out = lzh.Decode(stream, static_cast<std::int32_t>(c.plain.size()));
    EXPECT_EQ(out, c.plain);  // the encoder never lets a match run past the end
    EXPECT_GE(lzh.rebuilds(), c.min_rebuilds);
    EXPECT_EQ(lzh_encode(c.plain), stream) << "not deterministic";
    if (c.plain.size() > 1000 && c.min_rebuilds == 0) {
      EXPECT_LT(stream.size(), c.plain.size());
    }
  }
}

TEST(LzhDecode, HostileFramesFailCleanly) {
  const Bytes plain = fixture_text(10000);
  const Bytes packed = pack_lzh_stream(plain);
  EXPECT_EQ(unpack_lzh_stream(packed), plain);

  // A declared length of 0 or less unpacks to nothing.
  for (std::int32_t declared : {0, -1, INT32_MIN}) {
    Bytes p = packed;
    core::store_le32(p.data(), static_cast<std::uint32_t>(declared));
    EXPECT_TRUE(unpack_lzh_stream(p).empty());
  }
  // A declared length the data cannot hold is refused before anything is allocated.
  Bytes absurd = packed;
  core::store_le32(absurd.data(), 0x7FFFFFFF);
  EXPECT_THROW(unpack_lzh_stream(absurd), ElzhException);
  // A caller expecting small data lowers the bound: the same stream is refused above it.
  EXPECT_EQ(unpack_lzh_stream(packed, 10000), plain);
  EXPECT_THROW(unpack_lzh_stream(packed, 9999), ElzhException);
  // Truncated data fails instead of decoding zero bits up to the declared length.
  for (std::size_t keep : {std::size_t{4}, std::size_t{5}, packed.size() / 2, packed.size() - 3}) {
    Bytes cut(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(keep));
    EXPECT_THROW(unpack_lzh_stream(cut), ElzhException) << keep;
  }
  EXPECT_THROW(unpack_lzh_stream(Bytes{1, 0}), ElzhException);
  // Random garbage decodes to something or fails, never more than declared + 59.
  FixtureRandom rnd{77};
  for (int round = 0; round < 50; ++round) {
    Bytes junk(4 + static_cast<std::size_t>(rnd.next() % 300));
    for (auto& x : junk) x = static_cast<std::uint8_t>(rnd.next());
    core::store_le32(junk.data(), static_cast<std::uint32_t>(rnd.next() % 5000));
    try {
      const Bytes out = unpack_lzh_stream(junk);
      EXPECT_LE(out.size(), core::load_le32(junk.data()) + 59u);
    } catch (const ElzhException&) {
    }
  }
}

}  // namespace
}  // namespace skin
