// Text output: TextOut, ExtTextOut, DrawText and the measuring calls.
#include <algorithm>
#include <optional>

#include "core/unicode.h"
#include "platform/gdi/font_engine.h"
#include "platform/gdi/objects_internal.h"

namespace platform::gdi {
namespace {

const FontInstance& font_of(DeviceContext& d) {
  FontObject* f = d.font();
  if (!f->instance) f->instance = resolve_font(f->lf);
  return *f->instance;
}

std::u32string to_u32(std::u16string_view s) { return core::utf8_to_utf32(core::utf16_to_utf8(s)); }

// Fills a surface rectangle with a colour, clipped by the DC and optionally by `extra`.
void fill_solid(DeviceContext& d, RECT r, Pixel color, const std::optional<RECT>& extra) {
  if (extra && !IntersectRect(&r, &r, &*extra)) return;
  BrushObject b;
  b.color = colorref_from_pixel(color);
  fill_rect_surface(d, r, PatternSource(d, &b), 0xF0);
}

// Blends one glyph's coverage in the text colour at pen position (x, baseline), surface coordinates.
void blend_glyph(DeviceContext& d, const GlyphImage& g, int x, int baseline, Pixel color,
                 const std::optional<RECT>& extra) {
  Bitmap* s = d.surface();
  if (!s || g.width == 0) return;
  const RECT box{x + g.left, baseline - g.top, x + g.left + g.width, baseline - g.top + g.height};
  const bool mono = s->monochrome();
  const unsigned cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
  for (const RECT& c : d.clip_rects()) {
    RECT r;
    if (!IntersectRect(&r, &c, &box)) continue;
    if (extra && !IntersectRect(&r, &r, &*extra)) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      Pixel* row = s->scan_line(y);
      const std::uint8_t* cov = g.coverage.data() + static_cast<std::size_t>(y - box.top) * g.width;
      for (int px = r.left; px < r.right; ++px) {
        const unsigned a = cov[px - box.left];
        if (a == 0) continue;
        if (mono) {
          if (a >= 128) row[px] = to_mono(color);
          continue;
        }
        if (a == 255) {
          row[px] = color;
          continue;
        }
        const Pixel dst = row[px];
        const unsigned dr = (dst >> 16) & 0xFF, dg = (dst >> 8) & 0xFF, db = dst & 0xFF;
        const unsigned nr = (cr * a + dr * (255 - a) + 127) / 255;
        const unsigned ng = (cg * a + dg * (255 - a) + 127) / 255;
        const unsigned nb = (cb * a + db * (255 - a) + 127) / 255;
        row[px] = (nr << 16) | (ng << 8) | nb;
      }
    }
  }
}

// The sum of the advances, kept within the coordinate limits whatever the caller's advances are.
int run_width(const FontInstance& font, std::u32string_view text, const int* dx) {
  std::int64_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) width = DeviceContext::clamp(width + (dx ? dx[i] : font.advance(text[i])));
  return static_cast<int>(width);
}

// Draws a run at (x, top) in surface coordinates (top of the character cells); answers its width.
// `underlined` marks characters drawn with a prefix underline; `prefix_only` draws only those.
int draw_run(DeviceContext& d, const FontInstance& font, std::u32string_view text, int x, int top,
             const int* dx, const std::optional<RECT>& extra, bool opaque_bk,
             const std::vector<bool>* underlined = nullptr, bool prefix_only = false) {
  const TEXTMETRIC& tm = font.metrics();
  const int width = run_width(font, text, dx);
  const Pixel color = dc_pixel(d, d.state.text_color);
  if (opaque_bk && !prefix_only)
    fill_solid(d, {x, top, x + width, top + tm.tmHeight}, dc_pixel(d, d.state.bk_color), extra);
  const int baseline = top + tm.tmAscent;
  int pen = x;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int adv = dx ? dx[i] : font.advance(text[i]);
    if (!prefix_only) blend_glyph(d, font.glyph(text[i]), pen, baseline, color, extra);
    if (underlined && i < underlined->size() && (*underlined)[i])
      fill_solid(d, {pen, baseline + 1, pen + font.advance(text[i]), baseline + 2}, color, extra);
    pen = DeviceContext::clamp(std::int64_t{pen} + adv);
  }
  if (!prefix_only) {
    if (font.underline()) {
      const int uy = baseline + font.underline_position();
      fill_solid(d, {x, uy, x + width, uy + font.line_thickness()}, color, extra);
    }
    if (font.strike_out()) {
      const int sy = baseline - tm.tmAscent / 3;
      fill_solid(d, {x, sy, x + width, sy + font.line_thickness()}, color, extra);
    }
  }
  return width;
}

