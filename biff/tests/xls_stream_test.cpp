#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

#include "biff/stream/xls_stream.h"
#include "core/testing/temp_dir.h"
#include "core/unicode.h"

namespace ps = platform::storage;
using namespace biff;

namespace {

core::Bytes pattern(std::size_t n, std::uint8_t seed = 0) {
  core::Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 31 + (i >> 8));
  return b;
}

// A whole compound file written through the stream into an output buffer.
core::Bytes write_book(const std::function<void(TXLSStream&)>& body, TExtraObjects* kept = nullptr,
                       TExcelVersion version = xvExcel97) {
  core::Bytes out;
  TXLSStream s;
  s.SetOutputStream(&out);
  s.SetExtraObjects(kept);
  s.CreateFile("", version);
  body(s);
  s.Close();
  return out;
}

core::Bytes workbook_stream(const core::Bytes& file, const char16_t* name = u"Workbook") {
  ps::CompoundFile cf = ps::CompoundFile::parse(file);
  const ps::Stream* s = cf.root().open_stream(name);
  EXPECT_NE(s, nullptr);
  return s ? s->data : core::Bytes{};
}

using core::testing::TempDir;

struct Piece {
  std::uint16_t id, len;
  bool operator==(const Piece&) const = default;
};

std::vector<Piece> pieces(const core::Bytes& stream) {
  std::vector<Piece> out;
  for (std::size_t p = 0; p + 4 <= stream.size();) {
    Piece pc{core::load_le16(stream.data() + p), core::load_le16(stream.data() + p + 2)};
    out.push_back(pc);
    p += 4 + pc.len;
  }
  return out;
}

// A compound file whose Workbook stream holds exactly these bytes.
core::Bytes book_with_stream(const core::Bytes& stream) {
  ps::CompoundFile cf;
  cf.root().create_stream(u"Workbook").data = stream;
  return cf.serialize();
}

TEST(XLSStream, WriteRecordSplitsIntoContinuePieces) {
  struct Case {
    int len;
    std::vector<Piece> want;
  };
  const Case cases[] = {
      {0, {{0x00EB, 0}}},
      {8224, {{0x00EB, 8224}}},
      {8225, {{0x00EB, 8224}, {0x003C, 1}}},
      {20000, {{0x00EB, 8224}, {0x003C, 8224}, {0x003C, 3552}}},
  };
  for (const Case& c : cases) {
    core::Bytes body = pattern(static_cast<std::size_t>(c.len));
    core::Bytes stream = workbook_stream(write_book([&](TXLSStream& s) { s.WriteRecord(0x00EB, body.data(), c.len); }));
    EXPECT_EQ(pieces(stream), c.want) << c.len;
    // The bodies, joined, are the data written.
    core::Bytes joined;
    for (std::size_t p = 0; p + 4 <= stream.size();) {
      std::uint16_t len = core::load_le16(stream.data() + p + 2);
      joined.insert(joined.end(), stream.begin() + p + 4, stream.begin() + p + 4 + len);
      p += 4 + len;
    }
    EXPECT_EQ(joined, body) << c.len;
  }
}

// Records of every size around the piece limit, written with WriteRecord and read back the way
// a reader joins a long record: its first piece, then every CONTINUE behind it.
TEST(XLSStream, RecordsRoundTripWithContinuePieces) {
  const int sizes[] = {0, 1, 100, 8223, 8224, 8225, 16448, 16449, 30000, 2, 65535};
  std::vector<std::pair<std::uint16_t, core::Bytes>> records;
  for (int i = 0; i < static_cast<int>(std::size(sizes)); ++i)
    records.push_back({static_cast<std::uint16_t>(0x00FC + i), pattern(static_cast<std::size_t>(sizes[i]), static_cast<std::uint8_t>(i))});
  core::Bytes file = write_book([&](TXLSStream& s) {
    for (const auto& [id, body] : records) s.WriteRecord(id, body.data(), static_cast<int>(body.size()));
  });
  TXLSStream s;
  s.SetInputStream(file);
  ASSERT_EQ(s.Open(""), xvExcel97);
  std::vector<std::pair<std::uint16_t, core::Bytes>> back;
  TBIFFHeader h;
  while (s.ReadHeader(h) == 4) {
    ASSERT_NE(h.RecID, BIFFRECID_CONTINUE);
    ASSERT_LE(h.Length, MAXRECSZ_97);
    core::Bytes body(h.Length);
    ASSERT_EQ(s.Read(body.data(), h.Length), h.Length);
    while (s.PeekRecordId() == BIFFRECID_CONTINUE) {
      s.ReadHeader(h);
      ASSERT_LE(h.Length, MAXRECSZ_97);
      std::size_t at = body.size();
      body.resize(at + h.Length);
      ASSERT_EQ(s.Read(body.data() + at, h.Length), h.Length);
    }
    back.push_back({static_cast<std::uint16_t>(0x00FC + back.size()), body});
  }
  EXPECT_EQ(back, records);
}

