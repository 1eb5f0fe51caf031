// Menus: menu objects, the menu bar of a top-level window, the system menu, and the modal menu
// loop whose popups are real windows of class "#32768".
#include <algorithm>
#include <map>
#include <memory>

#include "platform/win/controls_internal.h"
#include "platform/win/window_internal.h"

namespace platform::win {
namespace controls {
namespace {

struct MenuItem {
  UINT type = MFT_STRING;
  UINT state = 0;
  UINT id = 0;
  HMENU sub = nullptr;
  ULONG_PTR data = 0;
  std::string text;
  HBITMAP bitmap = nullptr;
  // Layout inside the popup (client coordinates) or the bar (window coordinates).
  RECT rect{};
};

struct Menu {
  bool popup = true;
  bool system = false;
  std::vector<MenuItem> items;
};

struct MenuTable {
  std::map<std::uintptr_t, std::unique_ptr<Menu>> menus;
  std::uintptr_t next = 0x20010;
  std::map<HWND, HMENU> bars;
  std::map<HWND, HMENU> system_menus;
};

MenuTable& table() {
  static MenuTable t;
  return t;
}

Menu* menu_of(HMENU h) {
  auto it = table().menus.find(reinterpret_cast<std::uintptr_t>(h));
  return it == table().menus.end() ? nullptr : it->second.get();
}

HMENU new_menu(bool popup) {
  auto& t = table();
  auto m = std::make_unique<Menu>();
  m->popup = popup;
  auto h = t.next++;
  t.menus[h] = std::move(m);
  return reinterpret_cast<HMENU>(h);
}

// The item `item` by command id (searching submenus) or by position; `owner` gets its menu.
MenuItem* find_item(HMENU menu, UINT item, bool by_position, HMENU* owner = nullptr, int depth = 0) {
  Menu* m = menu_of(menu);
  if (!m || depth > 16) return nullptr;
  if (by_position) {
    if (item >= m->items.size()) return nullptr;
    if (owner) *owner = menu;
    return &m->items[item];
  }
  for (auto& it : m->items) {
    if (it.sub) {
      if (MenuItem* found = find_item(it.sub, item, false, owner, depth + 1)) return found;
      if (it.id == item && it.id != 0) {
        if (owner) *owner = menu;
        return &it;
      }
      continue;
    }
    if (it.id == item && !(it.type & MFT_SEPARATOR)) {
      if (owner) *owner = menu;
      return &it;
    }
  }
  return nullptr;
}

bool selectable(const MenuItem& it) { return !(it.type & MFT_SEPARATOR); }
bool enabled(const MenuItem& it) { return !(it.state & MFS_GRAYED); }

void set_from_flags(MenuItem& it, UINT flags, std::uintptr_t id_or_popup, const char* text) {
  it.type = flags & (MF_SEPARATOR | MF_OWNERDRAW | MF_BITMAP | MF_MENUBREAK | MF_MENUBARBREAK | MFT_RADIOCHECK);
  it.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT | MF_HILITE);
  if (flags & MF_POPUP) {
    it.sub = reinterpret_cast<HMENU>(id_or_popup);
    it.id = static_cast<UINT>(id_or_popup);
  } else {
    it.sub = nullptr;
    it.id = static_cast<UINT>(id_or_popup);
  }
  if (flags & MF_OWNERDRAW) it.data = reinterpret_cast<ULONG_PTR>(text);
  else if (flags & MF_BITMAP) it.bitmap = reinterpret_cast<HBITMAP>(const_cast<char*>(text));
  else if (!(flags & MF_SEPARATOR)) it.text = text ? text : "";
}

HMENU default_system_menu(HWND hwnd) {
  HMENU m = new_menu(true);
  menu_of(m)->system = true;
  auto style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  bool sizable = style & WS_THICKFRAME;
  AppendMenu(m, IsZoomed(hwnd) || IsIconic(hwnd) ? MF_STRING : MF_GRAYED, SC_RESTORE, "还原(&R)");
  AppendMenu(m, IsZoomed(hwnd) ? MF_GRAYED : MF_STRING, SC_MOVE, "移动(&M)");
  AppendMenu(m, sizable && !IsZoomed(hwnd) ? MF_STRING : MF_GRAYED, SC_SIZE, "大小(&S)");
  AppendMenu(m, (style & WS_MINIMIZEBOX) && !IsIconic(hwnd) ? MF_STRING : MF_GRAYED, SC_MINIMIZE, "最小化(&N)");
  AppendMenu(m, (style & WS_MAXIMIZEBOX) && !IsZoomed(hwnd) ? MF_STRING : MF_GRAYED, SC_MAXIMIZE, "最大化(&X)");
  AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  AppendMenu(m, MF_STRING | MF_DEFAULT, SC_CLOSE, "关闭(&C)\tAlt+F4");
  return m;
}

// ---- layout and painting ----
constexpr int kPad = 4, kCheckWidth = 16, kArrowWidth = 12, kSeparatorHeight = 7;

HFONT menu_font() {
  static std::map<std::pair<std::string, int>, HFONT> cache;
  NONCLIENTMETRICS m;
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0);
  auto key = std::make_pair(std::string(m.lfMenuFont.lfFaceName), static_cast<int>(m.lfMenuFont.lfHeight));
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  HFONT f = gdi::CreateFontIndirect(&m.lfMenuFont);
  cache.emplace(key, f);
  return f;
}

int item_height() { return std::max(text_height(menu_font()) + 6, GetSystemMetrics(SM_CYMENU) - 1); }

// Sizes the items of a popup (owner-drawn ones through WM_MEASUREITEM to `owner`); answers the
// popup's client size.
SIZE layout_popup(HMENU menu, HWND owner) {
  Menu* m = menu_of(menu);
  int width = 0, y = 0, shortcut = 0;
  for (auto& it : m->items) {
    int h = item_height(), w = 0;
    // An owner-drawn item (a separator too) is measured by its owner.
    if ((it.type & MFT_SEPARATOR) && !(it.type & MFT_OWNERDRAW)) {
      h = kSeparatorHeight;
    } else if (it.type & MFT_OWNERDRAW) {
      MEASUREITEMSTRUCT mis;
      mis.CtlType = ODT_MENU;
      mis.itemID = it.id;
      mis.itemData = it.data;
      mis.itemHeight = static_cast<UINT>(h);
      if (owner) SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      h = static_cast<int>(mis.itemHeight);
      w = static_cast<int>(mis.itemWidth);
    } else {
      std::string_view t = it.text;
      std::size_t tab = t.find('\t');
      w = text_width(menu_font(), t.substr(0, tab));
      if (tab != std::string_view::npos) shortcut = std::max(shortcut, text_width(menu_font(), t.substr(tab + 1)) + 16);
      w += kCheckWidth + kArrowWidth + 2 * kPad;
    }
    it.rect = RECT{0, y, 0, y + h};
    width = std::max(width, w);
    y += h;
  }
  width += shortcut;
  for (auto& it : m->items) it.rect.right = width;
  return SIZE{width, y};
}

void draw_item(HDC dc, HMENU menu, const MenuItem& it, bool hot, HWND owner, bool bar) {
  RECT r = it.rect;
  if (it.type & MFT_OWNERDRAW) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_MENU;
    dis.itemID = it.id;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (hot ? ODS_SELECTED : 0) | ((it.state & MFS_GRAYED) ? ODS_GRAYED | ODS_DISABLED : 0) |
                    ((it.state & MFS_CHECKED) ? ODS_CHECKED : 0) | ((it.state & MFS_DEFAULT) ? ODS_DEFAULT : 0);
    dis.hwndItem = reinterpret_cast<HWND>(menu);
    dis.hDC = dc;
    dis.rcItem = r;
    dis.itemData = it.data;
    if (owner) SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    return;
  }
  if (it.type & MFT_SEPARATOR) {
    RECT line{r.left + 2, (r.top + r.bottom) / 2 - 1, r.right - 2, (r.top + r.bottom) / 2 + 1};
    gdi::DrawEdge(dc, &line, gdi::EDGE_ETCHED, gdi::BF_TOP);
    return;
  }
  fill(dc, r, hot ? gdi::COLOR_HIGHLIGHT : gdi::COLOR_MENU);
  int color = !enabled(it) ? gdi::COLOR_GRAYTEXT : hot ? gdi::COLOR_HIGHLIGHTTEXT : gdi::COLOR_MENUTEXT;
  std::string_view t = it.text;
  std::size_t tab = t.find('\t');
  RECT tr = r;
  if (bar) {
    draw_text(dc, t.substr(0, tab), tr, gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, color);
    return;
  }
  tr.left += kCheckWidth + kPad;
  tr.right -= kArrowWidth + kPad;
  draw_text(dc, t.substr(0, tab), tr, gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE, color);
  if (tab != std::string_view::npos)
    draw_text(dc, t.substr(tab + 1), tr, gdi::DT_RIGHT | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX, color);
  if (it.state & MFS_CHECKED) {
    RECT mark{r.left + 5, (r.top + r.bottom) / 2 - 3, r.left + 11, (r.top + r.bottom) / 2 + 3};
    fill(dc, mark, color);
  }
  if (it.sub) {
    int cx = r.right - kArrowWidth / 2 - 2, cy = (r.top + r.bottom) / 2;
    POINT tri[3] = {{cx - 2, cy - 4}, {cx - 2, cy + 4}, {cx + 2, cy}};
    HGDIOBJ ob = gdi::SelectObject(dc, gdi::GetSysColorBrush(color));
    HGDIOBJ op = gdi::SelectObject(dc, gdi::GetStockObject(gdi::NULL_PEN));
    gdi::Polygon(dc, tri, 3);
    gdi::SelectObject(dc, op);
    gdi::SelectObject(dc, ob);
  }
}

