// Recalculates 100,000 independent formulas and a 100,000-long dependency chain with the formula
// handler (building the calculation chain, evaluating in its order and storing each result as the
// cell's cached value), and runs the same sheets through HyperFormula under node when it is
// installed. The engine's formulas are stored as byte code in the cells; HyperFormula's
// recalculation time is its full rebuildAndRecalculate. The evaluation alone (no chain, no order)
// is shown as well.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formula/evaluator/evaluator.h"
#include "formula/formula_handler.h"
#include "formula/language/byte_code.h"
#include "formula/tests/fake_workbook.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point From) { return std::chrono::duration<double, std::milli>(Clock::now() - From).count(); }

struct Sheet {
  formula::testing::FakeWorkbook wb{1};
  std::vector<std::vector<std::uint8_t>> codes;
};

// Median of 5 full evaluations of column B, each storing its results.
double Run(Sheet& S, double& Last) {
  formula::TXLSFormulaEvaluator ev(&S.wb);
  std::vector<double> runs;
  for (int r = 0; r < 5; ++r) {
    const auto t = Clock::now();
    for (std::size_t i = 0; i < S.codes.size(); ++i) {
      formula::TXLSFormulaValue v;
      const auto& c = S.codes[i];
      ev.Evaluate(c.data(), static_cast<int>(c.size()), 0, 1, static_cast<int>(i), v);
      Last = v.ValueType == formula::fvtFloat ? v.Number : 0;
      S.wb.Sheet().WriteFloat(1, static_cast<int>(i), 0, Last);
    }
    runs.push_back(Ms(t));
  }
  std::sort(runs.begin(), runs.end());
  return runs[2];
}

// Median of 5 runs of TXLSFormulaHandler::Calculate over the formula cells of column B.
double RunCalculate(Sheet& S, double& Last) {
  for (std::size_t i = 0; i < S.codes.size(); ++i) {
    const auto& c = S.codes[i];
    S.wb.Sheet().WriteFormulaPtgs(1, static_cast<int>(i), 0, c.data(), static_cast<int>(c.size()), 0);
  }
  formula::TXLSFormulaHandler handler(&S.wb);
  std::vector<double> runs;
  for (int r = 0; r < 5; ++r) {
    const auto t = Clock::now();
    handler.Calculate();
    runs.push_back(Ms(t));
  }
  workbook::TMMUCellRef ref;
  Last = S.wb.Sheet().FindCell(1, static_cast<int>(S.codes.size()) - 1, ref) ? workbook::TXLSCellMMU::GetFormulaFloat(ref)
                                                                                : -1;
  std::sort(runs.begin(), runs.end());
  return runs[2];
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  Sheet independent, chain;
  for (int i = 0; i < n; ++i) {
    for (Sheet* s : {&independent, &chain}) s->wb.Sheet().WriteFloat(0, i, 0, (i + 1) % 97);
    formula::TXLSPtgsBuilder b;
    b.Ref(0, i);
    b.Number(2);
    b.Op(formula::ptgMul);
    b.Number(1);
    b.Op(formula::ptgAdd);
    independent.codes.push_back(b.Bytes());
    b.Clear();
    if (i == 0) {
      b.Ref(0, 0);
    } else {
      b.Ref(1, i - 1);
      b.Ref(0, i);
      b.Op(formula::ptgAdd);
    }
    chain.codes.push_back(b.Bytes());
  }
  independent.wb.Sheet().CalcDimension();
  chain.wb.Sheet().CalcDimension();
  double lastIndependent = 0, lastChain = 0;
  const double tIndependent = Run(independent, lastIndependent);
  const double tChain = Run(chain, lastChain);
  std::printf("engine, evaluation only: %d independent formulas %.1f ms (last %.0f), chain of %d %.1f ms (last %.0f)\n",
              n, tIndependent, lastIndependent, n, tChain, lastChain);
  double calcLastIndependent = 0, calcLastChain = 0;
  const double cIndependent = RunCalculate(independent, calcLastIndependent);
  const double cChain = RunCalculate(chain, calcLastChain);
  std::printf("engine, Calculate (chain, evaluation, results stored): independent %.1f ms (last %.0f), chain %.1f ms (last %.0f)\n",
              cIndependent, calcLastIndependent, cChain, calcLastChain);

  namespace fs = std::filesystem;
  const fs::path dir = fs::path(THC_FORMULA_SOURCE_DIR) / "tests" / "hyperformula";
  if (!fs::exists(dir / "node_modules" / "hyperformula") || std::system("command -v node > /dev/null 2>&1") != 0) {
    std::printf("HyperFormula: not installed, no comparison\n");
    return 0;
  }
  const std::string cmd = "node " + (dir / "bench_oracle.js").string() + " " + std::to_string(n);
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return 1;
  std::string out;
  char buf[4096];
  std::size_t got;
  while ((got = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, got);
  pclose(p);
  auto field = [&](const char* name) {
    const std::size_t k = out.find(std::string("\"") + name + "\":");
    return k == std::string::npos ? -1.0 : std::atof(out.c_str() + k + std::string(name).size() + 3);
  };
  const double hfIndependent = field("independent_recalc_ms"), hfChain = field("chain_recalc_ms");
  std::printf("HyperFormula: independent build %.1f ms, recalc %.1f ms (last %.0f); chain build %.1f ms, recalc %.1f ms (last %.0f)\n",
              field("independent_build_ms"), hfIndependent, field("independent_last"), field("chain_build_ms"), hfChain,
              field("chain_last"));
  std::printf("ratio HyperFormula recalc / engine Calculate: independent %.2f, chain %.2f (above 1: the engine is faster)\n",
              hfIndependent / cIndependent, hfChain / cChain);
  return 0;
}
