#include "skin/skin_objects.h"

#include <algorithm>
#include <cstdlib>

#include "core/byte_io.h"
#include "core/strings.h"
#include "platform/gdi/bmp_file.h"
#include "skin/draw_primitives.h"
#include "skin/image_util.h"

namespace skin {

namespace {

constexpr std::int64_t kMaxSkinPicturePixels = std::int64_t{4096} * 4096;

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// A solid fill of a rectangle of a memory DC.
void fill(gdi::HDC dc, const gdi::RECT& r, gdi::COLORREF c) {
  gdi::HBRUSH b = gdi::CreateSolidBrush(c);
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

}  // namespace

gdi::COLORREF ParseColourTriple(std::string_view text) {
  const std::string_view t = core::trim(text);
  std::array<int, 3> parts{};
  int stored = 0;
  std::size_t i = 0;
  while (i < t.size()) {
    if (t[i] < '0' || t[i] > '9') {
      ++i;
      continue;
    }
    unsigned value = 0;
    // Only the low 8 bits are kept, so a long run may wrap.
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
      value = (value * 10 + static_cast<unsigned>(t[i++] - '0')) & 0xFFFFFF;
    }
    const bool at_end = i == t.size();
    if (stored < 3 && (!at_end || stored == 2)) {
      parts[static_cast<std::size_t>(stored++)] = static_cast<int>(value & 0xFF);
    }
  }
  return gdi::RGB(parts[0], parts[1], parts[2]);
}

TSkinObjects::~TSkinObjects() {
  if (FFaceBrush) gdi::DeleteObject(FFaceBrush);
}

void TSkinObjects::LoadSkinImage(SkinImage& image, const std::string& value) const {
  image.Clear();
  const std::size_t sep = value.find_last_of("\\/:");
  const std::string name = sep == std::string::npos ? value : value.substr(sep + 1);
  const std::size_t dot = name.rfind('.');
  if (name.empty() || dot == std::string::npos || name.substr(dot) != ".bmp") return;
  std::vector<std::uint8_t> bytes;
  if (!package_ || !package_->FindEntry(name, bytes) || bytes.empty()) return;
  // Skin pictures are small; a header that declares more pixels than any skin needs is refused
  // before the picture is decoded (run-length data could otherwise expand to it).
  if (bytes.size() >= 26 && bytes[0] == 'B' && bytes[1] == 'M') {
    const std::int64_t w = std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(core::load_le32(&bytes[18]))));
    const std::int64_t h = std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(core::load_le32(&bytes[22]))));
    const bool core_header = core::load_le32(&bytes[14]) == 12;
    if (!core_header && w * h > kMaxSkinPicturePixels) return;
  }
  try {
    image.Assign(gdi::read_bmp(bytes));
  } catch (const core::Error&) {
    // A damaged picture leaves the element without an image, as a missing one does.
    image.Clear();
  }
}

template <class T>
std::unique_ptr<T> TSkinObjects::ReadPictureSection(const std::string& section, const char* image_key) const {
  const std::string image = ini_->ReadString(section, image_key, "");
  if (image.empty()) return nullptr;
  auto o = std::make_unique<T>(section);
  LoadSkinImage(o->Image, image);
  o->Style = ini_->ReadInteger(section, "Style", 0);
  o->LeftWidth = ini_->ReadInteger(section, "LeftWidth", 0);
  o->RightWidth = ini_->ReadInteger(section, "RightWidth", 0);
  o->TopHeight = ini_->ReadInteger(section, "TopHeight", 0);
  o->BottomHeight = ini_->ReadInteger(section, "BottomHeight", 0);
  o->Trans = ini_->ReadInteger(section, "Trans", 0);
  o->Tile = ini_->ReadInteger(section, "Tile", 0);
  return o;
}

