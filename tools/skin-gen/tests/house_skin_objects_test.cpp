// The objects the skin loader makes of the checked-in skin carry what its INI says.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "skin/quick_ini.h"
#include "skin/skin_objects.h"
#include "skin/skin_reader.h"
#include "platform/gdi/png_file.h"
#include "tools/skin-gen/house_skin.h"
#include "tools/skin-gen/preview.h"

namespace skin_gen {
namespace {

using platform::gdi::RGB;

TEST(HouseSkinObjects, LoadedValuesFollowTheIni) {
  const char* root = std::getenv("THC_SOURCE_DIR");
  std::ifstream f(std::string(root ? root : "../..") + "/" + kHouseSkinAsset, std::ios::binary);
  const std::vector<std::uint8_t> package((std::istreambuf_iterator<char>(f)), {});
  ASSERT_FALSE(package.empty());
  skin::TSkinReader reader;
  ASSERT_TRUE(reader.LoadPackage(package));
  EXPECT_EQ(reader.version(), 70000);
  EXPECT_EQ(reader.count(), static_cast<int>(house_skin_pictures().size()) + 1);
  std::vector<std::uint8_t> ini_bytes;
  std::string ini_name;
  ASSERT_TRUE(reader.FindEntryContaining(".ini", ini_bytes, ini_name));
  EXPECT_EQ(ini_name, "skin.ini");
  skin::TQuickIni ini;
  ini.LoadFromStream(ini_bytes);
  skin::TSkinObjects o;
  o.Load(reader, ini);

  EXPECT_EQ(o.FSkinName, "thconsole clear");
  // Borders: two frames, the title's fixed ends, all cut by the key colour.
  for (int k = 1; k <= 4; ++k) {
    ASSERT_TRUE(o.FBorders[k]);
    EXPECT_FALSE(o.FBorders[k]->Image.Empty()) << k;
    EXPECT_EQ(o.FBorders[k]->Frame, 2) << k;
    EXPECT_EQ(o.FBorders[k]->Trans, 1) << k;
  }
  EXPECT_EQ(o.FBorders[3]->Image.Height() / 2, 28);
  EXPECT_EQ(o.FBorders[3]->LeftWidth, 8);
  EXPECT_EQ(o.FBorders[3]->RightWidth, 8);
  EXPECT_EQ(o.FBorders[1]->Image.Width() / 2, 3);
  // The top-left corner of the title is cut out; its middle is the active title colour.
  EXPECT_EQ(o.FBorders[3]->Image.PixelColour(0, 0), 0xFF00FFu);
  EXPECT_NE(o.FColours[17], 0xFF00FFu);
  EXPECT_EQ(o.FTitle->FontHeight, 15);
  EXPECT_EQ(o.FTitle->LeftWidth, 30);
  EXPECT_EQ(o.FTitle->TopHeight, 6);
  EXPECT_EQ(o.FTitle->RightWidth, 96);
  EXPECT_EQ(o.FTitle->ActiveText, RGB(255, 255, 255));
  EXPECT_EQ(o.FTitle->InActiveText, RGB(240, 243, 246));
  // Caption buttons: close, maximise, minimise, the icon, and the three of a maximised MDI child.
  ASSERT_EQ(o.FSysButtons.size(), 7u);
  const struct {
    int action, align, x, frame;
    bool image;
  } buttons[] = {{0, 1, 34, 4, true}, {1, 1, 60, 4, true}, {2, 1, 86, 4, true}, {3, 0, 8, 6, false}};
  for (int i = 0; i < 4; ++i) {
    const auto& b = *o.FSysButtons[static_cast<std::size_t>(i)];
    EXPECT_EQ(b.Action, buttons[i].action) << i;
    EXPECT_EQ(b.Align, buttons[i].align) << i;
    EXPECT_EQ(b.Xcoord, buttons[i].x) << i;
    EXPECT_EQ(b.Frame, buttons[i].frame) << i;
    EXPECT_EQ(!b.Image.Empty(), buttons[i].image) << i;
    if (buttons[i].image) {
      EXPECT_EQ(b.Image.Width() / b.Frame, 26) << i;
    }
  }
  EXPECT_EQ(o.FSysButtons[1]->Visibility, 6);
  ASSERT_TRUE(o.FButtons);
  EXPECT_EQ(o.FButtons->Frame, 5);
  EXPECT_EQ(o.FButtons->Margins(), (platform::gdi::RECT{4, 4, 4, 4}));
  EXPECT_EQ(o.FButtons->CheckButtonFrame, 4);
  EXPECT_EQ(o.FButtons->RadioButtonFrame, 4);
  EXPECT_EQ(o.FButtons->HasMouseOverColour2, 1);
  EXPECT_EQ(o.FButtons->MouseOverColour2, RGB(31, 84, 140));
  ASSERT_TRUE(o.FTabs);
  EXPECT_EQ(o.FTabs->Frame, 5);
  EXPECT_FALSE(o.FTabs->Image2.Empty());
  EXPECT_EQ(o.FStatusBarEdges->Frame, 3);
  EXPECT_EQ(o.FMenuItem->Frame, 5);
  EXPECT_EQ(o.FMenuBackground->Frame, 1);
  EXPECT_EQ(o.FScrollbar->Frame, 23);
  EXPECT_EQ(o.FScrollbar->Image.Width() / 23, 17);
  EXPECT_EQ(o.FHorzScroll->Frame, 4);
  EXPECT_EQ(o.FVertScrollThumb->Frame, 3);
  EXPECT_EQ(o.FVertScrollThumb->TopHeight, 6);
  // The combo pictures are derived from the edit frame: 4 cells of 50 x 21.
  ASSERT_TRUE(o.FComboButton && o.FSunkEdge && o.FComboxArrow);
  EXPECT_EQ(o.FComboButton->Style, 2);
  EXPECT_EQ(o.FComboButton->Image.Width(), 200);
  EXPECT_EQ(o.FComboButton->RightWidth, 21);
  EXPECT_EQ(o.FSunkEdge->LeftWidth, 21);
  EXPECT_EQ(o.FComboxArrow->Frame, 4);
  // Track pictures are the built-in ones; the tool-bar gradient exists.
  EXPECT_EQ(o.FTrack->Image.Width(), 16);
  EXPECT_EQ(o.FToolbar->Image.Height(), 40);
  const std::pair<int, platform::gdi::COLORREF> colours[] = {
      {0, RGB(31, 41, 51)},    {3, RGB(243, 245, 248)}, {12, RGB(43, 108, 176)},
      {13, RGB(243, 245, 248)}, {1, RGB(255, 255, 255)}, {18, RGB(236, 239, 243)}};
  for (const auto& [i, c] : colours) {
    EXPECT_EQ(o.FColours[static_cast<std::size_t>(i)], c) << i;
    EXPECT_EQ(o.FColourGiven[static_cast<std::size_t>(i)], 1) << i;
  }
  EXPECT_EQ(o.FColourGiven[9], 0);
  ASSERT_NE(o.FFaceBrush, nullptr);

  // A mock window drawn from these objects, kept beside the sheet for a person to look at.
  const char* bin = std::getenv("THC_BINARY_DIR");
  const std::string out = std::string(bin ? bin : ".") + "/tools/skin-gen/house_skin_preview.png";
  const platform::gdi::Bitmap preview = window_preview(o);
  platform::gdi::write_png_file(out, preview);
  // The title's rounded corner leaves the desktop showing; the title itself is drawn.
  EXPECT_EQ(preview.pixel(20, 20), platform::gdi::pixel_from_colorref(RGB(206, 212, 220)));
  EXPECT_NE(preview.pixel(60, 30), platform::gdi::pixel_from_colorref(RGB(206, 212, 220)));
}

}  // namespace
}  // namespace skin_gen
