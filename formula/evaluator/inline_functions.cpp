// The small worksheet functions computed inside the dispatchers (information, text, date and a few
// statistical ones), and INDIRECT.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/codepage.h"
#include "formula/evaluator/evaluator.h"
#include "formula/evaluator/inline_functions.h"
#include "formula/support/special_functions.h"
#include "formula/support/text_collation.h"
#include "workbook/cell_references.h"

namespace formula {

namespace {

// Texts longer than a cell can hold are #VALUE!.
constexpr std::size_t kMaxText = 32767;

char16_t Upper(char16_t C) { return C >= u'a' && C <= u'z' ? static_cast<char16_t>(C - 32) : C; }

// The raw argument's value type: a cell reference its cell's, an area the cell the formula cell
// meets (an area it does not meet has none), a plain value its own.
std::uint8_t RawType(const TXLSFormulaValue& V) {
  if (V.Kind == fvkArea || V.Kind == fvkAreaList || V.Kind == fvkXArea || V.Kind == fvkArray) return 0xFF;
  return V.ValueType;
}

void Rept(TValueStack& S) {
  std::int32_t count = 0;
  std::u16string text;
  if (!S.PopInt(count)) return;
  if (!S.PopString(true, text)) return;
  if (count < 0 || (count > 0 && text.size() * static_cast<std::size_t>(count) > kMaxText)) {
    S.PushError(errValue);
    return;
  }
  std::u16string out;
  out.reserve(text.size() * static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) out += text;
  S.PushString(out);
}

void Mid(TValueStack& S) {
  std::int32_t count = 0, start = 0;
  std::u16string text;
  if (!S.PopInt(count)) return;
  if (!S.PopInt(start)) return;
  if (!S.PopString(true, text)) return;
  if (start < 1 || count < 0) {
    S.PushError(errValue);
    return;
  }
  const std::size_t from = static_cast<std::size_t>(start - 1);
  S.PushString(from >= text.size() ? std::u16string() : text.substr(from, static_cast<std::size_t>(count)));
}

void LeftRight(TValueStack& S, int Count, bool Left) {
  std::int32_t count = 1;
  std::u16string text;
  if (Count >= 2 && !S.PopInt(count)) return;
  if (!S.PopString(true, text)) return;
  if (count < 0) {
    S.PushError(errValue);
    return;
  }
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(count));
  S.PushString(Left ? text.substr(0, n) : text.substr(text.size() - n));
}

void Proper(TValueStack& S) {
  std::u16string text;
  if (!S.PopString(true, text)) return;
  bool start = true;
  for (char16_t& c : text) {
    c = start ? UpperLetter(c) : LowerLetter(c);
    // A word starts after any character that is no letter (digits and apostrophes included).
    start = !IsWordLetter(c);
  }
  S.PushString(text);
}

// Leading and trailing blanks go, and runs of blanks inside become one.
void Trim(TValueStack& S) {
  std::u16string text, out;
  if (!S.PopString(true, text)) return;
  bool blank = false;
  for (char16_t c : text) {
    if (c == u' ') {
      blank = !out.empty();
      continue;
    }
    if (blank) out.push_back(u' ');
    blank = false;
    out.push_back(c);
  }
  S.PushString(out);
}

// CHAR: the code page 1252 character of a byte code 1..255.
void Char(TValueStack& S) {
  std::int32_t code = 0;
  if (!S.PopInt(code)) return;
  if (code < 1 || code > 255) {
    S.PushError(errValue);
    return;
  }
  const std::string byte(1, static_cast<char>(code));
  S.PushString(core::codepage_to_utf16(1252, byte));
}

void Code(TValueStack& S) {
  std::u16string text;
  if (!S.PopString(false, text)) return;
  // Code page 1252 characters give their byte, others their UTF-16 unit.
  bool lossy = false;
  const std::string bytes = core::utf16_to_codepage(1252, text.substr(0, 1), &lossy);
  if (!lossy && bytes.size() == 1)
    S.PushFloat(static_cast<unsigned char>(bytes[0]));
  else
    S.PushFloat(text[0]);
}

// DOLLAR and FIXED: the number rounded to Decimals (negative rounds left of the point), with
// thousands separators unless NoCommas; DOLLAR adds the currency sign.
std::u16string FixedText(double X, int Decimals, bool Commas, const TFormulaLocale& L) {
  const double scale = std::pow(10.0, std::abs(Decimals));
  if (Decimals < 0) X = std::round(X / scale) * scale;
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", Decimals > 0 ? Decimals : 0, std::fabs(X));
  std::string digits = buf;
  const std::size_t point = digits.find('.');
  std::string whole = digits.substr(0, point), frac = point == std::string::npos ? "" : digits.substr(point + 1);
  std::u16string out;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (Commas && i > 0 && (whole.size() - i) % 3 == 0) out.push_back(L.ThousandSeparator);
    out.push_back(static_cast<char16_t>(whole[i]));
  }
  if (!frac.empty()) {
    out.push_back(L.DecimalSeparator);
    for (char c : frac) out.push_back(static_cast<char16_t>(c));
  }
  return out;
}

