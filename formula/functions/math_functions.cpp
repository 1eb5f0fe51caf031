// Mathematical and matrix worksheet functions: the rounding family outside the dispatcher, powers
// and angles, factorials and counting, Roman numerals, and the matrix functions. Each runs inside an
// argument window opened by the dispatcher and pushes one result; functions of several arguments read
// them first argument first, so the leftmost bad argument gives the error.
#include "formula/functions/families.h"
#include "formula/functions/financial_arguments.h"
#include "formula/functions/numeric_routines.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "formula/support/matrix.h"
#include "formula/support/special_functions.h"
#include "formula/support/value_arrays.h"

namespace formula::functions {

namespace {

enum : int {
  fidSin = 15, fidCos = 16, fidTan = 17, fidAtan = 18, fidExp = 21, fidLn = 22, fidLog10 = 23, fidSign = 26,
  fidAtan2 = 97, fidAsin = 98, fidAcos = 99, fidLog = 109, fidSinh = 229, fidCosh = 230, fidTanh = 231,
  fidAsinh = 232, fidAcosh = 233, fidAtanh = 234, fidEven = 279,
  fidSqrt = 20, fidInt = 25, fidMod = 39, fidTranspose = 83, fidMDeterm = 163, fidMInverse = 164,
  fidMMult = 165, fidFact = 184, fidTrunc = 197, fidRoundUp = 212, fidRoundDown = 213, fidCombin = 276,
  fidFloor = 285, fidCeiling = 288, fidOdd = 298, fidPermut = 299, fidPower = 337, fidRadians = 342,
  fidDegrees = 343, fidRoman = 354, fidQuotient = 381, fidCeilingPrecise = 830, fidFloorPrecise = 837,
  fidIsoCeiling = 840,
};

constexpr double kPi = 3.141592653589793;
// Matrices larger than this are refused: a whole-column reference must not allocate gigabytes.
constexpr long long kMaxMatrixCells = 1 << 20;

// V cut to 15 significant digits, so that a quotient such as 1.1 / 0.1 (11.000000000000002) or a
// scaled decimal such as 0.3 * 10 takes the integer it stands for before it is ceiled or floored.
double Snap15(double V) {
  if (V == 0 || !std::isfinite(V)) return V;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", V);
  return std::strtod(buf, nullptr);
}

// CEILING and FLOOR to a multiple of Step, by the common rules: a positive number with a negative
// step is #NUM!; a negative step rounds a negative number away from zero (ceiling of the quotient).
void CeilingFloor(TValueStack& S, int Count, bool Up) {
  TFunctionArgs a(S, Count);
  double step = 0, x = 0;
  if (!a.Number(0, x) || !a.Number(1, step)) return;
  if (x > 0 && step < 0) {
    S.PushError(errNum);
    return;
  }
  if (step == 0) {
    if (Up || x == 0)
      S.PushFloat(0);
    else
      S.PushError(errDiv0);
    return;
  }
  const double q = Snap15(x / step);
  PushNumber(S, (Up ? std::ceil(q) : std::floor(q)) * step);
}

// CEILING.PRECISE, ISO.CEILING and FLOOR.PRECISE: the sign of the step is ignored.
void PreciseCeilingFloor(TValueStack& S, int Count, bool Up) {
  TFunctionArgs a(S, Count);
  double step = 1, x = 0;
  if (!a.Number(0, x) || !a.Number(1, 1, step)) return;
  step = std::fabs(step);
  if (step == 0) {
    S.PushFloat(0);
    return;
  }
  const double q = Snap15(x / step);
  PushNumber(S, (Up ? std::ceil(q) : std::floor(q)) * step);
}

// ROUNDUP (away from zero) and ROUNDDOWN/TRUNC (toward zero) at Digits decimals.
double RoundDirected(double X, std::int32_t Digits, bool Away) {
  if (X == 0 || !std::isfinite(X)) return X;
  if (Digits > 15) {
    // A double holds no more decimals than this, except below 1: scale only while it stays exact.
    if (std::fabs(X) >= 1 || Digits > 308) return X;
  }
  const double sign = X < 0 ? -1 : 1;
  const double a = std::fabs(X);
  const double scale = std::pow(10.0, std::fabs(static_cast<double>(Digits)));
  double r;
  if (Digits >= 0) {
    const double scaled = a * scale;
    if (!std::isfinite(scaled) || scaled >= 9007199254740992.0) return X;  // already whole at that place
    const double q = Snap15(scaled);
    r = (Away ? std::ceil(q) : std::floor(q)) / scale;
  } else {
    if (!std::isfinite(scale)) return Away ? sign * HUGE_VAL : 0.0;
    const double q = Snap15(a / scale);
    r = (Away ? std::ceil(q) : std::floor(q)) * scale;
  }
  return sign * r;
}

void RoundUpDown(TValueStack& S, int Count, bool Away) {
  TFunctionArgs a(S, Count);
  double x = 0, d = 0;
  if (!a.Number(0, x) || !a.Whole(1, 0, d)) return;
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) {
    S.PushError(errNum);
    return;
  }
  PushNumber(S, RoundDirected(x, static_cast<std::int32_t>(d), Away));
}

// The nearest odd integer away from zero.
void Odd(TValueStack& S) {
  double x = 0;
  if (!S.PopFloat(x)) return;
  double a = std::ceil(Snap15(std::fabs(x)));
  if (std::fmod(a, 2) == 0) a += 1;
  PushNumber(S, x < 0 ? -a : a);
}

// The nearest even integer away from zero.
void Even(TValueStack& S) {
  double x = 0;
  if (!S.PopFloat(x)) return;
  double a = std::ceil(Snap15(std::fabs(x)));
  if (std::fmod(a, 2) != 0) a += 1;
  PushNumber(S, x < 0 ? -a : a);
}

// ATAN2(x, y): the angle of the point (x, y); the origin has none.
void Atan2(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double y = 0, x = 0;
  if (!a.Number(0, x) || !a.Number(1, y)) return;
  if (x == 0 && y == 0)
    S.PushError(errDiv0);
  else
    S.PushFloat(std::atan2(y, x));
}

// LOG(x, [base = 10]).
void Log(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double base = 10, x = 0;
  if (!a.Number(0, x) || !a.Number(1, 10, base)) return;
  if (x <= 0 || base <= 0) {
    S.PushError(errNum);
    return;
  }
  if (base == 1) {
    S.PushError(errDiv0);
    return;
  }
  PushNumber(S, std::log(x) / std::log(base));
}

// A function of one number defined where Domain holds; elsewhere, or where the result is not finite,
// #NUM!.
template <class D, class F>
void UnaryIn(TValueStack& S, D&& Domain, F&& Fn) {
  double x = 0;
  if (!S.PopFloat(x)) return;
  if (!Domain(x))
    S.PushError(errNum);
  else
    PushNumber(S, Fn(x));
}

// QUOTIENT and MOD: the number and the divisor; a zero divisor is #DIV/0!. False once a result (an
// error) was pushed.
bool DivisionArgs(TValueStack& S, int Count, double& N, double& D) {
  TFunctionArgs a(S, Count);
  if (!a.Number(0, N) || !a.Number(1, D)) return false;
  if (D == 0) {
    S.PushError(errDiv0);
    return false;
  }
  return true;
}

void Quotient(TValueStack& S, int Count) {
  double n = 0, d = 0;
  if (!DivisionArgs(S, Count, n, d)) return;
  PushNumber(S, std::trunc(Snap15(n / d)));
}

void Power(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double y = 0, x = 0;
  if (!a.Number(0, x) || !a.Number(1, y)) return;
  if (x == 0 && y < 0) {
    S.PushError(errDiv0);
    return;
  }
  if (x == 0 && y == 0) {
    S.PushError(errNum);  // 0^0 is undefined, as spreadsheet applications report it
    return;
  }
  PushNumber(S, std::pow(x, y));
}

template <class F>
void Unary(TValueStack& S, F&& Fn) {
  double x = 0;
  if (S.PopFloat(x)) PushNumber(S, Fn(x));
}

void Mod(TValueStack& S, int Count) {
  double n = 0, d = 0;
  if (!DivisionArgs(S, Count, n, d)) return;
  // n - d * floor(n / d): the result takes the divisor's sign.
  double r = std::fmod(n, d);
  if (r != 0 && ((r < 0) != (d < 0))) r += d;
  if (r == d) r = 0;  // a tiny negative remainder lifted by d rounds to d itself
  PushNumber(S, r);
}

void Fact(TValueStack& S) {
  double n = 0;
  if (!S.PopFloat(n)) return;
  if (n < 0 || n >= 171) {
    S.PushError(errNum);
    return;
  }
  const TMathResult r = MathFactorial(n);
  if (r.Ok())
    S.PushFloat(r.Value);
  else
    S.PushError(r.Error);
}

// Reads the two whole arguments n and k of COMBIN and PERMUT.
bool PopNK(TValueStack& S, int Count, double& N, double& K) {
  TFunctionArgs a(S, Count);
  if (!a.Number(0, N) || !a.Number(1, K)) return false;
  N = std::trunc(N);
  K = std::trunc(K);
  if (N < 0 || K < 0 || N < K) {
    S.PushError(errNum);
    return false;
  }
  return true;
}

void Combin(TValueStack& S, int Count) {
  double n = 0, k = 0;
  if (!PopNK(S, Count, n, k)) return;
  k = std::fmin(k, n - k);
  // n(n-1)...(n-k+1) / k!, one factor at a time; past about a thousand factors the result has left
  // the double range, so the loop stays short for any arguments.
  double r = 1;
  for (double i = 1; i <= k; ++i) {
    r = r * (n - k + i) / i;
    if (!std::isfinite(r)) break;
  }
  PushNumber(S, std::round(r));
}

void Permut(TValueStack& S, int Count) {
  double n = 0, k = 0;
  if (!PopNK(S, Count, n, k)) return;
  double r = 1;
  for (double i = 0; i < k; ++i) {
    r *= n - i;
    if (!std::isfinite(r)) break;
  }
  PushNumber(S, r);
}

void Roman(TValueStack& S, int Count) {
  TFunctionArgs a(S, Count);
  double form = 0, n = 0;
  if (!a.Number(0, n) || !a.Number(1, 0, form)) return;
  form = std::trunc(form);
  n = std::trunc(n);
  if (form < 0 || form > 4 || n < 0 || n > 3999) {
    S.PushError(errValue);
    return;
  }
  static const struct {
    int Value;
    const char16_t* Text;
  } kTable[] = {{1000, u"M"}, {900, u"CM"}, {500, u"D"}, {400, u"CD"}, {100, u"C"}, {90, u"XC"}, {50, u"L"},
                {40, u"XL"},  {10, u"X"},   {9, u"IX"},  {5, u"V"},    {4, u"IV"},  {1, u"I"}};
  int left = static_cast<int>(n);
  std::u16string out;
  for (const auto& e : kTable)
    while (left >= e.Value) {
      out += e.Text;
      left -= e.Value;
    }
  S.PushString(out);
}

// The cells or elements of a matrix argument as values, row by row; False (with the error in Err)
// for an argument that is no rectangle of values, or one too large.
class TMatrixSource {
public:
  bool Load(TValueStack& S, const TXLSFormulaValue& V, std::uint8_t& Err) {
    S_ = &S;
    V_ = V;
    switch (V.Kind) {
      case fvkValue:
      case fvkCell:
        if (V.ValueType == fvtError) {
          Err = V.BoolErr;
          return false;
        }
        Rows = Cols = 1;
        return true;
      case fvkArea:
      case fvkXArea:
        Rows = static_cast<long long>(V.Row2) - V.Row1 + 1;
        Cols = static_cast<long long>(V.Col2) - V.Col1 + 1;
        break;
      case fvkArray:
        if (!V.Array) break;
        Rows = V.Array->RowCount();
        Cols = V.Array->ColCount();
        break;
      default:
        break;
    }
    if (Rows <= 0 || Cols <= 0 || Rows * Cols > kMaxMatrixCells) {
      Err = errValue;
      return false;
    }
    return true;
  }
  void Get(int Row, int Col, TXLSFormulaValue& Out) const {
    if (V_.Kind == fvkValue || V_.Kind == fvkCell) {
      Out = V_;
      Out.Kind = fvkValue;
    } else if (V_.Kind == fvkArray) {
      V_.Array->GetFormulaValue(Col, Row, Out);
    } else {
      S_->ReadCell(V_.Cells, V_.Col1 + Col, V_.Row1 + Row, Out);
    }
  }
  // The numbers; a value that is no number gives #VALUE! (an error value its own error).
  std::unique_ptr<TXLSMatrix> Numbers(std::uint8_t& Err) const {
    auto m = std::make_unique<TXLSMatrix>(static_cast<int>(Rows), static_cast<int>(Cols));
    TXLSFormulaValue v;
    for (int r = 0; r < Rows; ++r)
      for (int c = 0; c < Cols; ++c) {
        Get(r, c, v);
        if (v.ValueType == fvtError) {
          Err = v.BoolErr;
          return nullptr;
        }
        if (v.ValueType != fvtFloat) {
          Err = errValue;
          return nullptr;
        }
        m->Put(r, c, v.Number);
      }
    return m;
  }
  long long Rows = 0, Cols = 0;

private:
  TValueStack* S_ = nullptr;
  TXLSFormulaValue V_;
};

// The matrix of the next argument; Square refuses other shapes before any cell is read.
std::unique_ptr<TXLSMatrix> MatrixOf(TValueStack& S, const TXLSFormulaValue& v, bool Square) {
  TMatrixSource src;
  std::uint8_t err = 0;
  std::unique_ptr<TXLSMatrix> m;
  if (src.Load(S, v, err)) {
    if (Square && src.Rows != src.Cols)
      err = errValue;
    else
      m = src.Numbers(err);
  }
  if (!m) S.PushError(err ? err : static_cast<std::uint8_t>(errValue));
  return m;
}

std::unique_ptr<TXLSMatrix> PopMatrix(TValueStack& S, bool Square) {
  TXLSFormulaValue v;
  S.PopArg(v);
  return MatrixOf(S, v, Square);
}

bool AllFinite(const TXLSMatrix& M) {
  for (int r = 0; r < M.Rows(); ++r)
    for (int c = 0; c < M.Cols(); ++c)
      if (!std::isfinite(M.Get(r, c))) return false;
  return true;
}

void MDeterm(TValueStack& S) {
  const auto m = PopMatrix(S, true);
  if (!m) return;
  double d = 0;
  if (!m->Determinant(d)) {
    S.PushError(errValue);
    return;
  }
  PushNumber(S, d);
}

void MInverse(TValueStack& S) {
  const auto m = PopMatrix(S, true);
  if (!m) return;
  if (m->Rows() != m->Cols()) {
    S.PushError(errValue);
    return;
  }
  const auto inv = m->Inverse();
  if (!inv || !AllFinite(*inv)) {
    S.PushError(errNum);  // singular
    return;
  }
  S.PushMatrix(*inv);
}

void MMult(TValueStack& S, int Count) {
  TFunctionArgs args(S, Count);
  if (args.Count() != 2) {
    S.PushError(errValue);
    return;
  }
  const auto a = MatrixOf(S, args.At(0), false);
  if (!a) return;
  const auto b = MatrixOf(S, args.At(1), false);
  if (!b) return;
  if (static_cast<long long>(a->Rows()) * b->Cols() > kMaxMatrixCells) {
    S.PushError(errValue);
    return;
  }
  const auto p = a->Multiply(*b);
  if (!p) {
    S.PushError(errValue);
    return;
  }
  if (!AllFinite(*p)) {
    S.PushError(errNum);
    return;
  }
  S.PushMatrix(*p);
}

void Transpose(TValueStack& S) {
  TXLSFormulaValue v;
  S.PopArg(v);
  TMatrixSource src;
  std::uint8_t err = 0;
  if (!src.Load(S, v, err)) {
    S.PushError(err);
    return;
  }
  auto out = std::make_unique<TXLSArrayItem>(static_cast<int>(src.Rows), static_cast<int>(src.Cols));
  TXLSFormulaValue e;
  for (int r = 0; r < src.Rows; ++r)
    for (int c = 0; c < src.Cols; ++c) {
      src.Get(r, c, e);
      switch (e.ValueType) {
        case fvtFloat: out->SetFloat(r, c, e.Number); break;
        case fvtBoolean: out->SetBoolean(r, c, e.BoolErr != 0); break;
        case fvtError: out->SetError(r, c, e.BoolErr); break;
        case fvtString: out->SetString(r, c, e.Text); break;
        default: break;  // empty stays an empty element
      }
    }
  S.PushArray(std::move(out));
}


}  // namespace

