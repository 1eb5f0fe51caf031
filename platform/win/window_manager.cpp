// Classes, windows, hierarchy, geometry, show state, text and per-window data.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "core/error.h"
#include "core/unicode.h"
#include "platform/win/window_internal.h"

namespace platform::win {
namespace detail {

State& state() {
  static State s;
  return s;
}

Window* get(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto& s = state();
  std::lock_guard lock(s.table_mutex);
  auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
  if (it == s.windows.end() || it->second->dead) return nullptr;
  return it->second.get();
}

Window* root_of(Window* w) {
  while (w && w->parent) w = w->parent;
  return w;
}

bool is_visible(const Window* w) {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

POINT screen_origin(const Window* w) {
  POINT p{w->rect.left, w->rect.top};
  for (const Window* a = w->parent; a; a = a->parent) {
    p.x += a->client.left;
    p.y += a->client.top;
  }
  return p;
}

POINT client_screen_origin(const Window* w) {
  POINT o = screen_origin(w);
  return {o.x + w->client.left - w->rect.left, o.y + w->client.top - w->rect.top};
}

POINT origin_in_top(const Window* w) {
  const Window* top = w;
  while (top->parent) top = top->parent;
  POINT o = screen_origin(w);
  return {o.x - top->rect.left, o.y - top->rect.top};
}

RECT window_rect_local(const Window* w) { return {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top}; }

RECT client_rect_local(const Window* w) {
  return {w->client.left - w->rect.left, w->client.top - w->rect.top, w->client.right - w->rect.left,
          w->client.bottom - w->rect.top};
}

namespace {

gdi::Region shape_of(const Window* w, POINT origin) {
  RECT r = window_rect_local(w);
  gdi::Region reg(r);
  if (w->region) {
    if (const gdi::Region* wr = gdi::GetRegion(w->region)) reg = reg & *wr;
  }
  reg.offset(origin.x, origin.y);
  return reg;
}

}  // namespace

gdi::Region visible_region(const Window* w, bool client_only) {
  if (!is_visible(w)) return {};
  POINT o = origin_in_top(w);
  gdi::Region reg = shape_of(w, o);
  if (client_only) {
    RECT c = client_rect_local(w);
    gdi::OffsetRect(&c, o.x, o.y);
    reg = reg & gdi::Region(c);
  }
  // Clipped by every ancestor's client area and shape, and by the siblings above on each level.
  const Window* cur = w;
  while (cur->parent) {
    const Window* p = cur->parent;
    POINT po = origin_in_top(p);
    RECT pc = client_rect_local(p);
    gdi::OffsetRect(&pc, po.x, po.y);
    reg = reg & gdi::Region(pc) & shape_of(p, po);
    for (const Window* sib : p->children) {
      if (sib == cur) break;
      if (sib->style & WS_VISIBLE) reg = reg - shape_of(sib, origin_in_top(sib));
    }
    cur = p;
  }
  // Children are always clipped out, so that the composition never depends on paint order.
  for (const Window* c : w->children)
    if (c->style & WS_VISIBLE) reg = reg - shape_of(c, origin_in_top(c));
  return reg;
}

LRESULT send(Window* w, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!w || w->dead) return 0;
  auto& s = state();
  ++s.call_depth;
  LRESULT r = CallWindowProc(w->proc, w->handle, msg, wparam, lparam);
  if (--s.call_depth == 0) s.graveyard.clear();
  return r;
}

int menu_height_of(Window* w, int width) {
  auto& s = state();
  if (!w || (w->style & WS_CHILD) || !s.ext.menu_bar_height) return 0;
  return s.ext.menu_bar_height(w->handle, width);
}

namespace {

WindowClass* find_class(std::string_view name) {
  for (auto& c : state().classes)
    if (core::ascii_iequals(c->name, name)) return c.get();
  return nullptr;
}

HINSTANCE module_instance() {
  static int marker;
  return reinterpret_cast<HINSTANCE>(&marker);
}

// ---- procedure instances: real procedure pointers bound to state ----
constexpr std::size_t kProcSlots = 2048;
struct ProcSlots {
  std::mutex mutex;
  std::array<std::shared_ptr<ProcInstanceFn>, kProcSlots> fns;
};
ProcSlots& proc_slots() {
  static ProcSlots p;
  return p;
}
template <std::size_t I>
LRESULT trampoline(HWND h, UINT m, WPARAM w, LPARAM l) {
  std::shared_ptr<ProcInstanceFn> fn;
  {
    std::lock_guard lock(proc_slots().mutex);
    fn = proc_slots().fns[I];
  }
  return fn ? (*fn)(h, m, w, l) : DefWindowProc(h, m, w, l);
}
template <std::size_t... I>
constexpr std::array<WNDPROC, sizeof...(I)> make_trampolines(std::index_sequence<I...>) {
  return {&trampoline<I>...};
}
constexpr auto kTrampolines = make_trampolines(std::make_index_sequence<kProcSlots>{});

void unlink(Window* w) {
  auto& s = state();
  if (w->parent) {
    auto& v = w->parent->children;
    v.erase(std::remove(v.begin(), v.end(), w), v.end());
  } else {
    auto& v = w->message_only ? s.message_windows : s.top_levels;
    v.erase(std::remove(v.begin(), v.end(), w), v.end());
  }
}

// Places w in its sibling list below `after` (HWND_TOP/HWND_BOTTOM/a sibling).
void link(Window* w, HWND after) {
  auto& s = state();
  std::vector<Window*>* list = w->parent ? &w->parent->children : (w->message_only ? &s.message_windows : &s.top_levels);
  list->erase(std::remove(list->begin(), list->end(), w), list->end());
  if (after == HWND_BOTTOM) {
    list->push_back(w);
    return;
  }
  bool topmost = !w->parent && (w->ex_style & WS_EX_TOPMOST);
  if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST || after == nullptr) {
    auto pos = list->begin();
    if (!w->parent && !topmost)  // below the topmost windows
      while (pos != list->end() && ((*pos)->ex_style & WS_EX_TOPMOST)) ++pos;
    list->insert(pos, w);
    return;
  }
  Window* a = get(after);
  auto it = std::find(list->begin(), list->end(), a);
  if (it == list->end()) list->insert(list->begin(), w);
  else list->insert(it + 1, w);
}

void free_window(Window* w) {
  auto& s = state();
  // Children go first: they see WM_NCDESTROY before their parent.
  std::vector<Window*> kids = w->children;
  for (Window* c : kids)
    if (!c->dead) free_window(c);
  send(w, WM_NCDESTROY, 0, 0);
  // Timers and queued messages of the window die with it.
  if (auto q = queue_of(w->thread)) {
    q->timers.erase(std::remove_if(q->timers.begin(), q->timers.end(), [&](const Timer& t) { return t.hwnd == w->handle; }),
                    q->timers.end());
    std::lock_guard lock(q->mutex);
    q->posted.erase(std::remove_if(q->posted.begin(), q->posted.end(), [&](const MSG& m) { return m.hwnd == w->handle; }),
                    q->posted.end());
  }
  if (s.focus == w) s.focus = nullptr;
  if (s.active == w) s.active = nullptr;
  if (s.capture == w) s.capture = nullptr;
  if (s.track_hwnd == w->handle) s.track_hwnd = nullptr;
  for (Window* t : s.top_levels)
    if (t->owner == w) t->owner = nullptr;
  if (w->region) gdi::DeleteObject(w->region);
  w->region = nullptr;
  bool top = !w->parent && !w->message_only;
  unlink(w);
  if (top && s.display) s.display->window_destroyed(w->handle);
  std::unique_ptr<Window> owned;
  {
    // Other threads look windows up under this lock (posting, IsWindow).
    std::lock_guard lock(s.table_mutex);
    w->dead = true;
    auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(w->handle));
    if (it != s.windows.end()) {
      owned = std::move(it->second);
      s.windows.erase(it);
    }
  }
  if (owned) {
    if (s.call_depth > 0) s.graveyard.push_back(std::move(owned));
  }
}

void send_destroy(Window* w) {
  send(w, WM_DESTROY, 0, 0);
  std::vector<Window*> kids = w->children;
  for (Window* c : kids)
    if (!c->dead) send_destroy(c);
}

// Lays the client area out by WM_NCCALCSIZE for the window rectangle `r` (parent coordinates).
RECT calc_client(Window* w, const RECT& r) {
  RECT c = r;
  send(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&c));
  c.left = std::clamp(c.left, r.left, r.right);
  c.right = std::clamp(c.right, c.left, r.right);
  c.top = std::clamp(c.top, r.top, r.bottom);
  c.bottom = std::clamp(c.bottom, c.top, r.bottom);
  return c;
}

