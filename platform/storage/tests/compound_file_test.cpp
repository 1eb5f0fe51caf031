#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <unistd.h>

#include "core/testing/temp_dir.h"
#include "core/unicode.h"
#include "platform/storage/compound_file.h"

namespace ps = platform::storage;

namespace {

core::Bytes pattern(std::size_t n, std::uint8_t seed) {
  core::Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 9));
  return b;
}

// Every stream of a tree as path -> bytes, storages as path -> "<storage>".
std::map<std::string, core::Bytes> flatten(const ps::Storage& s, const std::string& prefix = "") {
  std::map<std::string, core::Bytes> out;
  for (const auto& e : s.elements()) {
    std::string path = prefix + core::u8(e->name());
    if (e->is_storage()) {
      out[path + "/"] = {};
      auto sub = flatten(static_cast<const ps::Storage&>(*e), path + "/");
      out.insert(sub.begin(), sub.end());
    } else {
      out[path] = static_cast<const ps::Stream&>(*e).data;
    }
  }
  return out;
}

ps::CompoundFile sample_tree() {
  ps::CompoundFile cf;
  cf.root().clsid[0] = 0x20;
  cf.root().clsid[15] = 0x46;
  std::size_t sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 100000};
  std::uint8_t seed = 1;
  for (std::size_t n : sizes) cf.root().create_stream(core::u16("s" + std::to_string(n))).data = pattern(n, seed++);
  ps::Storage& sub = cf.root().create_storage(u"_VBA_PROJECT_CUR");
  sub.state_bits = 0x1234;
  sub.modified = 0x01D0000000000000ull;
  ps::Storage& vba = sub.create_storage(u"VBA");
  vba.create_stream(u"dir").data = pattern(700, 9);
  vba.create_stream(u"Module1").data = pattern(5000, 11);
  cf.root().create_stream(u"\x05SummaryInformation").data = pattern(200, 3);
  return cf;
}

TEST(CompoundFile, RoundTripKeepsEveryStreamAndIsDeterministic) {
  ps::CompoundFile cf = sample_tree();
  core::Bytes bytes = cf.serialize();
  ASSERT_EQ(bytes.size() % 512, 0u);
  EXPECT_TRUE(ps::has_signature(bytes));

  ps::CompoundFile back = ps::CompoundFile::parse(bytes);
  EXPECT_EQ(flatten(back.root()), flatten(cf.root()));
  EXPECT_EQ(back.root().clsid, cf.root().clsid);
  const ps::Storage* sub = back.root().open_storage(u"_vba_project_cur");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->state_bits, 0x1234u);
  EXPECT_EQ(sub->modified, 0x01D0000000000000ull);

  EXPECT_EQ(cf.serialize(), bytes);
  EXPECT_EQ(back.serialize(), bytes);
}

TEST(CompoundFile, EmptyFileHasOnlyRoot) {
  ps::CompoundFile cf;
  core::Bytes bytes = cf.serialize();
  EXPECT_EQ(bytes.size(), 3u * 512);  // header, one table sector, one directory sector
  EXPECT_TRUE(ps::CompoundFile::parse(bytes).root().elements().empty());
}

// Reads the directory of a file this writer produced (table sector 0, directory chain from it).
struct RawEntry {
  std::u16string name;
  std::uint8_t type, colour;
  std::uint32_t left, right, child;
};

std::vector<RawEntry> raw_directory(const core::Bytes& f) {
  std::uint32_t first_fat = core::load_le32(f.data() + 76);
  auto fat = [&](std::uint32_t s) {
    std::uint32_t fs = first_fat + s / 128;  // table sectors are consecutive in this writer's files
    return core::load_le32(f.data() + (fs + 1) * 512 + (s % 128) * 4);
  };
  std::vector<RawEntry> out;
  for (std::uint32_t s = core::load_le32(f.data() + 48); s != 0xFFFFFFFE; s = fat(s)) {
    for (int i = 0; i < 4; ++i) {
      const std::uint8_t* e = f.data() + (s + 1) * 512 + i * 128;
      RawEntry r;
      std::uint16_t len = core::load_le16(e + 64);
      for (int k = 0; k + 2 < len; k += 2) r.name.push_back(core::load_le16(e + k));
      r.type = e[66];
      r.colour = e[67];
      r.left = core::load_le32(e + 68);
      r.right = core::load_le32(e + 72);
      r.child = core::load_le32(e + 76);
      out.push_back(r);
    }
  }
  return out;
}

