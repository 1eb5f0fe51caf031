// Letter case and the order of texts as worksheets use them: case changes for the Latin, Greek,
// Cyrillic and Armenian letters (and the fullwidth Latin ones), and a comparison that ignores case
// and sorts by letter before accent, so that "Ápfel" comes before "banana" and "a" equals "A" while
// "é" does not equal "e".
#pragma once

#include <string>
#include <string_view>

namespace formula {

char16_t UpperLetter(char16_t C);
char16_t LowerLetter(char16_t C);
// A letter of a script with case, or of a script without (CJK and the like): PROPER starts words
// after anything else.
bool IsWordLetter(char16_t C);

std::u16string UpperText(std::u16string_view S);
// A capital sigma that ends a word becomes the final form.
std::u16string LowerText(std::u16string_view S);

// Case-insensitive comparison in collation order: blanks, then punctuation and symbols, then
// digits, then letters (Latin, Greek, Cyrillic, then the other scripts by code); letters compare by
// their base letter first and their accents only when the base letters agree. <0, 0, >0.
int CollateText(std::u16string_view A, std::u16string_view B);
// Texts equal under CollateText have equal keys (the text folded to lower case).
std::u16string CollationKey(std::u16string_view S);

}  // namespace formula
