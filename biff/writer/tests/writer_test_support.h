// Shared by the writer tests: a workbook model with its programming interface, the document over
// it, and the records of a written file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "biff/document/biff5_document.h"
#include "biff/writer/xls_writer.h"
#include "core/byte_io.h"
#include "platform/storage/compound_file.h"
#include "workbook/worksheet_api.h"

namespace biff::testing {

// Formulas in these tests are stored as BIFF8 tokens directly; the text road is not used.
struct NoFormulas : workbook::IXLSFormulaHandler {
  int EncodeCellFormula(const std::u16string&, std::vector<std::uint8_t>&, int, int, int, bool) override { return 0; }
  int EncodeFormula(const std::u16string&, std::vector<std::uint8_t>&, int) override { return 0; }
  void SetTables(workbook::TXc12Tables*) override {}
  void AdjustSheetRefs(std::uint8_t*, int, int, int) override {}
  void MoveSheetRefs(std::uint8_t*, int, int, int) override {}
  void AdjustCellRefs(std::uint8_t*, int, int, int, const workbook::TXc12SheetShift&) override {}
  void Calculate() override {}
};

struct Book {
  workbook::TXLSErrorManager errors;
  workbook::TXc12DataClassFactory factory;
  workbook::TXc12Manager m{&factory, &errors};
  NoFormulas formulas;
  workbook::TXLSWorkbook wb;
  std::unique_ptr<TBIFF5> doc;

  // Empty = true leaves the workbook without sheets, for a reader to fill.
  explicit Book(bool Empty = false) {
    m.CreateParts();
    wb.InitWorkbook(&m, &formulas);
    if (!Empty) wb.Add();
    doc = std::make_unique<TBIFF5>(&m);
  }
  workbook::TXLSWorksheet* Sheet(int I) { return wb.GetItem(I); }
  workbook::TXLSCellMMU* Cells(int I) { return wb.GetItem(I)->GetCells(); }

  // A formula cell of BIFF8 tokens with its cached result set by Result.
  void Formula(int Sheet, int Col, int Row, const std::vector<std::uint8_t>& Tokens,
               const std::function<void(workbook::TXLSFormulaHelper&)>& Result) {
    workbook::TXLSFormulaHelper& F = Cells(Sheet)->FormulaHelper();
    F.Clear();
    F.Col = Col;
    F.Row = Row;
    F.Style = 0;
    F.FormulaKind = workbook::mfkNormal;
    Result(F);
    F.SetPtgs97(Tokens.data(), static_cast<int>(Tokens.size()));
    Cells(Sheet)->WriteFormula();
  }

  core::Bytes Write() {
    core::Bytes out;
    TXLSWriteXLS w(*doc);
    w.Write(&out);
    return out;
  }
};

struct Record {
  std::uint16_t Id;
  core::Bytes Body;
  int Pos;  // stream offset of the header
};

// The records of the workbook stream of a written file (CONTINUE records left as they are).
inline std::vector<Record> Records(const core::Bytes& File, const char16_t* StreamName = u"Workbook") {
  platform::storage::CompoundFile cf = platform::storage::CompoundFile::parse(File);
  const platform::storage::Stream* s = cf.root().open_stream(StreamName);
  if (!s) throw std::runtime_error("no workbook stream");
  std::vector<Record> out;
  const core::Bytes& d = s->data;
  std::size_t p = 0;
  while (p + 4 <= d.size()) {
    Record r;
    r.Id = core::load_le16(d.data() + p);
    const std::size_t n = core::load_le16(d.data() + p + 2);
    r.Pos = static_cast<int>(p);
    if (p + 4 + n > d.size()) throw std::runtime_error("record past the end");
    r.Body.assign(d.begin() + static_cast<std::ptrdiff_t>(p + 4), d.begin() + static_cast<std::ptrdiff_t>(p + 4 + n));
    out.push_back(std::move(r));
    p += 4 + n;
  }
  return out;
}

inline std::vector<const Record*> Find(const std::vector<Record>& Recs, std::uint16_t Id) {
  std::vector<const Record*> out;
  for (const auto& r : Recs)
    if (r.Id == Id) out.push_back(&r);
  return out;
}

}  // namespace biff::testing
