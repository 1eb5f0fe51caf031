#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

using namespace platform::gdi;

namespace {

constexpr int kW = 1024, kH = 768;

// A memory DC over a 32-bit bitmap, freed at the end of the benchmark.
struct Surface {
  HBITMAP bitmap;
  HDC dc;
  HGDIOBJ old;
  Surface(int w, int h, Pixel fill) {
    bitmap = CreateBitmapFromPixels(Bitmap(w, h, PixelFormat::k32bit, fill));
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

void set_rate(benchmark::State& state, double pixels_per_iteration) {
  state.counters["pixels/s"] =
      benchmark::Counter(pixels_per_iteration * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_MemcpyCeiling(benchmark::State& state) {
  std::vector<Pixel> a(kW * kH, 0x123456), b(kW * kH);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size() * sizeof(Pixel));
    benchmark::DoNotOptimize(b.data());
  }
  set_rate(state, kW * kH);
}
BENCHMARK(BM_MemcpyCeiling);

void BM_BitBlt(benchmark::State& state) {
  const DWORD rop = static_cast<DWORD>(state.range(0));
  Surface dst(kW, kH, 0x204060), src(kW, kH, 0x806040);
  HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
  SelectObject(dst.dc, brush);
  for (auto _ : state) BitBlt(dst.dc, 0, 0, kW, kH, src.dc, 0, 0, rop);
  set_rate(state, kW * kH);
  SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}
BENCHMARK(BM_BitBlt)->Arg(SRCCOPY)->Arg(SRCINVERT)->Arg(SRCAND)->Arg(PATCOPY)->Arg(0x00E20746)->ArgName("rop");

void BM_StretchBltDouble(benchmark::State& state) {
  Surface dst(kW, kH, 0), src(kW / 2, kH / 2, 0x806040);
  SetStretchBltMode(dst.dc, COLORONCOLOR);
  for (auto _ : state) StretchBlt(dst.dc, 0, 0, kW, kH, src.dc, 0, 0, kW / 2, kH / 2, SRCCOPY);
  set_rate(state, kW * kH);
}
BENCHMARK(BM_StretchBltDouble);

void BM_MaskBltKeyColour(benchmark::State& state) {
  Surface dst(kW, kH, 0), src(kW, kH, 0x806040);
  // Every other column is the key colour.
  Bitmap* s = GetBitmapPixels(src.bitmap);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; x += 2) s->set_pixel(x, y, 0xFF00FF);
  HBITMAP mask = CreateBitmap(kW, kH, 1, 1, nullptr);
  HDC mask_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mask_dc, mask);
  SetBkColor(src.dc, RGB(255, 0, 255));
  BitBlt(mask_dc, 0, 0, kW, kH, src.dc, 0, 0, SRCCOPY);
  SelectObject(mask_dc, old);
  DeleteDC(mask_dc);
  for (auto _ : state) MaskBlt(dst.dc, 0, 0, kW, kH, src.dc, 0, 0, mask, 0, 0, MAKEROP4(0x00AA0029, SRCCOPY));
  set_rate(state, kW * kH);
  DeleteObject(mask);
}
BENCHMARK(BM_MaskBltKeyColour);

void BM_FillRectClippedByRegion(benchmark::State& state) {
  Surface dst(kW, kH, 0);
  // A clip region of 64 separate tiles.
  HRGN clip = CreateRectRgn(0, 0, 0, 0);
  for (int ty = 0; ty < 8; ++ty)
    for (int tx = 0; tx < 8; ++tx) {
      HRGN t = CreateRectRgn(tx * 128, ty * 96, tx * 128 + 120, ty * 96 + 90);
      CombineRgn(clip, clip, t, RGN_OR);
      DeleteObject(t);
    }
  SelectClipRgn(dst.dc, clip);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  RECT all{0, 0, kW, kH};
  for (auto _ : state) FillRect(dst.dc, &all, brush);
  set_rate(state, 64.0 * 120 * 90);
  DeleteObject(brush);
  SelectClipRgn(dst.dc, nullptr);
  DeleteObject(clip);
}
BENCHMARK(BM_FillRectClippedByRegion);

// Fills the target with lines of text; the rate counts the pixels of the text boxes drawn.
void text_bench(benchmark::State& state, std::string_view face, int height, const std::string& line) {
  Surface dst(kW, kH, 0xFFFFFF);
  HFONT font = CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
  SelectObject(dst.dc, font);
  SetBkMode(dst.dc, TRANSPARENT);
  TEXTMETRIC tm;
  GetTextMetrics(dst.dc, &tm);
  SIZE ext;
  GetTextExtentPoint32(dst.dc, line, &ext);
  const int lines = kH / tm.tmHeight;
  for (auto _ : state)
    for (int i = 0; i < lines; ++i) {
      RECT r{0, i * tm.tmHeight, kW, (i + 1) * tm.tmHeight};
      DrawText(dst.dc, line, &r, DT_SINGLELINE | DT_NOPREFIX);
    }
  set_rate(state, static_cast<double>(lines) * std::min<LONG>(ext.cx, kW) * tm.tmHeight);
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(lines) * line.size() * state.iterations(),
                                                 benchmark::Counter::kIsRate);
  SelectObject(dst.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}

void BM_DrawTextTestFont(benchmark::State& state) {
  text_bench(state, kTestFontFace, -8, std::string(160, 'x') + " The quick brown fox");
}
BENCHMARK(BM_DrawTextTestFont);

void BM_DrawTextLatinOutline(benchmark::State& state) {
  text_bench(state, "Arial", -12, "The quick brown fox jumps over the lazy dog 0123456789 temperature humidity");
}
BENCHMARK(BM_DrawTextLatinOutline);

void BM_DrawTextChineseOutline(benchmark::State& state) {
  text_bench(state, "宋体", -12, "温度湿度记录仪参数设置通讯端口波特率报警记录历史数据下载保存报表温度湿度记录仪参数设置通讯端口波特率");
}
BENCHMARK(BM_DrawTextChineseOutline);

}  // namespace

BENCHMARK_MAIN();