BOOL ext_text_out(HDC dc, int x, int y, UINT options, const RECT* rect, std::u32string_view text, const int* dx) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  const FontInstance& font = font_of(*d);
  const TEXTMETRIC& tm = font.metrics();
  std::optional<RECT> extra;
  if (rect) {
    RECT r = *rect;
    if (r.right < r.left) std::swap(r.left, r.right);
    if (r.bottom < r.top) std::swap(r.top, r.bottom);
    const RECT s = d->to_surface(r);
    if (options & ETO_OPAQUE) fill_solid(*d, s, dc_pixel(*d, d->state.bk_color), std::nullopt);
    if (options & ETO_CLIPPED) extra = s;
  }
  const int width = run_width(font, text, dx);
  const UINT align = d->state.text_align;
  if (align & TA_UPDATECP) {
    x = d->state.cur_pos.x;
    y = d->state.cur_pos.y;
  }
  POINT p = d->to_surface(x, y);
  int left = p.x;
  if ((align & TA_CENTER) == TA_CENTER) left -= width / 2;
  else if (align & TA_RIGHT) left -= width;
  int top = p.y;
  if ((align & TA_BASELINE) == TA_BASELINE) top -= tm.tmAscent;
  else if (align & TA_BOTTOM) top -= tm.tmHeight;
  draw_run(*d, font, text, left, top, dx, extra, d->state.bk_mode == OPAQUE);
  if (align & TA_UPDATECP) {
    if ((align & TA_CENTER) == TA_CENTER) {
    } else if (align & TA_RIGHT) {
      d->state.cur_pos.x -= width;
    } else {
      d->state.cur_pos.x += width;
    }
  }
  return TRUE;
}

// ---------------------------------------------------------------- DrawText layout
struct Ch {
  char32_t c;
  bool prefix;  // underlined as the '&' prefix character
};

bool is_space(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }
// Chinese punctuation that must not start a line, and opening marks that must not end one.
bool no_line_start(char32_t c) {
  static constexpr std::u32string_view s = U"，。、；：？！）」』】》〕〉”’…—·,.;:?!)]}";
  return s.find(c) != std::u32string_view::npos;
}
bool no_line_end(char32_t c) {
  static constexpr std::u32string_view s = U"（「『【《〔〈“‘([{";
  return s.find(c) != std::u32string_view::npos;
}

struct Line {
  std::vector<Ch> chars;
  int width = 0;
};

class Layout {
public:
  Layout(const FontInstance& font, UINT fmt, int tab_chars) : font_(font), fmt_(fmt) {
    tab_ = std::max(1, tab_chars * font.metrics().tmAveCharWidth);
  }

  int char_width(char32_t c, int x) const {
    if (c == U'\t' && (fmt_ & DT_EXPANDTABS)) return (x / tab_ + 1) * tab_ - x;
    return font_.advance(c);
  }
  int width_of(const std::vector<Ch>& chars) const {
    int x = 0;
    for (const Ch& ch : chars) x += char_width(ch.c, x);
    return x;
  }

  // Breaks a paragraph into lines no wider than `limit` where the text allows it.
  void wrap(const std::vector<Ch>& para, int limit, std::vector<Line>& out) const {
    const bool break_wide = !(fmt_ & DT_NOFULLWIDTHCHARBREAK);
    std::size_t start = 0;
    while (true) {
      // Skip the spaces a break leaves at the start of a continued line.
      if (start > 0)
        while (start < para.size() && para[start].c == U' ') ++start;
      if (start >= para.size()) {
        if (start == 0) out.push_back({});
        return;
      }
      int x = 0;
      std::size_t i = start, last_break = 0;  // last_break: index where the next line may start
      bool have_break = false;
      for (; i < para.size(); ++i) {
        const char32_t c = para[i].c;
        if (i > start) {
          const char32_t prev = para[i - 1].c;
          const bool opportunity =
              (is_space(prev) && !is_space(c)) ||
              (break_wide && (is_wide_char(c) || is_wide_char(prev)) && !is_space(c) && !no_line_start(c) &&
               !no_line_end(prev));
          if (opportunity) {
            last_break = i;
            have_break = true;
          }
        }
        const int w = char_width(c, x);
        if (x + w > limit && i > start && !is_space(c)) {
          if (have_break) break;
          if (fmt_ & DT_EDITCONTROL) {  // a word longer than the line is broken by characters
            last_break = i;
            have_break = true;
            break;
          }
        }
        x += w;
      }
      const std::size_t end = i < para.size() && have_break ? last_break : para.size();
      Line line;
      line.chars.assign(para.begin() + static_cast<std::ptrdiff_t>(start), para.begin() + static_cast<std::ptrdiff_t>(end));
      while (!line.chars.empty() && line.chars.back().c == U' ' && end < para.size()) line.chars.pop_back();
      line.width = width_of(line.chars);
      out.push_back(std::move(line));
      if (end >= para.size()) return;
      start = end;
    }
  }

