#include "skin/edit_skinners.h"

#include <algorithm>

#include "core/unicode.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/drop_list.h"
#include "skin/form_skinner.h"
#include "skin/scroll_skinners.h"
#include "skin/skin_manager.h"
#include "skin/value_skinners.h"

namespace skin {

namespace {

constexpr gdi::COLORREF kWhite = 0xFFFFFF;


void frame_with(gdi::HDC dc, const gdi::RECT& r, gdi::COLORREF colour) {
  gdi::HBRUSH b = gdi::CreateSolidBrush(colour);
  gdi::FrameRect(dc, &r, b);
  gdi::DeleteObject(b);
}

// A one-pixel frame in the skin's shadow colour with `white` white rings inside it.
void flat_border(const TSkinData& sd, gdi::HDC dc, gdi::RECT r, int white) {
  frame_with(dc, r, gdi::resolve_color(sd.FColours[7]));
  for (int i = 0; i < white; ++i) {
    gdi::InflateRect(&r, -1, -1);
    frame_with(dc, r, kWhite);
  }
}

// Whether the window's client area fills its whole rectangle (no border to skin).
bool has_no_border(win::HWND h, const gdi::RECT& r) {
  gdi::RECT c;
  win::GetClientRect(h, &c);
  return c.right >= r.right - r.left || c.bottom >= r.bottom - r.top;
}

std::string lower_class(win::HWND h) { return core::ascii_lower(win::GetClassName(h)); }

}  // namespace

// ---- edit ----

void TSkinEdit::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_PAINT: PaintWindow(reinterpret_cast<gdi::HDC>(m.WParam)); break;
    case win::WM_PRINT: PaintPrintFrame(reinterpret_cast<gdi::HDC>(m.WParam)); break;
    case kMsgPaintClient:
      if (m.LParam == kSkinMagic) {
        if (m.WParam) {
          pc::TMessage paint{win::WM_PAINT, m.WParam, 0, 0};
          CallPrevious(paint);
        }
        m.Result = kSkinMagic;
        break;
      }
      TSkinControl::AfterMessage(m);
      break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinEdit::FindSpinButton() {
  for (win::HWND child = win::GetTopWindow(FHandle); child; child = win::GetWindow(child, win::GW_HWNDNEXT)) {
    const std::string cls = lower_class(child);
    if (cls != "msctls_updown32" && cls.find("spin") == std::string::npos && cls.find("updown") == std::string::npos)
      continue;
    FUpDown = new TSkinUpDown(Owner());
    FUpDown->FreeNotification(this);
    FUpDown->HookHandle(child, FSkinData, FForm, FCanvas);
    FUpDown->FEmbedded = true;
    return;
  }
}

void TSkinEdit::Notification(pc::TComponent* c, pc::TOperation op) {
  if (op == pc::TOperation::opRemove && c == FUpDown) FUpDown = nullptr;
  TSkinControl::Notification(c, op);
}

void TSkinEdit::PaintSkin(gdi::HDC dc, const gdi::RECT& r) {
  if (InSet(FSkinData->SkinControls, xcSpin) && !FUpDown) FindSpinButton();
  if (has_no_border(FHandle, r)) return;
  flat_border(*FSkinData, dc, r, 2);
}

void TSkinEdit::PaintPrintFrame(gdi::HDC dc) {
  try {
    gdi::RECT r;
    if (!win::GetWindowRect(FHandle, &r)) return;
    gdi::OffsetRect(&r, -r.left, -r.top);
    gdi::RECT c;
    win::GetClientRect(FHandle, &c);
    if (c.right + 2 >= r.right || c.bottom + 2 >= r.bottom) return;
    const bool own = dc == nullptr;
    if (own) dc = win::GetWindowDC(FHandle);
    // The inner ring in the DC's current brush, the outer one in the shadow colour.
    gdi::RECT in = r;
    gdi::InflateRect(&in, -1, -1);
    gdi::FrameRect(dc, &in, static_cast<gdi::HBRUSH>(gdi::GetCurrentObject(dc, gdi::OBJ_BRUSH)));
    frame_with(dc, r, gdi::resolve_color(FSkinData->FColours[7]));
    if (own) win::ReleaseDC(FHandle, dc);
  } catch (...) {
  }
}

// ---- combo box ----

TSkinComBox::~TSkinComBox() {
  ReleaseEdit();
  FreeListSkinners(false);
}

bool TSkinComBox::ReadInfo() {
  FInfo = win::COMBOBOXINFO{};
  return win::GetComboBoxInfo(FHandle, &FInfo) != win::FALSE;
}

void TSkinComBox::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  if (FHooked) return;
  TSkinControl::HookControl(form, sd, set_color, canvas);
  if (!FHandle) return;
  FStyle = WindowStyle(FHandle);
  FListBar = nullptr;
  if ((FStyle & 3) != win::CBS_SIMPLE) {
    AttachDropBar();
    SubclassEdit();
    FListWnd = nullptr;
    return;
  }
  if (!ReadInfo()) return;
  FListWnd = FInfo.hwndList;
  FStyle = WindowStyle(FListWnd);
  if (!IsPopupWindow(FListWnd) && (FStyle & win::WS_CHILD)) {
    FListBar = new TSkinScrollbarH(Owner());
    FListBar->FreeNotification(this);
    FListBar->HookHandle(FListWnd, sd, form, nullptr);
  }
}

