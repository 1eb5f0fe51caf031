// Parses a generated worksheet part of 100,000 rows x 10 cells (about 30 MB) with the library's
// reader and with expat, several times each, and prints the best throughput of both in MB/s.
// Both handlers do the work a binding does: look at every name and attribute value and at the
// text of every element; the reader decodes them to UTF-16, expat hands them over as UTF-8.
#include <expat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "bench/xml/expat_parse.h"
#include "bench/xml/worksheet_part.h"
#include "xml/xml_reader.h"

namespace {

struct Totals {
  long elements = 0;
  long attributes = 0;
  long value_units = 0;
  long text_units = 0;
  bool operator==(const Totals&) const = default;
};

class CountingReader : public ooxml::TXpgReadXML {
public:
  Totals t;
  void BeginTag() override {
    ++t.elements;
    volatile std::int32_t sum = TagByteSum();  // what the generated dispatch switches on
    (void)sum;
    for (int i = 0; i < Attributes.GetCount(); ++i) {
      ++t.attributes;
      t.value_units += static_cast<long>(Attributes.GetValue(i).size());
    }
    if (HasText()) t.text_units += static_cast<long>(GetText().size());
  }
};

struct ExpatCounter {
  Totals t;
  bool after_start = false;
  static void Start(void* self, const XML_Char*, const XML_Char** atts) {
    auto* c = static_cast<ExpatCounter*>(self);
    ++c->t.elements;
    for (int i = 0; atts[i]; i += 2) {
      ++c->t.attributes;
      c->t.value_units += static_cast<long>(std::strlen(atts[i + 1]));
    }
    c->after_start = true;
  }
  static void End(void* self, const XML_Char*) { static_cast<ExpatCounter*>(self)->after_start = false; }
  static void Chars(void* self, const XML_Char*, int len) {
    auto* c = static_cast<ExpatCounter*>(self);
    if (c->after_start) c->t.text_units += len;
  }
};

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main(int argc, char** argv) {
  // Arguments: [runs] [reader] -- "reader" skips expat, for profiling the reader alone.
  int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const bool reader_only = argc > 2 && std::strcmp(argv[2], "reader") == 0;
  const std::string sheet = bench::MakeSheet(100000, 10);
  const double mb = static_cast<double>(sheet.size()) / 1e6;
  std::printf("input: %.1f MB, 1,000,000 cells; best of %d runs each\n", mb, runs);

  double best_reader = 1e9, best_expat = 1e9;
  Totals reader_totals, expat_totals;
  for (int run = 0; run < runs; ++run) {
    CountingReader reader;
    ooxml::XmlViewStream in(sheet);
    auto t0 = std::chrono::steady_clock::now();
    reader.Parse(in);
    auto t1 = std::chrono::steady_clock::now();
    best_reader = std::min(best_reader, Seconds(t0, t1));
    reader_totals = reader.t;

    if (reader_only) continue;
    ExpatCounter counter;
    const double seconds = bench::ExpatTimedParse(counter, sheet);
    if (seconds < 0) return 1;
    best_expat = std::min(best_expat, seconds);
    expat_totals = counter.t;
  }
  if (reader_only) {
    std::printf("TXpgReadXML: %8.1f MB/s (%.3f s)\n", mb / best_reader, best_reader);
    return 0;
  }
  if (!(reader_totals == expat_totals)) {
    std::fprintf(stderr, "the readers disagree: elements %ld/%ld attributes %ld/%ld values %ld/%ld text %ld/%ld\n",
                 reader_totals.elements, expat_totals.elements, reader_totals.attributes, expat_totals.attributes,
                 reader_totals.value_units, expat_totals.value_units, reader_totals.text_units,
                 expat_totals.text_units);
    return 1;
  }
  std::printf("elements %ld, attributes %ld (both readers agree)\n", reader_totals.elements, reader_totals.attributes);
  std::printf("TXpgReadXML: %8.1f MB/s (%.3f s)\n", mb / best_reader, best_reader);
  std::printf("expat:       %8.1f MB/s (%.3f s)\n", mb / best_expat, best_expat);
  std::printf("ratio:       %8.2f x expat\n", best_expat / best_reader);
  return 0;
}