// ---- the modal loop ----
struct OpenPopup {
  HMENU menu = nullptr;
  HWND window = nullptr;
  int hot = -1;
};

struct Tracker {
  HWND owner = nullptr;
  UINT flags = 0;
  bool system = false;
  HMENU bar = nullptr;     // set while tracking the menu bar
  HWND bar_window = nullptr;
  int bar_hot = -1;
  std::vector<OpenPopup> stack;
  bool done = false;
  UINT chosen = 0;
  bool any_chosen = false;
  bool seen_down = false;
};

Tracker* g_tracker = nullptr;

OpenPopup* popup_of_window(HWND w) {
  if (!g_tracker) return nullptr;
  for (auto& p : g_tracker->stack)
    if (p.window == w) return &p;
  return nullptr;
}

LRESULT menu_window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      OpenPopup* p = popup_of_window(hwnd);
      if (p && menu_of(p->menu)) {
        RECT r;
        GetClientRect(hwnd, &r);
        fill(dc, r, gdi::COLOR_MENU);
        HGDIOBJ of = gdi::SelectObject(dc, menu_font());
        gdi::SetBkMode(dc, gdi::TRANSPARENT);
        Menu* m = menu_of(p->menu);
        for (std::size_t i = 0; i < m->items.size(); ++i)
          draw_item(dc, p->menu, m->items[i], static_cast<int>(i) == p->hot, g_tracker->owner, false);
        gdi::SelectObject(dc, of);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default: break;
  }
  return DefWindowProc(hwnd, msg, wp, lp);
}

