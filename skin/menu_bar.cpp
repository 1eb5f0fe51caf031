#include "skin/menu_bar.h"

#include "core/unicode.h"
#include "skin/control_painting.h"
#include "skin/draw_primitives.h"
#include "skin/menu_items.h"
#include "skin/skin_manager.h"

namespace skin {

namespace {

// The tracking of one bar drop-down at a time in the process.
struct Tracking {
  win::HHOOK hook = nullptr;
  int index = -1;
  pc::TMenuItem* last = nullptr;  // the last highlighted item of the drop-down
  TFormSkinner* form = nullptr;
  bool first_key = false;
  bool switching = false;
  gdi::POINT last_pos{};
};
Tracking g_track;

// The item of the bar's menu that a WM_MENUSELECT names.
pc::TMenuItem* selected_item(pc::TMainMenu* menu, win::WPARAM wp, win::LPARAM lp) {
  if (!menu) return nullptr;
  const auto flags = static_cast<win::UINT>(win::HIWORD(wp));
  if (flags & win::MF_POPUP) {
    win::HMENU sub = win::GetSubMenu(reinterpret_cast<win::HMENU>(lp), win::LOWORD(wp));
    return menu->FindItem(reinterpret_cast<std::uintptr_t>(sub), pc::TMainMenu::TFindItemKind::fkHandle);
  }
  return menu->FindItem(win::LOWORD(wp), pc::TMainMenu::TFindItemKind::fkCommand);
}

win::LRESULT menu_track_hook(int code, win::WPARAM wp, win::LPARAM lp) {
  const win::LRESULT next = win::CallNextHookEx(g_track.hook, code, wp, lp);
  if (next != 0 || code != win::MSGF_MENU || !g_track.form || !g_track.form->FMenuBar) return next;
  auto* msg = reinterpret_cast<win::MSG*>(lp);
  TFormSkinner& f = *g_track.form;
  TMenuBarSkinner& bar = *f.FMenuBar;
  if (g_track.first_key) {
    g_track.first_key = false;
    win::PostMessage(msg->hwnd, win::WM_KEYDOWN, win::VK_DOWN, 0);
  }
  const int n = static_cast<int>(bar.MenuButtons.size());
  TMenuBtn* target = nullptr;
  switch (msg->message) {
    case win::WM_KEYDOWN:
      if (msg->wParam == win::VK_RETURN || msg->wParam == win::VK_ESCAPE) g_track.switching = false;
      if (msg->wParam == win::VK_LEFT && n > 0) {
        // Not from an item of a deeper submenu: Left closes that one first.
        const pc::TMenuItem* last = g_track.last;
        const bool deeper = last && last->Handle() != f.FTrackedMenu &&
                            !(last->Parent() && last->Parent()->Handle() == f.FTrackedMenu);
        if (!deeper) target = bar.MenuButtons[static_cast<std::size_t>((g_track.index + n - 1) % n)].get();
      } else if (msg->wParam == win::VK_RIGHT && n > 0) {
        if (!(g_track.last && g_track.last->Count() > 0))
          target = bar.MenuButtons[static_cast<std::size_t>((g_track.index + 1) % n)].get();
      }
      break;
    case win::WM_SYSKEYDOWN:
      if (msg->wParam == win::VK_MENU) {
        f.FTracking = false;
        return next;
      }
      break;
    case win::WM_MENUSELECT:
      if (win::HIWORD(msg->wParam) == 0xFFFF && msg->lParam == 0) {
        if (!g_track.switching) f.FTracking = false;
        return next;
      }
      g_track.switching = false;
      g_track.last = selected_item(bar.Menu, msg->wParam, msg->lParam);
      break;
    case win::WM_MOUSEMOVE:
      if (msg->pt.x != g_track.last_pos.x || msg->pt.y != g_track.last_pos.y) {
        g_track.last_pos = msg->pt;
        target = bar.ItemAt(f.ScreenToWindowPoint(msg->pt.x, msg->pt.y));
      }
      break;
    default: break;
  }
  if (target && target->Index != g_track.index) {
    g_track.switching = true;
    f.ClickItem(target);
  }
  return next;
}

}  // namespace

bool IsAccel(win::UINT key, std::u16string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return core::ascii_lower(caption[i + 1]) == core::ascii_lower(static_cast<char16_t>(key));
  }
  return false;
}

