// Skinners of containers and bars: the status bar (face, panel frames, texts and size grip), the
// group box (a thin rounded frame with the caption on its top edge) and the colour-only skinner that
// gives panels and similar containers the skin's face colour.
#pragma once

#include <string>

#include "skin/control_skinner.h"
#include "skin/skin_image.h"

namespace skin {

class TSkinStatusBar : public TSkinControl {
public:
  explicit TSkinStatusBar(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinStatusBar"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
  // Frame `e` (1 lowered, 2 raised, 3 none) of the skin's panel edges over `r`, opaque.
  void DrawEdgeFrame(gdi::HDC dc, const gdi::RECT& r, int e) const;
  // A plain 3-D line around `r` for bars of skins without panel edges.
  static void DrawPlainEdge(gdi::HDC dc, const gdi::RECT& r, int e);

private:
  SkinImage buffer_;
};

class TSkinGroupBox : public TSkinControl {
public:
  explicit TSkinGroupBox(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinGroupBox"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
};

// Paints nothing: only gives the container the skin's face colour while skinned.
class TSkinBox : public TSkinControl {
public:
  explicit TSkinBox(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinBox"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void Unhook() override;
  void AfterMessage(pc::TMessage&) override {}
};

// Lets a container paint its controls without windows on `dc` (origin at the container), in order.
void PaintGraphicChildren(pc::TControl* container, gdi::HDC dc);

}  // namespace skin
