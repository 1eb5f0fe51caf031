#include "platform/gdi/font_engine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>

#include "core/unicode.h"

namespace platform::gdi {

extern const std::uint8_t kTestFontGlyphs[95][10];

const GlyphImage& FontInstance::glyph(char32_t c) const {
  std::lock_guard lock(mutex_);
  auto& slot = cache_[c];
  if (!slot) slot = std::make_unique<GlyphImage>(render(c));
  return *slot;
}

bool is_wide_char(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
         (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// ---------------------------------------------------------------- aliases
namespace {
constexpr const char* kSongChain[] = {"AR PL SungtiL GB", "WenQuanYi Micro Hei"};
constexpr const char* kHeiChain[] = {"WenQuanYi Micro Hei", "AR PL SungtiL GB"};

struct Alias {
  const char* name;
  std::vector<std::string> families;
};
const std::vector<Alias>& alias_table() {
  static const std::vector<Alias> table = {
      {"宋体", {kSongChain[0], kSongChain[1]}},
      {"SimSun", {kSongChain[0], kSongChain[1]}},
      {"新宋体", {kSongChain[0], kSongChain[1]}},
      {"NSimSun", {kSongChain[0], kSongChain[1]}},
      {"楷体", {kSongChain[0], kSongChain[1]}},
      {"KaiTi", {kSongChain[0], kSongChain[1]}},
      {"黑体", {kHeiChain[0], kHeiChain[1]}},
      {"SimHei", {kHeiChain[0], kHeiChain[1]}},
      {"微软雅黑", {kHeiChain[0], kHeiChain[1]}},
      {"Microsoft YaHei", {kHeiChain[0], kHeiChain[1]}},
      {"Arial", {"Liberation Sans"}},
      {"Times New Roman", {"Liberation Serif"}},
      {"Courier New", {"Liberation Mono"}},
      // The component library's and dialogs' default faces are sans faces.
      {"Tahoma", {"Liberation Sans"}},
      {"MS Sans Serif", {"Liberation Sans"}},
      {"Microsoft Sans Serif", {"Liberation Sans"}},
      {"MS Shell Dlg", {"Liberation Sans"}},
      {"MS Shell Dlg 2", {"Liberation Sans"}},
      {"Segoe UI", {"Liberation Sans"}},
      {"Verdana", {"Liberation Sans"}},
      {"System", {kSongChain[0], kSongChain[1]}},
  };
  return table;
}
}  // namespace

std::vector<std::string> font_aliases(std::string_view face) {
  for (const Alias& a : alias_table())
    if (core::ascii_iequals(a.name, face)) return a.families;
  if (face.empty()) return {kSongChain[0], kSongChain[1]};
  return {std::string(face)};
}

// ---------------------------------------------------------------- the test font
namespace {
class TestFont : public FontInstance {
public:
  explicit TestFont(const LOGFONT& lf) {
    if (lf.lfHeight < 0) scale_ = std::max(1, static_cast<int>(std::lround(-lf.lfHeight / 8.0)));
    else if (lf.lfHeight > 0) scale_ = std::max(1, static_cast<int>(std::lround(lf.lfHeight / 10.0)));
    face_ = std::string(kTestFontFace);
    tm_.tmAscent = 8 * scale_;
    tm_.tmDescent = 2 * scale_;
    tm_.tmHeight = 10 * scale_;
    tm_.tmInternalLeading = 2 * scale_;
    tm_.tmAveCharWidth = 6 * scale_;
    tm_.tmMaxCharWidth = 12 * scale_;
    tm_.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm_.tmItalic = lf.lfItalic;
    tm_.tmUnderlined = lf.lfUnderline;
    tm_.tmStruckOut = lf.lfStrikeOut;
    tm_.tmCharSet = lf.lfCharSet;
    tm_.tmPitchAndFamily = 0x30;
    underline_ = lf.lfUnderline;
    strike_ = lf.lfStrikeOut;
    underline_pos_ = scale_;
    thickness_ = scale_;
  }

protected:
  GlyphImage render(char32_t c) const override {
    // A 6x10 (or 12x10 for wide characters) cell of bits, scaled by whole pixels.
    const bool wide = is_wide_char(c);
    const int cw = wide ? 12 : 6;
    std::uint16_t rows[10] = {};
    if (c >= 0x20 && c < 0x7F) {
      for (int y = 0; y < 10; ++y) rows[y] = kTestFontGlyphs[c - 0x20][y];
    } else if (c == 0xA0) {
      // no-break space: empty
    } else if (wide) {
      // A hollow box over columns 1..10, rows 1..7, with a dot in the middle.
      for (int y = 1; y <= 7; ++y) rows[y] = (y == 1 || y == 7) ? 0x7FE : 0x402;
      rows[4] |= 0x060;
    } else {
      for (int y = 1; y <= 7; ++y) rows[y] = (y == 1 || y == 7) ? 0x1E : 0x12;
    }
    GlyphImage g;
    g.left = 0;
    g.top = 8 * scale_;
    g.width = cw * scale_;
    g.height = 10 * scale_;
    g.advance = cw * scale_;
    g.coverage.assign(static_cast<std::size_t>(g.width) * g.height, 0);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < cw; ++x)
        if (rows[y] & (1u << (cw - 1 - x)))
          for (int sy = 0; sy < scale_; ++sy)
            for (int sx = 0; sx < scale_; ++sx)
              g.coverage[static_cast<std::size_t>(y * scale_ + sy) * g.width + x * scale_ + sx] = 255;
    if (tm_.tmWeight >= FW_BOLD) {
      // Bold: every set pixel also sets its right neighbour.
      for (int y = 0; y < g.height; ++y)
        for (int x = g.width - 1; x > 0; --x)
          if (g.coverage[static_cast<std::size_t>(y) * g.width + x - 1]) g.coverage[static_cast<std::size_t>(y) * g.width + x] = 255;
    }
    return g;
  }

private:
  int scale_ = 1;
};

// ---------------------------------------------------------------- FreeType faces
class FreeTypeLibrary {
public:
  // Never destroyed: font instances cached for the whole run close their faces through it.
  static FreeTypeLibrary& instance() {
    static FreeTypeLibrary* lib = new FreeTypeLibrary();
    return *lib;
  }
  FT_Library get() const { return lib_; }
  std::mutex& mutex() { return mutex_; }

  struct Match {
    std::string file;
    int index = 0;
    std::string family;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
  };
  // The installed face whose family is `family` (any of its localized names), or nothing.
  std::optional<Match> find(const std::string& family, bool bold, bool italic) {
    std::lock_guard lock(mutex_);
    const std::string key = family + (bold ? "|b" : "|") + (italic ? "i" : "");
    if (auto it = matches_.find(key); it != matches_.end()) return it->second;
    std::optional<Match> result;
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res;
    FcPattern* m = FcFontMatch(nullptr, pat, &res);
    if (m) {
      bool family_ok = false;
      FcChar8* s = nullptr;
      for (int i = 0; FcPatternGetString(m, FC_FAMILY, i, &s) == FcResultMatch; ++i)
        if (core::ascii_iequals(reinterpret_cast<const char*>(s), family)) family_ok = true;
      FcChar8* file = nullptr;
      if (family_ok && FcPatternGetString(m, FC_FILE, 0, &file) == FcResultMatch) {
        Match mt;
        mt.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(m, FC_INDEX, 0, &mt.index);
        FcPatternGetInteger(m, FC_WEIGHT, 0, &mt.weight);
        FcPatternGetInteger(m, FC_SLANT, 0, &mt.slant);
        mt.family = family;
        result = mt;
      }
      FcPatternDestroy(m);
    }
    FcPatternDestroy(pat);
    matches_[key] = result;
    return result;
  }

private:
  FreeTypeLibrary() {
    FcInit();
    std::atexit([] { FcFini(); });  // fontconfig's own caches, so leak checkers stay quiet
    FT_Init_FreeType(&lib_);
  }
  FT_Library lib_ = nullptr;
  std::mutex mutex_;
  std::map<std::string, std::optional<Match>> matches_;
};

// The em sizes (pixels) drawn in two tones unless anti-aliasing is asked for.
constexpr double kTwoToneMinEm = 12, kTwoToneMaxEm = 15;

// One face at one pixel size, with synthetic bold and italic where the file lacks them.
struct SizedFace {
  FT_Face face = nullptr;
  bool embolden = false, oblique = false;
  SizedFace() = default;
  SizedFace(const SizedFace&) = delete;
  SizedFace& operator=(const SizedFace&) = delete;
  ~SizedFace() {
    if (face) {
      std::lock_guard lock(FreeTypeLibrary::instance().mutex());
      FT_Done_Face(face);
    }
  }
};

std::unique_ptr<SizedFace> open_face(const FreeTypeLibrary::Match& m, double em_pixels, bool bold, bool italic) {
  auto& lib = FreeTypeLibrary::instance();
  auto f = std::make_unique<SizedFace>();
  {
    std::lock_guard lock(lib.mutex());
    if (FT_New_Face(lib.get(), m.file.c_str(), m.index, &f->face) != 0) {
      f->face = nullptr;
      return nullptr;
    }
  }
  if (!FT_IS_SCALABLE(f->face)) return nullptr;
  FT_Set_Char_Size(f->face, 0, static_cast<FT_F26Dot6>(std::lround(em_pixels * 64)), 72, 72);
  f->embolden = bold && m.weight < FC_WEIGHT_DEMIBOLD;
  f->oblique = italic && m.slant == FC_SLANT_ROMAN;
  if (f->oblique) {
    FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
    FT_Set_Transform(f->face, &shear, nullptr);
  }
  return f;
}

class OutlineFont : public FontInstance {
public:
  static std::shared_ptr<OutlineFont> create(const LOGFONT& lf) {
    const bool bold = lf.lfWeight >= FW_SEMIBOLD, italic = lf.lfItalic != 0;
    auto& lib = FreeTypeLibrary::instance();
    std::optional<FreeTypeLibrary::Match> primary;
    for (const std::string& fam : font_aliases(lf.lfFaceName))
      if ((primary = lib.find(fam, bold, italic))) break;
    if (!primary)
      for (const char* fam : kSongChain)
        if ((primary = lib.find(fam, bold, italic))) break;
    if (!primary) primary = lib.find("DejaVu Sans", bold, italic);
    if (!primary) return nullptr;
    auto font = std::shared_ptr<OutlineFont>(new OutlineFont());
    if (!font->init(lf, *primary, bold, italic)) return nullptr;
    return font;
  }

protected:
  GlyphImage render(char32_t c) const override {
    std::lock_guard lock(render_mutex_);
    SizedFace* use = faces_.front().get();
    FT_UInt index = FT_Get_Char_Index(use->face, c);
    // Characters missing from the face come from the fallback faces (Chinese first).
    for (std::size_t k = 1; index == 0 && k < 8; ++k) {
      SizedFace* f = fallback(k);
      if (!f) break;
      const FT_UInt i = FT_Get_Char_Index(f->face, c);
      if (i) {
        use = f;
        index = i;
      }
    }
    if (index == 0) use = faces_.front().get();
    GlyphImage g;
    const FT_Int32 load = FT_LOAD_NO_BITMAP | (mono_ ? FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_MONO
                                                      : FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(use->face, index, load) != 0) return g;
    FT_GlyphSlot slot = use->face->glyph;
    if (use->embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Embolden(slot);
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.coverage.assign(static_cast<std::size_t>(g.width) * g.height, 0);
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
      for (int x = 0; x < g.width; ++x) {
        std::uint8_t v;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else v = row[x];
        g.coverage[static_cast<std::size_t>(y) * g.width + x] = v;
      }
    }
    return g;
  }

private:
  OutlineFont() = default;

  bool init(const LOGFONT& lf, const FreeTypeLibrary::Match& m, bool bold, bool italic) {
    bold_ = bold;
    italic_ = italic;
    // Open once at a nominal size to read the vertical metrics of the font's own tables.
    auto probe = open_face(m, 100, false, false);
    if (!probe) return false;
    FT_Face f = probe->face;
    const double upem = f->units_per_EM ? f->units_per_EM : 1000;
    double asc = f->ascender, desc = -f->descender, gap = 0;
    double avg = 0;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2))) {
      if (os2->usWinAscent + os2->usWinDescent > 0) {
        asc = os2->usWinAscent;
        desc = os2->usWinDescent;
      }
      avg = os2->xAvgCharWidth;
    }
    if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA)))
      gap = std::max(0.0, hhea->Line_Gap - ((asc + desc) - (hhea->Ascender - hhea->Descender)));
    // Negative heights give the em size, positive ones the cell (ascent + descent); 0 the default.
    LONG h = lf.lfHeight == 0 ? -12 : lf.lfHeight;
    double em = h < 0 ? -h : h * upem / (asc + desc);
    em_ = em;
    // Text of a window's usual sizes is drawn in two tones, fitted to the pixel grid by the
    // automatic hinter, as Chinese desktop faces are at these sizes: grey anti-aliasing smears the
    // thin serif strokes of a Song face over two pixels, and the face's own hints bend its digits
    // out of shape (an 8 loses its waist, a 3 closes into an 8).
    mono_ = lf.lfQuality == NONANTIALIASED_QUALITY ||
            (lf.lfQuality != ANTIALIASED_QUALITY && em >= kTwoToneMinEm && em <= kTwoToneMaxEm);
    const double scale = em / upem;
    tm_.tmAscent = static_cast<LONG>(std::lround(asc * scale));
    tm_.tmDescent = static_cast<LONG>(std::lround(desc * scale));
    if (h > 0) tm_.tmDescent = h - tm_.tmAscent;
    tm_.tmHeight = tm_.tmAscent + tm_.tmDescent;
    tm_.tmInternalLeading = std::max<LONG>(0, tm_.tmHeight - static_cast<LONG>(std::lround(em)));
    tm_.tmExternalLeading = static_cast<LONG>(std::lround(gap * scale));
    tm_.tmWeight = bold ? FW_BOLD : FW_NORMAL;
    if (lf.lfWeight) tm_.tmWeight = lf.lfWeight;
    tm_.tmItalic = lf.lfItalic;
    tm_.tmUnderlined = lf.lfUnderline;
    tm_.tmStruckOut = lf.lfStrikeOut;
    tm_.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? GB2312_CHARSET : lf.lfCharSet;
    tm_.tmPitchAndFamily = FT_IS_FIXED_WIDTH(f) ? 0x00 : 0x01;
    tm_.tmMaxCharWidth = static_cast<LONG>(std::lround((f->bbox.xMax - f->bbox.xMin) * scale));
    underline_ = lf.lfUnderline;
    strike_ = lf.lfStrikeOut;
    underline_pos_ = std::max(1, static_cast<int>(std::lround(-f->underline_position * scale)));
    thickness_ = std::max(1, static_cast<int>(std::lround(f->underline_thickness * scale)));
    face_ = m.family;
    probe.reset();
    auto face = open_face(m, em, bold, italic);
    if (!face) return false;
    faces_.push_back(std::move(face));
    tm_.tmAveCharWidth = avg > 0 ? static_cast<LONG>(std::lround(avg * scale)) : advance('x');
    fallback_families_.clear();
    for (const char* fam : kSongChain)
      if (fam != m.family) fallback_families_.push_back(fam);
    fallback_families_.push_back("DejaVu Sans");
    return true;
  }

  SizedFace* fallback(std::size_t k) const {
    while (faces_.size() <= k) {
      const std::size_t next = faces_.size() - 1;
      if (next >= fallback_families_.size()) return nullptr;
      auto m = FreeTypeLibrary::instance().find(fallback_families_[next], bold_, italic_);
      std::unique_ptr<SizedFace> f;
      if (m) f = open_face(*m, em_, bold_, italic_);
      if (!f) {
        fallback_families_.erase(fallback_families_.begin() + static_cast<std::ptrdiff_t>(next));
        continue;
      }
      faces_.push_back(std::move(f));
    }
    return faces_[k].get();
  }

  double em_ = 12;
  bool bold_ = false, italic_ = false, mono_ = false;
  mutable std::recursive_mutex render_mutex_;
  mutable std::vector<std::unique_ptr<SizedFace>> faces_;
  mutable std::vector<std::string> fallback_families_;
};