TEST(XLSStream, PlainRecordFilesWrittenAndReadBack) {
  TempDir dir;
  std::string path = dir.file("plain4.xls");
  core::Bytes bof = {0x00, 0x00, 0x10, 0x00, 0, 0};
  {
    TXLSStream s;
    s.CreateFile(path, xvExcel40);
    s.WriteRecord(BIFFRECID_BOF_4, bof.data(), 6);
    s.WriteHeader(BIFFRECID_EOF, 0);
    s.Close();
  }
  TXLSStream r;
  EXPECT_EQ(r.Open(path), xvExcel40);
  TBIFFHeader h;
  ASSERT_EQ(r.ReadHeader(h), 4);
  EXPECT_EQ(h.RecID, BIFFRECID_BOF_4);
  EXPECT_EQ(h.Length, 6);

  // With an output stream the records go straight into it.
  core::Bytes out;
  TXLSStream w;
  w.SetOutputStream(&out);
  w.CreateFile("", xvExcel40);
  w.WriteHeader(BIFFRECID_EOF, 0);
  EXPECT_EQ(out, (core::Bytes{0x0A, 0, 0, 0}));
  w.Close();
  EXPECT_EQ(out.size(), 4u);
}

TEST(XLSStream, RecordLimitPatchesPieceLengths) {
  struct Case {
    std::vector<int> writes;
    std::vector<Piece> want;
  };
  const Case cases[] = {
      {{8000, 500}, {{0x00EB, 8224}, {0x003C, 276}}},
      {{8224}, {{0x00EB, 8224}}},  // a body ending exactly at the limit gets no empty piece
      {{20000}, {{0x00EB, 8224}, {0x003C, 8224}, {0x003C, 3552}}},
      {{10, 20}, {{0x00EB, 30}}},
  };
  for (const Case& c : cases) {
    core::Bytes all;
    core::Bytes stream = workbook_stream(write_book([&](TXLSStream& s) {
      s.BeginRecordLimit(8224);
      s.WriteHeader(0x00EB, 0);
      for (int n : c.writes) {
        core::Bytes chunk = pattern(static_cast<std::size_t>(n), static_cast<std::uint8_t>(all.size()));
        all.insert(all.end(), chunk.begin(), chunk.end());
        EXPECT_EQ(s.Write(chunk.data(), n), 0) << "limited writes report 0";
      }
      s.EndRecordLimit();
      s.WriteHeader(0x000A, 0);
    }));
    std::vector<Piece> want = c.want;
    want.push_back({0x000A, 0});
    EXPECT_EQ(pieces(stream), want);
  }
}

// Reads a record's body in CONTINUE mode through the stream.
TEST(XLSStream, ContinueReadJoinsPieces) {
  core::Bytes body = pattern(20000, 3);
  core::Bytes file = write_book([&](TXLSStream& s) {
    s.WriteRecord(0x00EB, body.data(), 20000);
    s.WriteHeader(0x000A, 0);
  });
  TXLSStream s;
  s.SetInputStream(file);
  ASSERT_EQ(s.Open(""), xvExcel97);
  TBIFFHeader h;
  ASSERT_EQ(s.ReadHeader(h), 4);
  EXPECT_EQ(h.RecID, 0x00EB);
  s.BeginCONTINUERead();
  EXPECT_THROW(s.BeginCONTINUERead(), Exception);
  core::Bytes got(10000);
  EXPECT_EQ(s.Read(got.data(), 10000), 10000);
  EXPECT_EQ(s.CONTINUEPos(), 1776);
  core::Bytes rest(10000);
  EXPECT_EQ(s.Read(rest.data(), 10000), 10000);
  got.insert(got.end(), rest.begin(), rest.end());
  EXPECT_EQ(got, body);
  s.EndCONTINUERead();
  ASSERT_EQ(s.ReadHeader(h), 4);
  EXPECT_EQ(h.RecID, 0x000A);
  EXPECT_EQ(s.ReadHeader(h), 0) << "end of stream";
}

