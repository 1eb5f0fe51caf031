// Numeric routines shared by several worksheet-function families: shapes of range arguments, paired
// sums, percentile interpolation, straight-line fits, discounting, day counts by basis, depreciation
// periods and the p-values of the z, t and F tests, with the reading of an argument's numbers and
// the pushing of a numeric result. The routines on plain numbers never raise and report a
// degenerate input through their result instead.
#pragma once

#include <cstdint>
#include <vector>

#include "formula/evaluator/value_stack.h"

namespace formula::functions {

// A finite V is pushed as the result, anything else (an overflow, a NaN) as #NUM!.
void PushNumber(TValueStack& S, double V);

// Mean and sum of squared deviations of V, in extended precision: deviations of values far from 0
// keep their digits.
long double MeanOf(const std::vector<double>& V);
double DevSqOf(const std::vector<double>& V, long double Mean);

// Visits the numbers one argument contributes to an aggregate or a list; returns the error that
// stops it, or 0. Values typed directly into the call count as spreadsheet applications count them:
// booleans as 1 or 0, text by its number (text that is no number is #VALUE!). Inside references and
// arrays only numbers count, or, for the A forms, booleans as 1 or 0 and text as 0.
template <class F>
std::uint8_t WalkNumbers(TValueStack& S, const TXLSFormulaValue& Arg, bool AForm, F&& Add) {
  if (Arg.Kind == fvkValue) {
    switch (Arg.ValueType) {
      case fvtFloat:
        Add(Arg.Number);
        return 0;
      case fvtBoolean:
        Add(Arg.BoolErr ? 1.0 : 0.0);
        return 0;
      case fvtError:
        return Arg.BoolErr;
      case fvtString: {
        double d = 0;
        std::uint8_t err = 0;
        S.ToNumberStrict(Arg, d, err);
        if (err) return err;
        Add(d);
        return 0;
      }
      default:
        return 0;  // a missing argument adds nothing
    }
  }
  TValStackIterator& it = S.Iterator();
  if (Arg.Kind == fvkArea && Arg.Cells) {
    // Along the store's row vectors: only the cells that hold something are visited.
    std::uint8_t err = 0;
    const bool skipErrors = it.SkipErrors;
    Arg.Cells->ForEachCell(Arg.Col1, Arg.Row1, Arg.Col2, Arg.Row2, it.SkipHiddenRows,
                           [&](int, int, const workbook::TMMUCellRef& Ref) {
                             const workbook::TCellValueKind kind = workbook::TXLSCellMMU::CellType(Ref);
                             if (kind == workbook::cvkFloat || kind == workbook::cvkFloatFormula) {
                               Add(workbook::TXLSCellMMU::GetFloat(Ref));
                               return true;
                             }
                             if (kind == workbook::cvkBlank || (!AForm && kind != workbook::cvkError &&
                                                                kind != workbook::cvkErrorFormula))
                               return true;
                             TXLSFormulaValue v;
                             TValueStack::ReadStoredCell(Arg.Cells, Ref, v);
                             if (v.ValueType == fvtError) {
                               if (skipErrors) return true;
                               err = v.BoolErr;
                               return false;
                             }
                             if (v.ValueType == fvtBoolean)
                               Add(v.BoolErr ? 1.0 : 0.0);
                             else if (v.ValueType == fvtString)
                               Add(0.0);
                             return true;
                           });
    return err;
  }
  it.Init(Arg, true);
  if (AForm) {
    while (it.NextNumberA()) Add(it.CurrentAsNumberA());
  } else {
    while (it.NextNumber()) Add(it.Current().Number);
  }
  const TXLSFormulaValue& last = it.Current();
  if (last.ValueType == fvtError && last.Kind <= fvkCell && !it.SkipErrors) return last.BoolErr;
  return 0;
}

// Reference shapes.
// 1 for a plain value or a cell, the number of cells of an area or area list, columns x rows of an
// array, 0 otherwise.
std::int64_t CellCount(const TXLSFormulaValue& Value);
// Both are references or arrays and hold the same number of cells.
bool SameCellCount(const TXLSFormulaValue& A, const TXLSFormulaValue& B);
// An area or array with exactly one of its dimensions greater than 1.
bool IsVector(const TXLSFormulaValue& Value);
// Keeps one row of an area wider than tall, else one column: the first with First, else the last.
void ReduceToLine(TXLSFormulaValue& Value, bool First);

// Stored-cell readers. ReadCellFloat: the error code of an error cell (else 0); Number the cell's
// number, a boolean as 1 or 0, a text by its number; NoValue for no cell, other kinds or text that
// is no number.
std::uint8_t ReadCellFloat(TValueStack& S, workbook::TXLSCellMMU* Cells, int Col, int Row, bool& NoValue,
                           double& Number);
bool IsCellBlank(workbook::TXLSCellMMU* Cells, int Col, int Row);
// 0 no cell or blank, 1 number, 2 boolean, 3 error, 4 text.
int CellIsNumber(workbook::TXLSCellMMU* Cells, int Col, int Row);

// The number of positions where both X and Y stand on numbers, with each side's sum (the stack's
// shared iterator walks them in step).
int PairSums(TValueStack& S, const TXLSFormulaValue& X, const TXLSFormulaValue& Y, double& SumX, double& SumY);

// Linear interpolation at P (0..1) between the order statistics of the ascending list V; False
// when V is empty.
bool PercentileOf(const std::vector<double>& Sorted, double P, double& Result);

// The record of a straight-line least-squares fit.
struct TFitRecord {
  double Intercept = 0, Slope = 0;
  double SeIntercept = 0, SeSlope = 0;
  double RSquared = 0, SeY = 0;
  double SSReg = 0, SSResid = 0;
  double F = 0;
  double DF = 0;
  // The means the line passes through (0 without a constant), kept in extended precision so that the
  // line can be evaluated as MeanY + Slope (x - MeanX) without the cancellation of a far intercept.
  long double MeanX = 0, MeanY = 0;
};
// F of a fit that leaves no residual.
inline constexpr double PERFECT_FIT_F = 1.7E308;

enum class TFitStatus { Ok, NoXSpread, NoYSpread, TooFew };
// Least squares of Y on X (equal lengths). WithConst False forces the line through the origin.
// NoXSpread when all x are equal (or all 0 without a constant); NoYSpread when all y are: intercept
// and slope are set, the statistics are not.
TFitStatus LinearFit(const std::vector<double>& Y, const std::vector<double>& X, bool WithConst, TFitRecord& Fit);
// The fit of ln y; intercept and slope become e^intercept and e^slope. TooFew also stands for a y
// that is not positive.
TFitStatus LogLinearFit(const std::vector<double>& Y, const std::vector<double>& X, bool WithConst, TFitRecord& Fit);
// intercept x slope^At of the log-linear fit.
bool GrowthAt(const std::vector<double>& Y, const std::vector<double>& X, double At, double& Result);

// The sum of Values[i] x (1 + Rate)^-(n - i), i = 0 .. n - 1 (the flows given last-first).
double DiscountSum(const std::vector<double>& Values, double Rate);

// The upper tail of Fisher's F distribution with A and B degrees of freedom at X (NaN on failure).
double FDistRightTail(double A, double B, double X);

// Day counts between serial dates by basis, and the days of the year of Date by basis.
int DayCount(int Basis, double Start, double End);
int YearDays(int Basis, double Date);

// One period of fixed-declining balance, double-declining balance, and the declining-balance span
// with or without the switch to straight line.
double DBPeriod(double Life, int Period, int Month, double Salvage, double Cost);
double DDBPeriod(double Factor, double Period, double Life, double Salvage, double Cost);
double VDBSpan(bool NoSwitch, double Factor, double Start, double End, double Life, double Salvage, double Cost);

// The one-sided p-value of the z test of Values against X; Sigma < 0 stands for an unknown sigma,
// estimated by the sample standard deviation. NaN when undefined (fewer than two values without
// sigma, zero spread).
double ZTestP(const std::vector<double>& Values, double X, double Sigma);

// Student's t test: Type 1 paired, 2 equal variances (pooled), 3 unequal variances (Welch); Tails 1
// or 2. For the paired test A and B hold the pairs. Sets Err to #DIV/0! for too few values or no
// spread, #N/A for paired samples of different sizes.
double TTestP(const std::vector<double>& A, const std::vector<double>& B, int Tails, int Type, std::uint8_t& Err);

}  // namespace formula::functions