void TSkinComBox::HookHandle(win::HWND handle, TSkinData* sd, TFormSkinner* form, pc::TCanvas* canvas) {
  if (FHooked) return;
  TSkinControl::HookHandle(handle, sd, form, canvas);
  FStyle = WindowStyle(handle);
  FListBar = nullptr;
  if ((FStyle & 3) != win::CBS_SIMPLE) {
    SubclassEdit();
    FListWnd = nullptr;
    return;
  }
  if (!ReadInfo()) return;
  FListWnd = FInfo.hwndList;
  FStyle = WindowStyle(FListWnd);
}

void TSkinComBox::AttachDropBar() {
  FStyle = WindowStyle(FHandle);
  FDropBar = nullptr;
  if (!(FStyle & win::CBS_DROPDOWN) || !ReadInfo() || !FInfo.hwndList) return;
  FListWnd = FInfo.hwndList;
  FDropBar = new TComboxScrollBar(Owner());
  FDropBar->FreeNotification(this);
  FDropBar->HookHandle(FListWnd, FSkinData, FForm, nullptr);
}

void TSkinComBox::SubclassEdit() {
  // Every window of this window system takes the same procedure form, so the edit is watched
  // whatever its character set.
  FEditWnd = win::GetTopWindow(FHandle);
  if (!FEditWnd) return;
  FEditInstance = win::MakeProcInstance(
      [this](win::HWND h, win::UINT msg, win::WPARAM wp, win::LPARAM lp) { return EditWndProc(h, msg, wp, lp); });
  FOldEditProc = reinterpret_cast<win::WNDPROC>(
      win::SetWindowLongPtr(FEditWnd, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(FEditInstance)));
}

void TSkinComBox::ReleaseEdit() {
  if (!FEditInstance) return;
  if (win::IsWindow(FEditWnd))
    win::SetWindowLongPtr(FEditWnd, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(FOldEditProc));
  win::FreeProcInstance(FEditInstance);
  FEditInstance = nullptr;
  FOldEditProc = nullptr;
}

win::LRESULT TSkinComBox::EditWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
  const win::LRESULT result = win::CallWindowProc(FOldEditProc, hwnd, msg, wp, lp);
  if (!FSkinned) return result;
  try {
    if (msg == win::WM_PAINT) PaintWindow(nullptr);
    else TrackPress(msg);
  } catch (...) {
  }
  return result;
}

void TSkinComBox::TrackPress(win::UINT msg) {
  if (msg == win::WM_LBUTTONDOWN || msg == win::WM_LBUTTONDBLCLK) FMouseFlags |= kPressed;
  else if (msg == win::WM_LBUTTONUP) FMouseFlags &= static_cast<std::uint8_t>(~kPressed);
  else return;
  Redraw();
}

void TSkinComBox::Notification(pc::TComponent* c, pc::TOperation op) {
  if (op == pc::TOperation::opRemove) {
    if (c == FListBar) FListBar = nullptr;
    if (c == FDropBar) FDropBar = nullptr;
  }
  TSkinControl::Notification(c, op);
}

void TSkinComBox::FreeListSkinners(bool unhook) {
  if (FListBar) {
    if (unhook && FListBar->FHookState != 6) FListBar->Unhook();
    delete FListBar;
  }
  if (FDropBar) {
    if (unhook && FDropBar->FHookState != 6) FDropBar->Unhook();
    delete FDropBar;
  }
  FListBar = nullptr;
  FDropBar = nullptr;
}

