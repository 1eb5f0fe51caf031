#include "io/zlib_streams.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

namespace io {
namespace {

std::vector<std::uint8_t> Sample(std::size_t n, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  // Compressible but not trivial: words from a small alphabet.
  for (auto& b : v) b = static_cast<std::uint8_t>("abcdefgh \n"[rng() % 10]);
  return v;
}

std::vector<std::uint8_t> InflateRaw(const std::vector<std::uint8_t>& in, std::size_t outSize) {
  std::vector<std::uint8_t> out(outSize + 1);
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

TEST(CompressionStream, WritesOfEverySizeGiveStandardRawDeflate) {
  const auto data = Sample(300000);
  // Chunk sizes around the 8191-byte collecting buffer and the 64 KB transfer buffer.
  for (std::size_t chunk : {1u, 100u, 8191u, 8192u, 9000u, 70000u, 300000u}) {
    TMemoryStream out;
    TCompressionStream z(1, true, out);
    for (std::size_t at = 0; at < data.size(); at += chunk) {
      std::size_t n = std::min(chunk, data.size() - at);
      EXPECT_EQ(z.Write(data.data() + at, static_cast<std::int64_t>(n)), static_cast<std::int64_t>(n));
    }
    EXPECT_EQ(z.Seek(0, TSeekOrigin::soCurrent), 300000);
    z.Finish();
    EXPECT_EQ(z.CRC32(), crc32(0, data.data(), static_cast<uInt>(data.size())));
    EXPECT_EQ(InflateRaw(out.Bytes(), data.size()), data) << "chunk " << chunk;
  }
}

TEST(CompressionStream, UnsupportedOperationsRaise) {
  TMemoryStream out;
  TCompressionStream z(3, true, out);
  char b[4];
  try {
    z.Read(b, 4);
    FAIL();
  } catch (const ECompressionError& e) {
    EXPECT_STREQ(e.what(), "Invalid stream operation");
  }
  EXPECT_THROW(z.Seek(1, TSeekOrigin::soCurrent), ECompressionError);
  EXPECT_THROW(z.Seek(0, TSeekOrigin::soBeginning), ECompressionError);
  z.Finish();
  EXPECT_THROW(z.Write("x", 1), ECompressionError);
}

TEST(CompressionStream, EmptyRawStreamIsTwoBytesAndWrappedFormWorks) {
  TMemoryStream out;
  {
    TCompressionStream z(1, true, out);
    z.Finish();
  }
  EXPECT_EQ(out.Bytes(), (std::vector<std::uint8_t>{0x03, 0x00}));

  const auto data = Sample(5000, 9);
  TMemoryStream wrapped;
  TCompressionStream z(3, false, wrapped);
  z.Write(data.data(), 5000);
  z.Finish();
  std::vector<std::uint8_t> back(5000);
  uLongf len = 5000;
  ASSERT_EQ(uncompress(back.data(), &len, wrapped.Bytes().data(), wrapped.Bytes().size()), Z_OK);
  EXPECT_EQ(back, data);
}

TEST(CompressionStream, ReturnsToWhereItLeftTheDestination) {
  const auto data = Sample(200000, 4);
  TMemoryStream out;
  out.WriteBuffer("HEAD", 4);
  TCompressionStream z(1, true, out);
  z.Write(data.data(), 100000);
  std::int64_t here = out.GetPosition();
  out.SetPosition(0);  // someone else moves the shared stream
  z.Write(data.data() + 100000, 100000);
  z.Finish();
  EXPECT_GE(here, 4);
  std::vector<std::uint8_t> body(out.Bytes().begin() + 4, out.Bytes().end());
  EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().begin() + 4), "HEAD");
  EXPECT_EQ(InflateRaw(body, data.size()), data);
}

TEST(DecompressionStream, ReadsSeeksAndStopsAtTheEnd) {
  const auto data = Sample(100000, 5);
  TMemoryStream packed;
  TCompressionStream z(2, true, packed);
  z.Write(data.data(), 100000);
  z.Finish();
  packed.WriteBuffer("TRAILER", 7);
  packed.SetPosition(0);
  TDecompressionStream d(packed);
  std::vector<std::uint8_t> got(10);
  d.ReadBuffer(got.data(), 10);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
  EXPECT_EQ(d.Seek(0, TSeekOrigin::soCurrent), 10);
  EXPECT_EQ(d.Seek(5000, TSeekOrigin::soCurrent), 5010);
  EXPECT_EQ(d.Seek(6000, TSeekOrigin::soBeginning), 6000);
  EXPECT_THROW(d.Seek(10, TSeekOrigin::soBeginning), EDecompressionError);
  EXPECT_THROW(d.Seek(-1, TSeekOrigin::soCurrent), EDecompressionError);
  EXPECT_THROW(d.Seek(0, TSeekOrigin::soEnd), EDecompressionError);
  EXPECT_THROW(d.Write("x", 1), EDecompressionError);
  std::vector<std::uint8_t> rest(200000);
  EXPECT_EQ(d.Read(rest.data(), 200000), 94000);
  EXPECT_TRUE(std::equal(data.begin() + 6000, data.end(), rest.begin()));
  EXPECT_TRUE(d.EndOfStream());
  EXPECT_EQ(d.Read(rest.data(), 10), 0);
  EXPECT_THROW(d.Seek(1, TSeekOrigin::soCurrent), EStreamError);  // a short read while skipping
}

TEST(DecompressionStream, CorruptAndCutData) {
  TMemoryStream junk(std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  TDecompressionStream d(junk);
  std::uint8_t b[16];
  try {
    d.Read(b, 16);
    FAIL();
  } catch (const EDecompressionError& e) {
    EXPECT_STREQ(e.what(), "ZLib decompress error");
  }

  const auto data = Sample(50000, 6);
  TMemoryStream packed;
  TCompressionStream z(1, true, packed);
  z.Write(data.data(), 50000);
  z.Finish();
  // A limit shorter than the data: what was produced comes back, the stream has not ended.
  packed.SetPosition(0);
  TDecompressionStream cut(packed, packed.GetSize() / 2);
  std::vector<std::uint8_t> out(60000);
  std::int64_t n = cut.Read(out.data(), 60000);
  EXPECT_GT(n, 0);
  EXPECT_LT(n, 50000);
  EXPECT_FALSE(cut.EndOfStream());
}

TEST(ZlibBuffers, RoundTripAndErrors) {
  const auto data = Sample(1000, 8);
  std::vector<std::uint8_t> packed, back;
  ZlibCompressBuffer(data.data(), 1000, packed);
  ASSERT_GT(packed.size(), 2u);
  EXPECT_EQ(packed[0], 0x78);  // zlib wrapper
  ZlibDecompressBuffer(packed.data(), static_cast<int>(packed.size()), 0, back);
  EXPECT_EQ(back, data);
  ZlibDecompressBuffer(packed.data(), static_cast<int>(packed.size()), 10, back);  // estimate too small: grows
  EXPECT_EQ(back, data);

  // Incompressible input still fits after growing.
  std::vector<std::uint8_t> noise(3000);
  std::mt19937 rng(1);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  ZlibCompressBuffer(noise.data(), 3000, packed);
  ZlibDecompressBuffer(packed.data(), static_cast<int>(packed.size()), 3000, back);
  EXPECT_EQ(back, noise);

  std::vector<std::uint8_t> cut(packed.begin(), packed.begin() + 100);
  EXPECT_THROW(ZlibDecompressBuffer(cut.data(), 100, 0, back), EDecompressionError);
  EXPECT_TRUE(back.empty());
  std::vector<std::uint8_t> bad = {1, 2, 3, 4};
  EXPECT_THROW(ZlibDecompressBuffer(bad.data(), 4, 0, back), EDecompressionError);
  ZlibCompressBuffer(nullptr, 0, packed);
  ZlibDecompressBuffer(packed.data(), static_cast<int>(packed.size()), 0, back);
  EXPECT_TRUE(back.empty());
}

}  // namespace
}  // namespace io