core::Bytes rec(std::uint16_t id, const core::Bytes& body) {
  core::Bytes r(4);
  core::store_le16(r.data(), id);
  core::store_le16(r.data() + 2, static_cast<std::uint16_t>(body.size()));
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

core::Bytes cat(std::initializer_list<core::Bytes> parts) {
  core::Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(XLSStream, ContinueReadHonoursEachPieceLength) {
  // Short pieces (as other producers cut drawing data), a future-record piece whose first 14
  // bytes are a header, not data.
  core::Bytes frt_header(14, 0xEE);
  core::Bytes stream = cat({rec(0x00EB, pattern(100, 1)), rec(0x003C, pattern(50, 2)),
                            rec(0x0866, cat({frt_header, pattern(30, 3)})), rec(0x000A, {})});
  TXLSStream s;
  core::Bytes file = book_with_stream(stream);
  s.SetInputStream(file);
  s.Open("");
  TBIFFHeader h;
  s.ReadHeader(h);
  s.BeginCONTINUERead();
  core::Bytes got(180);
  EXPECT_EQ(s.Read(got.data(), 180), 180);
  EXPECT_EQ(got, cat({pattern(100, 1), pattern(50, 2), pattern(30, 3)}));
  EXPECT_EQ(s.CONTINUEPos(), 44) << "the last piece's bytes, its 14 header bytes included";
  s.EndCONTINUERead();
  s.ReadHeader(h);
  EXPECT_EQ(h.RecID, 0x000A);
}

TEST(XLSStream, ContinueReadMeetingAnotherRecordFails) {
  core::Bytes stream = cat({rec(0x00EB, pattern(10)), rec(0x0203, pattern(14)), rec(0x000A, {})});
  core::Bytes file = book_with_stream(stream);
  TXLSStream s;
  s.SetInputStream(file);
  s.Open("");
  TBIFFHeader h;
  s.ReadHeader(h);
  s.BeginCONTINUERead();
  std::uint8_t buf[20];
  try {
    s.Read(buf, 20);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "CONTINUE record is missing");
  }
}

TEST(XLSStream, ContinueReadStopsAtEndOfStream) {
  // A body that claims more than the stream holds delivers what there is and stops.
  core::Bytes stream = cat({rec(0x00EB, pattern(10)), rec(0x003C, pattern(5))});
  stream.resize(stream.size() - 2);
  core::Bytes file = book_with_stream(stream);
  TXLSStream s;
  s.SetInputStream(file);
  s.Open("");
  TBIFFHeader h;
  s.ReadHeader(h);
  s.BeginCONTINUERead();
  std::uint8_t buf[100];
  EXPECT_EQ(s.Read(buf, 100), 13);
}

TEST(XLSStream, VersionOfCompoundFiles) {
  struct Case {
    std::vector<const char16_t*> streams;
    TExcelVersion want;
  };
  const Case cases[] = {
      {{u"Workbook", u"Book"}, xvExcel97},
      {{u"Book"}, xvExcel50},
      {{u"WORKBOOK"}, xvExcel97},
  };
  for (const Case& c : cases) {
    ps::CompoundFile cf;
    for (auto* n : c.streams) cf.root().create_stream(n).data = {0x09, 0x08, 0, 0};
    core::Bytes file = cf.serialize();
    TXLSStream s;
    s.SetInputStream(file);
    EXPECT_EQ(s.Open(""), c.want);
    EXPECT_EQ(s.InputSize(), 4u);
  }
  ps::CompoundFile none;
  none.root().create_stream(u"Other").data = {1};
  core::Bytes file = none.serialize();
  TXLSStream s;
  s.SetInputStream(file);
  try {
    s.Open("");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "The file is not an Excel workbook");
  }
}

void write_bytes(const std::string& path, const core::Bytes& b) { ps::write_file_atomically(path, b); }

