// The skin loader against a synthetic skin whose every frame is one solid colour, so that a pixel
// tells which frame of which picture ended up where.
#include "skin/skin_objects.h"

#include <gtest/gtest.h>

#include "core/byte_io.h"
#include "platform/gdi/bmp_file.h"
#include "skin/draw_primitives.h"
#include "skin/image_util.h"

namespace skin {
namespace {

using gdi::COLORREF;
using gdi::RGB;

// Frame k (1-based) of a picture with tag t has the colour RGB(t, 10 * k, 77).
COLORREF frame_colour(int tag, int k) { return RGB(tag, 10 * k, 77); }

gdi::Bitmap frames_picture(int tag, int w, int h, int count, bool vertical = false) {
  gdi::Bitmap b(w, h, gdi::PixelFormat::k24bit);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int k = vertical ? y / std::max(h / count, 1) : x / std::max(w / count, 1);
      b.set_pixel(x, y, gdi::pixel_from_colorref(frame_colour(tag, std::min(k, count - 1) + 1)));
    }
  }
  return b;
}

std::vector<std::uint8_t> bmp(const gdi::Bitmap& b) { return gdi::write_bmp(b, gdi::PixelFormat::k24bit); }

struct Synthetic {
  std::vector<SkinEntry> entries;
  std::string ini;
  void add(const std::string& name, const gdi::Bitmap& b) { entries.push_back({name, bmp(b)}); }

  void load_into(TSkinObjects& o, int arrow = 17) {
    entries.push_back({"Skin.INI", std::vector<std::uint8_t>(ini.begin(), ini.end())});
    TSkinReader reader;
    EXPECT_TRUE(reader.LoadPackage(build_skin_package(entries)));
    std::vector<std::uint8_t> text;
    std::string name;
    EXPECT_TRUE(reader.FindEntryContaining(".ini", text, name));
    TQuickIni q;
    q.LoadFromStream(text);
    o.Load(reader, q, arrow);
  }
};

TEST(ParseColourTriple, Forms) {
  const std::pair<const char*, COLORREF> cases[] = {
      {"227 238 253", RGB(227, 238, 253)}, {"227,238,253", RGB(227, 238, 253)}, {" 1;2;3 ", RGB(1, 2, 3)},
      {"255", 0},                           {"10,20", RGB(10, 0, 0)},            {"1,2,3,4", RGB(1, 2, 3)},
      {"300,2,3", RGB(44, 2, 3)},           {"a1b2c3", RGB(1, 2, 3)},             {"", 0},
  };
  for (const auto& [text, colour] : cases) EXPECT_EQ(ParseColourTriple(text), colour) << text;
}

