#include "skin/speed_button.h"

#include "core/unicode.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/form_skinner.h"

namespace skin {

namespace {
constexpr win::UINT kMsgControlReleased = pc::CM_BASE + 0x21;
constexpr win::UINT kMsgFocusChangedOld = pc::CM_BASE + 0x07;
}  // namespace

TSkinSpeedButton::~TSkinSpeedButton() { GiveBackWindowProc(); }

void TSkinSpeedButton::GiveBackWindowProc() {
  if (FOldWindowProc && FGraphicControl && !FGraphicControl->Destroying()) FGraphicControl->WindowProc = FOldWindowProc;
  FOldWindowProc = nullptr;
}

bool TSkinSpeedButton::Prop(std::string_view name) const {
  return core::ascii_lower(pc::GetEnumPropText(FGraphicControl, name)) == "true";
}

void TSkinSpeedButton::HookGraphicControl(TFormSkinner* form, TSkinData* sd, pc::TCanvas* canvas) {
  FSkinData = sd;
  FCanvas = canvas;
  FGraphicControl = dynamic_cast<pc::TControl*>(Owner());
  FForm = form;
  if (!FGraphicControl) return;
  FOldWindowProc = FGraphicControl->WindowProc;
  FGraphicControl->WindowProc = [this](pc::TMessage& m) { WndProc(m); };
  if (FForm) FForm->RegisterSkinner(this);
  FHooked = true;
  FHookState = 1;
  FTransparent = FGraphicControl->Tag == 5555 || InSet(sd->Options, xoTransparent);
}

bool TSkinSpeedButton::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT:
      if (auto dc = reinterpret_cast<gdi::HDC>(m.WParam)) DrawSpeedButton(dc, {0, 0, FGraphicControl->Width(), FGraphicControl->Height()});
      m.Result = 1;
      return false;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
      CallPrevious(m);
      FMouseFlags |= kPressed;
      PaintWindow(nullptr);
      return false;
    case win::WM_LBUTTONUP: return true;
    default: return TSkinButton::BeforeMessage(m);
  }
}

void TSkinSpeedButton::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_ENABLE:
    case kMsgFocusChangedOld:
    case pc::CM_ENABLEDCHANGED:
    case win::WM_MOUSEMOVE: break;
    case win::WM_NCDESTROY:
    case kMsgControlReleased: GiveBackWindowProc(); break;
    case win::WM_KEYDOWN:
      if (m.WParam == win::VK_SPACE) {
        FMouseFlags |= kPressed;
        PaintWindow(nullptr);
      }
      break;
    case win::WM_KEYUP:
      if (m.WParam != win::VK_SPACE) break;
      [[fallthrough]];
    case win::WM_LBUTTONUP:
      FMouseFlags &= static_cast<std::uint8_t>(~kPressed);
      PaintWindow(nullptr);
      break;
    case pc::CM_MOUSEENTER:
      FMouseFlags |= kHot;
      PaintWindow(nullptr);
      break;
    case pc::CM_MOUSELEAVE:
      FMouseFlags = 0;
      if (FGraphicControl->Visible()) PaintWindow(nullptr);
      break;
    default: TSkinButton::AfterMessage(m); break;
  }
}

void TSkinSpeedButton::PaintWindow(gdi::HDC) {
  pc::TWinControl* parent = FGraphicControl ? FGraphicControl->Parent() : nullptr;
  if (!parent || !parent->HandleAllocated()) return;
  try {
    gdi::HDC dc = win::GetDC(parent->Handle());
    const int saved = gdi::SaveDC(dc);
    gdi::OffsetViewportOrgEx(dc, FGraphicControl->Left(), FGraphicControl->Top(), nullptr);
    gdi::IntersectClipRect(dc, 0, 0, FGraphicControl->Width(), FGraphicControl->Height());
    DrawSpeedButton(dc, {0, 0, FGraphicControl->Width(), FGraphicControl->Height()});
    gdi::RestoreDC(dc, saved);
    win::ReleaseDC(parent->Handle(), dc);
  } catch (...) {
  }
}

int TSkinSpeedButton::SpeedFrame() const {
  if (Prop("Down")) return 2;
  if (!Prop("Enabled")) return 3;
  if (FMouseFlags & kPressed) return 2;
  if (FMouseFlags & kHot) return 4;
  return 1;
}

