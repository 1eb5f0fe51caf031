#include "skin/container_skinners.h"

#include "core/unicode.h"
#include "platform/components/comctrls.h"
#include "platform/win/controls.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/form_skinner.h"

namespace skin {

void PaintGraphicChildren(pc::TControl* container, gdi::HDC dc) {
  auto* w = dynamic_cast<pc::TWinControl*>(container);
  if (!w) return;
  for (int i = 0; i < w->ControlCount(); ++i)
    if (auto* g = dynamic_cast<pc::TGraphicControl*>(w->Controls(i)); g && g->Visible()) g->PaintTo(dc);
}

// ---- status bar ----

bool TSkinStatusBar::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT: PaintOnWMPaint(*this, m); return false;
    case win::WM_ERASEBKGND: m.Result = 1; return false;
    default: return TSkinControl::BeforeMessage(m);
  }
}

void TSkinStatusBar::DrawEdgeFrame(gdi::HDC dc, const gdi::RECT& r, int e) const {
  const TDataSkinObject& edges = *FSkinData->FStatusBarEdges;
  if (r.right < r.left || r.bottom < r.top) return;
  const SkinImage frame = BuildNineGridBitmap(r, edges.Image, edges.Margins(), false, edges.Tile != 0, 3, e);
  if (frame.Empty()) return;
  SelectedBitmap from(frame.Handle());
  gdi::BitBlt(dc, r.left, r.top, r.width(), r.height(), from.dc(), 0, 0, gdi::SRCCOPY);
}

void TSkinStatusBar::DrawPlainEdge(gdi::HDC dc, const gdi::RECT& r, int e) {
  if (e != 1 && e != 2) return;
  const gdi::COLORREF shadow = gdi::GetSysColor(gdi::COLOR_BTNSHADOW), light = gdi::GetSysColor(gdi::COLOR_BTNHIGHLIGHT);
  const gdi::COLORREF top_left = e == 1 ? shadow : light, bottom_right = e == 1 ? light : shadow;
  FillRectColor(dc, {r.left, r.top, r.right, r.top + 1}, top_left);
  FillRectColor(dc, {r.left, r.top, r.left + 1, r.bottom}, top_left);
  FillRectColor(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
  FillRectColor(dc, {r.right - 1, r.top, r.right, r.bottom}, bottom_right);
}

void TSkinStatusBar::PaintSkin(gdi::HDC dc, const gdi::RECT& rect) {
  auto* bar = dynamic_cast<pc::TStatusBar*>(FControl);
  const gdi::RECT R{0, 0, rect.width(), rect.height()};
  if (R.right <= 0 || R.bottom <= 0) return;
  if (buffer_.Width() != R.right || buffer_.Height() != R.bottom)
    buffer_ = SkinImage(gdi::Bitmap(R.right, R.bottom, gdi::PixelFormat::k24bit));
  SelectedBitmap b(buffer_.Handle());
  FillFace(b.dc(), R);
  pc::TFont font;
  if (FControl) font.Assign(FControl->Font);
  font.SetStyle(0);
  gdi::HGDIOBJ old_font = gdi::SelectObject(b.dc(), font.Handle());
  gdi::SetTextColor(b.dc(), pc::ColorToRGB(font.Color()));
  const TDataSkinObject* edges = FSkinData->FStatusBarEdges.get();
  if (edges) gdi::SetTextColor(b.dc(), gdi::resolve_color(edges->NormalColour2));
  const bool skin_edges = edges && !edges->Image.Empty();
  auto edge = [&](const gdi::RECT& r, int e) {
    if (skin_edges) DrawEdgeFrame(b.dc(), r, e);
    else DrawPlainEdge(b.dc(), r, e);
  };
  const int panels = bar ? bar->PanelCount() : 0;
  const bool simple = panels == 0 || core::ascii_lower(pc::GetEnumPropText(FControl, "SimplePanel")) == "true";
  if (simple) {
    std::u16string text = GetWideStrProp(FControl, "simpletext");
    edge(R, 1);
    if (text.empty()) text = u" ";
    gdi::RECT t = R;
    gdi::InflateRect(&t, -2, 0);
    DrawCaptionText(this, b.dc(), t, RightToLeft() ? gdi::DT_RIGHT : 0, true, text);
  } else {
    for (int i = 0; i < panels; ++i) {
      pc::TStatusPanel& p = bar->Panels(i);
      int alignment = static_cast<int>(p.Alignment);
      if (p.RightToLeft && alignment != 2) alignment = 1 - alignment;
      const int e = p.Bevel == pc::TStatusPanelBevel::pbLowered ? 1 : p.Bevel == pc::TStatusPanelBevel::pbRaised ? 2 : 3;
      gdi::RECT r{};
      if (!win::SendMessage(FHandle, win::SB_GETRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&r)))
        continue;
      r.right += 2;
      if (i == panels - 1) r.right = R.right;
      std::u16string text = AnsiToWide(p.Text());
      edge(r, e);
      if (p.Style != pc::TStatusPanelStyle::psText) continue;
      if (text.empty()) text = u" ";
      gdi::InflateRect(&r, -2, 0);
      DrawCaptionText(this, b.dc(), r, AlignmentFlag(alignment), true, text);
    }
  }
  const TDataSkinObject* extra = FSkinData->FExtraImages.get();
  const auto style = static_cast<std::uint32_t>(win::GetWindowLong(FHandle, win::GWL_STYLE));
  if ((style & win::SBARS_SIZEGRIP) && extra && !extra->Image.Empty()) {
    const int fw = extra->Image.Width() / std::max(1, extra->Frame), fh = extra->Image.Height();
    DrawKeyedFrame(b.dc(), {R.right - 1 - fw, R.bottom - 1 - fh, R.right - 1, R.bottom - 1}, extra->Frame, 5, extra->Image);
  }
  gdi::SelectObject(b.dc(), old_font);
  gdi::BitBlt(dc, rect.left, rect.top, R.right, R.bottom, b.dc(), 0, 0, gdi::SRCCOPY);
  PaintGraphicChildren(FControl, dc);
  if (bar && bar->OnDrawPanel && panels > 0) {
    bar->Canvas.SetHandle(dc);
    for (int i = 0; i < panels; ++i) {
      gdi::RECT r{};
      if (!win::SendMessage(FHandle, win::SB_GETRECT, static_cast<win::WPARAM>(i), reinterpret_cast<win::LPARAM>(&r)))
        continue;
      gdi::InflateRect(&r, -2, -2);
      bar->OnDrawPanel(bar, bar->Panels(i), r);
    }
    bar->Canvas.SetHandle(nullptr);
  }
}

