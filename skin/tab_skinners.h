// Tab controls drawn from the skin's [Tabs] frames: the strip of tabs on any side (composed as if on
// top and turned into place), each tab with its icon and caption, the pane's frame, close boxes on
// the tabs of marked page controls, and the old-style tab set whose tabs hang below a line.
#pragma once

#include <string>
#include <vector>

#include "skin/control_skinner.h"
#include "skin/skin_image.h"

namespace skin {

class TSkinUpDown;

// Private message: asks the form whether the page of a tab whose close box was clicked may go
// (wParam the tab control's window, lParam the tab's index); an answer of 0 frees it.
inline constexpr win::UINT kMsgTabCloseBox = 0x3507;
// The Tag that gives a page control's tabs close boxes.
inline constexpr int kCloseBoxTag = 7777;

class TSkinTab : public TSkinControl {
public:
  explicit TSkinTab(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinTab"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) override;
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
  void RefreshSkin() override;

  std::vector<gdi::RECT> FCloseRects;  // per tab, in strip coordinates; empty until painted
  int FTabPosition = 0;                // 0 top, 1 bottom, 2 left, 3 right
  bool FWideItems = false;
  SkinImage FTabImage, FPaneImage, FStripBuffer;
  TSkinUpDown* FUpDown = nullptr;
  bool FCloseButtons = false;

private:
  void PrepareImages();
  // Skins the scroll arrows of the tabs; answers whether they are shown.
  bool HookUpDown();
  bool HitCloseBox(const pc::TMessage& m);
  void DrawCloseBox(gdi::HDC dc, const gdi::RECT& t, int i);
  void BlitStripAroundUpDown(gdi::HDC dc, const gdi::RECT& s);
};

// The old-style tab set: its tab texts, selection, first visible tab and margins are read from its
// properties ("Tabs", "TabIndex", "FirstIndex", "StartMargin", "EndMargin").
class TSkinTab31 : public TSkinControl {
public:
  explicit TSkinTab31(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinTab31"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
  void RefreshSkin() override;

  SkinImage FTabImage;
  TSkinUpDown* FUpDown = nullptr;
  pc::TControl* FScroller = nullptr;

private:
  void PrepareTabSetImage();
};

}  // namespace skin
