// Formulas typed as text, compiled and evaluated on a small fake workbook, for the tests of the
// text, lookup, conditional and database functions.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "formula/language/encoder.h"
#include "formula/tests/evaluator_test_util.h"
#include "formula/tests/fake_workbook.h"
#include "formula/tests/formula_text_fakes.h"
#include "workbook/error_manager.h"

namespace formula::testing {

// Evaluates "=..." texts in cell Z100 of sheet 0 (or in the cell given) and describes the result:
// numbers as %.15g, texts quoted, errors by name; a reference result reads as its value.
class FormulaRunner {
public:
  explicit FormulaRunner(FakeWorkbook& Wb, const TFormulaLocale* Locale = nullptr) : wb_(Wb), ev_(&Wb, Locale) {
    errors_.SetSaveToList(true);
  }
  std::string Run(const std::string& Text, int Col = 25, int Row = 99) {
    std::vector<std::uint8_t> code;
    const std::string body = !Text.empty() && Text[0] == '=' ? Text.substr(1) : Text;
    if (!CompileFormula(core::utf8_to_utf16(body), errors_, &names_, true, TFormulaLocale::Invariant(), code, 0, Col, Row))
      throw std::runtime_error("does not compile: " + Text);
    TXLSFormulaValue v;
    ev_.Evaluate(code.data(), static_cast<int>(code.size()), 0, Col, Row, v);
    std::string d = Describe(v);
    if (d.rfind("ref:", 0) == 0) d = d.substr(4);
    return d;
  }
  TXLSFormulaEvaluator& Evaluator() { return ev_; }

private:
  FakeWorkbook& wb_;
  TXLSFormulaEvaluator ev_;
  workbook::TXLSErrorManager errors_;
  FakeNames names_;  // sheet 1 is named 'My Sheet'
};

struct FormulaCase {
  const char* formula;
  const char* want;
};

}  // namespace formula::testing
