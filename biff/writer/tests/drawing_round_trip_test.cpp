// Sheet drawings through the document: a note, a text box and a picture written by the writer,
// read back by the reader, and the note seen by python3-xlrd; the drawings of a file made by
// another program kept through a read and a write.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "biff/chart/chart_model.h"
#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "biff/reader/xls_reader.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"

namespace biff::testing {
namespace {

namespace fs = std::filesystem;

// A small PNG-like pattern: the store keeps the bytes as they are.
core::Bytes PictureBytes() {
  core::Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  for (int i = 0; i < 200; ++i) b.push_back(static_cast<std::uint8_t>(i * 7));
  return b;
}

void BuildDrawingSample(Book& b, bool WithCell = true) {
  if (WithCell) b.Cells(0)->WriteFloat(0, 0, 0, 1.0);  // a cell, so the sheet is not empty
  TEscherGroup& group = b.doc->EscherGroup();
  group.AddPicture().LoadFromStream(PictureBytes(), "logo.png", msoblipPNG);
  TEscherDrawing& d = b.doc->GetSheet(0)->Drawing();
  TShapeClientAnchor& note = d.AddNote();
  auto& n = static_cast<TShapeOutsideMsoNote&>(*note.Outside);
  n.SetText(u"Checked by QA");
  n.Author = u"Inspector";
  n.Col = 1;
  n.Row = 2;
  TShapeClientAnchor& box = d.AddTextBox();
  static_cast<TShapeOutsideMsoBaseText&>(*box.Outside).SetText(u"Box text");
  TShapeClientAnchor& pic = d.AddPicture();
  pic.Properties.SetValue(260, 1);  // the first picture of the store
}

template <class T>
int Count(const TEscherDrawing& D) {
  int n = 0;
  for (int i = 0; i < D.GetShapeCount(); ++i)
    if (dynamic_cast<T*>(D.GetShape(i).Outside.get())) ++n;
  return n;
}

void ReadInto(Book& B, const core::Bytes& File) {
  const core::ByteSpan span(File.data(), File.size());
  TXLSReadXLS(*B.doc).Read(&span);
}

void ExpectSample(Book& Back) {
  TEscherDrawing* d = Back.doc->GetSheet(0)->DrawingIfAny();
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->GetShapeCount(), 3);
  const auto* n = dynamic_cast<TShapeOutsideMsoNote*>(d->GetShape(0).Outside.get());
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Text, u"Checked by QA");
  EXPECT_EQ(n->Author, u"Inspector");
  EXPECT_EQ(n->Col, 1);
  EXPECT_EQ(n->Row, 2);
  const auto* t = dynamic_cast<TShapeOutsideMsoBaseText*>(d->GetShape(1).Outside.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Text, u"Box text");
  EXPECT_EQ(d->GetShape(2).ShapeType, 75u);
  EXPECT_EQ(d->GetShape(2).Properties.GetBlipId(), 1);
  ASSERT_EQ(Back.doc->EscherGroup().Count(), 1);
  EXPECT_EQ(Back.doc->EscherGroup().GetItem(0).Data, PictureBytes());
  EXPECT_EQ(Back.doc->EscherGroup().GetItem(0).Kind, msoblipPNG);
}

TEST(WriterDrawing, NoteTextBoxAndPictureReadBack) {
  Book b;
  BuildDrawingSample(b);
  const core::Bytes first = b.Write();
  const std::vector<Record> recs = Records(first);
  ASSERT_EQ(Find(recs, 0x00EB).size(), 1u) << "one drawing group";
  ASSERT_EQ(Find(recs, BIFFRECID_NOTE).size(), 1u);
  // The drawing stands before WINDOW2, as other programs expect it.
  EXPECT_LT(Find(recs, 0x00EC).front()->Pos, Find(recs, 0x023E).front()->Pos);

  Book back(true);
  ReadInto(back, first);
  ExpectSample(back);
  // Read and written again: the same drawing, and no raw copy of its records beside it.
  const core::Bytes second = back.Write();
  EXPECT_EQ(Find(Records(second), BIFFRECID_NOTE).size(), 1u);
  EXPECT_EQ(Find(Records(second), 0x00EB).size(), 1u);
  Book again(true);
  ReadInto(again, second);
  ExpectSample(again);
}

