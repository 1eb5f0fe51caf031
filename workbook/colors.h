// The workbook model's colour value (automatic, palette index, RGB or theme colour with a tint),
// the process-wide palette and the resolution of any colour to a screen colour.
// Colours at the programming interface are 0xRRGGBB; screen colours and palette entries 0x00BBGGRR.
#pragma once

#include <array>
#include <cstdint>

namespace workbook {

enum TXc12ColorType : std::uint8_t { xctAuto, xctIndexed, xctRgb, xctTheme, xctUnassigned };

struct TXc12Color {
  std::uint32_t ARGB = 0;  // cached resolved value
  double Tint = 0;         // -1..1, theme colours only
  TXc12ColorType ColorType = xctAuto;
  std::uint8_t Index = 0;  // palette index or theme index
  std::uint32_t RGB = 0;   // literal colour, 0xRRGGBB
};

// Names of the palette indexes 0..64.
enum TXc12IndexColor : std::uint8_t {
  xc0, xc1, xc2, xc3, xc4, xc5, xc6, xc7,
  xcBlack, xcWhite, xcRed, xcBrightGreen, xcBlue, xcYellow, xcPink, xcTurquoise,
  xcDarkRed, xcGreen, xcDarkBlue, xcBrownGreen, xcViolet, xcBlueGreen, xcGray25, xcGray50,
  xc24, xc25, xc26, xc27, xc28, xc29, xc30, xc31, xc32, xc33, xc34, xc35, xc36, xc37, xc38, xc39,
  xcSky, xcPaleTurquois, xcPaleGreen, xcLightYellow, xcPaleSky, xcRose, xcLilac, xcLightBrown,
  xcDarkSky, xcDarkTurquois, xcGrass, xcGold, xcLightOrange, xcOrange, xcDarkBlueGray, xcGray40,
  xcDarkGreenGray, xcEmerald, xcDarkGreen, xcOlive, xcBrown, xcCherry, xcIndigo, xcGray80,
  xcAutomatic
};

inline constexpr int kXc12PaletteSize = 66;
inline constexpr int kXc12DefaultPaletteSize = 78;

// The default table: 0..7 repeat 8..15, 8..63 the default palette, 64 and 65 0x0F000000,
// 66..77 the default theme colours (all 0x00BBGGRR).
extern const std::array<std::uint32_t, kXc12DefaultPaletteSize> Xc12DefaultPalette;
// An indexed-colour palette (0x00BBGGRR); 64 is the automatic colour. Each workbook owns one
// (its style sheet's); the process-wide one serves code that has no workbook at hand.
using TXc12Palette = std::array<std::uint32_t, kXc12PaletteSize>;
std::array<std::uint32_t, kXc12PaletteSize>& Xc12Palette();
// The palette as the program starts (see ResetXc12Palette).
TXc12Palette Xc12StartPalette();
// The full default table's first entries: 0..7 the eight basic colours, as a package's indexed
// colours expect them.
TXc12Palette Xc12FullDefaultPalette();
// The palette as the program starts: entries 9..65 from the default table, 0..8 zero.
void ResetXc12Palette();
// Default theme colour of theme index 0..11 (0x00BBGGRR); 0 for other indexes.
std::uint32_t Xc12ThemeColor(int Index);

std::uint32_t Xc12ColorToRGB(const TXc12Color& Color);
void IndexToXc12Color(int Index, TXc12Color& Color);
void SetXc12ColorRGB(std::int32_t Value, TXc12Color& Color);
void SetXc12ColorAuto(std::int32_t Value, TXc12Color& Color);
bool Xc12ColorEqual(const TXc12Color& A, const TXc12Color& B);
std::int32_t Xc12ColorHash(const TXc12Color& Color);

// Integer HLS (all 0..255) of a 0x00BBGGRR colour, and back.
void RGBToHLS(std::uint32_t Color, int& H, int& L, int& S);
std::uint32_t HLSToRGB(int H, int L, int S);

}  // namespace workbook
