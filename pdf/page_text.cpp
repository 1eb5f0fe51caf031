// The text side of a page: font selection, text operators, measuring, text at a position, links
// made of addresses found in text, and underline and strike-out bars.
#include <cmath>

#include "core/codepage.h"
#include "core/unicode.h"
#include "pdf/document.h"
#include "pdf/errors.h"
#include "pdf/fonts.h"
#include "pdf/page.h"

namespace pdf {
namespace {

double Radians(double degrees) { return degrees * M_PI / 180.0; }

bool Mode16(char16_t c) { return !IsWinAnsiChar(c); }

// The code point at text[i] and the number of UTF-16 units it takes: a surrogate pair is one
// character beyond the BMP; a lone surrogate stands for itself.
char32_t CodePointAt(std::u16string_view text, std::size_t i, std::size_t& units) {
  const char16_t c = text[i];
  if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
    units = 2;
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  }
  units = 1;
  return c;
}

}  // namespace

TPDFTextFont* TPDFPage::Selected() const { return dynamic_cast<TPDFTextFont*>(SelectedFont); }

TPDFTextFont* TPDFPage::Font8() {
  if (FontChanged || FontMode == 1 || !Selected()) return GetFont(document_, FontName, FontStyle, false);
  return Selected();
}

TPDFTextFont* TPDFPage::Font16() {
  if (FontChanged || FontMode == 0 || !Selected()) return GetFont(document_, FontName, FontStyle, true);
  return Selected();
}

void TPDFPage::SelectFont(bool unicode) {
  const int mode = unicode ? 1 : 0;
  if (!FontChanged && FontMode == mode && SelectedFont) return;
  BeginText();
  UsesText = true;
  TPDFTextFont* font = GetFont(document_, FontName, FontStyle, unicode);
  AddFont(font);
  Line("/" + font->ResourceName + " 1 Tf");
  font->Referenced = true;
  SelectedFont = font;
  FontChanged = false;
  FontMode = mode;
  FontDepth = StateDepth();
}

void TPDFPage::SetTextMatrix(double x, double y, double angle) {
  BeginText();
  const double a = Radians(angle);
  const double c = std::cos(a) * FontSize, s = std::sin(a) * FontSize;
  Line(FormatReal(c) + " " + FormatReal(s) + " " + FormatReal(-s) + " " + FormatReal(c) + " " + FormatReal(x) +
       " " + FormatReal(y) + " Tm");
  TextX = x;
  TextY = y;
  TextAngle = angle;
}

void TPDFPage::SetCharacterSpacing(double x) { SetCharSpacingPt(x / scale_); }

void TPDFPage::SetCharSpacingPt(double x) {
  if (x == CharacterSpacing) return;
  BeginText();
  Line(FormatReal(x) + " Tc");
  CharacterSpacing = x;
}

void TPDFPage::SetWordSpacing(double x) {
  x /= scale_;
  if (x == WordSpacing) return;
  BeginText();
  Line(FormatReal(x) + " Tw");
  WordSpacing = x;
}

void TPDFPage::SetHorizontalScaling(double percent) {
  if (percent == HorizontalScaling) return;
  BeginText();
  Line(FormatReal(percent) + " Tz");
  HorizontalScaling = percent;
}

std::u16string TPDFPage::ConvertText(std::string_view text) const {
  const int cp = CharsetToCodePage(FontCharset);
  std::u16string out;
  if (core::codepage_supported(cp)) out = core::codepage_to_utf16(cp, text);
  if (out.empty()) throw TPDFException("Cannot convert text to unicode");
  return out;
}

// ---------------------------------------------------------------- showing
TPDFTextFont* TPDFPage::SelectWinAnsiFont(std::string& text) {
  SelectFont(false);
  TPDFTextFont* font = Selected();
  // An embedded font has no glyph for the no-break space: it shows as a plain one.
  if (!font->Standard)
    for (char& c : text)
      if (static_cast<unsigned char>(c) == 0xA0) c = ' ';
  font->MarkUsed(text);
  return font;
}

