#include "workbook/colors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace workbook {

namespace {

constexpr std::uint32_t bgr(std::uint32_t rgb) {
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

}  // namespace

// The BIFF8 default palette (as 0xRRGGBB, turned into 0x00BBGGRR).
const std::array<std::uint32_t, kXc12DefaultPaletteSize> Xc12DefaultPalette = {
    bgr(0x000000), bgr(0xFFFFFF), bgr(0xFF0000), bgr(0x00FF00), bgr(0x0000FF), bgr(0xFFFF00), bgr(0xFF00FF),
    bgr(0x00FFFF),
    // 8..63
    bgr(0x000000), bgr(0xFFFFFF), bgr(0xFF0000), bgr(0x00FF00), bgr(0x0000FF), bgr(0xFFFF00), bgr(0xFF00FF),
    bgr(0x00FFFF), bgr(0x800000), bgr(0x008000), bgr(0x000080), bgr(0x808000), bgr(0x800080), bgr(0x008080),
    bgr(0xC0C0C0), bgr(0x808080), bgr(0x9999FF), bgr(0x993366), bgr(0xFFFFCC), bgr(0xCCFFFF), bgr(0x660066),
    bgr(0xFF8080), bgr(0x0066CC), bgr(0xCCCCFF), bgr(0x000080), bgr(0xFF00FF), bgr(0xFFFF00), bgr(0x00FFFF),
    bgr(0x800080), bgr(0x800000), bgr(0x008080), bgr(0x0000FF), bgr(0x00CCFF), bgr(0xCCFFFF), bgr(0xCCFFCC),
    bgr(0xFFFF99), bgr(0x99CCFF), bgr(0xFF99CC), bgr(0xCC99FF), bgr(0xFFCC99), bgr(0x3366FF), bgr(0x33CCCC),
    bgr(0x99CC00), bgr(0xFFCC00), bgr(0xFF9900), bgr(0xFF6600), bgr(0x666699), bgr(0x969696), bgr(0x003366),
    bgr(0x339966), bgr(0x003300), bgr(0x333300), bgr(0x993300), bgr(0x993366), bgr(0x333399), bgr(0x333333),
    // 64, 65
    0x0F000000, 0x0F000000,
    // 66..77: theme colours by theme index
    bgr(0xFFFFFF), bgr(0x000000), bgr(0xEEECE1), bgr(0x1F497D), bgr(0x4F81BD), bgr(0xC0504D), bgr(0x9BBB59),
    bgr(0x8064A2), bgr(0x4BACC6), bgr(0xF79646), bgr(0x0000FF), bgr(0x800080)};

TXc12Palette Xc12StartPalette() {
  TXc12Palette p{};
  for (int i = 9; i < kXc12PaletteSize; ++i) p[static_cast<std::size_t>(i)] = Xc12DefaultPalette[static_cast<std::size_t>(i)];
  return p;
}

TXc12Palette Xc12FullDefaultPalette() {
  TXc12Palette p{};
  for (int i = 0; i < kXc12PaletteSize; ++i) p[static_cast<std::size_t>(i)] = Xc12DefaultPalette[static_cast<std::size_t>(i)];
  return p;
}

std::array<std::uint32_t, kXc12PaletteSize>& Xc12Palette() {
  static std::array<std::uint32_t, kXc12PaletteSize> palette = Xc12StartPalette();
  return palette;
}

void ResetXc12Palette() { Xc12Palette() = Xc12StartPalette(); }

std::uint32_t Xc12ThemeColor(int Index) {
  if (Index < 0 || Index > 11) return 0;
  return Xc12DefaultPalette[static_cast<std::size_t>(66 + Index)];
}

void RGBToHLS(std::uint32_t Color, int& H, int& L, int& S) {
  int R = static_cast<int>(Color & 0xFF), G = static_cast<int>((Color >> 8) & 0xFF), B = static_cast<int>((Color >> 16) & 0xFF);
  int mx = std::max({R, G, B}), mn = std::min({R, G, B});
  L = (mx + mn) / 2;
  if (mx == mn) {
    H = 0;
    S = 0;
    return;
  }
  int d = mx - mn;
  S = L < 128 ? (d * 256) / (mx + mn) : (d * 256) / (512 - mx - mn);
  S = std::min(S, 255);
  int h;
  if (mx == R)
    h = ((G - B) * 256) / d;
  else if (mx == G)
    h = ((B - R) * 256) / d + 512;
  else
    h = ((R - G) * 256) / d + 1024;
  // Stored as a byte: a negative hue wraps modulo 256.
  H = static_cast<std::uint8_t>(h / 6);
}

std::uint32_t HLSToRGB(int H, int L, int S) {
  if (S == 0) {
    std::uint32_t v = static_cast<std::uint32_t>(std::clamp(L, 0, 255));
    return v | (v << 8) | (v << 16);
  }
  int m2 = L < 128 ? (L * (S + 256)) >> 8 : L + S - ((L * S) >> 8);
  int m1 = 2 * L - m2;
  int k = 6 * (m2 - m1);
  auto value = [&](int h) {
    if (h < 0) h += 256;
    if (h > 256) h -= 256;
    int v;
    if (h < 43)
      v = m1 + ((k * h) >> 8);
    else if (h < 128)
      v = m2;
    else if (h < 171)
      v = m1 + ((k * (170 - h)) >> 8);
    else
      v = m1;
    return static_cast<std::uint32_t>(std::clamp(v, 0, 255));
  };
  return value(H + 85) + value(H) * 256 + value(H - 85) * 65536;
}

std::uint32_t Xc12ColorToRGB(const TXc12Color& Color) {
  switch (Color.ColorType) {
    case xctAuto:
      return 0;
    case xctIndexed:
      return Color.Index < kXc12PaletteSize ? Xc12Palette()[Color.Index] : 0;
    case xctRgb:
      return bgr(Color.RGB & 0xFFFFFF);
    case xctTheme: {
      std::uint32_t c = Xc12ThemeColor(Color.Index);
      if (Color.Tint == 0) return c;
      int H, L, S;
      RGBToHLS(c, H, L, S);
      // Tints outside -1..1 (from a damaged file) are taken at their limit.
      double t = std::isnan(Color.Tint) ? 0 : std::clamp(Color.Tint, -1.0, 1.0);
      double l = t > 0 ? (1 - t) * L + (255 - (1 - t) * 255) : (1 + t) * L;
      L = static_cast<std::uint8_t>(static_cast<int>(std::nearbyint(l)));
      return HLSToRGB(H, L, S);
    }
    default:
      return 0;
  }
}

void IndexToXc12Color(int Index, TXc12Color& Color) {
  Color.ColorType = xctIndexed;
  Color.Tint = 0;
  if (Index >= 0 && Index <= 64) {
    Color.Index = static_cast<std::uint8_t>(Index);
    Color.ARGB = Xc12Palette()[static_cast<std::size_t>(Index)];
  } else {
    Color.Index = 64;
    Color.ARGB = 0xF0000000u;
  }
}

void SetXc12ColorRGB(std::int32_t Value, TXc12Color& Color) {
  Color.ColorType = xctRgb;
  Color.RGB = static_cast<std::uint32_t>(Value);
  Color.ARGB = static_cast<std::uint32_t>(Value);
  Color.Tint = 0;
}

void SetXc12ColorAuto(std::int32_t Value, TXc12Color& Color) {
  Color.ColorType = xctAuto;
  Color.ARGB = static_cast<std::uint32_t>(Value);
}

bool Xc12ColorEqual(const TXc12Color& A, const TXc12Color& B) {
  if (A.ColorType != B.ColorType) return false;
  switch (A.ColorType) {
    case xctAuto:
      return true;
    case xctIndexed:
      return A.Index == B.Index;
    case xctRgb:
      return A.RGB == B.RGB;
    case xctTheme:
      return A.Index == B.Index && std::fabs(A.Tint - B.Tint) <= 1e-4;
    default:
      return false;
  }
}

std::int32_t Xc12ColorHash(const TXc12Color& Color) {
  std::uint32_t h;
  switch (Color.ColorType) {
    case xctAuto:
      h = 1;
      break;
    case xctIndexed:
      h = 1u + Color.Index;
      break;
    case xctRgb:
      h = 2u + Color.RGB;
      break;
    case xctTheme:
      h = 3u + Color.Index +
          static_cast<std::uint32_t>(static_cast<std::int32_t>(
              std::nearbyint((std::isnan(Color.Tint) ? 0 : std::clamp(Color.Tint, -1.0, 1.0)) * 10000)));
      break;
    default:
      h = 4;
  }
  return static_cast<std::int32_t>(h);
}

}  // namespace workbook
