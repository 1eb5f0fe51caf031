#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "biff/chart/chart_records.h"
#include "workbook/style_records.h"

using namespace biff;

namespace {

// Fonts by file index, the way a document numbers them; new chart fonts are appended.
struct FontBook {
  workbook::TXc12Fonts fonts;
  int created = 0;
  FontBook() {
    for (int i = 0; i < 6; ++i) fonts.Add();
  }
  TChartFonts Map() {
    TChartFonts m;
    m.FromFile = [this](int i) { return i >= 0 && i < fonts.Count() ? fonts.GetItem(i) : nullptr; };
    m.ToFile = [](const workbook::TXc12Font& f) { return f.Index; };
    m.NewChartFont = [this] {
      ++created;
      return fonts.Add();
    };
    return m;
  }
};

core::Bytes WriteBook(const std::function<void(TXLSStream&)>& Body) {
  core::Bytes out;
  TXLSStream s;
  s.SetOutputStream(&out);
  s.CreateFile("", xvExcel97);
  Body(s);
  s.Close();
  return out;
}

// The records of a stream, BEGIN and END included, as (id, body) pairs.
std::vector<std::pair<std::uint16_t, core::Bytes>> Records(const core::Bytes& File) {
  TXLSStream s;
  s.SetInputStream(File);
  s.Open("");
  std::vector<std::pair<std::uint16_t, core::Bytes>> out;
  TBIFFHeader h;
  while (s.ReadHeader(h) == 4) {
    core::Bytes body(h.Length);
    s.Read(body.data(), h.Length);
    out.push_back({h.RecID, body});
  }
  return out;
}

int CountRecords(const TChartRecord& R) {
  int n = 0;
  for (int i = 0; i < R.Count(); ++i) n += 1 + CountRecords(R.Item(i));
  return n;
}

void Collect(const TChartRecord& R, std::uint16_t Id, std::vector<const TChartRecord*>& Out) {
  for (int i = 0; i < R.Count(); ++i) {
    if (R.Item(i).RecordId == Id) Out.push_back(&R.Item(i));
    Collect(R.Item(i), Id, Out);
  }
}

struct FakeOwner : IChartDrawingOwner {
  core::Bytes read;
  int writes = 0;
  void ReadChartDrawing(TXLSStream& Stream, int Length) override {
    read.resize(static_cast<std::size_t>(Length));
    Stream.Read(read.data(), Length);
  }
  void WriteChartDrawing(TXLSStream& Stream) override {
    ++writes;
    Stream.WriteRecord(chrMSODRAWING, read.data(), static_cast<int>(read.size()));
  }
};

}  // namespace

TEST(ChartRecords, DefaultChartBuildsItsTreeAndFonts) {
  FontBook book;
  auto root = NewChartRoot(nullptr);
  AddDefaultChartRecords(*root, 0, book.Map());
  EXPECT_EQ(CountRecords(*root), 64);
  EXPECT_EQ(book.created, 2);
  EXPECT_EQ(root->Item(0).RecordId, chrBOF);
  EXPECT_EQ(root->Last()->RecordId, chrEOF);

  std::vector<const TChartRecord*> fbi, fontx;
  Collect(*root, chrFBI, fbi);
  Collect(*root, chrFONTX, fontx);
  ASSERT_EQ(fbi.size(), 2u);
  ASSERT_EQ(fontx.size(), 2u);
  EXPECT_EQ(fontx[0]->Font, fbi[0]->Font);
  EXPECT_EQ(fontx[1]->Font, fbi[1]->Font);
  EXPECT_NE(fbi[0]->Font, nullptr);
  EXPECT_TRUE(fbi[0]->Font->IsDefault);

  // The legend children sit under LEGEND, inside CHARTFORMAT.
  std::vector<const TChartRecord*> legends;
  Collect(*root, chrLEGEND, legends);
  ASSERT_EQ(legends.size(), 1u);
  ASSERT_EQ(legends[0]->Count(), 2);
  EXPECT_EQ(legends[0]->Item(1).RecordId, chrTEXT);
  EXPECT_EQ(legends[0]->Item(1).Count(), 2);
}