void TPDFPage::ShowText(std::string_view in) {
  std::string text(in);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  UsesText = true;
  if (FontCharset != 0) {
    ShowTextW(ConvertText(text));
    return;
  }
  SelectWinAnsiFont(text);
  Line("(" + EscapeLiteral(text) + ") Tj");
  if (FontStyle & (fsUnderline | fsStrikeOut)) DrawTextDecoration(TextWidthPt(text));
}

void TPDFPage::ShowTextW(std::u16string_view in) {
  if (in.empty()) return;
  std::u16string text(in);
  for (char16_t& c : text)
    if (c == 0xA0) c = 0x20;
  UsesText = true;
  SelectFont(Mode16(text[0]));
  std::string run;
  const auto flush = [&] {
    if (run.empty()) return;
    if (FontMode == 1) {
      Line("<" + run + "> Tj");
    } else {
      Selected()->MarkUsed(run);
      Line("(" + EscapeLiteral(run) + ") Tj");
    }
    run.clear();
  };
  for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
    const char32_t c = CodePointAt(text, i, units);
    const int mode = Mode16(text[i]) ? 1 : 0;
    if (mode != FontMode) {
      flush();
      SelectFont(mode == 1);
    }
    if (mode == 1) run += HexOfWord(Selected()->TTFData->GlyphOf(c));
    else run.push_back(static_cast<char>(UnicodeToWinAnsi(text[i])));
  }
  flush();
  if (FontStyle & (fsUnderline | fsStrikeOut)) DrawTextDecoration(TextWidthPtW(text));
}

void TPDFPage::ShowTextAdvances(std::string_view in, const std::vector<double>& advances) {
  if (in.empty()) return;
  UsesText = true;
  SetHorizontalScaling(100);
  SetWordSpacing(0);
  SetCharacterSpacing(0);
  std::string text(in);
  if (FontCharset != 0) {
    ShowTextAdvancesW(ConvertText(text), advances);
    return;
  }
  TPDFTextFont* font = SelectWinAnsiFont(text);
  double sum = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const double adv = i < advances.size() ? advances[i] : font->CharWidth(static_cast<std::uint8_t>(text[i])) / 1000.0;
    sum += adv;
    Line("(" + EscapeLiteral(text.substr(i, 1)) + ") Tj " + FormatReal(adv) + " 0 Td");
  }
  if (FontStyle & (fsUnderline | fsStrikeOut)) DrawTextDecoration(sum * FontSize);
}

void TPDFPage::ShowTextAdvancesW(std::u16string_view in, const std::vector<double>& advances) {
  if (in.empty()) return;
  SetWordSpacing(0);
  std::u16string text(in);
  for (char16_t& c : text)
    if (c == 0xA0) c = 0x20;
  ShowRunsW(text, advances, nullptr);
}

