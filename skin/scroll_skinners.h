// Skinners that lay scroll-bar overlays over the native bars of a scrolling window and keep them in
// step with it: for a control of the component layer (list boxes, memos, grids ...), for a bare
// window, and for a stand-alone scroll-bar control. The native bars stay and keep working; the
// skinners hear of every move, resize, scroll and repaint through the window's messages and answer
// by placing or repainting the overlays.
#pragma once

#include <string>

#include "skin/control_skinner.h"
#include "skin/scroll_overlay.h"
#include "skin/skin_manager.h"

namespace skin {

class TSkinScrollbar : public TSkinControl {
public:
  explicit TSkinScrollbar(pc::TComponent* owner) : TSkinControl(owner) {}
  ~TSkinScrollbar() override;
  std::string ClassName() const override { return "TSkinScrollbar"; }

  // The only way this skinner is hooked.
  virtual void HookScrollControl(pc::TControl* control, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas);
  void Unhook() override;
  bool BeforeMessage(pc::TMessage& m) override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;
  void RefreshSkin() override;

  void PlaceOverlays();
  void DrawBorder(gdi::HDC dc, const gdi::RECT& r) const;
  void PaintBorder(gdi::HDC dc);

  TWScrollbar* FHorzBar = nullptr;
  TWScrollbar* FVertBar = nullptr;
  bool FDrawBorder = false;

protected:
  void FreeOverlays();
};

class TSkinScrollbarH : public TSkinControl {
public:
  explicit TSkinScrollbarH(pc::TComponent* owner) : TSkinControl(owner) {}
  ~TSkinScrollbarH() override;
  std::string ClassName() const override { return "TSkinScrollbarH"; }
  void HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) override;
  void Unhook() override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;
  void PlaceOverlays();

  TWScrollbar* FHorzBar = nullptr;
  TWScrollbar* FVertBar = nullptr;

private:
  void FreeOverlays();
};

class TSkinScControl : public TSkinControl {
public:
  explicit TSkinScControl(pc::TComponent* owner) : TSkinControl(owner) {}
  ~TSkinScControl() override;
  std::string ClassName() const override { return "TSkinScControl"; }
  void HookScrollBar(pc::TControl* control, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas);
  void Unhook() override;
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& r) override;

  TWScrollbar* FBar = nullptr;
};

}  // namespace skin
