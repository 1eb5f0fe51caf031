// Random formula texts for round-trip tests, written the way the BIFF8 decoder writes them (no
// spaces, upper case, plain integers), so that decode(encode(text)) must give the text back.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "core/unicode.h"

namespace biff {

class TFormulaGenerator {
public:
  // Sheets: names put in front of some references (none: 2-D references only).
  explicit TFormulaGenerator(unsigned Seed, std::vector<std::u16string> Sheets = {})
      : Rng_(Seed), Sheets_(std::move(Sheets)) {}

  std::u16string Expr(int Depth) {
    std::u16string S = Term(Depth);
    const int Ops = Pick(3);
    static const char16_t* const kOps[] = {u"+", u"-", u"*", u"/", u"^", u"&", u"<", u"<=", u"=", u">=", u">", u"<>"};
    for (int i = 0; i < Ops; ++i) S += std::u16string(kOps[Pick(12)]) + Term(Depth);
    return S;
  }

private:
  int Pick(int N) { return static_cast<int>(Rng_() % static_cast<unsigned>(N)); }

  std::u16string Term(int Depth) {
    std::u16string S;
    switch (Depth > 0 ? Pick(12) : Pick(7)) {
      case 0: S = Prefix() + Cell(); break;
      case 1: S = Prefix() + Cell() + u":" + Cell(); break;
      case 2: S = core::utf8_to_utf16(std::to_string(Pick(70000))); break;
      case 3: S = u"\"" + std::u16string(Pick(2) ? u"温度" : u"a\"\"b") + u"\""; break;
      case 4: S = Pick(2) ? u"TRUE" : u"FALSE"; break;
      case 5: S = Pick(2) ? u"0.25" : u"#N/A"; break;
      case 6: S = u"-" + Cell(); break;
      case 7: S = u"(" + Expr(Depth - 1) + u")"; break;
      case 8: S = u"ROUND(" + Expr(Depth - 1) + u"," + Expr(Depth - 1) + u")"; break;
      case 9: {
        static const char16_t* const kVar[] = {u"SUM(", u"AVERAGE(", u"MIN(", u"MAX(", u"IF("};
        S = kVar[Pick(5)];
        const int N = 1 + Pick(3);
        for (int i = 0; i < N; ++i) S += (i ? u"," : u"") + (Pick(5) ? Expr(Depth - 1) : std::u16string());
        S += u")";
        break;
      }
      case 10: S = u"NOW()"; break;
      default: S = Cell() + u"%"; break;
    }
    return S;
  }

  std::u16string Prefix() {
    if (Sheets_.empty() || Pick(2)) return {};
    return Sheets_[static_cast<std::size_t>(Pick(static_cast<int>(Sheets_.size())))] + u"!";
  }

  std::u16string Cell() {
    static const char16_t* const kCols[] = {u"A", u"B", u"Z", u"AA", u"IV"};
    std::u16string S;
    if (Pick(2)) S += u'$';
    S += kCols[Pick(5)];
    if (Pick(2)) S += u'$';
    return S + core::utf8_to_utf16(std::to_string(1 + Pick(65536)));
  }

  std::mt19937 Rng_;
  std::vector<std::u16string> Sheets_;
};

}  // namespace biff
