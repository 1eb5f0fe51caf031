// Reports read back by qpdf and poppler: the file structure, every record row and the Chinese
// texts as text, the embedded CID font with its ToUnicode map, the page count, and where rows land.

#include <cctype>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <sstream>

#include "console/reports/tests/pdf_report_fixture.h"
#include "console/reports/tests/report_checks.h"
#include "core/testing/require_tool.h"

namespace console::test {
namespace {

// The words of a page of `pdftotext -bbox` output with their left and top edges in points.
struct Word {
  std::string text;
  double x, y;
};
std::vector<std::vector<Word>> WordsByPage(const std::string& html) {
  std::vector<std::vector<Word>> pages;
  for (const std::string& line : Lines(html)) {
    if (line.find("<page ") != std::string::npos) pages.emplace_back();
    const std::size_t at = line.find("<word ");
    if (at == std::string::npos || pages.empty()) continue;
    auto attr = [&](const char* key) { return std::atof(line.c_str() + line.find(key) + std::strlen(key) + 2); };
    const std::size_t open = line.find('>', at) + 1, close = line.find("</word>");
    pages.back().push_back(Word{line.substr(open, close - open), attr("xMin"), attr("yMin")});
  }
  return pages;
}

class PdfReportInteropTest : public PdfReportTest {};

TEST_F(PdfReportInteropTest, LargeReportReadsBackWhole) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdftotext");
  REQUIRE_TOOL("pdffonts");
  REQUIRE_TOOL("pdfinfo");
  constexpr int kRecords = 70000;
  WriteReport(kRecords);
  const std::filesystem::path file = ReportPath();
  std::vector<ReportRow> rows;
  for (int i = 0; i < kRecords; ++i) {
    const PdfRecord r = MakePdfRecord(i);
    rows.push_back({r.number, r.temperature / 10.0, r.humidity / 10.0, r.time_text});
  }
  // The file structure, the page count, the Type 0 font over an embedded CID TrueType font with its
  // ToUnicode map, every record as one line in order, the Chinese title and headers.
  const PdfFacts f = ReadPdfReport(file, "温湿度历史记录", rows, PdfValueText);
  EXPECT_EQ(f.qpdf_status, 0);
  EXPECT_EQ(f.pages, LayoutPages(kRecords));
  EXPECT_EQ(LayoutPages(kRecords), 1373);
  EXPECT_TRUE(f.cid_font_embedded_with_unicode);
  EXPECT_TRUE(f.title_found);
  EXPECT_EQ(f.headers, (std::vector<std::string>{"序号", "温度", "湿度", "日期"}));
  EXPECT_EQ(f.rows_read, kRecords);
  EXPECT_EQ(f.wrong, 0) << (f.wrong_rows.empty() ? "" : f.wrong_rows.front());

  // Balanced graphics states on every page.
  const PdfPages pages = ReadPdfPages(file);
  ASSERT_EQ(pages.contents.size(), 1373u);
  for (std::size_t p = 0; p < pages.contents.size(); ++p) {
    const int nesting = StateNesting(pages.contents[p]);
    ASSERT_TRUE(nesting >= 1 && nesting <= 2) << "page " << p + 1 << ": " << nesting;
  }
}

TEST_F(PdfReportInteropTest, RowsLandWhereTheLayoutPutsThem) {
  REQUIRE_TOOL("qpdf");
  REQUIRE_TOOL("pdftotext");
  REQUIRE_TOOL("pdfinfo");
  for (int records : {0, 48, 99}) {
    SCOPED_TRACE(::testing::Message() << records << " records");
    WriteReport(records);
    const std::filesystem::path file = ReportPath();
    EXPECT_EQ(RunTool("qpdf --check " + Quoted(file)).status, 0);
    const ToolRun html = RunTool("pdftotext -bbox -enc UTF-8 " + Quoted(file) + " -");
    ASSERT_EQ(html.status, 0);
    const auto pages = WordsByPage(html.output);
    ASSERT_EQ(static_cast<int>(pages.size()), LayoutPages(records));
    // The title at canvas (300, 30) and the first header at (88, 100): canvas pixels are 3/4 point.
    ASSERT_FALSE(pages[0].empty());
    EXPECT_EQ(pages[0][0].text, "温湿度历史记录");
    EXPECT_NEAR(pages[0][0].x, 225, 1);
    auto find = [](const std::vector<Word>& words, const std::string& text) -> const Word* {
      for (const Word& w : words)
        if (w.text == text) return &w;
      return nullptr;
    };
    const Word* header = find(pages[0], "序号");
    ASSERT_NE(header, nullptr);
    EXPECT_NEAR(header->x, 66, 1);
    // The first row of a later page stands at canvas y 60, the first row of the report at y 120:
    // both a little below their top edge (the font's internal leading).
    if (records >= 48) {
      const Word* first = find(pages[0], "1");
      const Word* row48 = find(pages[1], "48");
      ASSERT_TRUE(first != nullptr && row48 != nullptr);
      EXPECT_NEAR(first->x, 67.5, 1);
      EXPECT_NEAR(row48->x, 67.5, 1);
      EXPECT_NEAR(first->y - 90, row48->y - 45, 0.5);
      EXPECT_GE(row48->y, 45);
      EXPECT_LT(row48->y, 50);
      EXPECT_EQ(find(pages[0], "48"), nullptr);
    }
    if (records == 99) {
      ASSERT_FALSE(pages[2].empty());
      EXPECT_EQ(pages[2][0].text, "99");
    }
    std::filesystem::remove(file);
    clock_.advance(std::chrono::seconds(1));
  }
}

TEST_F(PdfReportInteropTest, ValuesPrintInTheirShortestForm) {
  REQUIRE_TOOL("pdftotext");
  dialogs_->Expect(platform::components::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 2);
  report_->BeginPdfReport("1", "温湿度历史记录", 300);
  report_->AddPdfRow(1, static_cast<std::int16_t>(0xFF83) / 10.0, static_cast<std::uint16_t>(0x03E8) / 10.0,
                     "2014-04-08 09:05:03");
  report_->AddPdfRow(2, 23.5, static_cast<std::uint16_t>(0x8000) / 10.0, "2014-04-08 09:06:03");
  // Records that went missing: their numbers and count, no values.
  report_->AddPdfGap(3, 98);
  report_->AddPdfRow(101, 20, 50, "2014-04-08 10:45:03");
  report_->EndPdfReport();
  const ToolRun text = RunTool("pdftotext -layout -enc UTF-8 " + Quoted(ReportPath()) + " -");
  ASSERT_EQ(text.status, 0);
  std::vector<std::string> rows;
  for (const std::string& line : Lines(text.output)) {
    std::istringstream in(line);
    std::string words, w;
    while (in >> w) words += (words.empty() ? "" : " ") + w;
    if (!words.empty() && std::isdigit(static_cast<unsigned char>(words[0]))) rows.push_back(words);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"1 -12.5 100 2014-04-08 09:05:03", "2 23.5 3276.8 2014-04-08 09:06:03",
                                            "3-100 缺失98条记录", "101 20 50 2014-04-08 10:45:03"}));
}

}  // namespace
}  // namespace console::test