// A drawing that does not read leaves the rest of the file readable and its records kept raw.
TEST(WriterDrawing, BrokenDrawingStaysRaw) {
  Book b;
  BuildDrawingSample(b);
  core::Bytes file = b.Write();
  const std::vector<Record> recs = Records(file);
  const Record* first = Find(recs, 0x00EC).front();
  // The first OfficeArt header of the sheet drawing no longer names a DgContainer (patched in the
  // compound file where the record's bytes stand).
  core::Bytes head = {0xEC, 0x00, static_cast<std::uint8_t>(first->Body.size()), static_cast<std::uint8_t>(first->Body.size() >> 8)};
  head.insert(head.end(), first->Body.begin(), first->Body.begin() + 16);
  auto at = std::search(file.begin(), file.end(), head.begin(), head.end());
  ASSERT_NE(at, file.end());
  at[4 + 2] = 0x00;
  at[4 + 3] = 0x00;
  Book back(true);
  ReadInto(back, file);
  EXPECT_FALSE(back.doc->GetSheet(0)->HasShapes());
  const std::vector<Record> again = Records(back.Write());
  EXPECT_EQ(Find(again, 0x00EC).size(), Find(recs, 0x00EC).size());
  EXPECT_EQ(Find(again, BIFFRECID_NOTE).size(), 1u);
  EXPECT_EQ(Find(again, BIFFRECID_OBJ).size(), Find(recs, BIFFRECID_OBJ).size());
  EXPECT_EQ(Find(again, 0x00EB).size(), 1u) << "the picture store the raw drawing refers to";
  // The raw drawing's references are not seen: its picture is kept all the same.
  Book third(true);
  ReadInto(third, back.Write());
  EXPECT_EQ(third.doc->EscherGroup().Count(), 1);
}

// Pictures no shape uses are not written: one loaded and never placed, one whose picture frame
// was deleted after a read. The pictures still used keep their shapes' references right.
TEST(WriterDrawing, UnusedPicturesAreLeftOut) {
  Book b;
  BuildDrawingSample(b);
  TEscherGroup& group = b.doc->EscherGroup();
  core::Bytes second = PictureBytes();
  second.back() ^= 0xFF;
  // Entry 1 is never placed; entry 2 is placed and deleted after the read.
  group.AddPicture().LoadFromStream(core::Bytes(300, 7), "unused.png", msoblipPNG);
  group.AddPicture().LoadFromStream(second, "second.png", msoblipPNG);
  b.doc->GetSheet(0)->Drawing().AddPicture().Properties.SetValue(260, 3);
  Book back(true);
  ReadInto(back, b.Write());
  ASSERT_EQ(back.doc->EscherGroup().Count(), 2) << "the unused picture is gone";
  TEscherDrawing& d = back.doc->GetSheet(0)->Drawing();
  ASSERT_EQ(d.GetShapeCount(), 4);
  EXPECT_EQ(back.doc->EscherGroup().GetItem(d.GetShape(3).Properties.GetBlipId() - 1).Data, second);
  d.DeleteShape(d.GetShape(3).SpId);
  const core::Bytes file = back.Write();
  Book again(true);
  ReadInto(again, file);
  ExpectSample(again);
  // Neither left-out picture's bytes are in the file.
  EXPECT_EQ(std::search(file.begin(), file.end(), second.begin(), second.end()), file.end());
  const core::Bytes unused(300, 7);
  EXPECT_EQ(std::search(file.begin(), file.end(), unused.begin(), unused.end()), file.end());
}

// Drawings added to a workbook read from a file without any: the group finds its place.
TEST(WriterDrawing, DrawingAddedAfterARead) {
  Book plain;
  plain.Cells(0)->WriteFloat(0, 0, 0, 1.0);
  Book b(true);
  ReadInto(b, plain.Write());
  BuildDrawingSample(b, false);
  Book back(true);
  ReadInto(back, b.Write());
  ExpectSample(back);
}

TEST(WriterDrawing, BiffFiveLeavesDrawingsOut) {
  Book b;
  BuildDrawingSample(b);
  b.doc->SetVersion(5);
  const std::vector<Record> recs = Records(b.Write(), u"Book");
  EXPECT_TRUE(Find(recs, 0x00EB).empty());
  EXPECT_TRUE(Find(recs, 0x00EC).empty());
}