// A synthetic skin shaped like the skin the console was designed with.
Synthetic designed_skin() {
  Synthetic s;
  s.add("top.bmp", frames_picture(1, 60, 52, 2, true));
  s.add("left.bmp", frames_picture(2, 8, 40, 2));
  s.add("b0.bmp", frames_picture(3, 126, 21, 6));
  s.add("b1.bmp", frames_picture(4, 126, 21, 6));
  s.add("b2.bmp", frames_picture(5, 126, 21, 6));
  s.add("b3.bmp", frames_picture(6, 63, 21, 3));
  s.add("mdi.bmp", frames_picture(7, 120, 10, 12));
  s.add("radio.bmp", frames_picture(8, 104, 13, 8));
  s.add("check.bmp", frames_picture(9, 64, 16, 4));
  s.add("button.bmp", frames_picture(10, 100, 20, 5));
  s.add("header.bmp", frames_picture(11, 50, 10, 5));
  s.add("menu.bmp", frames_picture(12, 50, 10, 5));
  s.add("sunk.bmp", frames_picture(13, 48, 12, 4));
  s.add("combo.bmp", frames_picture(14, 76, 21, 4));
  s.add("extra.bmp", frames_picture(15, 60, 12, 5));
  s.entries.push_back({"broken.bmp", {'B', 'M', 1, 2, 3}});
  s.ini =
      "[TitlebarSkin]\nSkinName=synthetic\n"
      "[Personality]\nTop=top.bmp\nTopFrame=2\nTopTopHeight=5\nTopBotHeight=6\nLeft=skins\\left.bmp\nLeftFrame=0\n"
      "Right=right.BMP\nBottom=broken.bmp\nActiveTextR=1\nActiveTextG=2\nInActiveTextR=3\nInActiveTextG=4\n"
      "InActiveTextB=5\n"
      "[Button0]\nButtonImage=b0.bmp\nAction=0\nAlign=1\nXcoord=30\n"
      "[Button1]\nButtonImage=b1.bmp\nAction=1\nVisibility=2\nXcoord=50\nYcoord=3\n"
      "[Button2]\nButtonImage=b2.bmp\nAction=4\n"
      "[Button3]\nButtonImage=b3.bmp\nAction=2\n"
      "[Button4]\nAction=3\n"
      "[ButtonHidden]\nAction=-1\n"
      "[Button.Radio]\nAction=0\n"
      "[MDICONTROLS]\nImage=mdi.bmp\n"
      "[Buttons]\nBitmap=button.bmp\nRadioButton=radio.bmp\nCheckButton=check.bmp\nriGHTwidth=7\nTile=3\n"
      "PressedColour2=9 8 7\n"
      "[Colours]\nButtonFace=10,20,30\nButtonText=1,2,3\n"
      "[Headerbar]\nImage=header.bmp\nFrame=5\nNormalColour=0x10\n"
      "[MenuItem]\nImage=menu.bmp\nFrame=2\nTile=2\n"
      "[SunkEdge]\nImage=sunk.bmp\nLeftWidth=2\nTopHeight=2\nRightWidth=2\nBottomHeight=2\n"
      "[ComboButton]\nImage=combo.bmp\n"
      "[ExtraImages]\nImage=extra.bmp\nTrans=1\n"
      "[Tab.Pane]\nImage=menu.bmp\nLeftWidth=9\nTopHeight=3\n"
      "[Colour1]\ncolor=5,6,7\n[ColourX]\n[Colours2]\ncolor=8 9 10\n"
      "[Customcolors]\nColor3=1,1,1\n";
  return s;
}

TEST(SkinObjects, CaptionButtonRules) {
  Synthetic s = designed_skin();
  TSkinObjects o;
  s.load_into(o);
  // Button0..4 and three MDI child buttons; [ButtonHidden] and [Button.Radio] are left out.
  ASSERT_EQ(o.FSysButtons.size(), 8u);
  EXPECT_EQ(o.FSysButtons[0]->Name, "BUTTON0");
  EXPECT_EQ(o.FSysButtons[0]->Frame, 6);  // 126 x 21: ratio 6 is above 3.8
  EXPECT_EQ(o.FSysButtons[3]->Frame, 3);  // 63 x 21: ratio 3
  EXPECT_EQ(o.FSysButtons[2]->Xcoord, 50);  // action 4 takes the point of action 1 with visibility 2
  EXPECT_EQ(o.FSysButtons[2]->Ycoord, 3);
  EXPECT_EQ(o.FSysButtons[4]->Action, 3);
  EXPECT_TRUE(o.FSysButtons[4]->Image.Empty());
  EXPECT_EQ(o.FSysButtons[0]->CombineOp, -1);
  const int xs[3] = {42, 28, 14};
  for (int i = 0; i < 3; ++i) {
    const auto& b = *o.FSysButtons[5 + static_cast<std::size_t>(i)];
    EXPECT_EQ(b.Action, 7 + i);
    EXPECT_EQ(b.Frame, 4);
    EXPECT_EQ(b.Visibility, 100);
    EXPECT_EQ(b.Image.Width(), 40);
    EXPECT_EQ(b.Image.Height(), 10);
    EXPECT_EQ(b.Xcoord, xs[i]);
    // Cell i holds frames 4i+1 .. 4i+4 of the 12-frame source.
    EXPECT_EQ(b.Image.PixelColour(0, 0), frame_colour(7, 4 * i + 1));
    EXPECT_EQ(b.Image.PixelColour(39, 9), frame_colour(7, 4 * i + 4));
  }
}