template <class T>
std::unique_ptr<T> TSkinObjects::ReadImageSection(const std::string& section, bool with_frame) const {
  auto o = ReadPictureSection<T>(section, "Image");
  if (!o) return nullptr;
  if (with_frame) o->Frame = ini_->ReadInteger(section, "Frame", 0);
  o->NormalColour = ini_->ReadInteger(section, "NormalColour", -1);
  o->MouseOverColour = ini_->ReadInteger(section, "MouseOverColour", -1);
  o->PressedColour = ini_->ReadInteger(section, "PressedColour", -1);
  auto triple = [&](const char* key) {
    const std::string v = ini_->ReadString(section, key, "");
    return v.empty() ? FColours[4] : ParseColourTriple(v);
  };
  o->NormalColour2 = triple("NormalColour2");
  o->MouseOverColour2 = triple("MouseOverColour2");
  o->PressedColour2 = triple("PressedColour2");
  if (o->Tile > 1) o->Tile = 0;
  return o;
}

std::unique_ptr<TDataSkinBorder> TSkinObjects::ReadTwoImageSection(const std::string& section,
                                                                   const std::string& second) const {
  auto o = ReadImageSection<TDataSkinBorder>(section, false);
  if (o) {
    const std::string v = ini_->ReadString(section, second, "");
    if (!v.empty()) LoadSkinImage(o->Image2, v);
  }
  return o;
}

std::unique_ptr<TDataSkinBorder> TSkinObjects::ReadProgressSection(const std::string& section) const {
  auto o = ReadPictureSection<TDataSkinBorder>(section, "Bitmap");
  if (o && o->Tile > 1) o->Tile = 1;
  return o;
}

std::unique_ptr<TDataSkinBoxLabel> TSkinObjects::ReadBoxLabelSection(const std::string& section) const {
  auto o = ReadImageSection<TDataSkinBoxLabel>(section, false);
  if (o) {
    o->BackgroundAlignment = ini_->ReadInteger(section, "BackgroundAlignment", 0);
    o->BackgroundLeftShift = ini_->ReadInteger(section, "BackgroundLeftShift", 0);
    o->BackgroundRightShift = ini_->ReadInteger(section, "BackgroundRightShift", 0);
  }
  return o;
}

std::unique_ptr<TDataSkinObject> TSkinObjects::ReadMenuBarSkin() const {
  const std::string image = ini_->ReadString("Personality", "menuBar", "");
  if (image.empty()) return nullptr;
  auto o = std::make_unique<TDataSkinObject>("Personality");
  LoadSkinImage(o->Image, image);
  o->Tile = ini_->ReadInteger("Personality", "TileMenu", 1);
  o->LeftWidth = ini_->ReadInteger("Personality", "TileLeftMenu", 1);
  o->RightWidth = ini_->ReadInteger("Personality", "TileRightMenu", 1);
  if (o->Tile > 1) o->Tile = 1;
  return o;
}

void TSkinObjects::ReadBorders() {
  const char* names[5] = {"", "Left", "Right", "Top", "Bottom"};
  for (int k = 1; k <= 4; ++k) {
    const std::string n = names[k];
    auto o = std::make_unique<TDataSkinBorder>(n);
    const std::int32_t first = ini_->ReadInteger("Personality", n + "TopHeight", 0);
    const std::int32_t second = ini_->ReadInteger("Personality", n + "BotHeight", 0);
    if (k <= 2) {
      o->TopHeight = first;
      o->BottomHeight = second;
    } else {
      o->LeftWidth = first;
      o->RightWidth = second;
    }
    o->Frame = ini_->ReadInteger("Personality", n + "Frame", 1);
    o->Tile = ini_->ReadInteger("Personality", n + "Stretch", 1);
    o->Trans = ini_->ReadInteger("Personality", n + "Trans", 1);
    LoadSkinImage(o->Image, ini_->ReadString("Personality", n, ""));
    if (o->Tile > 1) o->Tile = 1;
    FBorders[static_cast<std::size_t>(k)] = std::move(o);
  }
}