void TSkinSpeedButton::DrawSpeedButton(gdi::HDC dc, const gdi::RECT& R) {
  if (!FSkinData || !FSkinData->FButtons || FSkinData->FButtons->Image.Empty() || !FGraphicControl) return;
  if (core::ascii_lower(pc::GetEnumPropText(FGraphicControl, "Visible")) == "false") return;
  const bool named = !FSpeedGlyphProperty.empty();
  if (named && !pc::IsPublishedProp(FGraphicControl, FSpeedGlyphProperty))
    throw pc::EComponentError("Property " + FSpeedGlyphProperty + " does not exist");
  if (FPainting) return;
  FPainting = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{FPainting};
  const int s = SpeedFrame();
  int g = s == 2 ? 3 : s == 3 ? 2 : 1;
  if (Prop("Down")) g = 4;
  FEnabled = Prop("Enabled");
  FFocused = false;
  FText = GetWideStrProp(FGraphicControl, "Caption");
  const int n = std::max<int>(1, static_cast<int>(pc::GetIntProp(FGraphicControl, "NumGlyphs")));
  const bool flat = Prop("Flat");
  const gdi::RECT r{0, 0, R.width(), R.height()};
  if (r.right < 1 || r.bottom < 1) return;
  if (FBuffer.Width() != r.right || FBuffer.Height() != r.bottom)
    FBuffer = SkinImage(gdi::Bitmap(r.right, r.bottom, gdi::PixelFormat::k24bit));
  SelectedBitmap buffer(FBuffer.Handle());
  gdi::HDC b = buffer.dc();
  gdi::COLORREF base = FSkinData->FColours[4];
  if (auto* font = GetObjectPropByName<pc::TFont>(FGraphicControl, "Font")) {
    gdi::SelectObject(b, font->Handle());
    base = pc::ColorToRGB(font->Color());
  }
  if (FTransparent) DrawParentBackground(FGraphicControl, b);
  else FillFace(b, r);
  if (s == 2 || s == 4 || !flat) DrawSkinObjectFrame(b, r, FSkinData->FButtons->Frame, s, *FSkinData->FButtons);
  auto* glyph = GetObjectPropByName<pc::TBitmap>(FGraphicControl, named ? std::string_view(FSpeedGlyphProperty) : "Glyph");
  gdi::SIZE gs{0, 0};
  if (glyph && !glyph->Empty()) gs = {glyph->Width() / n, glyph->Height()};
  if (gs.cx * gs.cy != 0) {
    const int layout = GlyphLayoutOf(FGraphicControl);
    const gdi::SIZE ts = MeasureBesideGlyph(b, FText, r, gs, layout);
    const int margin = static_cast<int>(pc::GetIntProp(FGraphicControl, "Margin"));
    const int spacing = static_cast<int>(pc::GetIntProp(FGraphicControl, "Spacing"));
    GlyphLayout pos = LayoutGlyphButton({r.right, r.bottom}, gs, ts, margin, spacing, layout, false);
    // A centred layout with a given spacing starts one pixel further in than a bit button's.
    if (margin == -1 && (spacing != -1 || ts.cx == 0)) {
      const int d = layout == 1 || layout == 3 ? -1 : 1;
      if (layout < 2) pos.glyph.x += d, pos.text.x += d;
      else pos.glyph.y += d, pos.text.y += d;
    }
    if (named) gdi::DrawKeyedBitmap(b, pos.glyph.x, pos.glyph.y, glyph->Handle(), true);
    else DrawGlyphFrame(b, pos.glyph, n, g, *glyph);
    gdi::SetBkMode(b, gdi::TRANSPARENT);
    gdi::SetTextColor(b, TextColour(s, base, true));
    gdi::RECT tr{pos.text.x, pos.text.y, pos.text.x + ts.cx, pos.text.y + ts.cy};
    DrawTextWide(b, FText, &tr, BiDiFlags(this, gdi::DT_WORDBREAK | pos.flags));
  } else {
    gdi::SetTextColor(b, TextColour(s, base, named));
    DrawButtonCaption(b, r, gdi::DT_CENTER);
  }
  gdi::BitBlt(dc, R.left, R.top, r.right, r.bottom, b, 0, 0, gdi::SRCCOPY);
}

}  // namespace skin
