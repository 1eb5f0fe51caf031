// Which control skinner paints which control: the choice the form skinner's walk over a window's
// controls makes for each one.
#pragma once

#include <string>
#include <string_view>

#include "platform/win/win.h"

namespace skin {

// The skinner classes a mapping can name.
enum class SkinnerKind {
  kTab, kTabBtn, kTab31, kTabSheet, kCheckBox, kUpDown, kMP, kBox, kObjImage, kGroupBox, kStatusBar, kComBox, kEdit,
  kDateTime, kScrollbar, kCheckList, kBitButton, kButton, kMenuButton, kRadioButton, kTrackBar, kSpeedButton,
  kProgress, kAdvPage, kSizer, kBoxH, kListView
};
std::string_view SkinnerClassName(SkinnerKind kind);

// How a skinner attaches: to a control's window-procedure method, to a bare window's procedure, as
// a scroll-bar skinner of a control, or to a control without a window.
enum class HookWay { kControl, kHandle, kScroll, kGraphic };

struct SkinnerChoice {
  SkinnerKind kind = SkinnerKind::kButton;
  HookWay way = HookWay::kControl;
  bool set_color = false;
  int mode = 0;
  int glyph_kind = 0;
  bool extended = false;
  std::string glyph_property, speed_glyph_property;
  int page_kind = 0;
  platform::win::HWND handle = nullptr;  // the window of HookWay::kHandle
};

}  // namespace skin
