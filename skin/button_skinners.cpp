#include "skin/button_skinners.h"

#include <algorithm>

#include "core/unicode.h"
#include "platform/components/std_ctrls.h"
#include "skin/control_painting.h"
#include "skin/form_skinner.h"

namespace skin {

namespace {

// The font of a control (its "Font" property), or null.
pc::TFont* control_font(pc::TControl* c) { return c ? GetObjectPropByName<pc::TFont>(c, "Font") : nullptr; }

gdi::SIZE measure(gdi::HDC dc, std::u16string_view text, gdi::RECT t, win::UINT flags) {
  if (text.empty()) return {0, 0};
  DrawTextWide(dc, text, &t, flags | gdi::DT_CALCRECT);
  return {t.width(), t.height()};
}

}  // namespace

// ---- push button ----

void TSkinButton::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  TSkinControl::HookControl(form, sd, set_color, canvas);
  FMode = 0;
  if (FControl) {
    const std::string cls = core::ascii_lower(FControl->ClassName());
    if (cls.starts_with("trz") || cls.starts_with("tel")) FMode = 1;
    FTransparent = FControl->Tag == 5555 || InSet(sd->Options, xoTransparent);
  }
}

bool TSkinButton::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT: PaintOnWMPaint(*this, m); return false;
    case win::WM_ERASEBKGND: m.Result = 1; return false;
    case win::WM_TIMER: win::KillTimer(FHandle, 1); return false;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
      if (!FFocused) win::SetFocus(FHandle);
      FMouseFlags |= kPressed;
      PaintWindow(nullptr);
      if (FMode == 0 && FControl) FireMouseDown(m);
      return false;
    default: return TSkinControl::BeforeMessage(m);
  }
}

void TSkinButton::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_SETTEXT: PaintWindow(nullptr); break;
    case win::WM_KEYDOWN:
      if (m.WParam == win::VK_SPACE) {
        FMouseFlags |= kPressed;
        Redraw();
      }
      break;
    case win::WM_KEYUP:
      if (m.WParam == win::VK_SPACE) {
        FMouseFlags &= static_cast<std::uint8_t>(~kPressed);
        Redraw();
      }
      break;
    case win::WM_MOUSEMOVE:
      if (FEnabled && !(FMouseFlags & kHot)) {
        FMouseFlags |= kHot;
        Redraw();
      }
      TrackMouseLeave(FHandle);
      break;
    case win::WM_LBUTTONUP:
      if (FMouseFlags & kPressed) {
        FMouseFlags &= static_cast<std::uint8_t>(~kPressed);
        Redraw();
        Click();
      }
      break;
    case win::WM_MOUSELEAVE:
      FMouseFlags = 0;
      Redraw();
      break;
    case pc::CM_DIALOGKEY:
    case pc::CM_FOCUSCHANGED: Redraw(); break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinButton::Click() {
  if (FControl) {
    FControl->Click();
    return;
  }
  const win::HWND parent = win::GetParent(FHandle);
  const auto window = reinterpret_cast<win::LPARAM>(FHandle);
  if (core::ascii_lower(win::GetClassName(FHandle)) != "tbutton")
    win::PostMessage(parent, win::WM_COMMAND, static_cast<win::WPARAM>(win::GetDlgCtrlID(FHandle)), window);
  else
    win::PostMessage(parent, win::WM_COMMAND, 0, window);
}

int TSkinButton::StateFrame(bool is_default) const {
  if (!FEnabled) return 3;
  if (FMouseFlags & kPressed) return 2;
  if (FMouseFlags & kHot) return 4;
  if (FFocused || is_default) return 5;
  return 1;
}

gdi::COLORREF TSkinButton::TextColour(int s, gdi::COLORREF base, bool normal_only_in_state_1) const {
  const TDataSkinButton& b = *FSkinData->FButtons;
  gdi::COLORREF c = base;
  if (b.HasNormalColour2 && (!normal_only_in_state_1 || s == 1)) c = b.NormalColour2;
  if (s == 4 && b.HasMouseOverColour2) c = b.MouseOverColour2;
  if (s == 2 && b.HasPressedColour2) c = b.PressedColour2;
  if (!FEnabled) c = gdi::GetSysColor(gdi::COLOR_BTNSHADOW);
  return gdi::resolve_color(c);
}

