// The two dispatchers of function tokens and the small functions computed inside them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/strings.h"
#include "formula/evaluator/evaluator.h"
#include "formula/evaluator/inline_functions.h"
#include "formula/functions/aggregate.h"
#include "formula/functions/families.h"
#include "formula/language/function_table.h"

namespace formula {

namespace {

enum : int {
  fidCount = 0, fidIf = 1, fidIsNA = 2, fidIsError = 3, fidSum = 4, fidAverage = 5, fidMin = 6, fidMax = 7,
  fidNA = 10, fidPi = 19, fidAbs = 24, fidRound = 27, fidAnd = 36, fidOr = 37, fidTrue = 34, fidFalse = 35,
  fidNot = 38, fidCountA = 169, fidProduct = 183, fidSumSq = 321, fidSubtotal = 344, fidCountBlank = 347,
  fidAverageA = 361, fidMaxA = 362, fidMinA = 363, fidAggregate = 818,
};

std::u16string Widen(const std::string& S) { return std::u16string(S.begin(), S.end()); }

// Rounds half away from zero at Digits decimals. The scaled value is first cut to 15 significant
// digits, so that a decimal half such as 1.005 (stored a little below) rounds as written.
double RoundHalfAway(double X, int Digits) {
  if (X == 0 || !std::isfinite(X)) return X;
  const double scale = std::pow(10.0, std::abs(Digits));
  double scaled = Digits >= 0 ? X * scale : X / scale;
  if (!std::isfinite(scaled)) return X;  // more decimals than a double holds: nothing to round
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", scaled);
  scaled = std::strtod(buf, nullptr);
  const double r = std::round(scaled);
  return Digits >= 0 ? r / scale : r * scale;
}

void Round(TValueStack& S) {
  double digits = 0, x = 0;
  if (!S.PopFloat(digits)) return;
  if (digits < -20 || digits > 20) {
    // The number is not read: the window's remaining argument is dropped with the result.
    S.PushError(errValue);
    return;
  }
  if (!S.PopFloat(x)) return;
  S.PushFloat(RoundHalfAway(x, static_cast<int>(std::nearbyint(digits))));
}

void If(TValueStack& S, int Count) {
  TXLSFormulaValue elseValue, thenValue, cond;
  if (Count >= 3)
    S.PopArg(elseValue);
  else
    elseValue.SetBool(false);
  if (Count >= 2)
    S.PopArg(thenValue);
  else
    thenValue.SetBool(true);
  S.PopArg(cond);
  bool b = false;
  const std::uint8_t err = S.ToBoolean(cond, b);
  if (err)
    S.PushError(err);
  else
    S.PushValue(b ? thenValue : elseValue);
}

}  // namespace

void TXLSFormulaEvaluator::CallFixed(int Id) {
  int minArgs = 0, maxArgs = 0;
  XLSFuncNames().GetArgRange(Id, minArgs, maxArgs);  // raises for an unknown id
  Stack_.BeginArgs(maxArgs);
  if (!RunFunction(Id, maxArgs)) Stack_.PushError(errNA);
}

void TXLSFormulaEvaluator::CallVariable(int Id, int ArgCount) {
  int minArgs = 0, maxArgs = 0;
  const TXLSExcelFuncNames& names = XLSFuncNames();
  names.GetArgRange(Id, minArgs, maxArgs);
  if (ArgCount < minArgs || ArgCount > maxArgs) {
    // The call still leaves one value, so the operators around it keep their operands.
    const bool few = ArgCount < minArgs;
    if (ArgCountError_)
      ArgCountError_(few ? 4020 : 4021,
                     std::u16string(names.GetName(Id)) + u"(" + Widen(std::to_string(few ? minArgs : maxArgs)) + u")");
    Stack_.BeginArgs(ArgCount);
    Stack_.PushError(errValue);
    return;
  }
  Stack_.BeginArgs(ArgCount);
  if (!RunFunction(Id, ArgCount)) Stack_.PushError(errNA);
}

bool TXLSFormulaEvaluator::RunFunction(int Id, int ArgCount) {
  TValueStack& s = Stack_;
  auto nested = [this](int NestedId, int Count) {
    Stack_.BeginArgs(Count);
    if (!RunFunction(NestedId, Count)) Stack_.PushError(errNA);
  };
  switch (Id) {
    case fidCount:
      s.PushFloat(functions::CountNumbers(s, ArgCount));
      return true;
    case fidIf:
      If(s, ArgCount);
      return true;
    case fidIsNA: {
      TXLSFormulaValue v;
      s.PopArg(v);
      s.PushBool(s.GetErrorCode(v) == errNA);
      return true;
    }
    case fidIsError: {
      TXLSFormulaValue v;
      s.PopArg(v);
      s.PushBool(s.GetErrorCode(v) != 0);
      return true;
    }
    case fidSum: functions::Sum(s, ArgCount); return true;
    case fidAverage: functions::Average(s, ArgCount); return true;
    case fidMin: functions::Min(s, ArgCount); return true;
    case fidMax: functions::Max(s, ArgCount); return true;
    case fidNA: s.PushError(errNA); return true;
    case fidPi: s.PushFloat(3.141592653589793); return true;
    case fidAbs: {
      double x = 0;
      if (s.PopFloat(x)) s.PushFloat(std::fabs(x));
      return true;
    }
    case fidRound: Round(s); return true;
    case fidTrue: s.PushBool(true); return true;
    case fidFalse: s.PushBool(false); return true;
    case fidNot: {
      bool b = false;
      if (s.PopBool(b)) s.PushBool(!b);
      return true;
    }
    case fidAnd: functions::And(s, ArgCount); return true;
    case fidOr: functions::Or(s, ArgCount); return true;
    case fidCountA: functions::CountA(s, ArgCount); return true;
    case fidProduct: functions::Product(s, ArgCount); return true;
    case fidSumSq: functions::SumSq(s, ArgCount); return true;
    case fidSubtotal: functions::Subtotal(s, ArgCount, nested); return true;
    case fidCountBlank: functions::CountBlank(s, ArgCount); return true;
    case fidAverageA: functions::AverageA(s, ArgCount); return true;
    case fidMaxA: functions::MaxA(s, ArgCount); return true;
    case fidMinA: functions::MinA(s, ArgCount); return true;
    case fidAggregate: functions::Aggregate(s, ArgCount, nested); return true;
    default:
      return RunInlineFunction(*this, s, Id, ArgCount) || functions::RunFamilyFunction(s, Id, ArgCount);
  }
}

}  // namespace formula
