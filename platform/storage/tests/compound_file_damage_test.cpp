// Damaged and unusual files: each must give a clear StorageError (or read correctly), never a
// crash, a hang or an allocation the file does not justify.
#include <gtest/gtest.h>

#include <functional>

#include "core/unicode.h"
#include "platform/storage/compound_file.h"

namespace ps = platform::storage;

namespace {

// Layout of this file as the writer lays it out: sector 0 table, 1 directory, 2 mini FAT,
// 3 mini stream, 4..13 stream "s". Directory: 0 root, 1 "m" (100 bytes, mini), 2 "s" (5000 bytes).
core::Bytes base_file() {
  ps::CompoundFile cf;
  cf.root().create_stream(u"m").data = core::Bytes(100, 0x6D);
  cf.root().create_stream(u"s").data = core::Bytes(5000, 0x73);
  return cf.serialize();
}

constexpr std::size_t kFat = 512, kDir = 1024;
void put32(core::Bytes& f, std::size_t at, std::uint32_t v) { core::store_le32(f.data() + at, v); }
std::size_t entry(int i) { return kDir + 128 * static_cast<std::size_t>(i); }

struct Damage {
  const char* what;
  std::function<void(core::Bytes&)> apply;
  ps::StorageErrorCode code;
};

TEST(CompoundFileDamage, BaseLayoutIsAsTheTableAssumes) {
  core::Bytes f = base_file();
  ASSERT_EQ(f.size(), 15u * 512);
  ASSERT_EQ(core::load_le32(f.data() + 48), 1u);   // directory sector
  ASSERT_EQ(core::load_le32(f.data() + 60), 2u);   // mini FAT sector
  ASSERT_EQ(core::load_le32(f.data() + entry(2) + 116), 4u);
  ASSERT_EQ(f[entry(1)], 'm');
}

TEST(CompoundFileDamage, EachDamageGivesAClearError) {
  const Damage cases[] = {
      {"bad signature", [](core::Bytes& f) { f[0] = 0; }, ps::kInvalidHeader},
      {"truncated header", [](core::Bytes& f) { f.resize(100); }, ps::kInvalidHeader},
      {"header only", [](core::Bytes& f) { f.resize(512); }, ps::kInvalidHeader},
      {"byte order", [](core::Bytes& f) { f[28] = 0; }, ps::kInvalidHeader},
      {"sector shift", [](core::Bytes& f) { f[30] = 10; }, ps::kInvalidHeader},
      {"major version", [](core::Bytes& f) { f[26] = 5; }, ps::kInvalidHeader},
      {"absurd table count", [](core::Bytes& f) { put32(f, 44, 0xFFFFFFFF); }, ps::kDocfileCorrupt},
      {"zero table count", [](core::Bytes& f) { put32(f, 44, 0); }, ps::kDocfileCorrupt},
      {"table sector out of range", [](core::Bytes& f) { put32(f, 76, 5000); }, ps::kDocfileCorrupt},
      {"absurd DIFAT count", [](core::Bytes& f) { put32(f, 44, 2); put32(f, 72, 0x7FFFFFFF); }, ps::kDocfileCorrupt},
      {"cyclic stream chain", [](core::Bytes& f) { put32(f, kFat + 4 * 5, 4); }, ps::kDocfileCorrupt},
      {"chain into the table", [](core::Bytes& f) { put32(f, kFat + 4 * 5, 0); }, ps::kDocfileCorrupt},
      {"stream chain out of range", [](core::Bytes& f) { put32(f, kFat + 4 * 5, 100000); }, ps::kDocfileCorrupt},
      {"stream chain too short", [](core::Bytes& f) { put32(f, kFat + 4 * 5, 0xFFFFFFFE); }, ps::kDocfileCorrupt},
      {"cyclic directory chain", [](core::Bytes& f) { put32(f, kFat + 4 * 1, 1); }, ps::kDocfileCorrupt},
      {"stream larger than file", [](core::Bytes& f) { put32(f, entry(2) + 120, 0x7FFFFFFF); }, ps::kDocfileCorrupt},
      {"stream larger than chain", [](core::Bytes& f) { put32(f, entry(2) + 120, 6000); }, ps::kDocfileCorrupt},
      {"stream starts out of range", [](core::Bytes& f) { put32(f, entry(2) + 116, 0xFFFFFFF0); }, ps::kDocfileCorrupt},
      {"mini sector out of range", [](core::Bytes& f) { put32(f, entry(1) + 116, 50); }, ps::kDocfileCorrupt},
      {"mini stream bigger than file", [](core::Bytes& f) { put32(f, entry(0) + 120, 0x7FFFFFFF); }, ps::kDocfileCorrupt},
      {"directory self loop", [](core::Bytes& f) { put32(f, entry(1) + 68, 1); }, ps::kDocfileCorrupt},
      {"directory back to root", [](core::Bytes& f) { put32(f, entry(1) + 76, 0); f[entry(1) + 66] = 1; }, ps::kDocfileCorrupt},
      {"directory link out of range", [](core::Bytes& f) { put32(f, entry(0) + 76, 1000); }, ps::kDocfileCorrupt},
      {"unused entry in tree", [](core::Bytes& f) { put32(f, entry(1) + 68, 3); }, ps::kDocfileCorrupt},
      {"odd name length", [](core::Bytes& f) { f[entry(1) + 64] = 3; }, ps::kDocfileCorrupt},
      {"name length too long", [](core::Bytes& f) { f[entry(1) + 64] = 66; }, ps::kDocfileCorrupt},
      {"empty name", [](core::Bytes& f) { f[entry(1)] = 0; }, ps::kDocfileCorrupt},
      {"duplicate name", [](core::Bytes& f) { f[entry(1)] = 's'; }, ps::kDocfileCorrupt},
      {"bad entry type", [](core::Bytes& f) { f[entry(1) + 66] = 3; }, ps::kDocfileCorrupt},
      {"root missing", [](core::Bytes& f) { f[entry(0) + 66] = 1; }, ps::kDocfileCorrupt},
  };
  for (const Damage& d : cases) {
    core::Bytes f = base_file();
    d.apply(f);
    try {
      ps::CompoundFile::parse(f);
      ADD_FAILURE() << d.what << ": accepted";
    } catch (const ps::StorageError& e) {
      EXPECT_EQ(e.code(), d.code) << d.what << ": " << e.what();
    }
  }
}

TEST(CompoundFileDamage, DifatCycleIsCaught) {
  ps::CompoundFile cf;
  cf.root().create_stream(u"big").data = core::Bytes(120 * 512, 1);
  core::Bytes f = cf.serialize();
  // Claim 110 table sectors; the 110th is listed in a DIFAT sector that names itself as next.
  std::uint32_t x = 40;
  put32(f, 44, 110);
  put32(f, 68, x);
  put32(f, 72, 2);
  put32(f, (x + 1) * 512 + 127 * 4, x);
  EXPECT_THROW(ps::CompoundFile::parse(f), ps::StorageError);
}

TEST(CompoundFileDamage, TolerableOddities) {
  // Version 3 leaves the high half of a stream size undefined; a short last sector is zero-padded.
  core::Bytes f = base_file();
  put32(f, entry(1) + 124, 0xDEADBEEF);
  f.resize(f.size() - 100);
  ps::CompoundFile cf = ps::CompoundFile::parse(f);
  EXPECT_EQ(cf.root().open_stream(u"m")->data, core::Bytes(100, 0x6D));
  core::Bytes tail = cf.root().open_stream(u"s")->data;
  ASSERT_EQ(tail.size(), 5000u);
  EXPECT_EQ(tail[4999 - 100], 0x73);
}

// A version 4 file (4096-byte sectors) built by hand: table in sector 0, directory in sector 1,
// a 5000-byte stream in sectors 2 and 3.
TEST(CompoundFile, ReadsVersion4Files) {
  const std::size_t ss = 4096;
  core::Bytes f(ss * 5, 0);
  std::copy(ps::kSignature.begin(), ps::kSignature.end(), f.begin());
  core::store_le16(f.data() + 24, 0x3E);
  core::store_le16(f.data() + 26, 4);
  core::store_le16(f.data() + 28, 0xFFFE);
  core::store_le16(f.data() + 30, 12);
  core::store_le16(f.data() + 32, 6);
  put32(f, 40, 1);
  put32(f, 44, 1);
  put32(f, 48, 1);
  put32(f, 56, 4096);
  put32(f, 60, 0xFFFFFFFE);
  put32(f, 68, 0xFFFFFFFE);
  for (int i = 0; i < 109; ++i) put32(f, 76 + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
  std::size_t fat = ss;
  for (std::size_t i = 0; i < ss / 4; ++i) put32(f, fat + 4 * i, 0xFFFFFFFF);
  put32(f, fat + 0, 0xFFFFFFFD);
  put32(f, fat + 4, 0xFFFFFFFE);
  put32(f, fat + 8, 3);
  put32(f, fat + 12, 0xFFFFFFFE);
  auto dir_entry = [&](int i, std::u16string name, std::uint8_t type, std::uint32_t child, std::uint32_t start,
                       std::uint64_t size) {
    std::size_t e = 2 * ss + 128 * i;
    for (std::size_t k = 0; k < name.size(); ++k) core::store_le16(f.data() + e + 2 * k, name[k]);
    core::store_le16(f.data() + e + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));
    f[e + 66] = type;
    f[e + 67] = 1;
    put32(f, e + 68, 0xFFFFFFFF);
    put32(f, e + 72, 0xFFFFFFFF);
    put32(f, e + 76, child);
    put32(f, e + 116, start);
    core::store_le64(f.data() + e + 120, size);
  };
  dir_entry(0, u"Root Entry", 5, 1, 0xFFFFFFFE, 0);
  dir_entry(1, u"Workbook", 2, 0xFFFFFFFF, 2, 5000);
  for (std::size_t i = 0; i < 5000; ++i) f[3 * ss + i] = static_cast<std::uint8_t>(i);
  ps::CompoundFile cf = ps::CompoundFile::parse(f);
  const ps::Stream* s = cf.root().open_stream(u"Workbook");
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->data.size(), 5000u);
  EXPECT_EQ(s->data[4100], static_cast<std::uint8_t>(4100));
}

TEST(CompoundFile, NestingDepthIsBounded) {
  ps::CompoundFile cf;
  ps::Storage* s = &cf.root();
  for (std::size_t i = 0; i < ps::kMaxStorageDepth; ++i) s = &s->create_storage(u"d");
  core::Bytes ok = cf.serialize();
  EXPECT_EQ(ps::CompoundFile::parse(ok).root().depth(), ps::kMaxStorageDepth);
  s->create_storage(u"d");
  EXPECT_THROW(cf.serialize(), ps::StorageError);
}

}  // namespace
