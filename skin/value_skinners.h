// Skinners of the controls that show a value: the track bar's channel and thumb (through its custom
// drawing), the up-down control's two buttons, and the progress bar as a two-frame bar or as chunks.
#pragma once

#include <string>

#include "platform/win/controls.h"
#include "skin/control_skinner.h"

namespace skin {

class TSkinTrackBar : public TSkinControl {
public:
  explicit TSkinTrackBar(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinTrackBar"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void RefreshSkin() override;
  // The answer to one custom-draw notice of the track bar.
  win::LRESULT CustomDraw(const win::NMCUSTOMDRAW& info);

private:
  void DrawChannel(const win::NMCUSTOMDRAW& info);
  void DrawThumb(const win::NMCUSTOMDRAW& info);
};

class TSkinUpDown : public TSkinControl {
public:
  explicit TSkinUpDown(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinUpDown"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
  // Buttons: 0 up, 1 down, 2 left, 3 right; states: 1 normal, 2 pressed, 3 disabled, 4 hot.
  void DrawSkinButton(gdi::HDC dc, const gdi::RECT& r, int button, int state) const;
  void DrawPlainButton(gdi::HDC dc, const gdi::RECT& r, int button, int state) const;

  bool FEmbedded = false;  // lives inside an edit
  int FHorizontal = 0;     // 1: a left/right pair whatever the style says
};

class TSkinProgress : public TSkinControl {
public:
  explicit TSkinProgress(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinProgress"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;

private:
  void PaintChunks(gdi::HDC dc, const gdi::RECT& rect);
};

// How many of `width` pixels a bar at `pos` of min..max fills: none for an empty or inverted range
// and for positions at or below the minimum.
int ProgressFillWidth(int width, int pos, int min, int max);

}  // namespace skin
