// Builds small TrueType fonts in memory for the font tests and the fuzz seed: chosen glyphs (simple
// or composite), a Windows format 4 cmap, metrics, short or long loca, and optional hinting tables.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pdf/font_provider.h"
#include "platform/gdi/font_data.h"

namespace pdf::testing {

struct TestGlyph {
  int advance = 500;
  std::vector<std::uint16_t> components;  // empty: a simple one-point glyph
};

struct TestFontDesign {
  std::string family = "Test Sans";
  int units_per_em = 1000;
  bool long_loca = false;
  bool hinting = true;  // cvt, fpgm and prep
  bool bold = false;
  std::vector<TestGlyph> glyphs = std::vector<TestGlyph>(4);  // glyph 0 is .notdef
  std::map<std::uint16_t, std::uint16_t> cmap;               // code -> glyph
  // Code point -> glyph of a 3/10 format 12 subtable (one group each) besides the format 4 one.
  std::map<char32_t, std::uint16_t> cmap12;
  std::uint16_t number_of_hmetrics = 0;                      // 0: one per glyph
  std::uint32_t code_pages = 1u;                             // OS/2 ulCodePageRange1
};

inline void Be16(std::string& s, std::uint32_t v) {
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
  s.push_back(static_cast<char>(v & 0xFF));
}
inline void Be32(std::string& s, std::uint32_t v) {
  Be16(s, v >> 16);
  Be16(s, v & 0xFFFF);
}

inline std::string BuildTestFont(const TestFontDesign& design) {
  std::map<std::string, std::string> t;
  // glyf and loca
  std::string glyf, loca;
  auto put_loca = [&](std::size_t off) {
    if (design.long_loca) Be32(loca, static_cast<std::uint32_t>(off));
    else Be16(loca, static_cast<std::uint32_t>(off / 2));
  };
  for (std::size_t g = 0; g < design.glyphs.size(); ++g) {
    put_loca(glyf.size());
    const TestGlyph& tg = design.glyphs[g];
    if (g == 1) continue;  // an empty glyph, as fonts have for the space
    std::string d;
    if (tg.components.empty()) {
      Be16(d, 1);
      for (int v : {0, 0, 100, 100}) Be16(d, static_cast<std::uint32_t>(v));
      Be16(d, 0);  // endPtsOfContours
      Be16(d, 0);  // no instructions
      d.push_back('\x01');
      Be16(d, 50 + static_cast<std::uint32_t>(g));
      Be16(d, 50);
    } else {
      Be16(d, 0xFFFF);
      for (int v : {0, 0, 100, 100}) Be16(d, static_cast<std::uint32_t>(v));
      for (std::size_t k = 0; k < tg.components.size(); ++k) {
        const bool more = k + 1 < tg.components.size();
        Be16(d, 0x0001 | 0x0002 | (more ? 0x0020 : 0));
        Be16(d, tg.components[k]);
        Be16(d, 10 * static_cast<std::uint32_t>(k));
        Be16(d, 0);
      }
    }
    if (d.size() % 4) d.append(4 - d.size() % 4, '\0');
    glyf += d;
  }
  put_loca(glyf.size());
  t["glyf"] = glyf;
  t["loca"] = loca;

  // cmap: one segment per code, then the terminal segment.
  std::string sub;
  const std::size_t seg = design.cmap.size() + 1;
  Be16(sub, 4);
  Be16(sub, static_cast<std::uint32_t>(16 + 8 * seg));
  Be16(sub, 0);
  Be16(sub, static_cast<std::uint32_t>(seg * 2));
  int log2 = 0;
  while ((2u << log2) <= seg) ++log2;
  Be16(sub, 2u << log2);
  Be16(sub, static_cast<std::uint32_t>(log2));
  Be16(sub, static_cast<std::uint32_t>(seg * 2 - (2u << log2)));
  for (const auto& [code, glyph] : design.cmap) Be16(sub, code);
  Be16(sub, 0xFFFF);
  Be16(sub, 0);
  for (const auto& [code, glyph] : design.cmap) Be16(sub, code);
  Be16(sub, 0xFFFF);
  for (const auto& [code, glyph] : design.cmap) Be16(sub, static_cast<std::uint16_t>(glyph - code));
  Be16(sub, 1);
  for (std::size_t i = 0; i < seg; ++i) Be16(sub, 0);
  std::string cmap;
  Be16(cmap, 0);
  Be16(cmap, design.cmap12.empty() ? 1 : 2);
  Be16(cmap, 3);
  Be16(cmap, 1);
  Be32(cmap, design.cmap12.empty() ? 12 : 20);
  if (!design.cmap12.empty()) {
    Be16(cmap, 3);
    Be16(cmap, 10);
    Be32(cmap, static_cast<std::uint32_t>(20 + sub.size()));
    std::string sub12;
    Be16(sub12, 12);
    Be16(sub12, 0);
    Be32(sub12, static_cast<std::uint32_t>(16 + 12 * design.cmap12.size()));
    Be32(sub12, 0);
    Be32(sub12, static_cast<std::uint32_t>(design.cmap12.size()));
    for (const auto& [code, glyph] : design.cmap12) {
      Be32(sub12, code);
      Be32(sub12, code);
      Be32(sub12, glyph);
    }
    sub += sub12;
  }
  t["cmap"] = cmap + sub;

  const std::uint16_t n = static_cast<std::uint16_t>(design.glyphs.size());
  const std::uint16_t metrics = design.number_of_hmetrics ? design.number_of_hmetrics : n;
  std::string hmtx;
  for (std::uint16_t g = 0; g < n; ++g) {
    if (g < metrics) Be16(hmtx, static_cast<std::uint32_t>(design.glyphs[g].advance));
    Be16(hmtx, 0);
  }
  t["hmtx"] = hmtx;

  std::string head;
  Be32(head, 0x00010000);
  Be32(head, 0x00010000);
  Be32(head, 0);  // checkSumAdjustment
  Be32(head, 0x5F0F3CF5);
  Be16(head, 0x000B);
  Be16(head, static_cast<std::uint32_t>(design.units_per_em));
  head.append(16, '\0');  // dates
  for (int v : {0, -200, 1000, 800}) Be16(head, static_cast<std::uint32_t>(v) & 0xFFFF);
  Be16(head, design.bold ? 1 : 0);
  Be16(head, 8);
  Be16(head, 2);
  Be16(head, design.long_loca ? 1 : 0);
  Be16(head, 0);
  t["head"] = head;

  std::string hhea;
  Be32(hhea, 0x00010000);
  Be16(hhea, 800);
  Be16(hhea, static_cast<std::uint32_t>(-200) & 0xFFFF);
  hhea.append(26, '\0');
  Be16(hhea, metrics);
  t["hhea"] = hhea;

  std::string maxp;
  Be32(maxp, 0x00010000);
  Be16(maxp, n);
  for (int i = 0; i < 13; ++i) Be16(maxp, i == 8 ? 2 : 0);
  t["maxp"] = maxp;

  std::string post;
  Be32(post, 0x00030000);
  post.append(28, '\0');
  t["post"] = post;

  std::string os2;
  Be16(os2, 1);
  Be16(os2, 500);
  Be16(os2, design.bold ? 700 : 400);
  os2.append(56, '\0');
  Be16(os2, design.bold ? 0x20 : 0x40);  // fsSelection
  Be16(os2, 32);
  Be16(os2, 0xFFFF);
  Be16(os2, 800);
  Be16(os2, static_cast<std::uint32_t>(-200) & 0xFFFF);
  Be16(os2, 0);
  Be16(os2, 800);
  Be16(os2, 200);
  Be32(os2, design.code_pages);
  Be32(os2, 0);
  t["OS/2"] = os2;

  std::string name;
  Be16(name, 0);
  Be16(name, 0);
  Be16(name, 6);
  t["name"] = name;
  if (design.hinting) {
    t["cvt "] = std::string("\0\x10\0\x20", 4);
    t["fpgm"] = std::string("\xB0\x01", 2);
    t["prep"] = std::string("\xB0\x02", 2);
  }

  std::string out;
  Be32(out, 0x00010000);
  Be16(out, static_cast<std::uint32_t>(t.size()));
  Be16(out, 0);
  Be16(out, 0);
  Be16(out, 0);
  std::size_t offset = 12 + 16 * t.size();
  for (const auto& [tag, data] : t) {
    out += tag;
    Be32(out, 0);
    Be32(out, static_cast<std::uint32_t>(offset));
    Be32(out, static_cast<std::uint32_t>(data.size()));
    offset += (data.size() + 3) & ~std::size_t{3};
  }
  for (const auto& [tag, data] : t) {
    out += data;
    while (out.size() % 4) out.push_back('\0');
  }
  return out;
}

// A provider over in-memory fonts, each under its family name.
class TestFonts {
public:
  explicit TestFonts(const std::vector<std::pair<TestFontDesign, std::string>>& fonts) {
    std::vector<platform::gdi::FaceInfo> faces;
    for (const auto& [design, bytes] : fonts) {
      platform::gdi::FaceInfo info;
      info.data = platform::gdi::font_bytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
      info.families = {design.family};
      platform::gdi::describe_face(platform::gdi::SfntFace(info.data, 0), info);
      faces.push_back(std::move(info));
    }
    catalog_ = std::make_unique<platform::gdi::FontCatalog>(std::move(faces));
    provider_ = std::make_unique<TCatalogFontProvider>(*catalog_);
  }
  explicit TestFonts(const TestFontDesign& design) : TestFonts({{design, BuildTestFont(design)}}) {}
  const TFontProvider& provider() const { return *provider_; }

private:
  std::unique_ptr<platform::gdi::FontCatalog> catalog_;
  std::unique_ptr<TCatalogFontProvider> provider_;
};

}  // namespace pdf::testing
