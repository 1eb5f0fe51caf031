// The 14 standard Type1 fonts: names, ascents and advance widths by character code.
#pragma once

#include <cstdint>

namespace pdf {

extern const char* const StandardFontNames[14];
extern const int StandardFontAscents[14];
// 1/1000 em by code: WinAnsi for indexes 0..11, the fonts' built-in encodings for Symbol (12) and
// ZapfDingbats (13).
extern const std::int16_t StandardFontWidths[14][256];

}  // namespace pdf