void TPDFPage::ShowRunsW(const std::u16string& text, const std::vector<double>& advances,
                         const std::vector<std::uint16_t>* glyphs) {
  UsesText = true;
  const std::size_t n = glyphs ? glyphs->size() : text.size();
  const double scaling = HorizontalScaling;
  double total = 0;
  std::size_t i = 0;
  while (i < n) {
    const int mode = glyphs ? 1 : (Mode16(text[i]) ? 1 : 0);
    SelectFont(mode == 1);
    TPDFTextFont* font = Selected();
    double r = 0, s = 0;
    int k = 0;
    std::string run;
    bool spaced = false;
    while (i < n && (glyphs || (Mode16(text[i]) ? 1 : 0) == mode)) {
      double w;
      std::size_t units = 1;
      if (glyphs) {
        const std::uint16_t g = (*glyphs)[i];
        if (TTTFData::Entry* e = font->TTFData->FindGlyph(g)) e->Used = true;
        else font->TTFData->MarkGlyphUsed(g);
        w = font->TTFData->WidthOfGlyph(g);
        run += HexOfWord(g);
      } else if (mode == 0) {
        std::uint8_t b = UnicodeToWinAnsi(text[i]);
        if (b < 0x20) b = ' ';
        font->MarkUsedChar(b);
        w = font->CharWidth(b);
        run.push_back(static_cast<char>(b));
      } else {
        // A pair of surrogates is one glyph, advanced by what both units were given.
        const char32_t c = CodePointAt(text, i, units);
        w = font->TTFData->WidthOf(c);
        run += HexOfWord(font->TTFData->GlyphOf(c));
      }
      w /= 1000;
      if (scaling != 100) w *= scaling / 100;
      double adv = i < advances.size() ? advances[i] : w;
      if (units == 2 && i < advances.size()) adv += i + 1 < advances.size() ? advances[i + 1] : 0;
      total += adv;
      i += units;
      if (std::fabs(w - adv) <= 0.1) {
        r += w;
        s += adv;
        ++k;
        continue;
      }
      if (k > 0) SetCharSpacingPt((s - r) / k);
      spaced = true;
      s += adv;
      ++k;
      break;
    }
    if (!spaced && k > 0) SetCharSpacingPt((s - r) / k);
    if (!run.empty()) {
      if (mode == 1) Line("<" + run + "> Tj");
      else Line("(" + EscapeLiteral(run) + ") Tj");
    }
    if (i < n) Line(FormatReal(s) + " 0 Td");
  }
  if (FontStyle & (fsUnderline | fsStrikeOut)) DrawTextDecoration(total * FontSize);
}

void TPDFPage::ShowGlyphs(const std::vector<std::uint16_t>& glyphs, const std::vector<double>* advances) {
  if (glyphs.empty()) return;
  SelectFont(true);
  TPDFTextFont* font = Selected();
  if (font->Standard) return;
  if (advances) {
    ShowRunsW(u"", *advances, &glyphs);
    return;
  }
  std::string hex;
  double sum = 0;
  int blanks = 0;
  for (std::uint16_t g : glyphs) {
    TTTFData::Entry* e = font->TTFData->FindGlyph(g);
    if (e) {
      e->Used = true;
      if (e->Code == 0x20) ++blanks;
    } else {
      font->TTFData->MarkGlyphUsed(g);
    }
    sum += font->TTFData->WidthOfGlyph(g);
    hex += HexOfWord(g);
  }
  Line("<" + hex + "> Tj");
  if (FontStyle & (fsUnderline | fsStrikeOut)) {
    double w = sum * FontSize / 1000;
    if (HorizontalScaling != 100) w *= HorizontalScaling / 100;
    if (WordSpacing > 0) w += WordSpacing * blanks;
    if (CharacterSpacing > 0) w += CharacterSpacing * static_cast<double>(glyphs.size());
    DrawTextDecoration(w);
  }
}

void TPDFPage::TextAtPt(double x, double y, double angle, std::string_view text) {
  SetTextMatrix(x, y, angle);
  ShowText(text);
}

void TPDFPage::TextAtPtW(double x, double y, double angle, std::u16string_view text) {
  SetTextMatrix(x, y, angle);
  ShowTextW(text);
}

void TPDFPage::TextAdvancesAtPt(double x, double y, double angle, std::string_view text,
                                const std::vector<double>& advances) {
  SetTextMatrix(x, y, angle);
  ShowTextAdvances(text, advances);
}

void TPDFPage::TextAdvancesAtPtW(double x, double y, double angle, std::u16string_view text,
                                 const std::vector<double>& advances) {
  SetTextMatrix(x, y, angle);
  ShowTextAdvancesW(text, advances);
}

void TPDFPage::GlyphsAtPt(double x, double y, double angle, const std::vector<std::uint16_t>& glyphs,
                          const std::vector<double>* advances) {
  SetTextMatrix(x, y, angle);
  ShowGlyphs(glyphs, advances);
}

