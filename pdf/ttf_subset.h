// TAnsiFontSubset: the embedded font program of a simple TrueType PDF font. A new, small TrueType
// font that holds only the glyphs of the WinAnsi codes pages used, renumbered from glyph 3 on, with a
// fresh cmap (Macintosh format 0 and Windows format 4), horizontal metrics, short loca and fixed name
// and post tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdf/font_provider.h"

namespace pdf {

class TAnsiFontSubset {
public:
  // Codes: Unicode values in ascending order. Returns the font program (empty for no codes).
  static std::string BuildSubset(const TFontProvider& provider, const std::string& name, unsigned style,
                                 const std::vector<std::uint16_t>& codes);
};

}  // namespace pdf