void fill_min_max(Window* w, MINMAXINFO* mmi) {
  SIZE screen = display().screen_size();
  FrameLayout l = compute_layout(w->style, w->ex_style, 200, 200, w->parent != nullptr, 0);
  int b = l.border;
  mmi->ptMaxSize = {screen.cx + 2 * b, screen.cy + 2 * b};
  mmi->ptMaxPosition = {-b, -b};
  mmi->ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi->ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
}

bool resizable(const Window* w) { return (w->style & WS_THICKFRAME) || !(w->style & (WS_POPUP | WS_CHILD)); }

// A top-level window owns a bitmap of its size; sizes beyond any screen are cut down to this.
constexpr int kMaxTopLevelSide = 16384;
int clamp_side(const Window* w, int v) { return std::clamp(v, 0, w->parent ? 1 << 30 : kMaxTopLevelSide); }

}  // namespace

MINMAXINFO min_max_info(Window* w) {
  MINMAXINFO mmi;
  fill_min_max(w, &mmi);
  send(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return mmi;
}

void destroy_all_windows() {
  auto& s = state();
  while (!s.top_levels.empty()) DestroyWindow(s.top_levels.front()->handle);
  while (!s.message_windows.empty()) DestroyWindow(s.message_windows.front()->handle);
}

void register_system_class(const char* name, WNDPROC proc, UINT style, HBRUSH bg, int cursor) {
  if (find_class(name)) return;
  auto c = std::make_unique<WindowClass>();
  c->name = name;
  c->proc = proc;
  c->style = style;
  c->background = bg;
  c->cursor = LoadCursor(nullptr, cursor);
  c->system = true;
  state().classes.push_back(std::move(c));
}

void unregister_program_classes() {
  auto& v = state().classes;
  v.erase(std::remove_if(v.begin(), v.end(), [](const auto& c) { return !c->system; }), v.end());
}

}  // namespace detail

using namespace detail;