// ---------------------------------------------------------------- measuring
double TPDFPage::TextWidthPt(std::string_view text) {
  if (text.empty() || HorizontalScaling <= 0) return 0;
  if (FontCharset != 0) return TextWidthPtW(ConvertText(text));
  TPDFTextFont* font = Font8();
  double sum = 0;
  int chars = 0, blanks = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool last = i + 1 == text.size();
    const int w = font->CharWidth(static_cast<std::uint8_t>(text[i]));
    sum += w;
    if (!(last && w == 0)) ++chars;
    if (text[i] == ' ' && !last) ++blanks;
  }
  return SpacedWidthPt(sum, chars, blanks);
}

double TPDFPage::SpacedWidthPt(double units, int chars, int blanks) const {
  double result = units * FontSize / 1000;
  if (HorizontalScaling != 100) result *= HorizontalScaling / 100;
  if (WordSpacing > 0) result += WordSpacing * blanks;
  if (CharacterSpacing > 0) result += CharacterSpacing * chars;
  return result;
}

double TPDFPage::TextWidthPtW(std::u16string_view text) {
  if (text.empty() || HorizontalScaling <= 0) return 0;
  TPDFTextFont* f8 = nullptr;
  TPDFTextFont* f16 = nullptr;
  double sum = 0;
  int chars = 0, blanks = 0;
  for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
    const char32_t c = text[i] == 0xA0 ? U' ' : CodePointAt(text, i, units);
    const bool last = i + units == text.size();
    int w;
    if (c < 0x10000 && IsWinAnsiChar(static_cast<char16_t>(c))) {
      if (!f8) f8 = Font8();
      w = f8->CharWidth(UnicodeToWinAnsi(static_cast<char16_t>(c)));
      if (c == 0x20 && !last) ++blanks;
    } else {
      if (!f16) f16 = Font16();
      w = f16->TTFData->WidthOf(c);
    }
    sum += w;
    if (!(last && w == 0)) ++chars;
  }
  return SpacedWidthPt(sum, chars, blanks);
}

double TPDFPage::TextAscent() {
  if (baseline_) return 0;
  TPDFTextFont* font = (FontChanged || !Selected()) ? GetFont(document_, FontName, FontStyle, false) : Selected();
  return font->GetAscent() * FontSize / 1000;
}

// ---------------------------------------------------------------- at a position
namespace {

std::vector<double> EmAdvances(const std::vector<float>& advances, double scale, double size) {
  std::vector<double> em;
  em.reserve(advances.size());
  for (float a : advances) em.push_back(size == 0 ? 0 : a / scale / size);
  return em;
}

std::string LowBytes(std::u16string_view text) {
  std::string s;
  for (char16_t c : text) s.push_back(static_cast<char>(c & 0xFF));
  return s;
}

}  // namespace

void TPDFPage::MakeLinks(double x, double y, double a, const std::string& text, const std::vector<float>* advances,
                         const std::function<double(std::size_t, std::size_t)>& width) {
  if (!document_.AutoCreateURL || IsFormPage) return;
  const std::string low = core::ascii_lower(text);
  static const char* const kPrefixes[3] = {"http://", "ftp://", "mailto:"};
  bool any = false;
  for (const char* p : kPrefixes) any = any || low.find(p) != std::string::npos;
  if (!any) return;
  auto page_width = [&](std::size_t from, std::size_t count) {
    if (!advances) return width(from, count);
    double sum = 0;
    for (std::size_t i = from; i < from + count && i < advances->size(); ++i) sum += (*advances)[i];
    return sum;
  };
  for (const char* prefix : kPrefixes) {
    const std::string p(prefix);
    std::size_t at = 0;
    while ((at = low.find(p, at)) != std::string::npos) {
      if (at == 0 || low[at - 1] == ' ') {
        std::size_t end = low.find(' ', at);
        if (end == std::string::npos) end = low.size();
        const std::string link = text.substr(at, end - at);
        const double w1 = page_width(0, at), w2 = page_width(at, end - at);
        const int left = static_cast<int>(std::trunc(x + w1));
        const int right = static_cast<int>(std::trunc(x + w1 + w2));
        const int top = static_cast<int>(std::trunc(y));
        const int bottom = baseline_ ? static_cast<int>(std::trunc(y - FontSize * scale_))
                                     : static_cast<int>(std::trunc(y + a * scale_));
        if (document_.OnURLLink) document_.OnURLLink(*this, left, top, right, bottom, link);
      }
      at += p.size();
    }
  }
}

