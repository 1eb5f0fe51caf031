#include "skin/check_skinners.h"

#include "core/unicode.h"
#include "platform/win/controls.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/form_skinner.h"

namespace skin {

namespace {

constexpr win::UINT kMsgDataLinkChanged = 0xB0D0;

bool window_disabled(win::HWND h) {
  return (static_cast<std::uint32_t>(win::GetWindowLong(h, win::GWL_STYLE)) & win::WS_DISABLED) != 0;
}

// Focus rectangles are drawn only on systems older than major version 6 (the skin manager's rule).
bool focus_rects_enabled() { return (win::GetVersion() & 0xFF) < 6; }

}  // namespace

int CheckBoxFrame(int s, bool indeterminate, bool disabled, int frames) {
  if (disabled) s += 2;
  if (indeterminate) s = 4;
  if (frames == 12) {
    if (s == 2) s = 5;
    else if (s == 3) s = 4;
    else if (s == 4) s = 8;
    if (indeterminate) s = disabled ? 12 : 9;
  }
  return s;
}

int RadioButtonFrame(int s, bool disabled, int frames) {
  if (disabled) s += 2;
  if (frames == 8) {
    if (s == 2) s = 5;
    else if (s == 3) s = 4;
    else if (s == 4) s = 8;
  }
  return s;
}

// ---- what check boxes and radio buttons share ----

bool TSkinGlyphCheck::HasStrip() const {
  const SkinImage* strip = FSkinData && FSkinData->FButtons ? Strip() : nullptr;
  return strip && !strip->Empty();
}

void TSkinGlyphCheck::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  TSkinControl::HookControl(form, sd, set_color, canvas);
  FMode = HasStrip() ? 1 : 0;
  FTransparent = (FControl && FControl->Tag == 5555) || InSet(sd->Options, xoTransparent);
}

bool TSkinGlyphCheck::BeforeMessage(pc::TMessage& m) {
  const bool r = TSkinControl::BeforeMessage(m);
  switch (m.Msg) {
    case win::WM_PAINT:
    case win::WM_PRINT:
      if (FMode != 1) return r;
      PaintOnWMPaint(*this, m);
      return false;
    case win::WM_ERASEBKGND:
      if (!FTransparent) return r;
      EraseToParent(*this, m);
      return false;
    default: return r;
  }
}

void TSkinGlyphCheck::PaintSkin(gdi::HDC dc, const gdi::RECT& rect) {
  if (!HasStrip()) {
    FMode = 0;
    return;
  }
  const SkinImage& strip = *Strip();
  const int frames = std::max(1, StripFrames());
  const int s = Frame();
  const int fw = strip.Width() / frames, fh = strip.Height();
  const gdi::RECT R = rect;
  gdi::RECT box{0, R.top + (R.height() - fh) / 2, 0, 0};
  box.bottom = box.top + fh;
  gdi::RECT text = R;
  const auto style = static_cast<std::uint32_t>(win::GetWindowLong(FHandle, win::GWL_STYLE));
  const bool rtl = RightToLeft();
  win::UINT flags = 0;
  if (style & win::BS_LEFTTEXT) {
    box.right = R.right - RightInset();
    box.left = box.right - fw;
    text.right = box.left - 2;
    if (rtl) flags = gdi::DT_RTLREADING | gdi::DT_RIGHT;
  } else {
    box.left = R.left;
    box.right = R.left + fw;
    text.left = box.right + 2;
    if (rtl) flags = gdi::DT_RTLREADING;
  }
  flags |= gdi::DT_EXPANDTABS | gdi::DT_WORDBREAK;
  if (FMode == 1 && !FTransparent) FillFace(dc, R);
  DrawKeyedFrame(dc, box, frames, s, strip);
  if (FMode == 0) return;

  FText = FControl ? GetWideStrProp(FControl, "Caption") : GetWindowTextWide(FHandle);
  FEnabled = !(style & win::WS_DISABLED);
  gdi::HFONT font = reinterpret_cast<gdi::HFONT>(win::SendMessage(FHandle, win::WM_GETFONT, 0, 0));
  gdi::COLORREF ink = gdi::resolve_color(FSkinData->FColours[4]);
  if (FControl) {
    font = FControl->Font.Handle();
    ink = FEnabled ? pc::ColorToRGB(FControl->Font.Color()) : gdi::GetSysColor(gdi::COLOR_BTNSHADOW);
  }
  gdi::HGDIOBJ old_font = font ? gdi::SelectObject(dc, font) : nullptr;
  const gdi::COLORREF old_bk = gdi::SetBkColor(dc, gdi::resolve_color(FSkinData->FColours[3]));
  const int old_mode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
  const gdi::COLORREF old_ink = gdi::SetTextColor(dc, ink);
  gdi::RECT measured = text;
  DrawTextWide(dc, FText, &measured, flags | gdi::DT_CALCRECT | gdi::DT_NOCLIP);
  gdi::OffsetRect(&text, 0, (R.height() - measured.bottom) / 2);
  if (win::GetFocus() == FHandle && !FText.empty() && focus_rects_enabled()) DrawTextFocusRect(dc, flags, text);
  DrawTextWide(dc, FText, &text, flags);
  gdi::SetBkMode(dc, old_mode);
  gdi::SetTextColor(dc, old_ink);
  gdi::SetBkColor(dc, old_bk);
  if (old_font) gdi::SelectObject(dc, old_font);
}