// Checks the sibling tree under `node`: search order, no red node with a red child, equal black
// height on every path. Returns the black height; collects names in order.
int check_rb(const std::vector<RawEntry>& d, std::uint32_t node, bool parent_red, std::vector<std::u16string>& order) {
  if (node == 0xFFFFFFFF) return 1;
  const RawEntry& e = d.at(node);
  bool red = e.colour == 0;
  EXPECT_FALSE(red && parent_red) << "red node with red parent";
  int l = check_rb(d, e.left, red, order);
  order.push_back(e.name);
  int r = check_rb(d, e.right, red, order);
  EXPECT_EQ(l, r) << "unequal black height";
  return l + (red ? 0 : 1);
}

TEST(CompoundFile, SiblingTreesAreValidRedBlackSearchTrees) {
  for (int n = 1; n <= 40; ++n) {
    ps::CompoundFile cf;
    for (int i = 0; i < n; ++i) cf.root().create_stream(core::u16("Item" + std::to_string(i * 37 % 101))).data = {1};
    auto dir = raw_directory(cf.serialize());
    ASSERT_EQ(dir[0].type, 5);
    std::uint32_t top = dir[0].child;
    ASSERT_EQ(dir.at(top).colour, 1) << "root of the sibling tree must be black, n=" << n;
    std::vector<std::u16string> order;
    check_rb(dir, top, false, order);
    ASSERT_EQ(order.size(), static_cast<std::size_t>(n));
    for (std::size_t i = 1; i < order.size(); ++i)
      EXPECT_LT(ps::compare_names(order[i - 1], order[i]), 0) << "n=" << n;
  }
}

TEST(CompoundFile, LargeStreamNeedsDifatSectors) {
  // Over 109 table sectors (about 7 MB) the header's table list overflows into DIFAT sectors.
  ps::CompoundFile cf;
  cf.root().create_stream(u"Workbook").data = pattern(8u << 20, 5);
  cf.root().create_stream(u"small").data = pattern(10, 6);
  core::Bytes bytes = cf.serialize();
  EXPECT_GT(core::load_le32(bytes.data() + 72), 0u) << "DIFAT sector count";
  EXPECT_GT(core::load_le32(bytes.data() + 44), 109u) << "table sector count";
  ps::CompoundFile back = ps::CompoundFile::parse(bytes);
  EXPECT_EQ(flatten(back.root()), flatten(cf.root()));
}

TEST(CompoundFile, ManySmallStreamsShareTheMiniStream) {
  ps::CompoundFile cf;
  ps::Storage& s = cf.root().create_storage(u"many");
  for (int i = 0; i < 300; ++i) s.create_stream(core::u16("m" + std::to_string(i))).data = pattern(i * 13 % 4000 + 1, 7);
  core::Bytes bytes = cf.serialize();
  EXPECT_EQ(flatten(ps::CompoundFile::parse(bytes).root()), flatten(cf.root()));
}

TEST(Storage, NamesMatchWithoutCaseAndSortShorterFirst) {
  EXPECT_LT(ps::compare_names(u"Zz", u"aaa"), 0);
  EXPECT_EQ(ps::compare_names(u"Workbook", u"WORKBOOK"), 0);
  EXPECT_EQ(ps::compare_names(u"\u00e4b", u"\u00c4B"), 0);
  EXPECT_LT(ps::compare_names(u"Book", u"Bool"), 0);

  ps::CompoundFile cf;
  ps::Stream& a = cf.root().create_stream(u"Book");
  a.data = {1, 2};
  EXPECT_EQ(cf.root().open_stream(u"BOOK"), &a);
  EXPECT_EQ(cf.root().open_storage(u"Book"), nullptr) << "wrong kind";
  cf.root().create_storage(u"book");  // replaces the stream
  EXPECT_EQ(cf.root().elements().size(), 1u);
  EXPECT_NE(cf.root().open_storage(u"Book"), nullptr);
  EXPECT_TRUE(cf.root().destroy_element(u"BOOK"));
  EXPECT_FALSE(cf.root().destroy_element(u"Book"));
}

