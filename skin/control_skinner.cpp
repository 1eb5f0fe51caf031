#include "skin/control_skinner.h"

#include "core/unicode.h"
#include "skin/form_skinner.h"
#include "skin/skin_manager.h"

namespace skin {

TSkinControl::TSkinControl(pc::TComponent* owner) : pc::TComponent(owner) {}

pc::TControl* TSkinControl::LiveControl() const {
  if (!FControl || FControl->Destroying()) return nullptr;
  return FControl;
}

TSkinControl::~TSkinControl() {
  if (FOldWindowProc) {
    if (pc::TControl* c = LiveControl()) c->WindowProc = FOldWindowProc;
    FOldWindowProc = nullptr;
  }
  if (FObjectInstance) {
    if (win::IsWindow(FHandle))
      win::SetWindowLongPtr(FHandle, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(FOldWndProc));
    win::FreeProcInstance(FObjectInstance);
    FObjectInstance = nullptr;
  }
  if (FForm) FForm->UnregisterSkinner(this);
}

void TSkinControl::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  if (FHooked) return;
  FSetColor = set_color;
  FSkinData = sd;
  FForm = form;
  FCanvas = canvas;
  FControl = dynamic_cast<pc::TControl*>(Owner());
  if (!FControl) return;
  if (auto* w = dynamic_cast<pc::TWinControl*>(FControl)) FHandle = w->Handle();
  FUnicode = FHandle && win::IsWindowUnicode(FHandle);
  FOldWindowProc = FControl->WindowProc;
  FControl->WindowProc = [this](pc::TMessage& m) { WndProc(m); };
  if (FForm) FForm->RegisterSkinner(this);
  if (FSetColor) {
    SwitchParentBackground(true);
    FSavedColor = FControl->Color();
    FControl->SetColor(static_cast<pc::TColor>(gdi::resolve_color(FSkinData->FColours[3])));
  }
  if (FParentBackgroundOff) FMode = 1;
  FControl->Invalidate();
  FHooked = true;
  FHookState = 1;
}

void TSkinControl::HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  FSkinData = sd;
  FCanvas = canvas;
  FForm = form;
  FHandle = handle;
  FEnabled = true;
  FMode = 0;
  if (FForm) FForm->RegisterSkinner(this);
  FUnicode = win::IsWindowUnicode(handle);
  FText = GetWindowTextWide(handle);
  FObjectInstance = win::MakeProcInstance([this](win::HWND, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
    pc::TMessage m{msg, wp, lp, 0};
    WndProc(m);
    return m.Result;
  });
  FOldWndProc = reinterpret_cast<win::WNDPROC>(
      win::SetWindowLongPtr(handle, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(FObjectInstance)));
  win::InvalidateRect(handle, nullptr, win::TRUE);
  FHooked = true;
  FHookState = 1;
}

void TSkinControl::WndProc(pc::TMessage& m) {
  try {
    if (m.Msg == kMsgSkinSwitch) {
      FSkinned = static_cast<std::intptr_t>(m.WParam) > 0;
      if (FSkinned) Redraw();
      return;
    }
    if (!FSkinned) {
      CallPrevious(m);
      return;
    }
    if (BeforeMessage(m)) {
      CallPrevious(m);
      AfterMessage(m);
    }
  } catch (...) {
    // Painters catch their own failures; what arrives here comes from the control's handlers (a
    // button's OnClick, say) and goes to the application, as it would without the skin.
    pc::Application().HandleCurrentException();
  }
}

void TSkinControl::CallPrevious(pc::TMessage& m) {
  if (FOldWindowProc) {
    FOldWindowProc(m);
    return;
  }
  if (FOldWndProc) m.Result = win::CallWindowProc(FOldWndProc, FHandle, m.Msg, m.WParam, m.LParam);
}

bool TSkinControl::BeforeMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_NCDESTROY:
      FHookState = 6;
      CallPrevious(m);
      if (FSkinned) Unhook();
      return false;
    case kMsgIsSkinned: m.Result = 1; return false;
    default: return true;
  }
}

void TSkinControl::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
    case win::WM_ENABLE:
    case win::WM_SETTEXT:
    case pc::CM_ENABLEDCHANGED: Redraw(); break;
    case win::WM_PAINT: PaintWindow(reinterpret_cast<gdi::HDC>(m.WParam)); break;
    case kMsgSkinSwitch: FSkinned = static_cast<std::intptr_t>(m.WParam) > 0; break;
    default: break;
  }
}

void TSkinControl::PaintWindow(gdi::HDC dc) {
  try {
    gdi::RECT r;
    if (!win::GetWindowRect(FHandle, &r)) return;
    FWindowRect = r;
    gdi::OffsetRect(&r, -r.left, -r.top);
    if (dc) {
      PaintSkin(dc, r);
      return;
    }
    gdi::HDC wdc = win::GetWindowDC(FHandle);
    try {
      PaintSkin(wdc, r);
    } catch (...) {
      win::ReleaseDC(FHandle, wdc);
      throw;
    }
    win::ReleaseDC(FHandle, wdc);
  } catch (...) {
  }
}

void TSkinControl::Unhook() {
  if (!FSkinned) return;
  FSkinned = false;
  pc::TControl* c = LiveControl();
  if (FHookState != 6 && FSetColor && c) {
    SwitchParentBackground(false);
    c->SetColor(FSavedColor);
  }
}

void TSkinControl::RefreshSkin() {
  if (FSetColor && LiveControl()) FControl->SetColor(static_cast<pc::TColor>(gdi::resolve_color(FSkinData->FColours[3])));
  Redraw();
}