TEST(ChartRecords, SeriesAndGroupSets) {
  FontBook book;
  auto root = NewChartRoot(nullptr);
  TChartRecord& series = InsertChartRecord(*root, -1, chrSERIES, false, 12);
  AddDefaultChartRecords(series, 2, book.Map());
  std::vector<std::uint16_t> ids;
  for (int i = 0; i < series.Count(); ++i) ids.push_back(series.Item(i).RecordId);
  EXPECT_EQ(ids, (std::vector<std::uint16_t>{chrAI, chrAI, chrAI, chrAI, chrDATAFORMAT, chrSERTOCRT}));
  EXPECT_EQ(series.Item(4).Count(), 1);
  EXPECT_EQ(series.Item(4).Item(0).RecordId, chr3DBARSHAPE);

  struct Case {
    int kind;
    std::uint16_t first;
    int top;  // records at the top of the group list
  } cases[] = {{4, 0x101A, 4}, {5, chrBAR, 3}, {6, chrLINE, 3}, {7, 0x1019, 3},
               {8, 0x103E, 4}, {9, 0x101B, 4}, {10, 0x103F, 4}, {3, chr3DBARSHAPE, 5}};
  for (const Case& c : cases) {
    auto group = NewChartRoot(nullptr);
    TChartRecord& format = InsertChartRecord(*group, -1, chrCHARTFORMAT, false, 20);
    AddDefaultChartRecords(format, c.kind, book.Map());
    ASSERT_EQ(format.Count(), c.top) << c.kind;
    EXPECT_EQ(format.Item(0).RecordId, c.first) << c.kind;
    if (c.top == 4) {
      EXPECT_EQ(format.Item(3).RecordId, chrDATAFORMAT);
      EXPECT_EQ(format.Item(3).Count(), 5);
    }
    if (c.kind != 3) {
      EXPECT_EQ(format.Item(2).Count(), 2) << "legend children of kind " << c.kind;
    }
  }
  auto none = NewChartRoot(nullptr);
  AddDefaultChartRecords(*none, 11, book.Map());
  EXPECT_EQ(none->Count(), 0);
}

TEST(ChartRecords, WrittenTreeReadsBackToTheSameRecords) {
  FontBook book;
  const TChartFonts fonts = book.Map();
  auto root = NewChartRoot(nullptr);
  AddDefaultChartRecords(*root, 0, fonts);
  const core::Bytes first = WriteBook([&](TXLSStream& s) { WriteChartRecords(*root, s, fonts); });

  const auto records = Records(first);
  ASSERT_EQ(records.front().first, chrBOF);
  EXPECT_EQ(records.back().first, chrEOF);
  int begins = 0, ends = 0;
  std::vector<int> fbiFonts;
  for (const auto& [id, body] : records) {
    begins += id == chrBEGIN;
    ends += id == chrEND;
    if (id == chrFBI) fbiFonts.push_back(core::load_le16(body.data() + 8));
  }
  EXPECT_EQ(fbiFonts, (std::vector<int>{6, 7}));  // the keys became the fonts' file indexes
  EXPECT_EQ(begins, 13);
  EXPECT_EQ(begins, ends);

  TXLSStream in;
  in.SetInputStream(first);
  in.Open("");
  auto back = NewChartRoot(nullptr);
  ReadChartRecords(*back, in, fonts);
  EXPECT_EQ(CountRecords(*back), 64);
  std::vector<const TChartRecord*> fontx;
  Collect(*back, chrFONTX, fontx);
  ASSERT_EQ(fontx.size(), 2u);
  EXPECT_EQ(fontx[1]->Font, book.fonts.GetItem(7));
  EXPECT_EQ(WriteBook([&](TXLSStream& s) { WriteChartRecords(*back, s, fonts); }), first);
}

