// The PDF history report. Text goes through the page's metafile canvas (canvas pixels), the grid
// through the page's own path operators (page units, points at the document's resolution of 72).
#include "console/reports/pdf_report.h"

#include "console/records.h"

#include <charconv>
#include <string>
#include <system_error>

#include "console/records.h"
#include "core/error.h"
#include "pdf/document.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"
#include "platform/gdi/metafile_canvas.h"

namespace console {
namespace {

constexpr const char* kFontName = "宋体";
constexpr int kGb2312Charset = 134;
constexpr int kTitleSize = 20;
constexpr int kTextSize = 10;

// Right edges of the grid's four rectangles, relative to the left edge: together they stroke the
// row's outline and the three column separators.
constexpr int kGridWidths[] = {63, 153, 243, 480};
constexpr int kGridRowHeight = 15;
constexpr int kTextRowHeight = 20;
constexpr int kLeft = 57;
constexpr int kHeaderBoxTop = 73;
constexpr int kFirstTextRowY = 120;
// Rows drawn on the first page before the first record (the title and header lines count).
constexpr int kFirstPageRowCount = 4;
// A page is full once its row count reaches this.
constexpr int kPageRowLimit = 51;
constexpr int kLaterGridTop = 43;
constexpr int kLaterTextY = 60;

}  // namespace

// As the general float conversion writes it; locale-independent, and without an exponent for every
// value a 16-bit register gives.
std::string PdfValueText(double v) {
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  return std::string(buf, r.ptr);
}

struct PdfReport::Impl {
  ReportHost host;
  std::unique_ptr<pdf::TPDFDocument> document;
  std::filesystem::path final_path;
  std::filesystem::path partial_path;

  ConsoleState& State() {
    if (host.state == nullptr) throw core::Error("the PDF report has no console state");
    return *host.state;
  }

  pdf::TPDFPage& Page() { return document->ActivePage(); }

  platform::gdi::Canvas& Canvas() {
    platform::gdi::Canvas* c = pdf::PageCanvas(*document);
    if (c == nullptr) throw core::Error("the PDF page has no canvas");
    return *c;
  }

  // The page's own text font; the report draws no page text, but the setting stays as the layout
  // makes it so that later page text would look as the rest of the report.
  void PageFont() { Page().SetActiveFont(kFontName, pdf::fsUnderline, 50, kGb2312Charset); }

  void CanvasFont(int size) {
    platform::gdi::Canvas& c = Canvas();
    c.Font.Size = size;
    c.Font.Name = kFontName;
    c.Font.Charset = static_cast<platform::gdi::BYTE>(kGb2312Charset);
    c.Font.Color = 0;
  }

  // One grid row: four rectangles from the left edge, stroked together. The graphics state saved
  // for the stroke is restored right after it, so a page never nests more than one level.
  void GridRow(int left, int top) {
    pdf::TPDFPage& p = Page();
    p.SaveState();
    p.NewPath();
    for (int w : kGridWidths) p.Rectangle(left, top, left + w, top + kGridRowHeight);
    p.ClosePath();
    p.Stroke();
    p.RestoreState();
  }

  // Drops the document under way: output released, the unfinished file deleted.
  void Drop() noexcept {
    if (document && document->Generating()) {
      try {
        document->Abort();
      } catch (...) {
        // Abort of a generating document does not raise; the file is removed below regardless.
      }
    }
    document.reset();
    if (!partial_path.empty()) {
      std::error_code ec;
      std::filesystem::remove(partial_path, ec);
    }
    partial_path.clear();
  }
};

PdfReport::PdfReport(ReportHost host) : impl_(std::make_unique<Impl>()) { impl_->host = std::move(host); }

PdfReport::~PdfReport() { impl_->Drop(); }

bool PdfReport::Running() const { return impl_->document && impl_->document->Generating(); }

void PdfReport::BeginPdfReport(std::string_view instrument_text, std::string_view title, std::int32_t title_x) {
  Impl& m = *impl_;
  ConsoleState& s = m.State();
  // A report left unended (its reading was dropped) is replaced; its unfinished file goes with it.
  m.Drop();
  s.PdfLeft = kLeft;
  s.PdfGridY = kHeaderBoxTop;
  m.final_path = m.host.data_folder / MakeReportFileName(s, instrument_text, "历史记录", ".pdf");
  const std::filesystem::path partial = PartialReportPath(m.final_path);

  auto document = std::make_unique<pdf::TPDFDocument>();
  document->SetFileName(partial.string());
  document->BeginDoc();
  m.document = std::move(document);
  m.partial_path = partial;
  try {
    m.PageFont();
    m.CanvasFont(kTitleSize);
    platform::gdi::Canvas& c = m.Canvas();
    c.TextOut(title_x, 30, title);
    m.CanvasFont(kTextSize);
    c.TextOut(88, 100, "序号");
    c.TextOut(170, 100, "温度");
    c.TextOut(290, 100, "湿度");
    c.TextOut(410, 100, "日期");
    m.GridRow(s.PdfLeft, s.PdfGridY);
  } catch (...) {
    m.Drop();
    throw;
  }
  s.PdfGridY += kGridRowHeight;
  s.PdfTextY = kFirstTextRowY;
  s.PdfRowCount = kFirstPageRowCount;
}

void PdfReport::AddPdfRow(std::int32_t number, double temperature, double humidity, std::string_view time_text) {
  AddRow(std::to_string(number), PdfValueText(temperature), PdfValueText(humidity), time_text);
}

void PdfReport::AddPdfGap(std::int32_t first, std::int32_t count) { AddRow(GapNumbers(first, count), "", "", GapText(count)); }

void PdfReport::AddRow(std::string_view number, std::string_view temperature, std::string_view humidity,
                       std::string_view time_text) {
  if (!Running()) return;
  Impl& m = *impl_;
  ConsoleState& s = m.State();
  m.PageFont();
  m.CanvasFont(kTextSize);
  platform::gdi::Canvas& c = m.Canvas();
  c.TextOut(90, s.PdfTextY, number);
  if (!temperature.empty()) c.TextOut(170, s.PdfTextY, temperature);
  if (!humidity.empty()) c.TextOut(290, s.PdfTextY, humidity);
  c.TextOut(410, s.PdfTextY, time_text);
  m.GridRow(s.PdfLeft, s.PdfGridY);
  s.PdfGridY += kGridRowHeight;
  s.PdfTextY += kTextRowHeight;
  s.PdfRowCount += 1;
  if (s.PdfRowCount >= kPageRowLimit) {
    // The break follows a full page at once, whether or not another row comes.
    m.document->NewPage();
    s.PdfRowCount = 0;
    s.PdfGridY = kLaterGridTop;
    s.PdfTextY = kLaterTextY;
  }
}

void PdfReport::EndPdfReport() {
  if (!Running()) return;
  Impl& m = *impl_;
  const std::filesystem::path final_path = m.final_path;
  try {
    m.document->EndDoc();
    CommitReportFile(m.partial_path, final_path);
  } catch (...) {
    m.Drop();
    throw;
  }
  m.partial_path.clear();
  m.document.reset();
  // The report is complete and under its name before the question is asked; a failure of the
  // question or of opening the file leaves it in place.
  AskOpenReport(final_path);
}

void PdfReport::AbortPdfReport() { impl_->Drop(); }

}  // namespace console
