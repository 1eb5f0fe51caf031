// The spreadsheet reports, laid out cell by cell in the component's workbook. The workbook stays in
// the legacy (.xls) version for the whole run; the line charts live on the legacy twin of each
// sheet. A report is written under a hidden partial name and renamed once complete, and the
// workbook is emptied after every save attempt, so that a failed save neither leaves a broken file
// under the final name nor lets the next report be laid over stale rows and sheets.
#include "console/reports/spreadsheet_report.h"

#include <exception>
#include <functional>
#include <string>
#include <system_error>

#include "biff/chart/chart_model.h"
#include "biff/document/sheet_data.h"
#include "biff/legacy/legacy_document.h"
#include "console/records.h"
#include "console/report_operations.h"
#include "core/error.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "workbook/spreadsheet_component.h"

namespace console {
namespace {

namespace wb = workbook;

constexpr int kWhite = 0xFFFFFF;
constexpr int kSilver = 0xC0C0C0;
constexpr int kBlue = 0x0000FF;
constexpr std::uint8_t kAlignLeft = 1;
constexpr std::uint8_t kAlignCentre = 2;
constexpr std::uint8_t kVertCentre = 1;
constexpr wb::TXc12FontStyles kBold = wb::FontStyleBit(wb::xfsBold);
// Zero-based row of the table headers; the first record goes one row below.
constexpr int kHeaderRow = 27;
constexpr int kFirstRecordRow = 28;
constexpr const char* kReportFont = "宋体";
// Palette index 9 is white: the chart's plot area gets no visible frame or fill.
constexpr int kWhitePaletteIndex = 9;
constexpr std::uint8_t kLineChart = 4;
constexpr std::uint8_t kNoLine = 5;

std::u16string U(std::string_view s) { return core::utf8_to_utf16(s); }

}  // namespace

struct SpreadsheetReport::Impl {
  ReportHost host;
  std::unique_ptr<wb::TXLSSpreadsheet5> xls;

  ConsoleState& State() {
    if (host.state == nullptr) throw core::Error("the spreadsheet report has no console state");
    return *host.state;
  }

  void MakeComponent() {
    xls = std::make_unique<wb::TXLSSpreadsheet5>();
    xls->SetVersion(wb::xvExcel97);
  }

  wb::TXLSWorksheet& Sheet(int index) {
    wb::TXLSWorksheet* s = xls->GetItem(index);
    if (s == nullptr) throw core::Error(core::format("the report workbook has no sheet %d", index));
    return *s;
  }

  wb::TXLSRange& Range(wb::TXLSWorksheet& sheet, const std::string& area) {
    wb::TXLSRange* r = sheet.GetRange(U(area));
    if (r == nullptr) throw core::Error("no range " + area);
    return *r;
  }

  biff::TSheet* Twin(int index) {
    auto* legacy = dynamic_cast<biff::TLegacyDocument*>(xls->GetBIFF());
    if (legacy == nullptr) throw core::Error("the report workbook is not in the legacy version");
    if (index < 0 || index >= legacy->Document().Sheets().Count()) return nullptr;
    return legacy->Document().GetSheet(index);
  }

  void ClearCharts(int index) {
    if (biff::TSheet* twin = Twin(index)) twin->Charts().Clear();
  }

  void InformationBlock(int instrument_number) {
    ConsoleState& s = State();
    wb::TXLSWorksheet& sheet = Sheet(s.ReportSheetIndex);
    sheet.SetAsString(0, 2, U(core::format("    设备ID:%d", instrument_number)));
    sheet.SetAsString(3, 2, U(core::format("    本页条数:%d", s.SheetRowCount - s.SheetGapRows)));
    sheet.SetAsString(0, 3, U("    开始时间:" + s.ReportFirstTime));
    sheet.SetAsString(3, 3, U("    结束时间:" + s.ReportLastTime));
  }