void notify_select(Tracker& t, HMENU menu, int index) {
  if (t.flags & TPM_NONOTIFY) return;
  Menu* m = menu_of(menu);
  if (!m || index < 0 || index >= static_cast<int>(m->items.size())) {
    SendMessage(t.owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    return;
  }
  const MenuItem& it = m->items[static_cast<std::size_t>(index)];
  UINT f = (it.state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)) | MF_HILITE | (it.sub ? MF_POPUP : 0) |
           (it.type & (MF_OWNERDRAW | MF_SEPARATOR)) | (t.system ? MF_SYSMENU : 0);
  SendMessage(t.owner, WM_MENUSELECT, MAKEWPARAM(static_cast<int>(it.sub ? static_cast<UINT>(index) : it.id), static_cast<int>(f)),
              reinterpret_cast<LPARAM>(menu));
}

void open_popup(Tracker& t, HMENU menu, POINT at, int align_right_edge = -1) {
  if (!menu_of(menu)) return;
  if (!(t.flags & TPM_NONOTIFY))
    SendMessage(t.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                MAKELPARAM(0, t.system && t.stack.empty() ? 1 : 0));
  if (!menu_of(menu) || t.done) return;
  SIZE size = layout_popup(menu, t.owner);
  int w = size.cx + 2 * GetSystemMetrics(SM_CXBORDER) + 2, h = size.cy + 2 * GetSystemMetrics(SM_CYBORDER) + 2;
  int x = at.x, y = at.y;
  if (t.stack.empty()) {
    if (t.flags & TPM_RIGHTALIGN) x -= w;
    else if (t.flags & TPM_CENTERALIGN) x -= w / 2;
    if (t.flags & TPM_BOTTOMALIGN) y -= h;
    else if (t.flags & TPM_VCENTERALIGN) y -= h / 2;
  }
  // Kept on the screen: a popup that would leave it opens on the other side.
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (x + w > sw) x = align_right_edge >= 0 ? align_right_edge - w : sw - w;
  if (y + h > sh) y = std::max(0, sh - h);
  x = std::max(0, x);
  HWND win = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kMenuClass, "", WS_POPUP | WS_BORDER, x, y, w, h,
                            t.owner, nullptr, nullptr, nullptr);
  if (!win) return;
  t.stack.push_back({menu, win, -1});
  SetWindowPos(win, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(win);
}

void close_from(Tracker& t, std::size_t level) {
  while (t.stack.size() > level) {
    OpenPopup p = t.stack.back();
    t.stack.pop_back();
    if (IsWindow(p.window)) DestroyWindow(p.window);
    if (!(t.flags & TPM_NONOTIFY)) SendMessage(t.owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(p.menu), 0);
  }
}

void set_hot(Tracker& t, std::size_t level, int index) {
  OpenPopup& p = t.stack[level];
  if (p.hot == index) return;
  p.hot = index;
  InvalidateRect(p.window, nullptr, TRUE);
  notify_select(t, p.menu, index);
}

