#include "pdf/ttf_data.h"

#include <algorithm>

#include "core/byte_io.h"
#include "core/error.h"
#include "pdf/format.h"
#include "io/md5.h"

namespace pdf {
namespace {

void PadTo4(std::string& out) {
  while (out.size() % 4) out.push_back('\0');
}

}  // namespace

std::uint16_t Be16(std::string_view s, std::size_t at) {
  if (at + 2 > s.size()) RaiseFontError(0);
  return static_cast<std::uint16_t>((static_cast<std::uint8_t>(s[at]) << 8) | static_cast<std::uint8_t>(s[at + 1]));
}

std::uint32_t Be32(std::string_view s, std::size_t at) {
  return (static_cast<std::uint32_t>(Be16(s, at)) << 16) | Be16(s, at + 2);
}

void PutBe16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

void PutBe32(std::string& out, std::uint32_t v) {
  PutBe16(out, static_cast<std::uint16_t>(v >> 16));
  PutBe16(out, static_cast<std::uint16_t>(v));
}

std::string AssembleFontFile(const std::vector<TFontTable>& tables, bool pad) {
  const std::uint16_t n = static_cast<std::uint16_t>(tables.size());
  std::uint16_t selector = 0;
  while ((2u << selector) <= n) ++selector;
  const std::uint16_t search = static_cast<std::uint16_t>(16u << selector);
  std::string out;
  PutBe32(out, 0x00010000);
  PutBe16(out, n);
  PutBe16(out, search);
  PutBe16(out, selector);
  PutBe16(out, static_cast<std::uint16_t>(n * 16 - search));
  std::uint32_t at = 12 + 16u * n;
  for (const TFontTable& t : tables) {
    out.append(t.tag, 4);
    PutBe32(out, TableChecksum(*t.data));
    PutBe32(out, at);
    PutBe32(out, static_cast<std::uint32_t>(t.data->size()));
    at += static_cast<std::uint32_t>(pad ? (t.data->size() + 3) & ~std::size_t{3} : t.data->size());
  }
  for (const TFontTable& t : tables) {
    out += *t.data;
    if (pad) PadTo4(out);
  }
  return out;
}

void RaiseFontError(int kind) {
  if (kind == 0) throw core::Error("Incorrect or unknown font format");
  if (kind == 1) throw core::Error("Cannot recieve data from font");
}

std::uint32_t TableChecksum(const std::uint8_t* data, std::size_t length) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < length; i += 4) {
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < 4; ++k) word = (word << 8) | (i + k < length ? data[i + k] : 0u);
    sum += word;
  }
  return sum;
}

// ---------------------------------------------------------------- cmap format 4
std::uint16_t TCmapFormat4::SegmentGlyph(std::uint32_t code, int i) const {
  if (i < 0 || i >= SegCount()) return 0;
  if (code < StartCode[i] || code > EndCode[i]) return 0;
  const std::uint16_t delta = static_cast<std::uint16_t>(IdDelta[i]);
  if (IdRangeOffset[i] == 0) return static_cast<std::uint16_t>(code + delta);
  const long index = IdRangeOffset[i] / 2 + i - SegCount() + static_cast<long>(code - StartCode[i]);
  if (index < 0 || index >= static_cast<long>(GlyphIdArray.size())) return 0;
  const std::uint16_t g = GlyphIdArray[static_cast<std::size_t>(index)];
  // An empty entry is the missing glyph; the delta applies only to real entries.
  return g == 0 ? 0 : static_cast<std::uint16_t>(g + delta);
}

std::uint16_t TCmapFormat4::GlyphOfCode(std::uint32_t code) const {
  for (int i = 0; i < SegCount(); ++i)
    if (code >= StartCode[i] && code <= EndCode[i]) return SegmentGlyph(code, i);
  return 0;
}

bool TCmapFormat4::HasCode(std::uint32_t code) const {
  for (int i = 0; i < SegCount(); ++i)
    if (code >= StartCode[i] && code <= EndCode[i]) return true;
  return false;
}

