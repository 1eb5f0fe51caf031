#include "tools/skin-gen/house_skin.h"

#include <algorithm>

#include "platform/gdi/bmp_file.h"
#include "platform/gdi/gdi.h"
#include "tools/skin-gen/skin_painter.h"

namespace skin_gen {

namespace {

// The palette: a calm blue accent on light neutral surfaces.
constexpr Rgb kAccent{43, 108, 176};
constexpr Rgb kAccentDark{31, 84, 140};
constexpr Rgb kAccentLight{220, 233, 248};
constexpr Rgb kTitleTop{56, 124, 192};
constexpr Rgb kTitleBottom{41, 102, 166};
constexpr Rgb kInactiveTop{158, 169, 182};
constexpr Rgb kInactiveBottom{143, 154, 168};
constexpr Rgb kInactiveDark{122, 133, 147};
constexpr Rgb kFace{243, 245, 248};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kText{31, 41, 51};
constexpr Rgb kLine{184, 194, 206};
constexpr Rgb kLineLight{213, 219, 227};
constexpr Rgb kGlyph{95, 107, 121};
constexpr Rgb kGlyphDim{170, 179, 190};
constexpr Rgb kTrack{236, 239, 243};
constexpr Rgb kClose{212, 56, 62};
constexpr Rgb kClosePressed{170, 38, 44};

constexpr int kTitle = 28;      // title bar height
constexpr int kBorder = 3;      // left, right and bottom border
constexpr int kCapW = 26, kCapH = 20;  // caption buttons

gdi::Bitmap canvas(int w, int h, Rgb fill = kKey) {
  return gdi::Bitmap(w, h, gdi::PixelFormat::k24bit, static_cast<gdi::Pixel>((fill.r << 16) | (fill.g << 8) | fill.b));
}

// Title bar: two stacked frames (active, inactive), round top corners cut to the key colour.
gdi::Bitmap title_bar() {
  gdi::Bitmap b = canvas(64, 2 * kTitle);
  Painter p(b);
  for (int f = 0; f < 2; ++f) {
    const int y0 = f * kTitle;
    const Rgb top = f == 0 ? kTitleTop : kInactiveTop, bottom = f == 0 ? kTitleBottom : kInactiveBottom;
    const Rgb edge = f == 0 ? kAccentDark : kInactiveDark;
    p.vgradient(0, y0, 64, y0 + kTitle, top, bottom);
    p.fill(1, y0 + 1, 63, y0 + 2, mix(top, kWhite, 1, 5));  // a faint light line under the edge
    p.fill(0, y0, 64, y0 + 1, edge);
    p.fill(0, y0, 1, y0 + kTitle, edge);
    p.fill(63, y0, 64, y0 + kTitle, edge);
    p.cut_corners(0, y0, 64, y0 + kTitle, 6, edge, true, false);
  }
  return b;
}

// Side borders: two frames side by side (active, inactive), the outer pixel darker.
gdi::Bitmap side_border(bool left) {
  gdi::Bitmap b = canvas(2 * kBorder, 40);
  Painter p(b);
  for (int f = 0; f < 2; ++f) {
    const int x0 = f * kBorder;
    p.fill(x0, 0, x0 + kBorder, 40, f == 0 ? kTitleBottom : kInactiveBottom);
    const int outer = left ? x0 : x0 + kBorder - 1;
    p.fill(outer, 0, outer + 1, 40, f == 0 ? kAccentDark : kInactiveDark);
  }
  return b;
}

gdi::Bitmap bottom_border() {
  gdi::Bitmap b = canvas(64, 2 * kBorder);
  Painter p(b);
  for (int f = 0; f < 2; ++f) {
    const int y0 = f * kBorder;
    const Rgb edge = f == 0 ? kAccentDark : kInactiveDark;
    p.fill(0, y0, 64, y0 + kBorder, f == 0 ? kTitleBottom : kInactiveBottom);
    p.fill(0, y0 + kBorder - 1, 64, y0 + kBorder, edge);
    p.fill(0, y0, 1, y0 + kBorder, edge);
    p.fill(63, y0, 64, y0 + kBorder, edge);
  }
  return b;
}

// Caption buttons: 4 frames (normal, pressed, hot, disabled or inactive). The glyph sits on the key
// colour so the title shows through; hot and pressed states get a rounded plate.
enum class Glyph { kClose, kMaximise, kMinimise };

gdi::Bitmap caption_button(Glyph glyph) {
  gdi::Bitmap b = canvas(4 * kCapW, kCapH);
  Painter p(b);
  for (int f = 0; f < 4; ++f) {
    const int x0 = f * kCapW;
    // Without a plate the glyph is drawn over the title colour, which then becomes the key: the
    // anti-aliased edge is already mixed with what the title shows behind it.
    const Rgb backdrop = f == 3 ? mix(kTitleBottom, kInactiveBottom, 1, 2) : kTitleBottom;
    const bool plate = f == 1 || f == 2;
    const Rgb fill = !plate ? backdrop
                     : glyph == Glyph::kClose ? (f == 1 ? kClosePressed : kClose)
                     : (f == 1 ? mix(kTitleBottom, kAccentDark, 3, 4) : mix(kTitleTop, kWhite, 1, 5));
    p.fill(x0, 0, x0 + kCapW, kCapH, fill);
    const Rgb ink = f == 3 ? mix(backdrop, kWhite, 2, 5) : kWhite;
    // Glyphs 9 pixels wide on whole pixels, so their straight edges stay crisp.
    const int gx = x0 + 8, gy = 5;
    switch (glyph) {
      case Glyph::kClose:
        p.stroke(gx + 0.5, gy + 0.5, gx + 9.5, gy + 9.5, 1.6, ink);
        p.stroke(gx + 0.5, gy + 9.5, gx + 9.5, gy + 0.5, 1.6, ink);
        break;
      case Glyph::kMaximise:
        p.fill(gx, gy, gx + 10, gy + 2, ink);
        p.fill(gx, gy + 9, gx + 10, gy + 10, ink);
        p.fill(gx, gy, gx + 1, gy + 10, ink);
        p.fill(gx + 9, gy, gx + 10, gy + 10, ink);
        break;
      case Glyph::kMinimise:
        p.fill(gx, gy + 8, gx + 10, gy + 10, ink);
        break;
    }
    if (plate) {
      p.cut_corners(x0, 0, x0 + kCapW, kCapH, 4, kTitleBottom);
    } else {
      for (int y = 0; y < kCapH; ++y) {
        for (int x = x0; x < x0 + kCapW; ++x) {
          if (p.get(x, y) == backdrop) p.set(x, y, kKey);
        }
      }
    }
  }
  return b;
}

// Push buttons: 5 frames (normal, pressed, disabled, hot, focused or default), rounded.
gdi::Bitmap push_button() {
  constexpr int w = 30, h = 24;
  gdi::Bitmap b = canvas(5 * w, h);
  Painter p(b);
  struct State {
    Rgb top, bottom, border;
  };
  const State states[5] = {{kWhite, {240, 243, 247}, kLine},
                           {{214, 228, 245}, {205, 221, 241}, kAccent},
                           {kFace, kFace, kLineLight},
                           {{240, 246, 253}, {228, 238, 250}, {110, 158, 210}},
                           {kWhite, {240, 243, 247}, kAccent}};
  for (int f = 0; f < 5; ++f) {
    const int x0 = f * w;
    const State& s = states[f];
    p.vgradient(x0, 0, x0 + w, h, s.top, s.bottom);
    p.frame(x0, 0, x0 + w, h, s.border);
    if (f == 4) p.frame(x0 + 1, 1, x0 + w - 1, h - 1, mix(kAccent, kWhite, 1, 2));
    p.cut_corners(x0, 0, x0 + w, h, 3, kFace);
  }
  return b;
}

// Check boxes: 4 frames of 13 x 13 (unchecked, checked, unchecked disabled, checked disabled).
gdi::Bitmap check_box() {
  gdi::Bitmap b = canvas(4 * 13, 13, kFace);
  Painter p(b);
  for (int f = 0; f < 4; ++f) {
    const int x0 = f * 13;
    const bool checked = f == 1 || f == 3, disabled = f >= 2;
    const Rgb border = disabled ? kLineLight : checked ? kAccent : Rgb{126, 138, 152};
    const Rgb inside = checked ? (disabled ? kGlyphDim : kAccent) : (disabled ? kFace : kWhite);
    p.round_rect(x0, 0, x0 + 13, 13, 2.5, border, inside);
    if (checked) {
      p.stroke(x0 + 3.2, 6.8, x0 + 5.4, 9.0, 1.6, kWhite);
      p.stroke(x0 + 5.4, 9.0, x0 + 9.8, 3.8, 1.6, kWhite);
    }
  }
  return b;
}

// Radio buttons: 4 frames (unchecked, checked, unchecked disabled, checked disabled).
gdi::Bitmap radio_button() {
  gdi::Bitmap b = canvas(4 * 13, 13, kFace);
  Painter p(b);
  for (int f = 0; f < 4; ++f) {
    const double cx = f * 13 + 6.5, cy = 6.5;
    const bool checked = f == 1 || f == 3, disabled = f >= 2;
    p.disc(cx, cy, 6.5, disabled ? kLineLight : checked ? kAccent : Rgb{126, 138, 152});
    p.disc(cx, cy, 5.5, disabled ? kFace : kWhite);
    if (checked) p.disc(cx, cy, 3.2, disabled ? kGlyphDim : kAccent);
  }
  return b;
}

// Tabs: 5 frames of 40 x 24 (1 tab, 2 the selected tab, 3 hot, 4 and 5 as 1); round top corners.
gdi::Bitmap tabs() {
  constexpr int w = 40, h = 24;
  gdi::Bitmap b = canvas(5 * w, h);
  Painter p(b);
  for (int f = 0; f < 5; ++f) {
    const int x0 = f * w;
    const bool selected = f == 1, hot = f == 2;
    const Rgb fill = selected ? kWhite : hot ? Rgb{235, 242, 251} : Rgb{232, 236, 241};
    p.fill(x0, 0, x0 + w, h, fill);
    p.fill(x0, 0, x0 + w, 1, kLine);
    p.fill(x0, 0, x0 + 1, h, kLine);
    p.fill(x0 + w - 1, 0, x0 + w, h, kLine);
    if (selected) p.fill(x0 + 1, 1, x0 + w - 1, 3, kAccent);  // accent bar on the selected tab
    else p.fill(x0, h - 1, x0 + w, h, kLine);
    p.cut_corners(x0, 0, x0 + w, h, 4, kFace, true, false);
  }
  return b;
}

gdi::Bitmap tab_pane() {
  gdi::Bitmap b = canvas(16, 16, kWhite);
  Painter(b).frame(0, 0, 16, 16, kLine);
  return b;
}

// Status-bar panel edges: 3 frames of 12 x 12 (lowered, raised, none).
gdi::Bitmap status_edges() {
  gdi::Bitmap b = canvas(36, 12, kFace);
  Painter p(b);
  p.frame(0, 0, 12, 12, kLineLight);
  p.fill(1, 1, 11, 11, {248, 249, 251});
  p.fill(12, 0, 24, 1, kWhite);
  p.fill(12, 0, 13, 12, kWhite);
  p.fill(12, 11, 24, 12, kLineLight);
  p.fill(23, 0, 24, 12, kLineLight);
  return b;
}

// Edit frame: 4 frames of 12 x 12 (normal, hot, focused, disabled), white inside.
gdi::Bitmap sunk_edge() {
  gdi::Bitmap b = canvas(48, 12, kWhite);
  Painter p(b);
  const Rgb borders[4] = {kLine, {110, 158, 210}, kAccent, kLineLight};
  for (int f = 0; f < 4; ++f) {
    p.frame(f * 12, 0, f * 12 + 12, 12, borders[f]);
    if (f == 3) p.fill(f * 12 + 1, 1, f * 12 + 11, 11, kFace);
  }
  return b;
}

// Combo button face: 4 frames of 19 x 21 (normal, hot, pressed, disabled), a separator on the left.
gdi::Bitmap combo_button() {
  constexpr int w = 19, h = 21;
  gdi::Bitmap b = canvas(4 * w, h);
  Painter p(b);
  const Rgb faces[4] = {{247, 249, 251}, {235, 242, 251}, {214, 228, 245}, kFace};
  for (int f = 0; f < 4; ++f) {
    const int x0 = f * w;
    p.fill(x0 + 1, 1, x0 + w - 1, h - 1, faces[f]);
    p.fill(x0, 3, x0 + 1, h - 3, f == 3 ? kLineLight : kLineLight);
  }
  return b;
}

// Glyphs shown over the combo button: a chevron in 4 states, and a size grip (frame 5).
gdi::Bitmap extra_images() {
  gdi::Bitmap b = canvas(60, 12);
  Painter p(b);
  const Rgb inks[4] = {kGlyph, kAccent, kAccentDark, kGlyphDim};
  const Rgb backs[4] = {{247, 249, 251}, {235, 242, 251}, {214, 228, 245}, kFace};
  for (int f = 0; f < 4; ++f) {
    const double cx = f * 12 + 6.0;
    p.fill(f * 12, 0, f * 12 + 12, 12, backs[f]);
    p.stroke(cx - 3.5, 4.5, cx, 8.0, 1.5, inks[f]);
    p.stroke(cx, 8.0, cx + 3.5, 4.5, 1.5, inks[f]);
  }
  p.fill(48, 0, 60, 12, kFace);
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j <= k; ++j) p.fill(48 + 9 - 3 * j, 9 - 3 * (k - j), 48 + 11 - 3 * j, 11 - 3 * (k - j), kGlyphDim);
  }
  // Everything but the glyph is the key, so the button face shows through.
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 60; ++x) {
      const Rgb c = p.get(x, y);
      if (c == backs[std::min(x / 12, 3)] || (x >= 48 && c == kFace)) p.set(x, y, kKey);
    }
  }
  return b;
}