// Opens the submenu of the hot item at `level` (closing deeper levels first).
void open_sub(Tracker& t, std::size_t level) {
  close_from(t, level + 1);
  OpenPopup& p = t.stack[level];
  Menu* m = menu_of(p.menu);
  if (!m || p.hot < 0) return;
  const MenuItem& it = m->items[static_cast<std::size_t>(p.hot)];
  if (!it.sub || !enabled(it)) return;
  RECT wr;
  GetWindowRect(p.window, &wr);
  POINT at{wr.right - 3, wr.top + it.rect.top};
  HWND win = p.window;
  open_popup(t, it.sub, at, wr.left + 3);
  (void)win;
}

void choose(Tracker& t, const MenuItem& it) {
  if (!enabled(it) || it.sub || (it.type & MFT_SEPARATOR)) return;
  t.chosen = it.id;
  t.any_chosen = true;
  t.done = true;
}

// The popup level and item under a screen point; false when the point is over none.
bool hit(Tracker& t, POINT screen, std::size_t* level, int* index) {
  for (std::size_t l = t.stack.size(); l-- > 0;) {
    RECT wr;
    GetWindowRect(t.stack[l].window, &wr);
    if (screen.x < wr.left || screen.x >= wr.right || screen.y < wr.top || screen.y >= wr.bottom) continue;
    POINT c = screen;
    ScreenToClient(t.stack[l].window, &c);
    *level = l;
    *index = -1;
    Menu* m = menu_of(t.stack[l].menu);
    for (std::size_t i = 0; m && i < m->items.size(); ++i) {
      const RECT& r = m->items[i].rect;
      if (c.y >= r.top && c.y < r.bottom && selectable(m->items[i])) *index = static_cast<int>(i);
    }
    return true;
  }
  return false;
}

int bar_item_at(Tracker& t, POINT screen) {
  if (!t.bar) return -1;
  RECT wr;
  GetWindowRect(t.bar_window, &wr);
  Menu* m = menu_of(t.bar);
  for (std::size_t i = 0; m && i < m->items.size(); ++i) {
    RECT r = m->items[i].rect;
    gdi::OffsetRect(&r, wr.left, wr.top);
    if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom) return static_cast<int>(i);
  }
  return -1;
}