std::string font_key(const LOGFONT& lf) {
  return lf.lfFaceName + "|" + std::to_string(lf.lfHeight) + "|" + std::to_string(lf.lfWeight) + "|" +
         std::to_string(lf.lfItalic) + std::to_string(lf.lfUnderline) + std::to_string(lf.lfStrikeOut) + "|" +
         std::to_string(lf.lfQuality);
}

}  // namespace

std::shared_ptr<const FontInstance> resolve_font(const LOGFONT& asked) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const FontInstance>> cache;
  // Heights beyond what any screen shows (a metafile can ask for anything) are held to a size
  // whose glyphs still fit in memory.
  constexpr LONG kMaxHeight = 2048;
  LOGFONT lf = asked;
  lf.lfHeight = std::clamp<LONG>(lf.lfHeight, -kMaxHeight, kMaxHeight);
  const std::string key = font_key(lf);
  std::lock_guard lock(mutex);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  std::shared_ptr<const FontInstance> inst;
  if (lf.lfFaceName == kTestFontFace) inst = std::make_shared<TestFont>(lf);
  else inst = OutlineFont::create(lf);
  if (!inst) {
    // No outline face at all on this machine: the test font keeps text measurable.
    LOGFONT copy = lf;
    copy.lfFaceName = std::string(kTestFontFace);
    inst = std::make_shared<TestFont>(copy);
  }
  cache.emplace(key, inst);
  return inst;
}

}  // namespace platform::gdi