TEST(XLSStream, VersionOfPlainRecordFiles) {
  TempDir dir;
  struct Case {
    core::Bytes head;
    TExcelVersion want;
  };
  const Case cases[] = {
      {{0x09, 0x02, 6, 0}, xvExcel30}, {{0x09, 0x04, 6, 0}, xvExcel40}, {{0x09, 0x00, 4, 0}, xvExcel21},
      {{0x09, 0x08, 8, 0}, xvNone},    {{0x10, 0x02, 6, 0}, xvNone},    {{0x09}, xvNone},
  };
  for (const Case& c : cases) {
    std::string path = dir.file("plain.xls");
    write_bytes(path, c.head);
    TXLSStream s;
    EXPECT_EQ(s.Open(path), c.want);
    EXPECT_EQ(s.Position(), 0) << "seeks back to the start";
    EXPECT_EQ(s.InputSize(), c.head.size());
  }
  TXLSStream s;
  EXPECT_THROW(s.Open(dir.file("missing.xls")), core::Error);
}

TEST(XLSStream, KeptStoragesTravelToTheNextFile) {
  ps::CompoundFile src;
  src.root().clsid[0] = 0x10;
  src.root().create_stream(u"Workbook").data = {0x09, 0x08, 0, 0};
  src.root().create_stream(u"Book").data = {0x09, 0x08, 0, 0};
  src.root().create_stream(u"\x05SummaryInformation").data = pattern(300, 4);
  src.root().create_storage(u"_VBA_PROJECT_CUR").create_storage(u"VBA").create_stream(u"dir").data = pattern(900, 5);
  core::Bytes file = src.serialize();

  TExtraObjects kept;
  {
    TXLSStream s;
    s.SetInputStream(file);
    s.SetExtraObjects(&kept);
    s.Open("");
    s.Close();
  }
  ASSERT_NE(kept.Storage(), nullptr);
  EXPECT_EQ(kept.Storage()->find(u"Workbook"), nullptr);
  EXPECT_EQ(kept.Storage()->find(u"Book"), nullptr);

  core::Bytes out = write_book([](TXLSStream& s) { s.WriteHeader(0x000A, 0); }, &kept);
  ps::CompoundFile back = ps::CompoundFile::parse(out);
  EXPECT_EQ(back.root().clsid[0], 0x10);
  EXPECT_EQ(back.root().open_stream(u"\x05SummaryInformation")->data, pattern(300, 4));
  EXPECT_EQ(back.root().open_storage(u"_VBA_PROJECT_CUR")->open_storage(u"VBA")->open_stream(u"dir")->data,
            pattern(900, 5));
  EXPECT_EQ(back.root().open_stream(u"Workbook")->data, (core::Bytes{0x0A, 0, 0, 0})) << "the new stream, not the old";
  EXPECT_EQ(back.root().find(u"Book"), nullptr);

  // Version 5 writes "Book".
  core::Bytes v5 = write_book([](TXLSStream& s) { s.WriteHeader(0x000A, 0); }, nullptr, xvExcel50);
  EXPECT_NE(ps::CompoundFile::parse(v5).root().open_stream(u"Book"), nullptr);
}

TEST(XLSStream, OutputArrivesOnlyAtClose) {
  core::Bytes out;
  TXLSStream s;
  s.SetOutputStream(&out);
  s.CreateFile("", xvExcel97);
  s.WriteHeader(0x000A, 0);
  EXPECT_TRUE(out.empty());
  s.Close();
  EXPECT_TRUE(ps::has_signature(out));
}

