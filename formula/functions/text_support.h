// Text helpers of the text functions, on UTF-16: case changes (of every script with case), cleaning, and
// the position searches of FIND and SEARCH.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace formula::functions {

char16_t UpperChar(char16_t C);
char16_t LowerChar(char16_t C);
std::u16string LowerText(std::u16string_view S);
// The control characters (codes 0 to 31) removed.
std::u16string CleanText(std::u16string_view S);

// The 0-based position of the first occurrence of What in Within at or after Start, case-sensitive;
// -1 when there is none or Start lies past the end. An empty What is found at Start.
long FindText(std::u16string_view What, std::u16string_view Within, std::size_t Start);
// As FindText, ignoring case, with the wildcards '?' (one character) and '*' (any run); '~' makes the
// next character plain.
long SearchText(std::u16string_view What, std::u16string_view Within, std::size_t Start);

}  // namespace formula::functions
