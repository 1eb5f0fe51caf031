// Native scroll bars cannot be restyled, so a small window of the engine's own lies over each one and
// paints the skin's bar into it. It keeps no scroll state: it reads the native bar each time it
// paints, and every press on it goes to the native bar beneath, so scrolling, paging, auto-repeat and
// thumb tracking stay the window system's own.
#pragma once

#include <memory>
#include <string>

#include "platform/components/controls.h"
#include "platform/win/controls.h"
#include "skin/control_skinner.h"

namespace skin {

// Parts of a bar. The values are the window system's scroll request codes, so an owner can store
// the code of a WM_HSCROLL or WM_VSCROLL in FHotPart as it is.
enum ScrollBarPart : int {
  kScrollNone = -1,
  kScrollFirstArrow = 0,
  kScrollSecondArrow = 1,
  kScrollPageBefore = 2,
  kScrollPageAfter = 3,
  kScrollThumb = 5,
};

// The part at `a` pixels along a bar of `length` with arrows of `arrow` and the thumb at
// [thumb_start, thumb_end).
int ScrollBarPartAt(int a, int arrow, int thumb_start, int thumb_end, int length);

// The thumb of a stand-alone scroll-bar control of `length` pixels, from its scroll information.
struct ThumbExtent {
  int start = 0, end = 0;
};
ThumbExtent ControlThumbExtent(int length, int arrow, int min, int max, int page, int pos);

class TWScrollbar : public pc::TCustomControl {
public:
  explicit TWScrollbar(pc::TComponent* owner);
  ~TWScrollbar() override;
  std::string ClassName() const override { return "TWScrollbar"; }

  // kind: 0 the target's horizontal bar, 1 its vertical bar, 2 the target is a scroll-bar control.
  void AttachControl(TSkinControl* owner_skin, pc::TControl* control, int kind);
  void AttachWindow(TSkinControl* owner_skin, win::HWND window, int kind);
  // Shows the overlay over the bar of `window`, or hides it when the bar or the window is not shown.
  void PlaceOverBar(win::HWND window);
  void HideOverlay();
  // The part under a point of the overlay's client area.
  int HitTest(gdi::POINT p) const;
  // The bar of a stand-alone control as the window system's bar information would give it.
  bool ControlBarInfo(win::SCROLLBARINFO& info);
  // The thumb under the cursor while the window system tracks it.
  void TrackThumb();

  int FLength = 0;
  int FThumbStart = 0, FThumbEnd = 0;
  int FBarLeft = 0, FBarTop = 0;
  gdi::POINT FPressPos{};
  int FPressThumb = 0;
  bool FTracking = false;
  int FOrientation = 1;  // 1 vertical, 0 horizontal
  int FHotPart = kScrollNone;
  int FArrowSize = 0;
  win::HWND FTarget = nullptr;
  pc::TControl* FTargetControl = nullptr;
  TSkinControl* FOwnerSkin = nullptr;
  std::uint8_t FKind = 0;
  gdi::RECT FBarRect{};
  std::uint8_t FActive = 0;

protected:
  void CreateParams(pc::TCreateParams& p) override;
  void WndProc(pc::TMessage& m) override;

private:
  bool BarInfo(win::SCROLLBARINFO& info);
  void Paint(gdi::HDC dc);
  void Press(pc::TMessage& m);
  void Release(pc::TMessage& m);
  // Creates the window as a child of `parent` (hidden) when it has none.
  void MakeWindow(win::HWND parent);

  win::HWND parent_wnd_ = nullptr;
  // Cleared when the overlay is freed, so a press whose tracking outlives it stops touching it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace skin
