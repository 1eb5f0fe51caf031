// The form skinner's lifecycle: hooking a window, its three-stage message handler, the form-level
// handler, activation, re-skinning and the three ways of unhooking.
#include "skin/form_skinner.h"

#include "skin/control_skinner.h"
#include "skin/menu_bar.h"
#include "skin/menu_items.h"
#include "skin/skin_manager.h"

namespace skin {
namespace {

pc::TColor face_colour(const TSkinData& sd) { return static_cast<pc::TColor>(gdi::resolve_color(sd.FColours[3])); }

}  // namespace

TFormSkinner::TFormSkinner(pc::TComponent* owner) : pc::TComponent(owner) {
  FDoubleClickTime = win::GetDoubleClickTime();
  win::NONCLIENTMETRICS metrics;
  metrics.cbSize = 340;
  gdi::LOGFONT lf;
  lf.lfHeight = -12;
  lf.lfFaceName = "宋体";
  if (win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) lf = metrics.lfCaptionFont;
  FCaptionFont = gdi::CreateFontIndirect(&lf);
  FActive = true;
}

TFormSkinner::~TFormSkinner() {
  FreeSkinners();
  // A skinner freed while its window still runs through it puts the window back first.
  if (FWndProcInstance) ReleaseProcedures();
  FreeCaptionButtons();
  FTimer.reset();
  FSystemPopup.reset();
  if (FCaptionFont) gdi::DeleteObject(FCaptionFont);
  if (TSkinManage* m = SkinManager()) m->RemoveForm(FHandle);
}

pc::TCustomForm* TFormSkinner::AsForm() const { return dynamic_cast<pc::TCustomForm*>(FForm); }

void TFormSkinner::SetFormColour(pc::TColor colour) {
  if (FForm) FForm->SetColor(colour);
}

win::LRESULT TFormSkinner::CallOldProc(win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
  return win::CallWindowProc(FOldWndProc, FHandle, msg, wp, lp);
}

void TFormSkinner::SkinForm(TSkinData* sd, pc::TControl* form) {
  FForm = form;
  if (sd->OnBeforeSkinForm) sd->OnBeforeSkinForm(form, FHandle, FWindowName);
  if (InSet(sd->SkinControls, xcMenuItem)) pc::SetPropText(form, "AutoScroll", "False");
  HookWindow(sd);
  if (FSkinFrame) {
    FOldWindowProc = form->WindowProc;
    form->WindowProc = [this](pc::TMessage& m) { FormWndProc(m); };
  }
  FSavedColor = form->Color();
  form->SetColor(face_colour(*sd));
  if (InSet(sd->SkinControls, xcMenuItem)) SetMainMenusOwnerDraw(this, form, true);
}

void TFormSkinner::SkinWindow(TSkinData* sd) { HookWindow(sd); }

void TFormSkinner::HookWindow(TSkinData* sd) {
  if (FWndProcInstance) return;
  TSkinManage* m = SkinManager();
  if (m) m->FState = 1;
  FSkinData = sd;
  FTimer = std::make_unique<pc::TTimer>(nullptr);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(250);
  FTimer->SetOnTimer([this](pc::TObject*) { OnHoverTimer(); });
  FSkinFrame = InSet(sd->SkinControls, xcMainMenu);
  const auto style = static_cast<std::uint32_t>(win::GetWindowLong(FHandle, win::GWL_STYLE));
  const auto ex_style = static_cast<std::uint32_t>(win::GetWindowLong(FHandle, win::GWL_EXSTYLE));
  FStyle = style;
  FRightToLeft = ex_style & win::WS_EX_LEFTSCROLLBAR;
  FChildWindow = style & win::WS_CHILD;
  FClassName = win::GetClassName(FHandle).substr(0, 100);
  FOwnerWnd = win::GetWindow(FHandle, win::GW_OWNER);
  FCaptionCaps = 0;
  if (style & win::WS_SYSMENU) FCaptionCaps |= kCapSysMenu;
  if (style & win::WS_MINIMIZEBOX) FCaptionCaps |= kCapMin;
  if (style & win::WS_MAXIMIZEBOX) FCaptionCaps |= kCapMax;
  if (ex_style & win::WS_EX_CONTEXTHELP) FCaptionCaps |= kCapHelp;
  ReadShowState();
  FBorderKind = 1;
  if ((style & win::WS_CAPTION) != win::WS_CAPTION) FBorderKind = 2;
  else if (style & win::WS_THICKFRAME) FBorderKind = 0;
  else if (style & win::DS_MODALFRAME) FBorderKind = 3;
  if (ex_style & win::WS_EX_DLGMODALFRAME) FBorderKind = 3;
  if (FClassName == "#32770" || FClassName == "TMessageForm") {
    FBorderKind = 3;
    FDialogClass = true;
  }
  // Windows that keep their system-menu style: an application window, or one without an owner, on
  // platforms of minor version 0.
  if (PlatformMajorVersion() > 4 && PlatformMinorVersion() == 0 &&
      ((IsNTPlatform() && (ex_style & win::WS_EX_APPWINDOW)) || !FOwnerWnd))
    FCaptionCaps |= kCapKeepSysMenu;
  FUnicode = win::IsWindowUnicode(FHandle);
  if (!IsNTPlatform()) sd->SkinControls &= ~SetOf(xcSystemMenu);

  FWndProcInstance = win::MakeProcInstance(
      [this](win::HWND hwnd, win::UINT msg, win::WPARAM wp, win::LPARAM lp) { return WndProc(hwnd, msg, wp, lp); });
  FOldWndProc = reinterpret_cast<win::WNDPROC>(
      win::SetWindowLongPtr(FHandle, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(FWndProcInstance)));

  if (FSkinFrame) {
    FMenuHandle = win::GetMenu(FHandle);
    if (FMenuHandle && !FChildWindow) {
      FMenuBar = std::make_unique<TMenuBarSkinner>(this);
      FMenuBarHeight = win::GetSystemMetrics(win::SM_CYMENU);
      FMenuBar->BuildItems();
    }
    // The whole frame is drawn here: on a screen with a window manager the window goes undecorated.
    if (!FChildWindow && FBorderKind != 2) win::SetWindowOwnFrame(FHandle, win::TRUE);
    ComputeFrameSizes();
  } else {
    FSkinState = 1;
  }
}

void TFormSkinner::ReadShowState() {
  win::WINDOWPLACEMENT wp;
  if (!win::GetWindowPlacement(FHandle, &wp)) return;
  switch (wp.showCmd) {
    case win::SW_SHOWMINIMIZED:
    case win::SW_MINIMIZE:
    case win::SW_SHOWMINNOACTIVE: FShowState = 2; break;
    case win::SW_SHOWMAXIMIZED: FShowState = 1; break;
    default: FShowState = 0; break;
  }
}

void TFormSkinner::Activate() {
  FSystemMenu = win::GetSystemMenu(FHandle, win::FALSE);
  BuildIconBitmap();
  MeasureSystemFrame();
  SkinControls();
  if (FSkinState == 0 && !FChildWindow && FBorderKind != 2 && FShowState != 2) {
    FSkinState = 5;
    ApplyFrameSize(false);
    FSkinState = 1;
    if (FShowState == 1) FrameChanged();
    else UpdateRegion();
  }
  win::SendMessage(FHandle, kMsgSkinApplied, 0, kSkinMagic);
  if (FSkinData->OnAfterSkinForm) FSkinData->OnAfterSkinForm(FForm, FHandle, FWindowName);
  FSkinState = 1;
  FTimer->SetEnabled(true);
}

win::LRESULT TFormSkinner::WndProc(win::HWND, win::UINT msg, win::WPARAM wp, win::LPARAM lp) {
  pc::TMessage m{msg, wp, lp, 0};
  try {
    if (!HandleStage1(m)) HandleStages2And3(m);
  } catch (...) {
    // The window stays up; the failure (a menu item's handler, say) reaches the application.
    pc::Application().HandleCurrentException();
  }
  return m.Result;
}

bool TFormSkinner::HandleStage1(pc::TMessage& m) {
  auto pass_on = [&] { m.Result = CallOldProc(m.Msg, m.WParam, m.LParam); };
  switch (m.Msg) {
    case win::WM_NCPAINT:
      if (FSkinState != 0) break;
      m.Result = 0;  // no system frame before the skin is applied
      return true;
    case win::WM_ERASEBKGND:
      pass_on();
      if (!FForm && FSkinData->FFaceBrush) {
        gdi::RECT r;
        win::GetClientRect(FHandle, &r);
        gdi::FillRect(reinterpret_cast<gdi::HDC>(m.WParam), &r, FSkinData->FFaceBrush);
        m.Result = 1;
      }
      return true;
    case win::WM_NCDESTROY:
      FSkinState = 4;
      {
        const win::WNDPROC old = FOldWndProc;
        const win::HWND h = FHandle;
        UnhookForDestroy();
        m.Result = win::CallWindowProc(old, h, m.Msg, m.WParam, m.LParam);
      }
      FSkinState = 6;
      return true;
    case win::WM_NCACTIVATE:
      if (FSkinState != 0) break;
      m.Result = 0;
      return true;
    case 0xAE:
      m.Result = 0;
      return true;
    case win::WM_INITMENUPOPUP:
      if (TSkinManage* mgr = SkinManager())
        mgr->FPopupKind = reinterpret_cast<win::HMENU>(m.WParam) == FSystemMenu && FSystemMenu ? 2 : 1;
      pass_on();
      return true;
    case win::WM_CTLCOLORBTN:
      pass_on();
      if (!FForm) gdi::SetBkMode(reinterpret_cast<gdi::HDC>(m.WParam), gdi::TRANSPARENT);
      return true;
    case win::WM_CTLCOLORSTATIC:
      pass_on();
      if (!FForm) {
        gdi::SetBkMode(reinterpret_cast<gdi::HDC>(m.WParam), gdi::TRANSPARENT);
        m.Result = reinterpret_cast<win::LRESULT>(FSkinData->FFaceBrush);
      }
      return true;
    case kMsgActivate:
      Activate();
      return true;
    case kMsgRecreateScroll:
      RecreateScrollSkinner(reinterpret_cast<win::HWND>(m.WParam));
      return true;
    case kMsgIsSkinned:
      m.Result = 1;
      win::PostMessage(FHandle, kMsgSkinApplied, 0, kSkinMagic);
      return true;
    default: break;
  }
  // Any other message: a window whose frame is not skinned has it handled as before.
  if (FSkinFrame) return false;
  pass_on();
  return true;
}

void TFormSkinner::HandleStages2And3(pc::TMessage& m) {
  auto pass_on = [&] { m.Result = CallOldProc(m.Msg, m.WParam, m.LParam); };
  if (FStyle & win::WS_CHILD) {
    pass_on();
    return;
  }
  // Stage 2: bookkeeping of every message of a framed window.
  bool pass_later = true;
  switch (m.Msg) {
    case win::WM_SIZE:
      OnSize(m);
      pass_later = false;
      break;
    case win::WM_ACTIVATE:
    case win::WM_NCACTIVATE: FActive = m.WParam != 0; break;
    case win::WM_GETMINMAXINFO:
      pass_on();
      ReadShowState();
      return;
    case win::WM_WINDOWPOSCHANGED:
      ReadShowState();
      pass_on();
      return;
    case win::WM_SETICON:
      pass_on();
      BuildIconBitmap();
      return;
    case win::WM_COMMAND: OnCommand(m); return;
    case win::WM_SYSCOMMAND: OnSysCommand(m); return;
    case kMsgOpenMenuBarItem: OnMenuPoint(m); return;
    case pc::CM_MENUCHANGED:
      FSkinData->FNCPaintEnabled = false;
      pass_on();
      FSkinData->FNCPaintEnabled = true;
      if (win::GetMenu(FHandle)) {
        if (FMenuBar && FSkinData->MenuUpdate) {
          FMenuBar->BuildItems();
          PaintNonClient(nullptr);
        }
        win::SetMenu(FHandle, nullptr);
      }
      return;
    default: break;
  }
  // Stage 3: the frame itself, once the skin is applied.
  if (FSkinState == 0) {
    if (pass_later) pass_on();
    return;
  }
  switch (m.Msg) {
    case win::WM_SIZE: OnSize(m); return;
    case win::WM_WINDOWPOSCHANGING: pass_on(); return;
    case win::WM_NCCALCSIZE: OnNCCalcSize(m); return;
    case win::WM_NCHITTEST: OnNCHitTest(m); return;
    case win::WM_NCPAINT: OnNCPaint(m); return;
    case win::WM_NCACTIVATE: OnNCActivate(m); return;
    case win::WM_NCMOUSEMOVE: OnNCMouseMove(m); return;
    case win::WM_NCLBUTTONDOWN: OnNCLButtonDown(m); return;
    case win::WM_NCLBUTTONUP: OnNCLButtonUp(m); return;
    case win::WM_NCLBUTTONDBLCLK: OnNCLButtonDblClk(m); return;
    case win::WM_NCRBUTTONDOWN: OnNCRButtonDown(m); return;
    case kMsgRepaintFrame: PaintNonClient(nullptr); return;
    case win::WM_MEASUREITEM: OnMeasureItem(m); return;
    case win::WM_DRAWITEM: OnDrawItem(m); return;
    default:
      if (pass_later) pass_on();
      return;
  }
}

void TFormSkinner::OnSize(pc::TMessage& m) {
  m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
  switch (m.WParam) {
    case win::SIZE_RESTORED: FShowState = 0; break;
    case win::SIZE_MINIMIZED: FShowState = 2; break;
    case win::SIZE_MAXIMIZED: FShowState = 1; break;
    default: break;
  }
  if (FShowState == 2) return;
  if (FSkinState == 1 || FSkinState == 3) UpdateRegion();
}

void TFormSkinner::OnNCActivate(pc::TMessage& m) {
  FActive = m.WParam != 0;
  if (FTimer) FTimer->SetEnabled(FActive);
  PaintNonClient(nullptr);
  m.Result = 1;
}

void TFormSkinner::OnCommand(pc::TMessage& m) {
  const auto cmd = static_cast<win::UINT>(m.WParam & 0xFFFF);
  switch (cmd) {
    case win::SC_SIZE:
    case win::SC_MOVE:
    case win::SC_MINIMIZE:
    case win::SC_MAXIMIZE:
    case win::SC_NEXTWINDOW:
    case win::SC_PREVWINDOW:
    case win::SC_CLOSE:
    case win::SC_RESTORE: win::PostMessage(FHandle, win::WM_SYSCOMMAND, cmd, 0); return;
    default: m.Result = CallOldProc(m.Msg, m.WParam, m.LParam); return;
  }
}

void TFormSkinner::OnSysCommand(pc::TMessage& m) {
  switch (static_cast<win::UINT>(m.WParam) & 0xFFF0) {
    case win::SC_MINIMIZE: FShowState = 2; break;
    case win::SC_MAXIMIZE: FShowState = 1; break;
    case win::SC_RESTORE: FShowState = 0; break;
    case win::SC_KEYMENU:
      if (FMenuBar && OnKeyMenu(m)) return;
      if (m.LParam == ' ' && !FTracking) {
        gdi::POINT p{0, 0};
        win::ClientToScreen(FHandle, &p);
        ShowSystemPopup(p);
        return;
      }
      break;
    default: break;
  }
  m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
}

void TFormSkinner::FormWndProc(pc::TMessage& m) {
  switch (m.Msg) {
    case win::WM_SETTEXT:
      FOldWindowProc(m);
      if (win::IsWindowVisible(FHandle)) {
        if (FShowState == 2) PaintNonClient(nullptr);
        else FrameChanged();
      }
      return;
    case kMsgReskin: Reskin(); return;
    case pc::CM_DIALOGKEY:
      if (FMenuBar) OnDialogKey(m);
      else FOldWindowProc(m);
      return;
    case kMsgPaintNonClient:
      if (m.LParam == kSkinMagic) {
        if (m.WParam) PaintNonClient(reinterpret_cast<gdi::HDC>(m.WParam));
        m.Result = kSkinMagic;
      }
      return;
    case kMsgSkinQuery: m.Result = m.LParam == kSkinMagic ? kSkinMagic : 1; return;
    default: FOldWindowProc(m); return;
  }
}

void TFormSkinner::Reskin() {
  if (FForm) {
    const pc::TColor face = face_colour(*FSkinData);
    FForm->SetColor(face);
    for (int i = 0; i < FForm->ComponentCount(); ++i)
      if (auto* sub = dynamic_cast<pc::TCustomForm*>(FForm->Components(i))) sub->SetColor(face);
  }
  for (TSkinControl* s : std::vector<TSkinControl*>(FSkinControls)) s->RefreshSkin();
  FSkinState = 3;
  if (FSkinFrame) {
    if (FForm) SetPopupMenusOwnerDraw(this, FForm, true);
    ApplyFrameSize(true);
    if (FForm) {
      const int h = FForm->Height();
      FForm->SetBounds(FForm->Left(), FForm->Top(), FForm->Width(), h + 1);
      FForm->SetBounds(FForm->Left(), FForm->Top(), FForm->Width(), h);
    }
  }
  win::SendMessage(FHandle, kMsgSkinApplied, 0, kSkinMagic);
  if (FSkinData->OnAfterSkinForm) FSkinData->OnAfterSkinForm(FForm, FHandle, FWindowName);
  FSkinState = 1;
}

void TFormSkinner::ReleaseProcedures() {
  if (FOldWindowProc && FForm) FForm->WindowProc = FOldWindowProc;
  FOldWindowProc = nullptr;
  if (FWndProcInstance) {
    if (win::IsWindow(FHandle)) {
      win::SetWindowLongPtr(FHandle, win::GWLP_WNDPROC, reinterpret_cast<win::LONG_PTR>(FOldWndProc));
      // A window on its way out keeps its looks to the end.
      if (FSkinFrame && FSkinState != 4) win::SetWindowOwnFrame(FHandle, win::FALSE);
    }
    win::FreeProcInstance(FWndProcInstance);
    FWndProcInstance = nullptr;
  }
}

void TFormSkinner::RestoreFormState() {
  if (!FForm) return;
  SetPopupMenusOwnerDraw(this, FForm, false);
  if (InSet(FSkinData->SkinControls, xcMenuItem)) SetMainMenusOwnerDraw(this, FForm, false);
  if (FSkinState != 4) FForm->SetColor(FSavedColor);
}

bool TFormSkinner::BeginFrameUnhook() {
  if (!FSkinFrame) {
    UnhookPlain();
    return false;
  }
  FSystemPopup.reset();
  if (FTimer) FTimer->SetEnabled(false);
  return true;
}

void TFormSkinner::Unskin() {
  if (!BeginFrameUnhook() || !FWndProcInstance) return;
  ReleaseProcedures();
  FreeSkinners();
  FreeCaptionButtons();
  if (FMenuBar) {
    if (win::IsWindow(FHandle)) win::SetMenu(FHandle, FMenuBar->MenuHandle);
    FMenuBar.reset();
  }
  RestoreFormState();
  SetSysMenuStyle(false);
  if (FSkinState != 4 && !FChildWindow && win::IsWindow(FHandle)) {
    gdi::RECT r;
    win::GetWindowRect(FHandle, &r);
    const int sys_w = FSystemFrame.right - FSystemFrame.left, sys_h = FSystemFrame.bottom - FSystemFrame.top;
    const int w = (r.right - r.left) - (FBorderLeft + FBorderRight - sys_w);
    const int h = (r.bottom - r.top) - (FTitleHeight + FBorderBottom - sys_h);
    win::SetWindowPos(FHandle, nullptr, 0, 0, w, h,
                      win::SWP_NOMOVE | win::SWP_FRAMECHANGED | win::SWP_NOACTIVATE | win::SWP_NOZORDER);
  }
  if (win::IsWindow(FHandle)) win::SetWindowRgn(FHandle, nullptr, win::TRUE);
  FHasRegion = false;
  FRegion = nullptr;
}

void TFormSkinner::UnhookForDestroy() {
  if (!BeginFrameUnhook()) return;
  ReleaseProcedures();
  FreeSkinners();
  FreeCaptionButtons();
  FMenuBar.reset();
}

void TFormSkinner::UnhookPlain() {
  if (FTimer) FTimer->SetEnabled(false);
  FreeSkinners();
  RestoreFormState();
  ReleaseProcedures();
  if (FForm && FSkinState != 4) {
    for (int i = 0; i < FForm->ComponentCount(); ++i)
      if (auto* c = dynamic_cast<pc::TControl*>(FForm->Components(i))) c->Invalidate();
  }
}

void TFormSkinner::FreeCaptionButtons() {
  FHotObject = nullptr;
  FPressedObject = nullptr;
  FCaptionButtons.clear();
}

}  // namespace skin

