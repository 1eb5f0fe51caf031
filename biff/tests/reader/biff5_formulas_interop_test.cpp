// Formulas of a BIFF5 workbook: a file made here record by record (LibreOffice no longer writes
// BIFF5) with 3-D references, a name, strings in the file's code page, IF and CHOOSE with their
// jumps, an array constant and a shared formula. The library reads them as formula text and
// calculates them; LibreOffice headless, reading the same file, shows the same texts and values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "biff/legacy/legacy_document.h"
#include "core/byte_io.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "platform/storage/compound_file.h"
#include "workbook/spreadsheet_component.h"

namespace biff {
namespace {

namespace fs = std::filesystem;
namespace wb = workbook;
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

Bytes Cat(std::initializer_list<Bytes> Parts) {
  Bytes out;
  for (const Bytes& p : Parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Le16(int V) { return {static_cast<std::uint8_t>(V), static_cast<std::uint8_t>(V >> 8)}; }
Bytes Double(double V) {
  Bytes b(8);
  core::store_le_double(b.data(), V);
  return b;
}
Bytes Text8(const std::string& S) {
  Bytes b{static_cast<std::uint8_t>(S.size())};
  b.insert(b.end(), S.begin(), S.end());
  return b;
}

const Bytes kZero8(8, 0), kZero12(12, 0);
// GBK bytes of 大 and 小 (code page 936).
const std::string kBig = "\xB4\xF3", kSmall = "\xD0\xA1";

struct TFormula {
  int Row, Col;
  Bytes Ptgs;       // BIFF5 tokens, then their extra data
  int Cce;          // the tokens' length
  double Number;    // the cached number, or
  std::string Str;  // the cached text (when not empty)
  const char* Text; // the formula text expected
};

// C1.. of the second sheet, Calc; A1:A3 of Data hold 4, 5, 6, A1:B3 of Calc 3, 7 / 1 / 2.
std::vector<TFormula> Formulas() {
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

// The whole BIFF5 file: globals, the sheets Data and Calc, in a compound file's "Book" stream.
core::Bytes BIFF5Workbook() {
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
  std::vector<int> boundsheet;
  for (const char* name : {"Data", "Calc"}) {
    boundsheet.push_back(g.Pos() + 4);
    g.Record(0x0085, Cat({{0, 0, 0, 0, 0, 0}, Text8(name)}));
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
    core::store_le32(g.Data.data() + boundsheet[static_cast<std::size_t>(Index)], static_cast<std::uint32_t>(pos));
    g.Record(0x0809, {0x00, 0x05, 0x10, 0x00, 0xBB, 0x0D, 0xCC, 0x07});
    g.Record(0x0200, Cat({Le16(0), Le16(7), Le16(0), Le16(3), Le16(0)}));
    Cells(g);
    g.Record(0x023E, Cat({Le16(Index == 0 ? 0x06B6 : 0x04B6), Bytes(8, 0)}));
    g.Record(0x000A, {});
  };
  sheet(0, [&](TStreamWriter& w) {
    for (int r = 0; r < 3; ++r) w.Record(0x0203, Cat({cellHead(r, 0), Double(4 + r)}));
  });
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

std::u16string CellFormula(wb::TXLSSpreadsheet5& X, int Sheet, int Col, int Row) {
  wb::TMMUCellRef ref;
  wb::TXLSCellMMU* cells = X.GetItem(Sheet)->GetCells();
  if (!cells->FindCell(Col, Row, ref)) return u"(no cell)";
  const std::uint8_t* ptgs = nullptr;
  const int len = wb::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
  auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(X.GetFormulaHandler());
  return handler && len > 0 ? handler->DecodeFormula(cells, Sheet, ptgs, len, false) : u"(no formula)";
}

struct TCellSeen {
  std::string Formula, Value;
};

std::string Number(double V) {
  char b[40];
  std::snprintf(b, sizeof b, "%.15g", V);
  return b;
}

TEST(BIFF5Formulas, ReadAsTextCalculatedAndAsLibreOfficeSeesThem) {
  const core::testing::TempDir scratch("thc_biff5_formulas");
  const fs::path file = scratch.path() / "biff5.xls";
  {
    const core::Bytes bytes = BIFF5Workbook();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  wb::TXLSSpreadsheetNeighbours n;
  RegisterLegacyNeighbours(n);
  wb::TXLSSpreadsheet5 xls{n};
  xls.LoadFromFile(core::u16(file.string()));
  ASSERT_EQ(xls.GetCount(), 2);
  // Numbers after the library's own calculation, texts as read.
  xls.GetFormulaHandler()->Calculate();
  std::map<std::string, TCellSeen> ours;
  auto seen = [&](int Row, int Col) {
    TCellSeen s;
    s.Formula = core::utf16_to_utf8(CellFormula(xls, 1, Col, Row));
    wb::TMMUCellRef ref;
    if (xls.GetItem(1)->GetCells()->FindCell(Col, Row, ref)) {
      if (wb::TXLSCellMMU::CellType(ref) == wb::cvkStringFormula) {
        std::u16string text;
        wb::TXLSCellMMU::GetFormulaString(ref, text);
        s.Value = core::utf16_to_utf8(text);
      } else {
        s.Value = Number(wb::TXLSCellMMU::GetFormulaFloat(ref));
      }
    }
    return s;
  };
  for (const TFormula& f : Formulas()) {
    const TCellSeen s = seen(f.Row, f.Col);
    EXPECT_EQ(s.Formula, f.Text);
    EXPECT_EQ(s.Value, f.Str.empty() ? Number(f.Number) : std::string("大")) << f.Text;
    ours[std::string(1, static_cast<char>('A' + f.Col)) + std::to_string(f.Row + 1)] = s;
  }
  const char* shared[] = {"A1*3", "A2*3", "A3*3"};
  const double sharedValues[] = {9, 3, 6};
  for (int r = 0; r < 3; ++r) {
    const TCellSeen s = seen(r, 3);
    EXPECT_EQ(s.Formula, shared[r]);
    EXPECT_EQ(s.Value, Number(sharedValues[r]));
    ours["D" + std::to_string(r + 1)] = s;
  }
  // A change reaches the formulas through the converted references.
  xls.GetItem(0)->SetAsFloat(0, 0, 10);  // Data!A1
  xls.GetFormulaHandler()->Calculate();
  EXPECT_EQ(seen(0, 2).Value, "20");
  EXPECT_EQ(seen(1, 2).Value, "21");
  EXPECT_EQ(seen(3, 2).Value, "11");  // Rate+1

  if (!core::testing::HaveTool("soffice") || !core::testing::HaveTool("unzip")) GTEST_SKIP() << "LibreOffice not installed";
  const fs::path dir = scratch.path();
  core::testing::RunTool("cd " + core::testing::Quoted(dir) + " && timeout 240 soffice -env:UserInstallation=file://" +
                         dir.string() + "/profile --headless --convert-to xlsx --outdir " + core::testing::Quoted(dir) +
                         " biff5.xls >/dev/null 2>&1");
  ASSERT_TRUE(fs::exists(dir / "biff5.xlsx")) << "LibreOffice did not convert the file";
  const std::string sheet = core::testing::RunTool("unzip -p " + core::testing::Quoted(dir / "biff5.xlsx") +
                                                   " xl/worksheets/sheet2.xml", core::testing::Stderr::kDiscarded)
                                .output;
  const std::string strings = core::testing::RunTool("unzip -p " + core::testing::Quoted(dir / "biff5.xlsx") +
                                                     " xl/sharedStrings.xml", core::testing::Stderr::kDiscarded)
                                  .output;
  std::vector<std::string> sst;
  const std::regex si("<t[^>]*>([^<]*)</t>");
  for (auto it = std::sregex_iterator(strings.begin(), strings.end(), si); it != std::sregex_iterator(); ++it)
    sst.push_back((*it)[1]);
  const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)>(.*?)</c>");
  int compared = 0;
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell); it != std::sregex_iterator(); ++it) {
    const std::string ref = (*it)[1], attrs = (*it)[2], body = (*it)[3];
    const auto mine = ours.find(ref);
    if (mine == ours.end()) continue;
    std::smatch m;
    std::string formula, value;
    if (std::regex_search(body, m, std::regex("<f[^>]*>([^<]*)</f>"))) formula = m[1];
    if (std::regex_search(body, m, std::regex("<v>([^<]*)</v>"))) value = m[1];
    formula = std::regex_replace(formula, std::regex("&quot;"), "\"");
    formula = std::regex_replace(formula, std::regex("&gt;"), ">");
    if (attrs.find("t=\"s\"") != std::string::npos) {
      value = sst.at(static_cast<std::size_t>(std::stoi(value)));
    } else if (attrs.find("t=\"str\"") == std::string::npos) {
      value = Number(std::stod(value));
    }
    // LibreOffice's values are its own calculation of the file as written (Data!A1 = 4), as ours
    // were before the change.
    EXPECT_EQ(formula, mine->second.Formula) << ref;
    EXPECT_EQ(value, mine->second.Value) << ref;
    ++compared;
  }
  EXPECT_EQ(compared, static_cast<int>(ours.size()));
}

}  // namespace
}  // namespace biff
