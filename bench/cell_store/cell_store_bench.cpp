// Fills a cell store with 10,000,000 numbers (small integers and doubles, row by row, ten
// columns) and with 1,000,000 shared-string cells, and does the same with a naive
// std::map<(row, col), variant> store. Reports writes per second, a full read walk, and bytes per
// cell (heap in use, from the allocator, before and after each fill).
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "workbook/cell_store.h"

using namespace workbook;

namespace {

std::size_t HeapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;  // small chunks and mapped large ones
}

double Seconds(std::chrono::steady_clock::time_point Since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Since).count();
}

// Stand-ins that keep use counts the way the style sheet and string table do: a counter per index.
class Formats : public ICellStoreFormats {
public:
  std::vector<long> Uses = std::vector<long>(64);
  void UseXFIndex(int I) override { ++Uses[static_cast<std::size_t>(I)]; }
  void UseDefaultXF() override { ++Uses[0]; }
  void ReleaseXF(int I) override { --Uses[static_cast<std::size_t>(I)]; }
  void DecXFRefs(int I) override { ReleaseXF(I); }
};

class Strings : public ICellStoreStrings {
public:
  std::vector<std::u16string> Texts;
  std::vector<long> Uses;
  std::unordered_map<std::u16string, int> Index;
  int AddString(const std::u16string& T) override {
    auto [it, added] = Index.try_emplace(T, static_cast<int>(Texts.size()));
    if (added) {
      Texts.push_back(T);
      Uses.push_back(0);
    }
    return it->second;
  }
  void UseString(int I) override { ++Uses[static_cast<std::size_t>(I)]; }
  void ReleaseString(int I) override { --Uses[static_cast<std::size_t>(I)]; }
  void GetText(int I, std::u16string& T) override { T = Texts[static_cast<std::size_t>(I)]; }
};

using NaiveValue = std::variant<double, bool, std::uint8_t, int>;  // number, boolean, error, string index
using NaiveStore = std::map<std::pair<int, int>, NaiveValue>;

struct Result {
  double WriteSeconds = 0, ReadSeconds = 0;
  std::size_t Bytes = 0;
  double Checksum = 0;
};

void Print(const char* What, long Cells, const Result& R) {
  std::printf("%-34s %10.0f writes/s  %10.0f reads/s  %7.2f bytes/cell  (checksum %.6g)\n", What,
              Cells / R.WriteSeconds, Cells / R.ReadSeconds, static_cast<double>(R.Bytes) / Cells, R.Checksum);
}

}  // namespace

int main(int argc, char** argv) {
  const long numericCells = argc > 1 ? std::atol(argv[1]) : 10000000;
  const long stringCells = argc > 2 ? std::atol(argv[2]) : 1000000;
  const int cols = 10;

  // The same values for both stores: even columns small integers, odd columns doubles, of which
  // half are report-like decimals (one decimal place) and half arbitrary.
  std::vector<double> values(static_cast<std::size_t>(numericCells));
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  for (long i = 0; i < numericCells; ++i) {
    double v;
    if (i % 2 == 0)
      v = static_cast<double>(rng() % 200);
    else if (i % 4 == 1)
      v = static_cast<double>(static_cast<long>(rng() % 2000) - 1000) / 10.0;
    else
      v = any(rng);
    values[static_cast<std::size_t>(i)] = v;
  }

  std::printf("%ld numeric cells (small integers and doubles), %d columns\n", numericCells, cols);
  {
    Formats xf;
    Result r;
    std::size_t before = HeapInUse();
    auto store = std::make_unique<TXLSCellMMU>(0, 0, nullptr, &xf);
    auto t = std::chrono::steady_clock::now();
    for (long i = 0; i < numericCells; ++i)
      store->WriteFloat(static_cast<int>(i % cols), static_cast<int>(i / cols), 0, values[static_cast<std::size_t>(i)]);
    r.WriteSeconds = Seconds(t);
    r.Bytes = HeapInUse() - before;
    t = std::chrono::steady_clock::now();
    store->BeginIterate(0);
    while (store->IterNext()) r.Checksum += store->IterFloat();
    r.ReadSeconds = Seconds(t);
    Print("cell store", numericCells, r);
    std::printf("%-34s %7.2f bytes/cell in block buffers and records\n", "",
                static_cast<double>(store->MemoryUsed()) / numericCells);
  }
  {
    Result r;
    std::size_t before = HeapInUse();
    auto naive = std::make_unique<NaiveStore>();
    auto t = std::chrono::steady_clock::now();
    for (long i = 0; i < numericCells; ++i)
      naive->emplace_hint(naive->end(), std::make_pair(static_cast<int>(i / cols), static_cast<int>(i % cols)),
                          NaiveValue(values[static_cast<std::size_t>(i)]));
    r.WriteSeconds = Seconds(t);
    r.Bytes = HeapInUse() - before;
    t = std::chrono::steady_clock::now();
    for (const auto& [k, v] : *naive) r.Checksum += std::get<double>(v);
    r.ReadSeconds = Seconds(t);
    Print("std::map<(row,col),variant>", numericCells, r);
  }
  values.clear();
  values.shrink_to_fit();

  std::printf("\n%ld shared-string cells, %d columns, 10000 distinct texts\n", stringCells, cols);
  std::vector<std::u16string> texts;
  for (int i = 0; i < 10000; ++i) texts.push_back(u"记录 " + std::u16string(1, char16_t(u'A' + i % 26)) + std::u16string(i / 26 + 1, u'x'));
  std::vector<int> pick(static_cast<std::size_t>(stringCells));
  for (auto& p : pick) p = static_cast<int>(rng() % texts.size());
  {
    Formats xf;
    Strings sst;
    for (const auto& s : texts) sst.AddString(s);  // the table itself is not counted below
    Result r;
    std::size_t before = HeapInUse();
    auto store = std::make_unique<TXLSCellMMU>(0, 0, &sst, &xf);
    auto t = std::chrono::steady_clock::now();
    for (long i = 0; i < stringCells; ++i)
      store->WriteString(static_cast<int>(i % cols), static_cast<int>(i / cols), 0, texts[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])]);
    r.WriteSeconds = Seconds(t);
    r.Bytes = HeapInUse() - before;
    t = std::chrono::steady_clock::now();
    store->BeginIterate(0);
    while (store->IterNext()) r.Checksum += store->IterStringIndex();
    r.ReadSeconds = Seconds(t);
    Print("cell store", stringCells, r);
  }
  {
    Strings sst;
    for (const auto& s : texts) sst.AddString(s);
    Result r;
    std::size_t before = HeapInUse();
    auto naive = std::make_unique<NaiveStore>();
    auto t = std::chrono::steady_clock::now();
    for (long i = 0; i < stringCells; ++i) {
      int index = sst.AddString(texts[static_cast<std::size_t>(pick[static_cast<std::size_t>(i)])]);
      sst.UseString(index);
      naive->emplace_hint(naive->end(), std::make_pair(static_cast<int>(i / cols), static_cast<int>(i % cols)),
                          NaiveValue(index));
    }
    r.WriteSeconds = Seconds(t);
    r.Bytes = HeapInUse() - before;
    t = std::chrono::steady_clock::now();
    for (const auto& [k, v] : *naive) r.Checksum += std::get<int>(v);
    r.ReadSeconds = Seconds(t);
    Print("std::map<(row,col),variant>", stringCells, r);
  }
  return 0;
}
