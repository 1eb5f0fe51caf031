#include "io/zip_archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "core/byte_io.h"
#include "io/tests/zip_test_support.h"

namespace io {
namespace {

using testing::Bytes;
using testing::Extract;
using testing::FixedTime;
using testing::Ramp;
using testing::SampleText;
using testing::ToBytes;

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(nothing raised)";
}

// Archive bytes written by the project's writer.
Bytes Write(const std::vector<std::pair<std::u16string, Bytes>>& entries) {
  TMemoryStream out;
  TXLSZipArchive zip;
  zip.OpenWrite(out);
  for (const auto& [name, data] : entries) {
    TMemoryStream src(data);
    zip.AddStream(name, src);
  }
  zip.Close();
  return out.Bytes();
}

TEST(ZipWriter, LayoutOfTwoEntries) {
  FixedTime fixed;
  const Bytes a = ToBytes("<a/>"), b = SampleText(20);
  Bytes z = Write({{u"a.xml", a}, {u"xl/b.xml", b}});
  core::ByteReader r(z.data(), z.size());
  // First local header at 0.
  EXPECT_EQ(r.u32le(), 0x04034B50u);
  EXPECT_EQ(r.u16le(), 20);  // version needed
  EXPECT_EQ(r.u16le(), 0);   // flags
  EXPECT_EQ(r.u16le(), 8);   // deflate
  std::uint16_t time = r.u16le(), date = r.u16le();
  EXPECT_EQ(time, (10 << 11) | (30 << 5) | 10);
  EXPECT_EQ(date, ((2024 - 1980) << 9) | (5 << 5) | 17);
  EXPECT_EQ(r.u32le(), crc32(0, a.data(), static_cast<uInt>(a.size())));
  std::uint32_t csize = r.u32le();
  EXPECT_EQ(r.u32le(), a.size());
  EXPECT_EQ(r.u16le(), 5);
  EXPECT_EQ(r.u16le(), 0);
  // The second local header follows the first entry's data.
  std::size_t second = 30 + 5 + csize;
  EXPECT_EQ(core::load_le32(z.data() + second), 0x04034B50u);
  // End record: no comment, both counts 2, directory right before it.
  const std::uint8_t* end = z.data() + z.size() - 22;
  EXPECT_EQ(core::load_le32(end), 0x06054B50u);
  EXPECT_EQ(core::load_le16(end + 8), 2);
  EXPECT_EQ(core::load_le16(end + 10), 2);
  std::uint32_t cdSize = core::load_le32(end + 12), cdOffset = core::load_le32(end + 16);
  EXPECT_EQ(core::load_le16(end + 20), 0);
  EXPECT_EQ(cdSize, 46 + 5 + 46 + 8);
  EXPECT_EQ(cdOffset + cdSize, z.size() - 22);
  // Central records: attributes 32, local header offsets 0 and `second`.
  const std::uint8_t* c1 = z.data() + cdOffset;
  const std::uint8_t* c2 = c1 + 46 + 5;
  EXPECT_EQ(core::load_le32(c1), 0x02014B50u);
  EXPECT_EQ(core::load_le16(c1 + 4), 20);
  EXPECT_EQ(core::load_le32(c1 + 38), 32u);
  EXPECT_EQ(core::load_le32(c1 + 42), 0u);
  EXPECT_EQ(core::load_le32(c2 + 42), second);
  EXPECT_EQ(std::string(c2 + 46, c2 + 54), "xl/b.xml");
}

TEST(ZipWriter, EmptyEntries) {
  TMemoryStream out;
  TXLSZipArchive zip;
  zip.OpenWrite(out);
  TMemoryStream empty;
  TXLSZipFile* stored = zip.AddStream(u"empty.txt", empty);
  EXPECT_EQ(stored->Central.Method, 0);
  EXPECT_EQ(stored->Central.CompressedSize, 0u);
  EXPECT_EQ(stored->Central.CRC32, 0u);
  TCompressionStream* s = zip.BeginFile(u"begun.txt");
  zip.EndFile(s);
  TXLSZipFile* begun = zip.GetItem(1);
  EXPECT_EQ(begun->Central.Method, 8);
  EXPECT_EQ(begun->Central.CompressedSize, 2u);
  EXPECT_EQ(begun->Central.UncompressedSize, 0u);
  zip.Close();

  TXLSZipArchive in;
  in.OpenRead(out);
  ASSERT_EQ(in.Count(), 2);
  EXPECT_TRUE(Extract(in, u"empty.txt").empty());
  EXPECT_TRUE(Extract(in, u"begun.txt").empty());
}

TEST(ZipWriter, NamesAreNormalisedAndDuplicatesRefused) {
  TMemoryStream out;
  TXLSZipArchive zip;
  zip.OpenWrite(out);
  TMemoryStream src(ToBytes("x"));
  struct Case {
    const char16_t* given;
    const char16_t* stored;
  } cases[] = {{u"C:\\dir\\a.txt", u"dir/a.txt"},
               {u"\\\\server\\share\\dir\\b.txt", u"dir/b.txt"},
               {u"/docs/c.txt", u"docs/c.txt"},
               {u"d\\e\\f.txt", u"d/e/f.txt"}};
  for (const auto& c : cases) {
    src.SetPosition(0);
    EXPECT_EQ(zip.AddStream(c.given, src)->GetName(), c.stored);
  }
  src.SetPosition(0);
  zip.AddStream(u"xl/b.xml", src);
  src.SetPosition(0);
  EXPECT_EQ(Message([&] { zip.AddStream(u"XL/B.XML", src); }), "Duplicate file \"XL/B.XML\" in Zip");
  EXPECT_EQ(Message([&] { zip.AddStream(u"a/../../evil", src); }), "Invalid file name \"a/../../evil\" in ZIP");
  zip.KeepDirectoryNames = false;
  src.SetPosition(0);
  EXPECT_EQ(zip.AddStream(u"deep/er/name.bin", src)->GetName(), u"name.bin");
  zip.Close();
}

TEST(ZipWriter, ActiveEntriesAndWrongStreams) {
  TMemoryStream out;
  TXLSZipArchiveIntfXLS intf;
  intf.OpenWrite(out);
  TStream* s = intf.BeginFile(u"/docProps/app.xml");
  EXPECT_EQ(Message([&] { intf.BeginFile(u"x.xml"); }), "There is an active zip");
  TMemoryStream other;
  EXPECT_EQ(Message([&] { intf.EndFile(&other); }), "Stream is not TCompressionStream");
  s->WriteBuffer("<app/>", 6);
  intf.EndFile(s);
  EXPECT_EQ(Message([&] { intf.EndFile(s); }), "Stream is not TCompressionStream");  // already ended
  TMemoryStream data(ToBytes("abc"));
  data.SetPosition(2);  // AddFileIn rewinds
  intf.AddFileIn(u"xl/", u"/workbook.xml", data);
  intf.AddFile(u"a.xml", data);
  TStream* open = intf.BeginFile(u"unended.xml");
  open->WriteBuffer("<x/>", 4);
  intf.Close();  // completes the entry still being written

  TXLSZipArchiveIntfXLS in;
  in.OpenRead(out);
  ASSERT_EQ(in.GetCount(), 4);
  EXPECT_EQ(in.Archive().GetItem(0)->GetName(), u"docProps/app.xml");
  EXPECT_EQ(in.Archive().GetItem(1)->GetName(), u"xl/workbook.xml");
  EXPECT_EQ(in.Archive().GetItem(2)->GetName(), u"a.xml");
  EXPECT_EQ(in.IndexOf(u"XL/WORKBOOK.XML"), 1);
  EXPECT_EQ(in.IndexOf(u"nothing"), -1);
  EXPECT_EQ(Extract(in.Archive(), u"unended.xml"), ToBytes("<x/>"));
  auto f = in.OpenFile(u"docprops/APP.xml");
  EXPECT_EQ(f->GetSize(), 6);
  char buf[7] = {};
  f->ReadBuffer(buf, 6);
  EXPECT_STREQ(buf, "<app/>");
  EXPECT_EQ(Message([&] { f->WriteBuffer("x", 1); }), "Not implemented, write");
  f.reset();
  EXPECT_FALSE(in.Archive().GetItem(0)->IsOpen());  // freeing the stream closed the entry
  EXPECT_EQ(Message([&] { in.OpenFile(u"missing.xml"); }), "Can not find file missing.xml in ZIP");
  EXPECT_EQ(Message([&] {
              char b;
              in.Archive().GetItem(0)->Read(&b, 1);
            }),
            "ZIP file is not open");
}

TEST(ZipReader, RoundTripOfManyEntries) {
  std::mt19937 rng(11);
  Bytes noise(200000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  std::vector<std::pair<std::u16string, Bytes>> entries = {
      {u"noise.bin", noise},          {u"text.txt", SampleText(5000)}, {u"empty", {}},
      {u"数据/温度.txt", ToBytes("25.3")}, {u"one", {42}},
  };
  Bytes z = Write(entries);
  TMemoryStream s(z);
  TXLSZipArchive zip;
  zip.OpenRead(s);
  ASSERT_EQ(zip.Count(), 5);
  for (const auto& [name, data] : entries) EXPECT_EQ(Extract(zip, name), data);
  EXPECT_EQ(zip.GetItem(3)->Central.Flags & kZipFlagUtf8, kZipFlagUtf8);
  EXPECT_EQ(zip.GetItem(1)->Central.Flags, 0);
}

TEST(ZipReader, EntriesSeekWithinTheirData) {
  const Bytes text = SampleText(3000);
  TMemoryStream src(text);
  TMemoryStream out;
  TXLSZipArchive w;
  w.OpenWrite(out);
  w.AddStream(u"t.txt", src);
  w.Close();
  TXLSZipArchive zip;
  zip.OpenRead(out);
  TXLSZipFile* e = zip.GetItem(0);
  e->Open();
  char buf[10];
  EXPECT_EQ(e->Seek(50000, TSeekOrigin::soBeginning), 50000);
  e->ReadBuffer(buf, 10);
  EXPECT_TRUE(std::equal(buf, buf + 10, text.begin() + 50000));
  EXPECT_EQ(e->Seek(3, TSeekOrigin::soBeginning), 3);  // backwards: inflated again from the start
  e->ReadBuffer(buf, 10);
  EXPECT_TRUE(std::equal(buf, buf + 10, text.begin() + 3));
  EXPECT_THROW(e->Seek(1, TSeekOrigin::soEnd), EStreamError);
  e->CloseData();
}

TEST(ZipReader, EndRecordSearch) {
  Bytes base = Write({{u"a.txt", SampleText(10)}, {u"b.txt", SampleText(20)}});
  // A 300-byte archive comment: found beyond the last 256 bytes.
  Bytes commented = base;
  core::store_le16(commented.data() + commented.size() - 2, 300);
  commented.insert(commented.end(), 300, 'c');
  TMemoryStream s1(commented);
  TXLSZipArchive z1;
  z1.OpenRead(s1);
  EXPECT_EQ(z1.Count(), 2);
  EXPECT_EQ(Extract(z1, u"b.txt"), SampleText(20));

  // An end record lost among 70000 trailing bytes: the entries are found from their local headers.
  Bytes far = base;
  far.insert(far.end(), 70000, 0);
  TMemoryStream s2(far);
  TXLSZipArchive z2;
  z2.OpenRead(s2);
  ASSERT_EQ(z2.Count(), 2);
  EXPECT_EQ(Extract(z2, u"a.txt"), SampleText(10));
  EXPECT_EQ(z2.EndRecord().TotalEntries, 2);

  // No end record and nothing at offset 0: an empty archive.
  TMemoryStream s3(ToBytes("not an archive at all, just text"));
  TXLSZipArchive z3;
  z3.OpenRead(s3);
  EXPECT_EQ(z3.Count(), 0);
}

// Offsets of the parts of a one-entry archive written by the project.
struct OneEntry {
  Bytes z;
  std::size_t central;
  explicit OneEntry(const Bytes& data, const std::u16string& name = u"entry.bin") {
    z = Write({{name, data}});
    central = core::load_le32(z.data() + z.size() - 6);
  }
  void Set32(std::size_t localOff, std::size_t centralOff, std::uint32_t v) {
    core::store_le32(z.data() + localOff, v);
    core::store_le32(z.data() + central + centralOff, v);
  }
  std::string Read() {
    TMemoryStream s(z);
    TXLSZipArchive zip;
    zip.OpenRead(s);
    TMemoryStream out;
    zip.GetItem(0)->ExtractToStream(out);
    return "ok";
  }
};

TEST(ZipReader, DamagedArchivesGiveClearErrors) {
  const Bytes data = SampleText(400);
  struct Case {
    const char* what;
    std::function<void(OneEntry&)> damage;
    std::string error;
  } cases[] = {
      {"bad CRC", [](OneEntry& e) { e.Set32(14, 16, 0x12345678); }, "CRC error in file \"entry.bin\" in ZIP"},
      {"flipped data byte", [](OneEntry& e) { e.z[30 + 9 + 40] ^= 0x01; }, ""},
      {"size too large", [&](OneEntry& e) { e.Set32(22, 24, static_cast<std::uint32_t>(data.size() + 10)); },
       "Unexpected end of file \"entry.bin\" in ZIP"},
      {"size too small", [&](OneEntry& e) { e.Set32(22, 24, static_cast<std::uint32_t>(data.size() - 10)); },
       "Wrong size of file \"entry.bin\" in ZIP"},
      {"compressed size too small", [](OneEntry& e) { e.Set32(18, 20, 10); }, "Unexpected end of file \"entry.bin\" in ZIP"},
      {"absurd entry count",
       [](OneEntry& e) {
         core::store_le16(e.z.data() + e.z.size() - 14, 65535);
         core::store_le16(e.z.data() + e.z.size() - 12, 65535);
       },
       "File is not a valid ZIP file"},
      {"directory offset past the end", [](OneEntry& e) { core::store_le32(e.z.data() + e.z.size() - 6, 0x7FFFFFFF); },
       "File is not a valid ZIP file"},
      {"central signature", [](OneEntry& e) { e.z[e.central] = 'X'; }, "File is not a valid ZIP file"},
      {"local signature", [](OneEntry& e) { e.z[0] = 'X'; }, "Unknown zip file"},
      {"local header offset", [](OneEntry& e) { core::store_le32(e.z.data() + e.central + 42, 0xFFFFFF00); },
       "Unknown zip file"},
      {"name length past the directory", [](OneEntry& e) { core::store_le16(e.z.data() + e.central + 28, 60000); },
       "File is not a valid ZIP file"},
      {"unknown method", [](OneEntry& e) {
         core::store_le16(e.z.data() + 8, 12);
         core::store_le16(e.z.data() + e.central + 10, 12);
       },
       "ZIP file is not open"},
  };
  for (const auto& c : cases) {
    OneEntry e(data);
    c.damage(e);
    std::string got = Message([&] { e.Read(); });
    if (c.error.empty()) {
      // Damage inside deflate data is caught either by zlib or by the CRC.
      EXPECT_TRUE(got == "CRC error in file \"entry.bin\" in ZIP" || got == "ZLib decompress error" ||
                  got.find("entry.bin") != std::string::npos)
          << c.what << ": " << got;
    } else {
      EXPECT_EQ(got, c.error) << c.what;
    }
  }
}

// A one-entry archive whose data is deflated at the strongest level (the writer's own level leaves
// runs of zeros at some 230 to 1).
Bytes StronglyDeflated(const Bytes& data) {
  OneEntry e(data, u"part.xml");
  const std::size_t start = 30 + core::load_le16(e.z.data() + 26) + core::load_le16(e.z.data() + 28);
  const std::size_t end = start + core::load_le32(e.z.data() + 18);
  Bytes packed(compressBound(static_cast<uLong>(data.size())));
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = packed.data();
  z.avail_out = static_cast<uInt>(packed.size());
  deflate(&z, Z_FINISH);
  packed.resize(z.total_out);
  deflateEnd(&z);
  Bytes out(e.z.begin(), e.z.begin() + static_cast<std::ptrdiff_t>(start));
  out.insert(out.end(), packed.begin(), packed.end());
  const std::size_t central = out.size();
  out.insert(out.end(), e.z.begin() + static_cast<std::ptrdiff_t>(end), e.z.end());
  core::store_le32(out.data() + 18, static_cast<std::uint32_t>(packed.size()));
  core::store_le32(out.data() + central + 20, static_cast<std::uint32_t>(packed.size()));
  core::store_le32(out.data() + out.size() - 6, static_cast<std::uint32_t>(central));
  return out;
}

TEST(ZipReader, AnEntryInflatingBeyondAnyRealRatioIsRefused) {
  // Zeros deflated at the strongest level come out about 1,000 to 1: a bomb once past the floor.
  // Text lines deflate some 5 to 1, and a small entry of zeros stays under the floor: both read whole.
  const std::size_t big = static_cast<std::size_t>(kZipRatioFloor) + (1 << 20);
  struct Case {
    const char* what;
    Bytes data;
    bool refused;
  } cases[] = {
      {"zeros past the floor", Bytes(big, 0), true},
      {"zeros under the floor", Bytes(static_cast<std::size_t>(kZipRatioFloor) / 2, 0), false},
      {"text past the floor", SampleText(static_cast<int>(big / 30)), false},
  };
  for (const Case& c : cases) {
    const Bytes z = c.refused ? StronglyDeflated(c.data) : Write({{u"part.xml", c.data}});
    TMemoryStream s(z);
    TXLSZipArchive zip;
    zip.OpenRead(s);
    if (c.refused) {
      EXPECT_EQ(Message([&] { Extract(zip, u"part.xml"); }),
                "File \"part.xml\" in ZIP inflates to more than 500 times its compressed size")
          << c.what;
    } else {
      EXPECT_EQ(Extract(zip, u"part.xml").size(), c.data.size()) << c.what;
    }
  }
}

TEST(ZipReader, CorruptStoredEntryIsNotReturnedAsGood) {
  // An entry of one byte is stored only when empty, so build a stored entry by hand: the writer's
  // deflated entry turned into method 0 with the raw data.
  OneEntry e(ToBytes("stored data!"));
  Bytes raw = ToBytes("stored data!");
  Bytes z;
  z.insert(z.end(), e.z.begin(), e.z.begin() + 30 + 9);
  z.insert(z.end(), raw.begin(), raw.end());
  std::size_t cd = z.size();
  std::size_t oldCd = e.central;
  z.insert(z.end(), e.z.begin() + static_cast<std::ptrdiff_t>(oldCd), e.z.end());
  core::store_le16(z.data() + 8, 0);
  core::store_le16(z.data() + cd + 10, 0);
  core::store_le32(z.data() + 18, static_cast<std::uint32_t>(raw.size()));
  core::store_le32(z.data() + cd + 20, static_cast<std::uint32_t>(raw.size()));
  core::store_le32(z.data() + z.size() - 6, static_cast<std::uint32_t>(cd));
  {
    TMemoryStream s(z);
    TXLSZipArchive zip;
    zip.OpenRead(s);
    EXPECT_EQ(Extract(zip, u"entry.bin"), raw);
  }
  z[30 + 9 + 3] = 'X';
  TMemoryStream s(z);
  TXLSZipArchive zip;
  zip.OpenRead(s);
  EXPECT_EQ(Message([&] { Extract(zip, u"entry.bin"); }), "CRC error in file \"entry.bin\" in ZIP");
}

TEST(ZipReader, TruncatedArchivesKeepWhatIsWhole) {
  Bytes z = Write({{u"first.txt", SampleText(50)}, {u"second.txt", SampleText(3000)}});
  std::size_t secondHeader = 30 + 9 + core::load_le32(z.data() + 18);
  std::size_t secondData = secondHeader + 30 + 10;
  struct Case {
    std::size_t cut;
    int entries;
    bool firstWhole, secondWhole;
  } cases[] = {
      {z.size() - 1, 2, true, true},  // end record cut: the local headers still hold everything
      {secondData + 100, 2, true, false},
      {secondData - 5, 1, true, false},  // second header cut off: the walk stops before it
      {40, 1, false, false},
      {3, 0, false, false},
  };
  for (const auto& c : cases) {
    Bytes part(z.begin(), z.begin() + static_cast<std::ptrdiff_t>(c.cut));
    TMemoryStream s(part);
    TXLSZipArchive zip;
    ASSERT_NO_THROW(zip.OpenRead(s)) << c.cut;
    ASSERT_EQ(zip.Count(), c.entries) << c.cut;
    if (c.entries >= 1) {
      if (c.firstWhole)
        EXPECT_EQ(Extract(zip, u"first.txt"), SampleText(50)) << c.cut;
      else
        EXPECT_EQ(Message([&] { Extract(zip, u"first.txt"); }), "Unexpected end of file \"first.txt\" in ZIP") << c.cut;
    }
    if (c.entries == 2) {
      if (c.secondWhole)
        EXPECT_EQ(Extract(zip, u"second.txt"), SampleText(3000)) << c.cut;
      else
        EXPECT_EQ(Message([&] { Extract(zip, u"second.txt"); }), "Unexpected end of file \"second.txt\" in ZIP")
            << c.cut;
    }
  }
}

TEST(ZipReader, UnsafeNamesAreRefused) {
  struct Case {
    const char* stored;
  } cases[] = {{"../evil.txt"}, {"/etc/passwd"}, {"C:/windows"}, {"a/../../b.txt"}, {"..\\x\\y.txt"}};
  for (const auto& c : cases) {
    std::string name = c.stored;
    std::u16string placeholder(name.size(), u'n');
    OneEntry e(ToBytes("payload"), placeholder);
    std::memcpy(e.z.data() + 30, name.data(), name.size());
    std::memcpy(e.z.data() + e.central + 46, name.data(), name.size());
    TMemoryStream s(e.z);
    TXLSZipArchive zip;
    std::string got = Message([&] { zip.OpenRead(s); });
    EXPECT_EQ(got, "Invalid file name \"" + name + "\" in ZIP");
    EXPECT_EQ(zip.Count(), 0);
    // Without the directory the local-header walk refuses them too.
    Bytes locals(e.z.begin(), e.z.begin() + static_cast<std::ptrdiff_t>(e.central));
    TMemoryStream s2(locals);
    EXPECT_EQ(Message([&] { zip.OpenRead(s2); }), got);
  }
}

TEST(ZipReader, InvalidDosDateDoesNotRejectTheArchive) {
  OneEntry e(SampleText(3));
  core::store_le16(e.z.data() + 12, 0);
  core::store_le16(e.z.data() + e.central + 14, 0);
  TMemoryStream s(e.z);
  TXLSZipArchive zip;
  zip.OpenRead(s);
  core::LocalTime t;
  EXPECT_FALSE(zip.GetItem(0)->GetDateTime(t));
  EXPECT_EQ(Extract(zip, u"entry.bin"), SampleText(3));
}

// ---- archives made by other archivers (committed fixtures, see tests/data/make_zip_fixtures.sh)

Bytes LoadFixture(const std::string& name) {
  TMemoryStream m;
  m.LoadFromFile(testing::FixturePath(name));
  return m.Bytes();
}

TEST(ZipFixtures, PythonMixedEntriesWithComment) {
  TMemoryStream s(LoadFixture("py_mixed.zip"));
  TXLSZipArchive zip;
  zip.OpenRead(s);
  ASSERT_EQ(zip.Count(), 5);
  EXPECT_EQ(Extract(zip, u"stored.txt"), SampleText(3));
  EXPECT_EQ(zip.GetItem(zip.IndexOf(u"stored.txt"))->GetMethod(), 0);
  EXPECT_EQ(Extract(zip, u"deflated.bin"), Ramp(5000));
  EXPECT_EQ(Extract(zip, u"empty.txt"), Bytes{});
  EXPECT_EQ(Extract(zip, u"sub/"), Bytes{});
  EXPECT_EQ(Extract(zip, u"sub/text.txt"), SampleText(200));
  core::LocalTime t;
  ASSERT_TRUE(zip.GetItem(0)->GetDateTime(t));
  EXPECT_EQ(t.year, 2024);
  EXPECT_EQ(t.month, 5);
  EXPECT_EQ(t.day, 17);
  EXPECT_EQ(t.hour, 10);
  EXPECT_EQ(t.minute, 30);
  EXPECT_EQ(t.second, 20);
}

TEST(ZipFixtures, DataDescriptorsWithAndWithoutTheDirectory) {
  Bytes z = LoadFixture("py_data_descriptor.zip");
  for (bool withDirectory : {true, false}) {
    Bytes input = z;
    if (!withDirectory) input.resize(core::load_le32(z.data() + z.size() - 6));
    TMemoryStream s(input);
    TXLSZipArchive zip;
    zip.OpenRead(s);
    ASSERT_EQ(zip.Count(), withDirectory ? 3 : 1) << withDirectory;
    EXPECT_NE(zip.GetItem(0)->Central.Flags & kZipFlagDataDescriptor, 0);
    EXPECT_EQ(Extract(zip, u"deflated.bin"), Ramp(5000));
    if (withDirectory) {
      EXPECT_EQ(Extract(zip, u"stored.txt"), SampleText(3));
      EXPECT_EQ(Extract(zip, u"sub/text.txt"), SampleText(200));
    }
  }
}

TEST(ZipFixtures, Utf8NamesAndZeroDate) {
  TMemoryStream s(LoadFixture("py_utf8_zero_date.zip"));
  TXLSZipArchive zip;
  zip.OpenRead(s);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(Extract(zip, u"数据/温度.txt"), ToBytes("温度 25.3\n"));
  core::LocalTime t;
  EXPECT_FALSE(zip.GetItem(1)->GetDateTime(t));
  EXPECT_EQ(Extract(zip, u"zero_date.txt"), SampleText(1));
}

TEST(ZipFixtures, InfoZipCommentAndStream) {
  TMemoryStream s(LoadFixture("zip_comment.zip"));
  TXLSZipArchive zip;
  zip.OpenRead(s);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(Extract(zip, u"stored.txt"), SampleText(3));
  EXPECT_EQ(Extract(zip, u"deflated.bin"), Ramp(5000));

  Bytes stream = LoadFixture("zip_stream.zip");
  for (bool withDirectory : {true, false}) {
    Bytes input = stream;
    if (!withDirectory) input.resize(core::load_le32(stream.data() + stream.size() - 6));
    TMemoryStream s2(input);
    TXLSZipArchive z2;
    z2.OpenRead(s2);
    ASSERT_EQ(z2.Count(), 1) << withDirectory;
    EXPECT_EQ(Extract(z2, u"-"), Ramp(5000)) << withDirectory;
  }
}

}  // namespace
}  // namespace io

