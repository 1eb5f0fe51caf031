#include "platform/gdi/font_data.h"

#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include "core/byte_io.h"
#include "core/unicode.h"
#include "platform/gdi/font_engine.h"

namespace platform::gdi {
namespace {

class MemoryFontFile : public FontFile {
public:
  explicit MemoryFontFile(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
  std::span<const std::uint8_t> bytes() const override { return data_; }

private:
  std::vector<std::uint8_t> data_;
};

class MappedFontFile : public FontFile {
public:
  MappedFontFile(void* base, std::size_t size) : base_(base), size_(size) {}
  ~MappedFontFile() override {
    if (base_) munmap(base_, size_);
  }
  std::span<const std::uint8_t> bytes() const override {
    return {static_cast<const std::uint8_t*>(base_), size_};
  }

private:
  void* base_;
  std::size_t size_;
};

constexpr std::uint32_t kTtcf = make_tag("ttcf");

// Windows-1252 code points of the bytes 0x80..0x9F; the five unassigned bytes stand for themselves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Cp1252ToUnicode(int b) { return (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : static_cast<char32_t>(b); }

// Reads big-endian values of a table, answering Fallback past its end.
struct TableView {
  std::span<const std::uint8_t> t;
  bool has(std::size_t off, std::size_t n) const { return off <= t.size() && n <= t.size() - off; }
  std::uint16_t u16(std::size_t off, std::uint16_t fallback = 0) const {
    return has(off, 2) ? core::load_be16(t.data() + off) : fallback;
  }
  std::int16_t i16(std::size_t off, std::int16_t fallback = 0) const {
    return has(off, 2) ? static_cast<std::int16_t>(core::load_be16(t.data() + off)) : fallback;
  }
  std::uint32_t u32(std::size_t off, std::uint32_t fallback = 0) const {
    return has(off, 4) ? core::load_be32(t.data() + off) : fallback;
  }
};

std::uint16_t Format4Glyph(const TableView& s, char32_t c) {
  if (c > 0xFFFF) return 0;
  const std::size_t seg_count = s.u16(6) / 2;
  const std::size_t ends = 14, starts = ends + 2 * seg_count + 2, deltas = starts + 2 * seg_count,
                    ranges = deltas + 2 * seg_count;
  if (!s.has(ranges, 2 * seg_count)) return 0;
  for (std::size_t i = 0; i < seg_count; ++i) {
    if (c > s.u16(ends + 2 * i)) continue;
    const std::uint16_t start = s.u16(starts + 2 * i);
    if (c < start) return 0;
    const std::uint16_t delta = s.u16(deltas + 2 * i);
    const std::uint16_t range = s.u16(ranges + 2 * i);
    if (range == 0) return static_cast<std::uint16_t>(c + delta);
    const std::size_t at = ranges + 2 * i + range + 2 * (c - start);
    const std::uint16_t g = s.u16(at);
    return g == 0 ? 0 : static_cast<std::uint16_t>(g + delta);
  }
  return 0;
}

std::uint16_t Format12Glyph(const TableView& s, char32_t c) {
  const std::uint32_t groups = s.u32(12);
  if (!s.has(16, static_cast<std::size_t>(groups) * 12)) return 0;
  for (std::uint32_t i = 0; i < groups; ++i) {
    const std::size_t at = 16 + 12 * static_cast<std::size_t>(i);
    const std::uint32_t start = s.u32(at), end = s.u32(at + 4);
    if (c >= start && c <= end) {
      const std::uint32_t g = s.u32(at + 8) + (c - start);
      return g > 0xFFFF ? 0 : static_cast<std::uint16_t>(g);
    }
  }
  return 0;
}

long Round(double v) { return std::lround(v); }

bool IEqualsAny(const FaceInfo& f, std::string_view name, std::string* spelling) {
  for (const std::string& fam : f.families) {
    if (core::ascii_iequals(fam, name)) {
      if (spelling) *spelling = fam;
      return true;
    }
  }
  return false;
}

}  // namespace

FontBytes font_bytes(std::vector<std::uint8_t> data) { return std::make_shared<MemoryFontFile>(std::move(data)); }

FontBytes map_font_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FontDataError("Cannot open font file " + path);
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_size <= 0) {
    ::close(fd);
    throw FontDataError("Cannot read font file " + path);
  }
  void* base = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (base == MAP_FAILED) throw FontDataError("Cannot map font file " + path);
  return std::make_shared<MappedFontFile>(base, static_cast<std::size_t>(st.st_size));
}