void TSkinObjects::ReadTitle() {
  auto t = std::make_unique<TDataSkinTitle>("Title");
  LoadSkinImage(t->Image, ini_->ReadString("Personality", "TextBack", ""));
  t->LeftWidth = ini_->ReadInteger("Personality", "TextShift", 0);
  t->TopHeight = ini_->ReadInteger("Personality", "TextShiftVert", 0);
  t->RightWidth = ini_->ReadInteger("Personality", "TextRightClip", 0);
  t->BottomHeight = 0;
  t->TextAlignment = ini_->ReadInteger("Personality", "TextAlignment", 0);
  t->Textbackground = ini_->ReadInteger("Personality", "Textbackground", 0);
  t->FontHeight = ini_->ReadInteger("Fonts", "FontHeight", 14);
  t->TXTBackleft = ini_->ReadInteger("Personality", "TXTBackleft", 0);
  t->TXTBackRight = ini_->ReadInteger("Personality", "TXTBackRight", 0);
  auto rgb_keys = [&](const std::string& key) {
    const int r = ini_->ReadInteger("Personality", key + "R", -1);
    const int g = ini_->ReadInteger("Personality", key + "G", -1);
    const int b = ini_->ReadInteger("Personality", key + "B", -1);
    return r >= 0 && g >= 0 && b >= 0 ? gdi::RGB(r, g, b) : TDataSkinTitle::kNotGiven;
  };
  t->ActiveText = rgb_keys("ActiveText");
  t->InActiveText = rgb_keys("InActiveText");
  FTitle = std::move(t);
}

void TSkinObjects::ReadButtons() {
  const std::string s = "Buttons";
  const std::string bitmap = ini_->ReadString(s, "Bitmap", ""), check = ini_->ReadString(s, "CheckButton", ""),
                    radio = ini_->ReadString(s, "RadioButton", "");
  FButtons.reset();
  if (bitmap.empty() && check.empty() && radio.empty()) return;
  auto b = std::make_unique<TDataSkinButton>(s);
  b->LeftWidth = ini_->ReadInteger(s, "LeftWidth", 0);
  b->RightWidth = ini_->ReadInteger(s, "RightWidth", 0);
  b->TopHeight = ini_->ReadInteger(s, "TopHeight", 0);
  b->BottomHeight = ini_->ReadInteger(s, "BottomHeight", 0);
  b->Trans = ini_->ReadInteger(s, "Trans", 0);
  b->Tile = ini_->ReadInteger(s, "Tile", 0);
  LoadSkinImage(b->Image, bitmap);
  LoadSkinImage(b->CheckButton, check);
  LoadSkinImage(b->RadioButton, radio);
  b->NormalColour = ini_->ReadInteger(s, "NormalColour", -1);
  b->MouseOverColour = ini_->ReadInteger(s, "MouseOverColour", -1);
  b->PressedColour = ini_->ReadInteger(s, "PressedColour", -1);
  b->RadioButtonFrame = ini_->ReadInteger(s, "RadioButtonFrame", 0);
  b->CheckButtonFrame = ini_->ReadInteger(s, "CheckButtonFrame", 0);
  if (b->Tile > 1) b->Tile = 0;
  auto triple = [&](const char* key, std::uint8_t& has) {
    const std::string v = ini_->ReadString(s, key, "");
    has = v.empty() ? 0 : 1;
    return v.empty() ? FColours[4] : ParseColourTriple(v);
  };
  b->NormalColour2 = triple("NormalColour2", b->HasNormalColour2);
  b->MouseOverColour2 = triple("MouseOverColour2", b->HasMouseOverColour2);
  b->PressedColour2 = triple("PressedColour2", b->HasPressedColour2);
  FButtons = std::move(b);
}