// ---- classes ----
ATOM RegisterClassEx(const WNDCLASSEX* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) return 0;
  auto& s = state();
  for (auto& c : s.classes)
    if (core::ascii_iequals(c->name, wc->lpszClassName)) return 0;
  auto c = std::make_unique<WindowClass>();
  c->name = wc->lpszClassName;
  c->style = wc->style;
  c->proc = wc->lpfnWndProc;
  c->instance = wc->hInstance;
  c->icon = wc->hIcon;
  c->icon_small = wc->hIconSm;
  c->cursor = wc->hCursor;
  c->background = wc->hbrBackground;
  c->wnd_extra = wc->cbWndExtra;
  s.classes.push_back(std::move(c));
  return static_cast<ATOM>(0xC000 + s.classes.size());
}

BOOL UnregisterClass(const char* name, HINSTANCE) {
  auto& s = state();
  for (auto it = s.classes.begin(); it != s.classes.end(); ++it) {
    if (!core::ascii_iequals((*it)->name, name ? name : "")) continue;
    if ((*it)->system) return FALSE;
    std::lock_guard lock(s.table_mutex);
    for (auto& [h, w] : s.windows)
      if (w->cls == it->get() && !w->dead) return FALSE;  // still in use
    s.classes.erase(it);
    return TRUE;
  }
  return FALSE;
}

BOOL GetClassInfoEx(HINSTANCE, const char* name, WNDCLASSEX* out) {
  WindowClass* c = nullptr;
  for (auto& k : state().classes)
    if (core::ascii_iequals(k->name, name ? name : "")) c = k.get();
  if (!c || !out) return FALSE;
  out->style = c->style;
  out->lpfnWndProc = c->proc;
  out->hInstance = c->instance;
  out->hIcon = c->icon;
  out->hIconSm = c->icon_small;
  out->hCursor = c->cursor;
  out->hbrBackground = c->background;
  out->cbWndExtra = c->wnd_extra;
  out->lpszClassName = c->name.c_str();
  return TRUE;
}

std::string GetClassName(HWND hwnd) {
  Window* w = get(hwnd);
  return w ? w->cls->name : std::string();
}

int GetClassName(HWND hwnd, char* buffer, int size) {
  Window* w = get(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  int n = std::min<int>(size - 1, static_cast<int>(w->cls->name.size()));
  std::memcpy(buffer, w->cls->name.data(), static_cast<std::size_t>(n));
  buffer[n] = 0;
  return n;
}

LONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  Window* w = get(hwnd);
  if (!w) return 0;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<LONG_PTR>(w->cls->background);
    case GCLP_HCURSOR: return reinterpret_cast<LONG_PTR>(w->cls->cursor);
    case GCLP_HICON: return reinterpret_cast<LONG_PTR>(w->cls->icon);
    case GCLP_HICONSM: return reinterpret_cast<LONG_PTR>(w->cls->icon_small);
    case GCLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->cls->proc);
    case GCL_STYLE: return w->cls->style;
    default: return 0;
  }
}

LONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
  Window* w = get(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetClassLongPtr(hwnd, index);
  switch (index) {
    case GCLP_HBRBACKGROUND: w->cls->background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: w->cls->cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: w->cls->icon = reinterpret_cast<HICON>(value); break;
    case GCLP_HICONSM: w->cls->icon_small = reinterpret_cast<HICON>(value); break;
    case GCLP_WNDPROC: w->cls->proc = reinterpret_cast<WNDPROC>(value); break;
    case GCL_STYLE: w->cls->style = static_cast<UINT>(value); break;
    default: return 0;
  }
  return old;
}

HINSTANCE GetModuleHandle(const char*) { return module_instance(); }

// ---- procedure instances ----
WNDPROC MakeProcInstance(ProcInstanceFn fn) {
  auto& p = proc_slots();
  std::lock_guard lock(p.mutex);
  for (std::size_t i = 0; i < kProcSlots; ++i) {
    if (!p.fns[i]) {
      p.fns[i] = std::make_shared<ProcInstanceFn>(std::move(fn));
      return kTrampolines[i];
    }
  }
  throw core::Error("no free window procedure instance");
}

void FreeProcInstance(WNDPROC proc) {
  auto& p = proc_slots();
  std::lock_guard lock(p.mutex);
  for (std::size_t i = 0; i < kProcSlots; ++i)
    if (kTrampolines[i] == proc) p.fns[i].reset();
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!proc) return 0;
  return proc(hwnd, msg, wparam, lparam);
}