  // Cuts a line so that it and "..." fit in `limit`.
  void ellipsize(Line& line, int limit) const {
    if (line.width <= limit) return;
    const int dots = dots_width();
    while (!line.chars.empty() && width_of(line.chars) + dots > limit) line.chars.pop_back();
    append_dots(line.chars);
    line.width = width_of(line.chars);
  }

  // As `ellipsize`, but the cut falls after a whole word (a run between spaces, or one wide
  // character) when one fits; only a first word too long for the line is cut inside.
  void ellipsize_words(Line& line, int limit) const {
    if (line.width <= limit) return;
    const int dots = dots_width();
    const auto& c = line.chars;
    std::size_t best = 0;
    for (std::size_t k = 1; k <= c.size(); ++k) {
      const bool word_end = !is_space(c[k - 1].c) && (k == c.size() || is_space(c[k].c) || is_wide_char(c[k].c) ||
                                                      is_wide_char(c[k - 1].c));
      if (!word_end) continue;
      if (width_of({c.begin(), c.begin() + static_cast<std::ptrdiff_t>(k)}) + dots > limit) break;
      best = k;
    }
    if (best == 0) {
      ellipsize(line, limit);
      return;
    }
    line.chars.resize(best);
    append_dots(line.chars);
    line.width = width_of(line.chars);
  }

  // Path ellipsis: keeps the last part of a path (from its last '\' or '/') and as much of the
  // beginning as fits, with "..." between them. Without a separator the end is cut; when even
  // "..." and the last part are too wide, that is cut at its end.
  void ellipsize_path(Line& line, int limit) const {
    if (line.width <= limit) return;
    const auto& c = line.chars;
    std::size_t sep = c.size();
    for (std::size_t k = c.size(); k-- > 0;)
      if (c[k].c == U'\\' || c[k].c == U'/') {
        sep = k;
        break;
      }
    if (sep == c.size()) {
      ellipsize(line, limit);
      return;
    }
    const std::vector<Ch> tail(c.begin() + static_cast<std::ptrdiff_t>(sep), c.end());
    const int rest = dots_width() + width_of(tail);
    std::vector<Ch> head(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(sep));
    while (!head.empty() && width_of(head) + rest > limit) head.pop_back();
    append_dots(head);
    head.insert(head.end(), tail.begin(), tail.end());
    line.chars = std::move(head);
    line.width = width_of(line.chars);
    ellipsize(line, limit);
  }

private:
  int dots_width() const { return 3 * font_.advance(U'.'); }
  static void append_dots(std::vector<Ch>& chars) {
    for (int k = 0; k < 3; ++k) chars.push_back({U'.', false});
  }

  const FontInstance& font_;
  UINT fmt_;
  int tab_ = 8;
};

