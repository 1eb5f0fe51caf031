#include "pdf/font_provider.h"

#include <algorithm>
#include <set>

#include "pdf/format.h"
#include "platform/gdi/font_data.h"

namespace pdf {

using platform::gdi::FaceInfo;

namespace {

EnumeratedFont Describe(const FaceInfo& f, const std::string& name, int charset) {
  EnumeratedFont e;
  e.FaceName = name;
  e.Charset = charset;
  e.Italic = f.italic;
  e.Weight = f.weight;
  e.TrueType = true;  // the catalog holds TrueType-outline faces only
  return e;
}

bool HasCharset(const FaceInfo& f, int charset) {
  return std::find(f.charsets.begin(), f.charsets.end(), charset) != f.charsets.end();
}

}  // namespace

void TCatalogFontProvider::EnumFonts(std::string_view face, int charset,
                                     const std::function<bool(const EnumeratedFont&)>& visit) const {
  if (face.empty()) {
    // One font per face name.
    std::set<std::string> seen;
    for (const FaceInfo* f : catalog_.enumeration_order()) {
      const std::string& name = f->families.front();
      if (seen.count(name)) continue;
      if (charset != DEFAULT_CHARSET && !HasCharset(*f, charset)) continue;
      seen.insert(name);
      if (!visit(Describe(*f, name, charset == DEFAULT_CHARSET ? f->charsets.front() : charset))) return;
    }
    return;
  }
  std::string spelling;
  std::vector<const FaceInfo*> faces = catalog_.faces_of(face, &spelling);
  // The plain style first, as GDI lists a family.
  std::stable_sort(faces.begin(), faces.end(), [](const FaceInfo* a, const FaceInfo* b) {
    return (a->italic * 2 + a->bold) < (b->italic * 2 + b->bold);
  });
  for (const FaceInfo* f : faces) {
    for (int cs : f->charsets) {
      if (charset != DEFAULT_CHARSET && cs != charset) continue;
      if (!visit(Describe(*f, spelling, cs))) return;
    }
  }
}

std::optional<std::string> TCatalogFontProvider::GetFontData(std::string_view name, unsigned style,
                                                             std::uint32_t tag) const {
  const FaceInfo* f = catalog_.select(name, (style & kStyleBold) != 0, (style & kStyleItalic) != 0);
  if (!f) return std::nullopt;
  try {
    const auto t = catalog_.open(*f).table(tag);
    if (!t) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(t->data()), t->size());
  } catch (const platform::gdi::FontDataError&) {
    return std::nullopt;
  }
}

std::optional<TFontTableView> TFontProvider::GetFontTable(std::string_view name, unsigned style,
                                                          std::uint32_t tag) const {
  auto data = GetFontData(name, style, tag);
  if (!data) return std::nullopt;
  auto held = std::make_shared<const std::string>(std::move(*data));
  return TFontTableView{*held, held};
}

std::optional<TFontTableView> TCatalogFontProvider::GetFontTable(std::string_view name, unsigned style,
                                                                 std::uint32_t tag) const {
  const FaceInfo* f = catalog_.select(name, (style & kStyleBold) != 0, (style & kStyleItalic) != 0);
  if (!f) return std::nullopt;
  try {
    const platform::gdi::SfntFace& face = catalog_.open(*f);
    const auto t = face.table(tag);
    if (!t) return std::nullopt;
    return TFontTableView{std::string_view(reinterpret_cast<const char*>(t->data()), t->size()), face.file()};
  } catch (const platform::gdi::FontDataError&) {
    return std::nullopt;
  }
}

bool TCatalogFontProvider::GetMetrics(std::string_view name, unsigned style, int height,
                                      TFontMetrics& out) const {
  const FaceInfo* f = catalog_.select(name, (style & kStyleBold) != 0, (style & kStyleItalic) != 0);
  if (!f) return false;
  platform::gdi::FaceMetrics m;
  try {
    m = platform::gdi::face_metrics(catalog_.open(*f), height);
  } catch (const platform::gdi::FontDataError&) {
    return false;
  }
  out.Ascent = m.ascent;
  out.Descent = m.descent;
  out.FixedPitch = m.fixed_pitch;
  out.OtmAscent = m.otm_ascent;
  out.OtmDescent = m.otm_descent;
  out.ItalicAngleTenths = m.italic_angle_tenths;
  out.ItalicAngle = m.italic_angle;
  out.BoxLeft = m.box_left;
  out.BoxBottom = m.box_bottom;
  out.BoxRight = m.box_right;
  out.BoxTop = m.box_top;
  out.Widths = m.ansi_advances;
  return true;
}

const TFontProvider& InstalledFontProvider() {
  static const TCatalogFontProvider provider(platform::gdi::FontCatalog::installed());
  return provider;
}

}  // namespace pdf