TEST(WriterDrawing, ForeignFileKeepsNotesPictureAndChart) {
  std::ifstream in(THC_DRAWING_FIXTURES "/perl_notes_chart.xls", std::ios::binary);
  ASSERT_TRUE(in);
  const core::Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto check = [](Book& B) {
    ASSERT_GE(B.doc->Sheets().Count(), 2);
    TEscherDrawing* s1 = B.doc->GetSheet(0)->DrawingIfAny();
    TEscherDrawing* s2 = B.doc->GetSheet(1)->DrawingIfAny();
    ASSERT_TRUE(s1 && s2);
    EXPECT_EQ(Count<TShapeOutsideMsoNote>(*s1), 2);
    int pictures = 0;
    for (int i = 0; i < s1->GetShapeCount(); ++i) pictures += s1->GetShape(i).ShapeType == 75;
    EXPECT_EQ(pictures, 1);
    EXPECT_EQ(Count<TShapeOutsideMsoChart>(*s2), 1);
    EXPECT_EQ(Count<TShapeOutsideMsoNote>(*s2), 1);
    EXPECT_EQ(B.doc->EscherGroup().Count(), 1);
  };
  Book b(true);
  ReadInto(b, file);
  check(b);
  Book back(true);
  ReadInto(back, b.Write());
  check(back);
}

// The report's line chart: the calls the console makes, on the sheet of its data (captions in
// row 28, values from row 29 to LastRow in columns B and C, categories in column A or D).
void BuildChartSample(Book& b, int LastRow = 40, char CategoryColumn = 'A') {
  workbook::TXLSCellMMU& c = *b.Cells(0);
  c.WriteString(0, 27, 0, u"t");
  c.WriteString(1, 27, 0, u"T1");
  c.WriteString(2, 27, 0, u"T2");
  for (int r = 28; r < LastRow; ++r)
    for (int k = 0; k < 3; ++k) c.WriteFloat(k, r, 0, r * (k + 1) * 0.5);
  if (CategoryColumn == 'D')
    for (int r = 28; r < LastRow; ++r) c.WriteFloat(3, r, 0, r - 27);
  const std::u16string last = core::u16(std::to_string(LastRow));
  auto range = [&](char16_t Col) {
    const std::u16string c(1, Col);
    return u"Sheet1!$" + c + u"$29:$" + c + u"$" + last;
  };
  const std::u16string category = range(static_cast<char16_t>(CategoryColumn));
  TSheet& sheet = *b.doc->GetSheet(0);
  for (int round = 0; round < 2; ++round) {  // a report made twice on the same sheet
    sheet.Charts().Clear();
    TDrwChart& ch = sheet.AddChart();
    ch.SetCol1(0);
    ch.SetRow1(9);
    ch.SetCol2(4);
    ch.SetRow2(26);
    ch.PlotArea.SetChartType(4);
    ch.PlotArea.SetHasLegend(true);
    ch.PlotArea.SetIs3D(false);
    ch.PlotArea.Frame.LineFormat.SetColorIndex(9);
    ch.PlotArea.Frame.AreaFormat.SetForeColorIndex(9);
    ch.PlotArea.Frame.LineFormat.SetPattern(5);
    ASSERT_NE(ch.PlotArea.Style, nullptr);
    ch.PlotArea.Style->SetHasDataFormat(true);
    ch.PlotArea.Style->DefDataPoint.MarkerFormat.SetMarkerType(0);
    TXLSChartSerie& s1 = ch.Series.GetItem(ch.Series.Count() - 1);
    s1.SetValues(range(u'B'));
    s1.SetCategory(category);
    s1.SetSerieName(u"Sheet1!$B$28");
    ch.Series.Add();
    TXLSChartSerie& s2 = ch.Series.GetItem(ch.Series.Count() - 1);
    s2.SetValues(range(u'C'));
    s2.SetSerieName(u"Sheet1!$C$28");
    s2.SetCategory(category);
  }
}

TEST(WriterDrawing, LineChartReadBack) {
  Book b;
  b.Sheet(0)->SetName(u"Sheet1");
  b.doc->GetSheet(0)->SetNameUnchecked(u"Sheet1");
  const int fontsBefore = b.m.StyleSheet->Fonts->Count();
  BuildChartSample(b);
  const int fontsAfterOne = b.m.StyleSheet->Fonts->Count();
  BuildChartSample(b);
  EXPECT_EQ(b.m.StyleSheet->Fonts->Count(), fontsAfterOne) << "charts made again add no fonts";
  EXPECT_LE(fontsAfterOne - fontsBefore, 1);
  ASSERT_EQ(b.doc->GetSheet(0)->Charts().Count(), 1);
  const core::Bytes file = b.Write();
  Book back(true);
  ReadInto(back, file);
  TDrwCharts* charts = back.doc->GetSheet(0)->ChartsIfAny();
  ASSERT_NE(charts, nullptr);
  ASSERT_EQ(charts->Count(), 1);
  TDrwChart& c = charts->GetItem(0);
  EXPECT_EQ(c.Series.Count(), 2);
  EXPECT_NE(dynamic_cast<TChartStyleLine*>(c.PlotArea.Style.get()), nullptr) << "a line chart";
  EXPECT_EQ(c.Row1(), 9);
  EXPECT_EQ(c.Col2(), 4);
}