void open_bar_item(Tracker& t, int index) {
  close_from(t, 0);
  t.bar_hot = index;
  RedrawWindow(t.bar_window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  Menu* m = menu_of(t.bar);
  if (!m || index < 0 || index >= static_cast<int>(m->items.size())) return;
  notify_select(t, t.bar, index);
  const MenuItem& it = m->items[static_cast<std::size_t>(index)];
  if (!it.sub || !enabled(it)) return;
  RECT wr;
  GetWindowRect(t.bar_window, &wr);
  open_popup(t, it.sub, POINT{wr.left + it.rect.left, wr.top + it.rect.bottom});
}

void key(Tracker& t, UINT vk) {
  if (t.stack.empty()) {
    if (vk == VK_ESCAPE) t.done = true;
    return;
  }
  std::size_t level = t.stack.size() - 1;
  OpenPopup& p = t.stack[level];
  Menu* m = menu_of(p.menu);
  int n = m ? static_cast<int>(m->items.size()) : 0;
  auto step = [&](int dir) {
    if (n == 0) return;
    int i = p.hot;
    for (int k = 0; k < n; ++k) {
      i = i < 0 ? (dir > 0 ? 0 : n - 1) : (i + dir + n) % n;
      if (selectable(m->items[static_cast<std::size_t>(i)])) break;
    }
    set_hot(t, level, i);
  };
  switch (vk) {
    case VK_DOWN: step(1); break;
    case VK_UP: step(-1); break;
    case VK_RIGHT:
      if (p.hot >= 0 && m->items[static_cast<std::size_t>(p.hot)].sub) {
        open_sub(t, level);
        if (t.stack.size() > level + 1) {
          OpenPopup& child = t.stack.back();
          Menu* cm = menu_of(child.menu);
          for (std::size_t i = 0; cm && i < cm->items.size(); ++i)
            if (selectable(cm->items[i])) {
              set_hot(t, t.stack.size() - 1, static_cast<int>(i));
              break;
            }
        }
      } else if (t.bar) {
        int count = GetMenuItemCount(t.bar);
        if (count > 0) open_bar_item(t, (t.bar_hot + 1) % count);
      }
      break;
    case VK_LEFT:
      if (level > 0) close_from(t, level);
      else if (t.bar) {
        int count = GetMenuItemCount(t.bar);
        if (count > 0) open_bar_item(t, (t.bar_hot + count - 1) % count);
      }
      break;
    case VK_RETURN:
      if (p.hot >= 0) {
        const MenuItem& it = m->items[static_cast<std::size_t>(p.hot)];
        if (it.sub) key(t, VK_RIGHT);
        else choose(t, it);
      }
      break;
    case VK_ESCAPE:
      if (level > 0 || t.bar) close_from(t, level);
      if (level == 0) t.done = true;
      break;
    default: break;
  }
}

// A typed character picks the item whose '&' mnemonic it is.
void mnemonic(Tracker& t, char32_t ch) {
  if (t.stack.empty()) return;
  std::size_t level = t.stack.size() - 1;
  Menu* m = menu_of(t.stack[level].menu);
  if (!m) return;
  char32_t want = (ch >= U'a' && ch <= U'z') ? ch - 32 : ch;
  for (std::size_t i = 0; i < m->items.size(); ++i) {
    const std::string& s = m->items[i].text;
    std::size_t amp = s.find('&');
    while (amp != std::string::npos && amp + 1 < s.size() && s[amp + 1] == '&') amp = s.find('&', amp + 2);
    if (amp == std::string::npos || amp + 1 >= s.size()) continue;
    char32_t c = static_cast<unsigned char>(s[amp + 1]);
    if (c >= U'a' && c <= U'z') c -= 32;
    if (c == want) {
      set_hot(t, level, static_cast<int>(i));
      key(t, VK_RETURN);
      return;
    }
  }
}

// Makes `t` the running menu loop for the popups' painting, for its lifetime.
struct TrackerScope {
  explicit TrackerScope(Tracker& t) : outer(g_tracker) { g_tracker = &t; }
  ~TrackerScope() { g_tracker = outer; }
  Tracker* outer;
};

void run_loop(Tracker& t) {
  HWND capture_window = t.stack.empty() ? t.bar_window : t.stack.front().window;
  if (capture_window) SetCapture(capture_window);
  MSG m;
  while (!t.done) {
    if (t.stack.empty() && !t.bar) break;
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (CallMsgFilter(&m, MSGF_MENU)) continue;
    switch (m.message) {
      case WM_MOUSEMOVE:
      case WM_NCMOUSEMOVE: {
        std::size_t level;
        int index;
        if (hit(t, m.pt, &level, &index)) {
          if (level + 1 < t.stack.size() && t.stack[level].hot == index) break;
          close_from(t, level + 1);
          set_hot(t, level, index);
          if (index >= 0) open_sub(t, level);
        } else if (t.bar) {
          int b = bar_item_at(t, m.pt);
          if (b >= 0 && b != t.bar_hot) open_bar_item(t, b);
        }
        break;
      }
      case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN:
      case WM_LBUTTONDBLCLK: case WM_NCLBUTTONDBLCLK: {
        t.seen_down = true;
        std::size_t level;
        int index;
        if (!hit(t, m.pt, &level, &index)) {
          int b = bar_item_at(t, m.pt);
          if (b >= 0 && b == t.bar_hot) t.done = true;  // a second press on the open title closes
          else if (b >= 0) open_bar_item(t, b);
          else {
            // A press away from the menu closes it and still reaches its window afterwards.
            t.done = true;
            if (m.hwnd && !popup_of_window(m.hwnd)) PostMessage(m.hwnd, m.message, m.wParam, m.lParam);
          }
        }
        break;
      }
      case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_NCLBUTTONUP: case WM_NCRBUTTONUP: {
        if (m.message != WM_LBUTTONUP && m.message != WM_NCLBUTTONUP && !(t.flags & TPM_RIGHTBUTTON)) {
          if (m.message == WM_RBUTTONUP || m.message == WM_NCRBUTTONUP) break;
        }
        std::size_t level;
        int index;
        if (hit(t, m.pt, &level, &index) && index >= 0) {
          Menu* mm = menu_of(t.stack[level].menu);
          if (mm) choose(t, mm->items[static_cast<std::size_t>(index)]);
        }
        break;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (m.wParam == VK_MENU || m.wParam == VK_F10) {
          t.done = true;
          break;
        }
        key(t, static_cast<UINT>(m.wParam));
        if (m.lPrivate >= 0x20 && m.wParam != VK_RETURN && m.wParam != VK_ESCAPE) mnemonic(t, static_cast<char32_t>(m.lPrivate));
        break;
      case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR: case WM_SYSCHAR:
        break;
      default:
        DispatchMessage(&m);
        break;
    }
    if (!IsWindow(t.owner)) t.done = true;
    if (!t.done && GetCapture() != capture_window && capture_window && IsWindow(capture_window)) t.done = true;
  }
  close_from(t, 0);
  if (GetCapture() == capture_window) ReleaseCapture();
}

// Tracking of the menu bar or the system menu from the frame.
bool track_frame_menu(HWND hwnd, bool system, int first, bool from_key) {
  HMENU menu = system ? GetSystemMenu(hwnd, FALSE) : GetMenu(hwnd);
  if (!menu) return false;
  if (g_tracker) return true;
  Tracker t;
  TrackerScope scope(t);
  t.owner = hwnd;
  t.system = system;
  SendMessage(hwnd, WM_ENTERMENULOOP, FALSE, 0);
  SendMessage(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  if (system) {
    RECT wr;
    GetWindowRect(hwnd, &wr);
    FrameLayout l = GetFrameLayout(hwnd);
    open_popup(t, menu, POINT{wr.left + l.sys_button.left, wr.top + l.caption.bottom});
    if (from_key && !t.stack.empty()) key(t, VK_DOWN);
  } else {
    t.bar = menu;
    t.bar_window = hwnd;
    open_bar_item(t, first);
  }
  run_loop(t);
  t.bar_hot = -1;
  if (!system) DrawMenuBar(hwnd);
  if (IsWindow(hwnd)) {
    SendMessage(hwnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    SendMessage(hwnd, WM_EXITMENULOOP, FALSE, 0);
    if (t.any_chosen) {
      if (system) PostMessage(hwnd, WM_SYSCOMMAND, t.chosen, 0);
      else PostMessage(hwnd, WM_COMMAND, t.chosen, 0);
    }
  }
  return true;
}

}  // namespace

void register_menu_class() {
  detail::register_system_class(kMenuClass, menu_window_proc, CS_SAVEBITS | CS_DBLCLKS, nullptr);
}

void install_menus(NonClientExtensions& ext) {
  ext.menu_bar_height = [](HWND hwnd, int) { return GetMenu(hwnd) ? item_height() + 1 : 0; };
  ext.paint_menu_bar = [](HWND hwnd, HDC dc, const RECT& bar) {
    HMENU menu = GetMenu(hwnd);
    Menu* m = menu_of(menu);
    if (!m) return;
    fill(dc, bar, gdi::COLOR_MENU);
    HGDIOBJ of = gdi::SelectObject(dc, menu_font());
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    int x = bar.left;
    for (std::size_t i = 0; i < m->items.size(); ++i) {
      MenuItem& it = m->items[i];
      int w = text_width(menu_font(), it.text) + 16;
      it.rect = RECT{x, bar.top, x + w, bar.bottom - 1};
      x += w;
      bool hot = g_tracker && g_tracker->bar == menu && g_tracker->bar_hot == static_cast<int>(i);
      draw_item(dc, menu, it, hot, hwnd, true);
    }
    gdi::SelectObject(dc, of);
  };
  auto previous = ext.nonclient_request;
  ext.nonclient_request = [previous](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCLBUTTONDOWN && wp == HTMENU) {
      HMENU menu = GetMenu(hwnd);
      Menu* m = menu_of(menu);
      if (!m) return false;
      RECT wr;
      GetWindowRect(hwnd, &wr);
      POINT p{GET_X_LPARAM(lp) - wr.left, GET_Y_LPARAM(lp) - wr.top};
      for (std::size_t i = 0; i < m->items.size(); ++i) {
        const RECT& r = m->items[i].rect;
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
          return track_frame_menu(hwnd, false, static_cast<int>(i), false);
      }
      return true;
    }
    if (msg == WM_SYSCOMMAND) {
      UINT sc = static_cast<UINT>(wp) & 0xFFF0;
      if (sc == SC_MOUSEMENU) return track_frame_menu(hwnd, (wp & 0xF) == static_cast<WPARAM>(HTSYSMENU), 0, false);
      if (sc == SC_KEYMENU) {
        // Alt+Space opens the system menu; Alt alone (or a letter) the menu bar.
        if (lp == VK_SPACE || !GetMenu(hwnd)) return (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_SYSMENU) && track_frame_menu(hwnd, true, 0, true);
        return track_frame_menu(hwnd, false, 0, true);
      }
    }
    if (msg == WM_CONTEXTMENU) {
      // On the caption the system menu opens at the pointer.
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      LRESULT h = SendMessage(hwnd, WM_NCHITTEST, 0, lp);
      if ((h == HTCAPTION || h == HTSYSMENU) && (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_SYSMENU)) {
        HMENU sys = GetSystemMenu(hwnd, FALSE);
        UINT id = static_cast<UINT>(TrackPopupMenu(sys, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd, nullptr));
        if (id) PostMessage(hwnd, WM_SYSCOMMAND, id, lp);
        return true;
      }
    }
    return previous ? previous(hwnd, msg, wp, lp) : false;
  };
}

}  // namespace controls

using namespace controls;

HMENU CreateMenu() { return new_menu(false); }
HMENU CreatePopupMenu() { return new_menu(true); }

BOOL IsMenu(HMENU menu) { return menu_of(menu) != nullptr; }

BOOL DestroyMenu(HMENU menu) {
  auto& t = table();
  auto it = t.menus.find(reinterpret_cast<std::uintptr_t>(menu));
  if (it == t.menus.end()) return FALSE;
  std::unique_ptr<Menu> m = std::move(it->second);
  t.menus.erase(it);
  for (auto& item : m->items)
    if (item.sub) DestroyMenu(item.sub);
  for (auto b = t.bars.begin(); b != t.bars.end();) b = b->second == menu ? t.bars.erase(b) : std::next(b);
  return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t id_or_popup, const char* text) {
  Menu* m = menu_of(menu);
  if (!m) return FALSE;
  if ((flags & MF_POPUP) && (!menu_of(reinterpret_cast<HMENU>(id_or_popup)) || reinterpret_cast<HMENU>(id_or_popup) == menu))
    return FALSE;
  MenuItem it;
  set_from_flags(it, flags, id_or_popup, text);
  std::size_t at = m->items.size();
  if (position != static_cast<UINT>(-1)) {
    if (flags & MF_BYPOSITION) {
      at = std::min<std::size_t>(position, m->items.size());
    } else {
      HMENU owner = nullptr;
      MenuItem* before = find_item(menu, position, false, &owner);
      if (before && owner == menu) at = static_cast<std::size_t>(before - m->items.data());
    }
  }
  m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(it));
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, std::uintptr_t id_or_popup, const char* text) {
  return InsertMenu(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, id_or_popup, text);
}

