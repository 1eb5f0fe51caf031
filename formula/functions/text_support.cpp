#include "formula/functions/text_support.h"

#include "formula/support/text_collation.h"


namespace formula::functions {

namespace {

// Whether What, as a wildcard pattern, matches the start of Text (what follows the match is free).
// One pass with backtracking to the last '*', so the cost stays near |What| x |Text|.
bool PrefixMatch(std::u16string_view What, std::u16string_view Text) {
  std::size_t w = 0, t = 0;
  std::size_t starW = std::u16string_view::npos, starT = 0;
  while (true) {
    if (w == What.size()) return true;  // the rest of Text is free
    if (What[w] == u'*') {
      starW = w++;
      starT = t;
      continue;
    }
    if (t < Text.size()) {
      char16_t c = What[w];
      std::size_t len = 1;
      if (c == u'~' && w + 1 < What.size() && (What[w + 1] == u'*' || What[w + 1] == u'?' || What[w + 1] == u'~')) {
        c = What[w + 1];
        len = 2;
      } else if (c == u'?') {
        w += 1;
        ++t;
        continue;
      }
      if (LowerChar(c) == LowerChar(Text[t])) {
        w += len;
        ++t;
        continue;
      }
    }
    if (starW == std::u16string_view::npos || starT >= Text.size()) return false;
    w = starW + 1;
    t = ++starT;
  }
}

}  // namespace

char16_t UpperChar(char16_t c) { return UpperLetter(c); }
char16_t LowerChar(char16_t c) { return LowerLetter(c); }

std::u16string LowerText(std::u16string_view S) { return formula::LowerText(S); }

std::u16string CleanText(std::u16string_view S) {
  std::u16string out;
  for (char16_t c : S)
    if (c >= 32) out.push_back(c);
  return out;
}

long FindText(std::u16string_view What, std::u16string_view Within, std::size_t Start) {
  if (Start > Within.size()) return -1;
  const std::size_t p = Within.find(What, Start);
  return p == std::u16string_view::npos ? -1 : static_cast<long>(p);
}

long SearchText(std::u16string_view What, std::u16string_view Within, std::size_t Start) {
  if (Start > Within.size()) return -1;
  if (What.empty()) return static_cast<long>(Start);
  // A leading '*' absorbs any start: the first position matches when any does.
  if (What[0] == u'*') return PrefixMatch(What, Within.substr(Start)) ? static_cast<long>(Start) : -1;
  for (std::size_t p = Start; p < Within.size(); ++p)
    if (PrefixMatch(What, Within.substr(p))) return static_cast<long>(p);
  return -1;
}

}  // namespace formula::functions
