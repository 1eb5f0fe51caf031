#include "pdf/fonts.h"

#include <algorithm>
#include <vector>

#include "core/unicode.h"
#include "pdf/compression_stream.h"
#include "pdf/document.h"
#include "pdf/format.h"
#include "pdf/ttf_subset.h"

namespace pdf {

const char* const StandardFontNames[14] = {
    "Helvetica",   "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique", "Times-Roman",
    "Times-Bold",  "Times-Italic",   "Times-BoldItalic",  "Courier",               "Courier-Bold",
    "Courier-Oblique", "Courier-BoldOblique", "Symbol",   "ZapfDingbats"};
const int StandardFontAscents[14] = {728, 728, 728, 728, 613, 633, 613, 633, 693, 677, 694, 677, 1000, 1000};

const TFontProvider& TPDFDocument::FontProvider() const {
  return font_provider_ ? *font_provider_ : InstalledFontProvider();
}

// ---------------------------------------------------------------- TPDFTextFont
void TPDFTextFont::MarkUsedChar(std::uint8_t code) {
  if (Standard || Unicode) return;
  UsedChars[code] = true;
  FirstChar = std::min<int>(FirstChar, code);
  LastChar = std::max<int>(LastChar, code);
}

void TPDFTextFont::MarkUsed(std::string_view s) {
  for (char c : s) MarkUsedChar(static_cast<std::uint8_t>(c));
}

void TPDFTextFont::LoadMetrics(const TFontProvider& provider) {
  TFontMetrics m;
  if (!provider.GetMetrics(Name, Style, -1000, m)) RaiseFontError(1);
  Ascent = m.Ascent;
  Descent = m.Descent;
  FixedPitch = m.FixedPitch;
  OutlineMetrics = m;
  if (Unicode) {
    TTFData = std::make_unique<TTTFData>(provider, Name, Embedded, Style);
    return;
  }
  for (int c = 0; c < 256; ++c) Widths[c] = FixedPitch ? m.Widths[0] : m.Widths[c];
}

std::string TPDFTextFont::PdfFontName() const {
  std::string n = ReplaceChar(Name, ' ', "#20");
  if (Style & 1) n += "#20Bold";
  if (Style & 2) n += "#20Italic";
  return n;
}

namespace {

// A stream object deflated whatever the document's compression says; Length1 (the size before
// deflating) when asked. Answers the object's number.
int WriteDeflatedStream(TPDFDocument& doc, const std::string& raw, TCompressionLevel level, bool with_length1) {
  std::string data = CompressString(raw, level);
  int number = 0;
  doc.BeginObject(number);
  doc.WriteLine("/Filter /FlateDecode /Length " + std::to_string(data.size()) +
                (with_length1 ? " /Length1 " + std::to_string(raw.size()) : std::string()));
  doc.EndDictionary();
  doc.BeginStreamData();
  doc.EncryptStream(data, number);
  doc.WriteLine(data, false);
  doc.WriteLine("");
  doc.EndStreamData();
  doc.EndObject();
  return number;
}

}  // namespace

int TPDFTextFont::WriteFontProgram(TPDFDocument& doc, const std::string& program) {
  return WriteDeflatedStream(doc, program, TCompressionLevel::clMax, true);
}

int TPDFTextFont::WriteDescriptor(TPDFDocument& doc, const std::string& font_name, int program_number) {
  const TFontMetrics& m = OutlineMetrics;
  int number = 0;
  doc.BeginObject(number);
  doc.WriteLine("/Type /FontDescriptor");
  doc.WriteLine("/Ascent " + std::to_string(m.OtmAscent));
  doc.WriteLine("/CapHeight 666");
  doc.WriteLine("/Descent " + std::to_string(m.OtmDescent));
  doc.WriteLine("/Flags 32");
  doc.WriteLine("/FontBBox [" + std::to_string(m.BoxLeft) + " " + std::to_string(m.BoxBottom) + " " +
                std::to_string(m.BoxRight) + " " + std::to_string(m.BoxTop) + "]");
  doc.WriteLine("/FontName /" + font_name);
  // In degrees, as PDF wants it (GDI counts tenths).
  doc.WriteLine("/ItalicAngle " + FormatReal(m.ItalicAngle));
  doc.WriteLine("/StemV 87");
  if (program_number > 0) doc.WriteLine("/FontFile2 " + std::to_string(program_number) + " 0 R");
  doc.EndDictionary();
  doc.EndObject();
  return number;
}

void TPDFTextFont::SaveStandard(TPDFDocument& doc) {
  doc.BeginObject(ObjectNumber);
  doc.WriteLine("/Type /Font");
  doc.WriteLine("/Subtype /Type1");
  doc.WriteLine(std::string("/BaseFont /") + StandardFontNames[StdIndex]);
  if (StdIndex <= 11) doc.WriteLine("/Encoding /WinAnsiEncoding");
  doc.WriteLine("/FirstChar 32");
  doc.WriteLine("/LastChar 255");
  doc.EndDictionary();
  doc.EndObject();
}

int TPDFTextFont::WriteToUnicodeStream(TPDFDocument& doc, const std::string& cmap_text) {
  return WriteDeflatedStream(doc, cmap_text, TCompressionLevel::clDefault, false);
}

void TPDFTextFont::SaveSimple(TPDFDocument& doc) {
  int program = 0;
  std::string subset_seed;
  if (Embedded && FirstChar <= LastChar) {
    std::vector<std::uint16_t> codes;
    for (int c = FirstChar; c <= LastChar; ++c)
      if (UsedChars[c]) codes.push_back(WinAnsiToUnicode(static_cast<std::uint8_t>(c)));
    SortWords(codes.data(), static_cast<int>(codes.size()) - 1);
    const std::string bytes = TAnsiFontSubset::BuildSubset(doc.FontProvider(), Name, Style, codes);
    if (!bytes.empty()) program = WriteFontProgram(doc, bytes);
    subset_seed = ResourceName + "/" + Name + "/" + std::to_string(Style) + "/";
    for (std::uint16_t c : codes) subset_seed += HexOfWord(c);
  }
  std::string widths;
  for (int c = FirstChar; c <= LastChar; ++c) {
    widths += UsedChars[c] ? std::to_string(Widths[c]) + " " : "0 ";
    if (c % 16 == 0) widths += "\r\n";
  }
  // A program of the used characters only is a subset: its name says so.
  const std::string name = (program > 0 ? SubsetTag(subset_seed) : std::string()) + PdfFontName();
  const int descriptor = WriteDescriptor(doc, name, program);
  // Text extraction reads the codes back through this map even where the encoding is not enough.
  int to_unicode = 0;
  if (!Symbolic && FirstChar <= LastChar) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (int c = FirstChar; c <= LastChar; ++c)
      if (UsedChars[c])
        entries.emplace_back(HexOfWord(static_cast<std::uint16_t>(c)).substr(2),
                             UnicodeHex(WinAnsiToUnicode(static_cast<std::uint8_t>(c))));
    to_unicode = WriteToUnicodeStream(doc, ToUnicodeCMap(ResourceName, "<00> <FF>", entries));
  }
  doc.BeginObject(ObjectNumber);
  doc.WriteLine("/Type /Font");
  doc.WriteLine("/Subtype /TrueType");
  doc.WriteLine("/BaseFont /" + name);
  doc.WriteLine("/FirstChar " + std::to_string(FirstChar));
  doc.WriteLine("/LastChar " + std::to_string(LastChar));
  doc.WriteLine(Symbolic ? "/Encoding /MacRomanEncoding" : "/Encoding /WinAnsiEncoding");
  doc.WriteLine("/FontDescriptor " + std::to_string(descriptor) + " 0 R");
  doc.WriteLine("/Widths [" + widths + "]");
  if (to_unicode > 0) doc.WriteLine("/ToUnicode " + std::to_string(to_unicode) + " 0 R");
  doc.EndDictionary();
  doc.EndObject();
}

