// Adds 1,000,000 strings of which 10,000 are distinct to a shared-string table, the way string
// cells are written (AddString, then UseString), and reports the time taken and the memory held:
// the table's own count of its records, slot array and index, and the heap growth seen by malloc.
//
//   bench_workbook_sst [total] [distinct] [repeats]
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "workbook/shared_strings.h"

namespace {

std::size_t HeapInUse() {
  struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

// Texts like those of a report: readings with units, times and some Chinese labels.
std::vector<std::u16string> MakeTexts(int Distinct) {
  std::vector<std::u16string> texts;
  texts.reserve(static_cast<std::size_t>(Distinct));
  for (int i = 0; i < Distinct; ++i) {
    char buf[64];
    std::u16string t;
    switch (i % 4) {
      case 0: std::snprintf(buf, sizeof buf, "%d.%d\xB0""C", i / 10, i % 10); break;
      case 1: {  // a distinct time for every i below 4,000,000
        const long long s = 7LL * i;
        std::snprintf(buf, sizeof buf, "2026-%.2lld-%.2lld %.2lld:%.2lld:%.2lld", s / (86400 * 28) % 12 + 1,
                      s / 86400 % 28 + 1, s / 3600 % 24, s / 60 % 60, s % 60);
        break;
      }
      case 2: std::snprintf(buf, sizeof buf, "Sensor %05d", i); break;
      default: std::snprintf(buf, sizeof buf, "%d", i); break;
    }
    for (const char* p = buf; *p; ++p) t.push_back(static_cast<unsigned char>(*p));
    if (i % 4 == 3) t = u"温湿度记录 " + t;
    texts.push_back(std::move(t));
  }
  return texts;
}

}  // namespace

int main(int argc, char** argv) {
  const int total = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int distinct = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
  if (total <= 0 || distinct <= 0 || repeats <= 0) {
    std::fprintf(stderr, "usage: bench_workbook_sst [total] [distinct] [repeats]\n");
    return 2;
  }
  const std::vector<std::u16string> texts = MakeTexts(distinct);
  // A fixed pseudo-random order, so that equal texts do not arrive in runs.
  std::vector<int> order(static_cast<std::size_t>(total));
  std::uint32_t x = 12345;
  for (int& o : order) {
    x = x * 1664525u + 1013904223u;
    o = static_cast<int>((x >> 8) % static_cast<std::uint32_t>(distinct));
  }

  std::vector<char> seen(static_cast<std::size_t>(distinct), 0);
  int used = 0;
  for (int o : order)
    if (!seen[static_cast<std::size_t>(o)]) seen[static_cast<std::size_t>(o)] = 1, ++used;

  workbook::TXc12DataStyleSheet styles;
  std::vector<double> times;
  std::size_t tableBytes = 0, heapBytes = 0;
  long long checksum = 0;
  for (int r = 0; r < repeats; ++r) {
    const std::size_t before = HeapInUse();
    auto sst = std::make_unique<workbook::TXc12DataSST>(&styles);
    sst->AlreadyEscaped = false;
    const auto t0 = std::chrono::steady_clock::now();
    for (int o : order) {
      const int index = sst->AddString(texts[static_cast<std::size_t>(o)]);
      sst->UseString(index);
      checksum += index;
    }
    const auto t1 = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double>(t1 - t0).count());
    if (sst->Count() != used) {
      std::fprintf(stderr, "expected %d records, got %d\n", used, sst->Count());
      return 1;
    }
    tableBytes = sst->MemoryUsed();
    heapBytes = HeapInUse() - before;
  }
  std::sort(times.begin(), times.end());
  const double best = times.front(), median = times[times.size() / 2];
  std::printf("shared-string table: %d adds, %d distinct, %d runs\n", total, used, repeats);
  std::printf("  time   best %.1f ms, median %.1f ms (%.1f ns per add)\n", best * 1e3, median * 1e3,
              best * 1e9 / total);
  std::printf("  memory held by the table %.1f KiB (records, slots, index); heap growth %.1f KiB\n",
              tableBytes / 1024.0, heapBytes / 1024.0);
  std::printf("  (checksum %lld)\n", checksum);
  return 0;
}