TEST(SkinObjects, SectionsKeysAndFrameCounts) {
  Synthetic s = designed_skin();
  TSkinObjects o;
  s.load_into(o);
  EXPECT_EQ(o.FSkinName, "synthetic");
  // Borders: a frame count of 0 becomes 1; a path before the name is dropped; ".BMP" and a damaged
  // picture give empty images.
  EXPECT_EQ(o.FBorders[1]->Frame, 1);
  EXPECT_FALSE(o.FBorders[1]->Image.Empty());
  EXPECT_TRUE(o.FBorders[2]->Image.Empty());
  EXPECT_TRUE(o.FBorders[4]->Image.Empty());
  EXPECT_EQ(o.FBorders[3]->LeftWidth, 5);
  EXPECT_EQ(o.FBorders[3]->RightWidth, 6);
  EXPECT_EQ(o.FBorders[3]->Tile, 1);
  EXPECT_EQ(o.FBorders[3]->Trans, 1);
  // Title colours need all three keys.
  EXPECT_EQ(o.FTitle->ActiveText, TDataSkinTitle::kNotGiven);
  EXPECT_EQ(o.FTitle->InActiveText, RGB(3, 4, 5));
  EXPECT_EQ(o.FTitle->FontHeight, 14);
  EXPECT_EQ(o.FTitle->Frame, 2);
  // [Buttons]: a key in other capitals; radio 104 x 13 gives 8 frames, check 64 x 16 gives 4.
  EXPECT_EQ(o.FButtons->RightWidth, 7);
  EXPECT_EQ(o.FButtons->Tile, 0);
  EXPECT_EQ(o.FButtons->Frame, 5);
  EXPECT_EQ(o.FButtons->RadioButtonFrame, 8);
  EXPECT_EQ(o.FButtons->CheckButtonFrame, 4);
  EXPECT_EQ(o.FButtons->HasPressedColour2, 1);
  EXPECT_EQ(o.FButtons->PressedColour2, RGB(9, 8, 7));
  EXPECT_EQ(o.FButtons->HasNormalColour2, 0);
  EXPECT_EQ(o.FButtons->NormalColour2, RGB(1, 2, 3));  // defaults to ButtonText
  EXPECT_EQ(o.FHeaderbar->Frame, 5);
  EXPECT_EQ(o.FHeaderbar->NormalColour, 16);
  EXPECT_EQ(o.FHeaderbar->MouseOverColour, -1);
  EXPECT_EQ(o.FMenuItem->Frame, 5);
  EXPECT_EQ(o.FMenuItem->Tile, 0);
  EXPECT_EQ(o.FTabPane->LeftWidth, 4);
  EXPECT_EQ(o.FTabPane->TopHeight, 3);
  EXPECT_EQ(o.FProgress, nullptr);
  EXPECT_EQ(o.FScrollbar, nullptr);
  // Colour table.
  EXPECT_EQ(o.FColours[3], RGB(10, 20, 30));
  EXPECT_EQ(o.FColours[13], RGB(10, 20, 30));  // Menubar defaults to ButtonFace as read
  EXPECT_EQ(o.FColours[0], SystemColour(gdi::COLOR_WINDOWTEXT));
  EXPECT_EQ(o.FColourGiven[0], 0);
  // Every section whose name begins with "Colour" except [Colours] itself, [Colours2] too.
  EXPECT_EQ(o.FListColours,
            (std::vector<COLORREF>{RGB(5, 6, 7), SystemColour(gdi::COLOR_WINDOWTEXT), RGB(8, 9, 10)}));
  EXPECT_EQ(o.FCustomColours[3], RGB(1, 1, 1));
  EXPECT_EQ(o.FCustomColours[0], 0xFFFFFFu);
  // No [Track]: the built-in pictures with margins 3.
  EXPECT_EQ(o.FTrack->Image.Width(), 16);
  EXPECT_EQ(o.FTrack->Image.Height(), 4);
  EXPECT_EQ(o.FTrack->Image.PixelColour(2, 0), 0x808080u);
  EXPECT_EQ(o.FTrack->Image.PixelColour(0, 0), 0xC0C0C0u);
  EXPECT_EQ(o.FTrack->LeftWidth, 3);
  EXPECT_EQ(o.FTrackVert->Image.Height(), 16);
  // The border sample is the top picture's pixel at (w div 3, (h div frames) div 3).
  EXPECT_EQ(o.FColours[17], frame_colour(1, 1));
}