void TSkinGlyphCheck::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::BM_SETCHECK:
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONUP:
    case win::WM_LBUTTONDBLCLK:
    case pc::CM_EXIT:
    case kMsgDataLinkChanged: Redraw(); break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

// ---- check box ----

void TSkinCheckBox::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  TSkinGlyphCheck::HookControl(form, sd, set_color, canvas);
  FDataCheck = 0;
}

const SkinImage* TSkinCheckBox::Strip() const { return &FSkinData->FButtons->CheckButton; }
int TSkinCheckBox::StripFrames() const { return FSkinData->FButtons->CheckButtonFrame; }

int TSkinCheckBox::Frame() {
  const auto state = win::SendMessage(FHandle, win::BM_GETSTATE, 0, 0);
  int s = (state & win::BST_CHECKED) ? 2 : 1;
  if (FControl) {
    if (pc::IsPublishedProp(FControl, "State")) {
      const std::string t = core::ascii_lower(pc::GetEnumPropText(FControl, "State"));
      if (t.find("uncheck") != std::string::npos) s = 1;
      else if (t.find("check") != std::string::npos) s = 2;
      else if (t.find("gray") != std::string::npos) s = 4;
    } else if (pc::IsPublishedProp(FControl, "Checked")) {
      s = core::ascii_lower(pc::GetEnumPropText(FControl, "Checked")) == "true" ? 2 : 1;
    }
    if (pc::IsPublishedProp(FControl, "DataField") && FDataCheck != 0) s = FDataCheck == 3 ? 4 : FDataCheck;
    if (pc::IsPublishedProp(FControl, "DataBinding")) s = 1;
  }
  return CheckBoxFrame(s, (state & win::BST_INDETERMINATE) != 0, window_disabled(FHandle), StripFrames());
}

void TSkinCheckBox::AfterMessage(pc::TMessage& m) {
  // Data-aware boxes show the state last set in code.
  if (m.Msg == win::BM_SETCHECK) FDataCheck = static_cast<int>(m.WParam) + 1;
  TSkinGlyphCheck::AfterMessage(m);
}

// ---- radio button ----

const SkinImage* TSkinRadioButton::Strip() const { return &FSkinData->FButtons->RadioButton; }
int TSkinRadioButton::StripFrames() const { return FSkinData->FButtons->RadioButtonFrame; }

int TSkinRadioButton::Frame() {
  int s = (win::SendMessage(FHandle, win::BM_GETCHECK, 0, 0) & win::BST_CHECKED) ? 2 : 1;
  if (FControl && pc::IsPublishedProp(FControl, "Checked"))
    s = core::ascii_lower(pc::GetEnumPropText(FControl, "Checked")) == "true" ? 2 : 1;
  return RadioButtonFrame(s, window_disabled(FHandle), StripFrames());
}