bool TSkinButton::BeginPaint() {
  if (!FSkinData || !FSkinData->FButtons || FSkinData->FButtons->Image.Empty()) return false;
  FFocused = win::GetFocus() == FHandle;
  FEnabled = !(static_cast<std::uint32_t>(win::GetWindowLong(FHandle, win::GWL_STYLE)) & win::WS_DISABLED);
  FText = FControl ? GetWideStrProp(FControl, "Caption") : GetWindowTextWide(FHandle);
  return true;
}

gdi::HDC TSkinButton::PrepareBuffer(const gdi::RECT& r, int frame) {
  if (FBuffer.Width() != r.width() || FBuffer.Height() != r.height())
    FBuffer = SkinImage(gdi::Bitmap(std::max(1, r.width()), std::max(1, r.height()), gdi::PixelFormat::k24bit));
  buffer_dc_ = gdi::CreateCompatibleDC(nullptr);
  buffer_old_bitmap_ = gdi::SelectObject(buffer_dc_, FBuffer.Handle());
  if (FTransparent) DrawParentBackground(FControl, buffer_dc_);
  else FillFace(buffer_dc_, r);
  DrawSkinObjectFrame(buffer_dc_, r, FSkinData->FButtons->Frame, frame, *FSkinData->FButtons);
  return buffer_dc_;
}

void TSkinButton::FinishBuffer(gdi::HDC dc, const gdi::RECT& rect) {
  gdi::BitBlt(dc, rect.left, rect.top, rect.width(), rect.height(), buffer_dc_, 0, 0, gdi::SRCCOPY);
  gdi::SelectObject(buffer_dc_, buffer_old_bitmap_);
  gdi::DeleteDC(buffer_dc_);
  buffer_dc_ = nullptr;
}

void TSkinButton::PaintSkin(gdi::HDC dc, const gdi::RECT& rect) {
  if (!BeginPaint()) return;
  const bool is_default = FControl && core::ascii_lower(pc::GetEnumPropText(FControl, "Default")) == "true";
  const int s = StateFrame(is_default);
  const gdi::RECT r{0, 0, rect.width(), rect.height()};
  gdi::HDC b = PrepareBuffer(r, s);
  gdi::HGDIOBJ old_font = SelectWindowFont(b);
  const gdi::COLORREF base = SelectBufferFont(b);
  gdi::SetTextColor(b, TextColour(s, base));
  DrawButtonCaption(b, r, gdi::DT_CENTER);
  gdi::SelectObject(b, old_font);
  FinishBuffer(dc, rect);
}

void TSkinButton::DrawButtonCaption(gdi::HDC dc, const gdi::RECT& r, win::UINT align) {
  FText = ReplaceFirst(FText, u"||", u"\r\n");
  gdi::RECT m = r;
  gdi::InflateRect(&m, -2, -2);
  gdi::SetBkMode(dc, gdi::TRANSPARENT);
  const win::UINT flags = align | gdi::DT_EXPANDTABS | gdi::DT_WORDBREAK;
  DrawTextWide(dc, FText, &m, flags | gdi::DT_CALCRECT | gdi::DT_NOCLIP);
  gdi::OffsetRect(&m, -m.left, -m.top);
  if (align == gdi::DT_CENTER) {
    gdi::OffsetRect(&m, (r.width() - m.width()) / 2, (r.height() - m.height()) / 2 - 1);
  } else {
    gdi::OffsetRect(&m, 0, (r.height() - m.height()) / 2 - 1);
    m.left = r.left;
    m.right = r.right;
  }
  DrawTextWide(dc, FText, &m, BiDiFlags(this, flags));
  gdi::SetBkMode(dc, gdi::OPAQUE);
  if (FFocused && !InSet(FSkinData->Options, xoNoFocusRect)) {
    gdi::InflateRect(&m, 2, 2);
    gdi::DrawFocusRect(dc, &m);
  }
}

// ---- glyph buttons ----

