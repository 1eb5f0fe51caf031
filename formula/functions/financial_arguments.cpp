#include "formula/functions/financial_arguments.h"

namespace formula::functions {

std::uint8_t CollectListNumbers(TValueStack& S, const TXLSFormulaValue& Arg, bool Strict, std::vector<double>& Out) {
  if (Arg.Kind == fvkValue) {
    switch (Arg.ValueType) {
      case fvtEmpty:
        return 0;
      case fvtError:
        return Arg.BoolErr;
      case fvtFloat:
        Out.push_back(Arg.Number);
        return 0;
      default: {
        if (Strict && Arg.ValueType != fvtString) return errValue;
        double d = 0;
        std::uint8_t err = 0;
        S.ToNumber(Arg, d, err);
        if (err) return err;
        Out.push_back(d);
        return 0;
      }
    }
  }
  if (Arg.Kind != fvkCell && Arg.Kind != fvkArea && Arg.Kind != fvkAreaList && Arg.Kind != fvkArray) return errValue;
  TValStackIterator& it = S.Iterator();
  it.Init(Arg, false);
  while (it.Next()) {
    const TXLSFormulaValue& v = it.Current();
    switch (v.ValueType) {
      case fvtFloat:
        Out.push_back(v.Number);
        break;
      case fvtError:
        return v.BoolErr;
      case fvtEmpty:
        break;
      default:
        if (Strict) return errValue;
        break;
    }
  }
  return 0;
}

}  // namespace formula::functions
