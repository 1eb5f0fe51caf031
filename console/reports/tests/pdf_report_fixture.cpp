#include "console/reports/tests/pdf_report_fixture.h"

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/strings.h"
#include "platform/win/controls.h"
#include "platform/win/display.h"

namespace console::test {
namespace {

namespace pc = platform::components;

// 2014-04-08 09:05:03 UTC.
core::WallTime ReportBeginTime() { return core::WallTime{} + std::chrono::seconds(1396947903); }

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::string data(std::filesystem::file_size(file), '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  return data;
}

// The objects of a file through its cross-reference table.
class PdfObjects {
public:
  explicit PdfObjects(std::string data) : data_(std::move(data)) {
    const std::size_t sx = data_.rfind("startxref");
    if (sx == std::string::npos) throw std::runtime_error("no startxref");
    std::istringstream start(data_.substr(sx + 9, 32));
    std::size_t xref = 0;
    start >> xref;
    if (xref >= data_.size() || data_.compare(xref, 4, "xref") != 0) throw std::runtime_error("no xref table");
    std::istringstream table(data_.substr(xref + 4));
    int first = 0, count = 0;
    table >> first >> count;
    if (first != 0 || count < 1) throw std::runtime_error("unexpected xref subsection");
    offsets_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      std::string gen, kind;
      table >> offsets_[static_cast<std::size_t>(i)] >> gen >> kind;
    }
    const std::size_t tr = data_.find("trailer", xref);
    if (tr == std::string::npos) throw std::runtime_error("no trailer");
    trailer_ = data_.substr(tr, data_.find(">>", tr) - tr);
  }

  // The object's text up to its stream or its end.
  std::string Dictionary(int n) const {
    const std::size_t at = Offset(n);
    const std::size_t end = std::min(data_.find("endobj", at), data_.find("stream", at));
    return data_.substr(at, end - at);
  }
  std::string Stream(int n) const {
    const std::string dict = Dictionary(n);
    const int length = Number(dict, "/Length");
    std::size_t at = data_.find("stream", Offset(n)) + 6;
    if (data_.compare(at, 2, "\r\n") == 0) at += 2;
    else if (data_[at] == '\n') at += 1;
    if (length < 0 || at + static_cast<std::size_t>(length) > data_.size()) throw std::runtime_error("bad stream");
    return data_.substr(at, static_cast<std::size_t>(length));
  }
  const std::string& Trailer() const { return trailer_; }

  // The number (or the object number of the reference) after `key`.
  static int Number(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key + " ");
    if (at == std::string::npos) throw std::runtime_error("no " + key + " in " + text);
    std::size_t from = at + key.size() + 1;
    if (from < text.size() && text[from] == '[') ++from;  // a one-element array
    return std::atoi(text.c_str() + from);
  }
  static std::vector<int> References(const std::string& text, const std::string& key) {
    const std::size_t at = text.find(key);
    if (at == std::string::npos) throw std::runtime_error("no " + key);
    const std::size_t open = text.find('[', at), close = text.find(']', at);
    std::istringstream in(text.substr(open + 1, close - open - 1));
    std::vector<int> refs;
    int n = 0, gen = 0;
    std::string r;
    while (in >> n >> gen >> r) refs.push_back(n);
    return refs;
  }

private:
  std::size_t Offset(int n) const {
    if (n < 1 || static_cast<std::size_t>(n) >= offsets_.size() || offsets_[static_cast<std::size_t>(n)] >= data_.size())
      throw std::runtime_error("no object " + std::to_string(n));
    return offsets_[static_cast<std::size_t>(n)];
  }

  std::string data_;
  std::vector<std::size_t> offsets_;
  std::string trailer_;
};