BOOL InsertMenuItem(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFO* info) {
  if (!info) return FALSE;
  UINT flags = MF_BYPOSITION;
  Menu* m = menu_of(menu);
  if (!m) return FALSE;
  UINT pos = static_cast<UINT>(m->items.size());
  if (by_position) pos = std::min<UINT>(item, pos);
  else if (HMENU owner = nullptr; MenuItem* it = find_item(menu, item, false, &owner))
    if (owner == menu) pos = static_cast<UINT>(it - m->items.data());
  if (!InsertMenu(menu, pos, flags, 0, "")) return FALSE;
  return SetMenuItemInfo(menu, pos, TRUE, info);
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, std::uintptr_t id_or_popup, const char* text) {
  MenuItem* it = find_item(menu, position, flags & MF_BYPOSITION);
  if (!it) return FALSE;
  set_from_flags(*it, flags, id_or_popup, text);
  return TRUE;
}

namespace {
BOOL remove_item(HMENU menu, UINT position, UINT flags, bool destroy) {
  HMENU owner = nullptr;
  MenuItem* it = find_item(menu, position, flags & MF_BYPOSITION, &owner);
  if (!it) return FALSE;
  Menu* m = menu_of(owner);
  HMENU sub = it->sub;
  m->items.erase(m->items.begin() + (it - m->items.data()));
  if (destroy && sub) DestroyMenu(sub);
  return TRUE;
}
}  // namespace

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return remove_item(menu, position, flags, false); }
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return remove_item(menu, position, flags, true); }