GlyphLayout LayoutGlyphButton(gdi::SIZE c, gdi::SIZE g, gdi::SIZE t, int margin, int spacing, int layout, bool centred) {
  GlyphLayout out;
  const bool vertical = layout == 2 || layout == 3;
  if (vertical) {
    out.glyph.x = (c.cx - g.cx + 1) / 2;
    out.text.x = (c.cx - t.cx + 1) / 2;
  } else {
    out.glyph.y = (c.cy - g.cy + 1) / 2;
    out.text.y = (c.cy - t.cy + 1) / 2;
  }
  if (t.cx == 0 || g.cx == 0) spacing = 0;
  const int cm = vertical ? c.cy : c.cx, gm = vertical ? g.cy : g.cx, tm = vertical ? t.cy : t.cx;
  if (margin == -1 || centred) {
    if (spacing == -1) {
      margin = (cm - (gm + tm)) / 3;
      spacing = margin;
    } else {
      margin = (cm - (gm + spacing + tm)) / 2;
    }
  } else if (spacing == -1) {
    spacing = ((cm - (margin + gm)) - tm) / 2;
  }
  switch (layout) {
    case 1:
      out.glyph.x = c.cx - margin - g.cx;
      out.text.x = out.glyph.x - spacing - t.cx;
      out.flags = gdi::DT_RIGHT;
      break;
    case 2:
      out.glyph.y = margin;
      out.text.y = margin + g.cy + spacing;
      out.flags = gdi::DT_CENTER;
      break;
    case 3:
      out.glyph.y = c.cy - margin - g.cy;
      out.text.y = out.glyph.y - spacing - t.cy;
      out.flags = gdi::DT_CENTER;
      break;
    default:
      out.glyph.x = margin;
      out.text.x = margin + g.cx + spacing;
      break;
  }
  out.margin = margin;
  out.spacing = spacing;
  return out;
}

GlyphLayout LayoutMenuButton(gdi::SIZE c, gdi::SIZE g, gdi::SIZE t, int margin, int spacing, gdi::POINT* arrow) {
  constexpr gdi::SIZE a{8, 3};
  if (margin == -1 && spacing == -1) {
    margin = (c.cx - (g.cx + t.cx + a.cx)) / 4;
    spacing = margin;
  } else if (margin == -1) {
    margin = (c.cx - (g.cx + 2 * spacing + t.cx + a.cx)) / 2;
  } else if (spacing == -1) {
    spacing = ((c.cx - (2 * margin + g.cx - a.cx)) - t.cx) / 2;
  }
  GlyphLayout out;
  out.margin = margin;
  out.spacing = spacing;
  out.glyph = {margin, (c.cy - g.cy) / 2};
  out.text = {margin + g.cx + spacing, (c.cy - t.cy + 1) / 2};
  if (arrow) *arrow = {out.text.x + 2 * spacing + t.cx, (c.cy - a.cy) / 2};
  return out;
}

void DrawGlyphFrame(gdi::HDC dc, gdi::POINT at, int n, int k, const pc::TBitmap& glyph) {
  const gdi::Bitmap* pixels = glyph.Empty() ? nullptr : gdi::GetBitmapPixels(glyph.Handle());
  if (!pixels) return;
  n = std::max(n, 1);
  const int kk = n < k ? 1 : std::max(k, 1);
  const int gw = pixels->width() / n, h = pixels->height();
  gdi::Bitmap frame;
  if (k == 2 && n == 1) {
    frame = CreateDisabledGlyph(*pixels);
  } else {
    frame = gdi::Bitmap(std::max(gw, 1), h, gdi::PixelFormat::k24bit);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < gw; ++x) frame.set_pixel(x, y, pixels->pixel(gw * (kk - 1) + x, y));
  }
  SkinImage image(std::move(frame));
  gdi::DrawKeyedBitmap(dc, at.x, at.y, image.Handle(), true);
}

gdi::COLORREF TSkinButton::SelectBufferFont(gdi::HDC b) {
  if (pc::TFont* f = control_font(FControl)) {
    gdi::SelectObject(b, f->Handle());
    return pc::ColorToRGB(f->Color());
  }
  return FSkinData->FColours[4];
}

gdi::HGDIOBJ TSkinButton::SelectWindowFont(gdi::HDC b) {
  return gdi::SelectObject(b, reinterpret_cast<gdi::HFONT>(win::SendMessage(FHandle, win::WM_GETFONT, 0, 0)));
}

void TSkinButton::DrawGlyphCaption(gdi::HDC b, gdi::RECT tr, win::UINT flags) {
  if (FText.empty()) return;
  DrawTextWide(b, FText, &tr, flags);
  gdi::SetBkMode(b, gdi::OPAQUE);
  if (FFocused && !InSet(FSkinData->Options, xoNoFocusRect)) {
    gdi::InflateRect(&tr, 2, 2);
    gdi::DrawFocusRect(b, &tr);
  }
}

