#include <gtest/gtest.h>

#include "biff/stream/record_ids.h"
#include "biff/stream/record_storage.h"
#include "biff/stream/xls_stream.h"

using namespace biff;

namespace {

std::vector<std::uint16_t> ids(const TBaseRecordStorage& s) {
  std::vector<std::uint16_t> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Items(i)->Id);
  return out;
}

const std::vector<std::uint16_t> kGlobalsOrder = {
    0x0809, 0x005C, 0x0042, 0x0161, 0x013D, 0x009C, 0x0019, 0x0012, 0x0013, 0x01AF, 0x003D, 0x0040, 0x008D,
    0x0022, 0x000E, 0x01B7, 0x00DA, 0x8001, 0x8002, 0x008C, 0x01C1, 0x8003, 0x8004, 0x8005, 0x000A};
const std::vector<std::uint16_t> kSheetOrder = {
    0x0809, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002B, 0x002A, 0x0082, 0x0080, 0x0225, 0x0081, 0x8101,
    0x8102, 0x8103, 0x0083, 0x0084, 0x00A1, 0x0012, 0x0055, 0x0200, 0x8104, 0x8105, 0x023E, 0x8106, 0x000A};

void expect_error(const std::function<void()>& f, const std::string& text) {
  try {
    f();
    ADD_FAILURE() << "no error, expected " << text;
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), text);
  }
}

