// A stand-in for the report layouts that writes down every call it gets, one line per call.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "console/report_operations.h"
#include "core/strings.h"

namespace console::test {

class RecordingReports final : public ReportOperations {
public:
  explicit RecordingReports(std::vector<std::string>* log) : log_(log) {}

  void LayoutReportSheet(std::int32_t index, std::string_view title) override {
    Add(core::format("LayoutReportSheet %d ", index) + std::string(title));
  }
  void AddReportRow(std::int32_t number, double t, double h, std::string_view time, std::int32_t limit,
                    std::int32_t instrument) override {
    Add(core::format("AddReportRow %d %.1f %.1f ", number, t, h) + std::string(time) +
        core::format(" %d %d", limit, instrument));
  }
  void AddReportGap(std::int32_t first, std::int32_t count, std::int32_t limit, std::int32_t instrument) override {
    Add(core::format("AddReportGap %d %d %d %d", first, count, limit, instrument));
  }
  void FinishReportWorkbook(std::int32_t n, std::string_view text, std::int32_t last_row, std::string_view status,
                            bool progress_lines) override {
    Add(core::format("FinishReportWorkbook %d ", n) + std::string(text) + core::format(" %d ", last_row) +
        std::string(status) + (progress_lines ? " progress" : ""));
  }
  void EmptyReportWorkbook() override { Add("EmptyReportWorkbook"); }
  void LayoutAlarmSheet() override { Add("LayoutAlarmSheet"); }
  void AddAlarmRow(std::string_view e, std::string_view v, std::string_view t) override {
    Add("AddAlarmRow " + std::string(e) + " " + std::string(v) + " " + std::string(t));
  }
  void SaveAlarmSheet(std::string_view text, bool ask) override {
    Add("SaveAlarmSheet " + std::string(text) + (ask ? " ask" : ""));
  }
  void BeginPdfReport(std::string_view text, std::string_view title, std::int32_t x) override {
    Add("BeginPdfReport " + std::string(text) + " " + std::string(title) + core::format(" %d", x));
  }
  void AddPdfRow(std::int32_t number, double t, double h, std::string_view time) override {
    Add(core::format("AddPdfRow %d %.1f %.1f ", number, t, h) + std::string(time));
  }
  void AddPdfGap(std::int32_t first, std::int32_t count) override { Add(core::format("AddPdfGap %d %d", first, count)); }
  void EndPdfReport() override { Add("EndPdfReport"); }
  void AbortPdfReport() override { Add("AbortPdfReport"); }

private:
  void Add(std::string line) { log_->push_back(std::move(line)); }
  std::vector<std::string>* log_;
};

// How many lines of `log` begin with `prefix`.
inline std::size_t CountCalls(const std::vector<std::string>& log, std::string_view prefix) {
  return static_cast<std::size_t>(
      std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

}  // namespace console::test
