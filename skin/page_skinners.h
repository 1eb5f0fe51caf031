// Skinners of pages and bare containers: tab controls whose tabs look like buttons, the pages of a
// page control, bare dialog and tool-bar windows inside a window, size grips, and page controls of
// other libraries that take their tab pictures through bitmap properties.
#pragma once

#include <string>

#include "skin/control_skinner.h"

namespace skin {

class TSkinUpDown;

// The whole strip of a button-style tab control from the skin's [Buttons] frames.
class TSkinTabBtn : public TSkinControl {
public:
  explicit TSkinTabBtn(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinTabBtn"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;

  // At most this many characters of a tab's caption are shown.
  static constexpr std::size_t kMaxCaption = 79;

private:
  bool HasButtonPicture() const;
};

// A page of a page control: the face colour with the page's windowless controls on it.
class TSkinTabSheet : public TSkinControl {
public:
  explicit TSkinTabSheet(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinTabSheet"; }
  bool BeforeMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
};

// A bare dialog or tool-bar window: face-coloured background and static texts.
class TSkinBoxH : public TSkinControl {
public:
  explicit TSkinBoxH(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinBoxH"; }
  bool BeforeMessage(pc::TMessage& m) override;
};

// A bare size grip, painted over with the face colour after it drew itself.
class TSkinSizer : public TSkinControl {
public:
  explicit TSkinSizer(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinSizer"; }
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
};

// A page control of another library: its tab pictures ("TabBackGround", "TabBackGroundActive") are
// made from the skin's [Tabs] frames, and its scroll arrows are skinned once they exist.
class TSkinAdvPage : public TSkinControl {
public:
  explicit TSkinAdvPage(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinAdvPage"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void Unhook() override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;
  void RefreshSkin() override;

  // The size of the tab pictures handed to the control.
  static constexpr int kTabPictureWidth = 100, kTabPictureHeight = 21;

  TSkinUpDown* FUpDown = nullptr;
  int FPageKind = 0;  // 4: the control takes tab pictures; any other value hands none

private:
  bool pictures_handed_ = false;
  void ApplyTabPictures();
  void FindUpDown();
};

}  // namespace skin