// ---- the bar ----

TMenuBarSkinner::TMenuBarSkinner(TFormSkinner* form) : SkinData(form->FSkinData), Form(form) {}

gdi::RECT TMenuBarSkinner::Strip() const {
  gdi::RECT wr{};
  win::GetWindowRect(Form->FHandle, &wr);
  return {Form->FBorderLeft, Form->FTitleHeight, (wr.right - wr.left) - Form->FBorderRight,
          Form->FTitleHeight + Form->FMenuBarHeight};
}

void TMenuBarSkinner::FillFromHandle(bool consult_items_for_empty_text_only) {
  MenuButtons.clear();
  ItemCount = win::GetMenuItemCount(MenuHandle);
  if (ItemCount <= 0) return;
  for (int i = 0; i < ItemCount; ++i) {
    win::MENUITEMINFO info;
    char text[81] = {};
    info.fMask = win::MIIM_STATE | win::MIIM_ID | win::MIIM_SUBMENU | win::MIIM_TYPE;
    info.dwTypeData = text;
    info.cch = 80;
    win::GetMenuItemInfo(MenuHandle, static_cast<win::UINT>(i), win::TRUE, &info);
    auto b = std::make_unique<TMenuBtn>(Form, this);
    b->Index = i;
    b->SubMenu = info.hSubMenu;
    b->ItemEnabled = (info.fState & 3) == 0;
    b->Visible = true;
    b->Command = info.wID;
    b->Caption = AnsiToWide(text);
    pc::TMenuItem* item = Menu ? Menu->FindItem(info.wID, pc::TMainMenu::TFindItemKind::fkCommand) : nullptr;
    if (item && (!consult_items_for_empty_text_only || text[0] == 0)) {
      b->Caption = AnsiToWide(item->Caption);
      b->ItemEnabled = item->Enabled;
      b->MenuItem = item;
      b->Command = static_cast<win::UINT>(item->Command());
      b->SubMenu = item->Count() > 0 ? item->Handle() : nullptr;
    }
    MenuButtons.push_back(std::move(b));
  }
}

void TMenuBarSkinner::BuildItems() {
  const win::HMENU current = win::GetMenu(Form->FHandle);
  if (!current) return;
  MenuHandle = current;
  if (auto* form = dynamic_cast<pc::TCustomForm*>(Form->FForm)) {
    Menu = form->Menu();
    if (!Menu) return;
  }
  FillFromHandle(false);
  win::SetMenu(Form->FHandle, nullptr);
}

void TMenuBarSkinner::RebuildFromHandle() {
  const win::HMENU current = win::GetMenu(Form->FHandle);
  if (!current) return;
  MenuHandle = current;
  FillFromHandle(true);
  win::SetMenu(Form->FHandle, nullptr);
  LayoutItems();
}

int TMenuBarSkinner::StartOffset(int bar_width) const {
  const TDataSkinObject* o = SkinData->FMenuBarSkin.get();
  if (!o) return 6;
  const int s = (Form->FRightToLeft ? o->RightWidth + 8 : o->LeftWidth + 4);
  return bar_width < s ? 12 : s;
}

int TMenuBarSkinner::ItemWidth(gdi::HDC dc, const TMenuBtn& b) const {
  gdi::RECT r{0, 0, 0, 0};
  DrawTextWide(dc, b.Caption, &r, gdi::DT_CALCRECT | gdi::DT_NOCLIP | gdi::DT_SINGLELINE);
  return r.width() > 0 ? r.width() + 10 : 0;
}

void TMenuBarSkinner::LayoutItems() {
  const gdi::RECT bar = Strip();
  if (bar.width() <= 0 || bar.height() <= 0) return;
  gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
  gdi::SelectObject(dc, ScreenMenuFont());
  int s = StartOffset(bar.width());
  if (Form->FRightToLeft) s = bar.width() - s;
  for (auto& b : MenuButtons) {
    if (!b->Visible) {
      b->BoundsRect = {};
      continue;
    }
    const int w = ItemWidth(dc, *b);
    if (Form->FRightToLeft) {
      b->BoundsRect = {bar.left + s - w, bar.top, bar.left + s, bar.bottom - 1};
      s -= w;
    } else {
      b->BoundsRect = {bar.left + s, bar.top, bar.left + s + w, bar.bottom - 1};
      s += w;
    }
  }
  gdi::DeleteDC(dc);
}