// Menu items: 5 frames of 30 x 20 (1 item, 2 separator, 3 as 1, 4 selected, 5 as 1).
gdi::Bitmap menu_item() {
  constexpr int w = 30, h = 20;
  gdi::Bitmap b = canvas(5 * w, h, kWhite);
  Painter p(b);
  p.fill(w + 2, h / 2, 2 * w - 2, h / 2 + 1, kLineLight);
  p.round_rect(3 * w + 1, 1, 4 * w - 1, h - 1, 3, {164, 196, 232}, kAccentLight);
  return b;
}

gdi::Bitmap menu_background() {
  gdi::Bitmap b = canvas(32, 32, kWhite);
  Painter(b).frame(0, 0, 32, 32, kLine);
  return b;
}

// Scroll-bar parts: 23 frames of 17 x 17 (arrows left, right, up, down in the states normal,
// pressed, unused, hot; then grips of horizontal and vertical thumbs: normal, pressed, hot; 23 unused).
gdi::Bitmap scroll_parts() {
  constexpr int s = 17;
  gdi::Bitmap b = canvas(23 * s, s, kTrack);
  Painter p(b);
  const Rgb backs[4] = {kTrack, {200, 208, 218}, kTrack, {222, 227, 234}};
  const Rgb inks[4] = {kGlyph, kText, kGlyph, kText};
  for (int dir = 0; dir < 4; ++dir) {
    for (int st = 0; st < 4; ++st) {
      const int x0 = (dir * 4 + st) * s;
      p.fill(x0, 0, x0 + s, s, backs[st]);
      const double cx = x0 + 8.5, cy = 8.5;
      // Chevron pointing left, right, up or down.
      const double dx[4] = {-1, 1, 0, 0}, dy[4] = {0, 0, -1, 1};
      const double tipx = cx + 2 * dx[dir], tipy = cy + 2 * dy[dir];
      const double ax = cx - 2 * dx[dir] + 3.5 * dy[dir], ay = cy - 2 * dy[dir] + 3.5 * dx[dir];
      const double bx = cx - 2 * dx[dir] - 3.5 * dy[dir], by = cy - 2 * dy[dir] - 3.5 * dx[dir];
      p.stroke(ax, ay, tipx, tipy, 1.5, inks[st]);
      p.stroke(bx, by, tipx, tipy, 1.5, inks[st]);
    }
  }
  const Rgb grips[3] = {{140, 151, 164}, {235, 239, 244}, {110, 122, 136}};
  for (int g = 0; g < 6; ++g) {
    const int x0 = (16 + g) * s;
    p.fill(x0, 0, x0 + s, s, kKey);
    for (int k = -1; k <= 1; ++k) {
      if (g < 3) p.fill(x0 + 8 + 2 * k, 6, x0 + 9 + 2 * k, 11, grips[g % 3]);
      else p.fill(x0 + 6, 8 + 2 * k, x0 + 11, 9 + 2 * k, grips[g % 3]);
    }
  }
  p.fill(22 * s, 0, 23 * s, s, kTrack);
  return b;
}

