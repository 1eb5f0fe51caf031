#include "core/byte_io.h"

#include <gtest/gtest.h>

namespace {

using core::ByteReader;
using core::ByteWriter;
using core::TruncatedInput;

TEST(ByteReader, ReadsBothByteOrders) {
  const std::uint8_t data[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
  ByteReader r(data, sizeof data);
  EXPECT_EQ(r.u16le(), 0x0201);
  EXPECT_EQ(r.u16be(), 0x0304);
  EXPECT_EQ(r.u32le(), 0x08070605u);
  EXPECT_EQ(r.i16be(), 0x090A);
  EXPECT_TRUE(r.at_end());
}

TEST(ByteReader, RefusesToOverrunAndKeepsPosition) {
  const std::uint8_t data[] = {1, 2, 3};
  ByteReader r(data, sizeof data);
  r.u8();
  EXPECT_THROW(r.u32le(), TruncatedInput);
  EXPECT_EQ(r.pos(), 1u);  // the failed read moved nothing
  EXPECT_EQ(r.u16le(), 0x0302);
  EXPECT_THROW(r.u8(), TruncatedInput);
  EXPECT_THROW(r.seek(4), TruncatedInput);
  EXPECT_NO_THROW(r.seek(3));
  EXPECT_THROW(r.skip(1), TruncatedInput);
}

TEST(ByteReader, HugeCountsDoNotWrapAround) {
  const std::uint8_t data[] = {1, 2, 3, 4};
  ByteReader r(data, sizeof data);
  EXPECT_THROW(r.u16string_le(SIZE_MAX / 2 + 1), TruncatedInput);
  EXPECT_THROW(r.take(SIZE_MAX), TruncatedInput);
  EXPECT_EQ(r.pos(), 0u);
  EXPECT_EQ(r.u16string_le(2), std::u16string(u"\u0201\u0403"));
}

TEST(ByteReader, SubReaderIsBoundedToItsSlice) {
  const std::uint8_t data[] = {1, 2, 3, 4, 5};
  ByteReader r(data, sizeof data);
  ByteReader s = r.sub(2);
  EXPECT_EQ(r.pos(), 2u);
  EXPECT_EQ(s.u16le(), 0x0201);
  EXPECT_THROW(s.u8(), TruncatedInput);
  EXPECT_THROW(r.sub(4), TruncatedInput);
}

TEST(ByteWriter, RoundTripsThroughReader) {
  ByteWriter w;
  w.u8(0xAB);
  w.u16be(0x1234);
  w.u32le(0xDEADBEEF);
  w.u64be(0x0102030405060708ull);
  w.f64le(-2.5);
  w.u16string_le(u"中");
  std::size_t at = w.size();
  w.u32le(0);
  w.patch_u32le(at, 77);
  EXPECT_THROW(w.patch_u16le(w.size() - 1, 1), core::Error);

  ByteReader r(w.data());
  EXPECT_EQ(r.u8(), 0xAB);
  EXPECT_EQ(r.u16be(), 0x1234);
  EXPECT_EQ(r.u32le(), 0xDEADBEEFu);
  EXPECT_EQ(r.u64be(), 0x0102030405060708ull);
  EXPECT_EQ(r.f64le(), -2.5);
  EXPECT_EQ(r.u16string_le(1), u"中");
  EXPECT_EQ(r.u32le(), 77u);
  EXPECT_TRUE(r.at_end());
}

}  // namespace
