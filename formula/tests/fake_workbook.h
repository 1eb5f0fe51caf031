// A workbook of real cell stores with a plain shared-string list, for the engine's tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "formula/evaluator/engine_context.h"
#include "workbook/cell_references.h"
#include "workbook/cell_store.h"

namespace formula::testing {

class FakeStrings : public workbook::ICellStoreStrings {
public:
  int AddString(const std::u16string& Text) override {
    for (std::size_t i = 0; i < Items.size(); ++i)
      if (Items[i] == Text) return static_cast<int>(i);
    Items.push_back(Text);
    return static_cast<int>(Items.size()) - 1;
  }
  void UseString(int) override {}
  void ReleaseString(int) override {}
  void GetText(int Index, std::u16string& Text) override { Text = Items.at(static_cast<std::size_t>(Index)); }
  std::vector<std::u16string> Items;
};

class FakeWorkbook : public IFormulaWorkbook {
public:
  explicit FakeWorkbook(int Sheets = 1) {
    for (int i = 0; i < Sheets; ++i) Sheets_.push_back(std::make_unique<workbook::TXLSCellMMU>(i, 0, &Strings, nullptr));
  }
  int SheetCount() const override { return static_cast<int>(Sheets_.size()); }
  workbook::TXLSCellMMU* SheetCells(int Index) override {
    return Index >= 0 && Index < SheetCount() ? Sheets_[static_cast<std::size_t>(Index)].get() : nullptr;
  }
  workbook::TXLSCellMMU& Sheet(int Index = 0) { return *Sheets_.at(static_cast<std::size_t>(Index)); }

  // "A1" style helpers; each keeps the sheet's used area current.
  void Num(const char* Ref, double V, int SheetIndex = 0) { Put(Ref, SheetIndex, [&](int c, int r) { Sheet(SheetIndex).WriteFloat(c, r, 0, V); }); }
  void Str(const char* Ref, const std::u16string& V, int SheetIndex = 0) { Put(Ref, SheetIndex, [&](int c, int r) { Sheet(SheetIndex).WriteString(c, r, 0, V); }); }
  void Bool(const char* Ref, bool V, int SheetIndex = 0) { Put(Ref, SheetIndex, [&](int c, int r) { Sheet(SheetIndex).WriteBoolean(c, r, 0, V); }); }
  void Err(const char* Ref, std::uint8_t V, int SheetIndex = 0) { Put(Ref, SheetIndex, [&](int c, int r) { Sheet(SheetIndex).WriteError(c, r, 0, V); }); }
  void Blank(const char* Ref, int SheetIndex = 0) { Put(Ref, SheetIndex, [&](int c, int r) { Sheet(SheetIndex).WriteBlank(c, r, 0, 0); }); }

  static void Pos(const char* Ref, int& Col, int& Row) {
    std::u16string s;
    for (const char* p = Ref; *p; ++p) s.push_back(static_cast<char16_t>(*p));
    workbook::RefStrToColRow(s, Col, Row);
  }

  FakeStrings Strings;

private:
  template <class F>
  void Put(const char* Ref, int SheetIndex, F Write) {
    int c = 0, r = 0;
    Pos(Ref, c, r);
    Write(c, r);
    Sheet(SheetIndex).CalcDimension();
  }
  std::vector<std::unique_ptr<workbook::TXLSCellMMU>> Sheets_;
};

}  // namespace formula::testing