void TPDFTextFont::SaveUnicode(TPDFDocument& doc) {
  int program = 0;
  bool subset = false;
  if (Embedded) {
    std::string bytes;
    if (core::ascii_upper(Name).find(".TMP") != std::string::npos) {
      auto whole = doc.FontProvider().GetFontData(Name, Style, 0);
      if (!whole) RaiseFontError(1);
      bytes = std::move(*whole);
    } else {
      bytes = TTFData->WriteFontFile();
      subset = true;
    }
    program = WriteFontProgram(doc, bytes);
  }
  // The program keeps the outlines of the used glyphs only: a subset, named as one.
  std::string name = PdfFontName();
  if (subset) name = SubsetTag(ResourceName + "/" + Name + "/" + std::to_string(Style) + "/" + TTFData->WidthsArray()) + name;
  const int descriptor = WriteDescriptor(doc, name, program);

  int cid = 0;
  doc.BeginObject(cid);
  doc.WriteLine("/Type /Font");
  doc.WriteLine("/BaseFont /" + name);
  doc.WriteLine("/Subtype /CIDFontType2");
  doc.WriteLine("/CIDSystemInfo <</Ordering(Identity)/Registry(Adobe)/Supplement 0>>");
  doc.WriteLine("/DW 1000");
  doc.WriteLine("/W" + TTFData->WidthsArray());
  doc.WriteLine("/FontDescriptor " + std::to_string(descriptor) + " 0 R");
  doc.EndDictionary();
  doc.EndObject();

  const int to_unicode = WriteToUnicodeStream(doc, TTFData->WriteToUnicode(ResourceName));

  doc.BeginObject(ObjectNumber);
  doc.WriteLine("/Type /Font");
  doc.WriteLine("/Subtype /Type0");
  doc.WriteLine("/BaseFont /" + name);
  doc.WriteLine("/Encoding /Identity-H");
  doc.WriteLine("/DescendantFonts [" + std::to_string(cid) + " 0 R]");
  doc.WriteLine("/ToUnicode " + std::to_string(to_unicode) + " 0 R");
  doc.EndDictionary();
  doc.EndObject();
}

