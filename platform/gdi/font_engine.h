// Internal: font instances (a LOGFONT resolved to faces at a pixel size) and their glyph images.
// Outline faces come from fontconfig and FreeType; the built-in test font is drawn from a table.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi.h"

namespace platform::gdi {

struct GlyphImage {
  int left = 0;   // from the pen position to the first column
  int top = 0;    // rows above the baseline
  int width = 0, height = 0;
  std::vector<std::uint8_t> coverage;  // width x height, 0..255
  int advance = 0;
};

class FontInstance {
public:
  virtual ~FontInstance() = default;
  const TEXTMETRIC& metrics() const { return tm_; }
  const std::string& face_name() const { return face_; }
  int advance(char32_t c) const { return glyph(c).advance; }
  const GlyphImage& glyph(char32_t c) const;
  bool underline() const { return underline_; }
  bool strike_out() const { return strike_; }
  int underline_position() const { return underline_pos_; }  // rows below the baseline
  int line_thickness() const { return thickness_; }

protected:
  virtual GlyphImage render(char32_t c) const = 0;
  TEXTMETRIC tm_;
  std::string face_;
  bool underline_ = false, strike_ = false;
  int underline_pos_ = 1, thickness_ = 1;

private:
  mutable std::mutex mutex_;
  mutable std::unordered_map<char32_t, std::unique_ptr<GlyphImage>> cache_;
};

// The instance for a logical font; instances are shared and live until the program ends.
std::shared_ptr<const FontInstance> resolve_font(const LOGFONT& lf);

// Installed family names that a face name maps to, in order of preference (the alias table).
std::vector<std::string> font_aliases(std::string_view face);

// True for characters drawn in a double-width cell (East Asian wide and full-width forms).
bool is_wide_char(char32_t c);

}  // namespace platform::gdi