// ---------------------------------------------------------------- SfntFace
SfntFace::SfntFace(FontBytes file, int index) : file_(std::move(file)), index_(index) {
  const auto b = file_->bytes();
  TableView v{b};
  if (b.size() < 12) throw FontDataError("Font file too short");
  std::size_t offset = 0;
  if (v.u32(0) == kTtcf) {
    const std::uint32_t count = v.u32(8);
    if (count == 0 || count > 0x10000 || !v.has(12, 4 * static_cast<std::size_t>(count)))
      throw FontDataError("Bad font collection header");
    faces_in_file_ = static_cast<int>(count);
    if (index < 0 || static_cast<std::uint32_t>(index) >= count) throw FontDataError("No such face in collection");
    offset = v.u32(12 + 4 * static_cast<std::size_t>(index));
  } else if (index != 0) {
    throw FontDataError("No such face in font file");
  }
  if (!v.has(offset, 12)) throw FontDataError("Bad font offset table");
  const std::size_t tables = v.u16(offset + 4);
  if (!v.has(offset + 12, 16 * tables)) throw FontDataError("Bad font table directory");
  for (std::size_t i = 0; i < tables; ++i) {
    const std::size_t at = offset + 12 + 16 * i;
    Record r{v.u32(at), v.u32(at + 8), v.u32(at + 12)};
    if (!v.has(r.offset, r.length)) throw FontDataError("Font table past the end of the file");
    records_.push_back(r);
  }
}

std::optional<std::span<const std::uint8_t>> SfntFace::table(std::uint32_t tag) const {
  const auto b = file_->bytes();
  if (tag == 0) return b;
  for (const Record& r : records_)
    if (r.tag == tag) return b.subspan(r.offset, r.length);
  return std::nullopt;
}

std::uint16_t SfntFace::glyph_of(char32_t c) const {
  const auto cmap = table(make_tag("cmap"));
  if (!cmap) return 0;
  const TableView v{*cmap};
  const std::size_t n = v.u16(2);
  std::optional<TableView> best, symbol;
  int best_rank = 0;
  for (std::size_t i = 0; i < n && v.has(4 + 8 * i, 8); ++i) {
    const std::uint16_t platform = v.u16(4 + 8 * i), encoding = v.u16(6 + 8 * i);
    const std::uint32_t off = v.u32(8 + 8 * i);
    if (!v.has(off, 4)) continue;
    const TableView sub{cmap->subspan(off)};
    const std::uint16_t format = sub.u16(0);
    if (format != 4 && format != 12) continue;
    int rank = 0;
    if (platform == 3 && encoding == 10 && format == 12) rank = 4;
    else if (platform == 3 && encoding == 1) rank = 3;
    else if (platform == 0) rank = 2;
    else if (platform == 3 && encoding == 0) symbol = sub;
    if (rank > best_rank) {
      best_rank = rank;
      best = sub;
    }
  }
  auto look = [](const TableView& s, char32_t ch) {
    return s.u16(0) == 4 ? Format4Glyph(s, ch) : Format12Glyph(s, ch);
  };
  if (best) return look(*best, c);
  if (symbol) {
    const std::uint16_t g = look(*symbol, c);
    return (g == 0 && c < 0x100) ? look(*symbol, 0xF000 + c) : g;
  }
  return 0;
}