// Scroll-bar tracks: 4 frames (1 enabled, 3 disabled; 2 and 4 repeat them).
gdi::Bitmap scroll_track() {
  gdi::Bitmap b = canvas(68, 17, kTrack);
  Painter p(b);
  p.fill(34, 0, 51, 17, {245, 246, 248});
  p.fill(51, 0, 68, 17, {245, 246, 248});
  return b;
}

// Thumbs: 3 frames (normal, pressed, hot), a rounded bar inset across its breadth.
gdi::Bitmap scroll_thumb(bool vertical) {
  constexpr int s = 17;
  gdi::Bitmap b = canvas(3 * s, s, kTrack);
  Painter p(b);
  const Rgb fills[3] = {{195, 203, 213}, {142, 154, 168}, {168, 179, 192}};
  for (int f = 0; f < 3; ++f) {
    const int x0 = f * s;
    if (vertical) p.round_rect(x0 + 4, 1, x0 + 13, 16, 4, fills[f], fills[f]);
    else p.round_rect(x0 + 1, 4, x0 + 16, 13, 4, fills[f], fills[f]);
  }
  return b;
}

}  // namespace

std::vector<SkinPicture> house_skin_pictures() {
  std::vector<SkinPicture> out;
  out.push_back({"top.bmp", title_bar()});
  out.push_back({"left.bmp", side_border(true)});
  out.push_back({"right.bmp", side_border(false)});
  out.push_back({"bottom.bmp", bottom_border()});
  out.push_back({"close.bmp", caption_button(Glyph::kClose)});
  out.push_back({"maximise.bmp", caption_button(Glyph::kMaximise)});
  out.push_back({"minimise.bmp", caption_button(Glyph::kMinimise)});
  out.push_back({"button.bmp", push_button()});
  out.push_back({"check.bmp", check_box()});
  out.push_back({"radio.bmp", radio_button()});
  out.push_back({"tabs.bmp", tabs()});
  out.push_back({"tabpane.bmp", tab_pane()});
  out.push_back({"statusedges.bmp", status_edges()});
  out.push_back({"sunkedge.bmp", sunk_edge()});
  out.push_back({"combobutton.bmp", combo_button()});
  out.push_back({"extraimages.bmp", extra_images()});
  out.push_back({"menuitem.bmp", menu_item()});
  out.push_back({"menubackground.bmp", menu_background()});
  out.push_back({"scrollbar.bmp", scroll_parts()});
  out.push_back({"horzscroll.bmp", scroll_track()});
  out.push_back({"vertscroll.bmp", scroll_track()});
  out.push_back({"horzthumb.bmp", scroll_thumb(false)});
  out.push_back({"vertthumb.bmp", scroll_thumb(true)});
  return out;
}