TEST(XLSStream, NamedFileWrittenAtCloseAndNeverHalfWritten) {
  TempDir dir;
  std::string path = dir.file("out.xls");
  {
    TXLSStream s;
    s.CreateFile(path, xvExcel97);
    s.WriteHeader(0x0809, 0);
    // Left without Close, as when a save fails half-way.
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  {
    TXLSStream s;
    s.CreateFile(path, xvExcel97);
    s.WriteHeader(0x000A, 0);
    s.Close();
  }
  ASSERT_TRUE(ps::is_storage_file(path));
  TXLSStream r;
  EXPECT_EQ(r.Open(path), xvExcel97);

  TXLSStream s;
  try {
    s.CreateFile("", xvExcel97);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Filename is missing");
  }
}

TEST(XLSStream, ReadStringWidensByVersion) {
  core::Bytes stream = cat({{0x01, 'A', 0, 0x2D, 0x4E}, {0x00, 'a', 'b'}, {0x00, 0x82, 0xA0}, {0x01, 'x'}});
  struct Case {
    TExcelVersion version;
    int codepage;
    std::u16string third;
  };
  for (const Case& c : {Case{xvExcel97, 932, u"\u0082\u00a0"}, Case{xvExcel50, 932, u"\u3042"}}) {
    ps::CompoundFile cf;
    cf.root().create_stream(c.version == xvExcel97 ? u"Workbook" : u"Book").data = stream;
    core::Bytes file = cf.serialize();
    TXLSStream s;
    s.SetInputStream(file);
    ASSERT_EQ(s.Open(""), c.version);
    s.SetCodePage(c.codepage);
    std::u16string str;
    EXPECT_EQ(s.ReadString(2, str), 5);
    EXPECT_EQ(str, u"A\u4e2d");
    EXPECT_EQ(s.ReadString(2, str), 3);
    EXPECT_EQ(str, u"ab");
    EXPECT_EQ(s.ReadString(2, str), 3);
    EXPECT_EQ(str, c.third) << "BIFF8: Latin-1; BIFF5: the file's code page";
    EXPECT_THROW(s.ReadString(5, str), Exception) << "string longer than the stream";
  }
}

TEST(XLSStream, StringAndFieldWriters) {
  core::Bytes mem;
  TXLSStream s;
  s.CreateMemory();
  s.WriteString16(std::string("\x01" "A\0B\0", 5));
  s.WriteString8(std::string("\x00" "xy", 3));
  s.WriteString16("");
  s.WriteWideString(u"\u4e2d", true);
  s.WriteWideString(u"", true);
  s.WriteArea({1, 2, 3, 4});
  s.WriteEscherHeader(0x0F, 2, 0xF004, 40);
  s.WriteWordRecord(0x0042, 1200);
  s.WriteLong(-2);
  s.WriteByte(7);
  core::Bytes want = {2, 0, 1, 'A', 0, 'B', 0,  // count 2 + body
                      2, 0, 'x', 'y',             // 8-bit count + body
                      0, 0,                       // empty: the count only
                      1, 0, 1, 0x2D, 0x4E,        // count, option byte, UTF-16
                      0, 0,                       // empty wide string: no option byte
                      1, 0, 2, 0, 3, 0, 4, 0,     // area
                      0x2F, 0, 0x04, 0xF0, 40, 0, 0, 0,
                      0x42, 0, 2, 0, 0xB0, 0x04,
                      0xFE, 0xFF, 0xFF, 0xFF, 7};
  EXPECT_EQ(s.MemoryBytes(), want);
  EXPECT_THROW(s.WriteString8(std::string(300, 'a')), Exception);
}

TEST(XLSStream, PeekLeavesThePosition) {
  core::Bytes stream = cat({rec(0x0809, pattern(8)), rec(0x000A, {})});
  core::Bytes file = book_with_stream(stream);
  TXLSStream s;
  s.SetInputStream(file);
  s.Open("");
  EXPECT_EQ(s.PeekRecordId(), 0x0809);
  EXPECT_EQ(s.PeekRecType(), 8) << "the second word: a BIFF header's length";
  EXPECT_EQ(s.Position(), 0);
  s.Seek(12, 0);
  EXPECT_EQ(s.PeekRecordId(), 0x000A);
  s.Seek(0, 2);
  EXPECT_EQ(s.PeekRecordId(), 0);
}

class FakeVBA : public TXLSVBAHolder {
public:
  int ReadProject(ps::Storage& root) override {
    ++reads;
    return root.open_storage(u"_VBA_PROJECT_CUR") ? 1 : 0;
  }
  bool HasProject() const override { return has; }
  void WriteProject(ps::Storage& storage) override { storage.create_stream(u"dir").data = {42}; }
  int reads = 0;
  bool has = true;
};

TEST(XLSStream, VBAHolderReadsOnOpenAndReplacesTheStorageOnWrite) {
  ps::CompoundFile src;
  src.root().create_stream(u"Workbook").data = {0x0A, 0, 0, 0};
  src.root().create_storage(u"_VBA_PROJECT_CUR").create_stream(u"old").data = {1};
  core::Bytes file = src.serialize();
  FakeVBA vba;
  TExtraObjects kept;
  TXLSStream r(&vba);
  r.SetInputStream(file);
  r.SetExtraObjects(&kept);
  r.Open("");
  EXPECT_EQ(vba.reads, 1);

  core::Bytes out;
  TXLSStream w(&vba);
  w.SetOutputStream(&out);
  w.SetExtraObjects(&kept);
  w.CreateFile("", xvExcel97);
  w.WriteVBA();
  w.Close();
  ps::CompoundFile back = ps::CompoundFile::parse(out);
  const ps::Storage* p = back.root().open_storage(u"_VBA_PROJECT_CUR");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->find(u"old"), nullptr) << "created anew, replacing the kept copy";
  EXPECT_NE(p->open_stream(u"dir"), nullptr);
}

