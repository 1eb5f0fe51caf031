#include "skin/scroll_skinners.h"

#include "core/unicode.h"
#include "skin/control_painting.h"
#include "skin/form_skinner.h"
#include "skin/skin_manager.h"

namespace skin {

namespace {


// The skinner's links to the control, its skin and its form; listed with the form.
void link(TSkinControl& s, pc::TControl* control, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  s.FSkinData = sd;
  s.FForm = form;
  s.FControl = control;
  s.FCanvas = canvas;
  auto* windowed = dynamic_cast<pc::TWinControl*>(control);
  s.FHandle = windowed ? windowed->Handle() : nullptr;
  s.FUnicode = s.FHandle && win::IsWindowUnicode(s.FHandle);
  if (form) form->RegisterSkinner(&s);
}

// Takes over the control's window-procedure method (given back by the base's destructor).
void take_window_proc(TSkinControl& s, pc::TControl* control) {
  s.FOldWindowProc = control->WindowProc;
  control->WindowProc = [&s](pc::TMessage& m) { s.WndProc(m); };
  s.FHooked = true;
  s.FHookState = 1;
}

void set_enabled(TWScrollbar* bar, bool enabled) {
  if (bar) bar->SetEnabled(enabled);
}

void invalidate(TWScrollbar* bar) {
  if (bar && bar->HandleAllocated()) bar->Invalidate();
}

bool has_fixed_color(const pc::TControl* c) { return c && pc::PropKind(c, "FixedColor") == pc::TypeKind::kInteger; }

std::string face_text(const TSkinData& sd) { return std::to_string(gdi::resolve_color(sd.FColours[3])); }

// The square between two shown bars, in the skin's face colour.
void fill_corner(const TSkinControl& s, gdi::HDC dc, const TWScrollbar* vert, const TWScrollbar* horz, int shift) {
  if (!vert || !horz || !vert->FActive || !horz->FActive) return;
  s.FillFace(dc, {vert->FBarRect.left + shift, horz->FBarRect.top + shift, vert->FBarRect.right + 2,
                  horz->FBarRect.bottom + 2});
}

}  // namespace

// ---- a scrolling control ----

TSkinScrollbar::~TSkinScrollbar() { FreeOverlays(); }

void TSkinScrollbar::FreeOverlays() {
  delete FHorzBar;
  delete FVertBar;
  FHorzBar = FVertBar = nullptr;
}

void TSkinScrollbar::HookScrollControl(pc::TControl* control, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  link(*this, control, sd, form, canvas);
  FDrawBorder = core::ascii_lower(pc::GetEnumPropText(control, "BorderStyle")) != "bsnone";
  if (control->ClassName() == "TImageScrollBox" || FMode == 1) FDrawBorder = false;
  if (has_fixed_color(control)) {
    FSavedColor = static_cast<pc::TColor>(pc::GetIntProp(control, "FixedColor"));
    FSetColor = true;
    pc::SetPropText(control, "FixedColor", face_text(*sd));
  }
  FHorzBar = new TWScrollbar(this);
  FVertBar = new TWScrollbar(this);
  FHorzBar->AttachControl(this, control, 0);
  FVertBar->AttachControl(this, control, 1);
  set_enabled(FHorzBar, control->Enabled());
  set_enabled(FVertBar, control->Enabled());
  if (!control->Visible()) {
    FHorzBar->HideOverlay();
    FVertBar->HideOverlay();
  }
  take_window_proc(*this, control);
}

void TSkinScrollbar::PlaceOverlays() {
  if (FHorzBar) FHorzBar->PlaceOverBar(FHandle);
  if (FVertBar) FVertBar->PlaceOverBar(FHandle);
}

void TSkinScrollbar::DrawBorder(gdi::HDC dc, const gdi::RECT& r) const {
  gdi::HBRUSH shadow = gdi::CreateSolidBrush(gdi::resolve_color(FSkinData->FColours[7]));
  gdi::HBRUSH face = gdi::CreateSolidBrush(gdi::resolve_color(FSkinData->FColours[3]));
  gdi::FrameRect(dc, &r, shadow);
  gdi::RECT in = r;
  gdi::InflateRect(&in, -1, -1);
  gdi::FrameRect(dc, &in, face);
  gdi::DeleteObject(shadow);
  gdi::DeleteObject(face);
}

void TSkinScrollbar::PaintBorder(gdi::HDC dc) {
  try {
    gdi::RECT r;
    if (!win::GetWindowRect(FHandle, &r)) return;
    gdi::OffsetRect(&r, -r.left, -r.top);
    DrawBorder(dc, r);
  } catch (...) {
  }
}

bool TSkinScrollbar::BeforeMessage(pc::TMessage& m) {
  if (m.Msg != win::WM_NCPAINT) return TSkinControl::BeforeMessage(m);
  if (!FDrawBorder) return true;
  CallPrevious(m);
  gdi::HDC dc = win::GetWindowDC(FHandle);
  PaintBorder(dc);
  win::ReleaseDC(FHandle, dc);
  return false;
}

void TSkinScrollbar::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_SIZE:
    case win::WM_WINDOWPOSCHANGED: PlaceOverlays(); break;
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
      if (TWScrollbar* bar = m.Msg == win::WM_HSCROLL ? FHorzBar : FVertBar) {
        bar->FHotPart = win::LOWORD(m.WParam);
        invalidate(bar);
      }
      break;
    case win::WM_MOUSEWHEEL:
      for (TWScrollbar* bar : {FHorzBar, FVertBar})
        if (bar && bar->FActive) invalidate(bar);
      break;
    case pc::CM_VISIBLECHANGED:
      if (m.WParam) {
        PlaceOverlays();
      } else {
        if (FHorzBar) FHorzBar->HideOverlay();
        if (FVertBar) FVertBar->HideOverlay();
      }
      break;
    case pc::CM_ENABLEDCHANGED:
      if (FControl) {
        set_enabled(FHorzBar, FControl->Enabled());
        set_enabled(FVertBar, FControl->Enabled());
      }
      break;
    case pc::CM_RECREATEWND:
      if (FControl && FForm) win::PostMessage(FForm->FHandle, kMsgRecreateScroll, reinterpret_cast<win::WPARAM>(FHandle), 0);
      break;
    case kMsgPaintNonClient:
      if (m.LParam == kSkinMagic) {
        if (m.WParam) PaintBorder(reinterpret_cast<gdi::HDC>(m.WParam));
        m.Result = kSkinMagic;
        break;
      }
      TSkinControl::AfterMessage(m);
      break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinScrollbar::PaintSkin(gdi::HDC dc, const gdi::RECT&) {
  const std::uint32_t style = WindowStyle(FHandle);
  const std::pair<TWScrollbar*, std::uint32_t> bars[] = {{FVertBar, win::WS_VSCROLL}, {FHorzBar, win::WS_HSCROLL}};
  for (const auto& [bar, bit] : bars) {
    if (!bar) continue;
    if (bar->FActive) invalidate(bar);
    else if (style & bit) bar->PlaceOverBar(FHandle);
  }
  // The bars' rectangles are client coordinates; the window's DC starts 2 pixels further out.
  fill_corner(*this, dc, FVertBar, FHorzBar, 2);
}

void TSkinScrollbar::RefreshSkin() {
  if (has_fixed_color(FControl)) pc::SetPropText(FControl, "FixedColor", face_text(*FSkinData));
  Redraw();
}

void TSkinScrollbar::Unhook() {
  if (FSetColor && FControl && !FControl->Destroying() && FHookState != 6)
    pc::SetPropText(FControl, "FixedColor", std::to_string(FSavedColor));
  FSetColor = false;
  TSkinControl::Unhook();
  if (FHookState != 6) FreeOverlays();
}

// ---- a bare window ----

TSkinScrollbarH::~TSkinScrollbarH() { FreeOverlays(); }

void TSkinScrollbarH::FreeOverlays() {
  delete FHorzBar;
  delete FVertBar;
  FHorzBar = FVertBar = nullptr;
}

void TSkinScrollbarH::HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  FControl = nullptr;
  FSkinData = sd;
  FHorzBar = new TWScrollbar(this);
  FVertBar = new TWScrollbar(this);
  FHorzBar->AttachWindow(this, handle, 0);
  FVertBar->AttachWindow(this, handle, 1);
  TSkinControl::HookHandle(handle, sd, form, canvas);
}