std::string house_skin_ini() {
  return
      "; thconsole skin: light surfaces, blue accent\r\n"
      "[TitlebarSkin]\r\nSkinName=thconsole clear\r\n\r\n"
      "[Personality]\r\n"
      "Top=top.bmp\r\nTopFrame=2\r\nTopTopHeight=8\r\nTopBotHeight=8\r\nTopStretch=1\r\nTopTrans=1\r\n"
      "Left=left.bmp\r\nLeftFrame=2\r\nLeftTopHeight=0\r\nLeftBotHeight=0\r\nLeftStretch=1\r\nLeftTrans=1\r\n"
      "Right=right.bmp\r\nRightFrame=2\r\nRightTopHeight=0\r\nRightBotHeight=0\r\nRightStretch=1\r\nRightTrans=1\r\n"
      "Bottom=bottom.bmp\r\nBottomFrame=2\r\nBottomTopHeight=4\r\nBottomBotHeight=4\r\nBottomStretch=1\r\n"
      "BottomTrans=1\r\n"
      "TextShift=30\r\nTextShiftVert=6\r\nTextRightClip=96\r\nTextAlignment=0\r\n"
      "ActiveTextR=255\r\nActiveTextG=255\r\nActiveTextB=255\r\n"
      "InActiveTextR=240\r\nInActiveTextG=243\r\nInActiveTextB=246\r\n\r\n"
      "[Fonts]\r\nFontHeight=15\r\n\r\n"
      "[Button0]\r\nButtonImage=close.bmp\r\nframe=4\r\nAction=0\r\nAlign=1\r\nXcoord=34\r\nYcoord=4\r\n"
      "Visibility=0\r\n\r\n"
      "[Button1]\r\nButtonImage=maximise.bmp\r\nframe=4\r\nAction=1\r\nAlign=1\r\nXcoord=60\r\nYcoord=4\r\n"
      "Visibility=6\r\nVisibility1=6\r\n\r\n"
      "[Button2]\r\nButtonImage=minimise.bmp\r\nframe=4\r\nAction=2\r\nAlign=1\r\nXcoord=86\r\nYcoord=4\r\n"
      "Visibility=6\r\nVisibility1=6\r\n\r\n"
      "[Button3]\r\nAction=3\r\nAlign=0\r\nXcoord=8\r\nYcoord=6\r\nVisibility=0\r\n\r\n"
      "[Buttons]\r\nBitmap=button.bmp\r\nLeftWidth=4\r\nTopHeight=4\r\nRightWidth=4\r\nBottomHeight=4\r\n"
      "Trans=1\r\nTile=0\r\nCheckButton=check.bmp\r\nCheckButtonFrame=4\r\nRadioButton=radio.bmp\r\n"
      "RadioButtonFrame=4\r\nNormalColour2=31,41,51\r\nMouseOverColour2=31,84,140\r\nPressedColour2=31,41,51\r\n\r\n"
      "[Tabs]\r\nImage=tabs.bmp\r\nBorder=tabpane.bmp\r\nStyle=0\r\nLeftWidth=4\r\nTopHeight=4\r\nRightWidth=4\r\n"
      "BottomHeight=2\r\nTrans=1\r\nTile=0\r\nNormalColour2=74,85,98\r\nMouseOverColour2=31,41,51\r\n\r\n"
      "[Tab.Pane]\r\nImage=tabpane.bmp\r\nLeftWidth=2\r\nTopHeight=2\r\nRightWidth=2\r\nBottomHeight=2\r\n\r\n"
      "[StatusBarEdges]\r\nImage=statusedges.bmp\r\nLeftWidth=2\r\nTopHeight=2\r\nRightWidth=2\r\n"
      "BottomHeight=2\r\n\r\n"
      "[SunkEdge]\r\nImage=sunkedge.bmp\r\nLeftWidth=2\r\nTopHeight=2\r\nRightWidth=2\r\nBottomHeight=2\r\n\r\n"
      "[ComboButton]\r\nImage=combobutton.bmp\r\nTrans=1\r\n\r\n"
      "[ExtraImages]\r\nImage=extraimages.bmp\r\nTrans=1\r\n\r\n"
      "[MenuItem]\r\nImage=menuitem.bmp\r\nLeftWidth=3\r\nTopHeight=3\r\nRightWidth=3\r\nBottomHeight=3\r\n"
      "NormalColour2=31,41,51\r\nMouseOverColour2=31,41,51\r\n\r\n"
      "[MenuBackground]\r\nImage=menubackground.bmp\r\nLeftWidth=3\r\nTopHeight=3\r\nRightWidth=3\r\n"
      "BottomHeight=3\r\n\r\n"
      "[Scrollbar]\r\nImage=scrollbar.bmp\r\nTrans=1\r\n\r\n"
      "[HorzScroll]\r\nImage=horzscroll.bmp\r\n\r\n"
      "[VertScroll]\r\nImage=vertscroll.bmp\r\n\r\n"
      "[HorzScrollThumb]\r\nImage=horzthumb.bmp\r\nFrameCount=3\r\nLeftWidth=6\r\nRightWidth=6\r\nTrans=0\r\n\r\n"
      "[VertScrollThumb]\r\nImage=vertthumb.bmp\r\nFrameCount=3\r\nTopHeight=6\r\nBottomHeight=6\r\nTrans=0\r\n\r\n"
      "[Colours]\r\n"
      "WindowText=31,41,51\r\nButtonFace=243,245,248\r\nScrollbar=236,239,243\r\nHilightText=255,255,255\r\n"
      "Hilight=43,108,176\r\nMenubar=243,245,248\r\nMenu=255,255,255\r\nMenuText=31,41,51\r\n"
      "ButtonText=31,41,51\r\nButtonHilight=255,255,255\r\nButtonlight=232,236,241\r\n"
      "ButtonShadow=176,186,198\r\nButtonDkShadow=120,132,146\r\nMenuBarText=31,41,51\r\n"
      "TitleTextActive=255,255,255\r\nTitleTextNoActive=240,243,246\r\n";
}