namespace skin {

pc::TMenuItem* TFormSkinner::FindBarItem(win::UINT command) const {
  auto* form = AsForm();
  pc::TMainMenu* menu = form ? form->Menu() : nullptr;
  return menu ? menu->FindItem(command, pc::TMainMenu::TFindItemKind::fkCommand) : nullptr;
}

void TFormSkinner::OnMeasureItem(pc::TMessage& m) {
  auto* mis = reinterpret_cast<win::MEASUREITEMSTRUCT*>(m.LParam);
  if (!mis || mis->CtlType != win::ODT_MENU || !FMenuHandle) {
    m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
    return;
  }
  if (FForm) {
    if (pc::TMenuItem* item = FindBarItem(mis->itemID)) {
      gdi::HDC dc = win::GetWindowDC(FHandle);
      pc::TCanvas canvas;
      canvas.SetHandle(dc);
      gdi::SelectObject(dc, ScreenMenuFont());
      int w = static_cast<int>(mis->itemWidth), h = static_cast<int>(mis->itemHeight);
      MeasureBarMenuItem(*FSkinData, *item, canvas, w, h);
      mis->itemWidth = static_cast<win::UINT>(std::max(w, 0));
      mis->itemHeight = static_cast<win::UINT>(std::max(h, 0));
      canvas.SetHandle(nullptr);
      win::ReleaseDC(FHandle, dc);
      m.Result = 1;
      return;
    }
    if (mis->itemID >= 1 && mis->itemID <= 4095) {
      m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
      return;
    }
  }
  // Measured from the tracked menu's text.
  char text[81] = {};
  win::GetMenuString(FTrackedMenu, mis->itemID, text, 80, win::MF_BYCOMMAND);
  gdi::HDC dc = win::GetDC(nullptr);
  gdi::HGDIOBJ old = gdi::SelectObject(dc, ScreenMenuFont());
  gdi::SIZE size{};
  gdi::GetTextExtentPoint32(dc, std::string_view(text), &size);
  gdi::SelectObject(dc, old);
  win::ReleaseDC(nullptr, dc);
  int w = size.cx + 26;
  if (FSkinData->FMenuItem) w += FSkinData->FMenuItem->LeftWidth;
  mis->itemWidth = static_cast<win::UINT>(w);
  mis->itemHeight = static_cast<win::UINT>(text[0] ? size.cy + 4 : 8);
  m.Result = 1;
}

void TFormSkinner::OnDrawItem(pc::TMessage& m) {
  auto* dis = reinterpret_cast<win::DRAWITEMSTRUCT*>(m.LParam);
  if (!dis || dis->CtlType != win::ODT_MENU || !FMenuHandle) {
    m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
    return;
  }
  const auto menu = reinterpret_cast<win::HMENU>(dis->hwndItem);
  if (TSkinManage* mgr = SkinManager()) mgr->AssignMenuHandle(menu);
  const bool selected = dis->itemState & win::ODS_SELECTED;
  if (FForm) {
    if (pc::TMenuItem* item = FindBarItem(dis->itemID)) {
      if (selected) NoteMenuItemSelected(item);
      if (FSkinData->FMenuItem) DrawSkinMenuItem(*FSkinData, *item, dis->hDC, dis->rcItem, selected);
      else DrawFlatMenuItem(*FSkinData, *item, dis->hDC, dis->rcItem, selected);
      m.Result = 1;
      return;
    }
    if (dis->itemID >= 1 && dis->itemID <= 4095) {
      m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
      return;
    }
  }
  gdi::SelectObject(dis->hDC, ScreenMenuFont());
  DrawRawMenuItem(*FSkinData, menu, dis->itemID, dis->hDC, dis->rcItem, selected);
  m.Result = 1;
}

}  // namespace skin