// ---------------------------------------------------------------- metrics
FaceMetrics face_metrics(const SfntFace& face, int height) {
  const auto head = face.table(make_tag("head"));
  if (!head) throw FontDataError("Font has no head table");
  const TableView h{*head}, hh{face.table(make_tag("hhea")).value_or(std::span<const std::uint8_t>{})},
      os2{face.table(make_tag("OS/2")).value_or(std::span<const std::uint8_t>{})},
      post{face.table(make_tag("post")).value_or(std::span<const std::uint8_t>{})},
      hmtx{face.table(make_tag("hmtx")).value_or(std::span<const std::uint8_t>{})};
  const int upem = h.u16(18);
  if (upem < 16 || upem > 16384) throw FontDataError("Bad unitsPerEm");

  int win_ascent = hh.i16(4), win_descent = -hh.i16(6);
  int typo_ascent = hh.i16(4), typo_descent = hh.i16(6);
  FaceMetrics m;
  if (os2.has(0, 78)) {
    win_ascent = os2.u16(74);
    win_descent = os2.u16(76);
    typo_ascent = os2.i16(68);
    typo_descent = os2.i16(70);
    m.weight = os2.u16(4) ? os2.u16(4) : 400;
    m.italic = (os2.u16(62) & 0x0201) != 0;
  }
  if (h.u16(44) & 2) m.italic = true;
  if (win_ascent + win_descent <= 0) {
    win_ascent = upem;
    win_descent = 0;
  }
  if (height < 0) m.em = -height;
  else if (height > 0) m.em = static_cast<int>(Round(static_cast<double>(height) * upem / (win_ascent + win_descent)));
  else m.em = 16;
  const double scale = static_cast<double>(m.em) / upem;
  m.ascent = static_cast<int>(Round(win_ascent * scale));
  m.descent = static_cast<int>(Round(win_descent * scale));
  m.height = m.ascent + m.descent;
  m.internal_leading = m.height - m.em;
  m.fixed_pitch = post.u32(12) != 0;
  m.otm_ascent = static_cast<int>(Round(typo_ascent * scale));
  m.otm_descent = static_cast<int>(Round(typo_descent * scale));
  m.italic_angle = static_cast<std::int32_t>(post.u32(4)) / 65536.0;
  m.italic_angle_tenths = static_cast<int>(Round(m.italic_angle * 10));
  m.box_left = static_cast<int>(Round(h.i16(36) * scale));
  m.box_bottom = static_cast<int>(Round(h.i16(38) * scale));
  m.box_right = static_cast<int>(Round(h.i16(40) * scale));
  m.box_top = static_cast<int>(Round(h.i16(42) * scale));

  const std::size_t metrics = hh.u16(34);
  auto advance = [&](std::uint16_t g) -> int {
    if (metrics == 0) return 0;
    const std::size_t i = std::min<std::size_t>(g, metrics - 1);
    return hmtx.u16(4 * i);
  };
  for (int c = 0; c < 256; ++c)
    m.ansi_advances[c] = static_cast<int>(Round(advance(face.glyph_of(Cp1252ToUnicode(c))) * scale));
  return m;
}

std::vector<int> charsets_of_code_pages(std::uint32_t range1) {
  static constexpr std::pair<int, int> kBits[] = {{0, 0},    {1, 238},  {2, 204},  {3, 161},  {4, 162},
                                                  {5, 177},  {6, 178},  {7, 186},  {8, 163},  {16, 222},
                                                  {17, 128}, {18, 134}, {19, 129}, {20, 136}, {21, 130},
                                                  {29, 77},  {31, 2}};
  std::vector<int> out;
  for (const auto& [bit, charset] : kBits)
    if (range1 & (1u << bit)) out.push_back(charset);
  if (out.empty()) out.push_back(0);
  return out;
}

void describe_face(const SfntFace& face, FaceInfo& info) {
  const TableView os2{face.table(make_tag("OS/2")).value_or(std::span<const std::uint8_t>{})},
      post{face.table(make_tag("post")).value_or(std::span<const std::uint8_t>{})},
      head{face.table(make_tag("head")).value_or(std::span<const std::uint8_t>{})};
  const std::uint16_t selection = os2.u16(62);
  info.weight = os2.u16(4) ? os2.u16(4) : 400;
  if ((selection & 0x20) && info.weight < 600) info.weight = 700;
  info.bold = info.weight >= 600;
  info.italic = (selection & 0x0201) != 0 || (head.u16(44) & 2) != 0;
  info.fixed_pitch = post.u32(12) != 0;
  info.charsets = (os2.u16(0) >= 1 && os2.has(0, 86)) ? charsets_of_code_pages(os2.u32(78))
                                                        : std::vector<int>{0};
}

// ---------------------------------------------------------------- aliases
std::vector<std::string> face_aliases(std::string_view face) {
  if (face.empty()) return {};
  std::vector<std::string> out;
  for (std::string& f : font_aliases(face))
    if (!core::ascii_iequals(f, face)) out.push_back(std::move(f));
  return out;
}

// ---------------------------------------------------------------- catalog
FontCatalog::FontCatalog(std::vector<FaceInfo> faces, bool use_aliases)
    : faces_(std::move(faces)), use_aliases_(use_aliases) {
  opened_.resize(faces_.size());
  std::vector<bool> taken(faces_.size(), false);
  std::vector<std::string> preferred;
  if (use_aliases_) {
    for (const char* n : {"宋体", "Arial", "Times New Roman", "Courier New"})
      for (std::string& f : face_aliases(n)) preferred.push_back(std::move(f));
  }
  for (const std::string& fam : preferred)
    for (std::size_t i = 0; i < faces_.size(); ++i)
      if (!taken[i] && IEqualsAny(faces_[i], fam, nullptr)) {
        taken[i] = true;
        order_.push_back(&faces_[i]);
      }
  for (std::size_t i = 0; i < faces_.size(); ++i)
    if (!taken[i]) order_.push_back(&faces_[i]);
}