// ---- glyph strips handed to other libraries' controls ----

namespace {
// A negative cell holds that frame only in a strip of exactly five frames.
constexpr int kCheckCells[] = {1, 2, -5, 1, 2, -5, 3, 4, -5};
constexpr int kRadioCells[] = {1, 2, 1, 2, 3, 4};
constexpr int kPropertiesCells[] = {1, 2, -5, 1, 2, -5};
}  // namespace

void TSkinObjImage::HookControl(TFormSkinner* form, TSkinData* sd, bool, pc::TCanvas* canvas) {
  if (FHooked) return;
  FSkinData = sd;
  FForm = form;
  FCanvas = canvas;
  FControl = dynamic_cast<pc::TControl*>(Owner());
  if (auto* w = dynamic_cast<pc::TWinControl*>(FControl)) FHandle = w->Handle();
  if (FForm) FForm->RegisterSkinner(this);
  ApplyGlyphs();
  FHooked = true;
  FHookState = 1;
}

void TSkinObjImage::RefreshSkin() { ApplyGlyphs(); }

void TSkinObjImage::Unhook() {
  if (!FControl || FControl->Destroying()) return;
  if (FGlyphKind == 1 || FGlyphKind == 2) {
    pc::SetPropText(FControl, "UseCustomGlyphs", "false");
  } else if (FGlyphKind == 3) {
    if (auto* props = pc::GetObjectProp(FControl, "Properties"))
      if (auto* glyph = dynamic_cast<pc::TBitmap*>(pc::GetObjectProp(dynamic_cast<pc::TComponent*>(props), "Glyph")))
        glyph->SetSize(0, 0);
  }
}

gdi::Bitmap TSkinObjImage::BuildCells(const SkinImage& strip, int frames, const int* cells, int count) const {
  if (strip.Empty()) return {};
  frames = std::max(frames, 1);
  const int fw = strip.Width() / frames, fh = strip.Height();
  gdi::Bitmap out(std::max(1, fw * count), fh, gdi::PixelFormat::k24bit);
  const gdi::Bitmap& from = *strip.Pixels();
  for (int c = 0; c < count; ++c) {
    const int frame = cells[c] < 0 ? (frames == -cells[c] ? -cells[c] : 0) : cells[c];
    if (frame == 0 || frame > frames) continue;
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x) out.set_pixel(c * fw + x, y, from.pixel((frame - 1) * fw + x, y));
  }
  return out;
}

void TSkinObjImage::HandToCustomGlyphs(const gdi::Bitmap& cells) {
  auto* glyphs = GetObjectPropByName<pc::TBitmap>(FControl, "CustomGlyphs");
  if (!glyphs || cells.width() == 0) return;
  glyphs->Assign(cells);
  pc::SetPropText(FControl, "transparentcolor", "16711935");
  pc::SetPropText(FControl, "UseCustomGlyphs", "false");
  pc::SetPropText(FControl, "UseCustomGlyphs", "true");
}

void TSkinObjImage::ApplyGlyphs() {
  if (!FControl || !FSkinData || !FSkinData->FButtons) return;
  const TDataSkinButton& b = *FSkinData->FButtons;
  switch (FGlyphKind) {
    case 1: HandToCustomGlyphs(BuildCells(b.CheckButton, b.CheckButtonFrame, kCheckCells, 9)); break;
    case 2: HandToCustomGlyphs(BuildCells(b.RadioButton, b.RadioButtonFrame, kRadioCells, 6)); break;
    case 3: {
      const gdi::Bitmap cells = BuildCells(b.CheckButton, b.CheckButtonFrame, kPropertiesCells, 6);
      auto* props = dynamic_cast<pc::TComponent*>(pc::GetObjectProp(FControl, "Properties"));
      auto* glyph = GetObjectPropByName<pc::TBitmap>(props, "Glyph");
      if (!glyph || cells.width() == 0) return;
      glyph->Assign(cells);
      glyph->TransparentColor = 0xFF00FF;
      break;
    }
    default: break;
  }
}

}  // namespace skin