// ---- creation and destruction ----
HWND CreateWindowEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                    int width, int height, HWND parent_handle, HMENU menu_or_id, HINSTANCE instance, void* param) {
  auto& s = state();
  WindowClass* cls = find_class(class_name ? class_name : "");
  if (!cls) return nullptr;
  bool message_only = parent_handle == HWND_MESSAGE;
  Window* parent = message_only ? nullptr : get(parent_handle);
  if ((style & WS_CHILD) && !parent) return nullptr;
  if (parent_handle && !message_only && !parent) return nullptr;
  if (!s.gui_thread) s.gui_thread = GetCurrentThreadId();

  if (!(style & WS_CHILD) && !(style & WS_POPUP)) style |= WS_CAPTION | WS_CLIPSIBLINGS;  // overlapped
  DWORD requested_style = style;
  style &= ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);

  // Default placement of overlapped windows.
  SIZE screen = display().screen_size();
  if (x == CW_USEDEFAULT) {
    if (style & WS_CHILD) x = y = 0;
    else {
      static int cascade = 0;
      x = y = 26 * (cascade++ % 8);
    }
  }
  if (width == CW_USEDEFAULT) {
    if (style & WS_CHILD) width = height = 0;
    else {
      width = screen.cx * 3 / 4;
      height = screen.cy * 3 / 4;
    }
  }

  auto owned = std::make_unique<Window>();
  Window* w = owned.get();
  {
    std::lock_guard lock(s.table_mutex);
    w->handle = reinterpret_cast<HWND>(s.next_handle);
    s.next_handle += 4;
    s.windows.emplace(reinterpret_cast<std::uintptr_t>(w->handle), std::move(owned));
  }
  w->cls = cls;
  w->thread = GetCurrentThreadId();
  w->style = style;
  w->ex_style = ex_style;
  w->proc = cls->proc;
  w->instance = instance ? instance : module_instance();
  w->message_only = message_only;
  if (style & WS_CHILD) {
    w->parent = parent;
    w->id = reinterpret_cast<LONG_PTR>(menu_or_id);
  } else if (parent) {
    w->owner = root_of(parent);
  }

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = w->instance;
  cs.hMenu = menu_or_id;
  cs.hwndParent = message_only ? HWND_MESSAGE : parent_handle;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = static_cast<LONG>(requested_style);
  cs.lpszName = window_name;
  cs.lpszClass = cls->name.c_str();
  cs.dwExStyle = ex_style;

  // The hook sees the window before any message and may veto it; then nothing else happens.
  CBT_CREATEWND cbt{&cs, HWND_TOP};
  if (call_hooks(WH_CBT, HCBT_CREATEWND, reinterpret_cast<WPARAM>(w->handle), reinterpret_cast<LPARAM>(&cbt)) != 0) {
    std::lock_guard lock(s.table_mutex);
    s.windows.erase(reinterpret_cast<std::uintptr_t>(w->handle));
    return nullptr;
  }
  x = cs.x;
  y = cs.y;
  width = clamp_side(w, cs.cx);
  height = clamp_side(w, cs.cy);

  link(w, cbt.hwndInsertAfter);
  w->rect = {x, y, x + width, y + height};
  w->client = w->rect;
  w->normal_rect = w->rect;
  if (!w->parent && !message_only) {
    w->backing = std::make_unique<gdi::Bitmap>(width, height, gdi::PixelFormat::k32bit, 0);
    if (s.display) s.display->window_created(w->handle);
  }

  HWND h = w->handle;
  if (!w->parent && resizable(w) && !message_only) {
    MINMAXINFO mmi = min_max_info(w);
    if (!get(h)) return nullptr;
    width = std::min<int>(width, mmi.ptMaxTrackSize.x);
    height = std::min<int>(height, mmi.ptMaxTrackSize.y);
    w->rect = {x, y, x + width, y + height};
    w->client = w->rect;
    w->normal_rect = w->rect;
    if (w->backing) w->backing->resize(width, height);
  }

  if (!send(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (get(h)) free_window(w);
    return nullptr;
  }
  if (!get(h)) return nullptr;
  w->client = calc_client(w, w->rect);
  if (send(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  if (!get(h)) return nullptr;
  send(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
  if (!get(h)) return nullptr;
  send(w, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
  if (!get(h)) return nullptr;
  if (w->parent && !(w->ex_style & WS_EX_NOPARENTNOTIFY))
    send(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<int>(w->id)), reinterpret_cast<LPARAM>(h));
  if (!get(h)) return nullptr;
  if ((requested_style & WS_VISIBLE) && !message_only) {
    int cmd = SW_SHOW;
    if (requested_style & WS_MAXIMIZE) cmd = SW_SHOWMAXIMIZED;
    else if (requested_style & WS_MINIMIZE) cmd = SW_SHOWMINIMIZED;
    ShowWindow(h, cmd);
  }
  return get(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  if (w->destroying) return TRUE;
  auto& s = state();
  if (call_hooks(WH_CBT, HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0) != 0) return FALSE;
  if (!get(hwnd)) return TRUE;
  w->destroying = true;

  if (s.capture && (s.capture == w || IsChild(hwnd, s.capture->handle))) ReleaseCapture();
  if (w->style & WS_VISIBLE) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!get(hwnd)) return TRUE;
  }
  if (!w->parent && s.active == w) activate_other(w);
  if (s.focus && (s.focus == w || IsChild(hwnd, s.focus->handle))) {
    if (w->parent) SetFocus(w->parent->handle);
    else SetFocus(nullptr);
  }
  // Owned windows go before their owner.
  if (!w->parent) {
    std::vector<HWND> owned;
    for (Window* t : s.top_levels)
      if (t->owner == w) owned.push_back(t->handle);
    for (HWND o : owned) DestroyWindow(o);
  }
  if (!get(hwnd)) return TRUE;
  if (w->parent && !(w->ex_style & WS_EX_NOPARENTNOTIFY))
    send(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, static_cast<int>(w->id)), reinterpret_cast<LPARAM>(hwnd));
  if (!get(hwnd)) return TRUE;
  ++s.call_depth;
  send_destroy(w);
  if (!w->dead) free_window(w);
  if (--s.call_depth == 0) s.graveyard.clear();
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return get(hwnd) ? TRUE : FALSE; }

BOOL IsChild(HWND parent, HWND hwnd) {
  Window* p = get(parent);
  Window* w = get(hwnd);
  if (!p || !w) return FALSE;
  for (Window* a = w->parent; a; a = a->parent)
    if (a == p) return TRUE;
  return FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Window* w = get(hwnd);
  return w && is_visible(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Window* w = get(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  Window* w = get(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Window* w = get(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL IsWindowUnicode(HWND hwnd) { return get(hwnd) ? TRUE : FALSE; }

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process) {
  Window* w = get(hwnd);
  if (process) *process = 1;
  return w ? w->thread : 0;
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  Window* w = get(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->handle : (w->owner ? w->owner->handle : nullptr));
    case GWLP_ID: return w->id;
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->ex_style);
    case GWLP_USERDATA: return w->user_data;
    default: return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  Window* w = get(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWLP_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); break;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
    case GWLP_ID: w->id = value; break;
    case GWLP_USERDATA: w->user_data = value; break;
    case GWLP_HWNDPARENT:
      if (!w->parent) {
        Window* o = get(reinterpret_cast<HWND>(value));
        w->owner = o ? root_of(o) : nullptr;
      }
      break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT ss{static_cast<DWORD>(old), static_cast<DWORD>(value)};
      WPARAM which = static_cast<WPARAM>(index == GWL_STYLE ? -16 : -20);
      send(w, WM_STYLECHANGING, which, reinterpret_cast<LPARAM>(&ss));
      if (!get(hwnd)) return old;
      if (index == GWL_STYLE) {
        // Visibility changes only through ShowWindow; the bit is kept as it is.
        w->style = (ss.styleNew & ~WS_VISIBLE) | (w->style & WS_VISIBLE);
      } else {
        w->ex_style = ss.styleNew;
      }
      send(w, WM_STYLECHANGED, which, reinterpret_cast<LPARAM>(&ss));
      break;
    }
    default: return 0;
  }
  return old;
}

// ---- hierarchy ----
HWND GetParent(HWND hwnd) {
  Window* w = get(hwnd);
  if (!w) return nullptr;
  if (w->parent) return w->parent->handle;
  if ((w->style & WS_POPUP) && w->owner) return w->owner->handle;
  return nullptr;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  Window* w = get(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent->handle : GetDesktopWindow();
    case GA_ROOT: return root_of(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = root_of(w);
      while (r->owner) r = r->owner;
      return r->handle;
    }
    default: return nullptr;
  }
}

HWND SetParent(HWND hwnd, HWND parent_handle) {
  Window* w = get(hwnd);
  Window* p = get(parent_handle);
  if (!w || (parent_handle && !p)) return nullptr;
  for (Window* a = p; a; a = a->parent)
    if (a == w) return nullptr;  // would make a cycle
  HWND old = w->parent ? w->parent->handle : GetDesktopWindow();
  bool was_visible = w->style & WS_VISIBLE;
  if (was_visible) ShowWindow(hwnd, SW_HIDE);
  if (!get(hwnd)) return nullptr;
  POINT so = screen_origin(w);
  unlink(w);
  auto& s = state();
  if (!w->parent && s.display) s.display->window_destroyed(hwnd);
  RECT local = window_rect_local(w);
  RECT cl = client_rect_local(w);
  w->parent = p;
  POINT base{0, 0};
  if (p) {
    w->owner = nullptr;
    base = client_screen_origin(p);
    w->backing.reset();
  } else {
    w->backing = std::make_unique<gdi::Bitmap>(local.right, local.bottom, gdi::PixelFormat::k32bit, 0);
    if (s.display) s.display->window_created(hwnd);
  }
  // Keeps the window's place on the screen.
  int nx = so.x - base.x, ny = so.y - base.y;
  w->rect = {nx, ny, nx + local.right, ny + local.bottom};
  w->client = {nx + cl.left, ny + cl.top, nx + cl.right, ny + cl.bottom};
  link(w, HWND_TOP);
  if (was_visible) ShowWindow(hwnd, SW_SHOWNA);
  return old;
}

HWND GetDesktopWindow() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10000)); }