  // The statistics, the blue grid over the table and the line chart of sheet i, whose last record
  // row (1-based) is r.
  void FinishSheet(int i, int r) {
    wb::TXLSWorksheet& sheet = Sheet(i);
    Range(sheet, core::format("A1:D%d", r)).SetFontName(U(kReportFont));
    sheet.CalcDimensions();

    // A quoted label joined to the statistic of the column range from the header row down to r.
    struct Statistic {
      int col, row;
      const char* label;
      const char* function;
    };
    static constexpr Statistic kStatistics[] = {
        {0, 4, "    温度平均值:", "ROUND(AVERAGE(B28:B%d),2)"},
        {3, 4, "    湿度平均值:", "ROUND(AVERAGE(C28:C%d),2)"},
        {0, 5, "    温度最小值:", "MIN(B28:B%d)"},
        {3, 5, "    湿度最小值:", "MIN(C28:C%d)"},
        {0, 6, "    温度最大值:", "MAX(B28:B%d)"},
        {3, 6, "    湿度最大值:", "MAX(C28:C%d)"},
    };
    for (const Statistic& st : kStatistics)
      sheet.SetAsFormula(st.col, st.row, U(std::string("\"") + st.label + "\"&" + core::format(st.function, r)));
    xls->GetFormulaHandler()->Calculate();

    wb::TXLSRange& grid = Range(sheet, core::format("A28:D%d", r));
    grid.SetBorderInsideVertStyle(wb::cbsThin);
    grid.SetBorderInsideHorizStyle(wb::cbsThin);
    grid.SetBorderOutlineStyle(wb::cbsThin);
    grid.SetBorderInsideVertColor(kBlue);
    grid.SetBorderInsideHorizColor(kBlue);
    grid.SetBorderOutlineColor(kBlue);

    biff::TSheet* twin = Twin(i);
    if (twin == nullptr) throw core::Error(core::format("the report workbook has no legacy sheet %d", i));
    twin->Charts().Clear();
    biff::TDrwChart& chart = twin->AddChart();
    chart.SetCol1(0);
    chart.SetRow1(9);
    chart.SetCol2(4);
    chart.SetRow2(26);
    chart.PlotArea.SetChartType(kLineChart);
    chart.PlotArea.SetHasLegend(true);
    chart.PlotArea.SetIs3D(false);
    chart.PlotArea.Frame.LineFormat.SetColorIndex(kWhitePaletteIndex);
    chart.PlotArea.Frame.AreaFormat.SetForeColorIndex(kWhitePaletteIndex);
    chart.PlotArea.Frame.LineFormat.SetPattern(kNoLine);
    if (chart.PlotArea.Style == nullptr) throw core::Error("the report chart has no chart group");
    chart.PlotArea.Style->SetHasDataFormat(true);
    chart.PlotArea.Style->DefDataPoint.MarkerFormat.SetMarkerType(0);
    const std::string category = core::format("Sheet%d!$D$29:$D$%d", i + 1, r);
    biff::TXLSChartSerie& temperature = chart.Series.GetItem(chart.Series.Count() - 1);
    temperature.SetValues(U(core::format("Sheet%d!$B$29:$B$%d", i + 1, r)));
    temperature.SetCategory(U(category));
    // Both series take their names from the first sheet's headers, whatever sheet they are on.
    temperature.SetSerieName(u"Sheet1!$B$28");
    chart.Series.Add();
    biff::TXLSChartSerie& humidity = chart.Series.GetItem(chart.Series.Count() - 1);
    humidity.SetValues(U(core::format("Sheet%d!$C$29:$C$%d", i + 1, r)));
    humidity.SetSerieName(u"Sheet1!$C$28");
    humidity.SetCategory(U(category));
  }

  // Leaves the workbook with its first sheet, empty and without charts. Goes by the sheets the
  // workbook really has: after a failed read-back that need not be the report's sheet count.
  void Empty() {
    for (int k = xls->GetCount() - 1; k >= 0; --k) {
      ClearCharts(k);
      Sheet(k).Clear();
      if (k > 0) xls->Delete(k, 1);
    }
  }

  // After a failed save the workbook may be half read back; when even emptying it fails, a new
  // empty component takes its place.
  void EmptyAfterFailure() noexcept {
    try {
      Empty();
      if (xls->GetCount() == 1 && xls->GetItem(0)->GetName() == u"Sheet1" && xls->GetBIFF() != nullptr) return;
    } catch (...) {
    }
    try {
      MakeComponent();
    } catch (...) {
    }
  }

