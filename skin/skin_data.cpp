#include "skin/skin_data.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/byte_io.h"
#include "core/unicode.h"
#include "platform/components/dialogs.h"
#include "skin/foreign_classes.h"
#include "skin/quick_ini.h"
#include "skin/skin_manager.h"
#include "skin/skin_reader.h"

namespace skin {
namespace {

constexpr std::array<std::string_view, 22> kControlNames = {
    "xcMainMenu",  "xcPopupMenu", "xcMenuItem",    "xcToolbar", "xcControlbar",  "xcCombo",
    "xcCheckBox",  "xcRadioButton", "xcProgress",  "xcScrollbar", "xcEdit",      "xcButton",
    "xcBitBtn",    "xcSpeedButton", "xcSpin",      "xcPanel",   "xcGroupBox",    "xcStatusBar",
    "xcTab",       "xcTrackBar",  "xcSystemMenu",  "xcFastReport"};
constexpr std::array<std::string_view, 12> kOptionNames = {
    "xoMDIScrollbar", "xoMenuMerge",   "xoTransparent",    "xoPreview",  "xoParentBackGround", "xoNoFocusRect",
    "xoToolbarBK",    "xoToolbarButton", "xoMDIChildBorder", "xoMenuBG", "xoCaptionButtonHint", "xoFormScrollbar"};
constexpr std::array<std::string_view, 4> kFormTypeNames = {"sfMainform", "sfOnlyThisForm", "sfDialog", "sfDLL"};

template <std::size_t N>
std::string set_text(std::uint32_t set, const std::array<std::string_view, N>& names) {
  std::string out = "[";
  for (std::size_t i = 0; i < N; ++i) {
    if (!InSet(set, static_cast<int>(i))) continue;
    if (out.size() > 1) out += ',';
    out += names[i];
  }
  return out + "]";
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

template <std::size_t N>
bool parse_set(std::string_view text, const std::array<std::string_view, N>& names, std::uint32_t& set) {
  text = trim(text);
  if (text.size() < 2 || text.front() != '[' || text.back() != ']') return false;
  text = text.substr(1, text.size() - 2);
  std::uint32_t out = 0;
  while (!trim(text).empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view name = trim(text.substr(0, comma));
    const std::string lower = core::ascii_lower(name);
    auto it = std::find_if(names.begin(), names.end(), [&](std::string_view n) { return core::ascii_lower(n) == lower; });
    if (it == names.end()) return false;
    out |= SetOf(static_cast<int>(it - names.begin()));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  set = out;
  return true;
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string SkinControlsText(TSkinControlTypes set) { return set_text(set, kControlNames); }
bool ParseSkinControls(std::string_view text, TSkinControlTypes& set) { return parse_set(text, kControlNames, set); }
std::string SkinOptionsText(TSkinOptions set) { return set_text(set, kOptionNames); }
bool ParseSkinOptions(std::string_view text, TSkinOptions& set) {
  std::uint32_t v = set;
  if (!parse_set(text, kOptionNames, v)) return false;
  set = static_cast<TSkinOptions>(v);
  return true;
}

// ---- the glyph strip of the system menu ----
gdi::Bitmap MenuGlyphStrip() {
  gdi::Bitmap b(64, 16, gdi::PixelFormat::k1bit, gdi::kWhitePixel);
  auto ink = [&b](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) b.set_pixel(x, y, gdi::kBlackPixel);
  };
  auto frame = [&](int x0, int y0, int x1, int y1, int top) {
    ink(x0, y0, x1, y0 + top);
    ink(x0, y1 - 1, x1, y1);
    ink(x0, y0, x0 + 1, y1);
    ink(x1 - 1, y0, x1, y1);
  };
  // Restore: two overlapping windows, the front one hiding the back one.
  frame(6, 3, 13, 10, 2);
  for (int y = 7; y < 12; ++y)
    for (int x = 4; x < 10; ++x) b.set_pixel(x, y, gdi::kWhitePixel);
  frame(3, 6, 10, 13, 2);
  // Maximise: one window with a thick title line.
  frame(16 + 3, 3, 16 + 13, 13, 2);
  // Minimise: a bar at the bottom.
  ink(32 + 4, 10, 32 + 11, 12);
  // Close: a cross two pixels thick.
  for (int i = 0; i < 8; ++i) {
    ink(48 + 4 + i, 4 + i, 48 + 6 + i, 5 + i);
    ink(48 + 10 - i, 4 + i, 48 + 12 - i, 5 + i);
  }
  return b;
}

// ---- TSkinData ----
TSkinData::TSkinData(pc::TComponent* owner) : pc::TComponent(owner) {
  for (std::string_view line : DefaultSkin3rdLines()) skin3rd_.Add(line);
  FMenuGlyphs = std::make_unique<pc::TImageList>(nullptr, 16, 16);
  {
    gdi::HBITMAP strip = gdi::CreateBitmapFromPixels(MenuGlyphStrip());
    gdi::ImageList_AddMasked(FMenuGlyphs->Handle(), strip, 0xFFFFFF);
    gdi::DeleteObject(strip);
  }
  FHintWindow = std::make_unique<pc::THintWindow>(nullptr);

  PublishBool("Active", [this] { return active_; }, [this](bool v) { SetActive(v); });
  PublishInt("DisableTag", [this] { return DisableTag; }, [this](std::int64_t v) { DisableTag = static_cast<std::int32_t>(v); });
  PublishString("SkinControls", [this] { return SkinControlsText(SkinControls); }, [this](std::string v) {
    if (!ParseSkinControls(v, SkinControls)) throw pc::EComponentError("Invalid property value");
  });
  PublishString("Options", [this] { return SkinOptionsText(Options); }, [this](std::string v) {
    if (!ParseSkinOptions(v, Options)) throw pc::EComponentError("Invalid property value");
  });
  PublishObject("Skin3rd", [this] { return &skin3rd_; });
  PublishString("SkinFile", [this] { return skin_file_; }, [this](std::string v) { SetSkinFile(std::move(v)); });
  PublishString("SkinStore", [this] { return SkinStore(); }, [](std::string) {});
  PublishEnum("SkinFormtype", {kFormTypeNames.begin(), kFormTypeNames.end()},
              [this] { return static_cast<int>(SkinFormtype); },
              [this](int v) { SkinFormtype = static_cast<TSkinFormType>(v); });
  PublishString("Version", [this] { return Version(); }, [](std::string) {});
  PublishBool("MenuUpdate", [this] { return MenuUpdate; }, [this](bool v) { MenuUpdate = v; });
  PublishBool("MenuMerge", [this] { return MenuMerge; }, [this](bool v) { MenuMerge = v; });
  DefineBinaryProperty(
      "SkinStream", [this](std::span<const std::uint8_t> d) { ReadSkinStream(d); }, [this] { return WriteSkinStream(); });
}

TSkinData::~TSkinData() {
  if (TSkinManage* m = SkinManager()) m->UnregisterSkinData(this);
}

void TSkinData::ReadSkinStream(std::span<const std::uint8_t> data) {
  if (data.size() < 4) throw pc::EComponentError("Stream read error");
  const std::uint32_t n = core::load_le32(data.data());
  if (n > data.size() - 4 || n > 0x7FFFFFFFu) throw pc::EComponentError("Stream read error");
  if (n < 1) return;
  FPackage.assign(data.begin() + 4, data.begin() + 4 + n);
  LoadSkin();
}

std::vector<std::uint8_t> TSkinData::WriteSkinStream() const {
  std::vector<std::uint8_t> out(4 + FPackage.size());
  core::store_le32(out.data(), static_cast<std::uint32_t>(FPackage.size()));
  std::copy(FPackage.begin(), FPackage.end(), out.begin() + 4);
  return out;
}

bool TSkinData::LoadSkin() {
  FSkinNotReady = true;
  TSkinReader reader;
  reader.ShowMessage = [](const std::string& text) { pc::ShowMessage(text); };
  if (!reader.LoadPackage(FPackage)) return false;
  std::vector<std::uint8_t> ini_bytes;
  std::string ini_name;
  reader.FindEntryContaining(".ini", ini_bytes, ini_name);
  TQuickIni ini;
  ini.LoadFromStream(ini_bytes);
  Load(reader, ini, win::GetSystemMetrics(win::SM_CXHSCROLL));
  FSkinNotReady = false;
  return true;
}

void TSkinData::Loaded() {
  pc::TComponent::Loaded();
  TSkinManage& m = SkinManager() ? *SkinManager() : CreateSkinManager();
  m.RegisterSkinData(this);
  if (SkinFormtype != TSkinFormType::sfMainform) {
    m.FActive = true;
    m.FState += 1;
    if (auto* form = dynamic_cast<pc::TWinControl*>(Owner()); form && active_) m.TrySkinWindow(form->Handle());
    return;
  }
  m.InstallHook();
  if (active_) {
    if (FSkinNotReady) active_ = false;  // no skin could be read
    else m.Schedule(1, 250);
  }
  if (InSet(SkinControls, xcMainMenu)) SkinControls &= ~SetOf(xcMenuItem);
  else SkinControls &= ~SetOf(xcSystemMenu);
  BuildIconBitmap();
}

void TSkinData::BuildIconBitmap() {
  const int cx = win::GetSystemMetrics(win::SM_CXSMICON), cy = win::GetSystemMetrics(win::SM_CYSMICON);
  pc::TCustomForm* main = pc::Application().MainForm();
  gdi::HICON icon = main && main->HandleAllocated() ? WindowIcon(main->Handle()) : nullptr;
  if (!icon) {
    FIconBitmap.Clear();
    return;
  }
  FIconBitmap.Assign(gdi::Bitmap(cx, cy, gdi::PixelFormat::k24bit, gdi::pixel_from_colorref(0xFF00FF)));
  auto* copy = static_cast<gdi::HICON>(gdi::CopyImage(icon, gdi::IMAGE_ICON, cx, cy, gdi::LR_COPYFROMRESOURCE));
  SelectedBitmap target(FIconBitmap.Handle());
  gdi::DrawIconEx(target.dc(), 0, 0, copy ? copy : icon, cx, cy, 0, nullptr, gdi::DI_NORMAL);
  if (copy) gdi::DestroyIcon(copy);
}

void TSkinData::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (Loading()) return;
  TSkinManage* m = SkinManager();
  switch (SkinFormtype) {
    case TSkinFormType::sfMainform:
      if (!m) return;
      if (active) {
        if (FSkinNotReady) return;
        m->FActionTarget = this;
        m->Schedule(1, 250);
        m->FState = 1;
      } else {
        m->FActionTarget = this;
        m->Schedule(2, 250);
      }
      return;
    case TSkinFormType::sfOnlyThisForm:
      if (!m || (active && FSkinNotReady)) return;
      m->FActionTarget = this;
      m->Schedule(active ? 1 : 2, 250);
      return;
    default: return;
  }
}

void TSkinData::SetSkinFile(std::string name) {
  FSkinNotReady = true;
  skin_file_ = std::move(name);
  std::error_code ec;
  if (skin_file_.empty() || !std::filesystem::is_regular_file(skin_file_, ec)) return;
  std::ifstream in(skin_file_, std::ios::binary);
  if (!in) return;
  FPackage.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  LoadSkin();
  ApplySkin();
}

void TSkinData::ApplySkin() {
  if (Loading()) return;
  if (!SkinManager()) Loaded();
  TSkinManage* m = SkinManager();
  m->FActionTarget = this;
  m->RefreshSkinData();
  if (m->FState == 1) m->Schedule(3, 250);
}

void TSkinData::FilterWindow(win::HWND, const std::string& class_name, bool& do_skin) {
  if (OnFormSkin) {
    OnFormSkin(this, class_name, do_skin);
    return;
  }
  if (class_name == "SysMonthCal32") do_skin = false;
  else if (starts_with(class_name, "Tfr") && InSet(SkinControls, xcFastReport)) do_skin = false;
}

void TSkinData::SkinChanged() {
  if (OnSkinChanged) OnSkinChanged(this);
}

// ---- services ----
std::u16string AnsiToWide(std::string_view text) { return core::utf8_to_utf16(text); }

std::u16string WideCopy(std::u16string_view text, int count) {
  if (count < 0) return std::u16string(text);
  return std::u16string(text.substr(0, static_cast<std::size_t>(count)));
}

int DrawTextWide(gdi::HDC dc, std::u16string_view text, gdi::RECT* r, win::UINT format) {
  return gdi::DrawText(dc, text, r, format);
}

pc::TControl* FindControlOfWindow(win::HWND hwnd) { return hwnd ? pc::TWinControl::FromHandle(hwnd) : nullptr; }

void ShowCaptionHint(TSkinData& sd, const gdi::RECT& screen, std::string_view text) {
  if (!InSet(sd.Options, xoCaptionButtonHint) || sd.FHintShown) return;
  gdi::RECT r = sd.FHintWindow->CalcHintRect(500, text);
  gdi::OffsetRect(&r, screen.left, screen.top);
  sd.FHintWindow->ActivateHint(r, text);
  sd.FHintShown = true;
}

void HideCaptionHint(TSkinData& sd) {
  if (!sd.FHintShown) return;
  if (sd.FHintWindow->HandleAllocated()) win::ShowWindow(sd.FHintWindow->Handle(), win::SW_HIDE);
  sd.FHintShown = false;
}

bool GetScrollBarInfoSafe(win::HWND hwnd, win::LONG object, win::SCROLLBARINFO* info) {
  return win::GetScrollBarInfo(hwnd, object, info) != win::FALSE;
}

void TrackMouseLeave(win::HWND hwnd) {
  win::TRACKMOUSEEVENT tme;
  tme.dwFlags = win::TME_LEAVE;
  tme.hwndTrack = hwnd;
  win::TrackMouseEvent(&tme);
}

gdi::HICON WindowIcon(win::HWND hwnd) {
  auto icon = reinterpret_cast<gdi::HICON>(win::SendMessage(hwnd, win::WM_GETICON, win::ICON_SMALL, 0));
  if (!icon) icon = reinterpret_cast<gdi::HICON>(win::SendMessage(hwnd, win::WM_GETICON, win::ICON_BIG, 0));
  return icon;
}

int PlatformMajorVersion() { return static_cast<int>(win::GetVersion() & 0xFF); }
int PlatformMinorVersion() { return static_cast<int>((win::GetVersion() >> 8) & 0xFF); }
bool IsNTPlatform() { return (win::GetVersion() & 0x80000000u) == 0; }
bool NotMajorVersion6() { return PlatformMajorVersion() != 6; }

}  // namespace skin
