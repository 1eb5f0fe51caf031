// Criteria matching against HyperFormula's COUNTIF on a generated table of criteria and cell values.
// The oracle runs under node from tests/hyperformula (installed with npm ci); without it the test
// skips. Cases the two engines knowingly treat differently are listed in
// tests/hyperformula/allowed_differences.md and are not generated.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "formula/evaluator/value_stack.h"
#include "formula/support/criteria.h"
#include "formula/tests/eval_oracle_harness.h"
#include "formula/tests/fake_workbook.h"

namespace formula {
namespace {

namespace fs = std::filesystem;
using formula::testing::RunNodeOracle;

std::string Utf8(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out.push_back(static_cast<char>(c));  // the generator uses ASCII only
  return out;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

// Parses the oracle's [[0,1,...],...] output; "error" entries become -1.
std::vector<std::vector<int>> ParseMatrix(const std::string& s) {
  std::vector<std::vector<int>> m;
  std::size_t i = 0;
  int depth = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '[') {
      if (++depth == 2) m.emplace_back();
      ++i;
    } else if (c == ']') {
      --depth;
      ++i;
    } else if (c == '"') {
      const std::size_t e = s.find('"', i + 1);
      m.back().push_back(-1);
      i = e + 1;
    } else if ((c >= '0' && c <= '9') || c == '-') {
      std::size_t used = 0;
      m.back().push_back(std::stoi(s.substr(i), &used));
      i += used;
    } else {
      ++i;
    }
  }
  return m;
}

TEST(CriteriaOracle, AgreesWithHyperFormulaCountIf) {
  const fs::path oracleDir = fs::path(THC_FORMULA_SOURCE_DIR) / "tests" / "hyperformula";
  if (!fs::exists(oracleDir / "node_modules" / "hyperformula")) GTEST_SKIP() << "hyperformula is not installed (npm ci)";
  if (!core::testing::HaveTool("node")) GTEST_SKIP() << "node is not installed";

  // Cell values: numbers, texts (some that read as numbers), booleans and blanks.
  struct Cell {
    enum { Blank, Number, Text, Boolean } Kind;
    double N;
    std::u16string S;
  };
  std::vector<Cell> cells;
  for (double n : {-3.0, -1.0, 0.0, 0.5, 1.0, 1.5, 2.0, 5.0, 9.0, 10.0, 11.0, 20.0, 100.0})
    cells.push_back({Cell::Number, n, u""});
  for (const char16_t* s : {u"10", u"10.0", u"1e1", u" 10", u"5", u"0", u"abc", u"ABC", u"ab", u"abcd", u"a1", u"b",
                            u"B", u"bx", u"xab", u"x y", u"TRUE", u"false", u"a?c", u"a*", u"*", u"Abacus", u"-3"})
    cells.push_back({Cell::Text, 0, s});
  cells.push_back({Cell::Boolean, 1, u""});
  cells.push_back({Cell::Boolean, 0, u""});
  cells.push_back({Cell::Blank, 0, u""});
  cells.push_back({Cell::Blank, 0, u""});

  // Criteria: an operator (or none) before a value; orderings only with numbers.
  std::mt19937 rng(20261210);
  const std::vector<std::string> ops = {"", "=", "<>", "<", "<=", ">", ">="};
  const std::vector<std::string> numbers = {"10", "1.5", "-3", "0", "5", "1e1", "100", "0.5", "9.99", ""};
  const std::vector<std::string> words = {"abc", "ABC", "a*", "*", "?b", "a?c", "ab*", "*c", "b?", "?", "x y",
                                          "TRUE", "false", "#N/A", "", "*a*", "a1", "??"};
  std::vector<std::string> criteria = {"", "=", "<>", "10", "=10", "<>10", ">=10", "abc", "<>abc", "TRUE", "=FALSE"};
  while (criteria.size() < 120) {
    const std::string& op = ops[rng() % ops.size()];
    const bool ordering = op == "<" || op == "<=" || op == ">" || op == ">=";
    const std::string value = ordering || rng() % 2 ? numbers[rng() % numbers.size()] : words[rng() % words.size()];
    criteria.push_back(op + value);
  }

  // Both engines read the same cells: ours through the cell store.
  testing::FakeWorkbook wb;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const int row = static_cast<int>(i);
    if (cells[i].Kind == Cell::Number) wb.Sheet().WriteFloat(0, row, 0, cells[i].N);
    if (cells[i].Kind == Cell::Text) wb.Sheet().WriteString(0, row, 0, cells[i].S);
    if (cells[i].Kind == Cell::Boolean) wb.Sheet().WriteBoolean(0, row, 0, cells[i].N != 0);
  }
  wb.Sheet().CalcDimension();
  TValueStack stack(&wb);
  stack.Reset(false, 0, 5, 0);

  std::ostringstream json;
  json << "{\"cells\":[";
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i) json << ",";
    switch (cells[i].Kind) {
      case Cell::Blank: json << "null"; break;
      case Cell::Number: json << "{\"n\":" << cells[i].N << "}"; break;
      case Cell::Text: json << "{\"s\":" << JsonString(Utf8(cells[i].S)) << "}"; break;
      case Cell::Boolean: json << "{\"b\":" << (cells[i].N != 0 ? "true" : "false") << "}"; break;
    }
  }
  json << "],\"criteria\":[";
  for (std::size_t j = 0; j < criteria.size(); ++j) json << (j ? "," : "") << JsonString(criteria[j]);
  json << "]}";
  std::string out;
  const bool ran = RunNodeOracle(oracleDir / "countif_oracle.js", json.str(), out);
  ASSERT_TRUE(ran) << out;
  const auto expected = ParseMatrix(out);
  ASSERT_EQ(expected.size(), criteria.size());

  int compared = 0;
  for (std::size_t j = 0; j < criteria.size(); ++j) {
    std::u16string crit(criteria[j].begin(), criteria[j].end());
    TXLSVarValue critValue = TXLSVarValue::FromString(crit);
    const TXLSCriteria parsed = BuildCriteria(critValue);
    ASSERT_EQ(expected[j].size(), cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
      // Allowed difference: the oracle lets '?' match no character at the ends of a text ("b?"
      // selects "b"); a text shorter than the pattern's fixed characters is not compared.
      if (cells[i].Kind == Cell::Text && criteria[j].find('?') != std::string::npos) {
        std::size_t fixed = 0;
        for (char c : criteria[j])
          if (c != '*' && c != '<' && c != '>' && c != '=') ++fixed;
        if (cells[i].S.size() < fixed) continue;
      }
      TXLSFormulaValue v;
      stack.ReadCell(&wb.Sheet(), 0, static_cast<int>(i), v);
      v.Kind = fvkCell;
      TXLSVarValue cellValue;
      FormulaValueToVarValue(v, cellValue);
      const int ours = MatchCriteria(parsed, cellValue) ? 1 : 0;
      EXPECT_EQ(ours, expected[j][i]) << "criterion \"" << criteria[j] << "\" cell " << i << " ("
                                      << (cells[i].Kind == Cell::Text ? Utf8(cells[i].S) : std::to_string(cells[i].N))
                                      << ")";
      ++compared;
    }
  }
  EXPECT_GT(compared, static_cast<int>(criteria.size() * cells.size() * 9 / 10));
}

}  // namespace
}  // namespace formula