  // Saves the workbook as a new report file of `kind` in the data folder: `build` completes the
  // workbook (it may write and read back the partial file), then the workbook is written under the
  // partial name and renamed when complete. A failure removes the partial file, empties the workbook
  // and is raised again. Answers the final path.
  std::filesystem::path Save(std::string_view instrument_text, std::string_view kind, const std::function<void()>& build) {
    ConsoleState& s = State();
    std::filesystem::path partial;
    try {
      const std::filesystem::path final_path = host.data_folder / MakeReportFileName(s, instrument_text, kind, ".xls");
      partial = PartialReportPath(final_path);
      xls->SetFilename(U(partial.string()));
      build();
      xls->Write();
      CommitReportFile(partial, final_path);
      return final_path;
    } catch (...) {
      std::error_code ec;
      if (!partial.empty()) std::filesystem::remove(partial, ec);
      EmptyAfterFailure();
      throw;
    }
  }
};

SpreadsheetReport::SpreadsheetReport(ReportHost host) : impl_(std::make_unique<Impl>()) {
  impl_->host = std::move(host);
  biff::RegisterLegacyNeighbours();
  impl_->MakeComponent();
}

SpreadsheetReport::~SpreadsheetReport() = default;

workbook::TXLSSpreadsheet5& SpreadsheetReport::Component() { return *impl_->xls; }

void SpreadsheetReport::LayoutReportSheet(std::int32_t index, std::string_view title) {
  Impl& m = *impl_;
  wb::TXLSWorksheet& sheet = m.Sheet(index);
  wb::TXLSRows& rows = *sheet.GetRows();
  rows.GetItem(0)->SetHeight(1000);
  for (int row : {1, 8, 26}) rows.GetItem(row)->SetHeight(360);
  m.Range(sheet, "A1:D27").SetVertAlignment(kVertCentre);
  sheet.GetMergedCells()->Add(0, 0, 3, 0);
  sheet.SetAsString(0, 0, U(title));
  m.Range(sheet, "A1:D1").SetBorderOutlineStyle(wb::cbsThin);
  m.Range(sheet, "A1:D1").SetHorizAlignment(kAlignCentre);
  m.Range(sheet, "A1:D2").SetFontStyle(kBold);
  sheet.SetAsString(0, 1, U("1.设备信息："));
  m.Range(sheet, "A3:D26").SetHorizAlignment(kAlignLeft);
  m.Range(sheet, "A2:D27").SetFontSize(9);
  m.Range(sheet, "A3:D8").SetBorderOutlineStyle(wb::cbsThin);
  m.Range(sheet, "A9:D9").SetFontStyle(kBold);
  sheet.SetAsString(0, 8, U("2.温湿度曲线："));
  m.Range(sheet, "A27:D27").SetFontStyle(kBold);
  sheet.SetAsString(0, 26, U("3.详细数据："));
  m.Range(sheet, "A1:D27").SetFillColor(kWhite);
  for (const char* area : {"A2:D2", "A9:D9", "A27:D27"}) m.Range(sheet, area).SetFillColor(kSilver);
  m.Range(sheet, "A1:D27").SetBorderRightStyle(wb::cbsThin);
  m.Range(sheet, "A1:D27").SetBorderLeftStyle(wb::cbsThin);
  wb::TXLSColumns& columns = *sheet.GetColumns();
  for (int col = 0; col < 4; ++col) columns.GetItem(col)->SetHorizAlignment(kAlignCentre);
  const char* headers[] = {"序号", "温度", "湿度", "记录时间"};
  for (int col = 0; col < 4; ++col) sheet.SetAsString(col, kHeaderRow, U(headers[col]));
  for (int col = 0; col < 3; ++col) columns.GetItem(col)->SetWidth(4400);
  columns.GetItem(3)->SetWidth(8800);
  m.Range(sheet, "A1:D1").SetFontSize(18);
  ConsoleState& s = m.State();
  s.ReportRow = kFirstRecordRow;
  s.SheetGapRows = 0;
  if (index == 0) s.ReportMissing = 0;
}

void SpreadsheetReport::AddReportRow(std::int32_t number, double temperature, double humidity,
                                     std::string_view time_text, std::int32_t limit, std::int32_t instrument_number) {
  Impl& m = *impl_;
  ConsoleState& s = m.State();
  wb::TXLSWorksheet& sheet = m.Sheet(s.ReportSheetIndex);
  sheet.SetAsFloat(0, s.ReportRow, number);
  sheet.SetAsFloat(1, s.ReportRow, temperature);
  sheet.SetAsFloat(2, s.ReportRow, humidity);
  sheet.SetAsString(3, s.ReportRow, U(time_text));
  // The first record of the report: number 1, or the first after records missing from the start.
  if (s.RecordNumber == 1 || s.ReportFirstTime.empty()) s.ReportFirstTime = std::string(time_text);
  s.ReportLastTime = std::string(time_text);
  ++s.ReportRow;
  ++s.SheetRowCount;
  if (s.SheetRowCount >= limit) CloseReportSheet(instrument_number);
}

void SpreadsheetReport::AddReportGap(std::int32_t first, std::int32_t count, std::int32_t limit,
                                     std::int32_t instrument_number) {
  Impl& m = *impl_;
  ConsoleState& s = m.State();
  wb::TXLSWorksheet& sheet = m.Sheet(s.ReportSheetIndex);
  // The values stay empty: the statistics pass over the row and the chart's lines break there.
  sheet.SetAsString(0, s.ReportRow, U(GapNumbers(first, count)));
  sheet.SetAsString(3, s.ReportRow, U(GapText(count)));
  if (first == 1) s.ReportFirstTime.clear();
  s.ReportMissing += count;
  ++s.SheetGapRows;
  ++s.ReportRow;
  ++s.SheetRowCount;
  if (s.SheetRowCount >= limit) CloseReportSheet(instrument_number);
}

void SpreadsheetReport::CloseReportSheet(std::int32_t instrument_number) {
  Impl& m = *impl_;
  ConsoleState& s = m.State();
  if (m.host.scroll_record_list) m.host.scroll_record_list();
  m.Sheet(s.ReportSheetIndex).SetAsString(0, 0, U(core::format("%s%d", kReportTitle, s.ReportSheetIndex + 1)));
  m.InformationBlock(instrument_number);
  ++s.ReportSheetIndex;
  m.xls->Add();
  s.SheetRowCount = 0;
  LayoutReportSheet(s.ReportSheetIndex, core::format("%s%d", kReportTitle, s.ReportSheetIndex + 1));
}

void SpreadsheetReport::FinishReportWorkbook(std::int32_t instrument_number, std::string_view instrument_text,
                                             std::int32_t last_full_row, std::string_view status_text,
                                             bool progress_lines) {
  Impl& m = *impl_;
  ConsoleState& s = m.State();
  const int last = s.ReportSheetIndex;
  const std::filesystem::path final_path = m.Save(instrument_text, "历史记录", [&] {
    m.InformationBlock(instrument_number);
    if (last > 0) {
      // A workbook of several sheets is saved and read back before the statistics and charts go in.
      m.xls->Write();
      m.xls->Read();
    }
    if (!status_text.empty() && m.host.set_status) m.host.set_status(5, status_text);
    for (int i = 0; i <= last; ++i) {
      // The records the report holds: numbered up to RecordNumber, less those that went missing.
      const std::int32_t records = s.RecordNumber - s.ReportMissing;
      if (last > 0)
        m.Sheet(i).SetAsString(2, 2, U(core::format("总条数:%d", records)));
      else
        m.Sheet(last).SetAsString(3, 2, U(core::format("    记录条数:%d", records)));
      m.FinishSheet(i, i == last ? s.ReportRow : last_full_row);
      if (progress_lines && m.host.progress_line)
        m.host.progress_line(core::format("正在处理文件...已完成%d/%d", i, last));
    }
    if (progress_lines && m.host.progress_line) m.host.progress_line("正在保存文件...");
  });
  EmptyReportWorkbook();
  AskOpenReport(final_path);
}

void SpreadsheetReport::EmptyReportWorkbook() { impl_->Empty(); }

void SpreadsheetReport::LayoutAlarmSheet() {
  Impl& m = *impl_;
  wb::TXLSWorksheet& sheet = m.Sheet(0);
  sheet.GetRows()->GetItem(0)->SetHeight(540);
  sheet.GetMergedCells()->Add(0, 0, 2, 0);
  sheet.SetAsString(0, 0, U("告警记录"));
  sheet.SetAsString(0, 1, U("类型"));
  sheet.SetAsString(1, 1, U("数值"));
  sheet.SetAsString(2, 1, U("记录时间"));
  wb::TXLSRange& head = m.Range(sheet, "A1:C2");
  head.SetFontName(U(kReportFont));
  head.SetFontSize(9);
  head.SetFontStyle(kBold);
  head.SetHorizAlignment(kAlignCentre);
  head.SetVertAlignment(kVertCentre);
  wb::TXLSColumns& columns = *sheet.GetColumns();
  columns.GetItem(0)->SetWidth(4400);
  columns.GetItem(1)->SetWidth(4400);
  columns.GetItem(2)->SetWidth(7000);
  m.State().ReportRow = 2;
}

void SpreadsheetReport::AddAlarmRow(std::string_view event_text, std::string_view value_text,
                                    std::string_view time_text) {
  Impl& m = *impl_;
  ConsoleState& s = m.State();
  wb::TXLSWorksheet& sheet = m.Sheet(0);
  const std::string_view texts[] = {event_text, value_text, time_text};
  for (int col = 0; col < 3; ++col) {
    sheet.SetAsString(col, s.ReportRow, U(texts[col]));
    if (wb::TXLSCell* cell = sheet.GetCell(col, s.ReportRow)) cell->SetHorizAlignment(kAlignCentre);
  }
  ++s.ReportRow;
}

void SpreadsheetReport::SaveAlarmSheet(std::string_view instrument_text, bool ask) {
  Impl& m = *impl_;
  const std::filesystem::path final_path = m.Save(instrument_text, "告警记录", [] {});
  m.ClearCharts(0);
  m.Sheet(0).Clear();
  if (ask) AskOpenReport(final_path);
}

}  // namespace console