void TSkinControl::Redraw() {
  if (FGraphicControl) {
    FGraphicControl->Invalidate();
  } else if (FHandle) {
    win::InvalidateRect(FHandle, nullptr, win::TRUE);
    win::UpdateWindow(FHandle);
  }
}

void TSkinControl::SwitchParentBackground(bool entering) {
  if (InSet(FSkinData->Options, xoParentBackGround) || !FControl || !pc::IsPublishedProp(FControl, "ParentBackground")) return;
  if (entering) {
    FParentBackgroundOff = core::ascii_lower(pc::GetEnumPropText(FControl, "ParentBackground")) == "true";
    if (FParentBackgroundOff) pc::SetPropText(FControl, "ParentBackground", "False");
  } else if (FParentBackgroundOff) {
    pc::SetPropText(FControl, "ParentBackground", "True");
  }
}

pc::TColor TSkinControl::ParentColor(pc::TColor fallback) const {
  if (!FControl || !FControl->Parent()) return fallback;
  if (pc::PropKind(FControl->Parent(), "Color") != pc::TypeKind::kInteger) return fallback;
  return static_cast<pc::TColor>(pc::GetIntProp(FControl->Parent(), "Color"));
}

void TSkinControl::FillFace(gdi::HDC dc, const gdi::RECT& r) const {
  gdi::HBRUSH b = gdi::CreateSolidBrush(gdi::resolve_color(FSkinData->FColours[3]));
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

void TSkinControl::FillParentColor(gdi::HDC dc, const gdi::RECT& r) const {
  gdi::HBRUSH b = gdi::CreateSolidBrush(pc::ColorToRGB(ParentColor(static_cast<pc::TColor>(FSkinData->FColours[3]))));
  gdi::FillRect(dc, &r, b);
  gdi::DeleteObject(b);
}

void TSkinControl::DrawTextFocusRect(gdi::HDC dc, win::UINT flags, const gdi::RECT& r) {
  gdi::RECT m = r;
  DrawTextWide(dc, FText, &m, flags | gdi::DT_CALCRECT | gdi::DT_NOCLIP);
  const int mw = m.right - m.left, mh = m.bottom - m.top;
  if (flags & gdi::DT_CENTER) {
    gdi::OffsetRect(&m, ((r.right - r.left) - mw) / 2, ((r.bottom - r.top) - mh) / 2 - 1);
  } else if (flags & gdi::DT_RIGHT) {
    gdi::OffsetRect(&m, (r.right - r.left) - mw, 0);
  }
  gdi::InflateRect(&m, 2, 1);
  m.left = std::max(m.left, r.left);
  m.top = std::max(m.top, r.top);
  m.right = std::min(m.right, r.right);
  m.bottom = std::min(m.bottom, r.bottom);
  gdi::DrawFocusRect(dc, &m);
}

void TSkinControl::FireMouseDown(const pc::TMessage& m) {
  pc::TControl* c = LiveControl();
  if (!c) return;
  unsigned shift = pc::ssLeft;
  if (m.WParam & win::MK_SHIFT) shift |= pc::ssShift;
  if (m.WParam & win::MK_CONTROL) shift |= pc::ssCtrl;
  if (m.WParam & win::MK_RBUTTON) shift |= pc::ssRight;
  if (m.WParam & win::MK_MBUTTON) shift |= pc::ssMiddle;
  gdi::POINT p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
  // Points of very large controls do not fit the message's 16-bit halves.
  if ((c->Width() > 32768 || c->Height() > 32768) && FHandle) {
    win::GetCursorPos(&p);
    win::ScreenToClient(FHandle, &p);
  }
  c->MouseDown(shift, p.x, p.y);
}

bool TSkinControl::RightToLeft() const {
  const pc::TControl* c = FControl ? FControl : FGraphicControl;
  return c && pc::GetEnumPropText(c, "BiDiMode") == "bdRightToLeft";
}

void PaintOnWMPaint(TSkinControl& s, pc::TMessage& m) {
  gdi::HDC dc = reinterpret_cast<gdi::HDC>(m.WParam);
  win::PAINTSTRUCT ps;
  const bool begun = dc == nullptr;
  if (begun) dc = win::BeginPaint(s.FHandle, &ps);
  gdi::RECT r;
  if (win::GetWindowRect(s.FHandle, &r)) {
    s.FWindowRect = r;
    gdi::OffsetRect(&r, -r.left, -r.top);
    s.PaintSkin(dc, r);
  }
  if (begun) win::EndPaint(s.FHandle, &ps);
}

void EraseToParent(TSkinControl& s, pc::TMessage& m) {
  gdi::HDC dc = reinterpret_cast<gdi::HDC>(m.WParam);
  if (s.FControl) {
    DrawParentBackground(s.FControl, dc);
  } else {
    gdi::RECT r;
    win::GetClientRect(s.FHandle, &r);
    s.FillParentColor(dc, r);
  }
  m.Result = 1;
}

std::u16string GetWindowTextWide(win::HWND hwnd) { return AnsiToWide(win::GetWindowText(hwnd)); }

std::u16string GetWideStrProp(const pc::TComponent* c, std::string_view name) {
  return AnsiToWide(pc::GetStrProp(c, name));
}

void DrawParentBackground(pc::TControl* control, gdi::HDC dc) {
  pc::TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent) return;
  gdi::RECT r{0, 0, control->Width(), control->Height()};
  const int saved = gdi::SaveDC(dc);
  gdi::OffsetViewportOrgEx(dc, -control->Left(), -control->Top(), nullptr);
  gdi::OffsetRect(&r, control->Left(), control->Top());
  gdi::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
  parent->Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(dc), 0);
  parent->Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(dc), 0);
  gdi::RestoreDC(dc, saved);
}

}  // namespace skin