TCmapFormat4 ParseCmapFormat4(std::string_view cmap, const char* offset_error) {
  const std::size_t tables = Be16(cmap, 2);
  std::uint32_t offset = 0;
  bool found = false;
  for (std::size_t i = 0; i < tables; ++i) {
    const std::size_t rec = 4 + 8 * i;
    const std::uint16_t platform = Be16(cmap, rec), encoding = Be16(cmap, rec + 2);
    if (platform == 3 && encoding == 1) {
      offset = Be32(cmap, rec + 4);
      found = true;
      break;
    }
    if (platform == 3 && encoding == 0) {
      offset = Be32(cmap, rec + 4);
      found = true;
    }
  }
  if (offset >= cmap.size()) throw core::Error(offset_error);
  // Without a Windows subtable there is nothing to map, and only format 4 is understood.
  if (!found || Be16(cmap, offset) != 4) RaiseFontError(0);
  const std::size_t length = Be16(cmap, offset + 2);
  if (offset + length > cmap.size()) RaiseFontError(0);
  const std::string_view sub = cmap.substr(offset, length);
  TCmapFormat4 c;
  c.SegCountX2 = Be16(sub, 6);
  c.SearchRange = Be16(sub, 8);
  c.EntrySelector = Be16(sub, 10);
  c.RangeShift = Be16(sub, 12);
  const std::size_t seg = c.SegCountX2 / 2;
  if (seg == 0 || 16 + 8 * seg > sub.size()) RaiseFontError(0);
  std::size_t p = 14;
  for (std::size_t i = 0; i < seg; ++i, p += 2) c.EndCode.push_back(Be16(sub, p));
  p += 2;  // reservedPad
  for (std::size_t i = 0; i < seg; ++i, p += 2) c.StartCode.push_back(Be16(sub, p));
  for (std::size_t i = 0; i < seg; ++i, p += 2) c.IdDelta.push_back(static_cast<std::int16_t>(Be16(sub, p)));
  for (std::size_t i = 0; i < seg; ++i, p += 2) c.IdRangeOffset.push_back(Be16(sub, p));
  for (; p + 2 <= sub.size(); p += 2) c.GlyphIdArray.push_back(Be16(sub, p));
  return c;
}

// ---------------------------------------------------------------- cmap format 12
std::uint16_t TCmapFormat12::GlyphOfCode(char32_t code) const {
  for (const Group& g : Groups)
    if (code >= g.Start && code <= g.End) {
      const std::uint32_t glyph = g.Glyph + (code - g.Start);
      return glyph > 0xFFFF ? 0 : static_cast<std::uint16_t>(glyph);
    }
  return 0;
}

std::optional<TCmapFormat12> ParseCmapFormat12(std::string_view cmap) {
  const std::size_t tables = Be16(cmap, 2);
  for (std::size_t i = 0; i < tables; ++i) {
    const std::size_t rec = 4 + 8 * i;
    if (Be16(cmap, rec) != 3 || Be16(cmap, rec + 2) != 10) continue;
    const std::uint32_t offset = Be32(cmap, rec + 4);
    if (Be16(cmap, offset) != 12) continue;
    const std::uint32_t length = Be32(cmap, offset + 4);
    const std::uint32_t count = Be32(cmap, offset + 12);
    if (length > cmap.size() - offset || count > (length - std::min<std::uint32_t>(length, 16)) / 12) RaiseFontError(0);
    TCmapFormat12 c;
    c.Groups.reserve(count);
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::size_t at = offset + 16 + 12 * std::size_t{k};
      TCmapFormat12::Group g{Be32(cmap, at), Be32(cmap, at + 4), Be32(cmap, at + 8)};
      if (g.Start > g.End || g.End > 0x10FFFF) RaiseFontError(0);
      c.Groups.push_back(g);
    }
    return c;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------- glyph records
std::vector<TGlyphRecord> SplitGlyphs(std::string_view loca, std::string_view glyf, int num_glyphs,
                                      bool long_format) {
  std::vector<TGlyphRecord> out(static_cast<std::size_t>(std::max(num_glyphs, 0)));
  const std::size_t entry = long_format ? 4 : 2;
  auto offset = [&](std::size_t k) -> std::size_t {
    if ((k + 1) * entry > loca.size()) return glyf.size();
    return long_format ? Be32(loca, k * entry) : static_cast<std::size_t>(Be16(loca, k * entry)) * 2;
  };
  std::size_t prev = offset(0);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::size_t next = offset(i + 1);
    if (prev < next && next <= glyf.size()) out[i].Data = glyf.substr(prev, next - prev);
    prev = next;
  }
  return out;
}

