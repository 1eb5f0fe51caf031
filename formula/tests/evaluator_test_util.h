// Small builders for the evaluator tests: formulas as nested calls, results as short texts.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/evaluator/evaluator.h"
#include "formula/language/byte_code.h"
#include "formula/language/function_table.h"
#include "formula/tests/fake_workbook.h"

namespace formula::testing {

using Build = std::function<void(TXLSPtgsBuilder&)>;

inline Build Num(double V) {
  return [V](TXLSPtgsBuilder& b) { b.Number(V); };
}
inline Build Str(std::u16string V) {
  return [V](TXLSPtgsBuilder& b) { b.String(V); };
}
inline Build Bool(bool V) {
  return [V](TXLSPtgsBuilder& b) { b.Bool(V); };
}
inline Build Err(std::uint8_t V) {
  return [V](TXLSPtgsBuilder& b) { b.Error(V); };
}
inline Build Missing() {
  return [](TXLSPtgsBuilder& b) { b.Op(xptgMissingArg); };
}
// "A1" or "A1:B3" on the formula cell's sheet, or on sheet Sheet through a 3-D token.
inline Build Ref(const char* From, const char* To = nullptr, int Sheet = -1) {
  return [=](TXLSPtgsBuilder& b) {
    int c1, r1, c2, r2;
    FakeWorkbook::Pos(From, c1, r1);
    FakeWorkbook::Pos(To ? To : From, c2, r2);
    if (Sheet >= 0) {
      if (To)
        b.Area3d(Sheet, -1, static_cast<std::uint32_t>(c1), static_cast<std::uint32_t>(r1),
                 static_cast<std::uint32_t>(c2), static_cast<std::uint32_t>(r2));
      else
        b.Ref3d(Sheet, -1, static_cast<std::uint32_t>(c1), static_cast<std::uint32_t>(r1));
    } else if (To) {
      b.Area(c1, r1, c2, r2);
    } else {
      b.Ref(c1, r1);
    }
  };
}
// A call by function name: the fixed token for fixed-count functions, else the variable one.
inline Build Fn(const char* Name, std::vector<Build> Args) {
  return [=](TXLSPtgsBuilder& b) {
    std::u16string n(Name, Name + std::char_traits<char>::length(Name));
    const int id = XLSFuncNames().FindName(n);
    if (id < 0) throw std::runtime_error(std::string("no function ") + Name);
    for (const auto& a : Args) a(b);
    if (XLSFuncNames().IsFixedArgs(id))
      b.Func(static_cast<std::uint16_t>(id));
    else
      b.FuncVar(static_cast<std::uint8_t>(Args.size()), static_cast<std::uint16_t>(id));
  };
}
inline Build Op(std::uint8_t Id, Build A, Build B) {
  return [=](TXLSPtgsBuilder& b) {
    A(b);
    B(b);
    b.Op(Id);
  };
}

// "5", "TRUE", "#N/A", "\"text\"", "<empty>"; a cell reference gets a leading "ref:".
inline std::string Describe(const TXLSFormulaValue& V) {
  static const char* const kErrors[] = {"#?",     "#NULL!", "#DIV/0!", "#VALUE!",        "#REF!",
                                        "#NAME?", "#NUM!",  "#N/A",    "#GETTING_DATA"};
  std::string s = V.Kind == fvkCell ? "ref:" : "";
  switch (V.ValueType) {
    case fvtFloat: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.15g", V.Number);
      return s + buf;
    }
    case fvtBoolean:
      return s + (V.BoolErr ? "TRUE" : "FALSE");
    case fvtError:
      return s + (V.BoolErr < 9 ? kErrors[V.BoolErr] : "#?");
    case fvtString:
      return s + "\"" + core::utf16_to_utf8(V.Text) + "\"";
    default:
      return s + "<empty>";
  }
}

// Evaluates a built formula in cell H10 of the first sheet and describes its value.
inline std::string RunFormula(TXLSFormulaEvaluator& Ev, const Build& F) {
  TXLSPtgsBuilder b;
  F(b);
  TXLSFormulaValue v;
  Ev.Evaluate(b.Bytes().data(), b.Size(), 0, 7, 9, v);
  return Describe(v);
}

// The cached result of a formula cell after a calculation; false for a cell that holds no
// formula result.
inline bool CachedFormulaResult(const workbook::TMMUCellRef& Ref, TXLSFormulaValue& V) {
  using M = workbook::TXLSCellMMU;
  switch (M::CellType(Ref)) {
    case workbook::cvkFloatFormula: V.SetFloat(M::GetFormulaFloat(Ref)); return true;
    case workbook::cvkBooleanFormula: V.SetBool(M::GetFormulaBoolean(Ref)); return true;
    case workbook::cvkErrorFormula: V.SetError(M::GetFormulaError(Ref)); return true;
    case workbook::cvkStringFormula: {
      std::u16string t;
      M::GetFormulaString(Ref, t);
      V.SetString(t);
      return true;
    }
    default: return false;
  }
}

}  // namespace formula::testing
