#include "pdf/font_queries.h"

#include <vector>

#include "pdf/format.h"

namespace pdf {
namespace {

// The logical-font record holds 31 characters of a face name.
std::string LogFontFace(std::string_view name) {
  std::size_t chars = 0, i = 0;
  for (; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    if ((b & 0xC0) != 0x80) {
      if (chars == 31) break;
      ++chars;
    }
  }
  return std::string(name.substr(0, i));
}

bool IsBold(const EnumeratedFont& f) { return f.Weight >= 600; }

unsigned StyleOf(const EnumeratedFont& f) {
  return (IsBold(f) ? kStyleBold : 0u) | (f.Italic ? kStyleItalic : 0u);
}

}  // namespace

bool ResolveTrueTypeFace(const TFontEnumerator& fonts, std::string& name, unsigned& style) {
  std::vector<EnumeratedFont> truetype;
  const unsigned asked = style & (kStyleBold | kStyleItalic);
  bool matched = false;
  fonts.EnumFonts(LogFontFace(name), DEFAULT_CHARSET, [&](const EnumeratedFont& f) {
    if (!f.TrueType) return true;
    name = f.FaceName;
    truetype.push_back(f);
    if (StyleOf(f) == asked) {
      matched = true;
      return false;
    }
    return true;
  });
  if (matched) return true;
  if (truetype.empty()) return false;

  // Each retry runs only while nothing matched yet.
  std::vector<unsigned> ladder;
  unsigned s = asked;
  if (asked & kStyleItalic) {
    s &= ~kStyleItalic;
    ladder.push_back(s);
  }
  if (asked & kStyleBold) {
    s &= ~kStyleBold;
    ladder.push_back(s);
  }
  ladder.push_back(0);
  ladder.push_back(StyleOf(truetype.front()));
  for (unsigned want : ladder) {
    for (const EnumeratedFont& f : truetype) {
      if (StyleOf(f) == want) {
        name = f.FaceName;
        style = (style & ~(kStyleBold | kStyleItalic)) | want;
        return true;
      }
    }
  }
  return false;
}

std::string FaceForCharset(const TFontEnumerator& fonts, int charset) {
  if (charset == DEFAULT_CHARSET) charset = SystemDefaultCharset;
  std::string result;
  fonts.EnumFonts("", charset, [&](const EnumeratedFont& face) {
    if (!face.TrueType) return true;
    bool confirmed = false;
    fonts.EnumFonts(LogFontFace(face.FaceName), DEFAULT_CHARSET, [&](const EnumeratedFont& f) {
      if (f.Charset == charset) {
        confirmed = true;
        return false;
      }
      return true;
    });
    if (!confirmed) return true;
    result = face.FaceName;
    return false;
  });
  return result;
}

bool FaceHasCharset(const TFontEnumerator& fonts, std::string_view name, int charset) {
  if (name.empty()) return false;
  bool answer = false;
  fonts.EnumFonts(LogFontFace(name), charset, [&](const EnumeratedFont& f) {
    answer = f.TrueType;
    return false;
  });
  return answer;
}

}  // namespace pdf