void MarkComponents(std::vector<TGlyphRecord>& glyphs) {
  std::vector<std::size_t> work;
  for (std::size_t i = 0; i < glyphs.size(); ++i)
    if (glyphs[i].Used) work.push_back(i);
  while (!work.empty()) {
    const std::size_t g = work.back();
    work.pop_back();
    const std::string_view data = glyphs[g].Bytes();
    if (data.size() < 2 || static_cast<std::int16_t>(Be16(data, 0)) >= 0) continue;
    ForEachComponent(data, [&](std::uint16_t component, std::size_t) {
      if (component >= glyphs.size() || glyphs[component].Used) return;
      glyphs[component].Used = true;
      work.push_back(component);
    });
  }
}

// ---------------------------------------------------------------- TTTFData
TTTFData::TTTFData(const TFontProvider& provider, std::string name, bool /*embedded*/, unsigned style)
    : provider_(provider), name_(std::move(name)), style_(style) {
  LoadMetricTables();
  BuildCharMap();
}

std::string TTTFData::Table(std::uint32_t tag, bool required) const {
  auto t = provider_.GetFontData(name_, style_, tag);
  if (!t) {
    if (required) RaiseFontError(1);
    return {};
  }
  return std::move(*t);
}

void TTTFData::LoadMetricTables() {
  TFontMetrics m;
  if (!provider_.GetMetrics(name_, style_, -10, m)) RaiseFontError(1);
  FixedPitch = m.FixedPitch;
  cmap_ = Table(FontTag("cmap"), true);
  hmtx_ = Table(FontTag("hmtx"), true);
  maxp_ = Table(FontTag("maxp"), true);
  head_ = Table(FontTag("head"), true);
  hhea_ = Table(FontTag("hhea"), true);
  // The full-repertoire map reaches beyond the BMP; without it the BMP map is the face's map.
  cmap12_ = ParseCmapFormat12(cmap_);
  if (!cmap12_) cmap4_ = ParseCmapFormat4(cmap_, "Incorrect or unknown font format");
  if (maxp_.size() < 6 || head_.size() < 54 || hhea_.size() < 36) RaiseFontError(0);
  if (maxp_.size() > 32) maxp_.resize(32);
  if (head_.size() > 54) head_.resize(54);
  if (hhea_.size() > 36) hhea_.resize(36);
  NumGlyphs = Be16(maxp_, 4);
  UnitsPerEm = Be16(head_, 18);
  if (UnitsPerEm < 16 || UnitsPerEm > 16384) RaiseFontError(0);
  index_to_loc_format_ = static_cast<std::int16_t>(Be16(head_, 50));
  // A count of metrics beyond the table would read past it: only what the table holds counts.
  NumberOfHMetrics = std::min<int>(Be16(hhea_, 34), static_cast<int>(hmtx_.size() / 4));
}

int TTTFData::GlyphWidth(std::uint16_t glyph) const {
  if (NumberOfHMetrics <= 0) return 0;
  std::size_t i = FixedPitch ? 0 : glyph;
  if (i >= static_cast<std::size_t>(NumberOfHMetrics)) i = static_cast<std::size_t>(NumberOfHMetrics) - 1;
  return static_cast<int>(static_cast<long>(Be16(hmtx_, 4 * i)) * 1000 / UnitsPerEm);
}