void DollarFixed(TValueStack& S, int Count, bool Dollar) {
  bool commas = true;
  double decimals = 2;
  if (!Dollar && Count >= 3) {
    bool noCommas = false;
    if (!S.PopBool(noCommas)) return;
    commas = !noCommas;
  }
  if (Count >= 2 && !S.PopFloat(decimals)) return;
  TXLSFormulaValue raw;
  S.PopArg(raw);
  double x = 0;
  std::uint8_t err = 0;
  S.ToNumber(raw, x, err);
  if (err) {
    S.PushError(err);
    return;
  }
  if (decimals > 127 || decimals < -127) {
    S.PushError(errValue);
    return;
  }
  const int d = static_cast<int>(std::trunc(decimals));
  // Round half away from zero at d decimals first, as the text shows it.
  if (d >= 0) {
    const double scale = std::pow(10.0, std::min(d, 15));
    const double scaled = std::round(x * scale) / scale;
    if (std::isfinite(scaled)) x = scaled;
  }
  if (std::fabs(x) >= 1e100) {
    S.PushError(errValue);
    return;
  }
  const TFormulaLocale& l = S.Locale();
  std::u16string body = FixedText(x, d, Dollar || commas, l);
  const bool negative = x < 0 && body.find_first_not_of(u"0.,") != std::u16string::npos;
  if (!Dollar) {
    S.PushString(negative ? u"-" + body : body);
    return;
  }
  std::u16string money;
  switch (l.CurrencyFormat) {
    case 1: money = body + l.CurrencyString; break;
    case 2: money = l.CurrencyString + u" " + body; break;
    case 3: money = body + u" " + l.CurrencyString; break;
    default: money = l.CurrencyString + body; break;
  }
  S.PushString(negative ? u"(" + money + u")" : money);
}

// Serial date-time of a local calendar time.
double SerialOf(const core::LocalTime& T, bool WithTime) {
  double serial = 0;
  EncodeSerialDate(T.year, T.month, T.day, serial);
  if (WithTime) serial += (T.hour * 3600.0 + T.minute * 60.0 + T.second + T.millisecond / 1000.0) / 86400.0;
  return serial;
}

void DateTimeValue(TValueStack& S, bool Date) {
  std::u16string text;
  if (!S.PopString(false, text)) return;
  double serial = 0;
  if (!TextToDateTime(text, S.Locale(), serial)) {
    S.PushError(errValue);
    return;
  }
  S.PushFloat(Date ? std::floor(serial) : serial - std::floor(serial));
}

void PushMath(TValueStack& S, const TMathResult& R) {
  if (R.Ok())
    S.PushFloat(R.Value);
  else
    S.PushError(R.Error);
}