// `modified`, when given, receives the shown text with DT_MODIFYSTRING (see DrawText).
int draw_text(HDC dc, std::u32string_view text, RECT* rect, UINT fmt, std::u32string* modified = nullptr) {
  DeviceContext* d = get_dc(dc);
  if (!d || !rect) return 0;
  // Work on a copy kept within the coordinate limits, so that "everything" rectangles cannot
  // overflow; measured results are written back at the end.
  const RECT rc{DeviceContext::clamp(rect->left), DeviceContext::clamp(rect->top), DeviceContext::clamp(rect->right),
                DeviceContext::clamp(rect->bottom)};
  int tab_chars = 8;
  if (fmt & DT_TABSTOP) {
    tab_chars = static_cast<int>((fmt >> 8) & 0xFF);  // the second byte holds the tab length, not flags
    fmt &= ~0xFF00u;
  }
  const FontInstance& font = font_of(*d);
  const TEXTMETRIC& tm = font.metrics();
  const int lh = tm.tmHeight + ((fmt & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const Layout layout(font, fmt, tab_chars);

  if (text.empty()) {
    if (fmt & DT_CALCRECT) {
      rect->right = rc.left;
      rect->bottom = rc.top + ((fmt & DT_SINGLELINE) ? lh : 0);
    }
    return (fmt & DT_SINGLELINE) ? lh : 0;
  }

  // '&' prefixes: "&x" underlines x, "&&" is one '&'.
  std::vector<Ch> chars;
  chars.reserve(text.size());
  const bool prefixes = !(fmt & DT_NOPREFIX);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (prefixes && text[i] == U'&') {
      if (i + 1 < text.size() && text[i + 1] == U'&') {
        chars.push_back({U'&', false});
        ++i;
      } else if (i + 1 < text.size()) {
        chars.push_back({text[i + 1], !(fmt & DT_HIDEPREFIX) && text[i + 1] != U'\r' && text[i + 1] != U'\n'});
        ++i;
      }
      continue;
    }
    chars.push_back({text[i], false});
  }

  // Paragraphs end at CR LF, CR or LF unless the text is one line.
  std::vector<std::vector<Ch>> paras(1);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i].c;
    if (!(fmt & DT_SINGLELINE) && (c == U'\r' || c == U'\n')) {
      if (c == U'\r' && i + 1 < chars.size() && chars[i + 1].c == U'\n') ++i;
      paras.emplace_back();
      continue;
    }
    paras.back().push_back(chars[i]);
  }
  // A break at the very end starts no further line.
  if (paras.size() > 1 && paras.back().empty()) paras.pop_back();

  const int limit = static_cast<int>(std::clamp<std::int64_t>(std::int64_t{rc.right} - rc.left, -(1 << 29), 1 << 29));
  std::vector<Line> lines;
  for (const auto& p : paras) {
    if ((fmt & DT_WORDBREAK) && !(fmt & DT_SINGLELINE)) {
      layout.wrap(p, limit, lines);
    } else {
      Line l;
      l.chars = p;
      l.width = layout.width_of(p);
      lines.push_back(std::move(l));
    }
  }
  const bool ellipsis = fmt & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
  const std::vector<Ch> before = lines.size() == 1 ? lines.front().chars : std::vector<Ch>{};
  for (Line& l : lines) {
    if (fmt & DT_PATH_ELLIPSIS) layout.ellipsize_path(l, limit);
    else if (fmt & DT_WORD_ELLIPSIS) layout.ellipsize_words(l, limit);
    else if (fmt & DT_END_ELLIPSIS) layout.ellipsize(l, limit);
  }
  // The text of a single line as it is shown, with its prefixes written back, so that drawing
  // the modified text again shows the same.
  if (modified && (fmt & DT_MODIFYSTRING) && ellipsis && lines.size() == 1 && paras.size() == 1) {
    const auto& shown = lines.front().chars;
    const bool changed = shown.size() != before.size() ||
                         !std::equal(shown.begin(), shown.end(), before.begin(),
                                     [](const Ch& a, const Ch& b) { return a.c == b.c && a.prefix == b.prefix; });
    if (changed) {
      modified->clear();
      for (const Ch& ch : shown) {
        if (prefixes && (ch.prefix || ch.c == U'&')) modified->push_back(U'&');
        modified->push_back(ch.c);
      }
    }
  }

  const int count = (fmt & DT_SINGLELINE) ? 1 : static_cast<int>(lines.size());
  const int height = count * lh;
  int max_width = 0;
  for (int i = 0; i < count; ++i) max_width = std::max(max_width, lines[static_cast<std::size_t>(i)].width);

  int y = rc.top;
  if (fmt & DT_SINGLELINE) {
    if (fmt & DT_VCENTER) y = rc.top + (rc.bottom - rc.top - lh) / 2;
    else if (fmt & DT_BOTTOM) y = rc.bottom - lh;
  }
  if (fmt & DT_CALCRECT) {
    rect->right = rc.left + max_width;
    rect->bottom = rc.top + height;
    return (fmt & DT_SINGLELINE) && (fmt & (DT_VCENTER | DT_BOTTOM)) ? y - rc.top + height : height;
  }

  std::optional<RECT> clip;
  if (!(fmt & DT_NOCLIP)) {
    clip = d->to_surface(rc);
  }
  const bool opaque = d->state.bk_mode == OPAQUE;
  const bool prefix_only = fmt & DT_PREFIXONLY;
  for (int i = 0; i < count; ++i) {
    const Line& l = lines[static_cast<std::size_t>(i)];
    int x = rc.left;
    if (fmt & DT_CENTER) x = rc.left + (limit - l.width) / 2;
    else if (fmt & DT_RIGHT) x = rc.right - l.width;
    const POINT s = d->to_surface(x, y + i * lh);
    // Runs between tabs are drawn at their tab stops.
    std::u32string run;
    std::vector<bool> marks;
    int run_x = 0, pos = 0;
    const auto flush = [&] {
      if (!run.empty())
        draw_run(*d, font, run, s.x + run_x, s.y, nullptr, clip, opaque, &marks, prefix_only);
      run.clear();
      marks.clear();
    };
    for (const Ch& ch : l.chars) {
      const int w = layout.char_width(ch.c, pos);
      if (ch.c == U'\t' && (fmt & DT_EXPANDTABS)) {
        flush();
        pos += w;
        run_x = pos;
        continue;
      }
      run.push_back(ch.c);
      marks.push_back(ch.prefix);
      pos += w;
    }
    flush();
  }
  return (fmt & DT_SINGLELINE) && (fmt & (DT_VCENTER | DT_BOTTOM)) ? y - rc.top + height : height;
}

}  // namespace