TEST(Storage, InvalidNamesAreRefused) {
  ps::CompoundFile cf;
  for (std::u16string bad : {std::u16string(), std::u16string(32, u'x'), std::u16string(u"a/b"),
                             std::u16string(u"a\\b"), std::u16string(u"a:b"), std::u16string(u"a!b")}) {
    try {
      cf.root().create_stream(bad);
      ADD_FAILURE() << "accepted " << core::u8(bad);
    } catch (const ps::StorageError& e) {
      EXPECT_EQ(e.code(), ps::kInvalidName);
    }
  }
  EXPECT_NO_THROW(cf.root().create_stream(std::u16string(31, u'x')));
}

TEST(Storage, CopyToMergesStoragesAndReplacesStreams) {
  ps::CompoundFile src, dst;
  src.root().clsid[3] = 7;
  src.root().create_storage(u"S").create_stream(u"a").data = {1};
  src.root().create_stream(u"x").data = {2};
  dst.root().create_storage(u"s").create_stream(u"b").data = {3};
  dst.root().create_storage(u"X");
  src.root().copy_to(dst.root());
  EXPECT_EQ(dst.root().clsid[3], 7);
  auto flat = flatten(dst.root());
  EXPECT_EQ(flat["s/a"], core::Bytes{1});
  EXPECT_EQ(flat["s/b"], core::Bytes{3});
  EXPECT_EQ(flat["x"], core::Bytes{2}) << "stream replaces a storage of the same name";

  // The copy is deep: changing the source later leaves it alone.
  src.root().open_storage(u"S")->open_stream(u"a")->data = {9};
  EXPECT_EQ(dst.root().open_storage(u"S")->open_stream(u"a")->data, core::Bytes{1});
}

TEST(MemoryStream, ReadWriteSeekLikeAStreamObject) {
  core::Bytes data;
  ps::MemoryStream s(data);
  EXPECT_EQ(s.write("abcd", 4), 4u);
  EXPECT_EQ(s.seek(-2, ps::SeekOrigin::Current), 2u);
  char buf[8] = {};
  EXPECT_EQ(s.read(buf, 8), 2u);
  EXPECT_EQ(std::string(buf, 2), "cd");
  EXPECT_EQ(s.read(buf, 8), 0u);
  EXPECT_EQ(s.seek(2, ps::SeekOrigin::End), 6u);
  s.write("z", 1);
  EXPECT_EQ(data, (core::Bytes{'a', 'b', 'c', 'd', 0, 0, 'z'}));
  EXPECT_THROW(s.seek(-1, ps::SeekOrigin::Begin), ps::StorageError);
  EXPECT_EQ(s.position(), 7u) << "a failed seek leaves the position";
}

TEST(CompoundFile, SaveAndLoadNamedFile) {
  const core::testing::TempDir scratch("thc_storage");
  const std::filesystem::path& dir = scratch.path();
  std::string path = (dir / "a.cfb").string();
  ps::CompoundFile cf = sample_tree();
  cf.save(path);
  EXPECT_TRUE(ps::is_storage_file(path));
  EXPECT_EQ(flatten(ps::CompoundFile::load(path).root()), flatten(cf.root()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1)
      << "no temporary file left";
  EXPECT_FALSE(ps::is_storage_file((dir / "missing").string()));
  try {
    ps::CompoundFile::load((dir / "missing").string());
    ADD_FAILURE();
  } catch (const ps::StorageError& e) {
    EXPECT_EQ(e.code(), ps::kFileNotFound);
  }
}

}  // namespace