void TMenuBarSkinner::PaintBar(gdi::HDC dc, const gdi::RECT& r) {
  const int w = r.width(), h = r.height();
  if (w <= 0 || h <= 0) return;
  SkinImage scratch(gdi::Bitmap(w, h, gdi::PixelFormat::k24bit));
  SelectedBitmap b(scratch.Handle());
  const gdi::RECT local{0, 0, w, h};
  if (const TDataSkinObject* o = SkinData->FMenuBarSkin.get(); o && !o->Image.Empty()) {
    const int frame = Form->FActive ? 1 : 2;
    if (o->Tile == 1)
      DrawNineGrid(b.dc(), local, o->Image, true, false, false, 2, frame, {o->LeftWidth, 0, o->RightWidth, 0});
    else
      DrawThreePartStrip(b.dc(), local, o->Image, true, false, 2, frame, {o->LeftWidth, 0, o->RightWidth, 0});
  } else {
    FillRectColor(b.dc(), local, gdi::resolve_color(SkinData->FColours[13]));
  }
  BarRect = r;
  Background = scratch.Clone();
  gdi::SelectObject(b.dc(), ScreenMenuFont());
  gdi::SetBkMode(b.dc(), gdi::TRANSPARENT);
  Painting = true;
  int s = StartOffset(w);
  if (Form->FRightToLeft) s = w - s;
  for (auto& item : MenuButtons) {
    if (!item->Visible) {
      item->BoundsRect = {};
      continue;
    }
    const int iw = ItemWidth(b.dc(), *item);
    gdi::RECT ir = Form->FRightToLeft ? gdi::RECT{s - iw, 0, s, h - 1} : gdi::RECT{s, 0, s + iw, h - 1};
    s += Form->FRightToLeft ? -iw : iw;
    gdi::SetTextColor(b.dc(), gdi::resolve_color(SkinData->FColours[item->ItemEnabled ? 14 : 7]));
    DrawCentredText(b.dc(), ir, item->Caption, 2, true);
    gdi::OffsetRect(&ir, r.left, r.top);
    item->BoundsRect = ir;
  }
  Painting = false;
  gdi::BitBlt(dc, r.left, r.top, w, h, b.dc(), 0, 0, gdi::SRCCOPY);
}

TMenuBtn* TMenuBarSkinner::ItemAt(gdi::POINT p) const {
  for (const auto& b : MenuButtons)
    if (!b->Caption.empty() && gdi::PtInRect(&b->BoundsRect, p)) return b.get();
  return nullptr;
}

void TMenuBtn::Paint() {
  if (Bar->Background.Empty()) return;
  gdi::HDC dc = win::GetWindowDC(Form->FHandle);
  const gdi::RECT& bar = Bar->BarRect;
  {
    SelectedBitmap bg(Bar->Background.Handle());
    gdi::BitBlt(dc, BoundsRect.left, bar.top, BoundsRect.right - BoundsRect.left, bar.bottom - bar.top, bg.dc(),
                BoundsRect.left - bar.left, 0, gdi::SRCCOPY);
  }
  if (State == 2 || State == 3) {
    gdi::HBRUSH frame = gdi::CreateSolidBrush(gdi::resolve_color(Form->FSkinData->FColours[5]));
    gdi::FrameRect(dc, &BoundsRect, frame);
    gdi::DeleteObject(frame);
  }
  gdi::HGDIOBJ old = gdi::SelectObject(dc, ScreenMenuFont());
  gdi::SetTextColor(dc, gdi::resolve_color(Form->FSkinData->FColours[ItemEnabled ? 14 : 7]));
  DrawCentredText(dc, BoundsRect, Caption, 2, true);
  gdi::SelectObject(dc, old);
  win::ReleaseDC(Form->FHandle, dc);
}

// ---- the form skinner's side ----

void TFormSkinner::ClickItem(TMenuBtn* item) {
  gdi::RECT wr{};
  win::GetWindowRect(FHandle, &wr);
  win::PostMessage(FHandle, win::WM_NCLBUTTONDOWN, 1,
                   win::MAKELPARAM(wr.left + item->BoundsRect.left + 1, wr.top + item->BoundsRect.top + 1));
}