int GetMenuItemCount(HMENU menu) {
  Menu* m = menu_of(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  Menu* m = menu_of(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return static_cast<UINT>(-1);
  const MenuItem& it = m->items[static_cast<std::size_t>(position)];
  return it.sub ? static_cast<UINT>(-1) : it.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  Menu* m = menu_of(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return nullptr;
  return m->items[static_cast<std::size_t>(position)].sub;
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags) {
  MenuItem* it = find_item(menu, id, flags & MF_BYPOSITION);
  if (!it) return static_cast<UINT>(-1);
  UINT s = it->state | it->type;
  if (it->sub) s = (s & 0xFF) | MF_POPUP | (static_cast<UINT>(GetMenuItemCount(it->sub)) << 8);
  return s;
}

int GetMenuString(HMENU menu, UINT id, char* buffer, int size, UINT flags) {
  MenuItem* it = find_item(menu, id, flags & MF_BYPOSITION);
  if (!it) return 0;
  if (!buffer || size <= 0) return static_cast<int>(it->text.size());
  return static_cast<int>(copy_out(it->text, buffer, size));
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL by_position, MENUITEMINFO* info) {
  MenuItem* it = find_item(menu, item, by_position);
  if (!it || !info) return FALSE;
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = it->type;
  if (info->fMask & MIIM_STATE) info->fState = it->state;
  if (info->fMask & MIIM_ID) info->wID = it->id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it->sub;
  if (info->fMask & MIIM_DATA) info->dwItemData = it->data;
  if (info->fMask & MIIM_BITMAP) info->hbmpItem = it->bitmap;
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
    if (info->dwTypeData && info->cch > 0) copy_out(it->text, info->dwTypeData, static_cast<int>(info->cch));
    info->cch = static_cast<UINT>(it->text.size());
  }
  return TRUE;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFO* info) {
  MenuItem* it = find_item(menu, item, by_position);
  if (!it || !info) return FALSE;
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) it->type = info->fType;
  if (info->fMask & MIIM_STATE) it->state = info->fState;
  if (info->fMask & MIIM_ID) it->id = info->wID;
  if (info->fMask & MIIM_SUBMENU) {
    if (info->hSubMenu && (!menu_of(info->hSubMenu) || info->hSubMenu == menu)) return FALSE;
    it->sub = info->hSubMenu;
  }
  if (info->fMask & MIIM_DATA) it->data = info->dwItemData;
  if (info->fMask & MIIM_BITMAP) it->bitmap = info->hbmpItem;
  if ((info->fMask & MIIM_STRING) || ((info->fMask & MIIM_TYPE) && !(info->fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))))
    it->text = info->dwTypeData ? info->dwTypeData : "";
  return TRUE;
}

