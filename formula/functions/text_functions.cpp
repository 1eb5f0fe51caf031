// Text worksheet functions. Texts are UTF-16 throughout: lengths and positions count UTF-16 units,
// and nothing passes through an 8-bit code page. Case changes and case-blind comparisons fold the
// Latin-1 letters. Each function runs inside the argument window the dispatcher opened, reads its
// arguments last-first and pushes one result.
#include "formula/functions/families.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "formula/functions/excel_mask.h"
#include "formula/functions/text_support.h"
#include "workbook/exceptions.h"

namespace formula::functions {

namespace {

// LEFT, MID, LEN, PROPER, TRIM and the other small text functions are computed by the dispatcher.
enum : int {
  fidValue = 33, fidText = 48, fidSearch = 82, fidReplace = 119, fidSubstitute = 120, fidFind = 124, fidClean = 162,
  fidFindB = 205, fidSearchB = 206, fidReplaceB = 207, fidConcatenate = 336, fidHyperlink = 359, fidPhonetic = 360,
};

// The longest text a function builds; longer results are #VALUE! as in spreadsheet applications.
constexpr std::size_t kMaxText = 32767;

void PushText(TValueStack& S, std::u16string T) {
  if (T.size() > kMaxText)
    S.PushError(errValue);
  else
    S.PushString(T);
}

// A count or position argument: an integer at least Min, else #VALUE!.
bool PopCount(TValueStack& S, std::int32_t Min, std::int32_t& V) {
  double d = 0;
  if (!S.PopFloat(d)) return false;
  d = std::trunc(d);
  if (!(d >= Min)) {
    S.PushError(errValue);
    return false;
  }
  V = d > 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(d);
  return true;
}

void Concatenate(TValueStack& S, int Count) {
  std::u16string out;
  for (int depth = Count - 1; depth >= 0; --depth) {
    TXLSFormulaValue arg;
    S.PeekArg(depth, arg);
    if (arg.Kind == fvkValue || arg.Kind == fvkCell) {
      std::u16string t;
      if (!S.ToText(arg, t)) out += t;
      continue;
    }
    TValStackIterator& it = S.Iterator();
    it.Init(arg, false);
    while (it.Next()) {
      std::u16string t;
      if (!S.ToText(it.Current(), t)) out += t;  // error items are left out
      if (out.size() > kMaxText) break;
    }
  }
  PushText(S, std::move(out));
}

void Replace(TValueStack& S) {
  std::u16string repl, old;
  std::int32_t count = 0, start = 0;
  if (!S.PopString(true, repl) || !PopCount(S, 0, count) || !PopCount(S, 1, start) || !S.PopString(true, old)) return;
  const std::size_t from = std::min<std::size_t>(old.size(), static_cast<std::size_t>(start) - 1);
  const std::size_t to = std::min<std::size_t>(old.size(), from + static_cast<std::size_t>(count));
  PushText(S, old.substr(0, from) + repl + old.substr(to));
}

void Substitute(TValueStack& S, int Count) {
  std::int32_t instance = 0;
  if (Count >= 4 && !PopCount(S, 1, instance)) return;
  std::u16string repl, old, text;
  if (!S.PopString(true, repl) || !S.PopString(true, old) || !S.PopString(true, text)) return;
  if (old.empty() || old.size() > text.size()) {
    S.PushString(text);
    return;
  }
  if (instance > 0) {
    // Occurrences are counted at every position, so they may overlap ("aaa", "aa": 1 and 2).
    int seen = 0;
    for (std::size_t p = 0; p + old.size() <= text.size(); ++p)
      if (text.compare(p, old.size(), old) == 0 && ++seen == instance) {
        PushText(S, text.substr(0, p) + repl + text.substr(p + old.size()));
        return;
      }
    S.PushString(text);
    return;
  }
  std::u16string out;
  std::size_t p = 0;
  for (std::size_t hit; (hit = text.find(old, p)) != std::u16string::npos; p = hit + old.size()) {
    out += text.substr(p, hit - p) + repl;
    if (out.size() > kMaxText) break;  // too long already: #VALUE! below, without building it all
  }
  PushText(S, out + text.substr(p));
}

void FindSearch(TValueStack& S, int Count, bool Search) {
  std::int32_t start = 1;
  if (Count >= 3 && !PopCount(S, 1, start)) return;
  std::u16string within, what;
  if (!S.PopString(true, within) || !S.PopString(true, what)) return;
  const long pos = Search ? SearchText(what, within, static_cast<std::size_t>(start) - 1)
                          : FindText(what, within, static_cast<std::size_t>(start) - 1);
  if (pos < 0)
    S.PushError(errValue);
  else
    S.PushFloat(static_cast<double>(pos + 1));
}

void Text(TValueStack& S) {
  std::u16string mask;
  if (!S.PopString(true, mask)) return;
  TXLSFormulaValue v;
  S.PopArg(v);
  double d = 0;
  std::uint8_t err = 0;
  S.ToNumber(v, d, err);
  std::u16string text;
  bool isText = false;
  if (err == errValue) {
    // A text that is no number goes through the mask's text section, as in spreadsheet applications.
    if (S.ToText(v, text) == 0) isText = true;
  }
  if (err && !isText) {
    S.PushError(err);
    return;
  }
  TExcelMask m(S.Locale());
  try {
    m.SetMask(mask);
  } catch (const workbook::Exception&) {
    S.PushError(errValue);  // a mask longer than 255 characters
    return;
  }
  PushText(S, isText ? m.FormatText(text) : m.FormatNumber(d));
}

// A number, date, time or money amount as text; a trailing percent sign divides by 100.
bool ReadValueText(std::u16string_view T, const TFormulaLocale& L, double& D) {
  if (TextToFloat(T, L, D) || TextToDateTime(T, L, D) || TextToCurrency(T, L, D)) return true;
  while (!T.empty() && T.back() == u' ') T.remove_suffix(1);
  if (T.size() < 2 || T.back() != u'%') return false;
  T.remove_suffix(1);
  if (!TextToFloat(T, L, D) && !TextToCurrency(T, L, D)) return false;
  D /= 100;
  return true;
}

void Value(TValueStack& S) {
  TXLSFormulaValue v;
  S.PopArg(v);
  double d = 0;
  std::uint8_t err = 0;
  std::u16string t;
  if ((err = S.ToText(v, t)) != 0) {
    S.PushError(err);
    return;
  }
  std::uint8_t type = fvtEmpty;
  if (t.empty() && S.ValueKind(v, type) == 0 && type == fvtEmpty) {
    S.PushFloat(0);  // an empty cell reads as 0
    return;
  }
  if (ReadValueText(t, S.Locale(), d))
    S.PushFloat(d);
  else
    S.PushError(errValue);
}

template <class F>
void OneText(TValueStack& S, F&& Fn) {
  std::u16string t;
  if (S.PopString(true, t)) Fn(t);
}

}  // namespace

bool RunTextFunction(TValueStack& S, int Id, int Count) {
  switch (Id) {
    case fidConcatenate: Concatenate(S, Count); return true;
    case fidClean:
      OneText(S, [&](const std::u16string& t) { S.PushString(CleanText(t)); });
      return true;
    case fidReplace:
    case fidReplaceB: Replace(S); return true;
    case fidSubstitute: Substitute(S, Count); return true;
    case fidSearch:
    case fidSearchB: FindSearch(S, Count, true); return true;
    case fidFind:
    case fidFindB: FindSearch(S, Count, false); return true;
    case fidText: Text(S); return true;
    case fidValue: Value(S); return true;
    case fidHyperlink: {
      std::u16string name, link;
      if (Count >= 2 && !S.PopString(true, name)) return true;
      if (!S.PopString(true, link)) return true;
      S.PushString(Count >= 2 ? name : link);
      return true;
    }
    case fidPhonetic:
      OneText(S, [&](const std::u16string& t) { S.PushString(t); });
      return true;
    default: return false;
  }
}

}  // namespace formula::functions