// T.INV: the left-tailed quantile; T.INV.2T (TwoTailed): the two-tailed one, positive.
void TInv(TValueStack& S, bool TwoTailed) {
  double dfArg = 0, p = 0;
  if (!S.PopFloat(dfArg)) return;
  if (!S.PopFloat(p)) return;
  const double df = std::trunc(dfArg);
  if (df < 1 || p <= 0 || p > 1 || (!TwoTailed && p >= 1)) {
    S.PushError(errNum);
    return;
  }
  if (TwoTailed) {
    const TMathResult q = MathStudentsTQuantile(df, p / 2);
    PushMath(S, q.Ok() ? TMathResult{std::fabs(q.Value), 0} : q);
    return;
  }
  PushMath(S, MathStudentsTQuantile(df, p));
}

// The numbers of one T.TEST argument, in reading order.
bool CollectNumbers(TValueStack& S, const TXLSFormulaValue& V, std::vector<double>& Out, std::vector<bool>* Slots) {
  if (V.Kind == fvkValue) {
    if (V.ValueType == fvtError) {
      S.PushError(V.BoolErr);
      return false;
    }
    if (V.ValueType == fvtFloat) Out.push_back(V.Number);
    if (Slots) Slots->push_back(V.ValueType == fvtFloat);
    return true;
  }
  TValStackIterator& it = S.Iterator();
  it.Init(V, true);
  while (it.Next()) {
    const TXLSFormulaValue& e = it.Current();
    if (e.ValueType == fvtError && e.Kind <= fvkCell) {
      S.PushError(e.BoolErr);
      return false;
    }
    const bool number = e.ValueType == fvtFloat;
    if (number) Out.push_back(e.Number);
    if (Slots) Slots->push_back(number);
  }
  return true;
}

// T.TEST (array1, array2, tails, type): type 1 paired, 2 equal variances, 3 unequal (Welch).
void TTest(TValueStack& S) {
  std::int32_t type = 0, tails = 0;
  if (!S.PopInt(type)) return;
  if (!S.PopInt(tails)) return;
  TXLSFormulaValue a2, a1;
  S.PopArg(a2);
  S.PopArg(a1);
  if (type < 1 || type > 3 || tails < 1 || tails > 2) {
    S.PushError(errNum);
    return;
  }
  std::vector<double> x, y;
  double t = 0, df = 0;
  if (type == 1) {
    // Pairs by position; a pair counts only when both are numbers.
    std::vector<double> xa, ya;
    std::vector<bool> sx, sy;
    if (!CollectNumbers(S, a1, xa, &sx) || !CollectNumbers(S, a2, ya, &sy)) return;
    if (sx.size() != sy.size()) {
      S.PushError(errNA);
      return;
    }
    std::vector<double> d;
    std::size_t ix = 0, iy = 0;
    for (std::size_t i = 0; i < sx.size(); ++i) {
      const bool bx = sx[i], by = sy[i];
      if (bx && by) d.push_back(xa[ix] - ya[iy]);
      ix += bx;
      iy += by;
    }
    const double n = static_cast<double>(d.size());
    if (d.size() < 2) {
      S.PushError(errDiv0);
      return;
    }
    double mean = 0, ss = 0;
    for (double v : d) mean += v;
    mean /= n;
    for (double v : d) ss += (v - mean) * (v - mean);
    const double sd = std::sqrt(ss / (n - 1));
    if (sd == 0) {
      S.PushError(errDiv0);
      return;
    }
    t = mean / (sd / std::sqrt(n));
    df = n - 1;
  } else {
    if (!CollectNumbers(S, a1, x, nullptr) || !CollectNumbers(S, a2, y, nullptr)) return;
    if (x.size() < 2 || y.size() < 2) {
      S.PushError(errDiv0);
      return;
    }
    auto stats = [](const std::vector<double>& v, double& Mean, double& Var) {
      Mean = 0;
      for (double e : v) Mean += e;
      Mean /= static_cast<double>(v.size());
      double ss = 0;
      for (double e : v) ss += (e - Mean) * (e - Mean);
      Var = ss / static_cast<double>(v.size() - 1);
    };
    double m1, v1, m2, v2;
    stats(x, m1, v1);
    stats(y, m2, v2);
    const double n1 = static_cast<double>(x.size()), n2 = static_cast<double>(y.size());
    if (type == 2) {
      df = n1 + n2 - 2;
      const double pooled = ((n1 - 1) * v1 + (n2 - 1) * v2) / df;
      const double se = std::sqrt(pooled * (1 / n1 + 1 / n2));
      if (se == 0) {
        S.PushError(errDiv0);
        return;
      }
      t = (m1 - m2) / se;
    } else {
      const double a = v1 / n1, b = v2 / n2;
      if (a + b == 0) {
        S.PushError(errDiv0);
        return;
      }
      t = (m1 - m2) / std::sqrt(a + b);
      df = (a + b) * (a + b) / (a * a / (n1 - 1) + b * b / (n2 - 1));
    }
  }
  const TMathResult cdf = MathStudentsTCdf(df, -std::fabs(t));
  if (!cdf.Ok()) {
    S.PushError(cdf.Error);
    return;
  }
  S.PushFloat(std::min(1.0, cdf.Value * tails));
}

}  // namespace

