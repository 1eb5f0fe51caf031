// A BIFF5 workbook made record by record for tests (LibreOffice no longer writes BIFF5): sheets
// Data and Calc, Calc holding formulas with 3-D references, a name, strings in code page 936, IF
// and CHOOSE with their jumps, an array constant and a shared formula; optionally a chart sheet
// between the two worksheets.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "platform/storage/compound_file.h"

namespace biff::testing {

using Bytes = std::vector<std::uint8_t>;

class TStreamWriter {
public:
  void Record(std::uint16_t Id, const Bytes& Body) {
    core::ByteWriter w;
    w.u16le(Id);
    w.u16le(static_cast<std::uint16_t>(Body.size()));
    Data.insert(Data.end(), w.data().begin(), w.data().end());
    Data.insert(Data.end(), Body.begin(), Body.end());
  }
  int Pos() const { return static_cast<int>(Data.size()); }
  Bytes Data;
};

inline Bytes Cat(std::initializer_list<Bytes> Parts) {
  Bytes out;
  for (const Bytes& p : Parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline Bytes Le16(int V) { return {static_cast<std::uint8_t>(V), static_cast<std::uint8_t>(V >> 8)}; }
inline Bytes Double(double V) {
  Bytes b(8);
  core::store_le_double(b.data(), V);
  return b;
}
inline Bytes Text8(const std::string& S) {
  Bytes b{static_cast<std::uint8_t>(S.size())};
  b.insert(b.end(), S.begin(), S.end());
  return b;
}

inline const Bytes kZero8(8, 0), kZero12(12, 0);
// GBK bytes of 大 and 小 (code page 936).
inline const std::string kBig = "\xB4\xF3", kSmall = "\xD0\xA1";

struct TFormula {
  int Row, Col;
  Bytes Ptgs;       // BIFF5 tokens, then their extra data
  int Cce;          // the tokens' length
  double Number;    // the cached number, or
  std::string Str;  // the cached text (when not empty)
  const char* Text; // the formula text expected
};

// C1.. of the second sheet, Calc; A1:A3 of Data hold 4, 5, 6, A1:B3 of Calc 3, 7 / 1 / 2.
inline std::vector<TFormula> Formulas() {
  const Bytes ref3d = Cat({{0x5A, 0xFF, 0xFF}, kZero8, {0, 0, 0, 0, 0x00, 0xC0, 0x00}});
  const Bytes area3d = Cat({{0x3B, 0xFF, 0xFF}, kZero8, {0, 0, 0, 0, 0x00, 0xC0, 0x02, 0xC0, 0x00, 0x00}});
  std::vector<TFormula> f;
  f.push_back({0, 2, Cat({ref3d, {0x1E, 0x02, 0x00, 0x05}}), 0, 8, "", "Data!A1*2"});
  f.push_back({1, 2, Cat({area3d, {0x19, 0x10, 0x00, 0x00}}), 0, 15, "", "SUM(Data!A1:A3)"});
  f.push_back({2, 2,
               Cat({{0x44, 0x00, 0xC0, 0x00, 0x1E, 0x01, 0x00, 0x0D, 0x19, 0x02, 0x08, 0x00, 0x17, 0x02},
                    Bytes(kBig.begin(), kBig.end()), {0x19, 0x08, 0x0B, 0x00, 0x17, 0x02},
                    Bytes(kSmall.begin(), kSmall.end()), {0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x01, 0x00}}),
               0, 0, kBig, "IF(A1>1,\"大\",\"小\")"});
  f.push_back({3, 2, Cat({{0x43, 0x01, 0x00}, kZero12, {0x1E, 0x01, 0x00, 0x03}}), 0, 5, "", "Rate+1"});
  f.push_back({4, 2,
               {0x1E, 0x02, 0x00, 0x19, 0x04, 0x03, 0x00, 0x08, 0x00, 0x10, 0x00, 0x18, 0x00, 0x24, 0x00,
                0x44, 0x00, 0xC0, 0x00, 0x19, 0x08, 0x17, 0x00, 0x44, 0x00, 0xC0, 0x01, 0x19, 0x08, 0x0F, 0x00,
                0x44, 0x00, 0xC0, 0x00, 0x1E, 0x0A, 0x00, 0x05, 0x19, 0x08, 0x03, 0x00, 0x42, 0x04, 0x64, 0x00},
               0, 7, "", "CHOOSE(2,A1,B1,A1*10)"});
  f.push_back({5, 2,
               Cat({{0x60, 0, 0, 0, 0, 0, 0, 0, 0x42, 0x01, 0x04, 0x00}, {0x02, 0x02, 0x00}, {0x01}, Double(1), {0x01},
                    Double(2), {0x01}, Double(3), {0x01}, Double(4)}),
               12, 10, "", "SUM({1,2;3,4})"});
  f.push_back({6, 2, {0x44, 0x00, 0x00, 0x00, 0x44, 0x00, 0x40, 0x01, 0x03}, 0, 10, "", "$A$1+B$1"});
  for (TFormula& x : f)
    if (x.Cce == 0) x.Cce = static_cast<int>(x.Ptgs.size());
  return f;
}

// The whole BIFF5 file in a compound file's "Book" stream: globals, the sheets Data and Calc, and
// with ChartSheet a chart sheet, Chart1, between them.
inline core::Bytes BIFF5Workbook(bool ChartSheet) {
  TStreamWriter g;
  g.Record(0x0809, {0x00, 0x05, 0x05, 0x00, 0xBB, 0x0D, 0xCC, 0x07});
  g.Record(0x0042, Le16(936));
  g.Record(0x003D, Cat({Le16(360), Le16(270), Le16(14940), Le16(9150), Le16(0x38), Le16(0), Le16(0), Le16(1), Le16(600)}));
  for (int i = 0; i < 4; ++i)
    g.Record(0x0031, Cat({Le16(200), Le16(0), Le16(0x7FFF), Le16(400), Le16(0), {0, 0, 0, 0}, Text8("Arial")}));
  for (int i = 0; i < 16; ++i) {
    Bytes xf = {0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0xF4, 0xC0, 0x20, 0, 0, 0, 0, 0, 0};
    if (i == 0) xf[7] = 0;
    if (i == 15) {
      xf[4] = 0x01;
      xf[5] = 0x00;
      xf[7] = 0;
    }
    g.Record(0x00E0, xf);
  }
  g.Record(0x0293, {0x00, 0x80, 0x00, 0xFF});
  // The BOUNDSHEET records by tab: Data, (Chart1,) Calc.
  std::vector<int> boundsheet;
  for (const char* name : {"Data", "Chart1", "Calc"}) {
    const bool chart = std::string(name) == "Chart1";
    if (chart && !ChartSheet) continue;
    boundsheet.push_back(g.Pos() + 4);
    g.Record(0x0085, Cat({{0, 0, 0, 0, 0, static_cast<std::uint8_t>(chart ? 0x02 : 0x00)}, Text8(name)}));
  }
  g.Record(0x0016, Le16(2));
  g.Record(0x0017, Cat({{5, 0x03}, {'D', 'a', 't', 'a'}}));
  g.Record(0x0017, Cat({{5, 0x03}, {'C', 'a', 'l', 'c'}}));
  // Rate = Data!$A$1
  g.Record(0x0018, Cat({{0, 0, 0, 4}, Le16(18), Le16(0), Le16(0), {0, 0, 0, 0}, {'R', 'a', 't', 'e'},
                        {0x3A, 0xFF, 0xFF}, kZero8, {0, 0, 0, 0, 0x00, 0x00, 0x00}}));
  g.Record(0x000A, {});

  auto cellHead = [](int Row, int Col) { return Cat({Le16(Row), Le16(Col), Le16(15)}); };
  auto sheet = [&](int Index, const std::function<void(TStreamWriter&)>& Cells) {
    const int pos = g.Pos();
    const int tab = Index == 1 && ChartSheet ? 2 : Index;
    core::store_le32(g.Data.data() + boundsheet[static_cast<std::size_t>(tab)], static_cast<std::uint32_t>(pos));
    g.Record(0x0809, {0x00, 0x05, 0x10, 0x00, 0xBB, 0x0D, 0xCC, 0x07});
    g.Record(0x0200, Cat({Le16(0), Le16(7), Le16(0), Le16(3), Le16(0)}));
    Cells(g);
    g.Record(0x023E, Cat({Le16(Index == 0 ? 0x06B6 : 0x04B6), Bytes(8, 0)}));
    g.Record(0x000A, {});
  };
  sheet(0, [&](TStreamWriter& w) {
    for (int r = 0; r < 3; ++r) w.Record(0x0203, Cat({cellHead(r, 0), Double(4 + r)}));
  });
  if (ChartSheet) {
    // A column chart of Data!$A$1:$A$3 on a sheet of its own.
    core::store_le32(g.Data.data() + boundsheet[1], static_cast<std::uint32_t>(g.Pos()));
    g.Record(0x0809, {0x00, 0x05, 0x20, 0x00, 0xBB, 0x0D, 0xCC, 0x07});
    g.Record(0x1001, Le16(0));
    g.Record(0x1002, Cat({Bytes(8, 0), {0, 0, 0xF4, 0x01, 0, 0, 0x2C, 0x01}}));
    g.Record(0x1033, {});
    g.Record(0x1003, Cat({Le16(1), Le16(1), Le16(3), Le16(3), Le16(1), Le16(0)}));
    g.Record(0x1033, {});
    g.Record(0x1051, Cat({{0, 1}, Le16(0), Le16(0), Le16(0)}));
    g.Record(0x1051, Cat({{1, 2}, Le16(0), Le16(0), Le16(21), {0x3B, 0xFF, 0xFF}, kZero8,
                          {0, 0, 0, 0, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00}}));
    g.Record(0x1051, Cat({{2, 1}, Le16(0), Le16(0), Le16(0)}));
    g.Record(0x1051, Cat({{3, 1}, Le16(0), Le16(0), Le16(0)}));
    g.Record(0x1045, Le16(0));
    g.Record(0x1034, {});
    g.Record(0x1014, Cat({Bytes(16, 0), Le16(0), Le16(0)}));
    g.Record(0x1033, {});
    g.Record(0x1017, Cat({Le16(0), Le16(50), Le16(0)}));
    g.Record(0x1034, {});
    g.Record(0x1034, {});
    g.Record(0x000A, {});
  }
  sheet(1, [&](TStreamWriter& w) {
    const double a[] = {3, 1, 2};
    for (int r = 0; r < 3; ++r) w.Record(0x0203, Cat({cellHead(r, 0), Double(a[r])}));
    w.Record(0x0203, Cat({cellHead(0, 1), Double(7)}));
    for (const TFormula& f : Formulas()) {
      const Bytes result = f.Str.empty() ? Double(f.Number) : Bytes{0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
      w.Record(0x0006, Cat({cellHead(f.Row, f.Col), result, Le16(0), {0, 0, 0, 0}, Le16(f.Cce), f.Ptgs}));
      if (!f.Str.empty()) w.Record(0x0207, Cat({Le16(static_cast<int>(f.Str.size())), Bytes(f.Str.begin(), f.Str.end())}));
    }
    // D1:D3 share A1*3: D1 holds the shared tokens, every cell points at D1.
    const double d[] = {9, 3, 6};
    for (int r = 0; r < 3; ++r) {
      w.Record(0x0006, Cat({cellHead(r, 3), Double(d[r]), Le16(0x0008), {0, 0, 0, 0}, Le16(5), {0x01}, Le16(0), Le16(3)}));
      if (r == 0)
        w.Record(0x04BC, Cat({Le16(0), Le16(2), {3, 3, 0, 3}, Le16(8), {0x4C, 0x00, 0xC0, 0xFD, 0x1E, 0x03, 0x00, 0x05}}));
    }
  });
  platform::storage::CompoundFile cf;
  cf.root().create_stream(u"Book").data = g.Data;
  return cf.serialize();
}

}  // namespace biff::testing