HWND GetWindow(HWND hwnd, UINT relation) {
  Window* w = get(hwnd);
  if (!w) return nullptr;
  auto& s = state();
  const std::vector<Window*>& sibs = w->parent ? w->parent->children : (w->message_only ? s.message_windows : s.top_levels);
  auto it = std::find(sibs.begin(), sibs.end(), w);
  switch (relation) {
    case GW_HWNDFIRST: return sibs.empty() ? nullptr : sibs.front()->handle;
    case GW_HWNDLAST: return sibs.empty() ? nullptr : sibs.back()->handle;
    case GW_HWNDNEXT: return (it != sibs.end() && it + 1 != sibs.end()) ? (*(it + 1))->handle : nullptr;
    case GW_HWNDPREV: return (it != sibs.end() && it != sibs.begin()) ? (*(it - 1))->handle : nullptr;
    case GW_OWNER: return w->owner ? w->owner->handle : nullptr;
    case GW_CHILD: return w->children.empty() ? nullptr : w->children.front()->handle;
    case GW_ENABLEDPOPUP:
      for (Window* t : s.top_levels)
        if (t->owner == w && (t->style & WS_VISIBLE) && !(t->style & WS_DISABLED)) return t->handle;
      return nullptr;
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd || hwnd == GetDesktopWindow()) {
    auto& s = state();
    return s.top_levels.empty() ? nullptr : s.top_levels.front()->handle;
  }
  Window* w = get(hwnd);
  return w && !w->children.empty() ? w->children.front()->handle : nullptr;
}

HWND FindWindowEx(HWND parent_handle, HWND after, const char* class_name, const char* window_name) {
  auto& s = state();
  const std::vector<Window*>* list = &s.top_levels;
  if (parent_handle == HWND_MESSAGE) list = &s.message_windows;
  else if (parent_handle && parent_handle != GetDesktopWindow()) {
    Window* p = get(parent_handle);
    if (!p) return nullptr;
    list = &p->children;
  }
  bool started = after == nullptr;
  for (Window* w : *list) {
    if (!started) {
      if (w->handle == after) started = true;
      continue;
    }
    if (class_name && !core::ascii_iequals(w->cls->name, class_name)) continue;
    if (window_name && w->text != window_name) continue;
    return w->handle;
  }
  return nullptr;
}

