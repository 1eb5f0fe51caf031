#include "tools/image-gen/console_images.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "platform/gdi/bmp_file.h"

namespace image_gen {
namespace {

namespace gdi = platform::gdi;

struct Colour {
  char letter;
  gdi::Pixel pixel;
};
// '.' is the transparent colour; the others make a small palette of outlines, fills and accents.
const Colour kPalette[] = {
    {'.', 0xFF00FF},
    {'K', 0x202020},
    {'k', 0x606060},
    {'S', 0xC0C0C0},
    {'s', 0x808080},
    {'W', 0xFFFFFF},
    {'w', 0xE8E8E8},
    {'B', 0x286EC8},
    {'b', 0x143C8C},
    {'L', 0x8CBEF0},
    {'G', 0x28A03C},
    {'g', 0x146428},
    {'R', 0xD22828},
    {'r', 0x8C1414},
    {'Y', 0xFAC83C},
    {'y', 0xBE8C1E},
    {'O', 0xF08C1E},
    {'P', 0x783CAA},
};

struct Art {
  const char* name;
  std::vector<std::string_view> rows;
};

// One letter a pixel, top row first.
const Art kArt[] = {
    {"settings",
     {
      "................",
      "......kkkk......",
      "..kk..kSSk..kk..",
      ".kSSk.kSSk.kSSk.",
      ".kSSSkkSSkkSSSk.",
      "..kSSSSSSSSSSk..",
      "...kSSSkkSSSk...",
      "kkkkSSk..kSSkkkk",
      "kSSSSSk..kSSSSSk",
      "kkkkSSSkkSSSkkkk",
      "...kSSSSSSSSk...",
      "..kSSSSSSSSSSk..",
      ".kSSSkkSSkkSSSk.",
      ".kSSk.kSSk.kSSk.",
      "..kk..kkkk..kk..",
      "................"
     }},
    {"history",
     {
      "................",
      ".kkkkkkkkkk.....",
      ".kWWWWWWWWk.....",
      ".kWkkkkkkWk.....",
      ".kWWWWWWWWk.....",
      ".kWkkkkkWkkkk...",
      ".kWWWWWWkWWWWk..",
      ".kWkkkkkWWWkWWk.",
      ".kWWWWWkWWWWkWWk",
      ".kWkkkkkWWWWkWWk",
      ".kWWWWWkWWWWkkWk",
      ".kWkkkkkWWWWWWWk",
      ".kWWWWWWkWWWWWk.",
      ".kkkkkkkkkWWWk..",
      "..........kkk...",
      "................"
     }},
    {"alarm",
     {
      "................",
      ".......kk.......",
      "......kYYk......",
      ".....kYYYYk.....",
      "....kYYYYYYk....",
      "....kYYYYYYk....",
      "....kYYYYYYk....",
      "....kYYYYYYk....",
      "...kYYYYYYYYk...",
      "...kYYYYYYYYk...",
      "..kYYYYYYYYYYk..",
      "..kkkkkkkkkkkk..",
      "......kyyk......",
      ".......kk.......",
      "................",
      "................"
     }},
    {"alarm_off",
     {
      "................",
      ".......kk.....RR",
      "......kSSk...RR.",
      ".....kSSSSk.RR..",
      "....kSSSSSSRR...",
      "....kSSSSSRR....",
      "....kSSSSRRk....",
      "....kSSSRRSk....",
      "...kSSSRRSSSk...",
      "...kSSRRSSSSk...",
      "..kSSRRSSSSSSk..",
      "..kkRRkkkkkkkk..",
      "...RR.kssk......",
      "..RR...kk.......",
      ".RR.............",
      "................"
     }},
    {"card",
     {
      "................",
      "...bbbbbbbbb....",
      "...bBBBBBBBBb...",
      "...bBYBYBYBBBb..",
      "...bBYBYBYBBBBb.",
      "...bBBBBBBBBBBb.",
      "...bBBBBBBBBBBb.",
      "...bBWWWWWWWWBb.",
      "...bBWkkkkkWWBb.",
      "...bBWWWWWWWWBb.",
      "...bBWkkkkWWWBb.",
      "...bBWWWWWWWWBb.",
      "...bBBBBBBBBBBb.",
      "...bbbbbbbbbbbb.",
      "................",
      "................"
     }},
    {"read",
     {
      "................",
      "......gggg......",
      "......gGGg......",
      "......gGGg......",
      "......gGGg......",
      "......gGGg......",
      "...gggGGGGggg...",
      "....gGGGGGGg....",
      ".....gGGGGg.....",
      "......gGGg......",
      ".kk....gg....kk.",
      ".kSk........kSk.",
      ".kSSkkkkkkkkSSk.",
      ".kSSSSSSSSSSSSk.",
      ".kkkkkkkkkkkkkk.",
      "................"
     }},
    {"save",
     {
      "................",
      ".bbbbbbbbbbbbbb.",
      ".bBBWWWWWWWWBBb.",
      ".bBBWWWWWWWWBBb.",
      ".bBBWWWWWWWWBBb.",
      ".bBBWWWWWWWWBBb.",
      ".bBBBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBb.",
      ".bBBSSSSSSSSBBb.",
      ".bBBSSSSSbbSBBb.",
      ".bBBSSSSSbbSBBb.",
      ".bBBSSSSSbbSBBb.",
      ".bBBSSSSSSSSBBb.",
      ".bbbbbbbbbbbbbb.",
      "................",
      "................"
     }},
    {"clock",
     {
      "................",
      ".....kkkkkk.....",
      "...kkWWWWWWkk...",
      "..kWWWWkWWWWWk..",
      "..kWWWWkWWWWWk..",
      ".kWWWWWkWWWWWWk.",
      ".kWWWWWkWWWWWWk.",
      ".kWWWWWkkkkkWWk.",
      ".kWWWWWWWWWWWWk.",
      ".kWWWWWWWWWWWWk.",
      "..kWWWWWWWWWWk..",
      "..kWWWWWWWWWWk..",
      "...kkWWWWWWkk...",
      ".....kkkkkk.....",
      "................",
      "................"
     }},
    {"search",
     {
      "................",
      "....kkkkk.......",
      "...kLLLLLk......",
      "..kLWWLLLLk.....",
      "..kLWLLLLLk.....",
      "..kLLLLLLLk.....",
      "..kLLLLLLLk.....",
      "..kLLLLLLLk.....",
      "...kLLLLLk......",
      "....kkkkkyy.....",
      ".........yyy....",
      "..........yyy...",
      "...........yyy..",
      "............yy..",
      "................",
      "................"
     }},
    {"reset",
     {
      "................",
      ".....bbbbbb.....",
      "....bBBBBBBb....",
      "...bBb....bBb.b.",
      "..bBb......bBbB.",
      "..bBb.......bBB.",
      "..bBb.....bBBBB.",
      "..bBb......bbbb.",
      "..bBb...........",
      "..bBb.......b...",
      "...bBb.....bBb..",
      "....bBb...bBb...",
      ".....bBBBBBb....",
      "......bbbbb.....",
      "................",
      "................"
     }},
    {"clear",
     {
      "................",
      "..........kkk...",
      ".........kRRRk..",
      "........kRRRRRk.",
      ".......kRRRRRRk.",
      "......kRRRRRRk..",
      ".....kWRRRRRk...",
      "....kWWWRRRk....",
      "...kWWWWWRk.....",
      "..kWWWWWWk......",
      "..kWWWWWk.......",
      "...kWWWk........",
      "....kkk..kkkkkk.",
      "................",
      "................",
      "................"
     }},
    {"connect",
     {
      "................",
      "................",
      "................",
      "................",
      "...kkkk...kkkk..",
      "...kSSk...kSSk..",
      "...kSSkkkkkSSk..",
      "GGGkSSk...kSSkGG",
      "GGGkSSk...kSSkGG",
      "...kSSkkkkkSSk..",
      "...kSSk...kSSk..",
      "...kkkk...kkkk..",
      "................",
      "................",
      "................",
      "................"
     }},
    {"disconnect",
     {
      "................",
      "................",
      "................",
      "................",
      "..kkkk....kkkk..",
      "..kSSk....kSSk..",
      "..kSSkkk..kSSk..",
      "GGkSSk....kSSkRR",
      "GGkSSk....kSSkRR",
      "..kSSkkk..kSSk..",
      "..kSSk....kSSk..",
      "..kkkk....kkkk..",
      "................",
      "......R..R......",
      ".......RR.......",
      "......R..R......"
     }},
    {"record_on",
     {
      "................",
      "................",
      ".....rrrrrr.....",
      "....rRRRRRRr....",
      "...rRRWRRRRRr...",
      "...rRWRRRRRRr...",
      "...rRRRRRRRRr...",
      "...rRRRRRRRRr...",
      "...rRRRRRRRRr...",
      "...rRRRRRRRRr...",
      "....rRRRRRRr....",
      ".....rrrrrr.....",
      "................",
      "................",
      "................",
      "................"
     }},
    {"record_off",
     {
      "................",
      "................",
      "...kkkkkkkkkk...",
      "...kssssssssk...",
      "...ksSSSSSSsk...",
      "...ksSSSSSSsk...",
      "...ksSSSSSSsk...",
      "...ksSSSSSSsk...",
      "...ksSSSSSSsk...",
      "...ksSSSSSSsk...",
      "...kssssssssk...",
      "...kkkkkkkkkk...",
      "................",
      "................",
      "................",
      "................"
     }},
    {"delete",
     {
      "................",
      "..rr........rr..",
      ".rRRr......rRRr.",
      "..rRRr....rRRr..",
      "...rRRr..rRRr...",
      "....rRRrrRRr....",
      ".....rRRRRr.....",
      "......rRRr......",
      ".....rRRRRr.....",
      "....rRRrrRRr....",
      "...rRRr..rRRr...",
      "..rRRr....rRRr..",
      ".rRRr......rRRr.",
      "..rr........rr..",
      "................",
      "................"
     }},
    {"sleep",
     {
      "................",
      "......PPPP......",
      "....PPPP........",
      "...PPPP.....P...",
      "..PPPP.....PPP..",
      "..PPP.......P...",
      ".PPPP...........",
      ".PPPP...........",
      ".PPPP...........",
      ".PPPPP........P.",
      "..PPPPP......PP.",
      "..PPPPPPP..PPP..",
      "...PPPPPPPPPP...",
      ".....PPPPPP.....",
      "................",
      "................"
     }},
    {"live",
     {
      "................",
      ".k..............",
      ".k..........GG..",
      ".k.........G..G.",
      ".k...GG...G.....",
      ".k..G..G..G.....",
      ".k.G....G.G.....",
      ".kG......G......",
      ".k..............",
      ".k.....BB.......",
      ".k....B..B....B.",
      ".k...B....B..B..",
      ".kBBB......BB...",
      ".kkkkkkkkkkkkkk.",
      "................",
      "................"
     }},
    {"export",
     {
      "................",
      "..........GG....",
      "..........GGG...",
      ".....GGGGGGGGG..",
      "....GGGGGGGGGGG.",
      "....GG....GGG...",
      "...GG.....GG....",
      "...GG...........",
      ".kkkkkkk..kkkkk.",
      ".kWWWWWk..kWWWk.",
      ".kWWWWWkkkkWWWk.",
      ".kWWWWWWWWWWWWk.",
      ".kWWWWWWWWWWWWk.",
      ".kkkkkkkkkkkkkk.",
      "................",
      "................"
     }},
    {"help",
     {
      "................................",
      "...........bbbbbbbbbb...........",
      "........bbbBBBBBBBBBbbb.........",
      "......bbBBBBBBBBBBBBBBBBbb......",
      ".....bBBBBBBBBBBBBBBBBBBBBb.....",
      "....bBBBBBBBBBBBBBBBBBBBBBBb....",
      "...bBBBBBBBBWWWWWWWBBBBBBBBBb...",
      "...bBBBBBBBWWWWWWWWWBBBBBBBBb...",
      "..bBBBBBBBWWWWBBBWWWWBBBBBBBBb..",
      "..bBBBBBBBWWWBBBBBWWWBBBBBBBBb..",
      ".bBBBBBBBBWWWBBBBBWWWBBBBBBBBBb.",
      ".bBBBBBBBBBBBBBBBBWWWBBBBBBBBBb.",
      ".bBBBBBBBBBBBBBBBWWWWBBBBBBBBBb.",
      ".bBBBBBBBBBBBBBBWWWWBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBBWWWWBBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBWWWWBBBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBWWWBBBBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBWWWBBBBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBWWWBBBBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBBBBBBBBBBBBBBBBBb.",
      ".bBBBBBBBBBBBBBBBBBBBBBBBBBBBBb.",
      "..bBBBBBBBBBBBWWWBBBBBBBBBBBBb..",
      "..bBBBBBBBBBBBWWWBBBBBBBBBBBBb..",
      "...bBBBBBBBBBBWWWBBBBBBBBBBBb...",
      "...bBBBBBBBBBBBBBBBBBBBBBBBBb...",
      "....bBBBBBBBBBBBBBBBBBBBBBBb....",
      ".....bBBBBBBBBBBBBBBBBBBBBb.....",
      "......bbBBBBBBBBBBBBBBBBbb......",
      "........bbbBBBBBBBBBBbbb........",
      "...........bbbbbbbbbb...........",
      "................................",
      "................................"
     }},
    {"data",
     {
      "................................",
      "................................",
      "................................",
      "..yyyyyyyy......................",
      ".yYYYYYYYYy.....................",
      ".yYYYYYYYYYyyyyyyyyyyyyyyyy.....",
      ".yYYYYYYYYYYYYYYYYYYYYYYYYYy....",
      ".yYYYYYYYYYYYYYYYYYYYYYYYYYy....",
      ".yYYYYWWWWWWWWWWWWWWWWWYYYYy....",
      ".yYYYYWWWWWWWWWWWWWWWWWYYYYy....",
      ".yYYYYWWkkkkkkkkkkkkkWWYYYYy....",
      ".yYYYYWWWWWWWWWWWWWWWWWYYYYy....",
      ".yYYYYWWkkkkkkkkkkkWWWWYYYYy....",
      ".yYYYYWWWWWWWWWWWWWWWWWYYYYy....",
      ".yyyyyyyyyyyyyyyyyyyyyyyyyyyyyy.",
      ".yOOOOOOOOOOOOOOOOOOOOOOOOOOOOy.",
      ".yOOOOOOOOOOOOOOOOOOOOOOOOOOOOy.",
      "..yOOOOOOOOOOOOOOOOOOOOOOOOOOy..",
      "..yOOOOOOOOOOOOOOOOOOOOOOOOOOy..",
      "..yOOOOOOOOOOOOOOOOOOOOOOOOOOy..",
      "..yOOOOOOOOOOOOOOOOOOOOOOOOOOy..",
      "...yOOOOOOOOOOOOOOOOOOOOOOOOy...",
      "...yOOOOOOOOOOOOOOOOOOOOOOOOy...",
      "...yOOOOOOOOOOOOOOOOOOOOOOOOy...",
      "...yOOOOOOOOOOOOOOOOOOOOOOOOy...",
      "....yOOOOOOOOOOOOOOOOOOOOOOy....",
      "....yOOOOOOOOOOOOOOOOOOOOOOy....",
      "....yyyyyyyyyyyyyyyyyyyyyyyy....",
      "................................",
      "................................",
      "................................",
      "................................"
     }},
};

gdi::Pixel colour_of(char letter, const char* name) {
  for (const Colour& c : kPalette)
    if (c.letter == letter) return c.pixel;
  throw std::logic_error(std::string("image ") + name + ": no colour for '" + letter + "'");
}

gdi::Bitmap draw(const Art& art) {
  const int h = static_cast<int>(art.rows.size());
  const int w = h > 0 ? static_cast<int>(art.rows[0].size()) : 0;
  gdi::Bitmap b(w, h, gdi::PixelFormat::k24bit, kTransparentPixel);
  for (int y = 0; y < h; ++y) {
    if (static_cast<int>(art.rows[static_cast<std::size_t>(y)].size()) != w)
      throw std::logic_error(std::string("image ") + art.name + ": rows of different lengths");
    for (int x = 0; x < w; ++x) b.set_pixel(x, y, colour_of(art.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)], art.name));
  }
  if (h == 0 || b.pixel(0, h - 1) != kTransparentPixel)
    throw std::logic_error(std::string("image ") + art.name + ": the bottom-left pixel must be the transparent one");
  return b;
}

}  // namespace