void TSkinScrollbarH::PlaceOverlays() {
  if (FHorzBar) FHorzBar->PlaceOverBar(FHandle);
  if (FVertBar) FVertBar->PlaceOverBar(FHandle);
}

void TSkinScrollbarH::AfterMessage(pc::TMessage& m) {
  if (!win::IsWindowVisible(FHandle)) {
    if (FHorzBar) FHorzBar->HideOverlay();
    if (FVertBar) FVertBar->HideOverlay();
  }
  switch (m.Msg) {
    case win::WM_SIZE:
    case win::WM_NCPAINT:
      PlaceOverlays();
      Redraw();
      break;
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
      if (TWScrollbar* bar = m.Msg == win::WM_HSCROLL ? FHorzBar : FVertBar) {
        bar->FHotPart = win::LOWORD(m.WParam);
        invalidate(bar);
      }
      break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinScrollbarH::PaintSkin(gdi::HDC dc, const gdi::RECT&) {
  for (TWScrollbar* bar : {FHorzBar, FVertBar})
    if (bar && bar->FActive) invalidate(bar);
  fill_corner(*this, dc, FVertBar, FHorzBar, 0);
}

void TSkinScrollbarH::Unhook() {
  TSkinControl::Unhook();
  if (FHookState != 6) FreeOverlays();
}

// ---- a stand-alone scroll-bar control ----

TSkinScControl::~TSkinScControl() {
  delete FBar;
  FBar = nullptr;
}

void TSkinScControl::HookScrollBar(pc::TControl* control, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  link(*this, control, sd, form, canvas);
  FBar = new TWScrollbar(this);
  FBar->Hint = control->Hint;
  FBar->AttachControl(this, control, 2);
  if (!control->Visible()) FBar->HideOverlay();
  take_window_proc(*this, control);
}

void TSkinScControl::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_WINDOWPOSCHANGED:
      if (FBar) FBar->PlaceOverBar(FHandle);
      break;
    case win::WM_NCPAINT:
      if (auto* w = dynamic_cast<pc::TWinControl*>(FControl)) FHandle = w->Handle();
      if (FBar) FBar->PlaceOverBar(FHandle);
      break;
    case win::SBM_SETSCROLLINFO:
    case pc::CN_VSCROLL: invalidate(FBar); break;
    case pc::CM_VISIBLECHANGED:
      if (!FBar) break;
      if (m.WParam) FBar->PlaceOverBar(FHandle);
      else FBar->HideOverlay();
      break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinScControl::PaintSkin(gdi::HDC, const gdi::RECT&) { invalidate(FBar); }

void TSkinScControl::Unhook() {
  TSkinControl::Unhook();
  if (FHookState != 6) {
    delete FBar;
    FBar = nullptr;
  }
}

}  // namespace skin
