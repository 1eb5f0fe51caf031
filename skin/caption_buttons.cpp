// Caption buttons and the other non-client hit objects: visibility, layout, painting, the pointer
// messages of the frame, what each button does, the hover timer with its hints, and the skinned
// system menu.
#include <algorithm>

#include "skin/draw_primitives.h"
#include "skin/form_skinner.h"
#include "skin/image_util.h"
#include "skin/skin_manager.h"

namespace skin {
namespace {

bool is_icon_action(int action) { return action == 3 || action == 11; }

gdi::POINT message_point(win::LPARAM lp) { return {win::GET_X_LPARAM(lp), win::GET_Y_LPARAM(lp)}; }

}  // namespace

// ---- hit objects ----
TNCObject::~TNCObject() {
  if (Form->FHotObject == this) Form->FHotObject = nullptr;
  if (Form->FPressedObject == this) Form->FPressedObject = nullptr;
}

void TNCObject::MouseDown() {
  if (Form->FHotObject && Form->FHotObject != this) Form->FHotObject->MouseLeave();
  if (!Visible) return;
  Form->FHotObject = this;
  Form->FPressedObject = this;
  State = 2;
  Paint();
}

void TNCObject::MouseUp() {
  if (!Visible) return;
  State = 3;
  Paint();
}

void TNCObject::MouseMove() {
  if (Form->FHotObject == this) return;
  if (Form->FHotObject) Form->FHotObject->MouseLeave();
  if (!Visible) return;
  Form->FHotObject = this;
  State = 3;
  Paint();
}

void TNCObject::MouseLeave() {
  if (Form->FPressedObject == this) Form->FPressedObject = nullptr;
  if (!Visible) return;
  Form->FHotObject = nullptr;
  State = 1;
  Paint();
  Form->FSkinData->FHintTime = 0;
  HideCaptionHint(*Form->FSkinData);
}

void TWinSysButton::Paint() {
  if (!Visible || SkinObject->Image.Empty() || !win::IsWindow(Form->FHandle)) return;
  const int frames = std::max(SkinObject->Frame, 1);
  int frame = State;
  if (!Enabled) frame = frames > 3 ? 4 : 1;
  if (SkinObject->Visibility == 100 && frame == 3) frame = 4;
  gdi::HDC dc = win::GetWindowDC(Form->FHandle);
  if (!dc) return;
  if (is_icon_action(SkinObject->Action)) Form->DrawIcon(dc, BoundsRect);
  else DrawFrameStretched(dc, BoundsRect, SkinObject->Image, true, frames, frame);
  win::ReleaseDC(Form->FHandle, dc);
}

std::string ButtonHint(int action) {
  switch (action) {
    case 0:
    case 9:
    case 62: return "Close";
    case 1:
    case 22: return "Maximize";
    case 2:
    case 7:
    case 23:
    case 60: return "Minimize";
    case 8:
    case 61: return "Restore";
    default: return {};
  }
}

// ---- the buttons of a window ----
void TFormSkinner::BuildCaptionButtons() {
  FreeCaptionButtons();
  FCaptionButtonCount = static_cast<int>(FSkinData->FSysButtons.size());
  for (auto& object : FSkinData->FSysButtons) {
    if (!object) continue;
    auto button = std::make_unique<TWinSysButton>(this, object.get());
    button->Enabled = true;
    if (is_icon_action(object->Action)) {
      BuildIconBitmap();
      if (object->Image.Empty()) object->Image = FSmallIconBitmap.Clone();
      if (FSkinData->FIconBitmap.Empty()) FSkinData->FIconBitmap = FSmallIconBitmap.Clone();
      object->Frame = 1;
    }
    FCaptionButtons.push_back(std::move(button));
  }
}

bool TFormSkinner::IsButtonVisible(int index) {
  TWinSysButton& button = *FCaptionButtons.at(static_cast<std::size_t>(index));
  const TDataSkinSysButton& o = *button.SkinObject;
  const bool maximised = FShowState == 1, active = FActive;
  const bool max_box = FCaptionCaps & kCapMax, min_box = FCaptionCaps & kCapMin, help = FCaptionCaps & kCapHelp;
  const bool sys_menu = FCaptionCaps & kCapSysMenu;
  auto condition = [&](int code, bool first) -> bool {
    if (code >= 1000 && code <= 2000) {
      if (!first) return true;
      return win::SendMessage(FHandle, kMsgButtonVisible, static_cast<win::WPARAM>(code), o.Action) > 0;
    }
    switch (code) {
      case 0: return true;
      case 1: return maximised;
      case 2: return !maximised;
      case 3: return active;
      case 4: return !active;
      case 6:
      case 8: return first ? (min_box || max_box) && sys_menu : (min_box || max_box);
      case 7: return !max_box;
      case 9: return !min_box;
      case 10: return first ? help && !min_box && !max_box : help;
      case 100: return false;  // the maximised child of an MDI frame: there are no MDI windows
      case 200: return !FDialogClass && FBorderKind == 3;
      default: return code >= 201 && code <= 999;
    }
  };
  bool visible = condition(o.Visibility, true) && condition(o.Visibility1, false);
  switch (o.Action) {
    case 0:
      if (!sys_menu) visible = false;
      break;
    case 1: button.Enabled = max_box && sys_menu; break;
    case 2: button.Enabled = min_box && sys_menu; break;
    case 3:
    case 11:
    case 12:
      if (FBorderKind == 3) visible = false;
      break;
    default: break;
  }
  button.Visible = visible;
  return visible;
}

void TFormSkinner::LayoutButtons() {
  const int W = FWindowWidth;
  for (std::size_t i = 0; i < FCaptionButtons.size(); ++i) {
    TWinSysButton& b = *FCaptionButtons[i];
    const TDataSkinSysButton& o = *b.SkinObject;
    if (!IsButtonVisible(static_cast<int>(i)) || o.Image.Empty()) {
      b.BoundsRect = {};
      continue;
    }
    const int w = o.Image.Width() / std::max(o.Frame, 1), h = o.Image.Height();
    int x = 0, y = 0;
    switch (o.Align) {
      case 0: x = o.Xcoord, y = o.Ycoord; break;
      case 1: x = W - o.Xcoord, y = o.Ycoord; break;
      case 2:
      case 8: x = FCaptionTextRect.left - w - o.Xcoord, y = o.Ycoord; break;
      case 3:
      case 9: x = o.Xcoord + FCaptionTextRect.right, y = o.Ycoord; break;
      case 100:
        x = W - o.Xcoord - FBorderRight - (FSkinData->FMenuBarSkin ? FSkinData->FMenuBarSkin->LeftWidth : 0);
        y = FTitleHeight + (FMenuBarHeight - h) / 2;
        break;
      default: break;
    }
    b.BoundsRect = {x, y, x + w, y + h};
  }
}

void TFormSkinner::PaintButtons(gdi::HDC dc) {
  for (auto& b : FCaptionButtons) {
    const TDataSkinSysButton& o = *b->SkinObject;
    if (!b->Visible || o.Image.Empty() || o.Visibility == 100) continue;
    if (is_icon_action(o.Action)) {
      DrawIcon(dc, b->BoundsRect);
      continue;
    }
    const int frames = std::max(o.Frame, 1);
    const int frame = frames < 4 || (FActive && b->Enabled) ? 1 : 4;
    DrawFrameStretched(dc, b->BoundsRect, o.Image, true, frames, frame);
  }
}

TNCObject* TFormSkinner::ButtonAt(gdi::POINT p) {
  for (auto& b : FCaptionButtons)
    if (b->Visible && b->SkinObject->Action >= 0 && gdi::PtInRect(&b->BoundsRect, p)) return b.get();
  return nullptr;
}

// ---- pointer messages of the frame ----
void TFormSkinner::OnNCHitTest(pc::TMessage& m) {
  m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
  if (m.Result != win::HTNOWHERE && m.Result != win::HTCAPTION) return;
  const gdi::POINT p = message_point(m.LParam);
  gdi::RECT wr{};
  win::GetWindowRect(FHandle, &wr);
  const int y = p.y - wr.top;
  if (y <= 3) return;
  m.Result = win::HTCAPTION;
  if (y > FTitleHeight && FMenuBarHeight > 0) m.Result = win::HTMENU;
}

void TFormSkinner::OnNCMouseMove(pc::TMessage& m) {
  m.Result = 0;
  if (!FActive) return;
  const gdi::POINT sp = message_point(m.LParam);
  if (TNCObject* o = ButtonAt(ScreenToWindowPoint(sp.x, sp.y))) {
    o->MouseMove();
    return;
  }
  if (FHotObject) FHotObject->MouseLeave();
  FHotObject = nullptr;
  m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
}

void TFormSkinner::OnNCLButtonDown(pc::TMessage& m) {
  HideCaptionHint(*FSkinData);
  const gdi::POINT sp = message_point(m.LParam);
  if (TNCObject* o = ButtonAt(ScreenToWindowPoint(sp.x, sp.y))) {
    if (!FActive) win::SetForegroundWindow(FHandle);
    o->MouseDown();
    m.Result = 0;
    return;
  }
  FPressedObject = nullptr;
  win::WPARAM hit = m.WParam;
  if (FShowState == 1 && FActive && hit == static_cast<win::WPARAM>(win::HTCAPTION)) hit = win::HTMENU;
  m.Result = CallOldProc(m.Msg, hit, m.LParam);
}

void TFormSkinner::OnNCLButtonUp(pc::TMessage& m) {
  HideCaptionHint(*FSkinData);
  const gdi::POINT sp = message_point(m.LParam);
  TNCObject* o = ButtonAt(ScreenToWindowPoint(sp.x, sp.y));
  if (!o) {
    m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
    return;
  }
  m.Result = 0;
  // Only a release over the button the press went to acts.
  if (o == FHotObject && o == FPressedObject) {
    o->MouseUp();
    DoButtonAction(sp.x, sp.y);
  }
}

void TFormSkinner::OnNCLButtonDblClk(pc::TMessage& m) {
  const gdi::POINT sp = message_point(m.LParam);
  if (TNCObject* o = ButtonAt(ScreenToWindowPoint(sp.x, sp.y))) {
    m.Result = 0;
    auto* b = dynamic_cast<TWinSysButton*>(o);
    if (b && is_icon_action(b->SkinObject->Action) && HasCloseItem(true)) {
      if (FTimer) FTimer->SetEnabled(false);
      PostSysCommand(win::SC_CLOSE);
    }
    return;
  }
  if (FShowState == 1 || FShowState == 2) RestoreWindow();
  else if (FCaptionCaps & kCapMax) ToggleMaximize();
  else m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
}

void TFormSkinner::OnNCRButtonDown(pc::TMessage& m) {
  HideCaptionHint(*FSkinData);
  if (m.WParam == static_cast<win::WPARAM>(win::HTCAPTION)) {
    ShowSystemPopup(message_point(m.LParam));
    m.Result = 0;
    return;
  }
  m.Result = CallOldProc(m.Msg, m.WParam, m.LParam);
}

// ---- actions ----
void TFormSkinner::PostSysCommand(win::UINT command) { win::PostMessage(FHandle, win::WM_SYSCOMMAND, command, 0); }

bool TFormSkinner::HasCloseItem(bool enabled_only) {
  if (!IsNTPlatform() || PlatformMajorVersion() <= 4) return true;
  win::MENUITEMINFO mi;
  mi.fMask = win::MIIM_STATE | win::MIIM_ID;
  if (!FSystemMenu || !win::GetMenuItemInfo(FSystemMenu, win::SC_CLOSE, win::FALSE, &mi)) return false;
  return !enabled_only || (mi.fState & win::MFS_GRAYED) == 0;
}

void TFormSkinner::DoButtonAction(int x, int y) {
  auto* b = dynamic_cast<TWinSysButton*>(FHotObject);
  if (!b) return;
  const int action = b->SkinObject->Action;
  switch (action) {
    case 0:
      if (HasCloseItem(false)) {
        if (FTimer) FTimer->SetEnabled(false);
        PostSysCommand(win::SC_CLOSE);
      }
      return;
    case 1:
    case 22:
      if (b->Enabled) ToggleMaximize();
      return;
    case 2:
    case 23:
      if (b->Enabled) MinimizeWindow();
      return;
    case 3:
    case 11:
    case 12: ShowSystemPopup({x + 1, y + 1}); return;
    case 4: PostSysCommand(win::SC_CONTEXTHELP); return;
    case 7: case 60: case 8: case 61: case 9: case 62: return;  // the buttons of a maximised MDI child
    default: win::PostMessage(FHandle, kMsgButtonAction, static_cast<win::WPARAM>(action), 0); return;
  }
}

void TFormSkinner::ToggleMaximize() {
  if (FShowState == 1) {
    RestoreWindow();
    return;
  }
  FShowState = 1;
  PostSysCommand(win::SC_MAXIMIZE);
  FHotObject = nullptr;
}

void TFormSkinner::RestoreWindow() {
  FShowState = 0;
  PostSysCommand(win::SC_RESTORE);
}

void TFormSkinner::MinimizeWindow() {
  if (FShowState == 2) {
    RestoreWindow();
    return;
  }
  FShowState = 2;
  SetSysMenuStyle(false);
  PostSysCommand(win::SC_MINIMIZE);
}

// ---- hover timer and hints ----
void TFormSkinner::OnHoverTimer() {
  if (FTracking || !FHotObject) return;
  gdi::POINT c{};
  win::GetCursorPos(&c);
  const gdi::POINT p = ScreenToWindowPoint(c.x, c.y);
  if (!gdi::PtInRect(&FHotObject->BoundsRect, p)) {
    FHotObject->MouseLeave();
    FHotObject = nullptr;
    HideCaptionHint(*FSkinData);
    return;
  }
  auto* b = dynamic_cast<TWinSysButton*>(FHotObject);
  if (!b) return;
  FSkinData->FHintTime += FTimer ? FTimer->Interval() : 250;
  const std::uint32_t pause = pc::Application().HintPause, hide = pc::Application().HintHidePause;
  if (FSkinData->FHintTime < 2 * pause) return;
  if (FSkinData->FHintTime < 2 * pause + hide) {
    const std::string hint = ButtonHint(b->SkinObject->Action);
    if (!hint.empty()) {
      gdi::RECT wr{};
      win::GetWindowRect(FHandle, &wr);
      const int x = b->BoundsRect.left + wr.left, y = c.y + 24;
      ShowCaptionHint(*FSkinData, {x, y, x, y}, hint);
    }
  } else {
    HideCaptionHint(*FSkinData);
  }
}

// ---- the skinned system menu ----
void TFormSkinner::BuildSystemPopup() {
  FSystemPopup.reset();
  if (!FSystemMenu) return;
  auto popup = std::make_unique<pc::TPopupMenu>(nullptr);
  popup->Tag = 33333;
  const int count = win::GetMenuItemCount(FSystemMenu);
  for (int i = 0; i < count; ++i) {
    char text[81] = {};
    win::MENUITEMINFO mi;
    mi.fMask = win::MIIM_STATE | win::MIIM_ID | win::MIIM_STRING | win::MIIM_FTYPE;
    mi.dwTypeData = text;
    mi.cch = 80;
    if (!win::GetMenuItemInfo(FSystemMenu, static_cast<win::UINT>(i), win::TRUE, &mi)) continue;
    auto* item = new pc::TMenuItem(popup.get());
    item->Caption = text[0] ? std::string(text) : std::string("-");
    item->Tag = static_cast<std::intptr_t>(mi.wID);
    bool enabled = (mi.fState & win::MFS_GRAYED) == 0;
    switch (mi.wID) {
      case win::SC_SIZE:
      case win::SC_MOVE: enabled = FShowState != 1; break;
      case win::SC_MINIMIZE: enabled = FShowState != 2 && (FCaptionCaps & kCapMin); break;
      case win::SC_MAXIMIZE: enabled = FShowState != 1 && (FCaptionCaps & kCapMax); break;
      case win::SC_RESTORE: enabled = FShowState != 0; break;
      default: break;
    }
    item->Enabled = enabled;
    item->Checked = (mi.fState & win::MFS_CHECKED) != 0;
    const win::HWND hwnd = FHandle;
    item->OnClick = [hwnd, item](pc::TObject*) {
      win::PostMessage(hwnd, win::WM_SYSCOMMAND, static_cast<win::WPARAM>(item->Tag), 0);
    };
    popup->Items().Add(item);
  }
  FSystemPopup = std::move(popup);
}

void TFormSkinner::ShowSystemPopup(gdi::POINT p) {
  const std::uint32_t now = win::GetTickCount();
  if (!FMenuRequested || now - FLastMenuTick > FDoubleClickTime) {
    FMenuRequested = true;
    if (TSkinManage* m = SkinManager()) m->FPopupKind = 2;
    FLastMenuTick = now;
    BuildSystemPopup();
    if (FSystemPopup) FSystemPopup->Popup(p.x, p.y);
    return;
  }
  // A second request within the double-click time: a double click on the window icon closes the
  // window, as the system menu's Close item would.
  auto* b = dynamic_cast<TWinSysButton*>(FHotObject);
  if (!b || !is_icon_action(b->SkinObject->Action) || !HasCloseItem(true)) return;
  if (FTimer) FTimer->SetEnabled(false);
  win::PostMessage(FHandle, win::WM_CLOSE, 0, 0);
}

// ---- the window icon ----
void TFormSkinner::BuildIconBitmap() {
  const int cx = win::GetSystemMetrics(win::SM_CXSMICON), cy = win::GetSystemMetrics(win::SM_CYSMICON);
  gdi::Bitmap b(cx, cy, gdi::PixelFormat::k16bit, gdi::pixel_from_colorref(kKeyColour));
  FSmallIconBitmap.Assign(std::move(b));
  FIconSize = cx;
  gdi::HICON icon = win::IsWindow(FHandle) ? WindowIcon(FHandle) : nullptr;
  if (!icon) return;
  auto* copy = static_cast<gdi::HICON>(gdi::CopyImage(icon, gdi::IMAGE_ICON, cx, cy, gdi::LR_COPYFROMRESOURCE));
  SelectedBitmap target(FSmallIconBitmap.Handle());
  gdi::DrawIconEx(target.dc(), 0, 0, copy ? copy : icon, cx, cy, 0, nullptr, gdi::DI_NORMAL);
  if (copy) gdi::DestroyIcon(copy);
}

void TFormSkinner::DrawIcon(gdi::HDC dc, const gdi::RECT& r) {
  // The application's icon: that of the main form's window, else this window's own.
  pc::TCustomForm* main = pc::Application().MainForm();
  win::HWND app = main && main->HandleAllocated() ? main->Handle() : FHandle;
  FIcon = win::IsWindow(app) ? WindowIcon(app) : nullptr;
  if (!FIcon && app != FHandle) FIcon = WindowIcon(FHandle);
  if (FIcon) {
    gdi::DrawIconEx(dc, r.left, r.top, FIcon, FIconSize, FIconSize, 0, nullptr, gdi::DI_NORMAL);
    return;
  }
  DrawTransparentBitmap(dc, r, FSmallIconBitmap, kKeyColour);
}

}  // namespace skin
