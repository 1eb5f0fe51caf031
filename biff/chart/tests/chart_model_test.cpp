#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "biff/biff_error.h"
#include "biff/chart/chart_model.h"
#include "biff/drawing/tests/drawing_test_util.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "workbook/style_records.h"

using namespace biff;

namespace {

core::Bytes Hex(const char* S) {
  core::Bytes b;
  unsigned v;
  int n;
  while (std::sscanf(S, " %2x%n", &v, &n) == 1) {
    b.push_back(static_cast<std::uint8_t>(v));
    S += n;
  }
  return b;
}

core::Bytes Cat(core::Bytes A, const core::Bytes& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

TChartRecord& Child(TChartRecord& R, std::uint16_t Id, int Nth = 0) {
  for (int i = 0; i < R.Count(); ++i)
    if (R.Item(i).RecordId == Id && Nth-- == 0) return R.Item(i);
  throw std::runtime_error("no child " + std::to_string(Id));
}

// The first difference between two trees, empty when they are equal.
std::string Diff(const TChartRecord& A, const TChartRecord& B, const std::string& Path = "") {
  if (A.RecordId != B.RecordId) return Path + ": id " + std::to_string(A.RecordId) + " vs " + std::to_string(B.RecordId);
  const std::string here = Path + "/" + std::to_string(A.RecordId);
  if (A.Data != B.Data) return here + ": data differs";
  if (A.Count() != B.Count())
    return here + ": " + std::to_string(A.Count()) + " vs " + std::to_string(B.Count()) + " children";
  for (int i = 0; i < A.Count(); ++i) {
    std::string d = Diff(A.Item(i), B.Item(i), here + "[" + std::to_string(i) + "]");
    if (!d.empty()) return d;
  }
  return {};
}

struct Fixture {
  workbook::TXc12Fonts fonts;
  TEscherDrawing drawing;
  TFormulaHandler handler;
  TDrwCharts charts;

  static TDrawingServices Services(workbook::TXc12Fonts& Fonts) {
    TDrawingServices s;
    s.Fonts.FromFile = [&Fonts](int i) { return i >= 0 && i < Fonts.Count() ? Fonts.GetItem(i) : nullptr; };
    s.Fonts.ToFile = [](const workbook::TXc12Font& f) { return f.Index; };
    s.Fonts.NewChartFont = [&Fonts] { return Fonts.Count() > 6 ? Fonts.GetItem(6) : Fonts.Add(); };
    s.TextId = [] { return 7u; };
    return s;
  }

  Fixture() : drawing(nullptr, Services(fonts)), charts(&drawing, &handler) {
    for (int i = 0; i < 6; ++i) fonts.Add();
    handler.OnSheetIndex = [](const std::u16string& Name, int& Index, int& Count) {
      Count = 1;
      Index = Name == u"Sheet1" ? 0 : -1;
    };
    handler.OnSheetName = [](std::uint8_t Kind, int Index, std::u16string& Text, int, int) {
      if (Kind == 0 && Index == 0) Text = u"Sheet1";
    };
  }

  // The default chart of a new tree, as the records table makes it.
  std::unique_ptr<TChartRecordUpdate> DefaultTree() {
    auto root = NewChartRoot(nullptr);
    AddDefaultChartRecords(*root, 0, drawing.Services().Fonts);
    return root;
  }
};

// 3-D area reference tokens of sheet entry 0 with absolute corners.
core::Bytes Area3D(int Row1, int Row2, int Col) {
  core::Bytes b{0x3b, 0, 0};
  for (int v : {Row1, Row2, Col, Col}) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  return b;
}

core::Bytes AIBody(std::uint8_t LinkId, const core::Bytes& Tokens) {
  core::Bytes b{LinkId, 2, 0, 0, 0, 0, static_cast<std::uint8_t>(Tokens.size()), 0};
  return Cat(b, Tokens);
}

// The calls the report builder makes to put its line chart on a sheet.
TDrwChart& ReportChart(Fixture& f) {
  f.charts.Clear();
  TDrwChart& c = f.charts.AddChart(0);
  c.SetCol1(0);
  c.SetRow1(9);
  c.SetCol2(4);
  c.SetRow2(26);
  c.PlotArea.SetChartType(4);
  c.PlotArea.SetHasLegend(true);
  c.PlotArea.SetIs3D(false);
  c.PlotArea.Frame.LineFormat.SetColorIndex(9);
  c.PlotArea.Frame.AreaFormat.SetForeColorIndex(9);
  c.PlotArea.Frame.LineFormat.SetPattern(5);
  if (!c.PlotArea.Style) throw std::runtime_error("no chart group");
  c.PlotArea.Style->SetHasDataFormat(true);
  c.PlotArea.Style->DefDataPoint.MarkerFormat.SetMarkerType(0);
  TXLSChartSerie& s1 = c.Series.GetItem(c.Series.Count() - 1);
  s1.SetValues(u"Sheet1!$B$29:$B$40");
  s1.SetCategory(u"Sheet1!$A$29:$A$40");
  s1.SetSerieName(u"Sheet1!$B$28");
  c.Series.Add();
  TXLSChartSerie& s2 = c.Series.GetItem(c.Series.Count() - 1);
  s2.SetValues(u"Sheet1!$C$29:$C$40");
  s2.SetSerieName(u"Sheet1!$C$28");
  s2.SetCategory(u"Sheet1!$A$29:$A$40");
  return c;
}

}  // namespace

TEST(ChartModel, ReportSequenceChangesOnlyTheListedRecords) {
  Fixture f;
  TDrwChart& c = ReportChart(f);
  TXLSChartSerie& s1 = c.Series.GetItem(0);
  TXLSChartSerie& s2 = c.Series.GetItem(1);
  EXPECT_EQ(c.Col1(), 0);
  EXPECT_EQ(c.Row1(), 9);
  EXPECT_EQ(c.Col2(), 4);
  EXPECT_EQ(c.Row2(), 26);
  EXPECT_EQ(c.Col1Offset(), 0.0);
  EXPECT_EQ(c.Series.Count(), 2);
  EXPECT_EQ(c.Name, "Chart 0");

  // The expected tree: the default chart with exactly the listed changes applied by hand.
  auto want = f.DefaultTree();
  TChartRecord& chart = Child(*want, chrCHART);
  TChartRecord& cf = Child(Child(chart, chrAXISPARENT), chrCHARTFORMAT);
  ASSERT_EQ(cf.Item(0).RecordId, chrBAR);
  cf.Extract(0);
  cf.Insert(0, std::make_unique<TChartRecord>(&cf, chrLINE, Hex("00 00")));
  TChartRecord& df = cf.Append(std::make_unique<TChartRecord>(&cf, chrDATAFORMAT, Hex("00 00 00 00 fd ff 00 00")));
  AddDefaultChartRecords(df, 3, f.drawing.Services().Fonts);
  TChartRecord& marker = Child(df, chrMARKERFORMAT);
  marker.SetWord(8, 0);
  marker.SetWord(10, 0);
  TChartRecord& frame = Child(Child(chart, chrAXISPARENT), chrFRAME);
  Child(frame, chrLINEFORMAT).Data = Hex("ff ff ff 00 05 00 00 00 00 00 09 00");
  Child(frame, chrAREAFORMAT).Data = Hex("ff ff ff 00 00 00 00 00 01 00 00 00 09 00 4f 00");
  TChartRecord& ser = Child(chart, chrSERIES);
  ser.SetWord(6, 12);
  const core::Bytes name1 = f.handler.EncodeFormula(u"Sheet1!$B$28");
  const core::Bytes name2 = f.handler.EncodeFormula(u"Sheet1!$C$28");
  ASSERT_FALSE(name1.empty());
  auto fill = [&](TChartRecord& S, int ValueCol, const core::Bytes& Name) {
    S.Item(0).Data = AIBody(0, Name);
    S.Item(1).Data = AIBody(1, Area3D(28, 39, ValueCol));
    S.Item(2).Data = AIBody(2, Area3D(28, 39, 0));
  };
  fill(ser, 1, name1);
  const int at = [&] {
    for (int i = 0; i < chart.Count(); ++i)
      if (&chart.Item(i) == &ser) return i + 1;
    return -1;
  }();
  TChartRecord& ser2 = chart.Insert(at, std::make_unique<TChartRecord>(&chart, chrSERIES, ser.Data));
  AddDefaultChartRecords(ser2, 2, f.drawing.Services().Fonts);
  ASSERT_EQ(ser2.Count(), 6);
  fill(ser2, 2, name2);

  ASSERT_NE(c.Rec, nullptr);
  EXPECT_EQ(Diff(*c.Rec, *want), "");
  EXPECT_EQ(s1.Values(), u"Sheet1!$B$29:$B$40");
  EXPECT_EQ(s2.SerieName(), u"Sheet1!$C$28");
}

TEST(ChartModel, SeriesNamesValuesAndCounts) {
  Fixture f;
  TDrwChart& c = f.charts.AddChart(0);
  TXLSChartSerie& s = c.Series.GetItem(0);
  s.SetValues(u"Sheet1!$B$1:$B$72");
  TChartRecord& ser = *s.Record();
  EXPECT_EQ(ser.Word(6), 72);
  EXPECT_EQ(ser.Word(4), 10) << "the category count stays";
  s.SetValues(u"1+2");  // no area: the count stays
  EXPECT_EQ(ser.Word(6), 72);
  s.SetValues(u"Sheet1!$B$1:$C$4");
  EXPECT_EQ(ser.Word(6), 8);

  s.SetCategory(u"Sheet1!$A$1:$A$8");
  s.SetSerieName(u"\"Temp\"");
  ASSERT_EQ(ser.Item(1).RecordId, 0x100D);
  EXPECT_EQ(ser.Item(1).Data, Hex("00 00 04 01 54 00 65 00 6d 00 70 00"));
  EXPECT_EQ(ser.Item(0).Data[1], 1);
  EXPECT_EQ(s.SerieName(), u"\"Temp\"");
  EXPECT_EQ(s.Values(), u"Sheet1!$B$1:$C$4");
  EXPECT_EQ(s.Category(), u"Sheet1!$A$1:$A$8");
  s.SetSerieName(u"\"Hu\"");  // the SERIESTEXT is reused
  EXPECT_EQ(ser.Count(), 7);
  EXPECT_EQ(s.SerieName(), u"\"Hu\"");

  s.SetSerieName(u"Sheet1!$B$1");
  EXPECT_EQ(ser.Item(0).Data[1], 2);
  EXPECT_GT(ser.Item(0).Word(6), 0);
  EXPECT_EQ(s.SerieName(), u"Sheet1!$B$1");

  s.SetValues(u"");
  EXPECT_EQ(s.Values(), u"");
  EXPECT_EQ(s.Record()->Item(2).Data[1], 1);
}

TEST(ChartModel, SeriesGeometryAndDefaultDataPoint) {
  Fixture f;
  TXLSChartSerie& s = f.charts.AddChart(0).Series.GetItem(0);
  const struct {
    TSerieItemGeomtery g;
    const char* bytes;
  } cases[] = {{sigCylinder, "01 00"}, {sigPyramid, "00 01"}, {sigChoppedPyramid, "00 02"},
               {sigCone, "01 01"},     {sigChoppedCone, "01 02"}, {sigDefault, "00 00"}};
  TChartRecord& shape = Child(Child(*s.Record(), chrDATAFORMAT), chr3DBARSHAPE);
  for (const auto& t : cases) {
    s.SetGeomtery(t.g);
    EXPECT_EQ(shape.Data, Hex(t.bytes));
    EXPECT_EQ(s.Geomtery(), t.g);
  }
  s.SetGeomtery(sigLast);
  EXPECT_EQ(s.Geomtery(), sigDefault);
  shape.Data = Hex("07 07");
  EXPECT_EQ(s.Geomtery(), sigDefault);

  EXPECT_FALSE(s.HasDefDataPoint());
  EXPECT_THROW(s.DefDataPoint.MarkerFormat.SetMarkerType(0), Exception);
  s.SetHasDefDataPoint(true);
  EXPECT_TRUE(s.HasDefDataPoint());
  EXPECT_EQ(Child(*s.Record(), chrDATAFORMAT).Count(), 6);
  s.DefDataPoint.MarkerFormat.SetMarkerType(0);
  EXPECT_EQ(s.DefDataPoint.MarkerFormat.MarkerType(), 0);
}

TEST(ChartModel, ChartTypeLegendAnd3D) {
  Fixture f;
  TDrwChart& c = f.charts.AddChart(0);
  TChartPlotArea& p = c.PlotArea;
  EXPECT_EQ(p.GetChartType(), 3);
  EXPECT_TRUE(p.GetHasLegend());
  EXPECT_FALSE(p.GetIs3D());
  TChartRecord& cf = *p.Style->Record();

  // The current bar type is kept, with whatever the group holds.
  static_cast<TChartStyleBarColumn&>(*p.Style).SetHorizontal(true);
  p.SetChartType(3);
  EXPECT_EQ(cf.Item(0).Word(4) & 1, 1);

  p.SetChartType(4);
  ASSERT_EQ(cf.Count(), 3);
  EXPECT_EQ(cf.Item(0).RecordId, chrLINE);
  p.Style->SetHasDataFormat(true);
  EXPECT_EQ(cf.Count(), 4);
  p.SetChartType(4);  // the line type it has: the data format set on it stays
  EXPECT_EQ(cf.Count(), 4);
  EXPECT_TRUE(p.Style->GetHasDataFormat());

  // Every type reports its code, so setting it again keeps the group; scatter has two codes.
  const struct {
    int Set, Reported;
    std::uint16_t Record;
  } types[] = {{1, 1, 0x101A}, {2, 2, 0x101B}, {3, 3, chrBAR}, {4, 4, chrLINE}, {5, 5, 0x1019},
               {6, 6, 0x103E}, {7, 2, 0x101B}, {8, 8, 0x103F}};
  for (const auto& t : types) {
    p.SetChartType(t.Set);
    EXPECT_EQ(p.GetChartType(), t.Reported) << t.Set;
    EXPECT_EQ(cf.Item(0).RecordId, t.Record) << t.Set;
    p.SetIs3D(true);
    p.SetChartType(t.Set);
    EXPECT_TRUE(p.GetIs3D()) << t.Set << ": the group was built again";
    p.SetIs3D(false);
  }

  p.SetChartType(1);
  EXPECT_EQ(cf.Item(0).RecordId, 0x101A);
  EXPECT_TRUE(p.Style->GetHasDataFormat());
  p.SetChartType(3);
  EXPECT_EQ(cf.Item(0).Data, Hex("00 00 96 00 00 00")) << "columns, not bars";

  p.SetIs3D(true);
  ASSERT_EQ(cf.Item(2).RecordId, chrCHART3D);
  EXPECT_TRUE(p.GetIs3D());
  p.SetIs3D(false);
  EXPECT_FALSE(p.GetIs3D());
  EXPECT_EQ(IndexOfChartRecord(cf, chrCHART3D), -1);

  p.SetHasLegend(false);
  EXPECT_FALSE(p.GetHasLegend());
  EXPECT_EQ(IndexOfChartRecord(cf, chrLEGEND), -1);
  p.SetHasLegend(true);
  EXPECT_TRUE(p.GetHasLegend());
  EXPECT_EQ(Child(cf, chrLEGEND).Data, Hex("3c 0e 00 00 ce 06 00 00 50 01 00 00 5e 01 00 00 03 01 1f 00"));

  for (int bad : {0, 9, -1}) EXPECT_THROW(p.SetChartType(bad), Exception) << bad;
}

TEST(ChartModel, SheetOptionsAndClear) {
  Fixture f;
  TDrwChart& c = f.charts.AddChart(0);
  EXPECT_EQ(c.SheetOptions(), csoOnlyVisibleCells);
  c.SetSheetOptions(csoDoNotSize);
  EXPECT_EQ(Child(*c.ChartRecord(), chrSHTPROPS).Word(0), 0x0c);
  EXPECT_EQ(c.SheetOptions(), csoDoNotSize);

  f.charts.AddChart(0);
  EXPECT_EQ(f.charts.GetItem(1).Name, "Chart 1");
  EXPECT_EQ(f.drawing.GetShapeCount(), 2);
  f.charts.Clear();
  EXPECT_EQ(f.charts.Count(), 0);
  EXPECT_EQ(f.drawing.GetShapeCount(), 0);
}

TEST(ChartModel, BindingFaults) {
  Fixture f;
  TDrwChart& c = f.charts.AddChart(0);
  TChartRecord& chart = *c.ChartRecord();
  auto expect = [&](const char* what) {
    try {
      c.BindRecords(c.Rec);
      ADD_FAILURE() << "no exception, expected " << what;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), what);
    }
  };
  TChartRecord& cf = Child(Child(chart, chrAXISPARENT), chrCHARTFORMAT);
  const std::uint16_t style = cf.Item(0).RecordId;
  cf.Item(0).RecordId = 0x1234;
  expect("Unknown chart style 1234");
  cf.Item(0).RecordId = style;
  TChartRecord& axis = Child(Child(chart, chrAXISPARENT), chrAXIS);
  axis.SetWord(0, 5);
  expect("Unknown axis type 5");
  axis.SetWord(0, 0);
  const int t = IndexOfChartRecord(chart, chrDEFAULTTEXT);
  auto text = chart.Extract(t + 1);
  expect("Excpected Chart record missing: TEXT");
  chart.Insert(t + 1, std::move(text));
  c.BindRecords(c.Rec);
  EXPECT_THROW(c.BindRecords(nullptr), Exception);
  TChartRecord& dff = Child(Child(chart, chrSERIES), chrDATAFORMAT);
  dff.Clear();
  expect("DATAFORMAT has no child records");
}

