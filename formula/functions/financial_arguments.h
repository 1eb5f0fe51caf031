// TFunctionArgs: the arguments of one worksheet-function call, taken off the stack at once and read
// first argument first. Spreadsheet applications report the leftmost bad argument (MOD(1/0, NA()) is
// #DIV/0!); reading the stack last-first would report the rightmost one. Used by the mathematical,
// financial and date-time families.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "formula/evaluator/value_stack.h"

namespace formula::functions {

class TFunctionArgs {
public:
  // Pops the Count arguments of the window opened by the dispatcher.
  TFunctionArgs(TValueStack& S, int Count) : S_(S) {
    Values_.resize(static_cast<std::size_t>(Count > 0 ? Count : 0));
    for (int i = Count - 1; i >= 0; --i) S.PopArg(Values_[static_cast<std::size_t>(i)]);
  }

  TValueStack& Stack() { return S_; }
  int Count() const { return static_cast<int>(Values_.size()); }
  const TXLSFormulaValue& At(int I) const { return Values_.at(static_cast<std::size_t>(I)); }
  // False for an argument beyond the call's count and for a missing argument (`f(1,,2)`).
  bool Given(int I) const {
    if (I < 0 || I >= Count()) return false;
    const TXLSFormulaValue& v = At(I);
    return !(v.Kind == fvkValue && v.ValueType == fvtEmpty);
  }

  // False (with #VALUE! pushed) unless the call has Min..Max arguments; for functions whose table
  // entry accepts any count.
  bool CountIn(int Min, int Max) { return Count() >= Min && Count() <= Max ? true : Fail(errValue); }

  // Pushes Code as the function's result; returns False so that readers can `return Fail(...)`.
  bool Fail(std::uint8_t Code) {
    S_.PushError(Code);
    return false;
  }

  // Argument I as a number (an empty value reads 0, text as a number or a date); on an error the
  // error is pushed and False returned.
  bool Number(int I, double& V) {
    if (I >= Count()) {
      V = 0;
      return true;
    }
    std::uint8_t err = 0;
    S_.ToNumber(Scalar(I), V, err);
    if (err) return Fail(err);
    if (!std::isfinite(V)) return Fail(errNum);
    return true;
  }
  // An optional argument: Default when it is absent or missing.
  bool Number(int I, double Default, double& V) {
    if (!Given(I)) {
      V = Default;
      return true;
    }
    return Number(I, V);
  }
  // A whole number (truncated toward zero).
  bool Whole(int I, double Default, double& V) {
    if (!Number(I, Default, V)) return false;
    V = std::trunc(V);
    return true;
  }
  bool Bool(int I, bool Default, bool& V) {
    if (!Given(I)) {
      V = Default;
      return true;
    }
    const std::uint8_t err = S_.ToBoolean(Scalar(I), V);
    return err ? Fail(err) : true;
  }

private:
  // An array given where one value is expected stands for its first element.
  const TXLSFormulaValue& Scalar(int I) {
    const TXLSFormulaValue& v = At(I);
    if (v.Kind != fvkArray || !v.Array || v.Array->ColCount() == 0 || v.Array->RowCount() == 0) return v;
    v.Array->GetFormulaValue(0, 0, Element_);
    return Element_;
  }

  TValueStack& S_;
  TXLSFormulaValue Element_;
  std::vector<TXLSFormulaValue> Values_;  // first argument first
};

// The numbers of a list argument (a value, a cell, an area, an area list or an array), in reading
// order. Inside references and arrays only numbers count and other items are passed over; a value
// typed directly counts as spreadsheet applications count it (a boolean as 1 or 0, text by its number).
// With Strict every non-empty item must be a number (#VALUE! otherwise). The first error met is
// returned, else 0.
std::uint8_t CollectListNumbers(TValueStack& S, const TXLSFormulaValue& Arg, bool Strict, std::vector<double>& Out);

}  // namespace formula::functions