TEST(ChartRecords, DrawingsGelFramesAndDamagedStreams) {
  FontBook book;
  const TChartFonts fonts = book.Map();
  const core::Bytes big(100, 0x5A), small(40, 0x11), gel1(3000, 1), gel2(8224, 2), gel3(50, 3);
  const core::Bytes file = WriteBook([&](TXLSStream& s) {
    s.WriteRecord(chrBOF, core::Bytes(16).data(), 16);
    s.WriteRecord(chrMSODRAWING, small.data(), 40);
    s.WriteRecord(chrMSODRAWING, big.data(), 100);
    s.WriteRecord(chrGELFRAME, gel1.data(), 3000);
    s.WriteRecord(chrCONTINUE, gel2.data(), 8224);
    s.WriteRecord(chrCONTINUE, gel3.data(), 50);
    s.WriteHeader(chrEND, 0);  // an END at the top level ends the read
    s.WriteRecord(0x1065, "\x02\x00", 2);
  });
  FakeOwner owner;
  auto root = NewChartRoot(&owner);
  TXLSStream in;
  in.SetInputStream(file);
  in.Open("");
  ReadChartRecords(*root, in, fonts);
  ASSERT_EQ(root->Count(), 3);  // BOF, the drawing placeholder, GELFRAME
  EXPECT_EQ(owner.read, big);
  EXPECT_EQ(root->Item(2).Data.size(), 3000u + 8224 + 50);

  const auto records = Records(WriteBook([&](TXLSStream& s) { WriteChartRecords(*root, s, fonts); }));
  ASSERT_EQ(records.size(), 4u);  // BOF, MSODRAWING, GELFRAME and its CONTINUE
  EXPECT_EQ(records[1].first, chrMSODRAWING);
  EXPECT_EQ(records[2].first, chrGELFRAME);
  EXPECT_EQ(records[2].second.size(), 8224u);
  EXPECT_EQ(records[3].first, chrCONTINUE);
  EXPECT_EQ(records[3].second.size(), 3000u + 50);
  EXPECT_EQ(owner.writes, 1);

  // Without an owner a large drawing has nowhere to go.
  auto orphan = NewChartRoot(nullptr);
  TXLSStream again;
  again.SetInputStream(file);
  again.Open("");
  EXPECT_THROW(ReadChartRecords(*orphan, again, fonts), Exception);

  // BEGIN with nothing before it; a FONTX naming no FBI when the last top record is one.
  const core::Bytes badBegin = WriteBook([](TXLSStream& s) { s.WriteHeader(chrBEGIN, 0); });
  TXLSStream b;
  b.SetInputStream(badBegin);
  b.Open("");
  auto r1 = NewChartRoot(nullptr);
  EXPECT_THROW(ReadChartRecords(*r1, b, fonts), Exception);

  auto r2 = NewChartRoot(nullptr);
  InsertChartRecord(*r2, -1, chrFBI, false, 10);
  EXPECT_THROW(FindFBIFont(*r2, 0x33), Exception);
}

TEST(ChartRecords, DeepNestingAndTruncationAreSafe) {
  FontBook book;
  const TChartFonts fonts = book.Map();
  const core::Bytes deep = WriteBook([](TXLSStream& s) {
    for (int i = 0; i < 5000; ++i) {
      s.WriteHeader(0x1051, 0);
      s.WriteHeader(chrBEGIN, 0);
    }
  });
  TXLSStream in;
  in.SetInputStream(deep);
  in.Open("");
  auto root = NewChartRoot(nullptr);
  EXPECT_THROW(ReadChartRecords(*root, in, fonts), Exception);

  // Records cut short: what was read stays, nothing escapes but the library's error.
  auto full = NewChartRoot(nullptr);
  AddDefaultChartRecords(*full, 0, fonts);
  core::Bytes stream;
  {
    TXLSStream s;
    s.CreateMemory();
    WriteChartRecords(*full, s, fonts);
    stream = s.MemoryBytes();
  }
  for (std::size_t cut = 0; cut < stream.size(); cut += 7) {
    const core::Bytes file = WriteBook([&](TXLSStream& s) { s.WriteRaw(stream.data(), static_cast<int>(cut)); });
    TXLSStream t;
    t.SetInputStream(file);
    t.Open("");
    auto r = NewChartRoot(nullptr);
    try {
      ReadChartRecords(*r, t, fonts);
    } catch (const Exception&) {
    }
    EXPECT_LE(CountRecords(*r), 64);
  }
}

TEST(ChartRecords, EditingHelpers) {
  auto root = NewChartRoot(nullptr);
  InsertChartRecord(*root, -1, chrSERIES, false, 12);
  InsertChartRecord(*root, 0, chrBOF, false, 16);
  InsertChartRecord(*root, -1, chrGELFRAME, true, 0);
  EXPECT_EQ(IndexOfChartRecord(*root, chrSERIES), 1);
  EXPECT_NE(dynamic_cast<TChartRecordUpdate*>(&root->Item(2)), nullptr);
  EXPECT_TRUE(DeleteChartRecord(*root, chrSERIES));
  EXPECT_FALSE(DeleteChartRecord(*root, chrSERIES));
  TChartRecord& bof = root->Item(0);
  bof.Resize(-6);
  EXPECT_EQ(bof.DataLength(), 10);
  EXPECT_THROW(bof.Resize(-20), Exception);
  EXPECT_THROW(bof.Word(9), Exception);
  EXPECT_EQ(FindChartRoot(&bof), root.get());
  EXPECT_THROW(InsertChartRecord(*root, 9, chrEOF, false, 0), Exception);
}