void TSkinComBox::Unhook() {
  TSkinControl::Unhook();
  ReleaseEdit();
  FreeListSkinners(true);
}

void TSkinComBox::AfterMessage(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS: break;
    case win::WM_MOUSEMOVE: {
      const gdi::POINT p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
      const bool over = gdi::PtInRect(&FButtonRect, p) != win::FALSE;
      if ((FMouseFlags & kHot) && !over && FEnabled) {
        FMouseFlags &= static_cast<std::uint8_t>(~kHot);
        Redraw();
      } else if (!(FMouseFlags & kHot) && over && FEnabled) {
        FMouseFlags |= kHot;
        Redraw();
      }
      break;
    }
    case win::WM_DRAWITEM:
    case win::WM_NCPAINT: Redraw(); break;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_LBUTTONUP: TrackPress(m.Msg); break;
    case pc::CN_COMMAND:
      // The release of a press that dropped the list goes to the list, not here: the button is
      // no longer pressed once the list closes.
      if (win::HIWORD(m.WParam) == win::CBN_CLOSEUP && (FMouseFlags & kPressed)) {
        FMouseFlags &= static_cast<std::uint8_t>(~kPressed);
        Redraw();
      }
      TSkinControl::AfterMessage(m);
      break;
    case pc::CM_MOUSELEAVE:
      if (FMouseFlags & kHot) {
        FMouseFlags &= static_cast<std::uint8_t>(~kHot);
        Redraw();
      }
      break;
    default: TSkinControl::AfterMessage(m); break;
  }
}

void TSkinComBox::PaintSkin(gdi::HDC dc, const gdi::RECT& R) {
  const TDataSkinBorder* button = FSkinData->FComboButton.get();
  if (!button || button->Image.Empty()) return;
  FStyle = WindowStyle(FHandle);
  FExStyle = WindowExStyle(FHandle);
  if (ReadInfo()) {
    FButtonRect = FInfo.rcButton;
    if (FInfo.stateButton & win::STATE_SYSTEM_INVISIBLE) return;
  }
  if (button->Style == 1) {
    PaintFlatButton(dc, R);
    return;
  }
  const win::HWND focus = win::GetFocus();
  // The keyboard focus of an editable combo box sits in its edit.
  FFocused = focus && (focus == FHandle || win::IsChild(FHandle, focus));
  FEnabled = !(FStyle & win::WS_DISABLED);
  int s = (FMouseFlags & kPressed) ? 2 : (FFocused || (FMouseFlags & kHot)) ? 4 : 1;
  if (!FEnabled) s = 3;
  const int a = win::GetSystemMetrics(win::SM_CXHSCROLL);
  if (FExtended) {
    PaintExFrame(dc, R);
    PaintExButton(dc, s);
    return;
  }
  const bool left = FExStyle & win::WS_EX_LEFTSCROLLBAR;
  if (button->Style == 2) {
    const TDataSkinObject* o = left && FSkinData->FSunkEdge ? FSkinData->FSunkEdge.get() : button;
    DrawNineGrid(dc, R, o->Image, false, false, true, o->Frame, s, o->Margins());
    return;
  }
  gdi::RECT B, G;
  const SkinImage* picture;
  const int saved = gdi::SaveDC(dc);
  // The edit area stays free of the edge picture.
  if (left) {
    gdi::ExcludeClipRect(dc, a + 4, 2, R.right - 2, R.bottom - 2);
    B = {R.left, R.top, R.left + a + 2, R.bottom};
    G = {2, R.top, a + 2, R.bottom};
    picture = &button->Image2;
  } else {
    gdi::ExcludeClipRect(dc, 2, 2, R.right - a - 4, R.bottom - 2);
    B = {R.right - a - 2, R.top, R.right, R.bottom};
    G = {R.right - a - 2, R.top, R.right - 2, R.bottom};
    picture = &button->Image;
  }
  if (const TDataSkinObject* edge = FSkinData->FSunkEdge.get(); edge && !edge->Image.Empty())
    DrawSkinObjectFrame(dc, R, edge->Frame, s, *edge);
  DrawKeyedFrame(dc, B, button->Frame, s, picture->Empty() ? button->Image : *picture);
  FButtonRect = B;
  if (const TDataSkinObject* extra = FSkinData->FExtraImages.get(); extra && !extra->Image.Empty()) {
    const int gw = extra->Image.Width() / std::max(1, extra->Frame), gh = extra->Image.Height();
    const int x = G.left + (G.width() - gw) / 2, y = G.top + (G.height() - gh) / 2;
    DrawKeyedFrame(dc, {x, y, x + gw, y + gh}, extra->Frame, s, extra->Image);
  }
  gdi::RestoreDC(dc, saved);
}