std::vector<ConsoleImage> console_images() {
  std::vector<ConsoleImage> out;
  for (const Art& a : kArt) out.push_back({a.name, draw(a)});
  return out;
}

std::vector<std::uint8_t> console_image_file(const ConsoleImage& image) {
  return gdi::write_bmp(image.bitmap, gdi::PixelFormat::k24bit);
}

gdi::Bitmap contact_sheet(const std::vector<ConsoleImage>& images) {
  constexpr int kScale = 4, kCell = 36 * kScale, kColumns = 8;
  const int rows = (static_cast<int>(images.size()) + kColumns - 1) / kColumns;
  gdi::Bitmap sheet(kColumns * kCell, std::max(1, rows) * kCell, gdi::PixelFormat::k24bit, 0xC8C8C8);
  for (std::size_t i = 0; i < images.size(); ++i) {
    const gdi::Bitmap& b = images[i].bitmap;
    const int ox = static_cast<int>(i % kColumns) * kCell, oy = static_cast<int>(i / kColumns) * kCell;
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x) {
        const gdi::Pixel p = b.pixel(x, y) == kTransparentPixel ? 0xD4D0C8 : b.pixel(x, y);
        for (int dy = 0; dy < kScale; ++dy)
          for (int dx = 0; dx < kScale; ++dx) sheet.set_pixel(ox + x * kScale + dx, oy + y * kScale + dy, p);
      }
  }
  return sheet;
}

}  // namespace image_gen