// ---- group box ----

void TSkinGroupBox::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  TSkinControl::HookControl(form, sd, set_color, canvas);
  if (FControl) FMode = 1;
}

bool TSkinGroupBox::BeforeMessage(pc::TMessage& m) {
  const bool r = TSkinControl::BeforeMessage(m);
  if (FMode != 0 && m.Msg == win::WM_PAINT) {
    PaintOnWMPaint(*this, m);
    return false;
  }
  return r;
}

void TSkinGroupBox::PaintSkin(gdi::HDC dc, const gdi::RECT& R) {
  FText = GetWindowTextWide(FHandle);
  if (FText.empty() && FControl) FText = GetWideStrProp(FControl, "Caption");
  if (FControl) FillFace(dc, R);
  gdi::HFONT font = reinterpret_cast<gdi::HFONT>(win::SendMessage(FHandle, win::WM_GETFONT, 0, 0));
  if (FControl) {
    font = FControl->Font.Handle();
    gdi::SetTextColor(dc, pc::ColorToRGB(FControl->Font.Color()));
  }
  gdi::HGDIOBJ old_font = font ? gdi::SelectObject(dc, font) : nullptr;
  gdi::SIZE zero{};
  gdi::GetTextExtentPoint32(dc, std::string_view("0"), &zero);
  const int t = zero.cy / 2 - 1;
  gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, gdi::resolve_color(FSkinData->FColours[7]));
  if (FMode == 0) {
    // Wipes the window's own 3-D frame.
    gdi::RECT f{0, t, R.right, R.bottom};
    gdi::FrameRect(dc, &f, FSkinData->FFaceBrush);
    gdi::InflateRect(&f, -1, -1);
    gdi::FrameRect(dc, &f, FSkinData->FFaceBrush);
  }
  gdi::HGDIOBJ old_brush = gdi::SelectObject(dc, gdi::GetStockObject(gdi::NULL_BRUSH));
  gdi::HGDIOBJ old_pen = gdi::SelectObject(dc, pen);
  gdi::RoundRect(dc, 1, t, R.right - 1, R.bottom - 1, 5, 5);
  gdi::SelectObject(dc, old_brush);
  gdi::SelectObject(dc, old_pen);
  gdi::DeleteObject(pen);
  const gdi::COLORREF old_bk = gdi::SetBkColor(dc, gdi::resolve_color(FSkinData->FColours[3]));
  const auto ex = static_cast<std::uint32_t>(win::GetWindowLong(FHandle, win::GWL_EXSTYLE));
  if (ex & win::WS_EX_RIGHT) {
    gdi::RECT r{R.left, R.top, R.right - 8, R.bottom};
    DrawTextWide(dc, FText, &r, BiDiFlags(this, gdi::DT_EXPANDTABS | gdi::DT_RIGHT));
  } else {
    gdi::RECT r{R.left + 8, R.top, R.right, R.bottom};
    DrawTextWide(dc, FText, &r, gdi::DT_EXPANDTABS);
  }
  gdi::SetBkColor(dc, old_bk);
  if (old_font) gdi::SelectObject(dc, old_font);
  if (FControl && FMode == 1) PaintGraphicChildren(FControl, dc);
}

// ---- colour only ----

void TSkinBox::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  FSetColor = set_color;
  FSkinData = sd;
  FCanvas = canvas;
  FControl = dynamic_cast<pc::TControl*>(Owner());
  if (auto* w = dynamic_cast<pc::TWinControl*>(FControl)) FHandle = w->Handle();
  FForm = form;
  if (FForm) FForm->RegisterSkinner(this);
  if (FSetColor && FControl) {
    SwitchParentBackground(true);
    FSavedColor = FControl->Color();
    FControl->SetColor(static_cast<pc::TColor>(gdi::resolve_color(FSkinData->FColours[3])));
  }
}

void TSkinBox::Unhook() {
  if (FSetColor && FControl && !FControl->Destroying()) {
    SwitchParentBackground(false);
    FControl->SetColor(FSavedColor);
  }
  FHookState = 2;
}

}  // namespace skin
