// Speed buttons have no window: their parent paints them. The skinner takes over the button's
// window-procedure method, paints it from the skin's [Buttons] frames on the parent's device context
// and follows its own "Down", "Enabled" and "Flat" properties; the click stays the button's own.
#pragma once

#include <string>

#include "skin/button_skinners.h"

namespace skin {

class TSkinSpeedButton : public TSkinBitButton {
public:
  explicit TSkinSpeedButton(pc::TComponent* owner) : TSkinBitButton(owner) {}
  ~TSkinSpeedButton() override;
  std::string ClassName() const override { return "TSkinSpeedButton"; }
  void HookGraphicControl(TFormSkinner* form, TSkinData* sd, pc::TCanvas* canvas);
  bool BeforeMessage(pc::TMessage& m) override;
  void AfterMessage(pc::TMessage& m) override;
  // Paints the button now on its parent.
  void PaintWindow(gdi::HDC dc) override;
  // The button in `r` of `dc` (origin at the button).
  void DrawSpeedButton(gdi::HDC dc, const gdi::RECT& r);
  // State frame and glyph index by the button's properties and the mouse.
  int SpeedFrame() const;

  bool FPainting = false;
  std::string FSpeedGlyphProperty;  // a graphic property holding the glyph; empty: "Glyph"

private:
  void GiveBackWindowProc();
  bool Prop(std::string_view name) const;
};

}  // namespace skin
