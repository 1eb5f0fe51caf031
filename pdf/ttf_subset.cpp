#include "pdf/ttf_subset.h"

#include <algorithm>
#include <map>

#include "core/error.h"
#include "core/unicode.h"
#include "pdf/format.h"
#include "pdf/ttf_data.h"

namespace pdf {
namespace {

void SetBe16(std::string& s, std::size_t at, std::uint16_t v) {
  if (at + 2 > s.size()) RaiseFontError(0);
  s[at] = static_cast<char>(v >> 8);
  s[at + 1] = static_cast<char>(v);
}

// Every subset program names itself with these fixed tables.
std::string SubsetNameTable() {
  std::string t;
  PutBe16(t, 0);
  PutBe16(t, 10);
  PutBe16(t, 126);
  struct Rec {
    std::uint16_t platform, encoding, language, id, length, offset;
  };
  const Rec recs[10] = {{1, 0, 0, 1, 5, 0},       {1, 0, 0, 2, 7, 5},       {1, 0, 0, 4, 5, 12},
                        {1, 0, 0, 6, 7, 17},      {1, 0, 0, 3, 31, 24},     {3, 1, 1033, 1, 10, 55},
                        {3, 1, 1033, 2, 14, 65},  {3, 1, 1033, 4, 10, 79},  {3, 1, 1033, 6, 14, 89},
                        {3, 1, 1033, 3, 30, 103}};
  for (const Rec& r : recs) {
    PutBe16(t, r.platform);
    PutBe16(t, r.encoding);
    PutBe16(t, r.language);
    PutBe16(t, r.id);
    PutBe16(t, r.length);
    PutBe16(t, r.offset);
  }
  const char* names[5] = {"Arial", "Regular", "Arial", "ArialMT", "PDFwrite: Arial"};
  for (const char* n : names) t += n;
  t.append(16, '\0');
  for (const char* n : names)
    for (const char* p = n; *p; ++p) PutBe16(t, static_cast<std::uint16_t>(*p));
  t.push_back('\0');
  return t;  // 260 bytes
}

std::string SubsetPostTable() {
  static const unsigned char kPost[] = {0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x27, 0x00,
                                        0x96, 0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x44, 9,
                                        'a', 'f', 'i', 'i', '1', '0', '0', '6', '5'};
  return std::string(reinterpret_cast<const char*>(kPost), sizeof kPost);
}

class Builder {
public:
  Builder(const TFontProvider& provider, const std::string& name, unsigned style)
      : provider_(provider), name_(name), style_(style) {}

  std::string Build(const std::vector<std::uint16_t>& codes);

private:
  std::string Table(const char (&tag)[5], bool* present);
  void Load();
  std::string WriteSubset();
  void Metric(std::uint16_t glyph, std::uint16_t& advance, std::uint16_t& bearing) const;