std::vector<skin::SkinEntry> house_skin_entries() {
  std::vector<skin::SkinEntry> out;
  for (const SkinPicture& p : house_skin_pictures()) {
    out.push_back({p.name, gdi::write_bmp(p.bitmap, gdi::PixelFormat::k24bit)});
  }
  const std::string ini = house_skin_ini();
  out.push_back({"skin.ini", std::vector<std::uint8_t>(ini.begin(), ini.end())});
  return out;
}

std::vector<std::uint8_t> house_skin_package() {
  return skin::build_skin_package(house_skin_entries());
}

gdi::Bitmap contact_sheet(const std::vector<SkinPicture>& pictures) {
  constexpr int kScale = 3, kPad = 12, kLabel = 14, kWidth = 1240;
  // Lay out left to right, wrapping rows.
  struct Place {
    int x, y;
  };
  std::vector<Place> places;
  int x = kPad, y = kPad, row_h = 0;
  for (const SkinPicture& p : pictures) {
    const int w = p.bitmap.width() * kScale, h = p.bitmap.height() * kScale + kLabel;
    if (x + w + kPad > kWidth && x > kPad) {
      x = kPad;
      y += row_h + kPad;
      row_h = 0;
    }
    places.push_back({x, y});
    x += std::max(w, 110) + kPad;
    row_h = std::max(row_h, h);
  }
  gdi::Bitmap sheet(kWidth, y + row_h + kPad, gdi::PixelFormat::k24bit, 0xFFFFFF);
  gdi::HBITMAP handle = gdi::CreateBitmapFromPixels(std::move(sheet));
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, handle);
  gdi::HFONT font = gdi::CreateFont(-10, 0, 0, 0, gdi::FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, gdi::kTestFontFace);
  gdi::HGDIOBJ old_font = gdi::SelectObject(dc, font);
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  gdi::Bitmap* px = gdi::GetBitmapPixels(handle);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const SkinPicture& p = pictures[i];
    const Place at = places[i];
    gdi::TextOut(dc, at.x, at.y, p.name);
    for (int yy = 0; yy < p.bitmap.height() * kScale; ++yy) {
      for (int xx = 0; xx < p.bitmap.width() * kScale; ++xx) {
        gdi::Pixel c = p.bitmap.pixel(xx / kScale, yy / kScale);
        if (c == 0xFF00FF) c = ((xx / 4 + yy / 4) & 1) ? 0x9A9A9A : 0xB8B8B8;  // key: grey checkerboard
        px->set_pixel(at.x + xx, at.y + kLabel + yy, c);
      }
    }
  }
  gdi::SelectObject(dc, old_font);
  gdi::DeleteObject(font);
  gdi::SelectObject(dc, old);
  gdi::DeleteDC(dc);
  gdi::Bitmap out = *gdi::GetBitmapPixels(handle);
  gdi::DeleteObject(handle);
  return out;
}

}  // namespace skin_gen