void TSkinComBox::PaintFlatButton(gdi::HDC dc, const gdi::RECT& R) {
  const TDataSkinBorder& button = *FSkinData->FComboButton;
  const win::HWND focus = win::GetFocus();
  FFocused = focus && (focus == FHandle || win::IsChild(FHandle, focus));
  FEnabled = !(WindowStyle(FHandle) & win::WS_DISABLED);
  const int s = (FMouseFlags & kPressed) ? 2 : (FFocused || (FMouseFlags & kHot)) ? 4 : FEnabled ? 1 : 3;
  const int fw = button.Image.Width() / std::max(1, button.Frame), fh = button.Image.Height();
  const int f = win::GetSystemMetrics(win::SM_CYVTHUMB);
  const bool left = WindowExStyle(FHandle) & win::WS_EX_LEFTSCROLLBAR;
  const auto brush = static_cast<gdi::HBRUSH>(gdi::GetCurrentObject(dc, gdi::OBJ_BRUSH));
  gdi::RECT I = R;
  gdi::InflateRect(&I, -1, -1);
  gdi::FrameRect(dc, &I, brush);
  gdi::InflateRect(&I, -1, -1);
  const gdi::RECT native = left ? gdi::RECT{I.left, I.top, I.left + f, I.bottom} : gdi::RECT{I.right - f, I.top, I.right, I.bottom};
  gdi::FillRect(dc, &native, brush);
  gdi::RECT P = left ? gdi::RECT{I.left, I.top, I.left + fw, I.bottom} : gdi::RECT{I.right - fw, I.top, I.right, I.bottom};
  if (fh < f) P.bottom = P.top + fh;
  frame_with(dc, R, gdi::resolve_color(FSkinData->FColours[7]));
  FButtonRect = P;
  DrawKeyedFrame(dc, P, button.Frame, s, button.Image);
}

void TSkinComBox::PaintExFrame(gdi::HDC dc, const gdi::RECT& R) {
  gdi::RECT c;
  win::GetClientRect(FHandle, &c);
  if (c.right >= R.right - R.left || c.bottom >= R.bottom - R.top) return;
  frame_with(dc, R, gdi::resolve_color(FSkinData->FColours[7]));
  gdi::RECT in = R;
  gdi::InflateRect(&in, -1, -1);
  frame_with(dc, in, kWhite);
}

void TSkinComBox::PaintExButton(gdi::HDC dc, int state) {
  const TDataSkinObject* arrow = FSkinData->FComboxArrow.get();
  gdi::RECT own, r;
  if (!FEditWnd || !win::GetWindowRect(FEditWnd, &r) || !win::GetWindowRect(FHandle, &own)) return;
  gdi::OffsetRect(&r, -own.left, -own.top);
  FillFace(dc, r);
  if (arrow && !arrow->Image.Empty()) DrawKeyedFrame(dc, r, arrow->Frame, state, arrow->Image);
}

// ---- date-time picker ----

TSkinDateTime::~TSkinDateTime() {
  delete FArrow;
  FArrow = nullptr;
}

void TSkinDateTime::HookControl(TFormSkinner* form, TSkinData* sd, bool set_color, pc::TCanvas* canvas) {
  if (FHooked) return;
  TSkinControl::HookControl(form, sd, set_color, canvas);
  auto* picker = dynamic_cast<pc::TWinControl*>(FControl);
  if (!picker) return;
  FArrow = new TArrowButton(this);
  FArrow->Attach(this, picker);
}

void TSkinDateTime::AfterMessage(pc::TMessage& m) {
  if (m.Msg == win::WM_SIZE && FArrow && FArrow->HandleAllocated()) {
    FArrow->Invalidate();
    win::UpdateWindow(FArrow->Handle());
    return;
  }
  TSkinControl::AfterMessage(m);
}

void TSkinDateTime::PaintSkin(gdi::HDC dc, const gdi::RECT& r) {
  if (FArrow) FArrow->Reposition(r);
  if (has_no_border(FHandle, r)) return;
  flat_border(*FSkinData, dc, r, 1);
}