BOOL TextOut(HDC dc, int x, int y, std::string_view text) {
  return ext_text_out(dc, x, y, 0, nullptr, core::utf8_to_utf32(text), nullptr);
}
BOOL TextOut(HDC dc, int x, int y, std::u16string_view text) {
  return ext_text_out(dc, x, y, 0, nullptr, to_u32(text), nullptr);
}
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::string_view text, const int* dx) {
  return ext_text_out(dc, x, y, options, r, core::utf8_to_utf32(text), dx);
}
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::u16string_view text, const int* dx) {
  // Advances are given per UTF-16 unit; characters outside the BMP take the first of their pair.
  if (!dx) return ext_text_out(dc, x, y, options, r, to_u32(text), nullptr);
  std::u32string t;
  std::vector<int> adv;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    int a = dx[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      a += dx[i + 1];
      ++i;
    }
    t.push_back(c);
    adv.push_back(a);
  }
  return ext_text_out(dc, x, y, options, r, t, adv.data());
}

int DrawText(HDC dc, std::string_view text, RECT* r, UINT format) {
  return draw_text(dc, core::utf8_to_utf32(text), r, format);
}
int DrawText(HDC dc, std::u16string_view text, RECT* r, UINT format) { return draw_text(dc, to_u32(text), r, format); }
int DrawText(HDC dc, std::string* text, RECT* r, UINT format) {
  if (!text) return 0;
  std::u32string shown;
  const int h = draw_text(dc, core::utf8_to_utf32(*text), r, format, &shown);
  if (!shown.empty()) *text = core::utf32_to_utf8(shown);
  return h;
}
int DrawText(HDC dc, std::u16string* text, RECT* r, UINT format) {
  if (!text) return 0;
  std::u32string shown;
  const int h = draw_text(dc, to_u32(*text), r, format, &shown);
  if (!shown.empty()) *text = core::utf8_to_utf16(core::utf32_to_utf8(shown));
  return h;
}

BOOL GetTextExtentPoint32(HDC dc, std::string_view text, SIZE* size) {
  DeviceContext* d = get_dc(dc);
  if (!d || !size) return FALSE;
  const FontInstance& font = font_of(*d);
  int w = 0;
  for (char32_t c : core::utf8_to_utf32(text)) w += font.advance(c);
  *size = {w, font.metrics().tmHeight};
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, std::u16string_view text, SIZE* size) {
  return GetTextExtentPoint32(dc, core::utf16_to_utf8(text), size);
}

BOOL GetTextExtentExPoint(HDC dc, std::u16string_view text, int max_extent, int* fit, int* dx, SIZE* size) {
  DeviceContext* d = get_dc(dc);
  if (!d) return FALSE;
  const FontInstance& font = font_of(*d);
  int w = 0, n = 0;
  bool fitting = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
    if (pair) c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    w += font.advance(c);
    if (fitting && w <= max_extent) n += pair ? 2 : 1;
    else fitting = false;
    if (dx) {
      dx[i] = w;
      if (pair) dx[i + 1] = w;
    }
    if (pair) ++i;
  }
  if (fit) *fit = n;
  if (size) *size = {w, font.metrics().tmHeight};
  return TRUE;
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm) {
  DeviceContext* d = get_dc(dc);
  if (!d || !tm) return FALSE;
  *tm = font_of(*d).metrics();
  return TRUE;
}

int GetTextFace(HDC dc, std::string* face) {
  DeviceContext* d = get_dc(dc);
  if (!d) return 0;
  const std::string& name = font_of(*d).face_name();
  if (face) *face = name;
  return static_cast<int>(name.size()) + 1;
}

}  // namespace platform::gdi