void TSkinObjects::ReadColourTable(const std::vector<std::string>& sections) {
  FColours = {};
  FColourGiven = {};
  struct Key {
    const char* name;
    int index;
    int sys;  // default system colour, -1: entry 3 as read
  };
  const Key keys[] = {{"WindowText", 0, gdi::COLOR_WINDOWTEXT},
                      {"ButtonFace", 3, gdi::COLOR_BTNFACE},
                      {"Scrollbar", 18, gdi::COLOR_SCROLLBAR},
                      {"HilightText", 11, gdi::COLOR_HIGHLIGHTTEXT},
                      {"Hilight", 12, gdi::COLOR_HIGHLIGHT},
                      {"Menubar", 13, -1},
                      {"Menu", 16, gdi::COLOR_MENU},
                      {"MenuText", 15, gdi::COLOR_MENUTEXT},
                      {"ButtonText", 4, gdi::COLOR_BTNTEXT},
                      {"ButtonHilight", 5, gdi::COLOR_BTNHIGHLIGHT},
                      {"Buttonlight", 6, gdi::COLOR_BTNHIGHLIGHT},
                      {"ButtonShadow", 7, gdi::COLOR_BTNSHADOW},
                      {"ButtonDkShadow", 8, gdi::COLOR_3DDKSHADOW},
                      {"MenuBarText", 14, gdi::COLOR_MENUTEXT},
                      {"TitleTextActive", 1, gdi::COLOR_CAPTIONTEXT},
                      {"TitleTextNoActive", 2, gdi::COLOR_INACTIVECAPTIONTEXT}};
  for (const Key& k : keys) {
    const std::string v = ini_->ReadString("Colours", k.name, "");
    const auto i = static_cast<std::size_t>(k.index);
    FColourGiven[i] = v.empty() ? 0 : 1;
    FColours[i] = !v.empty() ? ParseColourTriple(v) : k.sys < 0 ? FColours[3] : SystemColour(k.sys);
  }
  FListColours.clear();
  for (const std::string& s : sections) {
    const std::string u = upper(s);
    if (u.rfind("COLOUR", 0) != 0 || u == "COLOURS") continue;
    const std::string v = ini_->ReadString(s, "color", "");
    FListColours.push_back(v.empty() ? SystemColour(gdi::COLOR_WINDOWTEXT) : ParseColourTriple(v));
  }
  for (int d = 0; d < 10; ++d) {
    const std::string v = ini_->ReadString("Customcolors", "Color" + std::to_string(d), "");
    FCustomColours[static_cast<std::size_t>(d)] = v.empty() ? 0xFFFFFF : ParseColourTriple(v);
  }
}

void TSkinObjects::ReadSysButtons(const std::vector<std::string>& sections) {
  FSysButtons.clear();
  std::vector<std::string> kept;
  for (const std::string& s : sections) {
    const std::string u = upper(s);
    if (u.rfind("BUTTON", 0) != 0 || u == "BUTTON" || u == "BUTTONS" || u == "BUTTON.RADIO" ||
        u == "BUTTON.CHECKBOX") {
      continue;
    }
    if (ini_->ReadInteger(s, "Action", 0) == -1 && ini_->ReadInteger(s, "Visibility", -1) != 0) continue;
    kept.push_back(s);
  }
  int rx = 0, ry = 0;
  for (const std::string& s : kept) {
    auto b = std::make_unique<TDataSkinSysButton>(upper(s));
    b->Action = ini_->ReadInteger(s, "Action", 0);
    b->Align = ini_->ReadInteger(s, "Align", 0);
    b->Xcoord = ini_->ReadInteger(s, "Xcoord", 0);
    b->Ycoord = ini_->ReadInteger(s, "Ycoord", 0);
    b->Visibility = ini_->ReadInteger(s, "Visibility", 0);
    b->Visibility1 = ini_->ReadInteger(s, "Visibility1", b->Action == -1 ? -1 : 0);
    if (b->Action == 1 && b->Visibility == 2) {
      rx = b->Xcoord;
      ry = b->Ycoord;
    }
    if (b->Action == 4) {
      b->Xcoord = rx;
      b->Ycoord = ry;
    }
    b->CombineOp = ini_->ReadInteger(s, "CombineOp", -1);
    b->Frame = ini_->ReadInteger(s, "frame", 0);
    LoadSkinImage(b->Image, ini_->ReadString(s, "ButtonImage", ""));
    if (b->Frame == 0) {
      b->Frame = 6;
      if (!b->Image.Empty()) {
        b->Frame = static_cast<double>(b->Image.Width()) / b->Image.Height() <= 3.8 ? 3 : 6;
        if (b->Action < 0) b->Frame = 6;
      }
    }
    if (b->Action == 3 || b->Action == 11) b->Image.Clear();
    FSysButtons.push_back(std::move(b));
  }
  for (int a = 7; a <= 9; ++a) {
    auto b = std::make_unique<TDataSkinSysButton>("MDIBUTTON" + std::to_string(a - 6));
    b->Action = a;
    b->Align = b->Visibility = b->Visibility1 = 100;
    b->Frame = 4;
    FSysButtons.push_back(std::move(b));
  }
  ReadMDIControls();
}

