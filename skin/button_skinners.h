// Push buttons and glyph buttons drawn from the skin's [Buttons] frames: normal, pressed, disabled,
// hot and focused (or default). The skinner keeps the button-down from the control, tracks hot and
// pressed itself and produces the click on a pressed release.
#pragma once

#include <string>

#include "platform/components/graphics.h"
#include "skin/control_skinner.h"
#include "skin/skin_image.h"

namespace skin {

class TSkinButton : public TSkinControl {
public:
  explicit TSkinButton(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinButton"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  bool BeforeMessage(pc::TMessage& m) override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;

  // The caption in `r` of the buffer: DT_CENTER centres it, 0 starts it at the left.
  void DrawButtonCaption(gdi::HDC dc, const gdi::RECT& r, win::UINT align);
  // The state frame: 2 pressed, 3 disabled, 4 hot, 5 focused or default, 1 normal.
  int StateFrame(bool is_default) const;
  // The caption colour of state frame `s`: the skin's button colours where given, grey when disabled.
  gdi::COLORREF TextColour(int s, gdi::COLORREF base, bool normal_only_in_state_1 = false) const;

  SkinImage FBuffer;
  bool FTransparent = false;

protected:
  // Reads focus, enabled state and caption; false when the skin has no button picture.
  bool BeginPaint();
  void Click();
  // The buffer sized to `r`, selected into a memory DC for one paint, with its background drawn.
  gdi::HDC PrepareBuffer(const gdi::RECT& r, int frame);
  void FinishBuffer(gdi::HDC dc, const gdi::RECT& rect);
  // The control's font into the buffer; answers its colour (the skin's button text without one).
  gdi::COLORREF SelectBufferFont(gdi::HDC b);
  // The window's own font into the buffer; answers the font it replaced.
  gdi::HGDIOBJ SelectWindowFont(gdi::HDC b);
  // The caption in its rectangle, with the focus rectangle around it when focused.
  void DrawGlyphCaption(gdi::HDC b, gdi::RECT text, win::UINT flags);
  gdi::HDC buffer_dc_ = nullptr;
  gdi::HGDIOBJ buffer_old_bitmap_ = nullptr;
};

// Where glyph and caption go on a button face: the glyph-button layout with the control's Margin,
// Spacing and Layout (0 glyph left, 1 right, 2 top, 3 bottom).
struct GlyphLayout {
  gdi::POINT glyph{}, text{};
  int margin = 0, spacing = 0;
  win::UINT flags = 0;  // DrawText alignment the layout adds
};
GlyphLayout LayoutGlyphButton(gdi::SIZE client, gdi::SIZE glyph, gdi::SIZE text, int margin, int spacing, int layout,
                              bool centred);
// The drop-down button's layout (glyph left, caption, then the arrow); `arrow` is the arrow's point.
GlyphLayout LayoutMenuButton(gdi::SIZE client, gdi::SIZE glyph, gdi::SIZE text, int margin, int spacing,
                             gdi::POINT* arrow);
// The control's "Layout" as 0 glyph left, 1 right, 2 top, 3 bottom.
int GlyphLayoutOf(const pc::TComponent* c);
// The size of a word-wrapped caption in `r` deflated by 2, less the glyph's room (and 2 more) on the
// layout's axis; (0, 0) for no caption.
gdi::SIZE MeasureBesideGlyph(gdi::HDC dc, std::u16string_view text, const gdi::RECT& r, gdi::SIZE glyph, int layout);
// Glyph k (1 up, 2 disabled, 3 down) of a strip of n at `at`; its bottom-left pixel is transparent.
void DrawGlyphFrame(gdi::HDC dc, gdi::POINT at, int n, int k, const pc::TBitmap& glyph);

class TSkinBitButton : public TSkinButton {
public:
  explicit TSkinBitButton(pc::TComponent* owner) : TSkinButton(owner) {}
  std::string ClassName() const override { return "TSkinBitButton"; }
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
  // A published graphic property that holds the glyph; empty: "Glyph" or "Images".
  std::string FGlyphProperty;

private:
  void PaintNamedGraphic(gdi::HDC dc, const gdi::RECT& rect);
  // Measures the caption beside a glyph of that size and lays both out by the control's properties.
  GlyphLayout PlaceGlyph(gdi::HDC b, const gdi::RECT& r, gdi::SIZE glyph, gdi::SIZE* text);
};

class TSkinMenuButton : public TSkinButton {
public:
  explicit TSkinMenuButton(pc::TComponent* owner) : TSkinButton(owner) {}
  std::string ClassName() const override { return "TSkinMenuButton"; }
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
};

}  // namespace skin