TEST(ChartModel, AddFromShapeBindsTheShapesTree) {
  Fixture f;
  TDrwChart& made = f.charts.AddChart(0);
  made.Series.GetItem(0).SetValues(u"Sheet1!$D$2:$D$9");
  TDrwCharts again(&f.drawing, &f.handler);
  TDrwChart& read = again.AddFromShape(*made.Shape);
  EXPECT_EQ(read.Rec, made.Rec);
  EXPECT_EQ(read.Series.Count(), 1);
  EXPECT_EQ(read.Series.GetItem(0).Values(), u"Sheet1!$D$2:$D$9");
  EXPECT_EQ(f.drawing.GetShapeCount(), 1) << "no new shape";
  EXPECT_TRUE(read.DefaultTextA.HasRecord());
  EXPECT_TRUE(read.DefaultTextB.HasRecord());
  EXPECT_EQ(read.PlotArea.GetChartType(), 3);
}

TEST(ChartModel, GelFrameIsWrittenFromItsPropertyTable) {
  // OPT with two properties (fill type, fill colour), then a tertiary table record.
  const core::Bytes opt = Hex("23 00 0b f0 0c 00 00 00 80 01 07 00 00 00 81 01 ff 00 00 00");
  const core::Bytes tertiary = Hex("13 00 22 f1 06 00 00 00 bf 01 10 00 10 00");
  const core::Bytes both = Cat(opt, tertiary);
  TChartRecord frame(nullptr, chrFRAME);
  auto& gel = static_cast<TChartRecordUpdate&>(
      frame.Append(std::make_unique<TChartRecordUpdate>(&frame, chrGELFRAME, both)));
  {
    TPaintFrame paint;
    paint.AssignRecords(&frame);
    EXPECT_TRUE(gel.Data.empty()) << "the bytes live in the table until written";
    EXPECT_EQ(paint.GelFrame.Properties().GetValue(0x0181), 0xff);
    paint.GelFrame.Properties().SetValue(0x0181, 0x00ff00);
    paint.AssignRecords(&frame);  // binding again keeps what was set
    EXPECT_EQ(paint.GelFrame.Properties().GetValue(0x0181), 0x00ff00);
  }
  // The wrapper is gone; the record still writes itself, the same each time.
  ASSERT_TRUE(gel.OnUpdate);
  gel.OnUpdate(gel);
  const core::Bytes first = gel.Data;
  gel.OnUpdate(gel);
  EXPECT_EQ(gel.Data, first);
  EXPECT_EQ(first, Cat(Hex("23 00 0b f0 0c 00 00 00 80 01 07 00 00 00 81 01 00 ff 00 00"), tertiary));

  const struct {
    const char* data;
    const char* error;
  } bad[] = {{"13 00 22 f1 06 00 00 00 bf 01 10 00 10 00", "First MSO record in Gelframe is not OPT"},
             {"23 00 0b f0 ff 00 00 00 80 01", "Invalid MSO record length in Gelframe"}};
  for (const auto& b : bad) {
    TChartRecordUpdate r(nullptr, chrGELFRAME, Hex(b.data));
    TGelFrame g;
    try {
      g.AssignRecords(&r);
      ADD_FAILURE() << b.error;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), b.error);
    }
  }
}

