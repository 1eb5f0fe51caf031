// Check boxes and radio buttons drawn from the glyph strips of the skin's [Buttons] section: one frame
// of the strip chosen from the check and enabled state, with the caption beside it. Other libraries'
// check boxes that take a glyph strip through their properties get one built from the same strips.
#pragma once

#include <string>

#include "skin/control_skinner.h"

namespace skin {

// Which frame of a strip of `frames` shows a check box whose state is `s` (1 unchecked, 2 checked,
// 4 grey), with the window's own indeterminate state and its enabled state.
int CheckBoxFrame(int s, bool indeterminate, bool disabled, int frames);
// The same for a radio button (`s` 1 unchecked, 2 checked).
int RadioButtonFrame(int s, bool disabled, int frames);

// What the two button skinners share: hooking, messages, layout and the caption.
class TSkinGlyphCheck : public TSkinControl {
public:
  explicit TSkinGlyphCheck(pc::TComponent* owner) : TSkinControl(owner) {}
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  bool BeforeMessage(pc::TMessage& m) override;
  // Repaints after the messages that change the check or the press.
  void AfterMessage(pc::TMessage& m) override;
  void PaintSkin(gdi::HDC dc, const gdi::RECT& rect) override;

  bool FTransparent = false;

protected:
  virtual const SkinImage* Strip() const = 0;
  virtual int StripFrames() const = 0;
  virtual int Frame() = 0;
  // The glyph box sits one pixel further in at the right edge (radio buttons).
  virtual int RightInset() const = 0;
  bool HasStrip() const;
};

class TSkinCheckBox : public TSkinGlyphCheck {
public:
  explicit TSkinCheckBox(pc::TComponent* owner) : TSkinGlyphCheck(owner) {}
  std::string ClassName() const override { return "TSkinCheckBox"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void AfterMessage(pc::TMessage& m) override;
  // The last check state sent with BM_SETCHECK, plus one; 0 before the first.
  int FDataCheck = 0;

protected:
  const SkinImage* Strip() const override;
  int StripFrames() const override;
  int Frame() override;
  int RightInset() const override { return 0; }
};

class TSkinRadioButton : public TSkinGlyphCheck {
public:
  explicit TSkinRadioButton(pc::TComponent* owner) : TSkinGlyphCheck(owner) {}
  std::string ClassName() const override { return "TSkinRadioButton"; }

protected:
  const SkinImage* Strip() const override;
  int StripFrames() const override;
  int Frame() override;
  int RightInset() const override { return 1; }
};

// Hands a glyph strip built from the skin's strips to a control that draws its own check marks from
// one; sees no messages.
class TSkinObjImage : public TSkinControl {
public:
  explicit TSkinObjImage(pc::TComponent* owner) : TSkinControl(owner) {}
  std::string ClassName() const override { return "TSkinObjImage"; }
  void HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) override;
  void Unhook() override;
  void RefreshSkin() override;
  // 1 a nine-cell check strip in "CustomGlyphs", 2 a six-cell radio strip there, 3 a six-cell check
  // strip in the "Glyph" of the control's "Properties".
  int FGlyphKind = 0;

private:
  void ApplyGlyphs();
  // Cells of frames of `strip` (0: the cell stays empty) side by side; empty without a strip.
  gdi::Bitmap BuildCells(const SkinImage& strip, int frames, const int* cells, int count) const;
  void HandToCustomGlyphs(const gdi::Bitmap& cells);
};

}  // namespace skin
