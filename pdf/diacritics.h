// Composition of combining diacritical marks (U+0300..U+036F) with the character before them into
// the precomposed characters Unicode defines, as the canonical composition of normalization form C
// does for these marks: marks are put in canonical order first, and a mark that an earlier mark of
// the same or a higher class blocks stays a mark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pdf {

struct TDiacriticComposition {
  char16_t Base, Mark, Composed;
};
// Every composition of a character with one mark of the range, ordered by base, then mark.
extern const TDiacriticComposition DiacriticCompositions[];
extern const std::size_t DiacriticCompositionCount;
// The canonical combining class of U+0300 + i.
extern const std::uint8_t DiacriticMarkClasses[0x70];

struct TComposedText {
  std::u32string Chars;
  // For each UTF-16 unit of the text, the index in Chars of the character it went into.
  std::vector<std::size_t> Owner;
};

// The text with each base and its following marks composed, where that gives a character for which
// HasGlyph answers true (otherwise the base and its marks stay as they are). Nothing when no mark
// was composed, so that the text keeps its characters. Surrogate pairs are one character.
std::optional<TComposedText> ComposeDiacritics(std::u16string_view text,
                                               const std::function<bool(char32_t)>& has_glyph);

}  // namespace pdf