int GlyphLayoutOf(const pc::TComponent* c) {
  const std::string l = core::ascii_lower(pc::GetEnumPropText(c, "Layout"));
  return l == "blglyphright" ? 1 : l == "blglyphtop" ? 2 : l == "blglyphbottom" ? 3 : 0;
}

gdi::SIZE MeasureBesideGlyph(gdi::HDC dc, std::u16string_view text, const gdi::RECT& r, gdi::SIZE glyph, int layout) {
  gdi::RECT t = r;
  gdi::InflateRect(&t, -2, -2);
  if (layout < 2) t.right -= glyph.cx + 2;
  else t.bottom -= glyph.cy + 2;
  return measure(dc, text, t, gdi::DT_WORDBREAK);
}

GlyphLayout TSkinBitButton::PlaceGlyph(gdi::HDC b, const gdi::RECT& r, gdi::SIZE glyph, gdi::SIZE* text) {
  FText = ReplaceFirst(FText, u"||", u"\r\n");
  const int layout = GlyphLayoutOf(FControl);
  *text = MeasureBesideGlyph(b, FText, r, glyph, layout);
  const bool centred = core::ascii_lower(pc::GetEnumPropText(FControl, "Alignment")) == "tacenter";
  return LayoutGlyphButton({r.width(), r.height()}, glyph, *text, static_cast<int>(pc::GetIntProp(FControl, "Margin")),
                           static_cast<int>(pc::GetIntProp(FControl, "Spacing")), layout, centred);
}

void TSkinBitButton::PaintSkin(gdi::HDC dc, const gdi::RECT& rect) {
  if (!FSkinData || !FSkinData->FButtons || FSkinData->FButtons->Image.Empty()) return;
  if (!FGlyphProperty.empty()) {
    PaintNamedGraphic(dc, rect);
    return;
  }
  BeginPaint();
  const bool is_default = FControl && core::ascii_lower(pc::GetEnumPropText(FControl, "Default")) == "true";
  const int s = StateFrame(is_default);
  const int g = s == 2 ? 3 : s == 3 ? 2 : 1;
  const gdi::RECT r{0, 0, rect.width(), rect.height()};
  gdi::HDC b = PrepareBuffer(r, s);
  gdi::HGDIOBJ old_font = SelectWindowFont(b);
  // A strip of 0 glyphs would divide by zero: it counts as one glyph.
  const int n = std::max<int>(1, static_cast<int>(pc::GetIntProp(FControl, "NumGlyphs")));
  auto* glyph = GetObjectPropByName<pc::TBitmap>(FControl, "Glyph");
  auto* images = GetObjectPropByName<pc::TImageList>(FControl, "Images");
  const int image_index = static_cast<int>(pc::GetIntProp(FControl, "ImageIndex"));
  gdi::SIZE gs{0, 0};
  if (glyph && !glyph->Empty()) gs = {glyph->Width() / n, glyph->Height()};
  else if (images && image_index != -1) gs = {images->Width(), images->Height()};
  const gdi::COLORREF base = SelectBufferFont(b);
  gdi::SIZE ts{};
  const GlyphLayout l = PlaceGlyph(b, r, gs, &ts);
  if (glyph && !glyph->Empty()) {
    DrawGlyphFrame(b, l.glyph, n, g, *glyph);
  } else if (images) {
    const int disabled_index = static_cast<int>(pc::GetIntProp(FControl, "DisabledIndex"));
    pc::TCanvas canvas;
    canvas.SetHandle(b);
    if (FEnabled && image_index != -1) images->Draw(canvas, l.glyph.x, l.glyph.y, image_index, true);
    else if (!FEnabled && (disabled_index != -1 || image_index != -1))
      images->Draw(canvas, l.glyph.x, l.glyph.y, disabled_index != -1 ? disabled_index : image_index, false);
  }
  gdi::SetBkMode(b, gdi::TRANSPARENT);
  gdi::SetTextColor(b, TextColour(s, base));
  DrawGlyphCaption(b, {l.text.x, l.text.y, l.text.x + ts.cx, l.text.y + ts.cy},
                   BiDiFlags(this, gdi::DT_WORDBREAK | l.flags));
  gdi::SelectObject(b, old_font);
  FinishBuffer(dc, rect);
}