std::vector<const FaceInfo*> FontCatalog::faces_of(std::string_view name, std::string* family_name) const {
  std::vector<const FaceInfo*> out;
  if (name.empty()) return out;
  std::string spelling;
  for (const FaceInfo* f : order_) {
    std::string s;
    if (IEqualsAny(*f, name, &s)) {
      if (out.empty()) spelling = s;
      out.push_back(f);
    }
  }
  if (out.empty() && use_aliases_) {
    for (const std::string& target : face_aliases(name)) {
      for (const FaceInfo* f : order_) {
        std::string s;
        if (IEqualsAny(*f, target, &s)) {
          if (out.empty()) spelling = s;
          out.push_back(f);
        }
      }
      if (!out.empty()) break;
    }
  }
  if (family_name) *family_name = spelling;
  return out;
}

const FaceInfo* FontCatalog::select(std::string_view name, bool bold, bool italic) const {
  const FaceInfo* best = nullptr;
  int best_cost = 1 << 30;
  for (const FaceInfo* f : faces_of(name)) {
    const int cost = (f->italic != italic ? 2 : 0) + (f->bold != bold ? 1 : 0);
    if (cost < best_cost) {
      best = f;
      best_cost = cost;
    }
  }
  return best;
}

namespace {
std::mutex& OpenMutex() {
  static std::mutex m;
  return m;
}
}  // namespace

const SfntFace& FontCatalog::open(const FaceInfo& face) const {
  const std::size_t i = static_cast<std::size_t>(&face - faces_.data());
  if (i >= faces_.size()) throw FontDataError("Face not in catalog");
  std::lock_guard lock(OpenMutex());
  if (!opened_[i]) opened_[i] = std::make_unique<SfntFace>(face.data ? face.data : map_font_file(face.file), face.index);
  return *opened_[i];
}

std::optional<std::vector<std::uint8_t>> font_data(const FontCatalog& catalog, const FaceInfo& face,
                                                   std::uint32_t tag) {
  const auto t = catalog.open(face).table(tag);
  if (!t) return std::nullopt;
  return std::vector<std::uint8_t>(t->begin(), t->end());
}

const FontCatalog& FontCatalog::installed() {
  static const FontCatalog catalog = [] {
    std::vector<FaceInfo> faces;
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* os = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_FAMILYLANG, FC_FONTFORMAT, nullptr);
    FcFontSet* set = config ? FcFontList(config, pattern, os) : nullptr;
    for (int i = 0; set && i < set->nfont; ++i) {
      FcPattern* p = set->fonts[i];
      FcChar8* file = nullptr;
      FcChar8* format = nullptr;
      int index = 0;
      if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) continue;
      if (FcPatternGetString(p, FC_FONTFORMAT, 0, &format) != FcResultMatch ||
          std::string_view(reinterpret_cast<const char*>(format)) != "TrueType")
        continue;
      FcPatternGetInteger(p, FC_INDEX, 0, &index);
      if (index & ~0xFFFF) continue;  // named instances of variable fonts
      FaceInfo info;
      info.file = reinterpret_cast<const char*>(file);
      info.index = index;
      std::vector<std::string> en, other;
      FcChar8* fam = nullptr;
      for (int k = 0; FcPatternGetString(p, FC_FAMILY, k, &fam) == FcResultMatch; ++k) {
        FcChar8* lang = nullptr;
        const bool english = FcPatternGetString(p, FC_FAMILYLANG, k, &lang) == FcResultMatch &&
                             std::string_view(reinterpret_cast<const char*>(lang)).starts_with("en");
        (english ? en : other).emplace_back(reinterpret_cast<const char*>(fam));
      }
      info.families = en;
      for (std::string& o : other)
        if (std::find(info.families.begin(), info.families.end(), o) == info.families.end())
          info.families.push_back(std::move(o));
      if (info.families.empty()) continue;
      try {
        SfntFace face(map_font_file(info.file), info.index);
        if (!face.has_table(make_tag("glyf"))) continue;  // only TrueType outlines
        describe_face(face, info);
      } catch (const FontDataError&) {
        continue;
      }
      faces.push_back(std::move(info));
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(os);
    FcPatternDestroy(pattern);
    if (config) FcConfigDestroy(config);
    std::sort(faces.begin(), faces.end(), [](const FaceInfo& a, const FaceInfo& b) {
      return a.file != b.file ? a.file < b.file : a.index < b.index;
    });
    return FontCatalog(std::move(faces), true);
  }();
  return catalog;
}

}  // namespace platform::gdi