bool RunMathFunction(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidSqrt: {
      double x = 0;
      if (!S.PopFloat(x)) return true;
      if (x < 0)
        S.PushError(errNum);
      else
        S.PushFloat(std::sqrt(x));
      return true;
    }
    case fidSin: Unary(S, [](double x) { return std::sin(x); }); return true;
    case fidCos: Unary(S, [](double x) { return std::cos(x); }); return true;
    case fidTan: Unary(S, [](double x) { return std::tan(x); }); return true;
    case fidAtan: Unary(S, [](double x) { return std::atan(x); }); return true;
    case fidAsin: UnaryIn(S, [](double x) { return std::fabs(x) <= 1; }, [](double x) { return std::asin(x); }); return true;
    case fidAcos: UnaryIn(S, [](double x) { return std::fabs(x) <= 1; }, [](double x) { return std::acos(x); }); return true;
    case fidAtan2: Atan2(S, Count); return true;
    case fidSinh: Unary(S, [](double x) { return std::sinh(x); }); return true;
    case fidCosh: Unary(S, [](double x) { return std::cosh(x); }); return true;
    case fidTanh: Unary(S, [](double x) { return std::tanh(x); }); return true;
    case fidAsinh: Unary(S, [](double x) { return std::asinh(x); }); return true;
    case fidAcosh: UnaryIn(S, [](double x) { return x >= 1; }, [](double x) { return std::acosh(x); }); return true;
    case fidAtanh: UnaryIn(S, [](double x) { return std::fabs(x) < 1; }, [](double x) { return std::atanh(x); }); return true;
    case fidExp: Unary(S, [](double x) { return std::exp(x); }); return true;
    case fidLn: UnaryIn(S, [](double x) { return x > 0; }, [](double x) { return std::log(x); }); return true;
    case fidLog10: UnaryIn(S, [](double x) { return x > 0; }, [](double x) { return std::log10(x); }); return true;
    case fidLog: Log(S, Count); return true;
    case fidSign: Unary(S, [](double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; }); return true;
    case fidEven: Even(S); return true;
    case fidInt: Unary(S, [](double x) { return std::floor(x); }); return true;
    case fidMod: Mod(S, Count); return true;
    case fidCeiling: CeilingFloor(S, Count, true); return true;
    case fidFloor: CeilingFloor(S, Count, false); return true;
    case fidCeilingPrecise:
    case fidIsoCeiling: PreciseCeilingFloor(S, Count, true); return true;
    case fidFloorPrecise: PreciseCeilingFloor(S, Count, false); return true;
    case fidRoundUp: RoundUpDown(S, Count, true); return true;
    case fidRoundDown:
    case fidTrunc: RoundUpDown(S, Count, false); return true;
    case fidOdd: Odd(S); return true;
    case fidQuotient: Quotient(S, Count); return true;
    case fidPower: Power(S, Count); return true;
    case fidDegrees: Unary(S, [](double x) { return x * 180 / kPi; }); return true;
    case fidRadians: Unary(S, [](double x) { return x * kPi / 180; }); return true;
    case fidFact: Fact(S); return true;
    case fidCombin: Combin(S, Count); return true;
    case fidPermut: Permut(S, Count); return true;
    case fidRoman: Roman(S, Count); return true;
    case fidMDeterm: MDeterm(S); return true;
    case fidMInverse: MInverse(S); return true;
    case fidMMult: MMult(S, Count); return true;
    case fidTranspose: Transpose(S); return true;
    default: return false;
  }
}

}  // namespace formula::functions
