// Questions about the installed TrueType faces: the installed spelling and style of a face, a
// face that covers a character set, and whether a face covers one. They run over an enumerator of
// installed fonts, which the platform's font catalog provides.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pdf {

// One font as the enumeration reports it.
struct EnumeratedFont {
  std::string FaceName;  // the installed spelling
  int Charset = 0;
  bool Italic = false;
  int Weight = 400;
  bool TrueType = false;
};

class TFontEnumerator {
public:
  virtual ~TFontEnumerator() = default;
  // Calls Visit for each font of Face (matched without regard to ASCII case) in Charset, every
  // character set for DEFAULT_CHARSET; an empty Face enumerates one font per face. Visit returns
  // false to stop.
  virtual void EnumFonts(std::string_view face, int charset,
                         const std::function<bool(const EnumeratedFont&)>& visit) const = 0;
};

// Font style bits as the queries use them.
constexpr unsigned kStyleBold = 1;
constexpr unsigned kStyleItalic = 2;

// Name takes the installed spelling whenever a TrueType font of the face exists; Style (bits 0 and
// 1) changes only when a matching style is found, after the fallbacks italic-less, plain and the
// face's first style.
bool ResolveTrueTypeFace(const TFontEnumerator& fonts, std::string& name, unsigned& style);
// The first TrueType face that has a font in Charset (DEFAULT_CHARSET: the system default); empty
// when there is none.
std::string FaceForCharset(const TFontEnumerator& fonts, int charset);
// Whether the first font of Name in Charset is a TrueType font.
bool FaceHasCharset(const TFontEnumerator& fonts, std::string_view name, int charset);

}  // namespace pdf