BOOL EnumChildWindows(HWND parent_handle, const std::function<BOOL(HWND)>& fn) {
  Window* p = get(parent_handle);
  if (!p) return FALSE;
  std::vector<HWND> all;
  std::function<void(Window*)> walk = [&](Window* w) {
    for (Window* c : w->children) {
      all.push_back(c->handle);
      walk(c);
    }
  };
  walk(p);
  for (HWND h : all)
    if (get(h) && !fn(h)) return FALSE;
  return TRUE;
}

int GetDlgCtrlID(HWND hwnd) {
  Window* w = get(hwnd);
  return w && w->parent ? static_cast<int>(w->id) : 0;
}

HWND GetDlgItem(HWND parent_handle, int id) {
  Window* p = get(parent_handle);
  if (!p) return nullptr;
  for (Window* c : p->children)
    if (c->id == id) return c->handle;
  return nullptr;
}

namespace {
bool shape_contains(const Window* w, POINT screen) {
  POINT o = screen_origin(w);
  int x = screen.x - o.x, y = screen.y - o.y;
  RECT r = window_rect_local(w);
  if (!gdi::PtInRect(&r, {x, y})) return false;
  if (w->region) {
    const gdi::Region* reg = gdi::GetRegion(w->region);
    if (reg && !reg->contains(x, y)) return false;
  }
  return true;
}

Window* deepest_at(Window* w, POINT screen) {
  POINT co = client_screen_origin(w);
  RECT c{co.x, co.y, co.x + (w->client.right - w->client.left), co.y + (w->client.bottom - w->client.top)};
  if (!gdi::PtInRect(&c, screen)) return w;
  for (Window* child : w->children)
    if ((child->style & WS_VISIBLE) && shape_contains(child, screen)) return deepest_at(child, screen);
  return w;
}
}  // namespace

HWND WindowFromPoint(POINT screen) {
  for (Window* t : state().top_levels)
    if ((t->style & WS_VISIBLE) && shape_contains(t, screen)) return deepest_at(t, screen)->handle;
  return nullptr;
}

HWND ChildWindowFromPoint(HWND parent_handle, POINT client) {
  Window* p = get(parent_handle);
  if (!p) return nullptr;
  POINT screen = client;
  ClientToScreen(parent_handle, &screen);
  RECT c{0, 0, p->client.right - p->client.left, p->client.bottom - p->client.top};
  if (!gdi::PtInRect(&c, client)) return nullptr;
  for (Window* child : p->children)
    if (shape_contains(child, screen)) return child->handle;
  return parent_handle;
}

