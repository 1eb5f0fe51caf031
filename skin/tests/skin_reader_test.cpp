#include "skin/skin_reader.h"

#include <gtest/gtest.h>

#include "core/byte_io.h"
#include "skin/lzh_codec.h"

namespace skin {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A package body laid out by hand, so that the reader is not only checked against our own writer.
Bytes body(std::int32_t version, int block, std::string_view names, const std::vector<std::int32_t>& sizes,
           std::string_view store, std::int32_t list_length = -1) {
  core::ByteWriter w;
  w.u32le(static_cast<std::uint32_t>(version));
  w.u32le(static_cast<std::uint32_t>(list_length != -1 ? list_length : static_cast<std::int32_t>(names.size())));
  w.fill(8, 0xEE);
  w.fill(static_cast<std::size_t>(block), 0xAB);
  w.raw_string(names);
  for (std::int32_t s : sizes) w.u32le(static_cast<std::uint32_t>(s));
  w.raw_string(store);
  return w.take();
}

TEST(SkinReader, EveryVersionLayoutAndBothLookups) {
  const std::pair<std::int32_t, int> versions[] = {{20000, 0},   {30000, 256}, {40000, 80},
                                                    {50000, 48}, {60000, 117}, {70000, 69}};
  for (const auto& [version, block] : versions) {
    SCOPED_TRACE(version);
    // CR, LF and CR LF line ends; a final break adds no entry; duplicate names: the first wins.
    const Bytes b = body(version, block, "Title.BMP\rskin.ini\nother.bmp\r\ntitle.bmp\r\n", {3, 5, 0, 2},
                         "abcINI!!xy");
    TSkinReader reader;
    ASSERT_TRUE(reader.LoadPackage(pack_lzh_stream(b)));
    EXPECT_EQ(reader.version(), version);
    EXPECT_EQ(reader.count(), 4);
    EXPECT_EQ(reader.names(), (std::vector<std::string>{"title.bmp", "skin.ini", "other.bmp", "title.bmp"}));
    Bytes out{9};
    EXPECT_TRUE(reader.FindEntry("TITLE.bmp", out));
    EXPECT_EQ(out, bytes_of("abc"));
    EXPECT_TRUE(reader.FindEntry("other.bmp", out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(reader.FindEntry("missing.bmp", out));
    EXPECT_TRUE(out.empty());
    std::string full = "unchanged";
    EXPECT_TRUE(reader.FindEntryContaining(".ini", out, full));
    EXPECT_EQ(out, bytes_of("INI!!"));
    EXPECT_EQ(full, "skin.ini");
    full = "unchanged";
    EXPECT_FALSE(reader.FindEntryContaining(".INI", out, full));  // the text is not lower-cased
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(full, "unchanged");
  }
}

TEST(SkinReader, UnknownVersionShowsTheMessageAndKeepsTheOldPackage) {
  TSkinReader reader;
  std::vector<std::string> shown;
  reader.ShowMessage = [&](const std::string& m) { shown.push_back(m); };
  ASSERT_TRUE(reader.LoadPackage(pack_lzh_stream(body(70000, 69, "a.ini", {1}, "x"))));
  for (const Bytes& bad : {pack_lzh_stream(body(10000, 0, "b.ini", {1}, "y")),
                           Bytes{0, 0, 0, 0},  // declared length 0: the header reads as zeros
                           pack_lzh_stream(Bytes{0x51, 0xC3})}) {
    EXPECT_FALSE(reader.LoadPackage(bad));
  }
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], "This is Older Skin File\rPlease update to new version !");
  EXPECT_EQ(reader.names(), std::vector<std::string>{"a.ini"});
}

TEST(SkinReader, InconsistentLayoutsAreRefused) {
  std::string many;
  for (int i = 0; i < 1002; ++i) many += "e.bmp\n";
  const struct {
    const char* name;
    Bytes body;
  } cases[] = {
      {"empty name list", body(70000, 69, "", {}, "")},
      {"negative name-list length", body(70000, 69, "a.bmp", {1}, "x", -5)},
      {"name list past the end", body(70000, 69, "a.bmp", {}, "", 5000)},
      {"version block past the end", Bytes{0x70, 0x11, 1, 0, 5, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"size table past the end", body(70000, 69, "a.bmp\nb.bmp", {1}, "")},
      {"sizes past the store", body(70000, 69, "a.bmp\nb.bmp", {2, 2}, "abc")},
      {"negative size", body(70000, 69, "a.bmp\nb.bmp", {-1, 2}, "abc")},
      {"more than 1001 entries", body(70000, 69, many, std::vector<std::int32_t>(1002, 0), "")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSkinReader reader;
    EXPECT_THROW(reader.LoadPackage(pack_lzh_stream(c.body)), SkinPackageError);
    EXPECT_EQ(reader.count(), 0);
  }
}

TEST(SkinReader, WriterRoundTripsAndRefusesBadNames) {
  std::vector<SkinEntry> entries = {{"Skin.ini", bytes_of("[A]\r\nk=1\r\n")}, {"Left.bmp", Bytes(3000, 7)}};
  const Bytes packed = build_skin_package(entries);
  TSkinReader reader;
  ASSERT_TRUE(reader.LoadPackage(packed));
  EXPECT_EQ(reader.version(), 70000);
  EXPECT_EQ(reader.name_list_length(), 20);
  std::int64_t total = 0;
  for (std::int32_t s : reader.sizes()) total += s;
  EXPECT_EQ(total, static_cast<std::int64_t>(reader.store_size()));
  Bytes out;
  ASSERT_TRUE(reader.FindEntry("left.BMP", out));
  EXPECT_EQ(out, entries[1].data);
  EXPECT_THROW(build_skin_package_body(std::vector<SkinEntry>{{"a\nb", {}}}), SkinPackageError);
  EXPECT_THROW(build_skin_package_body(std::vector<SkinEntry>{}), SkinPackageError);
}

}  // namespace
}  // namespace skin