void TPDFTextFont::Save(TPDFDocument& doc) {
  if (!Referenced) return;
  if (Standard) SaveStandard(doc);
  else if (Unicode) SaveUnicode(doc);
  else SaveSimple(doc);
}

// ---------------------------------------------------------------- the registry
namespace {

// Fonts of other kinds may share the registry; they are never the answer.
TPDFTextFont* FontAt(TPDFDocument& doc, int i) { return dynamic_cast<TPDFTextFont*>(doc.Fonts().Items(i)); }

TPDFTextFont* FindFont(TPDFDocument& doc, const std::string& upper, unsigned style, bool unicode) {
  for (int i = 0; i < doc.Fonts().Count(); ++i) {
    TPDFTextFont* f = FontAt(doc, i);
    if (!f || f->Standard || f->Style != style || f->Unicode != unicode) continue;
    // A face found through an alias is installed under another name: either name finds it.
    if (core::ascii_upper(f->Name) == upper || f->RequestName == upper) return f;
  }
  return nullptr;
}

int StandardIndex(const std::string& upper, unsigned style) {
  int base = -1;
  if (upper == "HELVETICA") base = 0;
  else if (upper == "TIMES") base = 4;
  else if (upper == "COURIER") base = 8;
  if (base >= 0) return base + ((style & 1) ? 1 : 0) + ((style & 2) ? 2 : 0);
  if (upper == "SYMBOL") return 12;
  if (upper == "ZAPFDINGBATS") return 13;
  return -1;
}

}  // namespace

TPDFTextFont* GetFont(TPDFDocument& doc, const std::string& name, unsigned style, bool unicode) {
  const std::string upper = core::ascii_upper(name);
  style &= 3u;
  if (!unicode) {
    const int index = StandardIndex(upper, style);
    if (index >= 0) {
      for (int i = 0; i < doc.Fonts().Count(); ++i) {
        TPDFTextFont* f = FontAt(doc, i);
        if (f && f->Standard && f->StdIndex == index) return f;
      }
      auto font = std::make_unique<TPDFTextFont>();
      font->Standard = true;
      font->StdIndex = index;
      font->Name = StandardFontNames[index];
      font->Style = style;
      font->ResourceName = "F" + std::to_string(index);
      return static_cast<TPDFTextFont*>(doc.Fonts().Add(std::move(font)));
    }
    if (doc.GetEmulateStandardFont()) {
      if (upper == "ARIAL") return GetFont(doc, "Helvetica", style, false);
      if (upper == "TIMES NEW ROMAN") return GetFont(doc, "Times", style, false);
      if (upper == "COURIER NEW") return GetFont(doc, "Courier", style, false);
    }
  }
  if (TPDFTextFont* f = FindFont(doc, upper, style, unicode)) return f;

  const TFontProvider& provider = doc.FontProvider();
  std::string resolved = name;
  unsigned resolved_style = style;
  if (!ResolveTrueTypeFace(provider, resolved, resolved_style)) {
    if (!unicode) return GetFont(doc, "Helvetica", style, false);
    if (upper != "ARIAL") return GetFont(doc, "Arial", style, true);
    // Without Arial, any face of the system character set, then any face at all, carries the text.
    std::string face = FaceForCharset(provider, SystemDefaultCharset);
    if (face.empty()) face = FaceForCharset(provider, ANSI_CHARSET);
    if (face.empty()) RaiseFontError(1);
    resolved = face;
    resolved_style = style;
    if (!ResolveTrueTypeFace(provider, resolved, resolved_style)) RaiseFontError(1);
  }
  if (resolved_style != style)
    if (TPDFTextFont* f = FindFont(doc, upper, resolved_style, unicode)) return f;

  auto font = std::make_unique<TPDFTextFont>();
  font->Unicode = unicode;
  font->Name = resolved;
  font->RequestName = upper;
  font->Style = resolved_style;
  font->Symbolic = upper == "WINGDINGS";
  for (const std::string& n : doc.GetNonEmbeddedFont())
    if (core::ascii_upper(n) == upper) font->Embedded = false;
  font->LoadMetrics(provider);
  TPDFTextFont* added = static_cast<TPDFTextFont*>(doc.Fonts().Add(std::move(font)));
  int non_standard = 0;
  for (int i = 0; i < doc.Fonts().Count(); ++i) {
    const TPDFTextFont* f = FontAt(doc, i);
    non_standard += (f && f->Standard) ? 0 : 1;
  }
  added->ResourceName = "TT" + std::to_string(non_standard);
  return added;
}

}  // namespace pdf