// ---- geometry ----
BOOL GetWindowRect(HWND hwnd, RECT* out) {
  Window* w = get(hwnd);
  if (!w || !out) return FALSE;
  POINT o = screen_origin(w);
  *out = {o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* out) {
  Window* w = get(hwnd);
  if (!w || !out) return FALSE;
  *out = {0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
  Window* w = get(hwnd);
  if (!w || !p) return FALSE;
  POINT o = client_screen_origin(w);
  p->x -= o.x;
  p->y -= o.y;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
  Window* w = get(hwnd);
  if (!w || !p) return FALSE;
  POINT o = client_screen_origin(w);
  p->x += o.x;
  p->y += o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{0, 0}, b{0, 0};
  if (from && from != GetDesktopWindow()) {
    Window* w = get(from);
    if (!w) return 0;
    a = client_screen_origin(w);
  }
  if (to && to != GetDesktopWindow()) {
    Window* w = get(to);
    if (!w) return 0;
    b = client_screen_origin(w);
  }
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  auto& s = state();
  flags &= ~(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
  bool visible_now = w->style & WS_VISIBLE;
  if ((flags & SWP_SHOWWINDOW) && visible_now) flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !visible_now) flags &= ~SWP_HIDEWINDOW;
  if (w->parent) flags |= SWP_NOACTIVATE;  // children are never activated

  WINDOWPOS wp{hwnd, insert_after, x, y, std::max(0, cx), std::max(0, cy), flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.left;
    wp.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = w->rect.right - w->rect.left;
    wp.cy = w->rect.bottom - w->rect.top;
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    send(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!get(hwnd)) return FALSE;
  }
  flags = wp.flags & ~(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
  RECT old_rect = w->rect;
  RECT old_client = w->client;
  RECT new_rect = old_rect;
  if (!(flags & SWP_NOMOVE)) gdi::OffsetRect(&new_rect, wp.x - old_rect.left, wp.y - old_rect.top);
  if (!(flags & SWP_NOSIZE)) {
    new_rect.right = new_rect.left + clamp_side(w, wp.cx);
    new_rect.bottom = new_rect.top + clamp_side(w, wp.cy);
  }
  bool size_changed = (new_rect.right - new_rect.left) != (old_rect.right - old_rect.left) ||
                      (new_rect.bottom - new_rect.top) != (old_rect.bottom - old_rect.top);
  bool moved = new_rect.left != old_rect.left || new_rect.top != old_rect.top;

  RECT new_client;
  if (size_changed || (flags & SWP_FRAMECHANGED)) {
    NCCALCSIZE_PARAMS p;
    p.rgrc[0] = new_rect;
    p.rgrc[1] = old_rect;
    p.rgrc[2] = old_client;
    p.lppos = &wp;
    send(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    if (!get(hwnd)) return FALSE;
    new_client = p.rgrc[0];
    new_client.left = std::clamp(new_client.left, new_rect.left, new_rect.right);
    new_client.right = std::clamp(new_client.right, new_client.left, new_rect.right);
    new_client.top = std::clamp(new_client.top, new_rect.top, new_rect.bottom);
    new_client.bottom = std::clamp(new_client.bottom, new_client.top, new_rect.bottom);
  } else {
    new_client = old_client;
    gdi::OffsetRect(&new_client, new_rect.left - old_rect.left, new_rect.top - old_rect.top);
  }
  if (new_client.right - new_client.left == old_client.right - old_client.left &&
      new_client.bottom - new_client.top == old_client.bottom - old_client.top)
    wp.flags |= SWP_NOCLIENTSIZE;
  if (new_client.left == old_client.left && new_client.top == old_client.top) wp.flags |= SWP_NOCLIENTMOVE;

  // Apply.
  RECT old_screen;
  GetWindowRect(hwnd, &old_screen);
  bool was_visible = is_visible(w);
  w->rect = new_rect;
  w->client = new_client;
  if (!(flags & SWP_NOZORDER)) link(w, wp.hwndInsertAfter);
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  if (w->backing && size_changed)
    w->backing->resize(new_rect.right - new_rect.left, new_rect.bottom - new_rect.top);
  bool shown = (flags & SWP_SHOWWINDOW) != 0;
  bool vis_changed = was_visible != is_visible(w);
  if (!(flags & SWP_NOREDRAW) || vis_changed) {
    if (size_changed || moved || vis_changed || !(flags & SWP_NOZORDER) || (flags & SWP_FRAMECHANGED))
      on_geometry_changed(w, old_rect, size_changed || (flags & SWP_FRAMECHANGED) || (moved && w->parent), vis_changed);
  }
  if (!w->parent && s.display) s.display->window_changed(hwnd);

  if (!(flags & SWP_NOACTIVATE) && !w->parent && is_visible(w)) {
    activate(w, false, false);
    if (!get(hwnd)) return TRUE;
  } else if (!(flags & SWP_NOZORDER) && !w->parent && s.display) {
    s.display->window_changed(hwnd);
  }
  if (shown && !(flags & SWP_NOREDRAW)) {
    erase_now(w);
    if (!get(hwnd)) return TRUE;
  }
  send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : static_cast<UINT>(SWP_NOREDRAW)));
}

namespace {

int show_state_of(const Window* w) {
  if (w->style & WS_MINIMIZE) return SW_SHOWMINIMIZED;
  if (w->style & WS_MAXIMIZE) return SW_SHOWMAXIMIZED;
  return SW_SHOWNORMAL;
}

// Changes between normal, minimised and maximised; answers the SetWindowPos flags and rectangle.
UINT change_state(Window* w, int cmd, RECT* r) {
  bool to_min = cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED || cmd == SW_SHOWMINNOACTIVE || cmd == SW_FORCEMINIMIZE;
  bool to_max = cmd == SW_MAXIMIZE;
  if (call_hooks(WH_CBT, HCBT_MINMAX, reinterpret_cast<WPARAM>(w->handle), cmd) != 0) return ~0u;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normal_rect = w->rect;
  if (to_min) {
    if (w->style & WS_MINIMIZE) return ~0u;
    w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
    *r = {w->rect.left, w->rect.top, w->rect.left + GetSystemMetrics(SM_CXMINIMIZED),
          w->rect.top + GetSystemMetrics(SM_CYMINIMIZED)};
  } else if (to_max) {
    if (w->style & WS_MAXIMIZE) return ~0u;
    MINMAXINFO mmi = min_max_info(w);
    w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
    if (w->parent) {
      RECT c;
      GetClientRect(w->parent->handle, &c);
      *r = c;
    } else {
      *r = {mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxPosition.x + mmi.ptMaxSize.x,
            mmi.ptMaxPosition.y + mmi.ptMaxSize.y};
    }
  } else {  // restore
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) return ~0u;
    w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    *r = w->normal_rect;
  }
  return SWP_FRAMECHANGED;
}

}  // namespace

BOOL ShowWindow(HWND hwnd, int cmd) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  auto& s = state();
  bool was_visible = w->style & WS_VISIBLE;
  UINT flags = SWP_NOSIZE | SWP_NOMOVE;
  RECT r{};
  bool state_change = false;
  switch (cmd) {
    case SW_HIDE:
      if (!was_visible) return FALSE;
      flags |= SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    case SW_SHOWMINNOACTIVE:
    case SW_MINIMIZE:
    case SW_FORCEMINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMAXIMIZED:
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT: {
      UINT extra = change_state(w, cmd, &r);
      if (!get(hwnd)) return FALSE;
      flags |= SWP_SHOWWINDOW;
      if (extra != ~0u) {
        flags = (flags & ~(SWP_NOSIZE | SWP_NOMOVE)) | extra;
        state_change = true;
      }
      if (cmd == SW_SHOWMINNOACTIVE || cmd == SW_MINIMIZE || cmd == SW_FORCEMINIMIZE) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    }
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
      flags |= SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER;
      break;
    default:  // SW_SHOW
      flags |= SWP_SHOWWINDOW;
      break;
  }
  if (w->parent) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  bool showing = cmd != SW_HIDE;
  if (showing != was_visible) {
    send(w, WM_SHOWWINDOW, showing ? TRUE : FALSE, 0);
    if (!get(hwnd)) return was_visible;
  }
  if (!state_change && !(flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) && was_visible == showing) return was_visible;
  SetWindowPos(hwnd, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
  if (!get(hwnd)) return was_visible;
  if (cmd == SW_HIDE) {
    if (!w->parent && s.active == w) activate_other(w);
    if (s.focus && (s.focus == w || IsChild(hwnd, s.focus->handle))) SetFocus(w->parent ? w->parent->handle : nullptr);
  } else if ((w->style & WS_MINIMIZE) && !w->parent && s.active == w && (flags & SWP_NOACTIVATE)) {
    activate_other(w);
  }
  return was_visible;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* out) {
  Window* w = get(hwnd);
  if (!w || !out) return FALSE;
  out->flags = 0;
  out->showCmd = (w->style & WS_VISIBLE) ? static_cast<UINT>(show_state_of(w)) : static_cast<UINT>(SW_HIDE);
  if (!(w->style & WS_VISIBLE) && (w->style & WS_MINIMIZE)) out->showCmd = SW_SHOWMINIMIZED;
  out->ptMinPosition = {-1, -1};
  out->ptMaxPosition = {-1, -1};
  out->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normal_rect : w->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* wp) {
  Window* w = get(hwnd);
  if (!w || !wp) return FALSE;
  if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) w->normal_rect = wp->rcNormalPosition;
  else {
    const RECT& r = wp->rcNormalPosition;
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (get(hwnd)) ShowWindow(hwnd, static_cast<int>(wp->showCmd));
  return TRUE;
}

BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD ex_style) {
  if (!r) return FALSE;
  FrameLayout l = compute_layout(style, ex_style, 1000, 1000, (style & WS_CHILD) != 0,
                                 menu ? GetSystemMetrics(SM_CYMENU) : 0);
  r->left -= l.client.left;
  r->top -= l.client.top;
  r->right += 1000 - l.client.right;
  r->bottom += 1000 - l.client.bottom;
  return TRUE;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  Window* w = get(hwnd);
  if (!w) return 0;
  if (region && !gdi::GetRegion(region)) return 0;
  RECT old = w->rect;
  if (w->region && w->region != region) gdi::DeleteObject(w->region);
  w->region = region;
  if (redraw || !w->parent) on_geometry_changed(w, old, true, false);
  auto& s = state();
  if (!w->parent && s.display) s.display->window_changed(hwnd);
  return 1;
}