void TTTFData::BuildCharMap() {
  // Every code point at most once: a map larger than the code space is not a font's.
  constexpr std::size_t kMaxEntries = 0x110000;
  if (cmap12_) {
    std::size_t total = 0;
    for (const TCmapFormat12::Group& g : cmap12_->Groups) {
      total += g.End - g.Start + 1u;
      if (total > kMaxEntries) RaiseFontError(0);
    }
    CharMap.reserve(total);
    for (const TCmapFormat12::Group& g : cmap12_->Groups)
      for (char32_t code = g.Start; code <= g.End; ++code) {
        const std::uint32_t glyph = g.Glyph + (code - g.Start);
        if (glyph > 0xFFFF) break;
        const auto id = static_cast<std::uint16_t>(glyph);
        CharMap.push_back({code, id, static_cast<std::uint16_t>(GlyphWidth(id)), false});
      }
  } else {
    const int last = cmap4_.SegCount() - 1;
    for (int i = 0; i < last; ++i) {
      // Codes are 16-bit: segments that overlap beyond that are not a font's.
      if (CharMap.size() + (cmap4_.EndCode[i] >= cmap4_.StartCode[i] ? cmap4_.EndCode[i] - cmap4_.StartCode[i] + 1u : 0u) >
          0x10000)
        RaiseFontError(0);
      for (std::uint32_t code = cmap4_.StartCode[i]; code <= cmap4_.EndCode[i]; ++code) {
        const std::uint16_t g = cmap4_.SegmentGlyph(code, i);
        CharMap.push_back({code, g, static_cast<std::uint16_t>(GlyphWidth(g)), false});
      }
    }
  }
  // Lookups search by code: a font with segments out of order must not hide codes, and a code listed
  // twice keeps its first glyph, as the subtable's own lookup does.
  const auto by_code = [](const Entry& a, const Entry& b) { return a.Code < b.Code; };
  if (!std::is_sorted(CharMap.begin(), CharMap.end(), by_code)) {
    std::stable_sort(CharMap.begin(), CharMap.end(), by_code);
    CharMap.erase(std::unique(CharMap.begin(), CharMap.end(), [](const Entry& a, const Entry& b) { return a.Code == b.Code; }),
                  CharMap.end());
  }
}

std::uint16_t TTTFData::CmapGlyph(char32_t code) const {
  return cmap12_ ? cmap12_->GlyphOfCode(code) : cmap4_.GlyphOfCode(code);
}

const TTTFData::Entry* TTTFData::FindCode(char32_t code) const {
  auto it = std::lower_bound(CharMap.begin(), CharMap.end(), code,
                             [](const Entry& e, char32_t c) { return e.Code < c; });
  if (it == CharMap.end() || it->Code != code || it->Glyph == 0) return nullptr;
  return &*it;
}

std::uint16_t TTTFData::GlyphOf(char32_t code) {
  const Entry* e = FindCode(code);
  if (!e) {
    notdef_used_ = true;
    return 0;
  }
  const_cast<Entry*>(e)->Used = true;
  return e->Glyph;
}

int TTTFData::WidthOf(char32_t code) const {
  const Entry* e = FindCode(code);
  return e ? e->Width : GlyphWidth(0);
}

TTTFData::Entry* TTTFData::FindGlyph(std::uint16_t glyph) {
  // Glyph-index text looks up every glyph: index the map once instead of walking it each time.
  if (by_glyph_.empty())
    for (std::size_t i = CharMap.size(); i-- > 0;) by_glyph_[CharMap[i].Glyph] = i;
  const auto it = by_glyph_.find(glyph);
  return it == by_glyph_.end() ? nullptr : &CharMap[it->second];
}

std::string TTTFData::WidthsArray() const {
  std::string s = "[";
  std::set<std::uint16_t> listed;
  if (notdef_used_) listed.insert(0);
  for (std::uint16_t g : extra_glyphs_) listed.insert(g);
  for (const Entry& e : CharMap)
    if (e.Used) listed.erase(e.Glyph);
  for (std::uint16_t g : listed) s += std::to_string(g) + "[" + std::to_string(GlyphWidth(g)) + "]";
  for (const Entry& e : CharMap)
    if (e.Used) s += std::to_string(e.Glyph) + "[" + std::to_string(e.Width) + "]";
  return s + "]";
}

std::string TTTFData::WriteToUnicode(std::string_view cmap_name) const {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const Entry& e : CharMap)
    if (e.Used) entries.emplace_back(HexOfWord(e.Glyph), UnicodeHex(e.Code));
  // Code-space ranges are compared byte by byte: the whole two-byte space holds every used code.
  return ToUnicodeCMap(cmap_name, "<0000> <FFFF>", entries);
}

std::string ToUnicodeCMap(std::string_view name, std::string_view code_space,
                          const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string s;
  const auto line = [&](std::string_view l) {
    s.append(l);
    s.push_back('\r');
  };
  line("/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CIDSystemInfo << ");
  line("/Registry (" + std::string(name) + "+0) /Ordering (T42UV) /Supplement 0 >> def");
  line("/CMapName /" + std::string(name) + "+0 def");
  line("/CMapType 2 def");
  line("1 begincodespacerange " + std::string(code_space) + " endcodespacerange");
  std::size_t i = 0;
  while (entries.size() - i > 100) {
    line("100 beginbfchar");
    for (std::size_t k = 0; k < 100; ++k, ++i) line("<" + entries[i].first + "> <" + entries[i].second + ">");
    line("endbfchar");
  }
  line(std::to_string(entries.size() - i) + " beginbfchar");
  for (; i < entries.size(); ++i) line("<" + entries[i].first + "> <" + entries[i].second + ">");
  line("endbfchar");
  s += "endcmap CMapName currentdict /CMap defineresource pop end end";
  return s;
}

