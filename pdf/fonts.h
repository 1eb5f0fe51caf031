// The fonts page text uses: standard Type1 fonts, simple TrueType fonts for WinAnsi text (with a
// subset font program) and Type0/CIDFontType2 fonts for all other text (glyph identifiers as codes,
// /W widths, a ToUnicode CMap and the reduced font program).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/font_provider.h"
#include "pdf/resources.h"
#include "pdf/standard_fonts.h"
#include "pdf/ttf_data.h"

namespace pdf {

class TPDFDocument;

class TPDFTextFont : public TPDFFont {
public:
  std::string Name;         // the face as resolved among the installed fonts
  std::string RequestName;  // the upper-cased name it was asked for
  unsigned Style = 0;       // bit 0 bold, bit 1 italic
  bool Unicode = false;
  bool Standard = false;
  int StdIndex = 0;
  std::array<int, 256> Widths{};
  int Ascent = 0;
  int Descent = 0;
  bool Embedded = true;
  TFontMetrics OutlineMetrics;
  std::array<bool, 256> UsedChars{};
  int FirstChar = 255;
  int LastChar = 0;
  std::unique_ptr<TTTFData> TTFData;
  bool Symbolic = false;
  bool FixedPitch = false;

  // Records the bytes as used (simple TrueType fonts only).
  void MarkUsed(std::string_view s);
  void MarkUsedChar(std::uint8_t code);
  // 1/1000 em.
  int GetAscent() const { return Standard ? StandardFontAscents[StdIndex] : Ascent; }
  // Width of a code of the 8-bit fonts in 1/1000 em.
  int CharWidth(std::uint8_t code) const { return Standard ? StandardFontWidths[StdIndex][code] : Widths[code]; }
  void LoadMetrics(const TFontProvider& provider);
  void Save(TPDFDocument& document) override;

private:
  std::string PdfFontName() const;
  int WriteFontProgram(TPDFDocument& document, const std::string& program);
  int WriteDescriptor(TPDFDocument& document, const std::string& font_name, int program_number);
  int WriteToUnicodeStream(TPDFDocument& document, const std::string& cmap_text);
  void SaveStandard(TPDFDocument& document);
  void SaveSimple(TPDFDocument& document);
  void SaveUnicode(TPDFDocument& document);
};

// Finds or creates the font for (Name, Style, Unicode) in the document's registry. Faces that are not
// installed fall back to the standard Helvetica (8-bit) or the Unicode Arial font.
TPDFTextFont* GetFont(TPDFDocument& document, const std::string& name, unsigned style, bool unicode);

}  // namespace pdf