TEST(ChartModel, ReportChartSurvivesWriteAndRead) {
  Fixture f;
  ReportChart(f);
  const core::Bytes bytes = drawing_test::Write(f.drawing);

  TEscherDrawing back(nullptr, Fixture::Services(f.fonts));
  TDrwCharts charts(&back, &f.handler);
  back.OnShapeRead = [&](TEscherDrawing&, TShape& s) {
    if (s.ObjType() == otChart) charts.AddFromShape(static_cast<TShapeClientAnchor&>(s));
  };
  EXPECT_TRUE(drawing_test::Read(back, bytes).empty());
  ASSERT_EQ(charts.Count(), 1);
  TDrwChart& c = charts.GetItem(0);
  EXPECT_EQ(c.Row1(), 9);
  EXPECT_EQ(c.Row2(), 26);
  ASSERT_EQ(c.Series.Count(), 2);
  EXPECT_EQ(c.Series.GetItem(1).Values(), u"Sheet1!$C$29:$C$40");
  EXPECT_EQ(c.Series.GetItem(1).Category(), u"Sheet1!$A$29:$A$40");
  EXPECT_EQ(c.Series.GetItem(0).SerieName(), u"Sheet1!$B$28");
  EXPECT_EQ(c.PlotArea.Style->Record()->Item(0).RecordId, chrLINE);
  EXPECT_TRUE(c.PlotArea.GetHasLegend());
  EXPECT_EQ(c.PlotArea.Frame.LineFormat.ColorIndex(), 9);
  EXPECT_EQ(c.PlotArea.Frame.LineFormat.Pattern(), 5);
  EXPECT_EQ(c.PlotArea.Style->DefDataPoint.MarkerFormat.MarkerType(), 0);
  EXPECT_EQ(drawing_test::Write(back), bytes);

  // The chart's sub-stream seeds the fuzz corpus when THC_CHART_CORPUS names a folder.
  if (const char* dir = std::getenv("THC_CHART_CORPUS")) {
    TXLSStream w;
    w.CreateMemory();
    WriteChartRecords(*c.Rec, w, f.drawing.Services().Fonts);
    const core::Bytes seed = w.MemoryBytes();
    std::ofstream(std::filesystem::path(dir) / "report_chart.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
  }
}

TEST(ChartModel, ChartSheetIsReadAndWrittenBack) {
  Fixture f;
  auto tree = f.DefaultTree();
  TXLSStream w;
  w.CreateMemory();
  WriteChartRecords(*tree, w, f.drawing.Services().Fonts);
  const core::Bytes bytes = w.MemoryBytes();

  TSheetCharts sheets(nullptr, Fixture::Services(f.fonts));
  TXLSStream r;
  r.CreateMemory();
  r.Write(bytes.data(), static_cast<int>(bytes.size()));
  r.Seek(0, 0);
  TBIFFHeader h;
  ASSERT_EQ(r.ReadHeader(h), 4);
  ASSERT_EQ(h.RecID, chrBOF);
  core::Bytes bof(h.Length);
  r.Read(bof.data(), h.Length);
  TSheetChart& sc = sheets.ReadChartSheet(r, u"Temperatures", 2, bof);
  EXPECT_EQ(sc.Name, u"Temperatures");
  EXPECT_EQ(sc.SheetIndex, 2);
  EXPECT_EQ(sc.Root().Count(), tree->Count());

  TXLSStream again;
  again.CreateMemory();
  sheets.WriteChartSheet(0, again);
  EXPECT_EQ(again.MemoryBytes(), bytes);
  EXPECT_THROW(sheets.WriteChartSheet(1, again), Exception);
}

#ifdef THC_DRAWING_FIXTURES
// An embedded line chart written by Perl's .xls writer (Debian): its tree binds, reads its series
// through the file's own EXTERNSHEET list, takes the report builder's edits and is written again.
TEST(ChartModel, ForeignChartBindsAndEdits) {
  workbook::TXc12Fonts fonts;
  for (int i = 0; i < 8; ++i) fonts.Add();
  TFormulaHandler handler;
  const std::u16string names[] = {u"Notes", u"Chart data"};
  handler.OnSheetName = [&](std::uint8_t Kind, int Index, std::u16string& Text, int, int) {
    if (Kind == 0 && Index >= 0 && Index < 2) Text = names[Index];
  };
  handler.OnSheetIndex = [&](const std::u16string& Name, int& Index, int& Count) {
    Count = 2;
    Index = Name == names[0] ? 0 : Name == names[1] ? 1 : -1;
  };
  // Reads the second sheet's drawing from the file; with Charts, its charts are bound.
  auto readSheet2 = [&](TDrwCharts* Charts, std::unique_ptr<TEscherDrawing>& D) {
    TXLSStream s;
    s.Open(THC_DRAWING_FIXTURES "/perl_notes_chart.xls");
    TBIFFHeader h;
    int sheet = -1;
    while (s.ReadHeader(h) == 4) {
      if (h.RecID == chrBOF) {
        core::Bytes b(h.Length);
        s.Read(b.data(), h.Length);
        if (b.size() >= 4 && core::load_le16(b.data() + 2) == 0x0010) ++sheet;
        continue;
      }
      if (sheet == 1 && h.RecID == chrMSODRAWING && D->GetShapeCount() == 0) {
        if (Charts)
          D->OnShapeRead = [Charts](TEscherDrawing&, TShape& sh) {
            if (sh.ObjType() == otChart) Charts->AddFromShape(static_cast<TShapeClientAnchor&>(sh));
          };
        s.BeginCONTINUERead();
        D->ReadFromStream(s, h.Length);
        s.EndCONTINUERead();
        continue;
      }
      core::Bytes b(h.Length);
      if (h.Length) s.Read(b.data(), h.Length);
      if (Charts && sheet < 0 && h.RecID == 0x01AE) handler.ExternalNames().AddSupBook(b.data(), h.Length);
      if (Charts && sheet < 0 && h.RecID == 0x0017) handler.ExternalNames().ReadExternSheet(b.data(), h.Length);
    }
  };
  auto sheet2 = std::make_unique<TEscherDrawing>(nullptr, Fixture::Services(fonts));
  auto owned = std::make_unique<TDrwCharts>(sheet2.get(), &handler);
  TDrwCharts* charts = owned.get();
  readSheet2(charts, sheet2);
  ASSERT_NE(charts, nullptr);
  ASSERT_EQ(charts->Count(), 1);
  TDrwChart& c = charts->GetItem(0);
  ASSERT_EQ(c.Series.Count(), 1);
  EXPECT_EQ(c.Series.GetItem(0).Values(), u"'Chart data'!$A$1:$A$5");
  EXPECT_EQ(c.Series.GetItem(0).SerieName(), u"\"Squares\"");
  ASSERT_TRUE(c.PlotArea.Style);
  EXPECT_EQ(c.PlotArea.Style->Record()->Item(0).RecordId, chrLINE);

  // Binding changes no byte: the bound drawing writes what an unbound read of the file writes.
  auto plain = std::make_unique<TEscherDrawing>(nullptr, Fixture::Services(fonts));
  readSheet2(nullptr, plain);
  ASSERT_GT(plain->GetShapeCount(), 0);
  EXPECT_EQ(drawing_test::Write(*sheet2), drawing_test::Write(*plain));

  c.PlotArea.SetChartType(4);
  c.PlotArea.Style->SetHasDataFormat(true);
  c.PlotArea.Style->DefDataPoint.MarkerFormat.SetMarkerType(0);
  c.Series.GetItem(0).SetValues(u"'Chart data'!$A$1:$A$4");
  TXLSChartSerie& added = c.Series.Add();
  added.SetValues(u"'Chart data'!$B$1:$B$4");
  EXPECT_EQ(added.Record()->Word(6), 4);
  EXPECT_EQ(c.Series.GetItem(0).Record()->Word(6), 4);
  EXPECT_EQ(c.Series.GetItem(1).Values(), u"'Chart data'!$B$1:$B$4");
}
#endif