void TSkinObjects::ReadMDIControls() {
  SkinImage source;
  LoadSkinImage(source, ini_->ReadString("MDICONTROLS", "Image", ""));
  if (source.Empty()) return;
  const int w = source.Width() / 12, h = source.Height();
  if (w <= 0) return;
  const std::size_t first = FSysButtons.size() - 3;
  for (int i = 0; i < 3; ++i) {
    TDataSkinSysButton& b = *FSysButtons[first + static_cast<std::size_t>(i)];
    gdi::Bitmap part(4 * w, h, gdi::PixelFormat::k24bit);
    const gdi::Bitmap& src = *source.Pixels();
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < 4 * w; ++x) part.set_pixel(x, y, src.pixel(4 * w * i + x, y));
    }
    b.Image.Assign(std::move(part));
    b.Xcoord = (w + 4) * (3 - i);
  }
}

void TSkinObjects::ApplyFrameCounts() {
  auto set = [](auto& o, int frames) {
    if (o) o->Frame = frames;
  };
  set(FTitle, 2);
  set(FButtons, 5);
  if (FProgress) FProgress->Frame = FProgress->Style != 0 ? 1 : 2;
  set(FMenuBarSkin, 2);
  set(FGroupBoxEdge, 2);
  set(FGroupBox, 1);
  set(FTabs, 5);
  set(FStatusBarEdges, 3);
  set(FTabPane, 1);
  set(FToolBars, 5);
  set(FComboButton, 4);
  set(FSunkEdge, 4);
  set(FExtraImages, 5);
  if (FHeaderbar && FHeaderbar->Frame == 0) FHeaderbar->Frame = 5;
  set(FMenuItem, 5);
  set(FMenuBackground, 1);
  set(FScrollbar, 23);
  set(FHorzScroll, 4);
  set(FVertScroll, 4);
  if (FHorzScrollThumb) FHorzScrollThumb->Frame = ini_->ReadInteger("HorzScrollThumb", "FrameCount", 3);
  if (FVertScrollThumb) FVertScrollThumb->Frame = ini_->ReadInteger("VertScrollThumb", "FrameCount", 3);
  for (auto* o : {&FThumbHorz, &FThumbVert, &FThumbLeft, &FThumbRight, &FThumbUp, &FThumbDown}) set(*o, 5);
  set(FUpDownHorz, 8);
  set(FUpDownVert, 8);
  if (FButtons) {
    auto strip_frames = [](const SkinImage& img) {
      const int c = img.Height() < 16 ? 13 : 16;
      return std::max(img.Width() / c, 4);
    };
    if (FButtons->RadioButtonFrame == 0) FButtons->RadioButtonFrame = strip_frames(FButtons->RadioButton);
    if (FButtons->CheckButtonFrame == 0) FButtons->CheckButtonFrame = strip_frames(FButtons->CheckButton);
  }
  // A frame count below 1 (from a key of 0 or less) would divide by zero in every drawing.
  auto at_least_one = [](TDataSkinObject* o) {
    if (o && o->Frame < 1) o->Frame = 1;
  };
  for (auto& b : FBorders) at_least_one(b.get());
  for (auto& b : FSysButtons) at_least_one(b.get());
  for (TDataSkinObject* o : {static_cast<TDataSkinObject*>(FProgressChunk.get()), FHeaderbar.get(),
                             FHorzScrollThumb.get(), FVertScrollThumb.get(), FTrack.get(), FTrackVert.get()}) {
    at_least_one(o);
  }
  if (FButtons) {
    FButtons->RadioButtonFrame = std::max(FButtons->RadioButtonFrame, 1);
    FButtons->CheckButtonFrame = std::max(FButtons->CheckButtonFrame, 1);
  }
}