bool RunInlineFunction(TXLSFormulaEvaluator& E, TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidRow:
    case fidColumn: {
      if (Count == 0) {
        S.PushFloat((Id == fidRow ? S.Row : S.Col) + 1);
        return true;
      }
      TXLSFormulaValue v;
      S.PopArg(v);
      if (v.Kind == fvkAreaList && v.Areas && v.Areas->Count() > 0) {
        const workbook::TCellArea* a = v.Areas->GetItem(0);
        S.PushFloat((Id == fidRow ? a->GetRow1() : a->GetCol1()) + 1);
      } else if (S.ArrayMode && v.Kind == fvkArea && (Id == fidRow ? v.Row2 > v.Row1 : v.Col2 > v.Col1)) {
        // In an array context the numbers of all the rows (columns) of the area.
        const int n = Id == fidRow ? v.Row2 - v.Row1 + 1 : v.Col2 - v.Col1 + 1;
        auto numbers = std::make_unique<TXLSArrayItem>(Id == fidRow ? 1 : n, Id == fidRow ? n : 1);
        for (int k = 0; k < n; ++k)
          numbers->SetFloat(Id == fidRow ? 0 : k, Id == fidRow ? k : 0, (Id == fidRow ? v.Row1 : v.Col1) + k + 1);
        S.PushArray(std::move(numbers));
      } else if (v.IsRef() || v.Kind == fvkXArea) {
        S.PushFloat((Id == fidRow ? v.Row1 : v.Col1) + 1);
      } else {
        S.PushErrorOf(errRef, v);
      }
      return true;
    }
    case fidDollar: DollarFixed(S, Count, true); return true;
    case fidFixed: DollarFixed(S, Count, false); return true;
    case fidRept: Rept(S); return true;
    case fidMid:
    case fidMidB: Mid(S); return true;
    case fidLen:
    case fidLenB: {
      std::u16string text;
      if (S.PopString(true, text)) S.PushFloat(static_cast<double>(text.size()));
      return true;
    }
    case fidLeft:
    case fidLeftB: LeftRight(S, Count, true); return true;
    case fidRight:
    case fidRightB: LeftRight(S, Count, false); return true;
    case fidRand: S.PushFloat(E.Random().Next()); return true;
    case fidNow: S.PushFloat(SerialOf(core::local_now(), true)); return true;
    case fidToday: S.PushFloat(SerialOf(core::local_now(), false)); return true;
    case fidIsRef: {
      TXLSFormulaValue v;
      S.PopArg(v);
      S.PushBool(v.IsRef() || v.Kind == fvkXArea);
      return true;
    }
    case fidChar: Char(S); return true;
    case fidLower:
    case fidUpper: {
      std::u16string text;
      if (!S.PopString(true, text)) return true;
      text = Id == fidUpper ? UpperText(text) : LowerText(text);
      S.PushString(text);
      return true;
    }
    case fidProper: Proper(S); return true;
    case fidExact: {
      std::u16string a, b;
      if (!S.PopString(true, b)) return true;
      if (!S.PopString(true, a)) return true;
      S.PushBool(a == b);
      return true;
    }
    case fidTrim: Trim(S); return true;
    case fidCode: Code(S); return true;
    case fidIsErr:
    case fidIsText:
    case fidIsNumber:
    case fidIsLogical:
    case fidIsNonText: {
      TXLSFormulaValue v;
      S.PopArg(v);
      std::uint8_t type = RawType(v);
      if (type == 0xFF) {
        // An area: its cell in the formula's row or column, when there is one.
        TXLSFormulaValue cell = v;
        type = v.Kind == fvkArea && S.ImplicitIntersection(cell) ? cell.ValueType : 0xFF;
        if (type == 0xFF && Id == fidIsErr) type = fvtError;  // #VALUE!
      }
      bool r = false;
      switch (Id) {
        // ISERR: any error but #N/A.
        case fidIsErr: r = type == fvtError && S.GetErrorCode(v) != errNA; break;
        case fidIsText: r = type == fvtString; break;
        case fidIsNumber: r = type == fvtFloat; break;
        case fidIsLogical: r = type == fvtBoolean; break;
        default: r = type != fvtString; break;
      }
      S.PushBool(r);
      return true;
    }
    case fidIsBlank: {
      TXLSFormulaValue v;
      S.PopArg(v);
      if (v.Kind == fvkArea) {
        TXLSFormulaValue cell = v;
        if (!S.ImplicitIntersection(cell)) S.ReadCell(v.Cells, v.Col1, v.Row1, cell);
        v = cell;
      }
      S.PushBool(v.Kind == fvkCell && v.ValueType == fvtEmpty);
      return true;
    }
    case fidT: {
      TXLSFormulaValue v;
      S.PopArg(v);
      TXLSFormulaValue cell = v;
      if (v.Kind == fvkArea && !S.ImplicitIntersection(cell)) cell.SetError(errValue);
      if (cell.ValueType == fvtError)
        S.PushError(cell.BoolErr);
      else
        S.PushString(cell.ValueType == fvtString ? cell.Text : std::u16string());
      return true;
    }
    case fidN: {
      TXLSFormulaValue v;
      S.PopArg(v);
      TXLSFormulaValue cell = v;
      if (v.Kind == fvkArea && !S.ImplicitIntersection(cell)) cell.SetError(errValue);
      switch (cell.ValueType) {
        case fvtFloat: S.PushFloat(cell.Number); break;
        case fvtBoolean: S.PushFloat(cell.BoolErr ? 1 : 0); break;
        case fvtError: S.PushError(cell.BoolErr); break;
        default: S.PushFloat(0); break;
      }
      return true;
    }
    case fidDateValue: DateTimeValue(S, true); return true;
    case fidTimeValue: DateTimeValue(S, false); return true;
    case fidGammaLn:
    case fidGammaLnPrecise: {
      double x = 0;
      if (!S.PopFloat(x)) return true;
      if (x <= 0)
        S.PushError(errNum);
      else
        PushMath(S, MathLgamma(x));
      return true;
    }
    case fidTInv: TInv(S, false); return true;
    case fidTInv2T:
    case fidTInvLegacy: TInv(S, true); return true;
    case fidTTest:
    case fidTTestLegacy: TTest(S); return true;
    case fidIndirect: E.Indirect(Count); return true;
    default:
      return false;
  }
}

