// Font data for the PDF writer: the installed TrueType-outline faces (found through fontconfig) with
// all their family names and character sets, the raw bytes of a face's tables, and the metrics GDI
// would report for a face at the 96-dpi reference context, computed from the font's own tables.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace platform::gdi {

// The reference device context the PDF writer measures with.
constexpr int kReferenceDpi = 96;

// Raised for a font file whose structure is broken (bad header, a table past the end of the file).
class FontDataError : public core::Error {
public:
  using core::Error::Error;
};

constexpr std::uint32_t make_tag(const char (&t)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[3]));
}

// The bytes of a font file, held in memory or mapped from disk.
class FontFile {
public:
  virtual ~FontFile() = default;
  virtual std::span<const std::uint8_t> bytes() const = 0;
};
using FontBytes = std::shared_ptr<const FontFile>;
// A font file held in memory.
FontBytes font_bytes(std::vector<std::uint8_t> data);
// A font file mapped from disk; throws FontDataError when it cannot be opened.
FontBytes map_font_file(const std::string& path);

// One face of an sfnt file (.ttf, or one member of a .ttc collection).
class SfntFace {
public:
  // Reads the offset table of face Index; every table record must lie inside the file.
  SfntFace(FontBytes file, int index);

  // The table's bytes, or nothing when the face has no such table; tag 0 is the whole file.
  std::optional<std::span<const std::uint8_t>> table(std::uint32_t tag) const;
  bool has_table(std::uint32_t tag) const { return table(tag).has_value(); }
  const FontBytes& file() const { return file_; }
  int index() const { return index_; }
  // Glyph of a Unicode code point through the face's Unicode cmap (0 when unmapped or no cmap).
  std::uint16_t glyph_of(char32_t c) const;
  int faces_in_file() const { return faces_in_file_; }

private:
  struct Record {
    std::uint32_t tag, offset, length;
  };
  FontBytes file_;
  int index_ = 0;
  int faces_in_file_ = 1;
  std::vector<Record> records_;
};

// What a GDI font of the given height reports: text metrics, outline metrics and the advance widths of
// the Windows-1252 codes 0..255 (in pixels of the reference context; a negative height is the em).
struct FaceMetrics {
  int em = 0;
  int ascent = 0, descent = 0, height = 0, internal_leading = 0;
  bool fixed_pitch = false;
  int weight = 400;
  bool italic = false;
  int otm_ascent = 0, otm_descent = 0;
  int italic_angle_tenths = 0;  // as GDI gives it: tenths of a degree
  double italic_angle = 0;      // degrees
  int box_left = 0, box_bottom = 0, box_right = 0, box_top = 0;
  std::array<int, 256> ansi_advances{};
};
FaceMetrics face_metrics(const SfntFace& face, int height);

// One installed face.
struct FaceInfo {
  std::string file;                   // path (empty for a face held in memory)
  int index = 0;                      // face index inside a collection
  FontBytes data;                     // in-memory font file, when there is no path
  std::vector<std::string> families;  // every family name, the first the primary (English) one
  int weight = 400;
  bool bold = false;
  bool italic = false;
  bool fixed_pitch = false;
  std::vector<int> charsets;  // Windows font character sets from the OS/2 code-page ranges
};

// Fills weight, style, pitch and character sets from the face's own OS/2, head and post tables.
void describe_face(const SfntFace& face, FaceInfo& info);
// Windows character sets named by OS/2 ulCodePageRange1 (ANSI alone when the table has none).
std::vector<int> charsets_of_code_pages(std::uint32_t range1);

class FontCatalog {
public:
  // The installed TrueType-outline faces (built on first use, kept for the process).
  static const FontCatalog& installed();
  // A catalog of given faces (tests use in-memory fonts); aliases apply when UseAliases.
  explicit FontCatalog(std::vector<FaceInfo> faces, bool use_aliases = false);

  const std::vector<FaceInfo>& faces() const { return faces_; }
  // The faces of a family name (any of its names, ASCII case ignored), in catalog order; when none has
  // that name, the faces of the first installed family the alias table gives. FamilyName receives the
  // spelling under which they were found.
  std::vector<const FaceInfo*> faces_of(std::string_view name, std::string* family_name = nullptr) const;
  // GDI's choice among the faces of Name for a weight and italic flag: the exact style, else the
  // nearest (italic first, then weight). Null when no face has that name.
  const FaceInfo* select(std::string_view name, bool bold, bool italic) const;
  // The faces of the alias targets first, then the rest in file order: the order enumeration uses.
  const std::vector<const FaceInfo*>& enumeration_order() const { return order_; }

  // The face's parsed offset table (the file is read once and kept).
  const SfntFace& open(const FaceInfo& face) const;

private:
  std::vector<FaceInfo> faces_;
  std::vector<const FaceInfo*> order_;
  bool use_aliases_;
  mutable std::vector<std::unique_ptr<SfntFace>> opened_;
};

// The raw bytes of a table of a face (tag 0: the whole file); nothing when the face lacks the table.
std::optional<std::vector<std::uint8_t>> font_data(const FontCatalog& catalog, const FaceInfo& face,
                                                   std::uint32_t tag);

// Installed family names a requested face name maps to, in order of preference.
std::vector<std::string> face_aliases(std::string_view face);

}  // namespace platform::gdi