std::string UnicodeHex(char32_t code) {
  if (code < 0x10000) return HexOfWord(static_cast<std::uint16_t>(code));
  const char32_t v = code - 0x10000;
  return HexOfWord(static_cast<std::uint16_t>(0xD800 + (v >> 10))) + HexOfWord(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
}

std::string SubsetTag(std::string_view seed) {
  const io::MD5Digest16 d = io::MD5Digest(seed);
  std::string tag;
  for (int i = 0; i < 6; ++i) tag.push_back(static_cast<char>('A' + (d[2 * i] << 8 | d[2 * i + 1]) % 26));
  return tag + "+";
}

std::string TTTFData::WriteFontFile() {
  // Tiny programs trip some readers: keep at least the glyphs of three entries.
  int used_count = 0;
  for (const Entry& e : CharMap) used_count += e.Used;
  if (used_count < 2 && CharMap.size() >= 3) {
    // The code of an entry that text shows is kept, so that its text still extracts.
    if (!CharMap[1].Used) CharMap[1].Code = 34;
    CharMap[1].Used = true;
    CharMap[2].Used = true;
  }

  const std::string cvt = Table(FontTag("cvt "), false);
  const std::string fpgm = Table(FontTag("fpgm"), false);
  const std::string prep = Table(FontTag("prep"), false);
  // loca and glyf are read in place: only the outlines kept are touched.
  const auto loca_in = provider_.GetFontTable(name_, style_, FontTag("loca"));
  const auto glyf_in = provider_.GetFontTable(name_, style_, FontTag("glyf"));
  if (!loca_in || !glyf_in) RaiseFontError(1);
  const bool long_format = index_to_loc_format_ == 1;

  std::vector<TGlyphRecord> glyphs = SplitGlyphs(loca_in->Bytes, glyf_in->Bytes, NumGlyphs, long_format);
  if (!glyphs.empty()) glyphs[0].Used = true;  // .notdef stands in for unmapped characters
  for (std::uint16_t g : extra_glyphs_)
    if (g < glyphs.size()) glyphs[g].Used = true;
  for (const Entry& e : CharMap) {
    if (!e.Used) continue;
    const std::uint16_t g = CmapGlyph(e.Code);
    if (g < glyphs.size()) glyphs[g].Used = true;
    if (e.Glyph < glyphs.size()) glyphs[e.Glyph].Used = true;
  }
  MarkComponents(glyphs);

  // loca again, in its own format, over the kept glyphs.
  std::string loca;
  std::uint32_t offset = 0;
  std::string glyf_out;
  for (std::size_t i = 0; i <= glyphs.size(); ++i) {
    if (long_format) PutBe32(loca, offset);
    else PutBe16(loca, static_cast<std::uint16_t>(offset / 2));
    if (i == glyphs.size()) break;
    if (glyphs[i].Used) {
      glyf_out += glyphs[i].Bytes();
      // Short offsets count words.
      if (!long_format && (glyf_out.size() % 2)) glyf_out.push_back('\0');
      offset = static_cast<std::uint32_t>(glyf_out.size());
    }
  }
  if (!long_format && offset / 2 > 0xFFFF) RaiseFontError(0);

  std::vector<TFontTable> tables = {{"hhea", &hhea_}, {"loca", &loca}, {"cmap", &cmap_}, {"head", &head_},
                             {"maxp", &maxp_}, {"cvt ", &cvt},  {"prep", &prep},  {"glyf", &glyf_out},
                             {"hmtx", &hmtx_}, {"fpgm", &fpgm}};
  // The hinting tables are optional: a face without them is embedded without them.
  std::erase_if(tables, [&](const TFontTable& t) { return t.data->empty() && (t.data == &cvt || t.data == &fpgm || t.data == &prep); });

  return AssembleFontFile(tables, true);
}

}  // namespace pdf