namespace io {
namespace {

// The project-written seed of the fuzz corpus doubles as a golden file of the writer: the same
// entries at the same time give the same bytes.
TEST(ZipWriter, SeedCorpusArchiveIsReproducible) {
  testing::FixedTime fixed;
  TMemoryStream out;
  TXLSZipArchive z;
  z.OpenWrite(out);
  TMemoryStream types(ToBytes("<?xml version=\"1.0\"?><Types/>"));
  z.AddStream(u"[Content_Types].xml", types);
  TMemoryStream empty;
  z.AddStream(u"empty.txt", empty);
  TCompressionStream* c = z.BeginFile(u"xl/数据.xml");
  for (int i = 0; i < 50; ++i) c->WriteBuffer("<row r=\"1\"><c/></row>", 21);
  z.EndFile(c);
  z.Close();
  TMemoryStream seed;
  seed.LoadFromFile(std::string(THC_IO_TEST_DATA) + "/../corpus/zip/project_written.zip");
  EXPECT_EQ(out.Bytes(), seed.Bytes());
  // The seed without its directory is the same archive cut 60 bytes short.
  TMemoryStream cut;
  cut.LoadFromFile(std::string(THC_IO_TEST_DATA) + "/../corpus/zip/project_no_directory.zip");
  EXPECT_EQ(cut.Bytes(), Bytes(seed.Bytes().begin(), seed.Bytes().end() - 60));
}

}  // namespace
}  // namespace io