TArrowButton::TArrowButton(pc::TComponent* owner) : pc::TCustomControl(owner) {
  FButtonWidth = win::GetSystemMetrics(win::SM_CXHSCROLL);
  TabStop = false;
}

void TArrowButton::CreateParams(pc::TCreateParams& p) {
  pc::TCustomControl::CreateParams(p);
  p.style &= ~win::WS_TABSTOP;
  if (!parent_) p.parent = FPickerWnd;
}

void TArrowButton::Attach(TSkinDateTime* skin, pc::TWinControl* picker) {
  FSkin = skin;
  FPicker = picker;
  FPickerWnd = picker->Handle();
  gdi::RECT wr{};
  win::GetWindowRect(FPickerWnd, &wr);
  const int left = (WindowExStyle(FPickerWnd) & win::WS_EX_LEFTSCROLLBAR) ? 2 : (wr.right - wr.left) - FButtonWidth - 4;
  SetBounds(left, 0, FButtonWidth, picker->Height() - 4);
  HandleNeeded();
  win::SetWindowLong(FPickerWnd, win::GWL_STYLE, static_cast<win::LONG>(WindowStyle(FPickerWnd) | win::WS_CLIPCHILDREN));
}

void TArrowButton::Reposition(const gdi::RECT& r) {
  const int left = (WindowExStyle(FPickerWnd) & win::WS_EX_LEFTSCROLLBAR) ? 2 : r.right - FButtonWidth - 4;
  gdi::RECT now{};
  win::GetWindowRect(Handle(), &now);
  gdi::POINT at{now.left, now.top};
  win::ScreenToClient(FPickerWnd, &at);
  if (at.x != left) win::SetWindowPos(Handle(), nullptr, left, at.y, 0, 0, win::SWP_NOSIZE | win::SWP_NOZORDER | win::SWP_NOACTIVATE);
}

void TArrowButton::WndProc(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_ERASEBKGND: m.Result = 1; return;
    case win::WM_PAINT: PaintMessage(Handle(), m, [this](gdi::HDC dc) { Paint(dc); }); return;
    case pc::CM_MOUSEENTER:
    case pc::CM_MOUSELEAVE:
      if (FPicker && FPicker->Enabled()) {
        FArrowHot = m.Msg == pc::CM_MOUSEENTER;
        Invalidate();
      }
      pc::TCustomControl::WndProc(m);
      return;
    case win::WM_LBUTTONDOWN: {
      pc::TCustomControl::WndProc(m);
      const int x = win::GET_X_LPARAM(m.LParam) + Left(), y = win::GET_Y_LPARAM(m.LParam) + Top();
      const win::LPARAM point = win::MAKELPARAM(static_cast<win::WORD>(x), static_cast<win::WORD>(y));
      // The picker opens its calendar as for a click on its own button.
      win::PostMessage(FPickerWnd, win::WM_LBUTTONDOWN, m.WParam, point);
      win::PostMessage(FPickerWnd, win::WM_LBUTTONUP, m.WParam, point);
      Invalidate();
      return;
    }
    case win::WM_LBUTTONUP:
      pc::TCustomControl::WndProc(m);
      if (win::IsWindow(FPickerWnd)) win::SetFocus(FPickerWnd);
      return;
    default: pc::TCustomControl::WndProc(m); return;
  }
}

void TArrowButton::Paint(gdi::HDC dc) {
  if (!FSkin || !FSkin->FSkinData || !FPicker) return;
  const TSkinData& sd = *FSkin->FSkinData;
  const gdi::RECT r{0, 0, Width(), FPicker->Height() - 4};
  FillRectColor(dc, r, gdi::resolve_color(sd.FColours[3]));
  const TDataSkinObject* arrow = sd.FComboxArrow.get();
  if (!arrow || arrow->Image.Empty()) {
    // A skin without the arrow picture: a plain small arrow on the face.
    DrawSmallArrow(dc, r.width() / 2, r.height() / 2 - 1, 1);
    return;
  }
  const int state = FArrowHot ? 4 : 1;
  const gdi::RECT f = FrameRect(arrow->Image, arrow->Frame, state);
  SelectedBitmap src(arrow->Image.Handle());
  const int old = gdi::SetStretchBltMode(dc, gdi::COLORONCOLOR);
  gdi::StretchBlt(dc, r.left, r.top, r.width(), r.height(), src.dc(), f.left, f.top, f.width(), f.height(), gdi::SRCCOPY);
  gdi::SetStretchBltMode(dc, old);
}

}  // namespace skin
