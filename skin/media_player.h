// Media players are not repainted in place: a panel of the same size and position covers the player
// and draws its visible buttons on skin faces with the player's glyphs; presses and releases on one
// button pass through to the player underneath, which keeps producing its own clicks.
#pragma once

#include <array>
#include <string>

#include "platform/components/controls.h"
#include "skin/control_skinner.h"

namespace skin {

class TSkinMP;

// Button kinds, in the player's order.
enum TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
inline constexpr int kMPButtonKinds = 9, kMPNoButton = 9;

class TWMediaPlayer : public pc::TCustomControl {
public:
  explicit TWMediaPlayer(pc::TComponent* owner);
  ~TWMediaPlayer() override;
  std::string ClassName() const override { return "TWMediaPlayer"; }
  void AttachTo(TSkinMP* skinner, pc::TControl* player);
  void CopyBounds(pc::TControl* player);
  // The visible button kind at `x`, or kMPNoButton.
  int HitTest(int x) const;

  struct Button {
    bool visible = false, enabled = false, coloured = false;
    std::array<pc::TBitmap*, 3> glyphs{};  // by glyph state: enabled, disabled, coloured
  };
  std::array<Button, kMPButtonKinds> FMPButtons;
  int FVisibleCount = 0;
  TSkinData* FSkinData = nullptr;
  bool FMouseDown = false;
  int FDownButton = kMPNoButton, FHitButton = kMPNoButton;
  int FButtonWidth = 0;
  pc::TControl* FPlayer = nullptr;
  TSkinMP* FSkinner = nullptr;

protected:
  void WndProc(pc::TMessage& m) override;

private:
  void Paint(gdi::HDC dc);
  void DrawMPButton(gdi::HDC dc, int kind, const gdi::RECT& r);
};

class TSkinMP : public TSkinControl {
public:
  explicit TSkinMP(pc::TComponent* owner) : TSkinControl(owner) {}
  ~TSkinMP() override;
  std::string ClassName() const override { return "TSkinMP"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void Unhook() override;
  void AfterMessage(pc::TMessage& m) override;
  TWMediaPlayer* FOverlay = nullptr;

protected:
  void Notification(pc::TComponent* c, pc::TOperation op) override;
};

}  // namespace skin