// XORs each byte with the low byte of its stream position: shows which bytes pass the cipher.
class PositionCipher : public TXLSCipher {
public:
  void Crypt(std::uint32_t pos, std::uint8_t* data, std::size_t n) override {
    for (std::size_t i = 0; i < n; ++i) data[i] ^= static_cast<std::uint8_t>(pos + i);
  }
};

TEST(XLSStream, EncryptedReadsDecryptBodiesByPosition) {
  core::Bytes plain_body = pattern(30, 9);
  core::Bytes stream = cat({rec(0x00EB, plain_body), rec(0x003C, pattern(10, 1))});
  for (std::size_t i = 4; i < 34; ++i) stream[i] ^= static_cast<std::uint8_t>(i);
  for (std::size_t i = 38; i < 48; ++i) stream[i] ^= static_cast<std::uint8_t>(i);
  core::Bytes file = book_with_stream(stream);
  TXLSStream s;
  s.SetInputStream(file);
  s.Open("");
  s.SetCipher(std::make_unique<PositionCipher>());
  s.SetEncrypted(true);
  TBIFFHeader h;
  s.ReadHeader(h);
  EXPECT_EQ(h.Length, 30);
  s.BeginCONTINUERead();
  core::Bytes got(40);
  EXPECT_EQ(s.Read(got.data(), 40), 40);
  EXPECT_EQ(got, cat({plain_body, pattern(10, 1)}));
  s.EndCONTINUERead();
  s.Seek(4, 0);
  std::uint8_t raw[2];
  s.ReadNoDecrypt(raw, 2);
  EXPECT_EQ(raw[0], stream[4]);
  EXPECT_TRUE(s.Encrypted()) << "restored after the call";
}

TEST(XLSStream, EncryptedReadsLeaveTheClearBytesOfTheirRecords) {
  // BOF bodies, INTERFACEHDR and the sheet offset of BOUNDSHEET stay in clear; the id 1009 (a chart
  // record whose low byte is that of BOF) does not.
  const core::Bytes bof = pattern(16, 1), hdr = pattern(2, 2), bs = pattern(12, 3), marker = pattern(20, 4);
  core::Bytes stream = cat({rec(0x0809, bof), rec(0x00E1, hdr), rec(0x0085, bs), rec(0x1009, marker)});
  const std::size_t bsBody = 4 + 16 + 4 + 2 + 4, markerBody = bsBody + 12 + 4;
  for (std::size_t i = bsBody + 4; i < bsBody + 12; ++i) stream[i] ^= static_cast<std::uint8_t>(i);
  for (std::size_t i = markerBody; i < markerBody + 20; ++i) stream[i] ^= static_cast<std::uint8_t>(i);
  core::Bytes file = book_with_stream(stream);
  TXLSStream s;
  s.SetInputStream(file);
  s.Open("");
  s.SetCipher(std::make_unique<PositionCipher>());
  s.SetEncrypted(true);
  for (const core::Bytes* want : {&bof, &hdr, &bs, &marker}) {
    TBIFFHeader h;
    ASSERT_EQ(s.ReadHeader(h), 4);
    core::Bytes got(h.Length);
    // In two reads, the first ending inside the clear part of BOUNDSHEET.
    const int first = std::min<int>(3, h.Length);
    EXPECT_EQ(s.Read(got.data(), first), first);
    EXPECT_EQ(s.Read(got.data() + first, h.Length - first), h.Length - first);
    EXPECT_EQ(got, *want) << std::hex << h.RecID;
  }
}

}  // namespace
