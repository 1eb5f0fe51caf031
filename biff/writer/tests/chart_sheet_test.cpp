// Chart sheets through the document: read from a file made by Perl's .xls writer (chart sheets
// before, between and after the worksheets), written again in their places, and a chart sheet that
// does not read as a chart kept as it stands. Files made by other programs (Perl's writer and
// LibreOffice) with charts, pictures and notes, read and written again: LibreOffice sees the same
// in the original and in the rewrite.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "biff/chart/chart_model.h"
#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "biff/legacy/legacy_document.h"
#include "biff/reader/xls_reader.h"
#include "biff/tests/biff5_workbook.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "tools/sheet-dump/sheet_dump.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"
#include "workbook/workbook_data.h"

namespace biff::testing {
namespace {

namespace fs = std::filesystem;

core::Bytes LoadFixture(const char* Name, const char* Folder = THC_DRAWING_FIXTURES) {
  std::ifstream in(std::string(Folder) + "/" + Name, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("fixture missing: ") + Name);
  return core::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void ReadInto(Book& B, const core::Bytes& File) {
  const core::ByteSpan span(File.data(), File.size());
  TXLSReadXLS(*B.doc).Read(&span);
}

// One BOUNDSHEET: its name, its type byte and the sub-stream type of the BOF its offset points at.
struct Tab {
  std::string Name;
  int Type;
  int BofType;
  bool operator==(const Tab&) const = default;
};

void PrintTo(const Tab& T, std::ostream* Out) { *Out << T.Name << " " << T.Type << " " << T.BofType; }

std::vector<Tab> Tabs(const core::Bytes& File) {
  const std::vector<Record> recs = Records(File);
  std::map<int, const Record*> at;
  for (const Record& r : recs) at[r.Pos] = &r;
  std::vector<Tab> out;
  for (const Record* b : Find(recs, 0x0085)) {
    Tab t;
    const int n = b->Body[6];
    const bool wide = b->Body[7] & 1;
    for (int i = 0; i < n; ++i) t.Name.push_back(static_cast<char>(wide ? b->Body[8 + 2 * i] : b->Body[8 + i]));
    t.Type = b->Body[5];
    const auto bof = at.find(static_cast<int>(core::load_le32(b->Body.data())));
    t.BofType = bof != at.end() && bof->second->Id == 0x0809 ? core::load_le16(bof->second->Body.data() + 2) : -1;
    out.push_back(t);
  }
  return out;
}

const std::vector<Tab> kPerlTabs = {{"Columns", 2, 0x20}, {"Data", 0, 0x10}, {"Lines", 2, 0x20},
                                    {"Notes", 0, 0x10},   {"Pie", 2, 0x20}};

void ExpectPerlBook(Book& B) {
  TSheetCharts& charts = B.doc->SheetCharts();
  ASSERT_EQ(charts.Count(), 3);
  const char16_t* names[] = {u"Columns", u"Lines", u"Pie"};
  for (int i = 0; i < 3; ++i) {
    TSheetChart& c = charts.GetItem(i);
    EXPECT_EQ(c.Name, names[i]);
    EXPECT_EQ(c.SheetIndex, 2 * i) << "the tab position";
    EXPECT_FALSE(c.IsRaw());
    ASSERT_GT(c.Root().Count(), 2);
    EXPECT_EQ(c.Root().Item(0).RecordId, chrBOF);
    EXPECT_EQ(c.Root().Last()->RecordId, chrEOF);
    EXPECT_GE(IndexOfChartRecord(c.Root(), chrCHART), 0);
  }
  ASSERT_EQ(B.doc->Sheets().Count(), 2);
  EXPECT_EQ(B.doc->GetSheet(0)->Name(), u"Data");
  EXPECT_EQ(B.doc->GetSheet(1)->Name(), u"Notes");
  EXPECT_EQ(B.doc->GetSheet(0)->TabPosition, 1);
  EXPECT_EQ(B.doc->GetSheet(1)->TabPosition, 3);
  TEscherDrawing* notes = B.doc->GetSheet(1)->DrawingIfAny();
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->GetShapeCount(), 2) << "a note and a picture";
  EXPECT_EQ(B.doc->EscherGroup().Count(), 1);
}

// The records of every chart sheet's sub-stream, in file order, CONTINUE records included.
std::vector<std::vector<std::pair<int, core::Bytes>>> ChartStreams(const core::Bytes& File) {
  std::vector<std::vector<std::pair<int, core::Bytes>>> out;
  bool in = false;
  for (const Record& r : Records(File)) {
    if (r.Id == 0x0809) {
      in = core::load_le16(r.Body.data() + 2) == 0x20;
      if (in) out.emplace_back();
    }
    if (in) out.back().emplace_back(r.Id, r.Body);
    if (r.Id == 0x000A) in = false;
  }
  return out;
}

TEST(ChartSheets, ReadAndWrittenInTheirPlaces) {
  const core::Bytes file = LoadFixture("perl_chart_sheets.xls");
  ASSERT_EQ(Tabs(file), kPerlTabs);
  Book b(true);
  ReadInto(b, file);
  ExpectPerlBook(b);
  const core::Bytes written = b.Write();
  EXPECT_EQ(Tabs(written), kPerlTabs) << "chart sheets keep their places and each offset finds its BOF";
  // Nothing of the chart records is lost: the sub-streams come out as they were read (the file's
  // font indexes already follow the numbering the writer uses).
  EXPECT_EQ(ChartStreams(written), ChartStreams(file));
  Book back(true);
  ReadInto(back, written);
  ExpectPerlBook(back);
  EXPECT_EQ(Tabs(back.Write()), kPerlTabs);
}

// The chart sheets of the examples of Perl's .xls writer (Chart4 and Chart5 with a drawing inside
// the chart, Chart4 with an embedded chart beside): every chart sub-stream comes out as it was read,
// except the short MSODRAWING records of a chart, which carry nothing and are dropped.
TEST(ChartSheets, PerlExamplesKeepTheirCharts) {
  auto withoutShortDrawings = [](std::vector<std::vector<std::pair<int, core::Bytes>>> Streams) {
    for (auto& s : Streams)
      std::erase_if(s, [](const std::pair<int, core::Bytes>& r) { return r.first == 0x00EC && r.second.size() <= 80; });
    return Streams;
  };
  for (const char* name : {"Chart1.xls", "Chart2.xls", "Chart3.xls", "Chart4.xls", "Chart5.xls"}) {
    SCOPED_TRACE(name);
    const core::Bytes file = LoadFixture(name, THC_READER_FIXTURES);
    Book b(true);
    ReadInto(b, file);
    const core::Bytes written = b.Write();
    EXPECT_EQ(Tabs(written), Tabs(file));
    const auto before = ChartStreams(file);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(withoutShortDrawings(ChartStreams(written)), withoutShortDrawings(before));
  }
}

// Sheets in formulas: the file counts chart sheets among the sheets, the document counts its
// worksheets. A chart added to the workbook refers to "Data" (the second sheet of the file, the
// first worksheet) and still does after a write and a read; a sheet's local name stays with it.
TEST(ChartSheets, SheetReferencesSkipChartSheets) {
  Book b(true);
  ReadInto(b, LoadFixture("perl_chart_sheets.xls"));
  const TExternalNames& x = b.doc->ExternalNames();
  ASSERT_EQ(x.ExtSheets.size(), 1u);
  EXPECT_EQ(x.ExtSheets[0].First, 0) << "Data is the first worksheet";
  EXPECT_EQ(x.ExtSheets[0].Last, 0);
  workbook::TXc12DefinedName* local = b.m.Workbook->DefinedNames->Add(u"Local", 1);
  local->Compiled = {0xFF, 0x17, 0x00, 0x00};  // a constant text, enough for the scope
  TDrwChart& chart = b.doc->GetSheet(1)->AddChart();
  chart.Series.GetItem(0).SetValues(u"Data!$A$1:$A$5");
  const core::Bytes written = b.Write();

  const std::vector<Record> recs = Records(written);
  const std::vector<const Record*> ext = Find(recs, 0x0017);
  ASSERT_EQ(ext.size(), 1u);
  // Data (the file's second sheet) as read, and Notes (the fourth), which holds the new chart.
  std::vector<std::pair<int, int>> entries;
  for (int i = 0; i < core::load_le16(ext[0]->Body.data()); ++i)
    entries.emplace_back(core::load_le16(ext[0]->Body.data() + 4 + 6 * i), core::load_le16(ext[0]->Body.data() + 6 + 6 * i));
  EXPECT_EQ(entries, (std::vector<std::pair<int, int>>{{1, 1}, {3, 3}}));
  bool localName = false;
  for (const Record* n : Find(recs, 0x0018))
    if (n->Body[3] == 5 && n->Body[15] == 'L') localName = core::load_le16(n->Body.data() + 8) == 4;
  EXPECT_TRUE(localName) << "Notes is the file's fourth sheet";

  Book back(true);
  ReadInto(back, written);
  ASSERT_NE(back.doc->GetSheet(1)->ChartsIfAny(), nullptr);
  ASSERT_EQ(back.doc->GetSheet(1)->Charts().Count(), 1);
  EXPECT_EQ(back.doc->GetSheet(1)->Charts().GetItem(0).Series.GetItem(0).Values(), u"Data!$A$1:$A$5");
  const workbook::TXc12DefinedName* again = nullptr;
  for (int i = 0; i < back.m.Workbook->DefinedNames->Count(); ++i)
    if (back.m.Workbook->DefinedNames->GetItem(i)->Name == u"Local") again = back.m.Workbook->DefinedNames->GetItem(i);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->LocalSheetId, 1);
}

// Chart sheets listed after the worksheets, as in the files of Perl's examples; a sheet added
// after the read comes after them.
TEST(ChartSheets, AddedSheetComesAfterTheReadOnes) {
  const core::Bytes file = LoadFixture("perl_chart_sheets.xls");
  Book b(true);
  ReadInto(b, file);
  b.wb.Add();
  const std::vector<Tab> tabs = Tabs(b.Write());
  ASSERT_EQ(tabs.size(), 6u);
  EXPECT_EQ(std::vector<Tab>(tabs.begin(), tabs.begin() + 5), kPerlTabs);
  EXPECT_EQ(tabs[5].Type, 0);
  EXPECT_EQ(tabs[5].BofType, 0x10);
}

TEST(ChartSheets, BiffFiveLeavesThemOut) {
  Book b(true);
  ReadInto(b, LoadFixture("perl_chart_sheets.xls"));
  b.doc->SetVersion(5);
  core::Bytes out;
  TXLSWriteXLS(*b.doc).Write(&out);
  int charts = 0, sheets = 0;
  const std::vector<Record> recs = Records(out, u"Book");
  for (const Record* r : Find(recs, 0x0809)) {
    charts += core::load_le16(r->Body.data() + 2) == 0x20;
    sheets += core::load_le16(r->Body.data() + 2) == 0x10;
  }
  EXPECT_EQ(charts, 0);
  EXPECT_EQ(sheets, 2);
}

// The BOUNDSHEET records of a BIFF5 file (8-bit names) and the sub-stream types they point at.
std::vector<Tab> Tabs5(const core::Bytes& File) {
  const std::vector<Record> recs = Records(File, u"Book");
  std::map<int, const Record*> at;
  for (const Record& r : recs) at[r.Pos] = &r;
  std::vector<Tab> out;
  for (const Record* b : Find(recs, 0x0085)) {
    Tab t;
    t.Name.assign(b->Body.begin() + 7, b->Body.begin() + 7 + b->Body[6]);
    t.Type = b->Body[5];
    const auto bof = at.find(static_cast<int>(core::load_le32(b->Body.data())));
    t.BofType = bof != at.end() && bof->second->Id == 0x0809 ? core::load_le16(bof->second->Body.data() + 2) : -1;
    out.push_back(t);
  }
  return out;
}

// The records of the chart sub-streams of a file's stream.
std::vector<std::pair<int, core::Bytes>> ChartRecords(const core::Bytes& File, const char16_t* Stream) {
  std::vector<std::pair<int, core::Bytes>> out;
  bool in = false;
  for (const Record& r : Records(File, Stream)) {
    if (r.Id == 0x0809) in = core::load_le16(r.Body.data() + 2) == 0x20;
    if (in) out.emplace_back(r.Id, r.Body);
    if (r.Id == 0x000A) in = false;
  }
  return out;
}

// A BIFF5 chart sheet between two worksheets: kept as its records and written back in its place
// into a BIFF5 file, left out of a BIFF8 one; the worksheets' formulas still name their sheets.
TEST(ChartSheets, BiffFiveChartSheetKeptInItsPlace) {
  const core::Bytes original = BIFF5Workbook(true);
  Book b(true);
  ReadInto(b, original);
  ASSERT_EQ(b.doc->Sheets().Count(), 2);
  ASSERT_EQ(b.doc->SheetCharts().Count(), 1);
  const TSheetChart& chart = b.doc->SheetCharts().GetItem(0);
  EXPECT_EQ(chart.Name, u"Chart1");
  EXPECT_EQ(chart.SheetIndex, 1);
  EXPECT_TRUE(chart.IsRaw());
  EXPECT_TRUE(chart.Biff5);
  const std::vector<Tab> tabs = {{"Data", 0, 0x10}, {"Chart1", 2, 0x20}, {"Calc", 0, 0x10}};
  EXPECT_EQ(Tabs5(original), tabs);
  const core::Bytes rewritten = b.Write();
  EXPECT_EQ(Tabs5(rewritten), tabs);
  const auto before = ChartRecords(original, u"Book");
  EXPECT_EQ(before.size(), 18u);
  EXPECT_EQ(ChartRecords(rewritten, u"Book"), before);
  // Formulas of Calc refer to Data across the chart sheet; a BIFF5 rewrite holds their values.
  const std::string json = sheet_dump::DumpXLS(core::ByteSpan(original.data(), original.size()));
  EXPECT_NE(json.find("\"formula\": \"Data!A1*2\""), std::string::npos);
  EXPECT_NE(json.find("\"formula\": \"SUM(Data!A1:A3)\""), std::string::npos);
  const std::string back = sheet_dump::DumpXLS(core::ByteSpan(rewritten.data(), rewritten.size()));
  EXPECT_NE(back.find("{\"ref\": \"C2\", \"row\": 1, \"col\": 2, \"type\": \"number\", \"value\": 15,"), std::string::npos);
  // A BIFF8 file has no place for BIFF5 chart records.
  b.doc->SetVersion(6);
  EXPECT_TRUE(ChartRecords(b.Write(), u"Workbook").empty());

  // LibreOffice opens the rewrite with the same sheets, the chart sheet among them, as the
  // original.
  if (!core::testing::HaveTool("soffice") || !core::testing::HaveTool("unzip")) return;
  const core::testing::TempDir scratch("thc_biff5_chart");
  const fs::path& dir = scratch.path();
  for (const auto& [name, bytes] : {std::pair<const char*, const core::Bytes*>{"original.xls", &original},
                                    {"rewritten.xls", &rewritten}})
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
  core::testing::RunTool("cd " + dir.string() + " && timeout 240 soffice -env:UserInstallation=file://" + dir.string() +
                         "/profile --headless --convert-to xlsx --outdir " + dir.string() +
                         " original.xls rewritten.xls >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(dir / "original.xlsx") && fs::exists(dir / "rewritten.xlsx"));
  auto sheets = [](const fs::path& X) {
    const std::string wbXml = core::testing::RunTool("unzip -p " + X.string() + " xl/workbook.xml").output;
    std::vector<std::string> names;
    for (std::size_t p = wbXml.find("<sheet "); p != std::string::npos; p = wbXml.find("<sheet ", p + 1)) {
      const std::size_t n = wbXml.find("name=\"", p) + 6;
      names.push_back(wbXml.substr(n, wbXml.find('"', n) - n));
    }
    return names;
  };
  const std::vector<std::string> a = sheets(dir / "original.xlsx");
  EXPECT_EQ(a, (std::vector<std::string>{"Data", "Chart1", "Calc"}));
  EXPECT_EQ(sheets(dir / "rewritten.xlsx"), a);
}

// The first record after the middle chart sheet's BOF turned into an END: the tree would end
// before the sub-stream does. The sheet is kept as its records and written back byte for byte,
// and the sheets after it still read.
TEST(ChartSheets, BrokenChartSheetKeptAsItStands) {
  const core::Bytes original = LoadFixture("perl_chart_sheets.xls");
  platform::storage::CompoundFile cf = platform::storage::CompoundFile::parse(original);
  core::Bytes& stream = cf.root().open_stream(u"Workbook")->data;
  int seen = 0;
  bool patched = false;
  for (const Record& r : Records(original))
    if (r.Id == 0x0809 && core::load_le16(r.Body.data() + 2) == 0x20 && ++seen == 2) {
      core::store_le16(stream.data() + r.Pos + 4 + r.Body.size(), 0x1034);
      patched = true;
    }
  ASSERT_TRUE(patched);
  const core::Bytes file = cf.serialize();
  Book b(true);
  ReadInto(b, file);
  ASSERT_EQ(b.doc->SheetCharts().Count(), 3);
  EXPECT_FALSE(b.doc->SheetCharts().GetItem(0).IsRaw());
  EXPECT_TRUE(b.doc->SheetCharts().GetItem(1).IsRaw());
  EXPECT_FALSE(b.doc->SheetCharts().GetItem(2).IsRaw());
  ASSERT_EQ(b.doc->Sheets().Count(), 2);
  EXPECT_EQ(b.doc->GetSheet(1)->DrawingIfAny()->GetShapeCount(), 2);
  const core::Bytes written = b.Write();
  EXPECT_EQ(Tabs(written), kPerlTabs);
  EXPECT_EQ(ChartStreams(written)[1], ChartStreams(file)[1]);
}

// What a command prints on standard output.
std::string Run(const std::string& Command) {
  return core::testing::RunTool(Command, core::testing::Stderr::kShown).output;
}

// The parts of a converted workbook, one per line.
std::string ZipListing(const fs::path& Xlsx) { return Run("unzip -Z1 " + Xlsx.string() + " 2>/dev/null"); }

// What LibreOffice sees of a converted workbook: per chart part, in the order of the part numbers
// (LibreOffice numbers them on across the files of one run), its chart type elements and <c:f>
// texts; the number of pictures; the texts of the notes and of the drawings, part by part.
struct TSeen {
  std::vector<std::string> Charts;
  int Pictures = 0;
  std::vector<std::string> Texts;
};

std::vector<std::string> TextsOf(const std::string& Xml) {
  std::vector<std::string> out;
  for (std::size_t p = Xml.find("<t"); p != std::string::npos; p = Xml.find("<t", p + 1)) {
    const std::size_t open = Xml.find('>', p);
    if (open == std::string::npos || (Xml[p + 2] != '>' && Xml[p + 2] != ' ')) continue;
    out.push_back(Xml.substr(open + 1, Xml.find("</t>", open) - open - 1));
  }
  // Drawing text runs are <a:t>.
  for (std::size_t p = Xml.find("<a:t>"); p != std::string::npos; p = Xml.find("<a:t>", p + 1))
    out.push_back(Xml.substr(p + 5, Xml.find("</a:t>", p) - p - 5));
  return out;
}

TSeen Seen(const fs::path& Xlsx) {
  TSeen seen;
  std::map<int, std::string> charts;
  std::map<std::string, std::string> textParts;
  std::istringstream listing(ZipListing(Xlsx));
  for (std::string line; std::getline(listing, line);) {
    if (line.rfind("xl/charts/chart", 0) == 0 && line.size() > 19 && line.substr(line.size() - 4) == ".xml")
      charts[std::atoi(line.c_str() + 15)] = line;
    if (line.rfind("xl/media/", 0) == 0) ++seen.Pictures;
    if ((line.rfind("xl/comments", 0) == 0 || line.rfind("xl/drawings/drawing", 0) == 0) &&
        line.substr(line.size() - 4) == ".xml")
      textParts[line] = line;
  }
  for (const auto& [number, part] : charts) {
    const std::string xml = Run("unzip -p " + Xlsx.string() + " " + part);
    std::string s;
    for (const char* tag : {"<c:barChart>", "<c:lineChart>", "<c:pieChart>", "<c:areaChart>", "<c:scatterChart>"})
      if (xml.find(tag) != std::string::npos) s += tag;
    for (std::size_t p = xml.find("<c:f>"); p != std::string::npos; p = xml.find("<c:f>", p + 1))
      s += " " + xml.substr(p + 5, xml.find("</c:f>", p) - p - 5);
    seen.Charts.push_back(s);
  }
  for (const auto& [name, part] : textParts)
    for (const std::string& t : TextsOf(Run("unzip -p " + Xlsx.string() + " " + part))) seen.Texts.push_back(name + ": " + t);
  return seen;
}

// Files made by other programs, read and written again: LibreOffice converts each original and its
// rewrite (one run for all) and sees the same charts with the same types and ranges, the same
// pictures and the same texts of notes and text boxes.
TEST(ForeignFilesInterop, LibreOfficeSeesTheSameBeforeAndAfter) {
  if (!core::testing::HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  if (!core::testing::HaveTool("unzip")) GTEST_SKIP() << "unzip not installed";
  struct TCase {
    const char* Fixture;
    int Charts;  // at least this many charts, pictures and texts in the original
    int Pictures;
    int Texts;
  };
  // Perl's chart sheets with a note and a picture; Perl's notes, picture and embedded chart; the
  // same saved again by LibreOffice.
  const TCase cases[] = {{"perl_chart_sheets", 3, 1, 1}, {"perl_notes_chart", 1, 1, 3}, {"lo_notes_chart", 1, 1, 3}};
  const core::testing::TempDir scratch("thc_foreign");
  const fs::path& dir = scratch.path();
  std::string files;
  for (const TCase& c : cases) {
    const core::Bytes file = LoadFixture((std::string(c.Fixture) + ".xls").c_str());
    const fs::path original = dir / (std::string(c.Fixture) + ".xls");
    std::ofstream(original, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    Book b(true);
    ReadInto(b, file);
    b.doc->SetFilename(core::u16((dir / (std::string(c.Fixture) + "_rewritten.xls")).string()));
    TXLSWriteXLS(*b.doc).Write(nullptr);
    files += " " + std::string(c.Fixture) + ".xls " + c.Fixture + "_rewritten.xls";
  }
  const std::string cmd = "cd " + dir.string() + " && timeout 240 soffice -env:UserInstallation=file://" + dir.string() +
                          "/profile --headless --convert-to xlsx --outdir " + dir.string() + files + " >/dev/null 2>&1";
  (void)std::system(cmd.c_str());
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Fixture);
    const fs::path before = dir / (std::string(c.Fixture) + ".xlsx");
    const fs::path after = dir / (std::string(c.Fixture) + "_rewritten.xlsx");
    ASSERT_TRUE(fs::exists(before) && fs::exists(after)) << "LibreOffice did not convert the files";
    const TSeen a = Seen(before), b = Seen(after);
    EXPECT_GE(static_cast<int>(a.Charts.size()), c.Charts);
    EXPECT_GE(a.Pictures, c.Pictures);
    EXPECT_GE(static_cast<int>(a.Texts.size()), c.Texts);
    EXPECT_EQ(b.Charts, a.Charts);
    EXPECT_EQ(b.Pictures, a.Pictures);
    EXPECT_EQ(b.Texts, a.Texts);
    if (std::string(c.Fixture) == "perl_chart_sheets") {
      ASSERT_EQ(a.Charts.size(), 3u);
      EXPECT_EQ(a.Charts[1], "<c:lineChart> &quot;Squares&quot; Data!$A$1:$A$5 &quot;Primes&quot; Data!$B$1:$B$5");
    }
  }
}

// The ids of the TABID record of a written file.
std::vector<int> TabIds(const core::Bytes& File) {
  std::vector<int> ids;
  const std::vector<Record> recs = Records(File);
  const auto tabid = Find(recs, BIFFRECID_TABID);
  if (tabid.size() != 1) return {-1};
  for (std::size_t i = 0; i + 1 < tabid[0]->Body.size(); i += 2) ids.push_back(core::load_le16(tabid[0]->Body.data() + i));
  return ids;
}

TEST(SheetOrder, ReadTabIdsAreWrittenBack) {
  struct Case {
    const char* fixture;
    const char* folder;
    std::vector<int> read, added, moved;  // as read; a sheet added; that sheet moved to the front
  } cases[] = {
      {"Test97.xls", THC_BIFF_TESTS "/fixtures", {1, 3}, {1, 3, 4}, {4, 1, 3}},
      {"Chart1.xls", THC_READER_FIXTURES, {1, 2}, {1, 2, 3}, {3, 1, 2}},  // a worksheet, a chart sheet
      // No TABID in the file: the sheets are numbered in tab order.
      {"perl_chart_sheets.xls", THC_DRAWING_FIXTURES, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    Book b(true);
    ReadInto(b, LoadFixture(c.fixture, c.folder));
    EXPECT_EQ(TabIds(b.Write()), c.read);
    b.wb.Add();
    EXPECT_EQ(TabIds(b.Write()), c.added);
    b.doc->MoveSheet(b.doc->Sheets().Count() - 1, 0);
    EXPECT_EQ(TabIds(b.Write()), c.moved);
  }
}

namespace wb = workbook;

std::unique_ptr<wb::TXLSSpreadsheet5> LoadComponent(const core::Bytes& File) {
  wb::TXLSSpreadsheetNeighbours n;
  RegisterLegacyNeighbours(n);
  auto xls = std::make_unique<wb::TXLSSpreadsheet5>(n);
  wb::TPointerMemoryStream in(File.data(), static_cast<std::int64_t>(File.size()));
  xls->LoadBIFFFromStream(in);
  return xls;
}

core::Bytes SaveComponent(wb::TXLSSpreadsheet5& Xls) {
  wb::TMemoryStream out;
  Xls.SaveToStream(out);
  core::Bytes bytes(static_cast<std::size_t>(out.GetSize()));
  out.Seek(0, wb::TSeekOrigin::soBeginning);
  out.Read(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

double CellNumber(wb::TXLSSpreadsheet5& X, int Sheet, int Col, int Row) {
  wb::TMMUCellRef ref;
  EXPECT_TRUE(X.GetItem(Sheet)->GetCells()->FindCell(Col, Row, ref));
  return wb::TXLSCellMMU::GetFormulaFloat(ref);
}

// Through the component in the legacy version: a sheet added and moved into the middle lands
// there among the chart sheets, which keep their places; formulas and the charts' series still
// refer to the sheets they named.
TEST(SheetOrder, MovedSheetsLandWhereAskedAmongChartSheets) {
  std::unique_ptr<wb::TXLSSpreadsheet5> own = LoadComponent(LoadFixture("perl_chart_sheets.xls"));
  wb::TXLSSpreadsheet5& xls = *own;
  ASSERT_EQ(xls.GetCount(), 2);
  xls.GetItem(1)->SetAsFormula(5, 0, u"=Data!B2*10");
  wb::TXLSWorksheet* added = xls.Add();
  added->SetName(u"New");
  added->SetAsFormula(0, 0, u"=Notes!F1+Data!A1");
  xls.MoveSheet(2, 1);
  ASSERT_EQ(xls.GetItem(1)->GetName(), u"New");
  xls.GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(CellNumber(xls, 2, 5, 0), 30);
  EXPECT_DOUBLE_EQ(CellNumber(xls, 1, 0, 0), 31);
  const core::Bytes once = SaveComponent(xls);
  const std::vector<Tab> tabs1 = {{"Columns", 2, 0x20}, {"Data", 0, 0x10},  {"Lines", 2, 0x20},
                                  {"New", 0, 0x10},     {"Notes", 0, 0x10}, {"Pie", 2, 0x20}};
  EXPECT_EQ(Tabs(once), tabs1);

  // Read back, the last worksheet moved to the front: it goes before Data, the other tabs keep
  // their order.
  std::unique_ptr<wb::TXLSSpreadsheet5> ownBack = LoadComponent(once);
  wb::TXLSSpreadsheet5& back = *ownBack;
  ASSERT_EQ(back.GetCount(), 3);
  back.MoveSheet(2, 0);  // Notes, Data, New
  back.GetItem(1)->SetAsFloat(0, 0, 2);  // Data!A1
  back.GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(CellNumber(back, 0, 5, 0), 30);  // Notes!F1 = Data!B2*10
  EXPECT_DOUBLE_EQ(CellNumber(back, 2, 0, 0), 32);  // New!A1 = Notes!F1+Data!A1
  const core::Bytes twice = SaveComponent(back);
  const std::vector<Tab> tabs2 = {{"Columns", 2, 0x20}, {"Notes", 0, 0x10}, {"Data", 0, 0x10},
                                  {"Lines", 2, 0x20},   {"New", 0, 0x10},   {"Pie", 2, 0x20}};
  EXPECT_EQ(Tabs(twice), tabs2);
  std::unique_ptr<wb::TXLSSpreadsheet5> third = LoadComponent(twice);
  third->GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(CellNumber(*third, 0, 5, 0), 30);
  EXPECT_DOUBLE_EQ(CellNumber(*third, 2, 0, 0), 32);

  // LibreOffice sees the chart sheets' series on the same ranges of Data as in the original.
  if (!core::testing::HaveTool("soffice") || !core::testing::HaveTool("unzip")) return;
  const core::testing::TempDir scratch("thc_sheet_order");
  const fs::path& dir = scratch.path();
  for (const auto& [name, bytes] : {std::pair<const char*, core::Bytes>{"original.xls", LoadFixture("perl_chart_sheets.xls")},
                                    {"moved.xls", twice}})
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
  core::testing::RunTool("cd " + dir.string() + " && timeout 240 soffice -env:UserInstallation=file://" + dir.string() +
                         "/profile --headless --convert-to xlsx --outdir " + dir.string() +
                         " original.xls moved.xls >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(dir / "original.xlsx") && fs::exists(dir / "moved.xlsx"));
  const TSeen a = Seen(dir / "original.xlsx"), b = Seen(dir / "moved.xlsx");
  ASSERT_EQ(a.Charts.size(), 3u);
  EXPECT_EQ(b.Charts, a.Charts);
}

}  // namespace
}  // namespace biff::testing
