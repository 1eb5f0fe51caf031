// Where the PDF writer's fonts come from: the installed faces (enumeration), the bytes of a face's
// tables and the metrics of a face at a given height on the reference device context. The platform's
// font catalog provides them; tests hand in catalogs of fonts they build themselves.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/font_queries.h"

namespace platform::gdi {
class FontCatalog;
}

namespace pdf {

// What a GDI font reports: text metrics, outline metrics and the advance widths (A + B + C) of the
// character codes 0..255 of the ANSI character set, in pixels of the reference context.
struct TFontMetrics {
  int Ascent = 0;
  int Descent = 0;
  bool FixedPitch = false;
  int OtmAscent = 0;
  int OtmDescent = 0;
  int ItalicAngleTenths = 0;  // as GDI gives it
  double ItalicAngle = 0;     // degrees
  int BoxLeft = 0, BoxBottom = 0, BoxRight = 0, BoxTop = 0;
  std::array<int, 256> Widths{};
};

// The bytes of a font table as a view, and what keeps them alive for as long as the view is used.
struct TFontTableView {
  std::string_view Bytes;
  std::shared_ptr<const void> Keep;
};

class TFontProvider : public TFontEnumerator {
public:
  // The bytes of a table (tag 0: the whole font file) of the face GDI would select for Name and
  // Style (bits 0 bold, 1 italic); nothing when the face does not exist or lacks the table.
  virtual std::optional<std::string> GetFontData(std::string_view name, unsigned style,
                                                 std::uint32_t tag) const = 0;
  // Metrics of that face for a font of the given height (negative: the em). False when no face.
  virtual bool GetMetrics(std::string_view name, unsigned style, int height, TFontMetrics& out) const = 0;
  // Like GetFontData, without copying the bytes where the provider holds them already: large tables
  // (glyph outlines) are read in place and only the parts used are touched.
  virtual std::optional<TFontTableView> GetFontTable(std::string_view name, unsigned style, std::uint32_t tag) const;
};

// A provider over a font catalog of the platform layer.
class TCatalogFontProvider : public TFontProvider {
public:
  explicit TCatalogFontProvider(const platform::gdi::FontCatalog& catalog) : catalog_(catalog) {}
  void EnumFonts(std::string_view face, int charset,
                 const std::function<bool(const EnumeratedFont&)>& visit) const override;
  std::optional<std::string> GetFontData(std::string_view name, unsigned style,
                                         std::uint32_t tag) const override;
  bool GetMetrics(std::string_view name, unsigned style, int height, TFontMetrics& out) const override;
  std::optional<TFontTableView> GetFontTable(std::string_view name, unsigned style, std::uint32_t tag) const override;

private:
  const platform::gdi::FontCatalog& catalog_;
};

// The installed fonts; what new documents take.
const TFontProvider& InstalledFontProvider();

constexpr std::uint32_t FontTag(const char (&t)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(t[3]));
}

}  // namespace pdf