TEST(RecordStorage, NewStoragesWriteTheirDefaultsInOrder) {
  TRecordStorageGlobals g;
  EXPECT_EQ(g.Count(), 0);
  g.UseDefaults();
  EXPECT_EQ(ids(g), kGlobalsOrder);
  TRecordStorageSheet s;
  s.UseDefaults();
  EXPECT_EQ(ids(s), kSheetOrder);

  // Bodies that other programs read: BOF, WRITEACCESS, WINDOW1, RECALCID, SETUP, WINDOW2.
  EXPECT_EQ(g.BOF()->Body, (core::Bytes{0x00, 0x06, 0x05, 0x00, 0xAF, 0x18, 0xCD, 0x07, 0xC9, 0x80, 0, 0, 0x06, 0x01, 0, 0}));
  ASSERT_EQ(g.WRITEACCESS()->Length(), 112);
  EXPECT_EQ(g.WRITEACCESS()->Body[2], 1);
  EXPECT_EQ(g.WRITEACCESS()->Body[111], 0x20);
  EXPECT_EQ(g.WINDOW1()->Body, (core::Bytes{100, 0, 100, 0, 0x10, 0x27, 0x58, 0x1B, 0x38, 0, 0, 0, 0, 0, 1, 0, 0x58, 0x02}));
  EXPECT_EQ(g.RECALCID()->Body, (core::Bytes{0xC1, 0x01, 0, 0, 0xFF, 0xFF, 0xFF, 0x00}));
  EXPECT_EQ(g.COUNTRY()->Body, (core::Bytes{1, 0, 46, 0}));
  EXPECT_EQ(s.SETUP()->Length(), 34);
  EXPECT_EQ(s.SETUP()->Body[10], 0xB6);
  EXPECT_EQ(core::load_le_double(s.SETUP()->Body.data() + 16), 0.5);
  EXPECT_EQ(s.WINDOW2()->Body, (core::Bytes{0xB6, 0x04, 0, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.DEFAULTROWHEIGHT()->Body, (core::Bytes{0, 0, 255, 0}));
  EXPECT_EQ(s.DIMENSIONS()->Length(), 14);
  EXPECT_EQ(s.GUTS()->Length(), 8);
}

TEST(RecordStorage, ReadRecordsPullInMissingDefaultsBeforeThem) {
  // A file with BOF, WINDOW1 and EOF only: every default up to WINDOW1 (CODEPAGE among them)
  // lands before it, the rest before EOF.
  TRecordStorageGlobals g;
  core::Bytes bof(16, 0), w1(18, 7);
  g.SetRecord(MakeIdLen(0x0809, 16), bof.data());
  g.Add(MakeIdLen(0x00E1, 2), "\x01\x02");  // a record no handler knows, kept raw
  g.SetRecord(MakeIdLen(0x003D, 18), w1.data());
  g.SetRecord(MakeIdLen(0x000A, 0), nullptr);
  std::vector<std::uint16_t> want = {0x0809, 0x00E1, 0x005C, 0x0042, 0x0161, 0x013D, 0x009C, 0x0019, 0x0012,
                                     0x0013, 0x01AF, 0x003D, 0x0040, 0x008D, 0x0022, 0x000E, 0x01B7, 0x00DA,
                                     0x8001, 0x8002, 0x008C, 0x01C1, 0x8003, 0x8004, 0x8005, 0x000A};
  EXPECT_EQ(ids(g), want);
  EXPECT_EQ(g.WINDOW1()->Body, w1);
  EXPECT_EQ(g.Items(g.IndexOf(0x0042))->Body, (core::Bytes{0xB0, 0x04})) << "default CODEPAGE 1200";
}

TEST(RecordStorage, StandardRecordMetAgain) {
  TRecordStorageSheet s;
  core::Bytes w2(18, 1), w2b(18, 2), w2short(10, 3);
  s.SetRecord(MakeIdLen(0x023E, 18), w2.data());
  s.SetRecord(MakeIdLen(0x023E, 18), w2b.data());
  EXPECT_EQ(s.WINDOW2()->Body, w2b) << "the last occurrence's body";
  expect_error([&] { s.SetRecord(MakeIdLen(0x023E, 10), w2short.data()); }, "Size missmatch on default record 023E");

  // A 2-byte TABID after WINDOW1 meets the empty default TABID placed before WINDOW1.
  TRecordStorageGlobals g;
  core::Bytes w1(18, 0);
  g.SetRecord(MakeIdLen(0x003D, 18), w1.data());
  expect_error([&] { g.SetRecord(MakeIdLen(0x013D, 2), "\x01\x00"); }, "Size missmatch on default record 013D");
  expect_error([&] { g.PlaceDefault(MakeIdLen(0x1234, 0), nullptr); }, "Excpected default record 1234 not found.");
}

TEST(RecordStorage, BOFRules) {
  // A BIFF5 BOF of 8 bytes replaces the 16-byte default without complaint.
  TRecordStorageSheet s;
  core::Bytes bof5 = {0x00, 0x05, 0x10, 0x00, 0, 0, 0, 0};
  s.SetRecord(MakeIdLen(0x0809, 8), bof5.data());
  EXPECT_EQ(s.BOF()->Body, bof5);
  // Ids whose low byte is 09 but are no BOF (a chart's MARKERFORMAT) are not standard records.
  TRecordStorageSheet t;
  core::Bytes mf(20, 0);
  t.SetRecord(MakeIdLen(0x1009, 20), mf.data());
  EXPECT_EQ(t.Count(), 0);
  // Unknown ids and foreign placeholders are ignored.
  t.SetRecord(MakeIdLen(0x0203, 2), "ab");
  t.SetPlaceholder(0x8001);
  EXPECT_EQ(t.Count(), 0);
  t.SetPlaceholder(0x8106);
  EXPECT_EQ(ids(t).back(), 0x8106);
  EXPECT_EQ(t.Count(), 26);
}

TEST(RecordStorage, TypedAccessorsFollowTheCurrentBlock) {
  TRecordStorageSheet s;
  EXPECT_EQ(s.GetWSBOOL(), 0x04C1);
  EXPECT_EQ(s.GetDEFCOLWIDTH(), 8);
  EXPECT_DOUBLE_EQ(s.GetDELTA(), 0.001);
  s.SetDEFCOLWIDTH(10);  // on the default, before anything is stored
  s.UseDefaults();
  EXPECT_EQ(s.Items(s.IndexOf(0x0055))->Body, (core::Bytes{10, 0}));
  s.SetWSBOOL(0x0C01);
  EXPECT_EQ(s.Items(s.IndexOf(0x0081))->Body, (core::Bytes{0x01, 0x0C})) << "the copy in the list";
  s.SetDELTA(0.5);
  EXPECT_DOUBLE_EQ(s.GetDELTA(), 0.5);

  TRecordStorageSheet r;
  // A damaged file's short DELTA (placed before any other takes the default's place) reads as 0
  // and is lengthened when set.
  r.SetRecord(MakeIdLen(0x0010, 2), "\x00\x00");
  r.SetRecord(MakeIdLen(0x0081, 2), "\x11\x04");
  EXPECT_EQ(r.GetWSBOOL(), 0x0411);
  EXPECT_EQ(r.GetDELTA(), 0.0);
  r.SetDELTA(0.25);
  EXPECT_EQ(r.Items(r.IndexOf(0x0010))->Length(), 8);
  r.Delete(r.IndexOf(0x0081));
  EXPECT_EQ(r.GetWSBOOL(), 0) << "no dangling block after a delete";
}

TEST(RecordStorage, ListOperationsAndWriting) {
  TBaseRecordStorage a;
  a.Add(MakeIdLen(0x0203, 3), "abc");
  a.Add(MakeIdLen(0x0004, 0), nullptr);
  a.Update(1, 2, "xy");
  EXPECT_EQ(a.TotalSize(), 4 + 3 + 4 + 2);
  TBaseRecordStorage b;
  a.CopyTo(b);
  a.Update(0, 1, "z");
  EXPECT_EQ(b.Items(0)->Body, (core::Bytes{'a', 'b', 'c'}));
  EXPECT_THROW(b.Items(2), Exception);

  TXLSStream s;
  s.CreateMemory();
  b.SaveToStream(s);
  EXPECT_EQ(s.MemoryBytes(), (core::Bytes{0x03, 0x02, 3, 0, 'a', 'b', 'c', 0x04, 0, 2, 0, 'x', 'y'}));
}

}  // namespace
