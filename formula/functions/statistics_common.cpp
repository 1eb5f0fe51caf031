#include "formula/functions/statistics_common.h"

#include <cmath>

namespace formula::functions::stats {

std::uint8_t ArgNumbers(TValueStack& S, const TXLSFormulaValue& Arg, bool AForm, std::vector<double>& Out) {
  if (Arg.Kind > fvkArray) return errValue;  // a table reference or another kind that holds no list
  return WalkNumbers(S, Arg, AForm, [&](double v) { Out.push_back(v); });
}

bool CollectNumbers(TValueStack& S, int Count, bool AForm, std::vector<double>& Out) {
  std::vector<TXLSFormulaValue> args(static_cast<std::size_t>(Count < 0 ? 0 : Count));
  for (int i = Count - 1; i >= 0; --i) S.PopArg(args[static_cast<std::size_t>(i)]);
  for (const TXLSFormulaValue& a : args)
    if (const std::uint8_t err = ArgNumbers(S, a, AForm, Out)) {
      S.PushError(err);
      return false;
    }
  return true;
}

bool CollectArg(TValueStack& S, std::vector<double>& Out) {
  TXLSFormulaValue a;
  S.PopArg(a);
  if (const std::uint8_t err = ArgNumbers(S, a, false, Out)) {
    S.PushError(err);
    return false;
  }
  return true;
}

namespace {
bool TakeMissing(TValueStack& S, int Count, int I) {
  if (I >= Count) return true;
  TXLSFormulaValue peek;
  S.PeekArg(0, peek);
  if (peek.Kind == fvkValue && peek.ValueType == fvtEmpty) {
    S.PopArg(peek);
    return true;
  }
  return false;
}
}  // namespace

bool PopOptionalFloat(TValueStack& S, int Count, int I, double Default, double& V) {
  if (TakeMissing(S, Count, I)) {
    V = Default;
    return true;
  }
  return S.PopFloat(V);
}

bool PopOptionalBool(TValueStack& S, int Count, int I, bool Default, bool& V) {
  if (TakeMissing(S, Count, I)) {
    V = Default;
    return true;
  }
  return S.PopBool(V);
}

bool PopTrunc(TValueStack& S, double& V) {
  if (!S.PopFloat(V)) return false;
  V = std::trunc(V);
  return true;
}

std::uint8_t CollectPairs(TValueStack& S, const TXLSFormulaValue& X, const TXLSFormulaValue& Y, std::vector<double>& XS,
                          std::vector<double>& YS) {
  TValStackIterator& it = S.Iterator();
  it.InitPair(X, Y, false);
  std::uint8_t err = 0;
  while (it.Next()) {
    if (it.FindError(err)) break;
    if (it.AllNumbers()) {
      XS.push_back(it.Current().Number);
      YS.push_back(it.NextIterator()->Current().Number);
    }
  }
  it.FreeNext();
  return err;
}

}  // namespace formula::functions::stats