  const TFontProvider& provider_;
  std::string name_;
  unsigned style_;
  bool has_cvt_ = true, has_fpgm_ = true, has_prep_ = true;
  bool no_break_space_ = false;
  TCmapFormat4 cmap4_;
  std::string cvt_, fpgm_, prep_, name_table_, hmtx_, head_, hhea_, maxp_;
  // Read in place: only the outlines kept are touched.
  std::optional<TFontTableView> loca_, glyf_;
  int num_h_metrics_ = 0;
  std::vector<TGlyphRecord> glyphs_;
};

std::string Builder::Table(const char (&tag)[5], bool* present) {
  auto t = provider_.GetFontData(name_, style_, FontTag(tag));
  if (!t) {
    if (present) {
      *present = false;
      return {};
    }
    RaiseFontError(1);
  }
  return std::move(*t);
}

void Builder::Load() {
  const std::string cmap = Table("cmap", nullptr);
  cvt_ = Table("cvt ", &has_cvt_);
  fpgm_ = Table("fpgm", &has_fpgm_);
  glyf_ = provider_.GetFontTable(name_, style_, FontTag("glyf"));
  if (!glyf_) RaiseFontError(1);
  head_ = Table("head", nullptr);
  hhea_ = Table("hhea", nullptr);
  hmtx_ = Table("hmtx", nullptr);
  loca_ = provider_.GetFontTable(name_, style_, FontTag("loca"));
  if (!loca_) RaiseFontError(1);
  maxp_ = Table("maxp", nullptr);
  name_table_ = Table("name", nullptr);
  prep_ = Table("prep", &has_prep_);
  const std::string post = Table("post", nullptr);
  (void)post;  // only its pitch flag is read, and nothing here depends on it
  cmap4_ = ParseCmapFormat4(cmap, "Offset Error");
  if (head_.size() < 54 || hhea_.size() < 36 || maxp_.size() < 6) RaiseFontError(0);
  head_.resize(54);
  hhea_.resize(36);
  if (maxp_.size() > 32) maxp_.resize(32);
  num_h_metrics_ = std::min<int>(Be16(hhea_, 34), static_cast<int>(hmtx_.size() / 4));
  glyphs_ = SplitGlyphs(loca_->Bytes, glyf_->Bytes, Be16(maxp_, 4), static_cast<std::int16_t>(Be16(head_, 50)) == 1);
}

void Builder::Metric(std::uint16_t glyph, std::uint16_t& advance, std::uint16_t& bearing) const {
  advance = bearing = 0;
  if (num_h_metrics_ <= 0) return;
  if (glyph < num_h_metrics_) {
    advance = Be16(hmtx_, 4u * glyph);
    bearing = Be16(hmtx_, 4u * glyph + 2);
    return;
  }
  advance = Be16(hmtx_, 4u * (num_h_metrics_ - 1));
  const std::size_t at = 4u * num_h_metrics_ + 2u * (glyph - num_h_metrics_);
  if (at + 2 <= hmtx_.size()) bearing = Be16(hmtx_, at);
}

std::string Builder::Build(const std::vector<std::uint16_t>& codes) {
  if (codes.empty()) return {};
  if (core::ascii_upper(name_) == "MARLETT") return Table("\0\0\0\0", nullptr);
  Load();
  std::vector<std::uint16_t> kept;
  for (std::uint16_t c : codes)
    if (cmap4_.HasCode(c)) kept.push_back(c);
  if (codes.size() == 1) {
    if (kept.empty()) kept = {0, 34};
    else if (kept[0] >= 34) kept = {34, kept[0]};
    else kept = {kept[0], 34};
  } else if (codes.size() == 2 && kept.size() >= 2 && kept[1] == 160) {
    kept = {kept[0], 34, 160};
  }
  for (std::uint16_t c : kept) {
    if (c == 160) no_break_space_ = true;
    if (c <= 32) continue;
    const std::uint16_t g = cmap4_.GlyphOfCode(c);
    if (g < glyphs_.size()) glyphs_[g].Used = true;
  }
  return WriteSubset();
}

std::string Builder::WriteSubset() {
  MarkComponents(glyphs_);
  // New identifiers: kept glyphs in order from 3 on; 0, 1 and 2 are empty.
  std::vector<int> new_id(glyphs_.size(), 0);
  std::vector<std::uint16_t> kept;
  for (std::size_t i = 0; i < glyphs_.size(); ++i)
    if (glyphs_[i].Used) {
      new_id[i] = static_cast<int>(kept.size()) + 3;
      kept.push_back(static_cast<std::uint16_t>(i));
    }
  if (kept.size() + 3 > 0xFFFF) RaiseFontError(0);
  // Composite references follow the renumbering (components of kept glyphs are kept).
  for (std::uint16_t g : kept) {
    TGlyphRecord& glyph = glyphs_[g];
    if (glyph.Data.size() < 2 || static_cast<std::int16_t>(Be16(glyph.Data, 0)) >= 0) continue;
    glyph.Changed.assign(glyph.Data);
    ForEachComponent(glyph.Data, [&](std::uint16_t component, std::size_t at) {
      if (component < new_id.size() && new_id[component])
        SetBe16(glyph.Changed, at, static_cast<std::uint16_t>(new_id[component]));
    });
  }

  // The first code of each glyph, segments and codes in ascending order.
  std::map<std::uint16_t, std::uint16_t> first_code;
  std::size_t codes = 0;
  for (int s = 0; s < cmap4_.SegCount(); ++s)
    for (std::uint32_t c = cmap4_.StartCode[s]; c <= cmap4_.EndCode[s]; ++c) {
      // Overlapping segments beyond the 16-bit code space are not a font's.
      if (++codes > 0x10000) RaiseFontError(0);
      const std::uint16_t g = cmap4_.SegmentGlyph(c, s);
      if (g && glyphs_.size() > g && glyphs_[g].Used) first_code.emplace(g, static_cast<std::uint16_t>(c));
    }
  struct Entry {
    std::uint16_t win = 0, unicode = 0, source = 0, id = 0;
  };
  std::vector<Entry> entries;
  for (std::uint16_t g : kept) {
    Entry e;
    e.source = g;
    e.id = static_cast<std::uint16_t>(new_id[g]);
    const auto it = first_code.find(g);
    const std::uint16_t u = it == first_code.end() ? 0 : it->second;
    e.win = UnicodeToWinAnsi(u);
    e.unicode = e.win ? WinAnsiToUnicode(static_cast<std::uint8_t>(e.win)) : 0;
    entries.push_back(e);
  }
  // Codes up to the space are fixed by the table's head (space shows the empty glyph 2).
  std::vector<Entry> mapped;
  for (const Entry& e : entries)
    if (e.win > 32) mapped.push_back(e);

  // cmap: format 0 for codes 0..255, then format 4.
  std::string cmap;
  static const unsigned char kHead[26] = {0, 0, 0, 2, 0, 1, 0, 0, 0, 0, 0, 0x14, 0, 3, 0, 1, 0, 0, 1, 0x1A, 0, 0, 1, 6, 0, 0};
  cmap.assign(reinterpret_cast<const char*>(kHead), sizeof kHead);
  cmap.append(32, '\0');
  cmap.push_back('\x02');
  std::vector<Entry> by_win = mapped;
  std::sort(by_win.begin(), by_win.end(), [](const Entry& a, const Entry& b) { return a.win < b.win; });
  std::vector<std::uint8_t> array0(256 - 33, 0);
  for (const Entry& e : by_win) array0[e.win - 33] = e.id > 255 ? 0 : static_cast<std::uint8_t>(e.id);
  cmap.append(reinterpret_cast<const char*>(array0.data()), array0.size());

  std::vector<Entry> by_unicode = mapped;
  std::sort(by_unicode.begin(), by_unicode.end(), [](const Entry& a, const Entry& b) { return a.unicode < b.unicode; });
  std::vector<std::uint16_t> starts = {32}, ends = {32};
  std::vector<std::int16_t> deltas = {static_cast<std::int16_t>(2 - 32)};
  for (std::size_t i = 0; i < by_unicode.size(); ++i) {
    const Entry& e = by_unicode[i];
    const bool continues = i > 0 && e.unicode == by_unicode[i - 1].unicode + 1 &&
                           (e.source == by_unicode[i - 1].source || e.source == by_unicode[i - 1].source + 1);
    if (continues) {
      ends.back() = e.unicode;
    } else {
      starts.push_back(e.unicode);
      ends.push_back(e.unicode);
      deltas.push_back(static_cast<std::int16_t>(e.id - e.unicode));
    }
  }
  starts.push_back(0xFFFF);
  ends.push_back(0xFFFF);
  deltas.push_back(1);
  const std::uint16_t seg = static_cast<std::uint16_t>(starts.size());
  int log2 = 0;
  while ((2 << log2) <= seg) ++log2;
  const std::uint16_t search = static_cast<std::uint16_t>(2 << log2);
  std::string f4;
  PutBe16(f4, 4);
  PutBe16(f4, 0);  // length, set below
  PutBe16(f4, 0);
  PutBe16(f4, static_cast<std::uint16_t>(seg * 2));
  PutBe16(f4, search);
  PutBe16(f4, static_cast<std::uint16_t>(log2));
  PutBe16(f4, static_cast<std::uint16_t>(seg * 2 - search));
  for (std::uint16_t v : ends) PutBe16(f4, v);
  PutBe16(f4, 0);
  for (std::uint16_t v : starts) PutBe16(f4, v);
  for (std::int16_t v : deltas) PutBe16(f4, static_cast<std::uint16_t>(v));
  for (std::size_t i = 0; i < seg; ++i) PutBe16(f4, 0);
  PutBe16(f4, 2);
  for (std::size_t i = 0; i < mapped.size(); ++i) PutBe16(f4, static_cast<std::uint16_t>(3 + i));
  SetBe16(f4, 2, static_cast<std::uint16_t>(f4.size()));
  cmap += f4;

  // hmtx, loca (short) and glyf.
  const std::uint16_t count = static_cast<std::uint16_t>(kept.size() + 3);
  std::string hmtx, loca, glyf;
  std::uint16_t adv, lsb;
  for (int i = 0; i < 4; ++i) PutBe16(hmtx, 0);
  Metric(1, adv, lsb);
  PutBe16(hmtx, adv);
  PutBe16(hmtx, lsb);
  for (int i = 0; i < 4; ++i) PutBe16(loca, 0);
  for (std::uint16_t g : kept) {
    Metric(g, adv, lsb);
    PutBe16(hmtx, adv);
    PutBe16(hmtx, lsb);
    glyf += glyphs_[g].Bytes();
    if (glyf.size() % 2) glyf.push_back('\0');
    if (glyf.size() / 2 > 0xFFFF) RaiseFontError(0);
    PutBe16(loca, static_cast<std::uint16_t>(glyf.size() / 2));
  }
  SetBe16(head_, 50, 0);
  SetBe16(hhea_, 34, count);
  SetBe16(maxp_, 4, count);
  const std::string name = SubsetNameTable(), post = SubsetPostTable();

  // In tag order; the hinting tables only where the face has them.
  const std::vector<TFontTable> all = {{"cmap", &cmap}, {"cvt ", &cvt_}, {"fpgm", &fpgm_}, {"glyf", &glyf},
                                       {"head", &head_}, {"hhea", &hhea_}, {"hmtx", &hmtx},  {"loca", &loca},
                                       {"maxp", &maxp_}, {"name", &name}, {"post", &post},   {"prep", &prep_}};
  std::vector<TFontTable> tables;
  for (const TFontTable& t : all)
    if ((t.data != &cvt_ || has_cvt_) && (t.data != &fpgm_ || has_fpgm_) && (t.data != &prep_ || has_prep_))
      tables.push_back(t);
  (void)no_break_space_;
  return AssembleFontFile(tables, false);
}

}  // namespace

std::string TAnsiFontSubset::BuildSubset(const TFontProvider& provider, const std::string& name, unsigned style,
                                         const std::vector<std::uint16_t>& codes) {
  Builder b(provider, name, style);
  return b.Build(codes);
}

}  // namespace pdf