BOOL SetWindowOwnFrame(HWND hwnd, BOOL own) {
  Window* w = get(hwnd);
  if (!w || w->parent) return FALSE;
  if (w->own_frame == (own != FALSE)) return TRUE;
  w->own_frame = own != FALSE;
  if (auto& d = state().display) d->window_changed(hwnd);
  return TRUE;
}

BOOL HasWindowOwnFrame(HWND hwnd) {
  Window* w = get(hwnd);
  return w && w->own_frame ? TRUE : FALSE;
}

int GetWindowRgn(HWND hwnd, HRGN out) {
  Window* w = get(hwnd);
  if (!w || !w->region || !out) return gdi::ERROR;
  return gdi::CombineRgn(out, w->region, nullptr, gdi::RGN_COPY);
}

// ---- text and data ----
BOOL SetWindowText(HWND hwnd, std::string_view text) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  std::string copy(text);
  return static_cast<BOOL>(send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())));
}

int GetWindowText(HWND hwnd, char* buffer, int size) {
  Window* w = get(hwnd);
  if (!w || !buffer || size <= 0) return 0;
  buffer[0] = 0;
  return static_cast<int>(send(w, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

std::string GetWindowText(HWND hwnd) {
  int n = GetWindowTextLength(hwnd);
  if (n <= 0) return {};
  std::string buf(static_cast<std::size_t>(n) + 1, '\0');
  int got = GetWindowText(hwnd, buf.data(), n + 1);
  buf.resize(static_cast<std::size_t>(std::clamp(got, 0, n)));
  return buf;
}

int GetWindowTextLength(HWND hwnd) {
  Window* w = get(hwnd);
  return w ? static_cast<int>(send(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL SetProp(HWND hwnd, std::string_view name, void* data) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  w->props[std::string(name)] = data;
  return TRUE;
}

void* GetProp(HWND hwnd, std::string_view name) {
  Window* w = get(hwnd);
  if (!w) return nullptr;
  auto it = w->props.find(name);
  return it == w->props.end() ? nullptr : it->second;
}

void* RemoveProp(HWND hwnd, std::string_view name) {
  Window* w = get(hwnd);
  if (!w) return nullptr;
  auto it = w->props.find(name);
  if (it == w->props.end()) return nullptr;
  void* d = it->second;
  w->props.erase(it);
  return d;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  Window* w = get(hwnd);
  if (!w) return FALSE;
  auto& s = state();
  BOOL was_disabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && was_disabled) {
    w->style &= ~WS_DISABLED;
    send(w, WM_ENABLE, TRUE, 0);
  } else if (!enable && !was_disabled) {
    send(w, WM_CANCELMODE, 0, 0);
    if (!get(hwnd)) return was_disabled;
    w->style |= WS_DISABLED;
    if (s.focus && (s.focus == w || IsChild(hwnd, s.focus->handle))) SetFocus(nullptr);
    if (s.capture == w) ReleaseCapture();
    send(w, WM_ENABLE, FALSE, 0);
  }
  return was_disabled;
}

}  // namespace platform::win