TEST(SkinObjects, ComboPicturesAreBuiltFromTheEditFrame) {
  Synthetic s = designed_skin();
  TSkinObjects o;
  s.load_into(o, 17);
  const int b = 19;
  ASSERT_TRUE(o.FComboButton);
  EXPECT_EQ(o.FComboButton->Style, 2);
  EXPECT_EQ(o.FComboButton->Margins(), (gdi::RECT{2, 2, b + 2, 2}));
  ASSERT_EQ(o.FComboButton->Image.Width(), 200);
  for (int i = 1; i <= 4; ++i) {
    SCOPED_TRACE(i);
    const int x0 = 50 * (i - 1);
    // Edit frame i at the cell's edge, combo frame i in the button area, key colour inside.
    EXPECT_EQ(o.FComboButton->Image.PixelColour(x0, 0), frame_colour(13, i));
    EXPECT_EQ(o.FComboButton->Image.PixelColour(x0 + 50 - b, 0), frame_colour(14, i));
    EXPECT_EQ(o.FComboButton->Image.PixelColour(x0 + 50 - b / 2, 10), frame_colour(15, i));  // extra glyph
    EXPECT_EQ(o.FComboButton->Image.PixelColour(x0 + 10, 10), kKeyColour);
    // The edit frame is the mirror image.
    EXPECT_EQ(o.FSunkEdge->Image.PixelColour(199 - x0 - (50 - b), 0), frame_colour(14, i));
  }
  EXPECT_EQ(o.FSunkEdge->LeftWidth, b + 2);
  EXPECT_EQ(o.FSunkEdge->RightWidth, 2);
  // The arrow cells come from the button area of each frame.
  ASSERT_TRUE(o.FComboxArrow);
  EXPECT_EQ(o.FComboxArrow->Frame, 4);
  EXPECT_EQ(o.FComboxArrow->Image.Width(), 68);
  EXPECT_EQ(o.FComboxArrow->Image.PixelColour(17 * 2, 0), frame_colour(14, 3));
  // Image2 of the combo button: the original picture mirrored.
  EXPECT_EQ(o.FComboButton->Image2.PixelColour(0, 0), frame_colour(14, 4));
}

TEST(SkinObjects, DrawingTheLoadedObjectsPutsEachFrameWhereAsked) {
  Synthetic s = designed_skin();
  TSkinObjects o;
  s.load_into(o);
  struct Case {
    const TDataSkinObject* object;
    bool vertical;
    int tag, frames;
  };
  const Case cases[] = {{o.FButtons.get(), false, 10, 5}, {o.FBorders[3].get(), true, 1, 2},
                        {o.FMenuItem.get(), false, 12, 5}, {o.FHeaderbar.get(), false, 11, 5}};
  const gdi::RECT targets[] = {{0, 0, 90, 30}, {3, 4, 10, 9}, {10, 2, 200, 60}};
  for (const Case& c : cases) {
    ASSERT_NE(c.object, nullptr);
    for (int k = 1; k <= c.frames; ++k) {
      for (const gdi::RECT& t : targets) {
        for (bool tile : {false, true}) {
          SkinImage target(gdi::Bitmap(220, 70, gdi::PixelFormat::k24bit));
          {
            SelectedBitmap dc(target.Handle());
            DrawNineGrid(dc.dc(), t, c.object->Image, c.vertical, tile, false, c.object->Frame, k,
                         c.object->Margins());
          }
          // Every cell of a solid frame shows that frame's colour; nothing lands outside the target.
          for (int y : {t.top, (t.top + t.bottom) / 2, t.bottom - 1}) {
            for (int x : {t.left, (t.left + t.right) / 2, t.right - 1}) {
              EXPECT_EQ(target.PixelColour(x, y), frame_colour(c.tag, k))
                  << c.object->Name << " frame " << k << " at " << x << "," << y;
            }
          }
          EXPECT_EQ(target.PixelColour(t.right, t.bottom), 0u);
        }
      }
    }
  }
}

