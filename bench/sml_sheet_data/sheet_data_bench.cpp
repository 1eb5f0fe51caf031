// Reads a generated worksheet part of 100,000 rows x 10 cells (about 30 MB) through the SpreadsheetML
// bindings, every cell and row handed to its event through one reused item, and parses the same
// bytes with expat, whose handler looks at every name, attribute value and text as the events do.
// Prints the best throughput of both in MB/s and the allocations the binding made while reading.
#include <expat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "bench/xml/expat_parse.h"
#include "bench/xml/worksheet_part.h"
#include "ooxml/spreadsheetml/tests/sheet_host.h"
#include "xml/xml_stream.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// Every allocation of the program is counted; the reading is the only work while it runs.
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

struct Totals {
  long cells = 0;
  long rows = 0;
  long value_units = 0;
};

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

struct ExpatCounter {
  Totals t;
  bool in_v = false;
  static void Start(void* self, const XML_Char* name, const XML_Char** atts) {
    auto* c = static_cast<ExpatCounter*>(self);
    if (std::strcmp(name, "c") == 0) ++c->t.cells;
    else if (std::strcmp(name, "row") == 0) ++c->t.rows;
    c->in_v = std::strcmp(name, "v") == 0;
    for (int i = 0; atts[i]; i += 2) {
      volatile std::size_t n = std::strlen(atts[i + 1]);
      (void)n;
    }
  }
  static void End(void* self, const XML_Char*) { static_cast<ExpatCounter*>(self)->in_v = false; }
  static void Chars(void* self, const XML_Char*, int len) {
    auto* c = static_cast<ExpatCounter*>(self);
    if (c->in_v) c->t.value_units += len;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string sheet = bench::MakeSheet(100000, 10);
  const double mb = static_cast<double>(sheet.size()) / 1e6;
  std::printf("input: %.1f MB, 1,000,000 cells; best of %d runs each\n", mb, runs);

  double best_binding = 1e9, best_expat = 1e9;
  long allocations = 0;
  Totals binding, expat;
  for (int run = 0; run < runs; ++run) {
    ooxml::sml::SheetDataHost doc;
    Totals t;
    doc.data.row->OnReadCell = [&t](ooxml::sml::TCT_Cell& c) {
      ++t.cells;
      t.value_units += static_cast<long>(c.v.size());
    };
    doc.data.OnReadRow = [&t](ooxml::sml::TCT_Row&) { ++t.rows; };
    ooxml::XmlViewStream in(sheet);
    const long before = g_allocations.load();
    auto t0 = std::chrono::steady_clock::now();
    doc.LoadFromStream(in);
    auto t1 = std::chrono::steady_clock::now();
    allocations = g_allocations.load() - before;
    best_binding = std::min(best_binding, Seconds(t0, t1));
    binding = t;

    ExpatCounter counter;
    const double seconds = bench::ExpatTimedParse(counter, sheet);
    if (seconds < 0) return 1;
    best_expat = std::min(best_expat, seconds);
    expat = counter.t;
  }
  if (binding.cells != expat.cells || binding.rows != expat.rows || binding.value_units != expat.value_units) {
    std::fprintf(stderr, "the readers disagree: cells %ld/%ld rows %ld/%ld value characters %ld/%ld\n", binding.cells,
                 expat.cells, binding.rows, expat.rows, binding.value_units, expat.value_units);
    return 1;
  }
  std::printf("cells %ld, rows %ld (both readers agree)\n", binding.cells, binding.rows);
  std::printf("allocations while reading: %ld (%.5f per cell)\n", allocations,
              static_cast<double>(allocations) / static_cast<double>(binding.cells));
  std::printf("bindings:  %8.1f MB/s (%.3f s)\n", mb / best_binding, best_binding);
  std::printf("expat:     %8.1f MB/s (%.3f s)\n", mb / best_expat, best_expat);
  std::printf("ratio:     %8.2f x expat\n", best_expat / best_binding);
  // A regression to an allocation per cell fails the run.
  return allocations < binding.cells / 100 ? 0 : 1;
}