void TSkinBitButton::PaintNamedGraphic(gdi::HDC dc, const gdi::RECT& rect) {
  if (!pc::IsPublishedProp(FControl, FGlyphProperty))
    throw pc::EComponentError("Property " + FGlyphProperty + " does not exist");
  BeginPaint();
  int s = 1;
  if (!FEnabled) s = 3;
  else if (FMouseFlags & kPressed) s = 2;
  else if (FMouseFlags & kHot) s = 4;
  else if (FFocused) s = 5;
  const gdi::RECT r{0, 0, rect.width(), rect.height()};
  gdi::HDC b = PrepareBuffer(r, s);
  gdi::HGDIOBJ old_font = SelectWindowFont(b);
  auto* graphic = GetObjectPropByName<pc::TBitmap>(FControl, FGlyphProperty);
  const gdi::SIZE gs = graphic && !graphic->Empty() ? gdi::SIZE{graphic->Width(), graphic->Height()} : gdi::SIZE{0, 0};
  const gdi::COLORREF base = SelectBufferFont(b);
  gdi::SIZE ts{};
  const GlyphLayout l = PlaceGlyph(b, r, gs, &ts);
  // The whole graphic, whatever the state.
  if (graphic && !graphic->Empty()) gdi::DrawKeyedBitmap(b, l.glyph.x, l.glyph.y, graphic->Handle(), true);
  gdi::SetBkMode(b, gdi::TRANSPARENT);
  gdi::SetTextColor(b, TextColour(s, base, true));
  DrawGlyphCaption(b, {l.text.x, l.text.y, l.text.x + ts.cx, l.text.y + ts.cy}, gdi::DT_WORDBREAK | l.flags);
  gdi::SelectObject(b, old_font);
  FinishBuffer(dc, rect);
}

void TSkinMenuButton::PaintSkin(gdi::HDC dc, const gdi::RECT& rect) {
  if (!BeginPaint()) return;
  int s = 1;
  if (FMouseFlags & kPressed) s = 2;
  else if (FFocused || (FMouseFlags & kHot)) s = 4;
  if (!FEnabled) s = 3;
  const gdi::RECT r{0, 0, rect.width(), rect.height()};
  gdi::HDC b = PrepareBuffer(r, s);
  gdi::HGDIOBJ old_font = SelectWindowFont(b);
  auto* glyph = GetObjectPropByName<pc::TBitmap>(FControl, "Glyph");
  const gdi::SIZE gs = glyph && !glyph->Empty() ? gdi::SIZE{glyph->Width(), glyph->Height()} : gdi::SIZE{0, 0};
  const gdi::COLORREF base = SelectBufferFont(b);
  FText = ReplaceFirst(FText, u"||", u"\r\n");
  gdi::RECT t{0, 0, r.right - gs.cx - 8, r.bottom};
  gdi::InflateRect(&t, -2, -2);
  const gdi::SIZE ts = measure(b, FText, t, gdi::DT_WORDBREAK);
  gdi::POINT arrow{};
  const GlyphLayout l = LayoutMenuButton({r.width(), r.height()}, gs, ts, static_cast<int>(pc::GetIntProp(FControl, "Margin")),
                                         static_cast<int>(pc::GetIntProp(FControl, "Spacing")), &arrow);
  if (glyph && !glyph->Empty()) DrawGlyphFrame(b, l.glyph, 1, 1, *glyph);
  const gdi::COLORREF ink = FEnabled ? pc::ColorToRGB(pc::clWindowText) : gdi::GetSysColor(gdi::COLOR_BTNSHADOW);
  gdi::SetTextColor(b, TextColour(s, base, true));
  gdi::HBRUSH brush = gdi::CreateSolidBrush(ink);
  gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, ink);
  gdi::HGDIOBJ old_brush = gdi::SelectObject(b, brush), old_pen = gdi::SelectObject(b, pen);
  const gdi::POINT tri[3] = {{arrow.x, arrow.y + 2}, {arrow.x - 3, arrow.y - 1}, {arrow.x + 3, arrow.y - 1}};
  gdi::Polygon(b, tri, 3);
  gdi::SelectObject(b, old_brush);
  gdi::SelectObject(b, old_pen);
  gdi::DeleteObject(brush);
  gdi::DeleteObject(pen);
  gdi::SetBkMode(b, gdi::TRANSPARENT);
  DrawGlyphCaption(b, {l.text.x, l.text.y, l.text.x + ts.cx, l.text.y + ts.cy}, gdi::DT_WORDBREAK);
  gdi::SelectObject(b, old_font);
  FinishBuffer(dc, rect);
}

}  // namespace skin