TEST(SkinObjects, ArrowWithoutEditFrameAndToolbarGradient) {
  Synthetic s;
  gdi::Bitmap combo = frames_picture(14, 76, 21, 4);
  combo.set_pixel(3, 3, gdi::pixel_from_colorref(kKeyColour));
  s.add("combo.bmp", combo);
  s.ini = "[ComboButton]\nImage=combo.bmp\n[Colours]\nButtonFace=200,210,220\n";
  TSkinObjects o;
  s.load_into(o);
  ASSERT_TRUE(o.FComboxArrow);
  EXPECT_EQ(o.FComboxArrow->Frame, 4);
  EXPECT_EQ(o.FComboxArrow->Image.PixelColour(3, 3), RGB(200, 210, 220));
  EXPECT_EQ(o.FComboButton->Image.PixelColour(3, 3), kKeyColour);
  // Without a top border the sample is ButtonFace (saturation 29): bottom = Blend(grey, face, 150).
  ASSERT_TRUE(o.FToolbar);
  EXPECT_EQ(o.FToolbar->Image.PixelColour(0, 0), Blend(RGB(200, 210, 220), 0xFFFFFF, 150));
  EXPECT_EQ(o.FToolbar->Image.PixelColour(9, 39), Blend(0x808080, RGB(200, 210, 220), 150));
  EXPECT_EQ(o.FColours[17], RGB(200, 210, 220));
}

TEST(SkinObjects, HostileDescriptionsStaySafe) {
  Synthetic s;
  s.add("tiny.bmp", frames_picture(1, 3, 2, 1));
  // A run-length picture of 10000 x 10000 pixels in 1080 bytes: refused before it is decoded.
  core::ByteWriter huge;
  huge.raw_string("BM");
  huge.u32le(14 + 40 + 1024 + 2);
  huge.u32le(0);
  huge.u32le(14 + 40 + 1024);
  huge.u32le(40);
  huge.u32le(10000);
  huge.u32le(10000);
  huge.u16le(1);
  huge.u16le(8);
  huge.u32le(1);  // run-length, 8 bits
  huge.u32le(2);
  huge.fill(16);
  huge.fill(1024);
  huge.u8(0);
  huge.u8(1);  // end of the picture
  s.entries.push_back({"huge.bmp", huge.take()});
  s.ini =
      "[Personality]\nTop=tiny.bmp\nTopFrame=-4\nLeft=tiny.bmp\nLeftFrame=0\n"
      "[MDICONTROLS]\nImage=tiny.bmp\n"
      "[Button0]\nButtonImage=tiny.bmp\nframe=0\n"
      "[HorzScrollThumb]\nImage=tiny.bmp\nFrameCount=0\n"
      "[Progress.Chunk]\nImage=tiny.bmp\nFrame=-1\n"
      "[SunkEdge]\nImage=tiny.bmp\nLeftWidth=100000\nTopHeight=-5\n[ComboButton]\nImage=tiny.bmp\n"
      "[Buttons]\nCheckButton=tiny.bmp\nRadioButtonFrame=-3\n[MenuItem]\nImage=huge.bmp\n";
  TSkinObjects o;
  s.load_into(o);
  EXPECT_EQ(o.FBorders[3]->Frame, 1);
  EXPECT_EQ(o.FBorders[1]->Frame, 1);
  EXPECT_EQ(o.FHorzScrollThumb->Frame, 1);
  EXPECT_EQ(o.FProgressChunk->Frame, 1);
  EXPECT_GE(o.FButtons->RadioButtonFrame, 1);
  EXPECT_EQ(o.FButtons->CheckButtonFrame, 4);
  EXPECT_TRUE(o.FSysButtons[1]->Image.Empty());  // an MDI picture narrower than 12 pixels is ignored
  EXPECT_EQ(o.FComboButton->Image.Width(), 200);
  ASSERT_TRUE(o.FMenuItem);
  EXPECT_TRUE(o.FMenuItem->Image.Empty());
}

}  // namespace
}  // namespace skin
