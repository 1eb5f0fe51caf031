// TTTFData: the TrueType side of a Unicode (Type0/CIDFontType2) PDF font. It reads the face's tables,
// maps Unicode code points to glyph identifiers and widths, remembers which glyphs page text used, and
// produces the /W widths array, the ToUnicode CMap and the embedded font program (the face's own
// program with the outlines of unused glyphs removed; glyph identifiers stay unchanged).
// Also the pieces the simple-font subset builder shares: cmap format 4, glyph records and checksums.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/font_provider.h"

namespace pdf {

// Kind 0 raises "Incorrect or unknown font format", kind 1 "Cannot recieve data from font"; other
// kinds do nothing.
void RaiseFontError(int kind);
// Sum modulo 2^32 of the data as big-endian 32-bit words, the last padded with zero bytes.
std::uint32_t TableChecksum(const std::uint8_t* data, std::size_t length);
inline std::uint32_t TableChecksum(std::string_view s) {
  return TableChecksum(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}
// A ToUnicode CMap (lines end with CR) named Name+0 over the given code-space range: one bfchar line
// per (code, Unicode text) pair, both as hexadecimal digits, in blocks of at most 100.
std::string ToUnicodeCMap(std::string_view name, std::string_view code_space,
                          const std::vector<std::pair<std::string, std::string>>& entries);
// A Unicode code point as UTF-16BE hexadecimal digits: four, or eight for a surrogate pair.
std::string UnicodeHex(char32_t code);
// The six capital letters and plus sign that begin the name of a font subset, the same for the same
// seed (the font and the glyphs it keeps) and different across subsets.
std::string SubsetTag(std::string_view seed);

// One table of a font file being written: its four-letter tag and its bytes.
struct TFontTable {
  const char* tag;
  const std::string* data;
};
// A font file of the tables in the order given: the offset table, the directory with each table's
// checksum, offset and length, then the tables. With `pad` every table starts on a 4-byte boundary.
std::string AssembleFontFile(const std::vector<TFontTable>& tables, bool pad);
// Big-endian fields of font tables; a read past the end raises the font format error.
std::uint16_t Be16(std::string_view s, std::size_t at);
std::uint32_t Be32(std::string_view s, std::size_t at);
void PutBe16(std::string& out, std::uint16_t v);
void PutBe32(std::string& out, std::uint32_t v);

// The Windows Unicode subtable (3/1, else 3/0) of a cmap table, format 4.
struct TCmapFormat4 {
  std::uint16_t SegCountX2 = 0, SearchRange = 0, EntrySelector = 0, RangeShift = 0;
  std::vector<std::uint16_t> EndCode, StartCode, IdRangeOffset;
  std::vector<std::int16_t> IdDelta;
  std::vector<std::uint16_t> GlyphIdArray;

  int SegCount() const { return static_cast<int>(EndCode.size()); }
  // Glyph of Code in segment I: 0 outside the segment or for an empty glyph-array entry.
  std::uint16_t SegmentGlyph(std::uint32_t code, int i) const;
  // Glyph of Code through all segments (the terminal one included); 0 when none holds it.
  std::uint16_t GlyphOfCode(std::uint32_t code) const;
  bool HasCode(std::uint32_t code) const;
};
// Parses the subtable; a subtable offset past the table raises OffsetError, anything else that does
// not fit "Incorrect or unknown font format".
TCmapFormat4 ParseCmapFormat4(std::string_view cmap, const char* offset_error);

// The Windows full-repertoire subtable (3/10) of a cmap table, format 12: code ranges over every
// plane, each mapped to consecutive glyphs.
struct TCmapFormat12 {
  struct Group {
    char32_t Start = 0, End = 0;
    std::uint32_t Glyph = 0;
  };
  std::vector<Group> Groups;  // as the subtable lists them
  // Glyph of Code; 0 when no group holds it or the glyph lies beyond 16 bits.
  std::uint16_t GlyphOfCode(char32_t code) const;
};
// Parses the first 3/10 format 12 subtable; nothing when the table has none. A subtable that does not
// fit raises "Incorrect or unknown font format".
std::optional<TCmapFormat12> ParseCmapFormat12(std::string_view cmap);

// The glyf data of one glyph identifier: a view into the glyf table until it is changed, then its
// own copy.
struct TGlyphRecord {
  std::string_view Data;
  std::string Changed;
  bool Used = false;
  std::string_view Bytes() const { return Changed.empty() ? Data : std::string_view(Changed); }
};
// Splits glyf by loca (NumGlyphs + 1 entries; 32-bit offsets when LongFormat, else halved 16-bit)
// into views of glyf, which must outlive the records. Offsets past glyf or running backwards give
// empty glyphs.
std::vector<TGlyphRecord> SplitGlyphs(std::string_view loca, std::string_view glyf, int num_glyphs,
                                      bool long_format);
// Calls Visit(component glyph, offset of its index field) for each component record of a composite
// glyph's data; a record running past the data raises "Incorrect or unknown font format".
template <typename Visit>
void ForEachComponent(std::string_view glyph, Visit&& visit);
// Marks the components of used composite glyphs used, through any depth, each glyph once (a cycle of
// references ends); component numbers not below the glyph count are skipped.
void MarkComponents(std::vector<TGlyphRecord>& glyphs);

class TTTFData {
public:
  struct Entry {
    char32_t Code = 0;  // a Unicode code point; beyond the BMP when the face has a format 12 map
    std::uint16_t Glyph = 0;
    std::uint16_t Width = 0;  // 1/1000 em
    bool Used = false;
  };

  // Reads the metric tables of the face (cmap, hmtx, maxp, head, hhea) and builds the char map.
  TTTFData(const TFontProvider& provider, std::string name, bool embedded, unsigned style);

  // Glyph of a code point, marking its entry used; 0 (.notdef) for a code the face does not map.
  std::uint16_t GlyphOf(char32_t code);
  // Glyph of a code point without marking it; 0 for a code the face does not map.
  std::uint16_t GlyphOfCode(char32_t code) const {
    const Entry* e = FindCode(code);
    return e ? e->Glyph : 0;
  }
  // Width of a code point in 1/1000 em; the .notdef width for a code the face does not map.
  int WidthOf(char32_t code) const;
  // The first map entry of a glyph identifier, or null.
  Entry* FindGlyph(std::uint16_t glyph);
  // Marks glyph 0 (.notdef) as shown: it is kept and listed in /W.
  void MarkNotdefUsed() { notdef_used_ = true; }
  int NotdefWidth() const { return GlyphWidth(0); }
  // Width of a glyph identifier in 1/1000 em.
  int WidthOfGlyph(std::uint16_t glyph) const { return GlyphWidth(glyph); }
  // Keeps a glyph that glyph-index text shows although no code maps to it (listed in /W).
  void MarkGlyphUsed(std::uint16_t glyph) { extra_glyphs_.insert(glyph); }

  std::string WidthsArray() const;
  // The ToUnicode CMap text (lines end with CR).
  std::string WriteToUnicode(std::string_view cmap_name) const;
  // The font program: the face's tables with unused glyph outlines emptied.
  std::string WriteFontFile();

  const std::string& Name() const { return name_; }
  unsigned Style() const { return style_; }
  bool FixedPitch = false;
  int UnitsPerEm = 0;
  int NumberOfHMetrics = 0;
  int NumGlyphs = 0;
  std::vector<Entry> CharMap;

private:
  std::string Table(std::uint32_t tag, bool required) const;
  void LoadMetricTables();
  void BuildCharMap();
  int GlyphWidth(std::uint16_t glyph) const;
  const Entry* FindCode(char32_t code) const;
  // The glyph the face's own map gives a code (the subtable the char map was built from).
  std::uint16_t CmapGlyph(char32_t code) const;

  const TFontProvider& provider_;
  std::string name_;
  unsigned style_;
  bool notdef_used_ = false;
  // Glyph -> position of its first map entry, built on the first glyph look-up.
  std::unordered_map<std::uint16_t, std::size_t> by_glyph_;
  std::set<std::uint16_t> extra_glyphs_;
  std::string cmap_, hmtx_, maxp_, head_, hhea_;
  TCmapFormat4 cmap4_;
  std::optional<TCmapFormat12> cmap12_;
  int index_to_loc_format_ = 0;
};

template <typename Visit>
void ForEachComponent(std::string_view g, Visit&& visit) {
  std::size_t p = 10;
  for (;;) {
    if (p + 4 > g.size()) RaiseFontError(0);
    const auto at = [&](std::size_t i) { return static_cast<std::uint8_t>(g[i]); };
    const unsigned flags = (at(p) << 8) | at(p + 1);
    const std::uint16_t glyph = static_cast<std::uint16_t>((at(p + 2) << 8) | at(p + 3));
    visit(glyph, p + 2);
    p += 4;
    p += (flags & 0x0001) ? 4 : 2;
    if (flags & 0x0008) p += 2;
    else if (flags & 0x0040) p += 4;
    else if (flags & 0x0080) p += 8;
    if (!(flags & 0x0020)) break;
  }
}

}  // namespace pdf
