#include "workbook/colors.h"

#include <gtest/gtest.h>

namespace workbook {
namespace {

class ColorTest : public ::testing::Test {
protected:
  void TearDown() override { ResetXc12Palette(); }
};

TXc12Color Theme(int index, double tint) {
  TXc12Color c;
  c.ColorType = xctTheme;
  c.Index = static_cast<std::uint8_t>(index);
  c.Tint = tint;
  return c;
}

TEST_F(ColorTest, ThemeTints) {
  struct Case {
    int theme;
    double tint;
    std::uint32_t bgr;
  } cases[] = {
      {1, 0.5, 0x808080},  {0, -0.25, 0xBFBFBF}, {4, 0.4, 0xD8B294}, {4, -0.5, 0x613F25},
      {4, 0, 0xBD814F},    {3, 0, 0x7D491F},     {1, 0, 0x000000},   {0, 0, 0xFFFFFF},
      {0, -0.05, 0xF2F2F2}, {1, 0.25, 0x404040}, {1, 1.0, 0xFFFFFF},  {0, -1.0, 0x000000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Xc12ColorToRGB(Theme(c.theme, c.tint)), c.bgr) << "theme " << c.theme << " tint " << c.tint;
  }
  EXPECT_EQ(Xc12ColorToRGB(Theme(12, 0)), 0u);  // no theme colour beyond index 11
  // Tints beyond the range of a damaged file act as their limit.
  EXPECT_EQ(Xc12ColorToRGB(Theme(1, 1e300)), 0xFFFFFFu);
  EXPECT_EQ(Xc12ColorToRGB(Theme(0, -5)), 0u);
  EXPECT_EQ(Xc12ColorHash(Theme(0, 1e300)), 3 + 10000);
}

TEST_F(ColorTest, ResolvesEveryKind) {
  TXc12Color c;
  SetXc12ColorRGB(0x0000FF, c);  // blue at the interface
  EXPECT_EQ(Xc12ColorToRGB(c), 0xFF0000u);
  EXPECT_EQ(c.ARGB, 0x0000FFu);
  SetXc12ColorRGB(static_cast<std::int32_t>(0xFF123456), c);
  EXPECT_EQ(Xc12ColorToRGB(c), 0x563412u);  // top byte dropped
  SetXc12ColorAuto(0, c);
  EXPECT_EQ(Xc12ColorToRGB(c), 0u);
  IndexToXc12Color(xcRed, c);
  EXPECT_EQ(Xc12ColorToRGB(c), 0x0000FFu);
  TXc12Color u;
  u.ColorType = xctUnassigned;
  EXPECT_EQ(Xc12ColorToRGB(u), 0u);
}

TEST_F(ColorTest, IndexOutsideThePaletteBecomesAutomatic) {
  TXc12Color c;
  for (int bad : {65, -1, 1000}) {
    IndexToXc12Color(bad, c);
    EXPECT_EQ(c.Index, 64);
    EXPECT_EQ(c.ARGB, 0xF0000000u);
    EXPECT_EQ(c.ColorType, xctIndexed);
  }
  IndexToXc12Color(64, c);
  EXPECT_EQ(c.ARGB, 0x0F000000u);
}

TEST_F(ColorTest, PaletteStartsFromTheDefaultTable) {
  const auto& p = Xc12Palette();
  for (int i = 0; i <= 8; ++i) EXPECT_EQ(p[static_cast<std::size_t>(i)], 0u) << i;
  EXPECT_EQ(p[xcWhite], 0xFFFFFFu);
  EXPECT_EQ(p[xcRed], 0x0000FFu);
  EXPECT_EQ(p[xcGray80], 0x333333u);
  EXPECT_EQ(p[xcOrange], 0x0066FFu);  // FF6600 as 0x00BBGGRR
  EXPECT_EQ(p[65], 0x0F000000u);
  EXPECT_EQ(Xc12DefaultPalette[0], 0u);
  EXPECT_EQ(Xc12DefaultPalette[2], 0x0000FFu);
  EXPECT_EQ(Xc12DefaultPalette[77], 0x800080u);  // theme 11
  Xc12Palette()[10] = 1;
  ResetXc12Palette();
  EXPECT_EQ(Xc12Palette()[10], 0x0000FFu);
}

TEST_F(ColorTest, EqualityAndHash) {
  TXc12Color a = Theme(4, 0.5), b = Theme(4, 0.50005), c = Theme(4, 0.5002);
  EXPECT_TRUE(Xc12ColorEqual(a, b));
  EXPECT_FALSE(Xc12ColorEqual(a, c));
  EXPECT_FALSE(Xc12ColorEqual(a, Theme(5, 0.5)));
  TXc12Color u;
  u.ColorType = xctUnassigned;
  EXPECT_FALSE(Xc12ColorEqual(u, u));
  TXc12Color auto1, auto2;
  SetXc12ColorAuto(0, auto1);
  SetXc12ColorAuto(0x123, auto2);
  EXPECT_TRUE(Xc12ColorEqual(auto1, auto2));
  TXc12Color i1, i2;
  IndexToXc12Color(10, i1);
  SetXc12ColorRGB(0xFF0000, i2);
  EXPECT_FALSE(Xc12ColorEqual(i1, i2));  // same look, different kinds

  EXPECT_EQ(Xc12ColorHash(auto1), 1);
  EXPECT_EQ(Xc12ColorHash(i1), 11);
  EXPECT_EQ(Xc12ColorHash(i2), 2 + 0xFF0000);
  EXPECT_EQ(Xc12ColorHash(a), 3 + 4 + 5000);
  EXPECT_EQ(Xc12ColorHash(Theme(4, -0.25)), 3 + 4 - 2500);
  EXPECT_EQ(Xc12ColorHash(u), 4);
  TXc12Color wrap;
  SetXc12ColorRGB(-1, wrap);
  EXPECT_EQ(Xc12ColorHash(wrap), 1);  // sums wrap at 32 bits
}

}  // namespace
}  // namespace workbook
