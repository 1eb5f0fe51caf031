// The skin data component: the non-visual component a main form carries to give every window of the
// process the look of a skin. It holds the compressed skin package (stored with the form or read
// from a file), reads it into the skin objects, holds the options that say what is skinned, and
// starts the skin manager once its form has been read. The module's shared services (wide text,
// caption hints, the control of a window) sit at the end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/components/controls.h"
#include "platform/components/graphics.h"
#include "platform/components/hint_window.h"
#include "platform/win/controls.h"
#include "platform/win/win.h"
#include "skin/skin_objects.h"

namespace skin {

namespace pc = platform::components;
namespace win = platform::win;

// What the skin engine skins; a set stores element n as bit n.
enum TSkinControlType : int {
  xcMainMenu, xcPopupMenu, xcMenuItem, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress,
  xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab,
  xcTrackBar, xcSystemMenu, xcFastReport
};
using TSkinControlTypes = std::uint32_t;

enum TSkinOption : int {
  xoMDIScrollbar, xoMenuMerge, xoTransparent, xoPreview, xoParentBackGround, xoNoFocusRect, xoToolbarBK,
  xoToolbarButton, xoMDIChildBorder, xoMenuBG, xoCaptionButtonHint, xoFormScrollbar
};
using TSkinOptions = std::uint16_t;

enum class TSkinFormType : std::uint8_t { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };

constexpr std::uint32_t SetOf(int element) { return 1u << element; }
constexpr bool InSet(std::uint32_t set, int element) { return (set >> element) & 1u; }

// Sets as a form stores them: "[xcMainMenu,xcPopupMenu]". Parsing answers false for an unknown name
// or a text that is not a bracketed list.
std::string SkinControlsText(TSkinControlTypes set);
bool ParseSkinControls(std::string_view text, TSkinControlTypes& set);
std::string SkinOptionsText(TSkinOptions set);
bool ParseSkinOptions(std::string_view text, TSkinOptions& set);

class TSkinData;

// The application's veto over skinning a window (by its class name).
using TOnFormSkin = std::function<void(pc::TObject* sender, const std::string& name, bool& do_skin)>;
// Told before and after a window is skinned.
using TOnSkinForm = std::function<void(pc::TObject* sender, win::HWND hwnd, const std::string& name)>;
// Lets the application choose the skinner of a control.
using TOnSkinControl = std::function<void(pc::TComponent* sender, TSkinData* skin_data, pc::TControl* form,
                                          pc::TControl* control, const std::string& control_class,
                                          pc::TComponent*& skinned_control)>;

class TSkinData : public pc::TComponent, public TSkinObjects {
public:
  static constexpr std::string_view kVersion = "5.0.0.1";
  static constexpr TSkinControlTypes kDefaultSkinControls =
      ~(SetOf(xcMenuItem) | SetOf(xcFastReport)) & ((1u << (xcFastReport + 1)) - 1);
  static constexpr TSkinOptions kDefaultOptions = SetOf(xoPreview) | SetOf(xoToolbarBK) | SetOf(xoCaptionButtonHint);

  explicit TSkinData(pc::TComponent* owner);
  ~TSkinData() override;
  std::string ClassName() const override { return "TSkinData"; }
  void Loaded() override;

  bool Active() const { return active_; }
  void SetActive(bool active);
  std::int32_t DisableTag = 99;
  TSkinControlTypes SkinControls = kDefaultSkinControls;
  TSkinOptions Options = kDefaultOptions;
  pc::TStringList& Skin3rd() { return skin3rd_; }
  void SetSkin3rd(const pc::TStrings& lines) { skin3rd_.Assign(lines); }
  const std::string& SkinFile() const { return skin_file_; }
  void SetSkinFile(std::string name);
  // "(Good)" only in design mode with a package; this program never runs in design mode.
  std::string SkinStore() const { return "(none)"; }
  TSkinFormType SkinFormtype = TSkinFormType::sfMainform;
  std::string Version() const { return std::string(kVersion); }
  bool MenuUpdate = true, MenuMerge = false;

  TOnFormSkin OnFormSkin;
  pc::TNotifyEvent OnSkinChanged;
  TOnSkinControl OnSkinControl;
  TOnSkinForm OnBeforeSkinForm, OnAfterSkinForm;

  // Reads the package held in FPackage into the skin objects; answers whether the package could be
  // unpacked. On failure the component stays not ready and keeps the objects of an earlier skin.
  bool LoadSkin();
  // Makes the windows skinned with this component take up a newly read skin.
  void ApplySkin();
  // The last filter of the skin manager: the application's OnFormSkin, or the built-in refusals.
  void FilterWindow(win::HWND hwnd, const std::string& class_name, bool& do_skin);
  void SkinChanged();

  // The stored data "SkinStream": a 32-bit little-endian count, then that many package bytes.
  void ReadSkinStream(std::span<const std::uint8_t> data);
  std::vector<std::uint8_t> WriteSkinStream() const;

  std::vector<std::uint8_t> FPackage;  // the compressed skin package
  bool FSkinNotReady = true;
  std::unique_ptr<pc::TImageList> FMenuGlyphs;  // restore, maximise, minimise, close
  SkinImage FIconBitmap;                        // the application's small icon on the key colour
  std::unique_ptr<pc::THintWindow> FHintWindow;
  bool FHintShown = false;
  bool FNCPaintEnabled = true;
  std::uint32_t FHintTime = 0;

private:
  void BuildIconBitmap();

  bool active_ = false;
  pc::TStringList skin3rd_;
  std::string skin_file_;
};

// The 64 x 16 monochrome strip of the system-menu glyphs (restore, maximise, minimise, close),
// black on white.
gdi::Bitmap MenuGlyphStrip();

// ---- services shared by form, menu and control skinning ----

// Text of the program is UTF-8 throughout, so the "ANSI" side of the engine is UTF-8.
std::u16string AnsiToWide(std::string_view text);
// The whole text for count -1, else its first `count` characters.
std::u16string WideCopy(std::u16string_view text, int count);
int DrawTextWide(gdi::HDC dc, std::u16string_view text, gdi::RECT* r, win::UINT format);
// The control whose window this is, or null.
pc::TControl* FindControlOfWindow(win::HWND hwnd);
// Shows a caption-button hint under `screen` (its top-left corner moves the hint) when the skin's
// options ask for hints and none is shown.
void ShowCaptionHint(TSkinData& sd, const gdi::RECT& screen, std::string_view text);
void HideCaptionHint(TSkinData& sd);
bool GetScrollBarInfoSafe(win::HWND hwnd, win::LONG object, win::SCROLLBARINFO* info);
void TrackMouseLeave(win::HWND hwnd);
// The icon a window shows: its small icon, else its big one; null without one.
gdi::HICON WindowIcon(win::HWND hwnd);

// Facts of the platform the engine branches on (from GetVersion).
bool IsNTPlatform();
bool NotMajorVersion6();
int PlatformMajorVersion();
int PlatformMinorVersion();

}  // namespace skin