void CollectPages(const PdfObjects& objects, int node, PdfPages& pages, int depth) {
  if (depth > 16) throw std::runtime_error("page tree too deep");
  const std::string dict = objects.Dictionary(node);
  const std::size_t box = dict.find("/MediaBox");
  if (box != std::string::npos) {
    std::istringstream in(dict.substr(dict.find('[', box) + 1));
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    in >> x0 >> y0 >> x1 >> y1;
    pages.height = y1 - y0;
  }
  if (dict.find("/Type /Pages") != std::string::npos) {
    for (int kid : PdfObjects::References(dict, "/Kids")) CollectPages(objects, kid, pages, depth + 1);
  } else {
    pages.contents.push_back(objects.Stream(PdfObjects::Number(dict, "/Contents")));
  }
}

}  // namespace

PdfRecord MakePdfRecord(int i) {
  const int minutes = i;
  const int day = 8 + minutes / 1440, hour = minutes / 60 % 24, minute = minutes % 60;
  return {i + 1, static_cast<std::int16_t>((i * 37) % 1200 - 400), static_cast<std::uint16_t>((i * 53) % 1000),
          core::format("2014-%.2d-%.2d %.2d:%.2d:%.2d", 4 + (day - 1) / 30, (day - 1) % 30 + 1, hour, minute, i % 60)};
}

PdfPages ReadPdfPages(const std::filesystem::path& file) {
  PdfObjects objects(ReadFile(file));
  const int root = PdfObjects::Number(objects.Trailer(), "/Root");
  PdfPages pages;
  CollectPages(objects, PdfObjects::Number(objects.Dictionary(root), "/Pages"), pages, 0);
  return pages;
}

std::vector<double> GridTops(const std::string& content, double page_height) {
  std::vector<double> tops;
  std::istringstream in(content);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 3 || line.compare(line.size() - 3, 3, " re") != 0) continue;
    std::istringstream nums(line);
    double x = 0, y = 0, w = 0, h = 0;
    nums >> x >> y >> w >> h;
    tops.push_back(page_height - (y + h));
  }
  return tops;
}

int StateNesting(const std::string& content) {
  std::istringstream in(content);
  std::string token;
  int depth = 0, deepest = 0;
  while (in >> token) {
    if (token == "q") deepest = std::max(deepest, ++depth);
    if (token == "Q" && --depth < 0) return -1;
  }
  return depth == 0 ? deepest : -1;
}

void PdfReportTest::SetUp() {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  platform::win::reset_window_system();
  platform::win::InitControls();
  clock_.set_wall(ReportBeginTime());
  scoped_clock_ = std::make_unique<core::ScopedClock>(clock_);
  platform::os::Services doubles;
  doubles.shell = &shell_;
  services_ = std::make_unique<platform::os::ScopedServices>(doubles);
  dialogs_ = std::make_unique<pc::DialogScript>();
  char tmpl[] = "/tmp/thc_pdf_report_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  work_ = tmpl;
  data_ = work_ / "data";
  std::filesystem::create_directory(data_);
  ReportHost host;
  host.state = &state_;
  host.data_folder = data_;
  report_ = std::make_unique<PdfReport>(host);
}

void PdfReportTest::TearDown() {
  report_.reset();
  for (const auto& u : dialogs_->unexpected()) ADD_FAILURE() << "unexpected dialog: " << u;
  EXPECT_EQ(dialogs_->pending(), 0u) << "dialogs expected but never shown";
  dialogs_.reset();
  platform::win::reset_window_system();
  services_.reset();
  scoped_clock_.reset();
  // THC_KEEP_REPORTS=1 keeps the written files for a look.
  if (::getenv("THC_KEEP_REPORTS") == nullptr) {
    std::error_code ec;
    std::filesystem::remove_all(work_, ec);
  }
}

void PdfReportTest::AddRecord(int i) {
  const PdfRecord r = MakePdfRecord(i);
  report_->AddPdfRow(r.number, r.temperature / 10.0, r.humidity / 10.0, r.time_text);
}

void PdfReportTest::WriteReport(int count) {
  dialogs_->Expect(pc::DialogKind::kMessageBox, "询问", "导出成功，是否打开文件？", 2);
  report_->BeginPdfReport("1", "温湿度历史记录", 300);
  for (int i = 0; i < count; ++i) AddRecord(i);
  report_->EndPdfReport();
}

std::vector<std::string> PdfReportTest::DataEntries() const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(data_)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace console::test
