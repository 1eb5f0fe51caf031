// The list that drops down under a combo box is a top-level pop-up, so no overlay window can sit over
// its scroll bar. This skinner paints the skin's vertical bar straight into the list's window DC after
// every frame paint and every scroll, and drags the thumb itself, sending the list the scroll requests
// the window system would send; arrows and page areas stay with the window system.
#pragma once

#include <memory>
#include <string>

#include "skin/control_skinner.h"

namespace skin {

// The scroll position a thumb dragged `o` pixels down a track of `track` pixels (thumb `len` long)
// asks for, for the range min..max with `page`. A track the thumb fills leaves the position at min.
int DragThumbPosition(int o, int min, int max, int page, int track, int len);

class TComboxScrollBar : public TSkinControl {
public:
  explicit TComboxScrollBar(pc::TComponent* owner);
  ~TComboxScrollBar() override;
  std::string ClassName() const override { return "TComboxScrollBar"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;
  // `dc` is the list's window DC, `r` its window rectangle moved to (0, 0).
  void PaintBar(gdi::HDC dc, const gdi::RECT& r);
  // A press on the thumb: dragged here until the button goes up, the capture is lost or the list
  // goes; answers false for presses elsewhere.
  bool DragThumb(const pc::TMessage& m);

  int FArrowSize = 0;
  int FThumbStart = 0, FThumbEnd = 0;

private:
  // Cleared when the skinner is freed, so a drag whose loop outlives it stops touching it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace skin