double TPDFPage::TextOriginPt(double x, double y, double angle, double& px, double& py) {
  const double a = TextAscent();
  const double r = Radians(angle);
  px = angle == 0 ? ToPointsX(x) : ToPointsX(x) + std::sin(r) * a;
  py = angle == 0 ? ToPointsY(y) - a : ToPointsY(y) - std::cos(r) * a;
  return a;
}

void TPDFPage::DrawText(double x, double y, double angle, std::string_view text) {
  DrawTextAdvances(x, y, angle, text, nullptr);
}

void TPDFPage::DrawTextW(double x, double y, double angle, std::u16string_view text) {
  DrawTextAdvancesW(x, y, angle, text, nullptr);
}

void TPDFPage::DrawTextAdvances(double x, double y, double angle, std::string_view text,
                                const std::vector<float>* advances) {
  if (text.empty()) return;
  double px = 0, py = 0;
  const double a = TextOriginPt(x, y, angle, px, py);
  if (advances) TextAdvancesAtPt(px, py, angle, text, EmAdvances(*advances, scale_, FontSize));
  else TextAtPt(px, py, angle, text);
  if (angle != 0) return;
  const std::string copy(text);
  MakeLinks(x, y, a, copy, advances, [&](std::size_t from, std::size_t count) {
    return TextWidth(std::string_view(copy).substr(from, count));
  });
}

void TPDFPage::DrawTextAdvancesW(double x, double y, double angle, std::u16string_view text,
                                 const std::vector<float>* advances) {
  if (text.empty()) return;
  double px = 0, py = 0;
  const double a = TextOriginPt(x, y, angle, px, py);
  if (advances) TextAdvancesAtPtW(px, py, angle, text, EmAdvances(*advances, scale_, FontSize));
  else TextAtPtW(px, py, angle, text);
  if (angle != 0) return;
  const std::u16string copy(text);
  MakeLinks(x, y, a, LowBytes(text), advances, [&](std::size_t from, std::size_t count) {
    return TextWidthW(std::u16string_view(copy).substr(from, count));
  });
}

void TPDFPage::DrawGlyphs(double x, double y, double angle, const std::vector<std::uint16_t>& glyphs,
                          const std::vector<float>* advances) {
  if (glyphs.empty()) return;
  double px = 0, py = 0;
  TextOriginPt(x, y, angle, px, py);
  if (advances) {
    const std::vector<double> em = EmAdvances(*advances, scale_, FontSize);
    GlyphsAtPt(px, py, angle, glyphs, &em);
  } else {
    GlyphsAtPt(px, py, angle, glyphs, nullptr);
  }
}

// ---------------------------------------------------------------- decoration
void TPDFPage::DrawTextDecoration(double width) {
  const bool underline = FontStyle & fsUnderline, strike = FontStyle & fsStrikeOut;
  if (!underline && !strike) return;
  const double x = TextX, y = TextY, angle = TextAngle, s = FontSize;
  const double r = Radians(angle);
  if (underline) {
    if (angle == 0) RectanglePt(x, y - 0.05 * s, width, -0.05 * s);
    else RotatedRectPt(x + 3 * std::sin(r), y - 3 * std::cos(r), width, -0.05 * s, angle);
  }
  if (strike) {
    if (angle == 0) RectanglePt(x, y + s / 4, width, 0.05 * s);
    else RotatedRectPt(x - std::sin(r) * s / 4, y + std::cos(r) * s / 4, width, 0.05 * s, angle);
  }
  if (RenderingMode == 1) Stroke();
  else if (RenderingMode == 2) FillAndStroke();
  else Fill();
}

}  // namespace pdf
