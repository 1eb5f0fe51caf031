#include "console/reports/tests/report_checks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/strings.h"

#ifndef THC_REPORT_SCRIPTS
#error "THC_REPORT_SCRIPTS names the folder of the python readers"
#endif

namespace console::test {
namespace fs = std::filesystem;

std::map<std::string, std::string> ReadXlsReport(const fs::path& file, const std::vector<ReportRow>& rows,
                                                 int sheet_limit, const fs::path& work) {
  const fs::path expected = work / "expected_rows.csv";
  {
    std::ofstream out(expected, std::ios::binary);
    for (const ReportRow& r : rows) {
      const int k = (r.number - 1) / sheet_limit;
      out << r.number << ',' << k << ',' << 28 + (r.number - 1) % sheet_limit << ','
          << core::format("%.17g,%.17g,", r.temperature, r.humidity) << r.time << '\n';
    }
  }
  const ToolRun run = RunTool("/usr/bin/python3 " + Quoted(fs::path(THC_REPORT_SCRIPTS) / "xls_report_reader.py") + " " +
                              Quoted(file) + " " + Quoted(expected));
  auto kv = KeyValues(run.output);
  kv["status"] = std::to_string(run.status);
  if (run.status != 0) kv["error"] = run.output.substr(0, 4000);
  return kv;
}

std::map<std::string, std::string> ConvertXlsReport(const fs::path& file, const fs::path& work) {
  const fs::path out = work / "converted";
  fs::create_directories(out);
  // A plain ASCII name: the conversion names its output after its input.
  fs::copy_file(file, out / "report.xls", fs::copy_options::overwrite_existing);
  const ToolRun convert = RunTool("cd " + Quoted(out) + " && timeout 600 soffice -env:UserInstallation=file://" +
                                  (work / "profile").string() + " --headless --convert-to xlsx --outdir " + Quoted(out) +
                                  " report.xls");
  std::map<std::string, std::string> kv;
  const fs::path xlsx = out / "report.xlsx";
  if (!fs::exists(xlsx)) {
    kv["converted"] = "no";
    kv["error"] = convert.output;
    return kv;
  }
  const ToolRun count = RunTool("/usr/bin/python3 " + Quoted(fs::path(THC_REPORT_SCRIPTS) / "xlsx_report_counter.py") +
                                " " + Quoted(xlsx));
  kv = KeyValues(count.output);
  kv["converted"] = count.status == 0 ? "yes" : "no";
  if (count.status != 0) kv["error"] = count.output;
  return kv;
}

std::string NumberText(double v) {
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  return std::string(buf, r.ptr);
}

std::vector<std::string> StatisticsTexts(std::span<const ReportRow> rows) {
  double t_sum = 0, h_sum = 0, t_min = 0, t_max = 0, h_min = 0, h_max = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const double t = rows[i].temperature, h = rows[i].humidity;
    t_sum += t;
    h_sum += h;
    t_min = i == 0 ? t : std::min(t_min, t);
    t_max = i == 0 ? t : std::max(t_max, t);
    h_min = i == 0 ? h : std::min(h_min, h);
    h_max = i == 0 ? h : std::max(h_max, h);
  }
  const double count = static_cast<double>(rows.size());
  auto round2 = [](double v) { return std::round(v * 100.0) / 100.0; };
  // An empty sheet's averages divide by zero; the error replaces the whole text.
  return {rows.empty() ? "#DIV/0!" : "    温度平均值:" + NumberText(round2(t_sum / count)),
          rows.empty() ? "#DIV/0!" : "    湿度平均值:" + NumberText(round2(h_sum / count)),
          "    温度最小值:" + NumberText(t_min),
          "    湿度最小值:" + NumberText(h_min),
          "    温度最大值:" + NumberText(t_max),
          "    湿度最大值:" + NumberText(h_max)};
}

int LayoutPages(int records) { return records < 47 ? 1 : 2 + (records - 47) / 51; }

PdfFacts ReadPdfReport(const fs::path& file, const std::string& title, const std::vector<ReportRow>& rows,
                       std::string (*value_text)(double)) {
  PdfFacts f;
  f.qpdf_status = RunTool("qpdf --check " + Quoted(file)).status;
  const ToolRun info = RunTool("pdfinfo " + Quoted(file));
  if (const auto at = info.output.find("Pages:"); at != std::string::npos) f.pages = std::atoi(info.output.c_str() + at + 6);
  // Type 0 over a CID TrueType font, embedded with a ToUnicode map.
  for (const std::string& line : Lines(RunTool("pdffonts " + Quoted(file)).output)) {
    const auto at = line.find("CID TrueType");
    if (at == std::string::npos) continue;
    std::istringstream in(line.substr(at + 12));
    std::string encoding, emb, sub, uni;
    in >> encoding >> emb >> sub >> uni;
    if (emb == "yes" && uni == "yes") f.cid_font_embedded_with_unicode = true;
  }
  // Every record as one line of five words (the time has two), in order.
  const ToolRun text = RunTool("pdftotext -layout -enc UTF-8 " + Quoted(file) + " -");
  f.title_found = text.output.find(title) != std::string::npos;
  for (const std::string& line : Lines(text.output)) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.size() == 4 && words[0] == "序号") f.headers = words;
    if (words.size() != 5 || words[0].find_first_not_of("0123456789") != std::string::npos) continue;
    const std::size_t i = static_cast<std::size_t>(f.rows_read++);
    const bool expected =
        i < rows.size() && words == std::vector<std::string>{std::to_string(rows[i].number), value_text(rows[i].temperature),
                                                             value_text(rows[i].humidity), rows[i].time.substr(0, 10),
                                                             rows[i].time.substr(11)};
    if (!expected && ++f.wrong <= 5) f.wrong_rows.push_back(line);
  }
  return f;
}

}  // namespace console::test