TMenuBtn* TFormSkinner::FindAccelItem(win::UINT key) {
  if (!FMenuBar) return nullptr;
  for (auto& b : FMenuBar->MenuButtons)
    if (b->ItemEnabled && b->Visible && IsAccel(key, b->Caption)) return b.get();
  return nullptr;
}

void TFormSkinner::OpenItemMenu(TMenuBtn* item) {
  if (!item) return;
  win::PostMessage(FHandle, win::WM_COMMAND, item->Command, 0);
  if (!item->SubMenu) return;
  g_track.index = item->Index;
  g_track.form = this;
  win::GetWindowRect(FHandle, &FWindowRect);
  // Every item of the drop-down and its submenus is drawn by the skin.
  std::function<void(win::HMENU)> owner_draw = [&](win::HMENU menu) {
    for (int i = 0; i < win::GetMenuItemCount(menu); ++i) {
      win::MENUITEMINFO info;
      info.fMask = win::MIIM_FTYPE | win::MIIM_SUBMENU;
      win::GetMenuItemInfo(menu, static_cast<win::UINT>(i), win::TRUE, &info);
      info.fMask = win::MIIM_FTYPE;
      info.fType |= win::MFT_OWNERDRAW;
      win::SetMenuItemInfo(menu, static_cast<win::UINT>(i), win::TRUE, &info);
      if (info.hSubMenu) owner_draw(info.hSubMenu);
    }
  };
  owner_draw(item->SubMenu);
  FTracking = true;
  win::UINT flags = win::TPM_NONOTIFY | win::TPM_RIGHTBUTTON;
  int x = FWindowRect.left + item->BoundsRect.left;
  const int y = FWindowRect.top + item->BoundsRect.bottom;
  if (FRightToLeft) {
    x = FWindowRect.left + item->BoundsRect.right;
    flags |= win::TPM_RIGHTALIGN;
  }
  if (TSkinManage* m = SkinManager()) m->FPopupKind = 1;
  FTrackedMenu = item->SubMenu;
  g_track.switching = false;
  g_track.first_key = true;
  win::GetCursorPos(&g_track.last_pos);
  if (!g_track.hook) g_track.hook = win::SetWindowsHookEx(win::WH_MSGFILTER, menu_track_hook, nullptr, win::GetCurrentThreadId());
  if (item->ItemEnabled) win::TrackPopupMenu(item->SubMenu, flags, x, y, 0, FHandle, nullptr);
  win::UnhookWindowsHookEx(g_track.hook);
  g_track.hook = nullptr;
  g_track.last = nullptr;
  g_track.index = -1;
  g_track.first_key = false;
  g_track.form = nullptr;
  FTracking = false;
}

void TFormSkinner::NoteMenuItemSelected(pc::TMenuItem* item) {
  if (g_track.form == this && item) g_track.last = item;
}

void TFormSkinner::OnMenuPoint(pc::TMessage& m) {
  const gdi::POINT p{win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)};
  if (auto* item = dynamic_cast<TMenuBtn*>(ButtonAt(p))) OpenItemMenu(item);
  m.Result = 0;
}

void TFormSkinner::OnDialogKey(pc::TMessage& m) {
  FOldWindowProc(m);
  if (m.Result != 0) return;
  const bool alt_only = win::GetKeyState(win::VK_MENU) < 0 && win::GetKeyState(win::VK_SHIFT) >= 0 &&
                        win::GetKeyState(win::VK_CONTROL) >= 0;
  if (TMenuBtn* item = FindAccelItem(static_cast<win::UINT>(m.WParam)); item && alt_only) {
    ClickItem(item);
    m.Result = 1;
    return;
  }
  auto* form = AsForm();
  pc::TCustomForm* main = pc::Application().MainForm();
  if (form && main && form != main && !form->Modal()) main->Perform(m.Msg, m.WParam, m.LParam);
  m.Result = 0;
}

bool TFormSkinner::OnKeyMenu(pc::TMessage& m) {
  if (FTracking || m.LParam == ' ' || m.LParam == '-' || win::GetCapture()) return false;
  TMenuBtn* item = nullptr;
  if (m.LParam == 0) item = FMenuBar && !FMenuBar->MenuButtons.empty() ? FMenuBar->MenuButtons.front().get() : nullptr;
  else item = FindAccelItem(static_cast<win::UINT>(m.LParam));
  if (m.LParam != 0 && !item) return false;
  OpenItemMenu(item);
  m.Result = 1;
  return true;
}

}  // namespace skin