void TSkinObjects::BuildComboFromSunkEdge(int scroll_arrow_width) {
  if (!FSunkEdge || !FComboButton) return;
  const int b = scroll_arrow_width + 2;
  constexpr int kCellW = 50, kCellH = 21;
  const int frames = std::max(FSunkEdge->Frame, 1);
  SkinImage result(gdi::Bitmap(kCellW * frames, kCellH, gdi::PixelFormat::k24bit,
                               gdi::pixel_from_colorref(kKeyColour)));
  {
    SelectedBitmap out(result.Handle());
    for (int i = 1; i <= frames; ++i) {
      SkinImage cell(gdi::Bitmap(kCellW, kCellH, gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(kKeyColour)));
      {
        SelectedBitmap c(cell.Handle());
        DrawNineGrid(c.dc(), {0, 0, kCellW, kCellH}, FSunkEdge->Image, false, false, FSunkEdge->Trans != 0, frames, i,
                     FSunkEdge->Margins());
        const gdi::RECT button{kCellW - b, 0, kCellW, kCellH};
        DrawFrameStretched(c.dc(), button, FComboButton->Image, true, FComboButton->Frame, i);
        if (FExtraImages) DrawFrameCentred(c.dc(), button, FExtraImages->Image, true, FExtraImages->Frame, i);
        fill(c.dc(), {2, 2, 49 - b, 18}, kKeyColour);
      }
      SelectedBitmap c(cell.Handle());
      gdi::BitBlt(out.dc(), kCellW * (i - 1), 0, kCellW, kCellH, c.dc(), 0, 0, gdi::SRCCOPY);
    }
  }
  FComboButton->Style = 2;
  FComboButton->LeftWidth = 2;
  FComboButton->TopHeight = FSunkEdge->TopHeight;
  FComboButton->RightWidth = b + 2;
  FComboButton->BottomHeight = FSunkEdge->BottomHeight;
  SkinImage mirrored = result.Clone();
  MirrorHorizontal(mirrored);
  FComboButton->Image = std::move(result);
  FSunkEdge->Image = std::move(mirrored);
  FSunkEdge->LeftWidth = b + 2;
  FSunkEdge->RightWidth = 2;
}

