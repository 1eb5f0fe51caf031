// The dialog class "#32770" with the message box and the input box that run on it modally.
#include <algorithm>
#include <vector>

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win {
namespace controls {
namespace {

struct DialogState {
  bool ended = false;
  std::intptr_t result = 0;
  int default_id = IDOK;
  int cancel_id = 0;       // the id Esc and the close box give; 0: neither works
  UINT icon = 0;           // MB_ICON* of a message box
  RECT icon_rect{};
};

DialogState* dialog_state(HWND hwnd) { return static_cast<DialogState*>(GetProp(hwnd, "thc.dialog")); }

bool is_button(HWND h) { return GetClassName(h) == "Button"; }

void draw_icon_mark(HDC dc, const RECT& r, UINT icon) {
  if (!icon) return;
  int color = icon == MB_ICONERROR ? 0x0000C0 : icon == MB_ICONEXCLAMATION ? 0x00C0C0 : 0xC06000;
  HBRUSH b = gdi::CreateSolidBrush(static_cast<COLORREF>(color));
  HGDIOBJ ob = gdi::SelectObject(dc, b);
  HGDIOBJ op = gdi::SelectObject(dc, gdi::GetStockObject(gdi::NULL_PEN));
  gdi::Ellipse(dc, r.left, r.top, r.right, r.bottom);
  gdi::SelectObject(dc, op);
  gdi::SelectObject(dc, ob);
  gdi::DeleteObject(b);
  const char* mark = icon == MB_ICONERROR ? "X" : icon == MB_ICONQUESTION ? "?" : icon == MB_ICONEXCLAMATION ? "!" : "i";
  gdi::SetTextColor(dc, 0xFFFFFF);
  RECT t = r;
  gdi::DrawText(dc, mark, &t, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE);
}

// Moves the focus to the next (or previous) tab stop among the dialog's enabled, visible children.
void next_tab_stop(HWND dialog, bool backwards) {
  std::vector<HWND> stops;
  for (HWND h : tab_order(dialog))
    if ((GetWindowLongPtr(h, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(h) && IsWindowEnabled(h)) stops.push_back(h);
  if (stops.empty()) return;
  HWND f = GetFocus();
  while (f && GetParent(f) != dialog) f = GetParent(f);
  auto it = std::find(stops.begin(), stops.end(), f);
  std::size_t i = it == stops.end() ? 0 : static_cast<std::size_t>(it - stops.begin());
  std::size_t n = stops.size();
  i = it == stops.end() ? 0 : backwards ? (i + n - 1) % n : (i + 1) % n;
  SetFocus(stops[i]);
  if (GetClassName(stops[i]) == "Edit") SendMessage(stops[i], EM_SETSEL, 0, -1);
}

// The keyboard of a modal dialog: Tab moves the focus, Enter presses the default button (or the
// focused push button), Esc cancels. Answers true when the message was used.
bool dialog_key(HWND dialog, const MSG& m) {
  if (m.message != WM_KEYDOWN && m.message != WM_CHAR) return false;
  if (m.hwnd != dialog && !IsChild(dialog, m.hwnd)) return false;
  DialogState* st = dialog_state(dialog);
  if (!st) return false;
  LRESULT code = m.hwnd != dialog ? SendMessage(m.hwnd, WM_GETDLGCODE, m.wParam, 0) : 0;
  if (code & DLGC_WANTALLKEYS) return false;
  if (m.message == WM_CHAR) {
    // The characters of keys the dialog handles are dropped.
    return m.wParam == '\r' || m.wParam == 27 || m.wParam == '\t';
  }
  switch (m.wParam) {
    case VK_TAB:
      if (code & DLGC_WANTTAB) return false;
      next_tab_stop(dialog, GetKeyState(VK_SHIFT) < 0);
      return true;
    case VK_RETURN: {
      HWND f = GetFocus();
      int id = st->default_id;
      if (f && is_button(f) && (SendMessage(f, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) id = GetDlgCtrlID(f);
      HWND b = GetDlgItem(dialog, id);
      if (b && IsWindowEnabled(b)) SendMessage(b, BM_CLICK, 0, 0);
      else if (!b) SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
      return true;
    }
    case VK_ESCAPE:
      if (st->cancel_id) SendMessage(dialog, WM_COMMAND, MAKEWPARAM(st->cancel_id, BN_CLICKED), 0);
      return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      if (code & DLGC_WANTARROWS) return false;
      next_tab_stop(dialog, m.wParam == VK_LEFT || m.wParam == VK_UP);
      return true;
    default: return false;
  }
}

LRESULT dialog_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DialogState* st = dialog_state(hwnd);
  switch (msg) {
    case WM_NCCREATE:
      SetProp(hwnd, "thc.dialog", new DialogState);
      break;
    case WM_NCDESTROY: {
      delete st;
      RemoveProp(hwnd, "thc.dialog");
      break;
    }
    case WM_COMMAND:
      if (st && HIWORD(wp) == BN_CLICKED) {
        int id = LOWORD(wp);
        if (id == IDOK || id == IDCANCEL || id == IDABORT || id == IDRETRY || id == IDIGNORE || id == IDYES || id == IDNO)
          EndDialog(hwnd, id);
      }
      return 0;
    case DM_GETDEFID: return st ? MAKELONG(static_cast<WORD>(st->default_id), 0x534B) : 0;
    case DM_SETDEFID:
      if (st) st->default_id = static_cast<int>(wp);
      return TRUE;
    case WM_CLOSE:
      if (st && st->cancel_id) SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(st->cancel_id, BN_CLICKED), 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (st && st->icon) {
        HGDIOBJ of = gdi::SelectObject(dc, default_gui_font());
        gdi::SetBkMode(dc, gdi::TRANSPARENT);
        draw_icon_mark(dc, st->icon_rect, st->icon);
        gdi::SelectObject(dc, of);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: break;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

HWND child(HWND parent, const char* cls, std::string_view text, DWORD style, RECT r, int id) {
  std::string t(text);
  HWND h = CreateWindowEx(0, cls, t.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                          r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
  if (h) SendMessage(h, WM_SETFONT, reinterpret_cast<WPARAM>(default_gui_font()), FALSE);
  return h;
}

// Runs the dialog modally: the owner's top-level window is disabled meanwhile, the dialog is shown
// and activated, and the loop offers each message to the WH_MSGFILTER hooks and the dialog keyboard.
std::intptr_t run_modal(HWND dialog, HWND owner, HWND first_focus) {
  HWND owner_top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  bool owner_was_enabled = owner_top && IsWindowEnabled(owner_top);
  if (owner_was_enabled) EnableWindow(owner_top, FALSE);
  ShowWindow(dialog, SW_SHOW);
  if (first_focus) SetFocus(first_focus);
  MSG m;
  while (IsWindow(dialog)) {
    DialogState* st = dialog_state(dialog);
    if (!st || st->ended) break;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (CallMsgFilter(&m, MSGF_DIALOGBOX)) continue;
    if (dialog_key(dialog, m)) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  std::intptr_t result = 0;
  if (DialogState* st = IsWindow(dialog) ? dialog_state(dialog) : nullptr) result = st->ended ? st->result : 0;
  if (owner_was_enabled && IsWindow(owner_top)) EnableWindow(owner_top, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (owner_top && IsWindow(owner_top)) SetActiveWindow(owner_top);
  return result;
}

HWND make_dialog(HWND owner, std::string_view caption, int client_w, int client_h, UINT type) {
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  DWORD ex = WS_EX_DLGMODALFRAME | ((type & MB_TOPMOST) ? WS_EX_TOPMOST : 0);
  RECT r{0, 0, client_w, client_h};
  AdjustWindowRectEx(&r, style, FALSE, ex);
  int w = r.right - r.left, h = r.bottom - r.top;
  // Centred over the owner, or on the screen.
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner) GetWindowRect(GetAncestor(owner, GA_ROOT), &area);
  int x = std::max(0, (area.left + area.right - w) / 2), y = std::max(0, (area.top + area.bottom - h) / 2);
  std::string title(caption);
  return CreateWindowEx(ex, kDialogClass, title.c_str(), style, x, y, w, h, owner ? GetAncestor(owner, GA_ROOT) : nullptr,
                        nullptr, nullptr, nullptr);
}

struct ButtonLayout {
  int id;
  const char* text;
};

}  // namespace

void register_dialogs() {
  detail::register_system_class(kDialogClass, dialog_proc, CS_DBLCLKS | CS_SAVEBITS,
                                reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(gdi::COLOR_BTNFACE + 1)));
}

}  // namespace controls

using namespace controls;

BOOL EndDialog(HWND dialog, std::intptr_t result) {
  DialogState* st = IsWindow(dialog) ? dialog_state(dialog) : nullptr;
  if (!st) return FALSE;
  st->ended = true;
  st->result = result;
  // Wakes the modal loop, which checks the state after each message.
  PostMessage(dialog, WM_NULL, 0, 0);
  return TRUE;
}

int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type) {
  InitControls();
  std::vector<ButtonLayout> buttons;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {{IDOK, "确定"}, {IDCANCEL, "取消"}}; break;
    case MB_ABORTRETRYIGNORE: buttons = {{IDABORT, "中止(&A)"}, {IDRETRY, "重试(&R)"}, {IDIGNORE, "忽略(&I)"}}; break;
    case MB_YESNOCANCEL: buttons = {{IDYES, "是(&Y)"}, {IDNO, "否(&N)"}, {IDCANCEL, "取消"}}; break;
    case MB_YESNO: buttons = {{IDYES, "是(&Y)"}, {IDNO, "否(&N)"}}; break;
    case MB_RETRYCANCEL: buttons = {{IDRETRY, "重试(&R)"}, {IDCANCEL, "取消"}}; break;
    default: buttons = {{IDOK, "确定"}}; break;
  }
  HFONT font = default_gui_font();
  const int margin = 12, bw = 75, bh = 23, gap = 8, icon = (type & MB_ICONMASK) ? 32 : 0;
  // Text size: wrapped at a third of the screen width.
  HDC mdc = gdi::CreateCompatibleDC(nullptr);
  HGDIOBJ of = gdi::SelectObject(mdc, font);
  RECT tr{0, 0, std::max(200, GetSystemMetrics(SM_CXSCREEN) / 3), 0};
  gdi::DrawText(mdc, text, &tr, gdi::DT_CALCRECT | gdi::DT_WORDBREAK | gdi::DT_EXPANDTABS | gdi::DT_NOPREFIX);
  gdi::SelectObject(mdc, of);
  gdi::DeleteDC(mdc);
  int n = static_cast<int>(buttons.size());
  int buttons_w = n * bw + (n - 1) * gap;
  int text_left = margin + (icon ? icon + margin : 0);
  int cw = std::max(text_left + static_cast<int>(tr.right) + margin, buttons_w + 2 * margin);
  int body_h = std::max<int>(icon, tr.bottom);
  int ch = margin + body_h + margin + bh + margin;
  HWND dlg = make_dialog(owner, caption, cw, ch, type);
  if (!dlg) return 0;
  DialogState* st = dialog_state(dlg);
  st->icon = type & MB_ICONMASK;
  st->icon_rect = RECT{margin, margin, margin + icon, margin + icon};
  int def_index = std::min(n - 1, static_cast<int>((type & MB_DEFMASK) >> 8));
  st->default_id = buttons[static_cast<std::size_t>(def_index)].id;
  for (const auto& b : buttons)
    if (b.id == IDCANCEL) st->cancel_id = IDCANCEL;
  if (n == 1) st->cancel_id = buttons[0].id;
  int ty = margin + (body_h - static_cast<int>(tr.bottom)) / 2;
  child(dlg, "Static", text, SS_LEFT | SS_NOPREFIX, RECT{text_left, ty, text_left + tr.right, ty + tr.bottom}, kMessageTextId);
  int x = (cw - buttons_w) / 2, y = ch - margin - bh;
  HWND focus = nullptr;
  for (int i = 0; i < n; ++i) {
    const auto& b = buttons[static_cast<std::size_t>(i)];
    DWORD bs = (i == def_index ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | (i == 0 ? WS_GROUP : 0);
    HWND h = child(dlg, "Button", b.text, bs, RECT{x, y, x + bw, y + bh}, b.id);
    if (i == def_index) focus = h;
    x += bw + gap;
  }
  return static_cast<int>(run_modal(dlg, owner, focus));
}

bool InputBox(HWND owner, std::string_view caption, std::string_view prompt, std::string& value) {
  InitControls();
  HFONT font = default_gui_font();
  const int margin = 10, bw = 75, bh = 23, gap = 8;
  int th = text_height(font);
  HDC mdc = gdi::CreateCompatibleDC(nullptr);
  HGDIOBJ of = gdi::SelectObject(mdc, font);
  RECT pr{0, 0, 360, 0};
  gdi::DrawText(mdc, prompt, &pr, gdi::DT_CALCRECT | gdi::DT_WORDBREAK | gdi::DT_EXPANDTABS | gdi::DT_NOPREFIX);
  gdi::SelectObject(mdc, of);
  gdi::DeleteDC(mdc);
  int cw = std::max<int>(pr.right, 2 * bw + gap) + 2 * margin;
  int eh = th + 8;
  int ch = margin + pr.bottom + 6 + eh + margin + bh + margin;
  HWND dlg = make_dialog(owner, caption, cw, ch, 0);
  if (!dlg) return false;
  DialogState* st = dialog_state(dlg);
  st->default_id = IDOK;
  st->cancel_id = IDCANCEL;
  child(dlg, "Static", prompt, SS_LEFT | SS_NOPREFIX, RECT{margin, margin, margin + pr.right, margin + pr.bottom}, kInputPromptId);
  int ey = margin + pr.bottom + 6;
  HWND edit = CreateWindowEx(WS_EX_CLIENTEDGE, "Edit", value.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                             margin, ey, cw - 2 * margin, eh, dlg, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kInputEditId)),
                             nullptr, nullptr);
  SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessage(edit, EM_SETSEL, 0, -1);
  int y = ch - margin - bh, x = cw - margin - 2 * bw - gap;
  child(dlg, "Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, RECT{x, y, x + bw, y + bh}, IDOK);
  child(dlg, "Button", "取消", BS_PUSHBUTTON | WS_TABSTOP, RECT{x + bw + gap, y, x + 2 * bw + gap, y + bh}, IDCANCEL);
  // The typed text is read before the dialog goes away.
  std::string typed = value;
  WNDPROC sub = MakeProcInstance([&typed, edit](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) typed = GetWindowText(edit);
    return dialog_proc(h, msg, wp, lp);
  });
  SetWindowLongPtr(dlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sub));
  std::intptr_t r = run_modal(dlg, owner, edit);
  FreeProcInstance(sub);
  if (r != IDOK) return false;
  value = typed;
  return true;
}

}  // namespace platform::win
