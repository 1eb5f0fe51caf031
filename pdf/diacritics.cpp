#include "pdf/diacritics.h"

#include <algorithm>

namespace pdf {
namespace {

// Marks of class 0 (the grapheme joiner) begin a cluster of their own: nothing composes across them.
bool IsMark(char32_t c) { return c >= 0x300 && c < 0x370 && DiacriticMarkClasses[c - 0x300] != 0; }

int MarkClass(char32_t c) { return DiacriticMarkClasses[c - 0x300]; }

char32_t Compose(char32_t base, char32_t mark) {
  if (base > 0xFFFF) return 0;
  const TDiacriticComposition* end = DiacriticCompositions + DiacriticCompositionCount;
  const auto it = std::lower_bound(DiacriticCompositions, end, std::pair<char32_t, char32_t>(base, mark),
                                   [](const TDiacriticComposition& c, const std::pair<char32_t, char32_t>& key) {
                                     return c.Base != key.first ? c.Base < key.first : c.Mark < key.second;
                                   });
  return it != end && it->Base == base && it->Mark == mark ? it->Composed : 0;
}

struct Unit {
  char32_t c;
  std::size_t first, count;  // the UTF-16 units it takes
};

}  // namespace

std::optional<TComposedText> ComposeDiacritics(std::u16string_view text,
                                               const std::function<bool(char32_t)>& has_glyph) {
  std::vector<Unit> chars;
  bool any_mark = false;
  for (std::size_t i = 0; i < text.size();) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      chars.push_back({0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00u), i, 2});
      i += 2;
    } else {
      chars.push_back({c, i, 1});
      any_mark = any_mark || IsMark(c);
      ++i;
    }
  }
  if (!any_mark) return std::nullopt;

  TComposedText out;
  out.Owner.resize(text.size());
  bool composed_any = false;
  const auto own = [&](const Unit& u) {
    for (std::size_t k = 0; k < u.count; ++k) out.Owner[u.first + k] = out.Chars.size() - 1;
  };
  for (std::size_t i = 0; i < chars.size();) {
    const Unit base = chars[i++];
    std::vector<Unit> marks;
    while (i < chars.size() && IsMark(chars[i].c)) marks.push_back(chars[i++]);
    if (IsMark(base.c) || marks.empty()) {  // a mark with nothing before it stands alone
      out.Chars.push_back(base.c);
      own(base);
      for (const Unit& m : marks) {
        out.Chars.push_back(m.c);
        own(m);
      }
      continue;
    }
    std::stable_sort(marks.begin(), marks.end(), [](const Unit& a, const Unit& b) { return MarkClass(a.c) < MarkClass(b.c); });
    char32_t result = base.c;
    int blocking = -1;  // the class of the last mark left uncomposed
    std::vector<bool> merged(marks.size());
    for (std::size_t k = 0; k < marks.size(); ++k) {
      const int cls = MarkClass(marks[k].c);
      const char32_t c = blocking < cls ? Compose(result, marks[k].c) : 0;
      if (c != 0) {
        result = c;
        merged[k] = true;
      } else {
        blocking = cls;
      }
    }
    const bool use = result != base.c && has_glyph(result);
    composed_any = composed_any || use;
    out.Chars.push_back(use ? result : base.c);
    own(base);
    for (std::size_t k = 0; k < marks.size(); ++k)
      if (use && merged[k]) own(marks[k]);
    // Marks left over follow in canonical order; without a composition they stay as they came.
    if (use) {
      for (std::size_t k = 0; k < marks.size(); ++k)
        if (!merged[k]) {
          out.Chars.push_back(marks[k].c);
          own(marks[k]);
        }
    } else {
      std::sort(marks.begin(), marks.end(), [](const Unit& a, const Unit& b) { return a.first < b.first; });
      for (const Unit& m : marks) {
        out.Chars.push_back(m.c);
        own(m);
      }
    }
  }
  if (!composed_any) return std::nullopt;
  return out;
}

}  // namespace pdf