void TSkinObjects::BuildComboArrow() {
  if (FComboxArrow) return;
  if (FSunkEdge) {
    if (!FComboButton || FComboButton->Style != 2 || FComboButton->Image.Empty()) return;
    const int s = std::max(FSunkEdge->Frame, 1);
    const int fw = FComboButton->Image.Width() / s;
    gdi::Bitmap arrow(17 * s, 17, gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(kKeyColour));
    const gdi::Bitmap& src = *FComboButton->Image.Pixels();
    for (int i = 1; i <= s; ++i) {
      for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 17; ++x) {
          const int sx = fw * i - 19 + x, sy = 2 + y;
          if (src.contains(sx, sy)) arrow.set_pixel(17 * (i - 1) + x, y, src.pixel(sx, sy));
        }
      }
    }
    FComboxArrow = std::make_unique<TDataSkinObject>("ComboxArrow");
    FComboxArrow->Image.Assign(std::move(arrow));
    FComboxArrow->Frame = s;
  } else if (FComboButton) {
    FComboxArrow = std::make_unique<TDataSkinObject>("ComboxArrow");
    FComboxArrow->Image = FComboButton->Image.Clone();
    RecolourKey(FComboxArrow->Image, FColours[3] & 0x80000000u ? gdi::resolve_color(FColours[3]) : FColours[3]);
    FComboxArrow->Frame = FComboButton->Frame;
  }
}

gdi::COLORREF TSkinObjects::SampleBorderColour() const {
  const TDataSkinBorder* top = FBorders[3].get();
  if (!top || top->Image.Empty()) return FColours[3];
  const int frames = std::max(top->Frame, 1);
  return top->Image.PixelColour(top->Image.Width() / 3, (top->Image.Height() / frames) / 3);
}

void TSkinObjects::BuildToolbarGradient() {
  const gdi::COLORREF a = gdi::resolve_color(SampleBorderColour());
  gdi::COLORREF bottom = Blend(0x808080, a, 150);
  const gdi::COLORREF top = Blend(FColours[3], 0xFFFFFF, 150);
  const int sat = Saturation(a);
  if (sat > 110) bottom = Blend(a, 0xFFFFFF, (5625 - 25 * sat) / 140 + 50);
  SkinImage img(gdi::Bitmap(10, 40, gdi::PixelFormat::k24bit));
  {
    SelectedBitmap dc(img.Handle());
    GradientFill(dc.dc(), {0, 0, 10, 40}, top, true, bottom);
  }
  FToolbar = std::make_unique<TDataSkinObject>("Toolbar");
  FToolbar->Image = std::move(img);
  FToolbar->Frame = 1;
}

void TSkinObjects::BuiltInTracks() {
  // 16-colour palette entries used by the pictures: 7 grey, 8 silver, f white.
  auto picture = [](std::initializer_list<const char*> rows) {
    const int w = static_cast<int>(std::string_view(*rows.begin()).size()), h = static_cast<int>(rows.size());
    gdi::Bitmap b(w, h, gdi::PixelFormat::k4bit);
    int y = 0;
    for (const char* row : rows) {
      for (int x = 0; x < w; ++x) {
        const char c = row[x];
        b.set_pixel(x, y, c == '7' ? 0x808080 : c == '8' ? 0xC0C0C0 : 0xFFFFFF);
      }
      ++y;
    }
    return b;
  };
  auto make = [](const char* name, gdi::Bitmap b) {
    auto o = std::make_unique<TDataSkinObject>(name);
    o->Image.Assign(std::move(b));
    o->LeftWidth = o->TopHeight = o->RightWidth = o->BottomHeight = 3;
    o->Tile = 0;
    o->Frame = 1;
    return o;
  };
  if (!FTrack) {
    FTrack = make("TRACK", picture({"88777777777777ff", "88ffffffffffffff", "78ffffffffffffff", "88ffffffffffffff"}));
  }
  if (!FTrackVert) {
    FTrackVert = make("TRACKVERT", picture({"8878", "8888", "7fff", "7fff", "7fff", "7fff", "7fff", "7fff", "7fff",
                                            "7fff", "7fff", "7fff", "7fff", "7fff", "ffff", "ffff"}));
  }
}