DWORD CheckMenuItem(HMENU menu, UINT id, UINT check) {
  MenuItem* it = find_item(menu, id, check & MF_BYPOSITION);
  if (!it) return static_cast<DWORD>(-1);
  DWORD old = it->state & MF_CHECKED;
  it->state = (it->state & ~MF_CHECKED) | (check & MF_CHECKED);
  return old;
}

BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable) {
  MenuItem* it = find_item(menu, id, enable & MF_BYPOSITION);
  if (!it) return -1;
  BOOL old = static_cast<BOOL>(it->state & (MF_GRAYED | MF_DISABLED));
  it->state = (it->state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT by_position) {
  Menu* m = menu_of(menu);
  if (!m) return FALSE;
  for (auto& it : m->items) it.state &= ~MF_DEFAULT;
  if (item == static_cast<UINT>(-1)) return TRUE;
  MenuItem* it = find_item(menu, item, by_position != 0);
  if (!it) return FALSE;
  it->state |= MF_DEFAULT;
  return TRUE;
}

HMENU GetMenu(HWND hwnd) {
  auto& b = table().bars;
  auto it = b.find(hwnd);
  if (it == b.end()) return nullptr;
  if (!IsWindow(hwnd)) {
    b.erase(it);
    return nullptr;
  }
  return it->second;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  if (!IsWindow(hwnd) || (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD)) return FALSE;
  if (menu && !menu_of(menu)) return FALSE;
  if (menu) table().bars[hwnd] = menu;
  else table().bars.erase(hwnd);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

BOOL DrawMenuBar(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  return RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  if (!IsWindow(hwnd)) return nullptr;
  auto& sm = table().system_menus;
  for (auto it = sm.begin(); it != sm.end();) {
    if (!IsWindow(it->first)) {
      DestroyMenu(it->second);
      it = sm.erase(it);
    } else {
      ++it;
    }
  }
  auto it = sm.find(hwnd);
  if (revert) {
    if (it != sm.end()) {
      DestroyMenu(it->second);
      sm.erase(it);
    }
    return nullptr;
  }
  if (it != sm.end()) return it->second;
  if (!(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_SYSMENU)) return nullptr;
  HMENU m = default_system_menu(hwnd);
  sm[hwnd] = m;
  return m;
}

BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT position, RECT* out) {
  Menu* m = menu_of(menu);
  if (!m || !out || position >= m->items.size()) return FALSE;
  RECT r = m->items[position].rect;
  HWND base = hwnd;
  if (g_tracker)
    for (auto& p : g_tracker->stack)
      if (p.menu == menu) base = p.window;
  if (!base) return FALSE;
  RECT wr;
  GetWindowRect(base, &wr);
  if (base != hwnd || GetMenu(hwnd) != menu) {
    POINT o{0, 0};
    ClientToScreen(base, &o);
    gdi::OffsetRect(&r, o.x, o.y);
  } else {
    gdi::OffsetRect(&r, wr.left, wr.top);
  }
  *out = r;
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  InitControls();
  if (!menu_of(menu) || !IsWindow(owner) || g_tracker) return FALSE;
  Tracker t;
  TrackerScope scope(t);
  t.owner = owner;
  t.flags = flags;
  t.system = menu_of(menu)->system;
  if (!(flags & TPM_NONOTIFY)) {
    SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
    SendMessage(owner, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  }
  open_popup(t, menu, POINT{x, y});
  if (t.stack.empty()) {
    if (!(flags & TPM_NONOTIFY) && IsWindow(owner)) SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
    return FALSE;
  }
  run_loop(t);
  if (IsWindow(owner) && !(flags & TPM_NONOTIFY)) {
    SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
  }
  if (flags & TPM_RETURNCMD) return t.any_chosen ? static_cast<BOOL>(t.chosen) : 0;
  if (t.any_chosen && IsWindow(owner)) PostMessage(owner, t.system ? WM_SYSCOMMAND : WM_COMMAND, t.chosen, 0);
  return t.any_chosen;
}

BOOL EndMenu() {
  if (!g_tracker) return FALSE;
  g_tracker->done = true;
  PostMessage(nullptr, WM_NULL, 0, 0);
  return TRUE;
}

}  // namespace platform::win
