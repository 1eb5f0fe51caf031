// The skin objects: what a skin's INI description and bitmaps say about each skinned element
// (pictures, frame counts, margins, colours), read once when a skin is loaded; form, menu and control
// skinning draw only from these.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "skin/quick_ini.h"
#include "skin/skin_image.h"
#include "skin/skin_reader.h"

namespace skin {

class TDataSkinObject {
public:
  explicit TDataSkinObject(std::string name = {}) : Name(std::move(name)) {}
  gdi::RECT Margins() const { return {LeftWidth, TopHeight, RightWidth, BottomHeight}; }

  std::int32_t LeftWidth = 0, TopHeight = 0, RightWidth = 0, BottomHeight = 0;
  SkinImage Image;
  std::int32_t Trans = 0;
  std::int32_t Tile = 0;
  std::string Name;
  std::int32_t Frame = 0;
  std::int32_t Style = 0;
  std::int32_t NormalColour = 0, MouseOverColour = 0, PressedColour = 0;
  gdi::COLORREF NormalColour2 = 0, MouseOverColour2 = 0, PressedColour2 = 0;
};

class TDataSkinBorder : public TDataSkinObject {
public:
  using TDataSkinObject::TDataSkinObject;
  SkinImage Image2;
};

class TDataSkinTitle : public TDataSkinObject {
public:
  using TDataSkinObject::TDataSkinObject;
  static constexpr gdi::COLORREF kNotGiven = 0x1FFFFFFF;
  std::int32_t TextAlignment = 0, Textbackground = 0, FontHeight = 0, TXTBackleft = 0, TXTBackRight = 0;
  gdi::COLORREF ActiveText = 0, InActiveText = 0;
};

class TDataSkinButton : public TDataSkinObject {
public:
  using TDataSkinObject::TDataSkinObject;
  SkinImage CheckButton, RadioButton;
  std::int32_t RadioButtonFrame = 0, CheckButtonFrame = 0;
  std::uint8_t HasNormalColour2 = 0, HasMouseOverColour2 = 0, HasPressedColour2 = 0;
};

class TDataSkinSysButton : public TDataSkinObject {
public:
  using TDataSkinObject::TDataSkinObject;
  std::int32_t Action = 0, Align = 0, Xcoord = 0, Ycoord = 0, CombineOp = 0, Visibility = 0, Visibility1 = 0;
};

class TDataSkinBoxLabel : public TDataSkinObject {
public:
  using TDataSkinObject::TDataSkinObject;
  std::int32_t BackgroundLeftShift = 0, BackgroundRightShift = 0, BackgroundAlignment = 0;
};

// Red-green-blue triples such as "227 238 253" or "227,238,253".
gdi::COLORREF ParseColourTriple(std::string_view text);

// A system colour as the skin stores it until it is drawn.
constexpr gdi::COLORREF SystemColour(int index) { return 0xFF000000u | static_cast<gdi::COLORREF>(index); }

// Everything a skin package describes. Fields that stay null mean the skin lacks that element.
class TSkinObjects {
public:
  TSkinObjects() = default;
  ~TSkinObjects();
  TSkinObjects(const TSkinObjects&) = delete;
  TSkinObjects& operator=(const TSkinObjects&) = delete;

  // Reads every object from the description and the package, in the order in which later objects
  // use earlier ones. `scroll_arrow_width` is the system's horizontal scroll-bar arrow width.
  void Load(const TSkinReader& package, const TQuickIni& ini, int scroll_arrow_width = 17);

  std::array<std::unique_ptr<TDataSkinBorder>, 5> FBorders;  // 1..4: Left, Right, Top, Bottom
  std::unique_ptr<TDataSkinTitle> FTitle;
  std::vector<std::unique_ptr<TDataSkinSysButton>> FSysButtons;
  std::unique_ptr<TDataSkinButton> FButtons;
  std::unique_ptr<TDataSkinBorder> FProgress;
  std::unique_ptr<TDataSkinObject> FProgressChunk, FMenuBarSkin, FGroupBoxEdge;
  std::unique_ptr<TDataSkinBoxLabel> FGroupBox;
  std::unique_ptr<TDataSkinBorder> FTabs;
  std::unique_ptr<TDataSkinObject> FStatusBarEdges, FTabPane, FToolBars;
  std::unique_ptr<TDataSkinBorder> FComboButton;
  std::unique_ptr<TDataSkinObject> FSunkEdge, FExtraImages, FHeaderbar, FMenuItem, FMenuBackground, FScrollbar;
  std::unique_ptr<TDataSkinObject> FHorzScroll, FVertScroll, FHorzScrollThumb, FVertScrollThumb;
  std::unique_ptr<TDataSkinObject> FThumbHorz, FThumbVert, FThumbLeft, FThumbRight, FThumbUp, FThumbDown;
  std::unique_ptr<TDataSkinBorder> FUpDownHorz, FUpDownVert;
  std::unique_ptr<TDataSkinObject> FTrack, FTrackVert;
  std::unique_ptr<TDataSkinObject> FComboxArrow, FToolbar;

  std::array<gdi::COLORREF, 19> FColours{};
  std::array<std::uint8_t, 19> FColourGiven{};
  std::vector<gdi::COLORREF> FListColours;
  std::array<gdi::COLORREF, 10> FCustomColours{};
  gdi::HBRUSH FFaceBrush = nullptr;
  std::string FSkinName;

  gdi::COLORREF SampleBorderColour() const;

private:
  void LoadSkinImage(SkinImage& image, const std::string& value) const;
  // A section that draws a picture: the image under `image_key` and how it is cut and laid (margins,
  // style, transparency, tiling); null without an image.
  template <class T>
  std::unique_ptr<T> ReadPictureSection(const std::string& section, const char* image_key) const;
  template <class T>
  std::unique_ptr<T> ReadImageSection(const std::string& section, bool with_frame = true) const;
  std::unique_ptr<TDataSkinBorder> ReadTwoImageSection(const std::string& section, const std::string& second) const;
  std::unique_ptr<TDataSkinBorder> ReadProgressSection(const std::string& section) const;
  std::unique_ptr<TDataSkinBoxLabel> ReadBoxLabelSection(const std::string& section) const;
  std::unique_ptr<TDataSkinObject> ReadMenuBarSkin() const;
  void ReadBorders();
  void ReadTitle();
  void ReadButtons();
  void ReadColourTable(const std::vector<std::string>& sections);
  void ReadSysButtons(const std::vector<std::string>& sections);
  void ReadMDIControls();
  void ApplyFrameCounts();
  void BuildComboFromSunkEdge(int scroll_arrow_width);
  void BuildComboArrow();
  void BuildToolbarGradient();
  void BuiltInTracks();

  const TSkinReader* package_ = nullptr;
  const TQuickIni* ini_ = nullptr;
};

}  // namespace skin
