// Writes the same 10,000-row report with the PDF writer (canvas text and page grid, as the console's
// PDF report draws it) and with libharu (an embedded TrueType font with UTF-8 text), and prints time
// and size of each, with the ratios, in one run.
#include <hpdf.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/strings.h"
#include "pdf/document.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"
#include "platform/gdi/metafile_canvas.h"

namespace {

constexpr int kRows = 10000;

struct Row {
  std::string number, temperature, humidity, time;
};

Row MakeRow(int i) {
  const int t = (i * 37) % 900 - 200, h = (i * 53) % 1000;
  return {std::to_string(i + 1), core::format("%g", t / 10.0), core::format("%g", h / 10.0),
          core::format("2014-04-%02d %02d:%02d:%02d", 1 + i / 1440 % 28, i / 60 % 24, i % 60, (i * 7) % 60)};
}

// The console's layout: title and header on the first page, 47 rows there and 51 on later pages,
// canvas text rows 20 units apart and grid rows of 15 page units.
double WriteOurs(const std::string& file, pdf::TCompressionType compression) {
  const auto start = std::chrono::steady_clock::now();
  pdf::TPDFDocument doc;
  doc.SetFileName(file);
  doc.SetCompression(compression);
  doc.BeginDoc();
  auto grid_row = [&](int top) {
    pdf::TPDFPage* p = doc.CurrentPage;
    p->SaveState();
    p->NewPath();
    for (int w : {63, 153, 243, 480}) p->Rectangle(57, top, 57 + w, top + 15);
    p->ClosePath();
    p->Stroke();
  };
  platform::gdi::Canvas* c = pdf::PageCanvas(doc);
  c->Font.Name = "宋体";
  c->Font.Charset = platform::gdi::GB2312_CHARSET;
  c->Font.Size = 20;
  c->TextOut(300, 30, "温湿度历史记录");
  c->Font.Size = 10;
  c->TextOut(88, 100, "序号");
  c->TextOut(170, 100, "温度");
  c->TextOut(290, 100, "湿度");
  c->TextOut(410, 100, "日期");
  grid_row(73);
  int grid_y = 88, text_y = 120, count = 4;
  for (int i = 0; i < kRows; ++i) {
    const Row r = MakeRow(i);
    c->Font.Size = 10;
    c->TextOut(90, text_y, r.number);
    c->TextOut(170, text_y, r.temperature);
    c->TextOut(290, text_y, r.humidity);
    c->TextOut(410, text_y, r.time);
    grid_row(grid_y);
    grid_y += 15;
    text_y += 20;
    if (++count == 51) {
      doc.NewPage();
      c = pdf::PageCanvas(doc);
      c->Font.Name = "宋体";
      c->Font.Charset = platform::gdi::GB2312_CHARSET;
      count = 0;
      grid_y = 43;
      text_y = 60;
    }
  }
  doc.EndDoc();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string FontFile() {
  std::FILE* p = popen("fc-match -f '%{file}' 'AR PL SungtiL GB'", "r");
  std::string out;
  if (p != nullptr) {
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

void OnHpdfError(HPDF_STATUS error, HPDF_STATUS detail, void*) {
  std::fprintf(stderr, "libharu error %04X (%u)\n", static_cast<unsigned>(error), static_cast<unsigned>(detail));
}

double WriteHaru(const std::string& file, const std::string& font_file, bool compress) {
  const auto start = std::chrono::steady_clock::now();
  HPDF_Doc pdf = HPDF_New(OnHpdfError, nullptr);
  HPDF_SetCompressionMode(pdf, compress ? HPDF_COMP_ALL : HPDF_COMP_NONE);
  HPDF_UseUTFEncodings(pdf);
  HPDF_SetCurrentEncoder(pdf, "UTF-8");
  const char* name = HPDF_LoadTTFontFromFile(pdf, font_file.c_str(), HPDF_TRUE);
  HPDF_Font font = HPDF_GetFont(pdf, name, "UTF-8");
  HPDF_Page page = nullptr;
  const double k = 0.75;  // canvas pixels at 96 dpi to points
  auto new_page = [&] {
    page = HPDF_AddPage(pdf);
    HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
  };
  auto text = [&](double size, int x, int y, const std::string& s) {
    HPDF_Page_BeginText(page);
    HPDF_Page_SetFontAndSize(page, font, static_cast<HPDF_REAL>(size));
    HPDF_Page_TextOut(page, static_cast<HPDF_REAL>(x * k), static_cast<HPDF_REAL>(842 - y * k - size), s.c_str());
    HPDF_Page_EndText(page);
  };
  auto grid_row = [&](int top) {
    for (int w : {63, 153, 243, 480})
      HPDF_Page_Rectangle(page, 57, static_cast<HPDF_REAL>(842 - top - 15), static_cast<HPDF_REAL>(w), 15);
    HPDF_Page_Stroke(page);
  };
  new_page();
  text(20, 300, 30, "温湿度历史记录");
  for (auto [x, s] : {std::pair{88, "序号"}, {170, "温度"}, {290, "湿度"}, {410, "日期"}}) text(10, x, 100, s);
  grid_row(73);
  int grid_y = 88, text_y = 120, count = 4;
  for (int i = 0; i < kRows; ++i) {
    const Row r = MakeRow(i);
    text(10, 90, text_y, r.number);
    text(10, 170, text_y, r.temperature);
    text(10, 290, text_y, r.humidity);
    text(10, 410, text_y, r.time);
    grid_row(grid_y);
    grid_y += 15;
    text_y += 20;
    if (++count == 51) {
      new_page();
      count = 0;
      grid_y = 43;
      text_y = 60;
    }
  }
  HPDF_SaveToFile(pdf, file.c_str());
  HPDF_Free(pdf);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string font = FontFile();
  std::printf("%d rows; libharu font: %s\n", kRows, font.c_str());
  struct Run {
    const char* name;
    double seconds;
    std::uintmax_t bytes;
  };
  // The best of three runs: the first one of each writer also pays for loading fonts.
  auto run = [&](const char* name, const std::string& file, auto&& write) {
    double s = write(file);
    for (int i = 0; i < 2; ++i) s = std::min(s, write(file));
    const Run r{name, s, std::filesystem::file_size(file)};
    std::printf("%-26s %8.3f s %12ju bytes\n", r.name, r.seconds, r.bytes);
    std::filesystem::remove(file);
    return r;
  };
  const Run ours = run("thconsole (no compression)", (dir / "thc_bench_ours.pdf").string(),
                       [](const std::string& f) { return WriteOurs(f, pdf::TCompressionType::ctNone); });
  const Run ours_z = run("thconsole (deflate)", (dir / "thc_bench_ours_z.pdf").string(),
                         [](const std::string& f) { return WriteOurs(f, pdf::TCompressionType::ctFlate); });
  const Run haru = run("libharu (no compression)", (dir / "thc_bench_haru.pdf").string(),
                       [&](const std::string& f) { return WriteHaru(f, font, false); });
  const Run haru_z = run("libharu (deflate)", (dir / "thc_bench_haru_z.pdf").string(),
                         [&](const std::string& f) { return WriteHaru(f, font, true); });
  std::printf("time ratio thconsole/libharu: %.2f (uncompressed), %.2f (deflate)\n", ours.seconds / haru.seconds,
              ours_z.seconds / haru_z.seconds);
  std::printf("size ratio thconsole/libharu: %.2f (uncompressed), %.2f (deflate)\n",
              static_cast<double>(ours.bytes) / static_cast<double>(haru.bytes),
              static_cast<double>(ours_z.bytes) / static_cast<double>(haru_z.bytes));
  return 0;
}