// The report's workbook at full size: a line chart over 32,000 rows, a picture, a note and a text
// box. LibreOffice opens it, and its .xlsx holds the line chart with both series and their
// ranges, the picture, the note and the text box.
TEST(WriterDrawingInterop, LibreOfficeSeesTheReportWorkbook) {
  if (!core::testing::HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  if (!core::testing::HaveTool("unzip")) GTEST_SKIP() << "unzip not installed";
  Book b;
  b.Sheet(0)->SetName(u"Sheet1");
  b.doc->GetSheet(0)->SetNameUnchecked(u"Sheet1");
  BuildChartSample(b, 32028, 'D');
  BuildDrawingSample(b);
  const core::testing::TempDir scratch("thc_b5w_lo");
  const fs::path& dir = scratch.path();
  const fs::path file = dir / "chart.xls";
  b.doc->SetFilename(core::u16(file.string()));
  TXLSWriteXLS(*b.doc).Write(nullptr);
  const std::string cmd = "cd " + dir.string() + " && timeout 180 soffice -env:UserInstallation=file://" + dir.string() +
                          "/profile --headless --convert-to xlsx --outdir " + dir.string() + " " + file.string() +
                          " >/dev/null 2>&1";
  (void)std::system(cmd.c_str());
  const fs::path out = dir / "chart.xlsx";
  ASSERT_TRUE(fs::exists(out)) << "LibreOffice did not convert the file";
  auto unzip = [&](const std::string& Args) {
    return core::testing::RunTool("unzip " + Args, core::testing::Stderr::kDiscarded).output;
  };
  const std::string listing = unzip("-Z1 " + out.string());
  const std::string xml = unzip("-p " + out.string() + " xl/charts/chart1.xml");
  const std::string comments = unzip("-p " + out.string() + " 'xl/comments*.xml'");
  const std::string drawing = unzip("-p " + out.string() + " 'xl/drawings/drawing*.xml'");
  EXPECT_NE(xml.find("<c:lineChart>"), std::string::npos) << xml.substr(0, 2000);
  int series = 0;
  for (std::size_t p = xml.find("<c:ser>"); p != std::string::npos; p = xml.find("<c:ser>", p + 1)) ++series;
  EXPECT_EQ(series, 2);
  for (const char* range : {"Sheet1!$B$29:$B$32028", "Sheet1!$C$29:$C$32028", "Sheet1!$D$29:$D$32028"})
    EXPECT_NE(xml.find(range), std::string::npos) << range;
  EXPECT_NE(listing.find("xl/media/"), std::string::npos) << listing;
  EXPECT_NE(comments.find("Checked by QA"), std::string::npos) << listing;
  EXPECT_NE(drawing.find("Box text"), std::string::npos) << drawing.substr(0, 2000);
}

// python3-xlrd reads the note of a written file.
TEST(WriterDrawingInterop, XlrdSeesTheNote) {
  if (!core::testing::HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd not installed";
  Book b;
  BuildDrawingSample(b);
  const core::testing::TempDir dir("thc_b5w");
  const fs::path file = dir.path() / "notes.xls";
  b.doc->SetFilename(core::u16(file.string()));
  TXLSWriteXLS(*b.doc).Write(nullptr);
  const std::string cmd = "/usr/bin/python3 -c \"import xlrd,sys; b=xlrd.open_workbook(sys.argv[1], formatting_info=True); "
                          "s=b.sheet_by_index(0); [print(k, repr(n.text), n.author) for k, n in sorted(s.cell_note_map.items())]\" " +
                          core::testing::Quoted(file);
  const core::testing::ToolRun run = core::testing::RunTool(cmd);
  const std::string& out = run.output;
  EXPECT_EQ(run.status, 0) << out;
  EXPECT_EQ(out, "(2, 1) 'Checked by QA' Inspector\n");
}

}  // namespace
}  // namespace biff::testing
