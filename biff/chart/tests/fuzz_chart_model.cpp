// Fuzz target: a chart sub-stream read into a chart shape, bound to the chart wrappers the way a
// chart read from a file is, edited through the report builder's setters and written again; the
// same bytes read as the records of a chart sheet after its BOF (with the drawing a chart sheet
// may hold) and written again.
#include <cstdint>
#include <exception>

#include "biff/chart/chart_model.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "workbook/style_records.h"

namespace {

void ReadAsChartSheet(const std::uint8_t* data, std::size_t size, const biff::TDrawingServices& services) {
  biff::TEscherGroup group;
  biff::TSheetCharts sheets(&group, services);
  biff::TXLSStream in;
  in.CreateMemory();
  in.Write(data, static_cast<int>(size));
  in.Seek(0, 0);
  const std::uint8_t bof[16] = {0x00, 0x06, 0x20, 0x00};
  try {
    sheets.ReadChartSheet(in, u"Chart1", 0, core::ByteSpan(bof, sizeof bof));
  } catch (const std::exception&) {
    return;
  }
  try {
    biff::TXLSStream out;
    out.CreateMemory();
    sheets.WriteChartSheet(0, out);
  } catch (const std::exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  workbook::TXc12Fonts fonts;
  for (int i = 0; i < 6; ++i) fonts.Add();
  biff::TDrawingServices services;
  services.TextId = [] { return 1u; };
  services.Fonts.FromFile = [&fonts](int i) { return i >= 0 && i < fonts.Count() ? fonts.GetItem(i) : nullptr; };
  services.Fonts.ToFile = [](const workbook::TXc12Font& f) { return f.Index; };
  services.Fonts.NewChartFont = [&fonts] { return fonts.GetItem(0); };
  ReadAsChartSheet(data, size, services);
  biff::TEscherDrawing drawing(nullptr, services);
  biff::TFormulaHandler handler;
  handler.OnSheetIndex = [](const std::u16string& Name, int& Index, int& Count) {
    Count = 1;
    Index = Name == u"Sheet1" ? 0 : -1;
  };
  handler.OnSheetName = [](std::uint8_t Kind, int Index, std::u16string& Text, int, int) {
    if (Kind == 0 && Index == 0) Text = u"Sheet1";
  };
  handler.ExternalNames().GetInternalSheetRef(0, 1);
  biff::TShapeClientAnchor& shape = drawing.AddChart();
  biff::TChartRecordUpdate& root = biff::ChartRootOfShape(shape);
  biff::TXLSStream in;
  in.CreateMemory();
  in.Write(data, static_cast<int>(size));
  in.Seek(0, 0);
  try {
    biff::ReadChartRecords(root, in, services.Fonts);
  } catch (const std::exception&) {
    return 0;
  }
  biff::TDrwCharts charts(&drawing, &handler);
  biff::TDrwChart* chart = nullptr;
  try {
    chart = &charts.AddFromShape(shape);
  } catch (const std::exception&) {
    return 0;
  }
  // Each step may fail on a damaged tree; the failure must be an exception, never a crash.
  auto step = [](auto&& Fn) {
    try {
      Fn();
    } catch (const std::exception&) {
    }
  };
  for (int i = 0; i < chart->Series.Count(); ++i) {
    biff::TXLSChartSerie& s = chart->Series.GetItem(i);
    step([&] { (void)s.Values(); });
    step([&] { (void)s.SerieName(); });
    step([&] { (void)s.Geomtery(); });
  }
  step([&] { chart->PlotArea.SetChartType(4); });
  step([&] { chart->PlotArea.SetHasLegend(true); });
  step([&] { chart->PlotArea.SetIs3D(true); });
  step([&] { chart->PlotArea.Frame.LineFormat.SetColorIndex(9); });
  step([&] {
    if (chart->PlotArea.Style) chart->PlotArea.Style->SetHasDataFormat(true);
  });
  step([&] {
    biff::TXLSChartSerie& s = chart->Series.GetItem(chart->Series.Count() - 1);
    s.SetValues(u"Sheet1!$B$2:$B$9");
    s.SetSerieName(u"\"Name\"");
  });
  step([&] { chart->Series.Add(); });
  step([&] { (void)chart->SheetOptions(); });
  step([&] {
    biff::TXLSStream out;
    out.CreateMemory();
    biff::WriteChartRecords(root, out, services.Fonts);
  });
  return 0;
}