void TSkinObjects::Load(const TSkinReader& package, const TQuickIni& ini, int scroll_arrow_width) {
  package_ = &package;
  ini_ = &ini;
  const std::vector<std::string> sections = ini.ReadSections();
  FSkinName = ini.ReadString("TitlebarSkin", "SkinName", "");
  ReadBorders();
  ReadColourTable(sections);
  ReadSysButtons(sections);
  ReadButtons();
  ReadTitle();
  FProgress = ReadProgressSection("Progress");
  FProgressChunk = ReadImageSection<TDataSkinObject>("Progress.Chunk");
  FMenuBarSkin = ReadMenuBarSkin();
  FGroupBoxEdge = ReadImageSection<TDataSkinObject>("GroupBoxEdge");
  FGroupBox = ReadBoxLabelSection("GroupBox");
  FTabs = ReadTwoImageSection("Tabs", "Border");
  FStatusBarEdges = ReadImageSection<TDataSkinObject>("StatusBarEdges");
  FTabPane = ReadImageSection<TDataSkinObject>("Tab.Pane");
  if (FTabPane) {
    for (std::int32_t* m : {&FTabPane->LeftWidth, &FTabPane->TopHeight, &FTabPane->RightWidth, &FTabPane->BottomHeight}) {
      *m = std::min(*m, 4);
    }
  }
  FToolBars = ReadImageSection<TDataSkinObject>("ToolBars");
  FComboButton = ReadTwoImageSection("ComboButton", "****");
  FSunkEdge = ReadImageSection<TDataSkinObject>("SunkEdge");
  if (FComboButton && !FComboButton->Image.Empty()) {
    gdi::Bitmap copy = *FComboButton->Image.Pixels();
    copy.set_format(gdi::PixelFormat::k24bit);
    MirrorHorizontal(copy);
    FComboButton->Image2.Assign(std::move(copy));
  }
  FExtraImages = ReadImageSection<TDataSkinObject>("ExtraImages");
  FHeaderbar = ReadImageSection<TDataSkinObject>("Headerbar");
  FMenuItem = ReadImageSection<TDataSkinObject>("MenuItem");
  FMenuBackground = ReadImageSection<TDataSkinObject>("MenuBackground");
  FScrollbar = ReadImageSection<TDataSkinObject>("Scrollbar");
  FHorzScroll = ReadImageSection<TDataSkinObject>("HorzScroll");
  FVertScroll = ReadImageSection<TDataSkinObject>("VertScroll");
  FHorzScrollThumb = ReadImageSection<TDataSkinObject>("HorzScrollThumb");
  FVertScrollThumb = ReadImageSection<TDataSkinObject>("VertScrollThumb");
  FThumbHorz = ReadImageSection<TDataSkinObject>("Trackbar.ThumbHorz");
  FThumbVert = ReadImageSection<TDataSkinObject>("Trackbar.ThumbVert");
  FThumbLeft = ReadImageSection<TDataSkinObject>("Trackbar.ThumbLeft");
  FThumbRight = ReadImageSection<TDataSkinObject>("Trackbar.ThumbRight");
  FThumbUp = ReadImageSection<TDataSkinObject>("Trackbar.ThumbUp");
  FThumbDown = ReadImageSection<TDataSkinObject>("Trackbar.ThumbDown");
  FUpDownHorz = ReadTwoImageSection("UpDown.Horz", "GlyphImage");
  FUpDownVert = ReadTwoImageSection("UpDown.Vert", "GlyphImage");
  FTrack = ReadImageSection<TDataSkinObject>("Track");
  FTrackVert = ReadImageSection<TDataSkinObject>("TRACKVERT");
  BuiltInTracks();
  ApplyFrameCounts();
  FComboxArrow.reset();
  BuildComboFromSunkEdge(scroll_arrow_width);
  BuildComboArrow();
  BuildToolbarGradient();
  FColours[17] = SampleBorderColour();
  if (FFaceBrush) gdi::DeleteObject(FFaceBrush);
  FFaceBrush = gdi::CreateSolidBrush(gdi::resolve_color(FColours[3]));
  package_ = nullptr;
  ini_ = nullptr;
}

}  // namespace skin