void TXLSFormulaEvaluator::Indirect(int ArgCount) {
  TValueStack& s = Stack_;
  bool a1 = true;
  if (ArgCount >= 2 && !s.PopBool(a1)) return;
  std::u16string text;
  if (!s.PopString(true, text)) return;
  int sheet = s.SheetIndex;
  bool named = false;
  std::u16string ref = text;
  const std::size_t bang = text.rfind(u'!');
  if (bang != std::u16string::npos && bang >= 1) {
    std::u16string sheetName = text.substr(0, bang);
    ref = text.substr(bang + 1);
    if (sheetName.size() >= 2 && (sheetName[0] == u'\'' || sheetName[0] == u'"')) {
      sheetName = sheetName.substr(1, sheetName.size() - 2);
      // A doubled apostrophe inside a quoted name stands for one.
      std::u16string unq;
      for (std::size_t i = 0; i < sheetName.size(); ++i) {
        unq.push_back(sheetName[i]);
        if (sheetName[i] == u'\'' && i + 1 < sheetName.size() && sheetName[i + 1] == u'\'') ++i;
      }
      sheetName = unq;
    }
    const std::size_t close = sheetName.find(u']');
    if (close != std::u16string::npos && close >= 1) sheetName = sheetName.substr(close + 1);
    sheet = Resolver_ ? Resolver_->FindSheet(sheetName) : -1;
    if (sheet < 0) {
      s.PushError(errRef);
      return;
    }
    named = true;
  }
  std::u16string upper;
  for (char16_t c : ref) upper.push_back(Upper(c));
  int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  bool parsed = false;
  if (a1) {
    parsed = BIFFMode_ ? workbook::AreaStrToColRow97(upper, c1, r1, c2, r2)
                       : workbook::AreaStrToColRow(upper, c1, r1, c2, r2);
  } else {
    bool cr1 = false, rr1 = false, cr2 = false, rr2 = false;
    parsed = workbook::R1C1AreaStrToColRow(upper, c1, r1, c2, r2, cr1, rr1, cr2, rr2);
    if (parsed) {
      if (cr1) c1 += s.Col;
      if (rr1) r1 += s.Row;
      if (cr2) c2 += s.Col;
      if (rr2) r2 += s.Row;
      const int maxCol = BIFFMode_ ? workbook::XLS_MAXCOL97 : workbook::XLS_MAXCOL;
      const int maxRow = BIFFMode_ ? workbook::XLS_MAXROW97 : workbook::XLS_MAXROW;
      if (c1 < 0 || r1 < 0 || c2 < 0 || r2 < 0 || c1 > maxCol || c2 > maxCol || r1 > maxRow || r2 > maxRow) {
        s.PushError(errRef);
        return;
      }
    }
  }
  if (!parsed) {
    EvalNameText(ref, named ? sheet : s.SheetIndex);
    return;
  }
  if (c1 > c2) std::swap(c1, c2);
  if (r1 > r2) std::swap(r1, r2);
  if (c1 == c2 && r1 == r2)
    s.PushCellRefOn(sheet, c1, r1);
  else
    s.PushAreaOn(sheet, c1, r1, c2, r2);
}

void TXLSFormulaEvaluator::EvalNameText(const std::u16string& Name, int SheetIndex) {
  int index = -1;
  if (Resolver_ && !Name.empty()) {
    if (SheetIndex == Stack_.SheetIndex) {
      index = Resolver_->FindName(Name, SheetIndex);
    } else {
      index = Resolver_->FindGlobalName(Name);
      if (index < 0) index = Resolver_->FindLocalName(Name, SheetIndex);
    }
  }
  if (index < 0) {
    Stack_.PushError(errRef);
    return;
  }
  PushName(index, false, Stack_.ArrayMode);
}

}  // namespace formula
